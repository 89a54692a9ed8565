#include <gtest/gtest.h>

#include <filesystem>

#include "engine/test_buffer.h"
#include "engine/test_dataset.h"
#include "engine/zelconst.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/testing/error_of.h"
#include "platform/rtl/testing/temp_path.h"

namespace morvane {
namespace {

using namespace testing;

std::vector<char> People() {
  return TestBuffer()
      .Layout({"P.ID i", "P.NAME s60", "P.CODE 9", "P.NOTE m"})
      .Record({Int(1), Text("Иванов"), Small("A1"), Blob("note 1")})
      .Record({Int(2), Text("Петров"), Small("B2"), Absent()})
      .Record({Int(3), Text("Сидоров"), Small("C3"), Blob("note 3")})
      .Bytes();
}

// What a query dataset in clone mode does with its source: share the cursor
// while open, give it back on close, rebuild the source after a commit.
class CloneDataset : public MemoryDataset {
 public:
  explicit CloneDataset(TzelDataset& source) : source_(source) { SetName("Clone"); }
  ~CloneDataset() override { Close(); }
  void CommitUpdates() override {
    TzelDataset::CommitUpdates();
    source_.SortRecords(false);
  }

 protected:
  void InternalLoadData() override {
    if (!source_.Active()) DatabaseError(zelconst::_Z_ERRCLONE);
    source_.AddClone(this);
  }
  void InternalClose() override {
    TzelDataset::InternalClose();
    source_.RemoveClone(this);
  }

 private:
  TzelDataset& source_;
};

class CloneTest : public ::testing::Test {
 protected:
  CloneTest() : source_(People()), clone_(source_) {}
  void SetUp() override {
    source_.Open();
    clone_.Open();
  }
  int Id(TDataSet& dataSet) { return dataSet.FieldByName("ID")->AsInteger(); }

  RecordingRegistry registry_;
  MemoryDataset source_;
  CloneDataset clone_;
};

TEST_F(CloneTest, CloneAndSourceStandOnDifferentRecords) {
  EXPECT_EQ(clone_.Cursor(), source_.Cursor());
  EXPECT_EQ(source_.CloneCount(), 1);
  clone_.SetIndexFieldNames("NAME");
  clone_.Last();
  source_.First();
  EXPECT_EQ(Id(clone_), 3);
  EXPECT_EQ(Id(source_), 1);
}

TEST_F(CloneTest, GotoCurrentBetweenCloneAndSourceGoesByBookmark) {
  clone_.SetIndexFieldNames("CODE");
  clone_.SetSortOptions({zsoDescendSort});
  clone_.First();                // C3
  source_.GotoCurrent(&clone_);  // no UniqueFieldNames needed on one cursor
  EXPECT_EQ(Id(source_), 3);
}

// Both show the shared store in store order; a record appended through one
// belongs to its view alone, as a list of each one's own would have it.
TEST_F(CloneTest, RecordsAppendedThroughSourceAndCloneShowWhereTheyWereAppended) {
  auto append = [](TDataSet& table, int id) {
    table.Append();
    table.FieldByName("ID")->SetAsInteger(id);
    table.Post();
  };
  append(source_, 10);
  append(clone_, 20);
  append(source_, 11);
  auto ids = [this](TDataSet& table) {
    std::vector<int> shown;
    for (table.First(); !table.Eof(); table.Next()) shown.push_back(Id(table));
    return shown;
  };
  EXPECT_EQ(ids(source_), (std::vector<int>{1, 2, 3, 10, 11}));
  EXPECT_EQ(ids(clone_), (std::vector<int>{1, 2, 3, 20}));
}

TEST_F(CloneTest, DeleteThroughTheCloneCommittedLeavesTheSourceView) {
  source_.SetRecNo(2);
  clone_.SetRecNo(2);
  clone_.Delete();
  clone_.CommitUpdates();
  EXPECT_EQ(clone_.RecordCount(), 2);
  EXPECT_EQ(source_.RecordCount(), 2);
  EXPECT_FALSE(source_.Locate("ID", int32_t(2), {}));
  source_.First();
  EXPECT_EQ(Id(source_), 1);
}

TEST_F(CloneTest, ChangesSettledInOneDatasetLeaveNoFreedRecordInTheOthersViews) {
  // The source deletes and commits: the record's data is freed in the shared
  // store, so the clone must no longer show it.
  source_.First();
  source_.Delete();
  source_.CommitUpdates();
  EXPECT_EQ(clone_.RecordCount(), 2);
  clone_.Last();
  clone_.First();
  EXPECT_EQ(Id(clone_), 2);
  EXPECT_FALSE(clone_.Locate("ID", int32_t(1), {}));
  // A record inserted through the clone and shown by the source goes away
  // from both when the clone cancels.
  clone_.Append();
  clone_.FieldByName("ID")->SetAsInteger(7);
  clone_.Post();
  source_.SetIndexFieldNames("ID");
  EXPECT_EQ(source_.RecordCount(), 3);
  clone_.CancelUpdates();
  EXPECT_EQ(source_.RecordCount(), 2);
  source_.Last();
  EXPECT_EQ(Id(source_), 3);
  // Deleting a new record frees its data at once.
  clone_.Append();
  clone_.FieldByName("ID")->SetAsInteger(8);
  clone_.Post();
  source_.SetIndexFieldNames("");
  EXPECT_EQ(source_.RecordCount(), 3);
  clone_.Delete();
  EXPECT_EQ(source_.RecordCount(), 2);
  source_.First();
  source_.Last();
  EXPECT_EQ(Id(source_), 3);
}

TEST_F(CloneTest, SourceCannotCloseOrReloadOrEmptyWhileACloneIsOpen) {
  const std::string message = std::string("Table1: ") + zelconst::_Z_CLONESOPEN;
  EXPECT_EQ(ErrorOf([&] { source_.Close(); }), message);
  EXPECT_TRUE(source_.Active());
  EXPECT_EQ(ErrorOf([&] { source_.Refresh(); }), message);
  EXPECT_EQ(Id(source_), 1) << "a refused reload leaves the records shown";
  EXPECT_EQ(ErrorOf([&] { source_.EmptyTable(); }), message);
  EXPECT_EQ(ErrorOf([&] { clone_.EmptyTable(); }),
            std::string("Clone: ") + zelconst::_Z_CLONEEMPTY);
  EXPECT_EQ(clone_.RecordCount(), 3);
  EXPECT_EQ(source_.RecordCount(), 3);
  clone_.Close();
  EXPECT_EQ(source_.CloneCount(), 0);
  EXPECT_EQ(clone_.Cursor(), nullptr);
  source_.Close();
  EXPECT_FALSE(source_.Active());
}

TEST_F(CloneTest, CopyRecordLeavesUniqueFieldsOutAndCopiesTheRest) {
  clone_.Close();
  source_.SetUniqueFieldNames("id");
  source_.SetRecNo(3);
  source_.CopyRecord();
  ASSERT_EQ(source_.State(), dsInsert);
  EXPECT_EQ(source_.FieldByName("ID")->AsInteger(), 0);
  EXPECT_EQ(source_.FieldByName("NAME")->AsString(), "Сидоров");
  EXPECT_EQ(source_.FieldByName("CODE")->AsString(), "C3");
  EXPECT_EQ(source_.FieldByName("NOTE")->AsString(), "note 3");
  source_.FieldByName("ID")->SetAsInteger(4);
  source_.Post();
  EXPECT_EQ(source_.RecordCount(), 4);
  // The copy owns its own texts: changing the original leaves it alone.
  source_.SetRecNo(3);
  source_.Edit();
  source_.FieldByName("NAME")->SetAsString("Другой");
  source_.Post();
  EXPECT_TRUE(source_.Locate("ID", int32_t(4), {}));
  EXPECT_EQ(source_.FieldByName("NAME")->AsString(), "Сидоров");
}

TEST_F(CloneTest, EmptyTableKeepsTheLayoutAndSavesNoRecords) {
  clone_.Close();
  source_.EmptyTable();
  EXPECT_EQ(source_.RecordCount(), 0);
  EXPECT_TRUE(source_.Eof());
  EXPECT_EQ(source_.FieldCount(), 4);
  const std::string fileName = testing_support::TestTempPath("engine-empty-table.d");
  source_.SaveToFile(fileName);
  MemoryDataset reread(ReadWholeFile(fileName));
  reread.Open();
  EXPECT_EQ(reread.RecordCount(), 0);
  EXPECT_EQ(reread.FieldCount(), 4);
  std::filesystem::remove(fileName);
}

}  // namespace
}  // namespace morvane
