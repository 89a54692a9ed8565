#include "replace/replacement_plan.h"

#include <unordered_map>

#include "replace/builders.h"
#include "replace/replacement_messages.h"

namespace morvane {

namespace {

constexpr size_t kNone = size_t(-1);

// Pairs that write a statement, with the index of the pair that must run
// before each: the one whose current value is this pair's new value.
struct PairGraph {
  std::vector<const ReplacementPair*> pairs;
  std::vector<size_t> runsAfter;
};

bool WritesStatement(const ReplacementPair& pair) {
  return !pair.oldValue.empty() && !pair.newValue.empty() && pair.newValue != pair.oldValue;
}

bool TryBuildGraph(const std::vector<ReplacementPair>& mapping, PairGraph& graph,
                   std::string& error) {
  std::unordered_map<std::string_view, size_t> byOldValue;
  for (const ReplacementPair& pair : mapping) {
    if (!WritesStatement(pair)) continue;
    const auto [found, added] = byOldValue.emplace(pair.oldValue, graph.pairs.size());
    if (!added) {
      error = replacemsg::MappedTwice(pair.oldValue, graph.pairs[found->second]->line, pair.line);
      return false;
    }
    graph.pairs.push_back(&pair);
  }
  graph.runsAfter.assign(graph.pairs.size(), kNone);
  for (size_t index = 0; index < graph.pairs.size(); ++index) {
    const auto target = byOldValue.find(graph.pairs[index]->newValue);
    if (target != byOldValue.end()) graph.runsAfter[index] = target->second;
  }
  return true;
}

std::string CycleText(const PairGraph& graph, size_t start) {
  std::string chain = replacemsg::Quoted(graph.pairs[start]->oldValue);
  size_t index = start;
  do {
    chain += " → " + replacemsg::Quoted(graph.pairs[index]->newValue);
    index = graph.runsAfter[index];
  } while (index != start);
  return chain;
}

// Mapping order, except that a pair goes after the pair it must follow.
// Each pair has at most one such pair, so the constraints form chains; a
// chain is walked to its end (or to a pair already placed) and placed from
// there back, without recursion so that long chains cannot exhaust the stack.
bool TryOrder(const PairGraph& graph, std::vector<size_t>& order, std::string& error) {
  enum class Mark : char { kNew, kOnPath, kPlaced };
  std::vector<Mark> marks(graph.pairs.size(), Mark::kNew);
  std::vector<size_t> path;
  for (size_t start = 0; start < graph.pairs.size(); ++start) {
    path.clear();
    for (size_t index = start; index != kNone && marks[index] != Mark::kPlaced;
         index = graph.runsAfter[index]) {
      if (marks[index] == Mark::kOnPath) {
        error = replacemsg::Cycle(CycleText(graph, index));
        return false;
      }
      marks[index] = Mark::kOnPath;
      path.push_back(index);
    }
    for (auto it = path.rbegin(); it != path.rend(); ++it) {
      marks[*it] = Mark::kPlaced;
      order.push_back(*it);
    }
  }
  return true;
}

}  // namespace

std::vector<std::string> ReplacementPlan::Statements() const {
  std::vector<std::string> statements;
  statements.reserve(lines.size());
  for (const ReplacementLine& line : lines) statements.push_back(line.sql);
  return statements;
}

std::vector<std::string> ReplacementPlan::OldValues() const {
  std::vector<std::string> values;
  values.reserve(lines.size());
  for (const ReplacementLine& line : lines) values.push_back(line.oldValue);
  return values;
}

bool TryBuildReplacementPlan(const CMvCFG& cfg, CPeriod& period,
                             const std::vector<ReplacementPair>& mapping, ReplacementPlan& plan,
                             std::string& error) {
  plan = ReplacementPlan();
  if (cfg.SrcTbl.empty() || cfg.SrcFld.empty() || cfg.SrcFullFld.empty()) {
    error = replacemsg::kNoTable;
    return false;
  }
  for (const ReplacementPair& pair : mapping) {
    for (const std::string* value : {&pair.oldValue, &pair.newValue}) {
      if (!HasLineBreak(*value)) continue;
      error = replacemsg::LineBreakInValue(pair.line, *value);
      return false;
    }
  }
  PairGraph graph;
  std::vector<size_t> order;
  if (!TryBuildGraph(mapping, graph, error) || !TryOrder(graph, order, error)) return false;

  std::unordered_map<std::string_view, int> lineFeedingInto;  // new value -> its pair's line
  for (const ReplacementPair* pair : graph.pairs) lineFeedingInto.emplace(pair->newValue, pair->line);
  for (size_t position = 0; position < order.size(); ++position) {
    const ReplacementPair& pair = *graph.pairs[order[position]];
    ReplacementLine line{pair.oldValue, pair.newValue, pair.line, {}, 0};
    if (!BuildUpdate(cfg, period, pair.oldValue, pair.newValue, line.sql)) {
      error = replacemsg::kNoTable;  // only an empty table or field refuses here
      plan = ReplacementPlan();
      return false;
    }
    const auto feeds = lineFeedingInto.find(pair.oldValue);
    if (feeds != lineFeedingInto.end()) line.feedsLine = feeds->second;
    if (order[position] != position) plan.reordered = true;
    plan.lines.push_back(std::move(line));
  }
  return true;
}

}  // namespace morvane
