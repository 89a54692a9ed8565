// TDataSet: inserting, editing, posting, cancelling and deleting records.
//
// Event order of each operation (what handlers and data links may rely on):
//   Insert/Append: BeforeInsert, BeforeScroll, [state dsInsert], OnNewRecord,
//                  AfterInsert, AfterScroll
//   Edit:          BeforeEdit, [state dsEdit], AfterEdit
//   Post:          (controls write pending edits), BeforePost, [dsBrowse], AfterPost
//   Cancel:        BeforeCancel, (BeforeScroll when inserting), [dsBrowse],
//                  AfterCancel, (AfterScroll)
//   Delete:        BeforeDelete, BeforeScroll, [dsBrowse], AfterDelete, AfterScroll
#include <algorithm>

#include "platform/db/dataset.h"
#include "platform/db/db_consts.h"

namespace morvane {

void TDataSet::CheckCanModify(TModifyKind /*kind*/) const {
  if (!CanModify()) DatabaseError(SDataSetReadOnly);
}

void TDataSet::CheckBrowseMode() {
  CheckActive();
  DataEvent(deCheckBrowseMode);
  switch (state_) {
    case dsEdit:
    case dsInsert:
      UpdateRecord();
      if (modified_)
        Post();
      else
        Cancel();
      break;
    case dsSetKey:
      SetState(dsBrowse);
      break;
    default:
      break;
  }
}

void TDataSet::UpdateRecord() {
  if (!dsWriteModes.Contains(state_)) DatabaseError(SNotEditing);
  DataEvent(deUpdateRecord);
}

void TDataSet::InitRecord(TRecordBuffer buffer) {
  InternalInitRecord(buffer);
  ClearCalcFields(buffer);
  SetBookmarkFlag(buffer, bfInserted);
}

void TDataSet::BeginInsertAppend() {
  CheckActive();
  CheckCanModify(mkInsert);
  CheckBrowseMode();
  DoBeforeInsert();
  DoBeforeScroll();
}

void TDataSet::EndInsertAppend() {
  SetState(dsInsert);
  try {
    DoOnNewRecord();
  } catch (...) {
    // The new record is abandoned: back to the record the cursor was on.
    UpdateCursorPos();
    try {
      InternalCancel();
    } catch (...) {
      InternalHandleException();
    }
    SetState(dsBrowse);
    Resync(TResyncMode{});
    throw;
  }
  modified_ = false;
  DataEvent(deDataSetChange);
  DoAfterInsert();
  DoAfterScroll();
}

void TDataSet::Insert() {
  BeginInsertAppend();
  TBookmark before = GetBookmark();
  // The spare buffer becomes the new active record; the records from the
  // active one on move down by one.
  MoveBuffer(recordCount_, activeRecord_);
  TRecordBuffer buffer = ActiveBuffer();
  InitRecord(buffer);
  if (recordCount_ == 0)
    SetBookmarkFlag(buffer, bfBOF);
  else if (!before.empty())
    SetBookmarkData(buffer, before.data());
  if (recordCount_ < bufferCount_) ++recordCount_;
  InternalInsert();
  EndInsertAppend();
}

void TDataSet::Append() {
  BeginInsertAppend();
  ClearBuffers();
  TRecordBuffer buffer = buffers_[0];
  InitRecord(buffer);
  SetBookmarkFlag(buffer, bfEOF);
  recordCount_ = 1;
  bof_ = false;
  GetPriorRecords();
  InternalInsert();
  EndInsertAppend();
}

void TDataSet::Edit() {
  if (state_ == dsEdit || state_ == dsInsert) return;
  if (recordCount_ == 0) {
    Insert();
    return;
  }
  CheckActive();
  CheckCanModify(mkEdit);
  CheckBrowseMode();
  DoBeforeEdit();
  UpdateCursorPos();
  InternalEdit();
  GetCalcFields(ActiveBuffer());
  SetState(dsEdit);
  DataEvent(deRecordChange);
  DoAfterEdit();
}

void TDataSet::Post() {
  UpdateRecord();
  if (state_ != dsEdit && state_ != dsInsert) return;
  DataEvent(deCheckBrowseMode);
  DoBeforePost();
  CheckRequiredFields();
  UpdateCursorPos();
  InternalPost();
  SetState(dsBrowse);
  Resync(TResyncMode{});
  DoAfterPost();
}

void TDataSet::Cancel() {
  if (state_ != dsEdit && state_ != dsInsert) return;
  DataEvent(deCheckBrowseMode);
  DoBeforeCancel();
  bool scrolls = state_ == dsInsert;
  if (scrolls) DoBeforeScroll();
  UpdateCursorPos();
  InternalCancel();
  SetState(dsBrowse);
  Resync(TResyncMode{});
  DoAfterCancel();
  if (scrolls) DoAfterScroll();
}

void TDataSet::Delete() {
  CheckActive();
  if (state_ == dsInsert || state_ == dsSetKey) {
    Cancel();
    return;
  }
  if (recordCount_ == 0) DatabaseError(SDataSetEmpty);
  CheckCanModify(mkDelete);
  DataEvent(deCheckBrowseMode);
  DoBeforeDelete();
  DoBeforeScroll();
  UpdateCursorPos();
  InternalDelete();
  SetState(dsBrowse);
  Resync(TResyncMode{});
  DoAfterDelete();
  DoAfterScroll();
}

void TDataSet::SetFields(const std::vector<Variant>& values) {
  if (!dsWriteModes.Contains(state_)) DatabaseError(SNotEditing);
  size_t count = std::min(values.size(), size_t(fields_.Count()));
  for (size_t i = 0; i < count; ++i) {
    if (values[i].IsEmpty()) continue;
    fields_.Fields(int(i))->SetAsVariant(values[i]);
  }
}

void TDataSet::AppendRecord(const std::vector<Variant>& values) {
  Append();
  PostFieldsOrCancel(values);
}

void TDataSet::InsertRecord(const std::vector<Variant>& values) {
  Insert();
  PostFieldsOrCancel(values);
}

void TDataSet::PostFieldsOrCancel(const std::vector<Variant>& values) {
  try {
    SetFields(values);
    Post();
  } catch (...) {
    Cancel();
    throw;
  }
}

}  // namespace morvane
