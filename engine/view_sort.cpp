#include "engine/view_sort.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>

#include "engine/compare.h"
#include "platform/rtl/text.h"

namespace morvane {
namespace {

int Sign(int64_t value) {
  return value < 0 ? -1 : (value > 0 ? 1 : 0);
}

// NaN cannot come from the engine's own conversions, but a data buffer may
// carry one. It sorts first and equal to itself, so the order stays strict
// and weak (std::sort may run off the range with an inconsistent order).
int CompareReal(double left, double right) {
  const bool leftNan = std::isnan(left);
  const bool rightNan = std::isnan(right);
  if (leftNan || rightNan) return int(rightNan) - int(leftNan);
  return left < right ? -1 : (left > right ? 1 : 0);
}

// A text-like slot reduced to what orders it. Ranks keep CompareBuf's order
// of the special values: no reference, then a blob with a length of 0 or
// less (by that length), then an empty text, then texts.
struct TextKey {
  const char* data = nullptr;  // the bytes that order it: raw text or collation key
  uint32_t size = 0;
  int32_t length = 0;  // compared before the bytes: text length when right-justified
  uint8_t rank = 0;
};

enum : uint8_t { kNoReference = 0, kEmptyBlob = 1, kEmptyText = 2, kText = 3 };

int CompareTextKeys(const TextKey& left, const TextKey& right) {
  if (left.rank != right.rank) return left.rank < right.rank ? -1 : 1;
  if (left.length != right.length) return left.length < right.length ? -1 : 1;
  const size_t common = std::min(left.size, right.size);
  if (common > 0) {
    int result = std::memcmp(left.data, right.data, common);
    if (result != 0) return result;
  }
  return Sign(int64_t(left.size) - int64_t(right.size));
}

// The same order for case-insensitive texts whose every byte has an ASCII
// collation weight (AsciiCollationWeights): equal bytes weigh the same, so
// only the bytes where the texts differ are looked up.
int CompareWeightedTextKeys(const TextKey& left, const TextKey& right,
                            const std::array<uint8_t, 128>& weights) {
  if (left.rank != right.rank) return left.rank < right.rank ? -1 : 1;
  if (left.length != right.length) return left.length < right.length ? -1 : 1;
  const size_t common = std::min(left.size, right.size);
  size_t at = 0;
  while (at < common) {
    while (at + 8 <= common && std::memcmp(left.data + at, right.data + at, 8) == 0) at += 8;
    while (at < common && left.data[at] == right.data[at]) ++at;
    if (at == common) break;
    const uint8_t leftWeight = weights[uint8_t(left.data[at])];
    const uint8_t rightWeight = weights[uint8_t(right.data[at])];
    if (leftWeight != rightWeight) return leftWeight < rightWeight ? -1 : 1;
    ++at;
  }
  return Sign(int64_t(left.size) - int64_t(right.size));
}

// Whether every byte of the text has an ASCII collation weight.
bool Weighable(const char* data, size_t size, const std::array<uint8_t, 128>& weights) {
  for (size_t at = 0; at < size; ++at) {
    const auto byte = uint8_t(data[at]);
    if (byte >= 128 || weights[byte] == 0) return false;
  }
  return true;
}

bool IsTextType(TzelFieldType type) {
  return type == zftSmallStr || type == zftString || type == zftMemo || type == zftFmtMemo;
}

// The raw key of a text-like slot: the text itself (cut at its first zero
// byte) with its rank.
TextKey RawTextKey(const char* slot, const TzelField& field) {
  TextKey key;
  std::string_view text;
  switch (field.FieldType) {
    case zftSmallStr:
      text = SlotInlineText(slot, field.Size);
      if (field.Alignment == 1) key.length = int32_t(text.size());
      break;
    case zftString:
      if (!SlotRef(slot)) return key;
      text = SlotHeapText(slot);
      break;
    default: {  // zftMemo, zftFmtMemo
      if (!SlotRef(slot)) return key;
      const int32_t length = SlotBlobLength(slot);
      if (length <= 0) {
        key.rank = kEmptyBlob;
        key.length = length;
        return key;
      }
      text = CutAtZero(SlotBlobBytes(slot));
      break;
    }
  }
  key.rank = text.empty() ? kEmptyText : kText;
  key.data = text.data();
  key.size = uint32_t(text.size());
  return key;
}

// The comparison object of one sort. It holds the sort order, the records in their
// order before the sort (entries refer to them by ordinal) and, for a
// case-insensitive sort, how each text sort field compares: through ASCII
// weights when every text of the field has them, else through prepared
// collation keys.
class TzelSortComparer {
 public:
  TzelSortComparer(const std::vector<TzelRecord*>& records, const TzelSortOrder& order)
      : records_(records), order_(order), textFields_(order.fields.size()) {
    if (!order.caseInsensitive) return;
    for (size_t index = 0; index < order.fields.size(); ++index) {
      if (IsTextType(order.fields[index]->FieldType)) PrepareCaseInsensitive(index);
    }
  }

  bool Descending() const { return order_.descending; }
  const TzelField& Field(size_t index) const { return *order_.fields[index]; }
  bool HasTail() const { return order_.fields.size() > 1; }

  // The key of field 0 of a record for text sorts.
  TextKey TextKeyOf(uint32_t ordinal) const {
    if (!textFields_[0].keys.empty()) return textFields_[0].keys[ordinal];
    return RawKeyOf(0, ordinal);
  }
  // Compares two keys of field index made by TextKeyOf or RawKeyOf.
  int CompareTextField(size_t index, const TextKey& left, const TextKey& right) const {
    const std::array<uint8_t, 128>* weights = textFields_[index].weights;
    return weights ? CompareWeightedTextKeys(left, right, *weights) : CompareTextKeys(left, right);
  }

  // Fields 1 onwards, for entries whose leading keys are equal.
  int CompareTail(uint32_t left, uint32_t right) const {
    const char* leftData = records_[left]->Data.get();
    const char* rightData = records_[right]->Data.get();
    if (!leftData || !rightData) return 0;
    for (size_t index = 1; index < order_.fields.size(); ++index) {
      const TzelField& field = Field(index);
      const TextField& text = textFields_[index];
      int result;
      if (!text.keys.empty()) {
        result = CompareTextKeys(text.keys[left], text.keys[right]);
      } else if (text.weights) {
        result = CompareTextField(index, RawKeyOf(index, left), RawKeyOf(index, right));
      } else if (field.FieldType == zftDouble || field.FieldType == zftCurrency ||
                 field.FieldType == zftDateTime) {
        // CompareBuf takes a NaN for equal to every number, which no sort
        // order can follow.
        result = CompareReal(SlotValue<double>(leftData + field.Offset),
                             SlotValue<double>(rightData + field.Offset));
      } else {
        result = CompareBuf(leftData + field.Offset, rightData + field.Offset, field, false);
      }
      if (result != 0) return result;
    }
    return 0;
  }

 private:
  // How a text sort field of a case-insensitive sort compares.
  struct TextField {
    std::vector<TextKey> keys;                          // per ordinal, when prepared
    const std::array<uint8_t, 128>* weights = nullptr;  // when every text has ASCII weights
  };

  TextKey RawKeyOf(size_t fieldIndex, uint32_t ordinal) const {
    const TzelRecord* record = records_[ordinal];
    if (!record->Data) return TextKey{};
    return RawTextKey(record->Data.get() + Field(fieldIndex).Offset, Field(fieldIndex));
  }

  void PrepareCaseInsensitive(size_t fieldIndex) {
    const std::array<uint8_t, 128>& weights = AsciiCollationWeights();
    bool weighable = true;
    for (uint32_t ordinal = 0; ordinal < records_.size() && weighable; ++ordinal) {
      const TextKey key = RawKeyOf(fieldIndex, ordinal);
      weighable = key.rank != kText || Weighable(key.data, key.size, weights);
    }
    if (weighable) {
      textFields_[fieldIndex].weights = &weights;
    } else {
      PrepareCollationKeys(fieldIndex);
    }
  }

  // Every distinct text of the field becomes a collation key once; records
  // with equal texts share it. The keys live in one arena, so they cost a
  // copy each, not an allocation kept alive.
  void PrepareCollationKeys(size_t fieldIndex) {
    std::vector<TextKey>& keys = textFields_[fieldIndex].keys;
    keys.resize(records_.size());
    std::vector<size_t> offsets(records_.size(), 0);
    std::string& arena = arenas_.emplace_back();
    // Text -> offset and size of its key in the arena.
    std::unordered_map<std::string_view, std::pair<size_t, uint32_t>> made;
    for (uint32_t ordinal = 0; ordinal < records_.size(); ++ordinal) {
      TextKey key = RawKeyOf(fieldIndex, ordinal);
      if (key.rank == kText) {
        auto [entry, isNew] = made.try_emplace(std::string_view(key.data, key.size));
        if (isNew) {
          const std::string collation = CollationKey(entry->first, true);
          entry->second = {arena.size(), uint32_t(collation.size())};
          arena += collation;
        }
        offsets[ordinal] = entry->second.first;
        key.size = entry->second.second;
      }
      keys[ordinal] = key;
    }
    for (size_t ordinal = 0; ordinal < keys.size(); ++ordinal) {
      if (keys[ordinal].rank == kText) keys[ordinal].data = arena.data() + offsets[ordinal];
    }
  }

  const std::vector<TzelRecord*>& records_;
  const TzelSortOrder& order_;
  std::vector<TextField> textFields_;  // per sort field
  std::vector<std::string> arenas_;
};

template <typename Key>
struct Entry {
  Key key;
  uint32_t ordinal;
};

// Sorts entries by a prepared leading key, ties going to the comparer's tail,
// and writes the records back in the new order.
template <typename Key, typename CompareKeys>
void SortEntries(std::vector<Entry<Key>>& entries, const TzelSortComparer& comparer,
                 const std::vector<TzelRecord*>& records, CompareKeys compareKeys,
                 std::vector<TzelRecord*>& view) {
  const bool descending = comparer.Descending();
  const bool hasTail = comparer.HasTail();
  std::sort(entries.begin(), entries.end(), [&](const Entry<Key>& left, const Entry<Key>& right) {
    int result = compareKeys(left.key, right.key);
    if (result == 0 && hasTail) result = comparer.CompareTail(left.ordinal, right.ordinal);
    return descending ? result > 0 : result < 0;
  });
  for (size_t index = 0; index < entries.size(); ++index) {
    view[index] = records[entries[index].ordinal];
  }
}

}  // namespace

void SortView(std::vector<TzelRecord*>& view, const TzelSortOrder& order) {
  if (order.fields.empty() || view.size() < 2) return;
  const std::vector<TzelRecord*> records = view;
  const TzelSortComparer comparer(records, order);
  const TzelField& leading = comparer.Field(0);
  const auto count = uint32_t(records.size());

  // Records without data compare equal on every field; none reach a view, but
  // they get a key of their own (rank 0, or the lowest number) so the order
  // stays consistent.
  switch (leading.FieldType) {
    case zftDouble:
    case zftCurrency:
    case zftDateTime: {
      std::vector<Entry<double>> entries(count);
      for (uint32_t ordinal = 0; ordinal < count; ++ordinal) {
        const char* data = records[ordinal]->Data.get();
        entries[ordinal] = {data ? SlotValue<double>(data + leading.Offset) : -HUGE_VAL, ordinal};
      }
      SortEntries(entries, comparer, records, CompareReal, view);
      return;
    }
    case zftSmallStr:
    case zftString:
    case zftMemo:
    case zftFmtMemo: {
      std::vector<Entry<TextKey>> entries(count);
      for (uint32_t ordinal = 0; ordinal < count; ++ordinal) {
        entries[ordinal] = {comparer.TextKeyOf(ordinal), ordinal};
      }
      SortEntries(
          entries, comparer, records,
          [&comparer](const TextKey& left, const TextKey& right) {
            return comparer.CompareTextField(0, left, right);
          },
          view);
      return;
    }
    default: {
      // Integers, dates and times by value; Booleans with True first;
      // unknown and graphic fields all equal.
      std::vector<Entry<int64_t>> entries(count);
      for (uint32_t ordinal = 0; ordinal < count; ++ordinal) {
        const char* data = records[ordinal]->Data.get();
        int64_t key = INT64_MIN;
        if (data) {
          const char* slot = data + leading.Offset;
          switch (leading.FieldType) {
            case zftInteger:
            case zftDate:
            case zftTime:
              key = SlotValue<int32_t>(slot);
              break;
            case zftBoolean:
              key = SlotValue<int16_t>(slot) != 0 ? 0 : 1;
              break;
            default:
              key = 0;
              break;
          }
        }
        entries[ordinal] = {key, ordinal};
      }
      SortEntries(
          entries, comparer, records,
          [](int64_t left, int64_t right) { return left < right ? -1 : (left > right ? 1 : 0); },
          view);
      return;
    }
  }
}

}  // namespace morvane
