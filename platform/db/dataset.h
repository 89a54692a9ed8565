// TDataSet: the base class of every dataset. It owns the record-buffer
// window, the state machine, fields, events and the notification of data
// sources; a descendant supplies the records.
//
// Record-buffer protocol. While open the dataset keeps BufferCount() record
// buffers (the largest BufferCount any attached data link asks for, at least
// one) plus one spare. Buffers are raw blocks the descendant allocates and
// lays out (AllocRecordBuffer / FreeRecordBuffer); the base only moves the
// pointers. The first RecordCountInWindow() buffers hold consecutive records
// of the descendant's cursor; ActiveRecord() indexes the current one. The
// base fetches records one at a time with GetRecord(buffer, gmNext/gmPrior/
// gmCurrent) and positions the descendant's cursor on a buffered record with
// InternalSetToRecord / InternalFirst / InternalLast according to the
// buffer's bookmark flag. The spare buffer (TempBuffer) receives the next
// fetched record and is the descendant's scratch space.
//
// Notifications. Every change of state, position, record or field is sent
// to the data sources as a TDataEvent (DataEvent). DisableControls holds
// them back until the matching EnableControls, which sends one summary event.
//
// A descendant must override the pure virtuals below (and usually
// GetRecordCount, GetRecNo, SetRecNo, BookmarkValid, CompareBookmarks,
// Locate, Lookup, CreateBlobStream) and must Close() in its own destructor:
// closing frees record buffers through the descendant's FreeRecordBuffer,
// which the base destructor can no longer reach. See platform/db/README.md.
//
// Errors are EDatabaseError naming the dataset ("Table1: message").
#pragma once

#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/db/component.h"
#include "platform/db/db_types.h"
#include "platform/db/field.h"
#include "platform/db/field_defs.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/variant.h"

namespace morvane {

class TDataSource;
class TDataLink;

class TDataSet;
using TDataSetNotifyEvent = std::function<void(TDataSet* dataSet)>;
using TFilterRecordEvent = std::function<void(TDataSet* dataSet, bool& accept)>;

class TDataSet : public TComponent {
 public:
  explicit TDataSet(TComponent* owner = nullptr);
  ~TDataSet() override;

  // --- Opening and state -------------------------------------------------
  bool Active() const { return state_ != dsInactive; }
  void SetActive(bool value);
  void Open() { SetActive(true); }
  void Close() { SetActive(false); }
  TDataSetState State() const { return state_; }
  bool Modified() const { return modified_; }
  // Raises "Cannot perform this operation on a closed dataset".
  void CheckActive() const;
  void CheckInactive() const;
  // Posts or cancels a pending edit (posting when fields changed).
  void CheckBrowseMode();
  // Switches the state without notifications, for reading values of another
  // record buffer (dsCalcFields, dsFilter, dsOldValue...). Pair with
  // RestoreState(previous) on every path.
  TDataSetState SetTempState(TDataSetState state);
  void RestoreState(TDataSetState previous);

  // --- Navigation --------------------------------------------------------
  void First();
  void Last();
  void Next() { MoveBy(1); }
  void Prior() { MoveBy(-1); }
  // Moves the current record; returns how many records it moved (signed).
  int MoveBy(int distance);
  bool Bof() const { return bof_; }
  bool Eof() const { return eof_; }
  bool IsEmpty() const { return activeRecord_ >= recordCount_; }
  // Records in the dataset (-1 when the descendant cannot tell).
  int RecordCount() const { return GetRecordCount(); }
  int RecNo() const { return GetRecNo(); }
  // Makes the record with that number current. Descendants override this
  // or the protected setter SetRecNoValue it calls.
  virtual void SetRecNo(int value) { SetRecNoValue(value); }
  // Whether RecNo and RecordCount are exact (a scroll bar may trust them).
  virtual bool IsSequenced() const { return true; }
  // Re-reads the data; replaced by descendants that reload differently.
  virtual void Refresh();
  // Re-fetches the buffer window around the cursor; rmExact raises "Record
  // not found" when the cursor's record is gone, rmCenter centres it.
  void Resync(TResyncMode mode);
  // The descendant's cursor may no longer match a buffered record.
  void CursorPosChanged() { currentRecord_ = -1; }
  // Puts the descendant's cursor on the active record.
  void UpdateCursorPos();

  // --- Editing -----------------------------------------------------------
  void Insert();
  void Append();
  void Edit();
  void Post();
  void Cancel();
  void Delete();
  // Appends or inserts a record with the values in field order (Empty
  // leaves a field untouched, Null clears it) and posts it.
  void AppendRecord(const std::vector<Variant>& values);
  void InsertRecord(const std::vector<Variant>& values);
  // Assigns values to the fields in field order (Empty leaves a field alone).
  // Needs an editing state.
  void SetFields(const std::vector<Variant>& values);
  // Asks the controls to write pending edits into the record buffer.
  void UpdateRecord();
  bool CanModify() const { return GetCanModify(); }
  // The one "may modify" gate: Edit, Insert, Append and Delete call it
  // first (once the dataset is known to be open), whoever calls them. The
  // base raises "Cannot modify a read-only dataset" when CanModify is false;
  // a descendant overrides it to give its own message for each kind of
  // change, calling the base afterwards.
  virtual void CheckCanModify(TModifyKind kind) const;
  virtual TUpdateStatus UpdateStatus() const;

  // --- Controls ----------------------------------------------------------
  void DisableControls();
  void EnableControls();
  bool ControlsDisabled() const { return disableCount_ != 0; }

  // --- Fields ------------------------------------------------------------
  TFields& Fields() { return fields_; }
  const TFields& Fields() const { return fields_; }
  int FieldCount() const { return fields_.Count(); }
  TFieldDefs& FieldDefs() { return fieldDefs_; }
  const TFieldDefs& FieldDefs() const { return fieldDefs_; }
  TField* FindField(std::string_view name) const { return fields_.FindField(name); }
  TField* FieldByName(std::string_view name) const { return fields_.FieldByName(name); }
  TField* FieldByNumber(int fieldNo) const { return fields_.FieldByNumber(fieldNo); }
  // The fields named in a ";"-separated list, in list order; an unknown name
  // raises "Field '%s' not found".
  std::vector<TField*> GetFieldList(std::string_view fieldNames) const;
  void GetFieldList(std::vector<TField*>& list, std::string_view fieldNames) const {
    list = GetFieldList(fieldNames);
  }
  std::vector<std::string> GetFieldNames() const;
  // Value of one field, or an array of values for several ";"-separated names.
  Variant GetFieldValue(std::string_view fieldNames) const;
  void SetFieldValue(std::string_view fieldName, const Variant& value);
  // True when the fields were made from the field definitions at open (and
  // are destroyed again at close).
  bool DefaultFields() const { return defaultFields_; }
  // Bytes of the calculation area: one flag byte plus DataSize per
  // calculated or lookup field.
  int CalcFieldsSize() const { return calcFieldsSize_; }
  bool AutoCalcFields() const { return autoCalcFields_; }
  void SetAutoCalcFields(bool value) { autoCalcFields_ = value; }

  // --- Bookmarks and searching ------------------------------------------
  int BookmarkSize() const { return bookmarkSize_; }
  // The current record's bookmark; empty when there is no current record.
  TBookmark GetBookmark() const;
  // Makes the bookmarked record current; an empty bookmark does nothing.
  void GotoBookmark(const TBookmark& bookmark);
  void FreeBookmark(TBookmark& bookmark) { bookmark.clear(); }
  TBookmark Bookmark() const { return GetBookmark(); }
  void SetBookmark(const TBookmark& bookmark) { GotoBookmark(bookmark); }
  virtual bool BookmarkValid(const TBookmark& bookmark) const;
  // Counts the times the dataset let go of all its records (closing,
  // reloading, emptying). A bookmark kept across a change of the count may
  // name a new record that took a released one's place, so whoever keeps
  // bookmarks compares counts, not only BookmarkValid.
  uint64_t RecordsGeneration() const { return recordsGeneration_; }
  // Negative, 0 or positive in the dataset's record order; an empty
  // bookmark sorts first, two empty ones are equal.
  virtual int CompareBookmarks(const TBookmark& left, const TBookmark& right) const;
  // keyValues: one value, or an array with one value per key field.
  virtual bool Locate(std::string_view keyFields, const Variant& keyValues, TLocateOptions options);
  // The result fields' value(s) of the first matching record without moving;
  // Null when none matches.
  virtual Variant Lookup(std::string_view keyFields, const Variant& keyValues,
                         std::string_view resultFields);

  // --- Filtering ---------------------------------------------------------
  bool Filtered() const { return filtered_; }
  // Turns filtering on or off. Descendants override this or the protected
  // setter SetFilteredValue it calls; overrides call the base to store it.
  virtual void SetFiltered(bool value) { SetFilteredValue(value); }

  // --- Data sources and links -------------------------------------------
  // The data source this dataset follows as a detail (null for none).
  TDataSource* DataSource() const { return GetDataSource(); }
  // Whether dataSource leads, through its chain of masters, to this dataset.
  bool IsLinkedTo(TDataSource* dataSource) const;
  void DataEvent(TDataEvent event, intptr_t info = 0) {
    // A dataset that no control shows is told of every move it makes: when
    // nobody listens, nothing is held back and the event changes no state of
    // its own, it ends here.
    if (event != deFieldChange && event != dePropertyChange && dataSources_.empty() &&
        disableCount_ == 0 && state_ != dsBlockRead)
      return;
    SendDataEvent(event, info);
  }
  void DataEvent(TDataEvent event, TField* field) {
    DataEvent(event, reinterpret_cast<intptr_t>(field));
  }
  // Re-reads the largest buffer count of the attached data links.
  void UpdateBufferCount();

  // --- Record buffers (for descendants, data links and the engine) -------
  TRecordBuffer ActiveBuffer() const {
    return buffers_.empty() ? nullptr : buffers_[size_t(activeRecord_)];
  }
  // The spare buffer after the window (scratch space).
  TRecordBuffer TempBuffer() const { return buffers_.empty() ? nullptr : buffers_[recordCount_]; }
  // The buffer whose calculated fields are being computed.
  TRecordBuffer CalcBuffer() const { return calcBuffer_; }
  int BufferCount() const { return bufferCount_; }
  int RecordCountInWindow() const { return recordCount_; }
  int ActiveRecord() const { return activeRecord_; }
  TRecordBuffer Buffer(int index) const { return buffers_.at(size_t(index)); }
  // Computes calculated and lookup fields of the buffer (state dsCalcFields).
  void GetCalcFields(TRecordBuffer buffer) {
    // Every fetched record comes here; most datasets have nothing to compute.
    if (calcFieldsSize_ != 0 || OnCalcFields) RunCalcFields(buffer);
  }
  // The computation itself, in the state the caller set: clears the
  // calculation area, looks up lookup fields, runs OnCalcFields.
  virtual void CalculateFields(TRecordBuffer buffer);

  // --- Field data (descendants implement the native exchange) -----------
  // True when the field has a value in the record of the current state;
  // copies the native value into buffer when one is given.
  virtual bool GetFieldData(TField* field, void* buffer) = 0;
  virtual bool GetFieldData(int fieldNo, void* buffer);
  // Stores the native value (null: no value) into the record of the current
  // state. Implementations call field->Validate(buffer) before storing and
  // DataEvent(deFieldChange, field) after.
  virtual void SetFieldData(TField* field, const void* buffer) = 0;
  // A stream over a blob field's contents; writing replaces them when the
  // stream is destroyed. Null when the dataset has no blobs.
  virtual std::unique_ptr<TStream> CreateBlobStream(TField* field, TBlobStreamMode mode);
  // The value of a field in another state's record buffer (dsOldValue ...).
  Variant GetStateFieldValue(TDataSetState state, TField* field);

  // --- Events ------------------------------------------------------------
  TDataSetNotifyEvent BeforeOpen, AfterOpen, BeforeClose, AfterClose;
  TDataSetNotifyEvent BeforeInsert, AfterInsert, BeforeEdit, AfterEdit;
  TDataSetNotifyEvent BeforePost, AfterPost, BeforeCancel, AfterCancel;
  TDataSetNotifyEvent BeforeDelete, AfterDelete, BeforeScroll, AfterScroll;
  TDataSetNotifyEvent OnNewRecord, OnCalcFields;
  TFilterRecordEvent OnFilterRecord;

 protected:
  friend class TDataSource;
  friend class TDataLink;
  friend class TField;
  friend class TFieldDefs;

  // --- What a descendant provides ---------------------------------------
  virtual TRecordBuffer AllocRecordBuffer() = 0;
  virtual void FreeRecordBuffer(TRecordBuffer& buffer) = 0;
  // Empties a buffer for a new record (flag bfInserted is set afterwards).
  virtual void InternalInitRecord(TRecordBuffer buffer) = 0;
  virtual int GetRecordSize() const = 0;
  // Fetches the record at / after / before the cursor into buffer and moves
  // the cursor there. With doCheck, a failure other than BOF/EOF raises.
  virtual TGetResult GetRecord(TRecordBuffer buffer, TGetMode mode, bool doCheck) = 0;
  virtual int GetRecordCount() const { return -1; }
  virtual int GetRecNo() const { return -1; }
  // The setter behind SetRecNo: descendants that number their records
  // override it; the base does nothing.
  virtual void SetRecNoValue(int /*value*/) {}
  virtual void InternalFirst() = 0;
  virtual void InternalLast() = 0;
  virtual void GetBookmarkData(TRecordBuffer buffer, void* data) const = 0;
  virtual void SetBookmarkData(TRecordBuffer buffer, const void* data) = 0;
  virtual TBookmarkFlag GetBookmarkFlag(TRecordBuffer buffer) const = 0;
  virtual void SetBookmarkFlag(TRecordBuffer buffer, TBookmarkFlag flag) = 0;
  virtual void InternalGotoBookmark(const void* bookmark) = 0;
  virtual void InternalSetToRecord(TRecordBuffer buffer) = 0;
  // Prepares FieldDefs (field definitions), creates default fields when
  // DefaultFields(), binds fields (BindFields(true)), sets BookmarkSize and
  // leaves the cursor before the first record.
  virtual void InternalOpen() = 0;
  // Releases the descendant's cursor; fields are unbound by the descendant
  // (BindFields(false)) and default fields destroyed (DestroyFields).
  virtual void InternalClose() = 0;
  virtual bool IsCursorOpen() const = 0;
  // Fills FieldDefs from the source of the data.
  virtual void InternalInitFieldDefs() = 0;
  // Called inside a catch block: hands the exception to the application.
  virtual void InternalHandleException();
  // Stores the record in buffer as a new record (after the last when append).
  virtual void InternalAddRecord(TRecordBuffer buffer, bool append) = 0;
  virtual void InternalInsert() {}
  virtual void InternalEdit() {}
  // Stores the active buffer (state dsEdit or dsInsert).
  virtual void InternalPost() = 0;
  virtual void InternalDelete() = 0;
  virtual void InternalCancel() {}
  virtual void InternalRefresh() {}
  virtual bool GetCanModify() const { return true; }
  virtual void ClearCalcFields(TRecordBuffer /*buffer*/) {}
  // The setter behind SetFiltered: stores the flag, finishing a pending
  // edit first. Descendants override it to rebuild what they show, calling
  // the base.
  virtual void SetFilteredValue(bool value);
  virtual TDataSource* GetDataSource() const { return nullptr; }

  // --- Event hooks (descendants extend them, calling the base) ----------
  virtual void DoBeforeOpen() { Fire(BeforeOpen); }
  virtual void DoAfterOpen() { Fire(AfterOpen); }
  virtual void DoBeforeClose() { Fire(BeforeClose); }
  virtual void DoAfterClose() { Fire(AfterClose); }
  virtual void DoBeforeInsert() { Fire(BeforeInsert); }
  virtual void DoAfterInsert() { Fire(AfterInsert); }
  virtual void DoBeforeEdit() { Fire(BeforeEdit); }
  virtual void DoAfterEdit() { Fire(AfterEdit); }
  virtual void DoBeforePost() { Fire(BeforePost); }
  virtual void DoAfterPost() { Fire(AfterPost); }
  virtual void DoBeforeCancel() { Fire(BeforeCancel); }
  virtual void DoAfterCancel() { Fire(AfterCancel); }
  virtual void DoBeforeDelete() { Fire(BeforeDelete); }
  virtual void DoAfterDelete() { Fire(AfterDelete); }
  virtual void DoBeforeScroll() { Fire(BeforeScroll); }
  virtual void DoAfterScroll() { Fire(AfterScroll); }
  virtual void DoOnNewRecord() { Fire(OnNewRecord); }
  virtual void DoOnCalcFields() { Fire(OnCalcFields); }
  // Change notice of the field definitions (after Add/Clear/EndUpdate).
  virtual void DefChanged(TFieldDefs* /*sender*/) {}

  // --- Helpers for descendants -------------------------------------------
  // Field definitions up to date (InternalInitFieldDefs when needed).
  void InitFieldDefs();
  // One field per field definition, owned by this dataset.
  void CreateFields();
  // Binding gives data fields their FieldNo from the definitions (raising
  // "Field '%s' not found" for a name without one) and lays out the
  // calculation area; unbinding clears FieldNo.
  void BindFields(bool binding);
  void DestroyFields();
  void SetBookmarkSize(int size) { bookmarkSize_ = size; }
  // A descendant that reloads or empties its records without closing
  // calls this (closing counts by itself).
  void RecordsReleased() { ++recordsGeneration_; }
  void SetState(TDataSetState state);
  void SetModified(bool value) { modified_ = value; }
  void CheckRequiredFields();
  // Runs OnFilterRecord for the record readable in state dsFilter.
  bool AcceptFilterRecord();
  [[noreturn]] void DatabaseError(const std::string& message) const;
  [[noreturn]] void DatabaseErrorFmt(const char* pattern,
                                     std::initializer_list<std::string_view> args) const;

  // Buffer fetching, for descendants that reposition themselves
  // (Locate, SetRecNo, ranges).
  bool GetNextRecord();
  bool GetPriorRecord();
  int GetNextRecords();
  int GetPriorRecords();
  void ClearBuffers();

  void Notification(TComponent* component, TOperation operation) override;

 private:
  void Fire(const TDataSetNotifyEvent& event) {
    if (event) event(this);
  }
  void OpenCursor();
  void CloseCursor();
  // Sets the values of a new record and posts it; cancels it on any error.
  void PostFieldsOrCancel(const std::vector<Variant>& values);
  // DataEvent past the case of nobody listening.
  void SendDataEvent(TDataEvent event, intptr_t info);
  void RunCalcFields(TRecordBuffer buffer);
  // MoveBy once it has checked the mode and fired BeforeScroll: a move by
  // one record in a window of one buffer, and any other move.
  int StepWindowOfOne(bool forward);
  int MoveWindow(int distance);
  void SetBufferCount(int count);
  void SetBufferListSize(int count);
  void FreeAllBuffers();
  // One rotation of the buffers between the two places: the buffer at from
  // goes to to, the others move up or down by one.
  void MoveBuffer(int from, int to) {
    // Between neighbours, as in every move of a window of one buffer, that
    // is a swap.
    if (from - to == 1 || to - from == 1)
      std::swap(buffers_[size_t(from)], buffers_[size_t(to)]);
    else
      RotateBuffers(from, to);
  }
  void RotateBuffers(int from, int to);
  void ActivateBuffers();
  void SetCurrentRecord(int index);
  void InitRecord(TRecordBuffer buffer);
  void BeginInsertAppend();
  void EndInsertAppend();
  void AddDataSource(TDataSource* dataSource);
  void RemoveDataSource(TDataSource* dataSource);
  bool BookmarkAvailable() const;

  TDataSetState state_ = dsInactive;
  bool modified_ = false;
  bool bof_ = true;
  bool eof_ = true;
  bool filtered_ = false;
  bool autoCalcFields_ = true;
  bool defaultFields_ = false;
  bool openComplete_ = false;

  // Record buffers: bufferCount_ window buffers plus the spare one.
  std::vector<TRecordBuffer> buffers_;
  int bufferCount_ = 0;
  int recordCount_ = 0;
  int activeRecord_ = 0;
  // Buffer the descendant's cursor stands on; -1 when unknown.
  int currentRecord_ = -1;
  TRecordBuffer calcBuffer_ = nullptr;
  int bookmarkSize_ = 0;
  uint64_t recordsGeneration_ = 0;
  int calcFieldsSize_ = 0;

  int disableCount_ = 0;
  TDataSetState disableState_ = dsInactive;
  TDataEvent enableEvent_ = deDataSetChange;
  int tempStateDepth_ = 0;

  TFields fields_;
  TFieldDefs fieldDefs_;
  std::vector<TDataSource*> dataSources_;
};

// Hands the exception being handled to the application (set by the program;
// the default writes its message to stderr). Call only inside a catch block.
using TExceptionHandler = std::function<void(std::exception_ptr error)>;
void SetApplicationExceptionHandler(TExceptionHandler handler);
void ApplicationHandleException();

}  // namespace morvane
