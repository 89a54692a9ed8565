// TzelDataset: the engine's in-memory dataset over a TzelCursor.
//
// It shows the cursor's records through a view (display order: records that
// are neither deleted nor absent, pass the range and the filter, sorted by
// IndexFieldNames), moves through them with the framework's record-buffer
// protocol, edits, inserts and deletes them in the cursor, and counts its
// pending changes. Where the data comes from is a descendant's business:
// InternalLoadData builds or fetches a data buffer and hands it to
// InternalLoad.
//
// Record buffers (AllocRecordBuffer) are laid out as
//   record data     RecordSize bytes, a copy: its heap values belong to the
//                   buffer and are freed with it, except the texts and blobs
//                   a loaded store keeps in its arena, which the buffer
//                   references until a write replaces them (ShareRecordBuf);
//                   before the store goes, surviving buffers take copies
//   calc area       CalcFieldsSize bytes: per calculated or lookup field a
//                   flag byte (non-zero = has a value) and DataSize bytes
//   record info     the record handle (the TzelRecord shown, none for a new
//                   record), the bookmark flag (1 byte), RecNo (int32, 1-based
//                   position in the view, -1 for a new record)
// and one spare zero byte. A bookmark is the record handle; it stays valid
// while the cursor is not reloaded.
//
// The dataset registers itself with the session (session_registry.h) while it
// is open, and as updated while its change counter is above 0. Errors are
// EDatabaseError naming the dataset, with the messages of zelconst.h.
// Single GUI thread.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engine/cursor.h"
#include "engine/key_block.h"
#include "engine/master_link.h"
#include "engine/record_view.h"
#include "platform/db/dataset.h"

namespace morvane {

enum TzelSortOption : uint8_t { zsoCaseInsensitive, zsoDescendSort };
using TzelSortOptions = TSet<TzelSortOption>;

class TzelBlobStream;

class TzelDataset : public TDataSet {
 public:
  explicit TzelDataset(TComponent* owner = nullptr);
  // Descendants close the dataset in their own destructors (the framework's
  // rule); this one closes it too and frees an owned cursor.
  ~TzelDataset() override;

  // --- Properties ---
  TzelSortOptions SortOptions() const { return sortOptions_; }
  void SetSortOptions(TzelSortOptions options);
  const std::string& IndexFieldNames() const { return indexFieldNames_; }
  void SetIndexFieldNames(const std::string& names);
  const std::string& UniqueFieldNames() const { return uniqueFieldNames_; }
  void SetUniqueFieldNames(const std::string& names) { uniqueFieldNames_ = names; }
  const std::string& RangeFieldNames() const { return rangeFieldNames_; }
  // Stores the text, then follows the master's values (CheckMasterRange).
  void SetRangeFieldNames(const std::string& names);
  // The master's fields the detail follows (the master link's FieldNames).
  const std::string& MasterFields() const { return masterLink_->FieldNames(); }
  void SetMasterFields(const std::string& names) { masterLink_->SetFieldNames(names); }
  const std::string& Notes() const { return notes_; }
  void SetNotes(const std::string& notes) { notes_ = notes; }
  // Copied into every default field's Origin when the dataset opens.
  const std::string& Origin() const { return origin_; }
  void SetOrigin(const std::string& origin) { origin_ = origin; }
  bool ReadOnly() const { return readOnly_; }
  // Finishes a pending edit first when open.
  void SetReadOnly(bool value);

  // Same signature as OnFilterRecord; used by searches.
  TFilterRecordEvent OnFindRecord;
  // Fired when the change counter leaves 0 and when it returns to 0.
  TDataSetNotifyEvent OnNeedToSaveChange;

  // --- Pending changes ---
  bool GetNeedToSave() const { return changeCount_ > 0; }
  int ChangeCount() const { return changeCount_; }
  // Accepts every pending change of the store (active and counter > 0 only).
  virtual void CommitUpdates();
  // Discards every pending change (active and counter > 0 only).
  void CancelUpdates();
  // Posts a pending edit, then InternalApplyUpdates; neither commits nor
  // cancels: the caller does, after success or failure.
  virtual void ApplyUpdates();
  TUpdateStatus UpdateStatus() const override;

  // A bookmark is valid while its record is in the view; bookmarks order by
  // record identity, not by display order.
  bool BookmarkValid(const TBookmark& bookmark) const override;
  int CompareBookmarks(const TBookmark& left, const TBookmark& right) const override;

  // Finishes a pending edit and writes the cursor as a data file; nothing
  // without a cursor.
  void SaveToFile(const std::string& fileName);
  // Reloads and finds the current record again by UniqueFieldNames.
  void Refresh() override;
  // Moves to record n of the view (clamped to 1..count), centred.
  void SetRecNo(int value) override;

  // --- Field values ---
  bool GetFieldData(TField* field, void* buffer) override;
  bool GetFieldData(int fieldNo, void* buffer) override;
  void SetFieldData(TField* field, const void* buffer) override;
  std::unique_ptr<TStream> CreateBlobStream(TField* field, TBlobStreamMode mode) override;
  // Assigns several fields at once (edit or insert state).
  void SetListOfFields(std::string_view fieldNames, const std::vector<Variant>& values);
  // The field's value differs from its value before the pending changes.
  bool IsChanged(std::string_view fieldName);
  bool ExistField(std::string_view fieldName) const { return FindField(fieldName) != nullptr; }

  // --- For the engine's searches, ranges, clones and the grid ---
  TzelCursor* Cursor() const { return cursor_; }
  int ViewCount() const { return view_.Count(); }
  TzelRecord* ViewRecord(int index) const { return view_.At(index); }
  // The record data block that field access uses in the current state, or
  // nullptr.
  char* GetActiveRecBuf() const;
  // Offset of framework field number fieldNo's slot, -1 when there is none.
  int GetFieldOffset(int fieldNo) const;
  // The record a buffer shows (nullptr for a new record).
  TzelRecord* RecordOfBuffer(TRecordBuffer buffer) const;
  // Rebuilds the view: records that are shown, in IndexFieldNames order.
  // Keeps the current record current unless toFirst.
  void SortRecords(bool toFirst);

  // --- Searching (dataset_search.cpp) ---
  // Searches find records in the view and never raise when nothing is found:
  // they return false and leave position, buffers and state unchanged. Key
  // searches compare whole slots case-sensitively (CompareRecords) and search
  // binary while the view is sorted by a leading part of IndexFieldNames.
  bool Locate(std::string_view keyFields, const Variant& keyValues,
              TLocateOptions options) override;
  // The result fields' value(s) of the first record with the key; Null when
  // none. The current record and the state do not change.
  Variant Lookup(std::string_view keyFields, const Variant& keyValues,
                 std::string_view resultFields) override;
  // Without options: a key search over the slots; with options: a scan
  // comparing field values (loCaseInsensitive, loPartialKey).
  bool InternalLocate(std::string_view keyFields, const Variant& keyValues, TLocateOptions options,
                      bool fromStart);
  // Fields not given a value are compared with zero (empty) slots.
  bool Find(std::string_view fieldNames, const std::vector<Variant>& values, bool fromStart);
  // Values from a tab-value list; with fromStart false the search starts at
  // the record after the current one, so repeating it walks equal keys.
  bool FindTab(std::string_view fieldNames, std::string_view tabValues, bool fromStart);
  // Whether a key search over these fields may be binary.
  bool FastSeek(std::string_view fieldNames) const;
  // The view index of the first record from start whose fields equal the key
  // block's, or -1.
  int InternalFind(const std::vector<TzelField*>& fields, int start, bool binary) const;
  // Searches the display text of one field (upper-cased, locale rules).
  bool Like(std::string_view fieldName, std::string_view text, bool prefixOnly, bool fromStart);
  // Makes the record current that is current in the other dataset (same
  // cursor: by bookmark; otherwise by UniqueFieldNames).
  void GotoCurrent(TzelDataset* other);
  // The current record's values of the fields, each followed by a tab.
  std::string GetTabValues(std::string_view fieldNames) const;
  // One field of every stored record that OnFindRecord accepts, joined by the
  // separator, optionally in double quotes.
  std::string GetListRecValues(std::string_view fieldName, char separator, bool quote);

  // --- Ranges and filters (dataset_range.cpp) ---
  // Bounds over RangeFieldNames, inclusive and lexicographic over several
  // fields. The range uses as many fields as high values are given. Nothing
  // happens without a cursor or RangeFieldNames.
  void SetRange(const std::vector<Variant>& lowValues, const std::vector<Variant>& highValues);
  // The same with tab-value lists; an empty value leaves its field's bound
  // empty.
  void SetRange(std::string_view lowValues, std::string_view highValues);
  bool RangeActive() const { return rangeActive_; }
  // Rebuilds the view with or without OnFilterRecord, then goes to the first
  // record; a filter expression text is not evaluated.
  void SetFiltered(bool value) override;
  bool AcceptRange(const TzelRecord* record) const;
  // Drops the range; a rebuild keeps the current record.
  virtual void CancelRange();

  // --- Master-detail (dataset_range.cpp) ---
  // The master's data source (MasterSource).
  TDataSource* MasterSource() const { return GetDataSource(); }
  void SetMasterSource(TDataSource* dataSource) { SetDataSource(dataSource); }
  // Raises when the data source leads back to this dataset, or when its
  // dataset is not a TzelDataset (the link keeps it then).
  void SetDataSource(TDataSource* dataSource);
  TzelMasterLink* MasterLink() const { return masterLink_.get(); }
  // Follows the master's values when the link is active and has fields (on
  // open and after RangeFieldNames changed).
  virtual void CheckMasterRange();
  // The link's handlers: the master moved; the master went away.
  void MasterChanged(TzelMasterLink* sender);
  void MasterDisabled(TzelMasterLink* sender);

  // --- Clones, sums and export (dataset_clone.cpp, text_export.cpp) ---
  // Shares this dataset's cursor with a clone; the clone does not own it.
  TzelCursor* AddClone(TzelDataset* clone);
  // Takes the cursor away from the clone.
  void RemoveClone(TzelDataset* clone);
  int CloneCount() const { return cloneCount_; }
  // Appends a copy of the current record, leaving out UniqueFieldNames; the
  // copy stays in insert state for the caller to post.
  void CopyRecord();
  // Removes every record from the store; pending changes are forgotten.
  void EmptyTable();
  // Sum of a numeric field over the view; 0 for a missing or other field.
  double GetSum(std::string_view fieldName);
  // Writes the view as text lines ended by CR LF, blobs left out. A tab
  // separator writes values as they are, any other separator in double
  // quotes. Throws EFCreateError when the file cannot be written; the old
  // file is then intact.
  void ExportToTxt(const std::string& fileName, char separator);
  // The same lines handed to write in blocks of whole lines, in order: the
  // text of all lines is never held at once.
  void ExportToTxt(const std::function<void(std::string_view block)>& write, char separator);

 protected:
  friend class TzelBlobStream;

  // Loads the data: builds or fetches a data buffer and calls InternalLoad.
  virtual void InternalLoadData() = 0;
  // Sends the pending changes (a query dataset: to the server).
  virtual void InternalApplyUpdates() = 0;
  // Releases the cursor: frees an owned one, forgets a shared one.
  virtual void DestroyCursor();

  // Reads a data buffer into the cursor (emptied, or made). On failure the
  // cursor is freed and "Ошибка при открытии таблицы: " + the reader's text is
  // raised. During a refresh the owned cursor is replaced instead, and only
  // when the new one loaded (ReplaceCursor). Takes the stream.
  void InternalLoad(std::unique_ptr<TStream> stream);
  // Shares another dataset's cursor (clones); the dataset does not own it.
  void ShareCursor(TzelCursor* cursor);

  // Whether a record belongs in the view: inside the range and accepted by
  // OnFilterRecord when Filtered (the record is the filter record then).
  virtual bool AcceptRecordInView(TzelRecord* record);
  // A new detail record takes the master's values into its range fields.
  virtual void CopyMasterValues();
  TDataSource* GetDataSource() const override;
  // Places the record just appended at the end of the view at its key
  // position (binary search) when the view is sorted.
  void MoveInsertedToOrder();

  // --- Framework overrides ---
  TRecordBuffer AllocRecordBuffer() override;
  void FreeRecordBuffer(TRecordBuffer& buffer) override;
  void InternalInitRecord(TRecordBuffer buffer) override;
  int GetRecordSize() const override { return recordSize_; }
  TGetResult GetRecord(TRecordBuffer buffer, TGetMode mode, bool doCheck) override;
  int GetRecordCount() const override { return ViewCount(); }
  int GetRecNo() const override;
  void InternalFirst() override { position_ = -1; }
  void InternalLast() override { position_ = ViewCount(); }
  void GetBookmarkData(TRecordBuffer buffer, void* data) const override;
  void SetBookmarkData(TRecordBuffer buffer, const void* data) override;
  TBookmarkFlag GetBookmarkFlag(TRecordBuffer buffer) const override;
  void SetBookmarkFlag(TRecordBuffer buffer, TBookmarkFlag flag) override;
  void InternalGotoBookmark(const void* bookmark) override;
  void InternalSetToRecord(TRecordBuffer buffer) override;
  void InternalOpen() override;
  void InternalClose() override;
  // A dataset whose reload failed has no cursor but is still open: its close
  // must still run InternalClose to unregister and release its fields.
  bool IsCursorOpen() const override { return cursor_ != nullptr || openedCursor_; }
  void InternalInitFieldDefs() override;
  void InternalHandleException() override;
  void InternalAddRecord(TRecordBuffer buffer, bool append) override;
  void InternalPost() override;
  void InternalDelete() override;
  void InternalCancel() override;
  void InternalRefresh() override;
  bool GetCanModify() const override;
  // A read-only dataset's own message for each kind of change, before the
  // framework's check.
  void CheckCanModify(TModifyKind kind) const override;
  void ClearCalcFields(TRecordBuffer buffer) override;
  void DoBeforeClose() override;
  void DoBeforeEdit() override;
  void DoBeforeInsert() override;
  void DoBeforeDelete() override;
  void DoOnNewRecord() override;

  // --- State shared with the engine's searches, ranges and clones ---
  TzelRecordView view_;
  int position_ = -1;  // -1 before the first record, view count after the last
  bool opened_ = false;
  bool sorted_ = false;
  std::vector<TzelField*> sortFields_;
  char* keyBuffer_ = nullptr;           // search keys (state dsSetKey)
  TzelRecord* filterRecord_ = nullptr;  // exposed in state dsFilter
  int cloneCount_ = 0;
  // The datasets sharing this one's cursor, and the one whose cursor this
  // one shares: settling changes in one rebuilds the others' views.
  std::vector<TzelDataset*> clones_;
  TzelDataset* cloneSource_ = nullptr;

  // Ranges: the bounds sit in the range fields' slots of two blocks. The
  // fields are kept as descriptor indexes, which survive a reload.
  std::vector<int> rangeFieldIndexes_;
  TzelKeyBlock rangeLow_;
  TzelKeyBlock rangeHigh_;
  bool rangeActive_ = false;
  std::unique_ptr<TzelMasterLink> masterLink_ = MakeMasterLink();

 private:
  void InsertRec(TRecordBuffer buffer);
  void ModifyRec(TRecordBuffer buffer);
  void SetDefaultValues();
  // One pending change more, or one less (cancelled edit or insert).
  void CountChange();
  void UncountChange();
  void ResetChangeCount();
  void FireNeedToSaveChange();
  // After a commit or cancel of the shared store: the other datasets showing
  // it drop freed records and show restored ones.
  void RebuildSharingViews();
  int ViewIndexOf(const TzelRecord* record) const;
  // GetFieldData of the record data block the current state reads.
  bool GetSlotData(TField* field, const char* block, void* buffer);
  // Moving along the view in direction step (1 or -1): fetches the memory of
  // the records ahead of the position.
  void PrefetchAlongView(int step);
  // Gives every record buffer copies of the store's arena values it
  // references; called before the store is released while buffers survive.
  void UnshareBuffers();
  // Searching helpers (dataset_search.cpp).
  class KeyBlockScope;
  int SearchStart(bool fromStart) const;
  bool KeySearch(const std::vector<TzelField*>& fields, std::string_view fieldNames,
                 bool fromStart);
  bool GotoFound(int index);
  bool ScanLocate(std::string_view keyFields, const Variant& keyValues, TLocateOptions options,
                  int start);
  // Ranges (dataset_range.cpp).
  std::unique_ptr<TzelMasterLink> MakeMasterLink();
  void ResetRangeBlocks();
  void RebuildAfterRange();
  // Offset of the record info area in a buffer.
  size_t InfoOffset() const { return size_t(recordSize_) + size_t(CalcFieldsSize()); }
  bool IsDatasetBuffer(const char* block) const;
  void SetBufferRecNo(TRecordBuffer buffer, int32_t recNo) const;
  std::vector<std::string> UniqueValuesOf(const TzelRecord* record) const;
  // The reload of a refresh: reads the stream into a new store and puts it in
  // place of the owned one only when it loaded with the same slots, so a
  // failure leaves the records, their change state and the view untouched.
  void ReplaceCursor(std::unique_ptr<TStream> stream);

  TzelCursor* cursor_ = nullptr;
  std::unique_ptr<TzelCursor> ownedCursor_;
  TzelSortOptions sortOptions_;
  std::string indexFieldNames_;
  std::string uniqueFieldNames_;
  std::string rangeFieldNames_;
  std::string notes_;
  std::string origin_;
  bool readOnly_ = false;
  bool openedCursor_ = false;  // from a complete InternalOpen until InternalClose
  bool reloading_ = false;     // InternalRefresh is loading: InternalLoad replaces
  int changeCount_ = 0;
  int recordSize_ = 0;
  size_t bufferSize_ = 0;
};

}  // namespace morvane
