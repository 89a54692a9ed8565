// TDataSet: the record-buffer window, navigation and bookmarks.
//
// Invariants while open: buffers_ holds bufferCount_ + 1 buffers; the first
// recordCount_ (<= bufferCount_) hold consecutive records of the cursor;
// activeRecord_ < max(recordCount_, 1); buffers_[recordCount_] is the spare
// (TempBuffer). currentRecord_ is the buffer the descendant's cursor stands
// on, or -1 when that is unknown.
#include <algorithm>
#include <cstring>

#include "platform/db/data_link.h"
#include "platform/db/data_source.h"
#include "platform/db/dataset.h"
#include "platform/db/db_consts.h"

namespace morvane {

// --- Window management ---------------------------------------------------

void TDataSet::SetBufferListSize(int count) {
  while (int(buffers_.size()) > count) {
    TRecordBuffer buffer = buffers_.back();
    buffers_.pop_back();
    if (buffer == calcBuffer_) calcBuffer_ = nullptr;
    FreeRecordBuffer(buffer);
  }
  buffers_.reserve(size_t(count));
  while (int(buffers_.size()) < count) buffers_.push_back(AllocRecordBuffer());
}

void TDataSet::FreeAllBuffers() {
  SetBufferListSize(0);
  calcBuffer_ = nullptr;
  bufferCount_ = 0;
  recordCount_ = 0;
  activeRecord_ = 0;
  currentRecord_ = -1;
}

void TDataSet::SetBufferCount(int count) {
  if (count == bufferCount_) return;
  auto adjustLinks = [this](int delta) {
    if (delta == 0) return;
    for (TDataSource* source : dataSources_)
      for (TDataLink* link : source->dataLinks_) link->firstRecord_ += delta;
  };
  if (count < bufferCount_ && recordCount_ > 0) {
    // Drop records from the front so that the active one stays inside.
    int drop = std::max(0, activeRecord_ - (count - 1));
    if (drop > 0) {
      std::rotate(buffers_.begin(), buffers_.begin() + drop, buffers_.end());
      recordCount_ -= drop;
      activeRecord_ -= drop;
      currentRecord_ = currentRecord_ >= drop ? currentRecord_ - drop : -1;
      adjustLinks(-drop);
    }
    if (recordCount_ > count) recordCount_ = count;
    if (currentRecord_ >= recordCount_) currentRecord_ = -1;
  }
  bool growing = count > bufferCount_;
  SetBufferListSize(count + 1);
  bufferCount_ = count;
  if (growing && recordCount_ > 0) {
    GetNextRecords();
    adjustLinks(GetPriorRecords());
  }
  // Every link's view must still lie inside the window, around the active record.
  for (TDataSource* source : dataSources_)
    for (TDataLink* link : source->dataLinks_)
      if (link->Active()) link->UpdateRange();
}

void TDataSet::RotateBuffers(int from, int to) {
  if (from < to) {
    std::rotate(buffers_.begin() + from, buffers_.begin() + from + 1, buffers_.begin() + to + 1);
  } else if (from > to) {
    std::rotate(buffers_.begin() + to, buffers_.begin() + from, buffers_.begin() + from + 1);
  }
}

void TDataSet::ActivateBuffers() {
  recordCount_ = 1;
  activeRecord_ = 0;
  currentRecord_ = 0;
  bof_ = false;
  eof_ = false;
}

void TDataSet::ClearBuffers() {
  recordCount_ = 0;
  activeRecord_ = 0;
  currentRecord_ = -1;
  bof_ = true;
  eof_ = true;
}

void TDataSet::SetCurrentRecord(int index) {
  if (currentRecord_ == index) return;
  switch (GetBookmarkFlag(buffers_[size_t(index)])) {
    case bfCurrent:
    case bfInserted:
      InternalSetToRecord(buffers_[size_t(index)]);
      break;
    case bfBOF:
      InternalFirst();
      break;
    case bfEOF:
      InternalLast();
      break;
  }
  currentRecord_ = index;
}

void TDataSet::UpdateCursorPos() {
  if (recordCount_ > 0) SetCurrentRecord(activeRecord_);
}

bool TDataSet::GetNextRecord() {
  TGetMode mode = gmNext;
  if (recordCount_ > 0) {
    SetCurrentRecord(recordCount_ - 1);
    // A record just inserted at the cursor: the cursor already stands on
    // the record that follows it.
    if (state_ == dsInsert && currentRecord_ == activeRecord_ &&
        GetBookmarkFlag(ActiveBuffer()) == bfCurrent)
      mode = gmCurrent;
  }
  bool fetched = GetRecord(buffers_[size_t(recordCount_)], mode, true) == grOK;
  if (!fetched) {
    CursorPosChanged();
    return false;
  }
  if (recordCount_ == 0)
    ActivateBuffers();
  else if (recordCount_ < bufferCount_)
    ++recordCount_;
  else
    MoveBuffer(0, recordCount_);
  currentRecord_ = recordCount_ - 1;
  return true;
}

bool TDataSet::GetPriorRecord() {
  if (recordCount_ > 0) SetCurrentRecord(0);
  bool fetched = GetRecord(buffers_[size_t(recordCount_)], gmPrior, true) == grOK;
  if (!fetched) {
    CursorPosChanged();
    return false;
  }
  if (recordCount_ == 0) {
    ActivateBuffers();
  } else {
    MoveBuffer(recordCount_, 0);
    if (recordCount_ < bufferCount_) {
      ++recordCount_;
      ++activeRecord_;
    }
  }
  currentRecord_ = 0;
  return true;
}

int TDataSet::GetNextRecords() {
  int fetched = 0;
  while (recordCount_ < bufferCount_ && GetNextRecord()) ++fetched;
  return fetched;
}

int TDataSet::GetPriorRecords() {
  int fetched = 0;
  while (recordCount_ < bufferCount_ && GetPriorRecord()) ++fetched;
  return fetched;
}

// --- Navigation ------------------------------------------------------------

void TDataSet::First() {
  CheckBrowseMode();
  DoBeforeScroll();
  ClearBuffers();
  try {
    InternalFirst();
    if (GetNextRecord()) GetNextRecords();
  } catch (...) {
    bof_ = true;
    DataEvent(deDataSetChange);
    throw;
  }
  bof_ = true;
  DataEvent(deDataSetChange);
  DoAfterScroll();
}

void TDataSet::Last() {
  CheckBrowseMode();
  DoBeforeScroll();
  ClearBuffers();
  try {
    InternalLast();
    if (GetPriorRecord()) GetPriorRecords();
  } catch (...) {
    eof_ = true;
    DataEvent(deDataSetChange);
    throw;
  }
  eof_ = true;
  DataEvent(deDataSetChange);
  DoAfterScroll();
}

int TDataSet::MoveBy(int distance) {
  CheckBrowseMode();
  if (!((distance > 0 && !eof_) || (distance < 0 && !bof_))) return 0;
  DoBeforeScroll();
  bof_ = false;
  eof_ = false;
  if ((distance == 1 || distance == -1) && bufferCount_ == 1 && recordCount_ == 1)
    return StepWindowOfOne(distance > 0);
  return MoveWindow(distance);
}

int TDataSet::MoveWindow(int distance) {
  int moved = 0;
  int oldRecordCount = recordCount_;
  // How far the buffered records shifted inside the window (negative:
  // towards index 0); data links turn it into their own scroll distance.
  int scrollDistance = 0;
  auto notify = [&] {
    if (recordCount_ != oldRecordCount)
      DataEvent(deDataSetChange);
    else
      DataEvent(deDataSetScroll, scrollDistance);
  };
  try {
    for (; distance > 0; --distance, ++moved) {
      if (activeRecord_ < recordCount_ - 1) {
        ++activeRecord_;
        continue;
      }
      int shift = recordCount_ < bufferCount_ ? 0 : 1;
      if (!GetNextRecord()) {
        eof_ = true;
        break;
      }
      scrollDistance -= shift;
      activeRecord_ = recordCount_ - 1;
    }
    for (; distance < 0; ++distance, --moved) {
      if (activeRecord_ > 0) {
        --activeRecord_;
        continue;
      }
      int shift = recordCount_ < bufferCount_ ? 0 : 1;
      if (!GetPriorRecord()) {
        bof_ = true;
        break;
      }
      scrollDistance += shift;
      activeRecord_ = 0;
    }
  } catch (...) {
    notify();
    throw;
  }
  notify();
  DoAfterScroll();
  return moved;
}

int TDataSet::StepWindowOfOne(bool forward) {
  // What the loops of MoveBy do for a move by one record when the window is
  // one buffer holding the current record (a dataset that no control shows
  // in rows: a scan, an export): the record fetched into the spare buffer
  // replaces the one shown, and data links see the window scroll by one.
  constexpr int oldRecordCount = 1;
  auto notify = [this](int scrollDistance) {
    if (recordCount_ != oldRecordCount)
      DataEvent(deDataSetChange);
    else
      DataEvent(deDataSetScroll, scrollDistance);
  };
  bool fetched = false;
  try {
    fetched = forward ? GetNextRecord() : GetPriorRecord();
  } catch (...) {
    notify(0);
    throw;
  }
  if (!fetched) {
    (forward ? eof_ : bof_) = true;
    notify(0);
    DoAfterScroll();
    return 0;
  }
  activeRecord_ = forward ? recordCount_ - 1 : 0;
  notify(forward ? -1 : 1);
  DoAfterScroll();
  return forward ? 1 : -1;
}

void TDataSet::Resync(TResyncMode mode) {
  TRecordBuffer spare = buffers_[size_t(recordCount_)];
  if (mode.Contains(rmExact)) {
    CursorPosChanged();
    if (GetRecord(spare, gmCurrent, true) != grOK) DatabaseError(SRecordNotFound);
  } else if (GetRecord(spare, gmCurrent, false) != grOK &&
             GetRecord(spare, gmNext, false) != grOK && GetRecord(spare, gmPrior, false) != grOK) {
    ClearBuffers();
    DataEvent(deDataSetChange);
    return;
  }
  int before = mode.Contains(rmCenter) ? (bufferCount_ - 1) / 2 : activeRecord_;
  MoveBuffer(recordCount_, 0);
  ActivateBuffers();
  try {
    while (before > 0 && GetPriorRecord()) --before;
    GetNextRecords();
    GetPriorRecords();
  } catch (...) {
    DataEvent(deDataSetChange);
    throw;
  }
  DataEvent(deDataSetChange);
}

void TDataSet::Refresh() {
  CheckBrowseMode();
  UpdateCursorPos();
  InternalRefresh();
  Resync(TResyncMode{});
}

// --- Bookmarks -----------------------------------------------------------------

bool TDataSet::BookmarkAvailable() const {
  return (state_ == dsBrowse || state_ == dsEdit || state_ == dsInsert) && !IsEmpty() &&
         GetBookmarkFlag(ActiveBuffer()) == bfCurrent;
}

TBookmark TDataSet::GetBookmark() const {
  if (!BookmarkAvailable() || bookmarkSize_ <= 0) return TBookmark();
  TBookmark bookmark(size_t(bookmarkSize_), '\0');
  GetBookmarkData(ActiveBuffer(), bookmark.data());
  return bookmark;
}

void TDataSet::GotoBookmark(const TBookmark& bookmark) {
  if (bookmark.empty()) return;
  // The descendant reads BookmarkSize bytes: a bookmark of another size (of
  // another dataset, or damaged) must not reach it.
  if (int(bookmark.size()) != bookmarkSize_) DatabaseError(SBookmarkNotFound);
  CheckBrowseMode();
  DoBeforeScroll();
  InternalGotoBookmark(bookmark.data());
  Resync({rmExact, rmCenter});
  DoAfterScroll();
}

bool TDataSet::BookmarkValid(const TBookmark& /*bookmark*/) const {
  return false;
}

int TDataSet::CompareBookmarks(const TBookmark& left, const TBookmark& right) const {
  if (left.empty() || right.empty()) return int(!left.empty()) - int(!right.empty());
  int order = left.compare(right);
  return order < 0 ? -1 : order > 0 ? 1 : 0;
}

}  // namespace morvane
