// Record buffers reference the texts a loaded store keeps in its arena
// instead of copying them; these tests check that a buffer still behaves as
// a copy of its own, and that the writer's pieces make the same buffer.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/cursor.h"
#include "engine/test_buffer.h"
#include "engine/test_dataset.h"
#include "platform/db/fields.h"
#include "platform/rtl/streams.h"

namespace morvane {
namespace {

using namespace testing;

std::vector<char> Notes() {
  return TestBuffer()
      .Layout({"N.ID i", "N.TEXT s60", "N.MEMO m"})
      .Record({Int(1), Text("первая"), Blob("one")})
      .Record({Int(2), Text("вторая"), Absent()})
      .Record({Int(3), Text(std::string("\0zero first", 11)), Blob("three")})
      .Bytes();
}

class SharedTextTest : public ::testing::Test {
 protected:
  SharedTextTest() : table_(Notes()) {}
  void SetUp() override { table_.Open(); }
  TField* Text() { return table_.FieldByName("TEXT"); }
  std::vector<std::string> Texts() {
    std::vector<std::string> texts;
    for (table_.First(); !table_.Eof(); table_.Next()) texts.push_back(Text()->AsString());
    return texts;
  }

  RecordingRegistry registry_;
  MemoryDataset table_;
};

TEST_F(SharedTextTest, EditsChangeOnlyTheBufferUntilPostedAndUndoRestoresThem) {
  table_.First();
  table_.Edit();
  Text()->SetAsString("изменена");
  // The old value and the other records still read the stored text.
  EXPECT_EQ(Text()->OldValue().AsString(), "первая");
  table_.Cancel();
  EXPECT_EQ(Texts(), (std::vector<std::string>{"первая", "вторая", ""}));

  table_.First();
  table_.Edit();
  Text()->SetAsString("изменена");
  table_.Post();
  EXPECT_EQ(Texts(), (std::vector<std::string>{"изменена", "вторая", ""}));
  table_.First();
  EXPECT_EQ(Text()->OldValue().AsString(), "первая");
  table_.CancelUpdates();
  EXPECT_EQ(Texts(), (std::vector<std::string>{"первая", "вторая", ""}));
}

TEST_F(SharedTextTest, ATextStartingWithAZeroByteReadsAsNullInTheBuffer) {
  table_.Last();
  EXPECT_TRUE(Text()->IsNull());
  EXPECT_EQ(table_.FieldByName("MEMO")->AsString(), "three");
}

TEST_F(SharedTextTest, BuffersKeepTheirValuesWhenTheStoreIsReloadedOrEmptied) {
  table_.First();
  table_.Edit();
  Text()->SetAsString("в правке");
  table_.Cancel();
  table_.Refresh();
  EXPECT_EQ(Text()->AsString(), "первая");
  table_.EmptyTable();
  EXPECT_TRUE(table_.IsEmpty());
  table_.Append();
  Text()->SetAsString("новая");
  table_.Post();
  EXPECT_EQ(Texts(), (std::vector<std::string>{"новая"}));
}

TEST(BufferWriterPieces, PiecesAndHeaderJoinToTheWholeBufferAndEachIsAMultipleOfThePieceSize) {
  // The memo of the last record is several pieces long by itself.
  const std::vector<char> bytes = TestBuffer()
                                      .Layout({"N.ID i", "N.TEXT s60", "N.MEMO m"})
                                      .Record({Int(1), Text("первая"), Blob("one")})
                                      .Record({Int(2), Text("вторая"), Absent()})
                                      .Record({Int(3), Absent(), Blob("three")})
                                      .Record({Int(4), Absent(), Blob(std::string(107, 'm'))})
                                      .Bytes();
  TzelCursor cursor;
  TMemoryStream stream(bytes);
  std::string error;
  ASSERT_TRUE(cursor.LoadFromStream(stream, error)) << error;
  std::vector<char> joined;
  std::vector<size_t> sizes;
  const std::string header = cursor.WriteBuffer(20, [&](std::string_view piece) {
    joined.insert(joined.end(), piece.begin(), piece.end());
    sizes.push_back(piece.size());
  });
  ASSERT_EQ(header.size(), 9u);  // total length, status, record count
  ASSERT_GE(joined.size(), header.size());
  EXPECT_EQ(std::string(joined.data(), 9), std::string(9, '\0').replace(4, 1, "S"));
  std::copy(header.begin(), header.end(), joined.begin());
  ASSERT_GE(sizes.size(), 2u);
  sizes.pop_back();  // the last piece holds what is left
  for (size_t size : sizes) {
    EXPECT_GE(size, 20u);
    EXPECT_EQ(size % 20, 0u);
  }
  EXPECT_EQ(joined, cursor.SaveToBuffer());
  EXPECT_EQ(joined, bytes);
}

TEST(BufferWriterPieces, AHugeFieldCountWithoutRecordsTakesNoRoomForRecords) {
  // The reader accepts it: no record carries the length bytes. The writer
  // must not size its buffer by it either (it would ask for gigabytes).
  // Total length, status, no records, the field count, a layout of two
  // zero bytes (an empty text: no descriptors).
  const std::string raw = Int32Bytes(19) + "S" + Int32Bytes(0) + Int32Bytes(0x53000002) +
                          Int32Bytes(2) + std::string(2, '\0');
  const std::vector<char> bytes(raw.begin(), raw.end());
  TzelCursor cursor;
  TMemoryStream stream(bytes);
  std::string error;
  ASSERT_TRUE(cursor.LoadFromStream(stream, error)) << error;
  EXPECT_EQ(cursor.SaveToBuffer(), bytes);
  std::string joined;
  const std::string header =
      cursor.WriteBuffer(1 << 20, [&](std::string_view piece) { joined.append(piece); });
  joined.replace(0, header.size(), header);
  EXPECT_EQ(joined, raw);
}

}  // namespace
}  // namespace morvane
