#include "server/query_request.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/zelconst.h"
#include "platform/rtl/date_time.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/format_settings.h"
#include "platform/rtl/testing/error_of.h"
#include "server/database.h"
#include "server/fake_transport/scripted_transport.h"
#include "server/session_messages.h"

namespace morvane {
namespace {

TSqlParamValue Param(TSqlParamKind kind, Variant value) {
  return {kind, std::move(value), "p"};
}

class QueryRequestTest : public ::testing::Test {
 protected:
  QueryRequestTest() { scriptedServer = &fake; }
  ~QueryRequestTest() override {
    session.Disconnect();
    EXPECT_EQ(fake.allocated, 0);
    scriptedServer = nullptr;
  }

  ScriptedServer fake;
  TzelDatabase session{ScriptedTransport()};
};

TEST_F(QueryRequestTest, ParametersBecomeLiteralsOfTheSessionDialect) {
  // Russian settings: a decimal comma and '.' between date parts, which SQL
  // text must never show.
  FormatSettingsScope russian;
  FormatSettings() = RussianFormatSettings();
  const TDateTime newYearsEve = EncodeDate(2024, 12, 31) + EncodeTime(13, 5, 0, 0);
  const TDateTime midnight = EncodeDate(2024, 12, 31);
  const TDateTime withMilliseconds = EncodeDate(2024, 12, 31) + EncodeTime(13, 5, 0, 7);

  struct Case {
    TSqlParamValue param;
    TzelEngine engine;
    std::string literal;
  };
  const Case cases[] = {
      {Param(TSqlParamKind::String, "O'Hara"), zeDAO, "'O''Hara'"},
      {Param(TSqlParamKind::String, ""), zeDAO, "''"},
      {Param(TSqlParamKind::Date, Variant::FromDateTime(newYearsEve)), zeDAO, "#12/31/2024#"},
      // Date-times keep their time, at midnight too, and milliseconds.
      {Param(TSqlParamKind::DateTime, Variant::FromDateTime(newYearsEve)), zeMSSQL,
       "'12/31/2024 13:05:00'"},
      {Param(TSqlParamKind::DateTime, Variant::FromDateTime(midnight)), zeDAO,
       "#12/31/2024 00:00:00#"},
      {Param(TSqlParamKind::DateTime, Variant::FromDateTime(withMilliseconds)), zeDAO,
       "#12/31/2024 13:05:00.007#"},
      // Times are quoted like dates.
      {Param(TSqlParamKind::Time, Variant::FromDateTime(EncodeTime(13, 5, 0, 0))), zeDAO,
       "#13:05:00#"},
      {Param(TSqlParamKind::Time, Variant::FromDateTime(EncodeTime(0, 0, 1, 500))), zeMSSQL,
       "'00:00:01.500'"},
      // Booleans are the dialect's literals.
      {Param(TSqlParamKind::Boolean, true), zeDAO, "True"},
      {Param(TSqlParamKind::Boolean, false), zeDAO, "False"},
      {Param(TSqlParamKind::Boolean, true), zeMSSQL, "1"},
      {Param(TSqlParamKind::Float, 1234.5), zeDAO, "1234.5"},
      {Param(TSqlParamKind::Currency, 0.1234567), zeDAO, "0.123457"},
      {Param(TSqlParamKind::Float, 2.0), zeDAO, "2"},
      {Param(TSqlParamKind::Other, int32_t(42)), zeDAO, "42"},
      {Param(TSqlParamKind::Other, "-1.5e3"), zeDAO, "-1.5e3"},
      {Param(TSqlParamKind::Other, " 7 "), zeDAO, "7"},
  };
  for (const Case& testCase : cases) {
    session.SetEngine(zeDAO);  // the date format of the access-style dialect
    session.SetEngine(testCase.engine);
    EXPECT_EQ(QueryText("?", {testCase.param}, session), testCase.literal) << testCase.literal;
  }
  EXPECT_EQ(FormatSettings().DecimalSeparator, ',') << "the user's separators come back";
  EXPECT_EQ(FormatSettings().DateSeparator, '.');
}

TEST_F(QueryRequestTest, ParametersFillTheMarksInOrderAndNeverRewriteAValue) {
  const std::vector<TSqlParamValue> params = {Param(TSqlParamKind::String, "Why?"),
                                              Param(TSqlParamKind::Other, int32_t(7))};
  EXPECT_EQ(QueryText("SELECT * FROM Goods WHERE Unit = ? AND Good > ?", params, session),
            "SELECT * FROM Goods WHERE Unit = 'Why?' AND Good > 7");
  EXPECT_EQ(QueryText("SELECT ? , ?, ?", params, session), "SELECT 'Why?' , 7, ?")
      << "a mark without a parameter stays";
  EXPECT_EQ(QueryText("SELECT ?", params, session), "SELECT 'Why?'");
}

// A value written without quotes is SQL text: anything but a number would be
// spliced into the statement ("1; DELETE FROM Goods" runs both).
TEST_F(QueryRequestTest, UnquotedParameterThatIsNoNumberIsRefused) {
  FormatSettingsScope russian;
  FormatSettings() = RussianFormatSettings();
  for (const char* value :
       {"1; DELETE FROM Goods", "1 OR 1=1", "", "1,5", "0x10", "1e", "--1", "NaN", "inf"}) {
    const TSqlParamValue param{TSqlParamKind::Other, value, "code"};
    EXPECT_EQ(ErrorOf([&] { QueryText("SELECT * FROM Units WHERE Code = ?", {param}, session); }),
              zelconst::FormatMessage(sessionmsg::kParamNotNumber, {"code", value}))
        << value;
  }
  const TSqlParamValue infinite{TSqlParamKind::Float, 1.0 / 0.0, "price"};
  EXPECT_THROW(QueryText("?", {infinite}, session), EDatabaseError);
  EXPECT_EQ(FormatSettings().DecimalSeparator, ',');
}

TEST_F(QueryRequestTest, TextIsTrimmedAndCutAtItsFirstZero) {
  // Trimmed first, then cut: the blank before the zero stays.
  EXPECT_EQ(QueryText(std::string("\r\n SELECT 1 \0 garbage", 21), {}, session), "SELECT 1 ");
}

TEST_F(QueryRequestTest, QueryServerConnectsAndPrefixesTheUserID) {
  session.SetUserID("ab");
  std::unique_ptr<TMemoryStream> reply = QueryServer(session, "SELECT * FROM Units");
  EXPECT_TRUE(session.Connected());
  ASSERT_EQ(fake.requests.size(), 1u);
  EXPECT_EQ(fake.requests[0], "ab        SELECT * FROM Units");
  EXPECT_EQ(reply->Position(), 0);
  EXPECT_EQ(std::string(reply->Memory() + 4, size_t(reply->Size() - 4)), "Sserver text");
}

TEST_F(QueryRequestTest, ErrorReplyIsHandedBackForTheLoadToReport) {
  fake.replyStatus = 'E';
  fake.replyBody = "no such table: Unitz";
  std::unique_ptr<TMemoryStream> reply = QueryServer(session, "SELECT * FROM Unitz");
  EXPECT_EQ(reply->Memory()[4], 'E');
  EXPECT_TRUE(session.Connected());
}

TEST_F(QueryRequestTest, ClosedSessionThatCannotOpenRaisesNoSession) {
  fake.initStatus = -1;
  try {
    QueryServer(session, "SELECT 1", "Table1");
    FAIL() << "no error";
  } catch (const EDatabaseError& error) {
    EXPECT_EQ(error.what(), std::string("Table1: ") + zelconst::_Z_NOSESSION);
  }
  EXPECT_TRUE(fake.requests.empty());
}

TEST_F(QueryRequestTest, LostConnectionRaisesNoReplyAndTheNextLoadReconnects) {
  session.Connect();
  fake.sendStatus = -1;
  try {
    QueryServer(session, "SELECT 1");
    FAIL() << "no error";
  } catch (const EDatabaseError& error) {
    EXPECT_EQ(error.what(), std::string(zelconst::_Z_NOREPLY));
  }
  EXPECT_FALSE(session.Connected());

  fake.sendStatus = 0;
  QueryServer(session, "SELECT 1");
  EXPECT_TRUE(session.Connected());
  EXPECT_EQ(fake.initTexts.size(), 2u);
}

}  // namespace
}  // namespace morvane
