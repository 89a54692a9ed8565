#include <gtest/gtest.h>

#include <QApplication>
#include <QFontMetrics>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include "platform/rtl/exceptions.h"
#include "platform/ui/application.h"
#include "platform/ui/cursor.h"
#include "platform/ui/layout.h"
#include "platform/ui/message_box.h"
#include "platform/ui/popup_menu.h"

namespace morvane {
namespace {

struct Shown {
  std::string caption, text;
};

class MessageRecorder {
 public:
  MessageRecorder() {
    previous_ = SetMessageBoxHook([this](const std::string& caption, const std::string& text) {
      shown.push_back({caption, text});
    });
  }
  ~MessageRecorder() { SetMessageBoxHook(std::move(previous_)); }
  std::vector<Shown> shown;

 private:
  TMessageBoxHook previous_;
};

TEST(ApplicationTest, MessagesAndExceptionsAreCaptionedWithTheTitle) {
  Application().SetTitle("Morvane");
  MessageRecorder recorder;
  MessageBoxStop("Текст");
  EXPECT_FALSE(Guarded([] { throw EDatabaseError("Не найден файл netbrgt.dll"); }));
  EXPECT_TRUE(Guarded([] {}));
  ASSERT_EQ(recorder.shown.size(), 2u);
  EXPECT_EQ(recorder.shown[0].caption, "Morvane");
  EXPECT_EQ(recorder.shown[0].text, "Текст");
  EXPECT_EQ(recorder.shown[1].caption, "Morvane");
  EXPECT_EQ(recorder.shown[1].text, "Не найден файл netbrgt.dll");
}

TEST(MessageBoxTest, RealBoxIsModalWithTitleStopIconAndOneOk) {
  Application().SetTitle("Morvane");
  QString title, text;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  QMessageBox::StandardButtons buttons;
  // The box blocks in its own loop; look at it from there and press OK.
  QTimer::singleShot(0, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    ASSERT_NE(box, nullptr);
    title = box->windowTitle();
    text = box->text();
    icon = box->icon();
    buttons = box->standardButtons();
    box->button(QMessageBox::Ok)->click();
  });
  MessageBoxStop("Невозможно соединиться с сервером. Работа прекращена.");
  EXPECT_EQ(title, "Morvane");
  EXPECT_EQ(text, "Невозможно соединиться с сервером. Работа прекращена.");
  EXPECT_EQ(icon, QMessageBox::Critical);
  EXPECT_EQ(buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
}

TEST(ApplicationTest, AbortEndsAnActionSilently) {
  MessageRecorder recorder;
  EXPECT_FALSE(Guarded([] { throw EAbort(); }));
  EXPECT_FALSE(Guarded([] { throw 42; }));
  ASSERT_EQ(recorder.shown.size(), 1u);  // only the unknown error
}

TEST(CursorTest, SqlWaitHookOverridesAndRestoresTheCursor) {
  auto hook = SqlWaitCursorHook();
  hook(true);
  EXPECT_EQ(ScreenCursor(), TCursor::crSQLWait);
  ASSERT_NE(QApplication::overrideCursor(), nullptr);
  EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::BusyCursor);
  SetScreenCursor(TCursor::crHourGlass);  // replaces, never stacks
  hook(false);
  EXPECT_EQ(ScreenCursor(), TCursor::crDefault);
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST(LayoutTest, FitFontShrinksACaptionUntilItFits) {
  QWidget parent;
  QLabel label("Не изменяйте текущие значения, если Вы не знакомы со структурой БД", &parent);
  label.setFont(DesignFont());
  Place(&label, 10, 10, 360, 16);
  EXPECT_EQ(label.geometry(), QRect(10, 10, 360, 16));
  EXPECT_TRUE(FitFont(&label));
  EXPECT_LE(QFontMetrics(label.font()).horizontalAdvance(label.text()), 360);

  QPushButton button("Загрузить", &parent);
  button.setFont(DesignFont());
  Place(&button, 0, 0, 2, 25);  // no font is small enough
  EXPECT_FALSE(FitFont(&button));
  EXPECT_EQ(button.font().pixelSize(), kMinFontPixels);
}

TEST(LayoutTest, FitFontNarrowsACaptionSlightlyBeforeItShrinksIt) {
  QWidget parent;
  QLabel label("Таблица источник замены", &parent);
  label.setFont(DesignFont());
  const int designWidth = QFontMetrics(label.font()).horizontalAdvance(label.text());
  Place(&label, 0, 0, designWidth - 1, 17);
  EXPECT_TRUE(FitFont(&label));
  EXPECT_EQ(label.font().stretch(), int(QFont::SemiCondensed));
  EXPECT_EQ(label.font().pixelSize(), kDesignFontPixels);
}

TEST(PopupMenuTest, PopupReturnsAtOnceWithTheMenuShownAtThePoint) {
  QMenu menu;
  menu.addAction("Goods.Unit");
  PopupAt(&menu, 40, 50);
  EXPECT_TRUE(menu.isVisible());
  EXPECT_EQ(menu.pos(), QPoint(40, 50));
  menu.hide();
}

}  // namespace
}  // namespace morvane
