// The one pass leaves out work where the server already answers it: the
// catalog for a key's uniqueness and a field's exact equality, SQLite's file
// version for "nobody committed since the keys were read". Each shortcut is
// checked for the cases where it must not be taken, and the runs that fall
// back for the result they must still give. Written once for every back
// end; the including file defines SessionBackEndTest with SecondClient(sql).
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "platform/rtl/exceptions.h"
#include "platform/rtl/text.h"
#include "replace/declared_key.h"
#include "replace/replacement_messages.h"
#include "replace/replacement_run.h"
#include "server/database.h"
#include "tests/key_value_dump.h"

namespace morvane::testing {
namespace {

class OnePassShortcutTest : public SessionBackEndTest {
 protected:
  void SetUp() override {
    SessionBackEndTest::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    dialect_ = SessionSetDialect();
    if (dialect_ == SetDialect::kNone) GTEST_SKIP() << "no one-pass statements for this server";
    char folderTemplate[] = "/tmp/morvane-shortcut-XXXXXX";
    ASSERT_NE(mkdtemp(folderTemplate), nullptr);
    folder_ = folderTemplate;
  }
  void TearDown() override {
    if (!folder_.empty()) std::filesystem::remove_all(folder_);
    SessionBackEndTest::TearDown();
  }
  void Exec(const std::string& sql) { ASSERT_TRUE(zelDB().UpdateToServer(sql)) << sql; }
  // The default setting (Goods.Unit by key Good) and a plan of two units.
  void PlanTwoUnits() {
    cfg_.Load();
    std::string error;
    ASSERT_TRUE(
        TryBuildReplacementPlan(cfg_, period_, {{"Шт", "шт", 1}, {"кгр", "кг", 2}}, plan_, error))
        << error;
  }
  static std::string Units() { return KeyValueDump("SELECT Good, Unit FROM Goods ORDER BY Good"); }
  bool Sqlite() const { return dialect_ == SetDialect::kSQLite; }

  SetDialect dialect_ = SetDialect::kNone;
  std::string folder_;
  CMvCFG cfg_{"/nonexistent-dir"};
  CPeriod period_;
  ReplacementPlan plan_;
};

TEST_F(OnePassShortcutTest, OnlyASingleColumnKeyDeclaredUniqueAndNeverEmptyCounts) {
  Exec("DROP TABLE IF EXISTS KeyInt; CREATE TABLE KeyInt (id INTEGER PRIMARY KEY, v TEXT)");
  Exec("DROP TABLE IF EXISTS KeyText; CREATE TABLE KeyText (code VARCHAR(10) PRIMARY KEY, v TEXT)");
  Exec(
      "DROP TABLE IF EXISTS KeyUnique; "
      "CREATE TABLE KeyUnique (code VARCHAR(10) NOT NULL UNIQUE, v TEXT)");
  Exec(
      "DROP TABLE IF EXISTS KeyNullable; CREATE TABLE KeyNullable (code VARCHAR(10) UNIQUE, v "
      "TEXT)");
  Exec(
      "DROP TABLE IF EXISTS KeyPair; CREATE TABLE KeyPair (a INTEGER NOT NULL, "
      "b INTEGER NOT NULL, v TEXT, PRIMARY KEY (a, b))");
  Exec(
      "DROP TABLE IF EXISTS KeyPartial; CREATE TABLE KeyPartial (code VARCHAR(10) NOT NULL, v "
      "TEXT); CREATE UNIQUE INDEX KeyPartial_code ON KeyPartial (code) WHERE v IS NOT NULL");
  EXPECT_TRUE(KeyDeclaredUnique(dialect_, "KeyInt", "id"));
  EXPECT_TRUE(KeyDeclaredUnique(dialect_, "KeyInt", "ID"));  // names compare as the server's do
  EXPECT_TRUE(KeyDeclaredUnique(dialect_, "KeyUnique", "code"));
  EXPECT_TRUE(KeyDeclaredUnique(dialect_, "Goods", "Good"));
  // SQLite lets a primary key other than INTEGER hold NULLs.
  EXPECT_EQ(KeyDeclaredUnique(dialect_, "KeyText", "code"), !Sqlite());
  EXPECT_FALSE(KeyDeclaredUnique(dialect_, "KeyNullable", "code"));
  EXPECT_FALSE(KeyDeclaredUnique(dialect_, "KeyPair", "a"));
  EXPECT_FALSE(KeyDeclaredUnique(dialect_, "KeyPartial", "code"));
  EXPECT_FALSE(KeyDeclaredUnique(dialect_, "KeyInt", "v"));
  EXPECT_FALSE(KeyDeclaredUnique(dialect_, "NoSuchTable", "id"));
  if (Sqlite()) {
    // Uniqueness by another comparison than the one the undo names rows by.
    Exec(
        "DROP TABLE IF EXISTS KeyNoCase; "
        "CREATE TABLE KeyNoCase (code TEXT COLLATE NOCASE NOT NULL UNIQUE, v TEXT)");
    EXPECT_FALSE(KeyDeclaredUnique(dialect_, "KeyNoCase", "code"));
  }
}

TEST_F(OnePassShortcutTest, ExactEqualityOnlyWhereEqualValuesHaveEqualBytes) {
  Exec(
      "DROP TABLE IF EXISTS Kinds; CREATE TABLE Kinds (t TEXT, vc VARCHAR(20), i INTEGER, "
      "d DATE, n NUMERIC(10, 2), r REAL, c CHAR(5))");
  EXPECT_FALSE(FieldEqualityIsExact(dialect_, "Kinds", "n"));
  EXPECT_FALSE(FieldEqualityIsExact(dialect_, "Kinds", "r"));
  EXPECT_FALSE(FieldEqualityIsExact(dialect_, "Kinds", "c"));
  EXPECT_FALSE(FieldEqualityIsExact(dialect_, "Kinds", "missing"));
  for (const char* field : {"t", "vc", "i", "d"})
    EXPECT_EQ(FieldEqualityIsExact(dialect_, "Kinds", field), !Sqlite()) << field;
}

// Another client commits between the reading of the keys and the run, but
// not to a mapped row: the run still applies (SQLite reads the rows again
// inside the run), counts each line, and its undo is exact.
TEST_F(OnePassShortcutTest, UnrelatedCommitBetweenReadingAndRunStillAppliesExactly) {
  ASSERT_NO_FATAL_FAILURE(PlanTwoUnits());
  const std::vector<CapturedRow> other = ReadKeyValueRows(
      "SELECT Good, Title FROM Goods WHERE Unit NOT IN ('Шт', 'кгр') ORDER BY Good");
  ASSERT_FALSE(other.empty());
  const std::vector<int64_t> preview = CountRowsToChange(cfg_, period_, plan_);
  ASSERT_GT(preview[0] + preview[1], 0);
  ReplacementRunOptions options;
  options.logFolder = folder_;
  options.afterCapture = [&] {
    SecondClient("UPDATE Goods SET Title = 'другое' WHERE Good = '" + other[0].key + "'");
  };
  const std::string before = Units();
  const ReplacementRun run = RunReplacement(cfg_, period_, plan_, options);
  ASSERT_TRUE(run.result.applied) << run.result.message;
  EXPECT_EQ(run.result.statements[0].rowsChanged, preview[0]);
  EXPECT_EQ(run.result.statements[1].rowsChanged, preview[1]);
  EXPECT_TRUE(ReadKeyValueRows("SELECT Good, Unit FROM Goods WHERE Unit IN ('Шт', 'кгр')").empty());
  ASSERT_FALSE(run.files.undo.empty());
  const ExecutionResult undone = RunUndoFile(run.files.undo, folder_);
  ASSERT_TRUE(undone.applied) << undone.message;
  EXPECT_EQ(undone.TotalRowsChanged(), preview[0] + preview[1]);
  EXPECT_EQ(Units(), before);
  EXPECT_EQ(ReadKeyValueRows("SELECT Good, Title FROM Goods WHERE Good = '" + other[0].key + "'")[0]
                .value,
            "другое");
}

// SQLite: a trigger makes the server leave one of the rows read unchanged,
// with nobody else committing. The statement changes fewer rows than were
// read, and so does the run that compares the rows again by key: the whole
// run is rolled back, nothing is left changed (no row emptied), and no undo
// file is kept.
TEST_F(OnePassShortcutTest, RowTheServerLeavesUnchangedRollsTheWholeRunBack) {
  if (!Sqlite()) GTEST_SKIP() << "an SQLite trigger";
  ASSERT_NO_FATAL_FAILURE(PlanTwoUnits());
  const std::vector<CapturedRow> skipped =
      ReadKeyValueRows("SELECT Good, Unit FROM Goods WHERE Unit = 'кгр' ORDER BY Good");
  ASSERT_FALSE(skipped.empty());
  SecondClient("CREATE TRIGGER morvane_skip BEFORE UPDATE OF Unit ON Goods WHEN old.Good = " +
               QuotedStr(skipped[0].key) + " BEGIN SELECT RAISE(IGNORE); END;");
  const std::string before = Units();
  ReplacementRunOptions options;
  options.logFolder = folder_;
  const ReplacementRun run = RunReplacement(cfg_, period_, plan_, options);
  SecondClient("DROP TRIGGER morvane_skip;");
  EXPECT_FALSE(run.result.applied);
  EXPECT_TRUE(run.changedSinceRead) << run.result.message;
  EXPECT_EQ(Units(), before);
  EXPECT_TRUE(run.files.undo.empty());
}

// The undo file is loaded in batches the server parses as JSON: quotes,
// backslashes, a tab and letters beyond ASCII must come back byte for byte.
TEST_F(OnePassShortcutTest, UndoPutsBackValuesWithQuotesBackslashesAndTabsExactly) {
  const std::vector<CapturedRow> goods =
      ReadKeyValueRows("SELECT Good, Unit FROM Goods ORDER BY Good");
  ASSERT_GE(goods.size(), 4u);
  const std::vector<std::string> odd = {"\"шт\"", "к\\г", "л\t1", "it's \\\""};
  for (size_t index = 0; index < odd.size(); ++index) {
    Exec("UPDATE Goods SET Unit = " + QuotedStr(odd[index]) +
         " WHERE Good = " + QuotedStr(goods[index].key));
  }
  const std::string before = Units();
  CMvCFG cfg{"/nonexistent-dir"};
  cfg.Load();
  CPeriod period;
  ReplacementPlan plan;
  std::string error;
  ASSERT_TRUE(TryBuildReplacementPlan(
      cfg, period, {{odd[0], "a", 1}, {odd[1], "b", 2}, {odd[2], "c", 3}, {odd[3], "d", 4}}, plan,
      error))
      << error;
  ReplacementRunOptions options;
  options.logFolder = folder_;
  const ReplacementRun run = RunReplacement(cfg, period, plan, options);
  ASSERT_TRUE(run.result.applied) << run.result.message;
  EXPECT_EQ(run.result.TotalRowsChanged(), int64_t(odd.size()));
  ASSERT_FALSE(run.files.undo.empty());
  const ExecutionResult undone = RunUndoFile(run.files.undo, folder_);
  ASSERT_TRUE(undone.applied) << undone.message;
  EXPECT_EQ(Units(), before);
}

// SQLite compares a NOCASE column without regard to ASCII case: a row
// holding "PCS" is changed by the mapping of "pcs", and its undo row must be
// written too (temporary tables do not keep the column's collation, so the
// row's line is taken with the column's own comparison).
TEST_F(OnePassShortcutTest, CaseBlindColumnKeepsEveryChangedRowInTheUndo) {
  if (!Sqlite()) GTEST_SKIP() << "NOCASE is SQLite's";
  Exec(
      "DROP TABLE IF EXISTS Packs; CREATE TABLE Packs (id INTEGER PRIMARY KEY, "
      "u TEXT COLLATE NOCASE); INSERT INTO Packs (id, u) VALUES (1, 'pcs'), (2, 'PCS'), "
      "(3, 'Pcs'), (4, 'box'), (5, 'BOX.')");
  const auto dump = [] { return KeyValueDump("SELECT id, u FROM Packs ORDER BY id"); };
  const std::string before = dump();
  CMvCFG cfg{"/nonexistent-dir"};
  cfg.SrcTbl = "Packs";
  cfg.SrcFld = "u";
  cfg.SUnFld = "id";
  cfg.CfgName = cfg.SrcFullFld = "Packs.u";
  cfg.SrcFullKey = "Packs.id";
  CPeriod period;
  ReplacementPlan plan;
  std::string error;
  ASSERT_TRUE(
      TryBuildReplacementPlan(cfg, period, {{"pcs", "шт", 1}, {"box", "кор", 2}}, plan, error))
      << error;
  ReplacementRunOptions options;
  options.logFolder = folder_;
  const ReplacementRun run = RunReplacement(cfg, period, plan, options);
  ASSERT_TRUE(run.result.applied) << run.result.message;
  EXPECT_EQ(run.result.statements[0].rowsChanged, 3);
  EXPECT_EQ(run.result.statements[1].rowsChanged, 1);
  ASSERT_FALSE(run.files.undo.empty());
  const ExecutionResult undone = RunUndoFile(run.files.undo, folder_);
  ASSERT_TRUE(undone.applied) << undone.message;
  EXPECT_EQ(undone.TotalRowsChanged(), 4);
  EXPECT_EQ(dump(), before);
}

// A key the catalog declares unique: the undo asks nothing before its one
// statement, so a file naming a row twice must still be refused, by the
// count that falls short, naming the key, with nothing changed.
TEST_F(OnePassShortcutTest, UndoFileNamingADeclaredKeyTwiceIsRefusedNamingIt) {
  const std::vector<CapturedRow> row =
      ReadKeyValueRows("SELECT Good, Unit FROM Goods WHERE Unit = 'Шт' ORDER BY Good");
  ASSERT_FALSE(row.empty());
  const std::string key = row[0].key;
  const std::string path = folder_ + "/twice-undo.sql";
  std::ofstream(path) << "-- Morvane undo script\n-- table: Goods\n-- field: Unit\n-- key: Good\n"
                         "UPDATE Goods SET Goods.Unit = 'a' WHERE Goods.Good = '" +
                             key +
                             "' AND Goods.Unit = 'Шт';\n"
                             "UPDATE Goods SET Goods.Unit = 'b' WHERE Goods.Good = '" +
                             key + "' AND Goods.Unit = 'Шт';\n";
  try {
    RunUndoFile(path, folder_);
    ADD_FAILURE() << "an undo file naming a row twice ran";
  } catch (const EDatabaseError& error) {
    EXPECT_EQ(std::string(error.what()), replacemsg::KeyNotUnique("Goods.Good", key));
  }
  EXPECT_EQ(ReadKeyValueRows("SELECT Good, Unit FROM Goods WHERE Good = '" + key + "'")[0].value,
            "Шт");
}

}  // namespace
}  // namespace morvane::testing
