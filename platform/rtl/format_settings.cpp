#include "platform/rtl/format_settings.h"

#include <unicode/datefmt.h>
#include <unicode/dcfmtsym.h>
#include <unicode/dtfmtsym.h>
#include <unicode/smpdtfmt.h>

#include <memory>

#include "platform/rtl/locale_name.h"

namespace morvane {
namespace {

TFormatSettings& Settings() {
  // Built on first use, so no other static's constructor can see it unset.
  static TFormatSettings settings = FormatSettingsForLocale(LocaleNameFromEnvironment("LC_TIME"));
  return settings;
}

std::string Utf8(const icu::UnicodeString& text) {
  std::string result;
  text.toUTF8String(result);
  return result;
}

// The order of day, month and year in an ICU date pattern ("dd.MM.y",
// "M/d/yy") as a framework short date format ("dd/mm/yyyy", "mm/dd/yyyy"),
// and the separator the pattern uses.
void ShortDateFromPattern(const std::string& pattern, std::string& format, char& separator) {
  std::string order;
  separator = 0;
  for (size_t i = 0; i < pattern.size(); ++i) {
    const char letter = pattern[i];
    char part = 0;
    if (letter == 'd') part = 'd';
    if (letter == 'M' || letter == 'L') part = 'm';
    if (letter == 'y') part = 'y';
    if (part != 0) {
      if (order.find(part) == std::string::npos) order += part;
    } else if (separator == 0 && !order.empty() &&
               (letter == '.' || letter == '/' || letter == '-')) {
      separator = letter;
    }
  }
  if (order.size() != 3) order = "dmy";
  if (separator == 0) separator = '.';
  format.clear();
  for (char part : order) {
    if (!format.empty()) format += '/';
    format += part == 'y' ? "yyyy" : std::string(2, part);
  }
}

template <size_t N>
void CopyNames(const icu::UnicodeString* names, int32_t count, int32_t first,
               std::array<std::string, N>& target) {
  if (names == nullptr || count < first + int32_t(N)) return;
  for (size_t i = 0; i < N; ++i) target[i] = Utf8(names[first + int32_t(i)]);
}

}  // namespace

TFormatSettings& FormatSettings() {
  return Settings();
}

TFormatSettings RussianFormatSettings() {
  TFormatSettings settings;
  settings.DecimalSeparator = ',';
  settings.DateSeparator = '.';
  settings.TimeSeparator = ':';
  settings.ShortDateFormat = "dd/mm/yyyy";
  settings.LongTimeFormat = "hh:nn:ss";
  settings.LongMonthNames = {"Январь", "Февраль", "Март",     "Апрель",  "Май",    "Июнь",
                             "Июль",   "Август",  "Сентябрь", "Октябрь", "Ноябрь", "Декабрь"};
  settings.ShortMonthNames = {"янв", "фев", "мар", "апр", "май", "июн",
                              "июл", "авг", "сен", "окт", "ноя", "дек"};
  settings.LongDayNames = {"воскресенье", "понедельник", "вторник", "среда",
                           "четверг",     "пятница",     "суббота"};
  settings.ShortDayNames = {"Вс", "Пн", "Вт", "Ср", "Чт", "Пт", "Сб"};
  return settings;
}

TFormatSettings FormatSettingsForLocale(const std::string& localeName) {
  TFormatSettings settings = RussianFormatSettings();
  if (IsNeutralLocale(localeName)) return settings;

  const icu::Locale locale(IcuLocaleId(localeName).c_str());
  UErrorCode status = U_ZERO_ERROR;
  icu::DecimalFormatSymbols numberSymbols(locale, status);
  if (U_SUCCESS(status)) {
    const std::string decimal =
        Utf8(numberSymbols.getSymbol(icu::DecimalFormatSymbols::kDecimalSeparatorSymbol));
    // A separator outside ASCII cannot stand in a one-byte setting; a comma
    // is the closest convention.
    if (decimal.size() == 1) settings.DecimalSeparator = decimal[0];
  }

  std::unique_ptr<icu::DateFormat> dateFormat(
      icu::DateFormat::createDateInstance(icu::DateFormat::kShort, locale));
  if (auto* simple = dynamic_cast<icu::SimpleDateFormat*>(dateFormat.get())) {
    icu::UnicodeString pattern;
    simple->toPattern(pattern);
    ShortDateFromPattern(Utf8(pattern), settings.ShortDateFormat, settings.DateSeparator);
  }

  status = U_ZERO_ERROR;
  icu::DateFormatSymbols dateSymbols(locale, status);
  if (U_SUCCESS(status)) {
    using Symbols = icu::DateFormatSymbols;
    int32_t count = 0;
    // getMonths/getWeekdays report the count through their argument, so each
    // call stands in its own statement before the count is read.
    const icu::UnicodeString* names =
        dateSymbols.getMonths(count, Symbols::STANDALONE, Symbols::WIDE);
    CopyNames(names, count, 0, settings.LongMonthNames);
    names = dateSymbols.getMonths(count, Symbols::STANDALONE, Symbols::ABBREVIATED);
    CopyNames(names, count, 0, settings.ShortMonthNames);
    // ICU's weekday arrays start with an unused entry; Sunday is index 1.
    names = dateSymbols.getWeekdays(count, Symbols::STANDALONE, Symbols::WIDE);
    CopyNames(names, count, 1, settings.LongDayNames);
    names = dateSymbols.getWeekdays(count, Symbols::STANDALONE, Symbols::ABBREVIATED);
    CopyNames(names, count, 1, settings.ShortDayNames);
  }
  return settings;
}

void InitFormatSettingsFromEnvironment() {
  Settings() = FormatSettingsForLocale(LocaleNameFromEnvironment("LC_TIME"));
}

FormatSettingsScope::FormatSettingsScope() : saved_(Settings()) {}

FormatSettingsScope::FormatSettingsScope(char decimalSeparator, char dateSeparator)
    : saved_(Settings()) {
  Settings().DecimalSeparator = decimalSeparator;
  Settings().DateSeparator = dateSeparator;
}

FormatSettingsScope::~FormatSettingsScope() {
  Settings() = std::move(saved_);
}

}  // namespace morvane
