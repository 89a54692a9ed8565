#include "replace/builders.h"

#include "platform/rtl/format_settings.h"
#include "platform/rtl/text.h"

namespace morvane {

namespace {

// A restricted setting adds its period condition; an unrestricted one, or an
// empty condition, adds nothing.
std::string RestrictionOf(const CMvCFG& cfg, CPeriod& period) {
  if (!cfg.AWFld) return {};
  return PeriodCondition(cfg, period);
}

}  // namespace

bool HasLineBreak(std::string_view value) {
  return value.find_first_of("\r\n") != std::string_view::npos;
}

std::string PeriodCondition(const CMvCFG& cfg, CPeriod& period) {
  if (cfg.SrcFullDate.empty()) return {};
  FormatSettingsScope scope('.', '/');
  if (!period.Fixed) {
    period.Clear();
    const TDateTime today = Date();
    period.DateFrom = today - cfg.AFV01;
    period.DateTo = today;
  }
  return cfg.SrcFullDate + " BETWEEN " + period.DateFromText() + " AND " + period.DateToText();
}

bool BuildSourceQuery(const CMvCFG& cfg, std::string& sql) {
  if (cfg.InfTbl.empty()) return false;
  sql = "SELECT * FROM " + cfg.InfTbl;
  return true;
}

bool BuildMappingQuery(const CMvCFG& cfg, std::string& sql) {
  if (cfg.SrcTbl.empty() || cfg.InfTbl.empty() || cfg.SrcFullFld.empty() ||
      cfg.InfFullFld.empty() || cfg.SrcFullKey.empty())
    return false;
  // A condition false for every row whatever the key's type (a comparison
  // with a text would be refused for an integer key): only the two columns.
  sql = "SELECT " + cfg.SrcFullFld + " AS src, " + cfg.InfFullFld + " AS inf" + "\r\n FROM " +
        cfg.SrcTbl + " INNER JOIN " + cfg.InfTbl + " ON " + cfg.SrcFullFld + " = " +
        cfg.InfFullFld + "\r\n WHERE 1=0";
  return true;
}

bool BuildGroupsMappingQuery(const CMvCFG& cfg, std::string& sql) {
  if (cfg.SrcTbl.empty() || cfg.SrcFullFld.empty()) return false;
  sql = "SELECT " + cfg.SrcFullFld + " AS src, " + cfg.SrcFullFld + " AS inf" + "\r\n FROM " +
        cfg.SrcTbl + "\r\n WHERE 1 = 0";
  return true;
}

bool BuildValuesQuery(const CMvCFG& cfg, CPeriod& period, std::string& sql) {
  if (cfg.SrcTbl.empty() || cfg.SrcFld.empty()) return false;
  std::string text = "SELECT DISTINCT " + cfg.SrcFld + " FROM " + cfg.SrcTbl;
  const std::string condition = RestrictionOf(cfg, period);
  if (!condition.empty()) text += "\r\n WHERE " + condition;
  sql = std::move(text);
  return true;
}

bool BuildCountsQuery(const CMvCFG& cfg, CPeriod& period, std::string& sql) {
  if (cfg.SrcTbl.empty() || cfg.SrcFld.empty()) return false;
  // "valued" is 0 for the group of NULLs only: a client that reads a NULL
  // number as 0 still tells the two apart.
  std::string text = "SELECT " + cfg.SrcFld + ", COUNT(*) AS cnt, COUNT(" + cfg.SrcFld +
                     ") AS valued FROM " + cfg.SrcTbl;
  const std::string condition = RestrictionOf(cfg, period);
  if (!condition.empty()) text += "\r\n WHERE " + condition;
  sql = std::move(text) + "\r\n GROUP BY " + cfg.SrcFld;
  return true;
}

bool BuildUpdate(const CMvCFG& cfg, CPeriod& period, std::string_view oldValue,
                 std::string_view newValue, std::string& sql) {
  if (oldValue.empty() || newValue.empty() || cfg.SrcTbl.empty() || cfg.SrcFullFld.empty())
    return false;
  if (HasLineBreak(oldValue) || HasLineBreak(newValue)) return false;
  std::string text = "UPDATE " + cfg.SrcTbl + " SET " + cfg.SrcFullFld + " = " +
                     QuotedStr(newValue) + " WHERE " + cfg.SrcFullFld + " = " + QuotedStr(oldValue);
  const std::string condition = RestrictionOf(cfg, period);
  if (!condition.empty()) text += " AND " + condition;
  sql = std::move(text);
  return true;
}

}  // namespace morvane
