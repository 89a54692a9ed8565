#include <gtest/gtest.h>

#include "engine/test_buffer.h"
#include "engine/test_dataset.h"

namespace morvane {
namespace {

using namespace testing;

// (G, N) pairs; NAME tells the record.
std::vector<char> Groups() {
  return TestBuffer()
      .Layout({"T.G i", "T.N i", "T.NAME s40", "T.AMOUNT f"})
      .Record({Int(1), Int(1), Text("a"), Dbl(1.5)})
      .Record({Int(2), Int(2), Text("e"), Dbl(10)})
      .Record({Int(1), Int(2), Text("b"), Dbl(2)})
      .Record({Int(1), Int(3), Text("c"), Dbl(4)})
      .Record({Int(2), Int(1), Text("d"), Dbl(8)})
      .Record({Int(3), Int(1), Text("f"), Dbl(16)})
      .Bytes();
}

std::string Names(MemoryDataset& table) {
  std::string names;
  table.First();
  while (!table.Eof()) {
    names += table.FieldByName("NAME")->AsString();
    table.Next();
  }
  return names;
}

class RangeTest : public ::testing::Test {
 protected:
  RangeTest() : table_(Groups()) {}
  void SetUp() override {
    table_.Open();
    table_.SetIndexFieldNames("G;N");
    table_.SetRangeFieldNames("G;N");
  }
  MemoryDataset table_;
};

TEST_F(RangeTest, BoundsOverTwoFieldsAreLexicographicAndInclusive) {
  table_.SetRange({int32_t(1), int32_t(2)}, {int32_t(2), int32_t(1)});
  EXPECT_EQ(Names(table_), "bcd");  // (1,2) (1,3) (2,1), not a per-field box
  table_.SetRange(std::string_view("1\t2\t"), std::string_view("2\t1\t"));
  EXPECT_EQ(Names(table_), "bcd");
}

TEST_F(RangeTest, TheRangeUsesAsManyFieldsAsHighValues) {
  table_.SetRange({int32_t(1), int32_t(3)}, {int32_t(1)});
  EXPECT_EQ(Names(table_), "abc");
  table_.SetRange(std::string_view("2\t2\t"), std::string_view("2"));
  EXPECT_EQ(Names(table_), "de");
}

TEST_F(RangeTest, AnEmptyTabValueLeavesItsBoundEmpty) {
  // Low (empty, 2) = (0, 2); high (1, 2).
  table_.SetRange(std::string_view("\t2\t"), std::string_view("1\t2\t"));
  EXPECT_EQ(Names(table_), "ab");
}

TEST_F(RangeTest, SetRangeGoesToTheFirstRecordAndCancelRangeKeepsTheCurrentOne) {
  table_.SetRange(std::string_view("1"), std::string_view("1"));
  EXPECT_EQ(table_.RecNo(), 1);
  EXPECT_EQ(table_.RecordCount(), 3);
  table_.Next();
  table_.Next();
  ASSERT_EQ(table_.FieldByName("NAME")->AsString(), "c");
  table_.CancelRange();
  EXPECT_FALSE(table_.RangeActive());
  EXPECT_EQ(table_.RecordCount(), 6);
  EXPECT_EQ(table_.FieldByName("NAME")->AsString(), "c");
}

TEST_F(RangeTest, WithoutRangeFieldNamesSetRangeDoesNothing) {
  table_.SetRangeFieldNames("");
  table_.SetRange({int32_t(1)}, {int32_t(1)});
  EXPECT_FALSE(table_.RangeActive());
  EXPECT_EQ(table_.RecordCount(), 6);
}

TEST_F(RangeTest, FilterRejectingEverythingEmptiesTheViewAndBack) {
  table_.OnFilterRecord = [](TDataSet*, bool& accept) { accept = false; };
  table_.SetFiltered(true);
  EXPECT_EQ(table_.RecordCount(), 0);
  EXPECT_TRUE(table_.IsEmpty());
  table_.SetFiltered(false);
  EXPECT_EQ(table_.RecordCount(), 6);
  EXPECT_EQ(table_.RecNo(), 1);
}

TEST_F(RangeTest, FilterAndRangeTogether) {
  table_.OnFilterRecord = [](TDataSet* dataSet, bool& accept) {
    accept = dataSet->FieldByName("N")->AsInteger() != 2;
  };
  table_.SetFiltered(true);
  table_.SetRange(std::string_view("1"), std::string_view("2"));
  EXPECT_EQ(Names(table_), "acd");
}

TEST_F(RangeTest, GetSumAddsTheViewOnly) {
  EXPECT_DOUBLE_EQ(table_.GetSum("AMOUNT"), 41.5);
  table_.SetRange(std::string_view("1"), std::string_view("1"));
  EXPECT_DOUBLE_EQ(table_.GetSum("AMOUNT"), 7.5);
  EXPECT_DOUBLE_EQ(table_.GetSum("N"), 6);
  EXPECT_DOUBLE_EQ(table_.GetSum("NAME"), 0);
  EXPECT_DOUBLE_EQ(table_.GetSum("NOPE"), 0);
  table_.SetRange(std::string_view("9"), std::string_view("9"));
  EXPECT_DOUBLE_EQ(table_.GetSum("N"), 0);
  EXPECT_EQ(table_.State(), dsBrowse);
}

TEST_F(RangeTest, RangeSetWhileClosedAppliesAtOpen) {
  table_.Close();
  table_.SetRange(std::string_view("2"), std::string_view("3"));  // the cursor is kept
  table_.Open();
  // Closing cancelled the earlier range; this one was only recorded.
  EXPECT_EQ(Names(table_), "def");
}

TEST_F(RangeTest, BoundsOfAnotherLayoutAreNeverReadAsHeapTexts) {
  table_.Close();
  table_.SetRange(std::string_view("2"), std::string_view("3"));
  // Same record size, but a heap text now sits where the bounds hold G.
  table_.SetBuffer(TestBuffer()
                       .Layout({"T.NAME s40", "T.G i", "T.N i", "T.AMOUNT f"})
                       .Record({Text("x"), Int(2), Int(1), Dbl(1)})
                       .Bytes());
  table_.Open();
  EXPECT_EQ(Names(table_), "x");
}

TEST_F(RangeTest, RangeOnAHeapTextReleasesItsBoundsOnReload) {
  table_.SetRangeFieldNames("NAME");
  table_.SetRange(std::string_view("b"), std::string_view("d"));
  EXPECT_EQ(Names(table_), "bcd");
  table_.Refresh();  // reload: the bounds hold heap texts of the old layout
  EXPECT_EQ(Names(table_), "bcd");
}

}  // namespace
}  // namespace morvane
