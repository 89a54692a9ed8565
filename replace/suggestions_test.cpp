#include "replace/suggestions.h"

#include <gtest/gtest.h>

#include "replace/spelling_forms.h"

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

TEST(SuggestionDistanceTest, ASwapOfNeighboursIsOneEdit) {
  EXPECT_EQ(EditDistance(U"намбиия", U"намибия"), 1u);
  EXPECT_EQ(EditDistance(U"рунада", U"руанда"), 1u);
  EXPECT_EQ(EditDistance(U"ab", U"ba"), 1u);
  EXPECT_EQ(EditDistance(U"abc", U"ca"), 3u) << "a swapped pair is not edited again";
  EXPECT_EQ(BoundedEditDistance(U"штука", U"тшукa", 1), 2u);
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
      if (i > 1 && j > 1 && left[i - 1] == right[j - 2] && left[i - 2] == right[j - 1]) {
        table[i][j] = std::min(table[i][j], table[i - 2][j - 2] + 1);
      }
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

TEST(SuggesterLookAlikeTest, LatinLettersThatLookCyrillicFindTheirValueBothWays) {
  TSuggester cyrillic({{"кг", "килограмм"}, {"шт", "штука"}, {"м3", "кубометр"}, {"упак", ""}});
  EXPECT_EQ(cyrillic.Suggest("Kг"), "кг");  // Latin K
  EXPECT_EQ(cyrillic.Suggest("шT"), "шт");  // Latin T
  EXPECT_EQ(cyrillic.Suggest("M3"), "м3");  // Latin M
  EXPECT_EQ(cyrillic.Suggest("упaк"), "упак");
  EXPECT_EQ(cyrillic.SuggestWithSource("упaк").source, TSuggestionSource::LookAlike);
  EXPECT_EQ(cyrillic.Suggest("M4"), "") << "a digit is no look-alike";
  // Latin values typed partly in Cyrillic look-alikes.
  TSuggester latin({{"pcs", "pieces"}, {"box", ""}, {"HOUR", ""}});
  EXPECT_EQ(latin.Suggest("рсs"), "pcs");  // Cyrillic р and с
  EXPECT_EQ(latin.Suggest("Вох"), "box");
  EXPECT_EQ(latin.Suggest("НОUR"), "HOUR");
  // Two values that fold alike tie: neither is guessed.
  TSuggester twins({{"Max", ""}, {"Мах", ""}, {"мм", ""}});
  EXPECT_EQ(twins.Suggest("MАx"), "");
  EXPECT_EQ(twins.Suggest("Мах"), "Мах") << "an exact value is its own";
}

TEST(SuggesterLayoutTest, AValueTypedInTheOtherLayoutFindsItsValueBothWays) {
  TSuggester units({{"шт", "штука"}, {"кг", ""}, {"литр", ""}, {"упак", "упаковка"}});
  EXPECT_EQ(units.Suggest("in"), "шт");
  EXPECT_EQ(units.Suggest("ru"), "кг");
  EXPECT_EQ(units.Suggest("kbnh"), "литр");
  EXPECT_EQ(units.Suggest("EGFR"), "упак");
  EXPECT_EQ(units.SuggestWithSource("egfr").source, TSuggestionSource::Layout);
  EXPECT_EQ(units.Suggest("egfrjdrf"), "упак") << "the full name read through the layout";
  EXPECT_EQ(units.Suggest("kbnhf"), "литр") << "a near spelling of the other reading";
  // Cyrillic typed for Latin values.
  TSuggester latin({{"box", ""}, {"pallet", ""}});
  EXPECT_EQ(latin.Suggest("ищч"), "box");
  EXPECT_EQ(latin.Suggest("зфддуе"), "pallet");
  // A value of both alphabets has no other reading; neither has one without letters.
  EXPECT_EQ(units.Suggest("iт"), "");
  EXPECT_EQ(OtherLayoutReading(U"123"), U"");
  TSuggester days({{"д", "день"}, {"л", "литр"}});
  EXPECT_EQ(days.Suggest("l"), "") << "one key is too little to read as the other layout";
  EXPECT_EQ(OtherLayoutReading(U"gju/v"), U"пог.м");
  EXPECT_EQ(OtherLayoutReading(U"пог.м"), U"gju/v");
}

TEST(SuggesterTransposeTest, ASwapBreaksTiesOfPlainDistanceButTiesStillGiveNothing) {
  // By plain distance each ties two names at two edits.
  const std::vector<TAllowedValue> countries = {
      {"Намибия", ""}, {"Замбия", ""}, {"Руанда", ""}, {"Канада", ""}, {"Гренада", ""}};
  ASSERT_EQ(EditDistance(U"рунада", U"канада"), 2u);
  ASSERT_EQ(EditDistance(U"намбиия", U"замбия"), 2u);
  const TSuggester suggester(countries);
  EXPECT_EQ(suggester.Suggest("Намбиия"), "Намибия");
  EXPECT_EQ(suggester.Suggest("Рунада"), "Руанда");
  // One swap from "абвгд" and one insertion from "абвдгж": a tie.
  const TSuggester tied({{"абвгд", ""}, {"абвдгж", ""}});
  EXPECT_EQ(tied.Suggest("абвдг"), "");
  EXPECT_EQ(tied.Suggest("бавгд"), "абвгд");
}

TEST(SuggesterMemoryTest, ARememberedChoiceComesFirstWhileItIsStillAllowed) {
  TSuggester suggester({{"шт", "штука"}, {"кг", ""}, {"уп", ""}});
  suggester.Remember({{"шт.", "уп"}, {"пак", "уп"}, {"кило", "килограмм"}});
  EXPECT_EQ(suggester.Suggest("шт."), "уп") << "the operator's choice beats the spelling";
  EXPECT_EQ(suggester.SuggestWithSource("пак").source, TSuggestionSource::Log);
  EXPECT_EQ(suggester.Suggest("кило"), "") << "a value no longer allowed is not offered";
  EXPECT_EQ(suggester.Suggest("ШТ."), "шт") << "only the very value is remembered";
  // Without a reference table every remembered value stands.
  TSuggester open({});
  open.Remember({{"кило", "килограмм"}});
  EXPECT_EQ(open.Suggest("кило"), "килограмм");
  EXPECT_EQ(open.Suggest("кг"), "");
}

// Texts past a dozen characters are found by their length: at the limit's
// edges, three characters more or fewer than the full name, with enough
// other values that the suggester does not simply compare them all.
TEST(SuggesterNearestTest, ReachesLongFullNamesAtTheEdgesOfTheLimit) {
  std::vector<TAllowedValue> allowed = {{"пм", "погонный метр"}, {"квм", "квадратный метр кв"}};
  for (int index = 0; index < 1000; ++index) allowed.push_back({"v" + std::to_string(index), ""});
  const TSuggester suggester(allowed);
  EXPECT_EQ(suggester.Suggest("погонныйй метрр!"), "пм");  // 13 + 3 characters
  EXPECT_EQ(suggester.Suggest("погоннй мтр"), "пм");       // 13 - 2
  EXPECT_EQ(suggester.Suggest("квадрат метр кв"), "квм");  // 18 - 3
  EXPECT_EQ(suggester.Suggest("квадратный метр кв!!!!"), "");
  EXPECT_EQ(suggester.Suggest("v999x"), "v999");
}

// The ranking as written, comparing every allowed value: what the suggester
// must answer however it finds its candidates.
class EveryTextRanking {
 public:
  explicit EveryTextRanking(std::vector<TAllowedValue> allowed) : allowed_(std::move(allowed)) {
    for (const TAllowedValue& item : allowed_) {
      normalValues_.push_back(NormalizeForSuggestion(item.value));
      normalNames_.push_back(NormalizeForSuggestion(item.fullName));
    }
  }

  std::string Suggest(const std::string& current) const {
    for (const TAllowedValue& item : allowed_) {
      if (!item.value.empty() && item.value == current) return current;
    }
    const std::string normal = NormalizeForSuggestion(current);
    if (normal.empty()) return "";
    for (const auto* normalTexts : {&normalValues_, &normalNames_}) {
      std::vector<std::string> same;
      for (size_t index = 0; index < allowed_.size(); ++index) {
        if (!allowed_[index].value.empty() && (*normalTexts)[index] == normal) {
          same.push_back(allowed_[index].value);
        }
      }
      if (!same.empty()) return OneOf(same);
    }
    const std::u32string chars = FoldLookAlikes(Chars(normal));
    const std::u32string reading = FoldLookAlikes(OtherLayoutReading(Chars(normal)));
    for (const std::u32string* form : {&chars, &reading}) {
      if (form->empty()) continue;
      std::vector<std::string> same;
      for (size_t index = 0; index < allowed_.size(); ++index) {
        if (allowed_[index].value.empty()) continue;
        if (Folded(normalValues_[index]) == *form ||
            (!normalNames_[index].empty() && Folded(normalNames_[index]) == *form)) {
          same.push_back(allowed_[index].value);
        }
      }
      if (!same.empty()) return OneOf(same);
    }
    for (const std::u32string* form : {&chars, &reading}) {
      if (form->empty()) continue;
      const size_t limit = SuggestionDistanceLimit(form->size());
      if (limit == 0) continue;
      size_t best = limit + 1;
      std::vector<std::string> nearest;
      for (size_t index = 0; index < allowed_.size(); ++index) {
        if (allowed_[index].value.empty()) continue;
        size_t distance = FullTableDistance(*form, Folded(normalValues_[index]));
        if (!normalNames_[index].empty()) {
          distance = std::min(distance, FullTableDistance(*form, Folded(normalNames_[index])));
        }
        if (distance < best) nearest.clear();
        best = std::min(best, distance);
        if (distance == best) nearest.push_back(allowed_[index].value);
      }
      if (best <= limit) return OneOf(nearest);
    }
    return "";
  }

 private:
  static std::string OneOf(const std::vector<std::string>& values) {
    for (const std::string& value : values) {
      if (value != values.front()) return "";
    }
    return values.front();
  }
  static std::u32string Folded(const std::string& normal) { return FoldLookAlikes(Chars(normal)); }
  // Valid UTF-8 only, as the test writes it.
  static std::u32string Chars(const std::string& text) {
    std::u32string chars;
    for (size_t index = 0; index < text.size();) {
      const auto lead = static_cast<unsigned char>(text[index]);
      const size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
      char32_t code = length == 1 ? lead : lead & (0x7F >> length);
      for (size_t next = 1; next < length; ++next) {
        code = (code << 6) | (static_cast<unsigned char>(text[index + next]) & 0x3F);
      }
      chars.push_back(code);
      index += length;
    }
    return chars;
  }

  std::vector<TAllowedValue> allowed_;
  std::vector<std::string> normalValues_;
  std::vector<std::string> normalNames_;
};

// Many allowed values over a few letters (Latin and Cyrillic, short and
// past a dozen characters, with and without full names) and current values
// a few edits from them or from nothing in particular: ties, near misses
// and texts just within and just beyond the limit are common.
TEST(SuggesterNearestTest, AnswersAsComparingEveryAllowedValue) {
  std::mt19937 random(11);
  const std::vector<std::string> letters = {"a", "b", "c", "ш", "т", "к", "Г", ".", " ", "1"};
  auto text = [&](size_t shortest, size_t longest) {
    std::string result;
    const size_t length = shortest + random() % (longest - shortest + 1);
    for (size_t index = 0; index < length; ++index) result += letters[random() % letters.size()];
    return result;
  };
  auto edited = [&](const std::string& source) {
    std::vector<std::string> chars;
    for (size_t index = 0; index < source.size();) {
      const size_t length = static_cast<unsigned char>(source[index]) < 0x80 ? 1 : 2;
      chars.push_back(source.substr(index, length));
      index += length;
    }
    const size_t edits = random() % 5;
    for (size_t edit = 0; edit < edits; ++edit) {
      const size_t at = chars.empty() ? 0 : random() % (chars.size() + 1);
      switch (random() % 3) {
        case 0:
          chars.insert(chars.begin() + long(at), letters[random() % letters.size()]);
          break;
        case 1:
          if (at < chars.size()) chars.erase(chars.begin() + long(at));
          break;
        default:
          if (at < chars.size()) chars[at] = letters[random() % letters.size()];
      }
    }
    std::string result;
    for (const std::string& c : chars) result += c;
    return result;
  };
  int suggestedByDistance = 0;
  for (size_t allowedCount : {40, 400}) {
    std::vector<TAllowedValue> allowed;
    for (size_t index = 0; index < allowedCount; ++index) {
      allowed.push_back({text(1, 16), random() % 3 == 0 ? std::string() : text(3, 20)});
    }
    const TSuggester suggester(allowed);
    const EveryTextRanking reference(allowed);
    for (int round = 0; round < 1200; ++round) {
      const TAllowedValue& source = allowed[random() % allowed.size()];
      const std::string current = round % 4 == 0   ? text(0, 18)
                                  : round % 4 == 1 ? edited(source.fullName)
                                                   : edited(source.value);
      const std::string expected = reference.Suggest(current);
      ASSERT_EQ(suggester.Suggest(current), expected)
          << "«" << current << "», " << allowedCount << " allowed values";
      if (!expected.empty() &&
          NormalizeForSuggestion(expected) != NormalizeForSuggestion(current)) {
        ++suggestedByDistance;
      }
    }
  }
  // The cases reached the nearest-value rule often enough to mean something.
  EXPECT_GT(suggestedByDistance, 500);
}

}  // namespace
}  // namespace morvane
