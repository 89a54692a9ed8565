#include "controls/editors/db_edit_props.h"

#include "controls/editors/db_edit.h"
#include "controls/editors/popup_tree.h"
#include "platform/db/dataset.h"
#include "platform/db/field.h"
#include "platform/rtl/exceptions.h"

namespace morvane {

// --- Combo ------------------------------------------------------------------------

const TStringList& TzelComboProperties::ComboItems() {
  if (!items_) items_ = std::make_unique<TStringList>();
  return *items_;
}

const TStringList& TzelComboProperties::ComboValues() {
  if (!values_) values_ = std::make_unique<TStringList>();
  return *values_;
}

void TzelComboProperties::SetComboItems(const TStringList& items) {
  items_ = std::make_unique<TStringList>(items);
  Changed();
}

void TzelComboProperties::SetComboValues(const TStringList& values) {
  values_ = std::make_unique<TStringList>(values);
  Changed();
}

void TzelComboProperties::AssignList(const TStringList& strings) {
  items_ = std::make_unique<TStringList>();
  values_ = std::make_unique<TStringList>();
  for (int index = 0; index < strings.Count(); ++index) {
    const std::string name = strings.Names(index);
    items_->Add(name);
    values_->Add(strings.Values(name));
  }
  Changed();
}

bool TzelComboProperties::HasValues() const {
  const int items = items_ ? items_->Count() : 0;
  return values_ != nullptr && values_->Count() == items;
}

void TzelComboProperties::Assign(const TzelComboProperties& other) {
  items_ = std::make_unique<TStringList>(other.items_ ? *other.items_ : TStringList());
  values_ = other.values_ ? std::make_unique<TStringList>(*other.values_) : nullptr;
  Changed();
}

void TzelComboProperties::Changed() {
  if (owner_ != nullptr) owner_->MarkListUnprepared();
}

// --- Lookup -----------------------------------------------------------------------

void TzelLookupProperties::SetLookupKeyField(const std::string& name) {
  lookupKeyField_ = name;
  Changed();
}

void TzelLookupProperties::SetListFieldNames(const std::string& names) {
  listFieldNames_ = names;
  listFields_.clear();
  Changed();
}

void TzelLookupProperties::SetSourceKeyField(const std::string& name) {
  sourceKeyField_ = name;
  Changed();
}

void TzelLookupProperties::Assign(const TzelLookupProperties& other) {
  viewFieldIndex_ = other.viewFieldIndex_;
  sourceKeyField_ = other.sourceKeyField_;
  lookupKeyField_ = other.lookupKeyField_;
  listFieldNames_ = other.listFieldNames_;
  listFields_.clear();
  Changed();
}

void TzelLookupProperties::PrepareLookup() {
  if (listFieldNames_.empty() || owner_ == nullptr) return;
  TDataSet* dataSet = owner_->LookupDataSet();
  if (dataSet == nullptr) return;
  try {
    if (!dataSet->Active()) dataSet->Open();
    listFields_ = dataSet->GetFieldList(listFieldNames_);
  } catch (const std::exception&) {
    listFields_.clear();  // an unopenable dataset or an unknown field: no list
  }
}

std::string TzelLookupProperties::GetViewField() {
  // Resolved afresh each time: a lookup dataset that was closed and opened
  // again has new field objects.
  PrepareLookup();
  if (viewFieldIndex_ < 0 || viewFieldIndex_ >= int(listFields_.size())) {
    throw EListError("List index out of bounds (" + std::to_string(viewFieldIndex_) + ")");
  }
  return listFields_[size_t(viewFieldIndex_)]->FieldName();
}

void TzelLookupProperties::Changed() {
  if (owner_ != nullptr) owner_->MarkListUnprepared();
}

// --- Tree -------------------------------------------------------------------------

void TzelTreeProperties::SetUniqueField(const std::string& name) {
  uniqueField_ = name;
  Changed();
}

void TzelTreeProperties::SetLevelField(const std::string& name) {
  levelField_ = name;
  Changed();
}

void TzelTreeProperties::SetTextField(const std::string& name) {
  textField_ = name;
  Changed();
}

void TzelTreeProperties::Assign(const TzelTreeProperties& other) {
  uniqueField_ = other.uniqueField_;
  textField_ = other.textField_;
  levelField_ = other.levelField_;
  Changed();
}

void TzelTreeProperties::PrepareTree() {
  if (owner_ == nullptr || owner_->Tree() == nullptr) return;
  owner_->Tree()->PrepareTree(owner_->LookupDataSet(), uniqueField_, levelField_, textField_);
}

void TzelTreeProperties::Changed() {
  if (owner_ != nullptr) owner_->MarkListUnprepared();
}

}  // namespace morvane
