// The session and query tables on a real PostgreSQL server that this test
// run starts on loopback and stops at the end. Skips, saying why, when the
// server binaries are not installed.
#include <cstdlib>

#include <gtest/gtest.h>

#include "tests/demo_db.h"
#include "tests/pg_environment.h"
#include "tests/session_fixture.h"

namespace morvane::testing {

namespace {

const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new PostgresEnvironment);

}  // namespace

class SessionBackEndTest : public SessionFixture {
 protected:
  void SetUp() override {
    std::string problem;
    server_ = PostgresEnvironment::Server(problem);
    if (server_ == nullptr) GTEST_SKIP() << problem;
    setenv("NETBRG_DATABASE", server_->ConnectionInfo().c_str(), 1);
    StartSession(RecreateDemoSql());
  }
  void TearDown() override { StopSession(); }

  // Another client of the same database: the psql program.
  void SecondClient(const std::string& sql) {
    ASSERT_EQ(server_->RunTool("psql", "-X -q -v ON_ERROR_STOP=1 -d '" + server_->ConnectionInfo() +
                                           "' -c \"" + sql + "\" > /dev/null"),
              0)
        << sql;
  }
  bool StopServer() { return server_->Stop(); }
  bool StartServer() { return server_->Restart(); }

  PostgresServer* server_ = nullptr;
};

}  // namespace morvane::testing

#include "tests/one_pass_session_scenarios.h"
#include "tests/one_pass_shortcut_scenarios.h"
#include "tests/session_rows_changed_scenarios.h"
#include "tests/session_scenarios.h"
// After the shared scenarios: it uses their helpers.
#include "tests/session_server_scenarios.h"
