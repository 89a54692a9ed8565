// Suggestions for near spellings: for a current value of the changed field,
// the allowed value it most likely means, or nothing.
//
// Values are compared in a normal form: lower case by the locale's rules
// (ICU, so Cyrillic and Latin letters both fold), blanks trimmed and runs of
// blanks collapsed to one, trailing dots removed, and "ё" read as "е" (for
// suggestions only: the mapping and the script compare texts exactly).
//
// The ranking, first rule that gives an answer:
//   1. the current value is itself an allowed value;
//   2. exactly one allowed value has the same normal form;
//   3. exactly one allowed value has a full name of the same normal form;
//   4. exactly one allowed value is nearest within an edit distance (over
//      characters, to the value's or the full name's normal form) that grows
//      with the length of the current value; none for one or two characters.
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

// Edit distance (insertions, deletions, substitutions) over characters.
size_t EditDistance(std::u32string_view left, std::u32string_view right);
// The same, or bound + 1 for any distance above bound (computed only as far
// as needed to know that).
size_t BoundedEditDistance(std::u32string_view left, std::u32string_view right, size_t bound);

struct TAllowedValue {
  std::string value;     // the text written into the field
  std::string fullName;  // may be empty
};

class TSuggester {
 public:
  explicit TSuggester(const std::vector<TAllowedValue>& allowed);

  // The allowed value meant by current, or empty when there is none.
  std::string Suggest(std::string_view current) const;

 private:
  struct Candidate {
    std::string value;
    std::string normalValue;
    std::string normalName;
    std::u32string valueChars;
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

  std::vector<Candidate> candidates_;
  TIndex byValue_;        // the value as the field holds it
  TIndex byNormalValue_;  // its normal form
  TIndex byNormalName_;   // the full name's normal form
  // Every text's probe by the text's length in characters.
  std::vector<std::vector<uint32_t>> byLength_;
  // Short texts by the hashes of what remains of them after deleting up to
  // as many characters as any current value within reach may differ by:
  // (hash, probe with the number of deletions in its top bits), sorted;
  // empty when the candidates would make it too large.
  std::vector<std::pair<uint32_t, uint32_t>> deletionIndex_;
};

}  // namespace morvane
