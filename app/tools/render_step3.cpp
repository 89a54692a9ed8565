#include "app/tools/render_step3.h"

#include <QCheckBox>
#include <QMessageBox>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <cstdio>

#include "app/form_um.h"
#include "app/step3_execution.h"
#include "platform/ui/application.h"
#include "platform/ui/confirm.h"

namespace morvane::render {

namespace {

// The one message collected since messages was last cleared, drawn as the
// program shows it (its icon, the title, OK).
bool SaveMessage(std::vector<ShownMessage>& messages, const std::filesystem::path& file) {
  if (messages.size() != 1) {
    std::fprintf(stderr, "expected one message for %s, got %zu\n", file.c_str(), messages.size());
    messages.clear();
    return false;
  }
  QMessageBox box(messages.front().error ? QMessageBox::Critical : QMessageBox::Information,
                  QString::fromStdString(Application().Title()),
                  QString::fromStdString(messages.front().text), QMessageBox::Ok);
  box.setTextFormat(Qt::PlainText);  // as the program's own boxes show it
  box.show();
  messages.clear();
  return SaveWidget(box, file);
}

}  // namespace

bool SaveWidget(QWidget& widget, const std::filesystem::path& file) {
  if (widget.grab().save(QString::fromStdString(file.string()))) {
    std::printf("%s\n", file.c_str());
    return true;
  }
  std::fprintf(stderr, "cannot write %s\n", file.c_str());
  return false;
}

int RenderStep3Journey(TFormUM& form, const std::filesystem::path& output,
                       std::vector<ShownMessage>& messages) {
  int failures = 0;
  auto check = [&failures](bool done) {
    if (!done) ++failures;
    return done;
  };
  TStep3Execution& step3 = form.Step3();
  form.ButtonGen->click();
  step3.RefreshPreview();  // what the edit timer does a moment later
  check(SaveWidget(form, output / "step3-script.png"));
  step3.CheckWhole->setChecked(true);
  check(SaveWidget(form, output / "step3-whole.png"));
  const QSize designed = form.size();
  form.resize(designed + QSize(240, 160));
  check(SaveWidget(form, output / "step3-enlarged.png"));
  form.resize(designed);

  // All or nothing: a failing last line leaves the table as it was; then the
  // clean script runs whole and is undone.
  const char* failingLine = "UPDATE Goods SET Goods.Unitt = 'шт' WHERE Goods.Unit = 'штук'";
  form.Memo1->appendPlainText(failingLine);
  messages.clear();
  form.ButtonDo->click();
  if (!check(SaveMessage(messages, output / "message-whole-failed.png"))) return failures;
  form.ButtonGen->click();
  form.ButtonDo->click();
  if (!check(SaveMessage(messages, output / "message-whole-applied.png"))) return failures;
  const TConfirmHook previous =
      SetConfirmHook([](const std::string&, const std::string&) { return true; });
  step3.ButtonUndo->click();
  SetConfirmHook(previous);
  if (!check(SaveMessage(messages, output / "message-undo.png"))) return failures;

  // Line by line, as written: the rejected line is named, the others ran.
  step3.CheckWhole->setChecked(false);
  form.ButtonGen->click();
  form.Memo1->appendPlainText(failingLine);
  form.ButtonDo->click();
  check(SaveMessage(messages, output / "message-failed-line.png"));
  return failures;
}

}  // namespace morvane::render
