#include "platform/rtl/variant.h"

#include <cmath>
#include <limits>

#include "platform/rtl/exceptions.h"
#include "platform/rtl/format.h"
#include "platform/rtl/text.h"

namespace morvane {
namespace {

[[noreturn]] void CannotConvert(VarKind from, const char* to) {
  throw EVariantError(std::string("Could not convert variant of type (") + VarKindName(from) +
                      ") into type (" + to + ")");
}

}  // namespace

Variant Variant::FromDateTime(TDateTime value) {
  Variant result;
  result.value_ = DateTimeValue{value};
  return result;
}

VarKind Variant::Kind() const {
  switch (value_.index()) {
    case 0:
      return VarKind::Empty;
    case 1:
      return VarKind::Null;
    case 2:
      return VarKind::Boolean;
    case 3:
      return VarKind::Integer;
    case 4:
      return VarKind::Int64;
    case 5:
      return VarKind::Double;
    case 6:
      return VarKind::DateTime;
    case 7:
      return VarKind::String;
    default:
      return VarKind::Array;
  }
}

const char* VarKindName(VarKind kind) {
  switch (kind) {
    case VarKind::Empty:
      return "Empty";
    case VarKind::Null:
      return "Null";
    case VarKind::Boolean:
      return "Boolean";
    case VarKind::Integer:
      return "Integer";
    case VarKind::Int64:
      return "Int64";
    case VarKind::Double:
      return "Double";
    case VarKind::DateTime:
      return "Date";
    case VarKind::String:
      return "String";
    case VarKind::Array:
      return "Array";
  }
  return "Unknown";
}

std::string Variant::AsString() const {
  switch (Kind()) {
    case VarKind::Empty:
    case VarKind::Null:
      return {};
    case VarKind::Boolean:
      return std::get<bool>(value_) ? "True" : "False";
    case VarKind::Integer:
      return IntToStr(std::get<int32_t>(value_));
    case VarKind::Int64:
      return IntToStr(std::get<int64_t>(value_));
    case VarKind::Double:
      return FloatToStr(std::get<double>(value_));
    case VarKind::DateTime:
      return DateTimeToStr(std::get<DateTimeValue>(value_).value);
    case VarKind::String:
      return std::get<std::string>(value_);
    case VarKind::Array:
      break;
  }
  CannotConvert(Kind(), "String");
}

int64_t Variant::AsInt64() const {
  switch (Kind()) {
    case VarKind::Empty:
      return 0;
    case VarKind::Boolean:
      return std::get<bool>(value_) ? -1 : 0;
    case VarKind::Integer:
      return std::get<int32_t>(value_);
    case VarKind::Int64:
      return std::get<int64_t>(value_);
    case VarKind::Double:
    case VarKind::DateTime: {
      const double value = AsDouble();
      if (!(std::fabs(value) < 9.2e18)) CannotConvert(Kind(), "Int64");
      return std::llrint(value);  // round half to even, as the framework does
    }
    case VarKind::String: {
      int64_t result = 0;
      if (TryStrToInt64(std::get<std::string>(value_), result)) return result;
      double asFloat = 0;
      if (TryStrToFloat(std::get<std::string>(value_), asFloat) && std::fabs(asFloat) < 9.2e18) {
        return std::llrint(asFloat);
      }
      break;
    }
    default:
      break;
  }
  CannotConvert(Kind(), "Int64");
}

int32_t Variant::AsInteger() const {
  const int64_t value = AsInt64();
  if (value < std::numeric_limits<int32_t>::min() || value > std::numeric_limits<int32_t>::max()) {
    CannotConvert(Kind(), "Integer");
  }
  return int32_t(value);
}

double Variant::AsDouble() const {
  switch (Kind()) {
    case VarKind::Empty:
      return 0;
    case VarKind::Boolean:
      return std::get<bool>(value_) ? -1 : 0;
    case VarKind::Integer:
      return std::get<int32_t>(value_);
    case VarKind::Int64:
      return double(std::get<int64_t>(value_));
    case VarKind::Double:
      return std::get<double>(value_);
    case VarKind::DateTime:
      return std::get<DateTimeValue>(value_).value;
    case VarKind::String: {
      double result = 0;
      if (TryStrToFloat(std::get<std::string>(value_), result)) return result;
      break;
    }
    default:
      break;
  }
  CannotConvert(Kind(), "Double");
}

bool Variant::AsBoolean() const {
  switch (Kind()) {
    case VarKind::Empty:
      return false;
    case VarKind::Boolean:
      return std::get<bool>(value_);
    case VarKind::Integer:
    case VarKind::Int64:
    case VarKind::Double:
    case VarKind::DateTime:
      return AsDouble() != 0;
    case VarKind::String: {
      const std::string& text = std::get<std::string>(value_);
      if (AnsiSameText(text, "True")) return true;
      if (AnsiSameText(text, "False")) return false;
      double number = 0;
      if (TryStrToFloat(text, number)) return number != 0;
      break;
    }
    default:
      break;
  }
  CannotConvert(Kind(), "Boolean");
}

TDateTime Variant::AsDateTime() const {
  switch (Kind()) {
    case VarKind::Empty:
      return 0;
    case VarKind::Integer:
    case VarKind::Int64:
    case VarKind::Double:
    case VarKind::DateTime:
      return AsDouble();
    case VarKind::String: {
      TDateTime result = 0;
      if (TryStrToDateTime(std::get<std::string>(value_), result)) return result;
      break;
    }
    default:
      break;
  }
  CannotConvert(Kind(), "Date");
}

const std::vector<Variant>& Variant::AsArray() const {
  if (Kind() != VarKind::Array) CannotConvert(Kind(), "Array");
  return std::get<std::vector<Variant>>(value_);
}

}  // namespace morvane
