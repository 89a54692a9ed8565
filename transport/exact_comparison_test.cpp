#include "transport/exact_comparison.h"

#include <gtest/gtest.h>

#include "transport/sql_gateway.h"

namespace morvane::transport {
namespace {

constexpr char kBin[] = "utf8mb4_nopad_bin";

std::string Exact(std::string_view statement) {
  return MakeComparisonsExact(statement, kBin);
}

// The statements the program sends, as the gateway hands them to MariaDB.
TEST(ExactComparisonTest, TheProgramsConditionsCompareExactly) {
  EXPECT_EQ(Exact("UPDATE Goods SET Unit = 'шт' WHERE Goods.Unit = 'ШТ' AND Goods.Created "
                  "BETWEEN DATE '2024-01-01' AND DATE '2024-03-31'"),
            "UPDATE Goods SET Unit = 'шт' WHERE (Goods.Unit = 'ШТ' AND Goods.Unit = 'ШТ' COLLATE "
            "utf8mb4_nopad_bin) AND Goods.Created BETWEEN DATE '2024-01-01' AND DATE "
            "'2024-03-31'");
  EXPECT_EQ(Exact("SELECT Goods.Unit AS v, COUNT(*) AS n FROM Goods WHERE Goods.Unit IN ('шт', "
                  "'it''s') GROUP BY Goods.Unit"),
            "SELECT Goods.Unit AS v, COUNT(*) AS n FROM Goods WHERE (Goods.Unit IN ('шт', "
            "'it''s') AND Goods.Unit IN ('шт' COLLATE utf8mb4_nopad_bin, 'it''s' COLLATE "
            "utf8mb4_nopad_bin)) GROUP BY CAST(CONVERT(Goods.Unit USING utf8mb4) AS BINARY)");
  EXPECT_EQ(Exact("SELECT Unit, COUNT(*) AS cnt FROM Goods\r\n GROUP BY Unit"),
            "SELECT Unit, COUNT(*) AS cnt FROM Goods\r\n GROUP BY CAST(CONVERT(Unit USING "
            "utf8mb4) AS BINARY)");
  EXPECT_EQ(Exact("UPDATE Goods SET Unit = 'a' WHERE Goods.Good = 'G1' AND Goods.Unit = 'b'"),
            "UPDATE Goods SET Unit = 'a' WHERE (Goods.Good = 'G1' AND Goods.Good = 'G1' COLLATE "
            "utf8mb4_nopad_bin) AND (Goods.Unit = 'b' AND Goods.Unit = 'b' COLLATE "
            "utf8mb4_nopad_bin)");
  EXPECT_EQ(Exact("DELETE FROM t WHERE \"a b\" <> 'x' OR c NOT IN ('y')"),
            "DELETE FROM t WHERE (\"a b\" <> 'x' COLLATE utf8mb4_nopad_bin) OR (c NOT IN ('y' "
            "COLLATE utf8mb4_nopad_bin))");
}

TEST(ExactComparisonTest, DistinctOfOneNameGroupsByTheBytes) {
  EXPECT_EQ(Exact("SELECT DISTINCT Unit FROM Goods"),
            "SELECT  Unit FROM Goods\nGROUP BY CAST(CONVERT(Unit USING utf8mb4) AS BINARY)");
  EXPECT_EQ(Exact("SELECT DISTINCT Goods.Unit FROM Goods\r\n WHERE Created > DATE '2024-01-01' "
                  "ORDER BY 1"),
            "SELECT  Goods.Unit FROM Goods\r\n WHERE Created > DATE '2024-01-01' GROUP BY "
            "CAST(CONVERT(Goods.Unit USING utf8mb4) AS BINARY) ORDER BY 1");
  // A trailing comment does not swallow the added clause.
  EXPECT_EQ(Exact("SELECT DISTINCT Unit FROM Goods -- units"),
            "SELECT  Unit FROM Goods -- units\nGROUP BY CAST(CONVERT(Unit USING utf8mb4) AS "
            "BINARY)");
}

// Anything that is not a lone comparison of a name with text keeps its
// meaning: it passes through byte for byte.
TEST(ExactComparisonTest, OtherFormsPassThroughUnchanged) {
  for (const char* statement : {
           "SELECT DISTINCT Unit, Title FROM Goods",
           "SELECT DISTINCT Unit FROM Goods GROUP BY lower(Unit)",
           "UPDATE Goods SET Unit = 'x', Title = 'y' WHERE Price = 5",
           "SELECT * FROM Goods WHERE 'x' || Unit = 'xy'",
           "SELECT * FROM Goods WHERE Unit = 'x' || 'y'",
           "SELECT * FROM Goods WHERE Unit = Title",
           "SELECT * FROM Goods WHERE lower(Unit) = 'x'",
           "SELECT * FROM Goods WHERE Unit IN (SELECT Ident FROM Units)",
           "SELECT * FROM Goods WHERE Unit <= 'x' AND Unit >= 'a'",
           "SELECT Unit = 'x' AS same FROM Goods",
           "INSERT INTO Goods (Good) SELECT Good FROM Goods WHERE Unit = 'x'",
           "CREATE TABLE t (a VARCHAR(5) CHECK (a <> 'y'))",
           "SELECT * FROM Goods WHERE Unit LIKE 'ш%'",
       }) {
    EXPECT_EQ(Exact(statement), statement) << statement;
  }
}

TEST(ExactComparisonTest, GatewayAppliesItAfterDatesAndSetTargetsOnlyForMariaDb) {
  const char* update =
      "UPDATE Goods SET Goods.Unit = 'a' WHERE Goods.Unit = 'b' AND Created = "
      "#01/16/2024#";
  EXPECT_EQ(TranslateStatement(update, SqlDialect::kMariaDB),
            "UPDATE Goods SET Unit = 'a' WHERE (Goods.Unit = 'b' AND Goods.Unit = 'b' COLLATE "
            "utf8mb4_nopad_bin) AND Created = DATE '2024-01-16'");
  EXPECT_NE(TranslateStatement(update, SqlDialect::kMySQL).find("COLLATE utf8mb4_0900_bin"),
            std::string::npos);
  EXPECT_EQ(TranslateStatement(update, SqlDialect::kPostgreSQL).find("COLLATE"), std::string::npos);
}

}  // namespace
}  // namespace morvane::transport
