// The transport scenario only a database server has: it goes away under a
// connection and comes back. Included at the very end of each server's test
// file, after its fixture BackEndTest (whose server_ can Stop() and
// Restart()), because it stops the shared server and must run last.
#pragma once

#include <gtest/gtest.h>

#include "tests/transport_client.h"

namespace morvane::testing {
namespace {

TEST_F(BackEndTest, StoppedServerGivesNegativeStatusAndInitReconnects) {
  ASSERT_TRUE(server_->Stop());
  const SendOutcome lost = client().Send("SELECT Ident FROM Units");
  EXPECT_EQ(lost.status, -1);
  EXPECT_EQ(lost.reply.status, 'E');
  EXPECT_EQ(client().Send("SELECT 1").status, -1);
  EXPECT_EQ(client().Init().status, -1);

  ASSERT_TRUE(server_->Restart());
  ASSERT_EQ(client().Init().status, 0);
  const SendOutcome back = client().Send("SELECT Ident FROM Units");
  EXPECT_EQ(back.status, 0);
  EXPECT_EQ(back.reply.records.size(), 34u);
}

}  // namespace
}  // namespace morvane::testing
