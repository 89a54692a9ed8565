#include "engine/blob_stream.h"

#include <cstring>

#include "engine/dataset.h"
#include "engine/zelconst.h"

namespace morvane {

using namespace zelconst;

TzelBlobStream::TzelBlobStream(TField* field, TzelDataset* dataSet, int mode)
    : field_(field), dataSet_(dataSet), fieldNo_(field->FieldNo()) {
  if (!dataSet_->Active() || dataSet_->IsEmpty()) return;
  if (mode != bmRead) {
    if (field_->ReadOnly()) dataSet_->DatabaseErrorFmt(_Z_FIELDREADONLY, {field_->DisplayName()});
    if (dataSet_->State() != dsEdit && dataSet_->State() != dsInsert) {
      dataSet_->DatabaseError(_Z_NOTEDITING);
    }
  }
  if (mode == bmWrite) {
    Clear();
    modified_ = true;
    return;
  }
  const char* block = dataSet_->GetActiveRecBuf();
  int offset = dataSet_->GetFieldOffset(fieldNo_);
  if (!block || offset < 0) return;
  std::string_view bytes = SlotBlobBytes(block + offset);
  if (!bytes.empty()) {
    TMemoryStream::SetSize(int64_t(bytes.size()));
    std::memcpy(Memory(), bytes.data(), bytes.size());
  }
  SetPosition(0);
}

TzelBlobStream::~TzelBlobStream() {
  if (!modified_) return;
  try {
    StoreIntoRecord();
  } catch (...) {
    // Destructors must not throw: the application shows the error.
    dataSet_->InternalHandleException();
  }
}

void TzelBlobStream::StoreIntoRecord() {
  char* block = dataSet_->GetActiveRecBuf();
  int offset = dataSet_->GetFieldOffset(fieldNo_);
  if (!block || offset < 0) return;
  SetSlotBlobKeepEmpty(block + offset, std::string_view(Memory(), size_t(Size())));
  dataSet_->SetModified(true);
  dataSet_->DataEvent(deFieldChange, field_);
}

int64_t TzelBlobStream::Write(const void* buffer, int64_t count) {
  modified_ = true;
  return TMemoryStream::Write(buffer, count);
}

void TzelBlobStream::SetSize(int64_t newSize) {
  modified_ = true;
  TMemoryStream::SetSize(newSize);
}

}  // namespace morvane
