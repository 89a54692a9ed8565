#include "replace/undo_script.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

#include "replace/replacement_messages.h"

namespace morvane {
namespace {

CMvCFG GoodsUnit() {
  CMvCFG cfg("/nonexistent-dir");
  cfg.Load();
  return cfg;
}

ReplacementPlan PlanOf(const CMvCFG& cfg, const std::vector<ReplacementPair>& mapping) {
  CPeriod period;
  ReplacementPlan plan;
  std::string error;
  EXPECT_TRUE(TryBuildReplacementPlan(cfg, period, mapping, plan, error)) << error;
  return plan;
}

TEST(UndoScriptTest, CaptureQueryAsksForThePlansValuesUnderItsRestriction) {
  CMvCFG cfg = GoodsUnit();
  CPeriod period;
  const ReplacementPlan plan = PlanOf(cfg, {{"шт.", "шт", 1}, {"O'K", "ок", 2}});
  EXPECT_EQ(CaptureQuery(cfg, period, plan),
            "SELECT Goods.Good AS k, Goods.Unit AS v, CASE WHEN Goods.Unit = 'шт.' THEN 'шт.' WHEN "
            "Goods.Unit = 'O''K' THEN 'O''K' END AS m FROM Goods WHERE Goods.Unit IN ('шт.', "
            "'O''K')");
  cfg.AWFld = true;
  cfg.AFld01 = "Created";
  cfg.SrcFullDate = "Goods.Created";
  const std::string restricted = CaptureQuery(cfg, period, plan);
  EXPECT_NE(restricted.find("') AND Goods.Created BETWEEN "), std::string::npos) << restricted;
  cfg.SUnFld.clear();
  EXPECT_EQ(CaptureQuery(cfg, period, plan), "");
}

TEST(UndoScriptTest, OneGuardedStatementPerKeyAndTheFileReadsBack) {
  CMvCFG cfg = GoodsUnit();
  const ReplacementPlan plan = PlanOf(cfg, {{"A", "B", 1}, {"B", "C", 2}, {"it's", "x; -- y", 3}});
  UndoScript undo;
  std::string error;
  ASSERT_TRUE(
      TryBuildUndoScript(cfg, plan, {{"G1", "A"}, {"G'2", "B"}, {"G3", "it's"}}, undo, error))
      << error;
  ASSERT_EQ(undo.rows.size(), 3u);
  EXPECT_EQ(undo.Statements()[0],
            "UPDATE Goods SET Goods.Unit = 'A' WHERE Goods.Good = 'G1' AND Goods.Unit = 'B'");
  EXPECT_EQ(undo.Statements()[1],
            "UPDATE Goods SET Goods.Unit = 'B' WHERE Goods.Good = 'G''2' AND Goods.Unit = 'C'");

  const std::string text = FormatUndoScript(undo);
  EXPECT_EQ(text.substr(0, text.find("UPDATE")),
            "-- Morvane undo script\n-- table: Goods\n-- field: Unit\n-- key: Good\n");
  UndoScript read;
  ASSERT_TRUE(TryParseUndoScript(text, read, error)) << error;
  EXPECT_EQ(read.Statements(), undo.Statements());
  EXPECT_EQ(read.rows[2].replacedValue, "x; -- y");
}

TEST(UndoScriptTest, RefusesRowsItCannotNameExactly) {
  CMvCFG cfg = GoodsUnit();
  const ReplacementPlan plan = PlanOf(cfg, {{"A", "B", 1}, {"C", "D", 2}});
  struct Case {
    std::vector<CapturedRow> rows;
    std::string error;
  };
  const Case cases[] = {
      {{{"G1", "A"}, {"G1", "C"}}, replacemsg::KeyNotUnique("Goods.Good", "G1")},
      {{{"", "A"}}, replacemsg::KeyMissing("Goods.Good", "A")},
  };
  for (const Case& c : cases) {
    UndoScript undo;
    std::string error;
    EXPECT_FALSE(TryBuildUndoScript(cfg, plan, c.rows, undo, error));
    EXPECT_EQ(error, c.error);
  }
}

TEST(UndoScriptTest, ChangedFileIsRefusedWithItsLine) {
  const std::string good =
      "-- Morvane undo script\n-- table: T\n-- field: F\n-- key: K\n"
      "UPDATE T SET T.F = 'a' WHERE T.K = '1' AND T.F = 'b';\n";
  const std::pair<std::string, int> changed[] = {
      {"-- table: T\n", 1},
      {good + "UPDATE T SET T.F = 'a' WHERE T.K = '2' AND T.F = 'b'\n", 6},
      {good + "DELETE FROM T;\n", 6},
      {good + "UPDATE T SET T.F = 'a' WHERE T.K = '3' OR 1=1;\n", 6},
      {"-- Morvane undo script\n-- table: T\n-- field: \n-- key: K\n", 3},
      // A name that carries SQL would put it into every statement and the check.
      {FormatUndoScript({"T; DELETE FROM T; SELECT * FROM T", "F", "K", {{"1", "a", "b"}}}), 2},
      {FormatUndoScript({"T", "F", "K OR 1 = 1 OR T.K", {{"1", "a", "b"}}}), 4},
  };
  for (const auto& [text, line] : changed) {
    UndoScript undo;
    std::string error;
    EXPECT_FALSE(TryParseUndoScript(text, undo, error)) << text;
    EXPECT_EQ(error, replacemsg::UndoLine(line, replacemsg::kUndoNotOurs)) << text;
  }
}

// The file is read in blocks of a mebibyte: rows across a block's end,
// values with line breaks, apostrophes and semicolons, and a last line
// without its line end all read back as written; a damaged row far into the
// file is refused with its own line.
TEST(UndoScriptTest, FileReaderReadsBackRowsAcrossItsBlocksAndNamesADamagedLine) {
  UndoScript written{"T", "F", "K", {}};
  for (int index = 0; index < 30000; ++index) {
    const std::string n = std::to_string(index);
    written.rows.push_back(
        index % 997 == 0 ? UndoRow{n, "line\n'" + n + "';\nnext;", "x;"}
                         : UndoRow{n, "value " + n + std::string(size_t(index % 50), 'v'), "new"});
  }
  std::string text = FormatUndoScript(written);
  ASSERT_GT(text.size(), size_t(2) << 20);
  text.pop_back();  // the last line end
  const std::string path = ::testing::TempDir() + "/reader-undo.sql";
  const auto write = [&](const std::string& content) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    std::fwrite(content.data(), 1, content.size(), file);
    std::fclose(file);
  };
  const auto readAll = [&](std::vector<UndoRow>& rows, std::string& error) {
    UndoFileReader reader;
    UndoScript header;
    if (!reader.Open(path, header, error)) return -2;
    EXPECT_EQ(header.table, "T");
    UndoRow row;
    int read;
    while ((read = reader.Next(row, error)) > 0) rows.push_back(row);
    return read;
  };
  write(text);
  std::vector<UndoRow> rows;
  std::string error;
  ASSERT_EQ(readAll(rows, error), 0) << error;
  ASSERT_EQ(rows.size(), written.rows.size());
  for (size_t index = 0; index < rows.size(); ++index) {
    ASSERT_EQ(rows[index].key, written.rows[index].key);
    ASSERT_EQ(rows[index].restoredValue, written.rows[index].restoredValue);
    ASSERT_EQ(rows[index].replacedValue, written.rows[index].replacedValue);
  }

  // Row 20000 sits past the first block; its line counts the values' breaks.
  const std::string row = FormatUndoRow(written, written.rows[20000]);
  const size_t at = text.find(row);
  ASSERT_NE(at, std::string::npos);
  const int line = 1 + int(std::count(text.begin(), text.begin() + long(at), '\n'));
  write(text.substr(0, at) + "DELETE FROM T;\n" + text.substr(at + row.size()));
  rows.clear();
  EXPECT_EQ(readAll(rows, error), -1);
  EXPECT_EQ(rows.size(), 20000u);
  EXPECT_EQ(error, replacemsg::UndoLine(line, replacemsg::kUndoNotOurs));
  std::remove(path.c_str());
}

TEST(UndoScriptTest, RowsChangedSinceAreThoseNoLongerHoldingTheReplacedValue) {
  UndoScript undo{"Goods", "Unit", "Good", {{"G1", "A", "B"}, {"G2", "A", "B"}, {"G3", "C", "D"}}};
  EXPECT_EQ(
      CheckQuery(undo),
      "SELECT Goods.Good AS k, CASE WHEN Goods.Unit = 'B' THEN 'B' WHEN Goods.Unit = 'D' THEN "
      "'D' END AS v FROM Goods WHERE Goods.Good IN ('G1', 'G2', 'G3')");
  EXPECT_TRUE(RowsChangedSince(undo, {{"G3", "D"}, {"G1", "B"}, {"G2", "B"}}).empty());
  // G2 changed by someone else, G3 deleted.
  EXPECT_EQ(RowsChangedSince(undo, {{"G1", "B"}, {"G2", "E"}}),
            (std::vector<std::string>{"G2", "G3"}));
  std::vector<std::string> many;
  for (int i = 1; i <= 12; ++i) many.push_back("K" + std::to_string(i));
  EXPECT_EQ(ChangedSinceMessage(many),
            replacemsg::ChangedSince("«K1», «K2», «K3», «K4», «K5», «K6», «K7», «K8», «K9», "
                                     "«K10» и ещё 2"));
}

}  // namespace
}  // namespace morvane
