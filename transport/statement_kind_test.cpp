#include "transport/statement_kind.h"

#include <gtest/gtest.h>

namespace morvane::transport {
namespace {

TEST(StatementKindTest, OnlyStatementsThatInsertUpdateOrDeleteChangeRows) {
  const std::pair<const char*, bool> cases[] = {
      {"UPDATE Goods SET Unit = 'x'", true},
      {"  -- why\n/* note */ delete from Goods", true},
      {"INSERT INTO T VALUES (1)", true},
      {"REPLACE INTO T VALUES (1)", true},
      {"WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n) INSERT INTO T SELECT i FROM n",
       true},
      {"WITH x AS (UPDATE T SET a = 1 RETURNING a) SELECT * FROM x", false},
      {"SELECT replace(Unit, 'a', 'b') FROM Goods", false},
      {"CREATE TABLE T (a INTEGER)", false},
      {"PRAGMA foreign_keys = ON", false},
      {"", false},
  };
  for (const auto& [statement, changes] : cases) EXPECT_EQ(ChangesRows(statement), changes) << statement;
}

}  // namespace
}  // namespace morvane::transport
