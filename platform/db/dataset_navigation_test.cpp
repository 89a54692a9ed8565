#include <gtest/gtest.h>

#include "platform/db/testing/memory_dataset.h"
#include "platform/db/testing/sample_data.h"
#include "platform/rtl/exceptions.h"

namespace morvane {
namespace {

using testing::AllIds;
using testing::FillNumbered;
using testing::TMemoryDataSet;

TEST(DataSetNavigation, EmptyDataSetIsAtBothEnds) {
  TMemoryDataSet dataSet;
  FillNumbered(dataSet, 0);
  EXPECT_TRUE(dataSet.IsEmpty());
  EXPECT_TRUE(dataSet.Bof());
  EXPECT_TRUE(dataSet.Eof());
  EXPECT_EQ(dataSet.RecordCount(), 0);
  dataSet.First();
  EXPECT_TRUE(dataSet.Bof() && dataSet.Eof());
  dataSet.Last();
  EXPECT_TRUE(dataSet.Bof() && dataSet.Eof());
  EXPECT_EQ(dataSet.MoveBy(3), 0);
  EXPECT_TRUE(dataSet.FieldByName("ID")->IsNull());
  EXPECT_EQ(dataSet.FieldByName("NAME")->AsString(), "");
  EXPECT_TRUE(dataSet.GetBookmark().empty());
}

TEST(DataSetNavigation, WalksForwardAndBackwardWithBofAndEof) {
  TMemoryDataSet dataSet;
  FillNumbered(dataSet, 3);
  EXPECT_TRUE(dataSet.Bof());
  EXPECT_FALSE(dataSet.Eof());
  EXPECT_EQ(dataSet.FieldByName("ID")->AsInteger(), 1);
  dataSet.Next();
  EXPECT_FALSE(dataSet.Bof());
  dataSet.Next();
  EXPECT_EQ(dataSet.FieldByName("NAME")->AsString(), "row 3");
  EXPECT_FALSE(dataSet.Eof());
  dataSet.Next();  // past the last record: stays on it, Eof set
  EXPECT_TRUE(dataSet.Eof());
  EXPECT_EQ(dataSet.FieldByName("ID")->AsInteger(), 3);
  dataSet.Prior();
  EXPECT_FALSE(dataSet.Eof());
  EXPECT_EQ(dataSet.FieldByName("ID")->AsInteger(), 2);
  dataSet.Last();
  EXPECT_TRUE(dataSet.Eof());
  EXPECT_EQ(dataSet.RecNo(), 3);
  EXPECT_EQ(dataSet.MoveBy(-10), -2);
  EXPECT_TRUE(dataSet.Bof());
  EXPECT_EQ(dataSet.RecNo(), 1);
  EXPECT_EQ(AllIds(dataSet), (std::vector<int>{1, 2, 3}));
}

TEST(DataSetNavigation, RecNoIsClampedToTheRecords) {
  TMemoryDataSet dataSet;
  FillNumbered(dataSet, 10);
  struct Case {
    int wanted;
    int reached;
  };
  for (Case c : {Case{5, 5}, Case{0, 1}, Case{11, 10}, Case{-3, 1}, Case{10, 10}}) {
    dataSet.SetRecNo(c.wanted);
    EXPECT_EQ(dataSet.RecNo(), c.reached) << "RecNo := " << c.wanted;
    EXPECT_EQ(dataSet.FieldByName("ID")->AsInteger(), c.reached);
  }
}

TEST(DataSetNavigation, ScrollEventsSurroundEveryMove) {
  TMemoryDataSet dataSet;
  FillNumbered(dataSet, 3);
  std::vector<std::string> log;
  dataSet.BeforeScroll = [&](TDataSet*) { log.push_back("before"); };
  dataSet.AfterScroll = [&](TDataSet* ds) {
    log.push_back("after " + ds->FieldByName("ID")->AsString());
  };
  dataSet.Next();
  dataSet.Last();
  dataSet.First();
  EXPECT_EQ(log, (std::vector<std::string>{"before", "after 2", "before", "after 3", "before",
                                           "after 1"}));
}

TEST(DataSetNavigation, ClosedDataSetRefusesNavigation) {
  TMemoryDataSet dataSet;
  dataSet.SetName("Table1");
  dataSet.FieldDefs().Add("ID", ftInteger);
  try {
    dataSet.First();
    FAIL() << "First on a closed dataset must raise";
  } catch (const EDatabaseError& error) {
    EXPECT_STREQ(error.what(), "Table1: Cannot perform this operation on a closed dataset");
  }
  EXPECT_THROW(dataSet.Edit(), EDatabaseError);
}

TEST(DataSetNavigation, FieldByNameNamesTheDataSetAndTheField) {
  TMemoryDataSet dataSet;
  dataSet.SetName("Goods");
  FillNumbered(dataSet, 1);
  EXPECT_EQ(dataSet.FieldByName("name"), dataSet.FindField("NAME"));
  EXPECT_EQ(dataSet.FindField("missing"), nullptr);
  try {
    dataSet.FieldByName("missing");
    FAIL();
  } catch (const EDatabaseError& error) {
    EXPECT_STREQ(error.what(), "Goods: Field 'missing' not found");
  }
  EXPECT_EQ(dataSet.FieldByNumber(2)->FieldName(), "NAME");
  EXPECT_EQ(dataSet.FieldByNumber(3), nullptr);
  std::vector<TField*> list = dataSet.GetFieldList("name; ID");
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list[0]->FieldName(), "NAME");
  EXPECT_EQ(list[1]->FieldName(), "ID");
  EXPECT_THROW(dataSet.GetFieldList("ID;nope"), EDatabaseError);
  Variant both = dataSet.GetFieldValue("ID;NAME");
  ASSERT_TRUE(both.IsArray());
  EXPECT_EQ(both.AsArray()[0].AsInteger(), 1);
  EXPECT_EQ(both.AsArray()[1].AsString(), "row 1");
}

TEST(DataSetNavigation, DefaultFieldsComeAndGoWithOpenAndClose) {
  TMemoryDataSet dataSet;
  FillNumbered(dataSet, 2);
  EXPECT_TRUE(dataSet.DefaultFields());
  EXPECT_EQ(dataSet.FieldCount(), 2);
  dataSet.Close();
  EXPECT_EQ(dataSet.FieldCount(), 0);
  dataSet.Open();
  EXPECT_EQ(dataSet.FieldCount(), 2);
  EXPECT_EQ(dataSet.RecordCount(), 2);
}

TEST(DataSetNavigation, FilterHidesRecordsUntilSwitchedOff) {
  TMemoryDataSet dataSet;
  FillNumbered(dataSet, 6);
  dataSet.OnFilterRecord = [](TDataSet* ds, bool& accept) {
    accept = ds->FieldByName("ID")->AsInteger() % 2 == 0;
  };
  dataSet.SetFiltered(true);
  EXPECT_EQ(AllIds(dataSet), (std::vector<int>{2, 4, 6}));
  EXPECT_EQ(dataSet.RecordCount(), 3);
  dataSet.OnFilterRecord = [](TDataSet*, bool& accept) { accept = false; };
  dataSet.First();
  EXPECT_TRUE(dataSet.IsEmpty());
  dataSet.SetFiltered(false);
  EXPECT_EQ(dataSet.RecordCount(), 6);
}

TEST(DataSetNavigation, LocateMovesAndLookupDoesNot) {
  TMemoryDataSet dataSet;
  FillNumbered(dataSet, 5);
  EXPECT_TRUE(dataSet.Locate("NAME", Variant("ROW 4"), {loCaseInsensitive}));
  EXPECT_EQ(dataSet.RecNo(), 4);
  EXPECT_FALSE(dataSet.Locate("NAME", Variant("ROW 2"), {}));
  EXPECT_EQ(dataSet.RecNo(), 4);
  EXPECT_TRUE(dataSet.Locate("NAME", Variant("row"), {loPartialKey}));
  EXPECT_EQ(dataSet.RecNo(), 1);
  EXPECT_EQ(dataSet.Lookup("ID", Variant(int32_t(3)), "NAME").AsString(), "row 3");
  EXPECT_TRUE(dataSet.Lookup("ID", Variant(int32_t(99)), "NAME").IsNull());
  EXPECT_EQ(dataSet.RecNo(), 1);
}

}  // namespace
}  // namespace morvane

namespace morvane {
namespace {

// Fails to open after making its fields, the first time only.
class FailingOnce : public testing::TMemoryDataSet {
 public:
  bool fail = true;

 protected:
  void InternalOpen() override {
    if (DefaultFields()) CreateFields();
    if (fail) {
      fail = false;
      DatabaseError("cannot open");
    }
    DestroyFields();
    TMemoryDataSet::InternalOpen();
  }
};

TEST(DataSetNavigation, FailedOpenLeavesTheDataSetClosedWithoutFields) {
  FailingOnce dataSet;
  dataSet.FieldDefs().Add("ID", ftInteger);
  EXPECT_THROW(dataSet.Open(), EDatabaseError);
  EXPECT_FALSE(dataSet.Active());
  EXPECT_EQ(dataSet.FieldCount(), 0);
  dataSet.Open();
  EXPECT_TRUE(dataSet.Active());
  EXPECT_TRUE(dataSet.DefaultFields());
  EXPECT_EQ(dataSet.FieldCount(), 1);
}

}  // namespace
}  // namespace morvane
