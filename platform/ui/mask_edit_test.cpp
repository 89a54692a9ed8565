#include "platform/ui/mask_edit.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QInputMethodEvent>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

namespace morvane {
namespace {

class GatedEdit : public TCustomMaskEdit {
 public:
  bool allow = false;
  int asked = 0;
  bool EditCanModify() override {
    ++asked;
    return allow;
  }
};

// Opens the edit's context menu and triggers the action with that name.
void TriggerContextAction(QLineEdit* edit, const QString& actionName) {
  QTimer::singleShot(0, [actionName] {
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    if (menu == nullptr) return;
    for (QAction* action : menu->actions()) {
      if (action->objectName() == actionName) action->trigger();
    }
    menu->close();
  });
  QContextMenuEvent event(QContextMenuEvent::Keyboard, QPoint(4, 4), edit->mapToGlobal(QPoint(4, 4)));
  QApplication::sendEvent(edit, &event);
}

class MaskEditTest : public ::testing::Test {
 protected:
  MaskEditTest() {
    edit_.SetEditText("abc");
    edit_.SetResetText("abc");
    edit_.show();
    QApplication::clipboard()->setText("PASTED");
  }
  GatedEdit edit_;
};

TEST_F(MaskEditTest, AClosedGateStopsEveryPathThatChangesTheText) {
  edit_.selectAll();
  QTest::keyClicks(&edit_, "x");
  QTest::keyClick(&edit_, Qt::Key_Backspace);
  QTest::keyClick(&edit_, Qt::Key_Delete);
  QTest::keyClick(&edit_, Qt::Key_V, Qt::ControlModifier);
  QTest::keyClick(&edit_, Qt::Key_X, Qt::ControlModifier);
  QTest::keyClick(&edit_, Qt::Key_Z, Qt::ControlModifier);
  QTest::keyClick(&edit_, Qt::Key_Insert, Qt::ShiftModifier);
  QInputMethodEvent composition;
  composition.setCommitString("ы");
  QApplication::sendEvent(&edit_, &composition);
  EXPECT_EQ(edit_.asked, 8);
  for (const char* action : {"edit-paste", "edit-cut", "edit-delete"}) {
    edit_.selectAll();
    TriggerContextAction(&edit_, action);
  }
  EXPECT_EQ(edit_.asked, 11);
  EXPECT_EQ(edit_.Text(), "abc");
}

TEST_F(MaskEditTest, AnOpenGateLetsTypingPastingAndTheMenuThrough) {
  edit_.allow = true;
  edit_.end(false);
  QTest::keyClicks(&edit_, "d");
  EXPECT_EQ(edit_.Text(), "abcd");
  QTest::keyClick(&edit_, Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(edit_.Text(), "abcdPASTED");
  edit_.selectAll();
  TriggerContextAction(&edit_, "edit-delete");
  EXPECT_EQ(edit_.Text(), "");
}

TEST_F(MaskEditTest, MovingAndCopyingNeverAskTheGate) {
  QTest::keyClick(&edit_, Qt::Key_Home);
  QTest::keyClick(&edit_, Qt::Key_Right, Qt::ShiftModifier);
  QTest::keyClick(&edit_, Qt::Key_C, Qt::ControlModifier);
  QTest::keyClick(&edit_, Qt::Key_A, Qt::ControlModifier);
  EXPECT_EQ(edit_.asked, 0);
  EXPECT_EQ(QApplication::clipboard()->text(), "a");
}

TEST_F(MaskEditTest, MiddleClickAndDropsCannotBypassTheGate) {
  edit_.allow = true;
  QApplication::clipboard()->setText("SEL", QClipboard::Selection);
  QTest::mouseClick(&edit_, Qt::MiddleButton, {}, QPoint(4, 4));
  EXPECT_EQ(edit_.Text(), "abc");
  EXPECT_FALSE(edit_.acceptDrops());
  EXPECT_FALSE(edit_.dragEnabled());
}

TEST(MaskEditLimitTest, TheLimitCountsUtf8BytesAndNeverCutsACharacter) {
  struct Case {
    int limit;
    QString typed;
    std::string expected;
  };
  const std::vector<Case> cases = {
      {5, "абв", "аб"},        // the third letter would need bytes 5 and 6
      {6, "абв", "абв"},
      {4, "a€b", "a€"},        // a three-byte character fits exactly
      {3, "a€", "a"},          // and is dropped whole when it does not
      {0, "длинный", "длинный"},  // no limit
  };
  for (const Case& test : cases) {
    TCustomMaskEdit edit;
    edit.SetMaxLength(test.limit);
    edit.setFocus();
    for (QChar character : test.typed) {
      QTest::sendKeyEvent(QTest::Click, &edit, Qt::Key(0), QString(character), Qt::NoModifier);
    }
    EXPECT_EQ(edit.Text(), test.expected) << test.limit;
  }
}

TEST(MaskEditLimitTest, APasteKeepsWhatFitsAndTheTextAfterTheCursor) {
  TCustomMaskEdit edit;
  edit.SetMaxLength(6);
  edit.SetText("аб");
  edit.setCursorPosition(1);
  QApplication::clipboard()->setText("xyzw");
  QTest::keyClick(&edit, Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(edit.Text(), "аxyб");  // "zw" did not fit; the letter after the cursor stays
  edit.SetMaxLength(3);
  edit.SetText("длинный текст");  // the program's own text is shown whole
  EXPECT_EQ(edit.Text(), "длинный текст");
}

TEST(MaskEditTextTest, SetEditTextStoresOnlyAChangeAndResetPutsItBack) {
  TCustomMaskEdit edit;
  edit.SetEditText("one");
  edit.SetResetText("one");
  QSignalSpy changes(&edit, &QLineEdit::textChanged);
  edit.SetEditText("one");
  EXPECT_EQ(changes.count(), 0);
  edit.SetText("typed");
  edit.Reset();
  EXPECT_EQ(edit.Text(), "one");
  EXPECT_FALSE(edit.Modified());
}

}  // namespace
}  // namespace morvane
