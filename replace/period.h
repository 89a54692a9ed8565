// CPeriod: the date period of a restricted setting, and date literals in the
// SQL dialect of the session.
//
// DateText turns a date into a literal such as '31/12/2026' or #12/31/2026#:
// the session's DateFormat with DateSep as the date separator, between two of
// the session's DateQuote characters (a quote character inside is doubled).
// The dialect is read through DialectSource at each call, so a later
// SetEngine of the session is seen; without a source the session's initial
// dialect applies. A date whose whole-day part is 0 gives an empty text.
#pragma once

#include <functional>
#include <string>

#include "platform/rtl/date_time.h"

namespace morvane {

struct TSqlDateDialect {
  std::string DateFormat = "dd/mm/yyyy";
  char DateQuote = '\'';
};

class CPeriod {
 public:
  void Clear() {
    DateFrom = 0;
    DateTo = 0;
  }
  std::string DateText(TDateTime date) const;
  std::string DateFromText() const { return DateText(DateFrom); }
  std::string DateToText() const { return DateText(DateTo); }

  char DateSep = '/';
  // True: the period is DateFrom..DateTo as set (a replayed run keeps the
  // period of its original); false: the condition sets it to the last
  // AFV01 days each time it is built.
  bool Fixed = false;
  TDateTime DateFrom = 0;
  TDateTime DateTo = 0;
  std::function<TSqlDateDialect()> DialectSource;
};

}  // namespace morvane
