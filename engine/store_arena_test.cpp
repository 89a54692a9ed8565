#include "engine/store_arena.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "engine/cursor.h"
#include "engine/test_buffer.h"
#include "platform/rtl/streams.h"

namespace morvane {
namespace {

using namespace testing;

TEST(StoreArena, PiecesAreZeroFilledApartAndNeverWhereTheAllocatorPutsItsOwn) {
  TzelStoreArena arena;
  arena.ExpectBytes(0);  // the smallest chunks, so pieces cross chunk ends
  std::vector<std::pair<char*, size_t>> pieces;
  // Sizes around the alignment, and pieces larger than a whole chunk.
  for (size_t size : {1, 7, 8, 9, 16, 4095, 4096, 300'000, 3, 0, 64}) {
    for (int repeat = 0; repeat < 20; ++repeat) {
      char* piece = arena.Allocate(size);
      ASSERT_TRUE(InStoreArena(piece)) << "size " << size;
      for (size_t at = 0; at < size; ++at) ASSERT_EQ(piece[at], 0) << "size " << size;
      std::memset(piece, int(pieces.size() % 250) + 1, size);
      pieces.emplace_back(piece, size);
    }
  }
  // Every piece still holds its own fill: none overlaps another.
  for (size_t index = 0; index < pieces.size(); ++index) {
    for (size_t at = 0; at < pieces[index].second; ++at) {
      ASSERT_EQ(pieces[index].first[at], char(index % 250 + 1)) << "piece " << index;
    }
  }
  EXPECT_GE(arena.BytesHeld(), size_t(20 * 300'000));
  arena.Release();
  EXPECT_EQ(arena.BytesHeld(), 0u);
  // Memory of the allocator is never an arena's.
  for (size_t size : {1, 3, 24, 100}) {
    std::unique_ptr<char[]> own(new char[size]());
    EXPECT_FALSE(InStoreArena(own.get())) << "size " << size;
  }
}

// A table larger than one chunk, with texts, blobs and empty values.
std::vector<char> ManyRecords(int count) {
  TestBuffer buffer;
  buffer.Layout({"T.ID i", "T.CODE 9", "T.NAME s80", "T.NOTE m"});
  for (int index = 0; index < count; ++index) {
    const std::string name = index % 7 == 0 ? "" : "name " + std::string(size_t(index % 60), 'x');
    buffer.Record({Int(index + 1), Small(std::to_string(index)),
                   name.empty() ? Absent() : Text(name),
                   index % 3 == 0 ? Blob("note " + std::to_string(index)) : Absent()});
  }
  return buffer.Bytes();
}

// Loaded values live in the store's arena; edits, undo copies, cancels and
// copies taken out of the store must neither free them one by one nor keep
// pointing into them (the sanitizer build checks both).
TEST(StoreArena, LoadedRecordsSurviveEditsUndoAndCopiesThatOutliveTheStore) {
  const std::vector<char> bytes = ManyRecords(3000);
  TzelCursor cursor;
  TMemoryStream stream(bytes);
  std::string error;
  ASSERT_TRUE(cursor.LoadFromStream(stream, error)) << error;
  const TzelField& name = *cursor.GetFieldInfo(2);
  const TzelField& note = *cursor.GetFieldInfo(3);

  for (int index = 0; index < cursor.GetRecordCount(); index += 5) {
    TzelRecord* record = cursor.GetData(index);
    ASSERT_TRUE(cursor.CreateUndoCopy(record));
    TzelDataBlock edited = cursor.NewData();
    cursor.CopyRecordBuf(record->Data.get(), edited.get());
    SetSlotText(edited.get() + name.Offset, "changed " + std::to_string(index));
    SetSlotBlob(edited.get() + note.Offset, "");
    ASSERT_TRUE(cursor.SaveRecord(edited.get(), record, error)) << error;
    cursor.ClearData(edited);
  }
  EXPECT_EQ(SlotHeapText(cursor.GetData(5)->Data.get() + name.Offset), "changed 5");
  // Setting a slot in place frees its old value, whichever kind it is.
  SetSlotText(cursor.GetData(1)->Data.get() + name.Offset, "in place");
  FreeSlot(cursor.GetData(3)->Data.get() + note.Offset);
  cursor.UndoRecord(cursor.GetData(1));  // no undo copy: the value stays
  cursor.UndoRecord(cursor.GetData(3));
  EXPECT_EQ(SlotHeapText(cursor.GetData(1)->Data.get() + name.Offset), "in place");

  cursor.CancelUpdates();
  // A block replaced outright.
  cursor.ClearData(cursor.GetData(1)->Data);
  cursor.GetData(1)->Data = NewDataBlock(cursor.RecordSize());
  std::vector<char> saved = cursor.SaveToBuffer();

  TzelCursor original;
  TMemoryStream again(bytes);
  ASSERT_TRUE(original.LoadFromStream(again, error)) << error;
  for (int index : {0, 5, 10, 2995}) {
    const char* data = original.GetData(index)->Data.get();
    EXPECT_EQ(cursor.GetFieldText(name, *cursor.GetData(index), false),
              original.GetFieldText(name, *original.GetData(index), false));
    EXPECT_EQ(SlotBlobBytes(cursor.GetData(index)->Data.get() + note.Offset),
              SlotBlobBytes(data + note.Offset));
  }

  // A deep copy taken out of the store outlives the store's arena.
  TzelDataBlock kept = cursor.NewData();
  cursor.CopyRecordBuf(cursor.GetData(8)->Data.get(), kept.get());
  cursor.Clear(false);
  EXPECT_EQ(SlotHeapText(kept.get() + name.Offset), std::string("name ") + std::string(8, 'x'));
  FreeHeapValues(cursor.Fields(), kept.get());

  // A reload into the same cursor starts a new arena.
  TMemoryStream third(saved);
  ASSERT_TRUE(cursor.LoadFromStream(third, error)) << error;
  EXPECT_EQ(cursor.GetRecordCount(), 3000);
  EXPECT_EQ(cursor.SaveToBuffer(), saved);
}

}  // namespace
}  // namespace morvane
