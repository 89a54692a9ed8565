// A field's value as SQL text and files for other programs take it: the
// server's own text form, never the display text of the user's locale.
//
//   integers      "5", "-3"
//   numbers       the shortest text that reads back as the same double,
//                 with a decimal point: "2.5", "0.1", "7", "1e+20"
//   Booleans      "1" and "0" (both servers take these for a Boolean)
//   dates         "2024-01-15"
//   times         "10:30:00", with ".250" when there are milliseconds
//   time stamps   "2024-01-15 10:30:00", milliseconds likewise
//   texts         as they stand
//
// A NULL gives "", as does an empty text; HasSqlValue tells them apart
// where it matters (a numeric slot reads as 0, a never-set one is NULL).
#pragma once

#include <string>
#include <string_view>

#include "platform/db/db_types.h"

namespace morvane {

class TField;

std::string SqlValueText(const TField& field);
// A value of the given type as a person typed or a list showed it (display
// form of the user's locale, or already the server's form) in the server's
// form; a text that does not read as the type is given back trimmed, for
// the server to judge.
std::string SqlValueTextOf(TFieldType type, std::string_view text);
// False for NULL, and for an empty text (which the wizard also treats as
// "no value").
bool HasSqlValue(const TField& field);

}  // namespace morvane
