// TzelDataset: the view (which records are shown, in which order) and the
// properties that rebuild it.
#include <algorithm>
#include <cstring>

#include "engine/compare.h"
#include "engine/dataset.h"
#include "engine/view_sort.h"

namespace morvane {

bool TzelDataset::AcceptRecordInView(TzelRecord* record) {
  if (!AcceptRange(record)) return false;
  if (!Filtered() || !OnFilterRecord) return true;
  filterRecord_ = record;
  bool accept = true;
  OnFilterRecord(this, accept);
  return accept;
}

void TzelDataset::SortRecords(bool toFirst) {
  sortFields_.clear();
  if (!indexFieldNames_.empty() && cursor_) {
    sortFields_ = ResolveKeyFields(*cursor_, indexFieldNames_);
    for (TzelField* sortField : sortFields_) {
      if (TField* field = FindField(sortField->Name)) {
        sortField->Alignment = field->Alignment() == taRightJustify ? 1 : 0;
      }
    }
  }
  TzelRecord* remembered = nullptr;
  if (opened_) {
    CheckBrowseMode();
    int recNo = RecNo();
    if (!view_.empty() && recNo >= 1 && recNo <= ViewCount()) remembered = view_[size_t(recNo - 1)];
    DoBeforeScroll();
    DisableControls();
  }
  try {
    view_.clear();
    if (cursor_) {
      view_.reserve(size_t(cursor_->GetRecordCount()));
      TDataSetState previous = SetTempState(dsFilter);
      try {
        for (int index = 0; index < cursor_->GetRecordCount(); ++index) {
          const TzelUpdStatus status = cursor_->StatusAt(index);
          if (status == zusDeleted || status == zusAbsent) continue;
          TzelRecord* record = cursor_->GetData(index);
          if (AcceptRecordInView(record)) view_.push_back(record);
        }
      } catch (...) {
        filterRecord_ = nullptr;
        RestoreState(previous);
        throw;
      }
      filterRecord_ = nullptr;
      RestoreState(previous);
    }
    if (!sortFields_.empty()) {
      SortView(view_, TzelSortOrder{sortFields_, sortOptions_.Contains(zsoCaseInsensitive),
                                    sortOptions_.Contains(zsoDescendSort)});
    }
    sorted_ = !sortFields_.empty();
    position_ = -1;
    if (opened_) {
      CursorPosChanged();
      if (!view_.empty() && remembered && !toFirst) position_ = ViewIndexOf(remembered);
      Resync(TResyncMode{});
      DoAfterScroll();
    }
  } catch (...) {
    if (opened_) EnableControls();
    throw;
  }
  if (opened_) EnableControls();
}

void TzelDataset::MoveInsertedToOrder() {
  if (indexFieldNames_.empty() || !sorted_ || view_.empty()) return;
  std::vector<TzelField*> keys = ResolveKeyFields(*cursor_, indexFieldNames_);
  const bool descending = sortOptions_.Contains(zsoDescendSort);
  TzelRecord* inserted = view_.back();
  int low = 0;
  int high = ViewCount() - 2;
  int result = -1;
  while (low <= high) {
    int middle = (low + high) / 2;
    int compared = CompareRecords(view_[size_t(middle)]->Data.get(), inserted->Data.get(), keys);
    if ((!descending && compared < 0) || (descending && compared > 0)) {
      low = middle + 1;
    } else {
      high = middle - 1;
      result = middle;
    }
  }
  if (result < 0) return;
  view_.pop_back();
  view_.insert(view_.begin() + result, inserted);
  position_ = result;
  // The buffer shows the record at its new place.
  SetBufferRecNo(ActiveBuffer(), result + 1);
}

void TzelDataset::SetIndexFieldNames(const std::string& names) {
  if (names == indexFieldNames_) return;
  indexFieldNames_ = names;
  if (Active()) SortRecords(false);
}

void TzelDataset::SetSortOptions(TzelSortOptions options) {
  sortOptions_ = options;
  if (Active()) SortRecords(false);
}

}  // namespace morvane
