#include "controls/grid/bookmark_list.h"

#include <exception>

#include "platform/db/dataset.h"
#include "platform/db/db_consts.h"
#include "platform/rtl/exceptions.h"

namespace morvane {

namespace {

// Keeps a dataset's controls disabled for its lifetime, whatever is thrown.
class ControlsDisabled {
 public:
  explicit ControlsDisabled(TDataSet* dataSet) : dataSet_(dataSet) { dataSet_->DisableControls(); }
  ~ControlsDisabled() { dataSet_->EnableControls(); }
  ControlsDisabled(const ControlsDisabled&) = delete;
  ControlsDisabled& operator=(const ControlsDisabled&) = delete;

 private:
  TDataSet* dataSet_;
};

}  // namespace

const TBookmark& TBookmarkList::Items(int index) const {
  if (index < 0 || index >= Count()) {
    throw EListError("List index out of bounds (" + std::to_string(index) + ")");
  }
  return list_[size_t(index)];
}

TDataSet* TBookmarkList::DataSet() const {
  TDataSet* dataSet = grid_->BookmarkDataSet();
  if (dataSet == nullptr) DatabaseError(SDataSetClosed);
  return dataSet;
}

TBookmark TBookmarkList::CurrentRow() const {
  if (!linkActive_) DatabaseError(SDataSetClosed);
  return DataSet()->GetBookmark();
}

int TBookmarkList::Compare(const TBookmark& left, const TBookmark& right) const {
  return DataSet()->CompareBookmarks(left, right);
}

bool TBookmarkList::Stale() const {
  if (list_.empty()) return false;
  const TDataSet* dataSet = grid_->BookmarkDataSet();
  return dataSet != nullptr && dataSet->RecordsGeneration() != generation_;
}

bool TBookmarkList::DropStale() {
  if (!Stale()) return false;
  list_.clear();
  ListChanged();
  return true;
}

bool TBookmarkList::Find(const TBookmark& bookmark, int& index) {
  DropStale();
  if (cacheIndex_ >= 0 && bookmark == cache_) {
    index = cacheIndex_;
    return cacheFound_;
  }
  int low = 0;
  int high = Count() - 1;
  bool found = false;
  while (low <= high) {
    const int mid = (low + high) / 2;
    const int order = Compare(list_[size_t(mid)], bookmark);
    if (order < 0) {
      low = mid + 1;
    } else {
      high = mid - 1;
      if (order == 0) {
        found = true;
        low = mid;
      }
    }
  }
  cache_ = bookmark;
  cacheIndex_ = low;
  cacheFound_ = found;
  index = low;
  return found;
}

int TBookmarkList::IndexOf(const TBookmark& bookmark) {
  int index = -1;
  return Find(bookmark, index) ? index : -1;
}

bool TBookmarkList::CurrentRowSelected() {
  int index = 0;
  return Find(CurrentRow(), index);
}

void TBookmarkList::SetCurrentRowSelected(bool value) {
  TBookmark current = CurrentRow();
  if (current.empty()) return;
  int index = 0;
  if (Find(current, index) == value) return;
  if (value) {
    if (list_.empty()) generation_ = DataSet()->RecordsGeneration();
    list_.insert(list_.begin() + index, std::move(current));
  } else {
    list_.erase(list_.begin() + index);
  }
  ListChanged();
  grid_->BookmarksChanged(true);
}

void TBookmarkList::Clear() {
  if (list_.empty()) return;
  list_.clear();
  ListChanged();
  grid_->BookmarksChanged(false);
}

void TBookmarkList::Delete() {
  TDataSet* dataSet = DataSet();
  DropStale();
  ControlsDisabled disabled(dataSet);
  for (int index = Count() - 1; index >= 0; --index) {
    const TBookmark& bookmark = list_[size_t(index)];
    // Going to a bookmark whose record is gone leaves the dataset where it
    // is; deleting then would take the wrong record.
    if (dataSet->BookmarkValid(bookmark)) {
      dataSet->GotoBookmark(bookmark);
      dataSet->Delete();
    }
    list_.erase(list_.begin() + index);
    ListChanged();
  }
}

bool TBookmarkList::Refresh() {
  TDataSet* dataSet = DataSet();
  dataSet->CheckBrowseMode();
  bool removed = DropStale();
  std::exception_ptr failure;
  try {
    for (int index = Count() - 1; index >= 0; --index) {
      if (!dataSet->BookmarkValid(list_[size_t(index)])) {
        list_.erase(list_.begin() + index);
        removed = true;
      }
    }
  } catch (...) {
    failure = std::current_exception();  // rethrown below, once the cursor is back
  }
  if (removed) ListChanged();
  dataSet->UpdateCursorPos();
  if (removed) grid_->BookmarksChanged(false);
  if (failure) std::rethrow_exception(failure);
  return removed;
}

void TBookmarkList::LinkActive(bool active) {
  Clear();
  linkActive_ = active;
}

}  // namespace morvane
