// TzelRecordView: the records a dataset shows, in display order.
//
// A view is a list of record references of its own, or, while the dataset
// shows every record of its store in store order (no order, no range, no
// filter, nothing deleted: a table as loaded), the store itself, which costs
// no memory per record. A view over the store shows the store's first Count()
// records: those the store held when the view was made and the ones Append
// added after them. Any other change (List) turns it into a list first.
//
// The store must keep its order while a view shows it; only TzelCursor::Sort
// changes it, and datasets never call that.
#pragma once

#include <algorithm>
#include <vector>

#include "engine/cursor.h"

namespace morvane {

class TzelRecordView {
 public:
  // The store's records, in store order.
  void ShowStore(const TzelCursor* cursor) {
    list_.clear();
    list_.shrink_to_fit();
    store_ = cursor;
    storeCount_ = cursor->GetRecordCount();
  }
  // An empty list.
  void Clear() {
    store_ = nullptr;
    storeCount_ = 0;
    list_.clear();
  }
  bool ShowsStore() const { return store_ != nullptr; }
  int Count() const { return store_ ? storeCount_ : int(list_.size()); }
  bool Empty() const { return Count() == 0; }
  TzelRecord* At(int index) const { return store_ ? store_->GetData(index) : list_[size_t(index)]; }
  // The list of its own, or nullptr while the view shows the store.
  const std::vector<TzelRecord*>* OwnList() const { return store_ ? nullptr : &list_; }
  // The view index of the record, or -1.
  int IndexOf(const TzelRecord* record) const {
    if (store_) {
      const int index = store_->IndexOf(record);
      return index < storeCount_ ? index : -1;
    }
    auto found = std::find(list_.begin(), list_.end(), record);
    return found == list_.end() ? -1 : int(found - list_.begin());
  }
  // Adds a record at the end. A view over the store stays one when the
  // record is the store's next.
  void Append(TzelRecord* record) {
    if (store_ && storeCount_ < store_->GetRecordCount() &&
        store_->GetData(storeCount_) == record) {
      ++storeCount_;
      return;
    }
    List().push_back(record);
  }
  // The view as a list of its own, to change in place.
  std::vector<TzelRecord*>& List() {
    if (store_) {
      list_.reserve(size_t(storeCount_));
      for (int index = 0; index < storeCount_; ++index) list_.push_back(store_->GetData(index));
      store_ = nullptr;
      storeCount_ = 0;
    }
    return list_;
  }

 private:
  std::vector<TzelRecord*> list_;
  const TzelCursor* store_ = nullptr;  // the store shown, or none: the list is the view
  int storeCount_ = 0;
};

}  // namespace morvane
