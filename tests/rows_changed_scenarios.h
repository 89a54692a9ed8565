// The rows each statement changed, as the transport's reply carries them,
// on every back end. The including file defines BackEndTest (see
// tests/transport_scenarios.h): a connected client on a fresh demo database.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace morvane::testing {

// The rows a condition selects, counted by the back end itself.
inline int64_t CountWhere(TransportClient& client, const std::string& condition) {
  const SendOutcome counted = client.Send("SELECT COUNT(*) AS n FROM Goods WHERE " + condition);
  EXPECT_EQ(counted.reply.status, 'S') << counted.reply.errorText;
  if (counted.reply.records.empty()) return -2;
  const std::string& code = counted.reply.fields.at(0).code;
  return code == "i" ? counted.reply.Int(0, 0) : int64_t(counted.reply.Double(0, 0));
}

TEST_F(BackEndTest, ReplyWithoutResultSetCarriesTheRowsEachStatementChanged) {
  const int64_t shtRows = CountWhere(client(), "Unit = 'шт'");
  const int64_t kgRows = CountWhere(client(), "Unit = 'кг'");
  ASSERT_GT(shtRows, 0);
  const SendOutcome outcome = client().Send(
      "UPDATE Goods SET Goods.Unit = 'штука' WHERE Goods.Unit = 'шт';\r\n"
      "CREATE TABLE Counted (a INTEGER);\r\n"
      "INSERT INTO Counted (a) VALUES (1), (2), (3)\r\n"
      "UPDATE Goods SET Goods.Unit = 'кило' WHERE Goods.Unit = 'кг'\r\n"
      "DELETE FROM Counted WHERE a > 5;\r\n"
      // MariaDB has no WITH in front of a DELETE.
      + std::string(BackEndName() == "MariaDB"
                        ? "DELETE FROM Counted WHERE a < 3;\r\n"
                        : "WITH small AS (SELECT a FROM Counted WHERE a < 3) DELETE FROM Counted "
                          "WHERE a IN (SELECT a FROM small);\r\n") +
      "DROP TABLE Counted");
  ASSERT_EQ(outcome.reply.status, 'S') << outcome.reply.errorText;
  EXPECT_EQ(outcome.reply.problem, "");
  ASSERT_TRUE(outcome.reply.rowsChanged.has_value());
  EXPECT_EQ(*outcome.reply.rowsChanged,
            (std::vector<int64_t>{shtRows, -1, 3, kgRows, 0, 2, -1}));
  EXPECT_EQ(CountWhere(client(), "Unit = 'штука'"), shtRows);
}

TEST_F(BackEndTest, ErrorReplyNamesTheFailingStatementAndNothingStays) {
  const int64_t before = CountWhere(client(), "Unit = 'шт'");
  const SendOutcome outcome = client().Send(
      "UPDATE Goods SET Unit = 'x' WHERE Unit = 'шт';\r\n"
      "UPDATE Goods SET Unit = 'y' WHERE Unit = 'кг';\r\n"
      "UPDATE NoSuchTable SET a = 1;\r\n"
      "UPDATE Goods SET Unit = 'z' WHERE Unit = 'л'");
  ASSERT_EQ(outcome.reply.status, 'E');
  EXPECT_EQ(outcome.reply.problem, "");
  EXPECT_EQ(outcome.reply.failedStatement, 2);
  EXPECT_NE(outcome.reply.errorText.find("NoSuchTable"), std::string::npos);
  EXPECT_EQ(CountWhere(client(), "Unit = 'шт'"), before);
}

TEST_F(BackEndTest, InitReplyNamesTheDatabaseWithoutAPassword) {
  const InitOutcome outcome = client().Init();
  ASSERT_EQ(outcome.status, 0);
  const size_t separator = outcome.text.find("; ");
  ASSERT_NE(separator, std::string::npos) << outcome.text;
  const std::string database = outcome.text.substr(separator + 2);
  EXPECT_NE(database.find(BackEndName() == "SQLite" ? ".db" : "dbname="), std::string::npos) << database;
  EXPECT_EQ(database.find("password"), std::string::npos);
}

}  // namespace morvane::testing
