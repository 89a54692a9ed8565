#include "replace/replacement_plan.h"

#include <gtest/gtest.h>

#include "replace/builders.h"
#include "replace/replacement_messages.h"

namespace morvane {
namespace {

CMvCFG GoodsUnit() {
  CMvCFG cfg("/nonexistent-dir");
  cfg.Load();
  return cfg;
}

// "old>new" per pair; lines numbered from 1.
std::vector<ReplacementPair> Mapping(const std::vector<std::string>& pairs) {
  std::vector<ReplacementPair> mapping;
  for (const std::string& pair : pairs) {
    const size_t arrow = pair.find('>');
    mapping.push_back({pair.substr(0, arrow), pair.substr(arrow + 1), int(mapping.size()) + 1});
  }
  return mapping;
}

std::vector<std::string> PlanOrder(const ReplacementPlan& plan) {
  std::vector<std::string> order;
  for (const ReplacementLine& line : plan.lines) order.push_back(line.oldValue + ">" + line.newValue);
  return order;
}

TEST(ReplacementPlanTest, LinesAreTheWizardsStatements) {
  CMvCFG cfg = GoodsUnit();
  CPeriod period;
  ReplacementPlan plan;
  std::string error;
  ASSERT_TRUE(TryBuildReplacementPlan(cfg, period, Mapping({"шт.>шт", "O'K>ок"}), plan, error));
  ASSERT_EQ(plan.lines.size(), 2u);
  std::string expected;
  ASSERT_TRUE(BuildUpdate(cfg, period, "шт.", "шт", expected));
  EXPECT_EQ(plan.lines[0].sql, expected);
  EXPECT_EQ(plan.lines[1].sql, "UPDATE Goods SET Goods.Unit = 'ок' WHERE Goods.Unit = 'O''K'");
  EXPECT_FALSE(plan.reordered);
}

TEST(ReplacementPlanTest, OrdersChainsSoEachRowGetsItsMappedValue) {
  struct Case {
    std::vector<std::string> mapping;
    std::vector<std::string> order;
  };
  const Case cases[] = {
      {{"A>B", "B>C"}, {"B>C", "A>B"}},
      {{"A>B", "B>C", "C>D"}, {"C>D", "B>C", "A>B"}},
      {{"X>Y", "A>B", "Q>R", "B>C"}, {"X>Y", "B>C", "A>B", "Q>R"}},
      {{"B>C", "A>B"}, {"B>C", "A>B"}},
      {{"A>C", "B>C"}, {"A>C", "B>C"}},  // two values into one: no conflict
      {{"A>A", "B>", "C>D"}, {"C>D"}},   // unchanged and empty write nothing
  };
  CMvCFG cfg = GoodsUnit();
  for (const Case& c : cases) {
    CPeriod period;
    ReplacementPlan plan;
    std::string error;
    ASSERT_TRUE(TryBuildReplacementPlan(cfg, period, Mapping(c.mapping), plan, error)) << error;
    EXPECT_EQ(PlanOrder(plan), c.order);
  }
}

TEST(ReplacementPlanTest, ChainedLineNamesTheLineThatFeedsOnIt) {
  CMvCFG cfg = GoodsUnit();
  CPeriod period;
  ReplacementPlan plan;
  std::string error;
  ASSERT_TRUE(TryBuildReplacementPlan(cfg, period, Mapping({"A>B", "B>C"}), plan, error));
  EXPECT_TRUE(plan.reordered);
  EXPECT_EQ(plan.lines[0].oldValue, "B");
  EXPECT_EQ(plan.lines[0].feedsLine, 1);  // A>B reads what B>C has emptied
  EXPECT_EQ(plan.lines[1].feedsLine, 0);
}

TEST(ReplacementPlanTest, RefusesCyclesAndDoubleMappingsNamingTheValues) {
  struct Case {
    std::vector<std::string> mapping;
    std::string error;
  };
  const Case cases[] = {
      {{"A>B", "B>A"}, replacemsg::Cycle("«A» → «B» → «A»")},
      {{"Z>Y", "A>B", "B>C", "C>A"}, replacemsg::Cycle("«A» → «B» → «C» → «A»")},
      {{"A>B", "C>D", "A>E"}, replacemsg::MappedTwice("A", 1, 3)},
  };
  CMvCFG cfg = GoodsUnit();
  for (const Case& c : cases) {
    CPeriod period;
    ReplacementPlan plan;
    std::string error;
    EXPECT_FALSE(TryBuildReplacementPlan(cfg, period, Mapping(c.mapping), plan, error));
    EXPECT_EQ(error, c.error);
    EXPECT_TRUE(plan.lines.empty());
  }
}

TEST(ReplacementPlanTest, LongChainIsOrderedWithoutRecursion) {
  std::vector<std::string> pairs;
  for (int i = 0; i < 50000; ++i) pairs.push_back(std::to_string(i) + ">" + std::to_string(i + 1));
  CMvCFG cfg = GoodsUnit();
  CPeriod period;
  ReplacementPlan plan;
  std::string error;
  ASSERT_TRUE(TryBuildReplacementPlan(cfg, period, Mapping(pairs), plan, error));
  EXPECT_EQ(plan.lines.front().oldValue, "49999");
  EXPECT_EQ(plan.lines.back().oldValue, "0");
}

// A statement must stand on one line of the script: the memo would split it,
// and what ran would not be what was shown. Refused before anything is sent.
TEST(ReplacementPlanTest, ValueWithALineBreakIsRefusedNamingItsLine) {
  CMvCFG cfg = GoodsUnit();
  CPeriod period;
  for (const char* pair : {"a>b\nc", "a\r>b", "a\r\n>b"}) {
    ReplacementPlan plan;
    std::string error;
    const std::vector<ReplacementPair> mapping = Mapping({"x>y", pair});
    EXPECT_FALSE(TryBuildReplacementPlan(cfg, period, mapping, plan, error)) << pair;
    const std::string& value =
        HasLineBreak(mapping[1].oldValue) ? mapping[1].oldValue : mapping[1].newValue;
    EXPECT_EQ(error, replacemsg::LineBreakInValue(2, value));
    EXPECT_TRUE(plan.lines.empty());
    std::string sql = "untouched";
    EXPECT_FALSE(BuildUpdate(cfg, period, mapping[1].oldValue, mapping[1].newValue, sql));
    EXPECT_EQ(sql, "untouched");
  }
}

TEST(ReplacementPlanTest, SettingWithoutTableIsRefused) {
  CMvCFG cfg("/nonexistent-dir");
  CPeriod period;
  ReplacementPlan plan;
  std::string error;
  EXPECT_FALSE(TryBuildReplacementPlan(cfg, period, Mapping({"A>B"}), plan, error));
  EXPECT_EQ(error, replacemsg::kNoTable);
}

}  // namespace
}  // namespace morvane
