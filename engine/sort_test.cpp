#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "engine/compare.h"
#include "engine/test_buffer.h"
#include "engine/test_dataset.h"
#include "platform/rtl/text.h"

namespace morvane {
namespace {

using namespace testing;

// Four records, one column per field type.
std::vector<char> Mixed() {
  return TestBuffer()
      .Layout({"T.ID i", "T.N i", "T.B b", "T.F f", "T.S 9", "T.H s60", "T.M m"})
      .Record({Int(1), Int(10), Bool(false), Dbl(2.5), Small("100"), Text("beta"), Blob("b")})
      .Record({Int(2), Int(9), Bool(true), Dbl(-1), Small("9"), Absent(), Absent()})
      .Record({Int(3), Int(-1), Bool(false), Dbl(0), Small("10"), Text("Alpha"), Blob("a")})
      .Record({Int(4), Int(0), Bool(true), Dbl(1e9), Absent(), Text("alpha"), Blob("")})
      .Bytes();
}

std::vector<int> Ids(MemoryDataset& table) {
  std::vector<int> ids;
  for (int index = 0; index < table.ViewCount(); ++index) {
    const char* data = table.ViewRecord(index)->Data.get();
    int32_t id;
    std::memcpy(&id, data + table.Cursor()->FindFieldInfo("ID")->Offset, sizeof id);
    ids.push_back(id);
  }
  return ids;
}

struct SortCase {
  const char* index;
  TzelSortOptions options;
  std::vector<int> expected;
};

TEST(ViewSort, OrdersEachFieldTypeByItsRule) {
  const SortCase cases[] = {
      {"N", {}, {3, 4, 2, 1}},
      {"N", {zsoDescendSort}, {1, 2, 4, 3}},
      {"B;ID", {}, {2, 4, 1, 3}},  // True before False
      {"B;ID", {zsoDescendSort}, {3, 1, 4, 2}},
      {"F", {}, {2, 3, 1, 4}},
      {"S", {}, {4, 3, 1, 2}},  // left-aligned texts: "", "10", "100", "9"
      {"H", {}, {2, 3, 4, 1}},  // no text first, then by byte: "Alpha" < "alpha"
  };
  for (const SortCase& sortCase : cases) {
    MemoryDataset table(Mixed());
    table.Open();
    table.SetSortOptions(sortCase.options);
    table.SetIndexFieldNames(sortCase.index);
    EXPECT_EQ(Ids(table), sortCase.expected) << sortCase.index;
    EXPECT_TRUE(table.Sorted());
  }
}

TEST(ViewSort, RightAlignedInlineTextsOrderByMagnitude) {
  MemoryDataset table(Mixed());
  table.Open();
  table.FieldByName("S")->SetAlignment(taRightJustify);
  table.SetIndexFieldNames("S");
  EXPECT_EQ(Ids(table), (std::vector<int>{4, 2, 3, 1}));  // "", 9, 10, 100
}

TEST(ViewSort, UnknownAndBlobIndexFieldsLeaveTheViewUnsorted) {
  MemoryDataset table(Mixed());
  table.Open();
  table.SetIndexFieldNames("NOPE;M");
  EXPECT_FALSE(table.Sorted());
  EXPECT_EQ(Ids(table), (std::vector<int>{1, 2, 3, 4}));
}

TEST(ViewSort, CaseInsensitiveSortFollowsTheLocaleAcrossCyrillicCases) {
  MemoryDataset table(TestBuffer()
                          .Layout({"T.ID i", "T.H s60"})
                          .Record({Int(1), Text("Щука")})
                          .Record({Int(2), Text("арбуз")})
                          .Record({Int(3), Text("Арбуз2")})
                          .Record({Int(4), Absent()})
                          .Record({Int(5), Text("АРБУЗ")})
                          .Bytes());
  table.Open();
  table.SetIndexFieldNames("H");
  // By byte, capital Cyrillic letters come before small ones.
  EXPECT_EQ(Ids(table), (std::vector<int>{4, 5, 3, 1, 2}));
  table.SetSortOptions({zsoCaseInsensitive});
  std::vector<int> ids = Ids(table);
  EXPECT_EQ(ids.front(), 4);
  // "арбуз" and "АРБУЗ" are equal: either order.
  EXPECT_TRUE((std::vector<int>(ids.begin() + 1, ids.begin() + 3) == std::vector<int>{2, 5}) ||
              (std::vector<int>(ids.begin() + 1, ids.begin() + 3) == std::vector<int>{5, 2}));
  EXPECT_EQ(ids[3], 3);
  EXPECT_EQ(ids[4], 1);
  table.SetSortOptions({zsoCaseInsensitive, zsoDescendSort});
  EXPECT_EQ(Ids(table).front(), 1);
  EXPECT_EQ(Ids(table).back(), 4);
}

// Random texts, sorted case-insensitively, must stand in the order of the
// locale's collation of whole texts: ASCII-only texts (compared through
// per-character weights) and texts with Cyrillic and repeats (compared
// through one collation key per distinct text), as leading and as second
// sort field.
TEST(ViewSort, CaseInsensitiveSortFollowsTheCollationOfWholeTexts) {
  const std::vector<std::string> ascii = {"a", "B", "z", "Z", "0", "9", " ", "-", "_", ".",
                                          "'", "(", "~", "@", "e", "E", "ab", "AB"};
  std::vector<std::string> mixed = ascii;
  for (const char* letter : {"я", "Я", "ё", "Ё", "е", "ж"}) mixed.push_back(letter);
  uint64_t state = 7;
  auto next = [&state] {
    state = state * 6364136223846793005ULL + 1442695040888963407ULL;
    return uint32_t(state >> 33);
  };
  const std::vector<const std::vector<std::string>*> alphabets = {&ascii, &mixed};
  for (const std::vector<std::string>* alphabet : alphabets) {
    TestBuffer buffer;
    buffer.Layout({"T.ID i", "T.G i", "T.H s60"});
    std::vector<std::string> made;
    for (int id = 1; id <= 400; ++id) {
      std::string text;
      // Repeats of earlier texts in other letter cases, so equal keys meet.
      if (!made.empty() && next() % 4 == 0) {
        text = AnsiUpperCase(made[next() % made.size()]);
      } else {
        const size_t length = 1 + next() % 6;
        for (size_t at = 0; at < length; ++at) text += (*alphabet)[next() % alphabet->size()];
      }
      made.push_back(text);
      buffer.Record({Int(id), Int(int32_t(next() % 2)), Text(text)});
    }
    for (const char* index : {"H", "G;H"}) {
      MemoryDataset table(buffer.Bytes());
      table.Open();
      table.SetSortOptions({zsoCaseInsensitive});
      table.SetIndexFieldNames(index);
      const TzelField& group = *table.Cursor()->FindFieldInfo("G");
      const TzelField& text = *table.Cursor()->FindFieldInfo("H");
      for (int at = 1; at < table.ViewCount(); ++at) {
        const char* before = table.ViewRecord(at - 1)->Data.get();
        const char* after = table.ViewRecord(at)->Data.get();
        if (std::string(index) == "G;H" &&
            CompareBuf(before + group.Offset, after + group.Offset, group, false) != 0) {
          continue;
        }
        const std::string_view left = SlotHeapText(before + text.Offset);
        const std::string_view right = SlotHeapText(after + text.Offset);
        ASSERT_LE(AnsiCompareText(left, right), 0)
            << index << ": \"" << left << "\" before \"" << right << "\"";
      }
    }
  }
}

TEST(ViewSort, SecondFieldDecidesAmongEqualFirstKeys) {
  MemoryDataset table(TestBuffer()
                          .Layout({"T.ID i", "T.G i", "T.H s60"})
                          .Record({Int(1), Int(2), Text("б")})
                          .Record({Int(2), Int(1), Text("Б")})
                          .Record({Int(3), Int(2), Text("А")})
                          .Record({Int(4), Int(1), Text("в")})
                          .Bytes());
  table.Open();
  table.SetSortOptions({zsoCaseInsensitive});
  table.SetIndexFieldNames("G;H");
  EXPECT_EQ(Ids(table), (std::vector<int>{2, 4, 3, 1}));
}

TEST(ViewSort, RebuildKeepsTheCurrentRecordCurrent) {
  MemoryDataset table(Mixed());
  table.Open();
  table.SetRecNo(2);
  table.SetIndexFieldNames("N");
  EXPECT_EQ(table.FieldByName("ID")->AsInteger(), 2);
  EXPECT_EQ(table.RecNo(), 3);
}

TEST(ViewSort, SameIndexTextDoesNotRebuildButAnotherCaseDoes) {
  MemoryDataset table(Mixed());
  table.Open();
  table.SetIndexFieldNames("N");
  int rebuilds = 0;
  table.AfterScroll = [&](TDataSet*) { ++rebuilds; };
  table.SetIndexFieldNames("N");
  EXPECT_EQ(rebuilds, 0);
  table.SetIndexFieldNames("n");
  EXPECT_EQ(rebuilds, 1);
}

TEST(ViewSort, InsertedRecordGoesBeforeTheFirstEqualKey) {
  MemoryDataset table(TestBuffer()
                          .Layout({"T.K i", "T.NAME s40"})
                          .Record({Int(3), Text("c")})
                          .Record({Int(1), Text("a")})
                          .Record({Int(3), Text("d")})
                          .Bytes());
  table.Open();
  table.SetIndexFieldNames("K");
  table.Append();
  table.FieldByName("K")->SetAsInteger(3);
  table.FieldByName("NAME")->SetAsString("new");
  table.Post();
  EXPECT_EQ(table.RecNo(), 2);
  EXPECT_EQ(table.FieldByName("NAME")->AsString(), "new");
  EXPECT_TRUE(table.Sorted());
}

TEST(ViewSort, NanDoublesSortFirstAndKeepTheOrderConsistent) {
  TestBuffer buffer;
  buffer.Layout({"T.ID i", "T.F f"});
  const double nan = std::numeric_limits<double>::quiet_NaN();
  for (int id = 0; id < 200; ++id) buffer.Record({Int(id), Dbl(id % 3 == 0 ? nan : 200 - id)});
  MemoryDataset table(buffer.Bytes());
  table.Open();
  table.SetIndexFieldNames("F");
  EXPECT_EQ(table.ViewCount(), 200);
  std::vector<int> ids = Ids(table);
  for (size_t index = 0; index < ids.size(); ++index) {
    EXPECT_EQ(ids[index] % 3 == 0, index < 67) << index;
  }
}

TEST(ViewSort, NanDoublesSortFirstAlsoBehindALeadingField) {
  TestBuffer buffer;
  buffer.Layout({"T.ID i", "T.G i", "T.F f"});
  const double nan = std::numeric_limits<double>::quiet_NaN();
  for (int id = 0; id < 200; ++id) {
    buffer.Record({Int(id), Int(1), Dbl(id % 3 == 0 ? nan : 200 - id)});
  }
  MemoryDataset table(buffer.Bytes());
  table.Open();
  table.SetIndexFieldNames("G;F");
  EXPECT_EQ(table.ViewCount(), 200);
  std::vector<int> ids = Ids(table);
  for (size_t index = 0; index < ids.size(); ++index) {
    EXPECT_EQ(ids[index] % 3 == 0, index < 67) << index;
  }
}

TEST(ViewSort, EditAfterAReloadWithoutRecordsComparesByTheNewLayout) {
  MemoryDataset table(TestBuffer().Layout({"T.ID i"}).Record({Int(1)}).Bytes());
  table.Open();
  table.SetIndexFieldNames("ID");
  table.SetBuffer(TestBuffer().Layout({"T.ID i"}).Bytes());
  table.Refresh();
  for (int key : {5, 3}) {
    table.Append();
    table.FieldByName("ID")->SetAsInteger(key);
    table.Post();
  }
  EXPECT_EQ(table.RecNo(), 1);  // 3 placed before 5
  table.Edit();
  table.FieldByName("ID")->SetAsInteger(6);
  table.Post();
  EXPECT_FALSE(table.Sorted());
}

// --- CompareBuf -------------------------------------------------------------------

class CompareBufTest : public ::testing::Test {
 protected:
  int Compare(const TzelField& field, const std::function<void(char*, char*)>& fill,
              bool caseInsensitive = false) {
    std::vector<char> left(64, 0);
    std::vector<char> right(64, 0);
    fill(left.data(), right.data());
    int result = CompareBuf(left.data(), right.data(), field, caseInsensitive);
    if (IsHeapType(field.FieldType)) {
      FreeSlot(left.data());
      FreeSlot(right.data());
    }
    return result;
  }
  static void PutInt(char* slot, int32_t value) { std::memcpy(slot, &value, 4); }
};

TEST_F(CompareBufTest, IntegersOfOppositeExtremesDoNotOverflow) {
  TzelField field;
  field.FieldType = zftInteger;
  field.Size = 4;
  EXPECT_LT(Compare(field, [](char* l, char* r) { PutInt(l, INT32_MIN), PutInt(r, INT32_MAX); }),
            0);
  EXPECT_GT(Compare(field, [](char* l, char* r) { PutInt(l, INT32_MAX), PutInt(r, INT32_MIN); }),
            0);
}

TEST_F(CompareBufTest, InlineTextsOrderEmptyFirstThenByByteThenShorterFirst) {
  TzelField inlineText;
  inlineText.FieldType = zftSmallStr;
  inlineText.Size = 10;
  struct Case {
    const char* left;
    const char* right;
    int sign;
  };
  const Case cases[] = {{"", "a", -1},  {"ab", "abc", -1}, {"b", "abc", 1},
                        {"Я", "а", -1}, {"abc", "abc", 0}, {"\xff", "a", 1}};
  for (const Case& textCase : cases) {
    int result = Compare(inlineText, [&](char* l, char* r) {
      std::strcpy(l, textCase.left);
      std::strcpy(r, textCase.right);
    });
    EXPECT_EQ((result > 0) - (result < 0), textCase.sign) << textCase.left << " " << textCase.right;
  }
}

TEST_F(CompareBufTest, TextsFollowLengthAndReferenceRules) {
  TzelField heap;
  heap.FieldType = zftString;
  heap.Size = uint16_t(SIZECHAR);
  EXPECT_EQ(Compare(heap, [](char*, char*) {}), 0);
  EXPECT_GT(Compare(heap, [](char* l, char*) { SetSlotText(l, "a"); }), 0);
  EXPECT_LT(Compare(heap, [](char* l, char* r) { SetSlotText(l, "ab"), SetSlotText(r, "abc"); }),
            0);
  EXPECT_LT(Compare(heap, [](char* l, char* r) { SetSlotText(l, "B"), SetSlotText(r, "a"); }), 0);
  EXPECT_GT(Compare(
                heap, [](char* l, char* r) { SetSlotText(l, "B"), SetSlotText(r, "a"); }, true),
            0);

  // Case-insensitively the common part counts characters, not bytes.
  EXPECT_LT(Compare(
                heap, [](char* l, char* r) { SetSlotText(l, "ёж"), SetSlotText(r, "ЁЖИК"); }, true),
            0);
  EXPECT_EQ(Compare(
                heap, [](char* l, char* r) { SetSlotText(l, "ёЖ"), SetSlotText(r, "Ёж"); }, true),
            0);

  TzelField memo;
  memo.FieldType = zftMemo;
  memo.Size = uint16_t(SIZECHAR + SIZEINT);
  EXPECT_LT(
      Compare(memo, [](char* l, char* r) { SetSlotBlobKeepEmpty(l, ""), SetSlotBlob(r, "a"); }), 0);
}

}  // namespace
}  // namespace morvane
