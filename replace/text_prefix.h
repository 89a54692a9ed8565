// The first sixteen bytes of a text as two big-endian numbers, zero-padded:
// comparing them orders texts as comparing their bytes does, except that
// texts whose first sixteen bytes are equal compare equal here and need
// their bytes compared. Sorting tens of thousands of texts then compares
// numbers almost always instead of calling memcmp.
#pragma once

#include <cstdint>
#include <string_view>
#include <utility>

namespace morvane {

using TextPrefix = std::pair<uint64_t, uint64_t>;

inline TextPrefix TextPrefixOf(std::string_view text) {
  uint64_t parts[2] = {0, 0};
  for (size_t at = 0; at < 16; ++at) {
    parts[at / 8] = parts[at / 8] << 8 | (at < text.size() ? uint8_t(text[at]) : 0);
  }
  return {parts[0], parts[1]};
}

}  // namespace morvane
