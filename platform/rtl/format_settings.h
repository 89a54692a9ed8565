// The process-wide format settings: separators, date and time formats and the
// names of months and days used when values are turned into text and back.
//
// They start from the user's locale (LC_ALL, LC_TIME, LANG). Under the C or
// POSIX locale they take Russian conventions (dd.mm.yyyy, hh:nn:ss, decimal
// comma), because the program speaks Russian.
//
// Code that must produce locale-independent text (SQL, for one) changes the
// settings inside a FormatSettingsScope, which puts every value back when it
// ends, on every path.
#pragma once

#include <array>
#include <string>

namespace morvane {

struct TFormatSettings {
  char DecimalSeparator = ',';
  char DateSeparator = '.';
  char TimeSeparator = ':';
  std::string ShortDateFormat = "dd/mm/yyyy";  // '/' stands for DateSeparator
  std::string LongTimeFormat = "hh:nn:ss";     // ':' stands for TimeSeparator
  std::array<std::string, 12> LongMonthNames;
  std::array<std::string, 12> ShortMonthNames;
  std::array<std::string, 7> LongDayNames;   // [0] is Sunday
  std::array<std::string, 7> ShortDayNames;  // [0] is Sunday
};

// The one settings object of the process. Single-threaded by design.
TFormatSettings& FormatSettings();

// Russian conventions: what the settings hold under the C or POSIX locale.
TFormatSettings RussianFormatSettings();

// Settings for a locale name such as "de_DE.UTF-8"; "C", "POSIX" and an
// empty name give RussianFormatSettings().
TFormatSettings FormatSettingsForLocale(const std::string& localeName);

// Re-reads the settings from the environment (LC_ALL, LC_TIME, LANG).
void InitFormatSettingsFromEnvironment();

// Saves every format setting when created and restores them when destroyed.
//   FormatSettingsScope scope;
//   FormatSettings().DecimalSeparator = '.';
class FormatSettingsScope {
 public:
  FormatSettingsScope();
  // Sets the two separators that SQL text needs for the scope's lifetime.
  FormatSettingsScope(char decimalSeparator, char dateSeparator);
  ~FormatSettingsScope();
  FormatSettingsScope(const FormatSettingsScope&) = delete;
  FormatSettingsScope& operator=(const FormatSettingsScope&) = delete;

 private:
  TFormatSettings saved_;
};

}  // namespace morvane
