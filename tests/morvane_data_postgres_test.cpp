// The morvane-data tool against a real PostgreSQL server that this test run
// starts on loopback and stops at the end. Skips, saying why, when the server
// binaries are not installed.
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/demo_db.h"
#include "tests/morvane_data_runner.h"
#include "tests/pg_environment.h"

namespace morvane::testing {

namespace {

const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new PostgresEnvironment);

}  // namespace

class MorvaneDataBackEndTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string problem;
    server_ = PostgresEnvironment::Server(problem);
    if (server_ == nullptr) GTEST_SKIP() << problem;
    char folderTemplate[] = "/tmp/morvane-data-pg-XXXXXX";
    ASSERT_NE(mkdtemp(folderTemplate), nullptr);
    folder_ = folderTemplate;
    setenv("NETBRG_DATABASE", server_->ConnectionInfo().c_str(), 1);
    ToolRun setup = Run({"exec", RecreateDemoSql({"Sales", "UnitsCopy"})});
    ASSERT_EQ(setup.status, 0) << setup.err;
  }
  void TearDown() override {
    unsetenv("NETBRG_DATABASE");
    if (!folder_.empty()) std::filesystem::remove_all(folder_);
  }

  std::string BackEndName() const { return "PostgreSQL"; }
  std::string Path(const std::string& name) const { return folder_ + "/" + name; }
  ToolRun Run(const std::vector<std::string>& arguments) const {
    return RunTool(arguments, folder_);
  }
  // What psql prints for a query on the test's database (unaligned, '|').
  std::string SqlTool(const std::string& query) const {
    const std::string output = Path("psql.out");
    EXPECT_EQ(server_->RunTool("psql", "-X -At -F '|' -v ON_ERROR_STOP=1 -d " +
                                           ShellQuoted(server_->ConnectionInfo()) + " -c " +
                                           ShellQuoted(query) + " > " + ShellQuoted(output) +
                                           " 2>&1"),
              0)
        << ReadFileBytes(output);
    return ReadFileBytes(output);
  }

  PostgresServer* server_ = nullptr;
  std::string folder_;
};

}  // namespace morvane::testing

#include "tests/morvane_data_scenarios.h"
#include "tests/apply_scenarios.h"
