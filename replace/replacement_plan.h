// A replacement plan: the wizard's UPDATE statements for a mapping of current
// values to new values, in an order that leaves every row with the value the
// operator mapped it to.
//
// Each pair becomes the line BuildUpdate writes (the wizard's own statement,
// with the setting's period condition). As in the wizard, a pair whose new
// value is empty or equal to its current value writes nothing. The lines run
// one after another, so order matters when a pair's new value is another
// pair's current value: with A->B and B->C, running A->B first would carry
// the rows of A on to C. The plan therefore puts B->C first. A cycle (A->B,
// B->A) has no such order and the plan is refused with a message naming the
// values; so is a current value mapped twice. Otherwise the mapping's own
// order is kept.
//
// Use (wizard step 3, morvane-data apply):
//
//   std::vector<ReplacementPair> mapping = ...;      // grid rows or ParseMappingFile
//   ReplacementPlan plan;
//   std::string error;
//   if (!TryBuildReplacementPlan(cfg, period, mapping, plan, error)) show(error);
//   for (const ReplacementLine& line : plan.lines) ... line.sql ...
//
// Pure text work: no session, no files. Messages: replace/replacement_messages.h.
#pragma once

#include <string>
#include <vector>

#include "replace/mv_cfg.h"
#include "replace/period.h"

namespace morvane {

struct ReplacementPair {
  std::string oldValue;  // the current value
  std::string newValue;  // the value it becomes
  int line = 0;          // where it came from (mapping file line, grid row), 1-based
};

struct ReplacementLine {
  std::string oldValue;
  std::string newValue;
  int line = 0;     // the pair's own line
  std::string sql;  // the statement, one line without a terminator
  // The line of the pair whose new value is this line's old value, which
  // therefore runs after this one; 0 when none. The wizard warns about it.
  int feedsLine = 0;
};

struct ReplacementPlan {
  std::vector<ReplacementLine> lines;  // in the order they must run
  // True when a chain moved a line ahead of the mapping's order.
  bool reordered = false;

  std::vector<std::string> Statements() const;
  // The current values of the lines, in plan order.
  std::vector<std::string> OldValues() const;
};

// Builds the plan; false with a message in error (plan left empty) for a
// cycle, a current value mapped twice, or a setting without table and field.
bool TryBuildReplacementPlan(const CMvCFG& cfg, CPeriod& period,
                             const std::vector<ReplacementPair>& mapping, ReplacementPlan& plan,
                             std::string& error);

}  // namespace morvane
