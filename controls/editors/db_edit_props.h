// The three setting groups of the data edit control (TzelDBEdit):
//
// - TzelComboProperties: ComboItems, the texts a combo list shows, and
//   ComboValues, the codes stored for them. HasValues holds when the two
//   lists have exactly as many lines; only then are codes stored.
// - TzelLookupProperties: the lookup list. LookupKeyField is the key of the
//   lookup dataset, ListFieldNames the ";"-separated fields shown side by
//   side, ViewFieldIndex the one among them whose text the control shows,
//   SourceKeyField the field of the control's own dataset that holds the key
//   (empty: the bound field itself), KindSearch the type-ahead kind.
// - TzelTreeProperties: the tree of a lookup dataset built from UniqueField,
//   LevelField and TextField; PathSeparator joins the captions of a path.
//
// Each object tells its owner (the control that made it; none for a free
// object used to copy settings from) that its list must be prepared again
// whenever a setting that shapes the list changes. Assign copies the
// settings that describe the list, not the owner's own choices (KindSearch,
// PathSeparator).
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "controls/editors/popup_data.h"
#include "platform/rtl/string_list.h"

namespace morvane {

class TzelDBEdit;
class TField;

class TzelComboProperties {
 public:
  explicit TzelComboProperties(TzelDBEdit* owner = nullptr) : owner_(owner) {}

  // Created on first use.
  const TStringList& ComboItems();
  const TStringList& ComboValues();
  void SetComboItems(const TStringList& items);
  void SetComboValues(const TStringList& values);
  // Names of a name=value list become the items, their values the codes.
  void AssignList(const TStringList& strings);
  bool HasValues() const;
  void Assign(const TzelComboProperties& other);

 private:
  void Changed();

  TzelDBEdit* owner_;
  std::unique_ptr<TStringList> items_;
  std::unique_ptr<TStringList> values_;
};

class TzelLookupProperties {
 public:
  explicit TzelLookupProperties(TzelDBEdit* owner = nullptr) : owner_(owner) {}

  int ViewFieldIndex() const { return viewFieldIndex_; }
  void SetViewFieldIndex(int index) { viewFieldIndex_ = index; }
  const std::string& LookupKeyField() const { return lookupKeyField_; }
  void SetLookupKeyField(const std::string& name);
  const std::string& ListFieldNames() const { return listFieldNames_; }
  void SetListFieldNames(const std::string& names);
  const std::string& SourceKeyField() const { return sourceKeyField_; }
  void SetSourceKeyField(const std::string& name);
  TzelKindSearch KindSearch() const { return kindSearch_; }
  void SetKindSearch(TzelKindSearch kind) { kindSearch_ = kind; }
  void Assign(const TzelLookupProperties& other);

  // Resolves the list fields in the owner's lookup dataset, opening it when
  // inactive; failures leave the list unresolved and raise nothing.
  void PrepareLookup();
  const std::vector<TField*>& ListFields() const { return listFields_; }
  // Name of the list field at ViewFieldIndex, resolved anew (EListError
  // outside the list).
  std::string GetViewField();
  void ForgetListFields() { listFields_.clear(); }

 private:
  void Changed();

  TzelDBEdit* owner_;
  int viewFieldIndex_ = 0;
  std::string lookupKeyField_;
  std::string listFieldNames_;
  std::vector<TField*> listFields_;
  std::string sourceKeyField_;
  TzelKindSearch kindSearch_ = zksFindFirst;
};

class TzelTreeProperties {
 public:
  explicit TzelTreeProperties(TzelDBEdit* owner = nullptr) : owner_(owner) {}

  const std::string& UniqueField() const { return uniqueField_; }
  void SetUniqueField(const std::string& name);
  const std::string& LevelField() const { return levelField_; }
  void SetLevelField(const std::string& name);
  const std::string& TextField() const { return textField_; }
  void SetTextField(const std::string& name);
  char PathSeparator() const { return pathSeparator_; }
  void SetPathSeparator(char separator) { pathSeparator_ = separator; }
  void Assign(const TzelTreeProperties& other);

  // Fills the owner's tree from its lookup dataset.
  void PrepareTree();

 private:
  void Changed();

  TzelDBEdit* owner_;
  std::string uniqueField_;
  std::string levelField_;
  char pathSeparator_ = '/';
  std::string textField_;
};

}  // namespace morvane
