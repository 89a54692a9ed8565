// Batch move: copies or merges the records of any open or closed dataset
// into a query table.
//
//   zbmAppend        the table keeps its fields; every source record is appended
//   zbmAppendUpdate  a source record whose key (the table's UniqueFieldNames)
//                    is found in the table updates that record; others are
//                    appended. Without key names this is zbmAppend.
//   zbmCopy          the table takes the source's field definitions (and, from
//                    a TzelDataset, its unique, range and index field names and
//                    notes), then appends as zbmAppend
//   zbmCopyDef       the same definitions, no records
//
// Values travel as text. A source field fills the table's field of the same
// name with blanks replaced by '_' ("Unit name" fills Unit_name); source
// fields without a value are skipped, and so is a value the table's field
// rejects (no message: the rest of the record still goes). Every appended or
// updated record is posted at once, as a pending change of the table.
//
// The source is left as it was: closed again when it was closed, back on its
// former record when it was open; both datasets' controls are enabled again,
// also when an error stops the move. Errors: _Z_BATCHSOURCE without a source
// or with the table as its own source, _Z_SOURCEOPEN when a closed source
// cannot be opened; errors while posting pass through after the clean-up.
#pragma once

#include <cstdint>

namespace morvane {

class TDataSet;
class TzelTable;

enum TzelBatchMode : uint8_t { zbmAppend, zbmAppendUpdate, zbmCopy, zbmCopyDef };

// The number of records appended or updated.
int32_t BatchMove(TzelTable& table, TDataSet* source, TzelBatchMode mode);

}  // namespace morvane
