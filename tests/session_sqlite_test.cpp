// The session and query tables on SQLite files, through libnetbrg2.so.
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include <gtest/gtest.h>

#include "tests/demo_db.h"
#include "tests/session_fixture.h"

namespace morvane::testing {

class SessionBackEndTest : public SessionFixture {
 protected:
  void SetUp() override {
    char folderTemplate[] = "/tmp/morvane-session-XXXXXX";
    ASSERT_NE(mkdtemp(folderTemplate), nullptr);
    folder_ = folderTemplate;
    const std::string path = folder_ + "/demo.db";
    ASSERT_TRUE(CreateEmptySqliteFile(path));
    setenv("NETBRG_DATABASE", ("sqlite:" + path).c_str(), 1);
    StartSession(DemoSchemaSql() + DemoDataSql());
  }
  void TearDown() override {
    StopSession();
    unsetenv("NETBRG_DATABASE");
    std::filesystem::remove_all(folder_);
  }

  bool StopServer() { return false; }
  bool StartServer() { return false; }

  std::string folder_;
};

}  // namespace morvane::testing

#include "tests/session_scenarios.h"
