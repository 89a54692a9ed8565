// Names that go into SQL as they stand (tables, fields, keys from a command
// line or an undo file) must be plain: letters of any alphabet, digits, '_'
// and '$'. Anything else could end the name and start a statement.
#pragma once

#include <string>
#include <string_view>

namespace morvane {

bool IsPlainName(std::string_view name);
// Raises EDatabaseError "Имя «...» недопустимо: ..." for a name that is not.
void CheckPlainName(const std::string& name);

}  // namespace morvane
