#include "engine/compare.h"

#include <cstring>

#include "engine/cursor.h"
#include "platform/rtl/text.h"

namespace morvane {
namespace {

int CompareTexts(std::string_view left, std::string_view right, bool caseInsensitive) {
  left = CutAtZero(left);
  right = CutAtZero(right);
  if (left.empty() || right.empty()) return int(left.size()) - int(right.size());
  if (caseInsensitive) {
    // The common part is counted in characters, so a multi-byte character is
    // never cut in two; equal common parts put the shorter text first.
    const size_t leftChars = Utf8Length(left);
    const size_t rightChars = Utf8Length(right);
    const size_t common = std::min(leftChars, rightChars);
    int result = AnsiCompareText(Utf8Left(left, common), Utf8Left(right, common));
    if (result != 0) return result;
    return leftChars < rightChars ? -1 : (leftChars > rightChars ? 1 : 0);
  }
  size_t common = std::min(left.size(), right.size());
  int result = std::memcmp(left.data(), right.data(), common);
  if (result != 0) return result;
  return int(left.size()) - int(right.size());
}

// Both references present: 0 means "compare the values"; otherwise the order
// of present/absent (an absent value sorts first).
int CompareRefs(const char* leftSlot, const char* rightSlot, bool& bothPresent) {
  bool left = SlotRef(leftSlot) != nullptr;
  bool right = SlotRef(rightSlot) != nullptr;
  bothPresent = left && right;
  if (left == right) return 0;
  return left ? 1 : -1;
}

}  // namespace

int CompareBuf(const char* leftSlot, const char* rightSlot, const TzelField& field,
               bool caseInsensitive) {
  switch (field.FieldType) {
    case zftInteger:
    case zftDate:
    case zftTime: {
      int64_t difference = int64_t(SlotValue<int32_t>(leftSlot)) - SlotValue<int32_t>(rightSlot);
      return difference < 0 ? -1 : (difference > 0 ? 1 : 0);
    }
    case zftBoolean: {
      bool left = SlotValue<int16_t>(leftSlot) != 0;
      bool right = SlotValue<int16_t>(rightSlot) != 0;
      if (left == right) return 0;
      return left ? -1 : 1;
    }
    case zftDouble:
    case zftCurrency:
    case zftDateTime: {
      double left = SlotValue<double>(leftSlot);
      double right = SlotValue<double>(rightSlot);
      return left < right ? -1 : (left > right ? 1 : 0);
    }
    case zftSmallStr: {
      if (field.Alignment == 1) {
        size_t leftLength = strnlen(leftSlot, field.Size);
        size_t rightLength = strnlen(rightSlot, field.Size);
        if (leftLength != rightLength) return leftLength < rightLength ? -1 : 1;
      }
      // By byte, "empty first, then the common part, then the shorter first"
      // is the order of zero-terminated texts under strncmp, which compares
      // unsigned bytes and stops at the terminator: no lengths to measure.
      if (!caseInsensitive) return std::strncmp(leftSlot, rightSlot, field.Size);
      return CompareTexts(SlotInlineText(leftSlot, field.Size),
                          SlotInlineText(rightSlot, field.Size), true);
    }
    case zftString: {
      bool bothPresent = false;
      int result = CompareRefs(leftSlot, rightSlot, bothPresent);
      if (!bothPresent) return result;
      if (!caseInsensitive) return std::strcmp(SlotRef(leftSlot), SlotRef(rightSlot));
      return CompareTexts(SlotHeapText(leftSlot), SlotHeapText(rightSlot), true);
    }
    case zftMemo:
    case zftFmtMemo: {
      bool bothPresent = false;
      int result = CompareRefs(leftSlot, rightSlot, bothPresent);
      if (!bothPresent) return result;
      int32_t leftLength = SlotBlobLength(leftSlot);
      int32_t rightLength = SlotBlobLength(rightSlot);
      if (leftLength <= 0 || rightLength <= 0)
        return leftLength < rightLength ? -1 : (leftLength > rightLength);
      return CompareTexts(SlotBlobBytes(leftSlot), SlotBlobBytes(rightSlot), caseInsensitive);
    }
    case zftUnknown:
    case zftGraphic:
      break;
  }
  return 0;
}

int CompareRecords(const char* leftData, const char* rightData,
                   const std::vector<TzelField*>& fields) {
  for (const TzelField* field : fields) {
    int result = CompareBuf(leftData + field->Offset, rightData + field->Offset, *field, false);
    if (result != 0) return result;
  }
  return 0;
}

std::vector<TzelField*> ResolveKeyFields(const TzelCursor& cursor, std::string_view fieldNames) {
  std::vector<TzelField*> result;
  for (const std::string& name : SplitFieldNames(fieldNames)) {
    TzelField* field = cursor.FindFieldInfo(name);
    if (field && !IsBlobType(field->FieldType)) result.push_back(field);
  }
  return result;
}

}  // namespace morvane
