// The morvane-data tool against a real MariaDB server that this test run
// starts on loopback and stops at the end. Skips, saying why, when the
// server binaries are not installed.
//
// The shared scenarios run on a database whose collation compares exactly
// (utf8mb4_nopad_bin), so that the `mariadb` client, their oracle, counts
// 'Шт' and 'шт' apart as the other back ends' clients do. The server's
// default collation, which does not, has a scenario of its own below whose
// oracle compares the bytes (HEX).
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/demo_db.h"
#include "tests/mariadb_environment.h"
#include "tests/morvane_data_runner.h"

namespace morvane::testing {

namespace {

const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new MariaDbEnvironment);

constexpr char kExactDatabase[] = "morvane_exact";

}  // namespace

class MorvaneDataBackEndTest : public ::testing::Test {
 protected:
  void SetUp() override { UseDatabase(kExactDatabase, "utf8mb4_nopad_bin"); }
  void TearDown() override {
    unsetenv("NETBRG_DATABASE");
    if (!folder_.empty()) std::filesystem::remove_all(folder_);
  }

  // A fresh demo database of that name and collation ("" for the server's
  // default), and an empty folder for the tool's files.
  void UseDatabase(const std::string& database, const std::string& collation) {
    std::string problem;
    server_ = MariaDbEnvironment::Server(problem);
    if (server_ == nullptr) GTEST_SKIP() << problem;
    if (folder_.empty()) {
      char folderTemplate[] = "/tmp/morvane-data-mariadb-XXXXXX";
      ASSERT_NE(mkdtemp(folderTemplate), nullptr);
      folder_ = folderTemplate;
    }
    database_ = database;
    ASSERT_TRUE(server_->CreateDatabase(database, collation));
    setenv("NETBRG_DATABASE", server_->Address(database).c_str(), 1);
    ToolRun setup = Run({"exec", RecreateDemoSql()});
    ASSERT_EQ(setup.status, 0) << setup.err;
  }

  std::string BackEndName() const { return "MariaDB"; }
  std::string Path(const std::string& name) const { return folder_ + "/" + name; }
  ToolRun Run(const std::vector<std::string>& arguments) const {
    return RunTool(arguments, folder_);
  }
  // What the `mariadb` client prints for a query on the test's database, in
  // psql's unaligned form: fields joined by '|'.
  std::string SqlTool(const std::string& query) const {
    const std::string output = Path("mariadb.out");
    EXPECT_EQ(server_->RunClient(database_, "-N -B -e " + ShellQuoted(query) + " > " +
                                                ShellQuoted(output) + " 2>&1"),
              0)
        << ReadFileBytes(output);
    std::string text = ReadFileBytes(output);
    for (char& c : text) {
      if (c == '\t') c = '|';
    }
    return text;
  }

  MariaDbServer* server_ = nullptr;
  std::string folder_;
  std::string database_;
};

}  // namespace morvane::testing

// The shared scenarios, in this order (later ones use helpers of earlier ones).
#include "tests/morvane_data_scenarios.h"

#include "tests/apply_scenarios.h"

namespace morvane::testing {
namespace {

// On the server's default collation 'Шт', 'шт' and 'ШТ.' are equal to the
// server; a replacement of 'Шт' and 'ШТ.' must change exactly the rows that
// hold those bytes, and its undo must bring back every row as it was.
TEST_F(ApplyTest, DefaultCollationReplacesAndUndoesExactSpellingsOnly) {
  UseDatabase("morvane_default", "");
  const std::string dump = "SELECT Good, HEX(Unit) FROM Goods ORDER BY Good";
  const std::string before = SqlTool(dump);
  const std::string mapped =
      SqlTool("SELECT Good FROM Goods WHERE HEX(Unit) IN (HEX('Шт'), HEX('ШТ.')) ORDER BY Good");
  ASSERT_FALSE(mapped.empty());
  std::string expected;
  std::istringstream lines(before);
  for (std::string line; std::getline(lines, line);) {
    const std::string good = line.substr(0, line.find('|'));
    expected += ("\n" + mapped).find("\n" + good + "\n") != std::string::npos
                    ? good + "|D188D182\n"  // 'шт' in UTF-8
                    : line + "\n";
  }
  ToolRun applied = Run({"apply", "--table", "Goods", "--field", "Unit", "--key", "Good",
                         "--execute", Mapping("Шт\tшт\nШТ.\tшт\n")});
  ASSERT_EQ(applied.status, 0) << applied.err;
  EXPECT_EQ(Reported(applied.out, "итого"),
            std::to_string(std::count(mapped.begin(), mapped.end(), '\n')));
  EXPECT_EQ(SqlTool(dump), expected);

  ToolRun undone = Run({"undo", Reported(applied.out, "файл отмены")});
  ASSERT_EQ(undone.status, 0) << undone.err;
  EXPECT_EQ(SqlTool(dump), before);
}

// Keys the default collation takes for one ('a', 'A', 'a ') are three rows
// to the replacement and its undo, each changed and put back by its own
// bytes; values it takes for the mapped one ('x', 'X ') stay as they are.
TEST_F(ApplyTest, DefaultCollationTellsKeysApartByTheirBytes) {
  UseDatabase("morvane_default", "");
  ASSERT_EQ(Run({"exec",
                 "DROP TABLE IF EXISTS Keyed; DROP TABLE IF EXISTS KeyedExpected; "
                 "CREATE TABLE Keyed (k VARCHAR(10) NOT NULL, f VARCHAR(10)); INSERT INTO Keyed "
                 "VALUES ('a', 'X'), ('A', 'X'), ('a ', 'Y'), ('b', 'x'), ('c', 'X ')"})
                .status,
            0);
  const std::string dump = "SELECT HEX(k), HEX(f) FROM Keyed ORDER BY HEX(k)";
  const std::string before = SqlTool(dump);
  SqlTool("CREATE TABLE KeyedExpected AS SELECT * FROM Keyed");
  SqlTool("UPDATE KeyedExpected SET f = 'Z' WHERE HEX(f) = HEX('X')");
  const std::string expected = SqlTool("SELECT HEX(k), HEX(f) FROM KeyedExpected ORDER BY HEX(k)");

  ToolRun applied = Run(
      {"apply", "--table", "Keyed", "--field", "f", "--key", "k", "--execute", Mapping("X\tZ\n")});
  ASSERT_EQ(applied.status, 0) << applied.err;
  EXPECT_EQ(Reported(applied.out, "итого"), "2");
  EXPECT_EQ(SqlTool(dump), expected);
  ToolRun undone = Run({"undo", Reported(applied.out, "файл отмены")});
  ASSERT_EQ(undone.status, 0) << undone.err;
  EXPECT_EQ(Reported(undone.out, "восстановлено строк"), "2");
  EXPECT_EQ(SqlTool(dump), before);
}

}  // namespace
}  // namespace morvane::testing
