#include "platform/ui/confirm.h"

#include <QApplication>
#include <QMessageBox>

#include "platform/ui/application.h"

namespace morvane {

namespace {

TConfirmHook& Hook() {
  static TConfirmHook hook;
  return hook;
}

}  // namespace

bool ConfirmOkCancel(const std::string& text) {
  const std::string& caption = Application().Title();
  if (Hook()) return Hook()(caption, text);
  QMessageBox box(QMessageBox::Question, QString::fromStdString(caption),
                  QString::fromStdString(text), QMessageBox::Ok | QMessageBox::Cancel,
                  QApplication::activeWindow());
  box.setTextFormat(Qt::PlainText);  // the question may quote values
  box.setDefaultButton(QMessageBox::Ok);
  box.setEscapeButton(QMessageBox::Cancel);
  return box.exec() == QMessageBox::Ok;
}

TConfirmHook SetConfirmHook(TConfirmHook hook) {
  TConfirmHook previous = std::move(Hook());
  Hook() = std::move(hook);
  return previous;
}

}  // namespace morvane
