// Step 3's script as the operator left it in the memo, read back into a
// replacement plan where it can be, for the preview, the exact undo and the
// log.
//
// A memo line is "known" when it is exactly the statement the wizard builds
// for some pair (current value, new value): the two quoted values are read
// from it and BuildUpdate must give the very same text back, so a line the
// operator changed in any other way is never mistaken for a pair. When every
// statement of the memo is known and the pairs form a plan (no cycle, no
// value mapped twice) in the order the memo shows, the script is "planned":
// it runs as that plan, with its undo (all-or-nothing as one set-based
// statement where the server has one). Otherwise it runs exactly as the
// lines stand, in memo order, and its preview shows only the known lines;
// plan then still holds the safe order of known pairs, which the wizard
// uses to order the lines it generates.
//
//   TStep3Script script = ReadStep3Script(cfg, period, memoLines);
//   if (!script.refusal.empty()) show(script.refusal);   // a cycle, say
//   else if (script.planned) RunReplacement(cfg, period, script.plan, ...);
//
// Pure text work: no Qt, no session.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "replace/mv_cfg.h"
#include "replace/period.h"
#include "replace/replacement_log.h"
#include "replace/replacement_plan.h"

namespace morvane {

// The pair a statement of the wizard changes; false for any other text.
bool TryReadUpdateLine(const CMvCFG& cfg, CPeriod& period, const std::string& line,
                       ReplacementPair& pair);

struct TStep3Script {
  std::vector<std::string> statements;  // the memo's non-blank lines, in memo order
  std::vector<int> lines;               // their memo lines, 1-based
  std::vector<bool> known;              // per statement: the wizard's own for a pair
  std::vector<ReplacementPair> pairs;   // per statement: its pair when known
  bool planned = false;                 // every statement known, forming a plan in memo order
  ReplacementPlan plan;  // when every statement is known; ReplacementLine::line is the memo line
  std::string refusal;   // known pairs that form no plan: why (cycle, twice)
};

TStep3Script ReadStep3Script(const CMvCFG& cfg, CPeriod& period,
                             const std::vector<std::string>& memoLines);

// The preview: rows each memo line will change (-1: not known) and their
// total over the known lines.
struct TStep3Preview {
  std::vector<int64_t> rowsPerLine;  // indexed by memo line - 1
  std::vector<bool> chained;         // the line's new value is another line's current value
  int64_t total = 0;
  bool complete = true;  // every statement's count is known
};

// counts: rows per current value (from reading, or from one grouped query).
// A known line changes the rows of its current value; chains do not change
// that, because the plan runs a line whose value another line writes first.
TStep3Preview PreviewOf(const TStep3Script& script, size_t memoLineCount,
                        const std::map<std::string, int64_t>& counts);

// The gutter beside the memo: one text line per memo line ("" for a blank
// or unknown line, "?" when its count is not known, "*" after a chained line).
std::vector<std::string> PreviewGutter(const TStep3Script& script, const TStep3Preview& preview);
// The total under the gutter: "Σ 42", "Σ ≥ 42" when some count is missing.
std::string PreviewTotal(const TStep3Preview& preview);

// After a run, the gutter says what happened instead: the rows each memo line
// changed, as the transport counted them per statement (several statements
// on one line add up), "?" for a line that ran without a count, "—" for one
// that failed or was not reached; blank beside lines that sent nothing.
std::vector<std::string> RunGutter(const std::vector<LoggedStatement>& statements,
                                   size_t memoLineCount);
// The total under it: "Σ 5", "Σ ≥ 5" when a line that ran has no count.
std::string RunTotal(const std::vector<LoggedStatement>& statements);

}  // namespace morvane
