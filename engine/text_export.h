// Text forms of record values: tab-value lists, quoting and the lines of a
// text export.
//
// A tab-value list holds values each followed by a tab (the last tab may be
// missing); an empty value stands for a field without a value.
//
// An exported line holds one value per field, each followed by the
// separator, the last separator removed. With the tab character as separator
// values are written as they are; with any other separator each value is
// enclosed in double quotes, inner double quotes doubled, so a reader can
// split the line even when values contain the separator.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace morvane {

// Takes the next value off a tab-value list: the text up to the first tab
// (the tab is dropped too), or the whole rest.
std::string_view TakeTabValue(std::string_view& list);

// The text in double quotes, inner double quotes doubled: a"b -> "a""b".
std::string DoubleQuoted(std::string_view text);

// One line of a text export, without its line end.
std::string ExportLine(const std::vector<std::string>& values, char separator);

}  // namespace morvane
