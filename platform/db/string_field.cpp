#include <cstring>
#include <vector>

#include "platform/db/dataset.h"
#include "platform/db/db_consts.h"
#include "platform/db/fields.h"
#include "platform/rtl/format.h"
#include "platform/rtl/text.h"

namespace morvane {

TStringField::TStringField(TComponent* owner) : TField(owner) {
  SetDataType(ftString);
  SetSize(20);
}

bool TStringField::ReadValue(std::string& value) const {
  std::vector<char> buffer(size_t(DataSize()), '\0');
  if (!GetData(buffer.data())) return false;
  // The dataset may fill all Size bytes; the terminator is ours.
  buffer.back() = '\0';
  value.assign(buffer.data());
  return true;
}

std::string TStringField::GetAsString() const {
  std::string value;
  ReadValue(value);
  return value;
}

void TStringField::SetAsStringValue(const std::string& value) {
  std::vector<char> buffer(size_t(DataSize()), '\0');
  std::string_view kept = Utf8Truncate(value, size_t(Size()));
  std::memcpy(buffer.data(), kept.data(), kept.size());
  SetData(buffer.data());
}

Variant TStringField::GetAsVariant() const {
  std::string value;
  if (!ReadValue(value)) return Variant::Null();
  return Variant(std::move(value));
}

void TStringField::SetVariantValue(const Variant& value) {
  SetAsStringValue(value.AsString());
}

int32_t TStringField::GetAsInteger() const {
  std::string text = GetAsString();
  int32_t value = 0;
  if (!TryStrToInt(text, value))
    DatabaseErrorFmt(SInvalidIntegerValue, {text, DisplayName()}, DataSet());
  return value;
}

void TStringField::SetAsIntegerValue(int32_t value) {
  SetAsStringValue(IntToStr(value));
}

double TStringField::GetAsFloat() const {
  std::string text = GetAsString();
  double value = 0;
  if (!TryStrToFloat(text, value))
    DatabaseErrorFmt(SInvalidFloatValue, {text, DisplayName()}, DataSet());
  return value;
}

void TStringField::SetAsFloatValue(double value) {
  SetAsStringValue(FloatToStr(value));
}

bool TStringField::GetAsBoolean() const {
  std::string text = AnsiUpperCase(Trim(GetAsString()));
  return text == "T" || text == "TRUE" || text == "Y" || text == "YES" || text == "1";
}

void TStringField::SetAsBooleanValue(bool value) {
  SetAsStringValue(value ? "T" : "F");
}

TDateTime TStringField::GetAsDateTime() const {
  std::string text = GetAsString();
  TDateTime value = 0;
  if (!TryStrToDateTime(text, value))
    DatabaseErrorFmt(SInvalidDateTimeValue, {text, DisplayName()}, DataSet());
  return value;
}

void TStringField::SetAsDateTimeValue(TDateTime value) {
  SetAsStringValue(DateTimeToStr(value));
}

}  // namespace morvane
