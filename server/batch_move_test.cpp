#include "server/batch_move.h"

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "engine/zelconst.h"
#include "platform/db/testing/memory_dataset.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/testing/error_of.h"
#include "server/test_tables.h"

namespace morvane {
namespace {

using testing::FillTable;
using testing::Rows;
using Lines = std::vector<std::string>;

class BatchMoveTest : public ::testing::Test {
 protected:
  BatchMoveTest() {
    FillTable(source, {{"Id", ftInteger}, {"Name", ftString, 10}},
              {{"1", "one"}, {"2", "two"}, {"3", "three"}});
  }

  testing::OfflineSession session;
  TzelTable source;
  TzelTable table;
};

TEST_F(BatchMoveTest, AppendAddsEveryRecordToTheTablesOwnFields) {
  FillTable(table, {{"Name", ftString, 10}, {"Extra", ftInteger}}, {{"old", "9"}});
  EXPECT_EQ(BatchMove(table, &source, zbmAppend), 3);
  EXPECT_EQ(table.RecNo(), 1);
  EXPECT_EQ(Rows(table), (Lines{"old|9", "one|0", "two|0", "three|0"}));
}

TEST_F(BatchMoveTest, AppendUpdateEditsRecordsWithTheSameKeyAndAppendsTheRest) {
  FillTable(table, {{"Id", ftInteger}, {"Name", ftString, 10}}, {{"2", "old"}, {"7", "seven"}});
  table.SetUniqueFieldNames("Id");
  EXPECT_EQ(BatchMove(table, &source, zbmAppendUpdate), 3);
  table.SetIndexFieldNames("Id");
  EXPECT_EQ(Rows(table), (Lines{"1|one", "2|two", "3|three", "7|seven"}));
}

TEST_F(BatchMoveTest, AppendUpdateWithoutKeyNamesAppendsEverything) {
  FillTable(table, {{"Id", ftInteger}, {"Name", ftString, 10}}, {{"2", "old"}});
  EXPECT_EQ(BatchMove(table, &source, zbmAppendUpdate), 3);
  EXPECT_EQ(table.RecordCount(), 4);
}

TEST_F(BatchMoveTest, CopyTakesTheSourcesDefinitionsAndNames) {
  source.SetUniqueFieldNames("Id");
  source.SetNotes("units");
  FillTable(table, {{"Other", ftFloat}}, {{"2"}});
  EXPECT_EQ(BatchMove(table, &source, zbmCopy), 3);
  EXPECT_EQ(table.FieldDefs().Count(), 2);
  EXPECT_EQ(table.FieldDefs()[1]->Name(), "Name");
  EXPECT_EQ(table.UniqueFieldNames(), "Id");
  EXPECT_EQ(table.Notes(), "units");
  EXPECT_EQ(Rows(table), (Lines{"1|one", "2|two", "3|three"}));
}

TEST_F(BatchMoveTest, CopyDefinitionsLeavesAnOpenEmptyTable) {
  EXPECT_EQ(BatchMove(table, &source, zbmCopyDef), 0);
  EXPECT_TRUE(table.Active());
  EXPECT_EQ(table.LoadMode(), lmClear);
  EXPECT_EQ(table.FieldCount(), 2);
  EXPECT_EQ(table.RecordCount(), 0);
}

TEST_F(BatchMoveTest, SourceFieldWithBlankFillsTheUnderscoreFieldAndRejectedValuesAreSkipped) {
  ::morvane::testing::TMemoryDataSet memory;
  memory.FieldDefs().Add("Unit name", ftString, 10);
  memory.FieldDefs().Add("Count", ftString, 10);
  memory.Open();
  memory.AppendRecord({Variant("кг"), Variant("many")});
  memory.AppendRecord({Variant("шт"), Variant("5")});
  memory.Close();
  FillTable(table, {{"Unit_name", ftString, 10}, {"Count", ftInteger}}, {});
  EXPECT_EQ(BatchMove(table, &memory, zbmAppend), 2);
  EXPECT_EQ(Rows(table), (Lines{"кг|0", "шт|5"}));
  EXPECT_FALSE(memory.Active());
}

TEST_F(BatchMoveTest, OpenSourceGoesBackToItsRecord) {
  FillTable(table, {{"Id", ftInteger}}, {});
  source.SetRecNo(2);
  BatchMove(table, &source, zbmAppend);
  EXPECT_EQ(source.RecNo(), 2);
  EXPECT_FALSE(source.ControlsDisabled());
  EXPECT_FALSE(table.ControlsDisabled());
}

TEST_F(BatchMoveTest, MissingOrSelfSourceAndUnopenableSourceRaise) {
  FillTable(table, {{"Id", ftInteger}}, {});
  EXPECT_EQ(ErrorOf([&] { BatchMove(table, nullptr, zbmAppend); }), zelconst::_Z_BATCHSOURCE);
  EXPECT_EQ(ErrorOf([&] { BatchMove(table, &table, zbmAppend); }), zelconst::_Z_BATCHSOURCE);
  TzelTable missing;
  missing.SetFileName(::testing::TempDir() + "no-such-file.d");
  EXPECT_EQ(ErrorOf([&] { BatchMove(table, &missing, zbmAppend); }), zelconst::_Z_SOURCEOPEN);
  EXPECT_FALSE(table.ControlsDisabled());
  EXPECT_FALSE(missing.ControlsDisabled());

  source.Close();
  source.BeforeOpen = [](TDataSet*) { throw std::runtime_error("refused by its handler"); };
  EXPECT_EQ(ErrorOf([&] { BatchMove(table, &source, zbmAppend); }), zelconst::_Z_SOURCEOPEN);
  EXPECT_FALSE(table.ControlsDisabled());
  EXPECT_FALSE(source.ControlsDisabled());
}

}  // namespace
}  // namespace morvane
