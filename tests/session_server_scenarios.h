// The session scenarios only a database server has: a server can go away
// under a session and come back. Included by the test file of each server
// after its fixture SessionBackEndTest, which gives StopServer() and
// StartServer(), and after tests/session_scenarios.h, whose ErrorOf it uses.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "engine/zelconst.h"
#include "server/database.h"
#include "server/table.h"

namespace morvane::testing {
namespace {

TEST_F(SessionBackEndTest, LostConnectionRaisesAndTheNextLoadReconnects) {
  ASSERT_TRUE(StopServer());
  TzelTable table;
  table.SetSQLText("SELECT * FROM Units");
  const std::string error = ErrorOf([&] { table.Open(); });
  ASSERT_TRUE(StartServer());
  EXPECT_EQ(error, zelconst::_Z_NOREPLY);
  EXPECT_FALSE(zelDB().Connected());

  table.Open();
  EXPECT_TRUE(zelDB().Connected());
  EXPECT_GT(table.RecordCount(), 20);
}

}  // namespace
}  // namespace morvane::testing
