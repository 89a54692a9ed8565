#include "controls/grid/bookmark_list.h"

#include <gtest/gtest.h>

#include "platform/db/testing/sample_data.h"
#include "platform/rtl/exceptions.h"

namespace morvane {
namespace {

using testing::AllIds;
using testing::FillNumbered;
using testing::TMemoryDataSet;

// Stands in for the grid: shows one dataset and counts what the list asks.
class FakeGrid : public TBookmarkListOwner {
 public:
  explicit FakeGrid(TDataSet* dataSet) : dataSet_(dataSet) {}
  TDataSet* BookmarkDataSet() const override { return dataSet_; }
  void BookmarksChanged(bool currentRowOnly) override {
    ++changes;
    if (currentRowOnly) ++rowRepaints;
  }
  int changes = 0;
  int rowRepaints = 0;

 private:
  TDataSet* dataSet_;
};

class BookmarkListTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FillNumbered(dataSet_, 6);
    list_.LinkActive(true);
  }
  void SelectIds(std::initializer_list<int> ids) {
    for (int id : ids) {
      ASSERT_TRUE(dataSet_.Locate("ID", Variant(int32_t(id)), {}));
      list_.SetCurrentRowSelected(true);
    }
  }
  std::vector<int> SelectedIds() {
    std::vector<int> ids;
    for (int index = 0; index < list_.Count(); ++index) {
      dataSet_.GotoBookmark(list_.Items(index));
      ids.push_back(dataSet_.FieldByName("ID")->AsInteger());
    }
    return ids;
  }

  TMemoryDataSet dataSet_;
  FakeGrid grid_{&dataSet_};
  TBookmarkList list_{&grid_};
};

TEST_F(BookmarkListTest, SelectionStaysSortedAndFindAnswersInsertionPoints) {
  SelectIds({5, 2, 4});
  EXPECT_EQ(SelectedIds(), (std::vector<int>{2, 4, 5}));
  EXPECT_EQ(grid_.rowRepaints, 3);

  dataSet_.Locate("ID", Variant(int32_t(3)), {});
  int index = -1;
  EXPECT_FALSE(list_.Find(list_.CurrentRow(), index));
  EXPECT_EQ(index, 1);  // between 2 and 4
  EXPECT_FALSE(list_.CurrentRowSelected());
  EXPECT_EQ(list_.IndexOf(list_.CurrentRow()), -1);

  dataSet_.Locate("ID", Variant(int32_t(4)), {});
  EXPECT_TRUE(list_.CurrentRowSelected());
  EXPECT_EQ(list_.IndexOf(list_.CurrentRow()), 1);
  EXPECT_LT(list_.Compare(list_.Items(0), list_.Items(1)), 0);
}

TEST_F(BookmarkListTest, ChangingTheListDropsTheCachedSearch) {
  dataSet_.Locate("ID", Variant(int32_t(3)), {});
  EXPECT_FALSE(list_.CurrentRowSelected());  // cached: not found at 0
  list_.SetCurrentRowSelected(true);
  EXPECT_TRUE(list_.CurrentRowSelected());
  list_.SetCurrentRowSelected(false);
  EXPECT_FALSE(list_.CurrentRowSelected());
  EXPECT_EQ(list_.Count(), 0);

  const int changes = grid_.changes;
  list_.SetCurrentRowSelected(false);  // already unselected: nothing happens
  EXPECT_EQ(grid_.changes, changes);
}

TEST_F(BookmarkListTest, ClearRepaintsOnlyWhenSomethingWasSelected) {
  list_.Clear();
  EXPECT_EQ(grid_.changes, 0);
  SelectIds({1, 6});
  list_.Clear();
  EXPECT_EQ(list_.Count(), 0);
  EXPECT_EQ(grid_.changes, 3);
  EXPECT_EQ(grid_.rowRepaints, 2);
  EXPECT_THROW(list_.Items(0), EListError);
}

TEST_F(BookmarkListTest, DeleteRemovesTheSelectedRecordsAndSkipsVanishedOnes) {
  SelectIds({2, 4, 5});
  // Record 4 goes behind the list's back; its bookmark no longer leads anywhere.
  dataSet_.Locate("ID", Variant(int32_t(4)), {});
  dataSet_.Delete();
  dataSet_.Locate("ID", Variant(int32_t(6)), {});

  list_.Delete();
  EXPECT_EQ(list_.Count(), 0);
  EXPECT_EQ(AllIds(dataSet_), (std::vector<int>{1, 3, 6}));
  EXPECT_FALSE(dataSet_.ControlsDisabled());
}

TEST_F(BookmarkListTest, DeleteThatRaisesReenablesControlsAndKeepsTheRest) {
  SelectIds({1, 3, 5});
  dataSet_.BeforeDelete = [](TDataSet* dataSet) {
    if (dataSet->FieldByName("ID")->AsInteger() == 3) throw EDatabaseError("locked");
  };
  EXPECT_THROW(list_.Delete(), EDatabaseError);
  EXPECT_FALSE(dataSet_.ControlsDisabled());
  EXPECT_EQ(AllIds(dataSet_), (std::vector<int>{1, 2, 3, 4, 6}));
  EXPECT_EQ(SelectedIds(), (std::vector<int>{1, 3}));  // 5 went, 3 failed, 1 not reached
}

TEST_F(BookmarkListTest, RefreshDropsBookmarksOfRecordsThatAreGone) {
  SelectIds({2, 3});
  EXPECT_FALSE(list_.Refresh());
  const int changes = grid_.changes;

  dataSet_.Locate("ID", Variant(int32_t(3)), {});
  dataSet_.Delete();
  EXPECT_TRUE(list_.Refresh());
  EXPECT_EQ(SelectedIds(), (std::vector<int>{2}));
  EXPECT_EQ(grid_.changes, changes + 1);
}

TEST_F(BookmarkListTest, CurrentRowNeedsAnActiveLinkAndLinkChangesClearTheList) {
  SelectIds({1, 2});
  list_.LinkActive(false);
  EXPECT_EQ(list_.Count(), 0);
  try {
    list_.CurrentRow();
    FAIL() << "CurrentRow on an inactive link must raise";
  } catch (const EDatabaseError& error) {
    EXPECT_STREQ(error.what(), "Cannot perform this operation on a closed dataset");
  }
  EXPECT_THROW(list_.SetCurrentRowSelected(true), EDatabaseError);
}

// Bookmarks ordered against the display, as record identities may be.
class ReverseBookmarkDataSet : public TMemoryDataSet {
 public:
  int CompareBookmarks(const TBookmark& left, const TBookmark& right) const override {
    return TMemoryDataSet::CompareBookmarks(right, left);
  }
};

TEST(BookmarkListOrderTest, ListFollowsTheDatasetsBookmarkOrderNotTheDisplay) {
  ReverseBookmarkDataSet dataSet;
  FillNumbered(dataSet, 5);
  FakeGrid grid(&dataSet);
  TBookmarkList list(&grid);
  list.LinkActive(true);
  for (dataSet.First(); dataSet.RecNo() <= 4; dataSet.Next()) list.SetCurrentRowSelected(true);

  std::vector<int> listed;
  for (int index = 0; index < list.Count(); ++index) {
    dataSet.GotoBookmark(list.Items(index));
    listed.push_back(dataSet.FieldByName("ID")->AsInteger());
    EXPECT_TRUE(list.CurrentRowSelected());
  }
  EXPECT_EQ(listed, (std::vector<int>{4, 3, 2, 1}));
  dataSet.Last();
  EXPECT_FALSE(list.CurrentRowSelected());

  list.Delete();
  EXPECT_EQ(AllIds(dataSet), (std::vector<int>{5}));
}

}  // namespace
}  // namespace morvane
