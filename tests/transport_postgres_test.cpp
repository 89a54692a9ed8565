// The transport on a real PostgreSQL server that this test run starts on
// loopback and stops at the end (pg_fixture.h). Skips, saying why, when the
// server binaries are not installed.
#include <cstdlib>

#include <gtest/gtest.h>

#include "tests/demo_db.h"
#include "tests/pg_environment.h"
#include "tests/transport_client.h"

namespace morvane::testing {

namespace {

const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new PostgresEnvironment);

}  // namespace

class BackEndTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string problem;
    server_ = PostgresEnvironment::Server(problem);
    if (server_ == nullptr) GTEST_SKIP() << problem;
    setenv("NETBRG_DATABASE", server_->ConnectionInfo().c_str(), 1);
    client_ = std::make_unique<TransportClient>();
    const InitOutcome init = client_->Init();
    ASSERT_EQ(init.status, 0) << init.text;
    const SendOutcome schema = client_->Send(RecreateDemoSql());
    ASSERT_EQ(schema.reply.status, 'S') << schema.reply.errorText;
  }
  void TearDown() override {
    client_.reset();
    unsetenv("NETBRG_DATABASE");
  }

  TransportClient& client() { return *client_; }
  bool IsPostgres() const { return true; }
  std::string BackEndName() const { return "PostgreSQL"; }

  PostgresServer* server_ = nullptr;
  std::unique_ptr<TransportClient> client_;
};

}  // namespace morvane::testing

// The shared scenarios, in this order (later ones use helpers of earlier ones).
#include "tests/transport_scenarios.h"

#include "tests/rows_changed_scenarios.h"

#include "tests/progress_scenarios.h"

namespace morvane::testing {
namespace {

TEST_F(BackEndTest, ServerTypesCarryTheirValues) {
  const SendOutcome outcome = client().Send(
      "SELECT 7::int2 AS small, 5000000000::int8 AS big, 1.25::float4 AS f4, "
      "123.456::numeric(10,3) AS num, 12.5::money AS cash, TIME '10:20:30.5' AS v, "
      "TIMESTAMP '1999-12-31 23:59:59' AS ts, TIMESTAMPTZ '2024-01-02 03:04:05+00' AS tz, "
      "'\\x00ff10'::bytea AS raw, 'abc'::char(5) AS fixed, repeat('я', 30) AS long_text, "
      "true AS yes, NULL::int4 AS nothing");
  ASSERT_EQ(outcome.reply.status, 'S') << outcome.reply.errorText;
  std::vector<std::string> codes;
  for (const auto& field : outcome.reply.fields) codes.push_back(field.code);
  EXPECT_EQ(codes, (std::vector<std::string>{"i", "f", "f", "f", "c", "v", "t", "t", "g", "K",
                                             "s60", "b", "i"}));
  EXPECT_EQ(outcome.reply.Int(0, 0), 7);
  EXPECT_EQ(outcome.reply.Double(0, 1), 5e9);
  EXPECT_EQ(outcome.reply.Double(0, 2), 1.25);
  EXPECT_EQ(outcome.reply.Double(0, 3), 123.456);
  EXPECT_EQ(outcome.reply.Double(0, 4), 12.5);
  EXPECT_EQ(outcome.reply.Int(0, 5), (10 * 3600 + 20 * 60 + 30) * 1000 + 500);
  EXPECT_EQ(outcome.reply.Double(0, 6),
            transport::DayNumber(1999, 12, 31) * 86'400'000.0 + 86'399'000.0);
  EXPECT_EQ(outcome.reply.Text(0, 8), std::string("\0\xff\x10", 3));
  EXPECT_EQ(outcome.reply.Text(0, 9), "abc  ");
  EXPECT_EQ(outcome.reply.Bool(0, 11), -1);
  EXPECT_TRUE(outcome.reply.Absent(0, 12));
}

TEST_F(BackEndTest, StreamedTextsKeepTabsLineBreaksAndBackslashes) {
  const SendOutcome outcome = client().Send(
      "SELECT E'a\\tb\\nc\\\\d' AS mixed, '\\N' AS not_null, NULL::text AS nothing, "
      "'' AS empty, 'x' AS last, repeat(E'\\\\\\t', 200) AS long_escaped");
  ASSERT_EQ(outcome.reply.status, 'S') << outcome.reply.errorText;
  EXPECT_EQ(outcome.reply.Text(0, 0), "a\tb\nc\\d");
  EXPECT_EQ(outcome.reply.Text(0, 1), "\\N");
  EXPECT_TRUE(outcome.reply.Absent(0, 2));
  EXPECT_TRUE(outcome.reply.Absent(0, 3));
  EXPECT_EQ(outcome.reply.Text(0, 4), "x");
  std::string longEscaped;
  for (int i = 0; i < 200; ++i) longEscaped += "\\\t";
  EXPECT_EQ(outcome.reply.Text(0, 5), longEscaped);
}

TEST_F(BackEndTest, ColumnWidenedAfterManyRowsKeepsEveryValue) {
  const SendOutcome outcome = client().Send(
      "SELECT CASE WHEN n < 3000 THEN n::numeric ELSE 12345678901234567890 END AS v "
      "FROM generate_series(1, 3001) AS n ORDER BY n");
  ASSERT_EQ(outcome.reply.status, 'S') << outcome.reply.errorText;
  ASSERT_EQ(outcome.reply.records.size(), 3001u);
  EXPECT_EQ(outcome.reply.fields[0].code, "s36");
  EXPECT_EQ(outcome.reply.Text(0, 0), "1");
  EXPECT_EQ(outcome.reply.Text(3000, 0), "12345678901234567890");
}

TEST_F(BackEndTest, ErrorWhileRowsStreamLeavesTheConnectionUsable) {
  const SendOutcome failed =
      client().Send("SELECT 1 / (n - 5000) AS q FROM generate_series(1, 10000) AS n");
  EXPECT_EQ(failed.status, 0);
  ASSERT_EQ(failed.reply.status, 'E');
  EXPECT_NE(failed.reply.errorText.find("division by zero"), std::string::npos);
  EXPECT_EQ(client().Send("SELECT Ident FROM Units").reply.records.size(), 34u);
}

TEST_F(BackEndTest, ServerDefaultsForByteaAndBackslashesChangeNothingThatArrives) {
  // A database set up for old clients: bytea in escape form, backslashes as
  // escapes inside string literals.
  ASSERT_EQ(client()
                .Send("ALTER DATABASE postgres SET bytea_output = 'escape'; "
                      "ALTER DATABASE postgres SET standard_conforming_strings = off")
                .reply.status,
            'S');
  EXPECT_EQ(client().Init().status, 0);
  const SendOutcome outcome =
      client().Send("SELECT decode('00ff5c10', 'hex') AS raw, 'C:\\new\\table' AS path");
  client().Send(
      "ALTER DATABASE postgres RESET bytea_output; "
      "ALTER DATABASE postgres RESET standard_conforming_strings");
  ASSERT_EQ(outcome.reply.status, 'S') << outcome.reply.errorText;
  EXPECT_EQ(outcome.reply.Text(0, 0), std::string("\0\xff\\\x10", 4));
  EXPECT_EQ(outcome.reply.Text(0, 1), "C:\\new\\table");
}

TEST_F(BackEndTest, WrongConnectionSettingsFailInit) {
  setenv("NETBRG_DATABASE", "host=127.0.0.1 port=1 user=postgres connect_timeout=2", 1);
  EXPECT_EQ(client().Init().status, -1);
  setenv("NETBRG_DATABASE", "this is = not valid", 1);
  EXPECT_LT(client().Init().status, -1);
}

}  // namespace
}  // namespace morvane::testing

// Last: it stops the shared server and starts it again.
#include "tests/transport_server_scenarios.h"
