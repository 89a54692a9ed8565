// The session and query tables on a real PostgreSQL server that this test
// run starts on loopback and stops at the end. Skips, saying why, when the
// server binaries are not installed.
#include <cstdlib>

#include <gtest/gtest.h>

#include "tests/demo_db.h"
#include "tests/pg_fixture.h"
#include "tests/session_fixture.h"

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

class SessionBackEndTest : public SessionFixture {
 protected:
  void SetUp() override {
    if (server == nullptr) GTEST_SKIP() << serverProblem;
    setenv("NETBRG_DATABASE", server->ConnectionInfo().c_str(), 1);
    StartSession(
        "DROP TABLE IF EXISTS Shapes; DROP TABLE IF EXISTS Parts; DROP TABLE IF EXISTS Goods; "
        "DROP TABLE IF EXISTS Units;\n" +
        DemoSchemaSql() + DemoDataSql());
  }
  void TearDown() override {
    StopSession();
    unsetenv("NETBRG_DATABASE");
  }

  bool StopServer() { return server->Stop(); }
  bool StartServer() { return server->Restart(); }
};

}  // namespace morvane::testing

#include "tests/session_scenarios.h"
