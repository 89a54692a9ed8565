// Fuzzes the gateway with arbitrary request texts: splitting, user id
// stripping and translation must never crash, and splitting must never
// invent text: every statement is a piece of the request.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "transport/sql_gateway.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view request(reinterpret_cast<const char*>(data), size);
  const std::string_view sql = morvane::transport::StripUserId(request);
  for (const std::string& statement : morvane::transport::SplitStatements(sql)) {
    if (statement.empty() || request.find(statement) == std::string_view::npos) std::abort();
    morvane::transport::TranslateStatement(statement, morvane::transport::SqlDialect::kSQLite);
    morvane::transport::TranslateStatement(statement, morvane::transport::SqlDialect::kPostgreSQL);
    morvane::transport::TranslateStatement(statement, morvane::transport::SqlDialect::kMariaDB);
  }
  return 0;
}
