// The field classes, one per field type, and the native format each one
// exchanges with its dataset through GetFieldData / SetFieldData:
//
//   TStringField      ftString    Size + 1 bytes: the text (UTF-8, at most Size
//                                 bytes, cut at a character boundary) and a zero
//   TSmallintField    ftSmallint  int16
//   TIntegerField     ftInteger   int32
//   TWordField        ftWord      uint16
//   TAutoIncField     ftAutoInc   int32
//   TBooleanField     ftBoolean   int16: 0 false, any other value true; -1 written
//   TFloatField       ftFloat     double
//   TCurrencyField    ftCurrency  double (not a scaled integer)
//   TDateField        ftDate      int32 day number, 0001-01-01 = 1
//   TTimeField        ftTime      int32 milliseconds since midnight
//   TDateTimeField    ftDateTime  double: day number * 86'400'000 + milliseconds
//   TBlobField        ftBlob      no bytes: GetFieldData only tells whether there
//   TMemoField        ftMemo        is a value; contents move through the
//   TFmtMemoField     ftFmtMemo     dataset's CreateBlobStream
//   TGraphicField     ftGraphic
//
// CreateFieldOfType gives the class for a type (used for default fields).
#pragma once

#include <memory>
#include <string>

#include "platform/db/field.h"

namespace morvane {

class TStream;

class TStringField : public TField {
 public:
  explicit TStringField(TComponent* owner = nullptr);
  int DataSize() const override { return Size() + 1; }

 protected:
  Variant GetAsVariant() const override;
  void SetVariantValue(const Variant& value) override;
  std::string GetAsString() const override;
  void SetAsStringValue(const std::string& value) override;
  int32_t GetAsInteger() const override;
  void SetAsIntegerValue(int32_t value) override;
  double GetAsFloat() const override;
  void SetAsFloatValue(double value) override;
  bool GetAsBoolean() const override;
  void SetAsBooleanValue(bool value) override;
  TDateTime GetAsDateTime() const override;
  void SetAsDateTimeValue(TDateTime value) override;
  int DefaultDisplayWidth() const override { return Size(); }
  // The value, or nothing when the field is null.
  bool ReadValue(std::string& value) const;
};

// Numeric fields: right-aligned, DisplayFormat (DisplayText) and EditFormat
// (Text) patterns of FormatFloat; an empty pattern gives the plain value.
class TNumericField : public TField {
 public:
  explicit TNumericField(TComponent* owner = nullptr);
  const std::string& DisplayFormat() const { return displayFormat_; }
  void SetDisplayFormat(const std::string& value) { displayFormat_ = value; }
  const std::string& EditFormat() const { return editFormat_; }
  void SetEditFormat(const std::string& value) { editFormat_ = value; }
  bool IsValidChar(char32_t ch) const override;

 private:
  std::string displayFormat_;
  std::string editFormat_;
};

// Common base of the 16- and 32-bit integer fields. MinValue/MaxValue of 0
// and 0 mean the whole range of the native type.
class TIntegerField : public TNumericField {
 public:
  explicit TIntegerField(TComponent* owner = nullptr);
  int DataSize() const override { return 4; }
  int32_t MinValue() const { return minValue_; }
  void SetMinValue(int32_t value) { minValue_ = value; }
  int32_t MaxValue() const { return maxValue_; }
  void SetMaxValue(int32_t value) { maxValue_ = value; }

 protected:
  TIntegerField(TComponent* owner, TFieldType type, int64_t lowest, int64_t highest);
  Variant GetAsVariant() const override;
  void SetVariantValue(const Variant& value) override;
  std::string GetAsString() const override;
  void SetAsStringValue(const std::string& value) override;
  int32_t GetAsInteger() const override;
  void SetAsIntegerValue(int32_t value) override;
  double GetAsFloat() const override;
  void SetAsFloatValue(double value) override;
  void GetText(std::string& text, bool displayText) const override;
  int DefaultDisplayWidth() const override { return 11; }
  // Native value widened to 64 bits; false when null.
  virtual bool ReadValue(int64_t& value) const;
  virtual void WriteValue(int64_t value);
  void CheckRange(int64_t value) const;

 private:
  int64_t lowest_;
  int64_t highest_;
  int32_t minValue_ = 0;
  int32_t maxValue_ = 0;
};

class TSmallintField : public TIntegerField {
 public:
  explicit TSmallintField(TComponent* owner = nullptr);
  int DataSize() const override { return 2; }

 protected:
  TSmallintField(TComponent* owner, TFieldType type, int64_t lowest, int64_t highest);
  bool ReadValue(int64_t& value) const override;
  void WriteValue(int64_t value) override;
  int DefaultDisplayWidth() const override { return 6; }
};

class TWordField : public TSmallintField {
 public:
  explicit TWordField(TComponent* owner = nullptr);

 protected:
  bool ReadValue(int64_t& value) const override;
  void WriteValue(int64_t value) override;
  int DefaultDisplayWidth() const override { return 5; }
};

class TAutoIncField : public TIntegerField {
 public:
  explicit TAutoIncField(TComponent* owner = nullptr);
};

class TFloatField : public TNumericField {
 public:
  explicit TFloatField(TComponent* owner = nullptr);
  int DataSize() const override { return 8; }
  // Digits kept when a value is shown without a DisplayFormat.
  int Precision() const { return precision_; }
  void SetPrecision(int value) { precision_ = value; }
  bool Currency() const { return currency_; }
  void SetCurrency(bool value) { currency_ = value; }
  // MinValue == MaxValue == 0: no range check.
  double MinValue() const { return minValue_; }
  void SetMinValue(double value) { minValue_ = value; }
  double MaxValue() const { return maxValue_; }
  void SetMaxValue(double value) { maxValue_ = value; }
  bool IsValidChar(char32_t ch) const override;

 protected:
  TFloatField(TComponent* owner, TFieldType type);
  Variant GetAsVariant() const override;
  void SetVariantValue(const Variant& value) override;
  std::string GetAsString() const override;
  void SetAsStringValue(const std::string& value) override;
  int32_t GetAsInteger() const override;
  void SetAsIntegerValue(int32_t value) override;
  double GetAsFloat() const override;
  void SetAsFloatValue(double value) override;
  void GetText(std::string& text, bool displayText) const override;
  bool ReadValue(double& value) const;

 private:
  int precision_ = 15;
  bool currency_ = false;
  double minValue_ = 0;
  double maxValue_ = 0;
};

class TCurrencyField : public TFloatField {
 public:
  explicit TCurrencyField(TComponent* owner = nullptr);
};

// Shows "True"/"False" unless DisplayValues says otherwise ("Да;Нет": the
// texts for true and false separated by ';'). Text is accepted when it is a
// case-insensitive prefix of one of the two.
class TBooleanField : public TField {
 public:
  explicit TBooleanField(TComponent* owner = nullptr);
  int DataSize() const override { return 2; }
  const std::string& DisplayValues() const { return displayValues_; }
  void SetDisplayValues(const std::string& value);

 protected:
  Variant GetAsVariant() const override;
  void SetVariantValue(const Variant& value) override;
  std::string GetAsString() const override;
  void SetAsStringValue(const std::string& value) override;
  bool GetAsBoolean() const override;
  void SetAsBooleanValue(bool value) override;
  int32_t GetAsInteger() const override;
  void SetAsIntegerValue(int32_t value) override;
  int DefaultDisplayWidth() const override { return 5; }

 private:
  std::string displayValues_;
  std::string trueText_ = "True";
  std::string falseText_ = "False";
};

// Date-time fields and their date and time descendants. DisplayFormat takes
// FormatDateTime letters; empty shows the settings' standard text.
class TDateTimeField : public TField {
 public:
  explicit TDateTimeField(TComponent* owner = nullptr);
  int DataSize() const override { return 8; }
  const std::string& DisplayFormat() const { return displayFormat_; }
  void SetDisplayFormat(const std::string& value) { displayFormat_ = value; }

 protected:
  TDateTimeField(TComponent* owner, TFieldType type);
  Variant GetAsVariant() const override;
  void SetVariantValue(const Variant& value) override;
  std::string GetAsString() const override;
  void SetAsStringValue(const std::string& value) override;
  double GetAsFloat() const override;
  void SetAsFloatValue(double value) override;
  TDateTime GetAsDateTime() const override;
  void SetAsDateTimeValue(TDateTime value) override;
  void GetText(std::string& text, bool displayText) const override;
  int DefaultDisplayWidth() const override { return 18; }
  // The native value as a TDateTime; false when null.
  virtual bool ReadValue(TDateTime& value) const;
  virtual void WriteValue(TDateTime value);
  // Text of a value when no DisplayFormat applies.
  virtual std::string StandardText(TDateTime value) const;
  virtual bool TryParse(const std::string& text, TDateTime& value) const;
  virtual const char* InvalidValueMessage() const;

 private:
  std::string displayFormat_;
};

class TDateField : public TDateTimeField {
 public:
  explicit TDateField(TComponent* owner = nullptr);
  int DataSize() const override { return 4; }

 protected:
  bool ReadValue(TDateTime& value) const override;
  void WriteValue(TDateTime value) override;
  std::string StandardText(TDateTime value) const override;
  bool TryParse(const std::string& text, TDateTime& value) const override;
  const char* InvalidValueMessage() const override;
  int DefaultDisplayWidth() const override { return 10; }
};

class TTimeField : public TDateTimeField {
 public:
  explicit TTimeField(TComponent* owner = nullptr);
  int DataSize() const override { return 4; }

 protected:
  bool ReadValue(TDateTime& value) const override;
  void WriteValue(TDateTime value) override;
  std::string StandardText(TDateTime value) const override;
  bool TryParse(const std::string& text, TDateTime& value) const override;
  const char* InvalidValueMessage() const override;
  int DefaultDisplayWidth() const override { return 10; }
};

// Blob fields read and write their contents through the dataset's blob
// stream. Text and DisplayText show the type in brackets ("(MEMO)" when there
// is a value, "(Memo)" when not); memo fields give their contents as AsString.
class TBlobField : public TField {
 public:
  explicit TBlobField(TComponent* owner = nullptr);
  int DataSize() const override { return 0; }
  bool IsBlob() const override { return true; }
  int64_t BlobSize() const;
  void LoadFromStream(TStream& stream);
  void SaveToStream(TStream& stream) const;
  // Whether the last write through a blob stream changed the value.
  bool Modified() const { return modified_; }
  void SetModified(bool value) { modified_ = value; }

 protected:
  TBlobField(TComponent* owner, TFieldType type);
  Variant GetAsVariant() const override;
  void SetVariantValue(const Variant& value) override;
  std::string GetAsString() const override;
  void SetAsStringValue(const std::string& value) override;
  void GetText(std::string& text, bool displayText) const override;
  virtual const char* TypeCaption() const { return "(Blob)"; }

 private:
  bool modified_ = false;
};

class TMemoField : public TBlobField {
 public:
  explicit TMemoField(TComponent* owner = nullptr);

 protected:
  TMemoField(TComponent* owner, TFieldType type);
  const char* TypeCaption() const override { return "(Memo)"; }
};

class TFmtMemoField : public TMemoField {
 public:
  explicit TFmtMemoField(TComponent* owner = nullptr);
};

class TGraphicField : public TBlobField {
 public:
  explicit TGraphicField(TComponent* owner = nullptr);

 protected:
  const char* TypeCaption() const override { return "(Graphic)"; }
};

// A new unnamed field of the class for the type, owned by owner; null for
// types without a field class.
TField* CreateFieldOfType(TFieldType type, TComponent* owner);

}  // namespace morvane
