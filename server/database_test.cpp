#include "server/database.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

#include "engine/session_registry.h"
#include "engine/zelconst.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/testing/error_of.h"
#include "server/fake_transport/scripted_transport.h"
#include "server/session_messages.h"
#include "server/sql_wait_cursor.h"

namespace morvane {
namespace {

class SessionTest : public ::testing::Test {
 protected:
  SessionTest() { scriptedServer = &fake; }
  ~SessionTest() override {
    session.Disconnect();  // while the fake still answers
    EXPECT_EQ(fake.allocated, 0) << "a reply was not released through FreeMem_NB";
    scriptedServer = nullptr;
  }

  ScriptedServer fake;
  TzelDatabase session{ScriptedTransport()};
};

TEST(SessionStartTest, HoldsTheInitialDialect) {
  TzelDatabase session{std::make_unique<TransportLibrary>(TransportEntryPoints{})};
  EXPECT_EQ(session.Engine(), zeDAO);
  EXPECT_EQ(session.DateFormat(), "dd/mm/yyyy");
  EXPECT_EQ(session.DateQuote(), '\'');
  EXPECT_FALSE(session.Connected());
  EXPECT_EQ(session.UserID(), "");
}

TEST(SessionStartTest, MissingLibraryIsReportedAtConnect) {
  TzelDatabase session{std::make_unique<TransportLibrary>("/nonexistent/libnetbrg2.so")};
  EXPECT_EQ(ErrorOf([&] { session.Connect(); }), sessionmsg::kTransportNotFound);
  EXPECT_FALSE(session.Connected());
}

TEST(SessionStartTest, MissingEntryPointLeavesTheSessionClosedSilently) {
  ScriptedServer fake;
  scriptedServer = &fake;
  TzelDatabase session{ScriptedTransport(/*withClose=*/false)};
  EXPECT_NO_THROW(session.Connect());
  EXPECT_FALSE(session.Connected());
  EXPECT_TRUE(fake.initTexts.empty());
  scriptedServer = nullptr;
}

TEST_F(SessionTest, ConnectSendsTheConnectTextAndKeepsTheReply) {
  session.SetConnectText("Morvane 1.0");
  session.Connect();
  EXPECT_TRUE(session.Connected());
  EXPECT_EQ(session.ReplyText(), "12342 fake");
  ASSERT_EQ(fake.initTexts.size(), 1u);
  EXPECT_EQ(fake.initTexts[0], "Morvane 1.0");
  session.Connect();  // already open: no second init
  EXPECT_EQ(fake.initTexts.size(), 1u);
}

TEST_F(SessionTest, InitStatusDecidesBetweenClosedAndAnError) {
  fake.initStatus = -1;
  fake.initReply = "not reachable";
  EXPECT_NO_THROW(session.Connect());
  EXPECT_FALSE(session.Connected());
  EXPECT_EQ(session.ReplyText(), "not reachable");

  fake.initStatus = -2;
  EXPECT_EQ(ErrorOf([&] { session.Connect(); }), zelconst::_Z_NOCONNECT);
  EXPECT_FALSE(session.Connected());
}

TEST_F(SessionTest, DisconnectClosesOnceAndAllowsReconnect) {
  session.Connect();
  session.Disconnect();
  session.Disconnect();
  EXPECT_EQ(fake.closeCount, 1);
  EXPECT_FALSE(session.Connected());
  session.Connect();
  EXPECT_TRUE(session.Connected());
  EXPECT_EQ(fake.initTexts.size(), 2u);
}

TEST_F(SessionTest, UpdateToServerSendsTrimmedTextWithThePaddedUserID) {
  session.Connect();
  session.SetUserID("ab");
  EXPECT_TRUE(session.UpdateToServer("  \r\nDELETE FROM Units\r\n"));
  session.SetUserID("twelve_chars");
  EXPECT_TRUE(session.UpdateToServer("SELECT 1"));
  session.SetUserID("");
  EXPECT_TRUE(session.UpdateToServer("SELECT 2 "));
  EXPECT_EQ(fake.requests, (std::vector<std::string>{"ab        DELETE FROM Units",
                                                     "twelve_charsSELECT 1", "SELECT 2"}));
}

TEST_F(SessionTest, UpdateToServerSendsNothingForBlankTextsAndEveryStatement) {
  session.Connect();
  for (const char* text : {"", " ", "\r\n", " \t\r\n "}) {
    EXPECT_TRUE(session.UpdateToServer(text)) << text;
  }
  EXPECT_TRUE(fake.requests.empty());
  // A statement behind a line break or a tab is no blank text: it goes out.
  EXPECT_TRUE(session.UpdateToServer("\r\nUPDATE Units SET name = 'x'"));
  EXPECT_TRUE(session.UpdateToServer("\tSELECT 1"));
  EXPECT_EQ(fake.requests, (std::vector<std::string>{"UPDATE Units SET name = 'x'", "SELECT 1"}));
}

TEST_F(SessionTest, UpdateToServerFailsOnErrorOrUnreadableReply) {
  session.Connect();
  fake.replyStatus = 'E';
  EXPECT_FALSE(session.UpdateToServer("UPDATE Units SET name = 'x'"));
  EXPECT_TRUE(session.Connected()) << "an error reply keeps the session open";

  fake.replyStatus = 'S';
  fake.replyHasData = false;
  EXPECT_FALSE(session.UpdateToServer("UPDATE Units SET name = 'x'"));
  EXPECT_TRUE(session.Connected());
}

TEST_F(SessionTest, NegativeSendStatusClosesTheSession) {
  session.Connect();
  fake.sendStatus = -1;
  EXPECT_FALSE(session.UpdateToServer("UPDATE Units SET name = 'x'"));
  EXPECT_FALSE(session.Connected());
  EXPECT_EQ(fake.closeCount, 1);
}

TEST_F(SessionTest, UpdateToServerOnAClosedSessionConnectsFirst) {
  EXPECT_TRUE(session.UpdateToServer("UPDATE Units SET name = 'x'"));
  EXPECT_TRUE(session.Connected());
  EXPECT_EQ(fake.initTexts.size(), 1u);
  EXPECT_EQ(fake.requests.size(), 1u);
}

TEST_F(SessionTest, UpdateToServerFailsWhenTheSessionCannotBeOpened) {
  for (int32_t initStatus : {-1, -2}) {
    fake.initStatus = initStatus;
    EXPECT_FALSE(session.UpdateToServer("UPDATE Units SET name = 'x'")) << initStatus;
  }
  EXPECT_TRUE(fake.requests.empty());
  EXPECT_TRUE(session.UpdateToServer("")) << "an empty text needs no session";
}

TEST(SessionStartTest, UpdateToServerFailsWithoutTheLibrary) {
  TzelDatabase session{std::make_unique<TransportLibrary>("/nonexistent/libnetbrg2.so")};
  EXPECT_FALSE(session.UpdateToServer("UPDATE Units SET name = 'x'"));
  EXPECT_TRUE(session.UpdateToServer(" "));
}

TEST_F(SessionTest, FreeSQLOnAClosedSessionGivesFalseWithoutSending) {
  EXPECT_FALSE(session.FreeSQL("UPDATE Units SET name = 'x'"));
  EXPECT_TRUE(fake.initTexts.empty());
  EXPECT_TRUE(fake.requests.empty());
}

TEST_F(SessionTest, FreeSQLRaisesWhenTheServerRefusesAndShowsTheWaitCursor) {
  std::vector<bool> cursor;
  SetSqlWaitCursorHook([&](bool waiting) { cursor.push_back(waiting); });
  session.Connect();
  session.SetUserID("ab");
  EXPECT_TRUE(session.FreeSQL("UPDATE Units SET name = 'x'"));
  EXPECT_EQ(fake.requests.back(), "ab        UPDATE Units SET name = 'x'");

  fake.replyStatus = 'E';
  EXPECT_EQ(ErrorOf([&] { session.FreeSQL("UPDATE Units SET name = 'y'"); }),
            std::string(zelconst::_Z_ERRUPDATESERVER) + "\nserver text");
  SetSqlWaitCursorHook(nullptr);
  EXPECT_EQ(cursor, (std::vector<bool>{true, false, true, false}));
}

TEST_F(SessionTest, LastErrorTextHoldsTheReasonOfTheLastRefusal) {
  session.Connect();
  fake.replyStatus = 'E';
  fake.replyBody = std::string("no such table: T\nSQL: UPDATE T SET a = 1") + '\0';
  EXPECT_FALSE(session.UpdateToServer("UPDATE T SET a = 1"));
  EXPECT_EQ(session.LastErrorText(), "no such table: T\nSQL: UPDATE T SET a = 1");
  fake.replyStatus = 'S';
  EXPECT_TRUE(session.UpdateToServer("UPDATE Units SET name = 'x'"));
  EXPECT_EQ(session.LastErrorText(), "");
}

TEST(SessionDialectTest, EngineSetsTheDateDialect) {
  TzelDatabase session{std::make_unique<TransportLibrary>(TransportEntryPoints{})};
  session.SetEngine(zeDAO);
  EXPECT_EQ(session.DateFormat(), "mm/dd/yyyy");
  EXPECT_EQ(session.DateQuote(), '#');
  session.SetEngine(zeMSSQL);
  EXPECT_EQ(session.Engine(), zeMSSQL);
  EXPECT_EQ(session.DateFormat(), "mm/dd/yyyy") << "leaving zeDAO keeps its date format";
  EXPECT_EQ(session.DateQuote(), '\'');
  session.SetDateFormat("yyyy-mm-dd");
  session.SetEngine(zeMSSQL_O);
  EXPECT_EQ(session.DateFormat(), "yyyy-mm-dd");
}

TEST_F(SessionTest, FifthCharacterOfTheInitReplySelectsTheEngine) {
  struct Case {
    std::string reply;
    TzelEngine engine;
    char dateQuote;
  };
  // Each case starts from zeMSSQL with the apostrophe; '2' is the access
  // dialect with '#' around dates; anything else keeps the engine.
  const Case cases[] = {
      {"OK: 1 server", zeMSSQL, '\''},   {"OK: 2 server", zeDAO, '#'},
      {"OK: 3 server", zeMSSQL_O, '\''}, {"OK: 9 server", zeMSSQL, '\''},
      {"OK: ", zeMSSQL, '\''},           {"", zeMSSQL, '\''},
  };
  for (const Case& item : cases) {
    session.SetEngine(zeMSSQL);
    fake.initReply = item.reply;
    session.Disconnect();
    session.Connect();
    session.SelectEngineFromReply();
    EXPECT_EQ(session.Engine(), item.engine) << item.reply;
    EXPECT_EQ(session.DateQuote(), item.dateQuote) << item.reply;
  }
}

TEST(SessionDialectTest, UserIDIsPaddedToTenBytes) {
  TzelDatabase session{std::make_unique<TransportLibrary>(TransportEntryPoints{})};
  const std::pair<std::string, std::string> cases[] = {
      {"", ""},
      {"ab", "ab        "},
      {"123456789", "123456789 "},
      {"0123456789", "0123456789"},
      {"twelve_chars", "twelve_chars"},
  };
  for (const auto& [given, stored] : cases) {
    session.SetUserID(given);
    EXPECT_EQ(session.UserID(), stored) << given;
  }
}

TEST(SessionRegistryTest, RegistriesListEachDatasetOnce) {
  TzelDatabase session{std::make_unique<TransportLibrary>(TransportEntryPoints{})};
  auto* first = reinterpret_cast<TzelDataset*>(0x10);
  auto* second = reinterpret_cast<TzelDataset*>(0x20);
  EXPECT_EQ(session.Add(first), 0);
  EXPECT_EQ(session.Add(second), 1);
  EXPECT_EQ(session.Add(first), 0);
  EXPECT_EQ(session.GetDataSetCount(), 2);
  EXPECT_EQ(session.GetDataSet(1), second);
  EXPECT_EQ(session.GetDataSet(2), nullptr);
  EXPECT_EQ(session.GetDataSet(-1), nullptr);
  session.Delete(first);
  session.Delete(first);
  EXPECT_EQ(session.GetDataSet(0), second);

  EXPECT_EQ(session.AddUpdated(second), 0);
  EXPECT_EQ(session.AddUpdated(second), 0);
  EXPECT_EQ(session.GetUpdatedCount(), 1);
  EXPECT_EQ(session.GetUpdatedDataSet(0), second);
  EXPECT_EQ(session.GetUpdatedDataSet(1), nullptr);
  session.DeleteUpdated(second);
  EXPECT_EQ(session.GetUpdatedCount(), 0);
  session.Delete(second);
}

TEST(SessionRegistryTest, DatasetsReachTheLatestSessionThroughTheEngineSeam) {
  auto* dataSet = reinterpret_cast<TzelDataset*>(0x10);
  TzelDatabase outer{std::make_unique<TransportLibrary>(TransportEntryPoints{})};
  {
    TzelDatabase inner{std::make_unique<TransportLibrary>(TransportEntryPoints{})};
    session_registry::Add(dataSet);
    session_registry::AddUpdated(dataSet);
    EXPECT_EQ(inner.GetDataSet(0), dataSet);
    EXPECT_EQ(inner.GetUpdatedDataSet(0), dataSet);
    EXPECT_EQ(outer.GetDataSetCount(), 0);
    session_registry::DeleteUpdated(dataSet);
    session_registry::Delete(dataSet);
    EXPECT_EQ(inner.GetDataSetCount(), 0);
    EXPECT_EQ(inner.GetUpdatedCount(), 0);
  }
  session_registry::Add(dataSet);
  EXPECT_EQ(outer.GetDataSet(0), dataSet) << "the outer session is back in place";
  session_registry::Delete(dataSet);
}

TEST(ZelTblUnitTest, UnitOwnsTheProcessSession) {
  EXPECT_FALSE(zelDBExists());
  EXPECT_THROW(zelDB(), std::logic_error);
  {
    ZelTblUnit unit{std::make_unique<TransportLibrary>(TransportEntryPoints{})};
    EXPECT_EQ(&zelDB(), &unit.Session());
    EXPECT_THROW(ZelTblUnit{}, std::logic_error) << "only one session per process";
  }
  EXPECT_FALSE(zelDBExists());
}

}  // namespace
}  // namespace morvane
