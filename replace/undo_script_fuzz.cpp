// Fuzzes the reader of undo files with arbitrary bytes: it must never crash,
// a refusal must say why, and a script it accepts must be exactly the text
// the writer gives for it (a file edited by hand is refused, never half read).
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "replace/undo_script.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  morvane::UndoScript undo;
  std::string error;
  if (!morvane::TryParseUndoScript(text, undo, error)) {
    if (error.empty()) std::abort();
    return 0;
  }
  if (morvane::FormatUndoScript(undo) != text) std::abort();
  if (undo.Statements().size() != undo.rows.size()) std::abort();
  morvane::CheckQuery(undo);
  return 0;
}
