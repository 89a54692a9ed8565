// TGridDataLink: the data grid's link to its dataset. It holds the field
// map (per grid column, the index of its field in the dataset's field list,
// or -1) and turns the dataset's notifications into calls on the grid. The
// grid owns it.
//
// Modified is the in-place editor's "text differs from the field and is not
// yet written" flag; UpdateData writes that text through the grid.
#pragma once

#include <string>
#include <vector>

#include "platform/db/data_link.h"

namespace morvane {

class TzelCustomDBGrid;

class TGridDataLink : public TDataLink {
 public:
  explicit TGridDataLink(TzelCustomDBGrid* grid) : grid_(grid) {}
  ~TGridDataLink() override;

  TzelCustomDBGrid* Grid() const { return grid_; }

  // Appends one map entry: a sparse map looks the field up with FindField
  // (missing gives -1), a dense one with FieldByName (missing raises).
  void AddMapping(const std::string& fieldName);
  void ClearMapping() { fieldMap_.clear(); }
  int GetMappedIndex(int index) const;
  // The field of map entry index; null outside the map or for -1.
  TField* Fields(int index) const;
  int FieldCount() const { return int(fieldMap_.size()); }
  bool SparseMap() const { return sparseMap_; }
  void SetSparseMap(bool value) { sparseMap_ = value; }
  // True without a dataset; else the dataset's default-fields flag, and
  // False for a sparse map with a missing field.
  bool DefaultFields() const;

  bool IsModified() const { return modified_; }
  void Modified() { modified_ = true; }
  // Drops the editor's pending text (showing the field again) or, without
  // one, cancels the dataset's edit.
  void Reset();
  bool InUpdateData() const { return inUpdateData_; }

 protected:
  void ActiveChanged() override;
  void DataSetChanged() override;
  void DataSetScrolled(int distance) override;
  void FocusControl(TField** field) override;
  void EditingChanged() override;
  void LayoutChanged() override;
  void RecordChanged(TField* field) override;
  void UpdateData() override;

 private:
  bool GridAlive() const;

  TzelCustomDBGrid* grid_;
  std::vector<int> fieldMap_;
  bool modified_ = false;
  bool inUpdateData_ = false;
  bool sparseMap_ = false;
};

}  // namespace morvane
