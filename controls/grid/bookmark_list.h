// TBookmarkList: the rows a multi-select grid has selected, kept as the
// bookmarks of their records, sorted in the dataset's bookmark order
// (CompareBookmarks), so that Find is a binary search.
//
// The grid owns the list and is its TBookmarkListOwner: it tells the list
// which dataset its data link shows and repaints itself and raises
// OnMultiSelectChanged when the list asks. The grid forwards its link state
// through LinkActive; while the link is inactive CurrentRow, and everything
// that reads the current row, raises "Cannot perform this operation on a
// closed dataset".
//
// The list caches the last Find (bookmark, index, found); any change of the
// list drops the cache. Bookmarks only sort the list: this engine orders
// bookmarks by record identity, not by the order the grid shows, so "which
// row comes first on screen" must never be decided by Compare.
//
// Delete deletes the records of the selected rows with the dataset's
// controls disabled, re-enabling them on every path; a bookmark whose record
// is gone is dropped instead of being gone to (going to an invalid bookmark
// would leave the dataset where it is and delete the wrong record).
//
// Bookmarks are record addresses in this engine: once the dataset let go of
// its records (RecordsGeneration changed: reloaded, emptied), a new record
// may sit where a selected one was. The whole selection is then stale: it
// counts as empty and is dropped at the next use, so it never selects or
// deletes a record nobody chose.
#pragma once

#include <string>
#include <vector>

#include "platform/db/db_types.h"

namespace morvane {

class TDataSet;

// What the list needs of the grid that owns it.
class TBookmarkListOwner {
 public:
  // The dataset of the grid's data link; null when there is none.
  virtual TDataSet* BookmarkDataSet() const = 0;
  // The selection changed: repaint the current row only (currentRowOnly) or
  // the whole grid, then raise OnMultiSelectChanged.
  virtual void BookmarksChanged(bool currentRowOnly) = 0;

 protected:
  ~TBookmarkListOwner() = default;
};

class TBookmarkList {
 public:
  explicit TBookmarkList(TBookmarkListOwner* grid) : grid_(grid) {}
  TBookmarkList(const TBookmarkList&) = delete;
  TBookmarkList& operator=(const TBookmarkList&) = delete;

  int Count() const { return Stale() ? 0 : int(list_.size()); }
  // The bookmark at index; raises EListError outside 0..Count-1.
  const TBookmark& Items(int index) const;

  // Whether the current record is selected; setting adds or removes it.
  bool CurrentRowSelected();
  void SetCurrentRowSelected(bool value);

  // True when the bookmark is in the list; index is its position, or the
  // position where it would go.
  bool Find(const TBookmark& bookmark, int& index);
  int IndexOf(const TBookmark& bookmark);  // -1 when absent
  // The dataset's bookmark comparison: negative, 0 or positive.
  int Compare(const TBookmark& left, const TBookmark& right) const;
  // The current record's bookmark (empty when the dataset has none).
  TBookmark CurrentRow() const;

  void Clear();
  // Deletes the records of every selected row, last to first.
  void Delete();
  // Drops the bookmarks the dataset no longer accepts; true when any went.
  bool Refresh();
  // The grid's link became active or inactive: the selection is cleared.
  void LinkActive(bool active);

 private:
  TDataSet* DataSet() const;
  void ListChanged() { cacheIndex_ = -1; }
  // The entries were taken before the dataset let go of its records.
  bool Stale() const;
  // Forgets stale entries; true when there were any.
  bool DropStale();

  TBookmarkListOwner* grid_;
  std::vector<TBookmark> list_;  // sorted by Compare
  // The dataset's RecordsGeneration when the entries were taken.
  uint64_t generation_ = 0;
  TBookmark cache_;
  int cacheIndex_ = -1;
  bool cacheFound_ = false;
  bool linkActive_ = false;
};

}  // namespace morvane
