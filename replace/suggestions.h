// Suggestions for near spellings: for a current value of the changed field,
// the allowed value it most likely means, or nothing.
//
// Values are compared in a normal form: lower case by the locale's rules
// (ICU, so Cyrillic and Latin letters both fold), blanks trimmed and runs of
// blanks collapsed to one, trailing dots removed, and "ё" read as "е" (for
// suggestions only: the mapping and the script compare texts exactly).
//
// The ranking, first rule that gives an answer:
//   1. the operator mapped this very value before in a run of the same
//      setting (replace/suggestion_memory.h), to a value that is still
//      allowed (any value, when there is no list of allowed ones);
//   2. the current value is itself an allowed value;
//   3. exactly one allowed value has the same normal form;
//   4. exactly one allowed value has a full name of the same normal form;
//   5. exactly one allowed value or full name reads the same once Latin
//      look-alikes of Cyrillic letters are folded ("Kг", "M3", "упaк");
//   6. exactly one reads the same as the value typed in the other keyboard
//      layout ("in" for "шт", "kbnh" for "литр");
//   7. exactly one allowed value is nearest within an edit distance (over
//      characters, to the value's or the full name's folded form; a swap of
//      two neighbouring characters is one edit) that grows with the length
//      of the current value; none for one or two characters;
//   8. when no value at all is within that distance, the same for the value
//      typed in the other layout.
// Two candidates that tie under a rule give no suggestion at all: a wrong
// guess costs more than none. No Qt, no session: the wizard and the
// command-line tool share it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace morvane {

std::string NormalizeForSuggestion(std::string_view text);

// The largest edit distance a suggestion may have for a current value of
// this many characters (in its normal form).
size_t SuggestionDistanceLimit(size_t characters);

// Edit distance over characters: insertions, deletions, substitutions and
// swaps of two neighbouring characters ("Намбиия" is one edit from
// "Намибия"), each character edited at most once.
size_t EditDistance(std::u32string_view left, std::u32string_view right);
// The same, or bound + 1 for any distance above bound (computed only as far
// as needed to know that).
size_t BoundedEditDistance(std::u32string_view left, std::u32string_view right, size_t bound);

// What a suggestion rests on, by the rules above.
enum class TSuggestionSource {
  None,
  Log,
  Allowed,
  Spelling,
  FullName,
  LookAlike,
  Layout,
  Distance
};

// "log", "allowed", "spelling", "full name", "look-alike", "layout",
// "distance"; empty for None.
const char* SuggestionSourceName(TSuggestionSource source);

struct TSuggestion {
  std::string value;  // empty: none
  TSuggestionSource source = TSuggestionSource::None;
};

// The remainders of a text after deleting every choice of up to `deletions`
// of its characters, as (hash, characters deleted), distinct, ascending. Two
// texts at most k edits apart share a remainder of at most k deletions each
// (see suggestions.cpp); the grouping indexes values by them too.
std::vector<std::pair<uint32_t, uint32_t>> DeletionRemainders(std::u32string text,
                                                              size_t deletions);

// The form a normal form is compared in by distance: look-alikes folded.
std::u32string MatchingCharacters(std::string_view normal);

struct TAllowedValue {
  std::string value;     // the text written into the field
  std::string fullName;  // may be empty
};

class TSuggester {
 public:
  explicit TSuggester(const std::vector<TAllowedValue>& allowed);

  // Choices remembered from earlier runs: current value -> new value.
  void Remember(std::unordered_map<std::string, std::string> chosen);

  // The allowed value meant by current, or empty when there is none.
  std::string Suggest(std::string_view current) const;
  // The same, with the rule it rests on.
  TSuggestion SuggestWithSource(std::string_view current) const;

 private:
  struct Candidate {
    std::string value;
    std::string normalValue;
    std::string normalName;
    std::u32string valueChars;  // the matching forms (look-alikes folded)
    std::u32string nameChars;
    uint64_t valueSignature = 0;  // which characters they hold (suggestions.cpp)
    uint64_t nameSignature = 0;
  };
  using TIndex = std::unordered_map<std::string, std::vector<size_t>>;
  // Among these candidates: nothing when there is none, the value when they
  // are all one value, an empty text when they tie.
  std::optional<std::string> Unique(const std::vector<size_t>& indexes) const;
  std::optional<std::string> UniqueIn(const TIndex& index, const std::string& key) const;

  // The candidates' texts within edit reach of a current value, as probes
  // (candidate * 2, + 1 for the full name), ascending: every text within
  // the limit is among them (suggestions.cpp says why), others may be.
  std::vector<uint32_t> ProbesNear(const std::u32string& chars, size_t limit) const;
  // The one candidate nearest to chars within its limit: nothing when none
  // is within it, an empty text when they tie.
  std::optional<std::string> Nearest(const std::u32string& chars) const;

  std::vector<Candidate> candidates_;
  TIndex byValue_;        // the value as the field holds it
  TIndex byNormalValue_;  // its normal form
  TIndex byNormalName_;   // the full name's normal form
  TIndex byFolded_;       // the value's and the full name's folded forms
  std::unordered_map<std::string, std::string> remembered_;
  // Every text's probe by the text's length in characters.
  std::vector<std::vector<uint32_t>> byLength_;
  // Short texts by the hashes of what remains of them after deleting up to
  // as many characters as any current value within reach may differ by:
  // (hash, probe with the number of deletions in its top bits), sorted;
  // empty when the candidates would make it too large.
  std::vector<std::pair<uint32_t, uint32_t>> deletionIndex_;
};

}  // namespace morvane
