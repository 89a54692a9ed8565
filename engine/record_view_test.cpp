#include "engine/record_view.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/test_buffer.h"
#include "engine/test_dataset.h"
#include "platform/db/fields.h"

namespace morvane {
namespace {

using namespace testing;

// IDs ascending in store order: ordered by ID, a dataset shows the records in
// store order through a list of its own, while without an order it shows the
// store itself. Every operation must leave both showing the same.
std::vector<char> Numbered(int count) {
  TestBuffer buffer;
  buffer.Layout({"T.ID i", "T.NAME s60"});
  for (int id = 1; id <= count; ++id) buffer.Record({Int(id), Text("name " + std::to_string(id))});
  return buffer.Bytes();
}

// What a dataset shows: each view record's ID, name and update status, then
// the current record.
std::string Picture(MemoryDataset& table) {
  std::string picture;
  const TzelCursor& cursor = *table.Cursor();
  const TzelField& id = *cursor.FindFieldInfo("ID");
  for (int index = 0; index < table.ViewCount(); ++index) {
    const TzelRecord* record = table.ViewRecord(index);
    picture += cursor.GetFieldText(id, *record, false) + "/" +
               std::to_string(int(cursor.Status(record))) + " ";
  }
  picture += "| " + std::to_string(table.RecNo()) + " ";
  if (!table.IsEmpty()) picture += table.FieldByName("NAME")->AsString();
  return picture;
}

class StoreViewTest : public ::testing::Test {
 protected:
  explicit StoreViewTest(int count = 40) : byStore_(Numbered(count)), byList_(Numbered(count)) {}
  void SetUp() override {
    byList_.SetIndexFieldNames("ID");
    byStore_.Open();
    byList_.Open();
  }
  // Runs the step on both datasets and compares what they show.
  template <typename Step>
  void Both(const char* what, Step step) {
    step(byStore_);
    step(byList_);
    EXPECT_EQ(Picture(byStore_), Picture(byList_)) << what;
  }

  RecordingRegistry registry_;
  MemoryDataset byStore_;
  MemoryDataset byList_;
};

TEST_F(StoreViewTest, BehavesAsAListOfTheSameRecords) {
  EXPECT_TRUE(byStore_.ViewShowsStore());
  EXPECT_FALSE(byList_.ViewShowsStore());
  TBookmark fifth;
  TBookmark listFifth;
  Both("move", [](MemoryDataset& table) { table.MoveBy(4); });
  fifth = byStore_.GetBookmark();
  listFifth = byList_.GetBookmark();
  Both("locate", [](MemoryDataset& table) { table.Locate("ID", Variant(33), {}); });
  Both("edit", [](MemoryDataset& table) {
    table.Edit();
    table.FieldByName("NAME")->SetAsString("changed");
    table.Post();
  });
  Both("cancelled edit", [](MemoryDataset& table) {
    table.Edit();
    table.FieldByName("NAME")->SetAsString("dropped");
    table.Cancel();
  });
  Both("append", [](MemoryDataset& table) {
    table.Append();
    table.FieldByName("ID")->SetAsInteger(41);
    table.FieldByName("NAME")->SetAsString("appended");
    table.Post();
  });
  EXPECT_TRUE(byStore_.ViewShowsStore());  // an appended record keeps store order
  Both("bookmark",
       [&](MemoryDataset& table) { table.GotoBookmark(&table == &byStore_ ? fifth : listFifth); });
  EXPECT_TRUE(byStore_.BookmarkValid(fifth));
  Both("delete", [](MemoryDataset& table) { table.Delete(); });
  EXPECT_FALSE(byStore_.BookmarkValid(fifth));
  Both("last", [](MemoryDataset& table) { table.Last(); });
  Both("filter", [](MemoryDataset& table) {
    TField* id = table.FieldByName("ID");
    table.OnFilterRecord = [id](TDataSet*, bool& accept) { accept = id->AsInteger() % 3 == 0; };
    table.SetFiltered(true);
  });
  Both("filter off", [](MemoryDataset& table) { table.SetFiltered(false); });
  Both("cancel updates", [](MemoryDataset& table) { table.CancelUpdates(); });
  Both("record number", [](MemoryDataset& table) { table.SetRecNo(17); });
  EXPECT_EQ(byStore_.RecNo(), 17);
}

// A table filled by appends from empty shows the store as it grows.
class EmptyStoreViewTest : public StoreViewTest {
 protected:
  EmptyStoreViewTest() : StoreViewTest(0) {}
};

TEST_F(EmptyStoreViewTest, AppendsAndInsertsMatchAList) {
  for (int id = 1; id <= 20; ++id) {
    Both("append", [id](MemoryDataset& table) {
      table.Append();
      table.FieldByName("ID")->SetAsInteger(id);
      table.Post();
    });
  }
  EXPECT_TRUE(byStore_.ViewShowsStore());
  Both("commit", [](MemoryDataset& table) { table.CommitUpdates(); });
  Both("insert", [](MemoryDataset& table) {
    table.First();
    table.Insert();
    table.FieldByName("ID")->SetAsInteger(21);
    table.Post();
  });
  Both("walk", [](MemoryDataset& table) {
    int count = 0;
    for (table.First(); !table.Eof(); table.Next()) ++count;
    EXPECT_EQ(count, 21);
  });
}

}  // namespace
}  // namespace morvane
