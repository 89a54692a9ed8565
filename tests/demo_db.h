// The demo database's SQL (scripts/demo_db) for tests and benchmarks, read
// from the source tree, ready to send through the transport.
#pragma once

#include <string>
#include <vector>

namespace morvane::testing {

enum class DemoBackEnd { kSQLite, kPostgreSQL, kMariaDB };

std::string DemoSchemaSql();
std::string DemoDataSql();
// Drops the tables a test made (extraTables, first) and the demo tables, then
// creates and fills the demo database again: one request for a server that
// several tests share.
std::string RecreateDemoSql(const std::vector<std::string>& extraTables = {});
// The generator of `rows` extra goods, with the back end's date expression
// (for MariaDB preceded by the recursion limit it needs).
std::string ScaleGoodsSql(int rows, DemoBackEnd backEnd);

// Creates an empty SQLite file (the transport never creates one).
bool CreateEmptySqliteFile(const std::string& path);

}  // namespace morvane::testing
