#include "replace/value_groups.h"

#include <algorithm>
#include <optional>
#include <unordered_map>

#include "replace/spelling_forms.h"
#include "replace/suggestions.h"
#include "replace/text_prefix.h"

namespace morvane {

namespace {

// Centres up to this many characters are found through their deletion
// remainders; longer ones (rare in a messy field) by their length.
constexpr size_t kIndexedLength = 12;

// A multimap from 32-bit keys to 32-bit values in one flat table (open
// addressing, linear probing): millions of small entries without a node
// each.
class FlatMultimap {
 public:
  void Insert(uint32_t key, uint32_t value) {
    if ((size_ + 1) * 2 > slots_.size()) Grow();
    Place(slots_, (uint64_t(key) << 32) | (uint64_t(value) + 1));
    ++size_;
  }

  template <class Visit>
  void ForEach(uint32_t key, Visit visit) const {
    if (slots_.empty()) return;
    const size_t mask = slots_.size() - 1;
    for (size_t at = Mix(key) & mask; slots_[at] != 0; at = (at + 1) & mask) {
      if (uint32_t(slots_[at] >> 32) == key) visit(uint32_t(slots_[at] & 0xFFFFFFFFu) - 1);
    }
  }

 private:
  static size_t Mix(uint32_t key) { return size_t(key * 0x9E3779B1u) ^ (key >> 16); }
  static void Place(std::vector<uint64_t>& slots, uint64_t slot) {
    const size_t mask = slots.size() - 1;
    size_t at = Mix(uint32_t(slot >> 32)) & mask;
    while (slots[at] != 0) at = (at + 1) & mask;
    slots[at] = slot;
  }
  void Grow() {
    std::vector<uint64_t> larger(std::max<size_t>(1024, slots_.size() * 2), 0);
    for (uint64_t slot : slots_) {
      if (slot != 0) Place(larger, slot);
    }
    slots_.swap(larger);
  }

  std::vector<uint64_t> slots_;
  size_t size_ = 0;
};

struct Forms {
  bool clean = false;      // the value is its own normal form
  std::u32string chars;    // the normal form, look-alikes folded
  std::u32string reading;  // read through the other layout, folded; may be empty
  uint32_t digits = 0;     // the hash of the digits
};

Forms FormsOf(const std::string& value) {
  Forms forms;
  const std::string normalText = NormalizeForSuggestion(value);
  forms.clean = normalText == value;
  const std::u32string normal = Utf8Characters(normalText);
  forms.chars = FoldLookAlikes(normal);
  forms.reading = FoldLookAlikes(OtherLayoutReading(normal));
  forms.digits = CharactersHash(DigitsOf(normal));
  return forms;
}

// The centres found so far, and how to find the ones near a value.
class Centres {
 public:
  explicit Centres(const std::vector<Forms>& forms) : forms_(forms) {}

  void Add(size_t value) {
    const std::u32string& chars = forms_[value].chars;
    byFolded_.emplace(Utf8Text(chars), value);
    byDigitsAndLength_[Bucket(forms_[value].digits, chars.size())].push_back(value);
    if (chars.size() > kIndexedLength) {
      if (long_.size() <= chars.size()) long_.resize(chars.size() + 1);
      long_[chars.size()].push_back(value);
      return;
    }
    unindexed_.push_back(value);
  }

  // The centre of this form exactly: none, or the one.
  std::optional<size_t> Same(const std::u32string& chars) const {
    const auto found = byFolded_.find(Utf8Text(chars));
    if (found == byFolded_.end()) return std::nullopt;
    return found->second;
  }

  // The one nearest centre within the limit for chars, with the same digits:
  // nothing when none is in reach, SIZE_MAX when they tie.
  std::optional<size_t> Nearest(const std::u32string& chars, uint32_t digits) {
    const size_t limit = GroupDistanceLimit(chars.size());
    if (limit == 0) return std::nullopt;
    std::vector<size_t> probes;
    const size_t shortest = chars.size() > limit ? chars.size() - limit : 0;
    // Values that share digits are often few (the digits tell things apart):
    // then comparing them all is cheaper than looking up every remainder.
    size_t sameDigits = 0;
    for (size_t length = shortest; length <= chars.size() + limit; ++length) {
      const auto found = byDigitsAndLength_.find(Bucket(digits, length));
      if (found != byDigitsAndLength_.end()) sameDigits += found->second.size();
    }
    if (sameDigits <= RemaindersOf(chars.size(), limit)) {
      for (size_t length = shortest; length <= chars.size() + limit; ++length) {
        const auto found = byDigitsAndLength_.find(Bucket(digits, length));
        if (found != byDigitsAndLength_.end()) {
          probes.insert(probes.end(), found->second.begin(), found->second.end());
        }
      }
    } else if (shortest <= kIndexedLength) {
      IndexRemainders();
      for (const auto& [hash, deleted] : DeletionRemainders(chars, limit)) {
        remainders_.ForEach(hash ^ digits * 0x85EBCA6Bu, [&](uint32_t entry) {
          if ((entry & 3) <= limit) probes.push_back(entry >> 2);
        });
      }
    }
    if (sameDigits > RemaindersOf(chars.size(), limit)) {
      for (size_t length = std::max(shortest, kIndexedLength + 1);
           length <= chars.size() + limit && length < long_.size(); ++length) {
        probes.insert(probes.end(), long_[length].begin(), long_[length].end());
      }
    }
    std::sort(probes.begin(), probes.end());
    probes.erase(std::unique(probes.begin(), probes.end()), probes.end());
    size_t best = limit + 1;
    size_t nearest = SIZE_MAX;
    bool tie = false;
    for (const size_t probe : probes) {
      if (forms_[probe].digits != digits) continue;
      const size_t distance = BoundedEditDistance(chars, forms_[probe].chars, best);
      if (distance < best) {
        best = distance;
        nearest = probe;
        tie = false;
      } else if (distance == best && distance <= limit) {
        tie = true;
      }
    }
    if (best > limit) return std::nullopt;
    return tie ? SIZE_MAX : nearest;
  }

 private:
  // The deletion remainders of the centres added since the last lookup that
  // needed them. Made only then: when the digits tell the values apart, no
  // lookup ever does, and the remainders would cost more than all the rest.
  void IndexRemainders() {
    for (const size_t value : unindexed_) {
      const std::u32string& chars = forms_[value].chars;
      // Deep enough for every value within the limit of a value this long.
      const size_t deletions =
          SuggestionDistanceLimit(chars.size() + SuggestionDistanceLimit(SIZE_MAX));
      for (const auto& [hash, deleted] : DeletionRemainders(chars, deletions)) {
        remainders_.Insert(hash ^ forms_[value].digits * 0x85EBCA6Bu,
                           uint32_t(value) << 2 | deleted);
      }
    }
    unindexed_.clear();
  }

  static uint64_t Bucket(uint32_t digits, size_t length) {
    return uint64_t(digits) << 32 | uint64_t(std::min<size_t>(length, 0xFFFFFFFFu));
  }
  // How many remainders a text of this length has after up to `deletions`
  // deletions, counted with repeats.
  static size_t RemaindersOf(size_t length, size_t deletions) {
    size_t total = 0;
    size_t choices = 1;  // length over k, for k = 0, 1, ...
    for (size_t k = 0; k <= deletions && k <= length; ++k) {
      if (k > 0) choices = choices * (length - k + 1) / k;
      total += choices;
    }
    return total;
  }

  const std::vector<Forms>& forms_;
  std::unordered_map<uint64_t, std::vector<size_t>> byDigitsAndLength_;
  std::unordered_map<std::string, size_t> byFolded_;
  FlatMultimap remainders_;
  std::vector<size_t> unindexed_;          // short centres not yet in remainders_
  std::vector<std::vector<size_t>> long_;  // long centres by length
};

}  // namespace

size_t GroupDistanceLimit(size_t characters) {
  return characters < 5 ? 0 : SuggestionDistanceLimit(characters);
}

TValueGroups GroupNearSpellings(const std::vector<TCountedValue>& values) {
  std::vector<Forms> forms;
  forms.reserve(values.size());
  for (const TCountedValue& item : values) forms.push_back(FormsOf(item.value));
  // Sorted as small keys side by side: the text's first bytes decide almost
  // every comparison, and the values themselves are read only for a tie.
  struct OrderKey {
    int64_t count;
    bool clean;
    TextPrefix prefix;
    size_t value;
  };
  std::vector<OrderKey> keys;
  keys.reserve(values.size());
  for (size_t index = 0; index < values.size(); ++index) {
    keys.push_back(
        {values[index].count, forms[index].clean, TextPrefixOf(values[index].value), index});
  }
  std::sort(keys.begin(), keys.end(), [&values](const OrderKey& a, const OrderKey& b) {
    if (a.count != b.count) return a.count > b.count;
    if (a.clean != b.clean) return a.clean;
    if (a.prefix != b.prefix) return a.prefix < b.prefix;
    return values[a.value].value < values[b.value].value;
  });
  std::vector<size_t> order;
  order.reserve(keys.size());
  for (const OrderKey& key : keys) order.push_back(key.value);

  TValueGroups groups;
  groups.centre.assign(values.size(), 0);
  groups.group.assign(values.size(), 0);
  Centres centres(forms);
  size_t groupCount = 0;
  for (const size_t value : order) {
    const Forms& form = forms[value];
    std::optional<size_t> centre;
    if (!form.chars.empty()) {
      // The rules in their order; the first that finds anything decides.
      centre = centres.Same(form.chars);
      if (!centre && !form.reading.empty()) centre = centres.Same(form.reading);
      if (!centre) centre = centres.Nearest(form.chars, form.digits);
      if (!centre && !form.reading.empty()) centre = centres.Nearest(form.reading, form.digits);
    }
    if (centre && *centre != SIZE_MAX) {
      groups.centre[value] = *centre;
      groups.group[value] = groups.group[*centre];
      continue;
    }
    groups.centre[value] = value;
    groups.group[value] = ++groupCount;
    if (!form.chars.empty()) centres.Add(value);
  }
  return groups;
}

}  // namespace morvane
