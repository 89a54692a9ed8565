// The replacement matrix through morvane-data: for every server, field type
// and key kind, a table with NULLs, empty texts, duplicates and rows that
// must not change gets a mapping; the server's own client is the oracle.
//   - `values` lists NULL apart from every value, in the server's text form;
//   - the dry run's total is the client's COUNT(*) ... WHERE f IN (...);
//   - after `apply --execute --key` the ordered dump equals the one the
//     client produces with its own UPDATE ... CASE on a copy of the table;
//   - after `undo` the dump is byte-identical to the one before;
//   - `--line-by-line` leaves the very same dump as the one statement.
// Cases are named <server>_<type>_<key>, e.g. Matrix/sqlite_numeric_textkey.
// On every server and both key types, a composite primary key with --key
// naming one of its columns runs exactly where that column names one row of
// the table, and is refused, changing nothing, where it does not
// (CompositeKeyMatrix/mariadb_textkey). Another client changing rows during
// a run: replacement_matrix_second_client_test.cpp.
#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "replace/replacement_messages.h"
#include "tests/morvane_data_runner.h"
#include "tests/replacement_matrix_cases.h"
#include "tests/replacement_matrix_servers.h"

namespace morvane::testing {
namespace {

const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new PostgresEnvironment);
const auto* const kMariaDbEnvironment = ::testing::AddGlobalTestEnvironment(new MariaDbEnvironment);

// The value after "label TAB" in the tool's output, up to the next tab or
// line end.
std::string Reported(const std::string& out, const std::string& label) {
  const size_t at = out.find(label + "\t");
  if (at == std::string::npos) return "";
  const size_t start = at + label.size() + 1;
  return out.substr(start, out.find_first_of("\t\n", start) - start);
}

// value -> count from the values file (header skipped).
std::map<std::string, std::string> ValuesFile(const std::string& text) {
  std::map<std::string, std::string> counts;
  std::istringstream lines(text);
  std::string line;
  std::getline(lines, line);
  while (std::getline(lines, line)) {
    const size_t tab = line.find('\t');
    const size_t second = line.find('\t', tab + 1);
    counts[line.substr(0, tab)] = line.substr(tab + 1, second - tab - 1);
  }
  return counts;
}

std::string FirstLine(const std::string& text) {
  return text.substr(0, text.find('\n'));
}

// A matrix test on one server, in a scratch folder of its own, running
// morvane-data there with the server as its database.
template <typename Param>
class MatrixTest : public ::testing::TestWithParam<Param> {
 protected:
  // False, with problem_ saying why, when the server cannot start.
  bool Start(const std::string& serverName, const std::string& caseName) {
    server_ = MatrixServerNamed(serverName, problem_);
    if (server_ == nullptr) return false;
    folder_ = MatrixFolder() + "/" + caseName;
    std::filesystem::remove_all(folder_);
    std::filesystem::create_directories(folder_);
    setenv("NETBRG_DATABASE", server_->Connection().c_str(), 1);
    setenv("XDG_STATE_HOME", (folder_ + "/state").c_str(), 1);
    return true;
  }
  void TearDown() override {
    unsetenv("NETBRG_DATABASE");
    unsetenv("XDG_STATE_HOME");
  }

  ToolRun Run(const std::vector<std::string>& arguments) const {
    return RunTool(arguments, folder_);
  }
  std::string Dump(const std::string& table) const { return MatrixDump(*server_, table); }
  std::string MappingFile(const std::vector<std::pair<std::string, std::string>>& mapping) const {
    std::string text;
    for (const auto& [oldValue, newValue] : mapping) text += oldValue + "\t" + newValue + "\n";
    const std::string path = folder_ + "/mapping" + std::to_string(++mappings_) + ".tsv";
    WriteFileBytes(path, text);
    return path;
  }
  bool Logged() const {
    return std::filesystem::exists(folder_ + "/state/morvane/replacements.log");
  }

  MatrixServer* server_ = nullptr;
  std::string problem_;
  std::string folder_;
  mutable int mappings_ = 0;
};

class Matrix : public MatrixTest<MatrixCase> {
 protected:
  void SetUp() override {
    if (!Start(GetParam().server, CaseName(GetParam()))) GTEST_SKIP() << problem_;
    field_ = &MatrixFields()[GetParam().field];
    table_ = "m_" + field_->name + "_" + KeyName(GetParam().key);
    CreateMatrixTable(*server_, *field_, GetParam().key, table_);
  }

  const MatrixField* field_ = nullptr;
  std::string table_;
};

TEST_P(Matrix, ValuesDryRunOnePassLineByLineAndUndoAgreeWithTheServer) {
  const std::string before = Dump(table_);

  // The values file: NULL on a line of its own (a 0 is a value), and every
  // value as SQL takes it: the server counts as many rows for it as listed.
  const ToolRun values =
      Run({"values", "--table", table_, "--field", "f", folder_ + "/values.tsv"});
  ASSERT_EQ(values.status, 0) << values.err;
  const std::map<std::string, std::string> listed =
      ValuesFile(ReadFileBytes(folder_ + "/values.tsv"));
  const std::string nullOrEmpty =
      "SELECT COUNT(*) FROM " + table_ + " WHERE f IS NULL" + (field_->text ? " OR f = ''" : "");
  EXPECT_EQ(listed.count("") ? listed.at("") : "0", FirstLine(server_->Client(nullOrEmpty)))
      << "NULL rows";
  for (const auto& [value, rows] : listed) {
    if (value.empty()) continue;
    EXPECT_EQ(rows, FirstLine(server_->Client("SELECT COUNT(*) FROM " + table_ +
                                              " WHERE f = " + QuotedSql(value))))
        << "listed value «" << value << "»";
  }

  const std::string mapping = MappingFile(field_->mapping);
  const std::string count = MatrixCount(*server_, *field_, table_);
  const ToolRun dryRun = Run({"apply", "--table", table_, "--field", "f", mapping});
  ASSERT_EQ(dryRun.status, 0) << dryRun.err;
  EXPECT_EQ(Reported(dryRun.out, "итого"), count) << dryRun.out;
  EXPECT_EQ(Dump(table_), before);

  const std::string expected = MatrixExpectedDump(*server_, *field_, table_);
  ASSERT_NE(expected, before) << "the mapping changes something";
  const ToolRun applied =
      Run({"apply", "--table", table_, "--field", "f", "--key", "k", "--execute", mapping});
  ASSERT_EQ(applied.status, 0) << applied.err;
  EXPECT_EQ(Reported(applied.out, "итого"), count) << applied.out;
  const std::string onePass = Dump(table_);
  EXPECT_EQ(onePass, expected);

  const std::string undoFile = Reported(applied.out, "файл отмены");
  ASSERT_FALSE(undoFile.empty()) << applied.out;
  const ToolRun undone = Run({"undo", undoFile});
  ASSERT_EQ(undone.status, 0) << undone.err;
  EXPECT_EQ(Reported(undone.out, "восстановлено строк"), count) << undone.out;
  EXPECT_EQ(Dump(table_), before);

  // The same mapping line by line (one request per line, as the wizard's
  // "Выполнить") leaves the very same table as the one statement did.
  const ToolRun lines = Run({"apply", "--table", table_, "--field", "f", "--key", "k", "--execute",
                             "--line-by-line", mapping});
  ASSERT_EQ(lines.status, 0) << lines.err;
  EXPECT_EQ(Reported(lines.out, "итого"), count) << lines.out;
  EXPECT_EQ(Dump(table_), onePass) << "line by line";
  const ToolRun linesUndone = Run({"undo", Reported(lines.out, "файл отмены")});
  ASSERT_EQ(linesUndone.status, 0) << linesUndone.err;
  EXPECT_EQ(Dump(table_), before) << "undo of line by line";
}

INSTANTIATE_TEST_SUITE_P(Replace, Matrix, ::testing::ValuesIn(MatrixCases()),
                         [](const ::testing::TestParamInfo<MatrixCase>& info) {
                           return CaseName(info.param);
                         });

// Order lines keyed by (OrderNo, LineNo), replaced with --key OrderNo: one
// column of the key. The undo can name a row by it only where the order has
// one line in the whole table; otherwise the run is refused before
// anything changes, naming the order.
struct CompositeKeyCase {
  std::string server;
  MatrixKey orderKey = MatrixKey::kInteger;  // the type of OrderNo
};

std::string CompositeKeyCaseName(const CompositeKeyCase& c) {
  return c.server + "_" + KeyName(c.orderKey);
}

void PrintTo(const CompositeKeyCase& c, std::ostream* out) {
  *out << CompositeKeyCaseName(c);
}

class CompositeKeyMatrix : public MatrixTest<CompositeKeyCase> {
 protected:
  void SetUp() override {
    if (!Start(GetParam().server, "composite_" + CompositeKeyCaseName(GetParam())))
      GTEST_SKIP() << problem_;
    table_ = "c_lines_" + KeyName(GetParam().orderKey);
    // Orders 1 and 3 have two lines; 4, 5 and 6 one each. Order n is
    // KeyLiteral(n - 1): 1, 2, ... or 'r01', 'r02', 'r''03', ...
    const auto order = [&](size_t number) { return KeyLiteral(GetParam().orderKey, number - 1); };
    const std::vector<std::string> rows = {
        "(" + order(1) + ", 1, 'A')", "(" + order(1) + ", 2, 'B')", "(" + order(2) + ", 1, 'A')",
        "(" + order(3) + ", 1, 'Z')", "(" + order(3) + ", 2, 'Z')", "(" + order(4) + ", 1, 'Q')",
        "(" + order(5) + ", 1, 'C')", "(" + order(6) + ", 1, 'Q')", "(" + order(7) + ", 1, NULL)"};
    std::string sql = "DROP TABLE IF EXISTS " + table_ + "; DROP TABLE IF EXISTS " + table_ +
                      "_expected; CREATE TABLE " + table_ + " (OrderNo " +
                      KeyType(GetParam().orderKey) +
                      " NOT NULL, LineNo INTEGER NOT NULL, Unit VARCHAR(20), PRIMARY KEY (OrderNo, "
                      "LineNo)); INSERT INTO " +
                      table_ + " (OrderNo, LineNo, Unit) VALUES ";
    for (size_t index = 0; index < rows.size(); ++index) sql += (index ? ", " : "") + rows[index];
    server_->Client(sql);
  }

  std::string LinesDump(const std::string& table) const {
    return server_->Client("SELECT OrderNo, LineNo, " + server_->DumpExpression("Unit") + " FROM " +
                           table + " ORDER BY OrderNo, LineNo");
  }
  ToolRun Apply(const std::string& mapping, bool lineByLine = false) const {
    std::vector<std::string> arguments = {"apply", "--table", table_,      "--field", "Unit",
                                          "--key", "OrderNo", "--execute", mapping};
    if (lineByLine) arguments.push_back("--line-by-line");
    return Run(arguments);
  }

  std::string table_;
};

TEST_P(CompositeKeyMatrix, OneColumnOfTheKeyServesOnlyWhereItNamesOneRowOfTheTable) {
  const std::string before = LinesDump(table_);
  const std::string orderKey = table_ + ".OrderNo";
  // A: orders 1 and 2 are unique among the rows that hold A, but order 1 has
  // a second line, which an undo by OrderNo would change too. Z: order 3
  // holds Z twice.
  struct Refusal {
    std::vector<std::pair<std::string, std::string>> mapping;
    size_t order;  // the order the refusal names
  };
  for (const Refusal& refusal : {Refusal{{{"A", "A1"}}, 1}, Refusal{{{"Z", "Z1"}}, 3}}) {
    const ToolRun run = Apply(MappingFile(refusal.mapping));
    EXPECT_EQ(run.status, 1) << refusal.mapping[0].first;
    std::string order = KeyLiteral(GetParam().orderKey, refusal.order - 1);
    if (GetParam().orderKey == MatrixKey::kText) {
      order = order.substr(1, order.size() - 2);
      for (size_t at = order.find("''"); at != std::string::npos; at = order.find("''", at + 1))
        order.erase(at, 1);
    }
    EXPECT_EQ(run.LastErrorLine(), replacemsg::KeyNotUnique(orderKey, order)) << run.err;
    EXPECT_EQ(LinesDump(table_), before) << refusal.mapping[0].first;
  }
  EXPECT_FALSE(Logged()) << "a refused run leaves no log entry";

  // Orders 4, 5 and 6 have one line each: the key serves, a chain (Q->C,
  // C->D) ends where the client's own UPDATE ... CASE ends it, the undo is
  // exact, and line by line leaves the very same table.
  server_->Client("CREATE TABLE " + table_ + "_expected AS SELECT * FROM " + table_ + "; UPDATE " +
                  table_ +
                  "_expected SET Unit = CASE WHEN Unit = 'Q' THEN 'C' WHEN Unit = 'C' THEN 'D' "
                  "ELSE Unit END WHERE Unit IN ('Q', 'C')");
  const std::string expected = LinesDump(table_ + "_expected");
  const std::string chain = MappingFile({{"Q", "C"}, {"C", "D"}});
  std::string dumps[2];
  for (const bool lineByLine : {false, true}) {
    const ToolRun applied = Apply(chain, lineByLine);
    ASSERT_EQ(applied.status, 0) << applied.err;
    dumps[lineByLine] = LinesDump(table_);
    EXPECT_EQ(dumps[lineByLine], expected) << (lineByLine ? "line by line" : "one pass");
    const ToolRun undone = Run({"undo", Reported(applied.out, "файл отмены")});
    ASSERT_EQ(undone.status, 0) << undone.err;
    EXPECT_EQ(Reported(undone.out, "восстановлено строк"), "3") << undone.out;
    EXPECT_EQ(LinesDump(table_), before) << (lineByLine ? "line by line" : "one pass");
  }
  EXPECT_EQ(dumps[1], dumps[0]);
}

std::vector<CompositeKeyCase> CompositeKeyCases() {
  std::vector<CompositeKeyCase> cases;
  for (const std::string& server : MatrixServerNames()) {
    for (const MatrixKey key : {MatrixKey::kInteger, MatrixKey::kText})
      cases.push_back({server, key});
  }
  return cases;
}

INSTANTIATE_TEST_SUITE_P(Replace, CompositeKeyMatrix, ::testing::ValuesIn(CompositeKeyCases()),
                         [](const ::testing::TestParamInfo<CompositeKeyCase>& info) {
                           return CompositeKeyCaseName(info.param);
                         });

}  // namespace
}  // namespace morvane::testing
