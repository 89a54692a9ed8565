// Running replacements through the process session zelDB: the counts for the
// preview, execution all-or-nothing or line by line, the exact undo, and the
// log entry of every execution. No Qt: the wizard's step 3 and morvane-data
// apply and undo share it.
//
// Preview (step 3, the dry run of apply):
//
//   std::vector<int64_t> rows = CountRowsToChange(cfg, period, plan);  // one per plan line
//
// Execution with its undo and log (the check box "Выполнить как одно целое"
// chooses allOrNothing):
//
//   ReplacementRunOptions options;
//   options.allOrNothing = checkBox.checked;
//   options.progress = [&](size_t done, size_t total) { bar.set(done, total); return !cancelled; };
//   ReplacementRun run = RunReplacement(cfg, period, plan, options);
//   if (!run.result.applied) show(run.result.message);
//   run.files.undo          // the undo script, when the setting names a key field
//
// Undo (the button "Отменить последнюю замену", after the operator confirmed):
//
//   ExecutionResult undone = RunUndoFile(run.files.undo);  // raises when refused
//
// Every function sends through zelDB() and expects it connected; database
// errors (lost connection, refused query) are raised as EDatabaseError with
// the message to show, after the log entry has been written where there is
// one. Single GUI thread, like the session.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "replace/mv_cfg.h"
#include "replace/period.h"
#include "replace/replacement_log.h"
#include "replace/replacement_plan.h"
#include "replace/undo_script.h"

namespace morvane {

// The rows each plan line will change, in plan order, from one grouped query
// (the lines' current values as they stand now). Raises EDatabaseError naming
// the table and field when the query is refused (a table or field that does
// not exist).
std::vector<int64_t> CountRowsToChange(const CMvCFG& cfg, CPeriod& period,
                                       const ReplacementPlan& plan);

// Runs a query whose first two columns are a key and a value, and gives
// them as texts (numbers with '.', as SQL literals need them).
std::vector<CapturedRow> ReadKeyValueRows(const std::string& query);

struct ExecutionResult {
  bool applied = false;  // all-or-nothing: everything took effect; line by line: no line failed
  // The progress callback stopped the run: line by line after its current
  // line, all-or-nothing before its commit (nothing took effect).
  bool cancelled = false;
  std::vector<LoggedStatement> statements;  // in the order given
  std::string message;                      // when not applied: what failed and why

  int64_t TotalRowsChanged() const;
};

// Called after each statement: line by line after its request, false
// stopping after that line; all-or-nothing while the request's transaction
// is open, false rolling the whole request back. All-or-nothing calls it only
// when the transport can report statements (TzelDatabase::CanReportProgress);
// it runs inside the blocking send, so a request it sends is refused.
using ExecutionProgress = std::function<bool(size_t done, size_t total)>;

// One request holding every statement: the transport runs it as one
// transaction, so either all take effect or none. lines: the line of each
// statement for messages and the log (1, 2, ... when empty). A progress
// callback that returns false cancels: the result is `cancelled`, nothing
// took effect.
ExecutionResult ExecuteAllOrNothing(const std::vector<std::string>& statements,
                                    const std::vector<int>& lines = {},
                                    const ExecutionProgress& progress = {});
// One request per statement, in order; a failed line is recorded and the
// next one follows, as the wizard's written execution does.
ExecutionResult ExecuteLineByLine(const std::vector<std::string>& statements,
                                  const std::vector<int>& lines = {},
                                  const ExecutionProgress& progress = {});

struct ReplacementRunOptions {
  bool allOrNothing = true;
  ExecutionProgress progress;
  // Line by line: sends the statements instead of ExecuteLineByLine (the
  // wizard sends each through FreeSQL, as its written execution does).
  std::function<ExecutionResult(const std::vector<std::string>& statements,
                                const std::vector<int>& lines, const ExecutionProgress& progress)>
      lineByLine;
  std::string logFolder;       // empty: DefaultReplacementLogFolder()
  std::string database;        // as the log names it; empty: from the session's init reply
  // Called after the rows for the undo were read and before anything is
  // executed: where another session's change would slip in (tests make one).
  std::function<void()> afterCapture;
};

struct ReplacementRun {
  ExecutionResult result;
  ExecutionFiles files;  // files.undo is empty when no undo script was written
  std::string logFile;     // empty when the entry could not be written:
  std::string logProblem;  // then why (the statements have run all the same)
  std::vector<int64_t> capturedRows;  // per plan line: rows read before executing (with a key)
  // False when a line changed another number of rows than were read before
  // it ran: another session changed the table in between, and the undo
  // script misses the rows it gave a mapped value meanwhile.
  bool undoExact = true;
  // All-or-nothing with an undo: a line was about to change another number
  // of rows than were read, so the run was cancelled before its commit and
  // nothing took effect (result.message says so).
  bool changedSinceRead = false;
};

// Reads the rows the plan will change when the setting names a key field
// (SUnFld) and writes their undo script, writes the plan's pairs as the
// mapping file, executes the plan, and appends the log entry (setting name
// cfg.CfgName). Refuses (EDatabaseError, nothing sent) when the undo script
// cannot be exact (a key that is not unique or empty). The undo script keeps
// only the rows of lines that took effect; when none did, it is removed.
// All-or-nothing with an undo guards it: each line must change exactly the
// rows read for it, or the whole run is rolled back (changedSinceRead); a
// transport that cannot report statements leaves only the check afterwards
// (undoExact), as line by line has.
ReplacementRun RunReplacement(const CMvCFG& cfg, CPeriod& period, const ReplacementPlan& plan,
                              const ReplacementRunOptions& options = {});

// Reads an undo script, refuses (EDatabaseError naming the rows) when a row
// was changed since the replacement, otherwise runs it all-or-nothing and
// logs it. An applied result's message names rows changed between the check
// and the undo (left as they were) and a log that could not be written.
// logFolder empty: the default folder.
ExecutionResult RunUndoFile(const std::string& undoFile, const std::string& logFolder = {});

// The database as the log names it: the session's init reply without its
// "OK: n " status part.
std::string SessionDatabaseName();

}  // namespace morvane
