#include "server/query_request.h"

#include <cmath>
#include <utility>

#include "engine/zelconst.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/format.h"
#include "platform/rtl/format_settings.h"
#include "platform/rtl/text.h"
#include "server/database.h"
#include "server/session_messages.h"
#include "server/sql_date_text.h"

namespace morvane {

namespace {

constexpr char kFloatPattern[] = "0.######";

// A number as SQL reads it: optional sign, digits with an optional '.' and
// decimals (or '.' and decimals), an optional exponent.
bool IsInvariantNumber(std::string_view text) {
  size_t position = 0;
  const auto digits = [&] {
    const size_t start = position;
    while (position < text.size() && text[position] >= '0' && text[position] <= '9') ++position;
    return position - start;
  };
  if (position < text.size() && (text[position] == '+' || text[position] == '-')) ++position;
  size_t mantissa = digits();
  if (position < text.size() && text[position] == '.') {
    ++position;
    mantissa += digits();
  }
  if (mantissa == 0) return false;
  if (position < text.size() && (text[position] == 'e' || text[position] == 'E')) {
    ++position;
    if (position < text.size() && (text[position] == '+' || text[position] == '-')) ++position;
    if (digits() == 0) return false;
  }
  return position == text.size();
}

[[noreturn]] void RaiseNotNumber(const TSqlParamValue& param, std::string_view text) {
  DatabaseError(zelconst::FormatMessage(sessionmsg::kParamNotNumber, {param.name, text}));
}

// The text of a value written without quotes: a number, or NULL for none.
std::string UnquotedNumber(const TSqlParamValue& param) {
  switch (param.value.Kind()) {
    case VarKind::Empty:
    case VarKind::Null:
      return "NULL";
    case VarKind::Integer:
    case VarKind::Int64:
      return param.value.AsString();
    default:
      break;
  }
  const std::string text = Trim(param.value.AsString());
  if (!IsInvariantNumber(text)) RaiseNotNumber(param, param.value.AsString());
  return text;
}

std::string QuotedDate(const TzelDatabase& session, const std::string& text) {
  return session.DateQuote() + text + session.DateQuote();
}

}  // namespace

std::string SqlParamLiteral(const TSqlParamValue& param, const TzelDatabase& session) {
  switch (param.kind) {
    case TSqlParamKind::String:
      return QuotedStr(param.value.AsString());
    case TSqlParamKind::Date:
      return QuotedDate(session, FormatDateTime(session.DateFormat(), param.value.AsDateTime()));
    case TSqlParamKind::DateTime:
      return QuotedDate(session, SqlDateTimeText(DateTimeToTimeStamp(param.value.AsDateTime()),
                                                 session.DateFormat()));
    case TSqlParamKind::Time:
      return QuotedDate(session, SqlTimeText(DateTimeToTimeStamp(param.value.AsDateTime()).Time));
    case TSqlParamKind::Boolean: {
      const bool value = param.value.AsBoolean();
      if (session.Engine() == zeDAO) return value ? "True" : "False";
      return value ? "1" : "0";
    }
    case TSqlParamKind::Float:
    case TSqlParamKind::Currency: {
      const double value = param.value.AsDouble();
      const std::string text = FormatFloat(kFloatPattern, value);
      if (!std::isfinite(value)) RaiseNotNumber(param, text);
      return text;
    }
    case TSqlParamKind::Other:
      break;
  }
  return UnquotedNumber(param);
}

std::string SubstituteParams(std::string_view text, const std::vector<std::string>& literals) {
  std::string result;
  result.reserve(text.size());
  size_t nextLiteral = 0;
  for (char symbol : text) {
    if (symbol == '?' && nextLiteral < literals.size()) {
      result += literals[nextLiteral++];
    } else {
      result += symbol;
    }
  }
  return result;
}

std::string QueryText(std::string_view preparedSQL, const std::vector<TSqlParamValue>& params,
                      const TzelDatabase& session) {
  std::string text = Trim(preparedSQL);
  size_t zero = text.find('\0');
  if (zero != std::string::npos) text.resize(zero);
  FormatSettingsScope sqlSeparators('.', '/');
  std::vector<std::string> literals;
  literals.reserve(params.size());
  for (const TSqlParamValue& param : params) literals.push_back(SqlParamLiteral(param, session));
  return SubstituteParams(text, literals);
}

std::unique_ptr<TMemoryStream> QueryServer(TzelDatabase& session, const std::string& text,
                                           const std::string& componentName) {
  if (!session.Connected()) session.Connect();
  if (!session.Connected()) DatabaseError(zelconst::_Z_NOSESSION, componentName);
  TransportResult reply = session.SendToServer(session.UserID() + text);
  if (!session.Connected()) DatabaseError(zelconst::_Z_NOREPLY, componentName);
  return std::make_unique<TMemoryStream>(std::move(reply.bytes));
}

}  // namespace morvane
