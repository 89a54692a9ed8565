// Scenarios of the session and query tables that every back end must pass,
// written once. The including file defines SessionBackEndTest first: after
// its SetUp zelDB is connected to a fresh demo database in the access-style
// dialect. PostgreSQL folds unquoted names to lower case; fields are found
// by name without regard to case.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <functional>
#include <string>

#include "engine/zelconst.h"
#include "platform/db/field.h"
#include "platform/rtl/date_time.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/testing/error_of.h"
#include "server/database.h"
#include "server/session_messages.h"
#include "server/table.h"

namespace morvane::testing {
namespace {

// PostgreSQL folds unquoted names to lower case; SQLite keeps them.
std::string AsciiLower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char character) { return char(std::tolower(character)); });
  return text;
}

int CountOf(const std::string& sql) {
  TzelTable table;
  table.SetSQLText(sql);
  table.Open();
  return table.RecordCount();
}

TEST_F(SessionBackEndTest, QueryTableLoadsUnitsWithTheirFieldTypes) {
  TzelTable table;
  table.SetSQLText("SELECT * FROM Units");
  table.Open();
  EXPECT_GT(table.RecordCount(), 20);
  EXPECT_EQ(table.FieldByName("Ident")->DataType(), ftString);
  EXPECT_EQ(table.FieldByName("Code")->DataType(), ftInteger);
  ASSERT_TRUE(table.Locate("Ident", Variant("кг"), TLocateOptions{}));
  EXPECT_EQ(table.FieldByName("name")->AsString(), "килограмм");
}

TEST_F(SessionBackEndTest, ParametersTravelInOrderAsLiteralsOfTheDialect) {
  ASSERT_TRUE(zelDB().FreeSQL("INSERT INTO Units (Ident, name) VALUES ('д''м', 'O''Hara?')"));
  TzelTable table;
  table.SetSQLText("SELECT Ident FROM Units WHERE name = :name AND Ident = :ident");
  table.ParamByName("name")->SetAsString("O'Hara?");
  table.ParamByName("ident")->SetAsString("д'м");
  table.Open();
  ASSERT_EQ(table.RecordCount(), 1);
  EXPECT_EQ(table.FieldByName("Ident")->AsString(), "д'м");

  const int goods = CountOf("SELECT Good FROM Goods");
  TzelTable since;
  since.SetSQLText("SELECT Good FROM Goods WHERE Created >= :since");
  since.ParamByName("since")->SetAsDate(EncodeDate(1900, 1, 1));
  since.Open();
  EXPECT_EQ(since.RecordCount(), goods);
  since.Close();
  since.ParamByName("since")->SetAsDate(EncodeDate(2100, 1, 1));
  since.Open();
  EXPECT_EQ(since.RecordCount(), 0);
}

TEST_F(SessionBackEndTest, ShortUserIDIsAcceptedAsAPaddedPrefix) {
  zelDB().SetUserID("ab");
  EXPECT_GT(CountOf("SELECT * FROM Units"), 20);
  EXPECT_TRUE(zelDB().FreeSQL("UPDATE Goods SET Goods.Unit = 'кг' WHERE Goods.Unit = 'кг.'"));
  EXPECT_EQ(CountOf("SELECT Good FROM Goods WHERE Unit = 'кг.'"), 0);
}

TEST_F(SessionBackEndTest, ErrorReplyOpensNothingAndKeepsTheSession) {
  TzelTable table;
  table.SetSQLText("SELECT * FROM NoSuchTable");
  const std::string error = ErrorOf([&] { table.Open(); });
  EXPECT_EQ(error.rfind(zelconst::_Z_OPENTABLE, 0), 0u) << error;
  EXPECT_GT(error.size(), std::string(zelconst::_Z_OPENTABLE).size()) << "the server's text";
  EXPECT_FALSE(table.Active());
  EXPECT_TRUE(zelDB().Connected());

  // The system's message, then the server's reason on the next line.
  const std::string refused = ErrorOf([] { zelDB().FreeSQL("UPDATE NoSuchTable SET x = 1"); });
  EXPECT_EQ(refused.rfind(std::string(zelconst::_Z_ERRUPDATESERVER) + "\n", 0), 0u) << refused;
  EXPECT_NE(AsciiLower(refused).find("nosuchtable"), std::string::npos) << refused;
  EXPECT_NE(AsciiLower(zelDB().LastErrorText()).find("nosuchtable"), std::string::npos);
  EXPECT_TRUE(zelDB().Connected());
}

TEST_F(SessionBackEndTest, RefusedRequestChangesNothing) {
  EXPECT_FALSE(
      zelDB().UpdateToServer("UPDATE Goods SET Goods.Unit = 'zz' WHERE Goods.Unit = 'кг.'\r\n"
                             "UPDATE NoSuchTable SET x = 1"));
  EXPECT_EQ(CountOf("SELECT Good FROM Goods WHERE Unit = 'zz'"), 0);
}

// A numeric parameter that received a text must not carry SQL to the server.
TEST_F(SessionBackEndTest, NumericParameterHoldingSqlIsRefusedBeforeSending) {
  TzelTable units;
  units.SetSQLText("SELECT * FROM Units WHERE Code = :code");
  units.ParamByName("code")->SetDataType(ftInteger);
  units.ParamByName("code")->SetValue(Variant("796; DELETE FROM Parts"));
  EXPECT_EQ(
      ErrorOf([&] { units.Open(); }),
      zelconst::FormatMessage(sessionmsg::kParamNotNumber, {"code", "796; DELETE FROM Parts"}));
  EXPECT_EQ(CountOf("SELECT * FROM Parts"), 30);
  units.ParamByName("code")->SetValue(Variant("796"));
  units.Open();
  EXPECT_EQ(units.RecordCount(), 1);
}

TEST_F(SessionBackEndTest, BooleanParameterMatchesItsRows) {
  TzelTable active;
  active.SetSQLText("SELECT Good FROM Goods WHERE Active = :yes AND Good = 'G0001'");
  active.ParamByName("yes")->SetAsBoolean(true);
  active.Open();
  EXPECT_EQ(active.RecordCount(), 1);
  active.Close();
  active.ParamByName("yes")->SetAsBoolean(false);
  active.Open();
  EXPECT_EQ(active.RecordCount(), 0);
}

TEST_F(SessionBackEndTest, UpdateOnAClosedSessionConnectsAndSends) {
  zelDB().Disconnect();
  EXPECT_TRUE(
      zelDB().UpdateToServer("UPDATE Goods SET Goods.Unit = 'кг' WHERE Goods.Unit = 'кг.'"));
  EXPECT_TRUE(zelDB().Connected());
  EXPECT_EQ(CountOf("SELECT Good FROM Goods WHERE Unit = 'кг.'"), 0);
}

TEST_F(SessionBackEndTest, CloneOfAnOpenTableSharesItsRecords) {
  TzelTable source;
  source.SetSQLText("SELECT * FROM Units");
  source.Open();
  TzelTable clone;
  clone.LoadFromCursor(&source);
  EXPECT_EQ(clone.Cursor(), source.Cursor());
  EXPECT_EQ(clone.RecordCount(), source.RecordCount());
}

}  // namespace
}  // namespace morvane::testing
