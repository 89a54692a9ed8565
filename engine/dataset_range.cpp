// TzelDataset: ranges over RangeFieldNames, the OnFilterRecord filter, and
// following a master dataset.
//
// A range keeps a low and a high bound in the range fields' slots of two key
// blocks; a record lies in the range when its range fields, compared as one
// compound key (CompareRecords, case-sensitive), are neither before the low
// nor after the high bound. A detail dataset's range is its master's current
// values of MasterFields, set whenever the master moves.
#include <algorithm>

#include "engine/compare.h"
#include "engine/dataset.h"
#include "engine/field_text.h"
#include "engine/text_export.h"
#include "engine/zelconst.h"
#include "platform/db/data_source.h"

namespace morvane {

using namespace zelconst;

// --- Ranges ---------------------------------------------------------------------

void TzelDataset::SetRangeFieldNames(const std::string& names) {
  rangeFieldNames_ = names;
  CheckMasterRange();
}

void TzelDataset::ResetRangeBlocks() {
  rangeLow_ = TzelKeyBlock(*cursor_);
  rangeHigh_ = TzelKeyBlock(*cursor_);
  rangeFieldIndexes_.clear();
  const TzelFieldList& all = cursor_->Fields();
  for (const TzelField* field : ResolveKeyFields(*cursor_, rangeFieldNames_)) {
    auto found = std::find_if(all.begin(), all.end(),
                              [field](const auto& candidate) { return candidate.get() == field; });
    rangeFieldIndexes_.push_back(int(found - all.begin()));
  }
}

void TzelDataset::RebuildAfterRange() {
  rangeActive_ = true;
  if (Active()) SortRecords(true);
}

void TzelDataset::SetRange(const std::vector<Variant>& lowValues,
                           const std::vector<Variant>& highValues) {
  if (!cursor_ || rangeFieldNames_.empty()) return;
  ResetRangeBlocks();
  const size_t fieldCount = rangeFieldIndexes_.size();
  size_t highStored = 0;
  try {
    for (size_t index = 0; index < std::min(lowValues.size(), fieldCount); ++index) {
      const TzelField& field = *cursor_->GetFieldInfo(rangeFieldIndexes_[index]);
      VarRecToSlot(rangeLow_.Data() + field.Offset, lowValues[index], field);
    }
    for (size_t index = 0; index < std::min(highValues.size(), fieldCount); ++index) {
      const TzelField& field = *cursor_->GetFieldInfo(rangeFieldIndexes_[index]);
      VarRecToSlot(rangeHigh_.Data() + field.Offset, highValues[index], field);
      highStored = index + 1;
    }
  } catch (const std::exception&) {
    // A value that cannot be stored ends the bounds; the fields stored up to
    // then form the range.
  }
  // The range uses as many fields as high values were given.
  rangeFieldIndexes_.resize(std::min(rangeFieldIndexes_.size(), highStored));
  RebuildAfterRange();
}

void TzelDataset::SetRange(std::string_view lowValues, std::string_view highValues) {
  if (!cursor_ || rangeFieldNames_.empty()) return;
  ResetRangeBlocks();
  size_t index = 0;
  size_t highGiven = 0;
  for (; index < rangeFieldIndexes_.size() && (!lowValues.empty() || !highValues.empty());
       ++index) {
    const TzelField& field = *cursor_->GetFieldInfo(rangeFieldIndexes_[index]);
    if (!highValues.empty()) highGiven = index + 1;
    std::string_view low = TakeTabValue(lowValues);
    std::string_view high = TakeTabValue(highValues);
    if (!low.empty()) TextToSlot(rangeLow_.Data() + field.Offset, low, field);
    if (!high.empty()) TextToSlot(rangeHigh_.Data() + field.Offset, high, field);
  }
  // As with typed bounds, the range uses as many fields as the high list
  // has values: a field without a high value would bound the range by an
  // empty value and leave nothing in it.
  rangeFieldIndexes_.resize(std::min(index, highGiven));
  RebuildAfterRange();
}

bool TzelDataset::AcceptRange(const TzelRecord* record) const {
  if (!rangeActive_ || !cursor_) return true;
  if (!record || !record->Data) return false;
  // Bounds laid out for another layout (the cursor was reloaded with other
  // fields) cannot be compared; the range no longer restricts anything.
  if (!rangeLow_.Fits(*cursor_)) return true;
  const char* data = record->Data.get();
  int toLow = 0;
  int toHigh = 0;
  for (int fieldIndex : rangeFieldIndexes_) {
    const TzelField* field = cursor_->GetFieldInfo(fieldIndex);
    if (!field) continue;
    const char* slot = data + field->Offset;
    if (toLow == 0) toLow = CompareBuf(slot, rangeLow_.Data() + field->Offset, *field, false);
    if (toHigh == 0) toHigh = CompareBuf(slot, rangeHigh_.Data() + field->Offset, *field, false);
    if (toLow != 0 && toHigh != 0) break;
  }
  return toLow >= 0 && toHigh <= 0;
}

void TzelDataset::CancelRange() {
  if (cursor_) {
    rangeLow_.Reset();
    rangeHigh_.Reset();
  }
  rangeActive_ = false;
  rangeFieldIndexes_.clear();
  if (cursor_ && Active()) SortRecords(false);
}

// --- Filter ---------------------------------------------------------------------

void TzelDataset::SetFiltered(bool value) {
  if (!Active()) {
    TDataSet::SetFiltered(value);
    return;
  }
  CheckBrowseMode();
  TDataSet::SetFiltered(value);
  SortRecords(false);
  First();
}

// --- Master-detail ----------------------------------------------------------------

std::unique_ptr<TzelMasterLink> TzelDataset::MakeMasterLink() {
  auto link = std::make_unique<TzelMasterLink>(this);
  link->OnMasterChange = [this](TzelMasterLink* sender) { MasterChanged(sender); };
  link->OnMasterDisable = [this](TzelMasterLink* sender) { MasterDisabled(sender); };
  return link;
}

TDataSource* TzelDataset::GetDataSource() const {
  return masterLink_->DataSource();
}

void TzelDataset::SetDataSource(TDataSource* dataSource) {
  if (dataSource && IsLinkedTo(dataSource)) DatabaseError(_Z_MASTERSELF);
  masterLink_->SetDataSource(dataSource);
  if (dataSource && dataSource->DataSet() && !dynamic_cast<TzelDataset*>(dataSource->DataSet())) {
    DatabaseError(_Z_MASTERTYPE);
  }
}

void TzelDataset::MasterChanged(TzelMasterLink* /*sender*/) {
  if (!Active()) return;
  CheckBrowseMode();
  auto* master = dynamic_cast<TzelDataset*>(masterLink_->DataSet());
  if (!master) return;
  const std::string values = master->GetTabValues(MasterFields());
  SetRange(values, values);
}

void TzelDataset::MasterDisabled(TzelMasterLink* /*sender*/) {
  if (Active()) CancelRange();
}

void TzelDataset::CheckMasterRange() {
  if (!masterLink_->Active() || masterLink_->Fields().empty()) return;
  auto* master = dynamic_cast<TzelDataset*>(masterLink_->DataSet());
  if (!master) return;
  const std::string values = master->GetTabValues(MasterFields());
  SetRange(values, values);
}

void TzelDataset::CopyMasterValues() {
  if (!masterLink_->Active() || masterLink_->Fields().empty()) return;
  const std::vector<TField*>& masterFields = masterLink_->Fields();
  const std::vector<TField*> detailFields = GetFieldList(rangeFieldNames_);
  const size_t count = std::min(masterFields.size(), detailFields.size());
  for (size_t index = 0; index < count; ++index) {
    detailFields[index]->SetValue(masterFields[index]->Value());
  }
}

}  // namespace morvane
