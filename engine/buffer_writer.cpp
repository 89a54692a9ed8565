// Writing a TzelCursor as a data buffer. The byte grammar is in README.md.
//
// The whole buffer is built in memory before the file is touched, and the file
// is replaced only once the new one is complete, so a failed save never loses
// the old file.
#include <cstring>

#include "engine/cursor.h"
#include "platform/rtl/streams.h"

namespace morvane {
namespace {

// Appending by resize and copy (not vector::insert) keeps g++ 12's
// -Wstringop-overflow from misfiring in optimised builds.
void AppendBytes(std::vector<char>& out, const char* bytes, size_t count) {
  if (count == 0) return;
  const size_t at = out.size();
  out.resize(at + count);
  std::memcpy(out.data() + at, bytes, count);
}

void AppendInt32(std::vector<char>& out, int32_t value) {
  uint32_t raw = uint32_t(value);
  char bytes[4] = {char(raw & 0xFF), char(raw >> 8 & 0xFF), char(raw >> 16 & 0xFF),
                   char(raw >> 24 & 0xFF)};
  AppendBytes(out, bytes, 4);
}

void PutInt32(std::vector<char>& out, size_t position, int32_t value) {
  uint32_t raw = uint32_t(value);
  for (int index = 0; index < 4; ++index) out[position + size_t(index)] = char(raw >> (8 * index));
}

// Bytes that AppendValue appends for one value.
size_t EncodedSize(const TzelField& field, const char* slot) {
  switch (field.FieldType) {
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
    default:
      return field.Size;  // an upper bound for fixed-width values
  }
}

// Appends one value and returns its length byte (0: absent, nothing appended).
uint8_t AppendValue(std::vector<char>& out, const TzelField& field, const char* slot) {
  switch (field.FieldType) {
    case zftInteger:
    case zftDate:
    case zftTime: {
      int32_t value;
      std::memcpy(&value, slot, sizeof value);
      if (value == 0) return 0;
      AppendBytes(out, slot, SIZEINT);
      return SIZEINT;
    }
    case zftBoolean: {
      int16_t value;
      std::memcpy(&value, slot, sizeof value);
      if (value == 0) return 0;
      AppendBytes(out, slot, SIZEBOOL);
      return SIZEBOOL;
    }
    case zftDouble:
    case zftCurrency:
    case zftDateTime: {
      double value;
      std::memcpy(&value, slot, sizeof value);
      if (value == 0.0) return 0;
      AppendBytes(out, slot, SIZEDOUB);
      return SIZEDOUB;
    }
    case zftSmallStr: {
      std::string_view text = SlotInlineText(slot, field.Size);
      if (text.empty()) return 0;
      AppendBytes(out, text.data(), text.size());
      return uint8_t(text.size());
    }
    case zftString: {
      std::string_view text = SlotHeapText(slot);
      if (text.empty()) return 0;
      AppendInt32(out, int32_t(text.size()));
      AppendBytes(out, text.data(), text.size());
      return SIZEINT;
    }
    case zftMemo:
    case zftFmtMemo:
    case zftGraphic: {
      std::string_view bytes = SlotBlobBytes(slot);
      if (bytes.empty()) return 0;
      AppendInt32(out, int32_t(bytes.size()));
      AppendBytes(out, bytes.data(), bytes.size());
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

std::vector<char> TzelCursor::SaveToBuffer() const {
  const std::string layout = LayoutText();
  const int32_t fieldCount = hasLayout_ ? declaredFieldCount_ : GetFieldCount();
  // One pass to size the buffer: a million records must not be copied over
  // and over while the buffer grows.
  size_t capacity = 17 + layout.size();
  for (const auto& record : records_) {
    if (record->Status == zusDeleted || record->Status == zusAbsent) continue;
    capacity += size_t(fieldCount);
    for (const auto& field : fields_)
      capacity += EncodedSize(*field, record->Data.get() + field->Offset);
  }
  std::vector<char> out;
  out.reserve(capacity);
  AppendInt32(out, 0);  // total length, set below
  out.push_back('S');
  AppendInt32(out, 0);  // record count, set below
  AppendInt32(out, fieldCount);
  AppendInt32(out, int32_t(layout.size()));
  AppendBytes(out, layout.data(), layout.size());

  int32_t written = 0;
  for (const auto& record : records_) {
    if (record->Status == zusDeleted || record->Status == zusAbsent) continue;
    ++written;
    const size_t lengthsAt = out.size();
    out.resize(out.size() + size_t(fieldCount), 0);
    for (size_t index = 0; index < fields_.size(); ++index) {
      const TzelField& field = *fields_[index];
      uint8_t length = AppendValue(out, field, record->Data.get() + field.Offset);
      out[lengthsAt + index] = char(length);
    }
  }
  PutInt32(out, 0, int32_t(out.size()));
  PutInt32(out, 5, written);
  return out;
}

void TzelCursor::SaveToFile(const std::string& fileName) const {
  std::vector<char> buffer = SaveToBuffer();
  WriteFileAtomically(fileName, buffer.data(), buffer.size());
}

}  // namespace morvane
