// Scenarios of morvane-data apply and undo against a real database, written
// once for every back end, each checked with the back end's own client
// (sqlite3, psql) through the fixture's SqlTool. The including file defines
// MorvaneDataBackEndTest (see tests/morvane_data_scenarios.h) with SqlTool
// and BackEndName().
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "replace/replacement_messages.h"
#include "tests/morvane_data_runner.h"

namespace morvane::testing {
namespace {

// A table of its own: an integer key, a value with blanks and apostrophes
// about, and a check that lets a chosen line fail.
constexpr char kStockSql[] =
    "DROP TABLE IF EXISTS Stock;\n"
    "CREATE TABLE Stock (Id INTEGER NOT NULL PRIMARY KEY, "
    "Unit VARCHAR(20) CHECK (Unit <> 'запрещено'), Note VARCHAR(20));\n"
    "INSERT INTO Stock (Id, Unit, Note) VALUES (1, 'A', 'x'), (2, 'B', 'y'), (3, 'A', NULL), "
    "(4, 'C', 'z'), (5, ' шт ', 'O''K'), (6, 'D', ''), (7, 'E', 'e'), (8, NULL, 'n')";
constexpr char kStockDump[] = "SELECT Id, Unit, Note FROM Stock ORDER BY Id";
constexpr char kGoodsDump[] = "SELECT * FROM Goods ORDER BY Good";

class ApplyTest : public MorvaneDataBackEndTest {
 protected:
  void SetUp() override {
    MorvaneDataBackEndTest::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    setenv("XDG_STATE_HOME", Path("state").c_str(), 1);
    const ToolRun created = Run({"exec", kStockSql});
    ASSERT_EQ(created.status, 0) << created.err;
  }
  void TearDown() override {
    unsetenv("XDG_STATE_HOME");
    MorvaneDataBackEndTest::TearDown();
  }

  // Each mapping in a file of its own.
  std::string Mapping(const std::string& text) {
    const std::string path = Path("mapping" + std::to_string(++mappings_) + ".tsv");
    WriteFileBytes(path, text);
    return path;
  }
  std::string LogText() const { return ReadFileBytes(Path("state/morvane/replacements.log")); }
  // The value after "label TAB" in the tool's output.
  static std::string Reported(const std::string& out, const std::string& label) {
    const size_t at = out.find(label + "\t");
    if (at == std::string::npos) return "";
    const size_t start = at + label.size() + 1;
    return out.substr(start, out.find('\n', start) - start);
  }

  int mappings_ = 0;
};

TEST_F(ApplyTest, DryRunShowsWhatEachLineWillChangeAndChangesNothing) {
  const std::string before = SqlTool(kGoodsDump);
  ToolRun run = Run({"apply", "--table", "Goods", "--field", "Unit",
                     Mapping("Шт\tшт\nкгр\tкг\nнет такого\tшт\n")});
  ASSERT_EQ(run.status, 0) << run.err;
  const std::string shtRows = SqlTool("SELECT COUNT(*) FROM Goods WHERE Unit = 'Шт'");
  EXPECT_EQ(Reported(run.out, "строка 1"),
            shtRows.substr(0, shtRows.find('\n')) +
                "\tUPDATE Goods SET Goods.Unit = 'шт' WHERE Goods.Unit = 'Шт'");
  EXPECT_EQ(Reported(run.out, "строка 3").substr(0, 2), "0\t");
  EXPECT_EQ(SqlTool(kGoodsDump), before);
  EXPECT_FALSE(std::filesystem::exists(Path("state/morvane/replacements.log")));
}

TEST_F(ApplyTest, ExecuteThenUndoRestoresEveryRowExactlyAndTheMappingReplays) {
  const std::string before = SqlTool(kGoodsDump);
  const std::vector<std::string> oldValues = {"Шт", "ШТ.", "кгр", "Кг."};
  std::vector<std::string> clientCounts;
  int total = 0;
  for (const std::string& value : oldValues) {
    const std::string counted = SqlTool("SELECT COUNT(*) FROM Goods WHERE Unit = '" + value + "'");
    clientCounts.push_back(counted.substr(0, counted.find('\n')));
    total += std::stoi(clientCounts.back());
  }
  ToolRun applied = Run({"apply", "--table", "Goods", "--field", "Unit", "--key", "Good",
                         "--execute", Mapping("Шт\tшт\nШТ.\tшт\nкгр\tкг\nКг.\tкг\n")});
  ASSERT_EQ(applied.status, 0) << applied.err;
  for (size_t index = 0; index < oldValues.size(); ++index) {
    const std::string reported = Reported(applied.out, "строка " + std::to_string(index + 1));
    EXPECT_EQ(reported.substr(0, reported.find('\t')), clientCounts[index]) << oldValues[index];
  }
  EXPECT_EQ(Reported(applied.out, "итого"), std::to_string(total));
  const std::string changed = SqlTool(kGoodsDump);
  EXPECT_NE(changed, before);
  EXPECT_EQ(SqlTool("SELECT COUNT(*) FROM Goods WHERE Unit IN ('Шт', 'ШТ.', 'кгр', 'Кг.')"), "0\n");
  const std::string undoFile = Reported(applied.out, "файл отмены");
  const std::string mappingFile = Reported(applied.out, "файл замен");
  ASSERT_NE(undoFile.find("undo"), std::string::npos) << applied.out;
  EXPECT_NE(LogText().find("файл отмены: " + undoFile + "\n"), std::string::npos) << LogText();

  ToolRun undone = Run({"undo", undoFile});
  ASSERT_EQ(undone.status, 0) << undone.err;
  EXPECT_EQ(Reported(undone.out, "восстановлено строк"), std::to_string(total));
  EXPECT_EQ(SqlTool(kGoodsDump), before);

  ToolRun replayed =
      Run({"apply", "--table", "Goods", "--field", "Unit", "--execute", mappingFile});
  ASSERT_EQ(replayed.status, 0) << replayed.err;
  EXPECT_EQ(SqlTool(kGoodsDump), changed);
}

TEST_F(ApplyTest, AllOrNothingWithAFailingFifthLineLeavesTheTableUnchanged) {
  const std::string before = SqlTool(kStockDump);
  ToolRun run = Run({"apply", "--table", "Stock", "--field", "Unit", "--key", "Id", "--execute",
                     Mapping("A\tA1\nB\tB1\nC\tC1\nD\tD1\nE\tзапрещено\n шт \tшт\n")});
  EXPECT_EQ(run.status, 1);
  const std::string failedLine = replacemsg::FailedLine(
      5, "UPDATE Stock SET Stock.Unit = 'запрещено' WHERE Stock.Unit = 'E'", "");
  EXPECT_EQ(run.LastErrorLine().substr(0, failedLine.size()), failedLine) << run.err;
  // The server's own reason follows: the check constraint it refused
  // (MariaDB says "CONSTRAINT `Stock.Unit` failed").
  EXPECT_GT(run.LastErrorLine().size(), failedLine.size() + 5) << run.err;
  const std::string reason = AsciiLower(run.LastErrorLine().substr(failedLine.size()));
  EXPECT_TRUE(reason.find("check") != std::string::npos ||
              reason.find("constraint") != std::string::npos)
      << run.err;
  EXPECT_EQ(SqlTool(kStockDump), before);
  EXPECT_NE(LogText().find("файл отмены: нет"), std::string::npos) << LogText();
  for (const auto& entry : std::filesystem::directory_iterator(Path("state/morvane"))) {
    EXPECT_EQ(entry.path().string().find("undo"), std::string::npos) << entry.path();
  }
}

TEST_F(ApplyTest, UndoIsRefusedAfterAConcurrentChangeOfOneRow) {
  const std::string before = SqlTool(kStockDump);
  ToolRun applied = Run({"apply", "--table", "Stock", "--field", "Unit", "--key", "Id", "--execute",
                         Mapping("A\tA1\n шт \tшт\nE\tO'K\n")});
  ASSERT_EQ(applied.status, 0) << applied.err;
  const std::string undoFile = Reported(applied.out, "файл отмены");
  SqlTool("UPDATE Stock SET Unit = 'другое' WHERE Id = 3");
  const std::string changedSince = SqlTool(kStockDump);

  ToolRun refused = Run({"undo", undoFile});
  EXPECT_EQ(refused.status, 1);
  EXPECT_EQ(refused.LastErrorLine(), replacemsg::ChangedSince("«3»"));
  EXPECT_EQ(SqlTool(kStockDump), changedSince);

  // Put the row back as the replacement left it: the undo is exact again.
  SqlTool("UPDATE Stock SET Unit = 'A1' WHERE Id = 3");
  ToolRun undone = Run({"undo", undoFile});
  ASSERT_EQ(undone.status, 0) << undone.err;
  EXPECT_EQ(SqlTool(kStockDump), before);
}

// A trigger gives a row a mapped value while the one statement runs: the
// statement does not take that row, and the undo names exactly the rows the
// statement changed, so it puts back those and leaves the trigger's row.
TEST_F(ApplyTest, RowGivenAMappedValueDuringTheRunStaysOutOfTheUndo) {
  if (BackEndName() == "MariaDB") {
    GTEST_SKIP() << "a MariaDB trigger cannot change the table whose change fired it";
  }
  const bool sqlite = Run({"exec", "SELECT sqlite_version()"}).status == 0;
  SqlTool(sqlite ? "CREATE TRIGGER Sneak AFTER UPDATE OF Unit ON Stock WHEN NEW.Unit = 'A1' "
                   "BEGIN UPDATE Stock SET Unit = 'B' WHERE Id = 7; END"
                 : "CREATE FUNCTION sneak() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN "
                   "UPDATE Stock SET Unit = 'B' WHERE Id = 7; RETURN NULL; END $$; "
                   "CREATE TRIGGER Sneak AFTER UPDATE OF Unit ON Stock FOR EACH ROW "
                   "WHEN (NEW.Unit = 'A1') EXECUTE FUNCTION sneak()");
  const std::string before = SqlTool(kStockDump);
  ToolRun run = Run({"apply", "--table", "Stock", "--field", "Unit", "--key", "Id", "--execute",
                     Mapping("A\tA1\nB\tB1\n")});
  ASSERT_EQ(run.status, 0) << run.err;
  const std::string undoFile = Reported(run.out, "файл отмены");
  const std::string undoText = ReadFileBytes(undoFile);
  for (const char* key : {"'1'", "'2'", "'3'"})
    EXPECT_NE(undoText.find("Stock.Id = " + std::string(key)), std::string::npos) << undoText;
  EXPECT_EQ(undoText.find("Stock.Id = '7'"), std::string::npos) << undoText;
  SqlTool("DROP TRIGGER Sneak" + std::string(sqlite ? "" : " ON Stock"));
  ToolRun undone = Run({"undo", undoFile});
  ASSERT_EQ(undone.status, 0) << undone.err;
  EXPECT_EQ(Reported(undone.out, "восстановлено строк"), "3");
  std::string expected = before;
  expected.replace(expected.find("7|E|"), 4, "7|B|");
  EXPECT_EQ(SqlTool(kStockDump), expected);
}

TEST_F(ApplyTest, ChainEndsWithTheMappedValuesAndACycleIsRefused) {
  ToolRun chain =
      Run({"apply", "--table", "Stock", "--field", "Unit", "--execute", Mapping("A\tB\nB\tC\n")});
  ASSERT_EQ(chain.status, 0) << chain.err;
  EXPECT_EQ(SqlTool("SELECT Id, Unit FROM Stock WHERE Id <= 4 ORDER BY Id"),
            "1|B\n2|C\n3|B\n4|C\n");

  const std::string before = SqlTool(kStockDump);
  ToolRun cycle =
      Run({"apply", "--table", "Stock", "--field", "Unit", "--execute", Mapping("D\tE\nE\tD\n")});
  EXPECT_EQ(cycle.status, 1);
  EXPECT_EQ(cycle.LastErrorLine(), replacemsg::Cycle("«D» → «E» → «D»"));
  EXPECT_EQ(SqlTool(kStockDump), before);
}

TEST_F(ApplyTest, RefusedMappingsAndNamesSendNothing) {
  const std::string before = SqlTool(kStockDump);
  struct Case {
    std::vector<std::string> arguments;
    std::string lastLineStart;
  };
  const std::string malformed = Mapping("A\tB\nC\tD\nno tab\nE\tF\n");
  const Case cases[] = {
      {{"--table", "Stock", "--field", "Unit", malformed},
       replacemsg::MappingLine(3, replacemsg::kNoTab)},
      {{"--table", "NoSuchTable", "--field", "Unit", Mapping("A\tB\n")},
       replacemsg::CannotRead("NoSuchTable.Unit", "")},
      {{"--table", "Stock", "--field", "NoSuchField", Mapping("A\tB\n")},
       replacemsg::CannotRead("Stock.NoSuchField", "")},
      {{"--table", "Stock", "--field", "Unit", "--key", "NoSuchKey", Mapping("A\tB\n")},
       replacemsg::CannotRead("Stock.NoSuchKey", "")},
      {{"--table", "Stock;", "--field", "Unit", Mapping("A\tB\n")}, "Имя «Stock;» недопустимо"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> arguments = {"apply", "--execute"};
    arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
    ToolRun run = Run(arguments);
    EXPECT_EQ(run.status, 1) << c.lastLineStart;
    EXPECT_EQ(run.LastErrorLine().substr(0, c.lastLineStart.size()), c.lastLineStart) << run.err;
  }
  EXPECT_EQ(SqlTool(kStockDump), before);
  EXPECT_FALSE(std::filesystem::exists(Path("state/morvane/replacements.log")));
}

TEST_F(ApplyTest, RowWithoutAKeyIsRefusedNamingItsValue) {
  const std::string before = SqlTool(kStockDump);
  // Row 3 holds A and no Note.
  ToolRun run = Run({"apply", "--table", "Stock", "--field", "Unit", "--key", "Note", "--execute",
                     Mapping("A\tA1\n")});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.LastErrorLine(), replacemsg::KeyMissing("Stock.Note", "A")) << run.err;
  EXPECT_EQ(SqlTool(kStockDump), before);
}

// Order lines keyed by (OrderNo, LineNo): OrderNo names one column of the
// key, and order 1 has two lines.
constexpr char kLinesSql[] =
    "DROP TABLE IF EXISTS OrderLines;\n"
    "CREATE TABLE OrderLines (OrderNo INTEGER NOT NULL, LineNo INTEGER NOT NULL, Unit VARCHAR(20), "
    "Qty INTEGER, PRIMARY KEY (OrderNo, LineNo));\n"
    "INSERT INTO OrderLines VALUES (1, 1, 'A', 5), (1, 2, 'B', 5), (2, 1, 'A', 7), (3, 1, 'Z', "
    "NULL), "
    "(3, 2, 'Z', 0), (4, 1, 'Q', 5), (5, 1, 'B', 12)";
constexpr char kLinesDump[] =
    "SELECT OrderNo, LineNo, Unit, Qty FROM OrderLines ORDER BY OrderNo, LineNo";

TEST_F(ApplyTest, UndoFileWhoseKeyNamesSeveralRowsIsRefusedAndChangesNothing) {
  ASSERT_EQ(Run({"exec", kLinesSql}).status, 0);
  SqlTool("UPDATE OrderLines SET Unit = 'A1' WHERE OrderNo = 1");
  const std::string before = SqlTool(kLinesDump);
  const std::string undoFile = Path("lines-undo.sql");
  WriteFileBytes(undoFile,
                 "-- Morvane undo script\n-- table: OrderLines\n-- field: Unit\n-- key: OrderNo\n"
                 "UPDATE OrderLines SET OrderLines.Unit = 'A' WHERE OrderLines.OrderNo = '1' AND "
                 "OrderLines.Unit = "
                 "'A1';\n");
  ToolRun refused = Run({"undo", undoFile});
  EXPECT_EQ(refused.status, 1);
  EXPECT_EQ(refused.LastErrorLine(), replacemsg::KeyNotUnique("OrderLines.OrderNo", "1"))
      << refused.err;
  EXPECT_EQ(SqlTool(kLinesDump), before);
}

TEST_F(ApplyTest, UndoFileWithAnEditedNameIsRefusedBeforeAnythingIsSent) {
  const std::string before = SqlTool(kStockDump);
  const std::string key = "Id IN (SELECT 1); DELETE FROM Stock; SELECT Stock.Id";
  const std::string undoFile = Path("edited-undo.sql");
  WriteFileBytes(undoFile, "-- Morvane undo script\n-- table: Stock\n-- field: Unit\n-- key: " +
                               key + "\nUPDATE Stock SET Stock.Unit = 'A' WHERE Stock." + key +
                               " = '1' AND Stock.Unit = 'A1';\n");
  ToolRun refused = Run({"undo", undoFile});
  EXPECT_EQ(refused.status, 1);
  // The reader refuses a header that is not a plain name, naming its line.
  EXPECT_EQ(refused.LastErrorLine().rfind("Строка 4 файла отмены", 0), 0u) << refused.err;
  EXPECT_EQ(SqlTool(kStockDump), before);
}

TEST_F(ApplyTest, ReplayOfALoggedMappingKeepsItsDatePeriod) {
  ASSERT_EQ(Run({"exec",
                 "CREATE TABLE Dated (Id INTEGER NOT NULL PRIMARY KEY, Unit VARCHAR(20), "
                 "Day DATE); INSERT INTO Dated VALUES (1, 'A', '2024-01-10'), "
                 "(2, 'A', '2024-03-10'), (3, 'A', '2024-03-31')"})
                .status,
            0);
  ToolRun replayed =
      Run({"apply", "--table", "Dated", "--field", "Unit", "--key", "Id", "--execute",
           Mapping("-- period\tDated.Day\t2024-03-01\t2024-03-31\nA\tB\n")});
  ASSERT_EQ(replayed.status, 0) << replayed.err;
  EXPECT_EQ(SqlTool("SELECT Id, Unit FROM Dated ORDER BY Id"), "1|A\n2|B\n3|B\n");
  // The log's copy of the replay keeps the period in turn.
  const std::string logged = ReadFileBytes(Reported(replayed.out, "файл замен"));
  EXPECT_EQ(logged.substr(0, logged.find('\n')), "-- period\tDated.Day\t2024-03-01\t2024-03-31");

  ToolRun otherTable = Run({"apply", "--table", "Stock", "--field", "Unit", "--execute",
                            Mapping("-- period\tDated.Day\t2024-03-01\t2024-03-31\nA\tB\n")});
  EXPECT_EQ(otherTable.status, 1);
  EXPECT_EQ(otherTable.LastErrorLine(), replacemsg::PeriodOfAnotherTable("Dated.Day"));
}

}  // namespace
}  // namespace morvane::testing
