// TzelDataset: editing, posting, deleting, defaults of new records, pending
// change counting, commit, cancel and apply, refresh and saving.
#include "engine/compare.h"
#include "engine/dataset.h"
#include "engine/session_registry.h"
#include "engine/zelconst.h"
#include "platform/db/fields.h"
#include "platform/rtl/date_time.h"
#include "platform/rtl/exceptions.h"

namespace morvane {

using namespace zelconst;

// --- Read-only protection ---------------------------------------------------

bool TzelDataset::GetCanModify() const {
  // Without a cursor (an open clone whose source went away) there is nowhere
  // to store a change.
  return TDataSet::GetCanModify() && !readOnly_ && cursor_ != nullptr;
}

void TzelDataset::SetReadOnly(bool value) {
  if (Active()) CheckBrowseMode();
  readOnly_ = value;
}

void TzelDataset::CheckCanModify(TModifyKind kind) const {
  if (readOnly_) {
    DatabaseError(kind == mkEdit     ? _Z_READONLYEDIT
                  : kind == mkInsert ? _Z_READONLYINSERT
                                     : _Z_READONLYDELETE);
  }
  TDataSet::CheckCanModify(kind);
}

void TzelDataset::DoBeforeEdit() {
  if (readOnly_) DatabaseError(_Z_READONLYEDIT);
  TDataSet::DoBeforeEdit();
  if (!cursor_->CreateUndoCopy(RecordOfBuffer(ActiveBuffer()))) throw EAbort();
  CountChange();
}

void TzelDataset::DoBeforeInsert() {
  if (readOnly_) DatabaseError(_Z_READONLYINSERT);
  TDataSet::DoBeforeInsert();
  CountChange();
}

void TzelDataset::DoBeforeDelete() {
  if (readOnly_) DatabaseError(_Z_READONLYDELETE);
  TDataSet::DoBeforeDelete();
}

// --- New records --------------------------------------------------------------

void TzelDataset::DoOnNewRecord() {
  SetDefaultValues();
  CopyMasterValues();
  TDataSet::DoOnNewRecord();
}

void TzelDataset::SetDefaultValues() {
  for (TField* field : Fields()) {
    if (field->FieldNo() <= 0 || field->DefaultExpression().empty()) continue;
    const std::string& expression = field->DefaultExpression();
    if (expression == "TODAY" && dynamic_cast<TDateField*>(field)) {
      field->SetAsDateTime(Date());
    } else if (expression == "NOW" && dynamic_cast<TDateTimeField*>(field)) {
      field->SetAsDateTime(Now());
    } else {
      field->SetAsString(expression);
    }
  }
}

// --- Posting and deleting -----------------------------------------------------

void TzelDataset::InsertRec(TRecordBuffer buffer) {
  std::string errorText;
  if (!cursor_->SaveRecord(buffer, nullptr, errorText)) {
    DatabaseError(_Z_SAVENEWRECORD + errorText);
  }
  TzelRecord* record = cursor_->GetData(cursor_->GetRecordCount() - 1);
  view_.Append(record);
  SetBookmarkData(buffer, &record);
  SetBookmarkFlag(buffer, bfCurrent);
  SetBufferRecNo(buffer, ViewCount());
  position_ = ViewCount() - 1;
}

void TzelDataset::ModifyRec(TRecordBuffer buffer) {
  std::string errorText;
  if (!cursor_->SaveRecord(buffer, RecordOfBuffer(buffer), errorText)) {
    DatabaseError(_Z_SAVERECORD + errorText);
  }
}

void TzelDataset::InternalAddRecord(TRecordBuffer buffer, bool append) {
  if (append) InternalLast();
  InsertRec(buffer);
}

void TzelDataset::InternalPost() {
  bool keyChanged = true;
  if (State() == dsEdit) {
    TzelRecord* record = RecordOfBuffer(ActiveBuffer());
    const char* undoCopy = record ? cursor_->UndoData(record) : nullptr;
    if (!indexFieldNames_.empty() && undoCopy) {
      keyChanged = CompareRecords(ActiveBuffer(), undoCopy, sortFields_) != 0;
    }
    ModifyRec(ActiveBuffer());
  } else {
    InsertRec(ActiveBuffer());
    MoveInsertedToOrder();
    keyChanged = false;
  }
  // An edited record stays where it is: a changed key leaves the view
  // unsorted, so key searches must scan.
  sorted_ = sorted_ && !keyChanged;
}

void TzelDataset::InternalDelete() {
  TzelRecord* record = RecordOfBuffer(ActiveBuffer());
  std::string errorText;
  if (!cursor_->DeleteRecord(record, errorText)) DatabaseError(_Z_DELETERECORD + errorText);
  int index = ViewIndexOf(record);
  if (index >= 0) view_.List().erase(view_.List().begin() + index);
  CountChange();
  // A deleted new record loses its data at once.
  if (cursor_->Status(record) == zusAbsent) RebuildSharingViews();
}

void TzelDataset::InternalCancel() {
  if (State() == dsEdit) {
    // The edit happened in the buffer; the store still holds the values as
    // they were when the edit began. Only an undo copy taken for this edit
    // alone (no earlier posted change) is dropped: undoing to it after an
    // earlier posted edit would throw that edit away.
    TzelRecord* record = RecordOfBuffer(ActiveBuffer());
    if (record && cursor_->Status(record) == zusUnmodified) cursor_->UndoRecord(record);
  }
  UncountChange();
}

// --- Pending changes ------------------------------------------------------------

void TzelDataset::FireNeedToSaveChange() {
  if (OnNeedToSaveChange) OnNeedToSaveChange(this);
}

void TzelDataset::CountChange() {
  ++changeCount_;
  if (changeCount_ == 1) FireNeedToSaveChange();
  session_registry::AddUpdated(this);
}

void TzelDataset::UncountChange() {
  // A commit or cancel during the edit already reset the counter.
  if (changeCount_ <= 0) return;
  --changeCount_;
  if (changeCount_ == 0) {
    FireNeedToSaveChange();
    session_registry::DeleteUpdated(this);
  }
}

void TzelDataset::ResetChangeCount() {
  changeCount_ = 0;
  session_registry::DeleteUpdated(this);
  FireNeedToSaveChange();
}

void TzelDataset::CommitUpdates() {
  if (!Active() || changeCount_ <= 0) return;
  cursor_->CommitUpdates();
  SortRecords(false);
  ResetChangeCount();
  RebuildSharingViews();
}

void TzelDataset::CancelUpdates() {
  if (!Active() || changeCount_ <= 0) return;
  if (dsEditModes.Contains(State())) Cancel();
  if (changeCount_ > 0) {
    cursor_->CancelUpdates();
    session_registry::DeleteUpdated(this);
  }
  SortRecords(false);
  changeCount_ = 0;
  FireNeedToSaveChange();
  RebuildSharingViews();
}

void TzelDataset::ApplyUpdates() {
  if (dsEditModes.Contains(State())) Post();
  InternalApplyUpdates();
}

TUpdateStatus TzelDataset::UpdateStatus() const {
  if (State() == dsInternalCalc) return usUnmodified;
  TRecordBuffer buffer = State() == dsCalcFields ? CalcBuffer() : ActiveBuffer();
  const TzelRecord* record = RecordOfBuffer(buffer);
  if (!record || !cursor_) return usUnmodified;
  switch (cursor_->Status(record)) {
    case zusModified:
      return usModified;
    case zusInserted:
      return usInserted;
    case zusDeleted:
      return usDeleted;
    default:
      return usUnmodified;
  }
}

// --- Refresh and saving -----------------------------------------------------------

void TzelDataset::Refresh() {
  CheckBrowseMode();
  DoBeforeScroll();
  UpdateCursorPos();
  InternalRefresh();
  Resync(TResyncMode{});
  DoAfterScroll();
}

std::vector<std::string> TzelDataset::UniqueValuesOf(const TzelRecord* record) const {
  std::vector<std::string> values;
  if (!record || !record->Data) return values;
  for (const TzelField* field : ResolveKeyFields(*cursor_, uniqueFieldNames_)) {
    values.push_back(cursor_->GetFieldText(*field, *record, false));
  }
  return values;
}

void TzelDataset::InternalRefresh() {
  std::vector<std::string> remembered;
  if (position_ >= 0 && position_ < ViewCount()) {
    remembered = UniqueValuesOf(view_.At(position_));
  }
  opened_ = false;
  if (changeCount_ > 0) {
    try {
      ApplyUpdates();
    } catch (...) {
      // Shown again as before, with the changes undone.
      opened_ = true;
      CancelUpdates();
      throw;
    }
  }
  // The new records replace the old ones only once they loaded.
  reloading_ = true;
  try {
    InternalLoadData();
  } catch (...) {
    reloading_ = false;
    opened_ = true;
    // The changes were applied before the reload failed: they are no longer
    // pending, or the next save would send them again.
    if (changeCount_ > 0) CommitUpdates();
    throw;
  }
  reloading_ = false;
  RecordsReleased();
  // The reload replaced the records the pending changes belonged to.
  if (changeCount_ > 0) ResetChangeCount();
  if (cursor_ && cursor_->GetRecordCount() > 0) SortRecords(false);
  opened_ = true;
  if (!remembered.empty()) {
    position_ = -1;
    for (int index = 0; index < ViewCount(); ++index) {
      if (UniqueValuesOf(view_.At(index)) == remembered) {
        position_ = index;
        break;
      }
    }
  }
}

void TzelDataset::SaveToFile(const std::string& fileName) {
  if (!cursor_) return;
  if (Active()) CheckBrowseMode();
  cursor_->SaveToFile(fileName);
}

}  // namespace morvane
