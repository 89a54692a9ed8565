#include "controls/grid/columns.h"

#include <algorithm>

#include "controls/grid/db_grid.h"
#include "platform/db/dataset.h"
#include "platform/rtl/exceptions.h"

namespace morvane {

TzelDBGridColumns::TzelDBGridColumns(TzelCustomDBGrid* grid) : grid_(grid) {}

TzelDBGridColumns::~TzelDBGridColumns() {
  clearing_ = true;
  items_.clear();
}

TzelColumn* TzelDBGridColumns::Items(int index) const {
  if (index < 0 || index >= Count()) throw EListError("List index out of bounds (" +
                                                      std::to_string(index) + ")");
  return items_[size_t(index)].get();
}

void TzelDBGridColumns::SetItems(int index, TzelColumn& value) { Items(index)->Assign(value); }

int TzelDBGridColumns::IndexOf(const TzelColumn* column) const {
  for (int index = 0; index < Count(); ++index)
    if (items_[size_t(index)].get() == column) return index;
  return -1;
}

TzelDBGridColumnsState TzelDBGridColumns::State() const {
  return !items_.empty() && items_.front()->Stored() ? csCustomized : csDefault;
}

void TzelDBGridColumns::SetState(TzelDBGridColumnsState value) {
  if (value == State()) return;
  if (value == csCustomized)
    RebuildColumns();
  else
    Clear();
}

std::unique_ptr<TzelColumn> TzelDBGridColumns::NewColumn() {
  return std::make_unique<TzelColumn>(this);
}

TzelColumn* TzelDBGridColumns::Insert(std::unique_ptr<TzelColumn> column) {
  // Creating a column inside a grid's list is one layout batch.
  if (grid_ != nullptr) grid_->BeginLayout();
  TzelColumn* added = column.get();
  try {
    items_.push_back(std::move(column));
    Changed(nullptr);
  } catch (...) {
    if (grid_ != nullptr) grid_->EndLayout();
    throw;
  }
  if (grid_ != nullptr) grid_->EndLayout();
  return added;
}

TzelColumn* TzelDBGridColumns::Add() { return Insert(NewColumn()); }

TzelColumn* TzelDBGridColumns::AddDefault() {
  auto column = NewColumn();
  column->SetStored(false);
  return Insert(std::move(column));
}

void TzelDBGridColumns::Clear() {
  if (items_.empty()) return;
  BeginUpdate();
  clearing_ = true;
  // Columns go last first; the list stays valid while each one dies.
  while (!items_.empty()) items_.pop_back();
  clearing_ = false;
  changedInUpdate_ = true;
  EndUpdate();
}

void TzelDBGridColumns::Delete(int index) {
  Items(index);  // range check
  items_.erase(items_.begin() + index);
  Changed(nullptr);
}

void TzelDBGridColumns::Move(int from, int to) {
  if (from < 0 || from >= Count()) return;
  to = std::clamp(to, 0, Count() - 1);
  if (from == to) return;
  auto column = std::move(items_[size_t(from)]);
  items_.erase(items_.begin() + from);
  items_.insert(items_.begin() + to, std::move(column));
  Changed(nullptr);
}

void TzelDBGridColumns::RestoreDefaults() {
  BeginUpdate();
  try {
    for (auto& column : items_) column->RestoreDefaults();
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TzelDBGridColumns::RebuildColumns() {
  TDataSet* dataSet = grid_ != nullptr ? grid_->DataLink()->DataSet() : nullptr;
  if (dataSet == nullptr) {
    Clear();
    return;
  }
  grid_->BeginLayout();
  try {
    Clear();
    for (TField* field : dataSet->Fields()) Add()->SetFieldName(field->FullName());
  } catch (...) {
    grid_->EndLayout();
    throw;
  }
  grid_->EndLayout();
}

void TzelDBGridColumns::Assign(const TzelDBGridColumns& source) {
  BeginUpdate();
  try {
    Clear();
    for (const auto& item : source.items_) Add()->Assign(*item);
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TzelDBGridColumns::AssignStreamed(const TzelDBGridColumns& source) {
  BeginUpdate();
  try {
    Clear();
    for (const auto& item : source.items_) Add()->AssignStreamed(*item);
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TzelDBGridColumns::BeginUpdate() { ++updateCount_; }

void TzelDBGridColumns::EndUpdate() {
  if (updateCount_ == 0) return;
  if (--updateCount_ > 0 || !changedInUpdate_) return;
  changedInUpdate_ = false;
  Update(nullptr);
}

void TzelDBGridColumns::Changed(TzelColumn* item) {
  if (clearing_) return;
  if (updateCount_ > 0) {
    changedInUpdate_ = true;
    return;
  }
  Update(item);
}

void TzelDBGridColumns::Update(TzelColumn* item) {
  if (grid_ == nullptr || grid_->Loading() || grid_->destroying_) return;
  if (item == nullptr)
    grid_->LayoutChanged();
  else
    grid_->InvalidateColumn(item);
}

}  // namespace morvane
