#include "replace/one_pass.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <unordered_map>

#include "platform/rtl/exceptions.h"
#include "platform/rtl/text.h"
#include "replace/builders.h"
#include "replace/one_pass_mariadb.h"
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

// Where the temporary tables live: the connection's own schema, so a user
// table of the same name is never touched.
std::string Temp(SetDialect dialect, const char* name) {
  return std::string(dialect == SetDialect::kPostgreSQL ? "pg_temp." : "temp.") + name;
}

std::string DropTemps(SetDialect dialect) {
  std::string request;
  for (const char* name : {"morvane_map", "morvane_expect", "morvane_changed", "morvane_undo"})
    request += "DROP TABLE IF EXISTS " + Temp(dialect, name) + ";\r\n";
  return request;
}

std::string Text(const std::string& expression) {
  return "CAST(" + expression + " AS TEXT)";
}

// The names and conditions every statement of a run shares.
struct Target {
  SetDialect dialect;
  std::string table;      // T
  std::string field;      // f
  std::string fullField;  // T.f
  std::string fullKey;    // T.k, empty without a key
  std::string period;     // " AND <condition>", or empty

  std::string MappedRows() const {
    return fullField + " IN (SELECT old_value FROM " + Temp(dialect, "morvane_map") + ")" + period;
  }
};

// The mapping as a temporary table typed like the field (so the server
// compares with its own comparison, as it does the statements' literals),
// with the line of each pair; the expected keys; the table of changed rows.
std::string PrepareRequest(const Target& t, const ReplacementPlan& plan) {
  const std::string map = Temp(t.dialect, "morvane_map");
  std::string request = DropTemps(t.dialect);
  request += "CREATE TEMP TABLE morvane_map AS SELECT 0 AS line_no, " + t.fullField +
             " AS old_value, " + t.fullField + " AS new_value FROM " + t.table + " WHERE 1=0;\r\n";
  request += MappingInserts(plan, "INSERT INTO " + map + " (line_no, old_value, new_value) ");
  if (t.dialect == SetDialect::kSQLite)
    request += "CREATE INDEX temp.morvane_map_old ON morvane_map (old_value);\r\n";
  const std::string key = t.fullKey.empty() ? "NULL" : t.fullKey;
  request += "CREATE TEMP TABLE morvane_changed AS SELECT " + key + " AS key_value, " +
             t.fullField + " AS old_value FROM " + t.table + " WHERE 1=0;\r\n";
  if (!t.fullKey.empty()) {
    request += "CREATE TEMP TABLE morvane_expect AS SELECT " + t.fullKey + " AS key_value, " +
               t.fullField + " AS old_value FROM " + t.table + " WHERE 1=0;\r\n";
    request += "INSERT INTO " + Temp(t.dialect, "morvane_expect") +
               " (key_value, old_value) SELECT " + t.fullKey + ", " + t.fullField + " FROM " +
               t.table + " WHERE " + t.MappedRows() + ";\r\n";
  }
  return request;
}

// The run: statements whose counts the guard checks inside the transaction.
struct RunStatements {
  std::vector<std::string> statements;
  int captured = -1;  // the statement whose count is the rows changed
  int updated = -1;   // SQLite: the UPDATE itself, which must change as many
  int expected = -1;  // removes the expected keys that changed: all of them
};

RunStatements RunRequest(const Target& t, const CMvCFG& cfg) {
  RunStatements run;
  const std::string map = Temp(t.dialect, "morvane_map");
  const std::string changed = Temp(t.dialect, "morvane_changed");
  const std::string key = t.fullKey.empty() ? "NULL" : t.fullKey;
  const std::string update =
      "UPDATE " + t.table + " SET " + t.field + " = m.new_value FROM " + map + " AS m";
  if (t.dialect == SetDialect::kPostgreSQL) {
    // RETURNING gives the new row; the old value comes from the same row
    // joined as it was before the statement (by its physical address).
    const std::string before = "morvane_before";
    const std::string beforeKey = t.fullKey.empty() ? "NULL" : before + "." + cfg.SUnFld;
    run.captured = 0;
    run.statements.push_back("WITH changed AS (" + update + ", " + t.table + " AS " + before +
                             " WHERE " + t.fullField + " = m.old_value AND " + before +
                             ".ctid = " + t.table + ".ctid" + t.period + " RETURNING " + beforeKey +
                             ", " + before + "." + t.field + ") INSERT INTO " + changed +
                             " (key_value, old_value) SELECT * FROM changed");
  } else {
    // SQLite lets one writer at a time in: read inside the write
    // transaction, the rows captured are the rows the UPDATE changes.
    run.captured = 0;
    run.statements.push_back("INSERT INTO " + changed + " (key_value, old_value) SELECT " + key +
                             ", " + t.fullField + " FROM " + t.table + " WHERE " + t.MappedRows());
    run.updated = 1;
    run.statements.push_back(update + " WHERE " + t.fullField + " = m.old_value" + t.period);
  }
  if (!t.fullKey.empty()) {
    run.expected = int(run.statements.size());
    run.statements.push_back("DELETE FROM " + Temp(t.dialect, "morvane_expect") +
                             " WHERE key_value IN (SELECT key_value FROM " + changed + ")");
  }
  return run;
}

std::string RequestOf(const std::vector<std::string>& statements) {
  std::string request;
  for (const std::string& statement : statements) request += statement + ";\r\n";
  return request;
}

// A key of the rows the run would change that the undo could not name
// exactly: empty, or held by more than one row of the table.
void RefuseInexactKeys(const Target& t) {
  // The expected rows were read with their values: no second pass over the table.
  const std::vector<std::vector<std::string>> missing =
      ReadRows("SELECT " + Text("old_value") + " AS v FROM " + Temp(t.dialect, "morvane_expect") +
               " WHERE key_value IS NULL");
  if (!missing.empty()) DatabaseError(replacemsg::KeyMissing(t.fullKey, missing[0][0]));
  const std::vector<std::vector<std::string>> twice =
      ReadRows("SELECT " + Text(t.fullKey) + " AS k FROM " + t.table + " WHERE " + t.fullKey +
               " IN (SELECT key_value FROM " + Temp(t.dialect, "morvane_expect") + ") GROUP BY " +
               t.fullKey + " HAVING COUNT(*) > 1");
  if (!twice.empty()) DatabaseError(replacemsg::KeyNotUnique(t.fullKey, twice[0][0]));
}

// After a rollback by the guard: a row whose key was read but that no longer
// holds a mapped value, or one that holds one now but was not read.
std::string StrayRow(const Target& t) {
  const std::string expect = Temp(t.dialect, "morvane_expect");
  std::vector<std::vector<std::string>> rows =
      ReadRows("SELECT " + Text(t.fullKey) + " AS k FROM " + t.table + " WHERE " + t.MappedRows() +
               " AND " + t.fullKey + " NOT IN (SELECT key_value FROM " + expect + ")");
  if (rows.empty()) {
    rows = ReadRows("SELECT " + Text("key_value") + " AS k FROM " + expect +
                    " WHERE key_value NOT IN (SELECT " + t.fullKey + " FROM " + t.table +
                    " WHERE " + t.MappedRows() + ")");
  }
  return rows.empty() ? std::string() : rows[0][0];
}

// Streams the changed rows, page by page in key order, into the undo file.
int64_t WriteUndoFile(const Target& t, const CMvCFG& cfg, const std::string& path) {
  const std::string changed = Temp(t.dialect, "morvane_changed");
  SendRequest(t.dialect == SetDialect::kPostgreSQL
                  ? "CREATE INDEX morvane_changed_key ON " + changed + " (key_value)"
                  : "CREATE INDEX temp.morvane_changed_key ON morvane_changed (key_value)",
              changed);
  return WriteUndoFileByPages(cfg, path, [&](const std::string* after) {
    return "SELECT " + Text("c.key_value") + " AS k, " + Text("c.old_value") + " AS o, " +
           Text("m.new_value") + " AS n FROM " + changed + " AS c JOIN " +
           Temp(t.dialect, "morvane_map") + " AS m ON c.old_value = m.old_value" +
           (after == nullptr ? std::string() : " WHERE c.key_value > " + QuotedStr(*after)) +
           " ORDER BY c.key_value LIMIT " + std::to_string(kUndoRowsPerPage);
  });
}

}  // namespace

SetDialect SessionSetDialect() {
  if (!zelDB().CanReportProgress()) return SetDialect::kNone;  // the guard needs it
  const std::string& reply = zelDB().ReplyText();
  const size_t postgres = reply.find(" PostgreSQL ");
  const size_t sqlite = reply.find(" SQLite ");
  const size_t end = reply.find(';');
  if (postgres != std::string::npos && postgres < end) return SetDialect::kPostgreSQL;
  const size_t mariadb = reply.find(" MariaDB ");
  if (mariadb != std::string::npos && mariadb < end) return SetDialect::kMariaDB;
  if (sqlite == std::string::npos || sqlite > end) return SetDialect::kNone;
  // UPDATE ... FROM came with SQLite 3.33.
  const char* version = reply.c_str() + sqlite + 8;
  char* rest = nullptr;
  const long major = std::strtol(version, &rest, 10);
  const long minor = *rest == '.' ? std::strtol(rest + 1, nullptr, 10) : 0;
  return major > 3 || (major == 3 && minor >= 33) ? SetDialect::kSQLite : SetDialect::kNone;
}

OnePassOutcome RunOnePass(const CMvCFG& cfg, CPeriod& period, const ReplacementPlan& plan,
                          SetDialect dialect, const OnePassOptions& options) {
  if (dialect == SetDialect::kMariaDB) return RunOnePassMariaDB(cfg, period, plan, options);
  OnePassOutcome outcome;
  outcome.rowsPerLine.assign(plan.lines.size(), 0);
  Target t{
      dialect, cfg.SrcTbl, cfg.SrcFld, cfg.SrcFullFld, cfg.SUnFld.empty() ? "" : cfg.SrcFullKey,
      {}};
  if (cfg.AWFld) {
    const std::string condition = PeriodCondition(cfg, period);
    if (!condition.empty()) t.period = " AND " + condition;
  }
  const TemporaryTablesScope temps(DropTemps(dialect));
  if (!t.fullKey.empty()) RefuseUnreadableKey(t.table, t.fullKey);
  SendRequest(PrepareRequest(t, plan), cfg.SrcFullFld);
  int64_t expected = -1;
  if (!t.fullKey.empty()) {
    expected = zelDB().RowsChanged().empty() ? -1 : zelDB().RowsChanged().back();
    RefuseInexactKeys(t);
  }
  if (options.afterCapture) options.afterCapture();

  const RunStatements run = RunRequest(t, cfg);
  if (!SendGuardedRun(
          RequestOf(run.statements), {run.captured, run.updated, run.expected, expected},
          options.progress, [&] { return StrayRow(t); }, outcome))
    return outcome;
  outcome.applied = true;
  ReadRowsPerLine("SELECT " + Text("m.line_no") + " AS l, COUNT(*) AS n FROM " +
                      Temp(dialect, "morvane_changed") + " AS c JOIN " +
                      Temp(dialect, "morvane_map") +
                      " AS m ON c.old_value = m.old_value GROUP BY m.line_no",
                  outcome.rowsPerLine);
  if (!t.fullKey.empty() && !options.undoFile.empty())
    outcome.undoRows = WriteUndoFile(t, cfg, options.undoFile);
  return outcome;
}

ExecutionResult RunUndoSetBased(const std::string& undoFile, SetDialect dialect) {
  if (dialect == SetDialect::kMariaDB) return RunUndoMariaDB(undoFile);
  UndoFileReader reader;
  const UndoScript header = OpenUndoFile(undoFile, reader);
  const std::string fullField = header.table + "." + header.field;
  const std::string fullKey = header.table + "." + header.keyField;
  const std::string undo = Temp(dialect, "morvane_undo");

  const TemporaryTablesScope temps(DropTemps(dialect));
  SendRequest(DropTemps(dialect) + "CREATE TEMP TABLE morvane_undo AS SELECT " + fullKey +
                  " AS key_value, " + fullField + " AS restored_value, " + fullField +
                  " AS replaced_value FROM " + header.table + " WHERE 1=0",
              fullField);
  const int64_t rows = InsertUndoRows(
      reader, "INSERT INTO " + undo + " (key_value, restored_value, replaced_value) ", fullKey);

  // A key the file names twice, or that the table holds in several rows,
  // would put back rows the replacement never touched.
  RefuseRepeatedKey("SELECT " + Text("key_value") + " AS k FROM " + undo +
                        " GROUP BY key_value HAVING COUNT(*) > 1",
                    fullKey);
  RefuseRepeatedKey("SELECT " + Text(fullKey) + " AS k FROM " + header.table + " WHERE " + fullKey +
                        " IN (SELECT key_value FROM " + undo + ") GROUP BY " + fullKey +
                        " HAVING COUNT(*) > 1",
                    fullKey);
  const std::string changedSinceQuery = "SELECT " + Text("u.key_value") + " AS k FROM " + undo +
                                        " AS u WHERE NOT EXISTS (SELECT 1 FROM " + header.table +
                                        " WHERE " + fullKey + " = u.key_value AND " + fullField +
                                        " = u.replaced_value) ORDER BY u.key_value";
  RefuseRowsChangedSince(changedSinceQuery);

  const std::string statement = "UPDATE " + header.table + " SET " + header.field +
                                " = u.restored_value FROM " + undo + " AS u WHERE " + fullKey +
                                " = u.key_value AND " + fullField + " = u.replaced_value";
  return RunUndoStatement(statement, rows, changedSinceQuery);
}

}  // namespace morvane
