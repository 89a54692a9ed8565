// TParams / TParam: the named values of an SQL text's parameter markers.
//
// ParseSQL turns every ":name" marker of an SQL text into "?" and, when asked,
// creates one parameter per marker in text order (a name used twice gives two
// parameters, because each "?" takes the next parameter). Markers inside
// quoted literals ('...', "...") are left alone, as is "::" (a type cast).
// A name is a run of letters, digits, '_' , '.' and non-ASCII characters, or
// a quoted name (:"two words").
//
// Parameter values are Variants typed by the last assignment (AsString sets
// ftString, AsDate ftDate...). ParamByName raises "Parameter '%s' not found"
// naming the owner component.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/db/db_types.h"
#include "platform/rtl/date_time.h"
#include "platform/rtl/variant.h"

namespace morvane {

class TComponent;
class TField;

enum TParamType : uint8_t { ptUnknown, ptInput, ptOutput, ptInputOutput, ptResult };

class TParam {
 public:
  TParam() = default;
  TParam(std::string name, TFieldType dataType, TParamType paramType)
      : name_(std::move(name)), dataType_(dataType), paramType_(paramType) {}

  const std::string& Name() const { return name_; }
  void SetName(const std::string& name) { name_ = name; }
  TFieldType DataType() const { return dataType_; }
  void SetDataType(TFieldType type) { dataType_ = type; }
  TParamType ParamType() const { return paramType_; }
  void SetParamType(TParamType type) { paramType_ = type; }
  // Whether a value was assigned since creation or the last Clear.
  bool Bound() const { return bound_; }
  bool IsNull() const { return value_.IsClear(); }
  void Clear();

  const Variant& Value() const { return value_; }
  // Assigns a value; an untyped parameter takes the type of the value.
  void SetValue(const Variant& value);

  std::string AsString() const;
  void SetAsString(const std::string& value);
  int32_t AsInteger() const;
  void SetAsInteger(int32_t value);
  int32_t AsSmallInt() const { return AsInteger(); }
  void SetAsSmallInt(int32_t value);
  double AsFloat() const;
  void SetAsFloat(double value);
  double AsCurrency() const { return AsFloat(); }
  void SetAsCurrency(double value);
  bool AsBoolean() const;
  void SetAsBoolean(bool value);
  TDateTime AsDateTime() const;
  void SetAsDateTime(TDateTime value);
  TDateTime AsDate() const { return AsDateTime(); }
  void SetAsDate(TDateTime value);
  TDateTime AsTime() const { return AsDateTime(); }
  void SetAsTime(TDateTime value);
  std::string AsMemo() const { return AsString(); }
  void SetAsMemo(const std::string& value);
  // The value as text ("" for Null); dates and numbers by the format settings.
  std::string Text() const { return AsString(); }
  void SetText(const std::string& value) { SetAsString(value); }

  // Copies name, types and value.
  void Assign(const TParam& source);
  // Copies the field's type and value.
  void AssignField(const TField& field);
  void AssignFieldValue(const TField& field, const Variant& value);
  bool IsEqual(const TParam& other) const;

 private:
  void Set(TFieldType type, Variant value);

  std::string name_;
  TFieldType dataType_ = ftUnknown;
  TParamType paramType_ = ptUnknown;
  Variant value_ = Variant::Null();
  bool bound_ = false;
};

class TParams {
 public:
  // owner names the errors ("Query1: Parameter 'x' not found").
  explicit TParams(const TComponent* owner = nullptr) : owner_(owner) {}
  TParams(const TParams& other);
  TParams& operator=(const TParams& other);

  int Count() const { return int(items_.size()); }
  TParam* Items(int index) const;  // EListError outside 0..Count-1
  TParam* operator[](int index) const { return Items(index); }
  TParam* Add(std::string name, TFieldType dataType = ftUnknown, TParamType type = ptInput);
  TParam* CreateParam(TFieldType dataType, std::string name, TParamType type) {
    return Add(std::move(name), dataType, type);
  }
  void Delete(int index);
  void Clear() { items_.clear(); }
  // First parameter of the name (case-insensitive), or null.
  TParam* FindParam(std::string_view name) const;
  TParam* ParamByName(std::string_view name) const;
  // The parameters named in a ";"-separated list; an unknown one raises.
  std::vector<TParam*> GetParamList(std::string_view names) const;
  // Copies all parameters of source (replacing this list).
  void Assign(const TParams& source);
  // Every parameter here takes the value and type of the first parameter
  // with its name in source; parameters are neither added nor removed.
  void AssignValues(const TParams& source);
  bool IsEqual(const TParams& other) const;

  // The SQL text with every marker replaced by "?"; with doCreate, one
  // parameter per marker is appended in text order.
  std::string ParseSQL(std::string_view sql, bool doCreate);

  auto begin() const { return items_.begin(); }
  auto end() const { return items_.end(); }

 private:
  const TComponent* owner_;
  std::vector<std::unique_ptr<TParam>> items_;
};

}  // namespace morvane
