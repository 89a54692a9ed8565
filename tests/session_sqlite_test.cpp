// The session and query tables on SQLite files, through libnetbrg2.so.
#include <gtest/gtest.h>

#include "tests/session_fixture.h"

namespace morvane::testing {

class SessionBackEndTest : public SessionFixture {
 protected:
  void SetUp() override { StartSessionOnDemoSqliteFile(); }
  void TearDown() override { StopSession(); }

  // Another client of the same file: the sqlite3 program.
  void SecondClient(const std::string& sql) {
    const std::string command = "sqlite3 -batch -bail '" + folder_ + "/demo.db' \"" + sql + "\"";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
  }
};

}  // namespace morvane::testing

#include "tests/one_pass_session_scenarios.h"
#include "tests/one_pass_shortcut_scenarios.h"
#include "tests/session_rows_changed_scenarios.h"
#include "tests/session_scenarios.h"
