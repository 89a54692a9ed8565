// A replacement plan executed as one set-based statement, and the undo of it
// as one set-based statement too, for the servers that have one (SQLite 3.33
// and later, PostgreSQL; MariaDB's form is in one_pass_mariadb.h).
//
// A plan of a thousand lines, run line by line or as a thousand statements
// of one request, scans the table once per line. Here the mapping goes into
// a temporary table and one UPDATE ... FROM joins it, so the table is read
// once whatever the number of values. Rows that hold a mapped value change
// exactly as the plan's lines, run in order, would change them: a row is
// looked up by the value it held before the statement, so chains (A->B,
// B->C) end where the mapping says, as the plan's order makes them end.
//
// With a key field, the rows are also exact by key:
//  - before anything changes, the keys of the rows that hold a mapped value
//    are read on the server (the "expected" keys), and a key that is empty
//    or that the table holds in more than one row is refused, naming it
//    (no query needed when the catalog declares the key unique and NOT NULL);
//  - the statement records each changed row's key and old value as the
//    server sees it. PostgreSQL: RETURNING (the mapped value itself where
//    the field's equality is byte-exact, else the row as it was before).
//    SQLite: if no other connection has committed since the keys were read
//    (its data_version), the table is as read and the rows change by the
//    expected keys; otherwise they are read again inside the same write
//    transaction, where no other writer can come between;
//  - inside the transaction, the changed keys must be exactly the expected
//    ones, or the run is rolled back and the message names a row that
//    another session changed in between;
//  - the undo file is written from the changed rows, page by page, and the
//    rows per line are counted from the same pages.
//
// The undo reads its file statement by statement into a temporary table
// and restores every row with one statement that must change exactly the
// file's rows, or nothing: with the key unique in the table, a key named
// twice or a row changed since makes the count fall short, and the message
// then names them (on the server's comparison).
//
// Temporary tables are named morvane_* in the connection's own temporary
// schema and dropped after use; a failed request leaves none behind, since
// the transport rolls the request back.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "replace/mv_cfg.h"
#include "replace/period.h"
#include "replace/replacement_plan.h"

namespace morvane {

struct ExecutionResult;

// Which set-based statements the session's server takes.
enum class SetDialect { kNone, kSQLite, kPostgreSQL, kMariaDB };

// From the session's init reply ("OK: 2 SQLite 3.40.1; ..."); kNone for a
// server this unit has no statements for, or an SQLite older than 3.33.
SetDialect SessionSetDialect();

struct OnePassOutcome {
  // Per plan line: ran, and the rows the statement changed for its value.
  std::vector<int64_t> rowsPerLine;
  bool applied = false;
  bool cancelled = false;         // by the progress callback: nothing changed
  bool changedSinceRead = false;  // the guard rolled it back: message names the row
  std::string message;            // when not applied
  int64_t undoRows = 0;           // rows written to the undo file
};

struct OnePassOptions {
  std::string undoFile;  // written when the plan's setting names a key field
  std::function<bool(size_t done, size_t total)> progress;
  // Called after the expected keys were read and before the run: where
  // another session's change would slip in (tests make one).
  std::function<void()> afterCapture;
};

// Runs the plan as one statement (see above). Raises EDatabaseError, with
// nothing changed, when the key cannot make the undo exact or the server
// refuses a statement before the run; a refusal of the run itself comes back
// as a not-applied outcome.
OnePassOutcome RunOnePass(const CMvCFG& cfg, CPeriod& period, const ReplacementPlan& plan,
                          SetDialect dialect, const OnePassOptions& options);

// The undo file run as one guarded statement: every row of the file is put
// back, or none. Raises EDatabaseError naming rows changed since, keys that
// are not unique, names that are not plain, or a file this program did not
// write. The result holds the one statement and the rows it restored.
ExecutionResult RunUndoSetBased(const std::string& undoFile, SetDialect dialect);

}  // namespace morvane
