// The morvane-data tool on SQLite files made by the demo database script,
// and its answers to bad usage and missing files.
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "engine/zelconst.h"
#include "tests/morvane_data_runner.h"

namespace morvane::testing {

class MorvaneDataBackEndTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char folderTemplate[] = "/tmp/morvane-data-XXXXXX";
    ASSERT_NE(mkdtemp(folderTemplate), nullptr);
    folder_ = folderTemplate;
    const std::string database = Path("demo.db");
    const std::string command = std::string("'") + MORVANE_SOURCE_DIR +
                                "/scripts/demo_db/make_demo_db.sh' sqlite '" + database +
                                "' > /dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    setenv("NETBRG_DATABASE", ("sqlite:" + database).c_str(), 1);
  }
  void TearDown() override {
    unsetenv("NETBRG_DATABASE");
    std::filesystem::remove_all(folder_);
  }

  std::string BackEndName() const { return "SQLite"; }
  std::string Path(const std::string& name) const { return folder_ + "/" + name; }
  ToolRun Run(const std::vector<std::string>& arguments) const {
    return RunTool(arguments, folder_);
  }
  // What the sqlite3 program prints for a query on the test's database.
  std::string SqlTool(const std::string& query) const {
    const std::string output = Path("sqlite3.out");
    const std::string command = "sqlite3 -batch -bail " + ShellQuoted(Path("demo.db")) + " " +
                                ShellQuoted(query) + " > " + ShellQuoted(output) + " 2>&1";
    EXPECT_EQ(std::system(command.c_str()), 0) << ReadFileBytes(output);
    return ReadFileBytes(output);
  }

  std::string folder_;
};

using MorvaneDataTest = MorvaneDataBackEndTest;

TEST_F(MorvaneDataTest, BadUsageExitsTwoWithTheUsage) {
  const std::vector<std::vector<std::string>> badCommands = {
      {},
      {"unknown"},
      {"dump"},
      {"copy", "a.d"},
      {"dump", "a.d", "--index"},
      {"dump", "a.d", "--sorted"},
      {"dump", "a.d", "--descending=yes"},
      {"script", "a.d", "out.sql"},
      {"script", "a.d", "out.sql", "--origin", ""},
      {"group", "a.d", "out.d", "--group", "A"},
      {"exec"},
  };
  for (const auto& arguments : badCommands) {
    ToolRun run = Run(arguments);
    std::string shown;
    for (const std::string& argument : arguments) shown += argument + " ";
    EXPECT_EQ(run.status, 2) << shown;
    EXPECT_NE(run.err.find("usage:"), std::string::npos) << shown;
    EXPECT_EQ(run.out, "") << shown;
  }
}

TEST_F(MorvaneDataTest, MissingFileExitsOneWithTheMessageLast) {
  const std::string missing = Path("missing.d");
  const std::vector<std::vector<std::string>> commands = {
      {"fields", missing},
      {"dump", missing},
      {"copy", missing, Path("out.d")},
      {"script", missing, Path("out.sql"), "--origin", "T"},
      {"group", missing, Path("out.d"), "--group", "A", "--sum", "S"},
  };
  for (const auto& arguments : commands) {
    ToolRun run = Run(arguments);
    EXPECT_EQ(run.status, 1) << arguments[0];
    EXPECT_EQ(run.LastErrorLine(), zelconst::FormatMessage(zelconst::_Z_OPENFILE, {missing}))
        << arguments[0];
    EXPECT_FALSE(std::filesystem::exists(Path("out.d")));
    EXPECT_FALSE(std::filesystem::exists(Path("out.sql")));
  }
}

TEST_F(MorvaneDataTest, UnreachableDatabaseExitsOneSayingWhy) {
  setenv("NETBRG_DATABASE", ("sqlite:" + Path("no-such.db")).c_str(), 1);
  ToolRun run = Run({"query", "SELECT * FROM Units", Path("u.d")});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.LastErrorLine(), zelconst::_Z_NOCONNECT);
  EXPECT_NE(run.err.find("no-such.db"), std::string::npos) << run.err;
  EXPECT_FALSE(std::filesystem::exists(Path("u.d")));
}

TEST_F(MorvaneDataTest, ErrorReplyOfAQueryEndsStandardError) {
  ToolRun run = Run({"query", "SELECT * FROM NoSuchTable", Path("x.d")});
  EXPECT_EQ(run.status, 1);
  // The server's text spans lines; the whole message is the last line, so a
  // script reading that line gets the reason and the statement.
  const std::string last = run.LastErrorLine();
  EXPECT_EQ(last.rfind(zelconst::_Z_OPENTABLE, 0), 0u) << run.err;
  EXPECT_NE(last.find("no such table: NoSuchTable | SQL: SELECT * FROM NoSuchTable"),
            std::string::npos)
      << run.err;
  EXPECT_FALSE(std::filesystem::exists(Path("x.d")));
}

}  // namespace morvane::testing

#include "tests/morvane_data_scenarios.h"
#include "tests/apply_scenarios.h"
