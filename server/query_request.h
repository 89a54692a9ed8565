// The server half of a query dataset's load: writing the parameter values
// into the prepared SQL text, and sending the text through the session.
//
// The prepared text holds a '?' for every parameter reference. The values go
// in, in parameter order, at the '?' marks of the prepared text, found in one
// pass: a value that itself holds a '?' is never rewritten by the next
// parameter. Marks without a parameter stay as they are; parameters without
// a mark are dropped. Values are written as SQL literals in the session's
// dialect, with '.' as decimal and '/' as date separator whatever the user's
// settings are (they are restored afterwards):
//
//   String          'O''Hara'                 apostrophes doubled
//   Date            #12/31/2024#              DateQuote, DateFormat, DateQuote
//   DateTime        #12/31/2024 00:00:00#     with the time, also at midnight,
//                   #12/31/2024 13:05:00.250#   and milliseconds when not zero
//   Time            #13:05:00#                quoted like dates
//   Boolean         True False / 1 0          zeDAO's literals / the others'
//   Float, Currency 1234.5                    pattern "0.######", no grouping
//   Other           42  -1.5e3                a number, NULL for no value
//
// A value written without quotes becomes SQL text, so it must be a number:
// an integer or a number in the invariant form ('.' before decimals, an
// optional exponent). Anything else ("1; DELETE FROM Goods") raises
// EDatabaseError with sessionmsg::kParamNotNumber naming the parameter, and
// nothing is sent.
//
// QueryServer sends the finished text (with the session's UserID in front)
// and returns the reply buffer for the dataset to load; an error reply ('E')
// is returned like any other and reported by the load.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/rtl/streams.h"
#include "platform/rtl/variant.h"

namespace morvane {

class TzelDatabase;

enum class TSqlParamKind { String, Date, DateTime, Time, Boolean, Float, Currency, Other };

struct TSqlParamValue {
  TSqlParamKind kind = TSqlParamKind::Other;
  Variant value;
  std::string name;  // named in errors
};

// The literal of one parameter value in the session's dialect. Call inside a
// scope that sets '.' and '/' (QueryText does).
std::string SqlParamLiteral(const TSqlParamValue& param, const TzelDatabase& session);

// Each '?' of text, from the left, replaced by the next of literals.
std::string SubstituteParams(std::string_view text, const std::vector<std::string>& literals);

// The request text of a load: preparedSQL trimmed of blanks and control
// characters and cut at its first zero character, the parameters written in.
std::string QueryText(std::string_view preparedSQL, const std::vector<TSqlParamValue>& params,
                      const TzelDatabase& session);

// Sends text for a load. A closed session is connected first (its Connect
// errors pass through); still closed, raises _Z_NOSESSION. A reply with a
// negative status closes the session and raises _Z_NOREPLY. Errors name
// componentName. Otherwise returns the reply bytes, positioned at the start.
std::unique_ptr<TMemoryStream> QueryServer(TzelDatabase& session, const std::string& text,
                                           const std::string& componentName = {});

}  // namespace morvane
