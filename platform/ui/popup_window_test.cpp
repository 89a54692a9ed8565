#include "platform/ui/popup_window.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QTest>

namespace morvane {
namespace {

TEST(DropDownPositionTest, OpensBelowAboveOrShiftedWithinTheAvailableArea) {
  struct Case {
    const char* what;
    QRect editor;
    QSize list;
    QRect available;
    QPoint expected;
  };
  const QRect screen(0, 0, 400, 300);
  const QRect withPanel(0, 30, 400, 270);  // a task bar along the top
  const std::vector<Case> cases = {
      {"room below", {10, 10, 80, 20}, {100, 50}, screen, {10, 30}},
      {"too low: above the cell", {10, 260, 80, 20}, {100, 50}, screen, {10, 210}},
      {"right edge: shifted left", {350, 10, 80, 20}, {100, 50}, screen, {300, 30}},
      {"both", {350, 260, 80, 20}, {100, 50}, screen, {300, 210}},
      {"taller than the room above: clamped to the top", {10, 100, 80, 20}, {100, 250}, screen,
       {10, 0}},
      {"never above a top task bar", {10, 60, 80, 20}, {100, 240}, withPanel, {10, 30}},
      {"second screen", {1010, 10, 80, 20}, {100, 50}, QRect(1000, 0, 150, 300), {1010, 30}},
      {"second screen, right edge", {1100, 10, 40, 20}, {100, 50}, QRect(1000, 0, 150, 300),
       {1050, 30}},
  };
  for (const Case& test : cases) {
    EXPECT_EQ(DropDownPosition(test.editor, test.list, test.available), test.expected) << test.what;
  }
}

TEST(PopupWindowTest, APopupNeverTakesTheFocus) {
  QLineEdit editor;
  editor.show();
  editor.setFocus();
  QApplication::setActiveWindow(&editor);
  auto* list = new QListWidget(&editor);
  list->addItems({"a", "b"});
  MakePopupWindow(list);
  ShowPopupAt(list, editor.mapToGlobal(QPoint(0, editor.height())));
  EXPECT_TRUE(list->isWindow());
  EXPECT_TRUE(list->isVisible());
  EXPECT_TRUE(list->windowFlags() & Qt::WindowDoesNotAcceptFocus);
  EXPECT_EQ(list->focusPolicy(), Qt::NoFocus);
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, QPoint(5, 5));
  EXPECT_TRUE(editor.hasFocus());
}

class PopupCloserTest : public ::testing::Test {
 protected:
  PopupCloserTest() : closer_(&editor_, [this] { ++cancels_; }) {
    host_.resize(300, 200);
    editor_.setParent(&host_);
    host_.show();
    popup_ = new QListWidget(&editor_);
    MakePopupWindow(popup_);
    ShowPopupAt(popup_, QPoint(0, 0));
    closer_.Watch(popup_);
  }

  QWidget host_;
  QLineEdit editor_;
  QListWidget* popup_ = nullptr;
  int cancels_ = 0;
  TPopupCloser closer_;
};

TEST_F(PopupCloserTest, PressesOnTheEditorOrThePopupDoNotClose) {
  QTest::mousePress(&editor_, Qt::LeftButton, {}, QPoint(3, 3));
  QTest::mousePress(popup_->viewport(), Qt::LeftButton, {}, QPoint(3, 3));
  EXPECT_EQ(cancels_, 0);
}

TEST_F(PopupCloserTest, APressOutsideOrDeactivationCloses) {
  QTest::mousePress(&host_, Qt::LeftButton, {}, QPoint(250, 150));
  EXPECT_EQ(cancels_, 1);
  QEvent deactivate(QEvent::ApplicationDeactivate);
  QApplication::sendEvent(qApp, &deactivate);
  EXPECT_EQ(cancels_, 2);
  closer_.Stop();
  QTest::mousePress(&host_, Qt::LeftButton, {}, QPoint(250, 150));
  EXPECT_EQ(cancels_, 2);
}

}  // namespace
}  // namespace morvane
