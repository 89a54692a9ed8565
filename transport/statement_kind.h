// What kind of statement a text is, as far as the reply needs to know: does
// it insert, update or delete rows (so that it has a count of changed rows)?
#pragma once

#include <string_view>

namespace morvane::transport {

// True for INSERT, UPDATE, DELETE and REPLACE, also behind a WITH clause
// (WITH x AS (...) UPDATE ...); comments and blanks before them are skipped.
bool ChangesRows(std::string_view statement);

}  // namespace morvane::transport
