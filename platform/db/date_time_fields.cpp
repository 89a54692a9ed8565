#include <cmath>
#include <cstdint>

#include "platform/db/dataset.h"
#include "platform/db/db_consts.h"
#include "platform/db/fields.h"
#include "platform/rtl/format.h"
#include "platform/rtl/text.h"

namespace morvane {

TDateTimeField::TDateTimeField(TComponent* owner) : TDateTimeField(owner, ftDateTime) {}

TDateTimeField::TDateTimeField(TComponent* owner, TFieldType type) : TField(owner) {
  SetDataType(type);
}

bool TDateTimeField::ReadValue(TDateTime& value) const {
  double milliseconds = 0;
  if (!GetData(&milliseconds)) return false;
  value = TimeStampToDateTime(MSecsToTimeStamp(milliseconds));
  return true;
}

void TDateTimeField::WriteValue(TDateTime value) {
  double milliseconds = TimeStampToMSecs(DateTimeToTimeStamp(value));
  SetData(&milliseconds);
}

std::string TDateTimeField::StandardText(TDateTime value) const {
  return DateTimeToStr(value);
}

bool TDateTimeField::TryParse(const std::string& text, TDateTime& value) const {
  return TryStrToDateTime(text, value);
}

const char* TDateTimeField::InvalidValueMessage() const {
  return SInvalidDateTimeValue;
}

Variant TDateTimeField::GetAsVariant() const {
  TDateTime value = 0;
  if (!ReadValue(value)) return Variant::Null();
  return Variant::FromDateTime(value);
}

void TDateTimeField::SetVariantValue(const Variant& value) {
  if (value.Kind() == VarKind::String)
    SetAsStringValue(value.AsString());
  else
    SetAsDateTimeValue(value.AsDateTime());
}

std::string TDateTimeField::GetAsString() const {
  std::string text;
  GetText(text, false);
  return text;
}

void TDateTimeField::SetAsStringValue(const std::string& value) {
  if (Trim(value).empty()) {
    Clear();
    return;
  }
  TDateTime parsed = 0;
  if (!TryParse(value, parsed))
    DatabaseErrorFmt(InvalidValueMessage(), {value, DisplayName()}, DataSet());
  WriteValue(parsed);
}

double TDateTimeField::GetAsFloat() const {
  return GetAsDateTime();
}

void TDateTimeField::SetAsFloatValue(double value) {
  SetAsDateTimeValue(value);
}

TDateTime TDateTimeField::GetAsDateTime() const {
  TDateTime value = 0;
  return ReadValue(value) ? value : 0.0;
}

void TDateTimeField::SetAsDateTimeValue(TDateTime value) {
  // Day numbers from 0001-01-01 to 9999-12-31 are all a slot can hold.
  if (!(value >= -693593.0 && value < 2958466.0))
    DatabaseErrorFmt(InvalidValueMessage(), {FloatToStr(value), DisplayName()}, DataSet());
  WriteValue(value);
}

void TDateTimeField::GetText(std::string& text, bool displayText) const {
  TDateTime value = 0;
  if (!ReadValue(value)) {
    text.clear();
    return;
  }
  text = displayText && !displayFormat_.empty() ? FormatDateTime(displayFormat_, value)
                                                : StandardText(value);
}

TDateField::TDateField(TComponent* owner) : TDateTimeField(owner, ftDate) {}

bool TDateField::ReadValue(TDateTime& value) const {
  int32_t dayNumber = 0;
  if (!GetData(&dayNumber)) return false;
  value = TimeStampToDateTime(TTimeStamp{0, dayNumber});
  return true;
}

void TDateField::WriteValue(TDateTime value) {
  int32_t dayNumber = DateTimeToTimeStamp(value).Date;
  SetData(&dayNumber);
}

std::string TDateField::StandardText(TDateTime value) const {
  return DateToStr(value);
}

bool TDateField::TryParse(const std::string& text, TDateTime& value) const {
  return TryStrToDate(text, value);
}

const char* TDateField::InvalidValueMessage() const {
  return SInvalidDateValue;
}

TTimeField::TTimeField(TComponent* owner) : TDateTimeField(owner, ftTime) {}

bool TTimeField::ReadValue(TDateTime& value) const {
  int32_t milliseconds = 0;
  if (!GetData(&milliseconds)) return false;
  value = TimeStampToDateTime(TTimeStamp{milliseconds, DateDelta});
  return true;
}

void TTimeField::WriteValue(TDateTime value) {
  int32_t milliseconds = DateTimeToTimeStamp(value).Time;
  SetData(&milliseconds);
}

std::string TTimeField::StandardText(TDateTime value) const {
  return TimeToStr(value);
}

bool TTimeField::TryParse(const std::string& text, TDateTime& value) const {
  return TryStrToTime(text, value);
}

const char* TTimeField::InvalidValueMessage() const {
  return SInvalidTimeValue;
}

}  // namespace morvane
