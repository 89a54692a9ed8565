#include "controls/grid/grid_data_link.h"

#include "controls/grid/db_grid.h"
#include "platform/db/dataset.h"

namespace morvane {

TGridDataLink::~TGridDataLink() = default;

bool TGridDataLink::GridAlive() const { return grid_ != nullptr && !grid_->destroying_; }

void TGridDataLink::AddMapping(const std::string& fieldName) {
  TDataSet* dataSet = DataSet();
  TField* field = nullptr;
  if (dataSet != nullptr)
    field = sparseMap_ ? dataSet->FindField(fieldName) : dataSet->FieldByName(fieldName);
  fieldMap_.push_back(field != nullptr ? field->Index() : -1);
  if (field != nullptr && GridAlive()) grid_->ListenTo(field);
}

int TGridDataLink::GetMappedIndex(int index) const {
  return index >= 0 && index < FieldCount() ? fieldMap_[size_t(index)] : -1;
}

TField* TGridDataLink::Fields(int index) const {
  const int fieldIndex = GetMappedIndex(index);
  TDataSet* dataSet = DataSet();
  if (fieldIndex < 0 || dataSet == nullptr || fieldIndex >= dataSet->FieldCount()) return nullptr;
  return dataSet->Fields().Fields(fieldIndex);
}

bool TGridDataLink::DefaultFields() const {
  TDataSet* dataSet = DataSet();
  if (dataSet == nullptr) return true;
  if (!dataSet->DefaultFields()) return false;
  if (sparseMap_)
    for (int entry : fieldMap_)
      if (entry < 0) return false;
  return true;
}

void TGridDataLink::Reset() {
  if (modified_)
    RecordChanged(nullptr);
  else if (TDataSet* dataSet = DataSet())
    dataSet->Cancel();
}

void TGridDataLink::ActiveChanged() {
  if (GridAlive()) grid_->LinkActive(Active());
  modified_ = false;
}

void TGridDataLink::DataSetChanged() {
  if (GridAlive()) grid_->DataChanged();
  modified_ = false;
}

void TGridDataLink::DataSetScrolled(int distance) {
  if (GridAlive()) grid_->Scroll(distance);
}

void TGridDataLink::FocusControl(TField** field) {
  if (!GridAlive() || field == nullptr || *field == nullptr) return;
  grid_->SetSelectedField(*field);
  if (grid_->SelectedField() == *field && grid_->isEnabled() && grid_->isVisible()) {
    grid_->setFocus();
    *field = nullptr;
    grid_->ShowEditor();
  }
}

void TGridDataLink::EditingChanged() {
  if (GridAlive()) grid_->EditingChanged();
}

void TGridDataLink::LayoutChanged() {
  if (!GridAlive()) return;
  const bool saved = grid_->layoutFromDataset_;
  grid_->layoutFromDataset_ = true;
  try {
    grid_->LayoutChanged();
  } catch (...) {
    grid_->layoutFromDataset_ = saved;
    throw;
  }
  grid_->layoutFromDataset_ = saved;
  TDataLink::LayoutChanged();
}

void TGridDataLink::RecordChanged(TField* field) {
  if (GridAlive()) grid_->RecordChanged(field);
  modified_ = false;
}

void TGridDataLink::UpdateData() {
  inUpdateData_ = true;
  try {
    if (modified_ && GridAlive()) grid_->UpdateData();
  } catch (...) {
    inUpdateData_ = false;
    throw;
  }
  modified_ = false;
  inUpdateData_ = false;
}

}  // namespace morvane
