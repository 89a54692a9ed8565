#include "platform/db/field_defs.h"

#include "platform/db/dataset.h"
#include "platform/db/db_consts.h"
#include "platform/db/fields.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/format.h"
#include "platform/rtl/text.h"

namespace morvane {

TField* TFieldDef::CreateField(TComponent* owner, TDataSet* dataSet) const {
  TField* field = CreateFieldOfType(dataType_, owner);
  if (field == nullptr) DatabaseErrorFmt(SUnknownFieldType, {name_}, dataSet);
  try {
    field->SetDataType(dataType_);
    field->SetFieldName(name_);
    field->SetSize(size_);
    field->SetRequired(required_);
    if (readOnly_) field->SetReadOnly(true);
    field->SetDataSet(dataSet);
  } catch (...) {
    delete field;
    throw;
  }
  return field;
}

TFieldDef* TFieldDefs::Items(int index) const {
  if (index < 0 || index >= Count())
    throw EListError("List index out of bounds (" + IntToStr(index) + ")");
  return defs_[size_t(index)].get();
}

TFieldDef* TFieldDefs::Add(const std::string& name, TFieldType dataType, int size, bool required) {
  if (name.empty()) DatabaseError("Field name missing", dataSet_);
  if (IndexOf(name) >= 0) DatabaseErrorFmt(SDuplicateFieldName, {name}, dataSet_);
  defs_.push_back(std::make_unique<TFieldDef>(name, dataType, size, required, Count() + 1));
  Changed();
  return defs_.back().get();
}

void TFieldDefs::Clear() {
  if (defs_.empty()) return;
  defs_.clear();
  Changed();
}

int TFieldDefs::IndexOf(std::string_view name) const {
  for (size_t i = 0; i < defs_.size(); ++i)
    if (AnsiSameText(defs_[i]->name_, name)) return int(i);
  return -1;
}

TFieldDef* TFieldDefs::FindDef(std::string_view name) const {
  int index = IndexOf(name);
  return index < 0 ? nullptr : defs_[size_t(index)].get();
}

TFieldDef* TFieldDefs::Find(std::string_view name) const {
  TFieldDef* def = FindDef(name);
  if (def == nullptr) DatabaseErrorFmt(SFieldNotFound, {name}, dataSet_);
  return def;
}

void TFieldDefs::Update() {
  if (updated_ || dataSet_ == nullptr) return;
  dataSet_->InternalInitFieldDefs();
  updated_ = true;
}

void TFieldDefs::EndUpdate() {
  if (updateCount_ == 0) return;
  if (--updateCount_ == 0 && changedInUpdate_) {
    changedInUpdate_ = false;
    if (dataSet_ != nullptr) dataSet_->DefChanged(this);
  }
}

void TFieldDefs::Changed() {
  if (updateCount_ > 0) {
    changedInUpdate_ = true;
    return;
  }
  if (dataSet_ != nullptr) dataSet_->DefChanged(this);
}

}  // namespace morvane

namespace morvane {

TField* CreateFieldOfType(TFieldType type, TComponent* owner) {
  switch (type) {
    case ftString:
    case ftFixedChar:
    case ftWideString:
      return new TStringField(owner);
    case ftSmallint:
      return new TSmallintField(owner);
    case ftInteger:
      return new TIntegerField(owner);
    case ftWord:
      return new TWordField(owner);
    case ftAutoInc:
      return new TAutoIncField(owner);
    case ftBoolean:
      return new TBooleanField(owner);
    case ftFloat:
      return new TFloatField(owner);
    case ftCurrency:
      return new TCurrencyField(owner);
    case ftDate:
      return new TDateField(owner);
    case ftTime:
      return new TTimeField(owner);
    case ftDateTime:
      return new TDateTimeField(owner);
    case ftBlob:
    case ftTypedBinary:
      return new TBlobField(owner);
    case ftMemo:
      return new TMemoField(owner);
    case ftFmtMemo:
      return new TFmtMemoField(owner);
    case ftGraphic:
      return new TGraphicField(owner);
    default:
      return nullptr;
  }
}

}  // namespace morvane
