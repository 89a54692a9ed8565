// The sample table of the engine benchmarks: an integer, a 30-byte inline
// text, a 120-byte heap text, a double and a date per record, encoded as one
// data buffer. Each benchmark fills the columns its own way (in order, or
// spread pseudo-randomly) and encodes them here.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "engine/field_layout.h"

namespace morvane::bench {

struct SampleColumns {
  std::vector<int32_t> ids;
  std::vector<std::string> codes;  // 30 bytes each
  std::vector<std::string> names;  // 120 bytes each
  std::vector<double> sums;        // never 0: a zero double is saved as absent
  std::vector<int32_t> days;       // day numbers
};

inline void AppendInt32(std::string& out, int32_t value) {
  char bytes[4];
  std::memcpy(bytes, &value, 4);
  out.append(bytes, 4);
}

inline std::vector<char> EncodeSampleBuffer(const SampleColumns& columns) {
  const int32_t records = int32_t(columns.ids.size());
  const std::string layout =
      std::string("T.ID i\x12T.CODE U\x12T.NAME s120\x12T.SUM f\x12T.DAY d\x12") +
      char(RecordSeparator);
  std::string body;
  body.reserve(size_t(records) * 180 + layout.size() + 32);
  body += 'S';
  AppendInt32(body, records);
  AppendInt32(body, 5);
  AppendInt32(body, int32_t(layout.size()));
  body += layout;
  for (size_t index = 0; index < size_t(records); ++index) {
    // Length bytes of the five values, then the values.
    body += char(4);
    body += char(30);
    body += char(4);
    body += char(8);
    body += char(4);
    AppendInt32(body, columns.ids[index]);
    body += columns.codes[index];
    AppendInt32(body, 120);
    body += columns.names[index];
    char sumBytes[8];
    std::memcpy(sumBytes, &columns.sums[index], 8);
    body.append(sumBytes, 8);
    AppendInt32(body, columns.days[index]);
  }
  std::string whole;
  AppendInt32(whole, int32_t(body.size() + 4));
  whole += body;
  return std::vector<char>(whole.begin(), whole.end());
}

}  // namespace morvane::bench
