#include <gtest/gtest.h>

#include "engine/cursor.h"
#include "engine/field_text.h"
#include "platform/rtl/date_time.h"
#include "platform/rtl/format_settings.h"

namespace morvane {
namespace {

// One descriptor of each type in a cursor, and a record to put values in.
class FieldTextTest : public ::testing::Test {
 protected:
  void SetUp() override {
    settings_.emplace();
    FormatSettings() = RussianFormatSettings();
    id_ = cursor_.AddField("T.ID", zftInteger);
    ok_ = cursor_.AddField("T.OK", zftBoolean);
    sum_ = cursor_.AddField("T.SUM", zftDouble);
    day_ = cursor_.AddField("T.DAY", zftDate);
    at_ = cursor_.AddField("T.AT", zftTime);
    stamp_ = cursor_.AddField("T.STAMP", zftDateTime);
    code_ = cursor_.AddField("T.CODE", zftSmallStr, 5);
    name_ = cursor_.AddField("T.NAME", zftString, 40);
    note_ = cursor_.AddField("T.NOTE", zftMemo);
    pic_ = cursor_.AddField("T.PIC", zftGraphic);
    record_.Data = cursor_.NewData();
  }
  void TearDown() override {
    cursor_.ClearData(record_.Data);
    settings_.reset();
  }

  char* Slot(const TzelField* field) { return record_.Data.get() + field->Offset; }
  std::string Shown(const TzelField* field) { return cursor_.GetFieldText(*field, record_, false); }
  std::string Stored(const TzelField* field, std::string_view text) {
    TextToSlot(Slot(field), text, *field);
    return Shown(field);
  }
  template <typename T>
  T Value(const TzelField* field) {
    T value;
    std::memcpy(&value, Slot(field), sizeof value);
    return value;
  }

  std::optional<FormatSettingsScope> settings_;
  TzelCursor cursor_;
  TzelRecord record_;
  TzelField *id_, *ok_, *sum_, *day_, *at_, *stamp_, *code_, *name_, *note_, *pic_;
};

TEST_F(FieldTextTest, ZeroSlotsShowByType) {
  EXPECT_EQ(Shown(id_), "0");
  EXPECT_EQ(Shown(ok_), "False");
  EXPECT_EQ(Shown(sum_), "0");
  EXPECT_EQ(Shown(day_), "");
  EXPECT_EQ(Shown(at_), "");
  EXPECT_EQ(Shown(stamp_), "");
  EXPECT_EQ(Shown(code_), "");
  EXPECT_EQ(Shown(name_), "");
  EXPECT_EQ(Shown(note_), "");
  EXPECT_EQ(Shown(pic_), "Не найдено");
}

TEST_F(FieldTextTest, DoublesShowAtMostSixDecimalsWithoutTrailingZeros) {
  const std::pair<double, const char*> cases[] = {{1.5, "1,5"},
                                                  {2.0, "2"},
                                                  {-0.25, "-0,25"},
                                                  {1.0 / 3.0, "0,333333"},
                                                  {1234567.1, "1234567,1"}};
  for (auto [value, expected] : cases) {
    std::memcpy(Slot(sum_), &value, sizeof value);
    EXPECT_EQ(Shown(sum_), expected) << value;
  }
}

TEST_F(FieldTextTest, TextsConvertIntoSlotsAndBack) {
  struct Case {
    const char* field;
    std::string text;
    std::string shown;
  };
  const Case cases[] = {
      {"ID", "42", "42"},
      {"ID", "12a", "0"},  // not all of it is an integer
      {"OK", "да", "True"},
      {"OK", "yes", "True"},
      {"OK", "t", "True"},
      {"OK", "1", "True"},
      {"OK", "0", "False"},
      {"OK", "нет", "False"},
      {"SUM", "3,25", "3,25"},
      {"SUM", "abc", "0"},
      {"DAY", "31.12.2020", "31.12.2020"},
      {"DAY", "31.02.2020", ""},
      {"AT", "10:30:15", "10:30:15"},
      {"STAMP", "01.02.2003 04:05:06", "01.02.2003 04:05:06"},
      {"CODE", "ABCDEFGH", "ABCDE"},  // cut to the declared length
      {"CODE", "ЖЖЖ", "ЖЖ"},          // never inside a character
      {"NAME", std::string(50, 'x'), std::string(40, 'x')},
      {"NAME", "", ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Stored(cursor_.FindFieldInfo(c.field), c.text), c.shown) << c.field << " " << c.text;
  }
}

TEST_F(FieldTextTest, EmptyTextLeavesNoHeapReference) {
  Stored(name_, "Петров");
  ASSERT_NE(SlotRef(Slot(name_)), nullptr);
  Stored(name_, "");
  EXPECT_EQ(SlotRef(Slot(name_)), nullptr);
}

TEST_F(FieldTextTest, UndoCopyIsShownOnRequest) {
  Stored(id_, "4");
  std::string error;
  ASSERT_TRUE(cursor_.SaveRecord(record_.Data.get(), nullptr, error)) << error;
  TzelRecord* stored = cursor_.GetData(0);
  ASSERT_TRUE(cursor_.CreateUndoCopy(stored));
  TextToSlot(stored->Data.get() + id_->Offset, "5", *id_);
  EXPECT_EQ(cursor_.GetFieldText(*id_, *stored, true), "4");
  EXPECT_EQ(cursor_.GetFieldText(*id_, *stored, false), "5");
}

TEST_F(FieldTextTest, TypedValuesStayInsideTheirSlots) {
  // A Boolean slot is two bytes wide: an integer must not write four.
  std::memset(Slot(day_), 0x55, 4);
  VarRecToSlot(Slot(ok_), Variant(int32_t(7)), *ok_);
  EXPECT_EQ(Value<int16_t>(ok_), -1);
  EXPECT_EQ(Value<int32_t>(day_), 0x55555555);

  VarRecToSlot(Slot(id_), Variant(2.75), *id_);
  EXPECT_EQ(Value<int32_t>(id_), 2);
  VarRecToSlot(Slot(sum_), Variant(int32_t(3)), *sum_);
  EXPECT_EQ(Value<double>(sum_), 3.0);
  VarRecToSlot(Slot(ok_), Variant(false), *ok_);
  EXPECT_EQ(Value<int16_t>(ok_), 0);
}

TEST_F(FieldTextTest, DateTimeValuesGoIntoDateAndTimeSlots) {
  TDateTime moment = EncodeDate(2020, 12, 31) + EncodeTime(10, 30, 0, 0);
  VarRecToSlot(Slot(day_), Variant::FromDateTime(moment), *day_);
  VarRecToSlot(Slot(at_), Variant(moment), *at_);
  VarRecToSlot(Slot(stamp_), Variant::FromDateTime(moment), *stamp_);
  EXPECT_EQ(Value<int32_t>(day_), DateTimeToTimeStamp(moment).Date);
  EXPECT_EQ(Value<int32_t>(at_), (10 * 60 + 30) * 60 * 1000);
  EXPECT_EQ(Value<double>(stamp_), TimeStampToMSecs(DateTimeToTimeStamp(moment)));
}

TEST_F(FieldTextTest, TextVariantsAndEmptyVariants) {
  VarRecToSlot(Slot(name_), Variant("Сидоров"), *name_);
  EXPECT_EQ(Shown(name_), "Сидоров");
  VarRecToSlot(Slot(name_), Variant(), *name_);
  EXPECT_EQ(SlotRef(Slot(name_)), nullptr);
  VarRecToSlot(Slot(code_), Variant(int32_t(12)), *code_);
  EXPECT_EQ(Shown(code_), "12");
}

}  // namespace
}  // namespace morvane
