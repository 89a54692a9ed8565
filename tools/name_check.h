// The one check for names a command puts into SQL (tables, fields, keys).
#pragma once

#include <string>

namespace morvane::tools {

// Names from the command line go into SQL as they stand, so they must be
// plain names: letters (any alphabet), digits, '_' and '$'. Anything else
// (a blank, a quote, ';', a dot) raises EDatabaseError naming it, before a
// byte reaches the server.
void CheckName(const std::string& name);

}  // namespace morvane::tools
