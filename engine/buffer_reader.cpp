// Reading a data buffer into a TzelCursor. The byte grammar is in README.md.
//
// A buffer may come damaged or hostile from a server or a file. Every length
// is checked against the bytes the stream still holds before anything is
// allocated or read, so a bad buffer ends in one of the reader's messages,
// never in a crash, a hang or an allocation the stream cannot justify.
#include <charconv>
#include <cstring>

#include "engine/cursor.h"
#include "engine/zelconst.h"
#include "platform/rtl/streams.h"

namespace morvane {

using namespace zelconst;

namespace {

constexpr int32_t kMaxStringLength = 8191;
constexpr int32_t kMaxBlobLength = 0x3FFFFFFF;
// The dataset keeps a record's size in 16 bits.
constexpr int32_t kMaxRecordSize = 65535;
constexpr int kDefaultStringLength = 100;

bool ReadExactly(TStream& stream, void* target, int64_t count) {
  return stream.Read(target, count) == count;
}

bool ReadInt32(TStream& stream, int32_t& value) {
  char bytes[4];
  if (!ReadExactly(stream, bytes, 4)) return false;
  uint32_t raw = uint32_t(uint8_t(bytes[0])) | uint32_t(uint8_t(bytes[1])) << 8 |
                 uint32_t(uint8_t(bytes[2])) << 16 | uint32_t(uint8_t(bytes[3])) << 24;
  value = int32_t(raw);
  return true;
}

// The field type of a layout type code; inline text codes give their
// declared length (base-36 digit) in inlineLength, -1 when the code is no
// digit of 0..35.
TzelFieldType TypeOfCode(char code, int& inlineLength) {
  inlineLength = -1;
  switch (code) {
    case 'i':
      return zftInteger;
    case 'b':
      return zftBoolean;
    case 'f':
      return zftDouble;
    case 'c':
      return zftCurrency;
    case 'd':
      return zftDate;
    case 'v':
      return zftTime;
    case 't':
      return zftDateTime;
    case 's':
      return zftString;
    case 'm':
      return zftMemo;
    case 'r':
      return zftFmtMemo;
    case 'g':
      return zftGraphic;
    default:
      break;
  }
  int digit = uint8_t(code) <= '9' ? uint8_t(code) - 48 : uint8_t(code) - 55;
  if (digit >= 0 && digit <= MAXSLEN) inlineLength = digit;
  return zftSmallStr;
}

enum class ParseResult { Ok, BadSection, NotNumeric };

// Parses one description "name blank code [digits]" into the field.
ParseResult ParseDescription(std::string_view description, TzelField& field) {
  size_t blank = description.find(' ');
  if (blank == std::string_view::npos || blank + 1 >= description.size()) {
    return ParseResult::BadSection;
  }
  char code = description[blank + 1];
  int inlineLength = -1;
  TzelFieldType type = TypeOfCode(code, inlineLength);
  int declaredLength = 0;
  if (type == zftString) {
    std::string_view digits = description.substr(blank + 2);
    declaredLength = kDefaultStringLength;
    if (!digits.empty()) {
      unsigned value = 0;
      auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
      if (error == std::errc::result_out_of_range) return ParseResult::BadSection;
      if (error != std::errc() || end != digits.data() + digits.size()) {
        return ParseResult::NotNumeric;
      }
      if (value > 65535) return ParseResult::BadSection;
      declaredLength = int(value);
    }
    // A heap text must be declared longer than the inline limit: the
    // framework field decides inline or heap storage by its size. A shorter
    // declaration is held as the shortest heap text.
    if (declaredLength <= MAXSLEN) declaredLength = MAXSLEN + 1;
  } else if (type == zftSmallStr) {
    // No slot layout fits a code that is no base-36 digit of 0..35.
    if (inlineLength < 0) return ParseResult::BadSection;
    declaredLength = inlineLength;
  }

  std::string_view name = description.substr(0, blank);
  size_t dot = name.find('.');
  if (dot == std::string_view::npos) {
    field.TableName = "XXX";
    field.Name = std::string(name);
  } else {
    field.TableName = std::string(name.substr(0, dot));
    field.Name = std::string(name.substr(dot + 1));
  }
  field.FieldType = type;
  field.Length = uint16_t(declaredLength);
  field.Size = uint16_t(SlotWidth(type, declaredLength));
  field.Alignment = (code == 'i' || code == 'f' || code == 'c') ? 1 : 0;
  return ParseResult::Ok;
}

}  // namespace

bool TzelCursor::LoadStruFromStream(TStream& stream, std::string& errorText, int32_t& recordCount) {
  errorText.clear();
  recordCount = 0;
  Clear(true);
  layout_.clear();
  hasLayout_ = false;

  int32_t totalLength = 0;
  char status = 0;
  if (!ReadInt32(stream, totalLength) || !ReadExactly(stream, &status, 1)) {
    errorText = _Z_BADBUFFER;
    return false;
  }
  if (status == 'E') {
    int64_t remaining = std::max<int64_t>(stream.Remaining(), 0);
    std::string reply(size_t(remaining), '\0');
    reply.resize(size_t(stream.Read(reply.data(), remaining)));
    errorText = reply.substr(0, strnlen(reply.data(), reply.size()));
    return false;
  }

  int32_t fieldCount = 0;
  int32_t layoutLength = 0;
  if (!ReadInt32(stream, recordCount) || !ReadInt32(stream, fieldCount) ||
      !ReadInt32(stream, layoutLength) || recordCount < 0 || fieldCount < 0 || layoutLength < 0 ||
      layoutLength > stream.Remaining()) {
    recordCount = 0;
    errorText = _Z_BADBUFFER;
    return false;
  }
  std::string layout(size_t(layoutLength), '\0');
  if (!ReadExactly(stream, layout.data(), layoutLength)) {
    recordCount = 0;
    errorText = _Z_BADBUFFER;
    return false;
  }
  layout_ = std::move(layout);
  hasLayout_ = true;
  declaredFieldCount_ = fieldCount;
  return InitFieldDefs(errorText);
}

bool TzelCursor::InitFieldDefs(std::string& errorText) {
  ClearDescriptors();
  recordSize_ = 0;
  // The layout is a text: a zero byte ends it.
  std::string_view layout(layout_.data(), strnlen(layout_.data(), layout_.size()));
  size_t position = 0;
  for (int32_t repetition = 0; repetition < declaredFieldCount_; ++repetition) {
    if (position >= layout.size()) break;  // the descriptors read so far stand
    size_t separator = layout.find(FieldSeparator, position);
    // An empty or unterminated description: the position would never move,
    // so the remaining repetitions could not change the outcome.
    if (separator == std::string_view::npos || separator == position) {
      errorText = _Z_BADFIELDSECTION;
      return false;
    }
    auto field = std::make_unique<TzelField>();
    ParseResult parsed = ParseDescription(layout.substr(position, separator - position), *field);
    if (parsed == ParseResult::NotNumeric) {
      errorText = _Z_BADBUFFER;
      return false;
    }
    if (parsed == ParseResult::BadSection || recordSize_ + field->Size > kMaxRecordSize) {
      errorText = _Z_BADFIELDSECTION;
      return false;
    }
    field->Offset = recordSize_;
    recordSize_ += field->Size;
    AddDescriptor(std::move(field));
    position = separator + 1;
  }
  return true;
}

bool TzelCursor::AddNewRecord(TStream& stream, std::string& errorText) {
  errorText = _Z_UNEXPECTEDEND;
  // A layout without descriptors reads no field, so its records are never
  // accepted.
  if (fields_.empty() || declaredFieldCount_ > stream.Remaining()) return false;

  std::vector<uint8_t>& lengths = lengthBytes_;
  lengths.resize(static_cast<size_t>(declaredFieldCount_));
  if (!ReadExactly(stream, lengths.data(), declaredFieldCount_)) return false;
  // Length bytes beyond the parsed descriptors would announce values nobody
  // can read; the records after them could not be found.
  for (size_t index = fields_.size(); index < lengths.size(); ++index) {
    if (lengths[index] != 0) {
      errorText = _Z_BADBUFFER;
      return false;
    }
  }

  TzelDataBlock block = NewArenaDataBlock(arena_, recordSize_);
  char* data = block.get();
  const int recordNumber = GetRecordCount() + 1;
  bool complete = true;
  for (size_t index = 0; index < fields_.size() && complete; ++index) {
    const TzelField& field = *fields_[index];
    const int length = lengths[index];
    char* slot = data + field.Offset;
    const bool heap = IsHeapType(field.FieldType);
    if (heap ? (length != 0 && length != SIZEINT) : length > field.Size) {
      errorText = FormatMessage(_Z_BADFIELDLENGTH, {field.Name, length, recordNumber});
      complete = false;
      break;
    }
    if (length == 0) continue;
    if (!heap) {
      complete = ReadExactly(stream, slot, length);
      continue;
    }
    int32_t count = 0;
    if (!ReadInt32(stream, count)) {
      complete = false;
      break;
    }
    const bool text = field.FieldType == zftString;
    if (count < 0 || count > (text ? kMaxStringLength : kMaxBlobLength)) {
      errorText = FormatMessage(text ? _Z_BADSTRINGLENGTH : _Z_BADBLOBLENGTH,
                                {field.Name, count, recordNumber});
      complete = false;
      break;
    }
    if (count > stream.Remaining()) {
      complete = false;  // checked before allocating the declared size
      break;
    }
    if (count == 0) continue;  // an empty value is stored as no reference
    char* value = text ? NewArenaSlotText(arena_, slot, size_t(count)) : NewSlotBlob(slot, count);
    complete = ReadExactly(stream, value, count);
    // A text that reads as empty (a zero byte first) is kept as a value of
    // its own, so an arena text is never empty and record buffers can share
    // arena texts without reading them (ShareRecordBuf).
    if (complete && text && value[0] == 0) {
      const char* arenaValue = value;
      std::memcpy(NewSlotText(slot, size_t(count)), arenaValue, size_t(count));
    }
  }
  if (!complete) {
    ClearData(block);
    return false;
  }
  errorText.clear();
  AppendRecord(std::move(block), zusUnmodified);
  return true;
}

bool TzelCursor::LoadFromStream(TStream& stream, std::string& errorText) {
  int32_t recordCount = 0;
  bool ok = LoadStruFromStream(stream, errorText, recordCount);
  if (ok) {
    // Every record takes at least its length bytes: never reserve more records
    // than the stream can hold.
    int64_t fitting = declaredFieldCount_ > 0 ? stream.Remaining() / declaredFieldCount_ : 0;
    const int64_t expected = std::min<int64_t>(recordCount, fitting);
    // The records' blocks and texts: the texts take at most what the stream
    // still holds.
    arena_.ExpectBytes(size_t(expected) * size_t(recordSize_ + 2) + size_t(stream.Remaining()));
    while (stream.Remaining() >= declaredFieldCount_ && GetRecordCount() < recordCount &&
           AddNewRecord(stream, errorText)) {
    }
    if (errorText.empty() && GetRecordCount() != recordCount) {
      errorText = FormatMessage(_Z_RECORDCOUNTMISMATCH, {GetRecordCount(), recordCount});
    }
    ok = errorText.empty();
  }
  if (!ok) {
    Clear(true);
    layout_.clear();
    hasLayout_ = false;
  }
  return ok;
}

bool TzelCursor::LoadFieldInfo(TStream& stream, std::string& errorText) {
  int32_t recordCount = 0;
  bool ok = LoadStruFromStream(stream, errorText, recordCount);
  if (!ok) Clear(true);
  layout_.clear();
  hasLayout_ = false;
  return ok;
}

}  // namespace morvane
