#include "engine/field_layout.h"

namespace morvane {
namespace {

void StoreRef(char* slot, char* ref) {
  std::memcpy(slot, &ref, sizeof ref);
}

void StoreBlobLength(char* slot, int32_t length) {
  std::memcpy(slot + SIZECHAR, &length, sizeof length);
}

// A heap value of bytes.size() + 1 bytes whose last byte is zero.
char* NewHeapValue(std::string_view bytes) {
  char* value = new char[bytes.size() + 1];
  // An empty view may carry no data pointer at all, which memcpy must not see.
  if (!bytes.empty()) std::memcpy(value, bytes.data(), bytes.size());
  value[bytes.size()] = 0;
  return value;
}

// What CopySlot would leave in a slot can be had by referencing the value
// itself only when the value is not freed with the block and reads the same:
// a text that is not empty (an empty one is copied as no value; the reader
// never leaves an empty text in the arena, so the text need not be read) or
// a blob with bytes.
bool Shareable(const TzelField& field, const char* slot) {
  const char* ref = SlotRef(slot);
  if (!ref || !InStoreArena(ref)) return false;
  return field.FieldType == zftString || SlotBlobLength(slot) > 0;
}

}  // namespace

int SlotWidth(TzelFieldType type, int declaredLength) {
  switch (type) {
    case zftInteger:
    case zftDate:
    case zftTime:
      return SIZEINT;
    case zftBoolean:
      return SIZEBOOL;
    case zftDouble:
    case zftCurrency:
    case zftDateTime:
      return SIZEDOUB;
    case zftSmallStr:
      return declaredLength + 1;
    case zftString:
      return SIZECHAR;
    case zftMemo:
    case zftFmtMemo:
    case zftGraphic:
      return SIZECHAR + SIZEINT;
    case zftUnknown:
      break;
  }
  return 0;
}

TzelDataBlock NewDataBlock(int recordSize) {
  return TzelDataBlock(new char[size_t(recordSize) + 1]());  // value-initialised: zero-filled
}

TzelDataBlock NewArenaDataBlock(TzelStoreArena& arena, int recordSize) {
  return TzelDataBlock(arena.Allocate(size_t(recordSize) + 1));
}

void FreeSlot(char* slot) {
  const char* ref = SlotRef(slot);
  if (!InStoreArena(ref)) delete[] ref;
  StoreRef(slot, nullptr);
}

// The new value is made before the old one is freed, so a slot may be set
// from a view of its own value.
void SetSlotText(char* slot, std::string_view text) {
  // Cut at the first zero byte: the slot holds a zero-terminated text.
  text = CutAtZero(text);
  char* value = text.empty() ? nullptr : NewHeapValue(text);
  FreeSlot(slot);
  StoreRef(slot, value);
}

void SetSlotBlob(char* slot, std::string_view bytes) {
  char* value = bytes.empty() ? nullptr : NewHeapValue(bytes);
  FreeSlot(slot);
  StoreRef(slot, value);
  StoreBlobLength(slot, int32_t(bytes.size()));
}

void SetSlotBlobKeepEmpty(char* slot, std::string_view bytes) {
  char* value = NewHeapValue(bytes);
  FreeSlot(slot);
  StoreRef(slot, value);
  StoreBlobLength(slot, int32_t(bytes.size()));
}

char* NewSlotText(char* slot, size_t length) {
  FreeSlot(slot);
  char* value = new char[length + 1]();
  StoreRef(slot, value);
  return value;
}

char* NewArenaSlotText(TzelStoreArena& arena, char* slot, size_t length) {
  FreeSlot(slot);
  char* value = arena.Allocate(length + 1);
  StoreRef(slot, value);
  return value;
}

char* NewSlotBlob(char* slot, int32_t length) {
  char* value = NewSlotText(slot, size_t(length));
  StoreBlobLength(slot, length);
  return value;
}

std::string_view SlotHeapText(const char* slot) {
  const char* ref = SlotRef(slot);
  return ref ? std::string_view(ref) : std::string_view();
}

std::string_view SlotBlobBytes(const char* slot) {
  const char* ref = SlotRef(slot);
  int32_t length = SlotBlobLength(slot);
  if (!ref || length <= 0) return {};
  return std::string_view(ref, size_t(length));
}

void FreeHeapValues(const TzelFieldList& fields, char* block) {
  if (!block) return;
  for (const auto& field : fields) {
    if (IsHeapType(field->FieldType)) FreeSlot(block + field->Offset);
  }
}

void CopySlot(const TzelField& field, const char* from, char* to) {
  switch (field.FieldType) {
    case zftString:
      SetSlotText(to, SlotHeapText(from));
      break;
    case zftMemo:
    case zftFmtMemo:
    case zftGraphic:
      SetSlotBlob(to, SlotBlobBytes(from));
      break;
    default:
      std::memcpy(to, from, field.Size);
      break;
  }
}

void CopyRecordBuf(const TzelFieldList& fields, const char* source, char* target) {
  for (const auto& field : fields) CopySlot(*field, source + field->Offset, target + field->Offset);
}

void ShareRecordBuf(const std::vector<const TzelField*>& heapFields, int recordSize,
                    const char* source, char* target) {
  // Moving along a view, the buffer mostly holds references to arena values,
  // which need no freeing.
  for (const TzelField* field : heapFields) {
    char* slot = target + field->Offset;
    const char* ref = SlotRef(slot);
    if (ref != nullptr && !InStoreArena(ref)) FreeSlot(slot);
  }
  std::memcpy(target, source, size_t(recordSize));
  for (const TzelField* field : heapFields) {
    char* slot = target + field->Offset;
    if (Shareable(*field, slot)) continue;
    // The source's own value: the buffer gets a copy, as CopySlot makes it.
    StoreRef(slot, nullptr);
    CopySlot(*field, source + field->Offset, slot);
  }
}

void UnshareHeapValues(const TzelFieldList& fields, char* block) {
  if (!block) return;
  for (const auto& field : fields) {
    if (!IsHeapType(field->FieldType)) continue;
    char* slot = block + field->Offset;
    if (!InStoreArena(SlotRef(slot))) continue;
    // The view stays valid while the new value is made (the arena lives).
    if (field->FieldType == zftString) {
      SetSlotText(slot, SlotHeapText(slot));
    } else {
      SetSlotBlob(slot, SlotBlobBytes(slot));
    }
  }
}

void PrefetchHeapValues(const std::vector<const TzelField*>& heapFields, const char* block) {
  for (const TzelField* field : heapFields) {
    // A shared value is not read when the record is shown.
    const char* slot = block + field->Offset;
    if (!Shareable(*field, slot)) __builtin_prefetch(SlotRef(slot));
  }
}

}  // namespace morvane
