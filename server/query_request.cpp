#include "server/query_request.h"

#include <utility>

#include "engine/zelconst.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/format.h"
#include "platform/rtl/format_settings.h"
#include "platform/rtl/text.h"
#include "server/database.h"

namespace morvane {

namespace {

constexpr char kFloatPattern[] = "0.######";

}  // namespace

std::string SqlParamLiteral(const TSqlParamValue& param, const TzelDatabase& session) {
  switch (param.kind) {
    case TSqlParamKind::String:
      return QuotedStr(param.value.AsString());
    case TSqlParamKind::Date:
    case TSqlParamKind::DateTime: {
      const char quote = session.DateQuote();
      return quote + FormatDateTime(session.DateFormat(), param.value.AsDateTime()) + quote;
    }
    case TSqlParamKind::Float:
    case TSqlParamKind::Currency:
      return FormatFloat(kFloatPattern, param.value.AsDouble());
    case TSqlParamKind::Other:
      break;
  }
  return param.value.AsString();
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
