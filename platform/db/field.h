// TField: one column of a dataset as the rest of the program sees it, and
// TFields, a dataset's ordered list of them.
//
// A field holds no value of its own. Reading asks the dataset for the value
// in the record buffer of the current state (GetFieldData), writing hands a
// value to the dataset (SetFieldData); the bytes exchanged are the field
// class's native format (see fields.h), DataSize bytes long. Calculated and
// lookup fields live in the calculation area of the record buffer at their
// Offset; data fields are found by FieldNo (1-based position in the field
// definitions).
//
// Lifetime: a field belongs to one dataset at a time (SetDataSet). The
// dataset deletes the fields in its list when it is destroyed, and default
// fields when it closes; a field deleted earlier leaves the list itself.
// A lookup field registers for its lookup dataset's destruction notice and
// drops the reference when that dataset dies.
//
// Errors are EDatabaseError naming the dataset where there is one.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/db/component.h"
#include "platform/db/db_types.h"
#include "platform/rtl/date_time.h"
#include "platform/rtl/variant.h"

namespace morvane {

class TDataSet;
class TField;

using TFieldNotifyEvent = std::function<void(TField* sender)>;
// text is the shown text (out); displayText is true for display, false for editing.
using TFieldGetTextEvent = std::function<void(TField* sender, std::string& text, bool displayText)>;
using TFieldSetTextEvent = std::function<void(TField* sender, const std::string& text)>;

class TField : public TComponent {
 public:
  explicit TField(TComponent* owner = nullptr);
  ~TField() override;

  // Moves the field into the dataset's list (or out of any with null).
  // Not allowed while either dataset is open.
  TDataSet* DataSet() const { return dataSet_; }
  void SetDataSet(TDataSet* dataSet);

  // Identity and layout.
  const std::string& FieldName() const { return fieldName_; }
  void SetFieldName(const std::string& name);
  const std::string& FullName() const { return fieldName_; }
  int FieldNo() const { return fieldNo_; }
  TFieldType DataType() const { return dataType_; }
  TFieldKind FieldKind() const { return fieldKind_; }
  void SetFieldKind(TFieldKind kind);
  bool Calculated() const { return fieldKind_ == fkCalculated; }
  void SetCalculated(bool value) { SetFieldKind(value ? fkCalculated : fkData); }
  bool Lookup() const { return fieldKind_ == fkLookup; }
  void SetLookup(bool value) { SetFieldKind(value ? fkLookup : fkData); }
  // Declared size: characters (bytes) for strings, 0 for fixed-size types.
  int Size() const { return size_; }
  void SetSize(int size);
  // Bytes of the native value exchanged with the dataset.
  virtual int DataSize() const { return 0; }
  // Position of a calculated or lookup field's flag byte in the calculation
  // area (set when the dataset binds its fields).
  int Offset() const { return offset_; }
  // Position in the dataset's field list.
  int Index() const;
  void SetIndex(int index);
  virtual bool IsBlob() const { return false; }

  // Presentation.
  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment value);
  const std::string& DisplayLabel() const { return displayLabel_; }
  void SetDisplayLabel(const std::string& value);
  // DisplayLabel, or FieldName when there is none.
  const std::string& DisplayName() const;
  int DisplayWidth() const;
  void SetDisplayWidth(int value);
  const std::string& EditMask() const { return editMask_; }
  void SetEditMask(const std::string& value) { editMask_ = value; }
  bool Visible() const { return visible_; }
  void SetVisible(bool value);
  const std::string& DefaultExpression() const { return defaultExpression_; }
  void SetDefaultExpression(const std::string& value) { defaultExpression_ = value; }
  const std::string& Origin() const { return origin_; }
  void SetOrigin(const std::string& value) { origin_ = value; }
  bool ReadOnly() const { return readOnly_; }
  void SetReadOnly(bool value);
  bool Required() const { return required_; }
  void SetRequired(bool value) { required_ = value; }

  // Lookup fields: KeyFields of this dataset are matched against
  // LookupKeyFields of LookupDataSet; the value is its LookupResultField.
  TDataSet* LookupDataSet() const { return lookupDataSet_; }
  void SetLookupDataSet(TDataSet* dataSet);
  const std::string& KeyFields() const { return keyFields_; }
  void SetKeyFields(const std::string& value) { keyFields_ = value; }
  const std::string& LookupKeyFields() const { return lookupKeyFields_; }
  void SetLookupKeyFields(const std::string& value) { lookupKeyFields_ = value; }
  const std::string& LookupResultField() const { return lookupResultField_; }
  void SetLookupResultField(const std::string& value) { lookupResultField_ = value; }
  // Computes the value of a lookup field into the calculation buffer.
  void CalcLookupValue();

  // Values. Reading a field of a closed or empty dataset gives Null / "" / 0.
  bool IsNull() const;
  Variant Value() const { return AsVariant(); }
  void SetValue(const Variant& value) { SetAsVariant(value); }
  Variant AsVariant() const { return GetAsVariant(); }
  void SetAsVariant(const Variant& value);
  std::string AsString() const { return GetAsString(); }
  void SetAsString(const std::string& value) { SetAsStringValue(value); }
  int32_t AsInteger() const { return GetAsInteger(); }
  void SetAsInteger(int32_t value) { SetAsIntegerValue(value); }
  double AsFloat() const { return GetAsFloat(); }
  void SetAsFloat(double value) { SetAsFloatValue(value); }
  double AsCurrency() const { return GetAsFloat(); }
  void SetAsCurrency(double value) { SetAsFloatValue(value); }
  bool AsBoolean() const { return GetAsBoolean(); }
  void SetAsBoolean(bool value) { SetAsBooleanValue(value); }
  TDateTime AsDateTime() const { return GetAsDateTime(); }
  void SetAsDateTime(TDateTime value) { SetAsDateTimeValue(value); }
  // The value the record had before the current edit (state dsOldValue),
  // the value being written (dsNewValue) and the stored value (dsCurValue).
  Variant OldValue() const;
  Variant NewValue() const;
  Variant CurValue() const;
  void Clear() { SetData(nullptr); }

  // Text for editing (Text) and for showing (DisplayText); both go through
  // OnGetText when it is set. Assigning Text goes through OnSetText.
  std::string Text() const;
  void SetText(const std::string& value);
  std::string DisplayText() const;

  // Whether a typed character may go into the field's text.
  virtual bool IsValidChar(char32_t ch) const;
  // Whether a user may change the value now.
  bool CanModify() const;
  // Asks the controls showing the field to take the focus.
  void FocusControl();

  // Native data exchange with the dataset; buffer holds DataSize bytes,
  // null means "no value".
  bool GetData(void* buffer) const;
  void SetData(const void* buffer);
  // Runs OnValidate with the value about to be written; while it runs,
  // reading the field gives that value. The dataset calls it from
  // SetFieldData before storing.
  void Validate(const void* buffer);

  // Events.
  TFieldGetTextEvent OnGetText;
  TFieldSetTextEvent OnSetText;
  TFieldNotifyEvent OnValidate;
  TFieldNotifyEvent OnChange;

 protected:
  friend class TDataSet;
  friend class TFieldDef;

  // Conversions each field class provides; the base ones raise
  // "Cannot access field '%s' as type %s".
  virtual Variant GetAsVariant() const;
  virtual void SetVariantValue(const Variant& value);
  virtual std::string GetAsString() const;
  virtual void SetAsStringValue(const std::string& value);
  virtual int32_t GetAsInteger() const;
  virtual void SetAsIntegerValue(int32_t value);
  virtual double GetAsFloat() const;
  virtual void SetAsFloatValue(double value);
  virtual bool GetAsBoolean() const;
  virtual void SetAsBooleanValue(bool value);
  virtual TDateTime GetAsDateTime() const;
  virtual void SetAsDateTimeValue(TDateTime value);
  // The text for editing (displayText false) or showing; base: AsString.
  virtual void GetText(std::string& text, bool displayText) const;
  virtual void SetTextValue(const std::string& text) { SetAsStringValue(text); }
  virtual int DefaultDisplayWidth() const { return 10; }

  void SetDataType(TFieldType type) { dataType_ = type; }
  void Notification(TComponent* component, TOperation operation) override;
  // Runs OnChange; the dataset calls it after a field change.
  void Change();
  [[noreturn]] void AccessError(const char* typeName) const;
  [[noreturn]] void RangeError(const std::string& value, const std::string& min,
                               const std::string& max) const;
  void CheckInactive() const;

 private:
  TDataSet* dataSet_ = nullptr;
  std::string fieldName_;
  int fieldNo_ = 0;
  TFieldType dataType_ = ftUnknown;
  TFieldKind fieldKind_ = fkData;
  int size_ = 0;
  int offset_ = 0;
  TAlignment alignment_ = taLeftJustify;
  std::string displayLabel_;
  int displayWidth_ = 0;
  std::string editMask_;
  bool visible_ = true;
  std::string defaultExpression_;
  std::string origin_;
  bool readOnly_ = false;
  bool required_ = false;
  TDataSet* lookupDataSet_ = nullptr;
  std::string keyFields_;
  std::string lookupKeyFields_;
  std::string lookupResultField_;
  // While OnValidate runs: the value being written (null = no value).
  bool validating_ = false;
  const void* validateBuffer_ = nullptr;
};

// A dataset's fields in display order. Holds references: the dataset deletes
// its fields, a field leaves the list when it is deleted.
class TFields {
 public:
  explicit TFields(TDataSet* dataSet) : dataSet_(dataSet) {}

  int Count() const { return int(fields_.size()); }
  TField* operator[](int index) const { return Fields(index); }
  TField* Fields(int index) const;  // EListError outside 0..Count-1
  int IndexOf(const TField* field) const;
  // First field of that name, compared without regard to case; null when none.
  TField* FindField(std::string_view name) const;
  // As FindField, but raises "Field '%s' not found" naming the dataset.
  TField* FieldByName(std::string_view name) const;
  // The field with that FieldNo, or null.
  TField* FieldByNumber(int fieldNo) const;
  auto begin() const { return fields_.begin(); }
  auto end() const { return fields_.end(); }

 private:
  friend class TField;
  friend class TDataSet;
  void Add(TField* field);
  void Remove(TField* field);
  void Move(int from, int to);

  TDataSet* dataSet_;
  std::vector<TField*> fields_;
};

}  // namespace morvane
