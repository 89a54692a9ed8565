// Test helper: the process session zelDB over the real libnetbrg2.so,
// connected the way the wizard connects it (init reply selects the dialect).
// The back end's test file derives SessionBackEndTest from it and points the
// transport at a fresh demo database first.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "server/database.h"

namespace morvane::testing {

class SessionFixture : public ::testing::Test {
 protected:
  // Creates zelDB, connects, selects the access-style dialect the transport
  // answers with, and runs the setup script as one request.
  void StartSession(const std::string& setupSql) {
    unit_ = std::make_unique<ZelTblUnit>(std::make_unique<TransportLibrary>(NETBRG2_LIBRARY));
    zelDB().SetConnectText("Morvane");
    zelDB().Connect();
    ASSERT_TRUE(zelDB().Connected()) << zelDB().ReplyText();
    ASSERT_GE(zelDB().ReplyText().size(), 5u);
    ASSERT_EQ(zelDB().ReplyText()[4], '2');
    zelDB().SetEngine(zeDAO);
    ASSERT_TRUE(zelDB().FreeSQL(setupSql));
  }
  void StopSession() { unit_.reset(); }

  std::unique_ptr<ZelTblUnit> unit_;
};

}  // namespace morvane::testing
