// Scenarios of the morvane-data tool against a real database, written once
// for every back end. The including file defines MorvaneDataBackEndTest
// first: after its SetUp, NETBRG_DATABASE names a fresh demo database and
// folder_ is an empty folder for the tool's files. PostgreSQL folds unquoted
// names to lower case, so field names are compared without regard to case.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

#include "engine/zelconst.h"
#include "server/oem_code_page.h"
#include "server/table.h"
#include "tests/morvane_data_runner.h"

namespace morvane::testing {
namespace {

std::string AsciiLower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char character) { return char(std::tolower(character)); });
  return text;
}

std::string FirstLine(const std::string& text) {
  return text.substr(0, text.find("\r\n"));
}

size_t CountLines(const std::string& text) {
  size_t count = 0;
  for (size_t at = text.find('\n'); at != std::string::npos; at = text.find('\n', at + 1)) ++count;
  return count;
}

// What the engine's own text export writes for a data file, ordered as given.
std::string EngineExport(const std::string& dataFile, const std::string& exportFile,
                         const std::string& indexFieldNames = {}, TzelSortOptions options = {}) {
  TzelTable table;
  table.SetIndexFieldNames(indexFieldNames);
  table.SetSortOptions(options);
  table.LoadFromFile(dataFile);
  table.ExportToTxt(exportFile, '\t');
  return ReadFileBytes(exportFile);
}

TEST_F(MorvaneDataBackEndTest, QueryThenDumpShowsTheDemoGoods) {
  const std::string goods = Path("g.d");
  ToolRun query = Run({"query", "SELECT * FROM Goods ORDER BY Good", goods});
  ASSERT_EQ(query.status, 0) << query.err;
  EXPECT_EQ(query.out, "");

  ToolRun dump = Run({"dump", goods});
  ASSERT_EQ(dump.status, 0) << dump.err;
  EXPECT_EQ(AsciiLower(FirstLine(dump.out)), "good\ttitle\tunit\tcreated\tprice\tactive");
  EXPECT_EQ(CountLines(dump.out), 71u);
  const std::string body = dump.out.substr(dump.out.find("\r\n") + 2);
  EXPECT_EQ(FirstLine(body), "G0001\tБолт М8х40 оцинкованный\tшт\t15.01.2024\t4,5\tTrue");
  EXPECT_EQ(body, EngineExport(goods, Path("g.txt")));
}

TEST_F(MorvaneDataBackEndTest, DumpOrdersTheViewAsAskedAndWritesTheExportsLines) {
  const std::string goods = Path("g.d");
  ASSERT_EQ(Run({"query", "SELECT * FROM Goods", goods}).status, 0);
  ToolRun plain = Run({"dump", goods});
  ToolRun ordered =
      Run({"dump", goods, "--index", "Unit;Good", "--descending", "--case-insensitive"});
  ASSERT_EQ(ordered.status, 0) << ordered.err;
  EXPECT_NE(ordered.out, plain.out);
  EXPECT_EQ(ordered.out.substr(ordered.out.find("\r\n") + 2),
            EngineExport(goods, Path("g.txt"), "Unit;Good",
                         TzelSortOptions{zsoDescendSort, zsoCaseInsensitive}));
}

TEST_F(MorvaneDataBackEndTest, CopyOfADataFileGivesIdenticalBytes) {
  for (const char* table : {"Goods", "Units", "Parts"}) {
    const std::string original = Path(std::string(table) + ".d");
    const std::string copy = Path(std::string(table) + "-copy.d");
    ASSERT_EQ(Run({"query", std::string("SELECT * FROM ") + table, original}).status, 0);
    ToolRun run = Run({"copy", original, copy});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(ReadFileBytes(copy), ReadFileBytes(original)) << table;
  }
}

TEST_F(MorvaneDataBackEndTest, FieldsListsEveryDescriptor) {
  const std::string goods = Path("g.d");
  ASSERT_EQ(Run({"query", "SELECT * FROM Goods", goods}).status, 0);
  ToolRun fields = Run({"fields", goods});
  ASSERT_EQ(fields.status, 0) << fields.err;
  EXPECT_EQ(CountLines(fields.out), 6u);
  EXPECT_EQ(AsciiLower(fields.out.substr(0, fields.out.find('\n'))), "good\tgoods\tstring\t80");
  EXPECT_NE(AsciiLower(fields.out).find("created\tgoods\tdate\t0\n"), std::string::npos);
}

TEST_F(MorvaneDataBackEndTest, InsertScriptOfUnitsRunIntoAnEmptyCopyReproducesIt) {
  ASSERT_EQ(Run({"exec",
                 "CREATE TABLE UnitsCopy (Ident VARCHAR(10) NOT NULL PRIMARY KEY, "
                 "name VARCHAR(60) NOT NULL, Code INTEGER, Kind VARCHAR(20))"})
                .status,
            0);
  const std::string units = Path("units.d");
  const std::string script = Path("units.sql");
  ASSERT_EQ(Run({"query", "SELECT * FROM Units ORDER BY Ident", units}).status, 0);
  ToolRun written = Run({"script", units, script, "--origin", "UnitsCopy"});
  ASSERT_EQ(written.status, 0) << written.err;
  const std::string statements = ReadFileBytes(script);
  EXPECT_EQ(CountLines(statements), 34u);
  EXPECT_EQ(statements.find(zelconst::_Z_NOTFOUND), std::string::npos);

  ToolRun loaded = Run({"exec", statements});
  ASSERT_EQ(loaded.status, 0) << loaded.err;
  const std::string copy = Path("copy.d");
  ASSERT_EQ(Run({"query", "SELECT * FROM UnitsCopy ORDER BY Ident", copy}).status, 0);
  EXPECT_EQ(Run({"dump", copy}).out, Run({"dump", units}).out);
  // The texts arrived unchanged on the server itself, not only as the engine
  // shows them.
  const std::string matches = Path("matches.d");
  ASSERT_EQ(Run({"query",
                 "SELECT COUNT(*) AS n FROM Units u JOIN UnitsCopy c ON c.Ident = u.Ident AND "
                 "c.name = u.name AND c.Kind = u.Kind",
                 matches})
                .status,
            0);
  EXPECT_EQ(AsciiLower(Run({"dump", matches}).out), "n\r\n34\r\n");
}

TEST_F(MorvaneDataBackEndTest, OemScriptIsWrittenInCodePage866) {
  const std::string units = Path("units.d");
  ASSERT_EQ(Run({"query", "SELECT * FROM Units WHERE Ident = 'шт'", units}).status, 0);
  ToolRun run = Run({"script", units, Path("oem.sql"), "--origin", "Units", "--oem"});
  ASSERT_EQ(run.status, 0) << run.err;
  const std::string script = ReadFileBytes(Path("oem.sql"));
  EXPECT_NE(script.find(Utf8ToOem("('шт','штука',796,'количество')")), std::string::npos) << script;
  EXPECT_EQ(script.find('\xD1'), std::string::npos);  // no UTF-8 Cyrillic left
}

TEST_F(MorvaneDataBackEndTest, ExecSendsAStatementAndReportsARefusedOne) {
  ToolRun changed = Run({"exec", "UPDATE Units SET name = 'штучка' WHERE Ident = 'шт'"});
  ASSERT_EQ(changed.status, 0) << changed.err;
  const std::string unit = Path("unit.d");
  ASSERT_EQ(Run({"query", "SELECT name FROM Units WHERE Ident = 'шт'", unit}).status, 0);
  EXPECT_EQ(AsciiLower(Run({"dump", unit}).out), "name\r\nштучка\r\n");

  // The system's message, then the server's reason and the statement, all on
  // the last line.
  ToolRun refused = Run({"exec", "INSERT INTO NoSuchTable VALUES (1)"});
  EXPECT_EQ(refused.status, 1);
  const std::string last = refused.LastErrorLine();
  EXPECT_EQ(last.rfind(std::string(zelconst::_Z_ERRUPDATESERVER) + " | ", 0), 0u) << refused.err;
  EXPECT_NE(AsciiLower(last).find("nosuchtable"), std::string::npos) << refused.err;
  EXPECT_NE(last.find(" | SQL: INSERT INTO NoSuchTable VALUES (1)"), std::string::npos)
      << refused.err;
}

TEST_F(MorvaneDataBackEndTest, NamesThatAreNotPlainNamesReachNoServer) {
  const std::string injected = "Units; DELETE FROM Units; SELECT * FROM Units";
  const std::vector<std::vector<std::string>> commands = {
      {"values", Path("v.tsv"), "--table", "Goods", "--field", "Unit", "--reference", injected,
       "--key", "Ident"},
      {"values", Path("v.tsv"), "--table", injected, "--field", "Ident"},
      {"values", Path("v.tsv"), "--table", "Goods", "--field", "Unit", "--reference", "Units",
       "--key", "Ident FROM Units; DELETE FROM Units; SELECT Ident"},
      {"apply", Path("none.tsv"), "--table", injected, "--field", "Unit"},
      {"groups", Path("v.tsv"), "--table", injected, "--field", "Ident"},
      {"groups", Path("v.tsv"), "--table", "Units", "--field",
       "Ident FROM Units; DELETE FROM Units; SELECT Ident"},
  };
  for (const std::vector<std::string>& arguments : commands) {
    ToolRun run = Run(arguments);
    EXPECT_EQ(run.status, 1) << arguments[3] << run.err;
    EXPECT_NE(run.LastErrorLine().find("недопустимо"), std::string::npos) << run.err;
    EXPECT_FALSE(std::filesystem::exists(Path("v.tsv")));
  }
  EXPECT_EQ(SqlTool("SELECT COUNT(*) FROM Units"), "34\n");

  // A script is SQL to be run later: its table name is checked the same way.
  const std::string units = Path("units.d");
  ASSERT_EQ(Run({"query", "SELECT * FROM Units", units}).status, 0);
  ToolRun script =
      Run({"script", units, Path("u.sql"), "--origin", "T (a) VALUES (1); DROP TABLE Units; --"});
  EXPECT_EQ(script.status, 1) << script.err;
  EXPECT_FALSE(std::filesystem::exists(Path("u.sql")));
}

TEST_F(MorvaneDataBackEndTest, ExecAndQueryTakeSqlThatStartsWithACommentFromAnySource) {
  const auto name = [&] { return SqlTool("SELECT name FROM Units WHERE Ident = 'шт'"); };
  const std::string comment = "-- sets the name\nUPDATE Units SET name = ";
  ToolRun bare = Run({"exec", comment + "'a' WHERE Ident = 'шт'"});
  ASSERT_EQ(bare.status, 0) << bare.err;
  EXPECT_EQ(name(), "a\n");
  ToolRun afterDashes = Run({"exec", "--", comment + "'b' WHERE Ident = 'шт'"});
  ASSERT_EQ(afterDashes.status, 0) << afterDashes.err;
  EXPECT_EQ(name(), "b\n");

  WriteFileBytes(Path("set.sql"), comment + "'c' WHERE Ident = 'шт'");
  ToolRun fromInput = RunTool({"exec", "-"}, folder_, Path("set.sql"));
  ASSERT_EQ(fromInput.status, 0) << fromInput.err;
  EXPECT_EQ(name(), "c\n");
  WriteFileBytes(Path("set.sql"), comment + "'d' WHERE Ident = 'шт'");
  ToolRun fromFile = Run({"exec", "--file", Path("set.sql")});
  ASSERT_EQ(fromFile.status, 0) << fromFile.err;
  EXPECT_EQ(name(), "d\n");

  WriteFileBytes(Path("q.sql"), "-- the unit\nSELECT name FROM Units WHERE Ident = 'шт'");
  ToolRun queried = RunTool({"query", "-", Path("q.d")}, folder_, Path("q.sql"));
  ASSERT_EQ(queried.status, 0) << queried.err;
  EXPECT_EQ(AsciiLower(Run({"dump", Path("q.d")}).out), "name\r\nd\r\n");
  ToolRun queriedFromFile = Run({"query", "--file", Path("q.sql"), Path("f.d")});
  ASSERT_EQ(queriedFromFile.status, 0) << queriedFromFile.err;
  EXPECT_EQ(AsciiLower(Run({"dump", Path("f.d")}).out), "name\r\nd\r\n");

  // A file that cannot be read sends nothing.
  ToolRun missing = Run({"exec", "--file", Path("missing.sql")});
  EXPECT_EQ(missing.status, 1);
  EXPECT_EQ(name(), "d\n");
}

TEST_F(MorvaneDataBackEndTest, ExecOfLinesEndingInDateLiteralsChangesEveryRow) {
  ToolRun changed = Run({"exec",
                         "UPDATE Goods SET Goods.Unit = 'x' WHERE Created=#01/16/2024#\r\n"
                         "UPDATE Goods SET Goods.Unit = 'y' WHERE Created=#03/05/2024#"});
  ASSERT_EQ(changed.status, 0) << changed.err;
  const std::string units = Path("units.d");
  ASSERT_EQ(
      Run({"query", "SELECT Good, Unit FROM Goods WHERE Unit IN ('x', 'y') ORDER BY Good", units})
          .status,
      0);
  EXPECT_EQ(AsciiLower(Run({"dump", units}).out), "good\tunit\r\ng0003\tx\r\ng0018\ty\r\n");
}

TEST_F(MorvaneDataBackEndTest, GroupSumsEachGroup) {
  ASSERT_EQ(Run({"exec",
                 "CREATE TABLE Sales (A VARCHAR(10), S INTEGER);\n"
                 "INSERT INTO Sales (A, S) VALUES ('x', 1), ('y', 2), ('x', 3)"})
                .status,
            0);
  const std::string sales = Path("sales.d");
  const std::string grouped = Path("grouped.d");
  ASSERT_EQ(Run({"query", "SELECT * FROM Sales", sales}).status, 0);
  ToolRun run = Run({"group", sales, grouped, "--group", "A", "--sum", "S"});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(AsciiLower(Run({"dump", grouped}).out), "a\ts\r\nx\t4\r\ny\t2\r\n");
}

}  // namespace
}  // namespace morvane::testing
