// The SQL-wait cursor: what the user sees while statements go to the server.
//
// The server layer has no GUI. The GUI layer installs a hook once at start-up
// that shows its SQL-wait cursor (hook(true)) and restores the default cursor
// (hook(false)); without a hook nothing is shown. The session wraps every
// transport call that the user waits for in a SqlWaitCursor, which restores
// the default cursor on every path, errors included.
//
//   SetSqlWaitCursorHook([](bool waiting) {
//     Screen().SetCursor(waiting ? crSQLWait : crDefault);
//   });
//
// Single GUI thread, like the rest of the session.
#pragma once

#include <functional>

namespace morvane {

using TSqlWaitCursorHook = std::function<void(bool waiting)>;

// Installs the hook; an empty function removes it.
void SetSqlWaitCursorHook(TSqlWaitCursorHook hook);

class SqlWaitCursor {
 public:
  SqlWaitCursor();   // shows the SQL-wait cursor
  ~SqlWaitCursor();  // restores the default cursor
  SqlWaitCursor(const SqlWaitCursor&) = delete;
  SqlWaitCursor& operator=(const SqlWaitCursor&) = delete;
};

}  // namespace morvane
