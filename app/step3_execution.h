// What step 3 of TFormUM does beyond the written wizard: a preview of the
// rows each script line will change, chains put in a safe order and cycles
// refused, the check box "Выполнить как одно целое", the exact undo of the
// last replacement, a log entry for every execution, and a progress bar with
// Cancel for long scripts.
//
// After a run the gutter shows the rows each line changed, as the transport
// counted them, until the script is edited (a run rolled back as a whole
// changed nothing, and the preview stays).
//
// Left alone, step 3 behaves as written: the check box is off, so the script
// runs line by line, every line its own request, and a failed line does not
// stop the ones after it. What the additions add to such a run is the log
// entry and, when the setting names a key field (SUnFld), the undo script.
//
// Where the script is the wizard's own (every line a statement the wizard
// builds, in an order that needs no chain moved), it runs as a replacement
// plan (replace/replacement_run.h) with its undo; all-or-nothing, the plan is
// one set-based statement where the server has one (replace/one_pass.h). A
// script the operator rewrote or reordered otherwise runs exactly as its
// lines stand, in memo order, logged, without undo.
//
// The widgets sit on TabSheet3 within the form's designed 432 x 313: the
// gutter of counts right of the memo, the total under it, the check box
// beside ButtonDo, the undo button in the heading row; the progress bar and
// Cancel take the check box's place while a long script runs.
//
// A long script runs with the bar and Cancel in both modes: line by line it
// stops after the current line; all-or-nothing it is rolled back, nothing
// changed (when the transport cannot report statements, all-or-nothing shows
// a busy bar and Cancel stays disabled). Between statements Qt's events are
// processed so that the click arrives; meanwhile every other control of the
// form is disabled and the form cannot be closed, because anything that sent
// a request from there would be refused and anything that closed the form
// would pull it from under the run.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <QElapsedTimer>
#include <QMetaObject>
#include <QPointer>

#include "replace/replacement_log.h"
#include "replace/script_to_plan.h"

class QCheckBox;
class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QTimer;
class QWidget;

namespace morvane {

class TFormUM;

class TStep3Execution {
 public:
  // Scripts longer than this show the progress bar and Cancel.
  static constexpr size_t kProgressFrom = 300;

  TStep3Execution(TFormUM& form, QWidget* sheet);
  ~TStep3Execution();

  // The generated lines in the order that resolves chains; false after
  // showing why when the pairs form a cycle (the memo then stays empty).
  bool OrderGenerated(std::vector<std::string>& lines);
  // Rows per current value, as reading counted them; empty without counts.
  void SetReadCounts(std::map<std::string, int64_t> counts);
  // The memo changed: the preview is refreshed a moment after the last key.
  void ScriptEdited();
  // Recomputes the preview now: from the counts of reading while they cover
  // the script, else by one grouped query.
  void RefreshPreview();
  // ButtonDo: runs the memo's script as the check box says and reports.
  void Execute();
  // "Отменить последнюю замену": after confirmation, the last undo script
  // all-or-nothing, refused when a row was changed since.
  void UndoClick();
  // What the window gained over its designed size.
  void Layout(int dx, int dy);

  const std::string& LastUndoFile() const { return lastUndoFile_; }
  const TStep3Preview& Preview() const { return preview_; }
  // Cancel pressed: a line-by-line run stops after its current line, an
  // all-or-nothing run is rolled back.
  void CancelClick() { cancelled_ = true; }
  bool Running() const { return running_; }

  QPlainTextEdit* Gutter;  // rows per memo line, scrolled with the memo
  QLabel* LabelTotal;
  QCheckBox* CheckWhole;  // "Выполнить как одно целое", off
  QPushButton* ButtonUndo;
  QProgressBar* Progress;
  QPushButton* ButtonCancel;

 private:
  // The gutter right of the memo, one line per memo line, aligned to the
  // right and scrolled with the memo.
  void ShowGutter(const std::vector<std::string>& gutter);
  void ShowPreview();
  // After a run: the rows each line changed and their total.
  void ShowRunCounts(const std::vector<LoggedStatement>& statements);
  void ShowRunning(bool running, size_t total, bool cancellable);
  void LockForm(bool lock);
  bool Step(size_t done, size_t total);

  TFormUM& form_;
  QTimer* refreshTimer_;
  std::map<std::string, int64_t> readCounts_;
  TStep3Script script_;
  TStep3Preview preview_;
  std::string lastUndoFile_;
  bool cancelled_ = false;
  bool running_ = false;
  QElapsedTimer eventClock_;               // since events were last handled during a run
  std::vector<QPointer<QWidget>> locked_;  // disabled by LockForm, enabled again after
  std::unique_ptr<QObject> closeBlocker_;
  std::vector<QMetaObject::Connection> connections_;
};

}  // namespace morvane
