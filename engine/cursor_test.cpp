#include <gtest/gtest.h>

#include "engine/cursor.h"
#include "engine/test_buffer.h"
#include "engine/zelconst.h"
#include "platform/rtl/streams.h"

namespace morvane {
namespace {

using namespace testing;
using namespace zelconst;

class CursorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TMemoryStream stream(TestBuffer()
                             .Layout({"T.ID i", "T.NAME s50", "T.NOTE m"})
                             .Record({Int(1), Text("first"), Blob("one")})
                             .Record({Int(2), Text("second"), Absent()})
                             .Bytes());
    std::string error;
    ASSERT_TRUE(cursor_.LoadFromStream(stream, error)) << error;
  }

  // A deep copy of a record's values, to post back changed.
  TzelDataBlock CopyOf(int index) {
    auto block = cursor_.NewData();
    cursor_.CopyRecordBuf(cursor_.GetData(index)->Data.get(), block.get());
    return block;
  }
  std::string Name(const char* data) { return std::string(SlotHeapText(data + nameOffset())); }
  int nameOffset() { return cursor_.GetFieldInfo(1)->Offset; }
  // Edits record index's name the way a dataset does: undo copy, then post.
  void Edit(int index, const char* name) {
    ASSERT_TRUE(cursor_.CreateUndoCopy(cursor_.GetData(index)));
    auto block = CopyOf(index);
    SetSlotText(block.get() + nameOffset(), name);
    std::string error;
    ASSERT_TRUE(cursor_.SaveRecord(block.get(), cursor_.GetData(index), error)) << error;
    cursor_.ClearData(block);
  }

  TzelCursor cursor_;
};

TEST_F(CursorTest, FieldLookupByIndexAndByNameWithoutCase) {
  EXPECT_EQ(cursor_.GetFieldInfo(-1), nullptr);
  EXPECT_EQ(cursor_.GetFieldInfo(3), nullptr);
  EXPECT_EQ(cursor_.FindFieldInfo("name"), cursor_.GetFieldInfo(1));
  EXPECT_EQ(cursor_.FindFieldInfo("nothing"), nullptr);
}

TEST(CursorFields, TextsAddedInCodeKeepInlineAndHeapTextsApart) {
  TzelCursor cursor;
  const TzelField* heapShort = cursor.AddField("T.A", zftString, 20);
  const TzelField* inlineLong = cursor.AddField("T.B", zftSmallStr, 40);
  const TzelField* inlineShort = cursor.AddField("T.C", zftSmallStr, 35);
  EXPECT_EQ(heapShort->FieldType, zftString);
  EXPECT_EQ(heapShort->Length, MAXSLEN + 1);
  EXPECT_EQ(inlineLong->FieldType, zftString);
  EXPECT_EQ(inlineLong->Size, SIZECHAR);
  EXPECT_EQ(inlineShort->FieldType, zftSmallStr);
  EXPECT_EQ(inlineShort->Size, 36);
}

TEST_F(CursorTest, CopyRecordBufMakesIndependentHeapValues) {
  auto block = CopyOf(0);
  const char* source = cursor_.GetData(0)->Data.get();
  EXPECT_EQ(Name(block.get()), "first");
  EXPECT_NE(SlotRef(block.get() + nameOffset()), SlotRef(source + nameOffset()));
  int noteOffset = cursor_.GetFieldInfo(2)->Offset;
  EXPECT_EQ(SlotBlobBytes(block.get() + noteOffset), "one");

  // An empty text and a zero-length blob copy as no reference.
  SetSlotText(block.get() + nameOffset(), "");
  SetSlotBlobKeepEmpty(block.get() + noteOffset, "");
  auto target = CopyOf(1);
  cursor_.CopyRecordBuf(block.get(), target.get());
  EXPECT_EQ(SlotRef(target.get() + nameOffset()), nullptr);
  EXPECT_EQ(SlotRef(target.get() + noteOffset), nullptr);
  cursor_.ClearData(block);
  cursor_.ClearData(target);
  EXPECT_EQ(block, nullptr);
}

TEST_F(CursorTest, EditPostEditCancelRestoresTheValuesBeforeTheFirstEdit) {
  TzelRecord* record = cursor_.GetData(0);
  Edit(0, "changed");
  EXPECT_EQ(cursor_.Status(record), zusModified);
  Edit(0, "changed again");
  EXPECT_EQ(Name(cursor_.UndoData(record)), "first");  // the first undo copy is kept
  cursor_.UndoRecord(record);
  EXPECT_EQ(Name(record->Data.get()), "first");
  EXPECT_EQ(cursor_.Status(record), zusUnmodified);
  EXPECT_EQ(cursor_.UndoData(record), nullptr);
}

TEST_F(CursorTest, PostingIntoAnInsertedRecordKeepsItInserted) {
  std::string error;
  auto block = cursor_.NewData();
  ASSERT_TRUE(cursor_.SaveRecord(block.get(), nullptr, error));
  TzelRecord* inserted = cursor_.GetData(2);
  EXPECT_EQ(cursor_.Status(inserted), zusInserted);
  ASSERT_TRUE(cursor_.SaveRecord(block.get(), inserted, error));
  EXPECT_EQ(cursor_.Status(inserted), zusInserted);
}

TEST_F(CursorTest, DeletingReportsMissingAndAlreadyDeletedRecords) {
  std::string error;
  TzelRecord stranger;
  EXPECT_FALSE(cursor_.DeleteRecord(&stranger, error));
  EXPECT_EQ(error, _Z_RECNOTFOUND);
  EXPECT_FALSE(cursor_.SaveRecord(cursor_.GetData(0)->Data.get(), &stranger, error));
  EXPECT_EQ(error, _Z_RECNOTFOUND);

  ASSERT_TRUE(cursor_.DeleteRecord(cursor_.GetData(0), error));
  EXPECT_TRUE(error.empty());
  EXPECT_EQ(cursor_.StatusAt(0), zusDeleted);
  EXPECT_FALSE(cursor_.DeleteRecord(cursor_.GetData(0), error));
  EXPECT_EQ(error, _Z_RECDELETED);
  EXPECT_FALSE(cursor_.SaveRecord(cursor_.GetData(1)->Data.get(), cursor_.GetData(0), error));
  EXPECT_EQ(error, _Z_RECDELETED);
  EXPECT_FALSE(cursor_.CreateUndoCopy(cursor_.GetData(0)));
}

// Records come from chunks (the load's own, then growing ones): every record
// of the store is found, whichever chunk holds it and after the store is
// reordered; places no record took yet and other stores' records are not.
TEST_F(CursorTest, ContainsEveryRecordOfTheStoreAndNothingElse) {
  std::string error;
  auto block = cursor_.NewData();
  for (int added = 0; added < 40; ++added) {
    ASSERT_TRUE(cursor_.SaveRecord(block.get(), nullptr, error)) << error;
  }
  cursor_.ClearData(block);
  cursor_.Sort("ID", false);
  for (int index = 0; index < cursor_.GetRecordCount(); ++index) {
    EXPECT_TRUE(cursor_.Contains(cursor_.GetData(index))) << index;
  }
  TzelRecord* lastAdded = nullptr;
  for (int index = 0; index < cursor_.GetRecordCount(); ++index) {
    if (cursor_.StatusAt(index) == zusInserted) lastAdded = cursor_.GetData(index);
  }
  // 2 loaded, then chunks of 16 and 32: the last chunk has places left.
  EXPECT_FALSE(cursor_.Contains(lastAdded + 1));
  EXPECT_FALSE(cursor_.SaveRecord(cursor_.GetData(0)->Data.get(), lastAdded + 1, error));
  EXPECT_EQ(error, _Z_RECNOTFOUND);
  EXPECT_FALSE(cursor_.Contains(nullptr));

  TzelCursor other;
  other.AddField("T.ID", zftInteger);
  auto otherBlock = other.NewData();
  ASSERT_TRUE(other.SaveRecord(otherBlock.get(), nullptr, error));
  other.ClearData(otherBlock);
  EXPECT_FALSE(cursor_.Contains(other.GetData(0)));
  EXPECT_FALSE(other.Contains(cursor_.GetData(0)));
  EXPECT_TRUE(other.Contains(other.GetData(0)));
}

TEST_F(CursorTest, DeletingAnInsertedRecordLeavesItAbsentInTheStore) {
  std::string error;
  auto block = cursor_.NewData();
  ASSERT_TRUE(cursor_.SaveRecord(block.get(), nullptr, error));
  ASSERT_TRUE(cursor_.DeleteRecord(cursor_.GetData(2), error));
  EXPECT_EQ(cursor_.GetRecordCount(), 3);
  EXPECT_EQ(cursor_.StatusAt(2), zusAbsent);
  EXPECT_EQ(cursor_.GetData(2)->Data, nullptr);
}

TEST_F(CursorTest, CancelUpdatesBringsBackDeletedAndDropsInserted) {
  std::string error;
  Edit(1, "edited");
  ASSERT_TRUE(cursor_.DeleteRecord(cursor_.GetData(0), error));
  auto block = cursor_.NewData();
  ASSERT_TRUE(cursor_.SaveRecord(block.get(), nullptr, error));
  cursor_.CancelUpdates();
  EXPECT_EQ(cursor_.StatusAt(0), zusUnmodified);
  EXPECT_EQ(Name(cursor_.GetData(0)->Data.get()), "first");
  EXPECT_EQ(Name(cursor_.GetData(1)->Data.get()), "second");
  EXPECT_EQ(cursor_.StatusAt(2), zusAbsent);
}

TEST_F(CursorTest, CommitUpdatesMakesDeletedRecordsAbsentForGood) {
  std::string error;
  Edit(1, "edited");
  ASSERT_TRUE(cursor_.DeleteRecord(cursor_.GetData(0), error));
  cursor_.CommitUpdates();
  EXPECT_EQ(cursor_.StatusAt(0), zusAbsent);
  EXPECT_EQ(cursor_.GetData(0)->Data, nullptr);
  EXPECT_EQ(cursor_.StatusAt(1), zusUnmodified);
  EXPECT_EQ(cursor_.UndoData(cursor_.GetData(1)), nullptr);
  cursor_.CancelUpdates();
  EXPECT_EQ(cursor_.StatusAt(0), zusAbsent);
  EXPECT_EQ(Name(cursor_.GetData(1)->Data.get()), "edited");
}

TEST_F(CursorTest, SortReordersTheStoreKeepingRecordIdentity) {
  TzelRecord* first = cursor_.GetData(0);
  Edit(0, "zzz");
  cursor_.Sort("nonexistent;NAME", false);
  EXPECT_EQ(Name(cursor_.GetData(0)->Data.get()), "second");
  EXPECT_EQ(cursor_.GetData(1), first);
}

}  // namespace
}  // namespace morvane
