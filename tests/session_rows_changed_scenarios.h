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

TEST_F(SessionBackEndTest, StatementProgressHearsEachStatementAndCanCancelTheRequest) {
  ASSERT_TRUE(zelDB().CanReportProgress());
  const int shtRows = RowsWhere("Unit = 'шт'");
  const std::string request =
      "UPDATE Goods SET Goods.Unit = 'штука' WHERE Goods.Unit = 'шт';\r\n"
      "UPDATE Goods SET Goods.Unit = 'кило' WHERE Goods.Unit = 'кг';\r\n"
      "UPDATE Goods SET Goods.Unit = 'литр' WHERE Goods.Unit = 'л'";
  std::vector<std::vector<int64_t>> heard;
  ASSERT_TRUE(zelDB().SetStatementProgress([&](int done, int total, int64_t rows) {
    heard.push_back({done, total, rows});
    // A request of its own is refused; the one under way goes on.
    EXPECT_FALSE(zelDB().UpdateToServer("UPDATE Goods SET Unit = 'inner'"));
    return done < 2;
  }));
  EXPECT_FALSE(zelDB().UpdateToServer(request));
  EXPECT_TRUE(zelDB().Cancelled());
  EXPECT_EQ(zelDB().FailedStatement(), 1);
  EXPECT_TRUE(zelDB().RowsChanged().empty());
  EXPECT_NE(zelDB().LastErrorText().find("отменено"), std::string::npos) << zelDB().LastErrorText();
  EXPECT_TRUE(zelDB().Connected());
  ASSERT_EQ(heard.size(), 2u);
  EXPECT_EQ(heard[0], (std::vector<int64_t>{1, 3, shtRows}));
  EXPECT_EQ(heard[1][0], 2);

  // Removed, it hears nothing more, and the same request commits.
  ASSERT_TRUE(zelDB().SetStatementProgress({}));
  EXPECT_EQ(RowsWhere("Unit = 'шт'"), shtRows);
  EXPECT_EQ(RowsWhere("Unit IN ('штука', 'кило', 'inner')"), 0);
  EXPECT_TRUE(zelDB().UpdateToServer(request));
  EXPECT_FALSE(zelDB().Cancelled());
  EXPECT_EQ(heard.size(), 2u);
  EXPECT_EQ(RowsWhere("Unit = 'штука'"), shtRows);
}

}  // namespace
}  // namespace morvane::testing
