// TzelDataset: field values in the framework's native formats, blob streams,
// and the small value helpers.
//
// Null rules: integer, Boolean, float and currency fields always have a value
// (a zero slot reads as 0 or False); an all-zero inline text, date, time or
// date-time slot reads as null, as does a heap text without a reference and a
// blob without bytes.
#include <algorithm>
#include <cstring>

#include "engine/blob_stream.h"
#include "engine/dataset.h"
#include "engine/zelconst.h"
#include "platform/rtl/text.h"

namespace morvane {

using namespace zelconst;

namespace {

bool NeverNull(TFieldType type) {
  return type == ftInteger || type == ftBoolean || type == ftFloat || type == ftCurrency;
}

// The fixed-width copy of a native value; the usual widths without a call.
void CopyNativeValue(const char* slot, void* buffer, int dataSize) {
  switch (dataSize) {
    case 8:
      std::memcpy(buffer, slot, 8);
      break;
    case 4:
      std::memcpy(buffer, slot, 4);
      break;
    case 2:
      std::memcpy(buffer, slot, 2);
      break;
    default:
      std::memcpy(buffer, slot, size_t(dataSize));
      break;
  }
}

bool IsHeapTextField(const TField* field) {
  return field->DataType() == ftString && field->Size() > MAXSLEN;
}

}  // namespace

bool TzelDataset::GetFieldData(TField* field, void* buffer) {
  const char* block = GetActiveRecBuf();
  if (!cursor_ || !block) return false;
  // A number that is never null and whose slot is as wide as its native
  // value (every such field made from the descriptors) is the slot's bytes:
  // what GetSlotData ends in, without its checks for texts, blobs and nulls.
  const int fieldNo = field->FieldNo();
  if (fieldNo > 0 && NeverNull(field->DataType()) &&
      (!view_.Empty() || State() == dsInsert || State() == dsFilter)) {
    const TzelFieldList& descriptors = cursor_->Fields();
    const size_t index = size_t(fieldNo - 1);
    if (index < descriptors.size()) {
      const TzelField& info = *descriptors[index];
      const int dataSize = field->DataSize();
      if (info.Size >= dataSize) {
        if (buffer) CopyNativeValue(block + info.Offset, buffer, dataSize);
        return true;
      }
    }
  }
  return GetSlotData(field, block, buffer);
}

bool TzelDataset::GetSlotData(TField* field, const char* block, void* buffer) {
  const int dataSize = field->DataSize();
  if (buffer) std::memset(buffer, 0, size_t(dataSize));

  if (field->FieldNo() <= 0) {
    // The calculation area exists only in the dataset's own buffers, not in
    // store records (filter, old values) or key blocks.
    if (!IsDatasetBuffer(block)) return false;
    const char* area = block + recordSize_ + field->Offset();
    bool hasValue = area[0] != 0;
    if (hasValue && buffer) std::memcpy(buffer, area + 1, size_t(dataSize));
    return hasValue;
  }

  if (view_.Empty() && State() != dsInsert && State() != dsFilter) return false;
  const TzelField* info = cursor_->GetFieldInfo(field->FieldNo() - 1);
  if (!info) return false;
  const char* slot = block + info->Offset;

  if (field->IsBlob()) return !SlotBlobBytes(slot).empty();
  if (IsHeapTextField(field)) {
    if (!SlotRef(slot)) return false;
    if (buffer) {
      // A longer text, as a data buffer may deliver, is cut to the declared
      // length; the zeroed buffer keeps it terminated.
      std::string_view text = Utf8Truncate(SlotHeapText(slot), size_t(field->Size()));
      std::memcpy(buffer, text.data(), text.size());
    }
    return true;
  }

  // The slot and the native value agree in width for fields made from the
  // descriptors; never read past the slot if a field says otherwise.
  const size_t width = std::min<size_t>(size_t(dataSize), info->Size);
  bool allZero = std::all_of(slot, slot + width, [](char byte) { return byte == 0; });
  if (allZero && !NeverNull(field->DataType())) return false;
  if (buffer && field->DataType() == ftString) {
    // An inline text may fill its slot without a terminator; the field gets
    // at most Size bytes, never the first half of a character.
    std::string_view text = Utf8Truncate(SlotInlineText(slot, int(width)), size_t(field->Size()));
    std::memcpy(buffer, text.data(), text.size());
  } else if (buffer) {
    std::memcpy(buffer, slot, width);
  }
  return true;
}

bool TzelDataset::GetFieldData(int fieldNo, void* buffer) {
  TField* field = FieldByNumber(fieldNo);
  return field != nullptr && GetFieldData(field, buffer);
}

void TzelDataset::SetFieldData(TField* field, const void* buffer) {
  if (!dsWriteModes.Contains(State())) DatabaseError(_Z_NOTEDITING);
  char* block = GetActiveRecBuf();
  if (!block || !cursor_) return;
  const int dataSize = field->DataSize();

  if (field->FieldNo() <= 0) {
    if (!IsDatasetBuffer(block)) return;
    char* area = block + recordSize_ + field->Offset();
    area[0] = buffer ? 1 : 0;
    if (buffer) std::memcpy(area + 1, buffer, size_t(dataSize));
  } else {
    if (State() == dsCalcFields) DatabaseError(_Z_CALCFIELDEDIT);
    if (field->ReadOnly() && State() != dsSetKey && State() != dsFilter) {
      DatabaseErrorFmt(_Z_FIELDREADONLY, {field->DisplayName()});
    }
    field->Validate(buffer);
    const TzelField* info = cursor_->GetFieldInfo(field->FieldNo() - 1);
    if (!info) return;
    char* slot = block + info->Offset;
    if (IsHeapTextField(field)) {
      std::string_view text;
      if (buffer) {
        const char* chars = static_cast<const char*>(buffer);
        text = std::string_view(chars, strnlen(chars, size_t(dataSize)));
      }
      SetSlotText(slot, text);
    } else if (IsBlobType(info->FieldType)) {
      // Blob contents travel through blob streams; a null written here clears
      // the value instead of leaving its bytes behind.
      if (!buffer) SetSlotBlob(slot, {});
    } else {
      const size_t width = std::min<size_t>(size_t(dataSize), info->Size);
      if (buffer) {
        std::memcpy(slot, buffer, width);
      } else {
        std::memset(slot, 0, info->Size);
      }
    }
  }
  if (State() != dsSetKey && State() != dsFilter) DataEvent(deFieldChange, field);
}

std::unique_ptr<TStream> TzelDataset::CreateBlobStream(TField* field, TBlobStreamMode mode) {
  return std::make_unique<TzelBlobStream>(field, this, int(mode));
}

void TzelDataset::SetListOfFields(std::string_view fieldNames, const std::vector<Variant>& values) {
  if (State() != dsEdit && State() != dsInsert) DatabaseError(_Z_NOTEDITING);
  std::vector<TField*> fields = GetFieldList(fieldNames);
  const size_t count = std::min(fields.size(), values.size());
  for (size_t index = 0; index < count; ++index) {
    TField* field = fields[index];
    if (field->ReadOnly()) DatabaseErrorFmt(_Z_FIELDREADONLY, {field->DisplayName()});
    if (field->FieldNo() > 0) field->SetValue(values[index]);  // notifies the change
  }
}

bool TzelDataset::IsChanged(std::string_view fieldName) {
  TField* field = FindField(fieldName);
  if (!field || view_.Empty()) return false;
  return !(field->Value() == field->OldValue());
}

}  // namespace morvane
