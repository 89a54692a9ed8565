// Fuzzes the reader of the grid's column files with arbitrary bytes: it must
// never crash, a damaged file must raise a stream error, and the columns
// must stay as they were unless the whole file was read.
#include <QApplication>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "controls/grid/columns.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/streams.h"

namespace {

std::string Saved(morvane::TzelDBGridColumns& columns) {
  morvane::TMemoryStream stream;
  columns.SaveToStream(stream);
  return std::string(stream.Bytes().begin(), stream.Bytes().end());
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 1);
  static QApplication application(*argc, *argv);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  morvane::TzelDBGridColumns columns(nullptr);
  columns.Add()->SetFieldName("kept");
  const std::string before = Saved(columns);
  morvane::TMemoryStream stream(std::vector<char>(data, data + size));
  try {
    columns.LoadFromStream(stream);
  } catch (const morvane::EStreamError&) {
    if (Saved(columns) != before) std::abort();
    return 0;
  }
  // Read whole: what is written again reads back the same.
  const std::string loaded = Saved(columns);
  morvane::TzelDBGridColumns again(nullptr);
  morvane::TMemoryStream copy(std::vector<char>(loaded.begin(), loaded.end()));
  again.LoadFromStream(copy);
  if (Saved(again) != loaded) std::abort();
  return 0;
}
