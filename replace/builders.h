// The SQL texts of the wizard: three queries that fill its datasets and one
// UPDATE statement per changed value.
//
// Each builder reads the current setting and returns false, leaving the
// output untouched, when a setting it needs is empty; otherwise it writes the
// complete text. Table and field names go in as the settings hold them (the
// server reports unknown names); values are quoted as text with inner
// apostrophes doubled. With the setting's date restriction on, the values
// query and every update carry "<SrcFullDate> BETWEEN <from> AND <to>" over
// the last AFV01 days, dates in the dialect of the period's source. SQL is
// built with '.' as decimal and '/' as date separator; the process settings
// are restored afterwards.
#pragma once

#include <string>
#include <string_view>

#include "replace/mv_cfg.h"
#include "replace/period.h"

namespace morvane {

// "SELECT * FROM <InfTbl>": the allowed new values.
bool BuildSourceQuery(const CMvCFG& cfg, std::string& sql);
// Two empty columns "src" and "inf" typed like the changed and the source field
// ("WHERE 1=0": no rows, whatever the types).
bool BuildMappingQuery(const CMvCFG& cfg, std::string& sql);
// The same two empty columns, both typed like the changed field, for a
// setting without a reference table whose values are grouped among
// themselves (replace/value_groups.h).
bool BuildGroupsMappingQuery(const CMvCFG& cfg, std::string& sql);
// The distinct current values of the changed field.
bool BuildValuesQuery(const CMvCFG& cfg, CPeriod& period, std::string& sql);
// The row count of each current value, under the same period condition as
// the values query: "SELECT <SrcFld>, COUNT(*) AS cnt, COUNT(<SrcFld>) AS
// valued FROM <SrcTbl>", the condition, then "GROUP BY <SrcFld>". NULL and
// empty values are groups of their own, as in the values query; "valued" is
// 0 for the NULL group only.
bool BuildCountsQuery(const CMvCFG& cfg, CPeriod& period, std::string& sql);
// One line: set the changed field to newValue where it holds oldValue.
// Refused (false) for a value with a line break: the statement would not
// stand on one line of the script, and what ran would not be what was shown.
bool BuildUpdate(const CMvCFG& cfg, CPeriod& period, std::string_view oldValue,
                 std::string_view newValue, std::string& sql);
// Whether a value holds CR or LF.
bool HasLineBreak(std::string_view value);
// The period condition; sets the period to [today - AFV01, today] unless
// the period is Fixed.
std::string PeriodCondition(const CMvCFG& cfg, CPeriod& period);

}  // namespace morvane
