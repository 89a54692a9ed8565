// Test helper: reads a reply buffer back into a readable form, so tests can
// state expected replies as plain values. It checks the byte structure
// strictly (lengths, counts, separators) and records what it finds wrong
// in `problem`, leaving the checks on values to the test.
#pragma once

#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace morvane::transport {

struct DecodedField {
  std::string name;  // as in the layout, e.g. "goods.unit"
  std::string code;  // "i", "s120", "K", ...
};

struct DecodedReply {
  char status = 0;
  std::string errorText;  // for 'E'
  std::vector<DecodedField> fields;
  // Per record, per field: the value bytes, or nullopt when absent. Texts
  // and blobs without their count word; numbers as their raw slot bytes.
  std::vector<std::vector<std::optional<std::string>>> records;
  // The rows each statement changed ('S' without a result set), and the
  // failing statement ('E'), when the reply carries them.
  std::optional<std::vector<int64_t>> rowsChanged;
  int32_t failedStatement = -1;
  bool cancelled = false;  // 'E' of a request its progress handler cancelled
  std::string problem;

  int32_t Int(size_t record, size_t field) const { return As<int32_t>(record, field); }
  double Double(size_t record, size_t field) const { return As<double>(record, field); }
  int16_t Bool(size_t record, size_t field) const { return As<int16_t>(record, field); }
  std::string Text(size_t record, size_t field) const {
    return records.at(record).at(field).value_or("");
  }
  bool Absent(size_t record, size_t field) const { return !records.at(record).at(field); }
  std::vector<std::string> FieldNames() const {
    std::vector<std::string> names;
    for (const DecodedField& field : fields) names.push_back(field.name);
    return names;
  }

 private:
  template <typename T>
  T As(size_t record, size_t field) const {
    T value{};
    const std::optional<std::string>& bytes = records.at(record).at(field);
    if (bytes && bytes->size() == sizeof(T)) std::memcpy(&value, bytes->data(), sizeof(T));
    return value;
  }
};

inline DecodedReply DecodeReply(const char* data, size_t size) {
  DecodedReply reply;
  size_t position = 0;
  const auto take = [&](size_t count) -> std::string_view {
    if (position + count > size) {
      reply.problem = "buffer ends early";
      position = size;
      return {};
    }
    std::string_view bytes(data + position, count);
    position += count;
    return bytes;
  };
  const auto int32 = [&]() {
    int32_t value = 0;
    const std::string_view bytes = take(4);
    if (bytes.size() == 4) std::memcpy(&value, bytes.data(), 4);
    return value;
  };
  if (data == nullptr) {
    reply.problem = "no data";
    return reply;
  }
  const int32_t total = int32();
  if (static_cast<size_t>(total) != size) reply.problem = "total length differs from reply length";
  const std::string_view status = take(1);
  reply.status = status.empty() ? 0 : status[0];
  if (reply.status == 'E') {
    const std::string_view rest(data + position, size - position);
    const size_t zero = rest.find('\0');
    reply.errorText = std::string(rest.substr(0, zero));
    if (zero != std::string_view::npos && rest.substr(zero + 1, 4) == "STMT") {
      position += zero + 5;
      reply.failedStatement = int32();
      if (std::string_view(data + position, size - position) == "STOP") {
        reply.cancelled = true;
        position += 4;
      }
      if (position != size) reply.problem = "bytes after the failed statement";
    }
    return reply;
  }
  const int32_t recordCount = int32();
  const int32_t fieldCount = int32();
  const std::string_view layout = take(static_cast<size_t>(int32()));
  size_t layoutPosition = 0;
  for (int32_t i = 0; i < fieldCount; ++i) {
    const size_t separator = layout.find('\x12', layoutPosition);
    if (separator == std::string_view::npos) {
      reply.problem = "layout without separator";
      return reply;
    }
    const std::string_view description = layout.substr(layoutPosition, separator - layoutPosition);
    const size_t blank = description.find(' ');
    reply.fields.push_back(
        {std::string(description.substr(0, blank)), std::string(description.substr(blank + 1))});
    layoutPosition = separator + 1;
  }
  if (fieldCount > 0 && layout.substr(layoutPosition) != "\x14") {
    reply.problem = "layout does not end with one record separator";
  }
  for (int32_t record = 0; record < recordCount && reply.problem.empty(); ++record) {
    const std::string_view lengths = take(static_cast<size_t>(fieldCount));
    std::vector<std::optional<std::string>> values;
    for (int32_t field = 0; field < fieldCount && reply.problem.empty(); ++field) {
      const auto length = static_cast<uint8_t>(lengths[field]);
      const std::string& code = reply.fields[field].code;
      if (length == 0) {
        values.emplace_back();
      } else if (code[0] == 's' || code[0] == 'm' || code[0] == 'g' || code[0] == 'r') {
        if (length != 4) reply.problem = "count word length is not 4";
        const int32_t count = int32();
        values.emplace_back(std::string(take(static_cast<size_t>(count))));
      } else {
        values.emplace_back(std::string(take(length)));
      }
    }
    reply.records.push_back(std::move(values));
  }
  if (reply.problem.empty() && recordCount == 0 && fieldCount == 0 && position < size &&
      std::string_view(data + position, size - position).substr(0, 4) == "ROWS") {
    position += 4;
    const int32_t count = int32();
    reply.rowsChanged.emplace();
    for (int32_t index = 0; index < count && reply.problem.empty(); ++index) {
      int64_t rows = 0;
      const std::string_view bytes = take(8);
      if (bytes.size() == 8) std::memcpy(&rows, bytes.data(), 8);
      reply.rowsChanged->push_back(rows);
    }
  }
  if (reply.problem.empty() && position != size) reply.problem = "bytes after the last record";
  return reply;
}

}  // namespace morvane::transport
