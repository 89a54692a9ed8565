#include "platform/db/field.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/db/dataset.h"
#include "platform/db/db_consts.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/format.h"
#include "platform/rtl/text.h"

namespace morvane {

TField::TField(TComponent* owner) : TComponent(owner) {}

TField::~TField() {
  Destroying();
  if (lookupDataSet_ != nullptr) lookupDataSet_->RemoveFreeNotification(this);
  if (dataSet_ == nullptr) return;
  try {
    dataSet_->fields_.Remove(this);
  } catch (...) {
    // The field is out of the list; a control failing to follow the change
    // must not end the program from a destructor.
    ApplicationHandleException();
  }
}

void TField::SetDataSet(TDataSet* dataSet) {
  if (dataSet == dataSet_) return;
  if (dataSet_ != nullptr) dataSet_->CheckInactive();
  if (dataSet != nullptr) {
    dataSet->CheckInactive();
    if (!fieldName_.empty() && dataSet->FindField(fieldName_) != nullptr)
      DatabaseErrorFmt(SDuplicateFieldName, {fieldName_}, dataSet);
  }
  if (dataSet_ != nullptr) dataSet_->fields_.Remove(this);
  dataSet_ = nullptr;
  if (dataSet != nullptr) {
    dataSet->fields_.Add(this);
    dataSet_ = dataSet;
  }
}

void TField::SetFieldName(const std::string& name) {
  if (name == fieldName_) return;
  if (dataSet_ != nullptr) {
    TField* other = dataSet_->FindField(name);
    if (other != nullptr && other != this) DatabaseErrorFmt(SDuplicateFieldName, {name}, dataSet_);
  }
  fieldName_ = name;
}

void TField::SetFieldKind(TFieldKind kind) {
  if (kind == fieldKind_) return;
  CheckInactive();
  fieldKind_ = kind;
}

void TField::SetSize(int size) {
  CheckInactive();
  if (size < 0) DatabaseError(SInvalidFieldSize, dataSet_);
  size_ = size;
}

int TField::Index() const {
  return dataSet_ != nullptr ? dataSet_->fields_.IndexOf(this) : -1;
}

void TField::SetIndex(int index) {
  if (dataSet_ == nullptr) return;
  int count = dataSet_->fields_.Count();
  index = std::clamp(index, 0, count - 1);
  int current = Index();
  if (current == index) return;
  dataSet_->fields_.Move(current, index);
  if (dataSet_->Active()) dataSet_->DataEvent(deLayoutChange);
}

void TField::SetAlignment(TAlignment value) {
  if (value == alignment_) return;
  alignment_ = value;
  if (dataSet_ != nullptr && dataSet_->Active()) dataSet_->DataEvent(deLayoutChange);
}

void TField::SetDisplayLabel(const std::string& value) {
  displayLabel_ = value == fieldName_ ? std::string() : value;
  if (dataSet_ != nullptr && dataSet_->Active()) dataSet_->DataEvent(deLayoutChange);
}

const std::string& TField::DisplayName() const {
  return displayLabel_.empty() ? fieldName_ : displayLabel_;
}

int TField::DisplayWidth() const {
  return displayWidth_ > 0 ? displayWidth_ : DefaultDisplayWidth();
}

void TField::SetDisplayWidth(int value) {
  displayWidth_ = value;
  if (dataSet_ != nullptr && dataSet_->Active()) dataSet_->DataEvent(deLayoutChange);
}

void TField::SetVisible(bool value) {
  if (value == visible_) return;
  visible_ = value;
  if (dataSet_ != nullptr && dataSet_->Active()) dataSet_->DataEvent(deLayoutChange);
}

void TField::SetReadOnly(bool value) {
  if (value == readOnly_) return;
  readOnly_ = value;
  if (dataSet_ != nullptr && dataSet_->Active()) dataSet_->DataEvent(deLayoutChange);
}

void TField::SetLookupDataSet(TDataSet* dataSet) {
  if (dataSet == lookupDataSet_) return;
  CheckInactive();
  if (lookupDataSet_ != nullptr) lookupDataSet_->RemoveFreeNotification(this);
  lookupDataSet_ = dataSet;
  if (lookupDataSet_ != nullptr) lookupDataSet_->FreeNotification(this);
}

void TField::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation == opRemove && component == lookupDataSet_) lookupDataSet_ = nullptr;
}

void TField::CalcLookupValue() {
  if (lookupDataSet_ == nullptr || !lookupDataSet_->Active() || dataSet_ == nullptr) return;
  if (keyFields_.empty() || lookupKeyFields_.empty() || lookupResultField_.empty()) return;
  Variant keyValues = dataSet_->GetFieldValue(keyFields_);
  Variant found = lookupDataSet_->Lookup(lookupKeyFields_, keyValues, lookupResultField_);
  SetAsVariant(found);
}

// --- Values -------------------------------------------------------------

bool TField::GetData(void* buffer) const {
  if (dataSet_ == nullptr) DatabaseErrorFmt(SDataSetMissing, {DisplayName()}, nullptr);
  if (validating_) {
    if (validateBuffer_ == nullptr) return false;
    if (buffer != nullptr) std::memcpy(buffer, validateBuffer_, size_t(DataSize()));
    return true;
  }
  if (!dataSet_->Active()) return false;
  return dataSet_->GetFieldData(const_cast<TField*>(this), buffer);
}

void TField::SetData(const void* buffer) {
  if (dataSet_ == nullptr) DatabaseErrorFmt(SDataSetMissing, {DisplayName()}, nullptr);
  dataSet_->SetFieldData(this, buffer);
}

void TField::Validate(const void* buffer) {
  if (!OnValidate) return;
  // Reading the field inside the handler yields the value being written.
  bool wasValidating = validating_;
  const void* previous = validateBuffer_;
  validating_ = true;
  validateBuffer_ = buffer;
  try {
    OnValidate(this);
  } catch (...) {
    validating_ = wasValidating;
    validateBuffer_ = previous;
    throw;
  }
  validating_ = wasValidating;
  validateBuffer_ = previous;
}

void TField::Change() {
  if (OnChange) OnChange(this);
}

bool TField::IsNull() const {
  if (DataSize() == 0) return !GetData(nullptr);
  std::vector<char> scratch(static_cast<size_t>(DataSize()));
  return !GetData(scratch.data());
}

void TField::SetAsVariant(const Variant& value) {
  if (value.IsClear())
    Clear();
  else
    SetVariantValue(value);
}

Variant TField::OldValue() const {
  return dataSet_ != nullptr ? dataSet_->GetStateFieldValue(dsOldValue, const_cast<TField*>(this))
                             : Variant::Null();
}

Variant TField::NewValue() const {
  return dataSet_ != nullptr ? dataSet_->GetStateFieldValue(dsNewValue, const_cast<TField*>(this))
                             : Variant::Null();
}

Variant TField::CurValue() const {
  return dataSet_ != nullptr ? dataSet_->GetStateFieldValue(dsCurValue, const_cast<TField*>(this))
                             : Variant::Null();
}

std::string TField::Text() const {
  std::string text;
  if (OnGetText)
    OnGetText(const_cast<TField*>(this), text, false);
  else
    GetText(text, false);
  return text;
}

void TField::SetText(const std::string& value) {
  if (OnSetText)
    OnSetText(this, value);
  else
    SetTextValue(value);
}

std::string TField::DisplayText() const {
  std::string text;
  if (OnGetText)
    OnGetText(const_cast<TField*>(this), text, true);
  else
    GetText(text, true);
  return text;
}

void TField::GetText(std::string& text, bool /*displayText*/) const {
  text = GetAsString();
}

bool TField::IsValidChar(char32_t ch) const {
  return ch >= 32;
}

bool TField::CanModify() const {
  if (readOnly_ || dataSet_ == nullptr) return false;
  // Calculated and lookup values come from elsewhere; a key search may
  // write any data field.
  if (fieldNo_ <= 0 && fieldKind_ != fkData) return false;
  if (dataSet_->State() == dsSetKey) return true;
  return dataSet_->CanModify();
}

void TField::FocusControl() {
  if (dataSet_ == nullptr || !dataSet_->Active()) return;
  TField* field = this;
  dataSet_->DataEvent(deFocusControl, reinterpret_cast<intptr_t>(&field));
}

void TField::AccessError(const char* typeName) const {
  DatabaseErrorFmt(SFieldAccessError, {DisplayName(), typeName}, dataSet_);
}

void TField::RangeError(const std::string& value, const std::string& min,
                        const std::string& max) const {
  DatabaseErrorFmt(SFieldRangeError, {value, DisplayName(), min, max}, dataSet_);
}

void TField::CheckInactive() const {
  if (dataSet_ != nullptr) dataSet_->CheckInactive();
}

Variant TField::GetAsVariant() const {
  AccessError("Variant");
}
void TField::SetVariantValue(const Variant&) {
  AccessError("Variant");
}
std::string TField::GetAsString() const {
  AccessError("String");
}
void TField::SetAsStringValue(const std::string&) {
  AccessError("String");
}
int32_t TField::GetAsInteger() const {
  AccessError("Integer");
}
void TField::SetAsIntegerValue(int32_t) {
  AccessError("Integer");
}
double TField::GetAsFloat() const {
  AccessError("Float");
}
void TField::SetAsFloatValue(double) {
  AccessError("Float");
}
bool TField::GetAsBoolean() const {
  AccessError("Boolean");
}
void TField::SetAsBooleanValue(bool) {
  AccessError("Boolean");
}
TDateTime TField::GetAsDateTime() const {
  AccessError("DateTime");
}
void TField::SetAsDateTimeValue(TDateTime) {
  AccessError("DateTime");
}

// --- TFields --------------------------------------------------------------

TField* TFields::Fields(int index) const {
  if (index < 0 || index >= Count())
    throw EListError("List index out of bounds (" + IntToStr(index) + ")");
  return fields_[size_t(index)];
}

int TFields::IndexOf(const TField* field) const {
  auto found = std::find(fields_.begin(), fields_.end(), field);
  return found == fields_.end() ? -1 : int(found - fields_.begin());
}

TField* TFields::FindField(std::string_view name) const {
  for (TField* field : fields_)
    if (AnsiSameText(field->FieldName(), name)) return field;
  return nullptr;
}

TField* TFields::FieldByName(std::string_view name) const {
  TField* field = FindField(name);
  if (field == nullptr) DatabaseErrorFmt(SFieldNotFound, {name}, dataSet_);
  return field;
}

TField* TFields::FieldByNumber(int fieldNo) const {
  for (TField* field : fields_)
    if (field->FieldNo() == fieldNo) return field;
  return nullptr;
}

void TFields::Add(TField* field) {
  fields_.push_back(field);
  if (dataSet_ != nullptr && !dataSet_->IsDestroying()) dataSet_->DataEvent(deFieldListChange);
}

void TFields::Remove(TField* field) {
  auto found = std::find(fields_.begin(), fields_.end(), field);
  if (found == fields_.end()) return;
  fields_.erase(found);
  if (dataSet_ != nullptr && !dataSet_->IsDestroying()) dataSet_->DataEvent(deFieldListChange);
}

void TFields::Move(int from, int to) {
  TField* field = fields_[size_t(from)];
  fields_.erase(fields_.begin() + from);
  fields_.insert(fields_.begin() + to, field);
}

}  // namespace morvane
