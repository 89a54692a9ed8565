#include "app/mapping_counts_suggestions.h"

#include <cmath>
#include <utility>

#include "app/mapping.h"
#include "engine/dataset.h"
#include "platform/db/field.h"
#include "platform/db/field_defs.h"
#include "replace/sql_value_text.h"
#include "server/table.h"

namespace morvane {

namespace {

// Visits every record of the mapping with the controls held still, and puts
// the current record back afterwards.
template <class Visit>
void ForEachRecord(TzelDataset& mapping, Visit visit) {
  const TBookmark current = mapping.GetBookmark();
  mapping.DisableControls();
  try {
    for (mapping.First(); !mapping.Eof(); mapping.Next()) visit();
    if (!current.empty() && mapping.BookmarkValid(current)) mapping.GotoBookmark(current);
  } catch (...) {
    mapping.EnableControls();
    throw;
  }
  mapping.EnableControls();
}

}  // namespace

TValueCounts ReadValueCounts(TDataSet& counts) {
  TValueCounts result;
  TField* value = counts.Fields()[0];
  TField* count = counts.FieldByName(kCountField);
  TField* valued = counts.FindField("valued");
  for (counts.First(); !counts.Eof(); counts.Next()) {
    const bool isNull = valued != nullptr && std::llround(valued->AsFloat()) == 0;
    result[isNull ? std::string() : SqlValueText(*value)] += std::llround(count->AsFloat());
  }
  return result;
}

void AddCountField(TzelTable& mapping) {
  std::vector<std::pair<std::string, std::pair<TFieldType, int>>> defs;
  for (int index = 0; index < mapping.FieldDefs().Count(); ++index) {
    const TFieldDef* def = mapping.FieldDefs()[index];
    defs.push_back({def->Name(), {def->DataType(), def->Size()}});
  }
  mapping.Close();
  mapping.SetLoadMode(lmClear);
  mapping.FieldDefs().Clear();
  for (const auto& [name, typeAndSize] : defs) {
    mapping.FieldDefs().Add(name, typeAndSize.first, typeAndSize.second);
  }
  mapping.FieldDefs().Add(kCountField, ftInteger);
  mapping.Open();
}

void FillCounts(TzelDataset& mapping, const TValueCounts& counts) {
  TField* src = mapping.FieldByName("src");
  TField* count = mapping.FieldByName(kCountField);
  ForEachRecord(mapping, [&] {
    const auto found = counts.find(SqlValueText(*src));
    mapping.Edit();
    count->SetAsInteger(found == counts.end() ? 0 : int32_t(found->second));
    mapping.Post();
  });
}

std::vector<TAllowedValue> AllowedValuesOf(TDataSet& allowed, const std::string& infFld) {
  std::vector<TAllowedValue> values;
  TField* value = allowed.FindField(infFld);
  if (value == nullptr) return values;
  TField* name = allowed.FindField("name");
  for (allowed.First(); !allowed.Eof(); allowed.Next()) {
    values.push_back({value->AsString(), name != nullptr ? name->AsString() : std::string()});
  }
  return values;
}

TValueSuggestions SuggestFor(TzelDataset& mapping, const TSuggester& suggester) {
  TValueSuggestions suggestions;
  TField* src = mapping.FieldByName("src");
  TField* inf = mapping.FieldByName("inf");
  ForEachRecord(mapping, [&] {
    if (!inf->AsString().empty()) return;
    std::string suggestion = suggester.Suggest(src->AsString());
    if (!suggestion.empty()) suggestions[src->AsString()] = std::move(suggestion);
  });
  return suggestions;
}

bool AcceptSuggestion(TzelDataset& mapping, const TValueSuggestions& suggestions) {
  TField* inf = mapping.FieldByName("inf");
  if (!inf->AsString().empty()) return false;
  const auto found = suggestions.find(mapping.FieldByName("src")->AsString());
  if (found == suggestions.end()) return false;
  mapping.Edit();
  inf->SetAsString(found->second);
  if (inf->AsString() != found->second) {
    mapping.Cancel();  // a value the field cannot hold is no mapping
    return false;
  }
  mapping.Post();
  return true;
}

int AcceptSuggestions(TzelDataset& mapping, const TValueSuggestions& suggestions) {
  int accepted = 0;
  ForEachRecord(mapping, [&] {
    if (AcceptSuggestion(mapping, suggestions)) ++accepted;
  });
  return accepted;
}

TMappingSummary Summarize(TzelDataset& mapping) {
  TMappingSummary summary;
  TField* src = mapping.FieldByName("src");
  TField* inf = mapping.FieldByName("inf");
  TField* count = mapping.FindField(kCountField);
  ForEachRecord(mapping, [&] {
    ++summary.values;
    // As the script is generated: a never-set new value is no mapping.
    const std::string newValue = NewValueText(*inf, *src);
    if (newValue.empty() || newValue == SqlValueText(*src)) return;
    ++summary.mapped;
    if (count != nullptr) summary.changes += count->AsInteger();
  });
  return summary;
}

std::string SummaryText(const TMappingSummary& summary, bool withCounts) {
  std::string text = "Значений: " + std::to_string(summary.values) +
                     ", сопоставлено: " + std::to_string(summary.mapped);
  if (withCounts) text += ", изменится записей: " + std::to_string(summary.changes);
  return text;
}

}  // namespace morvane
