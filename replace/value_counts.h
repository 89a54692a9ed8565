// The row count of each distinct value of a field, in the server's text form
// (replace/sql_value_text.h), for `morvane-data values` and `groups`.
//
// The counts are the server's groups: which rows hold the same value is
// decided by the server's comparison of the column (a case-blind collation
// makes "ШТ" and "шт" one value). Two ways give them:
//   - the grouped count query (replace/builders.h), sorted and counted by the
//     server; this works for every server and column;
//   - one read of the column's values, counted here by their bytes. That is
//     the server's grouping only where the server itself compares the values
//     byte for byte, and it is used only there: an SQLite table (not a view,
//     not hidden behind a temporary table of the same name) whose column has
//     text affinity and whose definition names no collation, of at most
//     five million rows (the reply holds every value). Reading a million
//     values costs the server far less than sorting them, and counting them
//     in a hash table less again. Should the read fail, the grouped query
//     answers.
// Both give the same list: NULL and an empty text read alike and share one
// entry with the empty value; values whose texts are equal are one entry;
// largest counts first, equal counts by text.
#pragma once

#include <string>
#include <vector>

#include "replace/value_groups.h"

namespace morvane {

// Through the session (connected). Table and field are both given (else
// std::invalid_argument) and must be plain names (replace/plain_names.h:
// EDatabaseError before anything is sent). A refused query raises
// EDatabaseError with the server's reason.
std::vector<TCountedValue> CountFieldValues(const std::string& table, const std::string& field);

// Whether counting the bytes of the values read is the server's grouping of
// table.field; asks the server about the column when it is SQLite. Exposed
// for the tests.
bool ServerComparesValueBytes(const std::string& table, const std::string& field);

}  // namespace morvane
