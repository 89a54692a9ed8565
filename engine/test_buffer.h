// Test helper: builds a data buffer from a readable description, so each test
// shows its input.
//
//   auto bytes = TestBuffer()
//       .Layout({"T.ID i", "T.NAME s120", "NOTE m"})
//       .Record({Int(7), Text("Иванов"), Absent()})
//       .Bytes();
//
// The header's counts and lengths follow the description unless a test sets
// them (RecordCount(), FieldCount(), LayoutLength()) to build a damaged buffer.
#pragma once

#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

#include "engine/field_layout.h"

namespace morvane::testing {

// One value of a record: its length byte and its value bytes.
struct WireValue {
  uint8_t length = 0;
  std::string bytes;
};

inline std::string Int32Bytes(int32_t value) {
  std::string bytes(4, '\0');
  std::memcpy(bytes.data(), &value, 4);
  return bytes;
}
inline WireValue Absent() {
  return {};
}
inline WireValue Int(int32_t value) {
  return {4, Int32Bytes(value)};
}
inline WireValue Bool(bool value) {
  int16_t raw = value ? -1 : 0;
  std::string bytes(2, '\0');
  std::memcpy(bytes.data(), &raw, 2);
  return {2, bytes};
}
inline WireValue Dbl(double value) {
  std::string bytes(8, '\0');
  std::memcpy(bytes.data(), &value, 8);
  return {8, bytes};
}
// An inline text: its length byte is its byte count.
inline WireValue Small(std::string text) {
  return {uint8_t(text.size()), text};
}
// A heap text or blob: length byte 4, then the count and the bytes.
inline WireValue Text(std::string text) {
  return {4, Int32Bytes(int32_t(text.size())) + text};
}
inline WireValue Blob(std::string bytes) {
  return Text(std::move(bytes));
}
// Any length byte with any value bytes, for damaged records.
inline WireValue Raw(uint8_t length, std::string bytes = {}) {
  return {length, std::move(bytes)};
}

class TestBuffer {
 public:
  TestBuffer& Layout(std::initializer_list<std::string> descriptions) {
    layout_.clear();
    for (const std::string& description : descriptions) layout_ += description + FieldSeparator;
    layout_ += RecordSeparator;
    descriptionCount_ = int32_t(descriptions.size());
    return *this;
  }
  TestBuffer& LayoutText(std::string text) {
    layout_ = std::move(text);
    return *this;
  }
  TestBuffer& Record(std::initializer_list<WireValue> values) {
    std::string lengths;
    std::string payload;
    for (const WireValue& value : values) {
      lengths += char(value.length);
      payload += value.bytes;
    }
    records_.push_back(lengths + payload);
    return *this;
  }
  TestBuffer& Status(char status) {
    status_ = status;
    return *this;
  }
  TestBuffer& RecordCount(int32_t count) {
    recordCount_ = count;
    return *this;
  }
  TestBuffer& FieldCount(int32_t count) {
    fieldCount_ = count;
    return *this;
  }
  TestBuffer& LayoutLength(int32_t length) {
    layoutLength_ = length;
    return *this;
  }
  // Bytes appended after the records.
  TestBuffer& Tail(std::string bytes) {
    tail_ += bytes;
    return *this;
  }

  std::string String() const {
    std::string body;
    body += status_;
    body += Int32Bytes(recordCount_.value_or(int32_t(records_.size())));
    body += Int32Bytes(fieldCount_.value_or(descriptionCount_));
    body += Int32Bytes(layoutLength_.value_or(int32_t(layout_.size())));
    body += layout_;
    for (const std::string& record : records_) body += record;
    body += tail_;
    return Int32Bytes(int32_t(body.size() + 4)) + body;
  }
  std::vector<char> Bytes() const {
    std::string text = String();
    return std::vector<char>(text.begin(), text.end());
  }

 private:
  std::string layout_;
  int32_t descriptionCount_ = 0;
  std::vector<std::string> records_;
  std::string tail_;
  char status_ = 'S';
  std::optional<int32_t> recordCount_;
  std::optional<int32_t> fieldCount_;
  std::optional<int32_t> layoutLength_;
};

}  // namespace morvane::testing
