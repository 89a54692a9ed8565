#include "platform/rtl/locale_name.h"

#include <cstdlib>

namespace morvane {

std::string LocaleNameFromEnvironment(const char* categoryVariable) {
  for (const char* variable : {"LC_ALL", categoryVariable, "LANG"}) {
    if (variable == nullptr) continue;
    const char* value = std::getenv(variable);
    if (value != nullptr && *value != '\0') return value;
  }
  return {};
}

bool IsNeutralLocale(const std::string& localeName) {
  const std::string base = localeName.substr(0, localeName.find_first_of(".@"));
  return base.empty() || base == "C" || base == "POSIX";
}

std::string IcuLocaleId(const std::string& localeName) {
  if (IsNeutralLocale(localeName)) return "ru_RU";
  return localeName.substr(0, localeName.find_first_of(".@"));
}

}  // namespace morvane
