#include "platform/db/params.h"

#include "platform/db/component.h"
#include "platform/db/db_consts.h"
#include "platform/db/field.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/format.h"
#include "platform/rtl/text.h"

namespace morvane {

// --- TParam -----------------------------------------------------------------

void TParam::Clear() {
  value_ = Variant::Null();
  bound_ = false;
}

void TParam::Set(TFieldType type, Variant value) {
  dataType_ = type;
  value_ = std::move(value);
  bound_ = true;
}

void TParam::SetValue(const Variant& value) {
  if (dataType_ == ftUnknown) {
    switch (value.Kind()) {
      case VarKind::String:
        dataType_ = ftString;
        break;
      case VarKind::Integer:
      case VarKind::Int64:
        dataType_ = ftInteger;
        break;
      case VarKind::Double:
        dataType_ = ftFloat;
        break;
      case VarKind::Boolean:
        dataType_ = ftBoolean;
        break;
      case VarKind::DateTime:
        dataType_ = ftDateTime;
        break;
      default:
        break;
    }
  }
  value_ = value;
  bound_ = true;
}

std::string TParam::AsString() const {
  return value_.IsClear() ? std::string() : value_.AsString();
}
void TParam::SetAsString(const std::string& value) {
  Set(ftString, Variant(value));
}
int32_t TParam::AsInteger() const {
  return value_.IsClear() ? 0 : value_.AsInteger();
}
void TParam::SetAsInteger(int32_t value) {
  Set(ftInteger, Variant(value));
}
void TParam::SetAsSmallInt(int32_t value) {
  Set(ftSmallint, Variant(value));
}
double TParam::AsFloat() const {
  return value_.IsClear() ? 0.0 : value_.AsDouble();
}
void TParam::SetAsFloat(double value) {
  Set(ftFloat, Variant(value));
}
void TParam::SetAsCurrency(double value) {
  Set(ftCurrency, Variant(value));
}
bool TParam::AsBoolean() const {
  return !value_.IsClear() && value_.AsBoolean();
}
void TParam::SetAsBoolean(bool value) {
  Set(ftBoolean, Variant(value));
}
TDateTime TParam::AsDateTime() const {
  return value_.IsClear() ? 0.0 : value_.AsDateTime();
}
void TParam::SetAsDateTime(TDateTime value) {
  Set(ftDateTime, Variant::FromDateTime(value));
}
void TParam::SetAsDate(TDateTime value) {
  Set(ftDate, Variant::FromDateTime(value));
}
void TParam::SetAsTime(TDateTime value) {
  Set(ftTime, Variant::FromDateTime(value));
}
void TParam::SetAsMemo(const std::string& value) {
  Set(ftMemo, Variant(value));
}

void TParam::Assign(const TParam& source) {
  name_ = source.name_;
  dataType_ = source.dataType_;
  paramType_ = source.paramType_;
  value_ = source.value_;
  bound_ = source.bound_;
}

void TParam::AssignField(const TField& field) {
  AssignFieldValue(field, field.AsVariant());
  if (name_.empty()) name_ = field.FieldName();
}

void TParam::AssignFieldValue(const TField& field, const Variant& value) {
  TFieldType type = field.DataType();
  if (type == ftAutoInc) type = ftInteger;
  Set(type, value);
}

bool TParam::IsEqual(const TParam& other) const {
  return AnsiSameText(name_, other.name_) && dataType_ == other.dataType_ &&
         paramType_ == other.paramType_ && value_ == other.value_ && bound_ == other.bound_;
}

// --- TParams ----------------------------------------------------------------

TParams::TParams(const TParams& other) : owner_(other.owner_) {
  Assign(other);
}

TParams& TParams::operator=(const TParams& other) {
  if (this != &other) Assign(other);
  return *this;
}

TParam* TParams::Items(int index) const {
  if (index < 0 || index >= Count())
    throw EListError("List index out of bounds (" + IntToStr(index) + ")");
  return items_[size_t(index)].get();
}

TParam* TParams::Add(std::string name, TFieldType dataType, TParamType type) {
  items_.push_back(std::make_unique<TParam>(std::move(name), dataType, type));
  return items_.back().get();
}

void TParams::Delete(int index) {
  Items(index);  // range check
  items_.erase(items_.begin() + index);
}

TParam* TParams::FindParam(std::string_view name) const {
  for (const auto& param : items_)
    if (AnsiSameText(param->Name(), name)) return param.get();
  return nullptr;
}

TParam* TParams::ParamByName(std::string_view name) const {
  TParam* param = FindParam(name);
  if (param == nullptr) DatabaseErrorFmt(SParameterNotFound, {name}, owner_);
  return param;
}

std::vector<TParam*> TParams::GetParamList(std::string_view names) const {
  std::vector<TParam*> list;
  for (const std::string& name : SplitFieldNames(names)) list.push_back(ParamByName(name));
  return list;
}

void TParams::Assign(const TParams& source) {
  if (&source == this) return;
  items_.clear();
  for (const auto& param : source.items_) {
    auto copy = std::make_unique<TParam>();
    copy->Assign(*param);
    items_.push_back(std::move(copy));
  }
}

void TParams::AssignValues(const TParams& source) {
  for (const auto& param : items_) {
    TParam* from = source.FindParam(param->Name());
    if (from == nullptr || from == param.get()) continue;
    // Name and parameter type stay; the value and its data type come over.
    param->SetDataType(from->DataType());
    if (from->Bound())
      param->SetValue(from->Value());
    else
      param->Clear();
  }
}

bool TParams::IsEqual(const TParams& other) const {
  if (Count() != other.Count()) return false;
  for (int i = 0; i < Count(); ++i)
    if (!items_[size_t(i)]->IsEqual(*other.items_[size_t(i)])) return false;
  return true;
}

namespace {

bool IsNameChar(unsigned char ch) {
  return (ch >= 'a' && ch <= 'z') || (ch >= 'A' && ch <= 'Z') || (ch >= '0' && ch <= '9') ||
         ch == '_' || ch == '.' || ch >= 0x80;
}

}  // namespace

std::string TParams::ParseSQL(std::string_view sql, bool doCreate) {
  std::string result;
  result.reserve(sql.size());
  size_t i = 0;
  while (i < sql.size()) {
    char ch = sql[i];
    if (ch == '\'' || ch == '"') {
      // A literal runs to the matching quote; a doubled quote stays inside.
      size_t end = i + 1;
      while (end < sql.size()) {
        if (sql[end] == ch) {
          if (end + 1 < sql.size() && sql[end + 1] == ch) {
            end += 2;
            continue;
          }
          break;
        }
        ++end;
      }
      size_t stop = end < sql.size() ? end + 1 : end;
      result.append(sql.substr(i, stop - i));
      i = stop;
      continue;
    }
    if (ch != ':') {
      result += ch;
      ++i;
      continue;
    }
    if (i + 1 < sql.size() && sql[i + 1] == ':') {
      result.append("::");
      i += 2;
      continue;
    }
    std::string name;
    size_t next = i + 1;
    if (next < sql.size() && sql[next] == '"') {
      size_t close = sql.find('"', next + 1);
      if (close != std::string_view::npos) {
        name = std::string(sql.substr(next + 1, close - next - 1));
        next = close + 1;
      }
    } else {
      while (next < sql.size() && IsNameChar(static_cast<unsigned char>(sql[next]))) ++next;
      name = std::string(sql.substr(i + 1, next - i - 1));
    }
    if (name.empty()) {
      // A colon that starts no name ("a : b") is text.
      result += ch;
      ++i;
      continue;
    }
    if (doCreate) Add(name, ftUnknown, ptInput);
    result += '?';
    i = next;
  }
  return result;
}

}  // namespace morvane
