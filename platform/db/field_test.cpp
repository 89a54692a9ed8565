#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/db/fields.h"
#include "platform/db/testing/memory_dataset.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/format_settings.h"

namespace morvane {
namespace {

using testing::TMemoryDataSet;

// One record with a field of every fixed-size type, in edit state.
class FieldTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FormatSettings().DecimalSeparator = ',';
    FormatSettings().DateSeparator = '.';
    FormatSettings().TimeSeparator = ':';
    FormatSettings().ShortDateFormat = "dd/mm/yyyy";
    FormatSettings().LongTimeFormat = "hh:nn:ss";
    dataSet.SetName("Table1");
    struct Def {
      const char* name;
      TFieldType type;
      int size;
    };
    for (Def def : {Def{"S", ftSmallint, 0}, Def{"I", ftInteger, 0}, Def{"W", ftWord, 0},
                    Def{"B", ftBoolean, 0}, Def{"F", ftFloat, 0}, Def{"C", ftCurrency, 0},
                    Def{"D", ftDate, 0}, Def{"T", ftTime, 0}, Def{"DT", ftDateTime, 0},
                    Def{"TXT", ftString, 5}})
      dataSet.FieldDefs().Add(def.name, def.type, def.size);
    dataSet.Open();
    dataSet.Append();
  }

  TField* Field(const char* name) { return dataSet.FieldByName(name); }
  template <typename Native>
  Native Raw(const char* name) {
    Native value{};
    EXPECT_TRUE(dataSet.GetFieldData(Field(name), &value)) << name;
    return value;
  }
  std::string ErrorOf(const std::function<void()>& action) {
    try {
      action();
    } catch (const EDatabaseError& error) {
      return error.what();
    }
    return "no error";
  }

  FormatSettingsScope settings;
  TMemoryDataSet dataSet;
};

TEST_F(FieldTest, DefaultFieldsHaveTheClassOfTheirType) {
  EXPECT_NE(dynamic_cast<TSmallintField*>(Field("S")), nullptr);
  EXPECT_NE(dynamic_cast<TWordField*>(Field("W")), nullptr);
  EXPECT_NE(dynamic_cast<TBooleanField*>(Field("B")), nullptr);
  EXPECT_NE(dynamic_cast<TCurrencyField*>(Field("C")), nullptr);
  EXPECT_NE(dynamic_cast<TFloatField*>(Field("C")), nullptr);
  EXPECT_NE(dynamic_cast<TDateField*>(Field("D")), nullptr);
  EXPECT_NE(dynamic_cast<TDateTimeField*>(Field("T")), nullptr);
  EXPECT_EQ(Field("TXT")->Size(), 5);
  EXPECT_EQ(Field("TXT")->DataSize(), 6);
  EXPECT_EQ(Field("I")->FieldNo(), 2);
  EXPECT_EQ(Field("I")->Alignment(), taRightJustify);
  EXPECT_EQ(Field("TXT")->Alignment(), taLeftJustify);
  struct Created {
    TFieldType type;
    bool blob;
  };
  for (Created c : {Created{ftMemo, true}, Created{ftFmtMemo, true}, Created{ftGraphic, true},
                    Created{ftBlob, true}, Created{ftAutoInc, false}}) {
    std::unique_ptr<TField> field(CreateFieldOfType(c.type, nullptr));
    ASSERT_NE(field, nullptr);
    EXPECT_EQ(field->DataType(), c.type);
    EXPECT_EQ(field->IsBlob(), c.blob);
  }
  EXPECT_EQ(CreateFieldOfType(ftCursor, nullptr), nullptr);
}

TEST_F(FieldTest, ValuesTravelInTheNativeFormats) {
  Field("S")->SetAsInteger(-32768);
  Field("I")->SetAsInteger(-7);
  Field("W")->SetAsInteger(65535);
  Field("B")->SetAsBoolean(true);
  Field("F")->SetAsFloat(1.5);
  Field("C")->SetAsCurrency(2.25);
  Field("D")->SetAsDateTime(EncodeDate(1899, 12, 30));
  Field("T")->SetAsDateTime(EncodeTime(12, 0, 0, 500));
  Field("DT")->SetAsDateTime(EncodeDate(1899, 12, 31) + 0.5);
  EXPECT_EQ(Raw<int16_t>("S"), -32768);
  int32_t byNumber = 0;
  EXPECT_TRUE(dataSet.GetFieldData(Field("I")->FieldNo(), &byNumber));
  EXPECT_EQ(byNumber, -7);
  EXPECT_EQ(Raw<int32_t>("I"), -7);
  EXPECT_EQ(Raw<uint16_t>("W"), 65535);
  EXPECT_EQ(Raw<int16_t>("B"), -1);
  EXPECT_EQ(Raw<double>("F"), 1.5);
  EXPECT_EQ(Raw<double>("C"), 2.25);
  EXPECT_EQ(Raw<int32_t>("D"), DateDelta);
  EXPECT_EQ(Raw<int32_t>("T"), 43'200'500);
  EXPECT_EQ(Raw<double>("DT"), (DateDelta + 1) * 86'400'000.0 + 43'200'000.0);

  EXPECT_EQ(Field("D")->AsDateTime(), 0.0);
  EXPECT_EQ(Field("DT")->AsDateTime(), 1.5);
  EXPECT_EQ(Field("W")->AsVariant().AsInteger(), 65535);
  EXPECT_TRUE(Field("B")->AsVariant().AsBoolean());
  Field("B")->SetAsBoolean(false);
  EXPECT_EQ(Raw<int16_t>("B"), 0);
}

TEST_F(FieldTest, TextsFollowTheFormatSettings) {
  struct Case {
    const char* field;
    const char* input;
    const char* text;
  };
  for (Case c : {Case{"I", " 42 ", "42"}, Case{"F", "1,5", "1,5"}, Case{"F", "2", "2"},
                 Case{"D", "01.03.2024", "01.03.2024"}, Case{"T", "07:05:09", "07:05:09"},
                 Case{"DT", "31.12.1899 12:00", "31.12.1899 12:00:00"}, Case{"B", "true", "True"},
                 Case{"B", "f", "False"}, Case{"TXT", "abc", "abc"}}) {
    Field(c.field)->SetText(c.input);
    EXPECT_EQ(Field(c.field)->Text(), c.text) << c.field << " := " << c.input;
  }
  auto* price = dynamic_cast<TFloatField*>(Field("F"));
  price->SetAsFloat(1234.5678);
  price->SetDisplayFormat("0.###");
  EXPECT_EQ(price->DisplayText(), "1234,568");
  EXPECT_EQ(price->Text(), "1234,5678");  // editing shows the whole value
  price->SetEditFormat("0.0");
  EXPECT_EQ(price->Text(), "1234,6");
  Field("C")->SetAsFloat(3);
  EXPECT_EQ(Field("C")->DisplayText(), "3,00");
  auto* day = dynamic_cast<TDateField*>(Field("D"));
  day->SetDisplayFormat("yyyy-mm-dd");
  EXPECT_EQ(day->DisplayText(), "2024-03-01");
  EXPECT_EQ(day->Text(), "01.03.2024");
  Field("I")->SetText("");
  EXPECT_TRUE(Field("I")->IsNull());
  EXPECT_EQ(Field("I")->AsInteger(), 0);
  EXPECT_EQ(Field("I")->Text(), "");
}

TEST_F(FieldTest, BadTextsAreRefusedWithTheFieldNamed) {
  struct Case {
    const char* field;
    const char* input;
    const char* message;
  };
  for (Case c :
       {Case{"I", "12a", "Table1: '12a' is not a valid integer value for field 'I'"},
        Case{"F", "1.5.", "Table1: '1.5.' is not a valid floating point value for field 'F'"},
        Case{"B", "maybe", "Table1: 'maybe' is not a valid boolean value for field 'B'"},
        Case{"D", "32.13.2020", "Table1: '32.13.2020' is not a valid date for field 'D'"},
        Case{"T", "25:00", "Table1: '25:00' is not a valid time for field 'T'"},
        Case{"S", "40000",
             "Table1: 40000 is not a valid value for field 'S'. The allowed range is -32768 to "
             "32767"},
        Case{"W", "-1",
             "Table1: -1 is not a valid value for field 'W'. The allowed range is 0 to 65535"}}) {
    Field(c.field)->Clear();
    EXPECT_EQ(ErrorOf([&] { Field(c.field)->SetAsString(c.input); }), c.message);
    EXPECT_TRUE(Field(c.field)->IsNull()) << c.field << " must keep its value";
  }
  EXPECT_EQ(ErrorOf([&] { Field("D")->AsBoolean(); }),
            "Table1: Cannot access field 'D' as type Boolean");
}

TEST_F(FieldTest, StringsAreCutAtACharacterBoundary) {
  Field("TXT")->SetAsString("абвгд");  // 10 bytes into 5
  EXPECT_EQ(Field("TXT")->AsString(), "аб");
  Field("TXT")->SetAsString("abcdefgh");
  EXPECT_EQ(Field("TXT")->AsString(), "abcde");
}

TEST_F(FieldTest, BooleanDisplayValuesAreAcceptedByPrefix) {
  auto* flag = dynamic_cast<TBooleanField*>(Field("B"));
  flag->SetDisplayValues("Да;Нет");
  flag->SetAsString("н");
  EXPECT_FALSE(flag->AsBoolean());
  EXPECT_EQ(flag->AsString(), "Нет");
  flag->SetAsString("ДА");
  EXPECT_EQ(flag->DisplayText(), "Да");
}

TEST_F(FieldTest, TextHandlersReplaceTheFieldsOwnConversions) {
  TField* number = Field("I");
  number->OnGetText = [](TField* sender, std::string& text, bool displayText) {
    text = (displayText ? "#" : "") + std::to_string(sender->AsInteger());
  };
  number->OnSetText = [](TField* sender, const std::string& text) {
    sender->SetAsInteger(int32_t(text.size()));
  };
  number->SetText("four");
  EXPECT_EQ(number->AsInteger(), 4);
  EXPECT_EQ(number->DisplayText(), "#4");
  EXPECT_EQ(number->Text(), "4");
}

TEST_F(FieldTest, ValidationSeesTheNewValueAndCanRefuseIt) {
  TField* number = Field("I");
  number->SetAsInteger(1);
  int seen = 0;
  number->OnValidate = [&](TField* sender) {
    seen = sender->AsInteger();
    if (seen < 0) throw EDatabaseError("negative");
  };
  number->SetAsInteger(5);
  EXPECT_EQ(seen, 5);
  EXPECT_THROW(number->SetAsInteger(-3), EDatabaseError);
  EXPECT_EQ(seen, -3);
  EXPECT_EQ(number->AsInteger(), 5);
}

TEST_F(FieldTest, ValidCharactersDependOnTheType) {
  EXPECT_TRUE(Field("I")->IsValidChar('7'));
  EXPECT_TRUE(Field("I")->IsValidChar('-'));
  EXPECT_FALSE(Field("I")->IsValidChar('a'));
  EXPECT_FALSE(Field("I")->IsValidChar(','));
  EXPECT_TRUE(Field("F")->IsValidChar(','));
  EXPECT_TRUE(Field("F")->IsValidChar('E'));
  EXPECT_TRUE(Field("TXT")->IsValidChar(U'ж'));
  EXPECT_FALSE(Field("TXT")->IsValidChar('\n'));
}

TEST_F(FieldTest, PropertiesThatShapeTheFieldAreFixedWhileOpen) {
  EXPECT_THROW(Field("TXT")->SetSize(10), EDatabaseError);
  EXPECT_THROW(Field("TXT")->SetFieldKind(fkCalculated), EDatabaseError);
  EXPECT_EQ(Field("TXT")->DisplayName(), "TXT");
  Field("TXT")->SetDisplayLabel("Текст");
  EXPECT_EQ(Field("TXT")->DisplayName(), "Текст");
  EXPECT_EQ(Field("TXT")->DisplayWidth(), 5);
  Field("TXT")->SetIndex(0);
  EXPECT_EQ(dataSet.Fields()[0], Field("TXT"));
  EXPECT_EQ(Field("TXT")->Index(), 0);
  Field("I")->SetReadOnly(true);
  EXPECT_FALSE(Field("I")->CanModify());
  EXPECT_THROW(Field("I")->SetAsInteger(1), EDatabaseError);
  EXPECT_TRUE(Field("S")->CanModify());
}

}  // namespace
}  // namespace morvane

namespace morvane {
namespace {

TEST(BlobField, MemoContentsTravelThroughTheBlobStream) {
  testing::TMemoryDataSet dataSet;
  dataSet.FieldDefs().Add("NOTE", ftMemo);
  dataSet.FieldDefs().Add("PICTURE", ftGraphic);
  dataSet.Open();
  auto* note = dynamic_cast<TMemoField*>(dataSet.FieldByName("NOTE"));
  ASSERT_NE(note, nullptr);
  dataSet.Append();
  EXPECT_TRUE(note->IsNull());
  EXPECT_EQ(note->DisplayText(), "(Memo)");
  std::string text("line 1\r\nстрока 2\0binary", 25);
  note->SetAsString(text);
  EXPECT_TRUE(note->Modified());
  dataSet.Post();
  EXPECT_EQ(note->AsString(), text);
  EXPECT_EQ(note->BlobSize(), 25);
  EXPECT_EQ(note->DisplayText(), "(MEMO)");
  EXPECT_EQ(note->Text(), "(MEMO)");
  EXPECT_THROW(note->SetAsString("outside edit"), EDatabaseError);

  TMemoryStream saved;
  note->SaveToStream(saved);
  EXPECT_EQ(saved.Size(), 25);
  dataSet.Edit();
  dataSet.FieldByName("PICTURE")->SetAsString("\x89PNG");
  note->SetAsString("");
  EXPECT_TRUE(note->IsNull());
  note->LoadFromStream(saved);
  dataSet.Post();
  EXPECT_EQ(note->AsString(), text);
  EXPECT_EQ(dataSet.FieldByName("PICTURE")->DisplayText(), "(GRAPHIC)");
}

}  // namespace
}  // namespace morvane
