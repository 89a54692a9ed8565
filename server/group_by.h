// Grouped sums: GroupBy fills a closed query table with one record per group
// of another dataset's records, holding the group fields' values and the sum
// of each sum field over the group.
//
// The table becomes an empty table (lmClear) whose field definitions are the
// group fields, then the sum fields, with the source fields' names, types and
// sizes. The source is ordered by the group fields while it is read; groups
// are runs of equal group texts (exact, case-sensitive), so the records come
// out in the order of the source ordered by the group fields. Sums add the
// values as floating-point numbers.
//
// The source is left as it was: its ordering, sort options and record number
// come back and its controls are enabled again, also when an error stops the
// grouping. The new records are pending inserts of the table.
//
// Returns false and does nothing unless the table is closed and the source is
// open. An unknown field name raises the framework's "Field '%s' not found"
// before anything changes.
#pragma once

#include <string_view>

namespace morvane {

class TzelDataset;
class TzelTable;

bool GroupBy(TzelTable& table, TzelDataset* source, std::string_view groupNames,
             std::string_view sumNames);

}  // namespace morvane
