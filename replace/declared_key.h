// What the server's catalog says about a replacement's key and field, so the
// one pass can leave out a query over the whole table when the catalog
// already answers it. Every answer errs on the safe side: "no" whenever the
// catalog cannot be read or the declaration is anything but plain, and the
// caller then asks the table itself.
#pragma once

#include <string>

#include "replace/one_pass.h"

namespace morvane {

// True when the catalog declares the key field unique and never empty, by
// the comparison the undo names rows with: a single-column primary key, or
// a unique index on that column alone (no predicate, no expression, the
// column's own collation) with NOT NULL. SQLite: a table declared with any
// COLLATE clause is left to the query.
bool KeyDeclaredUnique(SetDialect dialect, const std::string& table, const std::string& keyField);

// PostgreSQL: true when the field's equality is byte-exact, so a row found
// equal to a mapped value holds exactly that value (text and varchar under a
// deterministic collation, integers, dates, timestamps, booleans). numeric,
// real, char(n) and domains are not: 1.0 = 1.00, -0 = 0, 'a' = 'a  '.
bool FieldEqualityIsExact(SetDialect dialect, const std::string& table, const std::string& field);

}  // namespace morvane
