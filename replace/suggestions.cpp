#include "replace/suggestions.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>

#include "platform/rtl/text.h"
#include "replace/spelling_forms.h"

namespace morvane {

namespace {

// Which characters a text holds, folded into 64 bits. One edit changes at
// most two bits, so texts whose signatures differ in more than 2k bits are
// more than k edits apart: most candidates are ruled out without a table.
uint64_t Signature(std::u32string_view chars) {
  uint64_t bits = 0;
  for (char32_t c : chars) bits |= uint64_t(1) << (c % 64);
  return bits;
}

// Whether two texts may be within bound edits: their lengths first (cheapest),
// then their signatures.
bool MayBeWithin(std::u32string_view left, uint64_t leftSignature, std::u32string_view right,
                 uint64_t rightSignature, size_t bound) {
  const size_t lengthGap =
      left.size() > right.size() ? left.size() - right.size() : right.size() - left.size();
  return lengthGap <= bound && size_t(std::popcount(leftSignature ^ rightSignature)) <= 2 * bound;
}

bool IsBlank(std::string_view text, size_t index, size_t& width) {
  if (text[index] == ' ' || text[index] == '\t' || text[index] == '\r' || text[index] == '\n') {
    width = 1;
    return true;
  }
  if (text.substr(index, 2) == "\xC2\xA0") {  // no-break space
    width = 2;
    return true;
  }
  return false;
}

// --- Finding the candidates within reach --------------------------------
//
// Two texts at most k edits apart (insertions, deletions, substitutions,
// swaps of neighbours) become one text once at most k characters are deleted
// from each: from one the characters it has in excess or substituted, from
// the other the same, and for a swap one of the two letters from both.
// So the texts left after deleting up to its limit of characters from a
// current value meet those left after up to as many deletions from every
// candidate text within that limit. The index keeps hashes of the short
// candidate texts' remainders, as far as any current value within reach of
// their length may need, with the number of deletions each took. A hash
// shared by chance only brings in a text that the exact distance then rules
// out, so the result is that of comparing every text. Where fewer texts
// have a length within reach than there are remainders to look up, those
// texts are simply compared.

// Texts longer than this are not indexed (their remainders would be many).
constexpr size_t kIndexedLength = 12;
// Beyond this many entries the index is not built.
constexpr size_t kMostIndexEntries = size_t(1) << 21;
// An index entry's probe keeps its deletion count in the top two bits.
constexpr int kDeletionShift = 30;
constexpr uint32_t kProbeMask = (uint32_t(1) << kDeletionShift) - 1;

// Visits the text, then the text with every choice of up to `deletions` of
// its characters at or after `from` deleted (each choice once, positions
// ascending), with the number of characters deleted so far.
template <class Visit>
void ForEachDeletion(std::u32string& text, size_t from, size_t deletions, size_t deleted,
                     Visit& visit) {
  visit(text, deleted);
  if (deletions == 0) return;
  for (size_t index = from; index < text.size(); ++index) {
    const char32_t removed = text[index];
    text.erase(index, 1);
    ForEachDeletion(text, index, deletions - 1, deleted + 1, visit);
    text.insert(index, 1, removed);
  }
}

}  // namespace

std::vector<std::pair<uint32_t, uint32_t>> DeletionRemainders(std::u32string text,
                                                              size_t deletions) {
  std::vector<std::pair<uint32_t, uint32_t>> remainders;
  auto visit = [&remainders](const std::u32string& remainder, size_t deleted) {
    remainders.push_back({CharactersHash(remainder), uint32_t(deleted)});
  };
  ForEachDeletion(text, 0, deletions, 0, visit);
  std::sort(remainders.begin(), remainders.end());
  remainders.erase(std::unique(remainders.begin(), remainders.end()), remainders.end());
  return remainders;
}

namespace {

// How many remainders a text of this length has after up to `deletions`
// deletions, counted with repeats, at most `cap`.
size_t RemainderCount(size_t length, size_t deletions, size_t cap) {
  size_t total = 0;
  size_t choices = 1;  // length over k, for k = 0, 1, ...
  for (size_t k = 0; k <= deletions && k <= length; ++k) {
    if (k > 0) choices = choices * (length - k + 1) / k;
    total += choices;
    if (total >= cap) return cap;
  }
  return total;
}

// The most characters a current value within its limit of a text of this
// length may differ by.
size_t DeletionsToIndex(size_t characters) {
  const size_t widest = SuggestionDistanceLimit(SIZE_MAX);
  size_t most = 0;
  for (size_t length = 1; length <= characters + widest; ++length) {
    const size_t limit = SuggestionDistanceLimit(length);
    const size_t gap = length > characters ? length - characters : characters - length;
    if (gap <= limit) most = std::max(most, limit);
  }
  return most;
}

}  // namespace

const char* SuggestionSourceName(TSuggestionSource source) {
  switch (source) {
    case TSuggestionSource::None:
      return "";
    case TSuggestionSource::Log:
      return "log";
    case TSuggestionSource::Allowed:
      return "allowed";
    case TSuggestionSource::Spelling:
      return "spelling";
    case TSuggestionSource::FullName:
      return "full name";
    case TSuggestionSource::LookAlike:
      return "look-alike";
    case TSuggestionSource::Layout:
      return "layout";
    case TSuggestionSource::Distance:
      return "distance";
  }
  return "";
}

std::u32string MatchingCharacters(std::string_view normal) {
  return FoldLookAlikes(Utf8Characters(normal));
}

std::string NormalizeForSuggestion(std::string_view text) {
  const std::string lower = AnsiLowerCase(text);
  // Blanks collapsed to one, "ё" read as "е".
  std::string collapsed;
  bool pendingBlank = false;
  for (size_t index = 0; index < lower.size();) {
    size_t width = 0;
    if (IsBlank(lower, index, width)) {
      pendingBlank = !collapsed.empty();
      index += width;
      continue;
    }
    if (pendingBlank) collapsed += ' ';
    pendingBlank = false;
    if (std::string_view(lower).substr(index, 2) == "ё") {
      collapsed += "е";
      index += 2;
      continue;
    }
    collapsed += lower[index++];
  }
  // Trailing dots, and blanks between them ("шт. ."), go.
  while (!collapsed.empty() && (collapsed.back() == '.' || collapsed.back() == ' ')) {
    collapsed.pop_back();
  }
  return collapsed;
}

size_t SuggestionDistanceLimit(size_t characters) {
  if (characters <= 2) return 0;
  if (characters <= 5) return 1;
  if (characters <= 9) return 2;
  return 3;
}

size_t BoundedEditDistance(std::u32string_view left, std::u32string_view right, size_t bound) {
  // A shared start and end change no distance; messy spellings mostly differ
  // in a few characters, so the table left is small.
  while (!left.empty() && !right.empty() && left.front() == right.front()) {
    left.remove_prefix(1);
    right.remove_prefix(1);
  }
  while (!left.empty() && !right.empty() && left.back() == right.back()) {
    left.remove_suffix(1);
    right.remove_suffix(1);
  }
  const size_t lengthGap =
      left.size() > right.size() ? left.size() - right.size() : right.size() - left.size();
  if (lengthGap > bound) return bound + 1;
  if (left.empty() || right.empty()) return lengthGap;
  // Three rows of the table at a time (a swap looks two rows back), kept on
  // the stack for the short texts this is for. Only the cells within bound
  // of the diagonal are computed: a way through the table that leaves that
  // band costs more than bound. Cells outside it read as bound + 1. No cell
  // is below the one diagonally before it, so once a whole row exceeds the
  // bound, so does the result.
  const size_t outside = bound + 1;
  const size_t columns = right.size() + 1;
  constexpr size_t kStackColumns = 64;
  std::array<size_t, 3 * kStackColumns> stackRows;
  std::vector<size_t> heapRows;
  size_t* rows = stackRows.data();
  if (columns > kStackColumns) {
    heapRows.resize(3 * columns);
    rows = heapRows.data();
  }
  size_t* before = rows;             // two lines back
  size_t* above = rows + columns;    // the line before
  size_t* row = rows + 2 * columns;  // this line
  for (size_t column = 0; column < columns; ++column) {
    above[column] = std::min(column, outside);
    before[column] = outside;
  }
  for (size_t line = 1; line <= left.size(); ++line) {
    const size_t first = line > bound ? line - bound : 1;
    const size_t last = std::min(right.size(), line + bound);
    row[first - 1] = first == 1 ? std::min(line, outside) : outside;
    // The next line reads this one a column further right.
    if (last + 1 < columns) row[last + 1] = outside;
    size_t rowMinimum = outside;
    for (size_t column = first; column <= last; ++column) {
      const size_t substitution = above[column - 1] + (left[line - 1] == right[column - 1] ? 0 : 1);
      size_t cell = std::min({above[column] + 1, row[column - 1] + 1, substitution, outside});
      if (line > 1 && column > 1 && left[line - 1] == right[column - 2] &&
          left[line - 2] == right[column - 1]) {
        cell = std::min(cell, before[column - 2] + 1);  // two neighbours swapped
      }
      row[column] = cell;
      rowMinimum = std::min(rowMinimum, cell);
    }
    if (rowMinimum > bound) return outside;
    size_t* const oldest = before;
    before = above;
    above = row;
    row = oldest;
  }
  return std::min(above[right.size()], outside);
}

size_t EditDistance(std::u32string_view left, std::u32string_view right) {
  return BoundedEditDistance(left, right, std::max(left.size(), right.size()));
}

TSuggester::TSuggester(const std::vector<TAllowedValue>& allowed) {
  for (const TAllowedValue& item : allowed) {
    if (item.value.empty()) continue;  // nothing a field could be set to
    Candidate candidate;
    candidate.value = item.value;
    candidate.normalValue = NormalizeForSuggestion(item.value);
    candidate.normalName = NormalizeForSuggestion(item.fullName);
    candidate.valueChars = MatchingCharacters(candidate.normalValue);
    candidate.nameChars = MatchingCharacters(candidate.normalName);
    candidate.valueSignature = Signature(candidate.valueChars);
    candidate.nameSignature = Signature(candidate.nameChars);
    const size_t index = candidates_.size();
    byValue_[candidate.value].push_back(index);
    byNormalValue_[candidate.normalValue].push_back(index);
    if (!candidate.normalName.empty()) byNormalName_[candidate.normalName].push_back(index);
    std::vector<size_t>& sameFolded = byFolded_[Utf8Text(candidate.valueChars)];
    sameFolded.push_back(index);
    if (!candidate.nameChars.empty()) {
      std::vector<size_t>& sameFoldedName = byFolded_[Utf8Text(candidate.nameChars)];
      if (sameFoldedName.empty() || sameFoldedName.back() != index) sameFoldedName.push_back(index);
    }
    candidates_.push_back(std::move(candidate));
  }
  // Every text by its length, and the index of the short ones unless it
  // would grow too large.
  size_t entries = 0;
  for (size_t index = 0; index < candidates_.size(); ++index) {
    const Candidate& candidate = candidates_[index];
    for (const bool name : {false, true}) {
      const std::u32string& text = name ? candidate.nameChars : candidate.valueChars;
      if (name && text.empty()) continue;  // no full name
      if (byLength_.size() <= text.size()) byLength_.resize(text.size() + 1);
      byLength_[text.size()].push_back(uint32_t(index * 2 + (name ? 1 : 0)));
      if (text.size() <= kIndexedLength) {
        entries += RemainderCount(text.size(), DeletionsToIndex(text.size()), kMostIndexEntries);
      }
    }
  }
  if (entries > kMostIndexEntries || candidates_.size() * 2 > kProbeMask) return;
  deletionIndex_.reserve(entries);
  for (size_t length = 0; length < byLength_.size() && length <= kIndexedLength; ++length) {
    for (const uint32_t probe : byLength_[length]) {
      const Candidate& candidate = candidates_[probe / 2];
      const std::u32string& text = probe % 2 == 1 ? candidate.nameChars : candidate.valueChars;
      for (const auto& [hash, deleted] : DeletionRemainders(text, DeletionsToIndex(length))) {
        deletionIndex_.push_back({hash, probe | (deleted << kDeletionShift)});
      }
    }
  }
  std::sort(deletionIndex_.begin(), deletionIndex_.end());
}

std::vector<uint32_t> TSuggester::ProbesNear(const std::u32string& chars, size_t limit) const {
  if (byLength_.empty()) return {};
  const size_t length = chars.size();
  const size_t shortest = length > limit ? length - limit : 0;
  const size_t longest = std::min(length + limit, byLength_.size() - 1);
  size_t reachable = 0;
  for (size_t textLength = shortest; textLength <= longest; ++textLength) {
    reachable += byLength_[textLength].size();
  }
  std::vector<uint32_t> probes;
  // The texts of a length within reach: all of them when that is no more
  // than the remainders to look up (or there is no index), else the long
  // ones beside what the index finds.
  const bool lookUp = !deletionIndex_.empty() && shortest <= kIndexedLength &&
                      RemainderCount(length, limit, reachable) < reachable;
  for (size_t textLength = lookUp ? kIndexedLength + 1 : shortest; textLength <= longest;
       ++textLength) {
    probes.insert(probes.end(), byLength_[textLength].begin(), byLength_[textLength].end());
  }
  if (lookUp) {
    for (const auto& [hash, deleted] : DeletionRemainders(chars, limit)) {
      auto entry = std::lower_bound(deletionIndex_.begin(), deletionIndex_.end(),
                                    std::pair<uint32_t, uint32_t>{hash, 0});
      for (; entry != deletionIndex_.end() && entry->first == hash; ++entry) {
        // A text that needs more deletions than the limit lies beyond it.
        if ((entry->second >> kDeletionShift) <= limit) {
          probes.push_back(entry->second & kProbeMask);
        }
      }
    }
  }
  std::sort(probes.begin(), probes.end());
  probes.erase(std::unique(probes.begin(), probes.end()), probes.end());
  return probes;
}

std::optional<std::string> TSuggester::Unique(const std::vector<size_t>& indexes) const {
  const std::string* found = nullptr;
  for (size_t index : indexes) {
    const std::string& value = candidates_[index].value;
    // The same value listed twice (two rows of the reference) is one value.
    if (found != nullptr && *found != value) return std::string();
    found = &value;
  }
  if (found == nullptr) return std::nullopt;
  return *found;
}

std::optional<std::string> TSuggester::UniqueIn(const TIndex& index, const std::string& key) const {
  const auto found = index.find(key);
  if (found == index.end()) return std::nullopt;
  return Unique(found->second);
}

void TSuggester::Remember(std::unordered_map<std::string, std::string> chosen) {
  remembered_ = std::move(chosen);
}

std::string TSuggester::Suggest(std::string_view current) const {
  return SuggestWithSource(current).value;
}

TSuggestion TSuggester::SuggestWithSource(std::string_view current) const {
  const std::string text(current);
  // What the operator chose before, while it is still an allowed value.
  if (const auto chosen = remembered_.find(text); chosen != remembered_.end()) {
    if (candidates_.empty() || byValue_.count(chosen->second) != 0) {
      return {chosen->second, TSuggestionSource::Log};
    }
  }
  if (byValue_.count(text) != 0) return {text, TSuggestionSource::Allowed};
  const std::string normal = NormalizeForSuggestion(current);
  if (normal.empty()) return {};
  // A tie at a rule gives no suggestion; it never falls through to a weaker
  // rule.
  auto answer = [](const std::optional<std::string>& found, TSuggestionSource source) {
    return found->empty() ? TSuggestion{} : TSuggestion{*found, source};
  };
  if (auto same = UniqueIn(byNormalValue_, normal))
    return answer(same, TSuggestionSource::Spelling);
  if (auto named = UniqueIn(byNormalName_, normal))
    return answer(named, TSuggestionSource::FullName);
  const std::u32string chars = MatchingCharacters(normal);
  if (auto folded = UniqueIn(byFolded_, Utf8Text(chars))) {
    return answer(folded, TSuggestionSource::LookAlike);
  }
  const std::u32string reading = FoldLookAlikes(OtherLayoutReading(Utf8Characters(normal)));
  if (!reading.empty()) {
    if (auto typed = UniqueIn(byFolded_, Utf8Text(reading))) {
      return answer(typed, TSuggestionSource::Layout);
    }
  }
  if (auto nearest = Nearest(chars)) return answer(nearest, TSuggestionSource::Distance);
  if (!reading.empty()) {
    if (auto nearest = Nearest(reading)) return answer(nearest, TSuggestionSource::Layout);
  }
  return {};
}

std::optional<std::string> TSuggester::Nearest(const std::u32string& chars) const {
  const size_t limit = SuggestionDistanceLimit(chars.size());
  if (limit == 0) return std::nullopt;
  // The nearest candidates within the limit; only distances up to the best
  // found so far are worth computing exactly. A candidate's value and full
  // name are adjacent probes.
  size_t best = limit + 1;
  const uint64_t signature = Signature(chars);
  std::vector<size_t> nearest;
  const std::vector<uint32_t> probes = ProbesNear(chars, limit);
  for (size_t at = 0; at < probes.size();) {
    const size_t index = probes[at] / 2;
    const Candidate& candidate = candidates_[index];
    size_t distance = best + 1;
    for (; at < probes.size() && probes[at] / 2 == index; ++at) {
      const bool name = probes[at] % 2 == 1;
      const std::u32string& text = name ? candidate.nameChars : candidate.valueChars;
      if (name && text.empty()) continue;
      const uint64_t textSignature = name ? candidate.nameSignature : candidate.valueSignature;
      if (MayBeWithin(chars, signature, text, textSignature, best)) {
        distance = std::min(distance, BoundedEditDistance(chars, text, best));
      }
    }
    if (distance < best) {
      best = distance;
      nearest.clear();
    }
    if (distance == best) nearest.push_back(index);
  }
  if (best > limit) return std::nullopt;
  return Unique(nearest).value_or("");
}

}  // namespace morvane
