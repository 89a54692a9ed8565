// Fuzzes the reader of mapping files with arbitrary bytes: it must never
// crash, a refusal must say why, and a mapping it accepts must come back
// the same after being written and read again.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "replace/mapping_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  std::vector<morvane::ReplacementPair> mapping;
  std::string error;
  if (!morvane::TryParseMappingFile(text, mapping, error)) {
    if (error.empty()) std::abort();
    return 0;
  }
  if (mapping.empty()) std::abort();
  std::vector<morvane::ReplacementPair> again;
  if (!morvane::TryParseMappingFile(morvane::FormatMappingFile(mapping), again, error)) std::abort();
  if (again.size() != mapping.size()) std::abort();
  for (size_t index = 0; index < mapping.size(); ++index) {
    if (again[index].oldValue != mapping[index].oldValue ||
        again[index].newValue != mapping[index].newValue) {
      std::abort();
    }
  }
  return 0;
}
