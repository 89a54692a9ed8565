#include "engine/cursor.h"

#include <algorithm>

#include "engine/compare.h"
#include "engine/zelconst.h"
#include "platform/rtl/text.h"

namespace morvane {

using namespace zelconst;

TzelCursor::~TzelCursor() {
  Clear(true);
}

TzelField* TzelCursor::GetFieldInfo(int index) const {
  if (index < 0 || index >= GetFieldCount()) return nullptr;
  return fields_[size_t(index)].get();
}

TzelField* TzelCursor::FindFieldInfo(std::string_view name) const {
  for (const auto& field : fields_) {
    if (AnsiSameText(field->Name, name)) return field.get();
  }
  return nullptr;
}

void TzelCursor::CopyRecordBuf(const char* source, char* target) const {
  morvane::CopyRecordBuf(fields_, source, target);
}

void TzelCursor::AddDescriptor(std::unique_ptr<TzelField> field) {
  if (IsHeapType(field->FieldType)) heapFields_.push_back(field.get());
  fields_.push_back(std::move(field));
}

void TzelCursor::ClearDescriptors() {
  heapFields_.clear();
  while (!fields_.empty()) fields_.pop_back();
}

void TzelCursor::ClearData(TzelDataBlock& block) const {
  if (!block) return;
  FreeHeapValues(fields_, block.get());
  block.reset();
}

TzelField* TzelCursor::AddField(std::string_view qualifiedName, TzelFieldType type,
                                int declaredLength) {
  auto field = std::make_unique<TzelField>();
  size_t dot = qualifiedName.find('.');
  if (dot == std::string_view::npos) {
    field->TableName = "XXX";
    field->Name = std::string(qualifiedName);
  } else {
    field->TableName = std::string(qualifiedName.substr(0, dot));
    field->Name = std::string(qualifiedName.substr(dot + 1));
  }
  // Texts keep the reader's rule: the framework field decides inline or heap
  // storage by its size, so the slot must agree with it.
  declaredLength = std::clamp(declaredLength, 0, 65535);
  if (type == zftSmallStr && declaredLength > MAXSLEN) type = zftString;
  if (type == zftString && declaredLength <= MAXSLEN) declaredLength = MAXSLEN + 1;
  field->FieldType = type;
  field->Length = (type == zftSmallStr || type == zftString) ? uint16_t(declaredLength) : 0;
  field->Size = uint16_t(SlotWidth(type, field->Length));
  field->Alignment = (type == zftInteger || type == zftDouble || type == zftCurrency) ? 1 : 0;
  field->Offset = recordSize_;
  recordSize_ += field->Size;
  AddDescriptor(std::move(field));
  declaredFieldCount_ = GetFieldCount();
  hasLayout_ = false;  // the layout text no longer describes the fields
  layout_.clear();
  return fields_.back().get();
}

void TzelCursor::Clear(bool withDescriptors) {
  for (auto& [record, undoCopy] : undoCopies_) ClearData(undoCopy);
  undoCopies_.clear();
  for (size_t index = recordPool_.Size(); index-- > 0;) ClearData(recordPool_.At(index).Data);
  order_.clear();
  order_.shrink_to_fit();
  recordPool_.Clear();
  // Only now: the blocks cleared above may live in the arena.
  arena_.Release();
  if (withDescriptors) {
    ClearDescriptors();
    recordSize_ = 0;
    declaredFieldCount_ = 0;
  }
}

TzelRecord* TzelCursor::AppendRecord(TzelDataBlock data, TzelUpdStatus status) {
  TzelRecord& record = recordPool_.Add(status);
  record.Data = std::move(data);
  if (!order_.empty()) order_.push_back(&record);
  return &record;
}

bool TzelCursor::Contains(const TzelRecord* record) const {
  // Every record of the store comes from its pool and stays in the store
  // until Clear empties both; the pool finds it by address.
  return record != nullptr && recordPool_.IndexOf(record) >= 0;
}

int TzelCursor::IndexOf(const TzelRecord* record) const {
  if (!order_.empty()) {
    auto found = std::find(order_.begin(), order_.end(), record);
    return found == order_.end() ? -1 : int(found - order_.begin());
  }
  return int(recordPool_.IndexOf(record));
}

TzelUpdStatus TzelCursor::Status(const TzelRecord* record) const {
  // A record that is not in the store does not exist for it.
  const ptrdiff_t index = recordPool_.IndexOf(record);
  return index < 0 ? zusAbsent : recordPool_.StatusAt(size_t(index));
}

void TzelCursor::SetStatus(const TzelRecord* record, TzelUpdStatus status) {
  const ptrdiff_t index = recordPool_.IndexOf(record);
  if (index >= 0) recordPool_.SetStatusAt(size_t(index), status);
}

void TzelCursor::SetStatusAt(int index, TzelUpdStatus status) {
  if (order_.empty()) {
    recordPool_.SetStatusAt(size_t(index), status);
  } else {
    SetStatus(order_[size_t(index)], status);
  }
}

const char* TzelCursor::UndoData(const TzelRecord* record) const {
  if (undoCopies_.empty()) return nullptr;
  auto found = undoCopies_.find(record);
  return found == undoCopies_.end() ? nullptr : found->second.get();
}

void TzelCursor::DropUndoCopy(const TzelRecord* record) {
  if (undoCopies_.empty()) return;
  auto found = undoCopies_.find(record);
  if (found == undoCopies_.end()) return;
  ClearData(found->second);
  undoCopies_.erase(found);
}

// A record of this store that may still change; otherwise the error text
// says why not.
bool TzelCursor::CanChange(const TzelRecord* record, std::string& errorText) const {
  errorText.clear();
  if (!Contains(record)) {
    errorText = _Z_RECNOTFOUND;
    return false;
  }
  const TzelUpdStatus status = Status(record);
  if (status == zusDeleted || status == zusAbsent) {
    errorText = _Z_RECDELETED;
    return false;
  }
  return true;
}

bool TzelCursor::SaveRecord(const char* source, TzelRecord* record, std::string& errorText) {
  errorText.clear();
  if (record) {
    if (!CanChange(record, errorText)) return false;
    if (Status(record) == zusUnmodified) SetStatus(record, zusModified);
  } else {
    record = AppendRecord(NewData(), zusInserted);
  }
  CopyRecordBuf(source, record->Data.get());
  return true;
}

bool TzelCursor::DeleteRecord(TzelRecord* record, std::string& errorText) {
  if (!CanChange(record, errorText)) return false;
  if (Status(record) == zusInserted) {
    SetStatus(record, zusAbsent);
    DropUndoCopy(record);
    ClearData(record->Data);
  } else {
    SetStatus(record, zusDeleted);
  }
  return true;
}

bool TzelCursor::CreateUndoCopy(TzelRecord* record) {
  if (!record) return false;
  const TzelUpdStatus status = Status(record);
  if (status == zusDeleted || status == zusAbsent) return false;
  TzelDataBlock& undoCopy = undoCopies_[record];
  if (undoCopy) return true;
  undoCopy = NewData();
  CopyRecordBuf(record->Data.get(), undoCopy.get());
  return true;
}

void TzelCursor::UndoRecord(TzelRecord* record) {
  if (const char* undoCopy = UndoData(record)) {
    ClearData(record->Data);
    record->Data = NewData();
    CopyRecordBuf(undoCopy, record->Data.get());
    DropUndoCopy(record);
  }
  SetStatus(record, zusUnmodified);
}

void TzelCursor::CommitUpdates() {
  for (int index = 0; index < GetRecordCount(); ++index) {
    TzelRecord* record = GetData(index);
    const TzelUpdStatus status = StatusAt(index);
    if (status == zusDeleted) {
      SetStatusAt(index, zusAbsent);
      ClearData(record->Data);
    } else if (status != zusAbsent) {
      SetStatusAt(index, zusUnmodified);
    }
  }
  for (auto& [record, undoCopy] : undoCopies_) ClearData(undoCopy);
  undoCopies_.clear();
}

void TzelCursor::CancelUpdates() {
  for (int index = 0; index < GetRecordCount(); ++index) {
    TzelRecord* record = GetData(index);
    switch (StatusAt(index)) {
      case zusModified:
      case zusDeleted:
        UndoRecord(record);
        break;
      case zusInserted:
        SetStatusAt(index, zusAbsent);
        DropUndoCopy(record);
        ClearData(record->Data);
        break;
      case zusUnmodified:
      case zusAbsent:
        break;
    }
  }
}

void TzelCursor::Sort(std::string_view fieldNames, bool caseInsensitive) {
  std::vector<TzelField*> keys = ResolveKeyFields(*this, fieldNames);
  if (keys.empty()) return;
  if (order_.empty()) {
    order_.reserve(recordPool_.Size());
    for (size_t index = 0; index < recordPool_.Size(); ++index) {
      order_.push_back(&recordPool_.At(index));
    }
  }
  // Absent records have no data; they sort first and keep their identity.
  std::stable_sort(
      order_.begin(), order_.end(), [&](const TzelRecord* left, const TzelRecord* right) {
        if (!left->Data || !right->Data) return !left->Data && right->Data;
        for (const TzelField* key : keys) {
          int result = CompareBuf(left->Data.get() + key->Offset, right->Data.get() + key->Offset,
                                  *key, caseInsensitive);
          if (result != 0) return result < 0;
        }
        return false;
      });
}

}  // namespace morvane
