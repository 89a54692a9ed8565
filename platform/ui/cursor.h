// The screen cursor: one cursor over every window of the application, as
// the framework's Screen->Cursor. crDefault lets each widget show its own;
// any other value overrides them all until it is set back.
//
// The session shows the SQL-wait cursor while statements are sent; it knows
// nothing of windows, so it calls a hook with true before and false after.
// SqlWaitCursorHook() is that hook for the screen cursor.
#pragma once

#include <functional>

namespace morvane {

enum class TCursor { crDefault, crHourGlass, crSQLWait };

TCursor ScreenCursor();
void SetScreenCursor(TCursor cursor);

// true: show the SQL-wait cursor; false: restore the default cursor.
std::function<void(bool)> SqlWaitCursorHook();

}  // namespace morvane
