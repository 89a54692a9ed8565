// Writing a TzelCursor as a data buffer. The byte grammar is in README.md.
//
// A file is written in one pass over the records: pieces of about a megabyte
// are encoded into two alternating buffers, one written by a background
// thread while the other is filled, never the whole buffer at once. The
// header's total length and record count come first but are known only at
// the end, so they are written over the start of the file last. The old file
// is replaced only once the new one is complete, so a failed save never loses
// the old file. A buffer in memory is measured first and encoded into one
// allocation of its exact size.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <functional>

#include "engine/cursor.h"
#include "platform/rtl/background_writer.h"
#include "platform/rtl/streams.h"

namespace morvane {
namespace {

// The bytes encoded so far: a buffer that grows only when a record does not
// fit (its size is kept between pieces, so zero-filling new room is rare),
// and the count of bytes in use. Records are encoded through a raw position
// into room asked for in advance (Extend), then taken into use (UseUpTo).
class Output {
 public:
  explicit Output(std::vector<char>& buffer) : buffer_(&buffer) {}
  size_t Used() const { return used_; }
  char* Data() { return buffer_->data(); }
  char* End() { return buffer_->data() + used_; }
  // Room for count bytes from at, a position at or after End(). The buffer
  // may move: the return value is at's new address.
  char* Extend(char* at, size_t count) {
    const size_t position = size_t(at - buffer_->data());
    if (buffer_->size() - position < count)
      buffer_->resize(std::max(position + count, buffer_->size() * 2));
    return buffer_->data() + position;
  }
  // The bytes up to end, within room asked for, are in use.
  void UseUpTo(const char* end) { used_ = size_t(end - buffer_->data()); }
  void Put(const char* bytes, size_t count) {
    if (count == 0) return;
    char* at = Extend(End(), count);
    std::memcpy(at, bytes, count);
    UseUpTo(at + count);
  }
  void PutInt32(int32_t value) {
    char bytes[4];
    StoreInt32(bytes, value);
    Put(bytes, 4);
  }
  static void StoreInt32(char* at, int32_t value) {
    const uint32_t raw = uint32_t(value);
    at[0] = char(raw & 0xFF);
    at[1] = char(raw >> 8 & 0xFF);
    at[2] = char(raw >> 16 & 0xFF);
    at[3] = char(raw >> 24 & 0xFF);
  }
  // Goes on in another buffer whose first used bytes are in use.
  void Restart(std::vector<char>& buffer, size_t used) {
    buffer_ = &buffer;
    used_ = used;
  }
  // Leaves the buffer holding exactly the bytes in use.
  void Finish() { buffer_->resize(used_); }

 private:
  std::vector<char>* buffer_;
  size_t used_ = 0;
};

// Bytes that RecordEncoder::Put appends for one value.
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

bool IsSaved(TzelUpdStatus status) {
  return status != zusDeleted && status != zusAbsent;
}

void PutHeader(Output& out, int32_t total, int32_t recordCount, int32_t fieldCount,
               const std::string& layout) {
  out.PutInt32(total);
  out.Put("S", 1);
  out.PutInt32(recordCount);
  out.PutInt32(fieldCount);
  out.PutInt32(int32_t(layout.size()));
  out.Put(layout.data(), layout.size());
}

// How the records of one save are encoded: the slot and kind of value of
// each field, worked out once instead of for every value, and the most room
// a record's length bytes and values other than heap values' bytes take.
class RecordEncoder {
 public:
  RecordEncoder(const TzelFieldList& fields, int32_t fieldCount)
      : fieldCount_(size_t(fieldCount)), fixedRoom_(size_t(fieldCount)) {
    for (const auto& field : fields) {
      Slot slot{field->Offset, field->Size, Kind::Int32};
      switch (field->FieldType) {
        case zftInteger:
        case zftDate:
        case zftTime:
          slot.kind = Kind::Int32;
          fixedRoom_ += SIZEINT;
          break;
        case zftBoolean:
          slot.kind = Kind::Int16;
          fixedRoom_ += SIZEBOOL;
          break;
        case zftDouble:
        case zftCurrency:
        case zftDateTime:
          slot.kind = Kind::Double;
          fixedRoom_ += SIZEDOUB;
          break;
        case zftSmallStr:
          slot.kind = Kind::Inline;
          fixedRoom_ += field->Size;
          break;
        case zftString:
          slot.kind = Kind::HeapText;
          fixedRoom_ += SIZEINT;
          break;
        case zftMemo:
        case zftFmtMemo:
        case zftGraphic:
          slot.kind = Kind::Blob;
          fixedRoom_ += SIZEINT;
          break;
        case zftUnknown:
          slot.kind = Kind::None;
          break;
      }
      slots_.push_back(slot);
    }
  }

  size_t FixedRoom() const { return fixedRoom_; }

  // Appends one record: a length byte for each of the header's fields (0 for
  // those the layout does not describe), then the values. A value that is
  // zero or an empty text is left out with length 0.
  void Put(Output& out, const char* data) const {
    // Locals, not members: every byte stored through a char pointer could
    // alias a member, which the compiler would then read again.
    const Slot* const slots = slots_.data();
    const size_t slotCount = slots_.size();
    const size_t fixedRoom = fixedRoom_;
    const size_t lengthsAt = out.Used();
    char* at = out.Extend(out.End(), fixedRoom);
    char* lengths = at;
    if (fieldCount_ > slotCount) std::memset(lengths + slotCount, 0, fieldCount_ - slotCount);
    at += fieldCount_;
    for (size_t index = 0; index < slotCount; ++index) {
      const Slot& slot = slots[index];
      const char* value = data + slot.offset;
      // Fixed-width values and inline texts travel as their slot's first
      // bytes; the constant sizes let the compiler copy them inline.
      uint8_t length = 0;
      switch (slot.kind) {
        case Kind::Int32:
          if (SlotValue<int32_t>(value) == 0) break;
          std::memcpy(at, value, SIZEINT);
          length = SIZEINT;
          break;
        case Kind::Int16:
          if (SlotValue<int16_t>(value) == 0) break;
          std::memcpy(at, value, SIZEBOOL);
          length = SIZEBOOL;
          break;
        case Kind::Double:
          if (SlotValue<double>(value) == 0.0) break;
          std::memcpy(at, value, SIZEDOUB);
          length = SIZEDOUB;
          break;
        case Kind::Inline:
          length = uint8_t(SlotInlineText(value, slot.size).size());
          std::memcpy(at, value, length);
          break;
        case Kind::HeapText:
        case Kind::Blob: {
          const std::string_view bytes =
              slot.kind == Kind::HeapText ? SlotHeapText(value) : SlotBlobBytes(value);
          if (bytes.empty()) break;
          // Room for the bytes with all of the fixed room still after them.
          at = out.Extend(at, SIZEINT + bytes.size() + fixedRoom);
          lengths = out.Data() + lengthsAt;
          Output::StoreInt32(at, int32_t(bytes.size()));
          std::memcpy(at + SIZEINT, bytes.data(), bytes.size());
          at += bytes.size();
          length = SIZEINT;
          break;
        }
        case Kind::None:
          break;
      }
      at += length;
      lengths[index] = char(length);
    }
    out.UseUpTo(at);
  }

 private:
  enum class Kind : uint8_t { Int32, Int16, Double, Inline, HeapText, Blob, None };
  struct Slot {
    int32_t offset;
    uint16_t size;
    Kind kind;
  };

  std::vector<Slot> slots_;
  size_t fieldCount_;
  size_t fixedRoom_;
};

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

int32_t TzelCursor::SavedFieldCount() const {
  return hasLayout_ ? declaredFieldCount_ : GetFieldCount();
}

std::string TzelCursor::WriteBuffer(
    size_t pieceSize, const std::function<void(std::string_view piece)>& write) const {
  const std::string layout = LayoutText();
  const int32_t fieldCount = SavedFieldCount();
  const RecordEncoder encoder(fields_, fieldCount);
  // Room for a piece and the records that end it: a quarter more, and the
  // room the encoder asks for at each record. A piece grows (and keeps its
  // size) only when a record needs more. Without records not even that: a
  // header may declare a huge field count for none at all.
  const size_t room = pieceSize + pieceSize / 4 + (GetRecordCount() == 0 ? 0 : encoder.FixedRoom());
  std::vector<char> pieces[2];
  for (auto& piece : pieces) piece.resize(room);
  size_t current = 0;
  Output out(pieces[current]);
  size_t total = 0;
  int32_t recordCount = 0;
  // Declared after the pieces, so that it is gone, its last write done,
  // before they are.
  TBackgroundWriter background(write);
  // Hands over whole multiples of pieceSize, so that every write starts at a
  // multiple of it in the file (the kernel takes aligned writes into its
  // page cache faster); the bytes past them begin the next piece.
  auto flush = [&](bool last) {
    const size_t used = out.Used();
    if (last) {
      total += used;
      background.WriteLast(std::string_view(out.Data(), used));
      return;
    }
    const size_t count = used - used % pieceSize;
    total += count;
    background.Write(std::string_view(out.Data(), count));
    // Write returned once the other piece was written: it is free.
    std::vector<char>& next = pieces[1 - current];
    const size_t rest = used - count;
    if (next.size() < rest) next.resize(rest);
    std::memcpy(next.data(), out.Data() + count, rest);
    current = 1 - current;
    out.Restart(next, rest);
  };

  PutHeader(out, 0, 0, fieldCount, layout);
  for (int position = 0; position < GetRecordCount(); ++position) {
    if (!IsSaved(StatusAt(position))) continue;
    ++recordCount;
    encoder.Put(out, GetData(position)->Data.get());
    if (out.Used() >= pieceSize) flush(false);
  }
  if (out.Used() > 0) flush(true);
  background.Finish();

  std::vector<char> header;
  Output headerOut(header);
  headerOut.PutInt32(int32_t(total));
  headerOut.Put("S", 1);
  headerOut.PutInt32(recordCount);
  return std::string(header.data(), headerOut.Used());
}

std::vector<char> TzelCursor::SaveToBuffer() const {
  // Measured first, so the buffer is allocated once at its final size
  // rather than copied over and over while it grows.
  const std::string layout = LayoutText();
  const int32_t fieldCount = SavedFieldCount();
  size_t total = 17 + layout.size();
  int32_t recordCount = 0;
  for (int position = 0; position < GetRecordCount(); ++position) {
    if (!IsSaved(StatusAt(position))) continue;
    const TzelRecord* record = GetData(position);
    ++recordCount;
    total += size_t(fieldCount);
    for (const auto& field : fields_)
      total += EncodedSize(*field, record->Data.get() + field->Offset);
  }
  const RecordEncoder encoder(fields_, fieldCount);
  // Room for the last record's fixed part as well: the encoder asks for it
  // in advance, whatever the record holds. Not without records: a header may
  // declare a huge field count for none at all.
  std::vector<char> buffer(total + (recordCount > 0 ? encoder.FixedRoom() : 0));
  Output out(buffer);
  PutHeader(out, int32_t(total), recordCount, fieldCount, layout);
  for (int position = 0; position < GetRecordCount(); ++position) {
    if (IsSaved(StatusAt(position))) encoder.Put(out, GetData(position)->Data.get());
  }
  out.Finish();
  return buffer;
}

void TzelCursor::SaveToFile(const std::string& fileName) const {
  // Pieces of a megabyte: large enough for few system calls, small enough
  // for both to stay in the processor's cache between encoding and writing.
  constexpr size_t kPieceSize = 1 << 20;
  WriteFileAtomicallyWithHeader(
      fileName, [&](const TByteWriter& write) { return WriteBuffer(kPieceSize, write); });
}

}  // namespace morvane
