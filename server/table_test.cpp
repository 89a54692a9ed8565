#include "server/table.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "engine/test_buffer.h"
#include "engine/zelconst.h"
#include "platform/db/field.h"
#include "platform/rtl/date_time.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/testing/error_of.h"
#include "platform/rtl/testing/temp_path.h"
#include "server/database.h"
#include "server/fake_transport/scripted_transport.h"

namespace morvane {
namespace {

using namespace zelconst;
using testing::Int;
using testing::Small;
using testing::TestBuffer;

// Every test has the process session, talking to a scripted server.
class TableTest : public ::testing::Test {
 protected:
  TableTest() { scriptedServer = &fake; }
  void TearDown() override {
    unit.reset();  // disconnects while the scripted server still answers
    EXPECT_EQ(fake.allocated, 0) << "a reply was not released through FreeMem_NB";
    scriptedServer = nullptr;
  }

  // Two records of Units, as the server sends them.
  static std::string UnitsReply() {
    return TestBuffer()
        .Layout({"Units.Ident 8", "Units.Rank i"})
        .Record({Small("кг"), Int(1)})
        .Record({Small("шт"), Int(2)})
        .String();
  }

  std::string TempFile(const std::string& name) {
    std::string path = testing_support::TestTempPath(name);
    std::filesystem::remove(path);
    return path;
  }

  ScriptedServer fake;
  std::unique_ptr<ZelTblUnit> unit = std::make_unique<ZelTblUnit>(ScriptedTransport());
};

TEST_F(TableTest, EmptyTableNeedsFieldDefinitions) {
  TzelTable table;
  table.SetName("Table1");
  EXPECT_EQ(ErrorOf([&] { table.Open(); }), std::string("Table1: ") + _Z_OPENEMPTY);
  EXPECT_FALSE(table.Active());
}

TEST_F(TableTest, EmptyTableOpensFromDefinitionsAndSavesAFileThatLoadsBack) {
  const std::string path = TempFile("units.d");
  {
    TzelTable table;
    table.SetOrigin("Units");
    table.FieldDefs().Add("Ident", ftString, 8);
    table.FieldDefs().Add("Rank", ftInteger);
    table.Open();
    EXPECT_EQ(table.RecordCount(), 0);
    EXPECT_EQ(zelDB().GetDataSet(0), &table) << "an open table registers with the session";
    table.Append();
    table.FieldByName("Ident")->SetAsString("кг");
    table.FieldByName("Rank")->SetAsInteger(1);
    table.Post();
    table.SaveToFile(path);
  }
  EXPECT_EQ(zelDB().GetDataSetCount(), 0);

  TzelTable copy;
  copy.LoadFromFile(path);
  EXPECT_EQ(copy.LoadMode(), lmFile);
  ASSERT_EQ(copy.RecordCount(), 1);
  EXPECT_EQ(copy.FieldByName("Ident")->AsString(), "кг");
  EXPECT_EQ(copy.FieldByName("Rank")->AsInteger(), 1);
}

TEST_F(TableTest, MissingFileIsNamedInTheError) {
  TzelTable table;
  const std::string path = TempFile("absent.d");
  EXPECT_EQ(ErrorOf([&] { table.LoadFromFile(path); }), FormatMessage(_Z_OPENFILE, {path}));
  table.SetFileName("");
  EXPECT_EQ(table.LoadMode(), lmClear);
}

TEST_F(TableTest, QueryLoadsTheServerReplyWithParametersAndUserID) {
  fake.replyBuffer = UnitsReply();
  zelDB().SetEngine(zeDAO);
  zelDB().SetUserID("ab");
  TzelTable table;
  table.SetSQLText("SELECT * FROM Units WHERE Ident <> :id AND Created > :since");
  EXPECT_EQ(table.PreparedSQL(), "SELECT * FROM Units WHERE Ident <> ? AND Created > ?\r\n");
  ASSERT_EQ(table.GetParamsCount(), 2);
  table.ParamByName("id")->SetAsString("O'Hara?");
  table.ParamByName("since")->SetAsDate(EncodeDate(2024, 12, 31));
  table.Open();

  ASSERT_EQ(fake.requests.size(), 1u);
  EXPECT_EQ(fake.requests[0],
            "ab        SELECT * FROM Units WHERE Ident <> 'O''Hara?' AND Created > #12/31/2024#");
  ASSERT_EQ(table.RecordCount(), 2);
  EXPECT_EQ(table.FieldByName("Ident")->AsString(), "кг");
  EXPECT_EQ(table.FieldByName("Rank")->DataType(), ftInteger);
}

TEST_F(TableTest, AssigningSQLClosesTheTableAndKeepsParameterValues) {
  fake.replyBuffer = UnitsReply();
  TzelTable table;
  table.SetSQLText("SELECT * FROM Units WHERE Ident = :id");
  table.ParamByName("id")->SetAsString("кг");
  table.Open();
  table.SetSQLText("SELECT * FROM Units WHERE Ident = :id OR Rank = :rank");
  EXPECT_FALSE(table.Active());
  EXPECT_EQ(table.LoadMode(), lmServer);
  EXPECT_EQ(table.ParamByName("id")->AsString(), "кг");
  EXPECT_EQ(table.GetParamsCount(), 2);

  table.SetSQLText("");
  EXPECT_EQ(table.LoadMode(), lmServer) << "an empty text does not change the mode";
  EXPECT_EQ(table.GetParamsCount(), 0);
}

TEST_F(TableTest, ErrorReplyOpensNothingAndCarriesTheServerText) {
  const std::string serverText = "no such table: Unitz";
  fake.replyBuffer = testing::Int32Bytes(int32_t(5 + serverText.size())) + 'E' + serverText;
  TzelTable table;
  table.SetSQLText("SELECT * FROM Unitz");
  EXPECT_EQ(ErrorOf([&] { table.Open(); }), _Z_OPENTABLE + serverText);
  EXPECT_FALSE(table.Active());
  EXPECT_TRUE(zelDB().Connected());
}

TEST_F(TableTest, CloneSharesTheRecordsOfItsSource) {
  fake.replyBuffer = UnitsReply();
  TzelTable source;
  source.SetSQLText("SELECT * FROM Units");
  TzelTable clone;
  clone.SetName("Clone");
  EXPECT_EQ(ErrorOf([&] { clone.LoadFromCursor(&source); }), "Clone: " + std::string(_Z_ERRCLONE));

  source.Open();
  clone.LoadFromCursor(&source);
  EXPECT_EQ(clone.LoadMode(), lmClone);
  EXPECT_EQ(clone.Cursor(), source.Cursor());
  EXPECT_EQ(clone.RecordCount(), 2);
  EXPECT_THROW(source.Close(), EDatabaseError) << "a source outlives its open clones";

  clone.Close();
  source.Close();
  EXPECT_FALSE(source.Active());
}

TEST_F(TableTest, CloneFollowingAnotherSourceLeavesTheFirst) {
  fake.replyBuffer = UnitsReply();
  TzelTable first, second, clone;
  first.SetSQLText("SELECT * FROM Units");
  second.SetSQLText("SELECT * FROM Units");
  first.Open();
  second.Open();
  clone.LoadFromCursor(&first);
  clone.SetCloneDS(&second);
  EXPECT_FALSE(clone.Active());
  EXPECT_EQ(first.CloneCount(), 0);
  EXPECT_NO_THROW(first.Close());
}

TEST_F(TableTest, DestroyedSourceClosesItsClone) {
  fake.replyBuffer = UnitsReply();
  for (bool cloneOpen : {false, true}) {
    TzelTable clone;
    {
      auto source = std::make_unique<TzelTable>();
      source->SetSQLText("SELECT * FROM Units");
      source->Open();
      clone.LoadFromCursor(source.get());
      if (!cloneOpen) clone.Close();
    }
    EXPECT_FALSE(clone.Active());
    EXPECT_EQ(clone.CloneDS(), nullptr);
    EXPECT_EQ(clone.LoadMode(), lmClear);
    EXPECT_EQ(clone.Cursor(), nullptr);
  }
}

TEST_F(TableTest, DestroyingTheSessionClosesEveryOpenTable) {
  fake.replyBuffer = UnitsReply();
  TzelTable tables[3];
  for (TzelTable& table : tables) {
    table.SetSQLText("SELECT * FROM Units");
    table.Open();
  }
  EXPECT_EQ(zelDB().GetDataSetCount(), 3);
  unit.reset();
  for (TzelTable& table : tables) EXPECT_FALSE(table.Active());
  unit = std::make_unique<ZelTblUnit>(ScriptedTransport());
}

TEST_F(TableTest, StoreDefsFollowsTheLoadModeWhenDefinitionsChange) {
  TzelTable table;
  table.FieldDefs().Add("Ident", ftString, 8);
  EXPECT_TRUE(table.StoreDefs());
  EXPECT_TRUE(table.FieldDefsStored());

  fake.replyBuffer = UnitsReply();
  table.SetSQLText("SELECT * FROM Units");
  table.Open();
  EXPECT_FALSE(table.StoreDefs()) << "definitions from the server are not stored";
}

TEST_F(TableTest, EmptyTableWithoutOriginSendsNothingAndKeepsItsChanges) {
  TzelTable table;
  table.FieldDefs().Add("Ident", ftString, 8);
  table.Open();
  table.Append();
  table.FieldByName("Ident")->SetAsString("кг");
  table.Post();
  table.ApplyUpdates();
  EXPECT_TRUE(fake.requests.empty());
  EXPECT_TRUE(table.GetNeedToSave());
}

}  // namespace
}  // namespace morvane
