#include "server/group_by.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/rtl/exceptions.h"
#include "platform/rtl/format_settings.h"
#include "server/test_tables.h"

namespace morvane {
namespace {

using testing::FillTable;
using testing::Rows;
using Lines = std::vector<std::string>;

class GroupByTest : public ::testing::Test {
 protected:
  GroupByTest() { FormatSettings().DecimalSeparator = '.'; }

  FormatSettingsScope userSettings;
  testing::OfflineSession session;
  TzelTable source;
  TzelTable grouped;
};

TEST_F(GroupByTest, SumsEachGroupInGroupOrder) {
  FillTable(source, {{"A", ftString, 10}, {"S", ftInteger}, {"W", ftFloat}},
            {{"y", "2", "0.5"}, {"x", "1", "1.25"}, {"x", "3", "2"}});
  ASSERT_TRUE(GroupBy(grouped, &source, "A", "S;W"));
  EXPECT_EQ(Rows(grouped), (Lines{"x|4|3.25", "y|2|0.5"}));
  EXPECT_EQ(grouped.LoadMode(), lmClear);
}

TEST_F(GroupByTest, SeveralGroupFieldsSplitOnAnyOfThem) {
  FillTable(source, {{"A", ftString, 10}, {"B", ftInteger}, {"S", ftInteger}},
            {{"x", "1", "10"}, {"x", "2", "20"}, {"x", "1", "30"}, {"y", "1", "40"}});
  ASSERT_TRUE(GroupBy(grouped, &source, "A;B", "S"));
  EXPECT_EQ(Rows(grouped), (Lines{"x|1|40", "x|2|20", "y|1|40"}));
}

TEST_F(GroupByTest, GroupsDifferingOnlyInCaseStayWholeUnderCaseInsensitiveSorting) {
  FillTable(source, {{"A", ftString, 10}, {"S", ftInteger}},
            {{"x", "1"}, {"X", "2"}, {"x", "4"}, {"X", "8"}});
  source.SetSortOptions({zsoCaseInsensitive});
  ASSERT_TRUE(GroupBy(grouped, &source, "A", "S"));
  EXPECT_EQ(Rows(grouped), (Lines{"X|10", "x|5"}));
  EXPECT_TRUE(source.SortOptions().Contains(zsoCaseInsensitive));
}

TEST_F(GroupByTest, LeavesTheSourceOrderedAndPlacedAsBefore) {
  FillTable(source, {{"A", ftString, 10}, {"S", ftInteger}}, {{"b", "1"}, {"a", "2"}, {"c", "3"}});
  source.SetIndexFieldNames("S");
  source.SetSortOptions({zsoDescendSort});
  source.SetRecNo(2);
  ASSERT_TRUE(GroupBy(grouped, &source, "A", "S"));
  EXPECT_EQ(source.IndexFieldNames(), "S");
  EXPECT_TRUE(source.SortOptions().Contains(zsoDescendSort));
  EXPECT_EQ(source.RecNo(), 2);
  EXPECT_EQ(source.FieldByName("A")->AsString(), "a");
  EXPECT_FALSE(source.ControlsDisabled());
}

TEST_F(GroupByTest, RefusesAnOpenTableOrAClosedSource) {
  FillTable(source, {{"A", ftString, 10}, {"S", ftInteger}}, {{"x", "1"}});
  FillTable(grouped, {{"Other", ftInteger}}, {{"5"}});
  EXPECT_FALSE(GroupBy(grouped, &source, "A", "S"));
  EXPECT_EQ(Rows(grouped), (Lines{"5"}));
  grouped.Close();
  source.Close();
  EXPECT_FALSE(GroupBy(grouped, &source, "A", "S"));
  EXPECT_FALSE(grouped.Active());
}

TEST_F(GroupByTest, UnknownFieldRaisesBeforeAnythingChanges) {
  FillTable(source, {{"A", ftString, 10}, {"S", ftInteger}}, {{"x", "1"}});
  EXPECT_THROW(GroupBy(grouped, &source, "A", "Missing"), EDatabaseError);
  EXPECT_FALSE(grouped.Active());
  EXPECT_EQ(grouped.FieldDefs().Count(), 0);
  EXPECT_FALSE(source.ControlsDisabled());
}

}  // namespace
}  // namespace morvane
