#include <gtest/gtest.h>

#include <filesystem>

#include "engine/cursor.h"
#include "engine/test_buffer.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/testing/temp_path.h"

namespace morvane {
namespace {

using namespace testing;

void LoadInto(TzelCursor& cursor, const std::vector<char>& bytes) {
  TMemoryStream stream(bytes);
  std::string error;
  ASSERT_TRUE(cursor.LoadFromStream(stream, error)) << error;
}

TEST(BufferWriter, SaveAndReloadIsByteForByte) {
  // The layout keeps its record separator and an unusual order; values
  // include a full inline slot and binary blob bytes.
  auto original = TestBuffer()
                      .Layout({"ORDERS.ID i", "ORDERS.NAME s120", "CODE 3", "T.SUM f", "T.OK b",
                               "T.DAY d", "T.NOTE m", "T.AT t"})
                      .Record({Int(1), Text("Иванов"), Small("ab"), Dbl(-0.5), Bool(true),
                               Int(738000), Blob(std::string("\0\1\2", 3)), Dbl(6.3e10)})
                      .Record({Int(2), Absent(), Raw(4, "wxyz"), Absent(), Absent(), Absent(),
                               Absent(), Absent()})
                      .Bytes();
  TzelCursor cursor;
  LoadInto(cursor, original);
  EXPECT_EQ(cursor.SaveToBuffer(), original);
}

TEST(BufferWriter, ZeroValuesAreWrittenAsAbsent) {
  // Present but zero on the wire: the writer leaves them out, the reader
  // gives the same zero slots back.
  TzelCursor cursor;
  LoadInto(cursor, TestBuffer()
                       .Layout({"T.ID i", "T.OK b", "T.SUM f", "T.N s"})
                       .Record({Int(0), Bool(false), Dbl(0.0), Text("")})
                       .Bytes());
  auto expected = TestBuffer()
                      .Layout({"T.ID i", "T.OK b", "T.SUM f", "T.N s"})
                      .Record({Absent(), Absent(), Absent(), Absent()})
                      .Bytes();
  EXPECT_EQ(cursor.SaveToBuffer(), expected);
}

TEST(BufferWriter, DeletedAndAbsentRecordsAreNotSaved) {
  TzelCursor cursor;
  LoadInto(cursor, TestBuffer().Layout({"T.ID i"}).Record({Int(1)}).Record({Int(2)}).Bytes());
  std::string error;
  auto inserted = cursor.NewData();
  ASSERT_TRUE(cursor.SaveRecord(inserted.get(), nullptr, error));
  ASSERT_TRUE(cursor.DeleteRecord(cursor.GetData(2), error));  // inserted: becomes absent
  ASSERT_TRUE(cursor.DeleteRecord(cursor.GetData(0), error));  // loaded: becomes deleted
  EXPECT_EQ(cursor.SaveToBuffer(), TestBuffer().Layout({"T.ID i"}).Record({Int(2)}).Bytes());
}

TEST(BufferWriter, CursorWithoutKeptLayoutWritesOneFromItsDescriptors) {
  TzelCursor cursor;
  cursor.AddField("ORDERS.ID", zftInteger);
  cursor.AddField("NAME", zftString, 120);
  cursor.AddField("T.CODE", zftSmallStr, 12);
  std::string error;
  auto data = cursor.NewData();
  std::memcpy(data.get(), "\x05\0\0\0", 4);
  SetSlotText(data.get() + 4, "Петров");
  ASSERT_TRUE(cursor.SaveRecord(data.get(), nullptr, error));
  FreeHeapValues(cursor.Fields(), data.get());

  auto saved = cursor.SaveToBuffer();
  EXPECT_EQ(saved, TestBuffer()
                       .Layout({"ORDERS.ID i", "XXX.NAME s120", "T.CODE C"})
                       .Record({Int(5), Text("Петров"), Absent()})
                       .Bytes());
  TzelCursor reloaded;
  LoadInto(reloaded, saved);
  EXPECT_EQ(reloaded.GetFieldInfo(1)->Name, "NAME");
  EXPECT_EQ(reloaded.GetFieldInfo(2)->Length, 12);
}

TEST(BufferWriter, AFileOfManyPiecesHoldsTheSameBytesAsTheBuffer) {
  // Several megabytes, so the file is written in pieces and its header
  // (total length, record count) is put in place at the end; deleted
  // records make the count differ from the store's.
  TestBuffer description;
  description.Layout({"T.ID i", "T.NAME s200", "T.SUM f", "T.CODE 9"});
  for (int index = 1; index <= 40000; ++index) {
    description.Record({Int(index), Text(std::string(size_t(50 + index % 120), 'n')),
                        index % 7 ? Dbl(index * 0.5) : Absent(), Small(std::to_string(index))});
  }
  TzelCursor cursor;
  LoadInto(cursor, description.Bytes());
  std::string error;
  for (int index : {39999, 20000, 0}) {
    ASSERT_TRUE(cursor.DeleteRecord(cursor.GetData(index), error)) << error;
  }
  auto directory = std::filesystem::path(testing_support::TestTempPath("engine-writer-pieces"));
  std::filesystem::create_directories(directory);
  const std::string fileName = (directory / "data.d").string();
  cursor.SaveToFile(fileName);
  const std::vector<char> saved = ReadWholeFile(fileName);
  ASSERT_GT(saved.size(), size_t(3 << 20));
  EXPECT_TRUE(saved == cursor.SaveToBuffer());
  TzelCursor reloaded;
  LoadInto(reloaded, saved);
  EXPECT_EQ(reloaded.GetRecordCount(), 39997);
  std::filesystem::remove_all(directory);
}

TEST(BufferWriter, SaveToFileWritesTheBufferAndReportsCreateErrors) {
  auto directory = std::filesystem::path(testing_support::TestTempPath("engine-writer"));
  std::filesystem::create_directories(directory);
  std::string fileName = (directory / "data.d").string();
  TzelCursor cursor;
  auto bytes = TestBuffer().Layout({"T.ID i"}).Record({Int(9)}).Bytes();
  LoadInto(cursor, bytes);
  cursor.SaveToFile(fileName);
  EXPECT_EQ(ReadWholeFile(fileName), bytes);

  EXPECT_THROW(cursor.SaveToFile((directory / "missing" / "data.d").string()), EFCreateError);
  std::filesystem::remove_all(directory);
}

}  // namespace
}  // namespace morvane
