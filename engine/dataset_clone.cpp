// TzelDataset: sharing the cursor with clones, and the whole-table operations
// (copying a record, emptying the store, summing a field).
//
// A clone shows this dataset's cursor through its own view, index, range and
// position; the cursor stays owned by this dataset. While clones exist the
// cursor must not go away or lose its records: closing, reloading and
// emptying raise the clone message instead.
#include <algorithm>
#include <cstring>

#include "engine/dataset.h"
#include "engine/state_scope.h"
#include "engine/zelconst.h"
#include "platform/db/fields.h"
#include "platform/rtl/text.h"

namespace morvane {

using namespace zelconst;

TzelCursor* TzelDataset::AddClone(TzelDataset* clone) {
  ++cloneCount_;
  clones_.push_back(clone);
  clone->cloneSource_ = this;
  clone->ShareCursor(cursor_);
  return cursor_;
}

void TzelDataset::RemoveClone(TzelDataset* clone) {
  if (cloneCount_ > 0) --cloneCount_;
  std::erase(clones_, clone);
  clone->cloneSource_ = nullptr;
  // The clone's view refers to records of the cursor it no longer has.
  clone->view_.Clear();
  clone->position_ = -1;
  clone->UnshareBuffers();
  clone->ShareCursor(nullptr);
}

void TzelDataset::RebuildSharingViews() {
  TzelDataset* source = cloneSource_ ? cloneSource_ : this;
  std::vector<TzelDataset*> sharing = source->clones_;
  sharing.push_back(source);
  for (TzelDataset* other : sharing) {
    if (other != this && other->cursor_ == cursor_ && other->Active()) other->SortRecords(false);
  }
}

void TzelDataset::CopyRecord() {
  if (!Active()) return;
  CheckBrowseMode();
  const int recNo = RecNo();
  if (recNo < 1 || recNo > ViewCount()) return;
  const TzelRecord* source = view_.At(recNo - 1);
  const std::vector<std::string> uniqueNames = SplitFieldNames(uniqueFieldNames_);
  Append();
  char* target = ActiveBuffer();
  for (const auto& info : cursor_->Fields()) {
    // Identifying fields stay as the new record's defaults left them.
    const bool unique = std::any_of(uniqueNames.begin(), uniqueNames.end(), [&](const auto& name) {
      return AnsiSameText(name, info->Name);
    });
    if (unique) continue;
    TField* field = FindField(info->Name);
    if (!field) continue;
    CopySlot(*info, source->Data.get() + info->Offset, target + info->Offset);
    DataEvent(deFieldChange, field);
  }
}

void TzelDataset::EmptyTable() {
  if (!Active()) return;
  if (cloneCount_ > 0) DatabaseError(_Z_CLONESOPEN);
  // A clone shares its source's records: clearing them would leave the
  // source's and the other clones' views pointing at freed records.
  if (cursor_ && !ownedCursor_) DatabaseError(_Z_CLONEEMPTY);
  CheckBrowseMode();
  DisableControls();
  try {
    UnshareBuffers();
    cursor_->Clear(false);
    RecordsReleased();
    position_ = -1;
    view_.Clear();
    ClearBuffers();
    First();
  } catch (...) {
    EnableControls();
    throw;
  }
  EnableControls();
}

double TzelDataset::GetSum(std::string_view fieldName) {
  if (!Active() || fieldName.empty()) return 0;
  TField* field = FindField(fieldName);
  if (!dynamic_cast<TNumericField*>(field)) return 0;
  double sum = 0;
  TzelStateScope scope(*this, dsFilter, filterRecord_);
  for (int index = 0; index < ViewCount(); ++index) {
    filterRecord_ = view_.At(index);
    sum += field->AsFloat();
  }
  return sum;
}

}  // namespace morvane
