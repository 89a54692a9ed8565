#include "platform/rtl/string_list.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/rtl/exceptions.h"
#include "platform/rtl/streams.h"

namespace morvane {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

TEST(StringListTest, TextSplitsOnEveryKindOfLineEnd) {
  struct Case {
    const char* text;
    std::vector<std::string> lines;
  };
  const Case cases[] = {
      {"", {}},
      {"a", {"a"}},
      {"a\r\nb", {"a", "b"}},
      {"a\nb\n", {"a", "b"}},
      {"a\rb\r", {"a", "b"}},
      {"a\r\n\r\nb", {"a", "", "b"}},
      {"a\n\rb", {"a", "", "b"}},  // LF then CR is two line ends
      {"\r\n", {""}},
      {"x\r\ny\nz\rw", {"x", "y", "z", "w"}},
  };
  for (const Case& c : cases) {
    TStringList list;
    list.SetText(c.text);
    EXPECT_THAT(list.Lines(), ElementsAreArray(c.lines)) << "text: " << c.text;
  }
}

TEST(StringListTest, TextEndsEveryLineWithCrLf) {
  TStringList list{"a", "", "b"};
  EXPECT_EQ(list.Text(), "a\r\n\r\nb\r\n");
  EXPECT_EQ(list.CommaText(), "a,,b");
  EXPECT_EQ(TStringList().Text(), "");
}

TEST(StringListTest, BadIndexRaisesListErrorWithTheIndex) {
  TStringList list{"a"};
  try {
    (void)list[1];
    FAIL() << "no exception";
  } catch (const EListError& error) {
    EXPECT_STREQ(error.what(), "List index out of bounds (1)");
  }
  EXPECT_THROW(list.Delete(-1), EListError);
  EXPECT_THROW(list.Insert(2, "x"), EListError);
  list.Insert(1, "b");  // at the end is allowed
  EXPECT_THAT(list.Lines(), ElementsAre("a", "b"));
}

TEST(StringListTest, IndexOfIgnoresCaseIncludingCyrillic) {
  TStringList list{"Alpha", "Ёлка", "beta"};
  EXPECT_EQ(list.IndexOf("ALPHA"), 0);
  EXPECT_EQ(list.IndexOf("ёЛКА"), 1);
  EXPECT_EQ(list.IndexOf("Beta"), 2);
  EXPECT_EQ(list.IndexOf("gamma"), -1);
}

TEST(StringListTest, ValuesTakeTheFirstMatchingNameWithoutRegardToCase) {
  TStringList list{"no equals sign", "Key=first", "KEY=second", "Пусто=", "Имя=а=б"};
  EXPECT_EQ(list.Values("key"), "first");
  EXPECT_EQ(list.IndexOfName("kEy"), 1);
  EXPECT_EQ(list.Values("ИМЯ"), "а=б");  // split at the first '='
  EXPECT_EQ(list.Values("пусто"), "");
  EXPECT_EQ(list.IndexOfName("пусто"), 3);
  EXPECT_EQ(list.Values("no equals sign"), "");
  EXPECT_EQ(list.Names(0), "");
  EXPECT_EQ(list.Names(4), "Имя");
  EXPECT_EQ(list.ValueFromIndex(1), "first");
}

TEST(StringListTest, SetValueReplacesAppendsAndDeletes) {
  TStringList list{"a=1", "B=2", "b=3"};
  list.SetValue("b", "20");
  list.SetValue("c", "4");
  EXPECT_THAT(list.Lines(), ElementsAre("a=1", "b=20", "b=3", "c=4"));
  list.SetValue("A", "");
  EXPECT_THAT(list.Lines(), ElementsAre("b=20", "b=3", "c=4"));
  list.SetValue("missing", "");
  EXPECT_EQ(list.Count(), 3);
}

TEST(StringListTest, SortedListInsertsInCaseInsensitiveOrder) {
  TStringList list{"pear", "Apple"};
  list.SetSorted(true);
  EXPECT_THAT(list.Lines(), ElementsAre("Apple", "pear"));
  EXPECT_EQ(list.Add("banana"), 1);
  EXPECT_EQ(list.Add("APPLE"), 1);  // after the equal line already there
  EXPECT_EQ(list.Add("Zebra"), 4);
  EXPECT_EQ(list.Add("aardvark"), 0);
  EXPECT_THAT(list.Lines(), ElementsAre("aardvark", "Apple", "APPLE", "banana", "pear", "Zebra"));
  EXPECT_THROW(list.Insert(0, "x"), EListError);
  list.SetText("я\nА\nб");
  EXPECT_THAT(list.Lines(), ElementsAre("А", "б", "я"));
}

TEST(StringListTest, SaveAndLoadRoundTripThroughAFile) {
  std::string folder = (std::filesystem::temp_directory_path() / "rtl_string_list_XXXXXX").string();
  ASSERT_NE(mkdtemp(folder.data()), nullptr);
  std::string fileName = folder + "/lines.txt";
  TStringList saved{"первая", "", "third=3"};
  saved.SaveToFile(fileName);
  TStringList loaded;
  loaded.LoadFromFile(fileName);
  EXPECT_EQ(loaded.Lines(), saved.Lines());

  std::string withBom = "\xEF\xBB\xBFKey=1\n";
  WriteFileAtomically(fileName, withBom.data(), withBom.size());
  loaded.LoadFromFile(fileName);
  EXPECT_EQ(loaded.Values("key"), "1");
  std::filesystem::remove(fileName);
  EXPECT_THROW(loaded.LoadFromFile(fileName), EFOpenError);
  std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace morvane
