// TDataLink and its two standard descendants: the observer side of a data
// source. A control owns a link, points it at a data source and overrides
// the notification hooks it cares about.
//
// Window: a link sees BufferCount() consecutive record buffers of the
// dataset's window starting at its own first record; ActiveRecord() is the
// current record's index inside that view (what a grid row shows).
// DataSetScrolled(distance) reports how many records the link's view moved.
// Temporarily setting ActiveRecord (to read the values of another row)
// must be undone before returning to the event loop.
//
// A link is not a component: its owner keeps it; destroying it detaches it.
#pragma once

#include <functional>
#include <string>

#include "platform/db/db_types.h"

namespace morvane {

class TDataSet;
class TDataSource;
class TField;

class TDataLink {
 public:
  TDataLink() = default;
  virtual ~TDataLink();
  TDataLink(const TDataLink&) = delete;
  TDataLink& operator=(const TDataLink&) = delete;

  TDataSource* DataSource() const { return dataSource_; }
  void SetDataSource(TDataSource* dataSource);
  // When fixed, changing the data source raises "DataSource cannot be changed".
  bool DataSourceFixed() const { return dataSourceFixed_; }
  void SetDataSourceFixed(bool value) { dataSourceFixed_ = value; }
  // The data source's dataset (null without one).
  TDataSet* DataSet() const;

  bool Active() const { return active_; }
  // Whether the dataset is in an edit mode and the link is not read-only.
  virtual bool Editing() const { return editing_; }
  bool ReadOnly() const { return readOnly_; }
  void SetReadOnly(bool value);
  int ActiveRecord() const;
  void SetActiveRecord(int value);
  int BufferCount() const { return bufferCount_; }
  void SetBufferCount(int value);
  // Records visible to the link (at most BufferCount).
  int RecordCount() const;
  bool Bof() const;
  bool Eof() const;

  // Puts the dataset into edit state when the data source allows it;
  // returns whether the link is editing now.
  virtual bool Edit();
  // Asks the owner to write pending edits (UpdateData) once.
  void UpdateRecord();
  int MoveBy(int distance);

 protected:
  friend class TDataSource;
  friend class TDataSet;

  // Notification hooks. The base versions do nothing, except that a scroll
  // or a layout change counts as a data set change, and a data set change as
  // a change of the whole record (RecordChanged(nullptr)).
  virtual void ActiveChanged() {}
  virtual void CheckBrowseMode() {}
  virtual void DataSetChanged() { RecordChanged(nullptr); }
  virtual void DataSetScrolled(int /*distance*/) { DataSetChanged(); }
  // field: the link may take the focus for it and then sets *field to null.
  virtual void FocusControl(TField** /*field*/) {}
  virtual void EditingChanged() {}
  virtual void LayoutChanged() { DataSetChanged(); }
  virtual void RecordChanged(TField* /*field*/) {}
  virtual void UpdateData() {}

  void DataEvent(TDataEvent event, intptr_t info);

 private:
  void UpdateState();
  void SetActive(bool value);
  void SetEditing(bool value);
  // Keeps the link's view inside the dataset's window and around its
  // active record.
  void UpdateRange();

  TDataSource* dataSource_ = nullptr;
  bool dataSourceFixed_ = false;
  bool active_ = false;
  bool editing_ = false;
  bool readOnly_ = false;
  bool updating_ = false;
  int bufferCount_ = 1;
  int firstRecord_ = 0;
};

// A link through which a detail dataset follows its master.
class TDetailDataLink : public TDataLink {
 public:
  virtual TDataSet* GetDetailDataSet() const { return nullptr; }
  TDataSet* DetailDataSet() const { return GetDetailDataSet(); }
};

// A link to one field of the dataset, for single-field controls.
class TFieldDataLink : public TDataLink {
 public:
  using TCallback = std::function<void()>;

  const std::string& FieldName() const { return fieldName_; }
  // Looks the field up again (FieldByName) when the link is active.
  void SetFieldName(const std::string& name);
  TField* Field() const { return field_; }
  // Editing is set only while the field itself may be changed.
  bool CanModify() const;
  // The control's text differs from the field and is not yet written.
  bool Modified() const { return modified_; }
  void SetModified() { modified_ = true; }
  bool Editing() const override { return fieldEditing_; }
  // Edits only when the field may be changed.
  bool Edit() override;
  // Shows the field's value again, dropping the control's pending text.
  void Reset() { RecordChanged(nullptr); }

  TCallback OnDataChange;
  TCallback OnEditingChange;
  TCallback OnUpdateData;
  TCallback OnActiveChange;
  // Asked to take the focus for the field; returns whether it did.
  std::function<bool()> OnFocusControl;

 protected:
  void ActiveChanged() override;
  void EditingChanged() override;
  void FocusControl(TField** field) override;
  void LayoutChanged() override;
  void RecordChanged(TField* field) override;
  void UpdateData() override;

 private:
  // mustExist: a missing field raises "Field '%s' not found"; otherwise the
  // link is left without a field (the field list changed under it).
  void UpdateField(bool mustExist = true);
  void SetField(TField* field);
  void SetFieldEditing(bool value);

  std::string fieldName_;
  TField* field_ = nullptr;
  bool fieldEditing_ = false;
  bool modified_ = false;
};

}  // namespace morvane
