#include "engine/buffer_records.h"

#include <cstring>

#include "engine/zelconst.h"
#include "platform/rtl/streams.h"

namespace morvane {

using namespace zelconst;

namespace {

// The reader's limits for one value (buffer_reader.cpp).
constexpr int32_t kMaxStringLength = 8191;
constexpr int32_t kMaxBlobLength = 0x3FFFFFFF;

// Takes count bytes from the front of rest; false when it holds fewer.
bool Take(std::string_view& rest, size_t count, std::string_view& taken) {
  if (rest.size() < count) return false;
  taken = rest.substr(0, count);
  rest.remove_prefix(count);
  return true;
}

int32_t Int32At(const char* bytes) {
  const auto byte = [bytes](int at) { return uint32_t(uint8_t(bytes[at])); };
  return int32_t(byte(0) | byte(1) << 8 | byte(2) << 16 | byte(3) << 24);
}

}  // namespace

bool TzelBufferRecords::Open(TMemoryStream& buffer, std::string& errorText) {
  read_ = 0;
  recordCount_ = 0;
  rest_ = {};
  if (!layout_.LoadStruFromStream(buffer, errorText, recordCount_)) return false;
  const int64_t position = buffer.Seek(0, SeekOrigin::Current);
  rest_ = std::string_view(buffer.Memory() + position, size_t(buffer.Size() - position));
  return true;
}

bool TzelBufferRecords::Next(std::vector<std::string_view>& values, std::string& errorText) {
  errorText.clear();
  if (read_ >= recordCount_) return false;
  const size_t lengthCount = size_t(layout_.DeclaredFieldCount());
  // As a load: a buffer that ends before a record's length bytes holds
  // fewer records than it declares.
  if (rest_.size() < lengthCount) {
    errorText = FormatMessage(_Z_RECORDCOUNTMISMATCH, {read_, recordCount_});
    return false;
  }
  // The messages are made only for a damaged record: a good one costs no
  // text.
  const auto fail = [&errorText](std::string message) {
    errorText = std::move(message);
    return false;
  };
  const TzelFieldList& fields = layout_.Fields();
  if (fields.empty()) return fail(_Z_UNEXPECTEDEND);
  std::string_view lengths;
  Take(rest_, lengthCount, lengths);
  for (size_t index = fields.size(); index < lengthCount; ++index) {
    if (lengths[index] != 0) return fail(_Z_BADBUFFER);
  }
  const int recordNumber = read_ + 1;
  values.resize(fields.size());
  for (size_t index = 0; index < fields.size(); ++index) {
    const TzelField& field = *fields[index];
    const int length = uint8_t(lengths[index]);
    const bool heap = IsHeapType(field.FieldType);
    if (heap ? (length != 0 && length != SIZEINT) : length > field.Size) {
      return fail(FormatMessage(_Z_BADFIELDLENGTH, {field.Name, length, recordNumber}));
    }
    values[index] = std::string_view();
    if (length == 0) continue;
    if (!heap) {
      if (!Take(rest_, size_t(length), values[index])) return fail(_Z_UNEXPECTEDEND);
      continue;
    }
    std::string_view countBytes;
    if (!Take(rest_, SIZEINT, countBytes)) return fail(_Z_UNEXPECTEDEND);
    const int32_t count = Int32At(countBytes.data());
    const bool text = field.FieldType == zftString;
    if (count < 0 || count > (text ? kMaxStringLength : kMaxBlobLength)) {
      return fail(FormatMessage(text ? _Z_BADSTRINGLENGTH : _Z_BADBLOBLENGTH,
                                {field.Name, count, recordNumber}));
    }
    if (!Take(rest_, size_t(count), values[index])) return fail(_Z_UNEXPECTEDEND);
  }
  ++read_;
  return true;
}

}  // namespace morvane
