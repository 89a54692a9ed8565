#include "transport/value_parsing.h"

#include <charconv>
#include <string>

namespace morvane::transport {

namespace {

bool Digits(std::string_view text, size_t& position, size_t count, int& value) {
  if (position + count > text.size()) return false;
  value = 0;
  for (size_t i = 0; i < count; ++i) {
    const char c = text[position + i];
    if (c < '0' || c > '9') return false;
    value = value * 10 + (c - '0');
  }
  position += count;
  return true;
}

bool ZoneSuffix(std::string_view rest) {
  if (rest.empty() || rest == "Z") return true;
  if (rest[0] != '+' && rest[0] != '-') return false;
  for (size_t i = 1; i < rest.size(); ++i) {
    if ((rest[i] < '0' || rest[i] > '9') && rest[i] != ':') return false;
  }
  return rest.size() > 1;
}

bool TimePart(std::string_view text, size_t position, int32_t& timeMs) {
  int hour = 0, minute = 0, second = 0;
  if (!Digits(text, position, 2, hour) || position >= text.size() || text[position++] != ':' ||
      !Digits(text, position, 2, minute)) {
    return false;
  }
  int millisecond = 0;
  if (position < text.size() && text[position] == ':') {
    ++position;
    if (!Digits(text, position, 2, second)) return false;
    if (position < text.size() && text[position] == '.') {
      ++position;
      // Milliseconds are the finest unit the format carries; finer digits
      // are dropped.
      int scale = 100;
      while (position < text.size() && text[position] >= '0' && text[position] <= '9') {
        millisecond += (text[position] - '0') * scale;
        scale /= 10;
        ++position;
      }
    }
  }
  if (!ZoneSuffix(text.substr(position))) return false;
  const bool endOfDay = hour == 24 && minute == 0 && second == 0 && millisecond == 0;
  if ((hour > 23 && !endOfDay) || minute > 59 || second > 60) return false;
  timeMs = ((hour * 60 + minute) * 60 + second) * 1000 + millisecond;
  return true;
}

}  // namespace

int32_t DayNumber(int year, int month, int day) {
  // Days from 0001-01-01 (day 1), proleptic Gregorian calendar.
  static constexpr int kDaysBefore[] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};
  const int priorYears = year - 1;
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return priorYears * 365 + priorYears / 4 - priorYears / 100 + priorYears / 400 +
         kDaysBefore[month - 1] + (leap && month > 2 ? 1 : 0) + day;
}

bool TryParseIsoDateTime(std::string_view text, int32_t& day, int32_t& timeMs) {
  size_t position = 0;
  int year = 0, month = 0, dayOfMonth = 0;
  if (!Digits(text, position, 4, year) || position >= text.size() || text[position++] != '-' ||
      !Digits(text, position, 2, month) || position >= text.size() || text[position++] != '-' ||
      !Digits(text, position, 2, dayOfMonth)) {
    return false;
  }
  static constexpr int kDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (year < 1 || month < 1 || month > 12 || dayOfMonth < 1 || dayOfMonth > kDays[month - 1]) {
    return false;
  }
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  if (month == 2 && dayOfMonth == 29 && !leap) return false;
  day = DayNumber(year, month, dayOfMonth);
  timeMs = 0;
  if (position == text.size()) return true;
  if (text[position] != ' ' && text[position] != 'T') return false;
  return TimePart(text, position + 1, timeMs);
}

bool TryParseIsoTime(std::string_view text, int32_t& timeMs) {
  return TimePart(text, 0, timeMs);
}

bool TryParseInt64(std::string_view text, int64_t& value) {
  const char* begin = text.data();
  const char* end = begin + text.size();
  if (begin != end && *begin == '+') ++begin;
  const auto [stop, error] = std::from_chars(begin, end, value);
  return error == std::errc() && stop == end && begin != end;
}

bool TryParseDouble(std::string_view text, double& value, int maxSignificantDigits) {
  if (text.empty()) return false;
  if (maxSignificantDigits > 0) {
    int significant = 0;
    bool leading = true;
    for (char c : text) {
      if (c == 'e' || c == 'E') break;
      if (c < '0' || c > '9') continue;
      if (leading && c == '0') continue;
      leading = false;
      ++significant;
    }
    // Trailing zeros after the point do not need precision, but counting
    // them keeps the rule simple and errs on the safe side (text).
    if (significant > maxSignificantDigits) return false;
  }
  const char* begin = text.data();
  const char* end = begin + text.size();
  if (*begin == '+') ++begin;
  const auto [stop, error] = std::from_chars(begin, end, value);
  return error == std::errc() && stop == end;
}

bool TryParseMoney(std::string_view text, double& value) {
  std::string cleaned;
  bool negative = false;
  for (char c : text) {
    if ((c >= '0' && c <= '9') || c == '.') {
      cleaned += c;
    } else if (c == '-' || c == '(') {
      negative = true;
    }
  }
  if (cleaned.empty() || !TryParseDouble(cleaned, value)) return false;
  if (negative) value = -value;
  return true;
}

bool TryParseBool(std::string_view text, bool& value) {
  // PostgreSQL sends "t" and "f"; the longer spellings come from SQLite
  // texts and are rare.
  if (text.size() == 1) {
    const char c = text[0];
    if (c == 't' || c == 'T' || c == '1' || c == 'y' || c == 'Y') return value = true, true;
    if (c == 'f' || c == 'F' || c == '0' || c == 'n' || c == 'N') return value = false, true;
    return false;
  }
  const auto is = [&](std::string_view word) {
    if (text.size() != word.size()) return false;
    for (size_t i = 0; i < word.size(); ++i) {
      const char c = text[i];
      if ((c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c) != word[i]) return false;
    }
    return true;
  };
  if (is("true") || is("yes")) return value = true, true;
  if (is("false") || is("no")) return value = false, true;
  return false;
}

}  // namespace morvane::transport
