// TFieldDefs / TFieldDef: the description of the columns a dataset can
// deliver (name, type, size, required), from which default fields are made
// and to which fields are bound by name.
//
// The list belongs to its dataset. Updated() tells whether the list reflects
// the dataset's current source; Update() asks the dataset to fill it
// (InternalInitFieldDefs) when it does not. Changes between BeginUpdate and
// EndUpdate are reported to the dataset (DefChanged) once, at the end.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/db/db_types.h"

namespace morvane {

class TComponent;
class TDataSet;
class TField;

class TFieldDef {
 public:
  TFieldDef(std::string name, TFieldType dataType, int size, bool required, int fieldNo)
      : name_(std::move(name)),
        dataType_(dataType),
        size_(size),
        required_(required),
        fieldNo_(fieldNo) {}

  const std::string& Name() const { return name_; }
  void SetName(const std::string& name) { name_ = name; }
  TFieldType DataType() const { return dataType_; }
  void SetDataType(TFieldType type) { dataType_ = type; }
  int Size() const { return size_; }
  void SetSize(int size) { size_ = size; }
  bool Required() const { return required_; }
  void SetRequired(bool value) { required_ = value; }
  bool ReadOnly() const { return readOnly_; }
  void SetReadOnly(bool value) { readOnly_ = value; }
  int Precision() const { return precision_; }
  void SetPrecision(int value) { precision_ = value; }
  // 1-based position in the list: the FieldNo of the field bound to it.
  int FieldNo() const { return fieldNo_; }

  // A field of the class for DataType, named and sized after the definition,
  // owned by owner and placed in dataSet's field list.
  TField* CreateField(TComponent* owner, TDataSet* dataSet) const;

 private:
  friend class TFieldDefs;
  std::string name_;
  TFieldType dataType_;
  int size_;
  bool required_;
  bool readOnly_ = false;
  int precision_ = 0;
  int fieldNo_;
};

class TFieldDefs {
 public:
  explicit TFieldDefs(TDataSet* dataSet) : dataSet_(dataSet) {}

  int Count() const { return int(defs_.size()); }
  TFieldDef* Items(int index) const;  // EListError outside 0..Count-1
  TFieldDef* operator[](int index) const { return Items(index); }
  TFieldDef* Add(const std::string& name, TFieldType dataType, int size = 0, bool required = false);
  void Clear();
  // -1 when absent; names compare without regard to case.
  int IndexOf(std::string_view name) const;
  TFieldDef* FindDef(std::string_view name) const;  // null when absent
  TFieldDef* Find(std::string_view name) const;     // "Field '%s' not found"

  bool Updated() const { return updated_; }
  void SetUpdated(bool value) { updated_ = value; }
  // Fills the list from the dataset when it is not up to date.
  void Update();

  void BeginUpdate() { ++updateCount_; }
  void EndUpdate();

  auto begin() const { return defs_.begin(); }
  auto end() const { return defs_.end(); }

 private:
  void Changed();

  TDataSet* dataSet_;
  std::vector<std::unique_ptr<TFieldDef>> defs_;
  bool updated_ = false;
  int updateCount_ = 0;
  bool changedInUpdate_ = false;
};

}  // namespace morvane
