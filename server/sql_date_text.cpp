#include "server/sql_date_text.h"

#include <cstdio>

#include "platform/rtl/format.h"

namespace morvane {

std::string SqlDateText(int32_t dayNumber, std::string_view dateFormat) {
  return FormatDateTime(dateFormat, TimeStampToDateTime(TTimeStamp{0, dayNumber}));
}

std::string SqlTimeText(int32_t milliseconds) {
  const int hours = milliseconds / 3'600'000;
  const int minutes = milliseconds / 60'000 % 60;
  const int seconds = milliseconds / 1000 % 60;
  const int fraction = milliseconds % 1000;
  char text[16];
  if (fraction != 0) {
    std::snprintf(text, sizeof text, "%02d:%02d:%02d.%03d", hours, minutes, seconds, fraction);
  } else {
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", hours, minutes, seconds);
  }
  return text;
}

std::string SqlDateTimeText(const TTimeStamp& stamp, std::string_view dateFormat) {
  return SqlDateText(stamp.Date, dateFormat) + ' ' + SqlTimeText(stamp.Time);
}

}  // namespace morvane
