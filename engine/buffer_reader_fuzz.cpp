// Feeds arbitrary bytes to the data buffer reader. A damaged buffer must end
// in one of the reader's messages: never a crash, a hang, an out-of-bounds
// read or an allocation the input cannot justify. An accepted buffer must
// save again, and reload to the same bytes. Reading the records one at a
// time (buffer_records.h) must end as the load does: with the same message,
// or after the same records.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "engine/buffer_records.h"
#include "engine/cursor.h"
#include "platform/rtl/streams.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace morvane;
  TMemoryStream stream(std::vector<char>(data, data + size));
  TzelCursor cursor;
  std::string error;
  const bool loaded = cursor.LoadFromStream(stream, error);

  TMemoryStream walked(std::vector<char>(data, data + size));
  TzelBufferRecords records;
  std::string walkError;
  int recordsRead = 0;
  if (records.Open(walked, walkError)) {
    std::vector<std::string_view> values;
    while (records.Next(values, walkError)) ++recordsRead;
  }
  if (walkError != error) std::abort();
  if (loaded && recordsRead != cursor.GetRecordCount()) std::abort();

  if (!loaded) {
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
