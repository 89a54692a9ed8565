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
#include "tests/pg_fixture.h"

namespace morvane::testing {

namespace {

PostgresServer* server = nullptr;
std::string serverProblem;

class ServerEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    owned_ = PostgresServer::Start(serverProblem);
    server = owned_.get();
  }
  void TearDown() override {
    server = nullptr;
    owned_.reset();
  }

 private:
  std::unique_ptr<PostgresServer> owned_;
};

const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new ServerEnvironment);

}  // namespace

class MorvaneDataBackEndTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (server == nullptr) GTEST_SKIP() << serverProblem;
    char folderTemplate[] = "/tmp/morvane-data-pg-XXXXXX";
    ASSERT_NE(mkdtemp(folderTemplate), nullptr);
    folder_ = folderTemplate;
    setenv("NETBRG_DATABASE", server->ConnectionInfo().c_str(), 1);
    ToolRun setup = Run({"exec",
                         "DROP TABLE IF EXISTS Sales; DROP TABLE IF EXISTS UnitsCopy; "
                         "DROP TABLE IF EXISTS Parts; DROP TABLE IF EXISTS Goods; "
                         "DROP TABLE IF EXISTS Units;\n" +
                             DemoSchemaSql() + DemoDataSql()});
    ASSERT_EQ(setup.status, 0) << setup.err;
  }
  void TearDown() override {
    unsetenv("NETBRG_DATABASE");
    if (!folder_.empty()) std::filesystem::remove_all(folder_);
  }

  std::string Path(const std::string& name) const { return folder_ + "/" + name; }
  ToolRun Run(const std::vector<std::string>& arguments) const {
    return RunTool(arguments, folder_);
  }

  std::string folder_;
};

}  // namespace morvane::testing

#include "tests/morvane_data_scenarios.h"
