#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

#include "platform/db/dataset.h"
#include "platform/db/db_consts.h"
#include "platform/db/fields.h"
#include "platform/rtl/format.h"
#include "platform/rtl/format_settings.h"
#include "platform/rtl/text.h"

namespace morvane {

namespace {

bool IsDigit(char32_t ch) {
  return ch >= '0' && ch <= '9';
}

}  // namespace

TNumericField::TNumericField(TComponent* owner) : TField(owner) {
  SetAlignment(taRightJustify);
}

bool TNumericField::IsValidChar(char32_t ch) const {
  return IsDigit(ch) || ch == '+' || ch == '-';
}

// --- Integer fields -------------------------------------------------------

TIntegerField::TIntegerField(TComponent* owner)
    : TIntegerField(owner, ftInteger, std::numeric_limits<int32_t>::min(),
                    std::numeric_limits<int32_t>::max()) {}

TIntegerField::TIntegerField(TComponent* owner, TFieldType type, int64_t lowest, int64_t highest)
    : TNumericField(owner), lowest_(lowest), highest_(highest) {
  SetDataType(type);
}

bool TIntegerField::ReadValue(int64_t& value) const {
  int32_t native = 0;
  if (!GetData(&native)) return false;
  value = native;
  return true;
}

void TIntegerField::WriteValue(int64_t value) {
  int32_t native = int32_t(value);
  SetData(&native);
}

void TIntegerField::CheckRange(int64_t value) const {
  int64_t low = lowest_, high = highest_;
  if (minValue_ != 0 || maxValue_ != 0) {
    low = std::max<int64_t>(low, minValue_);
    high = std::min<int64_t>(high, maxValue_);
  }
  if (value < low || value > high) RangeError(IntToStr(value), IntToStr(low), IntToStr(high));
}

Variant TIntegerField::GetAsVariant() const {
  int64_t value = 0;
  if (!ReadValue(value)) return Variant::Null();
  return Variant(int32_t(value));
}

void TIntegerField::SetVariantValue(const Variant& value) {
  if (value.Kind() == VarKind::String) {
    SetAsStringValue(value.AsString());
    return;
  }
  int64_t wide = 0;
  if (value.Kind() == VarKind::Double || value.Kind() == VarKind::DateTime) {
    double number = std::round(value.AsDouble());
    if (!(number >= -9.2e18 && number <= 9.2e18))
      RangeError(FloatToStr(number), IntToStr(lowest_), IntToStr(highest_));
    wide = int64_t(number);
  } else {
    wide = value.AsInt64();
  }
  CheckRange(wide);
  WriteValue(wide);
}

std::string TIntegerField::GetAsString() const {
  int64_t value = 0;
  return ReadValue(value) ? IntToStr(value) : std::string();
}

void TIntegerField::SetAsStringValue(const std::string& value) {
  if (Trim(value).empty()) {
    Clear();
    return;
  }
  int64_t wide = 0;
  if (!TryStrToInt64(value, wide))
    DatabaseErrorFmt(SInvalidIntegerValue, {value, DisplayName()}, DataSet());
  CheckRange(wide);
  WriteValue(wide);
}

int32_t TIntegerField::GetAsInteger() const {
  int64_t value = 0;
  return ReadValue(value) ? int32_t(value) : 0;
}

void TIntegerField::SetAsIntegerValue(int32_t value) {
  CheckRange(value);
  WriteValue(value);
}

double TIntegerField::GetAsFloat() const {
  int64_t value = 0;
  return ReadValue(value) ? double(value) : 0.0;
}

void TIntegerField::SetAsFloatValue(double value) {
  SetVariantValue(Variant(value));
}

void TIntegerField::GetText(std::string& text, bool displayText) const {
  int64_t value = 0;
  if (!ReadValue(value)) {
    text.clear();
    return;
  }
  // The edit text never takes the display pattern: a value rounded for
  // showing would be written back rounded.
  const std::string& pattern = displayText ? DisplayFormat() : EditFormat();
  text = pattern.empty() ? IntToStr(value) : FormatFloat(pattern, double(value));
}

TSmallintField::TSmallintField(TComponent* owner)
    : TSmallintField(owner, ftSmallint, std::numeric_limits<int16_t>::min(),
                     std::numeric_limits<int16_t>::max()) {}

TSmallintField::TSmallintField(TComponent* owner, TFieldType type, int64_t lowest, int64_t highest)
    : TIntegerField(owner, type, lowest, highest) {}

bool TSmallintField::ReadValue(int64_t& value) const {
  int16_t native = 0;
  if (!GetData(&native)) return false;
  value = native;
  return true;
}

void TSmallintField::WriteValue(int64_t value) {
  int16_t native = int16_t(value);
  SetData(&native);
}

TWordField::TWordField(TComponent* owner)
    : TSmallintField(owner, ftWord, 0, std::numeric_limits<uint16_t>::max()) {}

bool TWordField::ReadValue(int64_t& value) const {
  uint16_t native = 0;
  if (!GetData(&native)) return false;
  value = native;
  return true;
}

void TWordField::WriteValue(int64_t value) {
  uint16_t native = uint16_t(value);
  SetData(&native);
}

TAutoIncField::TAutoIncField(TComponent* owner)
    : TIntegerField(owner, ftAutoInc, std::numeric_limits<int32_t>::min(),
                    std::numeric_limits<int32_t>::max()) {}

// --- Float fields ---------------------------------------------------------

TFloatField::TFloatField(TComponent* owner) : TFloatField(owner, ftFloat) {}

TFloatField::TFloatField(TComponent* owner, TFieldType type) : TNumericField(owner) {
  SetDataType(type);
}

bool TFloatField::IsValidChar(char32_t ch) const {
  return TNumericField::IsValidChar(ch) || ch == char32_t(FormatSettings().DecimalSeparator) ||
         ch == 'E' || ch == 'e';
}

bool TFloatField::ReadValue(double& value) const {
  return GetData(&value);
}

Variant TFloatField::GetAsVariant() const {
  double value = 0;
  if (!ReadValue(value)) return Variant::Null();
  return Variant(value);
}

void TFloatField::SetVariantValue(const Variant& value) {
  if (value.Kind() == VarKind::String)
    SetAsStringValue(value.AsString());
  else
    SetAsFloatValue(value.AsDouble());
}

std::string TFloatField::GetAsString() const {
  double value = 0;
  return ReadValue(value) ? FloatToStr(value) : std::string();
}

void TFloatField::SetAsStringValue(const std::string& value) {
  if (Trim(value).empty()) {
    Clear();
    return;
  }
  double number = 0;
  if (!TryStrToFloat(value, number))
    DatabaseErrorFmt(SInvalidFloatValue, {value, DisplayName()}, DataSet());
  SetAsFloatValue(number);
}

int32_t TFloatField::GetAsInteger() const {
  double value = 0;
  if (!ReadValue(value)) return 0;
  double rounded = std::round(value);
  if (!(rounded >= std::numeric_limits<int32_t>::min() &&
        rounded <= std::numeric_limits<int32_t>::max()))
    RangeError(FloatToStr(value), IntToStr(std::numeric_limits<int32_t>::min()),
               IntToStr(std::numeric_limits<int32_t>::max()));
  return int32_t(rounded);
}

void TFloatField::SetAsIntegerValue(int32_t value) {
  SetAsFloatValue(double(value));
}

double TFloatField::GetAsFloat() const {
  double value = 0;
  return ReadValue(value) ? value : 0.0;
}

void TFloatField::SetAsFloatValue(double value) {
  if (!std::isfinite(value))
    DatabaseErrorFmt(SInvalidFloatValue, {"NaN", DisplayName()}, DataSet());
  if ((minValue_ != 0 || maxValue_ != 0) && (value < minValue_ || value > maxValue_))
    RangeError(FloatToStr(value), FloatToStr(minValue_), FloatToStr(maxValue_));
  SetData(&value);
}

void TFloatField::GetText(std::string& text, bool displayText) const {
  double value = 0;
  if (!ReadValue(value)) {
    text.clear();
    return;
  }
  // The edit text never takes the display pattern: a value rounded for
  // showing would be written back rounded.
  const std::string& pattern = displayText ? DisplayFormat() : EditFormat();
  if (!pattern.empty())
    text = FormatFloat(pattern, value);
  else if (currency_ && displayText)
    text = FormatFloat("0.00", value);
  else
    text = FloatToStr(value);
}

TCurrencyField::TCurrencyField(TComponent* owner) : TFloatField(owner, ftCurrency) {
  SetCurrency(true);
}

// --- Boolean field --------------------------------------------------------

TBooleanField::TBooleanField(TComponent* owner) : TField(owner) {
  SetDataType(ftBoolean);
}

void TBooleanField::SetDisplayValues(const std::string& value) {
  displayValues_ = value;
  size_t separator = value.find(';');
  if (value.empty()) {
    trueText_ = "True";
    falseText_ = "False";
  } else if (separator == std::string::npos) {
    trueText_ = value;
    falseText_.clear();
  } else {
    trueText_ = value.substr(0, separator);
    falseText_ = value.substr(separator + 1);
  }
}

bool TBooleanField::GetAsBoolean() const {
  int16_t native = 0;
  return GetData(&native) && native != 0;
}

void TBooleanField::SetAsBooleanValue(bool value) {
  int16_t native = value ? int16_t(-1) : int16_t(0);
  SetData(&native);
}

Variant TBooleanField::GetAsVariant() const {
  int16_t native = 0;
  if (!GetData(&native)) return Variant::Null();
  return Variant(native != 0);
}

void TBooleanField::SetVariantValue(const Variant& value) {
  if (value.Kind() == VarKind::String)
    SetAsStringValue(value.AsString());
  else
    SetAsBooleanValue(value.AsBoolean());
}

std::string TBooleanField::GetAsString() const {
  int16_t native = 0;
  if (!GetData(&native)) return std::string();
  return native != 0 ? trueText_ : falseText_;
}

void TBooleanField::SetAsStringValue(const std::string& value) {
  std::string text = Trim(value);
  if (text.empty()) {
    Clear();
    return;
  }
  std::string upper = AnsiUpperCase(text);
  auto startsWith = [&upper](const std::string& word) {
    std::string full = AnsiUpperCase(word);
    return !full.empty() && full.compare(0, upper.size(), upper) == 0;
  };
  // A prefix of both texts ("T" of "True"/"Tak") takes the true text first.
  if (startsWith(trueText_))
    SetAsBooleanValue(true);
  else if (startsWith(falseText_))
    SetAsBooleanValue(false);
  else
    DatabaseErrorFmt(SInvalidBoolValue, {value, DisplayName()}, DataSet());
}

int32_t TBooleanField::GetAsInteger() const {
  return GetAsBoolean() ? 1 : 0;
}

void TBooleanField::SetAsIntegerValue(int32_t value) {
  SetAsBooleanValue(value != 0);
}

}  // namespace morvane
