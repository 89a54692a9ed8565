#include "transport/changed_table.h"

#include <gtest/gtest.h>

namespace morvane::transport {
namespace {

TEST(ChangedTableTest, NamesTheTableEachChangingFormWritesTo) {
  const struct {
    const char* statement;
    const char* schema;
    const char* table;
  } cases[] = {
      {"UPDATE Goods SET Unit = 'x'", "", "Goods"},
      {"update low_priority ignore stock.Goods set a = 1", "stock", "Goods"},
      {"INSERT INTO \"Units\" (Ident) VALUES ('x')", "", "Units"},
      {"INSERT IGNORE `Parts` VALUES (1)", "", "Parts"},
      {"REPLACE INTO Units SELECT * FROM Other", "", "Units"},
      {"DELETE QUICK FROM `shop`.`Goods` WHERE 1 = 1", "shop", "Goods"},
      {"-- why\r\nDELETE FROM Goods", "", "Goods"},
      {"WITH u AS (SELECT 1 AS a) UPDATE Goods SET Unit = 'x'", "", "Goods"},
      {"SELECT * FROM Goods", "", ""},
      {"WITH u AS (SELECT 1) SELECT * FROM u", "", ""},
      {"CREATE TABLE Goods (a INT)", "", ""},
  };
  for (const auto& c : cases) {
    const TableName name = ChangedTable(c.statement);
    EXPECT_EQ(name.schema, c.schema) << c.statement;
    EXPECT_EQ(name.table, c.table) << c.statement;
  }
}

}  // namespace
}  // namespace morvane::transport
