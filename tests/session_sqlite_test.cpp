// The session and query tables on SQLite files, through libnetbrg2.so.
#include <gtest/gtest.h>

#include "tests/session_fixture.h"

namespace morvane::testing {

class SessionBackEndTest : public SessionFixture {
 protected:
  void SetUp() override { StartSessionOnDemoSqliteFile(); }
  void TearDown() override { StopSession(); }
};

}  // namespace morvane::testing

#include "tests/session_scenarios.h"
#include "tests/session_rows_changed_scenarios.h"
