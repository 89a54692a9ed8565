#include "tests/demo_db.h"

#include <sqlite3.h>

#include <fstream>
#include <sstream>

namespace morvane::testing {

namespace {

std::string ReadScript(const char* name) {
  std::ifstream file(std::string(MORVANE_SOURCE_DIR) + "/scripts/demo_db/" + name);
  std::stringstream content;
  content << file.rdbuf();
  return content.str();
}

void ReplaceAll(std::string& text, const std::string& from, const std::string& to) {
  for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
    text.replace(at, from.size(), to);
  }
}

}  // namespace

std::string DemoSchemaSql() {
  return ReadScript("schema.sql");
}
std::string DemoDataSql() {
  return ReadScript("data.sql");
}

std::string RecreateDemoSql(const std::vector<std::string>& extraTables) {
  std::string sql;
  // A table goes before the tables it refers to (Parts refers to Goods).
  for (const std::string& table : extraTables) sql += "DROP TABLE IF EXISTS " + table + "; ";
  sql += "DROP TABLE IF EXISTS Parts; DROP TABLE IF EXISTS Goods; DROP TABLE IF EXISTS Units;\n";
  return sql + DemoSchemaSql() + DemoDataSql();
}

std::string ScaleGoodsSql(int rows, DemoBackEnd backEnd) {
  std::string sql = ReadScript("scale_goods.sql");
  ReplaceAll(sql, "{{ROWS}}", std::to_string(rows));
  switch (backEnd) {
    case DemoBackEnd::kSQLite:
      ReplaceAll(sql, "{{CREATED}}", "date('2020-01-01', '+' || (n % 1800) || ' days')");
      return sql;
    case DemoBackEnd::kPostgreSQL:
      ReplaceAll(sql, "{{CREATED}}", "DATE '2020-01-01' + (n % 1800)");
      return sql;
    case DemoBackEnd::kMariaDB:
      ReplaceAll(sql, "{{CREATED}}", "DATE '2020-01-01' + INTERVAL (n % 1800) DAY");
      return "SET SESSION max_recursive_iterations = " + std::to_string(rows + 1) + ";\n" + sql;
  }
  return sql;
}

bool CreateEmptySqliteFile(const std::string& path) {
  sqlite3* db = nullptr;
  const bool created =
      sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) ==
          SQLITE_OK &&
      sqlite3_exec(db, "PRAGMA user_version = 1", nullptr, nullptr, nullptr) == SQLITE_OK;
  sqlite3_close(db);
  return created;
}

}  // namespace morvane::testing
