#include "platform/db/data_link.h"

#include <algorithm>

#include "platform/db/data_source.h"
#include "platform/db/dataset.h"
#include "platform/db/db_consts.h"

namespace morvane {

TDataLink::~TDataLink() {
  if (dataSource_ != nullptr) dataSource_->RemoveDataLink(this);
}

void TDataLink::SetDataSource(TDataSource* dataSource) {
  if (dataSource == dataSource_) return;
  if (dataSourceFixed_) DatabaseError(SDataSourceChange, dataSource_);
  if (dataSource_ != nullptr) dataSource_->RemoveDataLink(this);
  if (dataSource != nullptr) dataSource->AddDataLink(this);
}

TDataSet* TDataLink::DataSet() const {
  return dataSource_ != nullptr ? dataSource_->DataSet() : nullptr;
}

void TDataLink::SetReadOnly(bool value) {
  if (value == readOnly_) return;
  readOnly_ = value;
  UpdateState();
}

int TDataLink::ActiveRecord() const {
  TDataSet* dataSet = DataSet();
  if (dataSet == nullptr || dataSource_->State() == dsSetKey) return 0;
  return dataSet->activeRecord_ - firstRecord_;
}

void TDataLink::SetActiveRecord(int value) {
  TDataSet* dataSet = DataSet();
  if (dataSet == nullptr || dataSource_->State() == dsSetKey) return;
  dataSet->activeRecord_ = value + firstRecord_;
}

int TDataLink::RecordCount() const {
  TDataSet* dataSet = DataSet();
  if (dataSet == nullptr || !active_) return 0;
  if (dataSource_->State() == dsSetKey) return 1;
  return std::clamp(dataSet->recordCount_ - firstRecord_, 0, bufferCount_);
}

void TDataLink::SetBufferCount(int value) {
  value = std::max(value, 1);
  if (value == bufferCount_) return;
  bufferCount_ = value;
  if (!active_) return;
  UpdateRange();
  DataSet()->UpdateBufferCount();
  UpdateRange();
}

bool TDataLink::Bof() const {
  TDataSet* dataSet = DataSet();
  return dataSet == nullptr || dataSet->Bof();
}

bool TDataLink::Eof() const {
  TDataSet* dataSet = DataSet();
  return dataSet == nullptr || dataSet->Eof();
}

bool TDataLink::Edit() {
  if (!readOnly_ && dataSource_ != nullptr) dataSource_->Edit();
  return editing_;
}

void TDataLink::UpdateRecord() {
  updating_ = true;
  try {
    UpdateData();
  } catch (...) {
    updating_ = false;
    throw;
  }
  updating_ = false;
}

int TDataLink::MoveBy(int distance) {
  TDataSet* dataSet = DataSet();
  return dataSet != nullptr ? dataSet->MoveBy(distance) : 0;
}

void TDataLink::UpdateState() {
  SetActive(dataSource_ != nullptr && dataSource_->State() != dsInactive);
  SetEditing(dataSource_ != nullptr && dsEditModes.Contains(dataSource_->State()) && !readOnly_);
}

void TDataLink::SetActive(bool value) {
  if (value == active_) return;
  active_ = value;
  if (value)
    UpdateRange();
  else
    firstRecord_ = 0;
  ActiveChanged();
}

void TDataLink::SetEditing(bool value) {
  if (value == editing_) return;
  editing_ = value;
  EditingChanged();
}

void TDataLink::UpdateRange() {
  TDataSet* dataSet = DataSet();
  if (dataSet == nullptr) return;
  int lowest = std::max(0, dataSet->activeRecord_ - bufferCount_ + 1);
  int highest = std::max(0, dataSet->bufferCount_ - bufferCount_);
  if (firstRecord_ > highest) firstRecord_ = highest;
  if (firstRecord_ < lowest) firstRecord_ = lowest;
}

void TDataLink::DataEvent(TDataEvent event, intptr_t info) {
  if (event == deUpdateState) {
    UpdateState();
    return;
  }
  if (!active_) return;
  switch (event) {
    case deFieldChange:
    case deRecordChange:
      if (!updating_) RecordChanged(reinterpret_cast<TField*>(info));
      break;
    case deDataSetChange:
    case deDataSetScroll:
    case deLayoutChange:
    case deFieldListChange: {
      int count = 0;
      if (dataSource_->State() != dsSetKey) {
        int active = DataSet()->activeRecord_;
        int first = firstRecord_ + (event == deDataSetScroll ? int(info) : 0);
        int last = first + bufferCount_ - 1;
        if (active > last)
          count = active - last;
        else if (active < first)
          count = active - first;
        firstRecord_ = first + count;
      }
      if (event == deDataSetChange)
        DataSetChanged();
      else if (event == deDataSetScroll)
        DataSetScrolled(count);
      else
        LayoutChanged();
      break;
    }
    case deUpdateRecord:
      UpdateRecord();
      break;
    case deCheckBrowseMode:
      CheckBrowseMode();
      break;
    case deFocusControl:
      FocusControl(reinterpret_cast<TField**>(info));
      break;
    default:
      break;
  }
}

// --- TFieldDataLink -------------------------------------------------------

void TFieldDataLink::SetFieldName(const std::string& name) {
  if (name == fieldName_) return;
  fieldName_ = name;
  UpdateField();
}

bool TFieldDataLink::CanModify() const {
  return !ReadOnly() && field_ != nullptr && field_->CanModify();
}

bool TFieldDataLink::Edit() {
  if (CanModify()) TDataLink::Edit();
  return fieldEditing_;
}

void TFieldDataLink::UpdateField(bool mustExist) {
  SetField(nullptr);
  if (!Active() || fieldName_.empty()) return;
  SetField(mustExist ? DataSet()->FieldByName(fieldName_) : DataSet()->FindField(fieldName_));
}

void TFieldDataLink::SetField(TField* field) {
  if (field == field_) return;
  field_ = field;
  EditingChanged();
  RecordChanged(nullptr);
}

void TFieldDataLink::SetFieldEditing(bool value) {
  if (value == fieldEditing_) return;
  fieldEditing_ = value;
  modified_ = false;
  if (OnEditingChange) OnEditingChange();
}

void TFieldDataLink::ActiveChanged() {
  UpdateField();
  if (OnActiveChange) OnActiveChange();
}

void TFieldDataLink::EditingChanged() {
  SetFieldEditing(TDataLink::Editing() && CanModify());
}

void TFieldDataLink::FocusControl(TField** field) {
  if (field == nullptr || *field == nullptr || *field != field_) return;
  if (OnFocusControl && OnFocusControl()) *field = nullptr;
}

void TFieldDataLink::LayoutChanged() {
  UpdateField(false);
}

void TFieldDataLink::RecordChanged(TField* field) {
  if (field != nullptr && field != field_) return;
  if (OnDataChange) OnDataChange();
  modified_ = false;
}

void TFieldDataLink::UpdateData() {
  if (!modified_) return;
  if (field_ != nullptr && OnUpdateData) OnUpdateData();
  modified_ = false;
}

}  // namespace morvane
