// Dates and times to text and back, with the framework's format letters.
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "platform/rtl/exceptions.h"
#include "platform/rtl/format.h"
#include "platform/rtl/format_settings.h"

namespace morvane {
namespace {

char Lower(char c) {
  return char(std::tolower(static_cast<unsigned char>(c)));
}

// What printf's "%0*d" writes (the width counts the sign), without its cost:
// dates are formatted a million times in a text export.
std::string Padded(int value, int width) {
  char digits[16];
  const char* end = std::to_chars(digits, digits + sizeof digits, value).ptr;
  std::string_view text(digits, size_t(end - digits));
  std::string padded;
  if (value < 0) {
    padded += '-';
    text.remove_prefix(1);
    --width;
  }
  if (width > 0 && text.size() < size_t(width)) padded.append(size_t(width) - text.size(), '0');
  padded += text;
  return padded;
}

// How many times the letter at position repeats, case-insensitively.
size_t RunLength(std::string_view format, size_t position) {
  const char letter = Lower(format[position]);
  size_t end = position;
  while (end < format.size() && Lower(format[end]) == letter) ++end;
  return end - position;
}

void AppendFormatted(std::string& out, std::string_view format, TDateTime value, int depth) {
  const TFormatSettings& settings = FormatSettings();
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, millisecond = 0;
  DecodeDate(value, year, month, day);
  DecodeTime(value, hour, minute, second, millisecond);
  bool afterHour = false;  // "m" right after an hour means minutes

  for (size_t i = 0; i < format.size();) {
    const char c = format[i];
    const char letter = Lower(c);
    if (c == '"' || c == '\'') {
      const size_t end = format.find(c, i + 1);
      const size_t stop = end == std::string_view::npos ? format.size() : end;
      out.append(format.substr(i + 1, stop - i - 1));
      i = stop + 1;
      continue;
    }
    size_t run = RunLength(format, i);
    switch (letter) {
      case 'd':
        if (run == 1)
          out += std::to_string(day);
        else if (run == 2)
          out += Padded(day, 2);
        else if (run == 3)
          out += settings.ShortDayNames[size_t(DayOfWeek(value) - 1)];
        else if (run == 4)
          out += settings.LongDayNames[size_t(DayOfWeek(value) - 1)];
        else if (depth == 0)
          AppendFormatted(out, settings.ShortDateFormat, value, depth + 1);
        break;
      case 'm':
        if (afterHour && run <= 2) {
          out += run == 1 ? std::to_string(minute) : Padded(minute, 2);
        } else if (run == 1) {
          out += std::to_string(month);
        } else if (run == 2) {
          out += Padded(month, 2);
        } else if (month >= 1 && month <= 12) {
          // A value outside the calendar (a damaged stored date) decodes to
          // month 0 and shows no name.
          out += run == 3 ? settings.ShortMonthNames[size_t(month - 1)]
                          : settings.LongMonthNames[size_t(month - 1)];
        }
        afterHour = false;
        break;
      case 'y':
        out += run <= 2 ? Padded(year % 100, 2) : Padded(year, 4);
        break;
      case 'h':
        out += run == 1 ? std::to_string(hour) : Padded(hour, 2);
        afterHour = true;
        i += run;
        continue;
      case 'n':
        out += run == 1 ? std::to_string(minute) : Padded(minute, 2);
        break;
      case 's':
        out += run == 1 ? std::to_string(second) : Padded(second, 2);
        break;
      case 'z':
        out += run < 3 ? std::to_string(millisecond) : Padded(millisecond, 3);
        break;
      case 't':
        if (depth == 0) AppendFormatted(out, settings.LongTimeFormat, value, depth + 1);
        break;
      case 'c':
        run = 1;
        if (depth == 0) {
          AppendFormatted(out, settings.ShortDateFormat, value, depth + 1);
          if (hour != 0 || minute != 0 || second != 0 || millisecond != 0) {
            out += ' ';
            AppendFormatted(out, settings.LongTimeFormat, value, depth + 1);
          }
        }
        break;
      case '/':
        run = 1;
        out += settings.DateSeparator;
        break;
      case ':':
        run = 1;
        out += settings.TimeSeparator;
        break;
      default:
        run = 1;
        // Literal characters keep "h.mm" reading the m as minutes.
        out += c;
        i += run;
        continue;
    }
    // Any date or time letter other than the hour ends the minutes reading;
    // separators do not.
    if (letter != '/' && letter != ':') afterHour = false;
    i += run;
  }
}

// Splits "12.05.2024" at the separator into numbers; false when anything but
// digits and the separator stands there.
bool SplitNumbers(std::string_view text, char separator, std::vector<int>& numbers,
                  std::vector<int>& widths) {
  numbers.clear();
  widths.clear();
  int value = 0;
  int width = 0;
  for (size_t i = 0; i <= text.size(); ++i) {
    if (i == text.size() || text[i] == separator) {
      if (width == 0) return false;
      numbers.push_back(value);
      widths.push_back(width);
      value = width = 0;
      continue;
    }
    const char c = text[i];
    if (c < '0' || c > '9' || width >= 9) return false;
    value = value * 10 + (c - '0');
    ++width;
  }
  return true;
}

std::string_view Strip(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

// Order of day, month and year in the short date format, e.g. "dmy".
std::string DateOrder() {
  std::string order;
  for (char c : FormatSettings().ShortDateFormat) {
    const char letter = Lower(c);
    if ((letter == 'd' || letter == 'm' || letter == 'y') &&
        order.find(letter) == std::string::npos) {
      order += letter;
    }
  }
  return order.size() == 3 ? order : "dmy";
}

}  // namespace

std::string FormatDateTime(std::string_view format, TDateTime value) {
  std::string out;
  AppendFormatted(out, format.empty() ? "c" : format, value, 0);
  return out;
}

std::string DateToStr(TDateTime value) {
  return FormatDateTime(FormatSettings().ShortDateFormat, value);
}
std::string TimeToStr(TDateTime value) {
  return FormatDateTime(FormatSettings().LongTimeFormat, value);
}
std::string DateTimeToStr(TDateTime value) {
  return FormatDateTime("c", value);
}

bool TryStrToDate(std::string_view text, TDateTime& result) {
  std::vector<int> numbers, widths;
  if (!SplitNumbers(Strip(text), FormatSettings().DateSeparator, numbers, widths)) return false;
  const std::string order = DateOrder();
  int day = 0, month = 0, year = 0;
  int yearWidth = 4;
  if (numbers.size() == 3) {
    for (size_t i = 0; i < 3; ++i) {
      if (order[i] == 'd') day = numbers[i];
      if (order[i] == 'm') month = numbers[i];
      if (order[i] == 'y') year = numbers[i], yearWidth = widths[i];
    }
  } else if (numbers.size() == 2) {
    // Day and month of the current year, in the format's order.
    int currentMonth = 0, currentDay = 0;
    DecodeDate(Date(), year, currentMonth, currentDay);
    const std::string dayMonth =
        order.substr(0, order.find('y')) + order.substr(order.find('y') + 1);
    day = numbers[dayMonth[0] == 'd' ? 0 : 1];
    month = numbers[dayMonth[0] == 'd' ? 1 : 0];
  } else {
    return false;
  }
  if (yearWidth <= 2) {
    // Two-digit years fall within fifty years of the current one.
    int currentYear = 0, currentMonth = 0, currentDay = 0;
    DecodeDate(Date(), currentYear, currentMonth, currentDay);
    const int century = (currentYear - 50) / 100 * 100;
    year += century;
    if (year < currentYear - 50) year += 100;
  }
  TDateTime date = 0;
  if (!TryEncodeDate(year, month, day, date)) return false;
  result = date;
  return true;
}

bool TryStrToTime(std::string_view text, TDateTime& result) {
  text = Strip(text);
  int millisecond = 0;
  const size_t point = text.find_first_of(".,");
  if (point != std::string_view::npos) {
    std::vector<int> fraction, widths;
    if (!SplitNumbers(text.substr(point + 1), '\0', fraction, widths) || widths[0] > 3)
      return false;
    millisecond = fraction[0];
    for (int width = widths[0]; width < 3; ++width) millisecond *= 10;
    text = text.substr(0, point);
  }
  std::vector<int> numbers, widths;
  if (!SplitNumbers(text, FormatSettings().TimeSeparator, numbers, widths)) return false;
  if (numbers.size() < 2 || numbers.size() > 3) return false;
  TDateTime time = 0;
  if (!TryEncodeTime(numbers[0], numbers[1], numbers.size() == 3 ? numbers[2] : 0, millisecond,
                     time)) {
    return false;
  }
  result = time;
  return true;
}

bool TryStrToDateTime(std::string_view text, TDateTime& result) {
  text = Strip(text);
  const size_t blank = text.find(' ');
  TDateTime date = 0;
  if (blank == std::string_view::npos) {
    if (TryStrToDate(text, date)) {
      result = date;
      return true;
    }
    return TryStrToTime(text, result);
  }
  TDateTime time = 0;
  if (!TryStrToDate(text.substr(0, blank), date) || !TryStrToTime(text.substr(blank + 1), time)) {
    return false;
  }
  result = date < 0 ? date - time : date + time;
  return true;
}

TDateTime StrToDate(std::string_view text) {
  TDateTime result = 0;
  if (!TryStrToDate(text, result)) {
    throw EConvertError("'" + std::string(text) + "' is not a valid date");
  }
  return result;
}

TDateTime StrToTime(std::string_view text) {
  TDateTime result = 0;
  if (!TryStrToTime(text, result)) {
    throw EConvertError("'" + std::string(text) + "' is not a valid time");
  }
  return result;
}

TDateTime StrToDateTime(std::string_view text) {
  TDateTime result = 0;
  if (!TryStrToDateTime(text, result)) {
    throw EConvertError("'" + std::string(text) + "' is not a valid date and time");
  }
  return result;
}

}  // namespace morvane
