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
    if (!view_.Empty() && recNo >= 1 && recNo <= ViewCount()) remembered = view_.At(recNo - 1);
    DoBeforeScroll();
    DisableControls();
  }
  try {
    view_.Clear();
    if (cursor_) {
      const int count = cursor_->GetRecordCount();
      // While every record up to here is shown, the view may stay the store
      // itself: a list is made only once a record is left out.
      int shownFromStart = 0;
      std::vector<TzelRecord*>& list = view_.List();
      TDataSetState previous = SetTempState(dsFilter);
      try {
        for (int index = 0; index < count; ++index) {
          const TzelUpdStatus status = cursor_->StatusAt(index);
          TzelRecord* record = cursor_->GetData(index);
          const bool shown =
              status != zusDeleted && status != zusAbsent && AcceptRecordInView(record);
          if (shownFromStart == index) {
            if (shown) {
              ++shownFromStart;
              continue;
            }
            list.reserve(size_t(count));
            for (int before = 0; before < index; ++before) list.push_back(cursor_->GetData(before));
            continue;
          }
          if (shown) list.push_back(record);
        }
      } catch (...) {
        filterRecord_ = nullptr;
        RestoreState(previous);
        throw;
      }
      filterRecord_ = nullptr;
      RestoreState(previous);
      if (shownFromStart == count) view_.ShowStore(cursor_);
    }
    if (!sortFields_.empty()) {
      SortView(view_.List(), TzelSortOrder{sortFields_, sortOptions_.Contains(zsoCaseInsensitive),
                                           sortOptions_.Contains(zsoDescendSort)});
    }
    sorted_ = !sortFields_.empty();
    position_ = -1;
    if (opened_) {
      CursorPosChanged();
      if (!view_.Empty() && remembered && !toFirst) position_ = ViewIndexOf(remembered);
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
  if (indexFieldNames_.empty() || !sorted_ || view_.Empty()) return;
  std::vector<TzelField*> keys = ResolveKeyFields(*cursor_, indexFieldNames_);
  const bool descending = sortOptions_.Contains(zsoDescendSort);
  std::vector<TzelRecord*>& list = view_.List();
  TzelRecord* inserted = list.back();
  int low = 0;
  int high = ViewCount() - 2;
  int result = -1;
  while (low <= high) {
    int middle = (low + high) / 2;
    int compared = CompareRecords(view_.At(middle)->Data.get(), inserted->Data.get(), keys);
    if ((!descending && compared < 0) || (descending && compared > 0)) {
      low = middle + 1;
    } else {
      high = middle - 1;
      result = middle;
    }
  }
  if (result < 0) return;
  list.pop_back();
  list.insert(list.begin() + result, inserted);
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
