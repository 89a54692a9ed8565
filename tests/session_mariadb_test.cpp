// The session and query tables on a real MariaDB server that this test
// run starts on loopback and stops at the end. Skips, saying why, when the
// server binaries are not installed.
#include <cstdlib>

#include <gtest/gtest.h>

#include "tests/demo_db.h"
#include "tests/mariadb_environment.h"
#include "tests/session_fixture.h"

namespace morvane::testing {

namespace {

const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new MariaDbEnvironment);

}  // namespace

class SessionBackEndTest : public SessionFixture {
 protected:
  void SetUp() override {
    std::string problem;
    server_ = MariaDbEnvironment::Server(problem);
    if (server_ == nullptr) GTEST_SKIP() << problem;
    setenv("NETBRG_DATABASE", server_->Address().c_str(), 1);
    StartSession(RecreateDemoSql());
  }
  void TearDown() override { StopSession(); }

  // Another client of the same database: the mariadb program.
  void SecondClient(const std::string& sql) {
    std::string quoted = "'";
    for (const char c : sql) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    ASSERT_EQ(server_->RunClient("morvane", "-e " + quoted + "' > /dev/null"), 0) << sql;
  }
  bool StopServer() { return server_->Stop(); }
  bool StartServer() { return server_->Restart(); }

  MariaDbServer* server_ = nullptr;
};

}  // namespace morvane::testing

// The shared scenarios, in this order (later ones use helpers of earlier ones).
#include "tests/one_pass_session_scenarios.h"
#include "tests/session_scenarios.h"

#include "tests/session_rows_changed_scenarios.h"
#include "tests/session_server_scenarios.h"
