// The user's locale as the runtime sees it.
#pragma once

#include <string>

namespace morvane {

// The locale name from LC_ALL, else the category variable (LC_TIME,
// LC_NUMERIC, LC_COLLATE, LC_CTYPE as asked), else LANG; "" when none is set.
std::string LocaleNameFromEnvironment(const char* categoryVariable);

// True for "", "C", "POSIX" and their encodings ("C.UTF-8"): locales that say
// nothing about language, where the program uses Russian conventions.
bool IsNeutralLocale(const std::string& localeName);

// The ICU locale id to use for a locale name: "ru_RU" for a neutral locale,
// else the name without encoding and modifier ("de_DE.UTF-8@euro" -> "de_DE").
std::string IcuLocaleId(const std::string& localeName);

}  // namespace morvane
