// Mapping files: a replacement mapping as tab-separated text, the form the
// log keeps and morvane-data apply reads.
//
//   current value TAB new value LF        one pair per line, UTF-8
//
// Lines may end with LF or CR LF, and the last one may have no line end;
// empty lines are skipped; a byte-order mark at the start is skipped. Values
// are taken byte for byte (blanks at their ends belong to them), except that
// four escapes stand for what a line cannot hold: \t tab, \n line feed,
// \r carriage return, \\ backslash. A backslash before any other character
// is itself. The writer escapes every backslash, tab and line break, so a
// mapping written and read back is the same mapping.
//
// A line without exactly one tab, or with an empty value, is refused with
// its line number (replace/replacement_messages.h); so is a file without pairs.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "replace/replacement_plan.h"

namespace morvane {

// Parses the text; false with the message of the first malformed line.
// Every pair carries its line number.
bool TryParseMappingFile(std::string_view text, std::vector<ReplacementPair>& mapping,
                         std::string& error);

// The text of a mapping file for the pairs, in their order.
std::string FormatMappingFile(const std::vector<ReplacementPair>& mapping);

}  // namespace morvane
