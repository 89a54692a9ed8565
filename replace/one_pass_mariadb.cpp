#include "replace/one_pass_mariadb.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "platform/rtl/exceptions.h"
#include "replace/builders.h"
#include "replace/plain_names.h"
#include "replace/replacement_messages.h"
#include "replace/replacement_run.h"
#include "replace/set_based_requests.h"
#include "replace/statement_progress_scope.h"
#include "replace/undo_script.h"
#include "server/database.h"
#include "server/sql_wait_cursor.h"

namespace morvane {

namespace {

// Rows per INSERT request when loading an undo file, and per page when
// reading the changed rows back: bounds the memory, whatever the run's size.
constexpr size_t kRowsPerRequest = 5000;
constexpr size_t kRowsPerPage = 20000;

constexpr char kDropTemps[] =
    "DROP TEMPORARY TABLE IF EXISTS morvane_map, morvane_expect, morvane_changed, morvane_undo";

// A column `name` holding a value's text that compares bytes, indexed by its
// first characters (a TEXT column takes no whole-value index).
std::string ExactTextColumn(const std::string& name) {
  return name + " TEXT CHARACTER SET utf8mb4 COLLATE utf8mb4_nopad_bin, INDEX (" + name + "(200))";
}

// The value's text as the server writes it: what the undo file and the
// messages show.
std::string Text(const std::string& expression) {
  return "CAST(" + expression + " AS CHAR CHARACTER SET utf8mb4)";
}

// The value's text compared byte by byte: "a", "A" and "a " differ whatever
// the column's collation; 3.50 and 3.5 in one DECIMAL column are one text.
std::string ExactText(const std::string& expression) {
  return Text(expression) + " COLLATE utf8mb4_nopad_bin";
}

// a and b, of one column type, hold the same value: the type's comparison
// (which keeps an index on either usable) and the same text.
std::string Same(const std::string& a, const std::string& b) {
  return a + " = " + b + " AND " + ExactText(a) + " = " + ExactText(b);
}

// The names and conditions every statement of a run shares.
struct Target {
  std::string table;      // T
  std::string fullField;  // T.f
  std::string fullKey;    // T.k, empty without a key
  std::string period;     // " AND <condition>", or empty

  // T, each row joined with the mapping row (m) of the value it holds.
  std::string JoinMapped() const {
    return table + " JOIN morvane_map m ON " + fullField + " = m.morvane_old AND " +
           ExactText(fullField) + " = m.morvane_text";
  }
  std::string WherePeriod() const { return period.empty() ? "" : " WHERE 1=1" + period; }
};

// The mapping typed like the field, with the text of each old value and the
// plan line of each pair; the table of changed rows; the expected keys, read
// now with their values.
std::string PrepareRequest(const Target& t, const ReplacementPlan& plan) {
  std::string request = std::string(kDropTemps) + ";\r\n";
  request +=
      "CREATE TEMPORARY TABLE morvane_map (morvane_line INT NOT NULL DEFAULT 0 PRIMARY KEY, " +
      ExactTextColumn("morvane_text") + ") ENGINE=InnoDB SELECT " + t.fullField +
      " AS morvane_old, " + t.fullField + " AS morvane_new FROM " + t.table + " WHERE 1=0;\r\n";
  std::vector<std::vector<std::string>> pairs;
  for (size_t index = 0; index < plan.lines.size(); ++index)
    pairs.push_back(
        {std::to_string(index), plan.lines[index].oldValue, plan.lines[index].newValue});
  for (size_t from = 0; from < pairs.size(); from += kRowsPerRequest) {
    const std::vector<std::vector<std::string>> chunk(
        pairs.begin() + long(from),
        pairs.begin() + long(std::min(pairs.size(), from + kRowsPerRequest)));
    request += "INSERT INTO morvane_map (morvane_line, morvane_old, morvane_new) VALUES " +
               ValuesList(chunk) + ";\r\n";
  }
  // The text of the typed value, as the field's own values give theirs.
  request += "UPDATE morvane_map SET morvane_text = " + Text("morvane_old") + ";\r\n";
  request +=
      "CREATE TEMPORARY TABLE morvane_changed (morvane_row INT AUTO_INCREMENT PRIMARY KEY, "
      "morvane_line INT NOT NULL, " +
      ExactTextColumn("morvane_key_text") + ") ENGINE=InnoDB;\r\n";
  if (!t.fullKey.empty()) {
    request += "CREATE TEMPORARY TABLE morvane_expect (" + ExactTextColumn("morvane_key_text") +
               ") ENGINE=InnoDB SELECT " + t.fullKey + " AS morvane_key, " + t.fullField +
               " AS morvane_old FROM " + t.table + " WHERE 1=0;\r\n";
    request += "INSERT INTO morvane_expect (morvane_key, morvane_key_text, morvane_old) SELECT " +
               t.fullKey + ", " + Text(t.fullKey) + ", " + t.fullField + " FROM " + t.JoinMapped() +
               t.WherePeriod() + ";\r\n";
  }
  return request;
}

// The run, in one transaction: the locking read of the rows to change, the
// UPDATE, and the expected keys checked off against the rows read.
constexpr int kCaptured = 0;  // its count is the rows the run changes
constexpr int kUpdated = 1;   // must match as many
constexpr int kExpected = 2;  // removes the expected keys that changed: all of them

std::string RunRequest(const Target& t) {
  std::string request = "INSERT INTO morvane_changed (morvane_key_text, morvane_line) SELECT " +
                        (t.fullKey.empty() ? std::string("NULL") : Text(t.fullKey)) +
                        ", m.morvane_line FROM " + t.JoinMapped() + t.WherePeriod() +
                        " FOR UPDATE;\r\n";
  request += "UPDATE " + t.JoinMapped() + " SET " + t.fullField + " = m.morvane_new" +
             t.WherePeriod() + ";\r\n";
  if (!t.fullKey.empty()) {
    request +=
        "DELETE FROM morvane_expect WHERE morvane_key_text IN (SELECT morvane_key_text FROM "
        "morvane_changed);\r\n";
  }
  return request;
}

// A key of the rows the run would change that the undo could not name
// exactly: empty, or held by more than one row of the table.
void RefuseInexactKeys(const Target& t) {
  const std::vector<std::vector<std::string>> missing =
      ReadRows("SELECT " + Text("morvane_old") +
               " AS v FROM morvane_expect WHERE morvane_key IS NULL "
               "LIMIT 1");
  if (!missing.empty()) DatabaseError(replacemsg::KeyMissing(t.fullKey, missing[0][0]));
  // The transport groups by the key's exact bytes, as the undo compares keys.
  const std::vector<std::vector<std::string>> twice =
      ReadRows("SELECT " + Text(t.fullKey) + " AS k FROM " + t.table + " WHERE " + t.fullKey +
               " IN (SELECT morvane_key FROM morvane_expect) GROUP BY " + t.fullKey +
               " HAVING COUNT(*) > 1 LIMIT 1");
  if (!twice.empty()) DatabaseError(replacemsg::KeyNotUnique(t.fullKey, twice[0][0]));
}

// After a rollback by the guard: a row that holds a mapped value now but
// whose key was not read, or one whose key was read but that no longer does.
std::string StrayRow(const Target& t) {
  std::vector<std::vector<std::string>> rows =
      ReadRows("SELECT " + Text(t.fullKey) + " AS k FROM " + t.JoinMapped() +
               " WHERE NOT EXISTS (SELECT 1 FROM morvane_expect e WHERE e.morvane_key_text = " +
               ExactText(t.fullKey) + ")" + t.period + " LIMIT 1");
  if (rows.empty()) {
    rows = ReadRows(
        "SELECT e.morvane_key_text AS k FROM morvane_expect e WHERE NOT EXISTS "
        "(SELECT 1 FROM " +
        t.JoinMapped() + " WHERE " + Same(t.fullKey, "e.morvane_key") + t.period + ") LIMIT 1");
  }
  return rows.empty() ? std::string() : rows[0][0];
}

// Streams the changed rows, page by page in the order they were read, into
// the undo file.
int64_t WriteUndoFile(const CMvCFG& cfg, const std::string& path) {
  const UndoScript header{cfg.SrcTbl, cfg.SrcFld, cfg.SUnFld, {}};
  const std::string partial = path + ".part";
  std::ofstream out(partial, std::ios::binary | std::ios::trunc);
  out << FormatUndoHeader(header);
  int64_t written = 0;
  std::string after = "0";
  for (;;) {
    const std::vector<std::vector<std::string>> page = ReadRows(
        "SELECT c.morvane_row AS r, c.morvane_key_text AS k, m.morvane_text AS o, " +
        Text("m.morvane_new") +
        " AS n FROM morvane_changed c JOIN morvane_map m ON m.morvane_line = c.morvane_line "
        "WHERE c.morvane_row > " +
        after + " ORDER BY c.morvane_row LIMIT " + std::to_string(kRowsPerPage));
    for (const std::vector<std::string>& row : page)
      out << FormatUndoRow(header, {row[1], row[2], row[3]});
    written += int64_t(page.size());
    if (page.size() < kRowsPerPage) break;
    after = page.back()[0];
  }
  out.close();
  if (!out || std::rename(partial.c_str(), path.c_str()) != 0) {
    std::remove(partial.c_str());
    DatabaseError("Не удалось записать файл отмены " + path);
  }
  return written;
}

}  // namespace

OnePassOutcome RunOnePassMariaDB(const CMvCFG& cfg, CPeriod& period, const ReplacementPlan& plan,
                                 const OnePassOptions& options) {
  OnePassOutcome outcome;
  outcome.rowsPerLine.assign(plan.lines.size(), 0);
  Target t{cfg.SrcTbl, cfg.SrcFullFld, cfg.SUnFld.empty() ? "" : cfg.SrcFullKey, {}};
  if (cfg.AWFld) {
    const std::string condition = PeriodCondition(cfg, period);
    if (!condition.empty()) t.period = " AND " + condition;
  }
  const TemporaryTablesScope temps(kDropTemps);
  if (!t.fullKey.empty()) {
    try {
      ReadRows("SELECT " + t.fullKey + " FROM " + t.table + " WHERE 1=0");
    } catch (const EDatabaseError& error) {
      DatabaseError(replacemsg::CannotRead(t.fullKey, error.what()));
    }
  }
  SendRequest(PrepareRequest(t, plan), cfg.SrcFullFld);
  int64_t expected = -1;
  if (!t.fullKey.empty()) {
    expected = zelDB().RowsChanged().empty() ? -1 : zelDB().RowsChanged().back();
    RefuseInexactKeys(t);
  }
  if (options.afterCapture) options.afterCapture();

  int64_t captured = -1;
  bool guardStopped = false;
  TzelDatabase::StatementProgress handler = [&](int done, int total, int64_t rowsChanged) {
    const int index = done - 1;
    if (index == kCaptured) captured = rowsChanged;
    const bool exact = (index != kUpdated || rowsChanged == captured) &&
                       (index != kExpected || (rowsChanged == expected && captured == expected));
    if (!exact) {
      guardStopped = true;
      return false;
    }
    return !options.progress || options.progress(size_t(done), size_t(total));
  };
  bool accepted;
  {
    const StatementProgressScope scope(std::move(handler));
    if (!scope.Installed())
      DatabaseError(replacemsg::kFailedWhole + std::string(replacemsg::kNoStatementReport));
    SqlWaitCursor waitCursor;
    accepted = zelDB().UpdateToServer(RunRequest(t));
  }
  if (!accepted) {
    if (guardStopped) {
      outcome.changedSinceRead = true;
      outcome.message = replacemsg::ChangedRowSinceRead(t.fullKey.empty() ? "" : StrayRow(t));
    } else if (zelDB().Cancelled()) {
      outcome.cancelled = true;
      outcome.message = replacemsg::kCancelledWhole;
    } else {
      outcome.message = replacemsg::kFailedWhole + replacemsg::OneLine(zelDB().LastErrorText());
    }
    return outcome;
  }
  outcome.applied = true;
  for (const std::vector<std::string>& row : ReadRows(
           "SELECT morvane_line AS l, COUNT(*) AS n FROM morvane_changed GROUP BY morvane_line")) {
    const size_t line = size_t(std::strtoul(row[0].c_str(), nullptr, 10));
    if (line < outcome.rowsPerLine.size())
      outcome.rowsPerLine[line] = std::strtoll(row[1].c_str(), nullptr, 10);
  }
  if (!t.fullKey.empty() && !options.undoFile.empty())
    outcome.undoRows = WriteUndoFile(cfg, options.undoFile);
  return outcome;
}

ExecutionResult RunUndoMariaDB(const std::string& undoFile) {
  UndoFileReader reader;
  UndoScript header;
  std::string problem;
  if (!reader.Open(undoFile, header, problem)) DatabaseError(problem);
  for (const std::string* name : {&header.table, &header.field, &header.keyField})
    CheckPlainName(*name);
  const std::string fullField = header.table + "." + header.field;
  const std::string fullKey = header.table + "." + header.keyField;

  const TemporaryTablesScope temps(kDropTemps);
  SendRequest(std::string(kDropTemps) +
                  ";\r\nCREATE TEMPORARY TABLE morvane_undo ENGINE=InnoDB SELECT " + fullKey +
                  " AS morvane_key, " + fullField + " AS morvane_restored, " + fullField +
                  " AS morvane_replaced FROM " + header.table + " WHERE 1=0",
              fullField);
  int64_t rows = 0;
  std::vector<std::vector<std::string>> chunk;
  const auto flush = [&] {
    if (chunk.empty()) return;
    SendRequest(
        "INSERT INTO morvane_undo (morvane_key, morvane_restored, morvane_replaced) VALUES " +
            ValuesList(chunk),
        fullKey);
    chunk.clear();
  };
  UndoRow row;
  int read;
  while ((read = reader.Next(row, problem)) > 0) {
    chunk.push_back({row.key, row.restoredValue, row.replacedValue});
    ++rows;
    if (chunk.size() >= kRowsPerRequest) flush();
  }
  if (read < 0) DatabaseError(problem);
  flush();

  // A key the file names twice, or that the table holds in several rows,
  // would put back rows the replacement never touched. The transport groups
  // by exact bytes, as the statement below compares keys.
  const std::vector<std::vector<std::string>> twice =
      ReadRows("SELECT " + Text("morvane_key") +
               " AS k FROM morvane_undo GROUP BY morvane_key HAVING COUNT(*) > 1 LIMIT 1");
  if (!twice.empty()) DatabaseError(replacemsg::KeyNotUnique(fullKey, twice[0][0]));
  const std::vector<std::vector<std::string>> shared =
      ReadRows("SELECT " + Text(fullKey) + " AS k FROM " + header.table + " WHERE " + fullKey +
               " IN (SELECT morvane_key FROM morvane_undo) GROUP BY " + fullKey +
               " HAVING COUNT(*) > 1 LIMIT 1");
  if (!shared.empty()) DatabaseError(replacemsg::KeyNotUnique(fullKey, shared[0][0]));
  const std::string restorable =
      Same(fullKey, "u.morvane_key") + " AND " + Same(fullField, "u.morvane_replaced");
  const std::string changedSinceQuery = "SELECT " + Text("u.morvane_key") +
                                        " AS k FROM morvane_undo u WHERE NOT EXISTS (SELECT 1 "
                                        "FROM " +
                                        header.table + " WHERE " + restorable +
                                        ") ORDER BY u.morvane_key";
  const auto refuseChanged = [&] {
    std::vector<std::string> keys;
    for (const std::vector<std::string>& changed : ReadRows(changedSinceQuery))
      keys.push_back(changed[0]);
    if (!keys.empty()) DatabaseError(ChangedSinceMessage(keys));
  };
  refuseChanged();

  ExecutionResult result;
  const std::string statement = "UPDATE " + header.table + " JOIN morvane_undo u ON " + restorable +
                                " SET " + fullField + " = u.morvane_restored";
  result.statements.push_back({1, statement, false, -1, {}});
  bool guardStopped = false;
  bool accepted;
  {
    // Every row of the file, or none: a row changed after the check above
    // makes the count fall short, and the undo is rolled back.
    const StatementProgressScope scope([&](int done, int, int64_t changed) {
      if (done == 1 && changed != rows) guardStopped = true;
      return !guardStopped;
    });
    if (!scope.Installed())
      DatabaseError(replacemsg::kFailedWhole + std::string(replacemsg::kNoStatementReport));
    SqlWaitCursor waitCursor;
    accepted = zelDB().UpdateToServer(statement);
  }
  if (!accepted) {
    if (guardStopped) refuseChanged();
    result.message = replacemsg::kFailedWhole + replacemsg::OneLine(zelDB().LastErrorText());
    return result;
  }
  result.applied = true;
  result.statements[0].ran = true;
  result.statements[0].rowsChanged = rows;
  return result;
}

}  // namespace morvane
