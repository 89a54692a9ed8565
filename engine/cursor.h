// TzelCursor: the record store behind one or more datasets.
//
// The cursor owns its field descriptors, the layout text of the last load and
// its records in store order, with their data blocks, undo copies and every
// heap value they reference. Records are never moved or removed while the
// cursor lives (only Sort reorders the store, and only Clear removes): a
// change is kept as the record's update status, and the values before the
// first change since the last commit as its undo copy. A TzelRecord pointer is
// therefore a stable identity until the cursor is cleared.
//
// A record holds only its data; the cursor keeps its status (one byte beside
// it in the record pool) and its undo copy (in a table of the few records
// that have one).
//
// Store operations report failures as false plus an error text (empty on
// success); they never throw. The data buffer reader (buffer_reader.cpp) and
// writer (buffer_writer.cpp) are members too; the format is described in
// engine/README.md.
//
// Single-threaded: a cursor and its datasets belong to the GUI thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "engine/field_layout.h"
#include "engine/record_pool.h"
#include "engine/store_arena.h"

namespace morvane {

class TStream;

class TzelCursor {
 public:
  TzelCursor() = default;
  ~TzelCursor();
  TzelCursor(const TzelCursor&) = delete;
  TzelCursor& operator=(const TzelCursor&) = delete;

  // --- Field list ---
  int GetFieldCount() const { return int(fields_.size()); }
  // The descriptor at a 0-based index, or nullptr outside 0..count-1.
  TzelField* GetFieldInfo(int index) const;
  // The first descriptor whose name matches without regard to case, or nullptr.
  TzelField* FindFieldInfo(std::string_view name) const;
  const TzelFieldList& Fields() const { return fields_; }
  // The text and blob descriptors, in field order: what browsing copies or
  // shares slot by slot.
  const std::vector<const TzelField*>& HeapFields() const { return heapFields_; }
  // Sum of the slot widths; below 65 536 for every layout the reader accepts.
  int32_t RecordSize() const { return recordSize_; }
  // FieldCount of the header last read: the number of length bytes in each
  // record, which may exceed GetFieldCount() when the layout text ended early.
  int32_t DeclaredFieldCount() const { return declaredFieldCount_; }

  // A zero-filled block for a record of this cursor.
  TzelDataBlock NewData() const { return NewDataBlock(recordSize_); }
  void CopyRecordBuf(const char* source, char* target) const;
  // Frees the block's heap values and the block; a block that is none stays.
  void ClearData(TzelDataBlock& block) const;

  // Appends a descriptor (the layout text is then rebuilt on save). For
  // building a cursor in code; records must not exist yet. As when a layout
  // is read, a text longer than MAXSLEN is a heap text and a heap text is
  // longer than MAXSLEN.
  TzelField* AddField(std::string_view qualifiedName, TzelFieldType type, int declaredLength = 0);

  // The slot of a record as display text (field_text.cpp): from the undo copy
  // when useUndo is set and the record has one. Doubles show "0.######";
  // dates, times and date-times of 0 or below and missing texts show "".
  std::string GetFieldText(const TzelField& field, const TzelRecord& record, bool useUndo) const;

  // --- Record store ---
  // Frees every record, last to first; with the flag also every descriptor.
  void Clear(bool withDescriptors);
  // Number of records in the store, zusDeleted and zusAbsent ones included.
  int GetRecordCount() const { return int(recordPool_.Size()); }
  // The record at a store index (0..count-1).
  TzelRecord* GetData(int index) const {
    return order_.empty() ? &recordPool_.At(size_t(index)) : order_[size_t(index)];
  }
  // The update status of a record of this store; zusAbsent for any other.
  TzelUpdStatus Status(const TzelRecord* record) const;
  // The same for the record at a store index, without looking the record up.
  TzelUpdStatus StatusAt(int index) const {
    return order_.empty() ? recordPool_.StatusAt(size_t(index)) : Status(order_[size_t(index)]);
  }
  // The record's undo copy, or nullptr when it has none.
  const char* UndoData(const TzelRecord* record) const;
  // The store index of a record of this store, or -1.
  int IndexOf(const TzelRecord* record) const;
  // Posts the source block into the record, or into a new zusInserted record
  // appended at the end of the store when record is nullptr.
  bool SaveRecord(const char* source, TzelRecord* record, std::string& errorText);
  bool DeleteRecord(TzelRecord* record, std::string& errorText);
  // Keeps the first undo copy until commit or undo; false for no record or a
  // deleted or absent one.
  bool CreateUndoCopy(TzelRecord* record);
  // Values back from the undo copy (when there is one); status zusUnmodified.
  void UndoRecord(TzelRecord* record);
  void CommitUpdates();
  void CancelUpdates();
  // Reorders the store itself, ascending by the named fields (";"-separated;
  // unknown names and blob fields are skipped).
  void Sort(std::string_view fieldNames, bool caseInsensitive);
  // True when the record belongs to this store.
  bool Contains(const TzelRecord* record) const;

  // --- Data buffer reader (buffer_reader.cpp) ---
  // Reads the header and the layout from the stream's position and parses the
  // layout into descriptors; the cursor is emptied first.
  bool LoadStruFromStream(TStream& stream, std::string& errorText, int32_t& recordCount);
  // Parses the kept layout text into descriptors.
  bool InitFieldDefs(std::string& errorText);
  // Reads one record and appends it as zusUnmodified.
  bool AddNewRecord(TStream& stream, std::string& errorText);
  // Reads a whole buffer; on failure the cursor is left without records and
  // descriptors.
  bool LoadFromStream(TStream& stream, std::string& errorText);
  // Reads the header and the layout only; never keeps the layout text.
  bool LoadFieldInfo(TStream& stream, std::string& errorText);

  // --- Data buffer writer (buffer_writer.cpp) ---
  // The cursor as a data buffer: records in store order, deleted and absent
  // ones left out.
  std::vector<char> SaveToBuffer() const;
  // Writes the same bytes to the file, piece by piece; an old file is
  // replaced only once the new one is complete. Throws EFCreateError.
  void SaveToFile(const std::string& fileName) const;
  // Encodes the data buffer in one pass over the records and hands it to
  // write in pieces, in order: a multiple of pieceSize bytes each, the last
  // one less. write runs on a thread of its own while the next piece is
  // encoded, one call at a time; the bytes are valid during the call. The
  // total length and record count that open the buffer are known only at
  // the end: the pieces carry zeros there, and the returned header (the
  // buffer's first bytes) belongs in their place.
  std::string WriteBuffer(size_t pieceSize,
                          const std::function<void(std::string_view piece)>& write) const;

  // The layout text kept from the last load, or built from the descriptors
  // when none is kept.
  std::string LayoutText() const;
  // The field count the saved header declares: the loaded one while the
  // loaded layout is kept.
  int32_t SavedFieldCount() const;

 private:
  bool CanChange(const TzelRecord* record, std::string& errorText) const;
  // The only ways descriptors come and go, so HeapFields stays in step.
  void AddDescriptor(std::unique_ptr<TzelField> field);
  void ClearDescriptors();
  // A new record at the end of the store, holding the block.
  TzelRecord* AppendRecord(TzelDataBlock data, TzelUpdStatus status);
  void SetStatus(const TzelRecord* record, TzelUpdStatus status);
  // The same for the record at a store index, without looking the record up.
  void SetStatusAt(int index, TzelUpdStatus status);
  // Frees the record's undo copy, if it has one.
  void DropUndoCopy(const TzelRecord* record);

  // The records with their statuses, in store order unless Sort reordered
  // the store: then order_ lists them in the new order (empty otherwise). The
  // data blocks and texts the reader loads live in arena_; the pool and the
  // arena are released only by Clear.
  TzelRecordPool recordPool_;
  std::vector<TzelRecord*> order_;
  // The undo copies, by record.
  std::unordered_map<const TzelRecord*, TzelDataBlock> undoCopies_;
  TzelStoreArena arena_;
  TzelFieldList fields_;
  std::vector<const TzelField*> heapFields_;
  std::string layout_;
  bool hasLayout_ = false;
  int32_t declaredFieldCount_ = 0;
  int32_t recordSize_ = 0;
  std::vector<uint8_t> lengthBytes_;  // the reader's scratch for one record's length bytes
};

}  // namespace morvane
