// The rows a set-based replacement changed, as they are read back (key, old
// value and plan line, as texts): counted per plan line and, when the run
// has an undo file, written to it as undo rows whose replaced value is the
// plan line's new value, as the line-by-line undo writes it. The file is
// written as a partial file (path + ".part") that takes its name only when
// kept, and is removed otherwise. Single-threaded, like the session.
#pragma once

#include <cstdint>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "replace/mv_cfg.h"
#include "replace/replacement_plan.h"
#include "replace/undo_script.h"

namespace morvane {

class ChangedRowsSink {
 public:
  // Counts into rowsPerLine (set to zeros first); no file when path is
  // empty. Raises EDatabaseError when the file cannot be created.
  ChangedRowsSink(const CMvCFG& cfg, const ReplacementPlan& plan, std::string path,
                  std::vector<int64_t>& rowsPerLine);
  ~ChangedRowsSink();
  ChangedRowsSink(const ChangedRowsSink&) = delete;
  ChangedRowsSink& operator=(const ChangedRowsSink&) = delete;

  // One row; `from` names where it was read, for a plan line out of range
  // (raised as EDatabaseError).
  void Take(const std::vector<std::string_view>& row, const std::string& from);
  // Writes what was taken so far: the text held stays a page long. Raises
  // EDatabaseError when the file cannot be written.
  void Flush();
  int64_t Rows() const { return rows_; }
  // Completes the file under its name; raises EDatabaseError when it cannot
  // be written.
  void Keep();

 private:
  const ReplacementPlan& plan_;
  UndoScript header_;
  UndoRowText line_;
  std::string path_;
  std::vector<int64_t>& rowsPerLine_;
  std::ofstream out_;
  std::string text_;
  int64_t rows_ = 0;
};

}  // namespace morvane
