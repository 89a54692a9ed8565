#include "server/sql_wait_cursor.h"

#include <utility>

namespace morvane {

namespace {

// A function-local static: the hook exists before any caller needs it,
// whatever order the program's globals are built in.
TSqlWaitCursorHook& Hook() {
  static TSqlWaitCursorHook hook;
  return hook;
}

void Show(bool waiting) {
  if (Hook()) Hook()(waiting);
}

}  // namespace

void SetSqlWaitCursorHook(TSqlWaitCursorHook hook) {
  Hook() = std::move(hook);
}

SqlWaitCursor::SqlWaitCursor() {
  Show(true);
}

SqlWaitCursor::~SqlWaitCursor() {
  try {
    Show(false);
  } catch (...) {
    // A cursor that cannot be restored is no reason to lose the result or
    // the error of the request that ran under it.
  }
}

}  // namespace morvane
