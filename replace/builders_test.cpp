#include "replace/builders.h"

#include <gtest/gtest.h>

#include <ctime>

#include "platform/rtl/format_settings.h"

namespace morvane {
namespace {

CMvCFG DefaultSetting() {
  CMvCFG cfg("/nonexistent-dir");
  cfg.Load();
  return cfg;
}

// The calendar date daysAgo days before today, written independently of the
// runtime's formatting: {day, month, year}.
struct CalendarDate {
  int day, month, year;
};
CalendarDate DaysAgo(int daysAgo) {
  std::time_t now = std::time(nullptr);
  std::tm local = *std::localtime(&now);
  local.tm_mday -= daysAgo;
  local.tm_hour = 12;  // away from daylight-saving edges
  std::mktime(&local);
  return {local.tm_mday, local.tm_mon + 1, local.tm_year + 1900};
}
std::string TwoDigits(int value) {
  return (value < 10 ? "0" : "") + std::to_string(value);
}

TEST(BuildersTest, DefaultSettingGivesTheExactTexts) {
  CMvCFG cfg = DefaultSetting();
  CPeriod period;
  std::string sql;
  ASSERT_TRUE(BuildSourceQuery(cfg, sql));
  EXPECT_EQ(sql, "SELECT * FROM Units");
  ASSERT_TRUE(BuildMappingQuery(cfg, sql));
  EXPECT_EQ(sql,
            "SELECT Goods.Unit AS src, Units.Ident AS inf\r\n"
            " FROM Goods INNER JOIN Units ON Goods.Unit = Units.Ident\r\n"
            " WHERE 1=0");
  ASSERT_TRUE(BuildValuesQuery(cfg, period, sql));
  EXPECT_EQ(sql, "SELECT DISTINCT Unit FROM Goods");
  ASSERT_TRUE(BuildUpdate(cfg, period, "шт", "ШТ", sql));
  EXPECT_EQ(sql, "UPDATE Goods SET Goods.Unit = 'ШТ' WHERE Goods.Unit = 'шт'");
}

TEST(BuildersTest, ApostrophesInValuesAreDoubled) {
  CMvCFG cfg = DefaultSetting();
  CPeriod period;
  std::string sql;
  ASSERT_TRUE(BuildUpdate(cfg, period, "O'Hara's", "'", sql));
  EXPECT_EQ(sql, "UPDATE Goods SET Goods.Unit = '''' WHERE Goods.Unit = 'O''Hara''s'");
}

TEST(BuildersTest, BuildersRefuseWhenANeededSettingIsEmptyAndLeaveTheOutput) {
  struct Case {
    const char* name;
    std::string CMvCFG::*field;
    bool source, mapping, values, update;
  };
  const Case cases[] = {
      {"SrcTbl", &CMvCFG::SrcTbl, true, false, false, false},
      {"SrcFld", &CMvCFG::SrcFld, true, true, false, true},
      {"InfTbl", &CMvCFG::InfTbl, false, false, true, true},
      {"SrcFullFld", &CMvCFG::SrcFullFld, true, false, true, false},
      {"InfFullFld", &CMvCFG::InfFullFld, true, false, true, true},
      {"SrcFullKey", &CMvCFG::SrcFullKey, true, false, true, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    CMvCFG cfg = DefaultSetting();
    cfg.*c.field = "";
    CPeriod period;
    std::string sql = "untouched";
    EXPECT_EQ(BuildSourceQuery(cfg, sql), c.source);
    sql = "untouched";
    EXPECT_EQ(BuildMappingQuery(cfg, sql), c.mapping);
    if (!c.mapping) {
      EXPECT_EQ(sql, "untouched");
    }
    sql = "untouched";
    EXPECT_EQ(BuildValuesQuery(cfg, period, sql), c.values);
    if (!c.values) {
      EXPECT_EQ(sql, "untouched");
    }
    sql = "untouched";
    EXPECT_EQ(BuildUpdate(cfg, period, "a", "b", sql), c.update);
    if (!c.update) {
      EXPECT_EQ(sql, "untouched");
    }
  }
}

TEST(BuildersTest, UpdateRefusesAnEmptyOldOrNewValue) {
  CMvCFG cfg = DefaultSetting();
  CPeriod period;
  std::string sql = "untouched";
  EXPECT_FALSE(BuildUpdate(cfg, period, "a", "", sql));
  EXPECT_FALSE(BuildUpdate(cfg, period, "", "b", sql));
  EXPECT_EQ(sql, "untouched");
}

TEST(BuildersTest, CountsQueryGroupsTheValuesUnderTheSamePeriod) {
  CMvCFG cfg = DefaultSetting();
  CPeriod period;
  std::string sql;
  ASSERT_TRUE(BuildCountsQuery(cfg, period, sql));
  EXPECT_EQ(sql,
            "SELECT Unit, COUNT(*) AS cnt, COUNT(Unit) AS valued FROM Goods\r\n GROUP BY Unit");

  cfg.AWFld = true;
  cfg.SrcFullDate = "Goods.Made";
  period.DialectSource = [] { return TSqlDateDialect{"mm/dd/yyyy", '#'}; };
  std::string values;
  ASSERT_TRUE(BuildValuesQuery(cfg, period, values));
  ASSERT_TRUE(BuildCountsQuery(cfg, period, sql));
  const std::string where = values.substr(values.find("\r\n WHERE "));
  EXPECT_EQ(where.find(" BETWEEN #"), std::string("\r\n WHERE Goods.Made").size());
  EXPECT_EQ(sql, "SELECT Unit, COUNT(*) AS cnt, COUNT(Unit) AS valued FROM Goods" + where +
                     "\r\n GROUP BY Unit");

  cfg.SrcFld.clear();
  sql = "untouched";
  EXPECT_FALSE(BuildCountsQuery(cfg, period, sql));
  EXPECT_EQ(sql, "untouched");
}

TEST(BuildersTest, UnrestrictedValuesQueryHasNoWhere) {
  CMvCFG cfg = DefaultSetting();
  cfg.AFld01 = "Made";
  cfg.SrcFullDate = "Goods.Made";
  CPeriod period;
  std::string sql;
  BuildValuesQuery(cfg, period, sql);
  EXPECT_EQ(sql.find("\r\n WHERE "), std::string::npos);
}

TEST(BuildersTest, RestrictedTextsCarryThePeriodInTheSessionsDialect) {
  const CalendarDate from = DaysAgo(30), to = DaysAgo(0);
  const std::string dmyFrom =
      TwoDigits(from.day) + "/" + TwoDigits(from.month) + "/" + std::to_string(from.year);
  const std::string dmyTo =
      TwoDigits(to.day) + "/" + TwoDigits(to.month) + "/" + std::to_string(to.year);
  const std::string mdyFrom =
      TwoDigits(from.month) + "/" + TwoDigits(from.day) + "/" + std::to_string(from.year);
  const std::string mdyTo =
      TwoDigits(to.month) + "/" + TwoDigits(to.day) + "/" + std::to_string(to.year);

  CMvCFG cfg = DefaultSetting();
  cfg.AWFld = true;
  cfg.AFV01 = 30;
  cfg.SrcFullDate = "Goods.Made";
  // A date separator other than '/' in the process settings must not leak in.
  FormatSettingsScope pinned;
  FormatSettings().DateSeparator = '.';
  FormatSettings().DecimalSeparator = ',';

  CPeriod period;  // the session's initial dialect
  std::string sql;
  ASSERT_TRUE(BuildValuesQuery(cfg, period, sql));
  EXPECT_EQ(sql, "SELECT DISTINCT Unit FROM Goods\r\n WHERE Goods.Made BETWEEN '" + dmyFrom +
                     "' AND '" + dmyTo + "'");
  EXPECT_EQ(FormatSettings().DateSeparator, '.');
  EXPECT_EQ(FormatSettings().DecimalSeparator, ',');

  period.DialectSource = [] { return TSqlDateDialect{"mm/dd/yyyy", '#'}; };
  ASSERT_TRUE(BuildUpdate(cfg, period, "a", "b", sql));
  EXPECT_EQ(sql,
            "UPDATE Goods SET Goods.Unit = 'b' WHERE Goods.Unit = 'a' AND Goods.Made BETWEEN #" +
                mdyFrom + "# AND #" + mdyTo + "#");
  EXPECT_EQ(period.DateTo - period.DateFrom, 30);
}

TEST(BuildersTest, PeriodWithoutDateFieldStillBuildsOnTheTableAndPoint) {
  CMvCFG cfg = DefaultSetting();
  cfg.AWFld = true;
  cfg.AFV01 = 0;
  CPeriod period;
  const std::string condition = PeriodCondition(cfg, period);
  EXPECT_EQ(condition.rfind("Goods. BETWEEN '", 0), 0u) << condition;
  EXPECT_EQ(period.DateFrom, period.DateTo);
}

TEST(BuildersTest, NegativePeriodStartsAfterItsEnd) {
  CMvCFG cfg = DefaultSetting();
  cfg.AFV01 = -5;
  CPeriod period;
  PeriodCondition(cfg, period);
  EXPECT_EQ(period.DateFrom - period.DateTo, 5);
}

TEST(PeriodTest, DateTextQuotesWithTheDialectAndDoublesTheQuote) {
  CPeriod period;
  const TDateTime newYearsEve = EncodeDate(2026, 12, 31);
  EXPECT_EQ(period.DateText(newYearsEve), "'31/12/2026'");
  EXPECT_EQ(period.DateText(0.75), "");  // no whole-day part: no literal
  period.DialectSource = [] { return TSqlDateDialect{"mm/dd/yyyy", '#'}; };
  EXPECT_EQ(period.DateText(newYearsEve), "#12/31/2026#");
  period.DialectSource = [] { return TSqlDateDialect{"dd\"'\"mm\"'\"yyyy", '\''}; };
  EXPECT_EQ(period.DateText(newYearsEve), "'31''12''2026'");
  period.DateSep = '-';
  period.DialectSource = nullptr;
  EXPECT_EQ(period.DateText(newYearsEve), "'31-12-2026'");
}

}  // namespace
}  // namespace morvane
