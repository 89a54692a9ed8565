#include "platform/db/data_source.h"

#include <algorithm>

#include "platform/db/data_link.h"
#include "platform/db/dataset.h"
#include "platform/db/db_consts.h"

namespace morvane {

TDataSource::TDataSource(TComponent* owner) : TComponent(owner) {}

TDataSource::~TDataSource() {
  Destroying();
  // Links outlive us in their owners: they must forget this data source.
  while (!dataLinks_.empty()) RemoveDataLink(dataLinks_.back());
  if (dataSet_ != nullptr) dataSet_->RemoveDataSource(this);
}

void TDataSource::SetDataSet(TDataSet* dataSet) {
  if (dataSet == dataSet_) return;
  if (IsLinkedTo(dataSet)) DatabaseError(SCircularDataLink, this);
  if (dataSet_ != nullptr) dataSet_->RemoveDataSource(this);
  if (dataSet != nullptr) dataSet->AddDataSource(this);
}

bool TDataSource::IsLinkedTo(const TDataSet* dataSet) const {
  for (int guard = 0; dataSet != nullptr && guard < 1000; ++guard) {
    TDataSource* source = dataSet->DataSource();
    if (source == nullptr) return false;
    if (source == this) return true;
    dataSet = source->DataSet();
  }
  return dataSet != nullptr;
}

void TDataSource::SetEnabled(bool value) {
  if (value == enabled_) return;
  enabled_ = value;
  UpdateState();
}

void TDataSource::Edit() {
  if (autoEdit_ && state_ == dsBrowse && dataSet_ != nullptr) dataSet_->Edit();
}

void TDataSource::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation == opRemove && component == dataSet_ && dataSet_ != nullptr)
    dataSet_->RemoveDataSource(this);
}

void TDataSource::UpdateState() {
  TDataSetState state = enabled_ && dataSet_ != nullptr ? dataSet_->State() : dsInactive;
  if (state == state_) return;
  TDataSetState prior = state_;
  state_ = state;
  // Links first, so that a handler of the source's events sees controls that
  // already follow the new state; a source that becomes active also reports
  // the data as changed.
  NotifyDataLinks(deUpdateState, 0);
  if (IsDestroying()) return;
  if (OnStateChange) OnStateChange(this);
  if (prior == dsInactive && OnDataChange) OnDataChange(this, nullptr);
}

void TDataSource::NotifyDataLinks(TDataEvent event, intptr_t info) {
  // Copy: a handler may attach or detach links.
  std::vector<TDataLink*> links = dataLinks_;
  for (TDataLink* link : links)
    if (std::find(dataLinks_.begin(), dataLinks_.end(), link) != dataLinks_.end())
      link->DataEvent(event, info);
}

void TDataSource::DataEvent(TDataEvent event, intptr_t info) {
  if (event == deUpdateState) {
    UpdateState();
    return;
  }
  if (!enabled_ || state_ == dsInactive) return;
  NotifyDataLinks(event, info);
  if (IsDestroying()) return;
  switch (event) {
    case deFieldChange:
    case deRecordChange:
      if (OnDataChange) OnDataChange(this, reinterpret_cast<TField*>(info));
      break;
    case deDataSetChange:
    case deDataSetScroll:
    case deLayoutChange:
      if (OnDataChange) OnDataChange(this, nullptr);
      break;
    case deUpdateRecord:
      if (OnUpdateData) OnUpdateData(this);
      break;
    default:
      break;
  }
}

void TDataSource::AddDataLink(TDataLink* link) {
  dataLinks_.push_back(link);
  link->dataSource_ = this;
  if (dataSet_ != nullptr) dataSet_->UpdateBufferCount();
  link->UpdateState();
}

void TDataSource::RemoveDataLink(TDataLink* link) {
  link->dataSource_ = nullptr;
  dataLinks_.erase(std::remove(dataLinks_.begin(), dataLinks_.end(), link), dataLinks_.end());
  link->UpdateState();
  if (dataSet_ != nullptr && !IsDestroying()) dataSet_->UpdateBufferCount();
}

int TDataSource::MaxBufferCount() const {
  int count = 0;
  for (TDataLink* link : dataLinks_) count = std::max(count, link->BufferCount());
  return count;
}

}  // namespace morvane
