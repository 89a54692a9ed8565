#include "server/table.h"

#include <cstdint>
#include <filesystem>
#include <system_error>
#include <utility>
#include <vector>

#include "engine/field_layout.h"
#include "engine/zelconst.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/streams.h"
#include "server/database.h"
#include "server/layout_string.h"
#include "server/query_request.h"

namespace morvane {

using namespace zelconst;

namespace {

void WriteInt32(TStream& stream, int32_t value) {
  stream.WriteBuffer(&value, sizeof value);
}

// Parameter types whose values are texts and so travel as quoted literals.
bool IsTextParam(TFieldType type) {
  return type == ftString || type == ftFixedChar || type == ftWideString || type == ftMemo ||
         type == ftFmtMemo;
}

TSqlParamValue SqlValueOf(const TParam& param) {
  const TFieldType type = param.DataType();
  const std::string& name = param.Name();
  if (IsTextParam(type)) return {TSqlParamKind::String, param.AsString(), name};
  switch (type) {
    case ftDate:
      return {TSqlParamKind::Date, Variant::FromDateTime(param.AsDateTime()), name};
    case ftDateTime:
      return {TSqlParamKind::DateTime, Variant::FromDateTime(param.AsDateTime()), name};
    case ftTime:
      return {TSqlParamKind::Time, Variant::FromDateTime(param.AsDateTime()), name};
    case ftBoolean:
      return {TSqlParamKind::Boolean, param.AsBoolean(), name};
    case ftFloat:
      return {TSqlParamKind::Float, param.AsFloat(), name};
    case ftCurrency:
      return {TSqlParamKind::Currency, param.AsFloat(), name};
    default:
      // Written without quotes: the value as it is, for the number check.
      return {TSqlParamKind::Other, param.Value(), name};
  }
}

}  // namespace

TzelTable::TzelTable(TComponent* owner) : TzelDataset(owner) {}

TzelTable::~TzelTable() {
  // The framework's rule: a descendant closes itself, so that its own
  // InternalClose (leaving the clone source) runs. Clones go first: a source
  // with open clones cannot close.
  try {
    const std::vector<TzelTable*> clones = tableClones_;
    for (TzelTable* clone : clones) clone->Close();
    Close();
  } catch (...) {
    InternalHandleException();
  }
  if (cloneDS_) cloneDS_->RemoveFreeNotification(this);
}

void TzelTable::SetLoadMode(TzelLoadMode mode) {
  if (mode == loadMode_) return;
  if (Active()) Close();
  loadMode_ = mode;
}

void TzelTable::SetFileName(const std::string& fileName) {
  fileName_ = fileName;
  SetLoadMode(fileName.empty() ? lmClear : lmFile);
}

void TzelTable::SetCloneDS(TzelDataset* dataSet) {
  // A clone registered with one source must leave it before it follows
  // another, or the first source would count a clone that is gone.
  if (dataSet != cloneDS_ && Active()) Close();
  if (cloneDS_ && cloneDS_ != dataSet) cloneDS_->RemoveFreeNotification(this);
  cloneDS_ = dataSet;
  if (cloneDS_) cloneDS_->FreeNotification(this);
  SetLoadMode(cloneDS_ ? lmClone : lmClear);
}

void TzelTable::SetSQL(const TStringList& sql) {
  sql_ = sql;
  QueryChanged();
}

void TzelTable::SetSQLText(std::string_view text) {
  sql_.SetText(text);
  QueryChanged();
}

void TzelTable::QueryChanged() {
  const std::string text = sql_.Text();
  if (IsReading()) {
    // Stored parameters are read with the other properties: only the
    // markers are replaced here.
    preparedSQL_ = params_.ParseSQL(text, false);
  } else {
    TParams parsed(this);
    preparedSQL_ = parsed.ParseSQL(text, true);
    parsed.AssignValues(params_);
    params_.Assign(parsed);
    DataEvent(dePropertyChange);
  }
  if (preparedSQL_.empty()) return;
  // An open table in lmServer would go on showing the records of the old
  // text; a new text always leaves the table closed.
  if (loadMode_ == lmServer && Active() && !IsReading()) Close();
  SetLoadMode(lmServer);
}

void TzelTable::LoadFromCursor(TzelDataset* dataSet) {
  if (Active()) Close();
  SetLoadMode(lmClone);
  SetCloneDS(dataSet);
  Open();
}

void TzelTable::LoadFromFile(const std::string& fileName) {
  if (Active()) Close();
  SetFileName(fileName);
  Open();
}

std::string TzelTable::PrepareLayoutStr(const TFieldDefs& fieldDefs) const {
  return morvane::PrepareLayoutStr(fieldDefs, Origin());
}

void TzelTable::CommitUpdates() {
  TzelDataset::CommitUpdates();
  if (loadMode_ == lmClone && cloneDS_ && cloneDS_->Active()) cloneDS_->SortRecords(false);
}

void TzelTable::Notification(TComponent* component, TOperation operation) {
  TzelDataset::Notification(component, operation);
  if (operation != opRemove || component != cloneDS_) return;
  // The source is being destroyed: only its component base is left, and its
  // cursor is gone with the rest. Leave it without calling it, then close.
  if (registeredAsClone_) {
    registeredAsClone_ = false;
    view_.Clear();
    position_ = -1;
    ShareCursor(nullptr);
  }
  if (Active()) Close();
  cloneDS_ = nullptr;
  SetLoadMode(lmClear);
}

void TzelTable::InternalLoadData() {
  switch (loadMode_) {
    case lmClear:
      InternalLoadByClearMode();
      break;
    case lmFile:
      InternalLoadFromFile();
      break;
    case lmClone:
      InternalLoadFromCursor();
      break;
    case lmServer:
      InternalLoadFromServer();
      break;
  }
}

void TzelTable::InternalLoadByClearMode() {
  if (FieldDefs().Count() == 0) DatabaseError(_Z_OPENEMPTY);
  const std::string layout = PrepareLayoutStr(FieldDefs());
  auto stream = std::make_unique<TMemoryStream>();
  // Header of a data buffer without records: total size, status, record
  // count, field count, layout length; then the layout.
  WriteInt32(*stream, int32_t(layout.size()) + 4 * SIZEINT + 1);
  stream->WriteBuffer("S", 1);
  WriteInt32(*stream, 0);
  WriteInt32(*stream, int32_t(FieldDefs().Count()));
  WriteInt32(*stream, int32_t(layout.size()));
  stream->WriteString(layout);
  stream->SetPosition(0);
  InternalLoad(std::move(stream));
}

void TzelTable::InternalLoadFromFile() {
  std::error_code error;
  if (fileName_.empty() || !std::filesystem::is_regular_file(fileName_, error)) {
    DatabaseError(FormatMessage(_Z_OPENFILE, {fileName_}));
  }
  std::vector<char> bytes;
  try {
    bytes = ReadWholeFile(fileName_);
  } catch (const EFOpenError&) {
    // Present but unreadable (permissions): the same message as a missing file.
    DatabaseError(FormatMessage(_Z_OPENFILE, {fileName_}));
  }
  InternalLoad(std::make_unique<TMemoryStream>(std::move(bytes)));
}

void TzelTable::InternalLoadFromCursor() {
  if (!cloneDS_ || !cloneDS_->Active()) DatabaseError(_Z_ERRCLONE);
  cloneDS_->AddClone(this);
  registeredAsClone_ = true;
  if (auto* sourceTable = dynamic_cast<TzelTable*>(cloneDS_)) {
    sourceTable->tableClones_.push_back(this);
  }
}

void TzelTable::InternalLoadFromServer() {
  TzelDatabase& session = zelDB();
  std::vector<TSqlParamValue> values;
  values.reserve(size_t(params_.Count()));
  for (const auto& param : params_) values.push_back(SqlValueOf(*param));
  const std::string text = QueryText(preparedSQL_, values, session);
  InternalLoad(QueryServer(session, text, Name()));
}

void TzelTable::InternalRefresh() {
  if (loadMode_ == lmClone) {
    SortRecords(false);
    return;
  }
  TzelDataset::InternalRefresh();
}

void TzelTable::InternalClose() {
  if (loadMode_ == lmClone && cloneDS_ && registeredAsClone_) {
    cloneDS_->RemoveClone(this);
    registeredAsClone_ = false;
    if (auto* sourceTable = dynamic_cast<TzelTable*>(cloneDS_)) {
      std::erase(sourceTable->tableClones_, this);
    }
  }
  TzelDataset::InternalClose();
}

void TzelTable::DefChanged(TFieldDefs* /*sender*/) {
  storeDefs_ = loadMode_ == lmClear;
}

}  // namespace morvane
