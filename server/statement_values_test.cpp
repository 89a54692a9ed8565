#include "server/statement_values.h"

#include <gtest/gtest.h>

#include <string>

#include "engine/field_text.h"
#include "engine/zelconst.h"
#include "platform/rtl/format_settings.h"
#include "platform/rtl/testing/error_of.h"
#include "server/session_messages.h"

namespace morvane {
namespace {

TEST(SqlValueLiteralTest, WritesEachKindAndEmptyTextsAsNull) {
  struct Case {
    TzelFieldType type;
    std::string text;
    std::string literal;
  };
  const Case cases[] = {
      {zftInteger, "42", "42"},
      {zftDouble, "-3.5", "-3.5"},
      {zftBoolean, "True", "True"},
      {zftDate, "03/15/2024", "#03/15/2024#"},
      {zftDateTime, "03/15/2024 10:20:30", "#03/15/2024 10:20:30#"},
      {zftSmallStr, "O'Hara", "'O''Hara'"},
      {zftMemo, "it's\r\nhere", "'it''s\r\nhere'"},
      {zftString, "'", "''''"},
      {zftInteger, "", "NULL"},
      {zftDate, " ", "NULL"},
      {zftSmallStr, "\tx", "'\tx'"},
      {zftMemo, "\r\nsecond line", "'\r\nsecond line'"},
      {zftSmallStr, " x", "' x'"},
      {zftSmallStr, "кг", "'кг'"},
  };
  for (const Case& test : cases) {
    EXPECT_EQ(SqlValueLiteral(test.type, test.text, '#'), test.literal)
        << StrFieldType[test.type] << " " << test.text;
  }
}

// A store with one record of every kind of slot the statements meet.
class StatementValuesTest : public ::testing::Test {
 protected:
  StatementValuesTest() {
    cursor.AddField("Goods.Good", zftSmallStr, 10);
    cursor.AddField("Goods.Qty", zftInteger);
    cursor.AddField("Goods.Title", zftString, 100);
    cursor.AddField("Goods.Photo", zftGraphic);
    cursor.AddField("Goods.Note", zftMemo);
    cursor.AddField("Goods.Kind", zftUnknown);
    cursor.AddField("Goods.Price", zftDouble);
    TzelDataBlock block = cursor.NewData();
    std::string error;
    EXPECT_TRUE(cursor.SaveRecord(block.get(), nullptr, error)) << error;
    record = cursor.GetData(0);
  }

  char* Slot(std::string_view name) {
    return record->Data.get() + cursor.FindFieldInfo(name)->Offset;
  }
  void Set(std::string_view name, std::string_view text) {
    TextToSlot(Slot(name), text, *cursor.FindFieldInfo(name));
  }

  TzelCursor cursor;
  TzelRecord* record = nullptr;
  FormatSettingsScope settings{'.', '/'};
};

TEST_F(StatementValuesTest, InsertListsOnlyFieldsWithValuesAndNeverTheNotFoundText) {
  Set("Good", "G'1");
  Set("Qty", "7");
  SetSlotBlob(Slot("Photo"), "\x89PNG");
  NewSlotText(Slot("Title"), 0);  // a reference to an empty text: no display text
  std::string insert =
      PrepareInsertedRec(cursor, "Goods", "Good;Qty;Title;Photo;Note;Kind;Price", *record, '#');
  // Price is a number of 0: the store shows "0", which is a value.
  EXPECT_EQ(insert, "INSERT INTO Goods (Good,Qty,Price) VALUES ('G''1',7,0)");
  EXPECT_EQ(insert.find(zelconst::_Z_NOTFOUND), std::string::npos);
}

TEST_F(StatementValuesTest, InsertKeepsLineBreaksAndSeparatorsInsideItsLiteral) {
  Set("Good", "G1");
  SetSlotBlob(Slot("Note"), "first=1\r\nsecond\nthird\x12\x14;");
  EXPECT_EQ(PrepareInsertedRec(cursor, "Goods", "Note;Good", *record, '#'),
            "INSERT INTO Goods (Note,Good) VALUES ('first=1\r\nsecond\nthird\x12\x14;','G1')");
}

TEST_F(StatementValuesTest, InsertWithoutAnyValueIsEmpty) {
  EXPECT_EQ(PrepareInsertedRec(cursor, "Goods", "Good;Title;Note;Unknown", *record, '#'), "");
}

TEST_F(StatementValuesTest, KeyStringSkipsUnknownNamesAndFieldsWithoutText) {
  Set("Good", "A");
  SetSlotBlob(Slot("Photo"), "bytes");
  EXPECT_EQ(
      KeyString(cursor, "Good;Missing;Photo;Kind;Qty;Title", false, *record, false, " and ", '#'),
      "Good='A' and Qty=0 and Title=NULL");
}

TEST_F(StatementValuesTest, KeyStringReadsOldValuesAndKeepsOnlyChangedFields) {
  Set("Good", "old");
  Set("Qty", "1");
  ASSERT_TRUE(cursor.CreateUndoCopy(record));
  Set("Good", "new");
  SetSlotBlob(Slot("Photo"), "changed");  // changed, but has no text: never written
  EXPECT_EQ(KeyString(cursor, "Good;Qty", true, *record, false, " and ", '#'),
            "Good='old' and Qty=1");
  EXPECT_EQ(KeyString(cursor, "Good;Qty;Photo", false, *record, true, ",", '#'), "Good='new'");
}

TEST_F(StatementValuesTest, KeyConditionTestsEmptyValuesWithIsNull) {
  Set("Good", "A'1");
  ASSERT_TRUE(cursor.CreateUndoCopy(record));
  Set("Good", "B");
  EXPECT_EQ(KeyCondition(cursor, "Good;Qty;Title;Price", *record, '#'),
            "Good='A''1' and Qty=0 and Title IS NULL and Price=0");
}

TEST_F(StatementValuesTest, KeyConditionRefusesFieldsItCannotWrite) {
  Set("Good", "A");
  SetSlotBlob(Slot("Photo"), "bytes");
  NewSlotText(Slot("Title"), 0);  // a reference to an empty text: no display text
  for (const char* name : {"Photo", "Kind", "Title", "Missing"}) {
    EXPECT_EQ(ErrorOf([&] { KeyCondition(cursor, std::string("Good;") + name, *record, '#'); }),
              zelconst::FormatMessage(sessionmsg::kKeyFieldNotWritable, {name}));
  }
}

}  // namespace
}  // namespace morvane
