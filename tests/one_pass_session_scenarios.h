// The one-pass replacement through the process session, written once for
// every back end: another client changes rows between the reading of the
// keys and the run. The including file defines SessionBackEndTest with
// SecondClient(sql), which runs sql through the server's own client.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "platform/rtl/exceptions.h"
#include "replace/replacement_messages.h"
#include "replace/replacement_run.h"

namespace morvane::testing {
namespace {

std::string UnitsByGood() {
  std::string dump;
  for (const CapturedRow& row : ReadKeyValueRows("SELECT Good, Unit FROM Goods ORDER BY Good"))
    dump += row.key + "=" + row.value + "\n";
  return dump;
}

class OnePassSessionTest : public SessionBackEndTest {
 protected:
  void SetUp() override {
    SessionBackEndTest::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    char folderTemplate[] = "/tmp/morvane-one-pass-XXXXXX";
    ASSERT_NE(mkdtemp(folderTemplate), nullptr);
    logFolder_ = folderTemplate;
    options_.logFolder = logFolder_;
    cfg_.Load();  // the default setting: Goods.Unit by key Good
    std::string error;
    ASSERT_TRUE(
        TryBuildReplacementPlan(cfg_, period_, {{"Шт", "шт", 1}, {"кгр", "кг", 2}}, plan_, error))
        << error;
  }
  void TearDown() override {
    if (!logFolder_.empty()) std::filesystem::remove_all(logFolder_);
    SessionBackEndTest::TearDown();
  }

  CMvCFG cfg_{"/nonexistent-dir"};
  CPeriod period_;
  ReplacementPlan plan_;
  ReplacementRunOptions options_;
  std::string logFolder_;
};

// The same number of rows holds the value before and during the run, but
// not the same rows: counting could not tell, the keys do.
TEST_F(OnePassSessionTest, SecondClientMovingAMappedValueToAnotherRowCancelsTheRunNamingIt) {
  const std::vector<CapturedRow> holding =
      ReadKeyValueRows("SELECT Good, Unit FROM Goods WHERE Unit = 'Шт' ORDER BY Good");
  const std::vector<CapturedRow> other = ReadKeyValueRows(
      "SELECT Good, Unit FROM Goods WHERE Unit NOT IN ('Шт', 'кгр') ORDER BY Good");
  ASSERT_FALSE(holding.empty());
  ASSERT_FALSE(other.empty());
  options_.afterCapture = [&] {
    SecondClient("UPDATE Goods SET Unit = 'Шт' WHERE Good = '" + other[0].key +
                 "'; UPDATE Goods SET Unit = 'другое' WHERE Good = '" + holding[0].key + "'");
  };
  const ReplacementRun run = RunReplacement(cfg_, period_, plan_, options_);
  EXPECT_FALSE(run.result.applied);
  EXPECT_TRUE(run.changedSinceRead);
  EXPECT_EQ(run.result.message, replacemsg::ChangedRowSinceRead(other[0].key));
  EXPECT_TRUE(run.files.undo.empty());
  // Only the second client's change is in the table.
  EXPECT_EQ(ReadKeyValueRows("SELECT Good, Unit FROM Goods WHERE Unit = 'Шт' ORDER BY Good").size(),
            holding.size());
  EXPECT_EQ(ReadKeyValueRows("SELECT Good, Unit FROM Goods WHERE Unit = 'другое'").size(), 1u);

  // Run again without company: it applies, counts each line from the
  // statement itself, and its undo puts back exactly the table before.
  options_.afterCapture = {};
  const std::string before = UnitsByGood();
  const std::vector<int64_t> preview = CountRowsToChange(cfg_, period_, plan_);
  const ReplacementRun again = RunReplacement(cfg_, period_, plan_, options_);
  ASSERT_TRUE(again.result.applied) << again.result.message;
  for (size_t index = 0; index < preview.size(); ++index)
    EXPECT_EQ(again.result.statements[index].rowsChanged, preview[index]);
  ASSERT_FALSE(again.files.undo.empty());
  const ExecutionResult undone = RunUndoFile(again.files.undo, logFolder_);
  ASSERT_TRUE(undone.applied) << undone.message;
  EXPECT_EQ(undone.TotalRowsChanged(), preview[0] + preview[1]);
  EXPECT_EQ(UnitsByGood(), before);
}

// A row changed between the undo's check and its statement: the undo puts
// back every row or none, and names the row.
TEST_F(OnePassSessionTest, UndoIsAllOrNothingWhenARowWasChangedSince) {
  const std::string before = UnitsByGood();
  const std::vector<CapturedRow> changed =
      ReadKeyValueRows("SELECT Good, Unit FROM Goods WHERE Unit = 'кгр' ORDER BY Good");
  ASSERT_FALSE(changed.empty());
  const ReplacementRun run = RunReplacement(cfg_, period_, plan_, options_);
  ASSERT_TRUE(run.result.applied) << run.result.message;
  SecondClient("UPDATE Goods SET Unit = 'другое' WHERE Good = '" + changed[0].key + "'");
  const std::string afterChange = UnitsByGood();
  try {
    RunUndoFile(run.files.undo, logFolder_);
    ADD_FAILURE() << "the undo ran over a changed row";
  } catch (const EDatabaseError& error) {
    EXPECT_NE(std::string(error.what()).find(replacemsg::Quoted(changed[0].key)), std::string::npos)
        << error.what();
  }
  EXPECT_EQ(UnitsByGood(), afterChange);
  SecondClient("UPDATE Goods SET Unit = 'кг' WHERE Good = '" + changed[0].key + "'");
  ASSERT_TRUE(RunUndoFile(run.files.undo, logFolder_).applied);
  EXPECT_EQ(UnitsByGood(), before);
}

}  // namespace
}  // namespace morvane::testing
