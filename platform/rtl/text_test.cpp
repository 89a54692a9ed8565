#include "platform/rtl/text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace morvane {
namespace {

TEST(Text, CyrillicCaseFollowsTheLocale) {
  EXPECT_EQ(AnsiUpperCase("ёлка"), "ЁЛКА");
  EXPECT_EQ(AnsiLowerCase("ШТУК"), "штук");
  EXPECT_EQ(AnsiUpperCase("шт. Pcs"), "ШТ. PCS");
  EXPECT_EQ(UpperCase("шт. pcs"), "шт. PCS") << "the ASCII upper case leaves other letters";
}

TEST(Text, CaseInsensitiveComparisonMatchesAcrossCases) {
  EXPECT_EQ(AnsiCompareText("Штука", "шТУКА"), 0);
  EXPECT_TRUE(AnsiSameText("КГ", "кг"));
  EXPECT_FALSE(AnsiSameText("ел", "ёл")) << "е and ё are different letters";
  EXPECT_LT(AnsiCompareText("абв", "АБГ"), 0);
  EXPECT_NE(AnsiCompareStr("Штука", "штука"), 0);
  EXPECT_EQ(AnsiCompareStr("штука", "штука"), 0);
}

TEST(Text, CollationKeysOrderLikeTheComparisons) {
  const std::vector<std::string> words = {"шт", "Шт.", "штук", "кг", "КГ",   "м",
                                          "М2", "",    "a",    "B",  "ёлка", "елка"};
  for (bool insensitive : {true, false}) {
    for (const auto& left : words) {
      for (const auto& right : words) {
        const int byKey = CollationKey(left, insensitive).compare(CollationKey(right, insensitive));
        const int byCompare =
            insensitive ? AnsiCompareText(left, right) : AnsiCompareStr(left, right);
        EXPECT_EQ(byKey < 0, byCompare < 0) << left << " vs " << right;
        EXPECT_EQ(byKey == 0, byCompare == 0) << left << " vs " << right;
      }
    }
  }
}

TEST(Text, TrimRemovesBlanksAndControlCharacters) {
  EXPECT_EQ(Trim(" \t шт.\r\n"), "шт.");
  EXPECT_EQ(TrimLeft("  a "), "a ");
  EXPECT_EQ(TrimRight("  a \x01"), "  a");
  EXPECT_EQ(Trim(" \n "), "");
}

TEST(Text, FieldNameListsAreTrimmedAndSkipEmptyNames) {
  EXPECT_EQ(SplitFieldNames("a; b;c"), (std::vector<std::string>{"a", "b", "c"}));
  EXPECT_EQ(SplitFieldNames(" Код ;; Имя "), (std::vector<std::string>{"Код", "Имя"}));
  EXPECT_TRUE(SplitFieldNames("").empty());
}

TEST(Text, Utf8CutsNeverSplitACharacter) {
  const std::string word = "штук";  // 8 bytes, 4 letters
  EXPECT_EQ(Utf8Length(word), 4u);
  EXPECT_EQ(Utf8Truncate(word, 3), "ш");
  EXPECT_EQ(Utf8Truncate(word, 4), "шт");
  EXPECT_EQ(Utf8Truncate(word, 100), word);
  EXPECT_EQ(Utf8Left(word, 3), "шту");
  EXPECT_EQ(Utf8Left("ab", 5), "ab");
}

TEST(Text, QuotingDoublesApostrophes) {
  EXPECT_EQ(QuotedStr("O'Hara"), "'O''Hara'");
  EXPECT_EQ(QuotedStr(""), "''");
  EXPECT_EQ(zSpaceToChar("Дата прихода", '_'), "Дата_прихода");
}

}  // namespace
}  // namespace morvane
