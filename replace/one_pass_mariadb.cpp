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
  request +=
      MappingInserts(plan, "INSERT INTO morvane_map (morvane_line, morvane_old, morvane_new) ");
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
               " AS v FROM morvane_expect WHERE morvane_key IS NULL LIMIT 1");
  if (!missing.empty()) DatabaseError(replacemsg::KeyMissing(t.fullKey, missing[0][0]));
  // The transport groups by the key's exact bytes, as the undo compares keys.
  RefuseRepeatedKey("SELECT " + Text(t.fullKey) + " AS k FROM " + t.table + " WHERE " + t.fullKey +
                        " IN (SELECT morvane_key FROM morvane_expect) GROUP BY " + t.fullKey +
                        " HAVING COUNT(*) > 1 LIMIT 1",
                    t.fullKey);
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
  return WriteUndoFileByPages(cfg, path, [](const std::string* after) {
    return "SELECT c.morvane_row AS r, c.morvane_key_text AS k, m.morvane_text AS o, " +
           Text("m.morvane_new") +
           " AS n FROM morvane_changed c JOIN morvane_map m ON m.morvane_line = c.morvane_line "
           "WHERE c.morvane_row > " +
           (after == nullptr ? std::string("0") : *after) + " ORDER BY c.morvane_row LIMIT " +
           std::to_string(kUndoRowsPerPage);
  });
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
  if (!t.fullKey.empty()) RefuseUnreadableKey(t.table, t.fullKey);
  SendRequest(PrepareRequest(t, plan), cfg.SrcFullFld);
  int64_t expected = -1;
  if (!t.fullKey.empty()) {
    expected = zelDB().RowsChanged().empty() ? -1 : zelDB().RowsChanged().back();
    RefuseInexactKeys(t);
  }
  if (!t.fullKey.empty()) RefuseUnwritableUndoFile(options.undoFile);
  if (options.afterCapture) options.afterCapture();

  const RunGuard guard{kCaptured, kUpdated, t.fullKey.empty() ? -1 : kExpected, expected};
  if (!SendGuardedRun(
          RunRequest(t), CountGuard(guard), options.progress,
          [&] { return t.fullKey.empty() ? std::string() : StrayRow(t); }, outcome))
    return outcome;
  outcome.applied = true;
  ReadRowsPerLine(
      "SELECT morvane_line AS l, COUNT(*) AS n FROM morvane_changed GROUP BY morvane_line",
      outcome.rowsPerLine);
  if (!t.fullKey.empty() && !options.undoFile.empty())
    outcome.undoRows = WriteUndoFile(cfg, options.undoFile);
  return outcome;
}

ExecutionResult RunUndoMariaDB(const std::string& undoFile) {
  UndoFileReader reader;
  const UndoScript header = OpenUndoFile(undoFile, reader);
  const std::string fullField = header.table + "." + header.field;
  const std::string fullKey = header.table + "." + header.keyField;

  const TemporaryTablesScope temps(kDropTemps);
  SendRequest(std::string(kDropTemps) +
                  ";\r\nCREATE TEMPORARY TABLE morvane_undo ENGINE=InnoDB SELECT " + fullKey +
                  " AS morvane_key, " + fullField + " AS morvane_restored, " + fullField +
                  " AS morvane_replaced FROM " + header.table + " WHERE 1=0",
              fullField);
  const int64_t rows = InsertUndoRows(
      reader, "INSERT INTO morvane_undo (morvane_key, morvane_restored, morvane_replaced) ",
      fullKey);

  // A key the file names twice, or that the table holds in several rows,
  // would put back rows the replacement never touched. The transport groups
  // by exact bytes, as the statement below compares keys.
  RefuseRepeatedKey("SELECT " + Text("morvane_key") +
                        " AS k FROM morvane_undo GROUP BY morvane_key HAVING COUNT(*) > 1 LIMIT 1",
                    fullKey);
  RefuseRepeatedKey("SELECT " + Text(fullKey) + " AS k FROM " + header.table + " WHERE " + fullKey +
                        " IN (SELECT morvane_key FROM morvane_undo) GROUP BY " + fullKey +
                        " HAVING COUNT(*) > 1 LIMIT 1",
                    fullKey);
  const std::string restorable =
      Same(fullKey, "u.morvane_key") + " AND " + Same(fullField, "u.morvane_replaced");
  const std::string changedSinceQuery =
      "SELECT " + Text("u.morvane_key") +
      " AS k FROM morvane_undo u WHERE NOT EXISTS (SELECT 1 FROM " + header.table + " WHERE " +
      restorable + ") ORDER BY u.morvane_key";
  RefuseRowsChangedSince(changedSinceQuery);

  return RunUndoStatement("UPDATE " + header.table + " JOIN morvane_undo u ON " + restorable +
                              " SET " + fullField + " = u.morvane_restored",
                          rows, changedSinceQuery);
}

}  // namespace morvane
