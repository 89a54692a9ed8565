// The replacement matrix through morvane-data: for every server, field type
// and key kind, a table with NULLs, empty texts, duplicates and rows that
// must not change gets a mapping; the server's own client is the oracle.
//   - `values` lists NULL apart from every value, in the server's text form;
//   - the dry run's total is the client's COUNT(*) ... WHERE f IN (...);
//   - after `apply --execute --key` the ordered dump equals the one the
//     client produces with its own UPDATE ... CASE on a copy of the table;
//   - after `undo` the dump is byte-identical to the one before.
// Cases are named <server>_<type>_<key>, e.g. Matrix/sqlite_numeric_textkey.
#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <sstream>
#include <string>
#include <vector>

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

class Matrix : public ::testing::TestWithParam<MatrixCase> {
 protected:
  void SetUp() override {
    std::string problem;
    server_ = MatrixServerNamed(GetParam().server, problem);
    if (server_ == nullptr) GTEST_SKIP() << problem;
    field_ = &MatrixFields()[GetParam().field];
    table_ = "m_" + field_->name + "_" + KeyName(GetParam().key);
    folder_ = MatrixFolder() + "/" + CaseName(GetParam());
    std::filesystem::remove_all(folder_);
    std::filesystem::create_directories(folder_);
    setenv("NETBRG_DATABASE", server_->Connection().c_str(), 1);
    setenv("XDG_STATE_HOME", (folder_ + "/state").c_str(), 1);
    CreateMatrixTable(*server_, *field_, GetParam().key, table_);
  }
  void TearDown() override {
    unsetenv("NETBRG_DATABASE");
    unsetenv("XDG_STATE_HOME");
  }

  ToolRun Run(const std::vector<std::string>& arguments) const {
    return RunTool(arguments, folder_);
  }
  std::string Dump(const std::string& table) const { return MatrixDump(*server_, table); }
  std::string MappingFile() const {
    std::string text;
    for (const auto& [oldValue, newValue] : field_->mapping)
      text += oldValue + "\t" + newValue + "\n";
    const std::string path = folder_ + "/mapping.tsv";
    WriteFileBytes(path, text);
    return path;
  }

  MatrixServer* server_ = nullptr;
  const MatrixField* field_ = nullptr;
  std::string table_;
  std::string folder_;
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

  const std::string mapping = MappingFile();
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
  EXPECT_EQ(Dump(table_), expected);

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
  EXPECT_EQ(Dump(table_), expected) << "line by line";
  const ToolRun linesUndone = Run({"undo", Reported(lines.out, "файл отмены")});
  ASSERT_EQ(linesUndone.status, 0) << linesUndone.err;
  EXPECT_EQ(Dump(table_), before) << "undo of line by line";
}

INSTANTIATE_TEST_SUITE_P(Replace, Matrix, ::testing::ValuesIn(MatrixCases()),
                         [](const ::testing::TestParamInfo<MatrixCase>& info) {
                           return CaseName(info.param);
                         });

}  // namespace
}  // namespace morvane::testing
