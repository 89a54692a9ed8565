#include "controls/editors/calendar.h"

#include <QButtonGroup>
#include <QFont>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QToolButton>

#include "platform/ui/keys.h"
#include "controls/editors/zeldbconst.h"
#include "platform/rtl/format.h"
#include "platform/rtl/format_settings.h"
#include "platform/ui/colors.h"
#include "platform/ui/layout.h"
#include "platform/ui/popup_menu.h"

namespace morvane {

namespace {

// 8 and 10 points at the design resolution.
constexpr int kSmallFontPixels = 11;
constexpr int kLargeFontPixels = 13;
// The panel's two bevels take one pixel each on every side.
constexpr int kBorder = 2;

QString Utf8(const std::string& text) { return QString::fromUtf8(text.data(), int(text.size())); }

// A label that reports a left-button click.
class TClickLabel : public QLabel {
 public:
  using QLabel::QLabel;
  std::function<void()> onClick;

 protected:
  void mousePressEvent(QMouseEvent* event) override { event->accept(); }
  void mouseReleaseEvent(QMouseEvent* event) override {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()) &&
        onClick) {
      onClick();
    }
    event->accept();
  }
};

QFont PixelFont(int pixels, bool bold) {
  QFont font = DesignFont();
  font.setPixelSize(pixels);
  font.setBold(bold);
  return font;
}

void SetTextColor(QWidget* widget, const QColor& color) {
  QPalette palette = widget->palette();
  for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::ButtonText, QPalette::Text}) {
    palette.setColor(role, color);
  }
  widget->setPalette(palette);
}

QColor ActiveCaptionColor() { return ColorToQColor(clActiveCaption); }

}  // namespace

TzelCalendar::TzelCalendar(QWidget* parent) : QFrame(parent) {
  setFrameStyle(QFrame::Panel | QFrame::Raised);
  setLineWidth(kBorder);
  setFixedSize(kWidth, kHeight);
  setFont(PixelFont(kSmallFontPixels, false));
  setAutoFillBackground(true);

  captionBar_ = new QLabel(this);
  captionBar_->setGeometry(kBorder, kBorder, kWidth - 2 * kBorder, 22);
  captionBar_->setAutoFillBackground(true);
  QPalette captionPalette = captionBar_->palette();
  captionPalette.setColor(QPalette::Window, ActiveCaptionColor());
  captionBar_->setPalette(captionPalette);

  priorYear_ = CreateNavigationButton("<<", 2, 18, zeldbconst::_Z_PREVYEAR);
  priorMonth_ = CreateNavigationButton("<", 20, 16, zeldbconst::_Z_PREVMON);
  nextYear_ = CreateNavigationButton(">>", 137, 18, zeldbconst::_Z_NEXTYEAR);
  nextMonth_ = CreateNavigationButton(">", 121, 16, zeldbconst::_Z_NEXTMON);
  connect(priorYear_, &QToolButton::clicked, this, [this] { btnPriorYearClick(); });
  connect(priorMonth_, &QToolButton::clicked, this, [this] { btnPriorClick(); });
  connect(nextYear_, &QToolButton::clicked, this, [this] { btnNextYearClick(); });
  connect(nextMonth_, &QToolButton::clicked, this, [this] { btnNextClick(); });

  yearLabel_ = new QLabel(this);
  yearLabel_->setGeometry(92, 6, 24, 13);
  yearLabel_->setFont(PixelFont(kSmallFontPixels, false));
  SetTextColor(yearLabel_, Qt::white);

  monthMenu_ = new QMenu(this);
  const TFormatSettings& settings = FormatSettings();
  for (int month = 1; month <= 12; ++month) {
    const std::string caption =
        (month < 10 ? "0" : "") + std::to_string(month) + ". " + settings.LongMonthNames[month - 1];
    QAction* item = monthMenu_->addAction(Utf8(caption));
    item->setObjectName(QString("N%1").arg(month));
    item->setData(month);
    connect(item, &QAction::triggered, this, [this, month] { N1Click(month); });
  }

  auto* monthLabel = new TClickLabel(this);
  monthLabel_ = monthLabel;
  monthLabel_->setGeometry(38, 6, 48, 13);
  monthLabel_->setAlignment(Qt::AlignCenter);
  monthLabel_->setFont(PixelFont(kSmallFontPixels, false));
  monthLabel_->setToolTip(QString::fromUtf8(zeldbconst::_Z_PUSHMON));
  SetTextColor(monthLabel_, Qt::white);
  monthLabel->onClick = [this] { btnMonthClick(); };

  for (int weekday = 1; weekday <= 7; ++weekday) {
    auto* label = new QLabel(this);
    label->setGeometry(22 * weekday - 16, 25, 13, 13);
    // ShortDayNames starts with Sunday; the calendar starts with Monday.
    label->setText(Utf8(settings.ShortDayNames[size_t(weekday % 7)]));
    label->setAlignment(Qt::AlignCenter);
    FitFont(label);
    if (weekday >= 6) SetTextColor(label, Qt::red);
  }

  auto* bevel = new QFrame(this);
  bevel->setGeometry(2, 38, 154, 2);
  bevel->setFrameStyle(QFrame::HLine | QFrame::Raised);

  auto* todayBar = new TClickLabel(this);
  todayBar_ = todayBar;
  todayBar_->setGeometry(kBorder, kHeight - kBorder - 20, kWidth - 2 * kBorder, 20);
  todayBar_->setAlignment(Qt::AlignCenter);
  todayBar_->setAutoFillBackground(true);
  todayBar_->setFont(PixelFont(kSmallFontPixels, true));
  todayBar_->setToolTip(QString::fromUtf8(zeldbconst::_Z_PUSHTODAY));
  QPalette todayPalette = todayBar_->palette();
  todayPalette.setColor(QPalette::Window, ActiveCaptionColor());
  todayPalette.setColor(QPalette::WindowText, Qt::white);
  todayBar_->setPalette(todayPalette);
  todayBar->onClick = [this] { PanelTodayClick(); };

  int year = 0, month = 0, day = 0;
  DecodeDate(morvane::Date(), year, month, day);
  year_ = uint16_t(year);
  month_ = uint16_t(month);
  day_ = uint16_t(day);

  dayGroup_ = new QButtonGroup(this);
  dayGroup_->setExclusive(true);
  for (int number = 1; number <= kDayButtons; ++number) CreateButton(number);
  RefreshCalendar();
}

TzelCalendar::~TzelCalendar() = default;

QToolButton* TzelCalendar::CreateNavigationButton(const char* caption, int left, int width,
                                                  const char* hint) {
  auto* button = new QToolButton(this);
  button->setGeometry(left, 2, width, 22);
  button->setText(caption);
  button->setAutoRaise(true);
  button->setFont(PixelFont(kLargeFontPixels, true));
  button->setToolTip(QString::fromUtf8(hint));
  button->setFocusPolicy(Qt::NoFocus);
  SetTextColor(button, Qt::white);
  return button;
}

void TzelCalendar::CreateButton(int number) {
  auto* button = new QToolButton(this);
  const int column = (number - 1) % 7;
  const int row = (number - 1) / 7;
  button->setGeometry(column * 22 + 2, row * 16 + 41, 22, 16);
  button->setAutoRaise(true);
  button->setCheckable(true);
  button->setFocusPolicy(Qt::NoFocus);
  button->setProperty("tag", number);
  if (column > 4) SetTextColor(button, Qt::red);
  dayGroup_->addButton(button, number);
  connect(button, &QToolButton::clicked, this, [this, number] { btnDay11Click(number); });
  dayButtons_[size_t(number - 1)] = button;
}

int TzelCalendar::DaysPerMonth(int year, int month) { return DaysInMonth(year, month); }

void TzelCalendar::RefreshCalendar() {
  const int monthLength = DaysPerMonth(year_, month_);
  if (day_ > monthLength) day_ = uint16_t(monthLength);
  date_ = EncodeDate(year_, month_, day_);

  monthLabel_->setText(Utf8(FormatSettings().LongMonthNames[size_t(month_ - 1)]));
  yearLabel_->setText(QString::number(year_));
  // Fonts differ in width between machines: labels narrow their font
  // rather than cut their text.
  FitFont(monthLabel_);
  FitFont(yearLabel_);

  // DayOfWeek counts from Sunday = 1; the grid starts with Monday.
  const int firstWeekday = (DayOfWeek(EncodeDate(year_, month_, 1)) + 5) % 7 + 1;
  const QString dayText = QString::number(day_);
  for (int index = 1; index <= kDayButtons; ++index) {
    QToolButton* button = dayButtons_[size_t(index - 1)];
    const int number = index - firstWeekday + 1;
    const QString caption = number < 1 || number > monthLength ? QString() : QString::number(number);
    button->setText(caption);
    button->setEnabled(!caption.isEmpty());
    if (caption == dayText) button->setChecked(true);
  }
  UpdateTodayBar();
  if (OnChangeDate) OnChangeDate(this);
}

void TzelCalendar::UpdateTodayBar() {
  todayBar_->setText(Utf8(std::string(zeldbconst::_Z_TODAY) + DateToStr(morvane::Date())));
}

void TzelCalendar::SetDate(TDateTime value) {
  if (value < EncodeDate(1900, 1, 1) || value > EncodeDate(2100, 1, 1)) value = morvane::Date();
  date_ = value;
  int year = 0, month = 0, day = 0;
  DecodeDate(value, year, month, day);
  year_ = uint16_t(year);
  month_ = uint16_t(month);
  day_ = uint16_t(day);
  RefreshCalendar();
}

void TzelCalendar::SetDay(uint16_t value) {
  if (value == 0) value = 1;
  const int monthLength = DaysPerMonth(year_, month_);
  if (value > monthLength) value = uint16_t(monthLength);
  day_ = value;
  RefreshCalendar();
}

void TzelCalendar::SetMonth(uint16_t value) {
  if (value == 0) value = 1;
  if (value > 12) value = 12;
  month_ = value;
  RefreshCalendar();
}

void TzelCalendar::SetYear(uint16_t value) {
  if (value > 1900 && value < 2100) year_ = value;
  RefreshCalendar();
}

std::string TzelCalendar::Text() const { return DateToStr(date_); }

void TzelCalendar::SetText(const std::string& text) {
  TDateTime value = 0;
  if (TryStrToDate(text, value)) SetDate(value);
}

void TzelCalendar::btnPriorYearClick() { SetYear(uint16_t(year_ - 1)); }
void TzelCalendar::btnNextYearClick() { SetYear(uint16_t(year_ + 1)); }

void TzelCalendar::btnPriorClick() {
  if (month_ >= 2) {
    SetMonth(uint16_t(month_ - 1));
  } else {
    --year_;
    SetMonth(12);
  }
}

void TzelCalendar::btnNextClick() {
  if (month_ <= 11) {
    SetMonth(uint16_t(month_ + 1));
  } else {
    ++year_;
    SetMonth(1);
  }
}

void TzelCalendar::btnMonthClick() {
  const QPoint corner = monthLabel_->mapToGlobal(QPoint(0, monthLabel_->height()));
  PopupAt(monthMenu_, corner.x(), corner.y());
}

void TzelCalendar::N1Click(int monthTag) { SetMonth(uint16_t(monthTag)); }

void TzelCalendar::btnDay11Click(int buttonNumber) {
  bool isNumber = false;
  const int number = DayButton(buttonNumber)->text().toInt(&isNumber);
  if (!isNumber) return;
  day_ = uint16_t(number);
  date_ = EncodeDate(year_, month_, day_);
  if (OnSelectDate) OnSelectDate(this);
}

void TzelCalendar::PanelTodayClick() {
  int year = 0, month = 0, day = 0;
  DecodeDate(morvane::Date(), year, month, day);
  year_ = uint16_t(year);
  month_ = uint16_t(month);
  day_ = uint16_t(day);
  RefreshCalendar();
  if (OnSelectDate) OnSelectDate(this);
}

void TzelCalendar::KeyDown(uint16_t& key) {
  if (key == VK_RETURN && OnSelectDate) OnSelectDate(this);
}

void TzelCalendar::keyPressEvent(QKeyEvent* event) {
  uint16_t key = TranslateKey(*event).key;
  KeyDown(key);
  event->accept();
}

}  // namespace morvane
