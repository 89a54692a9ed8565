// TMemoryDataSet: the smallest complete dataset descendant, a vector of
// records in memory. Tests use it to drive the framework's record-buffer
// protocol; it also shows what a descendant has to provide.
//
// Layout. A stored record is a block of slots, one per field definition:
// one "has a value" byte followed by the field's native value (see
// platform/db/fields.h). A record buffer is
//   [record slots][calculation area: CalcFieldsSize() bytes][id: int32][flag: uint8]
// where id identifies the stored record (0 for a new one) and is the
// bookmark (BookmarkSize 4), and flag is the buffer's TBookmarkFlag.
//
// The cursor is an index into the records: -1 before the first, Count()
// after the last. Filtering (Filtered + OnFilterRecord) skips records while
// fetching. Records survive Close.
//
// Blobs: a blob slot holds the number of an immutable value in blobs_.
// Writing through a blob stream adds a new value and stores its number, so
// records and buffers can share numbers without copying. Old values stay
// until the dataset is destroyed, which is fine for tests.
#pragma once

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "platform/db/dataset.h"
#include "platform/db/db_consts.h"
#include "platform/db/fields.h"
#include "platform/rtl/text.h"

namespace morvane::testing {

class TMemoryDataSet : public TDataSet {
 public:
  explicit TMemoryDataSet(TComponent* owner = nullptr) : TDataSet(owner) {}
  ~TMemoryDataSet() override {
    Destroying();
    Close();
  }

  bool ReadOnly() const { return readOnly_; }
  void SetReadOnly(bool value) { readOnly_ = value; }
  // Stored records, filtered or not.
  int StoredCount() const { return int(records_.size()); }

  bool Locate(std::string_view keyFields, const Variant& keyValues,
              TLocateOptions options) override {
    CheckBrowseMode();
    int index = FindRecord(keyFields, keyValues, options);
    if (index < 0) return false;
    DoBeforeScroll();
    cursor_ = index;
    Resync({rmExact, rmCenter});
    DoAfterScroll();
    return true;
  }

  Variant Lookup(std::string_view keyFields, const Variant& keyValues,
                 std::string_view resultFields) override {
    int index = FindRecord(keyFields, keyValues, TLocateOptions{});
    if (index < 0) return Variant::Null();
    return ReadStored(index, [&] { return GetFieldValue(resultFields); });
  }

  bool BookmarkValid(const TBookmark& bookmark) const override {
    return bookmark.size() == sizeof(int32_t) && IndexOfId(IdOf(bookmark.data())) >= 0;
  }

  int CompareBookmarks(const TBookmark& left, const TBookmark& right) const override {
    if (left.empty() || right.empty()) return TDataSet::CompareBookmarks(left, right);
    int a = IndexOfId(IdOf(left.data())), b = IndexOfId(IdOf(right.data()));
    return a < b ? -1 : a > b ? 1 : 0;
  }

  using TDataSet::GetFieldData;  // keeps the by-number overload visible
  bool GetFieldData(TField* field, void* buffer) override {
    const char* slot = Slot(field);
    if (slot == nullptr || slot[0] == 0) return false;
    if (buffer != nullptr) std::memcpy(buffer, slot + 1, size_t(field->DataSize()));
    return true;
  }

  std::unique_ptr<TStream> CreateBlobStream(TField* field, TBlobStreamMode mode) override {
    if (mode != bmRead && State() != dsEdit && State() != dsInsert)
      DatabaseError(STableNotInEditMode);
    auto stream = std::make_unique<BlobStream>(this, field);
    const char* slot = Slot(field);
    if (mode != bmWrite && slot != nullptr && slot[0] != 0) {
      const std::string& value = blobs_[size_t(IdOf(slot + 1))];
      stream->WriteBuffer(value.data(), int64_t(value.size()));
      stream->SetPosition(0);
    }
    stream->modified = mode == bmWrite;
    return stream;
  }

  void SetFieldData(TField* field, const void* buffer) override {
    if (!dsWriteModes.Contains(State())) DatabaseError(STableNotInEditMode);
    char* slot = Slot(field);
    if (slot == nullptr) DatabaseError(STableNotInEditMode);
    if (field->FieldNo() > 0) {
      if (State() == dsCalcFields) DatabaseErrorFmt(SFieldReadOnly, {field->DisplayName()});
      if (field->ReadOnly() && State() != dsSetKey && State() != dsFilter)
        DatabaseErrorFmt(SFieldReadOnly, {field->DisplayName()});
      field->Validate(buffer);
    }
    slot[0] = buffer != nullptr ? 1 : 0;
    if (buffer != nullptr)
      std::memcpy(slot + 1, buffer, size_t(field->DataSize()));
    else
      std::memset(slot + 1, 0, size_t(field->DataSize()));
    if (State() != dsSetKey && State() != dsFilter) DataEvent(deFieldChange, field);
  }

 protected:
  TRecordBuffer AllocRecordBuffer() override { return new char[size_t(bufferSize_)](); }
  void FreeRecordBuffer(TRecordBuffer& buffer) override {
    delete[] buffer;
    buffer = nullptr;
  }
  void InternalInitRecord(TRecordBuffer buffer) override {
    std::memset(buffer, 0, size_t(bufferSize_));
  }
  int GetRecordSize() const override { return recordSize_; }

  TGetResult GetRecord(TRecordBuffer buffer, TGetMode mode, bool /*doCheck*/) override {
    const int count = StoredCount();
    for (;;) {
      switch (mode) {
        case gmCurrent:
          if (cursor_ < 0 || cursor_ >= count) return grError;
          break;
        case gmNext:
          if (cursor_ >= count - 1) {
            cursor_ = count;
            return grEOF;
          }
          ++cursor_;
          break;
        case gmPrior:
          if (cursor_ <= 0) {
            cursor_ = -1;
            return grBOF;
          }
          --cursor_;
          break;
      }
      if (Accepts(cursor_)) break;
      if (mode == gmCurrent) return grError;
    }
    const Record& record = records_[size_t(cursor_)];
    std::memcpy(buffer, record.data.data(), size_t(recordSize_));
    SetId(buffer, record.id);
    SetBookmarkFlag(buffer, bfCurrent);
    GetCalcFields(buffer);
    return grOK;
  }

  int GetRecordCount() const override {
    if (!Filtered() || !OnFilterRecord) return StoredCount();
    int visible = 0;
    for (int i = 0; i < StoredCount(); ++i)
      visible += const_cast<TMemoryDataSet*>(this)->Accepts(i);
    return visible;
  }

  int GetRecNo() const override {
    CheckActive();
    TRecordBuffer buffer = State() == dsCalcFields ? CalcBuffer() : ActiveBuffer();
    if (buffer == nullptr || IsEmpty() || Id(buffer) == 0) return -1;
    int index = IndexOfId(Id(buffer));
    if (index < 0) return -1;
    int recNo = 0;
    for (int i = 0; i <= index; ++i) recNo += const_cast<TMemoryDataSet*>(this)->Accepts(i);
    return recNo;
  }

  void SetRecNoValue(int value) override {
    CheckBrowseMode();
    if (value == RecNo()) return;
    int visible = 0, target = -1;
    value = std::clamp(value, 1, std::max(1, RecordCount()));
    for (int i = 0; i < StoredCount() && target < 0; ++i)
      if (Accepts(i) && ++visible == value) target = i;
    if (target < 0) return;
    DoBeforeScroll();
    cursor_ = target;
    Resync({rmCenter});
    DoAfterScroll();
  }

  void SetFilteredValue(bool value) override {
    TDataSet::SetFilteredValue(value);
    if (Active()) First();
  }

  void InternalFirst() override { cursor_ = -1; }
  void InternalLast() override { cursor_ = StoredCount(); }

  void GetBookmarkData(TRecordBuffer buffer, void* data) const override {
    std::memcpy(data, buffer + InfoOffset(), sizeof(int32_t));
  }
  void SetBookmarkData(TRecordBuffer buffer, const void* data) override {
    std::memcpy(buffer + InfoOffset(), data, sizeof(int32_t));
  }
  TBookmarkFlag GetBookmarkFlag(TRecordBuffer buffer) const override {
    return TBookmarkFlag(buffer[InfoOffset() + sizeof(int32_t)]);
  }
  void SetBookmarkFlag(TRecordBuffer buffer, TBookmarkFlag flag) override {
    buffer[InfoOffset() + sizeof(int32_t)] = char(flag);
  }
  void InternalGotoBookmark(const void* bookmark) override {
    int index = IndexOfId(IdOf(bookmark));
    if (index >= 0) cursor_ = index;
  }
  void InternalSetToRecord(TRecordBuffer buffer) override {
    InternalGotoBookmark(buffer + InfoOffset());
  }

  void InternalOpen() override {
    InitFieldDefs();
    slotOffsets_.clear();
    recordSize_ = 0;
    for (const auto& def : FieldDefs()) {
      slotOffsets_.push_back(recordSize_);
      recordSize_ += 1 + NativeSize(*def);
    }
    for (Record& record : records_) record.data.resize(size_t(recordSize_));
    if (DefaultFields()) CreateFields();
    BindFields(true);
    SetBookmarkSize(sizeof(int32_t));
    bufferSize_ = recordSize_ + CalcFieldsSize() + int(sizeof(int32_t)) + 1;
    cursor_ = -1;
    open_ = true;
  }

  void InternalClose() override {
    BindFields(false);
    if (DefaultFields()) DestroyFields();
    cursor_ = -1;
    open_ = false;
  }

  bool IsCursorOpen() const override { return open_; }
  // The field definitions are given by whoever creates the dataset.
  void InternalInitFieldDefs() override {}

  void InternalAddRecord(TRecordBuffer buffer, bool append) override {
    Record record{nextId_++, std::vector<char>(buffer, buffer + recordSize_)};
    int index = append ? StoredCount() : std::clamp(cursor_, 0, StoredCount());
    records_.insert(records_.begin() + index, std::move(record));
    cursor_ = index;
  }

  void InternalPost() override {
    TRecordBuffer buffer = ActiveBuffer();
    if (State() == dsEdit) {
      int index = IndexOfId(Id(buffer));
      if (index < 0) DatabaseError(SRecordNotFound);
      std::memcpy(records_[size_t(index)].data.data(), buffer, size_t(recordSize_));
      return;
    }
    // A new record goes before the record it was inserted at, or last.
    TBookmarkFlag flag = GetBookmarkFlag(buffer);
    int index = IndexOfId(Id(buffer));
    bool append = flag == bfEOF || index < 0;
    cursor_ = append ? StoredCount() : index;
    InternalAddRecord(buffer, append);
    SetId(buffer, records_[size_t(cursor_)].id);
    SetBookmarkFlag(buffer, bfCurrent);
  }

  void InternalDelete() override {
    if (cursor_ >= 0 && cursor_ < StoredCount()) records_.erase(records_.begin() + cursor_);
  }

  bool GetCanModify() const override { return !readOnly_; }

  void ClearCalcFields(TRecordBuffer buffer) override {
    std::memset(buffer + recordSize_, 0, size_t(CalcFieldsSize()));
  }

 private:
  // Collects a blob's new contents and stores them when it is destroyed.
  class BlobStream : public TMemoryStream {
   public:
    BlobStream(TMemoryDataSet* owner, TField* field) : owner_(owner), field_(field) {}
    ~BlobStream() override {
      if (!modified) return;
      try {
        owner_->StoreBlob(field_, std::string(Memory(), size_t(Size())));
      } catch (...) {
        owner_->InternalHandleException();
      }
    }
    int64_t Write(const void* buffer, int64_t count) override {
      modified = true;
      return TMemoryStream::Write(buffer, count);
    }
    void SetSize(int64_t newSize) override {
      modified = true;
      TMemoryStream::SetSize(newSize);
    }
    bool modified = false;

   private:
    TMemoryDataSet* owner_;
    TField* field_;
  };

  void StoreBlob(TField* field, std::string contents) {
    char* slot = Slot(field);
    if (slot == nullptr) DatabaseError(STableNotInEditMode);
    int32_t number = int32_t(blobs_.size());
    slot[0] = contents.empty() ? 0 : 1;
    blobs_.push_back(std::move(contents));
    std::memcpy(slot + 1, &number, sizeof number);
    if (auto* blob = dynamic_cast<TBlobField*>(field)) blob->SetModified(true);
    DataEvent(deFieldChange, field);
  }

  struct Record {
    int32_t id;
    std::vector<char> data;
  };

  static int NativeSize(const TFieldDef& def) {
    switch (def.DataType()) {
      case ftString:
        return def.Size() + 1;
      case ftSmallint:
      case ftWord:
      case ftBoolean:
        return 2;
      case ftInteger:
      case ftAutoInc:
      case ftDate:
      case ftTime:
        return 4;
      case ftBlob:
      case ftMemo:
      case ftFmtMemo:
      case ftGraphic:
        return sizeof(int32_t);  // number of the value in blobs_
      case ftFloat:
      case ftCurrency:
      case ftDateTime:
        return 8;
      default:
        return 0;
    }
  }

  int InfoOffset() const { return recordSize_ + CalcFieldsSize(); }
  static int32_t IdOf(const void* data) {
    int32_t id;
    std::memcpy(&id, data, sizeof id);
    return id;
  }
  int32_t Id(TRecordBuffer buffer) const { return IdOf(buffer + InfoOffset()); }
  void SetId(TRecordBuffer buffer, int32_t id) const {
    std::memcpy(buffer + InfoOffset(), &id, sizeof id);
  }
  int IndexOfId(int32_t id) const {
    for (size_t i = 0; i < records_.size(); ++i)
      if (records_[i].id == id) return int(i);
    return -1;
  }

  // The record block that fields read and write in the current state.
  char* StateRecord() {
    switch (State()) {
      case dsBrowse:
        return IsEmpty() ? nullptr : ActiveBuffer();
      case dsEdit:
      case dsInsert:
      case dsNewValue:
        return ActiveBuffer();
      case dsCalcFields:
        return CalcBuffer();
      case dsFilter:
        return storedRecord_;
      case dsOldValue:
      case dsCurValue: {
        if (IsEmpty()) return nullptr;
        int index = IndexOfId(Id(ActiveBuffer()));
        return index >= 0 ? records_[size_t(index)].data.data() : ActiveBuffer();
      }
      default:
        return nullptr;
    }
  }

  char* Slot(TField* field) {
    char* record = StateRecord();
    if (record == nullptr) return nullptr;
    if (field->FieldNo() > 0) return record + slotOffsets_[size_t(field->FieldNo() - 1)];
    // Stored records have no calculation area.
    if (State() == dsFilter) return nullptr;
    return record + recordSize_ + field->Offset();
  }

  // Runs read() with the stored record at index readable in state dsFilter.
  template <typename Read>
  auto ReadStored(int index, Read read) -> decltype(read()) {
    char* previousRecord = storedRecord_;
    storedRecord_ = records_[size_t(index)].data.data();
    TDataSetState previous = SetTempState(dsFilter);
    try {
      auto result = read();
      RestoreState(previous);
      storedRecord_ = previousRecord;
      return result;
    } catch (...) {
      RestoreState(previous);
      storedRecord_ = previousRecord;
      throw;
    }
  }

  bool Accepts(int index) {
    if (!Filtered() || !OnFilterRecord) return true;
    return ReadStored(index, [this] { return AcceptFilterRecord(); });
  }

  static bool SameValue(const TField& field, const Variant& value, const Variant& key,
                        TLocateOptions options) {
    if (key.IsClear() || value.IsClear()) return key.IsClear() && value.IsClear();
    if (field.DataType() == ftString) {
      std::string text = value.AsString(), wanted = key.AsString();
      if (options.Contains(loCaseInsensitive)) {
        text = AnsiUpperCase(text);
        wanted = AnsiUpperCase(wanted);
      }
      if (options.Contains(loPartialKey)) return text.compare(0, wanted.size(), wanted) == 0;
      return text == wanted;
    }
    try {
      return value.AsDouble() == key.AsDouble();
    } catch (const std::exception&) {
      return value.AsString() == key.AsString();  // not numbers: compare as text
    }
  }

  int FindRecord(std::string_view keyFields, const Variant& keyValues, TLocateOptions options) {
    CheckActive();
    std::vector<TField*> fields = GetFieldList(keyFields);
    if (fields.empty()) return -1;
    std::vector<Variant> keys;
    if (fields.size() == 1)
      keys.push_back(keyValues.IsArray() && !keyValues.AsArray().empty() ? keyValues.AsArray()[0]
                                                                         : keyValues);
    else if (keyValues.IsArray())
      keys = keyValues.AsArray();
    if (keys.size() < fields.size()) return -1;
    for (int i = 0; i < StoredCount(); ++i) {
      if (!Accepts(i)) continue;
      bool matches = ReadStored(i, [&] {
        for (size_t k = 0; k < fields.size(); ++k)
          if (!SameValue(*fields[k], fields[k]->AsVariant(), keys[k], options)) return false;
        return true;
      });
      if (matches) return i;
    }
    return -1;
  }

  std::vector<Record> records_;
  std::vector<std::string> blobs_;
  std::vector<int> slotOffsets_;
  int recordSize_ = 0;
  int bufferSize_ = 0;
  int cursor_ = -1;
  int32_t nextId_ = 1;
  bool open_ = false;
  bool readOnly_ = false;
  char* storedRecord_ = nullptr;
};

}  // namespace morvane::testing
