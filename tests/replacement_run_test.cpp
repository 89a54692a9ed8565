// Replacements executed through the session zelDB on a fresh demo SQLite
// file, the way the wizard's step 3 runs them: line by line (with a failing
// line, and cancelled), all-or-nothing (and cancelled), and the undo of what
// took effect.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/rtl/exceptions.h"
#include "replace/replacement_messages.h"
#include "replace/replacement_run.h"
#include "server/table.h"
#include "tests/key_value_dump.h"
#include "tests/session_fixture.h"

namespace morvane::testing {
namespace {

int RowsWhere(const std::string& condition) {
  TzelTable table;
  table.SetSQLText("SELECT Good FROM Goods WHERE " + condition);
  table.Open();
  return table.RecordCount();
}

std::string GoodsDump() {
  return KeyValueDump("SELECT Good, Unit FROM Goods ORDER BY Good");
}

class ReplacementRunTest : public SessionFixture {
 protected:
  void SetUp() override {
    StartSessionOnDemoSqliteFile();
    cfg_.Load();  // the default setting: Goods.Unit by key Good
    options_.logFolder = folder_ + "/state";
  }
  void TearDown() override { StopSession(); }

  ReplacementPlan Plan(const std::vector<ReplacementPair>& mapping) {
    ReplacementPlan plan;
    std::string error;
    EXPECT_TRUE(TryBuildReplacementPlan(cfg_, period_, mapping, plan, error)) << error;
    return plan;
  }

  ReplacementRun RunCancelledAfterTwoOfThree();

  CMvCFG cfg_{"/nonexistent-dir"};
  CPeriod period_;
  ReplacementRunOptions options_;
  std::vector<size_t> seen_;
};

TEST_F(ReplacementRunTest, PreviewCountsAreTheRowsEachLineThenChanges) {
  const ReplacementPlan plan = Plan({{"Шт", "шт", 1}, {"кгр", "кг", 2}, {"нет", "шт", 3}});
  const std::vector<int64_t> preview = CountRowsToChange(cfg_, period_, plan);
  EXPECT_EQ(preview,
            (std::vector<int64_t>{RowsWhere("Unit = 'Шт'"), RowsWhere("Unit = 'кгр'"), 0}));
  const ReplacementRun run = RunReplacement(cfg_, period_, plan, options_);
  ASSERT_TRUE(run.result.applied) << run.result.message;
  for (size_t index = 0; index < preview.size(); ++index)
    EXPECT_EQ(run.result.statements[index].rowsChanged, preview[index]);
  EXPECT_TRUE(run.undoExact);
}

TEST_F(ReplacementRunTest, LineByLineGoesPastAFailedLineAndItsUndoKeepsOnlyAppliedRows) {
  const std::string before = GoodsDump();
  ReplacementPlan plan = Plan({{"Шт", "шт", 1}, {"кгр", "кг", 2}, {"Кг.", "кг", 3}});
  plan.lines[1].sql = "UPDATE NoSuchTable SET a = 1";
  options_.allOrNothing = false;
  const ReplacementRun run = RunReplacement(cfg_, period_, plan, options_);
  EXPECT_FALSE(run.result.applied);
  EXPECT_TRUE(run.result.statements[0].error.empty());
  EXPECT_FALSE(run.result.statements[1].error.empty());
  EXPECT_TRUE(run.result.statements[2].ran);
  EXPECT_EQ(RowsWhere("Unit IN ('Шт', 'Кг.')"), 0);
  EXPECT_GT(RowsWhere("Unit = 'кгр'"), 0);

  ASSERT_FALSE(run.files.undo.empty());
  const ExecutionResult undone = RunUndoFile(run.files.undo, options_.logFolder);
  ASSERT_TRUE(undone.applied) << undone.message;
  EXPECT_EQ(GoodsDump(), before);

  std::ifstream logFile(run.logFile);
  std::stringstream log;
  log << logFile.rdbuf();
  EXPECT_NE(log.str().find("режим: построчно"), std::string::npos) << log.str();
  EXPECT_NE(log.str().find(replacemsg::AppliedWithErrors(1)), std::string::npos) << log.str();
}

// Three lines, cancelled from the progress after the second; seen_ records
// each progress call's count of statements done.
ReplacementRun ReplacementRunTest::RunCancelledAfterTwoOfThree() {
  const ReplacementPlan plan = Plan({{"Шт", "шт", 1}, {"кгр", "кг", 2}, {"Кг.", "кг", 3}});
  options_.progress = [this](size_t done, size_t total) {
    seen_.push_back(done);
    EXPECT_EQ(total, 3u);
    return done < 2;
  };
  return RunReplacement(cfg_, period_, plan, options_);
}

TEST_F(ReplacementRunTest, CancelStopsAfterTheCurrentLine) {
  options_.allOrNothing = false;
  const ReplacementRun run = RunCancelledAfterTwoOfThree();
  const std::vector<size_t>& seen = seen_;
  EXPECT_TRUE(run.result.cancelled);
  EXPECT_EQ(seen, (std::vector<size_t>{1, 2}));
  EXPECT_FALSE(run.result.statements[2].ran);
  EXPECT_GT(RowsWhere("Unit = 'Кг.'"), 0);
  EXPECT_EQ(RowsWhere("Unit IN ('Шт', 'кгр')"), 0);
}

// All or nothing runs as few statements as the server needs (one, where it
// can); a cancel reported after the last of them still rolls back all.
TEST_F(ReplacementRunTest, CancelOfAnAllOrNothingRunRollsItBackAndKeepsNoUndo) {
  const std::string before = GoodsDump();
  const ReplacementPlan plan = Plan({{"Шт", "шт", 1}, {"кгр", "кг", 2}, {"Кг.", "кг", 3}});
  size_t lastTotal = 0;
  options_.progress = [&](size_t done, size_t total) {
    seen_.push_back(done);
    lastTotal = total;
    return done < total;
  };
  const ReplacementRun run = RunReplacement(cfg_, period_, plan, options_);
  EXPECT_TRUE(run.result.cancelled);
  EXPECT_FALSE(run.result.applied);
  EXPECT_FALSE(run.changedSinceRead);
  EXPECT_EQ(run.result.message, replacemsg::kCancelledWhole);
  ASSERT_FALSE(seen_.empty());
  EXPECT_EQ(seen_.back(), lastTotal);
  EXPECT_EQ(GoodsDump(), before);
  EXPECT_TRUE(run.files.undo.empty());
  for (const auto& entry : std::filesystem::directory_iterator(options_.logFolder)) {
    EXPECT_EQ(entry.path().string().find("undo"), std::string::npos) << entry.path();
  }
  std::ifstream logFile(run.logFile);
  std::stringstream log;
  log << logFile.rdbuf();
  EXPECT_NE(log.str().find(replacemsg::kCancelledWhole), std::string::npos) << log.str();
}

TEST_F(ReplacementRunTest, KeyThatIsNotUniqueRefusesBeforeAnythingIsSent) {
  const std::string before = GoodsDump();
  cfg_.SUnFld = "Active";  // many goods share a flag
  cfg_.SrcFullKey = "Goods.Active";
  const ReplacementPlan plan =
      Plan({{"Шт", "шт", 1}, {"ШТ.", "шт", 2}, {"кгр", "кг", 3}, {"Кг.", "кг", 4}});
  ASSERT_GT(RowsWhere("Active AND Unit IN ('Шт', 'ШТ.', 'кгр', 'Кг.')"), 1);
  EXPECT_THROW(RunReplacement(cfg_, period_, plan, options_), EDatabaseError);
  EXPECT_EQ(GoodsDump(), before);
  EXPECT_FALSE(std::filesystem::exists(options_.logFolder + "/replacements.log"));
}

}  // namespace
}  // namespace morvane::testing
