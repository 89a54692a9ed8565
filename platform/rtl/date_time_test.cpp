#include "platform/rtl/date_time.h"

#include <gtest/gtest.h>

#include <tuple>

namespace morvane {
namespace {

TEST(DateTime, EpochAndKnownDays) {
  EXPECT_EQ(EncodeDate(1899, 12, 30), 0.0);
  EXPECT_EQ(EncodeDate(1900, 1, 1), 2.0);
  EXPECT_EQ(EncodeDate(2000, 1, 1), 36526.0);
  EXPECT_EQ(DateTimeToTimeStamp(EncodeDate(1, 1, 1)).Date, 1);
  EXPECT_EQ(DateTimeToTimeStamp(0).Date, DateDelta);
}

TEST(DateTime, RoundTripsOverLeapYearsAndCenturies) {
  // Every day of the years around the century boundaries, where a wrong leap
  // rule shows first.
  for (int year : {1, 1899, 1900, 1904, 1999, 2000, 2001, 2024, 2099, 2100, 2400, 9999}) {
    for (int month = 1; month <= 12; ++month) {
      for (int day = 1; day <= DaysInMonth(year, month); ++day) {
        int decodedYear = 0, decodedMonth = 0, decodedDay = 0;
        DecodeDate(EncodeDate(year, month, day), decodedYear, decodedMonth, decodedDay);
        ASSERT_EQ(std::tie(decodedYear, decodedMonth, decodedDay), std::tie(year, month, day))
            << year << "-" << month << "-" << day;
      }
    }
  }
}

TEST(DateTime, LeapRules) {
  EXPECT_FALSE(IsLeapYear(1900));
  EXPECT_TRUE(IsLeapYear(2000));
  EXPECT_FALSE(IsLeapYear(2100));
  EXPECT_TRUE(IsLeapYear(2024));
  TDateTime unused = 0;
  EXPECT_FALSE(TryEncodeDate(1900, 2, 29, unused));
  EXPECT_TRUE(TryEncodeDate(2000, 2, 29, unused));
  EXPECT_FALSE(TryEncodeDate(2100, 2, 29, unused));
  EXPECT_FALSE(TryEncodeDate(0, 1, 1, unused));
  EXPECT_FALSE(TryEncodeDate(2024, 13, 1, unused));
}

TEST(DateTime, TimeStampsKeepMillisecondsAndNegativeFractions) {
  const TDateTime noonAndAMillisecond = EncodeDate(2024, 3, 1) + EncodeTime(12, 0, 0, 1);
  const TTimeStamp stamp = DateTimeToTimeStamp(noonAndAMillisecond);
  EXPECT_EQ(stamp.Time, 12 * 3600 * 1000 + 1);
  EXPECT_DOUBLE_EQ(TimeStampToDateTime(stamp), noonAndAMillisecond);

  // Before the epoch the fraction still counts forward from midnight.
  const TTimeStamp early = DateTimeToTimeStamp(-1.25);
  EXPECT_EQ(early.Date, DateDelta - 1);
  EXPECT_EQ(early.Time, 6 * 3600 * 1000);
  EXPECT_DOUBLE_EQ(TimeStampToDateTime(early), -1.25);

  EXPECT_EQ(MSecsToTimeStamp(TimeStampToMSecs(stamp)).Date, stamp.Date);
  EXPECT_EQ(MSecsToTimeStamp(TimeStampToMSecs(stamp)).Time, stamp.Time);
}

TEST(DateTime, DayOfWeekCountsFromSunday) {
  EXPECT_EQ(DayOfWeek(EncodeDate(2026, 12, 7)), 2);  // a Monday
  EXPECT_EQ(DayOfWeek(EncodeDate(2000, 1, 1)), 7);   // a Saturday
  EXPECT_EQ(DayOfWeek(EncodeDate(1, 1, 1)), 2);
}

}  // namespace
}  // namespace morvane
