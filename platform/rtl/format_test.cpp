#include "platform/rtl/format.h"

#include <gtest/gtest.h>

#include "platform/rtl/exceptions.h"
#include "platform/rtl/format_settings.h"

namespace morvane {
namespace {

class FormatTest : public ::testing::Test {
 protected:
  // Every test starts from Russian settings and gets the process's settings
  // back when it ends.
  FormatSettingsScope restore_;
  void SetUp() override { FormatSettings() = RussianFormatSettings(); }
};

TEST_F(FormatTest, FloatPatternsFollowTheDecimalSeparator) {
  EXPECT_EQ(FormatFloat("0.######", 1.5), "1,5");
  EXPECT_EQ(FormatFloat("0.######", 2), "2");
  EXPECT_EQ(FormatFloat("0.######", -0.125), "-0,125");
  EXPECT_EQ(FormatFloat("0.##", 1234567.891), "1234567,89");
  EXPECT_EQ(FormatFloat("0.###", 0.0004), "0");
  EXPECT_EQ(FormatFloat("0.###", -0.0004), "0");  // no "-0"
  EXPECT_EQ(FormatFloat("0.00", 3), "3,00");
  EXPECT_EQ(FormatFloat("#.##", 0.5), ",5");
  EXPECT_EQ(FormatFloat("0.0 'kg'", 2.25), "2,3 kg");
  EXPECT_EQ(FormatFloat("0.00;(0.00);'zero'", 0), "zero");
  EXPECT_EQ(FormatFloat("#,##0.00;;Zero", 0), "Zero");
  EXPECT_EQ(FormatFloat("0.00;(0.00);'zero'", -1.5), "(1,50)");
  FormatSettings().DecimalSeparator = '.';
  EXPECT_EQ(FormatFloat("0.######", 1.5), "1.5");
}

// Halves round away from zero on the value as written (the shortest decimal
// of the double), not on the nearest binary double; no digit of a large
// whole number is lost.
TEST_F(FormatTest, FloatPatternsRoundHalvesAwayFromZero) {
  FormatSettings().DecimalSeparator = '.';
  const struct {
    const char* pattern;
    double value;
    const char* expected;
  } cases[] = {
      {"0", 2.5, "3"},
      {"0", -2.5, "-3"},
      {"0", 0.5, "1"},
      {"0.00", 0.125, "0.13"},
      {"0.##", 2.005, "2.01"},
      {"0.00", 9.995, "10.00"},
      {"0.0", 0.05, "0.1"},
      {"0.0", 0.04, "0.0"},
      {"0.###", 1.0005, "1.001"},
      {"0.##", 0.994, "0.99"},
      {"0.######", 0.1 + 0.2, "0.3"},
      {"0", 1e20, "100000000000000000000"},
      {"0.######", 1234567890123456.0, "1234567890123456"},
      {"0", 9007199254740992.0, "9007199254740992"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(FormatFloat(c.pattern, c.value), c.expected) << c.pattern << " of " << c.value;
}

TEST_F(FormatTest, FloatToStrIsShortestAndUsesSettings) {
  EXPECT_EQ(FloatToStr(1.5), "1,5");
  EXPECT_EQ(FloatToStr(100), "100");
  EXPECT_EQ(FloatToStr(0.1), "0,1");
  EXPECT_EQ(FloatToStr(1e20), "1E20");
  EXPECT_EQ(FloatToStr(-2.5e-7), "-2,5E-7");
  EXPECT_EQ(FloatToStr(-0.0), "0");
}

TEST_F(FormatTest, IntegerParsingAcceptsOnlyWholeValidNumbers) {
  int32_t value = 7;
  EXPECT_FALSE(TryStrToInt("12a", value));
  EXPECT_FALSE(TryStrToInt("", value));
  EXPECT_FALSE(TryStrToInt("-", value));
  EXPECT_FALSE(TryStrToInt("2147483648", value));
  EXPECT_FALSE(TryStrToInt("1 2", value));
  EXPECT_EQ(value, 7) << "a failed parse must leave the result alone";
  EXPECT_TRUE(TryStrToInt(" -2147483648 ", value));
  EXPECT_EQ(value, -2147483647 - 1);
  EXPECT_TRUE(TryStrToInt("+30", value));
  EXPECT_EQ(value, 30);
  EXPECT_THROW(StrToInt("12a"), EConvertError);
  EXPECT_EQ(StrToIntDef("x", 5), 5);
}

TEST_F(FormatTest, FloatParsingUsesTheSettingsSeparatorOnly) {
  double value = 0;
  EXPECT_TRUE(TryStrToFloat("1,5", value));
  EXPECT_EQ(value, 1.5);
  EXPECT_FALSE(TryStrToFloat("1.5", value));
  EXPECT_FALSE(TryStrToFloat("inf", value));
  EXPECT_FALSE(TryStrToFloat("1,5x", value));
  EXPECT_TRUE(TryStrToFloat("-2,5E3", value));
  EXPECT_EQ(value, -2500);
  FormatSettings().DecimalSeparator = '.';
  EXPECT_TRUE(TryStrToFloat("1.25", value));
  EXPECT_EQ(value, 1.25);
  EXPECT_THROW(StrToFloat("abc"), EConvertError);
}

TEST_F(FormatTest, DateFormatLetters) {
  const TDateTime moment = EncodeDate(2024, 3, 5) + EncodeTime(7, 8, 9, 45);
  EXPECT_EQ(FormatDateTime("dd/mm/yyyy", moment), "05.03.2024");
  EXPECT_EQ(FormatDateTime("d/m/yy", moment), "5.3.24");
  EXPECT_EQ(FormatDateTime("hh:nn:ss.zzz", moment), "07:08:09.045");
  EXPECT_EQ(FormatDateTime("hh:mm", moment), "07:08") << "m after an hour is minutes";
  EXPECT_EQ(FormatDateTime("\"day\" d 'of' mmmm", moment), "day 5 of Март");
  EXPECT_EQ(DateToStr(moment), "05.03.2024");
  EXPECT_EQ(DateTimeToStr(moment), "05.03.2024 07:08:09");
  EXPECT_EQ(DateTimeToStr(EncodeDate(2024, 3, 5)), "05.03.2024");
  FormatSettingsScope sql('.', '/');
  EXPECT_EQ(FormatDateTime("mm/dd/yyyy hh:nn:ss", moment), "03/05/2024 07:08:09");
  // A day number before 0001-01-01 (a damaged stored value) has no month name.
  EXPECT_EQ(FormatDateTime("d mmm mmmm", -700000.0), "0  ");
}

TEST_F(FormatTest, DateParsingFollowsShortDateFormat) {
  TDateTime value = -1;
  EXPECT_TRUE(TryStrToDate("05.03.2024", value));
  EXPECT_EQ(value, EncodeDate(2024, 3, 5));
  EXPECT_FALSE(TryStrToDate("31.02.2024", value));
  EXPECT_FALSE(TryStrToDate("05/03/2024", value));
  EXPECT_FALSE(TryStrToDate("5.3.2024x", value));
  EXPECT_TRUE(TryStrToDateTime("29.02.2000 23:59:58", value));
  EXPECT_DOUBLE_EQ(value, EncodeDate(2000, 2, 29) + EncodeTime(23, 59, 58, 0));
  EXPECT_TRUE(TryStrToTime("7:05", value));
  EXPECT_DOUBLE_EQ(value, EncodeTime(7, 5, 0, 0));
  EXPECT_FALSE(TryStrToTime("24:00", value));
  EXPECT_THROW(StrToDate("tomorrow"), EConvertError);

  FormatSettings().ShortDateFormat = "mm/dd/yyyy";
  FormatSettings().DateSeparator = '/';
  EXPECT_TRUE(TryStrToDate("12/31/1999", value));
  EXPECT_EQ(value, EncodeDate(1999, 12, 31));
}

TEST(FormatSettingsScopeTest, RestoresSeparatorsAfterAnException) {
  FormatSettings() = RussianFormatSettings();
  try {
    FormatSettingsScope scope('.', '/');
    EXPECT_EQ(FormatSettings().DecimalSeparator, '.');
    throw std::runtime_error("statement failed");
  } catch (const std::runtime_error&) {
  }
  EXPECT_EQ(FormatSettings().DecimalSeparator, ',');
  EXPECT_EQ(FormatSettings().DateSeparator, '.');
}

TEST(FormatSettingsLocale, NeutralLocaleMeansRussianConventions) {
  for (const char* name : {"", "C", "POSIX", "C.UTF-8"}) {
    const TFormatSettings settings = FormatSettingsForLocale(name);
    EXPECT_EQ(settings.DecimalSeparator, ',') << name;
    EXPECT_EQ(settings.DateSeparator, '.') << name;
  }
  const TFormatSettings english = FormatSettingsForLocale("en_US.UTF-8");
  EXPECT_EQ(english.DecimalSeparator, '.');
  EXPECT_EQ(english.ShortDateFormat, "mm/dd/yyyy");
  EXPECT_EQ(english.LongMonthNames[0], "January");
  const TFormatSettings german = FormatSettingsForLocale("de_DE.UTF-8");
  EXPECT_EQ(german.DecimalSeparator, ',');
  EXPECT_EQ(german.DateSeparator, '.');
}

}  // namespace
}  // namespace morvane
