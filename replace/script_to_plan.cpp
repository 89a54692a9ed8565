#include "replace/script_to_plan.h"

#include <set>

#include "platform/rtl/text.h"
#include "replace/builders.h"

namespace morvane {

namespace {

// Reads a quoted SQL text starting at text[at] == '\'' (doubled apostrophes
// inside); at moves past the closing quote.
bool TryReadQuoted(const std::string& text, size_t& at, std::string& value) {
  if (at >= text.size() || text[at] != '\'') return false;
  value.clear();
  for (++at; at < text.size(); ++at) {
    if (text[at] != '\'') {
      value += text[at];
    } else if (at + 1 < text.size() && text[at + 1] == '\'') {
      value += '\'';
      ++at;
    } else {
      ++at;
      return true;
    }
  }
  return false;
}

}  // namespace

bool TryReadUpdateLine(const CMvCFG& cfg, CPeriod& period, const std::string& line,
                       ReplacementPair& pair) {
  // "UPDATE T SET F = 'new' WHERE F = 'old'[ AND condition]"
  const std::string head = "UPDATE " + cfg.SrcTbl + " SET " + cfg.SrcFullFld + " = ";
  if (cfg.SrcTbl.empty() || line.compare(0, head.size(), head) != 0) return false;
  size_t at = head.size();
  std::string newValue;
  if (!TryReadQuoted(line, at, newValue)) return false;
  const std::string middle = " WHERE " + cfg.SrcFullFld + " = ";
  if (line.compare(at, middle.size(), middle) != 0) return false;
  at += middle.size();
  std::string oldValue;
  if (!TryReadQuoted(line, at, oldValue)) return false;
  // Whatever follows must be exactly the setting's own condition.
  std::string rebuilt;
  if (!BuildUpdate(cfg, period, oldValue, newValue, rebuilt) || rebuilt != line) return false;
  pair.oldValue = std::move(oldValue);
  pair.newValue = std::move(newValue);
  return true;
}

TStep3Script ReadStep3Script(const CMvCFG& cfg, CPeriod& period,
                             const std::vector<std::string>& memoLines) {
  TStep3Script script;
  bool allKnown = true;
  std::vector<ReplacementPair> knownPairs;
  for (size_t index = 0; index < memoLines.size(); ++index) {
    if (Trim(memoLines[index]).empty()) continue;  // sent as nothing
    ReplacementPair pair;
    const bool known = TryReadUpdateLine(cfg, period, memoLines[index], pair);
    pair.line = int(index) + 1;
    script.statements.push_back(memoLines[index]);
    script.lines.push_back(pair.line);
    script.known.push_back(known);
    script.pairs.push_back(pair);
    if (known) knownPairs.push_back(pair);
    allKnown = allKnown && known;
  }
  if (knownPairs.empty()) return script;
  ReplacementPlan plan;
  std::string error;
  if (!TryBuildReplacementPlan(cfg, period, knownPairs, plan, error)) {
    script.refusal = error;
    return script;
  }
  if (allKnown) {
    // Lines run in the order the memo shows them: a memo whose order the
    // plan had to change (a chain the operator put the other way round)
    // runs as its lines stand, not as the plan would reorder it.
    script.planned = !plan.reordered;
    script.plan = std::move(plan);
  }
  return script;
}

TStep3Preview PreviewOf(const TStep3Script& script, size_t memoLineCount,
                        const std::map<std::string, int64_t>& counts) {
  TStep3Preview preview;
  preview.rowsPerLine.assign(memoLineCount, -1);
  preview.chained.assign(memoLineCount, false);
  std::set<std::string> oldValues;
  for (size_t index = 0; index < script.statements.size(); ++index) {
    if (script.known[index]) oldValues.insert(script.pairs[index].oldValue);
  }
  for (size_t index = 0; index < script.statements.size(); ++index) {
    const size_t at = size_t(script.lines[index] - 1);
    if (at >= memoLineCount) continue;
    const auto found =
        script.known[index] ? counts.find(script.pairs[index].oldValue) : counts.end();
    if (found == counts.end()) {
      preview.complete = false;
      continue;
    }
    preview.rowsPerLine[at] = found->second;
    preview.total += found->second;
    preview.chained[at] = oldValues.count(script.pairs[index].newValue) != 0;
  }
  return preview;
}

std::vector<std::string> PreviewGutter(const TStep3Script& script, const TStep3Preview& preview) {
  std::vector<std::string> gutter(preview.rowsPerLine.size());
  for (size_t index = 0; index < script.statements.size(); ++index) {
    const size_t at = size_t(script.lines[index] - 1);
    if (at >= gutter.size()) continue;
    const int64_t rows = preview.rowsPerLine[at];
    gutter[at] = rows < 0 ? "?" : std::to_string(rows);
    if (preview.chained[at]) gutter[at] += " *";
  }
  return gutter;
}

std::string PreviewTotal(const TStep3Preview& preview) {
  return std::string(preview.complete ? "Σ " : "Σ ≥ ") + std::to_string(preview.total);
}

std::vector<std::string> RunGutter(const std::vector<LoggedStatement>& statements,
                                   size_t memoLineCount) {
  std::vector<int64_t> rows(memoLineCount, 0);
  std::vector<std::string> gutter(memoLineCount);
  for (const LoggedStatement& statement : statements) {
    const size_t at = size_t(statement.line - 1);
    if (statement.line < 1 || at >= gutter.size() || gutter[at] == "—") continue;
    if (!statement.ran || !statement.error.empty()) {
      gutter[at] = "—";
    } else if (statement.rowsChanged < 0 || gutter[at] == "?") {
      gutter[at] = "?";
    } else {
      rows[at] += statement.rowsChanged;
      gutter[at] = std::to_string(rows[at]);
    }
  }
  return gutter;
}

std::string RunTotal(const std::vector<LoggedStatement>& statements) {
  int64_t total = 0;
  bool complete = true;
  for (const LoggedStatement& statement : statements) {
    if (!statement.ran || !statement.error.empty()) continue;
    if (statement.rowsChanged < 0) {
      complete = false;
    } else {
      total += statement.rowsChanged;
    }
  }
  return std::string(complete ? "Σ " : "Σ ≥ ") + std::to_string(total);
}

}  // namespace morvane
