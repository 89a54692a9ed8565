#include "replace/sql_value_text.h"

#include <charconv>
#include <cmath>
#include <cstdio>

#include "platform/db/field.h"
#include "platform/rtl/date_time.h"
#include "platform/rtl/format.h"
#include "platform/rtl/format_settings.h"
#include "platform/rtl/text.h"

namespace morvane {

namespace {

std::string NumberText(double value) {
  if (!std::isfinite(value)) return {};
  char buffer[32];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string(buffer, result.ptr);
}

std::string TwoDigits(int value) {
  return std::string(1, char('0' + value / 10 % 10)) + char('0' + value % 10);
}

std::string DateText(TDateTime value) {
  int year = 0;
  int month = 0;
  int day = 0;
  DecodeDate(value, year, month, day);
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d", year, month, day);
  return buffer;
}

std::string TimeText(TDateTime value) {
  int hour = 0;
  int minute = 0;
  int second = 0;
  int millisecond = 0;
  DecodeTime(value, hour, minute, second, millisecond);
  std::string text = TwoDigits(hour) + ":" + TwoDigits(minute) + ":" + TwoDigits(second);
  if (millisecond != 0) {
    char buffer[8];
    std::snprintf(buffer, sizeof buffer, ".%03d", millisecond);
    text += buffer;
  }
  return text;
}

bool IsIntegerType(TFieldType type) {
  return type == ftSmallint || type == ftInteger || type == ftWord || type == ftAutoInc;
}

bool IsNumberType(TFieldType type) {
  return type == ftLargeint || type == ftFloat || type == ftCurrency || type == ftBCD;
}

// "2024-01-15" or "2024-01-15 10:30:00": the server's form already.
bool LooksIso(std::string_view text) {
  return text.size() >= 10 && text[4] == '-' && text[7] == '-';
}

// Reads text as a number, the locale's decimal separator first, then '.'.
bool TryReadNumber(std::string_view text, double& value) {
  if (TryStrToFloat(text, value)) return true;
  FormatSettingsScope scope('.', '/');
  return TryStrToFloat(text, value);
}

std::string BooleanText(const std::string& text) {
  const std::string upper = AnsiUpperCase(text);
  for (const char* yes : {"1", "TRUE", "T", "Y", "YES", "ДА", "-1"})
    if (upper == yes) return "1";
  for (const char* no : {"0", "FALSE", "F", "N", "NO", "НЕТ"})
    if (upper == no) return "0";
  return text;
}

}  // namespace

std::string SqlValueTextOf(TFieldType type, std::string_view text) {
  // A text is a value as it stands, blanks and all.
  if (type == ftString || type == ftFixedChar || type == ftWideString || type == ftMemo ||
      type == ftFmtMemo || type == ftUnknown)
    return std::string(text);
  const std::string trimmed = Trim(std::string(text));
  if (trimmed.empty()) return {};
  if (IsIntegerType(type) || IsNumberType(type)) {
    double value = 0;
    return TryReadNumber(trimmed, value) ? NumberText(value) : trimmed;
  }
  TDateTime value = 0;
  switch (type) {
    case ftBoolean:
      return BooleanText(trimmed);
    case ftDate:
      if (LooksIso(trimmed)) return trimmed;
      return TryStrToDate(trimmed, value) ? DateText(value) : trimmed;
    case ftDateTime:
      if (LooksIso(trimmed)) return trimmed;
      return TryStrToDateTime(trimmed, value) ? DateText(value) + " " + TimeText(value) : trimmed;
    default:
      return std::string(text);
  }
}

std::string SqlValueText(const TField& field) {
  if (field.IsNull()) return {};
  switch (field.DataType()) {
    case ftSmallint:
    case ftInteger:
    case ftWord:
    case ftAutoInc:
      return std::to_string(field.AsInteger());
    case ftLargeint:
    case ftFloat:
    case ftCurrency:
    case ftBCD:
      return NumberText(field.AsFloat());
    case ftBoolean:
      return field.AsBoolean() ? "1" : "0";
    case ftDate:
      return DateText(field.AsDateTime());
    case ftTime:
      return TimeText(field.AsDateTime());
    case ftDateTime:
      return DateText(field.AsDateTime()) + " " + TimeText(field.AsDateTime());
    default:
      return field.AsString();
  }
}

bool HasSqlValue(const TField& field) {
  return !field.IsNull() && !SqlValueText(field).empty();
}

}  // namespace morvane
