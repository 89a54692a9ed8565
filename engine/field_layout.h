// The engine's record layout: field types, field descriptors, stored records
// and the slots that make up a record data block.
//
// A record data block holds the slots of all fields in descriptor order,
// packed without gaps, and one spare zero byte; every block starts zero-filled
// so every slot starts as zero, every inline text is terminated and every heap
// reference is none. Text (zftString) and blob (zftMemo, zftFmtMemo,
// zftGraphic) slots reference heap values owned by the block: whoever owns a
// block frees them with FreeHeapValues() before the block itself.
//
// Heap references are native pointers. Only the slot helpers of this header
// read or write them; all other code goes through these helpers.
//
// The blocks and texts of a loaded store live in its arena (store_arena.h),
// at odd addresses: freeing one of them only drops the reference, the arena
// releases the memory with the store. Everything else is the block's own
// allocation.
#pragma once

#include <array>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engine/store_arena.h"

namespace morvane {

inline constexpr int MAXSLEN = 35;  // longest inline text; longer ones live on the heap
inline constexpr int SIZEINT = 4;   // integer slot, and every length word of the data buffer
inline constexpr int SIZEDOUB = 8;  // double slot
inline constexpr int SIZECHAR = int(sizeof(char*));  // heap reference inside a slot
inline constexpr int SIZEBOOL = 2;                   // Boolean slot
inline constexpr char FieldSeparator = 18;
inline constexpr char RecordSeparator = 20;
inline constexpr char Tabulator = 9;
inline constexpr std::string_view RETURN = "\r\n";

// The numbers are stored in descriptors and must not change.
enum TzelFieldType : uint8_t {
  zftUnknown = 0,
  zftInteger = 1,
  zftBoolean = 2,
  zftDouble = 3,
  zftCurrency = 4,
  zftDate = 5,
  zftTime = 6,
  zftDateTime = 7,
  zftSmallStr = 8,
  zftString = 9,
  zftMemo = 10,
  zftFmtMemo = 11,
  zftGraphic = 12,
};

inline constexpr std::array<const char*, 13> StrFieldType = {
    "Unknown",  "Integer",  "Boolean", "Double", "Currency", "Date",   "Time",
    "DateTime", "SmallStr", "String",  "Memo",   "FmtMemo",  "Graphic"};

enum TzelUpdStatus : uint8_t {
  zusUnmodified = 0,
  zusModified = 1,
  zusInserted = 2,
  zusDeleted = 3,
  zusAbsent = 4,
};

struct TzelField {
  std::string Name;
  std::string TableName;  // "XXX" when the layout name has no table part
  uint16_t Size = 0;      // slot width in the record data
  uint16_t Length = 0;    // declared length of a text field, else 0
  int32_t Offset = 0;     // slot position from the start of the record data
  TzelFieldType FieldType = zftUnknown;
  uint8_t Alignment = 0;  // 1 = right-justified
};

// Frees a data block unless it lives in a store arena.
struct TzelBlockDeleter {
  void operator()(char* block) const {
    if (!InStoreArena(block)) delete[] block;
  }
};

// A record data block: record size + 1 bytes, zero-filled when made.
using TzelDataBlock = std::unique_ptr<char[], TzelBlockDeleter>;

// A stored record. Its update status and its undo copy (values before the
// first change since the last commit), which few records have, are kept by
// the store beside it (TzelCursor::Status, TzelCursor::UndoData), so a record
// is only its data reference.
struct TzelRecord {
  TzelDataBlock Data;  // none only once the record is zusAbsent
};

using TzelFieldList = std::vector<std::unique_ptr<TzelField>>;

// True for the types whose slot holds a heap reference.
inline bool IsHeapType(TzelFieldType type) {
  return type == zftString || type == zftMemo || type == zftFmtMemo || type == zftGraphic;
}
// True for the types whose slot holds a reference and a length.
inline bool IsBlobType(TzelFieldType type) {
  return type == zftMemo || type == zftFmtMemo || type == zftGraphic;
}

// Slot width of a field type; declaredLength matters for zftSmallStr only.
int SlotWidth(TzelFieldType type, int declaredLength);

// A zero-filled block of recordSize + 1 bytes.
TzelDataBlock NewDataBlock(int recordSize);
// The same, taken from a store's arena.
TzelDataBlock NewArenaDataBlock(TzelStoreArena& arena, int recordSize);

// --- Slot helpers: the only code that touches heap references. ---

// The heap reference of a text or blob slot, or nullptr.
inline const char* SlotRef(const char* slot) {
  const char* ref;
  std::memcpy(&ref, slot, sizeof ref);
  return ref;
}
// Stored byte count of a blob slot.
inline int32_t SlotBlobLength(const char* slot) {
  int32_t length;
  std::memcpy(&length, slot + SIZECHAR, sizeof length);
  return length;
}
// Frees the heap value of a text or blob slot and sets its reference to none.
// The length part of a blob slot is left alone.
void FreeSlot(char* slot);
// Replaces a zftString slot's text: the old value is freed; an empty text
// leaves no reference.
void SetSlotText(char* slot, std::string_view text);
// Replaces a blob slot's value and length: the old value is freed; empty bytes
// leave no reference and length 0.
void SetSlotBlob(char* slot, std::string_view bytes);
// Same, but keeps a reference with length 0 for empty bytes (what a blob
// stream closed after writing nothing leaves).
void SetSlotBlobKeepEmpty(char* slot, std::string_view bytes);
// Frees the slot's old value and gives it a new zero-filled heap value of
// length + 1 bytes to be filled by the caller (a blob slot also gets the
// length). Returns the writable value.
char* NewSlotText(char* slot, size_t length);
char* NewSlotBlob(char* slot, int32_t length);
// NewSlotText with the value taken from a store's arena.
char* NewArenaSlotText(TzelStoreArena& arena, char* slot, size_t length);
// The text of a zftString slot ("" without a reference).
std::string_view SlotHeapText(const char* slot);
// The bytes of a blob slot ("" without a reference or with a length <= 0).
std::string_view SlotBlobBytes(const char* slot);
// The text of an inline slot, bounded by the slot width: a value that fills
// the slot has no terminator inside it.
inline std::string_view SlotInlineText(const char* slot, int slotWidth) {
  return std::string_view(slot, strnlen(slot, size_t(slotWidth)));
}

// The fixed-width value at the start of a slot.
template <typename T>
T SlotValue(const char* slot) {
  T value;
  std::memcpy(&value, slot, sizeof value);
  return value;
}

// The text up to its first zero byte.
inline std::string_view CutAtZero(std::string_view text) {
  return text.empty() ? text : text.substr(0, strnlen(text.data(), text.size()));
}

// Copies one slot into another: a heap value is deep-copied (the target's
// old one freed first), other slots byte for byte.
void CopySlot(const TzelField& field, const char* from, char* to);

// Frees every heap value referenced from a block (the block itself stays).
void FreeHeapValues(const TzelFieldList& fields, char* block);
// Copies one record data block into another field by field: heap values are
// deep-copied, the target's old heap values are freed first.
void CopyRecordBuf(const TzelFieldList& fields, const char* source, char* target);

// Shows a stored record in a record buffer: the same values as CopyRecordBuf,
// but a text or blob that lives in the store's arena is referenced instead of
// copied. That is safe because nothing changes or frees an arena value in
// place: every write to a slot puts a new value of the buffer's own there, and
// FreeSlot leaves arena values alone, so the buffer behaves as if it held a
// copy, for as long as the arena lives. Whoever releases a store while such a
// buffer survives calls UnshareHeapValues on the buffer first.
// heapFields are the block's text and blob descriptors.
void ShareRecordBuf(const std::vector<const TzelField*>& heapFields, int recordSize,
                    const char* source, char* target);
// Gives every slot of the block that references an arena value a copy of its
// own.
void UnshareHeapValues(const TzelFieldList& fields, char* block);
// Asks the processor to fetch the heap values ShareRecordBuf would copy from
// a block (a record about to be shown).
void PrefetchHeapValues(const std::vector<const TzelField*>& heapFields, const char* block);

}  // namespace morvane
