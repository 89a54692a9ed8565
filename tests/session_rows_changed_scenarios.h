// The rows each statement changed, as the session reads them from the
// transport's reply after UpdateToServer and FreeSQL, on every back end.
// The including file defines SessionBackEndTest (tests/session_scenarios.h).
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "server/database.h"
#include "server/table.h"

namespace morvane::testing {
namespace {

int RowsWhere(const std::string& condition) {
  TzelTable table;
  table.SetSQLText("SELECT Good FROM Goods WHERE " + condition);
  table.Open();
  return table.RecordCount();
}

TEST_F(SessionBackEndTest, RowsChangedFollowEachRequest) {
  const int shtRows = RowsWhere("Unit = 'шт'");
  const int kgRows = RowsWhere("Unit = 'кг'");
  ASSERT_GT(shtRows, 0);
  ASSERT_TRUE(zelDB().FreeSQL(
      "UPDATE Goods SET Goods.Unit = 'штука' WHERE Goods.Unit = 'шт';\r\n"
      "UPDATE Goods SET Goods.Unit = 'кило' WHERE Goods.Unit = 'кг';\r\n"
      "UPDATE Goods SET Goods.Unit = 'нет' WHERE Goods.Unit = 'нет такой'"));
  EXPECT_EQ(zelDB().RowsChanged(), (std::vector<int64_t>{shtRows, kgRows, 0}));
  EXPECT_EQ(zelDB().FailedStatement(), -1);

  EXPECT_FALSE(zelDB().UpdateToServer(
      "UPDATE Goods SET Unit = 'x' WHERE Unit = 'штука';\r\nUPDATE NoSuchTable SET a = 1"));
  EXPECT_TRUE(zelDB().RowsChanged().empty());
  EXPECT_EQ(zelDB().FailedStatement(), 1);
  EXPECT_EQ(RowsWhere("Unit = 'штука'"), shtRows);

  EXPECT_TRUE(zelDB().UpdateToServer("  \r\n"));  // nothing sent: nothing counted
  EXPECT_TRUE(zelDB().RowsChanged().empty());
  EXPECT_EQ(zelDB().FailedStatement(), -1);
}

}  // namespace
}  // namespace morvane::testing
