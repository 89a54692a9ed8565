#include "server/layout_string.h"

#include "engine/field_layout.h"
#include "platform/rtl/text.h"

namespace morvane {

namespace {

constexpr char kNoOrigin[] = "XXX";
constexpr char kBase36Digits[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ";

}  // namespace

std::string LayoutTypeCode(TFieldType dataType, int size) {
  switch (dataType) {
    case ftString:
      // A negative size is no size at all: the shortest inline text.
      if (size <= MAXSLEN) return std::string(1, kBase36Digits[size > 0 ? size : 0]);
      return "s" + std::to_string(size);
    case ftSmallint:
    case ftInteger:
    case ftWord:
    case ftAutoInc:
      return "i";
    case ftBoolean:
      return "b";
    case ftFloat:
      return "f";
    case ftCurrency:
      return "c";
    case ftDate:
      return "d";
    case ftTime:
      return "v";
    case ftDateTime:
      return "t";
    case ftMemo:
      return "m";
    case ftFmtMemo:
      return "r";
    case ftGraphic:
      return "g";
    default:
      return "s";
  }
}

std::string PrepareLayoutStr(const TFieldDefs& fieldDefs, const std::string& origin) {
  const std::string prefix = origin.empty() ? kNoOrigin : origin;
  std::string layout;
  for (const auto& fieldDef : fieldDefs) {
    layout += prefix + "." + zSpaceToChar(fieldDef->Name(), '_') + " " +
              LayoutTypeCode(fieldDef->DataType(), fieldDef->Size()) + FieldSeparator;
  }
  layout += RecordSeparator;
  return layout;
}

}  // namespace morvane
