// The one-pass replacement and its undo (one_pass.h) on MariaDB, which has
// neither UPDATE ... FROM nor RETURNING. The promises are the same:
//  - the plan's pairs go into a temporary table, and one multi-table
//    UPDATE T JOIN <mapping> changes every mapped row in one pass; a row is
//    joined by the value it held before the statement, so chains end where
//    the plan's order makes them end;
//  - before anything changes, the keys of the rows that hold a mapped value
//    are read, and a key that is empty or held by several rows of the table
//    is refused, naming it;
//  - inside the run's transaction, just before the UPDATE, a locking read
//    (INSERT ... SELECT ... FOR UPDATE) records the key and plan line of
//    every row the UPDATE will change. The locks keep other sessions off
//    those rows until the commit, so the UPDATE must match exactly as many,
//    and the recorded keys must be the keys read before, or the run is
//    rolled back naming a row another session changed in between;
//  - the undo file is written page by page from the recorded rows, and the
//    undo puts back every row of its file with one guarded statement, or
//    none.
//
// MariaDB's default collations ignore case and trailing blanks, so every
// comparison here is made as the transport makes the plan's own lines
// compare: by the column's type and, for the value's text, byte by byte
// (utf8mb4_nopad_bin). Keys are compared the same way. Values read back
// for the undo file are the server's text of them (CAST(... AS CHAR)).
//
// The temporary tables (morvane_*, InnoDB, so a rolled-back request takes
// their rows back with it) are the connection's own and are dropped when
// the run leaves; MySQL is not served here (it cannot name a temporary
// table twice in one statement).
#pragma once

#include <string>

#include "replace/one_pass.h"

namespace morvane {

// RunOnePass for a MariaDB session: same outcome, errors and options.
OnePassOutcome RunOnePassMariaDB(const CMvCFG& cfg, CPeriod& period, const ReplacementPlan& plan,
                                 const OnePassOptions& options);

// RunUndoSetBased for a MariaDB session.
ExecutionResult RunUndoMariaDB(const std::string& undoFile);

}  // namespace morvane
