#include "engine/buffer_records.h"

#include <gtest/gtest.h>

#include "engine/test_buffer.h"
#include "engine/zelconst.h"
#include "platform/rtl/streams.h"

namespace morvane {
namespace {

using namespace testing;

// Every record read one at a time: the values of each, and the message the
// reading ended with (empty when every declared record was read).
struct Walk {
  bool opened = false;
  std::vector<std::vector<std::string>> records;
  std::string error;
};

Walk WalkRecords(const std::vector<char>& bytes) {
  TMemoryStream stream(bytes);
  TzelBufferRecords records;
  Walk walk;
  walk.opened = records.Open(stream, walk.error);
  if (!walk.opened) return walk;
  std::vector<std::string_view> values;
  while (records.Next(values, walk.error)) {
    walk.records.emplace_back(values.begin(), values.end());
  }
  return walk;
}

// The store's own load of the same buffer: the message it refuses it with.
std::string LoadError(const std::vector<char>& bytes) {
  TMemoryStream stream(bytes);
  TzelCursor cursor;
  std::string error;
  cursor.LoadFromStream(stream, error);
  return error;
}

TEST(BufferRecords, GivesEachRecordsValueBytesWithoutCountsOrPadding) {
  const Walk walk = WalkRecords(
      TestBuffer()
          .Layout({"T.ID i", "T.CODE 8", "T.NAME s120", "T.NOTE m", "T.PIC g"})
          .Record({Int(7), Small("шт"), Text("Иванов"), Blob(std::string("a\0b", 3)), Absent()})
          .Record({Absent(), Absent(), Absent(), Absent(), Blob("img")})
          .Bytes());
  ASSERT_TRUE(walk.opened) << walk.error;
  EXPECT_EQ(walk.error, "");
  ASSERT_EQ(walk.records.size(), 2u);
  EXPECT_EQ(walk.records[0],
            (std::vector<std::string>{Int32Bytes(7), "шт", "Иванов", std::string("a\0b", 3), ""}));
  EXPECT_EQ(walk.records[1], (std::vector<std::string>{"", "", "", "", "img"}));
}

TEST(BufferRecords, RefusesWhatALoadRefusesWithTheSameMessage) {
  const std::string overlong(9000, 'x');
  const TestBuffer damaged[] = {
      TestBuffer().Layout({"T.NAME s40"}).Record({Raw(3, "abc")}),
      TestBuffer().Layout({"T.CODE 2"}).Record({Small("abcd")}),
      TestBuffer().Layout({"T.NAME s40"}).Record({Text(overlong)}),
      TestBuffer().Layout({"T.PIC g"}).Record({Raw(4, Int32Bytes(-1))}),
      TestBuffer().Layout({"T.NAME s40"}).Record({Raw(4, Int32Bytes(20) + "short")}),
      TestBuffer().Layout({"T.ID i"}).Record({Raw(4, "ab")}),
      TestBuffer().Layout({"T.ID i"}).Record({Int(1)}).RecordCount(3),
      // A layout text that ends early: the second length byte has no field.
      TestBuffer()
          .LayoutText(std::string("T.ID i\x12\0\x14", 9))
          .FieldCount(2)
          .Record({Int(1), Raw(1, "x")}),
      TestBuffer().LayoutText("").FieldCount(0).RecordCount(1),
      TestBuffer().Layout({"T.ID i", "T.NAME s40"}).Record({Int(1), Text("a")}).Record({Int(2)}),
  };
  for (const TestBuffer& buffer : damaged) {
    const std::string expected = LoadError(buffer.Bytes());
    ASSERT_NE(expected, "") << "not damaged: " << ::testing::PrintToString(buffer.String());
    const Walk walk = WalkRecords(buffer.Bytes());
    EXPECT_TRUE(walk.opened) << walk.error;
    EXPECT_EQ(walk.error, expected) << ::testing::PrintToString(buffer.String());
  }
}

TEST(BufferRecords, AnErrorReplyIsRefusedWithItsText) {
  const std::string text = std::string("E") + "no such table: T" + '\0';
  const std::string reply = Int32Bytes(int32_t(text.size() + 4)) + text;
  const std::vector<char> bytes(reply.begin(), reply.end());
  const Walk walk = WalkRecords(bytes);
  EXPECT_FALSE(walk.opened);
  EXPECT_EQ(walk.error, "no such table: T");
  EXPECT_EQ(walk.error, LoadError(bytes));
}

}  // namespace
}  // namespace morvane
