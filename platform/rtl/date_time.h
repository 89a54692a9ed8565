// Dates and times as the dataset framework keeps them.
//
// TDateTime is a double: the whole part counts days since 1899-12-30, the
// fraction is the time of day (0.5 = noon). Dates before 1899-12-30 are
// negative; the fraction of a negative value still counts forward from
// midnight (-1.25 is 1899-12-29 06:00), as the framework defines it.
//
// TTimeStamp is the framework's native form used by record slots: Date is a
// day number where 0001-01-01 is day 1, Time is milliseconds since midnight.
#pragma once

#include <cstdint>

namespace morvane {

using TDateTime = double;

struct TTimeStamp {
  int32_t Time = 0;  // milliseconds since midnight, 0..86'399'999
  int32_t Date = 0;  // day number, 0001-01-01 = 1
};

// Day number (TTimeStamp::Date) of 1899-12-30, the TDateTime epoch.
inline constexpr int32_t DateDelta = 693594;
inline constexpr int32_t MSecsPerDay = 86'400'000;

bool IsLeapYear(int year);
int DaysInMonth(int year, int month);

// Valid for years 1..9999; Try* return false (leaving the result alone) for
// anything outside the calendar, Encode* throw EConvertError.
bool TryEncodeDate(int year, int month, int day, TDateTime& result);
bool TryEncodeTime(int hour, int minute, int second, int millisecond, TDateTime& result);
TDateTime EncodeDate(int year, int month, int day);
TDateTime EncodeTime(int hour, int minute, int second, int millisecond);

void DecodeDate(TDateTime value, int& year, int& month, int& day);
void DecodeTime(TDateTime value, int& hour, int& minute, int& second, int& millisecond);

// 1 = Sunday .. 7 = Saturday, as the framework counts.
int DayOfWeek(TDateTime value);

TTimeStamp DateTimeToTimeStamp(TDateTime value);
TDateTime TimeStampToDateTime(const TTimeStamp& stamp);

// The time stamp as one number of milliseconds: Date * 86'400'000 + Time.
// This is the slot encoding of date-time values.
double TimeStampToMSecs(const TTimeStamp& stamp);
TTimeStamp MSecsToTimeStamp(double milliseconds);

// The current local date and time; Date() without the time of day.
TDateTime Now();
TDateTime Date();

}  // namespace morvane
