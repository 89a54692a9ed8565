// The demo database's SQL (scripts/demo_db) for tests and benchmarks, read
// from the source tree, ready to send through the transport.
#pragma once

#include <string>

namespace morvane::testing {

enum class DemoBackEnd { kSQLite, kPostgreSQL };

std::string DemoSchemaSql();
std::string DemoDataSql();
// The generator of `rows` extra goods, with the back end's date expression.
std::string ScaleGoodsSql(int rows, DemoBackEnd backEnd);

// Creates an empty SQLite file (the transport never creates one).
bool CreateEmptySqliteFile(const std::string& path);

}  // namespace morvane::testing
