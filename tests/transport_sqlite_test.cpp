// The transport on SQLite files, through libnetbrg2.so.
#include <sqlite3.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>

#include <gtest/gtest.h>

#include "tests/demo_db.h"
#include "tests/transport_client.h"

namespace morvane::testing {

class BackEndTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char folderTemplate[] = "/tmp/morvane-sqlite-XXXXXX";
    ASSERT_NE(mkdtemp(folderTemplate), nullptr);
    folder_ = folderTemplate;
    path_ = folder_ + "/demo.db";
    ASSERT_TRUE(CreateEmptySqliteFile(path_));
    setenv("NETBRG_DATABASE", ("sqlite:" + path_).c_str(), 1);
    client_ = std::make_unique<TransportClient>();
    ASSERT_EQ(client_->Init().status, 0);
    const SendOutcome schema = client_->Send(DemoSchemaSql() + DemoDataSql());
    ASSERT_EQ(schema.reply.status, 'S') << schema.reply.errorText;
  }
  void TearDown() override {
    client_.reset();
    unsetenv("NETBRG_DATABASE");
    unsetenv("NETBRG_BUSY_TIMEOUT");
    std::filesystem::remove_all(folder_);
  }

  TransportClient& client() { return *client_; }
  bool IsPostgres() const { return false; }
  std::string BackEndName() const { return "SQLite"; }

  std::string folder_;
  std::string path_;
  std::unique_ptr<TransportClient> client_;
};

}  // namespace morvane::testing

#include "tests/transport_scenarios.h"
#include "tests/rows_changed_scenarios.h"
#include "tests/progress_scenarios.h"

namespace morvane::testing {
namespace {

TEST_F(BackEndTest, MissingFileFailsInitAndIsNotCreated) {
  const std::string missing = folder_ + "/absent.db";
  setenv("NETBRG_DATABASE", ("sqlite:" + missing).c_str(), 1);
  const InitOutcome outcome = client().Init();
  EXPECT_LT(outcome.status, -1);
  EXPECT_NE(outcome.text.find(missing), std::string::npos);
  EXPECT_FALSE(std::filesystem::exists(missing));
  const SendOutcome send = client().Send("SELECT 1");
  EXPECT_EQ(send.status, -1);
  EXPECT_EQ(send.reply.status, 'E');
}

TEST_F(BackEndTest, FileThatIsNotADatabaseFailsInit) {
  const std::string text = folder_ + "/notes.db";
  FILE* file = fopen(text.c_str(), "w");
  fputs("this is not a database, just some text long enough to fill a header page", file);
  fclose(file);
  setenv("NETBRG_DATABASE", ("sqlite:" + text).c_str(), 1);
  EXPECT_LT(client().Init().status, -1);
}

TEST_F(BackEndTest, BusyDatabaseAnswersAnErrorAfterABoundedWait) {
  setenv("NETBRG_BUSY_TIMEOUT", "200", 1);
  ASSERT_EQ(client().Init().status, 0);
  sqlite3* other = nullptr;
  ASSERT_EQ(sqlite3_open(path_.c_str(), &other), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);

  const auto started = std::chrono::steady_clock::now();
  const SendOutcome blocked = client().Send("UPDATE Goods SET Unit = 'шт' WHERE Good = 'G0002'");
  const auto waited = std::chrono::steady_clock::now() - started;
  EXPECT_EQ(blocked.status, 0);
  EXPECT_EQ(blocked.reply.status, 'E');
  EXPECT_NE(blocked.reply.errorText.find("locked"), std::string::npos) << blocked.reply.errorText;
  EXPECT_LT(waited, std::chrono::seconds(10));

  sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
  sqlite3_close(other);
  EXPECT_EQ(client().Send("UPDATE Goods SET Unit = 'шт' WHERE Good = 'G0002'").reply.status, 'S');
}

TEST_F(BackEndTest, SendAfterCloseAnswersNotConnected) {
  client().Close();
  const SendOutcome outcome = client().Send("SELECT 1");
  EXPECT_EQ(outcome.status, -1);
  EXPECT_EQ(outcome.reply.status, 'E');
  EXPECT_EQ(client().Init().status, 0);
  EXPECT_EQ(client().Send("SELECT 1 AS one").reply.status, 'S');
}

TEST_F(BackEndTest, NullReplyAddressesAreIgnored) {
  TransportReply* none = nullptr;
  client().SendEntry()("SELECT 1", 9, &none);
  client().SendEntry()("SELECT 1", 9, nullptr);
  client().InitEntry()("x", 2, &none);
  EXPECT_EQ(client().Send("SELECT 1 AS one").reply.status, 'S');
}

TEST_F(BackEndTest, TextsBlobsAndDatesOfEveryShapeRoundTrip) {
  const SendOutcome setup = client().Send(
      "CREATE TABLE Shapes (k INTEGER, big BIGINT, t TIME, ts DATETIME, b BLOB, m TEXT, "
      "r REAL, c MONEY);\n"
      "INSERT INTO Shapes VALUES (1, 5000000000, #10:20:30#, #12/31/1999 23:59:59#, "
      "x'00FF10', 'x', 0.25, 12.5)");
  ASSERT_EQ(setup.reply.status, 'S') << setup.reply.errorText;
  const SendOutcome outcome = client().Send("SELECT * FROM Shapes");
  ASSERT_EQ(outcome.reply.status, 'S') << outcome.reply.errorText;
  std::vector<std::string> codes;
  for (const auto& field : outcome.reply.fields) codes.push_back(field.code);
  EXPECT_EQ(codes, (std::vector<std::string>{"i", "f", "v", "t", "g", "s36", "f", "c"}));
  EXPECT_EQ(outcome.reply.Double(0, 1), 5e9);
  EXPECT_EQ(outcome.reply.Int(0, 2), (10 * 3600 + 20 * 60 + 30) * 1000);
  EXPECT_EQ(outcome.reply.Double(0, 3),
            transport::DayNumber(1999, 12, 31) * 86'400'000.0 + 86'399'000.0);
  EXPECT_EQ(outcome.reply.Text(0, 4), std::string("\0\xff\x10", 3));
  EXPECT_EQ(outcome.reply.Double(0, 7), 12.5);
}

}  // namespace
}  // namespace morvane::testing
