// TzelCalendar: a fixed-size month calendar (158 x 160 pixels) built from
// plain child controls: a caption bar with year and month navigation, a
// month label that pops up a month menu, weekday names (Monday first), 42
// day buttons in one exclusive group, and a bar at the bottom that selects
// today.
//
// The year, month and day are the source of truth; RefreshCalendar
// recomputes the date (at midnight) from them, brings labels and buttons in
// line and fires OnChangeDate. OnSelectDate fires when the operator chooses a
// date: a day button, the today bar, or Enter. Dates outside 1900-01-01 ..
// 2100-01-01 become today; Year ignores years outside 1901..2099, while
// month stepping past January or December moves the year without that check.
// Text reads and writes the date in the short date format; text that is no
// date is ignored.
//
// The today bar shows today's date again at every refresh, so a calendar
// kept open past midnight never offers yesterday as "today".
#pragma once

#include <QFrame>
#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include "platform/rtl/date_time.h"

class QButtonGroup;
class QLabel;
class QMenu;
class QToolButton;

namespace morvane {

class TzelCalendar;
using TzelCalendarEvent = std::function<void(TzelCalendar* sender)>;

class TzelCalendar : public QFrame {
 public:
  static constexpr int kWidth = 158;
  static constexpr int kHeight = 160;
  static constexpr int kDayButtons = 42;

  explicit TzelCalendar(QWidget* parent = nullptr);
  ~TzelCalendar() override;

  uint16_t Day() const { return day_; }
  void SetDay(uint16_t value);
  uint16_t Month() const { return month_; }
  void SetMonth(uint16_t value);
  uint16_t Year() const { return year_; }
  void SetYear(uint16_t value);
  TDateTime Date() const { return date_; }
  void SetDate(TDateTime value);
  std::string Text() const;
  void SetText(const std::string& text);

  static int DaysPerMonth(int year, int month);
  void RefreshCalendar();

  // Enter fires OnSelectDate; every other key is left alone. Keys forwarded
  // by an editor arrive here as key codes.
  void KeyDown(uint16_t& key);

  TzelCalendarEvent OnSelectDate;
  TzelCalendarEvent OnChangeDate;

  // The child controls, for tests and for the drop-down's owner.
  QToolButton* DayButton(int number) const { return dayButtons_.at(size_t(number - 1)); }
  QToolButton* PriorYearButton() const { return priorYear_; }
  QToolButton* PriorMonthButton() const { return priorMonth_; }
  QToolButton* NextMonthButton() const { return nextMonth_; }
  QToolButton* NextYearButton() const { return nextYear_; }
  QLabel* MonthLabel() const { return monthLabel_; }
  QLabel* YearLabel() const { return yearLabel_; }
  QLabel* TodayBar() const { return todayBar_; }
  QMenu* MonthMenu() const { return monthMenu_; }

  // The actions of the child controls.
  void btnPriorYearClick();
  void btnPriorClick();
  void btnNextClick();
  void btnNextYearClick();
  void btnMonthClick();
  void N1Click(int monthTag);
  void btnDay11Click(int buttonNumber);
  void PanelTodayClick();

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void CreateButton(int number);
  QToolButton* CreateNavigationButton(const char* caption, int left, int width, const char* hint);
  void UpdateTodayBar();

  TDateTime date_ = 0;
  uint16_t day_ = 1;
  uint16_t month_ = 1;
  uint16_t year_ = 2000;

  QLabel* captionBar_ = nullptr;
  QToolButton* priorYear_ = nullptr;
  QToolButton* priorMonth_ = nullptr;
  QToolButton* nextYear_ = nullptr;
  QToolButton* nextMonth_ = nullptr;
  QLabel* yearLabel_ = nullptr;
  QMenu* monthMenu_ = nullptr;
  QLabel* monthLabel_ = nullptr;
  QLabel* todayBar_ = nullptr;
  QButtonGroup* dayGroup_ = nullptr;
  std::array<QToolButton*, kDayButtons> dayButtons_{};
};

}  // namespace morvane
