#include "controls/editors/calendar.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QTest>
#include <QToolButton>

#include "controls/editors/zeldbconst.h"
#include "platform/rtl/format.h"

namespace morvane {
namespace {

int EnabledDays(const TzelCalendar& calendar) {
  int enabled = 0;
  for (int number = 1; number <= TzelCalendar::kDayButtons; ++number) {
    if (calendar.DayButton(number)->isEnabled()) ++enabled;
  }
  return enabled;
}

int CheckedButton(const TzelCalendar& calendar) {
  for (int number = 1; number <= TzelCalendar::kDayButtons; ++number) {
    if (calendar.DayButton(number)->isChecked()) return number;
  }
  return 0;
}

TEST(CalendarTest, LeapDayShowsFebruaryWithTheFirstOnThursday) {
  TzelCalendar calendar;
  calendar.SetDate(EncodeDate(2024, 2, 29));
  EXPECT_EQ(calendar.Year(), 2024);
  EXPECT_EQ(calendar.Month(), 2);
  EXPECT_EQ(EnabledDays(calendar), 29);
  EXPECT_EQ(calendar.DayButton(4)->text(), "1");  // Thursday column
  EXPECT_EQ(CheckedButton(calendar), 32);
  EXPECT_EQ(calendar.DayButton(32)->text(), "29");
}

TEST(CalendarTest, AMonthStartingOnSundayUsesTheSixthRow) {
  TzelCalendar calendar;
  calendar.SetDate(EncodeDate(2023, 10, 1));  // a Sunday, 31 days
  EXPECT_EQ(calendar.DayButton(7)->text(), "1");
  EXPECT_EQ(calendar.DayButton(37)->text(), "31");
  EXPECT_FALSE(calendar.DayButton(38)->isEnabled());
}

TEST(CalendarTest, MonthButtonsStepAcrossYearsWithRealClicks) {
  TzelCalendar calendar;
  calendar.SetDate(EncodeDate(2000, 1, 15));
  QTest::mouseClick(calendar.PriorMonthButton(), Qt::LeftButton);
  EXPECT_EQ(calendar.Year(), 1999);
  EXPECT_EQ(calendar.Month(), 12);
  EXPECT_EQ(calendar.YearLabel()->text(), "1999");
  QTest::mouseClick(calendar.NextMonthButton(), Qt::LeftButton);
  EXPECT_EQ(calendar.Year(), 2000);
  EXPECT_EQ(calendar.Month(), 1);
  QTest::mouseClick(calendar.NextYearButton(), Qt::LeftButton);
  EXPECT_EQ(calendar.Year(), 2001);
  QTest::mouseClick(calendar.PriorYearButton(), Qt::LeftButton);
  EXPECT_EQ(calendar.Year(), 2000);
}

TEST(CalendarTest, SettersClampDayMonthAndYear) {
  struct Case {
    const char* what;
    std::function<void(TzelCalendar&)> change;
    int year, month, day;
  };
  const std::vector<Case> cases = {
      {"February after the 31st of a common year", [](TzelCalendar& c) { c.SetMonth(2); }, 2023,
       2, 28},
      {"day 0", [](TzelCalendar& c) { c.SetDay(0); }, 2023, 1, 1},
      {"day 40", [](TzelCalendar& c) { c.SetDay(40); }, 2023, 1, 31},
      {"month 0", [](TzelCalendar& c) { c.SetMonth(0); }, 2023, 1, 31},
      {"month 14", [](TzelCalendar& c) { c.SetMonth(14); }, 2023, 12, 31},
      {"year 1900", [](TzelCalendar& c) { c.SetYear(1900); }, 2023, 1, 31},
      {"year 2100", [](TzelCalendar& c) { c.SetYear(2100); }, 2023, 1, 31},
      {"year 2099", [](TzelCalendar& c) { c.SetYear(2099); }, 2099, 1, 31},
      {"date 1900-01-01", [](TzelCalendar& c) { c.SetDate(EncodeDate(1900, 1, 1)); }, 1900, 1, 1},
      {"date 2100-01-01", [](TzelCalendar& c) { c.SetDate(EncodeDate(2100, 1, 1)); }, 2100, 1, 1},
      {"text that is no date", [](TzelCalendar& c) { c.SetText("31.02.20x"); }, 2023, 1, 31},
  };
  for (const Case& test : cases) {
    TzelCalendar calendar;
    calendar.SetDate(EncodeDate(2023, 1, 31));
    test.change(calendar);
    EXPECT_EQ(calendar.Year(), test.year) << test.what;
    EXPECT_EQ(calendar.Month(), test.month) << test.what;
    EXPECT_EQ(calendar.Day(), test.day) << test.what;
    EXPECT_EQ(calendar.Date(), EncodeDate(test.year, test.month, test.day)) << test.what;
  }
}

TEST(CalendarTest, DatesOutsideTheRangeBecomeToday) {
  TzelCalendar calendar;
  calendar.SetDate(EncodeDate(1899, 12, 31));
  EXPECT_EQ(calendar.Date(), Date());
  calendar.SetDate(EncodeDate(2100, 1, 1) + 0.5);
  EXPECT_EQ(calendar.Date(), Date());
}

TEST(CalendarTest, ClickingADayChoosesItWithoutARefresh) {
  TzelCalendar calendar;
  calendar.SetDate(EncodeDate(2024, 2, 1));
  int selected = 0, changed = 0;
  calendar.OnSelectDate = [&](TzelCalendar*) { ++selected; };
  calendar.OnChangeDate = [&](TzelCalendar*) { ++changed; };
  QTest::mouseClick(calendar.DayButton(32), Qt::LeftButton);  // the 29th
  EXPECT_EQ(selected, 1);
  EXPECT_EQ(changed, 0);
  EXPECT_EQ(calendar.Text(), DateToStr(EncodeDate(2024, 2, 29)));
  EXPECT_TRUE(calendar.DayButton(32)->isChecked());
  EXPECT_FALSE(calendar.DayButton(4)->isChecked());
}

TEST(CalendarTest, TodayBarAndEnterChooseADate) {
  TzelCalendar calendar;
  calendar.SetDate(EncodeDate(2001, 5, 5));
  int selected = 0;
  calendar.OnSelectDate = [&](TzelCalendar*) { ++selected; };
  QTest::mouseClick(calendar.TodayBar(), Qt::LeftButton);
  EXPECT_EQ(selected, 1);
  EXPECT_EQ(calendar.Date(), Date());
  QTest::keyClick(&calendar, Qt::Key_Return);
  EXPECT_EQ(selected, 2);
  QTest::keyClick(&calendar, Qt::Key_Escape);
  EXPECT_EQ(selected, 2);
}

TEST(CalendarTest, TodayBarFollowsTheRefresh) {
  TzelCalendar calendar;
  const QString today = QString::fromUtf8(std::string(zeldbconst::_Z_TODAY) + DateToStr(Date()));
  EXPECT_EQ(calendar.TodayBar()->text(), today);
  calendar.TodayBar()->setText("yesterday");  // as if the calendar had been open past midnight
  calendar.RefreshCalendar();
  EXPECT_EQ(calendar.TodayBar()->text(), today);
}

TEST(CalendarTest, MonthMenuItemSetsTheMonth) {
  TzelCalendar calendar;
  calendar.SetDate(EncodeDate(2023, 1, 31));
  QAction* march = calendar.MonthMenu()->findChild<QAction*>("N3");
  ASSERT_NE(march, nullptr);
  EXPECT_TRUE(march->text().startsWith("03. "));
  march->trigger();
  EXPECT_EQ(calendar.Month(), 3);
  EXPECT_EQ(calendar.Day(), 31);
}

TEST(CalendarTest, SizeIsFixedAndHintsAreTheSystemTexts) {
  TzelCalendar calendar;
  calendar.resize(300, 40);
  EXPECT_EQ(calendar.size(), QSize(158, 160));
  EXPECT_EQ(calendar.PriorYearButton()->toolTip().toStdString(), "Предыдущий год");
  EXPECT_EQ(calendar.NextMonthButton()->toolTip().toStdString(), zeldbconst::_Z_NEXTMON);
}

}  // namespace
}  // namespace morvane
