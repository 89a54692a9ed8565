#include "engine/zelconst.h"

namespace morvane::zelconst {

std::string FormatMessage(std::string_view pattern, std::initializer_list<MessageArg> args) {
  std::string result;
  result.reserve(pattern.size() + 32);
  auto nextArg = args.begin();
  for (size_t index = 0; index < pattern.size(); ++index) {
    char letter = pattern[index];
    if (letter != '%' || index + 1 == pattern.size()) {
      result += letter;
      continue;
    }
    char marker = pattern[++index];
    if (marker == '%') {
      result += '%';
    } else if (marker == 's' || marker == 'd') {
      if (nextArg == args.end()) continue;
      if (nextArg->isText) {
        result += nextArg->text;
      } else {
        result += std::to_string(nextArg->number);
      }
      ++nextArg;
    } else {
      result += letter;
      result += marker;
    }
  }
  return result;
}

}  // namespace morvane::zelconst
