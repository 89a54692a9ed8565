// The session's own messages; the other texts of the session and the query
// datasets stand in engine/zelconst.h (_Z_NOCONNECT, _Z_NOSESSION,
// _Z_NOREPLY, _Z_ERRUPDATESERVER). Patterns for zelconst::FormatMessage.
#pragma once

namespace morvane::sessionmsg {

// No transport library. The text names the file the program once shipped
// with; operators and support scripts know the fault by that name.
inline constexpr char kTransportNotFound[] = "Не найден файл netbrgt.dll";

// A key field (of UniqueFieldNames) that a key condition cannot name: not in
// the store, or without a text form (a picture, an unknown type, an empty
// long text). Left out, it would widen the condition to rows the key does
// not name, so the statements are not sent at all.
inline constexpr char kKeyFieldNotWritable[] =
    "Ключевое поле '%s' нельзя записать в условие отбора: изменения не отправлены";

// A query parameter written without quotes (a number) whose value is not a
// number in the form SQL reads ("1.5", "-2e3").
inline constexpr char kParamNotNumber[] = "Значение параметра '%s' не является числом: %s";

}  // namespace morvane::sessionmsg
