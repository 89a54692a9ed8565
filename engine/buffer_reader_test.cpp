#include <gtest/gtest.h>

#include "engine/cursor.h"
#include "engine/test_buffer.h"
#include "engine/zelconst.h"
#include "platform/rtl/streams.h"

namespace morvane {
namespace {

using namespace testing;
using namespace zelconst;

struct LoadResult {
  bool ok = false;
  std::string error;
};

LoadResult Load(TzelCursor& cursor, const TestBuffer& buffer) {
  TMemoryStream stream(buffer.Bytes());
  LoadResult result;
  result.ok = cursor.LoadFromStream(stream, result.error);
  return result;
}

std::string SlotText(const TzelCursor& cursor, int record, int field) {
  const TzelField& info = *cursor.GetFieldInfo(field);
  return std::string(SlotHeapText(cursor.GetData(record)->Data.get() + info.Offset));
}

template <typename T>
T SlotValue(const TzelCursor& cursor, int record, int field) {
  T value;
  std::memcpy(&value, cursor.GetData(record)->Data.get() + cursor.GetFieldInfo(field)->Offset,
              sizeof value);
  return value;
}

TEST(BufferReader, ReadsEveryFieldTypeIntoItsSlot) {
  TzelCursor cursor;
  auto result = Load(cursor, TestBuffer()
                                 .Layout({"T.ID i", "T.OK b", "T.SUM f", "T.PRICE c", "T.DAY d",
                                          "T.AT v", "T.STAMP t", "T.CODE A", "T.NAME s120",
                                          "T.NOTE m", "T.RICH r", "T.PIC g"})
                                 .Record({Int(-7), Bool(true), Dbl(1.5), Dbl(2.25), Int(738000),
                                          Int(3600000), Dbl(6.3e10), Small("ABC"), Text("Иванов"),
                                          Blob(std::string("a\0b", 3)), Absent(), Blob("img")}));
  ASSERT_TRUE(result.ok) << result.error;
  ASSERT_EQ(cursor.GetFieldCount(), 12);
  ASSERT_EQ(cursor.GetRecordCount(), 1);
  EXPECT_EQ(SlotValue<int32_t>(cursor, 0, 0), -7);
  EXPECT_EQ(SlotValue<int16_t>(cursor, 0, 1), -1);
  EXPECT_EQ(SlotValue<double>(cursor, 0, 2), 1.5);
  EXPECT_EQ(SlotValue<double>(cursor, 0, 3), 2.25);
  EXPECT_EQ(SlotValue<int32_t>(cursor, 0, 4), 738000);
  EXPECT_EQ(SlotValue<int32_t>(cursor, 0, 5), 3600000);
  EXPECT_EQ(SlotValue<double>(cursor, 0, 6), 6.3e10);
  const char* data = cursor.GetData(0)->Data.get();
  EXPECT_EQ(SlotInlineText(data + cursor.GetFieldInfo(7)->Offset, 11), "ABC");
  EXPECT_EQ(SlotText(cursor, 0, 8), "Иванов");
  EXPECT_EQ(SlotBlobBytes(data + cursor.GetFieldInfo(9)->Offset), std::string("a\0b", 3));
  EXPECT_EQ(SlotRef(data + cursor.GetFieldInfo(10)->Offset), nullptr);
  EXPECT_EQ(cursor.StatusAt(0), zusUnmodified);
  EXPECT_EQ(cursor.UndoData(cursor.GetData(0)), nullptr);
}

TEST(BufferReader, ParsesDescriptorsWithOffsetsAndAlignment) {
  TzelCursor cursor;
  ASSERT_TRUE(
      Load(cursor, TestBuffer().Layout({"ORDERS.ID i", "NAME A", "T.SUM f", "T.NOTE s"})).ok);
  const TzelField& id = *cursor.GetFieldInfo(0);
  const TzelField& name = *cursor.GetFieldInfo(1);
  const TzelField& sum = *cursor.GetFieldInfo(2);
  const TzelField& note = *cursor.GetFieldInfo(3);
  EXPECT_EQ(id.TableName, "ORDERS");
  EXPECT_EQ(id.Name, "ID");
  EXPECT_EQ(name.TableName, "XXX");
  EXPECT_EQ(name.Name, "NAME");
  EXPECT_EQ(id.Alignment, 1);
  EXPECT_EQ(name.Alignment, 0);
  EXPECT_EQ(sum.Alignment, 1);
  EXPECT_EQ(id.Offset, 0);
  EXPECT_EQ(name.Offset, 4);
  EXPECT_EQ(name.Size, 11);
  EXPECT_EQ(sum.Offset, 15);
  EXPECT_EQ(note.Offset, 23);
  EXPECT_EQ(note.Length, 100);
  EXPECT_EQ(cursor.RecordSize(), 23 + SIZECHAR);
}

TEST(BufferReader, TypeCodesGiveTypeAndDeclaredLength) {
  struct Case {
    std::string description;
    TzelFieldType type;
    int length;
    int size;
  };
  const Case cases[] = {
      {"T.A s", zftString, 100, SIZECHAR},
      {"T.A s250", zftString, 250, SIZECHAR},
      {"T.A Z", zftSmallStr, 35, 36},
      {"T.A 0", zftSmallStr, 0, 1},
      {"T.A 9", zftSmallStr, 9, 10},
      {"T.A m", zftMemo, 0, SIZECHAR + 4},
      {"T.A t", zftDateTime, 0, 8},
      {"T.A v", zftTime, 0, 4},
      // A heap text declared no longer than an inline one is held as the
      // shortest heap text, so framework fields and slots agree.
      {"T.A s20", zftString, MAXSLEN + 1, SIZECHAR},
  };
  for (const Case& c : cases) {
    TzelCursor cursor;
    auto result = Load(cursor, TestBuffer().Layout({c.description}));
    ASSERT_TRUE(result.ok) << c.description << ": " << result.error;
    EXPECT_EQ(cursor.GetFieldInfo(0)->FieldType, c.type) << c.description;
    EXPECT_EQ(cursor.GetFieldInfo(0)->Length, c.length) << c.description;
    EXPECT_EQ(cursor.GetFieldInfo(0)->Size, c.size) << c.description;
  }
}

TEST(BufferReader, EmptyBufferLoadsFieldsWithoutRecords) {
  TzelCursor cursor;
  ASSERT_TRUE(Load(cursor, TestBuffer().Layout({"T.ID i", "T.N s40"})).ok);
  EXPECT_EQ(cursor.GetFieldCount(), 2);
  EXPECT_EQ(cursor.GetRecordCount(), 0);
}

TEST(BufferReader, ErrorReplyFailsWithItsOwnText) {
  TzelCursor cursor;
  auto bytes = std::string("\0\0\0\0E", 5) + "Нет такой таблицы" + std::string("\0junk", 5);
  TMemoryStream stream(std::vector<char>(bytes.begin(), bytes.end()));
  std::string error;
  EXPECT_FALSE(cursor.LoadFromStream(stream, error));
  EXPECT_EQ(error, "Нет такой таблицы");
}

TEST(BufferReader, LoadsOnlyTheDeclaredRecords) {
  TzelCursor cursor;
  auto result = Load(cursor, TestBuffer()
                                 .Layout({"T.ID i"})
                                 .Record({Int(1)})
                                 .Record({Int(2)})
                                 .Record({Int(3)})
                                 .RecordCount(2));
  ASSERT_TRUE(result.ok) << result.error;
  EXPECT_EQ(cursor.GetRecordCount(), 2);
}

TEST(BufferReader, FewerRecordsThanDeclaredFailAndEmptyTheCursor) {
  TzelCursor cursor;
  auto result = Load(
      cursor, TestBuffer().Layout({"T.ID i"}).Record({Int(1)}).Record({Absent()}).RecordCount(3));
  EXPECT_FALSE(result.ok);
  EXPECT_EQ(result.error, "Число прочитанных записей (2) не равно объявленному (3)");
  EXPECT_EQ(cursor.GetRecordCount(), 0);
  EXPECT_EQ(cursor.GetFieldCount(), 0);
}

TEST(BufferReader, RejectsDamagedHeaders) {
  struct Case {
    const char* what;
    std::string bytes;
  };
  const Case cases[] = {
      {"empty", ""},
      {"status only", std::string("\0\0\0\0S", 5)},
      {"layout longer than the stream",
       TestBuffer().Layout({"T.ID i"}).LayoutLength(1000).String()},
      {"negative layout length", TestBuffer().Layout({"T.ID i"}).LayoutLength(-5).String()},
      {"negative record count", TestBuffer().Layout({"T.ID i"}).RecordCount(-1).String()},
      {"negative field count", TestBuffer().Layout({"T.ID i"}).FieldCount(-1).String()},
      {"non-numeric text length", TestBuffer().Layout({"T.N s12x"}).String()},
  };
  for (const Case& c : cases) {
    TzelCursor cursor;
    TMemoryStream stream(std::vector<char>(c.bytes.begin(), c.bytes.end()));
    std::string error;
    EXPECT_FALSE(cursor.LoadFromStream(stream, error)) << c.what;
    EXPECT_EQ(error, _Z_BADBUFFER) << c.what;
    EXPECT_EQ(cursor.GetFieldCount(), 0) << c.what;
  }
}

TEST(BufferReader, RejectsBrokenFieldSections) {
  const std::string cases[] = {
      std::string("T.ID i") + FieldSeparator + FieldSeparator,  // empty description
      "T.ID i",                                                 // no separator
      std::string("T.ID") + FieldSeparator,                     // no type code
      std::string("T.N x") + FieldSeparator,                    // inline code above 35
      std::string("T.N !") + FieldSeparator,                    // inline code below 0
      std::string("T.N s70000") + FieldSeparator,               // longer than a length word
  };
  for (const std::string& layout : cases) {
    TzelCursor cursor;
    auto result = Load(cursor, TestBuffer().LayoutText(layout).FieldCount(2));
    EXPECT_FALSE(result.ok) << layout;
    EXPECT_EQ(result.error, _Z_BADFIELDSECTION) << layout;
  }
}

TEST(BufferReader, RejectsRecordsLargerThanTheDatasetCanHold) {
  std::string layout;
  for (int index = 0; index < 1900; ++index) layout += "T.F" + std::to_string(index) + " Z\x12";
  TzelCursor cursor;
  auto result = Load(cursor, TestBuffer().LayoutText(layout).FieldCount(1900));
  EXPECT_FALSE(result.ok);
  EXPECT_EQ(result.error, _Z_BADFIELDSECTION);
}

TEST(BufferReader, HugeFieldCountWithShortLayoutDoesNotHang) {
  TzelCursor cursor;
  auto result = Load(cursor, TestBuffer().LayoutText("T.ID i\x12").FieldCount(0x7FFFFFFF));
  EXPECT_TRUE(result.ok) << result.error;
  EXPECT_EQ(cursor.GetFieldCount(), 1);
}

TEST(BufferReader, HugeRecordCountFailsWithoutReservingForIt) {
  TzelCursor cursor;
  auto result =
      Load(cursor, TestBuffer().Layout({"T.ID i"}).Record({Int(1)}).RecordCount(0x7FFFFFFF));
  EXPECT_FALSE(result.ok);
  EXPECT_EQ(result.error, "Число прочитанных записей (1) не равно объявленному (2147483647)");
}

TEST(BufferReader, LayoutWithoutDescriptorsAcceptsNoRecords) {
  TzelCursor cursor;
  auto result = Load(cursor, TestBuffer().LayoutText("").FieldCount(0).RecordCount(5));
  EXPECT_FALSE(result.ok);
  EXPECT_EQ(result.error, _Z_UNEXPECTEDEND);
}

TEST(BufferReader, LengthChecksNameTheFieldAndTheRecordNumber) {
  struct Case {
    std::string description;
    WireValue bad;
    std::string message;
  };
  const Case cases[] = {
      {"T.N i", Raw(5, "12345"), "Поле 'N' имеет неправильную длину 5 в записи 2"},
      {"T.N b", Raw(3, "123"), "Поле 'N' имеет неправильную длину 3 в записи 2"},
      {"T.N 3", Raw(5, "12345"), "Поле 'N' имеет неправильную длину 5 в записи 2"},
      {"T.N s", Raw(3, "abc"), "Поле 'N' имеет неправильную длину 3 в записи 2"},
      {"T.N m", Raw(8, "abcdefgh"), "Поле 'N' имеет неправильную длину 8 в записи 2"},
      {"T.N s", Raw(4, Int32Bytes(8192)),
       "Строковое поле 'N' имеет неверную длину 8192 в записи 2"},
      {"T.N s", Raw(4, Int32Bytes(-1)), "Строковое поле 'N' имеет неверную длину -1 в записи 2"},
      {"T.N g", Raw(4, Int32Bytes(0x40000000)),
       "BLOB поле 'N' имеет неверную длину 1073741824 в записи 2"},
      {"T.N r", Raw(4, Int32Bytes(-2)), "BLOB поле 'N' имеет неверную длину -2 в записи 2"},
  };
  for (const Case& c : cases) {
    TzelCursor cursor;
    auto result = Load(cursor, TestBuffer()
                                   .Layout({"T.ID i", c.description})
                                   .Record({Int(1), Absent()})
                                   .Record({Int(2), c.bad}));
    EXPECT_FALSE(result.ok) << c.description;
    EXPECT_EQ(result.error, c.message) << c.description;
    EXPECT_EQ(cursor.GetRecordCount(), 0);
  }
}

TEST(BufferReader, AcceptsTheLongestTextAndAFullInlineSlot) {
  TzelCursor cursor;
  auto result = Load(cursor, TestBuffer()
                                 .Layout({"T.N s9000", "T.C 3"})
                                 .Record({Text(std::string(8191, 'x')), Raw(4, "abcd")}));
  ASSERT_TRUE(result.ok) << result.error;
  EXPECT_EQ(SlotText(cursor, 0, 0).size(), 8191u);
  // The value fills its slot without a terminator and is read bounded by it.
  const char* slot = cursor.GetData(0)->Data.get() + cursor.GetFieldInfo(1)->Offset;
  EXPECT_EQ(SlotInlineText(slot, cursor.GetFieldInfo(1)->Size), "abcd");
}

TEST(BufferReader, ValueLongerThanTheBytesLeftFailsAsUnexpectedEnd) {
  struct Case {
    const char* description;
    WireValue value;
  };
  const Case cases[] = {
      {"T.N s", Raw(4, Int32Bytes(8000) + "short")},
      {"T.N m", Raw(4, Int32Bytes(0x3FFFFFFF) + "short")},  // must not allocate 1 GiB first
      {"T.N s", Raw(4, "12")},                              // length word cut off
      {"T.N f", Raw(8, "1234")},
  };
  for (const Case& c : cases) {
    TzelCursor cursor;
    auto result = Load(cursor, TestBuffer().Layout({c.description}).Record({c.value}));
    EXPECT_FALSE(result.ok) << c.description;
    EXPECT_EQ(result.error, _Z_UNEXPECTEDEND) << c.description;
  }
}

TEST(BufferReader, EmptyHeapValuesAreStoredAsNoReference) {
  TzelCursor cursor;
  ASSERT_TRUE(
      Load(cursor, TestBuffer().Layout({"T.N s", "T.M m"}).Record({Text(""), Blob("")})).ok);
  const char* data = cursor.GetData(0)->Data.get();
  EXPECT_EQ(SlotRef(data + cursor.GetFieldInfo(0)->Offset), nullptr);
  EXPECT_EQ(SlotRef(data + cursor.GetFieldInfo(1)->Offset), nullptr);
}

TEST(BufferReader, SurplusLengthBytesMustBeZero) {
  // The layout declares three fields but describes one: records carry three
  // length bytes; values for undescribed fields cannot be read.
  TzelCursor good;
  auto ok = Load(
      good,
      TestBuffer().LayoutText("T.ID i\x12").FieldCount(3).Record({Int(4), Absent(), Absent()}));
  ASSERT_TRUE(ok.ok) << ok.error;
  EXPECT_EQ(SlotValue<int32_t>(good, 0, 0), 4);

  TzelCursor bad;
  auto failed = Load(
      bad, TestBuffer().LayoutText("T.ID i\x12").FieldCount(2).Record({Int(4), Raw(4, "abcd")}));
  EXPECT_FALSE(failed.ok);
  EXPECT_EQ(failed.error, _Z_BADBUFFER);
}

TEST(BufferReader, LoadFieldInfoReadsDescriptorsOnly) {
  TzelCursor cursor;
  TMemoryStream stream(
      TestBuffer().Layout({"T.ID i", "T.N s50"}).Record({Int(1), Text("a")}).Bytes());
  std::string error;
  ASSERT_TRUE(cursor.LoadFieldInfo(stream, error));
  EXPECT_EQ(cursor.GetFieldCount(), 2);
  EXPECT_EQ(cursor.GetRecordCount(), 0);
}

}  // namespace
}  // namespace morvane
