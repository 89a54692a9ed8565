#include "platform/db/db_types.h"
#include "platform/db/db_consts.h"

namespace morvane {

const char* FieldTypeName(TFieldType type) {
  static constexpr const char* kNames[] = {
      "Unknown",    "String",     "SmallInt", "Integer",     "Word",      "Boolean",
      "Float",      "Currency",   "BCD",      "Date",        "Time",      "DateTime",
      "Bytes",      "VarBytes",   "AutoInc",  "Blob",        "Memo",      "Graphic",
      "FmtMemo",    "ParadoxOle", "DBaseOle", "TypedBinary", "Cursor",    "FixedChar",
      "WideString", "Largeint",   "ADT",      "Array",       "Reference", "DataSet"};
  size_t index = size_t(type);
  return index < std::size(kNames) ? kNames[index] : "Unknown";
}

std::string FormatDbMessage(std::string_view pattern,
                            std::initializer_list<std::string_view> args) {
  std::string result;
  result.reserve(pattern.size() + 32);
  auto nextArg = args.begin();
  for (size_t i = 0; i < pattern.size(); ++i) {
    char ch = pattern[i];
    if (ch == '%' && i + 1 < pattern.size()) {
      char conversion = pattern[i + 1];
      if (conversion == '%') {
        result += '%';
        ++i;
        continue;
      }
      if ((conversion == 's' || conversion == 'd') && nextArg != args.end()) {
        result += *nextArg++;
        ++i;
        continue;
      }
    }
    result += ch;
  }
  return result;
}

}  // namespace morvane
