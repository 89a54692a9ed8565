#include "platform/ui/confirm.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include "platform/ui/application.h"

namespace morvane {
namespace {

// Answers the real box from inside its own loop: the box blocks in exec().
void AnswerNextBox(std::function<void(QMessageBox*)> answer) {
  QTimer::singleShot(0, [answer] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    ASSERT_NE(box, nullptr);
    answer(box);
  });
}

TEST(ConfirmTest, RealBoxIsCaptionedWithTheTitleAndAnswersOkOrCancel) {
  Application().SetTitle("Morvane");
  QString title, text;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  QMessageBox::StandardButtons buttons;
  AnswerNextBox([&](QMessageBox* box) {
    title = box->windowTitle();
    text = box->text();
    icon = box->icon();
    buttons = box->standardButtons();
    box->button(QMessageBox::Ok)->click();
  });
  EXPECT_TRUE(ConfirmOkCancel("Удалить запись?"));
  EXPECT_EQ(title, "Morvane");
  EXPECT_EQ(text, "Удалить запись?");
  EXPECT_EQ(icon, QMessageBox::Question);
  EXPECT_EQ(buttons, QMessageBox::Ok | QMessageBox::Cancel);

  AnswerNextBox([](QMessageBox* box) { box->button(QMessageBox::Cancel)->click(); });
  EXPECT_FALSE(ConfirmOkCancel("Удалить выбранные записи?"));
}

TEST(ConfirmTest, EscapeIsCancel) {
  AnswerNextBox([](QMessageBox* box) {
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(box, &escape);
  });
  EXPECT_FALSE(ConfirmOkCancel("Удалить запись?"));
}

TEST(ConfirmTest, HookAnswersInsteadOfTheBoxUntilRemoved) {
  Application().SetTitle("Morvane");
  std::string caption, text;
  TConfirmHook previous =
      SetConfirmHook([&](const std::string& shownCaption, const std::string& shownText) {
        caption = shownCaption;
        text = shownText;
        return false;
      });
  EXPECT_FALSE(ConfirmOkCancel("Удалить запись?"));
  EXPECT_EQ(caption, "Morvane");
  EXPECT_EQ(text, "Удалить запись?");
  SetConfirmHook([](const std::string&, const std::string&) { return true; });
  EXPECT_TRUE(ConfirmOkCancel("Удалить запись?"));
  SetConfirmHook(std::move(previous));
}

}  // namespace
}  // namespace morvane
