#include "server/batch_move.h"

#include <algorithm>
#include <string>
#include <vector>

#include "engine/zelconst.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/text.h"
#include "server/table.h"

namespace morvane {

using namespace zelconst;

namespace {

void CopyDefinitions(TzelTable& table, TDataSet& source) {
  table.Close();
  TFieldDefs& defs = table.FieldDefs();
  defs.BeginUpdate();
  defs.Clear();
  for (const auto& def : source.FieldDefs())
    defs.Add(def->Name(), def->DataType(), def->Size(), def->Required());
  defs.EndUpdate();
  if (auto* sourceTable = dynamic_cast<TzelDataset*>(&source)) {
    table.SetUniqueFieldNames(sourceTable->UniqueFieldNames());
    table.SetRangeFieldNames(sourceTable->RangeFieldNames());
    table.SetIndexFieldNames(sourceTable->IndexFieldNames());
    table.SetNotes(sourceTable->Notes());
  }
}

// The source fields named by the table's key names; unknown names are left
// out.
std::vector<TField*> KeyFieldsOf(const TzelTable& table, const TDataSet& source) {
  std::vector<TField*> keys;
  for (const std::string& name : SplitFieldNames(table.UniqueFieldNames())) {
    if (TField* field = source.FindField(name)) keys.push_back(field);
  }
  return keys;
}

struct ValueField {
  TField* source;
  TField* target;
};

std::vector<ValueField> ValueFieldsOf(const TzelTable& table, const TDataSet& source,
                                      const std::vector<TField*>& keyFields) {
  std::vector<ValueField> values;
  for (TField* field : source.Fields()) {
    if (std::find(keyFields.begin(), keyFields.end(), field) != keyFields.end()) continue;
    if (TField* target = table.FindField(zSpaceToChar(field->FieldName(), '_')))
      values.push_back({field, target});
  }
  return values;
}

// One source record into the table: the record with the same key is edited
// (zbmAppendUpdate), any other source record appended.
void MoveRecord(TzelTable& table, const std::vector<TField*>& keyFields,
                const std::vector<ValueField>& valueFields, bool update) {
  bool found = false;
  if (update) {
    std::string keyText;
    for (TField* key : keyFields) keyText += key->AsString() + Tabulator;
    found = table.FindTab(table.UniqueFieldNames(), keyText, true);
  }
  if (found) {
    table.Edit();
  } else {
    table.Append();
    for (TField* key : keyFields) {
      if (TField* target = table.FindField(key->FieldName())) target->SetAsString(key->AsString());
    }
  }
  for (const ValueField& value : valueFields) {
    if (value.source->IsNull()) continue;
    try {
      value.target->SetAsString(value.source->AsString());
    } catch (const Exception&) {
      // A value the field cannot take (no number, out of range, refused by
      // its validation) is left out; the rest of the record is still moved.
    }
  }
  table.Post();
}

// Enables both datasets' controls and puts the source back, on every path
// out of the move once the source is open.
class BatchScope {
 public:
  BatchScope(TzelTable& table, TDataSet& source, bool sourceWasActive)
      : table_(table), source_(source), sourceWasActive_(sourceWasActive) {}
  void SetBookmark(TBookmark bookmark) { bookmark_ = std::move(bookmark); }
  ~BatchScope() {
    table_.EnableControls();
    try {
      if (sourceWasActive_) {
        if (source_.BookmarkValid(bookmark_)) source_.GotoBookmark(bookmark_);
        source_.FreeBookmark(bookmark_);
      } else {
        source_.Close();
      }
    } catch (...) {
      // Going back to a record or closing does not fail for the engine's
      // datasets; if it did, the error that ended the move (or its result)
      // is what the caller needs.
    }
    source_.EnableControls();
  }
  BatchScope(const BatchScope&) = delete;
  BatchScope& operator=(const BatchScope&) = delete;

 private:
  TzelTable& table_;
  TDataSet& source_;
  bool sourceWasActive_;
  TBookmark bookmark_;
};

}  // namespace

int32_t BatchMove(TzelTable& table, TDataSet* source, TzelBatchMode mode) {
  if (!source || source == &table) DatabaseError(_Z_BATCHSOURCE, &table);
  const bool sourceWasActive = source->Active();
  int32_t count = 0;
  table.DisableControls();
  source->DisableControls();
  if (!sourceWasActive) {
    try {
      source->Open();
    } catch (...) {
      // Whatever stopped the open (a handler's own exception included), the
      // controls must come back, and the caller hears the batch move's error.
      table.EnableControls();
      source->EnableControls();
      DatabaseError(_Z_SOURCEOPEN, &table);
    }
  }

  BatchScope scope(table, *source, sourceWasActive);
  source->CheckBrowseMode();
  scope.SetBookmark(source->GetBookmark());
  source->First();
  if (mode == zbmCopy || mode == zbmCopyDef) CopyDefinitions(table, *source);
  table.Open();
  if (mode == zbmCopyDef) return count;

  std::vector<TField*> keyFields;
  if (mode == zbmAppendUpdate) keyFields = KeyFieldsOf(table, *source);
  const bool update = !keyFields.empty();
  const std::vector<ValueField> valueFields = ValueFieldsOf(table, *source, keyFields);
  try {
    for (; !source->Eof(); source->Next()) {
      MoveRecord(table, keyFields, valueFields, update);
      ++count;
    }
  } catch (...) {
    table.First();
    throw;
  }
  table.First();
  return count;
}

}  // namespace morvane
