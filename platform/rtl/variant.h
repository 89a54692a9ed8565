// A value of one of the framework's variant kinds.
//
// Empty (unassigned) and Null are distinct: a field that holds no value is
// Null, a variable never assigned is Empty. Conversions follow the framework:
// Null or Empty to text is "", a text converts to a number only when the whole
// text is one (else EVariantError), a date-time converts to text with the
// format settings. An array holds variants (key values of Locate, for one).
#pragma once

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

#include "platform/rtl/date_time.h"

namespace morvane {

enum class VarKind { Empty, Null, Boolean, Integer, Int64, Double, DateTime, String, Array };

class Variant {
 public:
  struct NullTag {
    bool operator==(const NullTag&) const = default;
  };
  struct DateTimeValue {
    TDateTime value;
    bool operator==(const DateTimeValue&) const = default;
  };

  Variant() = default;
  Variant(NullTag) : value_(NullTag{}) {}
  Variant(bool value) : value_(value) {}
  Variant(int32_t value) : value_(value) {}
  Variant(int64_t value) : value_(value) {}
  Variant(double value) : value_(value) {}
  Variant(std::string value) : value_(std::move(value)) {}
  Variant(std::string_view value) : value_(std::string(value)) {}
  Variant(const char* value) : value_(std::string(value)) {}
  Variant(std::vector<Variant> items) : value_(std::move(items)) {}

  static Variant Null() { return Variant(NullTag{}); }
  static Variant FromDateTime(TDateTime value);

  VarKind Kind() const;
  bool IsEmpty() const { return Kind() == VarKind::Empty; }
  bool IsNull() const { return Kind() == VarKind::Null; }
  // Empty or Null: no value at all.
  bool IsClear() const { return IsEmpty() || IsNull(); }
  bool IsArray() const { return Kind() == VarKind::Array; }

  // Conversions; each throws EVariantError when the value does not convert.
  std::string AsString() const;
  int32_t AsInteger() const;
  int64_t AsInt64() const;
  double AsDouble() const;
  bool AsBoolean() const;
  TDateTime AsDateTime() const;
  const std::vector<Variant>& AsArray() const;

  // Same kind and same value (Empty == Empty, Null == Null).
  bool operator==(const Variant& other) const { return value_ == other.value_; }

 private:
  std::variant<std::monostate, NullTag, bool, int32_t, int64_t, double, DateTimeValue, std::string,
               std::vector<Variant>>
      value_;
};

// Name of a kind for messages ("Integer", "String", ...).
const char* VarKindName(VarKind kind);

}  // namespace morvane
