#include "replace/period.h"

#include <cmath>

#include "platform/rtl/format.h"
#include "platform/rtl/format_settings.h"

namespace morvane {

std::string CPeriod::DateText(TDateTime date) const {
  if (std::trunc(date) == 0) return {};
  const TSqlDateDialect dialect = DialectSource ? DialectSource() : TSqlDateDialect{};
  std::string formatted;
  {
    FormatSettingsScope scope;
    FormatSettings().DateSeparator = DateSep;
    formatted = FormatDateTime(dialect.DateFormat, date);
  }
  std::string literal(1, dialect.DateQuote);
  for (char ch : formatted) {
    literal += ch;
    if (ch == dialect.DateQuote) literal += ch;
  }
  literal += dialect.DateQuote;
  return literal;
}

}  // namespace morvane
