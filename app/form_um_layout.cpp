// The components of TFormUM at their design places. Each tab stands labels
// on the left, edits at x 160 in rows 20 pixels apart and its buttons in a
// row at y 230; captions are fitted to their rectangles.
#include <algorithm>

#include <QCheckBox>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyle>
#include <QTabWidget>

#include "app/form_um.h"
#include "app/mapping_counts_suggestions.h"
#include "app/step3_execution.h"
#include "controls/grid/db_grid.h"
#include "platform/db/field.h"
#include "platform/ui/application.h"
#include "platform/ui/layout.h"
#include "server/table.h"

namespace morvane {

namespace {

// The grid's pixels beside the two text columns' characters.
int MappingGridExtras(const QWidget& grid) {
  return 2 * 4     // each text column's four-pixel margin
         + 11 + 3  // the indicator column and the grid lines
         + 2 * 2   // the frame
         + grid.style()->pixelMetric(QStyle::PM_ScrollBarExtent);
}

int DigitWidth(const QFont& font) {
  return QFontMetrics(font).horizontalAdvance(QLatin1Char('0'));
}

constexpr int kClientWidth = 432;
constexpr int kClientHeight = 313;
constexpr int kLabelLeft = 8;
constexpr int kTextWidth = 385;
constexpr int kEditLeft = 160;
constexpr int kEditWidth = 233;
constexpr int kEditHeight = 19;
constexpr int kRowStep = 20;
constexpr int kFirstRowTop = 84;
constexpr int kButtonTop = 230;
constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 25;
constexpr int kButtonStep = 80;
constexpr int kAcceptWidth = 160;
// The switches of step 2 stand right of the mapping grid.
constexpr int kSwitchLeft = 256;
constexpr int kSwitchWidth = 140;
constexpr int kSwitchHeight = 17;

// The mapping grid shows "Текущее" 15 and "Новое" 18 characters wide (widths
// in digits of the grid's font). The form was designed for a dialog font with
// six-pixel digits, in which both columns, the indicator and a vertical scroll
// bar fit the grid's 241 pixels. Wider fonts would push "Текущее" out of sight
// whenever the operator moves into "Новое", so the grid takes the least
// narrowed, then least shrunk, design font in which both columns fit.
constexpr int kMappingDisplayChars = TFormUM::kCurrentChars + TFormUM::kNewChars;
constexpr int kMappingGridWidth = 241;

QFont MappingGridFont(const QWidget& grid) {
  const int extras = MappingGridExtras(grid);
  const auto fits = [&](const QFont& font) {
    return kMappingDisplayChars * DigitWidth(font) + extras <= kMappingGridWidth;
  };
  QFont font = DesignFont();
  for (const int stretch : {int(QFont::SemiCondensed), int(QFont::Condensed)}) {
    if (fits(font)) return font;
    font.setStretch(stretch);
  }
  for (int pixels = kDesignFontPixels - 1; !fits(font) && pixels >= kMinFontPixels; --pixels) {
    font.setPixelSize(pixels);
  }
  return font;
}

enum LabelStyle { kPlain = 0, kBold = 1, kRed = 2, kWordWrap = 4 };

QLabel* MakeLabel(QWidget* parent, const char* name, const char* caption, QRect place,
                  int style = kPlain) {
  auto* label = new QLabel(QString::fromUtf8(caption), parent);
  label->setObjectName(name);
  QFont font = DesignFont();
  font.setBold((style & kBold) != 0);
  label->setFont(font);
  if (style & kRed) {
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, Qt::red);
    label->setPalette(palette);
  }
  label->setWordWrap((style & kWordWrap) != 0);
  label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  Place(label, place.x(), place.y(), place.width(), place.height());
  FitFont(label);
  return label;
}

QLineEdit* MakeEdit(QWidget* parent, const char* name, int top) {
  auto* edit = new QLineEdit(parent);
  edit->setObjectName(name);
  edit->setFont(DesignFont());
  Place(edit, kEditLeft, top, kEditWidth, kEditHeight);
  FitFont(edit);
  return edit;
}

QPushButton* MakeButton(QWidget* parent, const char* name, const char* caption, int left) {
  auto* button = new QPushButton(QString::fromUtf8(caption), parent);
  button->setObjectName(name);
  button->setFont(DesignFont());
  button->setAutoDefault(false);
  Place(button, left, kButtonTop, kButtonWidth, kButtonHeight);
  FitFont(button);
  return button;
}

// One "caption: edit" row of step 1.
QLineEdit* MakeRow(QWidget* parent, const char* labelName, QLabel*& label, const char* caption,
                   const char* editName, int row) {
  const int top = kFirstRowTop + row * kRowStep;
  label = MakeLabel(parent, labelName, caption,
                    QRect(kLabelLeft, top + 2, kEditLeft - kLabelLeft - 4, kEditHeight - 2));
  return MakeEdit(parent, editName, top);
}

QCheckBox* MakeSwitch(QWidget* parent, const char* name, const char* caption, int top) {
  auto* check = new QCheckBox(QString::fromUtf8(caption), parent);
  check->setObjectName(name);
  check->setFont(DesignFont());
  Place(check, kSwitchLeft, top, kSwitchWidth, kSwitchHeight);
  FitFont(check);
  check->hide();
  return check;
}

QWidget* MakeSheet(QTabWidget* pages, const char* name, const char* caption) {
  auto* sheet = new QWidget;
  sheet->setObjectName(name);
  pages->addTab(sheet, QString::fromUtf8(caption));
  return sheet;
}

}  // namespace

void TFormUM::CreateComponents() {
  // The designed size is the smallest; an enlarged window grows the grid and
  // the script (LayoutForSize).
  resize(kClientWidth, kClientHeight);
  setMinimumSize(kClientWidth, kClientHeight);
  setFont(DesignFont());
  PageControl1 = new QTabWidget(this);
  PageControl1->setObjectName("PageControl1");
  PageControl1->setFont(DesignFont());
  Place(PageControl1, 10, 10, 411, 291);
  TabSheet1 = MakeSheet(PageControl1, "TabSheet1", "Шаг 1");
  TabSheet2 = MakeSheet(PageControl1, "TabSheet2", "Шаг 2");
  TabSheet3 = MakeSheet(PageControl1, "TabSheet3", "Шаг 3");
  PageControl1->setCurrentIndex(0);
  BuildStep1();
  BuildStep2();
  BuildStep3();
  PopupMenu1 = new QMenu(this);
  PopupMenu1->setObjectName("PopupMenu1");
}

void TFormUM::BuildStep1() {
  QWidget* sheet = TabSheet1;
  Label6 = MakeLabel(sheet, "Label6", "Настройки", QRect(kLabelLeft, 6, kTextWidth, 16), kBold);
  Label9 = MakeLabel(sheet, "Label9", "Только для опытных пользователей",
                     QRect(kLabelLeft, 24, kTextWidth, 16), kRed);
  Label10 =
      MakeLabel(sheet, "Label10", "Сделайте необходимые настройки и перейдите к следующему шагу.",
                QRect(kLabelLeft, 42, kTextWidth, 16));
  Label13 = MakeLabel(sheet, "Label13",
                      "Не изменяйте текущие значения, если Вы не знакомы со структурой БД",
                      QRect(kLabelLeft, 60, kTextWidth, 16), kRed);
  Edit6 = MakeRow(sheet, "Label15", Label15, "Название настройки", "Edit6", 0);
  Edit1 = MakeRow(sheet, "Label1", Label1, "Изменяемая таблица", "Edit1", 1);
  Edit2 = MakeRow(sheet, "Label2", Label2, "Изменяемое поле", "Edit2", 2);
  Edit3 = MakeRow(sheet, "Label3", Label3, "Ключевое поле", "Edit3", 3);
  Edit4 = MakeRow(sheet, "Label4", Label4, "Таблица источник замены", "Edit4", 4);
  Edit5 = MakeRow(sheet, "Label5", Label5, "Поле источник замены", "Edit5", 5);
  ButtonNew = MakeButton(sheet, "ButtonNew", "Создать", kEditLeft);
  ButtonLoad = MakeButton(sheet, "ButtonLoad", "Загрузить", kEditLeft + kButtonStep);
  ButtonSave = MakeButton(sheet, "ButtonSave", "Сохранить", kEditLeft + 2 * kButtonStep);
}

void TFormUM::BuildStep2() {
  QWidget* sheet = TabSheet2;
  Label7 = MakeLabel(sheet, "Label7", "Соответствия", QRect(kLabelLeft, 6, kTextWidth, 16), kBold);
  Label11 = MakeLabel(sheet, "Label11",
                      "Нажмите кнопку Загрузить. Заполните необходимые соответствия и передите к "
                      "следующему шагу.",
                      QRect(kLabelLeft, 24, kTextWidth, 30), kWordWrap);
  GridM = new TzelDBGrid(sheet);
  GridM->SetName("GridM");
  GridM->setObjectName("GridM");
  Place(GridM, kLabelLeft, 62, kMappingGridWidth, 151);
  GridM->Font().SetHandle(MappingGridFont(*GridM));
  GridM->TitleFont().SetHandle(GridM->Font().Handle());
  ButtonRead = MakeButton(sheet, "ButtonRead", "Загрузить", kLabelLeft);
  // Shown only when the wizard's options ask for them (wizard_options.h).
  LabelSummary = MakeLabel(sheet, "LabelSummary", "", QRect(kLabelLeft, 214, kTextWidth, 15));
  LabelSummary->hide();
  ButtonAccept = MakeButton(sheet, "ButtonAccept", "Принять предложения", kLabelLeft + kButtonStep);
  ButtonAccept->resize(kAcceptWidth, kButtonHeight);
  ButtonAccept->setFont(DesignFont());  // fitted again to its wider place
  FitFont(ButtonAccept);
  ButtonAccept->hide();
  CheckCounts = MakeSwitch(sheet, "CheckCounts", "Записей", 62);
  CheckSuggestions = MakeSwitch(sheet, "CheckSuggestions", "Предложения", 62 + kSwitchHeight + 3);
  CheckGroups =
      MakeSwitch(sheet, "CheckGroups", "Группы похожих значений", 62 + 2 * (kSwitchHeight + 3));
}

void TFormUM::BuildStep3() {
  QWidget* sheet = TabSheet3;
  Label8 = MakeLabel(sheet, "Label8", "Скрипт", QRect(kLabelLeft, 6, kTextWidth, 16), kBold);
  Label12 = MakeLabel(sheet, "Label12", "Нажмите кнопку Создать. Затем нажмите кнопку Выполнить.",
                      QRect(kLabelLeft, 24, kTextWidth, 16));
  Label14 = MakeLabel(sheet, "Label14",
                      "Не изменяйте сформированный ниже текст, если Вы не знакомы  с языком "
                      "скриптов.",
                      QRect(kLabelLeft, 42, kTextWidth, 30), kRed | kWordWrap);
  Memo1 = new QPlainTextEdit(sheet);
  Memo1->setObjectName("Memo1");
  Memo1->setFont(DesignFont());
  Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
  Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  Place(Memo1, kLabelLeft, 78, 321, 141);
  ButtonGen = MakeButton(sheet, "ButtonGen", "Создать", kLabelLeft);
  ButtonDo = MakeButton(sheet, "ButtonDo", "Выполнить", kLabelLeft + kButtonStep);
  step3_ = std::make_unique<TStep3Execution>(*this, sheet);
}

void TFormUM::LayoutForSize(QSize size) {
  // What the window gained over the designed size goes to the page control,
  // the grid and the memo; the button rows and the summary move down with it.
  const int dx = std::max(0, size.width() - kClientWidth);
  const int dy = std::max(0, size.height() - kClientHeight);
  PageControl1->resize(411 + dx, 291 + dy);
  GridM->resize(241 + dx, 151 + dy);
  Memo1->resize(321 + dx, 141 + dy);
  LabelSummary->move(LabelSummary->x(), 214 + dy);
  for (QCheckBox* check : {CheckCounts, CheckSuggestions, CheckGroups}) {
    check->move(kSwitchLeft + dx, check->y());
  }
  for (QPushButton* button :
       {ButtonNew, ButtonLoad, ButtonSave, ButtonRead, ButtonAccept, ButtonGen, ButtonDo}) {
    button->move(button->x(), kButtonTop + dy);
  }
  step3_->Layout(dx, dy);
  FitCountColumn();
}

void TFormUM::FitCountColumn() {
  if (!mappingLoaded_ || !TableM->Active()) return;
  TzelColumn* count = GridM->ColumnByName(kCountField);
  if (count == nullptr) return;
  // The text columns' characters that fit beside the counts column and its
  // grid line; never fewer than a third of their design, where scrolling
  // serves better than unreadable columns.
  const int digit = std::max(1, DigitWidth(GridM->Font().Handle()));
  const int room = (GridM->width() - MappingGridExtras(*GridM) - count->Width() - 1) / digit;
  int current = kCurrentChars;
  int next = kNewChars;
  if (room < kMappingDisplayChars) {
    current = std::max(kCurrentChars / 3, room * kCurrentChars / kMappingDisplayChars);
    next = std::max(kNewChars / 3, room - current);
  }
  TField* src = TableM->FieldByName("src");
  TField* inf = TableM->FieldByName("inf");
  if (src->DisplayWidth() != current) src->SetDisplayWidth(current);
  if (inf->DisplayWidth() != next) inf->SetDisplayWidth(next);
  MakeTitlesClickable();
}

QSize TFormUM::DesignedSize() {
  return QSize(kClientWidth, kClientHeight);
}

}  // namespace morvane
