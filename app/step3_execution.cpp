#include "app/step3_execution.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>
#include <algorithm>
#include <set>

#include "app/form_um.h"
#include "engine/zelconst.h"
#include "platform/rtl/exceptions.h"
#include "platform/ui/application.h"
#include "platform/ui/confirm.h"
#include "platform/ui/layout.h"
#include "platform/ui/message_box.h"
#include "replace/replacement_log.h"
#include "replace/replacement_messages.h"
#include "replace/replacement_run.h"
#include "replace/script_run.h"
#include "server/database.h"

namespace morvane {

namespace {

constexpr char kWholeCaption[] = "Выполнить как одно целое";
constexpr char kUndoCaption[] = "Отменить последнюю замену";
constexpr char kCancelCaption[] = "Отмена";
constexpr char kConfirmUndo[] =
    "Отменить последнюю замену? Изменённые ею строки получат прежние значения.";
constexpr char kAppliedWhole[] = "Замена выполнена одним целым, изменено строк: ";
constexpr char kUndone[] = "Замена отменена, восстановлено строк: ";
constexpr char kLogNotWritten[] = "Запись в журнал замен не сделана: ";
constexpr char kNoExactUndo[] = "скрипт изменён вручную: точная отмена невозможна";
constexpr char kGutterHint[] = "Строк будет изменено каждой строкой скрипта";
constexpr char kRunGutterHint[] = "Строк изменено каждой строкой скрипта при выполнении";
constexpr char kChainHint[] =
    "* новое значение строки — текущее значение другой строки: она выполняется раньше";
constexpr int kRefreshDelayMs = 600;
constexpr qint64 kEventIntervalMs = 15;  // events handled while a script runs

// Places right of the memo (x 329) and on the button row (y 230) of step 3.
constexpr int kGutterLeft = 333;
constexpr int kGutterTop = 78;
constexpr int kGutterWidth = 66;
constexpr int kMemoHeight = 141;
constexpr int kScrollBarHeight = 17;
constexpr int kTotalHeight = 16;
constexpr int kRowTop = 230;
constexpr int kCheckLeft = 168;
constexpr int kCheckWidth = 231;
constexpr int kProgressWidth = 148;
constexpr int kCancelLeft = 322;
constexpr int kCancelWidth = 77;
constexpr int kButtonHeight = 25;
// The undo button stands in the heading row, right of the short "Скрипт".
constexpr int kUndoLeft = 239;
constexpr int kUndoTop = 2;
constexpr int kUndoWidth = 160;
constexpr int kUndoHeight = 20;

QPushButton* MakeButton(QWidget* sheet, const char* name, const char* caption, QRect place) {
  auto* button = new QPushButton(QString::fromUtf8(caption), sheet);
  button->setObjectName(name);
  button->setFont(DesignFont());
  button->setAutoDefault(false);
  Place(button, place.x(), place.y(), place.width(), place.height());
  FitFont(button);
  return button;
}

// Keeps the form open while a script runs: the run's own code is on the
// stack below the event processing that would close it.
class CloseBlocker : public QObject {
 public:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() != QEvent::Close) return false;
    event->ignore();
    return true;
  }
};

// The line-by-line result in the written wizard's own message.
TScriptRun AsScriptRun(const ExecutionResult& result) {
  TScriptRun run;
  for (const LoggedStatement& statement : result.statements) {
    if (!statement.ran) continue;
    ++run.statements;
    if (statement.error.empty()) continue;
    run.failedLines.push_back(statement.line);
  }
  std::sort(run.failedLines.begin(), run.failedLines.end());
  const bool counted =
      std::all_of(result.statements.begin(), result.statements.end(),
                  [](const LoggedStatement& s) { return !s.ran || s.rowsChanged >= 0; });
  if (counted) run.rowsChanged = result.TotalRowsChanged();
  for (const LoggedStatement& statement : result.statements) {
    if (!run.failedLines.empty() && statement.line == run.failedLines.front()) {
      run.firstReason = statement.error;
    }
  }
  return run;
}

// Line by line as the written wizard sends: every line through FreeSQL in its
// own guard, so a refused line does not keep the later ones from the server
// and a closed session fails every line without sending. The rows each line
// changed come from the session's reply.
ExecutionResult ExecuteThroughFreeSql(const std::vector<std::string>& statements,
                                      const std::vector<int>& lines,
                                      const ExecutionProgress& progress) {
  TzelDatabase& session = zelDB();
  ExecutionResult result;
  size_t failed = 0;
  for (size_t index = 0; index < statements.size(); ++index) {
    LoggedStatement statement;
    statement.line = index < lines.size() ? lines[index] : int(index) + 1;
    statement.sql = statements[index];
    statement.ran = true;
    try {
      if (session.FreeSQL(statement.sql)) {
        const std::vector<int64_t>& rows = session.RowsChanged();
        if (!rows.empty()) {
          statement.rowsChanged = 0;
          for (int64_t count : rows) statement.rowsChanged += count;
        }
      } else {
        statement.error = zelconst::_Z_NOSESSION;
      }
    } catch (const std::exception& error) {
      statement.error = FailureReason(session.LastErrorText().empty() ? std::string(error.what())
                                                                      : session.LastErrorText());
      // The statement is named by its line; the copy the transport quotes goes.
      const size_t quoted = statement.error.find("\r\nSQL: ");
      if (quoted != std::string::npos) statement.error.erase(quoted);
    }
    if (!statement.error.empty()) ++failed;
    result.statements.push_back(std::move(statement));
    if (progress && !progress(index + 1, statements.size()) && index + 1 < statements.size()) {
      result.cancelled = true;
      for (size_t rest = index + 1; rest < statements.size(); ++rest) {
        result.statements.push_back(
            {rest < lines.size() ? lines[rest] : int(rest) + 1, statements[rest], false, -1, {}});
      }
      break;
    }
  }
  result.applied = failed == 0 && !result.cancelled;
  if (failed > 0) result.message = replacemsg::AppliedWithErrors(failed);
  return result;
}

// The rows the run changed, or -1 when a statement's count is unknown (the
// transport split it further): unknown is never shown as 0.
int64_t RowsChangedOrUnknown(const ExecutionResult& result) {
  const bool counted = std::all_of(result.statements.begin(), result.statements.end(),
                                   [](const LoggedStatement& s) { return s.rowsChanged >= 0; });
  return counted ? result.TotalRowsChanged() : -1;
}

// The log's one-line outcome.
std::string OutcomeLine(const ExecutionResult& result, bool allOrNothing) {
  const size_t ran = size_t(std::count_if(result.statements.begin(), result.statements.end(),
                                          [](const LoggedStatement& s) { return s.ran; }));
  if (result.cancelled && ran == 0) return replacemsg::kCancelledWhole;
  if (result.cancelled) return replacemsg::CancelledAfter(ran, result.statements.size());
  if (result.applied) return replacemsg::Applied(RowsChangedOrUnknown(result));
  if (allOrNothing) return replacemsg::OneLine(result.message);
  const size_t failed =
      size_t(std::count_if(result.statements.begin(), result.statements.end(),
                           [](const LoggedStatement& s) { return !s.error.empty(); }));
  return failed == ran ? std::string(replacemsg::kNothingApplied) + ": " +
                             replacemsg::OneLine(result.statements.front().error)
                       : replacemsg::AppliedWithErrors(failed);
}

std::string RunMessage(const ExecutionResult& result, bool allOrNothing) {
  if (allOrNothing) {
    if (!result.applied) return result.message;
    const int64_t rows = RowsChangedOrUnknown(result);
    return kAppliedWhole + (rows >= 0 ? std::to_string(rows) : std::string("?"));
  }
  std::string text = ScriptRunMessage(AsScriptRun(result));
  if (result.cancelled) {
    const size_t done = size_t(std::count_if(result.statements.begin(), result.statements.end(),
                                             [](const LoggedStatement& s) { return s.ran; }));
    text += "\r\n" + replacemsg::CancelledAfter(done, result.statements.size());
  }
  return text;
}

}  // namespace

TStep3Execution::TStep3Execution(TFormUM& form, QWidget* sheet) : form_(form) {
  Gutter = new QPlainTextEdit(sheet);
  Gutter->setObjectName("Gutter");
  Gutter->setFont(DesignFont());
  Gutter->setReadOnly(true);
  Gutter->setFocusPolicy(Qt::NoFocus);
  Gutter->setLineWrapMode(QPlainTextEdit::NoWrap);
  Gutter->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  Gutter->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  Gutter->setToolTip(QString::fromUtf8(kGutterHint));
  Place(Gutter, kGutterLeft, kGutterTop, kGutterWidth, kMemoHeight - kScrollBarHeight);
  LabelTotal = new QLabel(sheet);
  LabelTotal->setObjectName("LabelTotal");
  LabelTotal->setFont(DesignFont());
  LabelTotal->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  Place(LabelTotal, kGutterLeft, kGutterTop + kMemoHeight - kTotalHeight, kGutterWidth,
        kTotalHeight);

  CheckWhole = new QCheckBox(QString::fromUtf8(kWholeCaption), sheet);
  CheckWhole->setObjectName("CheckWhole");
  CheckWhole->setFont(DesignFont());
  CheckWhole->setChecked(false);
  Place(CheckWhole, kCheckLeft, kRowTop + 4, kCheckWidth, kButtonHeight - 8);
  FitFont(CheckWhole);
  ButtonUndo = MakeButton(sheet, "ButtonUndo", kUndoCaption,
                          QRect(kUndoLeft, kUndoTop, kUndoWidth, kUndoHeight));
  ButtonUndo->setEnabled(false);

  Progress = new QProgressBar(sheet);
  Progress->setObjectName("Progress");
  Progress->setFont(DesignFont());
  Place(Progress, kCheckLeft, kRowTop + 4, kProgressWidth, kButtonHeight - 8);
  Progress->hide();
  ButtonCancel = MakeButton(sheet, "ButtonCancel", kCancelCaption,
                            QRect(kCancelLeft, kRowTop, kCancelWidth, kButtonHeight));
  ButtonCancel->hide();

  refreshTimer_ = new QTimer(sheet);
  refreshTimer_->setSingleShot(true);
  // Cut in the destructor: the widgets outlive this object while the form
  // tears down.
  connections_ = {
      QObject::connect(refreshTimer_, &QTimer::timeout, sheet, [this] { RefreshPreview(); }),
      QObject::connect(form_.Memo1, &QPlainTextEdit::textChanged, sheet,
                       [this] { ScriptEdited(); }),
      QObject::connect(form_.Memo1->verticalScrollBar(), &QScrollBar::valueChanged, Gutter,
                       [this](int value) { Gutter->verticalScrollBar()->setValue(value); }),
      QObject::connect(ButtonUndo, &QPushButton::clicked, sheet,
                       [this] { Guarded([this] { UndoClick(); }); }),
      QObject::connect(ButtonCancel, &QPushButton::clicked, sheet, [this] { CancelClick(); })};
}

TStep3Execution::~TStep3Execution() {
  refreshTimer_->stop();
  for (const QMetaObject::Connection& connection : connections_) QObject::disconnect(connection);
}

bool TStep3Execution::OrderGenerated(std::vector<std::string>& lines) {
  CMorvane* commander = form_.AppCommander();
  if (commander == nullptr) return true;
  const TStep3Script script = ReadStep3Script(commander->Cfg, commander->Period, lines);
  if (!script.refusal.empty()) {
    lines.clear();
    MessageBoxStop(script.refusal);
    return false;
  }
  if (!script.plan.lines.empty()) lines = script.plan.Statements();
  return true;
}

void TStep3Execution::SetReadCounts(std::map<std::string, int64_t> counts) {
  readCounts_ = std::move(counts);
}

void TStep3Execution::ScriptEdited() {
  // No counting query while a run holds the connection.
  if (running_) return;
  // The gutter's lines must follow the memo's at once; counts come later.
  refreshTimer_->start(kRefreshDelayMs);
}

void TStep3Execution::RefreshPreview() {
  refreshTimer_->stop();
  CMorvane* commander = form_.AppCommander();
  const std::vector<std::string> memoLines = form_.MemoLines();
  if (commander == nullptr) {
    script_ = {};
    preview_ = {};
    ShowPreview();
    return;
  }
  script_ = ReadStep3Script(commander->Cfg, commander->Period, memoLines);
  std::set<std::string> needed;
  for (size_t index = 0; index < script_.statements.size(); ++index) {
    if (script_.known[index]) needed.insert(script_.pairs[index].oldValue);
  }
  std::map<std::string, int64_t> counts = readCounts_;
  const bool covered = std::all_of(needed.begin(), needed.end(),
                                   [&](const std::string& value) { return counts.count(value); });
  if (!covered) {
    // A script edited by hand: one grouped query counts every current value.
    ReplacementPlan plan;
    for (const std::string& value : needed) plan.lines.push_back({value, {}, 0, {}, 0});
    try {
      const std::vector<int64_t> rows = CountRowsToChange(commander->Cfg, commander->Period, plan);
      for (size_t index = 0; index < rows.size() && index < plan.lines.size(); ++index) {
        counts[plan.lines[index].oldValue] = rows[index];
      }
    } catch (const std::exception&) {
      // No counts for a preview is no reason for a message: they show as "?".
    }
  }
  preview_ = PreviewOf(script_, memoLines.size(), counts);
  ShowPreview();
}

void TStep3Execution::ShowGutter(const std::vector<std::string>& gutter) {
  QStringList lines;
  for (const std::string& line : gutter) lines.push_back(QString::fromStdString(line));
  Gutter->setPlainText(lines.join('\n'));
  QTextOption option = Gutter->document()->defaultTextOption();
  option.setAlignment(Qt::AlignRight);
  Gutter->document()->setDefaultTextOption(option);
  Gutter->verticalScrollBar()->setValue(form_.Memo1->verticalScrollBar()->value());
}

void TStep3Execution::ShowPreview() {
  ShowGutter(PreviewGutter(script_, preview_));
  const bool anyChained =
      std::find(preview_.chained.begin(), preview_.chained.end(), true) != preview_.chained.end();
  LabelTotal->setText(script_.statements.empty() ? QString()
                                                 : QString::fromStdString(PreviewTotal(preview_)));
  LabelTotal->setToolTip(anyChained ? QString::fromUtf8(kChainHint) : QString());
  Gutter->setToolTip(anyChained ? QString::fromUtf8(kChainHint) : QString::fromUtf8(kGutterHint));
}

void TStep3Execution::ShowRunCounts(const std::vector<LoggedStatement>& statements) {
  refreshTimer_->stop();
  ShowGutter(RunGutter(statements, form_.MemoLines().size()));
  Gutter->setToolTip(QString::fromUtf8(kRunGutterHint));
  LabelTotal->setText(QString::fromStdString(RunTotal(statements)));
  LabelTotal->setToolTip(QString());
}

void TStep3Execution::ShowRunning(bool running, size_t total, bool cancellable) {
  running_ = running;
  if (running) refreshTimer_->stop();
  CheckWhole->setVisible(!running);
  Progress->setVisible(running);
  ButtonCancel->setVisible(running);
  LockForm(running);
  if (!running) return;
  cancelled_ = false;
  eventClock_.invalidate();
  // Without statement reports one request cannot be followed: a busy bar.
  Progress->setRange(0, cancellable ? int(total) : 0);
  Progress->setValue(0);
  ButtonCancel->setEnabled(cancellable);
  QCoreApplication::processEvents();
}

void TStep3Execution::LockForm(bool lock) {
  if (!lock) {
    for (const QPointer<QWidget>& widget : locked_) {
      if (widget) widget->setEnabled(true);
    }
    locked_.clear();
    if (closeBlocker_) form_.removeEventFilter(closeBlocker_.get());
    closeBlocker_.reset();
    return;
  }
  // Everything beside the path from the form down to Cancel: disabling a
  // widget disables what it holds, so the siblings along the path suffice
  // (the page control's tab bar among them, so no other step can be opened).
  std::vector<QWidget*> path;
  for (QWidget* widget = ButtonCancel; widget != nullptr && widget != &form_;
       widget = widget->parentWidget()) {
    path.push_back(widget);
  }
  path.push_back(&form_);
  for (QWidget* holder : path) {
    for (QWidget* child : holder->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
      const bool keep =
          child == Progress || std::find(path.begin(), path.end(), child) != path.end();
      if (keep || child->testAttribute(Qt::WA_Disabled)) continue;
      child->setEnabled(false);
      locked_.push_back(child);
    }
  }
  closeBlocker_ = std::make_unique<CloseBlocker>();
  form_.installEventFilter(closeBlocker_.get());
}

bool TStep3Execution::Step(size_t done, size_t total) {
  // The transport counts statements, and a line typed by hand may hold two.
  if (Progress->maximum() != 0 && Progress->maximum() != int(total)) {
    Progress->setMaximum(int(total));
  }
  Progress->setValue(int(std::min(done, total)));
  // Lets Cancel be pressed between two statements. Often enough for a person,
  // not after every one: a statement of an all-or-nothing run takes a few
  // microseconds, and handling events as long again would double the run.
  if (!eventClock_.isValid() || eventClock_.elapsed() >= kEventIntervalMs) {
    QCoreApplication::processEvents();
    eventClock_.start();
  }
  return !cancelled_;
}

void TStep3Execution::Execute() {
  CMorvane* commander = form_.AppCommander();
  if (commander == nullptr) return;
  const TStep3Script script = ReadStep3Script(commander->Cfg, commander->Period, form_.MemoLines());
  if (!script.refusal.empty()) {
    MessageBoxStop(script.refusal);  // nothing is sent
    return;
  }
  if (script.statements.empty()) {
    MessageBoxStop(ScriptRunMessage(TScriptRun{}));  // blank lines are sent as nothing
    return;
  }
  const bool whole = CheckWhole->isChecked();
  const bool withProgress = script.statements.size() > kProgressFrom;
  const bool cancellable = !whole || zelDB().CanReportProgress();
  ExecutionProgress progress;
  if (withProgress && cancellable) {
    progress = [this](size_t done, size_t total) { return Step(done, total); };
  }

  // Whatever ends the run, the form comes back as it was.
  struct RunningScope {
    TStep3Execution& step3;
    bool on;
    ~RunningScope() { End(); }
    void End() {
      if (on) step3.ShowRunning(false, 0, false);
      on = false;
    }
  } running{*this, withProgress};
  if (withProgress) ShowRunning(true, script.statements.size(), cancellable);

  ExecutionResult result;
  std::string logProblem;
  std::string note;
  try {
    // Rows for the undo are read through the open session; a closed one
    // fails every line as the written execution does.
    if (script.planned && zelDB().Connected()) {
      ReplacementRunOptions options;
      options.allOrNothing = whole;
      options.progress = progress;
      options.lineByLine = ExecuteThroughFreeSql;
      ReplacementRun run = RunReplacement(commander->Cfg, commander->Period, script.plan, options);
      result = std::move(run.result);
      logProblem = run.logProblem;
      if (!run.files.undo.empty()) lastUndoFile_ = run.files.undo;
      if (!run.undoExact) note = replacemsg::kUndoNotExact;
    } else {
      result = whole ? ExecuteAllOrNothing(script.statements, script.lines, progress)
                     : ExecuteThroughFreeSql(script.statements, script.lines, progress);
      ReplacementLogEntry entry;
      entry.time = std::time(nullptr);
      entry.settingName = commander->Cfg.CfgName;
      entry.database = SessionDatabaseName();
      entry.allOrNothing = whole;
      entry.outcome = OutcomeLine(result, whole);
      entry.undoNote = kNoExactUndo;
      entry.statements = result.statements;
      try {
        ReplacementLog().Append(entry);
      } catch (const Exception& error) {
        logProblem = error.what();
      }
    }
  } catch (const Exception& error) {
    // Refused before anything was sent (rows for the undo unreadable, a key
    // that is not unique, the log folder not writable), or the session lost.
    running.End();
    MessageBoxStop(error.what());
    return;
  }
  running.End();
  std::string message = RunMessage(result, whole);
  if (!note.empty()) message += "\r\n" + note;
  if (!logProblem.empty()) message += "\r\n" + std::string(kLogNotWritten) + logProblem;
  ButtonUndo->setEnabled(!lastUndoFile_.empty());
  // The counts of reading no longer hold once rows changed.
  readCounts_.clear();
  // A run that changed rows shows what each line changed until the script is
  // edited; one rolled back as a whole changed nothing and shows the preview.
  if (whole && !result.applied) {
    ScriptEdited();
  } else {
    ShowRunCounts(result.statements);
  }
  // Everything applied and nothing to warn about is news, not an error.
  if (result.applied && !result.cancelled && note.empty() && logProblem.empty()) {
    MessageBoxInformation(message);
  } else {
    MessageBoxStop(message);
  }
}

void TStep3Execution::UndoClick() {
  if (lastUndoFile_.empty()) return;
  if (!ConfirmOkCancel(kConfirmUndo)) return;
  std::string message;
  bool clean = false;
  try {
    const ExecutionResult undone = RunUndoFile(lastUndoFile_);
    if (undone.applied) {
      message = kUndone + std::to_string(undone.TotalRowsChanged());
      clean = undone.message.empty();
      if (!undone.message.empty()) message += "\r\n" + undone.message;
      lastUndoFile_.clear();
    } else {
      message = undone.message;
    }
  } catch (const Exception& error) {
    message = error.what();  // refused: the rows changed since are named
  }
  ButtonUndo->setEnabled(!lastUndoFile_.empty());
  readCounts_.clear();
  ScriptEdited();
  if (clean) {
    MessageBoxInformation(message);
  } else {
    MessageBoxStop(message);
  }
}

void TStep3Execution::Layout(int dx, int dy) {
  Gutter->setGeometry(kGutterLeft + dx, kGutterTop, kGutterWidth,
                      kMemoHeight - kScrollBarHeight + dy);
  LabelTotal->move(kGutterLeft + dx, kGutterTop + kMemoHeight - kTotalHeight + dy);
  for (QWidget* widget : {static_cast<QWidget*>(CheckWhole), static_cast<QWidget*>(Progress)}) {
    widget->move(widget->x(), kRowTop + 4 + dy);
  }
  ButtonCancel->move(kCancelLeft, kRowTop + dy);
  ButtonUndo->move(kUndoLeft + dx, kUndoTop);
}

}  // namespace morvane
