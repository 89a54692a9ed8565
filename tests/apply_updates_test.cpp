// Pending changes of query tables applied through libnetbrg2.so to a fresh
// demo database, on SQLite and on a throw-away PostgreSQL server: the server
// ends up with what the tables show, or, when it refuses one statement, with
// nothing of the request while every table returns to its loaded state.
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "engine/zelconst.h"
#include "platform/db/field.h"
#include "platform/rtl/date_time.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/testing/error_of.h"
#include "server/database.h"
#include "server/session_messages.h"
#include "server/table.h"
#include "tests/demo_db.h"
#include "tests/pg_environment.h"
#include "tests/session_fixture.h"

namespace morvane::testing {
namespace {

enum class BackEnd { kSQLite, kPostgreSQL };

const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new PostgresEnvironment);

// Every record of the dataset in key order, each as its field texts.
std::vector<std::string> Rows(TzelDataset& dataSet, const std::string& key) {
  dataSet.SetIndexFieldNames(key);
  std::vector<std::string> rows;
  for (dataSet.First(); !dataSet.Eof(); dataSet.Next()) {
    std::string row;
    for (TField* field : dataSet.Fields()) row += field->AsString() + "|";
    rows.push_back(row);
  }
  return rows;
}

std::vector<std::string> ServerRows(const std::string& table, const std::string& key) {
  TzelTable fresh;
  fresh.SetSQLText("SELECT * FROM " + table);
  fresh.Open();
  return Rows(fresh, key);
}

void OpenForUpdates(TzelTable& table, const std::string& origin, const std::string& key) {
  table.SetSQLText("SELECT * FROM " + origin);
  table.SetOrigin(origin);
  table.SetUniqueFieldNames(key);
  table.Open();
}

void Edit(TzelTable& table, const std::string& key, const std::string& value,
          const std::function<void()>& change) {
  ASSERT_TRUE(table.Locate(key, Variant(value), TLocateOptions{})) << value;
  table.Edit();
  change();
  table.Post();
}

// Two edits, a delete and an insert whose title spans two lines and holds an
// apostrophe.
void ChangeGoods(TzelTable& goods) {
  Edit(goods, "Good", "G0002", [&] {
    goods.FieldByName("Unit")->SetAsString("шт");
    goods.FieldByName("Price")->SetAsFloat(1.35);
  });
  Edit(goods, "Good", "G0004", [&] {
    goods.FieldByName("Title")->SetAsString("Саморез 3,5х25 «Д'Артаньян»");
    goods.FieldByName("Created")->SetAsDateTime(EncodeDate(2024, 3, 15));
    goods.FieldByName("Active")->SetAsBoolean(false);
  });
  ASSERT_TRUE(goods.Locate("Good", Variant("G0005"), TLocateOptions{}));
  goods.Delete();
  goods.Append();
  goods.FieldByName("Good")->SetAsString("G9001");
  goods.FieldByName("Title")->SetAsString("Набор крепежа\r\nв кейсе");
  goods.FieldByName("Created")->SetAsDateTime(EncodeDate(2024, 12, 1));
  goods.FieldByName("Price")->SetAsFloat(250.5);
  goods.Post();
}

class ApplyUpdatesTest : public SessionFixture, public ::testing::WithParamInterface<BackEnd> {
 protected:
  void SetUp() override {
    if (GetParam() == BackEnd::kSQLite) {
      StartSessionOnDemoSqliteFile();
      return;
    }
    std::string problem;
    PostgresServer* server = PostgresEnvironment::Server(problem);
    if (server == nullptr) GTEST_SKIP() << problem;
    setenv("NETBRG_DATABASE", server->ConnectionInfo().c_str(), 1);
    StartSession(RecreateDemoSql({"Stamps"}));
  }
  void TearDown() override { StopSession(); }
};

TEST_P(ApplyUpdatesTest, ServerTableEqualsTheLocalViewAfterApplying) {
  TzelTable goods;
  OpenForUpdates(goods, "Goods", "Good");
  const int loaded = goods.RecordCount();
  ChangeGoods(goods);
  ASSERT_EQ(zelDB().GetUpdatedCount(), 1);

  zelDB().ApplyUpdates();

  EXPECT_EQ(zelDB().GetUpdatedCount(), 0);
  EXPECT_FALSE(goods.GetNeedToSave());
  for (int index = 0; index < goods.ViewCount(); ++index) {
    EXPECT_EQ(goods.Cursor()->Status(goods.ViewRecord(index)), zusUnmodified) << index;
  }
  const std::vector<std::string> local = Rows(goods, "Good");
  EXPECT_EQ(int(local.size()), loaded);
  EXPECT_EQ(ServerRows("Goods", "Good"), local);

  TzelTable changed;
  changed.SetSQLText("SELECT Good, Title, Created FROM Goods WHERE Good IN ('G0004', 'G9001')");
  changed.Open();
  ASSERT_TRUE(changed.Locate("Good", Variant("G9001"), TLocateOptions{}));
  EXPECT_EQ(changed.FieldByName("Title")->AsString(), "Набор крепежа\r\nв кейсе");
  ASSERT_TRUE(changed.Locate("Good", Variant("G0004"), TLocateOptions{}));
  EXPECT_EQ(changed.FieldByName("Created")->AsDateTime(), EncodeDate(2024, 3, 15));
}

TEST_P(ApplyUpdatesTest, RefusedStatementLeavesTheServerUnchangedAndCancelsEveryTable) {
  const std::vector<std::string> goodsBefore = ServerRows("Goods", "Good");
  const std::vector<std::string> unitsBefore = ServerRows("Units", "Ident");
  TzelTable units;
  OpenForUpdates(units, "Units", "Ident");
  Edit(units, "Ident", "кг", [&] { units.FieldByName("name")->SetAsString("кило"); });
  TzelTable goods;
  OpenForUpdates(goods, "Goods", "Good");
  ChangeGoods(goods);
  // A second G0001 breaks the primary key: the whole request must fail.
  goods.Append();
  goods.FieldByName("Good")->SetAsString("G0001");
  goods.FieldByName("Title")->SetAsString("Дубль");
  goods.FieldByName("Created")->SetAsDateTime(EncodeDate(2024, 1, 15));
  goods.Post();

  // The operator learns why: the server's text follows the system's message.
  const std::string refused = ErrorOf([] { zelDB().ApplyUpdates(); });
  EXPECT_EQ(refused.rfind(std::string(zelconst::_Z_ERRUPDATESERVER) + "\n", 0), 0u) << refused;
  EXPECT_NE(refused.find("SQL: INSERT INTO Goods"), std::string::npos) << refused;

  EXPECT_EQ(zelDB().GetUpdatedCount(), 0);
  EXPECT_FALSE(goods.GetNeedToSave());
  EXPECT_FALSE(units.GetNeedToSave());
  EXPECT_TRUE(zelDB().Connected());
  EXPECT_EQ(ServerRows("Goods", "Good"), goodsBefore);
  EXPECT_EQ(ServerRows("Units", "Ident"), unitsBefore);
  EXPECT_EQ(Rows(goods, "Good"), goodsBefore);
  EXPECT_EQ(Rows(units, "Ident"), unitsBefore);
}

// G0064 has no unit: a key condition "Unit=NULL" would match no row while
// the request succeeds.
TEST_P(ApplyUpdatesTest, EmptyKeyValueFindsItsRow) {
  TzelTable goods;
  OpenForUpdates(goods, "Goods", "Good;Unit");
  Edit(goods, "Good", "G0064", [&] { goods.FieldByName("Title")->SetAsString("Без единицы"); });
  zelDB().ApplyUpdates();
  EXPECT_EQ(ServerRows("Goods", "Good"), Rows(goods, "Good"));
  TzelTable check;
  check.SetSQLText("SELECT Title FROM Goods WHERE Good = 'G0064'");
  check.Open();
  EXPECT_EQ(check.FieldByName("Title")->AsString(), "Без единицы");
}

// A key field the statement cannot name would widen its condition: the
// statement is refused before anything is sent, and the change stays.
TEST_P(ApplyUpdatesTest, KeyFieldThatCannotBeWrittenSendsNothing) {
  const std::vector<std::string> before = ServerRows("Goods", "Good");
  TzelTable goods;
  OpenForUpdates(goods, "Goods", "Good;Missing");
  ASSERT_TRUE(goods.Locate("Good", Variant("G0001"), TLocateOptions{}));
  goods.Delete();
  EXPECT_EQ(ErrorOf([] { zelDB().ApplyUpdates(); }),
            zelconst::FormatMessage(sessionmsg::kKeyFieldNotWritable, {"Missing"}));
  EXPECT_TRUE(goods.GetNeedToSave());
  EXPECT_EQ(ServerRows("Goods", "Good"), before);
  zelDB().CancelUpdates();
}

// A date-time key travels whole (its time at midnight too, and its
// milliseconds), so each UPDATE finds its row.
TEST_P(ApplyUpdatesTest, DateTimeKeyWithMillisecondsFindsItsRow) {
  ASSERT_TRUE(zelDB().FreeSQL(
      "CREATE TABLE Stamps (At TIMESTAMP NOT NULL PRIMARY KEY, Note VARCHAR(20));\r\n"
      "INSERT INTO Stamps (At, Note) VALUES (#01/02/2024 00:00:00#, 'a');\r\n"
      "INSERT INTO Stamps (At, Note) VALUES (#01/02/2024 10:20:30.250#, 'b')"));
  TzelTable stamps;
  OpenForUpdates(stamps, "Stamps", "At");
  ASSERT_EQ(stamps.RecordCount(), 2);
  for (stamps.First(); !stamps.Eof(); stamps.Next()) {
    stamps.Edit();
    stamps.FieldByName("Note")->SetAsString(stamps.FieldByName("Note")->AsString() + "2");
    stamps.Post();
  }
  zelDB().ApplyUpdates();
  TzelTable check;
  check.SetSQLText("SELECT Note FROM Stamps WHERE Note IN ('a2', 'b2')");
  check.Open();
  EXPECT_EQ(check.RecordCount(), 2);
}

INSTANTIATE_TEST_SUITE_P(BackEnds, ApplyUpdatesTest,
                         ::testing::Values(BackEnd::kSQLite, BackEnd::kPostgreSQL),
                         [](const ::testing::TestParamInfo<BackEnd>& info) {
                           return info.param == BackEnd::kSQLite ? "SQLite" : "PostgreSQL";
                         });

}  // namespace
}  // namespace morvane::testing
