#include <gtest/gtest.h>

#include "engine/test_buffer.h"
#include "engine/test_dataset.h"
#include "engine/zelconst.h"
#include "platform/db/data_source.h"
#include "platform/db/testing/memory_dataset.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/testing/error_of.h"

namespace morvane {
namespace {

using namespace testing;

class MasterDetailTest : public ::testing::Test {
 protected:
  MasterDetailTest()
      : masterSource_(),
        master_(TestBuffer()
                    .Layout({"M.ID i", "M.NAME s40"})
                    .Record({Int(1), Text("first")})
                    .Record({Int(2), Text("second")})
                    .Record({Int(3), Text("third")})
                    .Bytes()),
        detail_(TestBuffer()
                    .Layout({"D.MID i", "D.ITEM s40"})
                    .Record({Int(1), Text("x")})
                    .Record({Int(2), Text("z")})
                    .Record({Int(1), Text("y")})
                    .Bytes()) {
    detail_.SetName("Detail");
    masterSource_.SetDataSet(&master_);
  }
  void SetUp() override {
    detail_.SetIndexFieldNames("MID");
    detail_.SetRangeFieldNames("MID");
    detail_.SetMasterFields("ID");
    detail_.SetMasterSource(&masterSource_);
    master_.Open();
    detail_.Open();
  }
  std::string Items() {
    std::string items;
    for (detail_.First(); !detail_.Eof(); detail_.Next()) {
      items += detail_.FieldByName("ITEM")->AsString();
    }
    return items;
  }

  // Declared first so it outlives both datasets.
  TDataSource masterSource_;
  MemoryDataset master_;
  MemoryDataset detail_;
};

TEST_F(MasterDetailTest, DetailFollowsTheMastersCurrentRecord) {
  EXPECT_EQ(Items(), "xy");
  master_.Next();
  EXPECT_EQ(detail_.RecNo(), 1);
  EXPECT_EQ(Items(), "z");
  master_.Next();
  EXPECT_EQ(detail_.RecordCount(), 0);
  master_.First();
  EXPECT_EQ(Items(), "xy");
}

TEST_F(MasterDetailTest, ClosingTheMasterDropsTheDetailsRange) {
  master_.Close();
  EXPECT_FALSE(detail_.RangeActive());
  EXPECT_EQ(detail_.RecordCount(), 3);
  // The fixture's teardown detaches the link from the closed master, which
  // must not leave record buffers behind (the sanitizer run checks it).
}

TEST_F(MasterDetailTest, NewDetailRecordTakesTheMasterKeyBeforeOnNewRecord) {
  master_.Next();
  int keySeenByHandler = -1;
  detail_.OnNewRecord = [&](TDataSet* dataSet) {
    keySeenByHandler = dataSet->FieldByName("MID")->AsInteger();
  };
  detail_.Append();
  EXPECT_EQ(keySeenByHandler, 2);
  detail_.FieldByName("ITEM")->SetAsString("w");
  detail_.Post();
  EXPECT_EQ(Items(), "wz");  // placed before the first equal key
}

TEST_F(MasterDetailTest, ADatasetCannotBeItsOwnMaster) {
  TDataSource ownSource;
  ownSource.SetDataSet(&detail_);
  EXPECT_EQ(ErrorOf([&] { detail_.SetMasterSource(&ownSource); }),
            std::string("Detail: ") + zelconst::_Z_MASTERSELF);
  // Nor can the master follow its own detail.
  TDataSource detailSource;
  detailSource.SetDataSet(&detail_);
  EXPECT_EQ(ErrorOf([&] { master_.SetMasterSource(&detailSource); }),
            std::string("Table1: ") + zelconst::_Z_MASTERSELF);
}

TEST_F(MasterDetailTest, AMasterOfAnotherClassRaisesAndTheLinkKeepsIt) {
  TMemoryDataSet other;
  TDataSource otherSource;
  otherSource.SetDataSet(&other);
  EXPECT_EQ(ErrorOf([&] { detail_.SetMasterSource(&otherSource); }),
            std::string("Detail: ") + zelconst::_Z_MASTERTYPE);
  EXPECT_EQ(detail_.MasterSource(), &otherSource);
  detail_.SetMasterSource(nullptr);
}

TEST_F(MasterDetailTest, ChangingTheMasterKeyValueMovesTheDetail) {
  master_.Edit();
  master_.FieldByName("ID")->SetAsInteger(2);
  master_.Post();
  EXPECT_EQ(Items(), "z");
}

}  // namespace
}  // namespace morvane
