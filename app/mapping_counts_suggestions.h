// Additions to the written mapping, on datasets only: the row count of each
// current value, suggestions for near spellings of an allowed value, and a
// summary of what the mapping will change. The wizard uses them only when
// its options turn them on (replace/wizard_options.h); without them the mapping
// is exactly the written one.
//
// Counts are keyed by the value's text: NULL and an empty text read alike
// and are counted together. A suggestion is never part of the mapping until
// it is accepted, and generating never reads one.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "replace/suggestions.h"

namespace morvane {

class TDataSet;
class TzelDataset;
class TzelTable;

// The name of the count field of the mapping, and its title.
inline constexpr char kCountField[] = "cnt";
inline constexpr char kCountTitle[] = "Записей";

using TValueCounts = std::map<std::string, int64_t>;
using TValueSuggestions = std::map<std::string, std::string>;  // current value -> allowed

// The counts of an open grouped dataset: its first field is the value, its
// field kCountField the count. Values are keyed by their server text form
// (as the script's statements name them); the group whose "valued" count is
// 0 is the NULLs', keyed "" (a NULL number would read as 0).
TValueCounts ReadValueCounts(TDataSet& counts);

// Reopens an open mapping as a local table with the same fields plus an
// integer kCountField: the server's query gives only "src" and "inf".
void AddCountField(TzelTable& mapping);

// Writes every record's count (0 for a value the counts do not know), found
// by the server text form of "src".
void FillCounts(TzelDataset& mapping, const TValueCounts& counts);

// The allowed values of an open reference table: infFld, with the column
// "name" as full name when there is one.
std::vector<TAllowedValue> AllowedValuesOf(TDataSet& allowed, const std::string& infFld);

// A suggestion for every record whose new value is empty.
TValueSuggestions SuggestFor(TzelDataset& mapping, const TSuggester& suggester);

// Sets the current record's new value to its suggestion, when the value is
// empty and has one the field can hold; returns whether it did.
bool AcceptSuggestion(TzelDataset& mapping, const TValueSuggestions& suggestions);

// Sets every empty new value that has a suggestion to it (a suggestion the
// field cannot hold is skipped); returns how many were set. The current
// record is kept.
int AcceptSuggestions(TzelDataset& mapping, const TValueSuggestions& suggestions);

struct TMappingSummary {
  int values = 0;       // rows of the mapping
  int mapped = 0;       // rows whose new value differs from the current one
  int64_t changes = 0;  // database rows the mapped values hold (with counts)
};
TMappingSummary Summarize(TzelDataset& mapping);
// "Значений: 12, сопоставлено: 3, изменится записей: 41" (without counts the
// last part is left out).
std::string SummaryText(const TMappingSummary& summary, bool withCounts);

}  // namespace morvane
