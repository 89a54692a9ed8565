// Values to text and text to values with the framework's format letters and
// the process-wide format settings.
//
// Date and time format letters: d, dd (day), m, mm (month), yy, yyyy (year),
// h, hh (hour), n, nn (minute), s, ss (second), z, zzz (millisecond),
// ddd/dddd and mmm/mmmm (short/long names), '/' (DateSeparator), ':'
// (TimeSeparator), "..." or '...' (literal text). "m" right after an hour
// means minutes, as in the framework.
//
// Float patterns: '0' a digit always shown, '#' a digit shown when not zero
// (after the point), '.' the place of DecimalSeparator; no grouping. 1.5 with
// "0.######" is "1,5" under Russian settings, 2 is "2".
//
// Parsing: Str* throw EConvertError with a clear message; Try* return false
// and leave the result unchanged. No parse ever yields a half value.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/rtl/date_time.h"

namespace morvane {

std::string IntToStr(int64_t value);
std::string FormatFloat(std::string_view pattern, double value);
// Shortest text that reads back as the same double (up to 15 significant
// digits), with the settings' decimal separator; exponent form for very large
// or small values.
std::string FloatToStr(double value);
std::string FormatDateTime(std::string_view format, TDateTime value);
std::string DateToStr(TDateTime value);      // ShortDateFormat
std::string TimeToStr(TDateTime value);      // LongTimeFormat
std::string DateTimeToStr(TDateTime value);  // date, and the time when not midnight

// The whole text, blanks around it allowed, must be a valid 32-bit integer.
bool TryStrToInt(std::string_view text, int32_t& result);
int32_t StrToInt(std::string_view text);
bool TryStrToInt64(std::string_view text, int64_t& result);
int32_t StrToIntDef(std::string_view text, int32_t defaultValue);

// Decimal separator from the settings; an exponent ("1,5E3") is accepted.
bool TryStrToFloat(std::string_view text, double& result);
double StrToFloat(std::string_view text);

// Dates in the order of ShortDateFormat (day, month, year by the order of the
// letters d, m, y) with DateSeparator; a two-digit year is 19xx/20xx around
// the current century. Times as h:n[:s[.z]] with TimeSeparator.
bool TryStrToDate(std::string_view text, TDateTime& result);
bool TryStrToTime(std::string_view text, TDateTime& result);
bool TryStrToDateTime(std::string_view text, TDateTime& result);
TDateTime StrToDate(std::string_view text);
TDateTime StrToTime(std::string_view text);
TDateTime StrToDateTime(std::string_view text);

}  // namespace morvane
