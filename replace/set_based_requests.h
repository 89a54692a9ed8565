// What the set-based runs of a replacement (one_pass.h, one_pass_mariadb.h)
// share, whatever the server: rows read back as texts, rows written as a
// VALUES list of literals, a request that raises the server's reason when
// refused, temporary tables dropped when the run leaves, the run sent under
// its count guard, and the undo file loaded and put back all or nothing.
// Each server's form only builds the SQL texts. Through the process session;
// single GUI thread, like the session.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "replace/mv_cfg.h"
#include "replace/one_pass.h"
#include "replace/replacement_plan.h"
#include "replace/undo_script.h"

namespace morvane {

// The rows of a query, every column as its text ('.' as the decimal point,
// whatever the user's locale). Raises EDatabaseError when the query is refused.
std::vector<std::vector<std::string>> ReadRows(const std::string& query);

// The rows of a query whose columns are texts (CAST ... AS TEXT), each
// given to take as it is read from the reply, without a dataset: for
// hundreds of thousands of rows. Texts are given as ReadRows gives them.
// Returns the rows read; raises EDatabaseError when the query is refused.
int64_t ReadTextRows(const std::string& query,
                     const std::function<void(const std::vector<std::string_view>& row)>& take);

// "('a', 'b'),\r\n('c', 'd')": every value a text literal, which the server
// turns into the type of the column it goes into.
std::string ValuesList(const std::vector<std::vector<std::string>>& rows);

// Sends one request; raises EDatabaseError naming `what` with the server's
// reason when it is refused.
void SendRequest(const std::string& request, const std::string& what);

// "<insertHead>VALUES (line, old, new), ...;" requests of a few thousand
// rows each: the plan's pairs with the index of their line in the plan.
std::string MappingInserts(const ReplacementPlan& plan, const std::string& insertHead);

// Raises EDatabaseError naming the key field when the table's key column
// cannot be read (a key field that does not exist), before anything is sent.
void RefuseUnreadableKey(const std::string& table, const std::string& fullKey);

// Reads rows of (plan line index, rows changed) into rowsPerLine.
void ReadRowsPerLine(const std::string& query, std::vector<int64_t>& rowsPerLine);

// Sends dropRequest when the scope ends, however it ends.
class TemporaryTablesScope {
 public:
  explicit TemporaryTablesScope(std::string dropRequest) : dropRequest_(std::move(dropRequest)) {}
  ~TemporaryTablesScope();
  TemporaryTablesScope(const TemporaryTablesScope&) = delete;
  TemporaryTablesScope& operator=(const TemporaryTablesScope&) = delete;

 private:
  std::string dropRequest_;
};

// The statements of a run whose counts the guard checks inside its
// transaction, by their place in the request (-1: none).
struct RunGuard {
  int captured = -1;  // its count is the rows the run changes
  int updated = -1;   // must change as many
  int expected = -1;  // checks off the keys read before the run: all of them
  int64_t expectedRows = -1;
};

// Judges a run from the counts of its statements so far (one a statement,
// in order, the last one just done; total: the statements of the request):
// false rolls the run back.
using RunJudge = std::function<bool(const std::vector<int64_t>& counts, size_t total)>;

// The judge of a RunGuard: each guarded count checked as its statement ends.
RunJudge CountGuard(const RunGuard& guard);

// Sends the run's request in one transaction, rolled back when the judge
// finds the counts not exact or when progress (called after each statement)
// says stop. True when it took effect; otherwise outcome says why, naming
// the row strayRow finds when the judge stopped it. Raises EDatabaseError,
// sending nothing, when the transport cannot report statements.
bool SendGuardedRun(const std::string& request, const RunJudge& exact,
                    const std::function<bool(size_t done, size_t total)>& progress,
                    const std::function<std::string()>& strayRow, OnePassOutcome& outcome);

// Rows per page when the changed rows are read back for the undo file:
// bounds the memory, whatever the run's size.
inline constexpr size_t kUndoRowsPerPage = 20000;

// Writes the undo file of the setting's table, field and key to path
// (through path + ".part", renamed when complete) from pages of the changed
// rows: pageQuery(after) reads up to kUndoRowsPerPage rows past the cursor
// `after` (null: from the start). A row's first column is its cursor, its
// last three the key, the old value and the new value. The rows written;
// raises EDatabaseError when the file cannot be written.
int64_t WriteUndoFileByPages(const CMvCFG& cfg, const std::string& path,
                             const std::function<std::string(const std::string* after)>& pageQuery);

// Raises EDatabaseError when the undo file at path (written through
// path + ".part") cannot be created: called before a run changes anything.
void RefuseUnwritableUndoFile(const std::string& path);

// Opens an undo file for reading and checks its names (header: table, field
// and key, no rows). Raises EDatabaseError when the file cannot be read, is
// not an undo file or names something that is not a plain name.
UndoScript OpenUndoFile(const std::string& path, UndoFileReader& reader);

// Rows of an undo file as texts: key, restored value, replaced value.
using UndoRows = std::vector<std::vector<std::string>>;

// Sends the reader's rows, rowsPerRequest at a time, each batch as the
// request `request` builds of it. The rows sent; raises EDatabaseError
// naming `what` when the server refuses, or when the file is.
int64_t InsertUndoRows(UndoFileReader& reader, size_t rowsPerRequest,
                       const std::function<std::string(const UndoRows& rows)>& request,
                       const std::string& what);
// The same as insertHead + "VALUES (key, restored, replaced), ...", a request
// per few thousand rows.
int64_t InsertUndoRows(UndoFileReader& reader, const std::string& insertHead,
                       const std::string& what);

// A batch of an undo file's rows with each pair of values (restored,
// replaced) named by a number. A replacement writes few distinct pairs for
// many keys, so a batch carries a pair once, in the first batch that holds
// it, and then the keys, each with its pair's number.
struct UndoRowsByPair {
  std::vector<std::string> newPairs[2];  // restored, replaced values of pairs not sent before
  int64_t firstNewPair = 0;              // the number of newPairs' first
  std::vector<std::string> keys;
  std::vector<int64_t> pairOfKey;
};

// Sends the reader's rows as batches of rowsPerRequest keys, each as the
// request `request` builds of it; the pairs' numbers keep growing, and a
// pair is sent again after many others (so the pairs held stay few). The
// rows sent; raises EDatabaseError naming `what` when the server refuses,
// or when the file is.
int64_t InsertUndoRowsByPair(UndoFileReader& reader, size_t rowsPerRequest,
                             const std::function<std::string(const UndoRowsByPair& rows)>& request,
                             const std::string& what);

// Raises EDatabaseError saying the key `keyField` names several rows when
// the query (its first column a key's text) finds one.
void RefuseRepeatedKey(const std::string& query, const std::string& keyField);

// Raises EDatabaseError naming the rows changed since the replacement when
// the query (its first column a key's text) finds any.
void RefuseRowsChangedSince(const std::string& query);

// Runs the undo's one statement, which must put back exactly `rows` rows or
// nothing. A shorter count (a row changed after the check) rolls it back and
// raises naming the rows changedSinceQuery finds; a refusal by the server
// comes back as a not-applied result.
ExecutionResult RunUndoStatement(const std::string& statement, int64_t rows,
                                 const std::string& changedSinceQuery);
// The same after the setup statements (in the same transaction); a shorter
// count calls refuseShort, which raises naming why, after the rollback.
ExecutionResult RunUndoStatement(const std::vector<std::string>& setup,
                                 const std::string& statement, int64_t rows,
                                 const std::function<void()>& refuseShort);

}  // namespace morvane
