// Numbers to text and text to numbers.
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <string>

#include "platform/rtl/exceptions.h"
#include "platform/rtl/format.h"
#include "platform/rtl/format_settings.h"
#include "platform/rtl/text.h"

namespace morvane {
namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

std::string_view StripBlanks(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

// The parts of a float pattern that FormatFloat honours: literal text before
// and after the digits, how many integer digits are always shown, and the
// shown and optional digits after the point.
struct FloatPattern {
  std::string prefix;
  std::string suffix;
  int minIntegerDigits = 0;
  int minDecimals = 0;
  int maxDecimals = 0;
  bool hasPoint = false;
  // False for a section of literal text only ("'none'"), shown as it stands.
  bool hasDigits = false;
};

FloatPattern ParseFloatPattern(std::string_view pattern) {
  FloatPattern result;
  bool inDigits = false;
  bool afterDigits = false;
  for (size_t i = 0; i < pattern.size(); ++i) {
    const char c = pattern[i];
    if (c == '"' || c == '\'') {
      const size_t end = pattern.find(c, i + 1);
      const std::string_view literal =
          pattern.substr(i + 1, (end == std::string_view::npos ? pattern.size() : end) - i - 1);
      (inDigits || afterDigits ? result.suffix : result.prefix) += literal;
      if (inDigits) afterDigits = true, inDigits = false;
      i = end == std::string_view::npos ? pattern.size() : end;
      continue;
    }
    const bool placeholder = c == '0' || c == '#' || c == '.' || c == ',';
    if (placeholder && !afterDigits) {
      inDigits = true;
      if (c == '0' || c == '#') result.hasDigits = true;
      if (c == '.') {
        result.hasPoint = true;
      } else if (c == '0') {
        if (result.hasPoint) {
          result.maxDecimals++;
          result.minDecimals = result.maxDecimals;
        } else {
          result.minIntegerDigits++;
        }
      } else if (c == '#' && result.hasPoint) {
        result.maxDecimals++;
      }
      // ',' is the grouping mark; this program never groups digits.
      continue;
    }
    if (inDigits) afterDigits = true, inDigits = false;
    (afterDigits ? result.suffix : result.prefix) += c;
  }
  return result;
}

// |value| in fixed notation with exactly `decimals` digits after the point
// ("1234.50", "0.13"). The value is taken as the shortest decimal that reads
// back as the same double (2.005, not 2.00499999...; every digit of a
// 16-digit integer), then rounded half away from zero, so 2.25 gives "2.3"
// and 2.005 gives "2.01" as a person expects, not the binary neighbour's
// rounding.
std::string FixedDigits(double value, int decimals) {
  const double magnitude = std::fabs(value);
  std::string digits;
  int integerDigits = 1;  // digits before the point in `digits`
  if (magnitude != 0) {
    char buffer[64];
    const auto written = std::to_chars(buffer, buffer + sizeof buffer, magnitude,
                                       std::chars_format::scientific);  // d[.ddd]e+XX
    const std::string_view text(buffer, size_t(written.ptr - buffer));
    const size_t exponent = text.find('e');
    for (char c : text.substr(0, exponent))
      if (c != '.') digits += c;
    integerDigits = std::atoi(std::string(text.substr(exponent + 1)).c_str()) + 1;
    const int keep = integerDigits + decimals;
    if (keep < 0) {
      digits.clear();
    } else if (keep < int(digits.size())) {
      const bool roundUp = digits[size_t(keep)] >= '5';
      digits.resize(size_t(keep));
      if (roundUp) {
        int i = keep - 1;
        while (i >= 0 && digits[size_t(i)] == '9') digits[size_t(i--)] = '0';
        if (i < 0) {
          digits.insert(digits.begin(), '1');
          ++integerDigits;
        } else {
          ++digits[size_t(i)];
        }
      }
    } else {
      digits.append(size_t(keep) - digits.size(), '0');
    }
    if (digits.empty()) integerDigits = 1;
  }
  if (digits.empty()) digits.assign(size_t(1 + decimals), '0');
  // Leading zeros for values below one: "5" with one decimal and no integer
  // digit is "0.5".
  if (integerDigits <= 0) {
    digits.insert(0, size_t(1 - integerDigits), '0');
    integerDigits = 1;
  }
  if (decimals > 0) digits.insert(size_t(integerDigits), 1, '.');
  return digits;
}

}  // namespace

std::string IntToStr(int64_t value) {
  return std::to_string(value);
}

std::string FormatFloat(std::string_view pattern, double value) {
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value > 0 ? "INF" : "-INF";
  // Sections: positive;negative;zero. A negative section shows the absolute
  // value with its own literals.
  std::string_view section = pattern;
  bool useNegativeSection = false;
  const size_t firstSemicolon = pattern.find(';');
  if (firstSemicolon != std::string_view::npos) {
    section = pattern.substr(0, firstSemicolon);
    std::string_view rest = pattern.substr(firstSemicolon + 1);
    const size_t secondSemicolon = rest.find(';');
    const std::string_view negative = rest.substr(0, secondSemicolon);
    if (value == 0 && secondSemicolon != std::string_view::npos) {
      section = rest.substr(secondSemicolon + 1);
    } else if (value < 0 && !negative.empty()) {
      section = negative;
      useNegativeSection = true;
    }
  }
  if (section.empty()) return FloatToStr(value);

  const FloatPattern parsed = ParseFloatPattern(section);
  if (!parsed.hasDigits) return parsed.prefix;
  const std::string number = FixedDigits(value, parsed.maxDecimals);
  std::string integerPart = number.substr(0, number.find('.'));
  std::string fraction =
      number.find('.') == std::string::npos ? "" : number.substr(number.find('.') + 1);
  while (int(fraction.size()) > parsed.minDecimals && !fraction.empty() && fraction.back() == '0') {
    fraction.pop_back();
  }
  if (integerPart == "0" && parsed.minIntegerDigits == 0) integerPart.clear();
  while (int(integerPart.size()) < parsed.minIntegerDigits) integerPart.insert(0, "0");
  const bool roundsToZero = integerPart.find_first_not_of('0') == std::string::npos &&
                            fraction.find_first_not_of('0') == std::string::npos;

  std::string result;
  if (value < 0 && !useNegativeSection && !roundsToZero) result += '-';
  result += parsed.prefix;
  result += integerPart;
  if (!fraction.empty()) {
    result += FormatSettings().DecimalSeparator;
    result += fraction;
  }
  if (integerPart.empty() && fraction.empty() && parsed.minIntegerDigits == 0) result += '0';
  result += parsed.suffix;
  return result;
}

std::string FloatToStr(double value) {
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value > 0 ? "INF" : "-INF";
  if (value == 0) value = 0;  // a negative zero shows as "0"
  // to_chars writes what printf's "%.15g" writes, without its cost.
  char buffer[64];
  const auto end = std::to_chars(buffer, buffer + sizeof buffer, value,
                                 std::chars_format::general, 15).ptr;
  std::string text(buffer, end);
  // "1e+20" -> "1E20", "1e-05" -> "1E-5": the framework's exponent form.
  const size_t exponent = text.find('e');
  if (exponent != std::string::npos) {
    std::string mantissa = text.substr(0, exponent);
    std::string power = text.substr(exponent + 1);
    std::string sign;
    if (!power.empty() && (power[0] == '+' || power[0] == '-')) {
      if (power[0] == '-') sign = "-";
      power.erase(0, 1);
    }
    power.erase(0, std::min(power.find_first_not_of('0'), power.size() - 1));
    text = mantissa + "E" + sign + power;
  }
  const size_t point = text.find('.');
  if (point != std::string::npos) text[point] = FormatSettings().DecimalSeparator;
  return text;
}

bool TryStrToInt64(std::string_view text, int64_t& result) {
  text = StripBlanks(text);
  if (text.empty()) return false;
  size_t index = 0;
  bool negative = false;
  if (text[0] == '+' || text[0] == '-') {
    negative = text[0] == '-';
    index = 1;
  }
  if (index == text.size()) return false;
  uint64_t magnitude = 0;
  const uint64_t limit = negative ? uint64_t(std::numeric_limits<int64_t>::max()) + 1
                                  : uint64_t(std::numeric_limits<int64_t>::max());
  for (; index < text.size(); ++index) {
    const char c = text[index];
    if (c < '0' || c > '9') return false;
    const uint64_t digit = uint64_t(c - '0');
    if (magnitude > (limit - digit) / 10) return false;
    magnitude = magnitude * 10 + digit;
  }
  result = negative ? int64_t(0 - magnitude) : int64_t(magnitude);
  return true;
}

bool TryStrToInt(std::string_view text, int32_t& result) {
  int64_t wide = 0;
  if (!TryStrToInt64(text, wide)) return false;
  if (wide < std::numeric_limits<int32_t>::min() || wide > std::numeric_limits<int32_t>::max()) {
    return false;
  }
  result = int32_t(wide);
  return true;
}

int32_t StrToInt(std::string_view text) {
  int32_t result = 0;
  if (!TryStrToInt(text, result)) {
    throw EConvertError("'" + std::string(text) + "' is not a valid integer value");
  }
  return result;
}

int32_t StrToIntDef(std::string_view text, int32_t defaultValue) {
  int32_t result = defaultValue;
  return TryStrToInt(text, result) ? result : defaultValue;
}

bool TryStrToFloat(std::string_view text, double& result) {
  text = StripBlanks(text);
  if (text.empty()) return false;
  const char separator = FormatSettings().DecimalSeparator;
  std::string normalized;
  normalized.reserve(text.size());
  bool seenDigit = false;
  for (char c : text) {
    if (c >= '0' && c <= '9') {
      seenDigit = true;
      normalized += c;
    } else if (c == separator) {
      normalized += '.';
    } else if (c == '+' || c == '-' || c == 'e' || c == 'E') {
      normalized += c;
    } else {
      // Anything else (another separator, "inf", hex digits) is not a number
      // in the user's notation.
      return false;
    }
  }
  if (!seenDigit) return false;
  errno = 0;
  char* end = nullptr;
  const double value = std::strtod(normalized.c_str(), &end);
  if (end != normalized.c_str() + normalized.size() || errno == ERANGE || !std::isfinite(value)) {
    return false;
  }
  result = value;
  return true;
}

double StrToFloat(std::string_view text) {
  double result = 0;
  if (!TryStrToFloat(text, result)) {
    throw EConvertError("'" + std::string(text) + "' is not a valid floating point value");
  }
  return result;
}

}  // namespace morvane
