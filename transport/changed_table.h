// The table a data-changing statement writes to, as far as its first words
// tell: UPDATE [LOW_PRIORITY] [IGNORE] t ..., INSERT/REPLACE [...] [INTO] t,
// DELETE [...] FROM t, also behind a WITH clause. The MariaDB back end asks
// the server about that table's engine before the statement runs.
#pragma once

#include <string>
#include <string_view>

namespace morvane::transport {

struct TableName {
  std::string schema;  // empty: the connection's database
  std::string table;   // empty: not found (a SELECT, or a form not handled)
};

// Quoted names ("x", `x`) lose their quotes.
TableName ChangedTable(std::string_view statement);

}  // namespace morvane::transport
