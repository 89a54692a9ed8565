// The texts of date, time and date-time values inside the session's SQL date
// literals (the caller adds DateQuote around them).
//
//   date       the date in the given format        03/15/2024
//   time       hh:nn:ss, .zzz when not zero        10:20:30   10:20:30.250
//   date-time  the date, a blank and the time      03/15/2024 00:00:00
//
// A date-time always carries its time, midnight included, and its
// milliseconds: a condition comparing a stored date-time with less would
// match nothing (SQLite compares the stored text), and a value written back
// with less would silently change it. The transport's gateway translates
// these literals for each back end.
//
// Callers set '/' as the date separator (SqlFormatScope, or the '.' and '/'
// scope of query texts) before formatting; nothing here changes settings.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/rtl/date_time.h"

namespace morvane {

std::string SqlDateText(int32_t dayNumber, std::string_view dateFormat);
std::string SqlTimeText(int32_t milliseconds);
std::string SqlDateTimeText(const TTimeStamp& stamp, std::string_view dateFormat);

}  // namespace morvane
