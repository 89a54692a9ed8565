#include "replace/sql_value_text.h"

#include <gtest/gtest.h>

#include "platform/rtl/format_settings.h"

namespace morvane {
namespace {

// Under the program's own conventions (decimal comma, dd.mm.yyyy) what a
// person types or a list shows becomes the server's form; the server's form
// itself stays as it is.
TEST(SqlValueTextTest, DisplayFormsBecomeTheServersForm) {
  FormatSettingsScope scope;
  FormatSettings() = RussianFormatSettings();
  struct Case {
    TFieldType type;
    const char* typed;
    const char* expected;
  };
  const Case cases[] = {
      {ftInteger, "10", "10"},
      {ftInteger, " -3 ", "-3"},
      {ftFloat, "2,5", "2.5"},
      {ftFloat, "2.5", "2.5"},
      {ftFloat, "7", "7"},
      {ftFloat, "0,1", "0.1"},
      {ftCurrency, "1234,50", "1234.5"},
      {ftDate, "15.01.2024", "2024-01-15"},
      {ftDate, "2024-01-15", "2024-01-15"},
      {ftDateTime, "16.01.2024 08:00:00", "2024-01-16 08:00:00"},
      {ftDateTime, "2024-01-16 08:00:00", "2024-01-16 08:00:00"},
      {ftBoolean, "Да", "1"},
      {ftBoolean, "false", "0"},
      {ftString, " a, b ", " a, b "},  // a text is never touched
      {ftString, "  ", "  "},          // blanks are a value of a text
      {ftInteger, "", ""},
      {ftInteger, "abc", "abc"},  // not a number: the server judges it
  };
  for (const Case& c : cases) {
    EXPECT_EQ(SqlValueTextOf(c.type, c.typed), c.expected) << c.typed;
  }
}

}  // namespace
}  // namespace morvane
