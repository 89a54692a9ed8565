#include "server/group_by.h"

#include <vector>

#include "server/table.h"

namespace morvane {

namespace {

// Puts the source's ordering and position back and enables its controls, on
// every path out of the grouping.
class SourceStateScope {
 public:
  explicit SourceStateScope(TzelDataset& source)
      : source_(source),
        recNo_(source.RecNo()),
        indexFieldNames_(source.IndexFieldNames()),
        sortOptions_(source.SortOptions()) {
    source_.DisableControls();
  }
  ~SourceStateScope() {
    try {
      source_.SetSortOptions(sortOptions_);
      source_.SetIndexFieldNames(indexFieldNames_);
      if (recNo_ >= 1) source_.SetRecNo(recNo_);
    } catch (...) {
      // Reordering an open dataset in memory does not fail; if it ever did,
      // the error that ended the grouping is the one to report.
    }
    source_.EnableControls();
  }
  SourceStateScope(const SourceStateScope&) = delete;
  SourceStateScope& operator=(const SourceStateScope&) = delete;

 private:
  TzelDataset& source_;
  int recNo_;
  std::string indexFieldNames_;
  TzelSortOptions sortOptions_;
};

bool SameGroup(const std::vector<TField*>& groupFields, const TzelTable& table) {
  for (size_t index = 0; index < groupFields.size(); ++index) {
    if (table.Fields()[int(index)]->AsString() != groupFields[index]->AsString()) return false;
  }
  return true;
}

}  // namespace

bool GroupBy(TzelTable& table, TzelDataset* source, std::string_view groupNames,
             std::string_view sumNames) {
  if (table.Active() || !source || !source->Active()) return false;
  const std::vector<TField*> groupFields = source->GetFieldList(groupNames);
  const std::vector<TField*> sumFields = source->GetFieldList(sumNames);

  SourceStateScope sourceState(*source);
  table.SetLoadMode(lmClear);
  TFieldDefs& defs = table.FieldDefs();
  defs.Clear();
  for (const std::vector<TField*>* list : {&groupFields, &sumFields}) {
    for (TField* field : *list) defs.Add(field->FieldName(), field->DataType(), field->Size());
  }
  table.Open();

  // Case-insensitive ordering would put "x" and "X" side by side in any
  // order, splitting a group that the exact comparison below separates; the
  // caller's options come back with the scope.
  source->SetSortOptions({});
  source->SetIndexFieldNames(std::string(groupNames));
  source->First();
  const int groupCount = int(groupFields.size());
  while (!source->Eof()) {
    table.Append();
    for (int index = 0; index < groupCount; ++index)
      table.Fields()[index]->SetAsString(groupFields[size_t(index)]->AsString());
    for (size_t index = 0; index < sumFields.size(); ++index)
      table.Fields()[groupCount + int(index)]->SetAsString(sumFields[index]->AsString());
    for (source->Next(); !source->Eof() && SameGroup(groupFields, table); source->Next()) {
      for (size_t index = 0; index < sumFields.size(); ++index) {
        TField* sum = table.Fields()[groupCount + int(index)];
        sum->SetAsFloat(sum->AsFloat() + sumFields[index]->AsFloat());
      }
    }
    table.Post();
  }
  return true;
}

}  // namespace morvane
