// TDataSet: lifetime, opening and closing, fields, notifications and
// controls. Buffer handling and navigation are in dataset_buffers.cpp,
// editing in dataset_editing.cpp.
#include "platform/db/dataset.h"

#include <algorithm>
#include <cassert>
#include <iostream>

#include "platform/db/data_source.h"
#include "platform/db/db_consts.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/text.h"

namespace morvane {

namespace {

TExceptionHandler& ExceptionHandler() {
  static TExceptionHandler handler;
  return handler;
}

}  // namespace

void SetApplicationExceptionHandler(TExceptionHandler handler) {
  ExceptionHandler() = std::move(handler);
}

void ApplicationHandleException() {
  std::exception_ptr error = std::current_exception();
  if (!error) return;
  if (ExceptionHandler()) {
    ExceptionHandler()(error);
    return;
  }
  try {
    std::rethrow_exception(error);
  } catch (const EAbort&) {
    // A silent abort is not shown.
  } catch (const std::exception& shown) {
    std::cerr << shown.what() << '\n';
  } catch (...) {
    std::cerr << "Unknown error\n";
  }
}

TDataSet::TDataSet(TComponent* owner) : TComponent(owner), fields_(this), fieldDefs_(this) {}

TDataSet::~TDataSet() {
  Destroying();
  // Descendants close in their own destructor: record buffers belong to
  // them. What is left here must not reach the descendant any more.
  assert(!Active() && "a dataset descendant must Close() in its destructor");
  // Data sources first: their links go inactive while fields still exist.
  while (!dataSources_.empty()) RemoveDataSource(dataSources_.back());
  DestroyFields();
}

// --- Opening and closing --------------------------------------------------

void TDataSet::SetActive(bool value) {
  if (value == Active()) return;
  if (value) {
    DoBeforeOpen();
    OpenCursor();
    SetState(dsBrowse);
    DoAfterOpen();
    if (!IsEmpty()) DoAfterScroll();
  } else {
    if (!IsDestroying()) DoBeforeClose();
    // A pending edit is dropped, but the descendant still undoes what it
    // prepared for it (undo copies, change counters).
    if (state_ == dsEdit || state_ == dsInsert) {
      try {
        InternalCancel();
      } catch (...) {
        InternalHandleException();
      }
    }
    SetState(dsInactive);
    CloseCursor();
    if (!IsDestroying()) DoAfterClose();
  }
}

void TDataSet::OpenCursor() {
  defaultFields_ = fields_.Count() == 0;
  openComplete_ = false;
  try {
    InternalOpen();
    openComplete_ = true;
    bof_ = true;
    eof_ = true;
    UpdateBufferCount();
    // The window starts with the first records (InternalOpen left the
    // cursor before the first one).
    GetNextRecords();
    bof_ = true;
    eof_ = recordCount_ == 0;
  } catch (...) {
    openComplete_ = false;
    try {
      CloseCursor();
      // Fields made for this open must not pass for persistent ones next time.
      if (defaultFields_) DestroyFields();
    } catch (...) {
      // The open error is the one to report.
    }
    throw;
  }
}

void TDataSet::CloseCursor() {
  // A closed dataset holds no buffers: a data link attached or detached
  // while it is closed must not allocate a window that nothing frees.
  openComplete_ = false;
  FreeAllBuffers();
  calcBuffer_ = nullptr;
  if (IsCursorOpen()) InternalClose();
  RecordsReleased();
  bof_ = true;
  eof_ = true;
}

void TDataSet::CheckActive() const {
  if (state_ == dsInactive) DatabaseError(SDataSetClosed);
}

void TDataSet::CheckInactive() const {
  if (state_ != dsInactive) DatabaseError(SDataSetOpen);
}

void TDataSet::SetState(TDataSetState state) {
  if (state_ == state) return;
  state_ = state;
  modified_ = false;
  DataEvent(deUpdateState);
}

TDataSetState TDataSet::SetTempState(TDataSetState state) {
  TDataSetState previous = state_;
  state_ = state;
  ++tempStateDepth_;
  return previous;
}

void TDataSet::RestoreState(TDataSetState previous) {
  state_ = previous;
  if (tempStateDepth_ > 0) --tempStateDepth_;
}

Variant TDataSet::GetStateFieldValue(TDataSetState state, TField* field) {
  TDataSetState previous = SetTempState(state);
  try {
    Variant value = field->AsVariant();
    RestoreState(previous);
    return value;
  } catch (...) {
    RestoreState(previous);
    throw;
  }
}

void TDataSet::InternalHandleException() {
  ApplicationHandleException();
}

// --- Fields -----------------------------------------------------------------

void TDataSet::InitFieldDefs() {
  fieldDefs_.Update();
}

void TDataSet::CreateFields() {
  for (const auto& def : fieldDefs_) def->CreateField(this, this);
}

void TDataSet::BindFields(bool binding) {
  calcFieldsSize_ = 0;
  for (TField* field : fields_) {
    if (!binding) {
      field->fieldNo_ = 0;
      field->offset_ = 0;
      continue;
    }
    if (field->FieldKind() == fkCalculated || field->FieldKind() == fkLookup) {
      field->fieldNo_ = -1;
      field->offset_ = calcFieldsSize_;
      calcFieldsSize_ += field->DataSize() + 1;
      continue;
    }
    TFieldDef* def = fieldDefs_.FindDef(field->FieldName());
    if (def == nullptr) DatabaseErrorFmt(SFieldNotFound, {field->DisplayName()});
    bool sameType = def->DataType() == field->DataType() ||
                    (field->DataType() == ftString &&
                     (def->DataType() == ftFixedChar || def->DataType() == ftWideString));
    if (!sameType)
      DatabaseErrorFmt(SFieldTypeMismatch, {field->DisplayName(), FieldTypeName(field->DataType()),
                                            FieldTypeName(def->DataType())});
    field->fieldNo_ = def->FieldNo();
  }
}

void TDataSet::DestroyFields() {
  // Deleting a field removes it from fields_ (see ~TField).
  while (fields_.Count() > 0) {
    TField* field = fields_.fields_.back();
    delete field;
  }
}

std::vector<TField*> TDataSet::GetFieldList(std::string_view fieldNames) const {
  std::vector<TField*> list;
  for (const std::string& name : SplitFieldNames(fieldNames)) list.push_back(FieldByName(name));
  return list;
}

std::vector<std::string> TDataSet::GetFieldNames() const {
  std::vector<std::string> names;
  for (TField* field : fields_) names.push_back(field->FieldName());
  return names;
}

Variant TDataSet::GetFieldValue(std::string_view fieldNames) const {
  std::vector<TField*> list = GetFieldList(fieldNames);
  if (list.size() == 1) return list.front()->AsVariant();
  std::vector<Variant> values;
  values.reserve(list.size());
  for (TField* field : list) values.push_back(field->AsVariant());
  return Variant(std::move(values));
}

void TDataSet::SetFieldValue(std::string_view fieldName, const Variant& value) {
  FieldByName(fieldName)->SetAsVariant(value);
}

void TDataSet::RunCalcFields(TRecordBuffer buffer) {
  TDataSetState previous = state_;
  state_ = dsCalcFields;
  try {
    CalculateFields(buffer);
  } catch (...) {
    state_ = previous;
    throw;
  }
  state_ = previous;
}

void TDataSet::CalculateFields(TRecordBuffer buffer) {
  // The buffer stays the calculation buffer afterwards, so values computed
  // into it can be read in state dsCalcFields (Lookup does).
  calcBuffer_ = buffer;
  ClearCalcFields(buffer);
  for (TField* field : fields_)
    if (field->FieldKind() == fkLookup) field->CalcLookupValue();
  DoOnCalcFields();
}

bool TDataSet::AcceptFilterRecord() {
  if (!OnFilterRecord) return true;
  bool accept = true;
  OnFilterRecord(this, accept);
  return accept;
}

void TDataSet::SetFilteredValue(bool value) {
  if (value == filtered_) return;
  if (Active()) {
    CheckBrowseMode();
    UpdateCursorPos();
  }
  filtered_ = value;
}

bool TDataSet::GetFieldData(int fieldNo, void* buffer) {
  TField* field = FieldByNumber(fieldNo);
  return field != nullptr && GetFieldData(field, buffer);
}

std::unique_ptr<TStream> TDataSet::CreateBlobStream(TField* /*field*/, TBlobStreamMode /*mode*/) {
  return nullptr;
}

bool TDataSet::Locate(std::string_view /*keyFields*/, const Variant& /*keyValues*/,
                      TLocateOptions /*options*/) {
  return false;
}

Variant TDataSet::Lookup(std::string_view /*keyFields*/, const Variant& /*keyValues*/,
                         std::string_view /*resultFields*/) {
  return Variant::Null();
}

TUpdateStatus TDataSet::UpdateStatus() const {
  return state_ == dsInsert ? usInserted : usUnmodified;
}

void TDataSet::DatabaseError(const std::string& message) const {
  morvane::DatabaseError(message, this);
}

void TDataSet::DatabaseErrorFmt(const char* pattern,
                                std::initializer_list<std::string_view> args) const {
  morvane::DatabaseErrorFmt(pattern, args, this);
}

void TDataSet::CheckRequiredFields() {
  for (TField* field : fields_) {
    if (field->Required() && !field->ReadOnly() && field->FieldKind() == fkData &&
        field->IsNull()) {
      field->FocusControl();
      DatabaseErrorFmt(SFieldRequired, {field->DisplayName()});
    }
  }
}

// --- Data sources and notifications ------------------------------------------

void TDataSet::AddDataSource(TDataSource* dataSource) {
  dataSources_.push_back(dataSource);
  dataSource->dataSet_ = this;
  FreeNotification(dataSource);
  UpdateBufferCount();
  dataSource->DataEvent(deUpdateState, 0);
}

void TDataSet::RemoveDataSource(TDataSource* dataSource) {
  dataSource->dataSet_ = nullptr;
  RemoveFreeNotification(dataSource);
  dataSources_.erase(std::remove(dataSources_.begin(), dataSources_.end(), dataSource),
                     dataSources_.end());
  dataSource->DataEvent(deUpdateState, 0);
  if (!IsDestroying()) UpdateBufferCount();
}

void TDataSet::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  // A dying data source detaches itself; nothing is kept here for it.
}

bool TDataSet::IsLinkedTo(TDataSource* dataSource) const {
  // Bounded walk: a malformed chain must not hang the caller.
  for (int guard = 0; dataSource != nullptr && guard < 1000; ++guard) {
    TDataSet* dataSet = dataSource->DataSet();
    if (dataSet == nullptr) return false;
    if (dataSet == this) return true;
    dataSource = dataSet->DataSource();
  }
  return dataSource != nullptr;
}

void TDataSet::SendDataEvent(TDataEvent event, intptr_t info) {
  switch (event) {
    case deFieldChange: {
      // Values written while calculated fields are computed (or a temporary
      // state reads another buffer) are not edits of the record.
      if (state_ == dsCalcFields || state_ == dsInternalCalc || tempStateDepth_ > 0) return;
      auto* field = reinterpret_cast<TField*>(info);
      if (field != nullptr &&
          (field->FieldKind() == fkData || field->FieldKind() == fkInternalCalc)) {
        SetModified(true);
        if (autoCalcFields_ && state_ != dsSetKey && !buffers_.empty())
          GetCalcFields(ActiveBuffer());
      }
      if (field != nullptr) field->Change();
      break;
    }
    case dePropertyChange:
      fieldDefs_.SetUpdated(false);
      break;
    default:
      break;
  }
  if (tempStateDepth_ > 0 && event != deUpdateState) return;
  if (disableCount_ == 0 && state_ != dsBlockRead) {
    // Nothing to tell and nothing to copy.
    if (dataSources_.empty()) return;
    // Copy: a handler may attach or detach data sources.
    std::vector<TDataSource*> sources = dataSources_;
    for (TDataSource* source : sources)
      if (std::find(dataSources_.begin(), dataSources_.end(), source) != dataSources_.end())
        source->DataEvent(event, info);
    return;
  }
  // Held back: remember the strongest summary EnableControls must send. A
  // changed field list counts as a layout change, so that field links look
  // their field up again instead of keeping one that may have been deleted.
  if ((event == deUpdateState && state_ == dsInactive) || event == deLayoutChange ||
      event == deFieldListChange)
    enableEvent_ = deLayoutChange;
  else if (enableEvent_ != deLayoutChange)
    enableEvent_ = deDataSetChange;
}

void TDataSet::DisableControls() {
  if (disableCount_ == 0) {
    disableState_ = state_;
    enableEvent_ = deDataSetChange;
  }
  ++disableCount_;
}

void TDataSet::EnableControls() {
  if (disableCount_ == 0) return;
  if (--disableCount_ != 0) return;
  if (disableState_ != state_) DataEvent(deUpdateState);
  if (disableState_ != dsInactive && state_ != dsInactive) DataEvent(enableEvent_);
}

void TDataSet::UpdateBufferCount() {
  if (IsDestroying() || !openComplete_ || !IsCursorOpen()) return;
  int count = 1;
  for (TDataSource* source : dataSources_) count = std::max(count, source->MaxBufferCount());
  SetBufferCount(count);
}

}  // namespace morvane
