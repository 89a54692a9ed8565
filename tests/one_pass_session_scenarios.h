// The one-pass undo through the process session, written once for every
// back end: another client changes a row the undo is to put back. (A second
// client during the run itself is a case of the replacement matrix,
// tests/replacement_matrix_second_client_test.cpp.) The including file
// defines SessionBackEndTest with SecondClient(sql), which runs sql through
// the server's own client.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "platform/rtl/exceptions.h"
#include "replace/one_pass.h"
#include "replace/replacement_messages.h"
#include "replace/replacement_run.h"
#include "tests/key_value_dump.h"

namespace morvane::testing {
namespace {

std::string UnitsByGood() {
  return KeyValueDump("SELECT Good, Unit FROM Goods ORDER BY Good");
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

// The undo file cannot be written (its folder is gone): the run is refused
// before anything changes, on every server and in both forms of SQLite's.
TEST_F(OnePassSessionTest, UnwritableUndoFileRefusesTheRunBeforeAnythingChanges) {
  const std::string before = UnitsByGood();
  OnePassOptions options;
  options.undoFile = logFolder_ + "/gone/undo.sql";
  for (const bool anotherCommitFirst : {false, true}) {
    if (anotherCommitFirst) options.afterCapture = [&] { SecondClient("SELECT 1"); };
    EXPECT_THROW(RunOnePass(cfg_, period_, plan_, SessionSetDialect(), options), EDatabaseError);
    EXPECT_EQ(UnitsByGood(), before);
    EXPECT_FALSE(std::filesystem::exists(options.undoFile + ".part"));
  }
}

}  // namespace
}  // namespace morvane::testing
