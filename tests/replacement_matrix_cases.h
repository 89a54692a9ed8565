// The field types of the replacement matrix: per type its declared type on
// each server (a server without the type leaves it out), the values of its
// table's rows as SQL literals, and the mapping to apply, old and new values
// in the server's own text form (decimal point, ISO dates), as an operator
// copies them from `morvane-data values` or from the server's client.
//
// Every table holds NULLs, duplicates of a mapped value, rows that must not
// change and, for texts, empty texts; a new value may be a value that other
// rows already hold.
#pragma once

#include <algorithm>
#include <map>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "tests/replacement_matrix_servers.h"

namespace morvane::testing {

struct MatrixField {
  std::string name;                                          // in the case names: "numeric"
  std::map<std::string, std::string> types;                  // server name -> declared type
  std::vector<std::string> rows;                             // literals of the rows, in key order
  std::vector<std::pair<std::string, std::string>> mapping;  // old -> new
  // An empty text is stored as such (and counted with the NULLs, as the
  // values file does); a char(n) stores it as blanks, a value of its own.
  bool text = false;
};

enum class MatrixKey { kInteger, kText };

inline const std::vector<MatrixField>& MatrixFields() {
  static const std::vector<MatrixField> fields = {
      {"text",
       {{"sqlite", "TEXT"}, {"postgres", "TEXT"}, {"mariadb", "TEXT"}},
       {"'a'", "'a'", "'b'", "''", "NULL", "'c'", "'O''K'", "'a '", "'A'",
        "'очень длинное значение поля, больше сорока байт'"},
       {{"a", "A"},
        {"O'K", "ok"},
        {"b", "c"},
        {"очень длинное значение поля, больше сорока байт", "коротко"}},
       true},
      {"varchar",
       {{"sqlite", "VARCHAR(60)"}, {"postgres", "VARCHAR(60)"}, {"mariadb", "VARCHAR(60)"}},
       {"'шт'", "'шт.'", "'шт.'", "''", "NULL", "'кг'", "'Шт'", "'шт '"},
       {{"шт.", "шт"}, {"Шт", "шт"}},
       true},
      {"char",
       {{"postgres", "CHAR(5)"}},
       {"'ab'", "'ab '", "'cd'", "NULL", "''", "'abc'"},
       {{"ab", "xy"}}},
      {"integer",
       {{"sqlite", "INTEGER"}, {"postgres", "INTEGER"}, {"mariadb", "INTEGER"}},
       {"5", "5", "12", "11", "0", "NULL", "-3", "0"},
       {{"5", "10"}, {"-3", "0"}}},
      {"numeric",
       {{"sqlite", "NUMERIC(10,2)"}, {"postgres", "NUMERIC(10,2)"}, {"mariadb", "DECIMAL(10,2)"}},
       {"3.50", "3.5", "2.25", "0", "NULL", "7", "4.75"},
       {{"3.50", "4.75"}, {"7", "7.1"}}},
      {"real",
       {{"sqlite", "REAL"}, {"postgres", "REAL"}, {"mariadb", "DOUBLE"}},
       {"2.5", "2.5", "0.1", "0", "NULL", "1234.5", "-0.25"},
       {{"2.5", "3.75"}, {"0.1", "0.2"}, {"-0.25", "1234.5"}}},
      {"date",
       {{"sqlite", "DATE"}, {"postgres", "DATE"}, {"mariadb", "DATE"}},
       {"'2024-01-15'", "'2024-01-15'", "'2024-02-29'", "NULL", "'1999-12-31'", "'2024-01-16'"},
       {{"2024-01-15", "2024-03-01"}, {"1999-12-31", "2024-01-16"}}},
      {"timestamp",
       {{"sqlite", "TIMESTAMP"}, {"postgres", "TIMESTAMP"}, {"mariadb", "DATETIME"}},
       {"'2024-01-15 10:30:00'", "'2024-01-15 10:30:00'", "'2024-01-15 10:30:01'", "NULL",
        "'2023-12-31 23:59:59'"},
       {{"2024-01-15 10:30:00", "2024-01-16 08:00:00"}}},
      {"boolean",
       {{"sqlite", "BOOLEAN"}, {"postgres", "BOOLEAN"}, {"mariadb", "BOOLEAN"}},
       {"TRUE", "TRUE", "FALSE", "NULL", "TRUE"},
       {{"1", "0"}}},
  };
  return fields;
}

inline std::string KeyName(MatrixKey key) {
  return key == MatrixKey::kInteger ? "intkey" : "textkey";
}
inline std::string KeyType(MatrixKey key) {
  return key == MatrixKey::kInteger ? "INTEGER" : "VARCHAR(10)";
}
// The key of row index (from 0): 1, 2, ... or 'r01', 'r02', ... with an
// apostrophe in the third, as keys go into the undo script quoted.
inline std::string KeyLiteral(MatrixKey key, size_t index) {
  if (key == MatrixKey::kInteger) return std::to_string(index + 1);
  const std::string number = (index + 1 < 10 ? "0" : "") + std::to_string(index + 1);
  return index == 2 ? "'r''" + number + "'" : "'r" + number + "'";
}

// One case of the matrix: a server, a field type and a key kind, named in
// the test output as server_type_key ("postgres_numeric_textkey").
struct MatrixCase {
  std::string server;
  size_t field = 0;
  MatrixKey key = MatrixKey::kInteger;
};

inline std::string CaseName(const MatrixCase& c) {
  return c.server + "_" + MatrixFields()[c.field].name + "_" + KeyName(c.key);
}

inline void PrintTo(const MatrixCase& c, std::ostream* out) {
  *out << CaseName(c);
}

// Every server x field type (the server has) x key kind; with typeNames,
// only those field types.
inline std::vector<MatrixCase> MatrixCases(const std::vector<std::string>& typeNames = {}) {
  std::vector<MatrixCase> cases;
  for (const std::string& server : MatrixServerNames()) {
    for (size_t field = 0; field < MatrixFields().size(); ++field) {
      const MatrixField& matrixField = MatrixFields()[field];
      if (matrixField.types.count(server) == 0) continue;
      if (!typeNames.empty() &&
          std::find(typeNames.begin(), typeNames.end(), matrixField.name) == typeNames.end())
        continue;
      for (const MatrixKey key : {MatrixKey::kInteger, MatrixKey::kText}) {
        cases.push_back({server, field, key});
      }
    }
  }
  return cases;
}

// A fresh table of the field type and key kind: k, f and the rows.
inline void CreateMatrixTable(const MatrixServer& server, const MatrixField& field, MatrixKey key,
                              const std::string& table) {
  std::string sql = "DROP TABLE IF EXISTS " + table + "; DROP TABLE IF EXISTS " + table +
                    "_expected; CREATE TABLE " + table + " (k " + KeyType(key) +
                    " NOT NULL PRIMARY KEY, f " + field.types.at(server.Name()) +
                    "); INSERT INTO " + table + " (k, f) VALUES ";
  for (size_t index = 0; index < field.rows.size(); ++index) {
    sql += (index > 0 ? ", (" : "(") + KeyLiteral(key, index) + ", " + field.rows[index] + ")";
  }
  server.Client(sql);
}

// Every row, ordered by key, as the server's client prints it.
inline std::string MatrixDump(const MatrixServer& server, const std::string& table) {
  return server.Client("SELECT k, " + server.DumpExpression("f") + " FROM " + table +
                       " ORDER BY k");
}

inline std::string OldValuesList(const MatrixField& field) {
  std::string list;
  for (const auto& [oldValue, newValue] : field.mapping) {
    list += (list.empty() ? "" : ", ") + QuotedSql(oldValue);
  }
  return list;
}

// The rows the mapping changes, as the server counts them.
inline std::string MatrixCount(const MatrixServer& server, const MatrixField& field,
                               const std::string& table) {
  const std::string count =
      server.Client("SELECT COUNT(*) FROM " + table + " WHERE f IN (" + OldValuesList(field) + ")");
  return count.substr(0, count.find('\n'));
}

// The oracle: the dump after the server's own UPDATE ... CASE of the
// mapping on a copy of the table.
inline std::string MatrixExpectedDump(const MatrixServer& server, const MatrixField& field,
                                      const std::string& table) {
  std::string cases;
  for (const auto& [oldValue, newValue] : field.mapping) {
    cases += " WHEN f = " + QuotedSql(oldValue) + " THEN " +
             server.TypedLiteral(newValue, field.types.at(server.Name()));
  }
  const std::string copy = table + "_expected";
  server.Client("CREATE TABLE " + copy + " AS SELECT * FROM " + table + "; UPDATE " + copy +
                " SET f = CASE" + cases + " ELSE f END WHERE f IN (" + OldValuesList(field) + ")");
  return MatrixDump(server, copy);
}

}  // namespace morvane::testing
