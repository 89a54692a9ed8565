#include "server/update_statements.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "engine/test_buffer.h"
#include "engine/zelconst.h"
#include "platform/db/field.h"
#include "platform/rtl/date_time.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/format_settings.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/testing/error_of.h"
#include "platform/rtl/testing/temp_path.h"
#include "server/database.h"
#include "server/fake_transport/scripted_transport.h"
#include "server/session_messages.h"
#include "server/table.h"

namespace morvane {
namespace {

using testing::Absent;
using testing::Blob;
using testing::Dbl;
using testing::Int;
using testing::Small;
using testing::TestBuffer;
using testing::Text;

// Goods as the server sends them: an inline key, a long text, numbers, a
// date, a memo, a picture and one field of another table.
std::string GoodsReply() {
  return TestBuffer()
      .Layout({"Goods.Good 8", "Goods.Title s40", "Goods.Qty i", "Goods.Price f", "Goods.Made d",
               "Goods.Note m", "Goods.Pic g", "Units.Extra 8"})
      .Record({Small("G1"), Text("Болт"), Int(5), Dbl(4.5), Absent(), Text("line"), Blob("\x89PNG"),
               Small("шт")})
      .Record({Small("O'Brien"), Text("Гайка"), Int(7), Dbl(1.25), Absent(), Absent(), Absent(),
               Small("кг")})
      .Record(
          {Small("G3"), Text("Шайба"), Int(9), Dbl(0.5), Absent(), Absent(), Absent(), Absent()})
      .String();
}

// Every test has the process session, talking to a scripted server, and the
// Russian format settings (decimal comma) that statements must not leak.
class UpdateStatementsTest : public ::testing::Test {
 protected:
  UpdateStatementsTest() {
    scriptedServer = &fake;
    FormatSettings() = RussianFormatSettings();
  }
  void TearDown() override {
    unit.reset();
    EXPECT_EQ(fake.allocated, 0);
    scriptedServer = nullptr;
  }

  void OpenGoods(TzelTable& table, const std::string& uniqueFieldNames = "Good") {
    fake.replyBuffer = GoodsReply();
    table.SetSQLText("SELECT * FROM Goods");
    table.SetOrigin("Goods");
    table.SetUniqueFieldNames(uniqueFieldNames);
    table.Open();
    // Sends after the load answer with a plain success reply.
    fake.replyBuffer.clear();
  }

  static void EditGood(TzelTable& table, const std::string& good,
                       const std::function<void()>& change) {
    ASSERT_TRUE(table.Locate("Good", Variant(good), TLocateOptions{}));
    table.Edit();
    change();
    table.Post();
  }

  std::string Statements(const TzelTable& table) { return PrepareUpdString(table, zelDB()); }

  ScriptedServer fake;
  std::unique_ptr<ZelTblUnit> unit = std::make_unique<ZelTblUnit>(ScriptedTransport());
};

TEST_F(UpdateStatementsTest, ModifiedRecordSetsChangedFieldsWhereTheOldKeyWithApostropheDoubled) {
  TzelTable goods;
  OpenGoods(goods);
  EditGood(goods, "O'Brien", [&] {
    goods.FieldByName("Good")->SetAsString("G2");
    goods.FieldByName("Title")->SetAsString("Гайка М'8");
  });
  EXPECT_EQ(Statements(goods),
            "UPDATE Goods SET Good='G2',Title='Гайка М''8' WHERE Good='O''Brien'\r\n");
}

TEST_F(UpdateStatementsTest, ClearedFieldsAreSetToNullAndNumbersUseAPoint) {
  TzelTable goods;
  OpenGoods(goods);
  EditGood(goods, "G1", [&] {
    goods.FieldByName("Title")->Clear();
    goods.FieldByName("Price")->SetAsFloat(12.75);
  });
  EXPECT_EQ(Statements(goods), "UPDATE Goods SET Title=NULL,Price=12.75 WHERE Good='G1'\r\n");
  EXPECT_EQ(FormatSettings().DecimalSeparator, ',') << "the SQL settings are put back";
}

TEST_F(UpdateStatementsTest, FloatsTravelInFullInSetWhereAndInsert) {
  TzelTable goods;
  OpenGoods(goods, "Price");
  ASSERT_TRUE(goods.Locate("Good", Variant("G3"), TLocateOptions{}));
  goods.Edit();
  goods.FieldByName("Price")->SetAsFloat(1.0 / 3);
  goods.Post();
  goods.Append();
  goods.FieldByName("Good")->SetAsString("G4");
  goods.FieldByName("Price")->SetAsFloat(2.0 / 3);
  goods.Post();
  EXPECT_EQ(Statements(goods),
            "UPDATE Goods SET Price=0.3333333333333333 WHERE Price=0.5\r\n"
            "INSERT INTO Goods (Good,Qty,Price) VALUES ('G4',0,0.6666666666666666)\r\n");

  goods.CancelUpdates();
  ASSERT_TRUE(goods.Locate("Good", Variant("G3"), TLocateOptions{}));
  goods.Edit();
  goods.FieldByName("Qty")->SetAsInteger(10);
  goods.Post();
  // The key as loaded: a WHERE part with the full value finds the row.
  EXPECT_EQ(Statements(goods), "UPDATE Goods SET Qty=10 WHERE Price=0.5\r\n");
}

TEST_F(UpdateStatementsTest, ChangeOutsideTheTablesFieldsProducesNoStatement) {
  TzelTable goods;
  OpenGoods(goods);
  goods.FieldByName("Extra")->SetOrigin("Units");
  EditGood(goods, "G1", [&] { goods.FieldByName("Extra")->SetAsString("упак"); });
  EXPECT_TRUE(goods.GetNeedToSave());
  EXPECT_EQ(Statements(goods), "");
  EXPECT_EQ(UpdatableFieldList(goods), "Good;Title;Qty;Price;Made;Note;Pic");
}

TEST_F(UpdateStatementsTest, InsertLeavesOutNullFieldsAndKeepsALineBreakInsideItsLiteral) {
  TzelTable goods;
  OpenGoods(goods);
  goods.Append();
  goods.FieldByName("Good")->SetAsString("G4");
  goods.FieldByName("Title")->SetAsString("Дюбель\r\n6х40");
  goods.FieldByName("Qty")->SetAsInteger(3);
  goods.Post();
  EXPECT_EQ(Statements(goods),
            "INSERT INTO Goods (Good,Title,Qty,Price) VALUES ('G4','Дюбель\r\n6х40',3,0)\r\n");
}

TEST_F(UpdateStatementsTest, KeyFieldsJoinWithAndInTheirOrderAndAnEmptyKeyIsNull) {
  TzelTable goods;
  OpenGoods(goods, "Qty;Good;Made");
  ASSERT_TRUE(goods.Locate("Good", Variant("G1"), TLocateOptions{}));
  goods.Delete();
  // "Made=NULL" would match no row while the request succeeds.
  EXPECT_EQ(Statements(goods), "DELETE FROM Goods WHERE Qty=5 and Good='G1' and Made IS NULL\r\n");
  goods.CancelUpdates();
  // A NULL assigned in SET stays an assignment.
  EditGood(goods, "G1", [&] { goods.FieldByName("Title")->Clear(); });
  EXPECT_EQ(Statements(goods),
            "UPDATE Goods SET Title=NULL WHERE Qty=5 and Good='G1' and Made IS NULL\r\n");
}

// A key field that cannot be written would widen the condition to rows the
// key does not name: with key "Good;Pic" a DELETE would hit every row of that
// Good. Such a statement is refused; nothing is sent and the changes stay.
TEST_F(UpdateStatementsTest, KeyFieldThatCannotBeWrittenRefusesTheStatement) {
  for (const char* key : {"Good;Pic", "Good;NoSuchField"}) {
    TzelTable goods;
    OpenGoods(goods, key);
    ASSERT_TRUE(goods.Locate("Good", Variant("O'Brien"), TLocateOptions{}));
    goods.Delete();
    const std::string field = std::string(key).substr(5);
    const std::string message = zelconst::FormatMessage(sessionmsg::kKeyFieldNotWritable, {field});
    EXPECT_EQ(ErrorOf([&] { Statements(goods); }), message) << key;
    const size_t sent = fake.requests.size();
    EXPECT_EQ(ErrorOf([] { zelDB().ApplyUpdates(); }), message) << key;
    EXPECT_EQ(ErrorOf([&] { goods.ApplyUpdates(); }), message) << key;
    EXPECT_EQ(fake.requests.size(), sent) << key;
    EXPECT_TRUE(goods.GetNeedToSave()) << key;
    EXPECT_EQ(zelDB().GetUpdatedCount(), 1) << key;
    goods.CancelUpdates();
  }
}

// Date-time values travel whole: the time at midnight too, and milliseconds
// when there are any, so a key on such a column finds its row.
TEST_F(UpdateStatementsTest, DateTimeAndTimeValuesKeepTheirTimeAndMilliseconds) {
  zelDB().SetEngine(zeDAO);
  const double day = DateTimeToTimeStamp(EncodeDate(2024, 1, 2)).Date * 86'400'000.0;
  const double afternoon = day + ((10 * 60 + 20) * 60 + 30) * 1000.0 + 250;
  fake.replyBuffer = TestBuffer()
                         .Layout({"Stamps.At t", "Stamps.Clock v", "Stamps.Id i"})
                         .Record({Dbl(day), Int(0), Int(1)})
                         .Record({Dbl(afternoon), Int(((7 * 60 + 5) * 60 + 9) * 1000 + 40), Int(2)})
                         .String();
  TzelTable stamps;
  stamps.SetSQLText("SELECT * FROM Stamps");
  stamps.SetOrigin("Stamps");
  stamps.SetUniqueFieldNames("At;Clock");
  stamps.Open();
  for (stamps.First(); !stamps.Eof(); stamps.Next()) {
    stamps.Edit();
    stamps.FieldByName("Id")->SetAsInteger(stamps.FieldByName("Id")->AsInteger() + 10);
    stamps.Post();
  }
  EXPECT_EQ(Statements(stamps),
            "UPDATE Stamps SET Id=11 WHERE At=#01/02/2024 00:00:00# and Clock IS NULL\r\n"
            "UPDATE Stamps SET Id=12 WHERE At=#01/02/2024 10:20:30.250# and "
            "Clock=#07:05:09.040#\r\n");
}

TEST_F(UpdateStatementsTest, DaoDialectWritesDatesMonthFirstBetweenHashes) {
  zelDB().SetEngine(zeDAO);
  TzelTable goods;
  OpenGoods(goods);
  EditGood(goods, "G3", [&] { goods.FieldByName("Made")->SetAsDateTime(EncodeDate(2024, 3, 15)); });
  EXPECT_EQ(Statements(goods), "UPDATE Goods SET Made=#03/15/2024# WHERE Good='G3'\r\n");
  EXPECT_EQ(FormatSettings().ShortDateFormat, RussianFormatSettings().ShortDateFormat);
}

TEST_F(UpdateStatementsTest, FieldsWithoutAStoreTextNeverReachAStatement) {
  TzelTable goods;
  OpenGoods(goods);
  // The store shows a picture as "not found", which is no value the server
  // could take back: it stays out of the inserted values.
  ASSERT_TRUE(goods.Locate("Good", Variant("O'Brien"), TLocateOptions{}));
  goods.Delete();
  goods.Append();
  goods.FieldByName("Good")->SetAsString("G5");
  goods.CreateBlobStream(goods.FieldByName("Pic"), bmWrite)->WriteString("GIF89a");
  goods.Post();
  const std::string statements = Statements(goods);
  EXPECT_EQ(statements,
            "DELETE FROM Goods WHERE Good='O''Brien'\r\n"
            "INSERT INTO Goods (Good,Qty,Price) VALUES ('G5',0,0)\r\n");
  EXPECT_EQ(statements.find(zelconst::_Z_NOTFOUND), std::string::npos);
}

TEST_F(UpdateStatementsTest, MemoEmptiedThroughItsStreamIsSetToNull) {
  TzelTable goods;
  OpenGoods(goods);
  EditGood(goods, "G1",
           [&] { goods.CreateBlobStream(goods.FieldByName("Note"), bmWrite)->SetSize(0); });
  EXPECT_EQ(Statements(goods), "UPDATE Goods SET Note=NULL WHERE Good='G1'\r\n");
}

TEST_F(UpdateStatementsTest, StatementsFollowStoreOrderAndSkipSettledRecords) {
  TzelTable goods;
  OpenGoods(goods);
  goods.SetIndexFieldNames("Price");  // shows G3 first, the store keeps it last
  goods.Append();                     // inserted, then deleted: nothing reaches the server
  goods.FieldByName("Good")->SetAsString("G8");
  goods.Post();
  goods.Delete();
  ASSERT_TRUE(goods.Locate("Good", Variant("G3"), TLocateOptions{}));
  goods.Delete();
  EditGood(goods, "G1", [&] { goods.FieldByName("Qty")->SetAsInteger(6); });
  EXPECT_EQ(Statements(goods),
            "UPDATE Goods SET Qty=6 WHERE Good='G1'\r\n"
            "DELETE FROM Goods WHERE Good='G3'\r\n");
}

// --- Sending and settling ---

TEST_F(UpdateStatementsTest, SessionSendsEveryTablesStatementsAsOneRequestThenCommits) {
  TzelTable goods;
  TzelTable more;
  OpenGoods(goods);
  OpenGoods(more);
  EditGood(goods, "G1", [&] { goods.FieldByName("Qty")->SetAsInteger(6); });
  EditGood(more, "G3", [&] { more.FieldByName("Qty")->SetAsInteger(1); });
  const size_t sentBefore = fake.requests.size();
  zelDB().ApplyUpdates();
  ASSERT_EQ(fake.requests.size(), sentBefore + 1);
  EXPECT_EQ(fake.requests.back(),
            "UPDATE Goods SET Qty=6 WHERE Good='G1'\r\n"
            "UPDATE Goods SET Qty=1 WHERE Good='G3'");
  EXPECT_EQ(zelDB().GetUpdatedCount(), 0);
  EXPECT_FALSE(goods.GetNeedToSave());
  EXPECT_EQ(goods.UpdateStatus(), usUnmodified);
  EXPECT_EQ(goods.FieldByName("Qty")->AsInteger(), 6);
}

TEST_F(UpdateStatementsTest, RefusedRequestCancelsEveryTableAndRaises) {
  TzelTable goods;
  TzelTable more;
  OpenGoods(goods);
  OpenGoods(more);
  EditGood(goods, "G1", [&] { goods.FieldByName("Qty")->SetAsInteger(6); });
  more.Append();
  more.FieldByName("Good")->SetAsString("G4");
  more.Post();
  fake.replyStatus = 'E';
  EXPECT_EQ(ErrorOf([] { zelDB().ApplyUpdates(); }),
            std::string(zelconst::_Z_ERRUPDATESERVER) + "\nserver text");
  EXPECT_EQ(zelDB().GetUpdatedCount(), 0);
  EXPECT_EQ(goods.FieldByName("Qty")->AsInteger(), 5);
  EXPECT_EQ(more.RecordCount(), 3);
  EXPECT_FALSE(more.GetNeedToSave());
}

TEST_F(UpdateStatementsTest, CloneAndSourceSharingAStoreSendItsChangesOnce) {
  TzelTable goods;
  OpenGoods(goods);
  TzelTable clone;
  clone.SetOrigin("Goods");
  clone.SetUniqueFieldNames("Good");
  clone.LoadFromCursor(&goods);
  EditGood(goods, "G1", [&] { goods.FieldByName("Qty")->SetAsInteger(6); });
  EditGood(clone, "G3", [&] { clone.FieldByName("Qty")->SetAsInteger(1); });
  ASSERT_EQ(zelDB().GetUpdatedCount(), 2);
  zelDB().ApplyUpdates();
  EXPECT_EQ(fake.requests.back(),
            "UPDATE Goods SET Qty=6 WHERE Good='G1'\r\n"
            "UPDATE Goods SET Qty=1 WHERE Good='G3'");
  EXPECT_EQ(zelDB().GetUpdatedCount(), 0);
}

TEST_F(UpdateStatementsTest, TableApplyRaisesOnRefusalAndLeavesTheChangesPending) {
  TzelTable goods;
  OpenGoods(goods);
  EditGood(goods, "G1", [&] { goods.FieldByName("Qty")->SetAsInteger(6); });
  fake.replyStatus = 'E';
  EXPECT_EQ(ErrorOf([&] { goods.ApplyUpdates(); }),
            std::string(zelconst::_Z_ERRUPDATESERVER) + "\nserver text");
  EXPECT_TRUE(goods.GetNeedToSave());
  EXPECT_EQ(goods.UpdateStatus(), usModified);
  zelDB().CancelUpdates();
  EXPECT_EQ(goods.FieldByName("Qty")->AsInteger(), 5);
  EXPECT_EQ(zelDB().GetUpdatedCount(), 0);
}

TEST_F(UpdateStatementsTest, TableLoadedFromAFileSendsNothing) {
  const std::string path = testing_support::TestTempPath("goods-apply.d");
  {
    TzelTable goods;
    OpenGoods(goods);
    goods.SaveToFile(path);
  }
  TzelTable goods;
  goods.SetOrigin("Goods");
  goods.SetUniqueFieldNames("Good");
  goods.LoadFromFile(path);
  EditGood(goods, "G1", [&] { goods.FieldByName("Qty")->SetAsInteger(6); });
  const size_t sentBefore = fake.requests.size();
  goods.ApplyUpdates();
  EXPECT_EQ(fake.requests.size(), sentBefore);
  EXPECT_TRUE(goods.GetNeedToSave());
}

}  // namespace
}  // namespace morvane
