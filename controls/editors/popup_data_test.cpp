#include "controls/editors/popup_data.h"

#include <gtest/gtest.h>

#include <QTest>

#include "controls/editors/editor_test_support.h"
#include "platform/db/data_source.h"
#include "platform/ui/monotonic_clock.h"

namespace morvane {
namespace {

using testing::TypeText;
using testing::VisibleIds;
using Ids = std::vector<int>;

class PopupDataTest : public ::testing::Test {
 protected:
  PopupDataTest() : units_(testing::UnitsBuffer()) {
    units_.Open();
    source_.SetDataSet(&units_);
    list_ = std::make_unique<TzelPopupData>();
    list_->SetListSource(&source_);
    list_->SetKeyField("ID");
    list_->SetListField("NAME;CODE");
    list_->SetKindSearch(zksFilter);
    list_->OnSearchEmptied = [this] { ++emptied_; };
  }

  int CurrentId() { return units_.FieldByName("ID")->AsInteger(); }

  ManualClock clock_;
  testing::MemoryDataset units_;
  TDataSource source_;
  std::unique_ptr<TzelPopupData> list_;
  int emptied_ = 0;
};

TEST_F(PopupDataTest, FilterMatchesASubstringInAnyCaseAndBackspaceShowsAllAgain) {
  list_->SetFilter();
  TypeText(list_.get(), "шт");
  EXPECT_EQ(VisibleIds(units_), (Ids{1, 2, 5}));
  EXPECT_EQ(list_->KeyValue(), Variant(int32_t(1)));  // the first match is chosen
  TypeText(list_.get(), "АН");
  EXPECT_EQ(VisibleIds(units_), (Ids{5}));
  for (int press = 0; press < 4; ++press) QTest::keyClick(list_.get(), Qt::Key_Backspace);
  EXPECT_EQ(list_->SearchText(), "");
  EXPECT_EQ(VisibleIds(units_), (Ids{1, 2, 3, 4, 5, 6}));
  EXPECT_TRUE(list_->KeyValue().IsNull());
  EXPECT_FALSE(units_.Filtered());
}

TEST_F(PopupDataTest, TheOwnersFilterSurvivesTypingAndTheEmptiedSearch) {
  units_.OnFilterRecord = [](TDataSet* dataSet, bool& accept) {
    accept = dataSet->FieldByName("ID")->AsInteger() != 2;
  };
  units_.SetFiltered(true);
  list_->SetFilter();
  TypeText(list_.get(), "шт");
  EXPECT_EQ(VisibleIds(units_), (Ids{1, 5}));
  QTest::keyClick(list_.get(), Qt::Key_Backspace);
  QTest::keyClick(list_.get(), Qt::Key_Backspace);
  EXPECT_TRUE(units_.Filtered());
  EXPECT_EQ(VisibleIds(units_), (Ids{1, 3, 4, 5, 6}));
  list_->ResetFilter();
  EXPECT_FALSE(list_->FilterHookInstalled());
  EXPECT_TRUE(units_.Filtered());
  EXPECT_EQ(VisibleIds(units_), (Ids{1, 3, 4, 5, 6}));
}

TEST_F(PopupDataTest, AnOwnHandlerThatIsOffStaysOffWhileTyping) {
  int ownCalls = 0;
  units_.OnFilterRecord = [&](TDataSet*, bool& accept) {
    ++ownCalls;
    accept = false;
  };
  list_->SetFilter();
  TypeText(list_.get(), "р");
  EXPECT_EQ(VisibleIds(units_), (Ids{3, 4, 6}));
  EXPECT_EQ(ownCalls, 0);
  list_->ResetFilter();
  EXPECT_FALSE(units_.Filtered());
  bool accept = true;
  units_.OnFilterRecord(&units_, accept);
  EXPECT_EQ(ownCalls, 1);  // the own handler is back
}

TEST_F(PopupDataTest, APauseStartsANewSearchAndEmptiesTheOwnersText) {
  list_->SetFilter();
  TypeText(list_.get(), "ш");
  EXPECT_EQ(emptied_, 1);  // the first character always follows a pause
  clock_.Advance(5001);
  TypeText(list_.get(), "ли");
  EXPECT_EQ(list_->SearchText(), "ли");
  EXPECT_EQ(emptied_, 2);
  EXPECT_EQ(VisibleIds(units_), (Ids{6}));
}

TEST_F(PopupDataTest, TheSearchTextKeepsThirtyTwoCharacters) {
  list_->SetFilter();
  TypeText(list_.get(), QString(33, QChar(u'щ')));
  EXPECT_EQ(list_->SearchText().size(), 64u);  // 32 two-byte letters
  EXPECT_TRUE(VisibleIds(units_).empty());
  EXPECT_TRUE(list_->KeyValue().IsNull());  // nothing left to choose
}

TEST_F(PopupDataTest, FindFirstPositionsOnThePrefixAndDropsACharacterThatFindsNothing) {
  list_->SetKindSearch(zksFindFirst);
  list_->SetFilter();
  EXPECT_FALSE(list_->FilterHookInstalled());
  TypeText(list_.get(), "ки");
  EXPECT_EQ(CurrentId(), 4);
  EXPECT_EQ(list_->KeyValue(), Variant(int32_t(4)));
  TypeText(list_.get(), "z");
  EXPECT_EQ(list_->SearchText(), "ки");
  clock_.Advance(2001);
  TypeText(list_.get(), "Л");
  EXPECT_EQ(CurrentId(), 6);
  EXPECT_EQ(list_->SearchText(), "Л");
}

TEST_F(PopupDataTest, ArrowKeysAndAClickChooseRows) {
  list_->resize(200, list_->height());
  list_->show();
  list_->SetKeyValue(Variant(int32_t(3)));
  units_.Locate("ID", Variant(int32_t(3)), {});
  EXPECT_EQ(list_->SelectedItem(), "метр");
  QTest::keyClick(list_.get(), Qt::Key_Down);
  EXPECT_EQ(list_->KeyValue(), Variant(int32_t(4)));
  QTest::keyClick(list_.get(), Qt::Key_Home);
  EXPECT_EQ(list_->KeyValue(), Variant(int32_t(1)));
  const int row = 1;  // the second row shown
  QTest::mouseClick(list_.get(), Qt::LeftButton, {},
                    QPoint(20, 1 + row * list_->RowHeight() + list_->RowHeight() / 2));
  EXPECT_EQ(list_->KeyValue(), Variant(int32_t(2)));
}

TEST_F(PopupDataTest, ResetFilterRestoresTheHandlerOfAClosedDataset) {
  int ownCalls = 0;
  units_.OnFilterRecord = [&](TDataSet*, bool& accept) {
    ++ownCalls;
    accept = true;
  };
  list_->SetFilter();
  TypeText(list_.get(), "м");
  units_.Close();  // the link goes inactive with the hook in place
  list_->ResetFilter();
  units_.Open();
  units_.SetFiltered(true);
  EXPECT_GT(ownCalls, 0);
  EXPECT_EQ(VisibleIds(units_).size(), 6u);
}

TEST_F(PopupDataTest, DestroyingTheListGivesTheDatasetItsHandlerBack) {
  int ownCalls = 0;
  units_.OnFilterRecord = [&](TDataSet*, bool& accept) {
    ++ownCalls;
    accept = true;
  };
  list_->SetFilter();
  TypeText(list_.get(), "м");
  list_.reset();
  units_.SetFiltered(true);  // would call into the destroyed list without the reset
  EXPECT_GT(ownCalls, 0);
}

TEST(PopupDataLifetimeTest, DestroyingTheDatasetFirstLeavesTheListClean) {
  auto units = std::make_unique<testing::MemoryDataset>(testing::UnitsBuffer());
  units->Open();
  TDataSource source;
  source.SetDataSet(units.get());
  TzelPopupData list;
  list.SetListSource(&source);
  list.SetKeyField("ID");
  list.SetListField("NAME");
  list.SetKindSearch(zksFilter);
  list.SetFilter();
  ASSERT_TRUE(list.FilterHookInstalled());
  units.reset();
  EXPECT_FALSE(list.FilterHookInstalled());
  list.ResetFilter();
}

TEST_F(PopupDataTest, SetFilterWithAnUnknownListFieldRaisesAndInstallsNothing) {
  list_->SetListField("NOSUCH");
  EXPECT_ANY_THROW(list_->SetFilter());
  EXPECT_FALSE(list_->FilterHookInstalled());
}

}  // namespace
}  // namespace morvane
