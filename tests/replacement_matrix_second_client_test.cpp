// The replacement matrix with company: on every server, field type and key
// kind, the server's own client (a second session) changes rows of the
// table while an all-or-nothing replacement runs through the process
// session, the way the wizard runs it.
//   - Between the reading of the keys and the run, one row takes a mapped
//     value and another gives its mapped value up: as many rows hold the
//     values as before, but not the same ones. The run is cancelled inside
//     its transaction, the message names the row that took the value, no
//     undo file is left, and the table holds the client's change alone.
//   - The same change made before the reading: the run is exact against
//     the client's own UPDATE ... CASE, counts each line as the preview
//     did, and its undo gives back the table as the client left it.
// Cases are named SecondClientMatrix/<server>_<type>_<key>.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "replace/replacement_messages.h"
#include "replace/replacement_run.h"
#include "tests/replacement_matrix_cases.h"
#include "tests/session_fixture.h"

namespace morvane::testing {
namespace {

class SecondClientMatrix : public SessionFixture, public ::testing::WithParamInterface<MatrixCase> {
 protected:
  void SetUp() override {
    std::string problem;
    server_ = MatrixServerNamed(GetParam().server, problem);
    if (server_ == nullptr) GTEST_SKIP() << problem;
    field_ = &MatrixFields()[GetParam().field];
    table_ = "s_" + field_->name + "_" + KeyName(GetParam().key);
    logFolder_ = MatrixFolder() + "/second-client/" + CaseName(GetParam());
    std::filesystem::create_directories(logFolder_);
    CreateMatrixTable(*server_, *field_, GetParam().key, table_);
    setenv("NETBRG_DATABASE", server_->Connection().c_str(), 1);
    StartSession("SELECT 1");
    cfg_.CfgName = table_ + ".f";
    cfg_.SrcTbl = table_;
    cfg_.SrcFld = "f";
    cfg_.SUnFld = "k";
    cfg_.SrcFullFld = table_ + ".f";
    cfg_.SrcFullKey = table_ + ".k";
    std::vector<ReplacementPair> pairs;
    for (const auto& [oldValue, newValue] : field_->mapping)
      pairs.push_back({oldValue, newValue, int(pairs.size()) + 1});
    std::string error;
    ASSERT_TRUE(TryBuildReplacementPlan(cfg_, period_, pairs, plan_, error)) << error;
    options_.logFolder = logFolder_;
  }
  void TearDown() override {
    if (server_ != nullptr) StopSession();
  }

  std::string Dump() const { return MatrixDump(*server_, table_); }
  // The key of the first row, in key order, that the condition selects, as
  // the client prints it.
  std::string FirstKeyWhere(const std::string& condition) const {
    const std::string keys =
        server_->Client("SELECT k FROM " + table_ + " WHERE " + condition + " ORDER BY k");
    return keys.substr(0, keys.find('\n'));
  }

  MatrixServer* server_ = nullptr;
  const MatrixField* field_ = nullptr;
  std::string table_;
  std::string logFolder_;
  CMvCFG cfg_{MatrixFolder()};
  CPeriod period_;
  ReplacementPlan plan_;
  ReplacementRunOptions options_;
};

TEST_P(SecondClientMatrix, ChangeDuringTheRunCancelsItNamingTheRowAndOneBeforeIsTakenExactly) {
  const std::string mapped = "f IN (" + OldValuesList(*field_) + ")";
  const std::string leaving = FirstKeyWhere(mapped);
  const std::string arriving = FirstKeyWhere("f NOT IN (" + OldValuesList(*field_) + ")");
  ASSERT_FALSE(leaving.empty());
  ASSERT_FALSE(arriving.empty());
  const std::string change =
      "UPDATE " + table_ + " SET f = " +
      server_->TypedLiteral(field_->mapping[0].first, field_->types.at(server_->Name())) +
      " WHERE k = " + QuotedSql(arriving) + "; UPDATE " + table_ +
      " SET f = NULL WHERE k = " + QuotedSql(leaving);

  std::string afterChange;
  options_.afterCapture = [&] {
    server_->Client(change);
    afterChange = Dump();
  };
  const ReplacementRun run = RunReplacement(cfg_, period_, plan_, options_);
  EXPECT_FALSE(run.result.applied);
  EXPECT_TRUE(run.changedSinceRead);
  EXPECT_EQ(run.result.message, replacemsg::ChangedRowSinceRead(arriving));
  EXPECT_TRUE(run.files.undo.empty());
  ASSERT_FALSE(afterChange.empty());
  EXPECT_EQ(Dump(), afterChange) << "only the second client's change is in the table";

  // The table as the client left it, read before the run: exact.
  options_.afterCapture = {};
  const std::string expected = MatrixExpectedDump(*server_, *field_, table_);
  const std::vector<int64_t> preview = CountRowsToChange(cfg_, period_, plan_);
  const ReplacementRun again = RunReplacement(cfg_, period_, plan_, options_);
  ASSERT_TRUE(again.result.applied) << again.result.message;
  EXPECT_EQ(Dump(), expected);
  ASSERT_EQ(again.result.statements.size(), preview.size());
  for (size_t index = 0; index < preview.size(); ++index)
    EXPECT_EQ(again.result.statements[index].rowsChanged, preview[index]) << "line " << index + 1;
  ASSERT_FALSE(again.files.undo.empty());
  const ExecutionResult undone = RunUndoFile(again.files.undo, logFolder_);
  ASSERT_TRUE(undone.applied) << undone.message;
  EXPECT_EQ(Dump(), afterChange);
}

INSTANTIATE_TEST_SUITE_P(Replace, SecondClientMatrix, ::testing::ValuesIn(MatrixCases()),
                         [](const ::testing::TestParamInfo<MatrixCase>& info) {
                           return CaseName(info.param);
                         });

}  // namespace
}  // namespace morvane::testing
