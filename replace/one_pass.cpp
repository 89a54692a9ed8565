#include "replace/one_pass.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <optional>
#include <unordered_map>

#include "platform/rtl/exceptions.h"
#include "platform/rtl/text.h"
#include "replace/builders.h"
#include "replace/changed_rows_sink.h"
#include "replace/declared_key.h"
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

// Rows per request when loading an undo file as JSON or text arrays, whose
// parsing costs a fraction of a VALUES list's: bounds the memory, whatever
// the run's size.
constexpr size_t kJsonRowsPerRequest = 20000;

// Rows per INSERT request when the rows read go to the server after all.
constexpr size_t kRowsPerKeyInsert = 5000;

// Where the temporary tables live: the connection's own schema, so a user
// table of the same name is never touched.
std::string Temp(SetDialect dialect, const char* name) {
  return std::string(dialect == SetDialect::kPostgreSQL ? "pg_temp." : "temp.") + name;
}

std::string DropTemps(SetDialect dialect) {
  std::string request;
  for (const char* name : {"morvane_map", "morvane_expect", "morvane_changed", "morvane_check",
                           "morvane_undo", "morvane_undo_pairs"})
    request += "DROP TABLE IF EXISTS " + Temp(dialect, name) + ";\r\n";
  return request;
}

std::string Text(const std::string& expression) {
  return "CAST(" + expression + " AS TEXT)";
}

// Appends the text as a JSON string. SQLite reads a large batch of rows
// from JSON through json_each at a fraction of the cost of parsing as many
// VALUES rows; the texts come back byte for byte (control characters
// escaped, other bytes as they are).
void AppendJsonText(std::string& json, std::string_view text) {
  json += '"';
  for (const char c : text) {
    if (c == '"' || c == '\\') {
      json += '\\';
      json += c;
    } else if (static_cast<unsigned char>(c) < 0x20) {
      static const char kHex[] = "0123456789abcdef";
      json += "\\u00";
      json += kHex[(c >> 4) & 0xf];
      json += kHex[c & 0xf];
    } else {
      json += c;
    }
  }
  json += '"';
}

// The texts as a PostgreSQL array literal, every element quoted (so "NULL"
// stays a text), '"' and '\\' escaped.
std::string TextArray(const std::vector<std::string>& texts) {
  std::string array = "{";
  for (const std::string& text : texts) {
    if (array.size() > 1) array += ',';
    array += '"';
    for (const char c : text) {
      if (c == '"' || c == '\\') array += '\\';
      array += c;
    }
    array += '"';
  }
  return array + "}";
}

// SQLite: a batch of an undo file's rows from JSON. The new pairs, numbered
// as their rowid: [["restored","replaced"],...]; then the keys grouped by
// the number of their pair: {"7":["key",...],...}.
std::string SqliteUndoBatch(const UndoRowsByPair& rows, const std::string& pairs,
                            const std::string& undo) {
  std::string request;
  if (!rows.newPairs[0].empty()) {
    std::string json = "[";
    for (size_t index = 0; index < rows.newPairs[0].size(); ++index) {
      if (index > 0) json += ',';
      json += '[';
      AppendJsonText(json, rows.newPairs[0][index]);
      json += ',';
      AppendJsonText(json, rows.newPairs[1][index]);
      json += ']';
    }
    json += ']';
    request += "INSERT INTO " + pairs + " (rowid, restored_value, replaced_value) SELECT " +
               std::to_string(rows.firstNewPair) +
               " + key, json_extract(value, '$[0]'), json_extract(value, '$[1]') FROM json_each(" +
               QuotedStr(json) + ");\r\n";
  }
  std::unordered_map<int64_t, std::string> keysOf;
  for (size_t index = 0; index < rows.keys.size(); ++index) {
    std::string& keys = keysOf[rows.pairOfKey[index]];
    keys += keys.empty() ? '[' : ',';
    AppendJsonText(keys, rows.keys[index]);
  }
  std::string json = "{";
  for (const auto& [pair, keys] : keysOf) {
    if (json.size() > 1) json += ',';
    json += '"' + std::to_string(pair) + "\":" + keys + ']';
  }
  json += '}';
  return request + "INSERT INTO " + undo +
         " (key_value, restored_value, replaced_value) SELECT k.value, p.restored_value, "
         "p.replaced_value FROM json_each(" +
         QuotedStr(json) + ") AS g JOIN " + pairs +
         " AS p ON p.rowid = CAST(g.key AS INTEGER) JOIN json_each(g.value) AS k";
}

// PostgreSQL: a batch of an undo file's rows from text arrays, each text
// cast to its column's type: the new pairs, numbered in order, then the keys
// with the numbers of their pairs.
std::string PostgresUndoBatch(const UndoRowsByPair& rows, const std::string& pairs,
                              const std::string& undo,
                              const std::vector<std::vector<std::string>>& types) {
  std::string request;
  if (!rows.newPairs[0].empty()) {
    request +=
        "INSERT INTO " + pairs + " (pair_no, restored_value, replaced_value) SELECT " +
        std::to_string(rows.firstNewPair) + " + n - 1, CAST(r AS " + types[1][0] + "), CAST(p AS " +
        types[2][0] + ") FROM unnest(" + QuotedStr(TextArray(rows.newPairs[0])) + "::text[], " +
        QuotedStr(TextArray(rows.newPairs[1])) + "::text[]) WITH ORDINALITY AS x(r, p, n);\r\n";
  }
  std::string numbers = "{";
  for (const int64_t pair : rows.pairOfKey) {
    if (numbers.size() > 1) numbers += ',';
    numbers += std::to_string(pair);
  }
  numbers += '}';
  return request + "INSERT INTO " + undo +
         " (key_value, restored_value, replaced_value) SELECT CAST(x.k AS " + types[0][0] +
         "), p.restored_value, p.replaced_value FROM unnest(" + QuotedStr(TextArray(rows.keys)) +
         "::text[], " + QuotedStr(numbers) + "::bigint[]) AS x(k, n) JOIN " + pairs +
         " AS p ON p.pair_no = x.n";
}

// Whether the SQLite library has its JSON functions (built in since 3.38,
// an option before).
bool SqliteReadsJson() {
  try {
    ReadRows("SELECT json_valid('[]') AS j");
    return true;
  } catch (const EDatabaseError&) {
    return false;
  }
}

// The names and conditions every statement of a run shares.
struct Target {
  SetDialect dialect;
  std::string table;           // T
  std::string field;           // f
  std::string fullField;       // T.f
  std::string fullKey;         // T.k, empty without a key
  std::string period;          // " AND <condition>", or empty
  bool keyDeclared = false;    // the catalog makes the key unique and never empty
  bool exactEquality = false;  // PostgreSQL: a row equal to a mapped value holds exactly it
  std::string dataVersion;     // SQLite with a key: the file's version when the keys were read

  std::string Map() const { return Temp(dialect, "morvane_map"); }
  std::string MappedRows() const {
    return fullField + " IN (SELECT old_value FROM " + Map() + ")" + period;
  }
  // The plan line of a row's value: the first, in plan order, that the
  // server finds equal to it (the field on the left, so its collation rules).
  std::string LineOfRow() const {
    return "(SELECT MIN(m.line_no) FROM " + Map() + " AS m WHERE " + fullField + " = m.old_value)";
  }
  // SQLite: whether another connection has committed since the keys were
  // read; inside the run's transaction it cannot change any more.
  std::string FileUnchanged(bool unchanged) const {
    return "(SELECT data_version FROM pragma_data_version) " + std::string(unchanged ? "=" : "<>") +
           " " + dataVersion;
  }
};

// The mapping as a temporary table typed like the field (so the server
// compares with its own comparison, as it does the statements' literals),
// with the line of each pair; the expected rows; the table of changed rows.
// Both row tables hold the key, the old value and its plan line.
std::string PrepareRequest(const Target& t, const ReplacementPlan& plan) {
  const std::string map = t.Map();
  std::string request = DropTemps(t.dialect);
  request += "CREATE TEMP TABLE morvane_map AS SELECT 0 AS line_no, " + t.fullField +
             " AS old_value, " + t.fullField + " AS new_value FROM " + t.table + " WHERE 1=0;\r\n";
  request += MappingInserts(plan, "INSERT INTO " + map + " (line_no, old_value, new_value) ");
  if (t.dialect == SetDialect::kSQLite) {
    // Covering: a row's line and new value come from the index alone.
    request +=
        "CREATE INDEX temp.morvane_map_old ON morvane_map (old_value, line_no, new_value);\r\n";
    request += "CREATE INDEX temp.morvane_map_line ON morvane_map (line_no);\r\n";
  } else {
    // Without statistics the planner guesses the mapping's size and may
    // join it row by row with the whole table.
    request += "ANALYZE " + map + ";\r\n";
  }
  const std::string key = t.fullKey.empty() ? "NULL" : t.fullKey;
  for (const char* name : {"morvane_changed", "morvane_expect"}) {
    const bool expect = std::string(name) == "morvane_expect";
    if (t.fullKey.empty() && expect) continue;
    // The expected rows carry their new value: SQLite then changes them by
    // key without looking up the mapping again.
    request += "CREATE TEMP TABLE " + std::string(name) + " AS SELECT " + key + " AS key_value, " +
               t.fullField + " AS old_value, 0 AS line_no" +
               (expect ? ", " + t.fullField + " AS new_value" : std::string()) + " FROM " +
               t.table + " WHERE 1=0;\r\n";
  }
  if (t.dialect == SetDialect::kPostgreSQL && !t.fullKey.empty())
    request += "CREATE TEMP TABLE morvane_check (ok INTEGER);\r\n";
  return request;
}

// Reads the expected rows. SQLite may change the rows by these keys, so it
// needs their lines and new values: a join with the mapping when no two of
// its values can be equal to the same row, else the first equal line of
// each row.
std::string ExpectRequest(const Target& t, bool mapValuesDistinct) {
  const std::string into = "INSERT INTO " + Temp(t.dialect, "morvane_expect") +
                           " (key_value, old_value, line_no, new_value) SELECT ";
  if (t.dialect != SetDialect::kSQLite) {
    return into + t.fullKey + ", " + t.fullField + ", NULL, NULL FROM " + t.table + " WHERE " +
           t.MappedRows();
  }
  if (mapValuesDistinct) {
    return into + t.fullKey + ", " + t.fullField + ", m.line_no, m.new_value FROM " + t.table +
           " JOIN " + t.Map() + " AS m ON " + t.fullField + " = m.old_value" + t.period;
  }
  return into + "e.k, e.v, m.line_no, m.new_value FROM (SELECT " + t.fullKey + " AS k, " +
         t.fullField + " AS v, " + t.LineOfRow() + " AS l FROM " + t.table + " WHERE " +
         t.MappedRows() + ") AS e JOIN " + t.Map() + " AS m ON m.line_no = e.l";
}

// SQLite: whether no row can equal two of the mapping's values. Its
// comparisons are numeric for numbers and, for texts, byte-wise, by ASCII
// case or without trailing blanks (NOCASE, RTRIM): two values equal in any
// of these ways count as a clash.
bool MapValuesDistinct(const Target& t) {
  const std::string map = t.Map();
  const std::vector<std::vector<std::string>> clashes =
      ReadRows("SELECT " +
               Text("(SELECT COUNT(*) FROM (SELECT 1 FROM " + map +
                    " GROUP BY old_value HAVING COUNT(*) > 1)) + (SELECT COUNT(*) FROM "
                    "(SELECT 1 FROM " +
                    map +
                    " WHERE typeof(old_value) = 'text' GROUP BY lower(rtrim(old_value)) "
                    "HAVING COUNT(*) > 1))") +
               " AS n");
  return !clashes.empty() && clashes[0][0] == "0";
}

// The run: statements whose counts the guard checks inside the transaction.
// Positions are -1 where a form has no such statement.
struct RunStatements {
  std::vector<std::string> statements;
  int captured = -1;   // rows read inside the run, then changed by key (SQLite) or by RETURNING
  int updated = -1;    // the statement changing the captured rows
  int compared = -1;   // removes the expected keys that changed: all of them
  int confirmed = -1;  // PostgreSQL: adds one row when the key sets are equal
  // SQLite: when nothing was captured, the rows changed by the expected keys.
  bool byExpected = false;
};

RunStatements RunRequest(const Target& t, const CMvCFG& cfg, int64_t expected) {
  RunStatements run;
  const std::string map = t.Map();
  const std::string changed = Temp(t.dialect, "morvane_changed");
  const std::string expect = Temp(t.dialect, "morvane_expect");
  const std::string key = t.fullKey.empty() ? "NULL" : t.fullKey;
  const std::string set = "UPDATE " + t.table + " SET " + t.field + " = m.new_value FROM ";
  if (t.dialect == SetDialect::kPostgreSQL) {
    // RETURNING gives the new row. Where equality is byte-exact the old
    // value is the mapped one; otherwise it comes from the same row joined
    // as it was before the statement (by its physical address).
    std::string returning;
    std::string join;
    if (t.exactEquality && t.fullKey != t.fullField) {
      returning = key + ", m.old_value";
    } else {
      const std::string before = "morvane_before";
      join = ", " + t.table + " AS " + before;
      returning =
          (t.fullKey.empty() ? "NULL" : before + "." + cfg.SUnFld) + ", " + before + "." + t.field;
      join += " WHERE " + before + ".ctid = " + t.table + ".ctid AND";
    }
    if (join.empty()) join = " WHERE";
    run.captured = 0;
    run.updated = 0;
    run.statements.push_back("WITH changed AS (" + set + map + " AS m" + join + " " + t.fullField +
                             " = m.old_value" + t.period + " RETURNING " + returning +
                             ", m.line_no) INSERT INTO " + changed +
                             " (key_value, old_value, line_no) SELECT * FROM changed");
    if (!t.fullKey.empty()) {
      // The comparison hashes every changed key; the default work memory
      // would spill it to disk. LOCAL: for this transaction only.
      run.statements.push_back("SET LOCAL work_mem = '64MB'");
      // Keys are unique on both sides: the sets are equal when the run
      // changed the expected number of rows and all of them pair up with an
      // expected key. Counting, not deleting, writes nothing.
      run.confirmed = int(run.statements.size());
      run.statements.push_back("INSERT INTO " + Temp(t.dialect, "morvane_check") +
                               " (ok) SELECT 1 WHERE (SELECT COUNT(*) FROM " + expect +
                               " AS e JOIN " + changed +
                               " AS c ON e.key_value = c.key_value) = " + std::to_string(expected));
    }
    return run;
  }
  if (t.fullKey.empty()) {
    // No key: the rows are captured for their lines only, then changed by
    // value. One writer at a time: the capture is what the UPDATE changes.
    run.captured = 0;
    run.statements.push_back("INSERT INTO " + changed + " (key_value, old_value, line_no) SELECT " +
                             "NULL, " + t.fullField + ", " + t.LineOfRow() + " FROM " + t.table +
                             " WHERE " + t.MappedRows());
    run.updated = 1;
    run.statements.push_back(set + map + " AS m WHERE " + t.fullField + " = m.old_value" +
                             t.period);
    return run;
  }
  // SQLite with a key. If no other connection has committed since the keys
  // were read, the table is still as read, and the rows change by those keys
  // alone. Otherwise the rows are read again inside the run, where no other
  // writer can come between, changed by those keys, and the two key sets
  // must be equal. What belongs to the other case reads and changes nothing.
  run.captured = 0;
  // CROSS JOIN makes the version the outer loop: when it is unchanged, the
  // table is not even scanned.
  run.statements.push_back("INSERT INTO " + changed + " (key_value, old_value, line_no) SELECT " +
                           t.fullKey + ", " + t.fullField + ", " + t.LineOfRow() +
                           " FROM pragma_data_version AS v CROSS JOIN " + t.table +
                           " WHERE v.data_version <> " + t.dataVersion + " AND " + t.MappedRows());
  run.updated = 1;
  run.statements.push_back("UPDATE " + t.table + " SET " + t.field +
                           " = r.new_value FROM (SELECT key_value, new_value FROM " + expect +
                           " WHERE " + t.FileUnchanged(true) +
                           " UNION ALL SELECT c.key_value, m.new_value FROM " + changed +
                           " AS c JOIN " + map + " AS m ON m.line_no = c.line_no) AS r WHERE " +
                           t.fullKey + " = r.key_value");
  run.compared = 2;
  run.statements.push_back("DELETE FROM " + expect + " WHERE key_value IN (SELECT key_value FROM " +
                           changed + ") AND " + t.FileUnchanged(false));
  run.byExpected = true;
  return run;
}

// Whether the counts of an accepted run show exactly the expected rows
// changed (expected: -1 without a key).
bool RunIsExact(const RunStatements& run, const std::vector<int64_t>& counts, int64_t expected) {
  const auto count = [&](int index) {
    return index >= 0 && size_t(index) < counts.size() ? counts[size_t(index)] : int64_t(0);
  };
  const int64_t captured = count(run.captured);
  if (expected < 0) return run.updated == run.captured || count(run.updated) == captured;
  if (run.confirmed >= 0) return captured == expected && count(run.confirmed) == 1;
  if (run.byExpected && captured == 0)
    return count(run.updated) == expected && count(run.compared) == 0;
  return (run.updated == run.captured || count(run.updated) == captured) && captured == expected &&
         count(run.compared) == expected;
}

std::string RequestOf(const std::vector<std::string>& statements) {
  std::string request;
  for (const std::string& statement : statements) request += statement + ";\r\n";
  return request;
}

// A key of the rows the run would change that the undo could not name
// exactly: empty, or held by more than one row of the table. Nothing to ask
// when the catalog rules both out.
void RefuseInexactKeys(const Target& t) {
  if (t.keyDeclared) return;
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

// The changed rows of `rows` (a table of key, old value and plan line) into
// the sink, page by page in the order they were stored. The pages are
// ranges of the table's own row address (SQLite: rowid; PostgreSQL: blocks
// of its ctid), so no index, no sort and no join is needed.
void StreamChangedRows(const Target& t, const std::string& rows, ChangedRowsSink& sink) {
  const std::string select = "SELECT " + Text("key_value") + " AS k, " + Text("old_value") +
                             " AS o, " + Text("line_no") + " AS l FROM " + rows + " WHERE ";
  const auto take = [&](const std::string& range) {
    ReadTextRows(select + range,
                 [&](const std::vector<std::string_view>& row) { sink.Take(row, rows); });
    sink.Flush();
  };
  const bool sqlite = t.dialect == SetDialect::kSQLite;
  const std::vector<std::vector<std::string>> size = ReadRows(
      "SELECT " +
      Text(sqlite ? "COALESCE(MAX(rowid), 0) + 1"
                  : "pg_relation_size('" + rows + "') / current_setting('block_size')::int") +
      " AS n FROM " + (sqlite ? rows : std::string("(SELECT 1) AS one")));
  const long long end = size.empty() ? 0 : std::strtoll(size[0][0].c_str(), nullptr, 10);
  // SQLite: rows per page; PostgreSQL: blocks of some hundred rows each.
  const long long step = sqlite ? (long long)kUndoRowsPerPage : 128;
  for (long long from = 0; from < end; from += step) {
    const std::string to = std::to_string(from + step);
    take(sqlite
             ? "rowid >= " + std::to_string(from) + " AND rowid < " + to
             : "ctid >= '(" + std::to_string(from) + ",0)'::tid AND ctid < '(" + to + ",0)'::tid");
  }
}

// Appends a text with its length in front, for rows held compactly.
void AppendPacked(std::string& packed, std::string_view text) {
  const uint32_t length = uint32_t(text.size());
  packed.append(reinterpret_cast<const char*>(&length), sizeof length);
  packed.append(text);
}

// The next text AppendPacked wrote, from `at` on.
std::string_view NextPacked(std::string_view packed, size_t& at) {
  uint32_t length = 0;
  std::memcpy(&length, packed.data() + at, sizeof length);
  at += sizeof length;
  const std::string_view text = packed.substr(at, length);
  at += length;
  return text;
}

// SQLite, a key the catalog declares unique and a mapping whose values no
// row can equal twice: the rows to change are read to the client (key, old
// value, plan line). They go to the undo file and the counts per line as
// they come, and are kept in `read` (three packed texts a row) for the case
// where the run needs them on the server after all. Returns the rows read.
int64_t ReadRowsToChange(const Target& t, ChangedRowsSink& sink, std::string& read) {
  const int64_t rows =
      ReadTextRows("SELECT " + Text(t.fullKey) + " AS k, " + Text(t.fullField) + " AS o, " +
                       Text("m.line_no") + " AS l FROM " + t.table + " JOIN " + t.Map() +
                       " AS m ON " + t.fullField + " = m.old_value" + t.period,
                   [&](const std::vector<std::string_view>& row) {
                     sink.Take(row, t.table);  // the line is checked as a number there
                     for (const std::string_view text : row) AppendPacked(read, text);
                     if (sink.Rows() % kUndoRowsPerPage == 0) sink.Flush();
                   });
  sink.Flush();
  return rows;
}

// The rows ReadRowsToChange kept, into the expected rows on the server, with
// their lines' new values; requests of a few thousand rows.
void SendRowsRead(const Target& t, std::string_view read, const std::string& what) {
  const std::string head = "INSERT INTO " + Temp(t.dialect, "morvane_expect") +
                           " (key_value, old_value, line_no, new_value) SELECT v.column1, "
                           "v.column2, v.column3, m.new_value FROM (VALUES ";
  const std::string tail = ") AS v JOIN " + t.Map() + " AS m ON m.line_no = v.column3";
  std::string values;
  size_t inRequest = 0;
  for (size_t at = 0; at < read.size();) {
    values += inRequest == 0 ? head + "(" : ",\r\n(";
    for (int column = 0; column < 3; ++column) {
      // The line too as a text, like the mapping's line numbers.
      if (column > 0) values += ", ";
      AppendQuotedStr(values, NextPacked(read, at));
    }
    values += ')';
    if (++inRequest == kRowsPerKeyInsert || at == read.size()) {
      SendRequest(values + tail, what);
      values.clear();
      inRequest = 0;
    }
  }
}

// The server's own statement for the rows read, valid only while no other
// connection has committed since the reading: then the table is as read and
// it changes exactly those rows; otherwise it changes none. Rows are
// changed where the scan finds them (no second pass by row address, as
// UPDATE ... FROM takes); the IN and the new value's lookup compare as the
// reading's join did (the field on the left: its affinity and collation).
std::string UpdateAsRead(const Target& t) {
  return "UPDATE " + t.table + " SET " + t.field + " = (SELECT m.new_value FROM " + t.Map() +
         " AS m WHERE " + t.fullField + " = m.old_value) WHERE " + t.FileUnchanged(true) + " AND " +
         t.MappedRows();
}

// SQLite's run for a key the catalog declares unique and a mapping no row
// can equal twice: the rows are read (ReadRowsToChange), then changed by the
// server's own statement while nobody else has committed. Returns the
// outcome when the run is over (applied, cancelled or refused). Returns
// nothing when another connection has committed since the reading, or
// nothing was read: the rows read are then on the server as the expected
// rows, for the run that reads again and compares key sets.
std::optional<OnePassOutcome> RunAsRead(const Target& t, const CMvCFG& cfg,
                                        const ReplacementPlan& plan, const OnePassOptions& options,
                                        int64_t& expected) {
  OnePassOutcome outcome;
  outcome.rowsPerLine.assign(plan.lines.size(), 0);
  std::string rowsRead;
  {
    ChangedRowsSink read(cfg, plan, options.undoFile, outcome.rowsPerLine);
    expected = ReadRowsToChange(t, read, rowsRead);
    if (options.afterCapture) options.afterCapture();
    if (expected > 0) {
      // The statement changes the rows read, or none when another
      // connection has committed since; the count tells which.
      const RunJudge judge = [&](const std::vector<int64_t>& done, size_t) {
        return done.back() == expected;
      };
      if (SendGuardedRun(
              UpdateAsRead(t), judge, options.progress, [] { return std::string(); }, outcome)) {
        read.Keep();
        outcome.applied = true;
        outcome.undoRows = read.Rows();
        return outcome;
      }
      if (!outcome.changedSinceRead) {  // cancelled or refused: nothing changed
        outcome.rowsPerLine.assign(plan.lines.size(), 0);
        return outcome;
      }
    }
  }  // the partial undo file of the reading is removed
  SendRowsRead(t, rowsRead, cfg.SrcFullFld);
  return std::nullopt;
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
      dialect, cfg.SrcTbl, cfg.SrcFld, cfg.SrcFullFld, cfg.SUnFld.empty() ? "" : cfg.SrcFullKey, {},
      false,   false,      {}};
  if (cfg.AWFld) {
    const std::string condition = PeriodCondition(cfg, period);
    if (!condition.empty()) t.period = " AND " + condition;
  }
  const TemporaryTablesScope temps(DropTemps(dialect));
  if (!t.fullKey.empty()) {
    RefuseUnreadableKey(t.table, t.fullKey);
    t.keyDeclared = KeyDeclaredUnique(dialect, t.table, cfg.SUnFld);
    if (dialect == SetDialect::kSQLite) {
      // Read before the keys: a commit by anyone in between changes it.
      const std::vector<std::vector<std::string>> version =
          ReadRows("SELECT " + Text("data_version") + " AS v FROM pragma_data_version");
      const std::string& text = version.empty() ? std::string() : version[0][0];
      if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos)
        DatabaseError(replacemsg::CannotRead("data_version", text));
      t.dataVersion = text;
    }
  }
  t.exactEquality = FieldEqualityIsExact(dialect, t.table, t.field);
  if (!t.fullKey.empty()) RefuseUnwritableUndoFile(options.undoFile);
  SendRequest(PrepareRequest(t, plan), cfg.SrcFullFld);
  int64_t expected = -1;
  const bool distinct =
      !t.fullKey.empty() && dialect == SetDialect::kSQLite && MapValuesDistinct(t);
  if (distinct && t.keyDeclared) {
    if (std::optional<OnePassOutcome> done = RunAsRead(t, cfg, plan, options, expected))
      return std::move(*done);
  } else {
    if (!t.fullKey.empty()) {
      SendRequest(ExpectRequest(t, distinct), cfg.SrcFullFld);
      expected = zelDB().RowsChanged().empty() ? -1 : zelDB().RowsChanged().back();
      RefuseInexactKeys(t);
    }
    if (options.afterCapture) options.afterCapture();
  }

  const RunStatements run = RunRequest(t, cfg, expected);
  std::vector<int64_t> counts;
  // The whole run is judged before its commit, from every statement's count.
  const RunJudge judge = [&](const std::vector<int64_t>& done, size_t total) {
    counts = done;
    return done.size() < total || RunIsExact(run, done, expected);
  };
  if (!SendGuardedRun(
          RequestOf(run.statements), judge, options.progress, [&] { return StrayRow(t); }, outcome))
    return outcome;
  outcome.applied = true;
  // The rows that changed: the expected ones when SQLite changed them by
  // their keys, else those captured in the run.
  const bool byExpected = run.byExpected && counts[size_t(run.captured)] == 0;
  const std::string changedRows = Temp(dialect, byExpected ? "morvane_expect" : "morvane_changed");
  if (!t.fullKey.empty() && !options.undoFile.empty()) {
    ChangedRowsSink sink(cfg, plan, options.undoFile, outcome.rowsPerLine);
    StreamChangedRows(t, changedRows, sink);
    sink.Keep();
    outcome.undoRows = sink.Rows();
    return outcome;
  }
  std::fill(outcome.rowsPerLine.begin(), outcome.rowsPerLine.end(), 0);
  ReadRowsPerLine("SELECT " + Text("line_no") + " AS l, COUNT(*) AS n FROM " + changedRows +
                      " GROUP BY line_no",
                  outcome.rowsPerLine);
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
  // SQLite reads the rows from JSON, PostgreSQL from one text array per
  // column, each text cast to its column's type without a length (typmod
  // -1: "bpchar", not "character", which is char(1)); the column then pads,
  // rounds or refuses an over-long text as it does a literal.
  const std::vector<std::vector<std::string>> types =
      dialect == SetDialect::kPostgreSQL
          ? ReadRows(
                "SELECT format_type(atttypid, -1) AS t FROM pg_catalog.pg_attribute WHERE "
                "attrelid = '" +
                undo +
                "'::regclass AND attnum > 0 AND NOT attisdropped "
                "ORDER BY attnum")
          : std::vector<std::vector<std::string>>{};
  const bool arrays = types.size() == 3;
  const bool json = !arrays && dialect == SetDialect::kSQLite && SqliteReadsJson();
  const std::string insert =
      "INSERT INTO " + undo + " (key_value, restored_value, replaced_value) ";
  int64_t rows;
  if (json || arrays) {
    // The pairs of values typed like the field, numbered (SQLite: by rowid).
    const std::string pairs = Temp(dialect, "morvane_undo_pairs");
    SendRequest("CREATE TEMP TABLE morvane_undo_pairs AS SELECT " +
                    std::string(arrays ? "CAST(0 AS bigint) AS pair_no, " : "") + fullField +
                    " AS restored_value, " + fullField + " AS replaced_value FROM " + header.table +
                    " WHERE 1=0" +
                    (arrays ? ";\r\nALTER TABLE " + pairs + " ADD PRIMARY KEY (pair_no)" : ""),
                fullField);
    rows = InsertUndoRowsByPair(
        reader, kJsonRowsPerRequest,
        [&](const UndoRowsByPair& batch) {
          return arrays ? PostgresUndoBatch(batch, pairs, undo, types)
                        : SqliteUndoBatch(batch, pairs, undo);
        },
        fullKey);
  } else {
    rows = InsertUndoRows(reader, insert, fullKey);
  }

  // A key the file names twice, or that the table holds in several rows,
  // would put back rows the replacement never touched. With the key unique
  // in the table, the one statement below changes exactly as many rows as
  // the file holds only when every row of the file found its own row still
  // holding the replaced value; so a key named twice, or a row changed
  // since, shows in the count and is named after the rollback.
  const std::string twiceQuery = "SELECT " + Text("key_value") + " AS k FROM " + undo +
                                 " GROUP BY key_value HAVING COUNT(*) > 1";
  const auto refuseTwice = [&] {
    const std::vector<std::vector<std::string>> twice = ReadRows(twiceQuery);
    if (!twice.empty()) DatabaseError(replacemsg::KeyNotUnique(fullKey, twice[0][0]));
  };
  if (!KeyDeclaredUnique(dialect, header.table, header.keyField)) {
    refuseTwice();
    const std::vector<std::vector<std::string>> shared = ReadRows(
        "SELECT " + Text(fullKey) + " AS k FROM " + header.table + " WHERE " + fullKey +
        " IN (SELECT key_value FROM " + undo + ") GROUP BY " + fullKey + " HAVING COUNT(*) > 1");
    if (!shared.empty()) DatabaseError(replacemsg::KeyNotUnique(fullKey, shared[0][0]));
  }
  const std::string changedSinceQuery = "SELECT " + Text("u.key_value") + " AS k FROM " + undo +
                                        " AS u WHERE NOT EXISTS (SELECT 1 FROM " + header.table +
                                        " WHERE " + fullKey + " = u.key_value AND " + fullField +
                                        " = u.replaced_value) ORDER BY u.key_value";
  const std::string statement = "UPDATE " + header.table + " SET " + header.field +
                                " = u.restored_value FROM " + undo + " AS u WHERE " + fullKey +
                                " = u.key_value AND " + fullField + " = u.replaced_value";
  std::vector<std::string> setup;
  if (dialect == SetDialect::kPostgreSQL) {
    // With statistics the planner hashes the file's rows, not the table's;
    // the hash then fits in memory (LOCAL: for this transaction only).
    setup.push_back("ANALYZE " + undo);
    setup.push_back("SET LOCAL work_mem = '64MB'");
  }
  return RunUndoStatement(setup, statement, rows, [&] {
    refuseTwice();
    RefuseRowsChangedSince(changedSinceQuery);
  });
}

}  // namespace morvane
