#include "replace/value_groups.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <numeric>
#include <random>
#include <set>

#include "replace/spelling_forms.h"
#include "replace/suggestions.h"

namespace morvane {
namespace {

// The proposed value of each value by its text.
std::map<std::string, std::string> Proposals(const std::vector<TCountedValue>& values) {
  const TValueGroups groups = GroupNearSpellings(values);
  std::map<std::string, std::string> proposed;
  for (size_t index = 0; index < values.size(); ++index) {
    proposed[values[index].value] = values[groups.centre[index]].value;
  }
  return proposed;
}

TEST(ValueGroupsTest, TheMostFrequentSpellingIsProposedForItsNearSpellings) {
  const auto proposed = Proposals({{"шт.", 5},
                                   {"шт", 40},
                                   {"ШТ", 3},
                                   {"шT", 2},  // a Latin T
                                   {"in", 1},  // typed in the other layout
                                   {"штука", 6},
                                   {"штукa", 1},  // look-alike
                                   {"шутка", 1},  // a swap, five characters
                                   {"кг", 30},
                                   {"Kг", 4},
                                   {"ru", 2},
                                   {"литр", 9},
                                   {"kbnh", 1},
                                   {"литра", 2},
                                   {"лтр", 2},  // short: no distance
                                   {"сут", 5},
                                   {"бут", 4}});
  for (const char* value : {"шт.", "шт", "ШТ", "шT", "in"}) {
    EXPECT_EQ(proposed.at(value), "шт") << value;
  }
  EXPECT_EQ(proposed.at("штукa"), "штука");
  EXPECT_EQ(proposed.at("шутка"), "штука");
  for (const char* value : {"кг", "Kг", "ru"}) EXPECT_EQ(proposed.at(value), "кг") << value;
  for (const char* value : {"литр", "kbnh", "литра"})
    EXPECT_EQ(proposed.at(value), "литр") << value;
  EXPECT_EQ(proposed.at("лтр"), "лтр");
  EXPECT_EQ(proposed.at("бут"), "бут") << "among raw values short near spellings stay apart";
}

TEST(ValueGroupsTest, DigitsKeepValuesApartAndNothingChainsThroughAMiddleValue) {
  const auto proposed = Proposals({{"M8", 10},
                                   {"M10", 9},
                                   {"м8", 3},
                                   {"болт M10", 3},
                                   {"болт M 10", 1},
                                   {"болт M8", 5},
                                   {"болт M6", 4},
                                   {"болт М18", 1},
                                   {"кг", 20},
                                   {"гр", 15},
                                   {"кгр", 1},  // one edit from both: a tie
                                   {"", 7},
                                   {"...", 2}});
  EXPECT_EQ(proposed.at("M10"), "M10");
  EXPECT_EQ(proposed.at("м8"), "M8");
  EXPECT_EQ(proposed.at("болт M 10"), "болт M10");
  EXPECT_EQ(proposed.at("болт M6"), "болт M6");
  EXPECT_EQ(proposed.at("болт М18"), "болт М18");
  EXPECT_EQ(proposed.at("гр"), "гр");
  EXPECT_EQ(proposed.at("кгр"), "кгр");
  // One edit from two spellings that are too far apart to join each other.
  const auto tied = Proposals({{"абвгдеж", 5}, {"бвгде", 5}, {"абвгде", 1}});
  ASSERT_EQ(tied.at("бвгде"), "бвгде");
  EXPECT_EQ(tied.at("абвгде"), "абвгде") << "a tie joins neither";
  const auto clean = Proposals({{"ШТ.", 3}, {"шт", 3}, {"Шт", 3}});
  EXPECT_EQ(clean.at("ШТ."), "шт") << "of equal counts the clean spelling is proposed";
  EXPECT_EQ(proposed.at("..."), "...") << "nothing to compare: never joined to the empty value";
  const TValueGroups groups = GroupNearSpellings({{"a1", 1}, {"b2", 5}, {"c3", 5}});
  EXPECT_EQ(groups.group, (std::vector<size_t>{3, 1, 2}))
      << "groups numbered by their centres, most frequent first, then by text";
}

// The same grouping, comparing every value with every centre found before
// it: what the indexed search must agree with.
std::vector<size_t> EveryPairCentres(const std::vector<TCountedValue>& values) {
  std::vector<size_t> order(values.size());
  std::iota(order.begin(), order.end(), size_t(0));
  auto clean = [&](size_t index) {
    return NormalizeForSuggestion(values[index].value) == values[index].value;
  };
  std::sort(order.begin(), order.end(), [&](size_t a, size_t b) {
    if (values[a].count != values[b].count) return values[a].count > values[b].count;
    if (clean(a) != clean(b)) return clean(a);
    return values[a].value < values[b].value;
  });
  struct F {
    std::u32string chars, reading, digits;
  };
  std::vector<F> forms;
  for (const auto& item : values) {
    const std::u32string normal = Utf8Characters(NormalizeForSuggestion(item.value));
    forms.push_back(
        {FoldLookAlikes(normal), FoldLookAlikes(OtherLayoutReading(normal)), DigitsOf(normal)});
  }
  std::vector<size_t> centre(values.size());
  std::vector<size_t> centres;
  for (const size_t value : order) {
    const F& f = forms[value];
    long found = -1;  // -2: a tie
    if (!f.chars.empty()) {
      for (const std::u32string* form : {&f.chars, &f.reading}) {
        if (found != -1 || form->empty()) continue;
        for (size_t c : centres) {
          if (forms[c].chars == *form) {
            found = long(c);
            break;
          }
        }
      }
      for (const std::u32string* form : {&f.chars, &f.reading}) {
        if (found != -1 || form->empty()) continue;
        const size_t limit = GroupDistanceLimit(form->size());
        if (limit == 0) continue;
        size_t best = limit + 1;
        std::vector<size_t> nearest;
        for (size_t c : centres) {
          if (forms[c].digits != f.digits) continue;
          const size_t distance = EditDistance(*form, forms[c].chars);
          if (distance < best) nearest.clear();
          best = std::min(best, distance);
          if (distance == best) nearest.push_back(c);
        }
        if (best <= limit) found = nearest.size() == 1 ? long(nearest[0]) : -2;
      }
    }
    if (found >= 0) {
      centre[value] = size_t(found);
    } else {
      centre[value] = value;
      if (!f.chars.empty()) centres.push_back(value);
    }
  }
  return centre;
}

// Many values over a few letters of both alphabets, digits and blanks,
// short and past the indexed length, with repeated counts: near spellings,
// ties and digit differences are common.
TEST(ValueGroupsTest, IndexedSearchAgreesWithComparingEveryPair) {
  std::mt19937 random(5);
  const std::vector<std::string> letters = {"a", "k", "ш", "т", "к", "i", "n", "1", "2", " ", "."};
  int joined = 0;
  for (const size_t count : {60, 600, 2000}) {
    std::vector<TCountedValue> values;
    std::set<std::string> seen;
    while (values.size() < count) {
      std::string text;
      const size_t length = random() % 4 == 0 ? 10 + random() % 8 : 1 + random() % 7;
      for (size_t index = 0; index < length; ++index) text += letters[random() % letters.size()];
      if (!seen.insert(text).second) continue;
      values.push_back({text, int64_t(random() % 6)});
    }
    const TValueGroups groups = GroupNearSpellings(values);
    const std::vector<size_t> expected = EveryPairCentres(values);
    for (size_t index = 0; index < values.size(); ++index) {
      ASSERT_EQ(groups.centre[index], expected[index]) << "«" << values[index].value << "»";
      if (expected[index] != index) ++joined;
    }
  }
  EXPECT_GT(joined, 300) << "the cases joined groups often enough to mean something";
}

}  // namespace
}  // namespace morvane
