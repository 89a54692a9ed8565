#include "controls/editors/listbox.h"

#include <gtest/gtest.h>

#include <QTest>

#include "controls/editors/editor_test_support.h"
#include "platform/ui/monotonic_clock.h"

namespace morvane {
namespace {

using testing::TypeText;

class ListboxTest : public ::testing::Test {
 protected:
  ListboxTest() {
    list_.SetItems({"Alpha", "abacus", "ABBEY", "beta", "Белый", "бег"});
    list_.OnSearchEmptied = [this] { ++emptied_; };
  }

  ManualClock clock_;
  TzelListbox list_;
  int emptied_ = 0;
};

TEST_F(ListboxTest, TypeAheadWithinThePauseExtendsTheSearch) {
  TypeText(&list_, "ab");
  EXPECT_EQ(list_.SearchText(), "ab");
  EXPECT_EQ(list_.ItemIndex(), 1);  // "abacus": the first item that begins with ab, any case
  clock_.Advance(4000);
  TypeText(&list_, "b");
  EXPECT_EQ(list_.ItemIndex(), 2);  // "ABBEY"
}

TEST_F(ListboxTest, APauseOfMoreThanFiveSecondsStartsANewSearch) {
  TypeText(&list_, "a");
  clock_.Advance(5001);
  TypeText(&list_, "b");
  EXPECT_EQ(list_.SearchText(), "b");
  EXPECT_EQ(list_.ItemIndex(), 3);  // "beta", searched from the top again
}

TEST_F(ListboxTest, CyrillicSearchIgnoresLetterCase) {
  TypeText(&list_, "БЕГ");
  EXPECT_EQ(list_.ItemIndex(), 5);
  EXPECT_EQ(list_.SearchText(), "БЕГ");
}

TEST_F(ListboxTest, TheThirtyThirdCharacterIsDropped) {
  const QString longItem = QString(40, 'x');
  list_.SetItems({"y", longItem.toStdString()});
  TypeText(&list_, QString(33, 'x'));
  EXPECT_EQ(list_.SearchText(), std::string(32, 'x'));
  EXPECT_EQ(list_.ItemIndex(), 1);
}

TEST_F(ListboxTest, OnlyBackspaceAndEscapeEmptyTheSearch) {
  TypeText(&list_, "be");
  QTest::keyClick(&list_, Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(list_.SearchText(), "be");
  EXPECT_EQ(emptied_, 0);
  QTest::keyClick(&list_, Qt::Key_Backspace);
  EXPECT_EQ(list_.SearchText(), "");
  EXPECT_EQ(emptied_, 1);
  TypeText(&list_, "b");
  QTest::keyClick(&list_, Qt::Key_Escape);
  EXPECT_EQ(list_.SearchText(), "");
  EXPECT_EQ(emptied_, 2);
}

TEST_F(ListboxTest, NavigationKeysMoveTheSelection) {
  list_.SetItemIndex(0);
  QTest::keyClick(&list_, Qt::Key_Down);
  EXPECT_EQ(list_.ItemIndex(), 1);
  QTest::keyClick(&list_, Qt::Key_End);
  EXPECT_EQ(list_.ItemIndex(), 5);
  QTest::keyClick(&list_, Qt::Key_Down);
  EXPECT_EQ(list_.ItemIndex(), 5);
  QTest::keyClick(&list_, Qt::Key_Home);
  EXPECT_EQ(list_.ItemIndex(), 0);
}

TEST_F(ListboxTest, AReleaseIsReportedWithItsPoint) {
  list_.resize(120, 6 * list_.ItemHeight() + TzelListbox::kFrameHeight);
  list_.show();
  Qt::MouseButton released = Qt::NoButton;
  list_.OnMouseUp = [&](Qt::MouseButton button, const QPoint&) { released = button; };
  const QRect second = list_.visualItemRect(list_.item(1));
  QTest::mouseClick(list_.viewport(), Qt::LeftButton, {}, second.center());
  EXPECT_EQ(released, Qt::LeftButton);
  EXPECT_EQ(list_.ItemIndex(), 1);
  EXPECT_FALSE(list_.hasFocus());
}

}  // namespace
}  // namespace morvane
