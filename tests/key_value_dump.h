// A table's rows as one text, "key=value" a line, to compare a table before
// and after a run.
#pragma once

#include <string>

#include "replace/replacement_run.h"

namespace morvane::testing {

// query reads two columns: a key and a value.
inline std::string KeyValueDump(const std::string& query) {
  std::string dump;
  for (const CapturedRow& row : ReadKeyValueRows(query)) dump += row.key + "=" + row.value + "\n";
  return dump;
}

}  // namespace morvane::testing
