#include "replace/script_to_plan.h"

#include <gtest/gtest.h>

#include "replace/builders.h"

namespace morvane {
namespace {

class Step3ScriptTest : public ::testing::Test {
 protected:
  Step3ScriptTest() : cfg_("/nonexistent-dir") { cfg_.Load(); }  // Goods.Unit by default

  std::string Update(const std::string& oldValue, const std::string& newValue) {
    std::string sql;
    EXPECT_TRUE(BuildUpdate(cfg_, period_, oldValue, newValue, sql));
    return sql;
  }

  CMvCFG cfg_;
  CPeriod period_;
};

TEST_F(Step3ScriptTest, ReadsBackOnlyTheWizardsOwnStatements) {
  struct Case {
    std::string line;
    bool known;
  };
  const std::string apostrophes = Update("O'K", "о''к");
  const std::vector<Case> cases = {
      {Update("шт.", "шт"), true},
      {apostrophes, true},
      {Update("a", "b") + " AND 1=1", false},  // widened by hand
      {"UPDATE Goods SET Goods.Unit = 'b' WHERE Goods.Unit LIKE 'a%'", false},
      {"UPDATE Parts SET Goods.Unit = 'b' WHERE Goods.Unit = 'a'", false},
      {"UPDATE Goods SET Goods.Unit = 'b WHERE Goods.Unit = 'a'", false},  // quote unclosed
      {"DELETE FROM Goods", false},
  };
  for (const Case& item : cases) {
    ReplacementPair pair;
    EXPECT_EQ(TryReadUpdateLine(cfg_, period_, item.line, pair), item.known) << item.line;
  }
  ReplacementPair pair;
  ASSERT_TRUE(TryReadUpdateLine(cfg_, period_, apostrophes, pair));
  EXPECT_EQ(pair.oldValue, "O'K");
  EXPECT_EQ(pair.newValue, "о''к");
}

TEST_F(Step3ScriptTest, ChainInTheSafeOrderRunsAsItsPlan) {
  const TStep3Script script = ReadStep3Script(cfg_, period_, {Update("B", "C"), Update("A", "B")});
  ASSERT_TRUE(script.planned);
  EXPECT_EQ(script.plan.Statements(), script.statements);
}

TEST_F(Step3ScriptTest, MemoOrderThatTheChainWouldReorderRunsAsShownWithTheSafeOrderKept) {
  // Memo: A->B on line 1, a blank line, B->C on line 3. Run as shown, A's
  // rows go on to C: that is what the operator sees and sends.
  const TStep3Script script =
      ReadStep3Script(cfg_, period_, {Update("A", "B"), "  ", Update("B", "C")});
  EXPECT_FALSE(script.planned);
  EXPECT_EQ(script.statements, (std::vector<std::string>{Update("A", "B"), Update("B", "C")}));
  // The safe order stays at hand for the lines the wizard generates.
  ASSERT_EQ(script.plan.lines.size(), 2u);
  EXPECT_EQ(script.plan.lines[0].oldValue, "B");  // B->C first, so A's rows stop at B
  EXPECT_EQ(script.plan.lines[0].line, 3);
  EXPECT_EQ(script.plan.lines[1].line, 1);
  EXPECT_EQ(script.lines, (std::vector<int>{1, 3}));

  const TStep3Preview preview = PreviewOf(script, 3, {{"A", 5}, {"B", 2}});
  EXPECT_EQ(preview.rowsPerLine, (std::vector<int64_t>{5, -1, 2}));
  EXPECT_EQ(preview.total, 7);
  EXPECT_TRUE(preview.complete);
  EXPECT_EQ(PreviewGutter(script, preview), (std::vector<std::string>{"5 *", "", "2"}));
  EXPECT_EQ(PreviewTotal(preview), "Σ 7");
}

TEST_F(Step3ScriptTest, CycleIsRefusedNamingTheValues) {
  const TStep3Script script = ReadStep3Script(cfg_, period_, {Update("A", "B"), Update("B", "A")});
  EXPECT_FALSE(script.planned);
  EXPECT_NE(script.refusal.find("«A»"), std::string::npos) << script.refusal;
  EXPECT_NE(script.refusal.find("«B»"), std::string::npos) << script.refusal;
}

TEST_F(Step3ScriptTest, HandWrittenLineRunsAsItStandsAndCountsStayIncomplete) {
  const TStep3Script script =
      ReadStep3Script(cfg_, period_, {Update("A", "B"), "DELETE FROM Goods WHERE 0"});
  EXPECT_FALSE(script.planned);
  EXPECT_TRUE(script.refusal.empty());
  EXPECT_EQ(script.statements.size(), 2u);
  const TStep3Preview preview = PreviewOf(script, 2, {{"A", 4}});
  EXPECT_FALSE(preview.complete);
  EXPECT_EQ(PreviewGutter(script, preview), (std::vector<std::string>{"4", "?"}));
  EXPECT_EQ(PreviewTotal(preview), "Σ ≥ 4");
}

}  // namespace
}  // namespace morvane
