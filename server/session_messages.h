// The session's own message; the other texts of the session and the query
// datasets stand in engine/zelconst.h (_Z_NOCONNECT, _Z_NOSESSION,
// _Z_NOREPLY, _Z_ERRUPDATESERVER).
#pragma once

namespace morvane::sessionmsg {

// No transport library. The text names the file the program once shipped
// with; operators and support scripts know the fault by that name.
inline constexpr char kTransportNotFound[] = "Не найден файл netbrgt.dll";

}  // namespace morvane::sessionmsg
