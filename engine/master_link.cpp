#include "engine/master_link.h"

#include <algorithm>

#include "engine/dataset.h"
#include "platform/db/data_source.h"

namespace morvane {

TzelMasterLink::TzelMasterLink(TzelDataset* detail) : detail_(detail) {}

TzelMasterLink::~TzelMasterLink() = default;

void TzelMasterLink::SetFieldNames(const std::string& names) {
  if (names == fieldNames_) return;
  fieldNames_ = names;
  ActiveChanged();
}

TDataSet* TzelMasterLink::GetDetailDataSet() const {
  return detail_;
}

void TzelMasterLink::ActiveChanged() {
  Reattach();
}

void TzelMasterLink::LayoutChanged() {
  Reattach();
}

void TzelMasterLink::Reattach() {
  fields_.clear();
  if (Active() && DataSet()) {
    try {
      fields_ = DataSet()->GetFieldList(fieldNames_);
    } catch (...) {
      fields_.clear();
      throw;
    }
  }
  if (!detail_->Active() || detail_->IsDestroying()) return;
  if (Active() && !fields_.empty()) {
    if (OnMasterChange) OnMasterChange(this);
  } else if (OnMasterDisable) {
    OnMasterDisable(this);
  }
}

void TzelMasterLink::RecordChanged(TField* field) {
  if (!DataSource() || DataSource()->State() == dsSetKey) return;
  if (!detail_->Active() || fields_.empty()) return;
  if (field && std::find(fields_.begin(), fields_.end(), field) == fields_.end()) return;
  if (dynamic_cast<TzelDataset*>(DataSet()) && OnMasterChange) OnMasterChange(this);
}

void TzelMasterLink::DataSetScrolled(int /*distance*/) {
  RecordChanged(nullptr);
}

void TzelMasterLink::CheckBrowseMode() {
  if (detail_->Active()) detail_->CheckBrowseMode();
}

}  // namespace morvane
