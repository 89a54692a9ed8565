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
//
// The log's copy of a run restricted to a date period starts with the
// period, so that a replay changes the same rows (a line no pair can be,
// having three tabs):
//
//   -- period TAB Table.DateField TAB 2026-11-07 TAB 2026-12-07 LF
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/rtl/date_time.h"
#include "replace/replacement_plan.h"

namespace morvane {

// The date period of a run: the qualified date field and the first and last
// days (whole days; empty field: no period).
struct MappingPeriod {
  std::string dateField;
  TDateTime from = 0;
  TDateTime to = 0;
};

// Parses the text; false with the message of the first malformed line.
// Every pair carries its line number. A period line is read into period;
// with period null, a file that has one is refused (its rows could not be
// the same).
bool TryParseMappingFile(std::string_view text, std::vector<ReplacementPair>& mapping,
                         std::string& error, MappingPeriod* period = nullptr);

// The text of a mapping file for the pairs, in their order, after the
// period line when period names a field.
std::string FormatMappingFile(const std::vector<ReplacementPair>& mapping,
                              const MappingPeriod& period = {});

}  // namespace morvane
