#include "app/suggestions.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

namespace morvane {
namespace {

TEST(SuggestionNormalFormTest, FoldsCaseTrimsDotsAndBlanksInBothScripts) {
  struct Case {
    const char* text;
    const char* normal;
  };
  const Case cases[] = {
      {"ШТ.", "шт"},
      {"  Шт  ", "шт"},
      {"пог.  м", "пог. м"},
      {"шт. .", "шт"},
      {"м.кв.", "м.кв"},
      {"KG", "kg"},
      {"Ёмкость", "емкость"},
      {"объём", "объем"},
      {"\tкВт\xC2\xA0ч ", "квт ч"},
      {"...", ""},
      {"", ""},
      {"Straße", "straße"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(NormalizeForSuggestion(c.text), c.normal) << c.text;
  }
}

TEST(SuggestionDistanceTest, CountsCharactersNotBytes) {
  EXPECT_EQ(EditDistance(U"штук", U"штука"), 1u);
  EXPECT_EQ(EditDistance(U"кгр", U"кор"), 1u);
  EXPECT_EQ(EditDistance(U"", U"шт"), 2u);
  EXPECT_EQ(EditDistance(U"kitten", U"sitting"), 3u);
  EXPECT_EQ(BoundedEditDistance(U"kitten", U"sitting", 3), 3u);
  EXPECT_EQ(BoundedEditDistance(U"kitten", U"sitting", 2), 3u) << "above the bound: bound + 1";
  EXPECT_EQ(BoundedEditDistance(U"a", U"abcdef", 1), 2u);
  EXPECT_EQ(SuggestionDistanceLimit(2), 0u);
  EXPECT_EQ(SuggestionDistanceLimit(3), 1u);
  EXPECT_GT(SuggestionDistanceLimit(12), SuggestionDistanceLimit(6));
}

// The whole table, every cell: what the bounded distance must agree with.
size_t FullTableDistance(const std::u32string& left, const std::u32string& right) {
  std::vector<std::vector<size_t>> table(left.size() + 1, std::vector<size_t>(right.size() + 1));
  for (size_t i = 0; i <= left.size(); ++i) table[i][0] = i;
  for (size_t j = 0; j <= right.size(); ++j) table[0][j] = j;
  for (size_t i = 1; i <= left.size(); ++i) {
    for (size_t j = 1; j <= right.size(); ++j) {
      table[i][j] = std::min({table[i - 1][j] + 1, table[i][j - 1] + 1,
                              table[i - 1][j - 1] + (left[i - 1] == right[j - 1] ? 0 : 1)});
    }
  }
  return table[left.size()][right.size()];
}

TEST(SuggestionDistanceTest, BoundedDistanceAgreesWithTheWholeTable) {
  // Short texts over a small alphabet share starts, ends and letters often,
  // which is where shortcuts go wrong; the longer ones pass the stack row.
  std::mt19937 random(7);
  const std::u32string alphabet = U"abшт.";
  auto text = [&](size_t most) {
    std::u32string chars(random() % (most + 1), U' ');
    for (char32_t& c : chars) c = alphabet[random() % alphabet.size()];
    return chars;
  };
  for (int round = 0; round < 20000; ++round) {
    const size_t most = round % 10 == 0 ? 80 : 9;
    const std::u32string left = text(most);
    const std::u32string right = text(most);
    const size_t bound = random() % 5;
    const size_t full = FullTableDistance(left, right);
    ASSERT_EQ(BoundedEditDistance(left, right, bound), std::min(full, bound + 1))
        << round << " bound " << bound;
    ASSERT_EQ(EditDistance(left, right), full) << round;
  }
}

class SuggesterTest : public ::testing::Test {
 protected:
  TSuggester units_{{{"шт", "штука"},
                     {"кг", "килограмм"},
                     {"г", "грамм"},
                     {"л", "литр"},
                     {"лист", "лист"},
                     {"кор", "коробка"},
                     {"пог.м", "погонный метр"},
                     {"кВт*ч", "киловатт-час"},
                     {"pcs", "pieces"},
                     {"емк", "ёмкость"}}};
};

TEST_F(SuggesterTest, RanksExactThenFullNameThenTheOneNearest) {
  struct Case {
    const char* current;
    const char* suggested;  // "" for none
  };
  const Case cases[] = {
      {"шт", "шт"},   // its own allowed value
      {"ШТ.", "шт"},  // same normal form
      {"шт ", "шт"},
      {"Кг.", "кг"},
      {"PCS.", "pcs"},    // Latin folds too
      {"Pieces", "pcs"},  // a full name
      {"КИЛОГРАММ", "кг"},
      {"Емкость", "емк"},   // "ё" and "е" are one letter here
      {"штук", "шт"},       // one edit from the full name "штука"
      {"штю", "шт"},        // one edit from the value
      {"пог. м", "пог.м"},  // a blank more
      {"кВт.ч", "кВт*ч"},
      {"щт", ""},  // two characters: too short to guess
      {"гр", ""},
      {"кгр", ""},    // one edit from both "кг" and "кор": a tie
      {"лит", ""},    // one edit from "литр" (л) and "лист": a tie
      {"тюбик", ""},  // nothing near
      {"", ""},
      {"...", ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(units_.Suggest(c.current), c.suggested) << c.current;
  }
}

TEST(SuggesterTieTest, TiesAtAStrongRuleNeverFallThrough) {
  // "М" and "м" fold to one form: a value "м." could mean either.
  TSuggester suggester({{"М", "мега"}, {"м", "метр"}, {"мм", "миллиметр"}});
  EXPECT_EQ(suggester.Suggest("м."), "");
  EXPECT_EQ(suggester.Suggest("М"), "М");  // exactly an allowed value
  EXPECT_EQ(suggester.Suggest("метр"), "м");
  // Two rows of one value are one candidate, not a tie.
  TSuggester repeated({{"шт", "штука"}, {"шт", "штуки"}});
  EXPECT_EQ(repeated.Suggest("Шт"), "шт");
  // Two values sharing a full name tie.
  TSuggester shared({{"шт", "штука"}, {"ед", "штука"}});
  EXPECT_EQ(shared.Suggest("штука"), "");
}

}  // namespace
}  // namespace morvane
