#include "transport/sql_gateway.h"

#include <gtest/gtest.h>

namespace morvane::transport {
namespace {

using Statements = std::vector<std::string>;

struct SplitCase {
  const char* request;
  Statements expected;
};

// Short readable names for the test list.
std::string Summary(const char* text) {
  std::string summary;
  for (const char* c = text; *c != '\0' && summary.size() < 40; ++c) {
    summary += (*c == '\r' || *c == '\n') ? '|' : *c;
  }
  return summary;
}

void PrintTo(const SplitCase& value, std::ostream* out) {
  *out << Summary(value.request);
}

class SplitStatementsTest : public ::testing::TestWithParam<SplitCase> {};

TEST_P(SplitStatementsTest, SplitsAtStatementBoundariesOnly) {
  EXPECT_EQ(SplitStatements(GetParam().request), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Requests, SplitStatementsTest,
    ::testing::Values(
        // The wizard's mapping query: three lines, one statement.
        SplitCase{"SELECT Goods.Unit AS src, Units.Ident AS inf\r\n FROM Goods INNER JOIN Units "
                  "ON Goods.Unit = Units.Ident\r\n WHERE Goods.Good='xxx'",
                  {"SELECT Goods.Unit AS src, Units.Ident AS inf\r\n FROM Goods INNER JOIN Units "
                   "ON Goods.Unit = Units.Ident\r\n WHERE Goods.Good='xxx'"}},
        // Generated update statements, one per line, with a trailing break.
        SplitCase{"UPDATE T SET a=1 WHERE k='x'\r\nDELETE FROM T WHERE k='y'\r\n"
                  "INSERT INTO T (k) VALUES ('z')\r\n",
                  {"UPDATE T SET a=1 WHERE k='x'", "DELETE FROM T WHERE k='y'",
                   "INSERT INTO T (k) VALUES ('z')"}},
        // Line breaks and semicolons inside a literal never split.
        SplitCase{"INSERT INTO T (m) VALUES ('one\r\nUPDATE; two')\r\nUPDATE T SET m='it''s;'",
                  {"INSERT INTO T (m) VALUES ('one\r\nUPDATE; two')", "UPDATE T SET m='it''s;'"}},
        // Nor inside parentheses or quoted names.
        SplitCase{"SELECT * FROM T WHERE k IN (\nSELECT k FROM U;\n)",
                  {"SELECT * FROM T WHERE k IN (\nSELECT k FROM U;\n)"}},
        SplitCase{"SELECT \"a;b\" FROM T", {"SELECT \"a;b\" FROM T"}},
        // Semicolons split, empty statements vanish.
        SplitCase{"DELETE FROM T;; UPDATE T SET a=2;", {"DELETE FROM T", "UPDATE T SET a=2"}},
        // A statement keyword after a joining word continues the statement.
        SplitCase{"SELECT a FROM T\nUNION\nSELECT a FROM U",
                  {"SELECT a FROM T\nUNION\nSELECT a FROM U"}},
        SplitCase{"INSERT INTO T (a)\nSELECT a FROM U", {"INSERT INTO T (a)\nSELECT a FROM U"}},
        SplitCase{"WITH x AS (SELECT 1 AS a)\nSELECT a FROM x",
                  {"WITH x AS (SELECT 1 AS a)\nSELECT a FROM x"}},
        SplitCase{"UPDATE T\n SET a = 1\n WHERE k = 2", {"UPDATE T\n SET a = 1\n WHERE k = 2"}},
        // A comment holding an apostrophe does not open a literal.
        SplitCase{"UPDATE T SET a=1 -- don't\nUPDATE T SET a=2",
                  {"UPDATE T SET a=1 -- don't", "UPDATE T SET a=2"}},
        SplitCase{"  \r\n ", {}}));

// A statement is complete after any complete token, so a line break before
// the next statement keyword ends it whatever kind of token came last.
TEST(SplitStatementsTest, EveryKindOfCompleteLastTokenEndsTheStatementAtALineBreak) {
  const char* conditions[] = {
      "d = #01/02/2024#",   "d = #01/02/2024 10:20:30.5#",
      "t = #10:20#",        "k = 'x'",
      "k = 12.5",           "k = other",
      "k = \"Other Name\"", "k = [Other Name]",
      "k IN (1, 2)",        "k IS NULL",
  };
  for (const char* condition : conditions) {
    for (const char* lineBreak : {"\r\n", "\n", "\r", " -- note\r\n"}) {
      const std::string first = std::string("UPDATE T SET T.v = 'x' WHERE ") + condition;
      const std::string request = first + lineBreak + "UPDATE T SET T.v = 'y' WHERE k = 1";
      const std::vector<std::string> statements = SplitStatements(request);
      ASSERT_EQ(statements.size(), 2u) << request;
      EXPECT_EQ(statements[1], "UPDATE T SET T.v = 'y' WHERE k = 1") << request;
    }
  }
  // A '#' that does not close a date is no complete token: the statement goes on.
  EXPECT_EQ(SplitStatements("SELECT a FROM T WHERE b = a #\nSELECT 1").size(), 1u);
}

struct TranslateCase {
  const char* statement;
  const char* sqlite;
  const char* postgres;
};

void PrintTo(const TranslateCase& value, std::ostream* out) {
  *out << Summary(value.statement);
}

class TranslateStatementTest : public ::testing::TestWithParam<TranslateCase> {};

TEST_P(TranslateStatementTest, RewritesForEachBackEnd) {
  EXPECT_EQ(TranslateStatement(GetParam().statement, SqlDialect::kSQLite), GetParam().sqlite);
  EXPECT_EQ(TranslateStatement(GetParam().statement, SqlDialect::kPostgreSQL), GetParam().postgres);
}

INSTANTIATE_TEST_SUITE_P(
    Statements, TranslateStatementTest,
    ::testing::Values(
        TranslateCase{"SELECT * FROM G WHERE G.Created BETWEEN #03/05/2024# AND #12/31/2024#",
                      "SELECT * FROM G WHERE G.Created BETWEEN '2024-03-05' AND '2024-12-31'",
                      "SELECT * FROM G WHERE G.Created BETWEEN DATE '2024-03-05' AND DATE "
                      "'2024-12-31'"},
        TranslateCase{"UPDATE G SET t=#1/2/2024 7:08:09# WHERE v=#23:59:58#",
                      "UPDATE G SET t='2024-01-02 07:08:09' WHERE v='23:59:58'",
                      "UPDATE G SET t=TIMESTAMP '2024-01-02 07:08:09' WHERE v=TIME '23:59:58'"},
        // Not dates: left for the back end to judge.
        TranslateCase{"SELECT #02/30/2024#, a # b, '#01/01/2024#'",
                      "SELECT #02/30/2024#, a # b, '#01/01/2024#'",
                      "SELECT #02/30/2024#, a # b, '#01/01/2024#'"},
        // Table-qualified SET targets lose the qualifier; WHERE keeps it.
        TranslateCase{"UPDATE Goods SET Goods.Unit = 'шт.' WHERE Goods.Unit = 'шт'",
                      "UPDATE Goods SET Unit = 'шт.' WHERE Goods.Unit = 'шт'",
                      "UPDATE Goods SET Unit = 'шт.' WHERE Goods.Unit = 'шт'"},
        TranslateCase{"UPDATE G SET G.a=f(G.b, 1), \"G\".\"c\"=2, d=3 WHERE G.a=0",
                      "UPDATE G SET a=f(G.b, 1), \"c\"=2, d=3 WHERE G.a=0",
                      "UPDATE G SET a=f(G.b, 1), \"c\"=2, d=3 WHERE G.a=0"},
        TranslateCase{"SELECT G.a FROM G", "SELECT G.a FROM G", "SELECT G.a FROM G"}));

TEST(ControlsTransactionTest, RefusesOnlyStatementsThatEndOrStartTheTransaction) {
  for (const char* statement :
       {"COMMIT", " begin transaction", "END", "rollback work", "ABORT", "START TRANSACTION"}) {
    EXPECT_TRUE(ControlsTransaction(statement)) << statement;
  }
  for (const char* statement : {"ROLLBACK TO SAVEPOINT a", "SAVEPOINT a", "RELEASE a",
                                "UPDATE T SET a = 'COMMIT'", "SELECT 1"}) {
    EXPECT_FALSE(ControlsTransaction(statement)) << statement;
  }
}

TEST(StripUserIdTest, RemovesPaddedAndLongIdsOnly) {
  EXPECT_EQ(StripUserId("SELECT 1"), "SELECT 1");
  EXPECT_EQ(StripUserId("ab        SELECT 1"), "SELECT 1");
  EXPECT_EQ(StripUserId("abcdefghijUPDATE T SET a=1"), "UPDATE T SET a=1");
  EXPECT_EQ(StripUserId("operator_12DELETE FROM T"), "DELETE FROM T");
  EXPECT_EQ(StripUserId("selector  select 1"), "select 1");
  EXPECT_EQ(StripUserId("garbage"), "garbage");
  // SQL the id rule does not know is never cut.
  EXPECT_EQ(StripUserId("SET search_path = public; SELECT 1"),
            "SET search_path = public; SELECT 1");
  EXPECT_EQ(StripUserId("foo bar baz; UPDATE T SET a=1"), "foo bar baz; UPDATE T SET a=1");
  EXPECT_EQ(StripUserId("-- adds goods with units\nINSERT INTO T VALUES (1)"),
            "-- adds goods with units\nINSERT INTO T VALUES (1)");
}

TEST(StripUserIdTest, KeepsTextThatNoLoginNameCouldBe) {
  // Lines an operator marked as skipped stay marked, for the server to refuse.
  for (const char* request :
       {"#DELETE FROM Items WHERE Id = 1", "//DELETE FROM Items", "#         DELETE FROM T",
        "operator.12DELETE FROM T", "a-b       SELECT 1", "ab c      SELECT 1",
        "#operator_name_12UPDATE T SET a=1", "shortDELETE FROM T", "ab       SELECT 1"}) {
    EXPECT_EQ(StripUserId(request), request) << request;
  }
  EXPECT_EQ(StripUserId("-- DELETE FROM T"), "-- DELETE FROM T");
}

}  // namespace
}  // namespace morvane::transport
