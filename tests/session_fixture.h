// Test helper: the process session zelDB over the real libnetbrg2.so,
// connected the way the wizard connects it (init reply selects the dialect).
// The back end's test file derives SessionBackEndTest from it and points the
// transport at a fresh demo database first (StartSessionOnDemoSqliteFile does
// both for SQLite).
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "server/database.h"
#include "tests/demo_db.h"

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
  // A new SQLite file holding the demo database, in a temporary folder that
  // StopSession removes; the transport is pointed at it and the session
  // started on it.
  void StartSessionOnDemoSqliteFile() {
    char folderTemplate[] = "/tmp/morvane-session-XXXXXX";
    ASSERT_NE(mkdtemp(folderTemplate), nullptr);
    folder_ = folderTemplate;
    const std::string path = folder_ + "/demo.db";
    ASSERT_TRUE(CreateEmptySqliteFile(path));
    setenv("NETBRG_DATABASE", ("sqlite:" + path).c_str(), 1);
    StartSession(DemoSchemaSql() + DemoDataSql());
  }
  // Ends the session, forgets the transport's database and removes the
  // SQLite folder, if there is one.
  void StopSession() {
    unit_.reset();
    unsetenv("NETBRG_DATABASE");
    if (!folder_.empty()) std::filesystem::remove_all(folder_);
    folder_.clear();
  }

  std::unique_ptr<ZelTblUnit> unit_;
  std::string folder_;
};

}  // namespace morvane::testing
