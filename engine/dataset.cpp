// TzelDataset: loading, opening and closing, record buffers, navigation and
// bookmarks.
#include "engine/dataset.h"

#include <algorithm>
#include <cstring>

#include "engine/compare.h"
#include "engine/session_registry.h"
#include "engine/zelconst.h"
#include "platform/db/fields.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/streams.h"

namespace morvane {

using namespace zelconst;

namespace {

// Record info area: handle, bookmark flag, RecNo.
constexpr size_t kHandleSize = sizeof(TzelRecord*);
constexpr size_t kFlagAt = kHandleSize;
constexpr size_t kRecNoAt = kHandleSize + 1;
constexpr size_t kInfoSize = kHandleSize + 1 + sizeof(int32_t);

TzelRecord* HandleAt(const char* info) {
  TzelRecord* record;
  std::memcpy(&record, info, kHandleSize);
  return record;
}

void SetHandleAt(char* info, const TzelRecord* record) {
  std::memcpy(info, &record, kHandleSize);
}

void SetRecNoAt(char* info, int32_t recNo) {
  std::memcpy(info + kRecNoAt, &recNo, sizeof recNo);
}

int32_t RecNoAt(const char* info) {
  int32_t recNo;
  std::memcpy(&recNo, info + kRecNoAt, sizeof recNo);
  return recNo;
}

// Whether two stores lay their records out alike: same slot types, sizes,
// lengths and offsets.
bool SameSlots(const TzelCursor& left, const TzelCursor& right) {
  return std::equal(left.Fields().begin(), left.Fields().end(), right.Fields().begin(),
                    right.Fields().end(), [](const auto& a, const auto& b) {
                      return a->FieldType == b->FieldType && a->Size == b->Size &&
                             a->Length == b->Length && a->Offset == b->Offset;
                    });
}

TFieldType FrameworkType(TzelFieldType type) {
  switch (type) {
    case zftInteger:
      return ftInteger;
    case zftBoolean:
      return ftBoolean;
    case zftDouble:
      return ftFloat;
    case zftCurrency:
      return ftCurrency;
    case zftDate:
      return ftDate;
    case zftTime:
      return ftTime;
    case zftDateTime:
      return ftDateTime;
    case zftSmallStr:
    case zftString:
      return ftString;
    case zftMemo:
      return ftMemo;
    case zftFmtMemo:
      return ftFmtMemo;
    case zftGraphic:
      return ftGraphic;
    case zftUnknown:
      break;
  }
  return ftUnknown;
}

}  // namespace

TzelDataset::TzelDataset(TComponent* owner) : TDataSet(owner) {}

TzelDataset::~TzelDataset() {
  try {
    Close();
  } catch (...) {
    // A destructor must not throw; the application shows what went wrong.
    InternalHandleException();
  }
  view_.Clear();
  for (TzelDataset* clone : clones_) {
    // The clone may stay open; its buffers must not reference the store
    // that goes with this dataset.
    if (clone->cursor_ == cursor_) clone->UnshareBuffers();
    clone->cloneSource_ = nullptr;
  }
  if (cloneSource_) std::erase(cloneSource_->clones_, this);
  ownedCursor_.reset();
  cursor_ = nullptr;
}

void TzelDataset::DestroyCursor() {
  UnshareBuffers();
  view_.Clear();
  position_ = -1;
  ownedCursor_.reset();
  cursor_ = nullptr;
}

void TzelDataset::ShareCursor(TzelCursor* cursor) {
  if (ownedCursor_) UnshareBuffers();
  ownedCursor_.reset();
  cursor_ = cursor;
}

// --- Loading, opening and closing -----------------------------------------

void TzelDataset::InternalLoad(std::unique_ptr<TStream> stream) {
  // Clones show records of this cursor; reloading it would pull them away.
  if (cloneCount_ > 0) DatabaseError(_Z_CLONESOPEN);
  if (reloading_ && ownedCursor_) {
    ReplaceCursor(std::move(stream));
    return;
  }
  if (cursor_) {
    UnshareBuffers();
    cursor_->Clear(true);
  } else {
    ownedCursor_ = std::make_unique<TzelCursor>();
    cursor_ = ownedCursor_.get();
  }
  view_.Clear();
  // The sort fields pointed at the descriptors just freed.
  sortFields_.clear();
  std::string errorText;
  bool loaded = cursor_->LoadFromStream(*stream, errorText);
  stream.reset();
  if (!loaded) {
    position_ = -1;
    DestroyCursor();
    DatabaseError(_Z_OPENTABLE + errorText);
  }
  // A load without records builds no view, yet an edit or insert posted
  // afterwards compares by the sort fields: they are those of the new layout,
  // and the empty view is in order.
  if (!indexFieldNames_.empty()) sortFields_ = ResolveKeyFields(*cursor_, indexFieldNames_);
  sorted_ = !sortFields_.empty();
}

void TzelDataset::ReplaceCursor(std::unique_ptr<TStream> stream) {
  auto fresh = std::make_unique<TzelCursor>();
  std::string errorText;
  const bool loaded = fresh->LoadFromStream(*stream, errorText);
  stream.reset();
  if (!loaded) DatabaseError(_Z_OPENTABLE + errorText);
  // The fields and the record buffers were made for the old slots; other
  // slots would be read and written past them.
  if (!SameSlots(*cursor_, *fresh)) DatabaseError(std::string(_Z_OPENTABLE) + _Z_LAYOUTCHANGED);
  // Every buffer (those past the window too still hold records they showed)
  // owns heap values laid out by the old descriptors: release them while the
  // descriptors exist.
  for (int index = 0; index <= BufferCount(); ++index) {
    TRecordBuffer buffer = Buffer(index);
    FreeHeapValues(cursor_->Fields(), buffer);
    std::memset(buffer, 0, size_t(recordSize_));
  }
  view_.Clear();
  position_ = -1;
  ownedCursor_ = std::move(fresh);
  cursor_ = ownedCursor_.get();
  sortFields_.clear();
  if (!indexFieldNames_.empty()) sortFields_ = ResolveKeyFields(*cursor_, indexFieldNames_);
  sorted_ = !sortFields_.empty();
}

void TzelDataset::InternalOpen() {
  position_ = -1;
  opened_ = false;
  InternalLoadData();
  FieldDefs().SetUpdated(false);
  FieldDefs().Update();
  SetBookmarkSize(int(kHandleSize));
  if (DefaultFields()) {
    CreateFields();
    for (TField* field : Fields()) field->SetOrigin(origin_);
  }
  BindFields(true);
  for (TField* field : Fields()) {
    if (auto* floatField = dynamic_cast<TFloatField*>(field)) {
      if (floatField->DisplayFormat().empty()) floatField->SetDisplayFormat("0.###");
    }
  }
  bufferSize_ = InfoOffset() + kInfoSize;
  CheckMasterRange();
  if (cursor_ && cursor_->GetRecordCount() > 0) {
    SortRecords(true);
    position_ = -1;
  } else if (cursor_) {
    // Records appended to an empty table are shown in store order until an
    // order, a range or a filter asks for a list.
    view_.ShowStore(cursor_);
  }
  opened_ = true;
  openedCursor_ = true;
  session_registry::Add(this);
}

void TzelDataset::DoBeforeClose() {
  // Checked before the framework leaves the open state, so the dataset stays
  // open with its buffers when clones still use the cursor.
  if (cloneCount_ > 0) DatabaseError(_Z_CLONESOPEN);
  TDataSet::DoBeforeClose();
}

void TzelDataset::InternalClose() {
  DisableControls();
  try {
    if (cloneCount_ > 0) DatabaseError(_Z_CLONESOPEN);
    CancelRange();
    BindFields(false);
    if (DefaultFields()) DestroyFields();
    position_ = -1;
    view_.Clear();
    opened_ = false;
    openedCursor_ = false;
    if (changeCount_ > 0) session_registry::DeleteUpdated(this);
    session_registry::Delete(this);
  } catch (...) {
    EnableControls();
    throw;
  }
  EnableControls();
}

void TzelDataset::InternalInitFieldDefs() {
  FieldDefs().BeginUpdate();
  try {
    FieldDefs().Clear();
    if (cursor_) {
      for (const auto& field : cursor_->Fields()) {
        FieldDefs().Add(field->Name, FrameworkType(field->FieldType), field->Length, false);
      }
    }
  } catch (...) {
    FieldDefs().EndUpdate();
    throw;
  }
  FieldDefs().EndUpdate();
  recordSize_ = cursor_ ? cursor_->RecordSize() : 0;
}

void TzelDataset::InternalHandleException() {
  ApplicationHandleException();
}

// --- Record buffers ---------------------------------------------------------

TRecordBuffer TzelDataset::AllocRecordBuffer() {
  return new char[bufferSize_ + 1]();
}

void TzelDataset::FreeRecordBuffer(TRecordBuffer& buffer) {
  if (!buffer) return;
  if (cursor_) FreeHeapValues(cursor_->Fields(), buffer);
  delete[] buffer;
  buffer = nullptr;
}

void TzelDataset::InternalInitRecord(TRecordBuffer buffer) {
  // The buffer may still hold heap values of the record it showed before.
  if (cursor_) FreeHeapValues(cursor_->Fields(), buffer);
  std::memset(buffer, 0, bufferSize_);
  char* info = buffer + InfoOffset();
  info[kFlagAt] = char(bfInserted);
  SetRecNoAt(info, -1);
}

void TzelDataset::ClearCalcFields(TRecordBuffer buffer) {
  std::memset(buffer + recordSize_, 0, size_t(CalcFieldsSize()));
}

bool TzelDataset::IsDatasetBuffer(const char* block) const {
  if (!block) return false;
  if (block == CalcBuffer() || block == TempBuffer()) return true;
  for (int index = 0; index < RecordCountInWindow(); ++index) {
    if (Buffer(index) == block) return true;
  }
  return block == ActiveBuffer();
}

void TzelDataset::SetBufferRecNo(TRecordBuffer buffer, int32_t recNo) const {
  SetRecNoAt(buffer + InfoOffset(), recNo);
}

TzelRecord* TzelDataset::RecordOfBuffer(TRecordBuffer buffer) const {
  if (!buffer) return nullptr;
  const char* info = buffer + InfoOffset();
  // A new record's buffer shows no stored record yet. Insert leaves the
  // handle of the record it was opened at in it (InternalSetToRecord goes
  // there); that neighbour's status and undo copy are not the new record's.
  if (TBookmarkFlag(info[kFlagAt]) != bfCurrent) return nullptr;
  return HandleAt(info);
}

char* TzelDataset::GetActiveRecBuf() const {
  switch (State()) {
    case dsBrowse:
      return IsEmpty() ? nullptr : ActiveBuffer();
    case dsEdit:
    case dsInsert:
    case dsNewValue:
      return ActiveBuffer();
    case dsSetKey:
      return keyBuffer_;
    case dsCalcFields:
      return CalcBuffer();
    case dsFilter:
      return filterRecord_ ? filterRecord_->Data.get() : nullptr;
    case dsOldValue: {
      TzelRecord* record = RecordOfBuffer(ActiveBuffer());
      // The undo copy is never written through the field.
      const char* undoCopy = record && cursor_ ? cursor_->UndoData(record) : nullptr;
      return undoCopy ? const_cast<char*>(undoCopy) : ActiveBuffer();
    }
    default:
      return nullptr;
  }
}

int TzelDataset::GetFieldOffset(int fieldNo) const {
  const TzelField* field = cursor_ ? cursor_->GetFieldInfo(fieldNo - 1) : nullptr;
  return field ? field->Offset : -1;
}

// --- Navigation -------------------------------------------------------------

TGetResult TzelDataset::GetRecord(TRecordBuffer buffer, TGetMode mode, bool doCheck) {
  if (view_.Empty()) return grEOF;
  TGetResult result = grOK;
  const int count = ViewCount();
  switch (mode) {
    case gmCurrent:
      if (position_ < 0 || position_ >= count) result = grError;
      break;
    case gmNext:
      if (position_ < count - 1) {
        ++position_;
      } else {
        result = grEOF;
      }
      break;
    case gmPrior:
      if (position_ > 0) {
        --position_;
      } else {
        result = grBOF;
      }
      break;
  }
  if (result == grOK) {
    if (mode != gmCurrent) PrefetchAlongView(mode == gmNext ? 1 : -1);
    TzelRecord* record = view_.At(position_);
    ShareRecordBuf(cursor_->HeapFields(), recordSize_, record->Data.get(), buffer);
    char* info = buffer + InfoOffset();
    SetHandleAt(info, record);
    info[kFlagAt] = char(bfCurrent);
    SetRecNoAt(info, position_ + 1);
    GetCalcFields(buffer);
  } else if (result == grError && doCheck) {
    DatabaseError(_Z_NORECORDS);
  }
  return result;
}

void TzelDataset::PrefetchAlongView(int step) {
  // The records of a view sorted by anything but store order lie scattered
  // over the store, each a cache miss or three (record, data block, texts).
  // Moving record by record, the memory of the records a few steps ahead is
  // requested now, each part as soon as its address is known, so the misses
  // of several records overlap instead of following one another. A data
  // block packed at any address mostly spans two cache lines: both are asked
  // for. A view that is the store itself walks the store's memory in order,
  // which the processor's own prefetching follows.
  const std::vector<TzelRecord*>* list = view_.OwnList();
  if (!list) return;
  constexpr int kAhead = 8;
  // A position before the view wraps to a large index, past every count.
  const size_t count = list->size();
  TzelRecord* const* view = list->data();
  const size_t farthest = size_t(position_ + step * 3 * kAhead);
  if (farthest < count) __builtin_prefetch(view[farthest]);
  const size_t middle = size_t(position_ + step * 2 * kAhead);
  if (middle < count) {
    if (const char* data = view[middle]->Data.get()) {
      __builtin_prefetch(data);
      __builtin_prefetch(data + recordSize_);
    }
  }
  const size_t nearest = size_t(position_ + step * kAhead);
  if (nearest < count && !cursor_->HeapFields().empty()) {
    if (const char* data = view[nearest]->Data.get())
      PrefetchHeapValues(cursor_->HeapFields(), data);
  }
}

void TzelDataset::UnshareBuffers() {
  if (!cursor_ || !ActiveBuffer()) return;
  // While open the dataset holds BufferCount() + 1 buffers.
  for (int index = 0; index <= BufferCount(); ++index) {
    UnshareHeapValues(cursor_->Fields(), Buffer(index));
  }
}

int TzelDataset::GetRecNo() const {
  CheckActive();
  if (State() == dsInternalCalc) return -1;
  TRecordBuffer buffer = State() == dsCalcFields ? CalcBuffer() : ActiveBuffer();
  return buffer ? RecNoAt(buffer + InfoOffset()) : -1;
}

void TzelDataset::SetRecNo(int value) {
  if (value == RecNo()) return;
  CheckBrowseMode();
  if (view_.Empty()) return;
  value = std::clamp(value, 1, ViewCount());
  DoBeforeScroll();
  position_ = value - 1;
  Resync(TResyncMode{rmCenter});
  DoAfterScroll();
}

int TzelDataset::ViewIndexOf(const TzelRecord* record) const {
  if (!record) return -1;
  // A view over the store finds the record by its address.
  if (view_.ShowsStore()) return view_.IndexOf(record);
  // The usual target is the current record or one of the record buffers
  // around it (moving to the next record sets the cursor to the buffer that
  // holds it): look there first, nearest first, so that walking a large view
  // does not scan it from its start at every step and the current record
  // costs one comparison. A record stands at most once in a view.
  constexpr int kNearby = 128;
  const int count = ViewCount();
  if (position_ >= 0 && position_ < count) {
    if (view_.At(position_) == record) return position_;
    for (int distance = 1; distance <= kNearby; ++distance) {
      const int after = position_ + distance;
      const int before = position_ - distance;
      if (after < count && view_.At(after) == record) return after;
      if (before >= 0 && view_.At(before) == record) return before;
      if (after >= count && before < 0) break;
    }
  }
  return view_.IndexOf(record);
}

// --- Bookmarks --------------------------------------------------------------

void TzelDataset::GetBookmarkData(TRecordBuffer buffer, void* data) const {
  std::memcpy(data, buffer + InfoOffset(), kHandleSize);
}

void TzelDataset::SetBookmarkData(TRecordBuffer buffer, const void* data) {
  std::memcpy(buffer + InfoOffset(), data, kHandleSize);
}

TBookmarkFlag TzelDataset::GetBookmarkFlag(TRecordBuffer buffer) const {
  return TBookmarkFlag(buffer[InfoOffset() + kFlagAt]);
}

void TzelDataset::SetBookmarkFlag(TRecordBuffer buffer, TBookmarkFlag flag) {
  buffer[InfoOffset() + kFlagAt] = char(flag);
}

void TzelDataset::InternalGotoBookmark(const void* bookmark) {
  int index = ViewIndexOf(HandleAt(static_cast<const char*>(bookmark)));
  if (index >= 0) position_ = index;
}

void TzelDataset::InternalSetToRecord(TRecordBuffer buffer) {
  InternalGotoBookmark(buffer + InfoOffset());
}

bool TzelDataset::BookmarkValid(const TBookmark& bookmark) const {
  if (bookmark.size() != kHandleSize) return false;
  return ViewIndexOf(HandleAt(bookmark.data())) >= 0;
}

int TzelDataset::CompareBookmarks(const TBookmark& left, const TBookmark& right) const {
  const bool hasLeft = left.size() == kHandleSize;
  const bool hasRight = right.size() == kHandleSize;
  if (!hasLeft || !hasRight) return hasLeft == hasRight ? 0 : (hasLeft ? 1 : -1);
  // A consistent order of record identities, not the display order.
  auto leftId = reinterpret_cast<uintptr_t>(HandleAt(left.data()));
  auto rightId = reinterpret_cast<uintptr_t>(HandleAt(right.data()));
  return leftId < rightId ? -1 : (leftId > rightId ? 1 : 0);
}

}  // namespace morvane
