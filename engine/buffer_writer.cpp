// Writing a TzelCursor as a data buffer. The byte grammar is in README.md.
//
// One pass measures the records (the header's total length and record count
// come first), a second encodes them. A file is written in pieces of about a
// megabyte from one reused piece buffer, never the whole buffer at once, and
// the old file is replaced only once the new one is complete, so a failed
// save never loses the old file.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <functional>

#include "engine/cursor.h"
#include "platform/rtl/streams.h"

namespace morvane {
namespace {

// The bytes encoded so far: a buffer that grows only when a value does not
// fit (its size is kept between pieces, so zero-filling new room is rare),
// and the count of bytes in use.
class Output {
 public:
  explicit Output(std::vector<char>& buffer) : buffer_(buffer) {}
  size_t Used() const { return used_; }
  void Put(const char* bytes, size_t count) {
    if (count == 0) return;
    char* at = Room(count);
    std::memcpy(at, bytes, count);
    used_ += count;
  }
  void PutInt32(int32_t value) {
    uint32_t raw = uint32_t(value);
    char bytes[4] = {char(raw & 0xFF), char(raw >> 8 & 0xFF), char(raw >> 16 & 0xFF),
                     char(raw >> 24 & 0xFF)};
    Put(bytes, 4);
  }
  // count zero bytes to be filled later through At.
  size_t Reserve(size_t count) {
    std::memset(Room(count), 0, count);
    const size_t at = used_;
    used_ += count;
    return at;
  }
  char& At(size_t position) { return buffer_[position]; }
  // Hands the bytes in use to write and starts again at the beginning.
  void Flush(const std::function<void(std::string_view piece)>& write) {
    write(std::string_view(buffer_.data(), used_));
    used_ = 0;
  }
  // Leaves the buffer holding exactly the bytes in use.
  void Finish() { buffer_.resize(used_); }

 private:
  char* Room(size_t count) {
    if (buffer_.size() - used_ < count) buffer_.resize(std::max(used_ + count, buffer_.size() * 2));
    return buffer_.data() + used_;
  }

  std::vector<char>& buffer_;
  size_t used_ = 0;
};

// Bytes that AppendValue appends for one value.
size_t EncodedSize(const TzelField& field, const char* slot) {
  switch (field.FieldType) {
    case zftInteger:
    case zftDate:
    case zftTime:
      return SlotValue<int32_t>(slot) == 0 ? 0 : SIZEINT;
    case zftBoolean:
      return SlotValue<int16_t>(slot) == 0 ? 0 : SIZEBOOL;
    case zftDouble:
    case zftCurrency:
    case zftDateTime:
      return SlotValue<double>(slot) == 0.0 ? 0 : SIZEDOUB;
    case zftSmallStr:
      return SlotInlineText(slot, field.Size).size();
    case zftString: {
      size_t length = SlotHeapText(slot).size();
      return length == 0 ? 0 : SIZEINT + length;
    }
    case zftMemo:
    case zftFmtMemo:
    case zftGraphic: {
      size_t length = SlotBlobBytes(slot).size();
      return length == 0 ? 0 : SIZEINT + length;
    }
    case zftUnknown:
      break;
  }
  return 0;
}

// Appends one value and returns its length byte (0: absent, nothing appended).
uint8_t AppendValue(Output& out, const TzelField& field, const char* slot) {
  switch (field.FieldType) {
    case zftInteger:
    case zftDate:
    case zftTime: {
      int32_t value;
      std::memcpy(&value, slot, sizeof value);
      if (value == 0) return 0;
      out.Put(slot, SIZEINT);
      return SIZEINT;
    }
    case zftBoolean: {
      int16_t value;
      std::memcpy(&value, slot, sizeof value);
      if (value == 0) return 0;
      out.Put(slot, SIZEBOOL);
      return SIZEBOOL;
    }
    case zftDouble:
    case zftCurrency:
    case zftDateTime: {
      double value;
      std::memcpy(&value, slot, sizeof value);
      if (value == 0.0) return 0;
      out.Put(slot, SIZEDOUB);
      return SIZEDOUB;
    }
    case zftSmallStr: {
      std::string_view text = SlotInlineText(slot, field.Size);
      if (text.empty()) return 0;
      out.Put(text.data(), text.size());
      return uint8_t(text.size());
    }
    case zftString: {
      std::string_view text = SlotHeapText(slot);
      if (text.empty()) return 0;
      out.PutInt32(int32_t(text.size()));
      out.Put(text.data(), text.size());
      return SIZEINT;
    }
    case zftMemo:
    case zftFmtMemo:
    case zftGraphic: {
      std::string_view bytes = SlotBlobBytes(slot);
      if (bytes.empty()) return 0;
      out.PutInt32(int32_t(bytes.size()));
      out.Put(bytes.data(), bytes.size());
      return SIZEINT;
    }
    case zftUnknown:
      break;
  }
  return 0;
}

char TypeCode(const TzelField& field) {
  switch (field.FieldType) {
    case zftInteger:
      return 'i';
    case zftBoolean:
      return 'b';
    case zftDouble:
      return 'f';
    case zftCurrency:
      return 'c';
    case zftDate:
      return 'd';
    case zftTime:
      return 'v';
    case zftDateTime:
      return 't';
    case zftString:
      return 's';
    case zftMemo:
      return 'm';
    case zftFmtMemo:
      return 'r';
    case zftGraphic:
      return 'g';
    case zftSmallStr:
      return field.Length <= 9 ? char('0' + field.Length) : char('A' + field.Length - 10);
    case zftUnknown:
      break;
  }
  return '0';
}

}  // namespace

std::string TzelCursor::LayoutText() const {
  if (hasLayout_) return layout_;
  std::string layout;
  for (const auto& field : fields_) {
    layout += field->TableName + "." + field->Name + " " + TypeCode(*field);
    if (field->FieldType == zftString) layout += std::to_string(field->Length);
    layout += FieldSeparator;
  }
  layout += RecordSeparator;
  return layout;
}

void TzelCursor::WriteBuffer(std::vector<char>& buffer, size_t pieceSize,
                             const std::function<void(std::string_view piece)>& write) const {
  const std::string layout = LayoutText();
  const int32_t fieldCount = hasLayout_ ? declaredFieldCount_ : GetFieldCount();
  auto saved = [this](int position) {
    const TzelUpdStatus status = StatusAt(position);
    return status != zusDeleted && status != zusAbsent;
  };
  size_t total = 17 + layout.size();
  int32_t recordCount = 0;
  for (int position = 0; position < GetRecordCount(); ++position) {
    if (!saved(position)) continue;
    const TzelRecord* record = GetData(position);
    ++recordCount;
    total += size_t(fieldCount);
    for (const auto& field : fields_)
      total += EncodedSize(*field, record->Data.get() + field->Offset);
  }

  // Room for the whole buffer, or for a piece and the record that ends it
  // (heap values aside), whichever is less: a header may declare a huge field
  // count for no records at all.
  size_t room = total;
  if (pieceSize < total)
    room = std::min(total, pieceSize + size_t(fieldCount) + size_t(recordSize_));
  buffer.resize(room);
  Output out(buffer);
  out.PutInt32(int32_t(total));
  out.Put("S", 1);
  out.PutInt32(recordCount);
  out.PutInt32(fieldCount);
  out.PutInt32(int32_t(layout.size()));
  out.Put(layout.data(), layout.size());
  for (int position = 0; position < GetRecordCount(); ++position) {
    if (!saved(position)) continue;
    const TzelRecord* record = GetData(position);
    const size_t lengthsAt = out.Reserve(size_t(fieldCount));
    for (size_t index = 0; index < fields_.size(); ++index) {
      const TzelField& field = *fields_[index];
      uint8_t length = AppendValue(out, field, record->Data.get() + field.Offset);
      out.At(lengthsAt + index) = char(length);
    }
    if (write && out.Used() >= pieceSize) out.Flush(write);
  }
  if (write) {
    if (out.Used() > 0) out.Flush(write);
  } else {
    out.Finish();
  }
}

std::vector<char> TzelCursor::SaveToBuffer() const {
  // One piece: the measuring pass sizes it, so a million records are not
  // copied over and over while it grows.
  std::vector<char> buffer;
  WriteBuffer(buffer, SIZE_MAX, nullptr);
  return buffer;
}

void TzelCursor::SaveToFile(const std::string& fileName) const {
  // Pieces of a megabyte: large enough for few system calls, small enough to
  // stay in the processor's cache between encoding and writing.
  constexpr size_t kPieceSize = 1 << 20;
  WriteFileAtomically(fileName, [&](const TByteWriter& write) {
    std::vector<char> piece;
    WriteBuffer(piece, kPieceSize, write);
  });
}

}  // namespace morvane
