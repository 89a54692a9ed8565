#include "replace/replacement_run.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <unordered_map>
#include <unordered_set>

#include "engine/zelconst.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/text.h"
#include "replace/builders.h"
#include "replace/mapping_file.h"
#include "replace/one_pass.h"
#include "replace/plain_names.h"
#include "replace/replacement_messages.h"
#include "replace/sql_value_text.h"
#include "replace/statement_progress_scope.h"
#include "server/database.h"
#include "server/sql_wait_cursor.h"
#include "server/table.h"

namespace morvane {

namespace {

// What one request gave back.
struct RequestOutcome {
  bool accepted = false;
  bool cancelled = false;            // by the statement handler: nothing took effect
  std::vector<int64_t> rowsChanged;  // per statement, when the reply says
  int failedStatement = -1;          // from 0, when the reply says
  std::string errorText;             // the server's reason, when it says
};

RequestOutcome SendRequest(const std::string& text) {
  TzelDatabase& session = zelDB();
  RequestOutcome outcome;
  SqlWaitCursor waitCursor;
  outcome.accepted = session.UpdateToServer(text);
  outcome.cancelled = !outcome.accepted && session.Cancelled();
  outcome.rowsChanged = session.RowsChanged();
  outcome.failedStatement = session.FailedStatement();
  if (!outcome.accepted) outcome.errorText = session.LastErrorText();
  return outcome;
}

// Inside the transaction of an all-or-nothing run: false when statement
// `index` changed another number of rows than it was expected to, which
// cancels the run.
using StatementGuard = std::function<bool(size_t index, int64_t rowsChanged)>;

// The server's message without the statement the transport quotes after it
// ("\r\nSQL: ..."), for messages that name the line themselves.
std::string WithoutQuotedStatement(const std::string& reason) {
  const size_t quoted = reason.find("\r\nSQL: ");
  return quoted == std::string::npos ? reason : reason.substr(0, quoted);
}

// Statements of one request: each ends with a semicolon, so that no line
// break rule of the transport can join or split them.
std::string OneRequest(const std::vector<std::string>& statements) {
  std::string request;
  for (const std::string& statement : statements) {
    request += statement;
    request += ";\r\n";
  }
  return request;
}

std::vector<LoggedStatement> Unsent(const std::vector<std::string>& statements,
                                    const std::vector<int>& lines) {
  std::vector<LoggedStatement> logged;
  logged.reserve(statements.size());
  for (size_t index = 0; index < statements.size(); ++index) {
    const int line = index < lines.size() ? lines[index] : int(index) + 1;
    logged.push_back({line, statements[index], false, -1, {}});
  }
  return logged;
}

int64_t Sum(const std::vector<int64_t>& counts) {
  int64_t total = 0;
  for (const int64_t count : counts) {
    if (count > 0) total += count;
  }
  return total;
}

std::string ReasonOf(const RequestOutcome& outcome) {
  return outcome.errorText.empty() ? std::string(zelconst::_Z_ERRUPDATESERVER) : outcome.errorText;
}

std::string OutcomeText(const ExecutionResult& result) {
  if (result.cancelled) {
    const size_t done = size_t(std::count_if(result.statements.begin(), result.statements.end(),
                                             [](const LoggedStatement& s) { return s.ran; }));
    return done == 0 ? std::string(replacemsg::kCancelledWhole)
                     : replacemsg::CancelledAfter(done, result.statements.size());
  }
  const size_t failed =
      size_t(std::count_if(result.statements.begin(), result.statements.end(),
                           [](const LoggedStatement& s) { return !s.error.empty(); }));
  if (result.applied) {
    const bool counted = std::all_of(result.statements.begin(), result.statements.end(),
                                     [](const LoggedStatement& s) { return s.rowsChanged >= 0; });
    return replacemsg::Applied(counted ? result.TotalRowsChanged() : -1);
  }
  if (failed > 0 && failed < result.statements.size() &&
      std::any_of(result.statements.begin(), result.statements.end(),
                  [](const LoggedStatement& s) { return s.ran && s.error.empty(); })) {
    return replacemsg::AppliedWithErrors(failed);
  }
  return result.message;
}

// Undo rows of the lines that took effect; the others still hold their old
// value, and the check before an undo would take them for changed rows.
UndoScript UndoOfAppliedLines(const UndoScript& undo, const std::vector<CapturedRow>& captured,
                              const ReplacementPlan& plan, const ExecutionResult& result) {
  std::unordered_set<std::string_view> applied;
  for (size_t index = 0; index < plan.lines.size() && index < result.statements.size(); ++index) {
    const LoggedStatement& statement = result.statements[index];
    if (statement.ran && statement.error.empty()) applied.insert(plan.lines[index].oldValue);
  }
  UndoScript kept{undo.table, undo.field, undo.keyField, {}};
  // The undo has one row per captured row, in the same order.
  for (size_t index = 0; index < undo.rows.size() && index < captured.size(); ++index) {
    if (applied.count(captured[index].PlanValue()) != 0) kept.rows.push_back(undo.rows[index]);
  }
  return kept;
}

// The period the plan's statements carry, for the log's mapping file.
MappingPeriod PeriodOfRun(const CMvCFG& cfg, CPeriod& period) {
  if (!cfg.AWFld || cfg.SrcFullDate.empty()) return {};
  if (period.DateTo == 0) PeriodCondition(cfg, period);
  return {cfg.SrcFullDate, period.DateFrom, period.DateTo};
}

std::vector<ReplacementPair> PairsInMappingOrder(const ReplacementPlan& plan) {
  std::vector<ReplacementPair> pairs;
  for (const ReplacementLine& line : plan.lines)
    pairs.push_back({line.oldValue, line.newValue, line.line});
  std::stable_sort(
      pairs.begin(), pairs.end(),
      [](const ReplacementPair& a, const ReplacementPair& b) { return a.line < b.line; });
  return pairs;
}

}  // namespace

int64_t ExecutionResult::TotalRowsChanged() const {
  int64_t total = 0;
  for (const LoggedStatement& statement : statements) {
    if (statement.rowsChanged > 0) total += statement.rowsChanged;
  }
  return total;
}

std::vector<CapturedRow> ReadKeyValueRows(const std::string& query) {
  TzelTable table;
  table.SetSQLText(query);
  table.Open();
  // Values in the server's own text form (decimal point, ISO dates), as SQL
  // literals need them, whatever the user's locale.
  const bool matched = table.Fields().Count() > 2;
  std::vector<CapturedRow> rows;
  rows.reserve(size_t(std::max(table.RecordCount(), 0)));
  for (table.First(); !table.Eof(); table.Next()) {
    rows.push_back({SqlValueText(*table.Fields()[0]), SqlValueText(*table.Fields()[1]),
                    matched ? SqlValueText(*table.Fields()[2]) : std::string()});
  }
  table.Close();
  return rows;
}

std::vector<int64_t> CountRowsToChange(const CMvCFG& cfg, CPeriod& period,
                                       const ReplacementPlan& plan) {
  if (plan.lines.empty()) return {};
  // The server decides which line each row belongs to, with the column's own
  // comparison (a char(n) pads, a NUMERIC compares numbers, a date reads its
  // literal): the first line, in plan order, whose old value equals the
  // row's, as the statements will find them. Comparing texts on the client
  // would count another set of rows than the execution changes.
  std::string lineOf = "CASE";
  std::string oldValues;
  for (size_t index = 0; index < plan.lines.size(); ++index) {
    const std::string literal = QuotedStr(plan.lines[index].oldValue);
    lineOf += " WHEN " + cfg.SrcFullFld + " = " + literal + " THEN " + std::to_string(index);
    oldValues += (index > 0 ? ", " : "") + literal;
  }
  std::string query = "SELECT line_no, COUNT(*) AS n FROM (SELECT " + lineOf +
                      " END AS line_no FROM " + cfg.SrcTbl + " WHERE " + cfg.SrcFullFld + " IN (" +
                      oldValues + ")";
  if (cfg.AWFld) {
    const std::string condition = PeriodCondition(cfg, period);
    if (!condition.empty()) query += " AND " + condition;
  }
  query += ") matched GROUP BY line_no";
  std::vector<CapturedRow> groups;
  try {
    groups = ReadKeyValueRows(query);
  } catch (const EDatabaseError& error) {
    DatabaseError(replacemsg::CannotRead(cfg.SrcFullFld, error.what()));
  }
  std::vector<int64_t> counts(plan.lines.size(), 0);
  for (const CapturedRow& group : groups) {
    const long long line = std::strtoll(group.key.c_str(), nullptr, 10);
    if (!group.key.empty() && line >= 0 && size_t(line) < counts.size()) {
      counts[size_t(line)] = std::strtoll(group.value.c_str(), nullptr, 10);
    }
  }
  return counts;
}

namespace {

// Where the guard stopped a run: the statement, and the rows it changed.
struct GuardStop {
  int index = -1;
  int64_t rowsChanged = 0;
};

ExecutionResult ExecuteWhole(const std::vector<std::string>& statements,
                             const std::vector<int>& lines, const ExecutionProgress& progress,
                             const StatementGuard& guard, GuardStop& guardStop) {
  ExecutionResult result;
  result.statements = Unsent(statements, lines);
  if (statements.empty()) {
    result.applied = true;
    return result;
  }
  TzelDatabase::StatementProgress handler;
  if (progress || guard) {
    handler = [&](int done, int total, int64_t rowsChanged) {
      // A statement the transport split further (a line holding two) makes
      // the positions meaningless for the guard; the counts still show.
      if (guard && size_t(total) == statements.size() && done >= 1 &&
          !guard(size_t(done - 1), rowsChanged)) {
        guardStop = {done - 1, rowsChanged};
        return false;
      }
      return !progress || progress(size_t(done), size_t(total));
    };
  }
  RequestOutcome outcome;
  {
    const StatementProgressScope scope(std::move(handler));
    outcome = SendRequest(OneRequest(statements));
  }
  if (outcome.cancelled && guardStop.index < 0) {
    result.cancelled = true;
    result.message = replacemsg::kCancelledWhole;
    return result;
  }
  if (outcome.cancelled) return result;  // the caller words the guard's stop
  if (outcome.accepted) {
    result.applied = true;
    const bool counted = outcome.rowsChanged.size() == statements.size();
    for (size_t index = 0; index < statements.size(); ++index) {
      result.statements[index].ran = true;
      if (counted) result.statements[index].rowsChanged = outcome.rowsChanged[index];
    }
    return result;
  }
  const std::string reason = ReasonOf(outcome);
  const int failed = outcome.failedStatement;
  if (failed >= 0 && size_t(failed) < statements.size()) {
    LoggedStatement& statement = result.statements[size_t(failed)];
    statement.error = WithoutQuotedStatement(reason);
    result.message = replacemsg::FailedLine(statement.line, statement.sql, statement.error);
  } else {
    result.message = replacemsg::kFailedWhole + replacemsg::OneLine(reason);
  }
  return result;
}

}  // namespace

ExecutionResult ExecuteAllOrNothing(const std::vector<std::string>& statements,
                                    const std::vector<int>& lines,
                                    const ExecutionProgress& progress) {
  GuardStop unused;
  return ExecuteWhole(statements, lines, progress, {}, unused);
}

ExecutionResult ExecuteLineByLine(const std::vector<std::string>& statements,
                                  const std::vector<int>& lines,
                                  const ExecutionProgress& progress) {
  ExecutionResult result;
  result.statements = Unsent(statements, lines);
  size_t failed = 0;
  for (size_t index = 0; index < statements.size(); ++index) {
    LoggedStatement& statement = result.statements[index];
    const RequestOutcome outcome = SendRequest(statement.sql);
    statement.ran = true;
    if (outcome.accepted) {
      if (!outcome.rowsChanged.empty()) statement.rowsChanged = Sum(outcome.rowsChanged);
    } else {
      statement.error = WithoutQuotedStatement(ReasonOf(outcome));
      ++failed;
    }
    if (progress && !progress(index + 1, statements.size()) && index + 1 < statements.size()) {
      result.cancelled = true;
      break;
    }
  }
  result.applied = failed == 0 && !result.cancelled;
  if (failed > 0) result.message = replacemsg::AppliedWithErrors(failed);
  return result;
}

std::string SessionDatabaseName() {
  // "OK: 2 SQLite 3.40.1; /srv/stock.db": the status part goes, and so does a
  // notice for the user on the lines after the first.
  const std::string& fullReply = zelDB().ReplyText();
  const std::string reply = fullReply.substr(0, fullReply.find('\n'));
  if (reply.compare(0, 4, "OK: ") == 0) {
    const size_t afterDialect = reply.find(' ', 4);
    if (afterDialect != std::string::npos) return reply.substr(afterDialect + 1);
  }
  return reply;
}

namespace {
ReplacementRun RunOnePassLogged(const CMvCFG& cfg, CPeriod& period, const ReplacementPlan& plan,
                                const ReplacementRunOptions& options, SetDialect dialect,
                                const ReplacementLog& log, ReplacementLogEntry& entry);
// The outcome, the statements and the log entry of a run that has executed.
void FinishLogEntry(ReplacementRun& run, const ReplacementLog& log, ReplacementLogEntry& entry);
}  // namespace

ReplacementRun RunReplacement(const CMvCFG& cfg, CPeriod& period, const ReplacementPlan& plan,
                              const ReplacementRunOptions& options) {
  const ReplacementLog log(options.logFolder.empty() ? DefaultReplacementLogFolder()
                                                     : options.logFolder);
  ReplacementRun run;
  ReplacementLogEntry entry;
  entry.time = std::time(nullptr);
  entry.settingName = cfg.CfgName;
  entry.database = options.database.empty() ? SessionDatabaseName() : options.database;
  entry.allOrNothing = options.allOrNothing;

  const SetDialect dialect = options.allOrNothing ? SessionSetDialect() : SetDialect::kNone;
  if (dialect != SetDialect::kNone)
    return RunOnePassLogged(cfg, period, plan, options, dialect, log, entry);

  UndoScript undo;
  std::vector<CapturedRow> rows;
  bool withUndo = false;
  if (cfg.SUnFld.empty()) {
    entry.undoNote = replacemsg::kNoKeyField;
  } else if (!plan.lines.empty()) {
    try {
      rows = ReadKeyValueRows(CaptureQuery(cfg, period, plan));
    } catch (const EDatabaseError& error) {
      DatabaseError(replacemsg::CannotRead(cfg.SrcFullKey, error.what()));
    }
    std::string problem;
    if (!TryBuildUndoScript(cfg, plan, rows, undo, problem)) DatabaseError(problem);
    withUndo = true;
    std::unordered_map<std::string_view, int64_t> perValue;
    for (const CapturedRow& row : rows) ++perValue[row.PlanValue()];
    for (const ReplacementLine& line : plan.lines) run.capturedRows.push_back(perValue[line.oldValue]);
  }
  if (options.afterCapture) options.afterCapture();

  run.files = log.NameFiles(cfg.CfgName, entry.time);
  log.WriteFile(run.files.mapping,
                FormatMappingFile(PairsInMappingOrder(plan), PeriodOfRun(cfg, period)));
  if (withUndo) log.WriteFile(run.files.undo, FormatUndoScript(undo));

  std::vector<int> lines;
  for (const ReplacementLine& line : plan.lines) lines.push_back(line.line);
  if (options.allOrNothing) {
    // Every line must change exactly the rows read for its undo; a row given
    // a mapped value in between would be changed and missing from the undo.
    StatementGuard guard;
    if (withUndo) {
      guard = [&run](size_t index, int64_t rowsChanged) {
        return index >= run.capturedRows.size() || rowsChanged < 0 ||
               rowsChanged == run.capturedRows[index];
      };
    }
    GuardStop stop;
    run.result = ExecuteWhole(plan.Statements(), lines, options.progress, guard, stop);
    if (stop.index >= 0) {
      run.changedSinceRead = true;
      run.result.message =
          replacemsg::ChangedSinceRead(run.result.statements[size_t(stop.index)].line,
                                       run.capturedRows[size_t(stop.index)], stop.rowsChanged);
    }
  } else {
    run.result = options.lineByLine ? options.lineByLine(plan.Statements(), lines, options.progress)
                                    : ExecuteLineByLine(plan.Statements(), lines, options.progress);
  }

  if (withUndo) {
    // A line that changed other rows than were read before had company: a
    // row given its value in between is not in the undo script.
    for (size_t index = 0; index < run.result.statements.size(); ++index) {
      const int64_t changed = run.result.statements[index].rowsChanged;
      if (changed >= 0 && changed != run.capturedRows[index]) run.undoExact = false;
    }
    const UndoScript kept = UndoOfAppliedLines(undo, rows, plan, run.result);
    if (kept.rows.empty()) {
      std::remove(run.files.undo.c_str());
      entry.undoNote = replacemsg::kNothingApplied;
    } else {
      if (kept.rows.size() != undo.rows.size())
        log.WriteFile(run.files.undo, FormatUndoScript(kept));
      entry.undoFile = run.files.undo;
    }
  }
  if (entry.undoFile.empty()) run.files.undo.clear();
  FinishLogEntry(run, log, entry);
  return run;
}

namespace {

ReplacementRun RunOnePassLogged(const CMvCFG& cfg, CPeriod& period, const ReplacementPlan& plan,
                                const ReplacementRunOptions& options, SetDialect dialect,
                                const ReplacementLog& log, ReplacementLogEntry& entry) {
  ReplacementRun run;
  run.files = log.NameFiles(cfg.CfgName, entry.time);
  log.WriteFile(run.files.mapping,
                FormatMappingFile(PairsInMappingOrder(plan), PeriodOfRun(cfg, period)));
  OnePassOptions onePass;
  if (!cfg.SUnFld.empty()) onePass.undoFile = run.files.undo;
  onePass.progress = options.progress;
  onePass.afterCapture = options.afterCapture;
  OnePassOutcome outcome;
  try {
    outcome = RunOnePass(cfg, period, plan, dialect, onePass);
  } catch (const EDatabaseError&) {
    // Refused before anything changed: no trace of a run that never was.
    std::remove(run.files.mapping.c_str());
    std::remove(run.files.undo.c_str());
    throw;
  }
  std::vector<int> lines;
  for (const ReplacementLine& line : plan.lines) lines.push_back(line.line);
  run.result.statements = Unsent(plan.Statements(), lines);
  if (!outcome.applied && !outcome.cancelled && !outcome.changedSinceRead) {
    // The server refused the statement: find the line it refuses by running
    // the plan's own lines in a transaction that is always rolled back.
    GuardStop stop;
    const size_t last = plan.lines.size() - 1;
    const ExecutionResult located = ExecuteWhole(
        plan.Statements(), lines, {}, [last](size_t index, int64_t) { return index != last; },
        stop);
    for (const LoggedStatement& statement : located.statements) {
      if (!statement.error.empty()) {
        outcome.message = located.message;
        run.result.statements = located.statements;
        break;
      }
    }
  }
  run.result.applied = outcome.applied;
  run.result.cancelled = outcome.cancelled;
  run.result.message = outcome.message;
  run.changedSinceRead = outcome.changedSinceRead;
  if (outcome.applied) {
    for (size_t index = 0; index < plan.lines.size(); ++index) {
      run.result.statements[index].ran = true;
      run.result.statements[index].rowsChanged = outcome.rowsPerLine[index];
    }
  }
  if (!cfg.SUnFld.empty()) run.capturedRows = outcome.rowsPerLine;
  if (cfg.SUnFld.empty()) {
    entry.undoNote = replacemsg::kNoKeyField;
    run.files.undo.clear();
  } else if (!outcome.applied || outcome.undoRows == 0) {
    std::remove(run.files.undo.c_str());
    run.files.undo.clear();
    entry.undoNote = replacemsg::kNothingApplied;
  } else {
    entry.undoFile = run.files.undo;
  }
  FinishLogEntry(run, log, entry);
  return run;
}

}  // namespace

namespace {

void FinishLogEntry(ReplacementRun& run, const ReplacementLog& log, ReplacementLogEntry& entry) {
  entry.mappingFile = run.files.mapping;
  entry.outcome = OutcomeText(run.result);
  if (!run.undoExact) entry.outcome += "; " + std::string(replacemsg::kUndoNotExact);
  entry.statements = run.result.statements;
  // The statements have run: a log that cannot be written must not turn
  // what happened into a failure, so the caller is told beside the result.
  try {
    log.Append(entry);
    run.logFile = log.LogFile();
  } catch (const Exception& error) {
    run.logProblem = error.what();
  }
}

}  // namespace

ExecutionResult RunUndoFile(const std::string& undoFile, const std::string& logFolder) {
  const SetDialect dialect = SessionSetDialect();
  if (dialect != SetDialect::kNone) {
    ReplacementLogEntry entry;
    entry.time = std::time(nullptr);
    entry.database = SessionDatabaseName();
    entry.undoNote = replacemsg::UndoOf(undoFile);
    ExecutionResult result = RunUndoSetBased(undoFile, dialect);
    UndoScript header;
    std::string problem;
    UndoFileReader().Open(undoFile, header, problem);
    entry.settingName = header.table + "." + header.field;
    entry.outcome = replacemsg::UndoOf(undoFile) + ": " + OutcomeText(result);
    entry.statements = result.statements;
    try {
      ReplacementLog(logFolder.empty() ? DefaultReplacementLogFolder() : logFolder).Append(entry);
    } catch (const Exception& error) {
      if (result.applied) result.message = error.what();
    }
    return result;
  }
  const std::vector<char> bytes = ReadWholeFile(undoFile);
  UndoScript undo;
  std::string problem;
  if (!TryParseUndoScript(std::string_view(bytes.data(), bytes.size()), undo, problem)) {
    DatabaseError(problem);
  }
  for (const std::string* name : {&undo.table, &undo.field, &undo.keyField}) CheckPlainName(*name);
  if (!undo.rows.empty()) {
    const std::vector<std::string> changed =
        RowsChangedSince(undo, ReadKeyValueRows(CheckQuery(undo)));
    if (!changed.empty()) DatabaseError(ChangedSinceMessage(changed));
  }
  ReplacementLogEntry entry;
  entry.time = std::time(nullptr);
  entry.settingName = undo.table + "." + undo.field;
  entry.database = SessionDatabaseName();
  entry.undoNote = replacemsg::UndoOf(undoFile);
  ExecutionResult result = ExecuteAllOrNothing(undo.Statements());
  entry.outcome = replacemsg::UndoOf(undoFile) + ": " + OutcomeText(result);
  // A row changed between the check and the undo is left as it is by its
  // guarded statement: say which.
  std::vector<std::string> skipped;
  for (size_t index = 0; index < result.statements.size(); ++index) {
    if (result.statements[index].rowsChanged == 0) skipped.push_back(undo.rows[index].key);
  }
  if (result.applied && !skipped.empty()) {
    result.message = NotRestoredMessage(skipped);
    entry.outcome += "; " + result.message;
  }
  entry.statements = result.statements;
  try {
    ReplacementLog(logFolder.empty() ? DefaultReplacementLogFolder() : logFolder).Append(entry);
  } catch (const Exception& error) {
    // The undo has run; only the log entry is missing, and the caller says so.
    if (result.applied)
      result.message += (result.message.empty() ? "" : "; ") + std::string(error.what());
  }
  return result;
}

}  // namespace morvane
