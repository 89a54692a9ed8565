#include "platform/rtl/date_time.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <ctime>

#include "platform/rtl/exceptions.h"

namespace morvane {
namespace {

// Days between 0001-01-01 (day number 1) and 1970-01-01, in the proleptic
// Gregorian calendar; the civil conversions below count from 1970.
constexpr int64_t kUnixDayOfDayNumberZero = -719163;

// Days since 1970-01-01 of a civil date (Howard Hinnant's algorithm).
int64_t DaysFromCivil(int64_t year, unsigned month, unsigned day) {
  year -= month <= 2;
  const int64_t era = (year >= 0 ? year : year - 399) / 400;
  const unsigned yearOfEra = unsigned(year - era * 400);
  const unsigned dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const unsigned dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + int64_t(dayOfEra) - 719468;
}

void CivilFromDays(int64_t days, int& year, int& month, int& day) {
  days += 719468;
  const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  const unsigned dayOfEra = unsigned(days - era * 146097);
  const unsigned yearOfEra =
      (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const unsigned dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const unsigned monthIndex = (5 * dayOfYear + 2) / 153;
  day = int(dayOfYear - (153 * monthIndex + 2) / 5 + 1);
  month = int(monthIndex < 10 ? monthIndex + 3 : monthIndex - 9);
  year = int(int64_t(yearOfEra) + era * 400 + (month <= 2));
}

}  // namespace

bool IsLeapYear(int year) {
  return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
}

int DaysInMonth(int year, int month) {
  static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12) return 0;
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

bool TryEncodeDate(int year, int month, int day, TDateTime& result) {
  if (year < 1 || year > 9999 || month < 1 || month > 12) return false;
  if (day < 1 || day > DaysInMonth(year, month)) return false;
  const int64_t dayNumber =
      DaysFromCivil(year, unsigned(month), unsigned(day)) - kUnixDayOfDayNumberZero;
  result = double(dayNumber - DateDelta);
  return true;
}

bool TryEncodeTime(int hour, int minute, int second, int millisecond, TDateTime& result) {
  if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59 ||
      millisecond < 0 || millisecond > 999) {
    return false;
  }
  result = double(((hour * 60 + minute) * 60 + second) * 1000 + millisecond) / MSecsPerDay;
  return true;
}

TDateTime EncodeDate(int year, int month, int day) {
  TDateTime result = 0;
  if (!TryEncodeDate(year, month, day, result))
    throw EConvertError("Invalid argument to date encode");
  return result;
}

TDateTime EncodeTime(int hour, int minute, int second, int millisecond) {
  TDateTime result = 0;
  if (!TryEncodeTime(hour, minute, second, millisecond, result)) {
    throw EConvertError("Invalid argument to time encode");
  }
  return result;
}

void DecodeDate(TDateTime value, int& year, int& month, int& day) {
  const TTimeStamp stamp = DateTimeToTimeStamp(value);
  if (stamp.Date <= 0) {
    year = month = day = 0;
    return;
  }
  CivilFromDays(int64_t(stamp.Date) + kUnixDayOfDayNumberZero, year, month, day);
}

void DecodeTime(TDateTime value, int& hour, int& minute, int& second, int& millisecond) {
  int32_t time = DateTimeToTimeStamp(value).Time;
  millisecond = time % 1000;
  time /= 1000;
  second = time % 60;
  time /= 60;
  minute = time % 60;
  hour = time / 60;
}

int DayOfWeek(TDateTime value) {
  const int32_t date = DateTimeToTimeStamp(value).Date;
  // Day number 1 (0001-01-01) was a Monday; 1 stands for Sunday.
  return int(((date % 7) + 7) % 7) + 1;
}

TTimeStamp DateTimeToTimeStamp(TDateTime value) {
  const int64_t milliseconds = std::llround(value * MSecsPerDay);
  TTimeStamp stamp;
  // Truncating division and an absolute remainder: the fraction of a negative
  // value counts forward from midnight of its day.
  stamp.Date = int32_t(DateDelta + milliseconds / MSecsPerDay);
  stamp.Time = int32_t(std::llabs(milliseconds) % MSecsPerDay);
  return stamp;
}

TDateTime TimeStampToDateTime(const TTimeStamp& stamp) {
  const double days = double(int64_t(stamp.Date) - DateDelta);
  const double fraction = double(stamp.Time) / MSecsPerDay;
  return days < 0 ? days - fraction : days + fraction;
}

double TimeStampToMSecs(const TTimeStamp& stamp) {
  return double(stamp.Date) * MSecsPerDay + stamp.Time;
}

TTimeStamp MSecsToTimeStamp(double milliseconds) {
  const int64_t whole = std::llround(milliseconds);
  TTimeStamp stamp;
  stamp.Date = int32_t(whole / MSecsPerDay);
  stamp.Time = int32_t(whole % MSecsPerDay);
  return stamp;
}

TDateTime Now() {
  const auto now = std::chrono::system_clock::now();
  const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
  const int millisecond = int(
      std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000);
  std::tm local{};
  localtime_r(&seconds, &local);
  TDateTime date = 0;
  TDateTime time = 0;
  TryEncodeDate(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, date);
  TryEncodeTime(local.tm_hour, local.tm_min, std::min(local.tm_sec, 59), millisecond, time);
  return date + time;
}

TDateTime Date() {
  return std::floor(Now());
}

}  // namespace morvane
