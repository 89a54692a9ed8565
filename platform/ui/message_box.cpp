#include "platform/ui/message_box.h"

#include <QApplication>
#include <QMessageBox>

#include "platform/ui/application.h"

namespace morvane {

namespace {

TMessageBoxHook& Hook() {
  static TMessageBoxHook hook;
  return hook;
}

bool showsError = true;

void ShowBox(QMessageBox::Icon icon, const std::string& text) {
  const std::string& caption = Application().Title();
  if (Hook()) {
    showsError = icon == QMessageBox::Critical;
    Hook()(caption, text);
    showsError = true;
    return;
  }
  QMessageBox box(icon, QString::fromStdString(caption), QString::fromStdString(text),
                  QMessageBox::Ok, QApplication::activeWindow());
  // Messages carry values and servers' reasons: never taken for markup.
  box.setTextFormat(Qt::PlainText);
  box.exec();
}

}  // namespace

void MessageBoxStop(const std::string& text) {
  ShowBox(QMessageBox::Critical, text);
}

void MessageBoxInformation(const std::string& text) {
  ShowBox(QMessageBox::Information, text);
}

bool MessageBoxShowsError() {
  return showsError;
}

TMessageBoxHook SetMessageBoxHook(TMessageBoxHook hook) {
  TMessageBoxHook previous = std::move(Hook());
  Hook() = std::move(hook);
  return previous;
}

}  // namespace morvane
