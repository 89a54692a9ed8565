// Parsing of the texts back ends give for dates, times, numbers and Boolean
// values into the slot encodings of the data buffer: dates as day numbers
// (0001-01-01 is day 1), times as milliseconds since midnight, date-times as
// day number x 86 400 000 + milliseconds. Every parser is a "try": it
// returns false for anything it does not fully understand, and the caller
// then carries the value as text instead of guessing.
#pragma once

#include <cstdint>
#include <string_view>

namespace morvane::transport {

int32_t DayNumber(int year, int month, int day);

// "YYYY-MM-DD"; with allowTime also "YYYY-MM-DD hh:mm[:ss[.fff…]]" (or a 'T'
// between), with an optional zone suffix (+03, -05:30, Z) that is ignored.
// timeMs is 0 when no time is given.
bool TryParseIsoDateTime(std::string_view text, int32_t& day, int32_t& timeMs);

// "hh:mm[:ss[.fff…]]" with an optional zone suffix; 24:00:00 is accepted.
bool TryParseIsoTime(std::string_view text, int32_t& timeMs);

bool TryParseInt64(std::string_view text, int64_t& value);

// A decimal or floating text. With maxSignificantDigits > 0, texts with more
// significant digits are refused (a decimal that a double would round).
bool TryParseDouble(std::string_view text, double& value, int maxSignificantDigits = 0);

// A money text such as "$1,234.56" or "-1234.56": digits, one '.', a sign;
// currency symbols, blanks and group separators are skipped.
bool TryParseMoney(std::string_view text, double& value);

// t/true/1/y/yes and f/false/0/n/no, without regard to case.
bool TryParseBool(std::string_view text, bool& value);

// Exact as a double: |value| <= 2^53.
inline bool FitsDoubleExactly(int64_t value) {
  constexpr int64_t kLimit = int64_t{1} << 53;
  return value >= -kLimit && value <= kLimit;
}

}  // namespace morvane::transport
