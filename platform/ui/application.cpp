#include "platform/ui/application.h"

#include <QApplication>

#include "platform/rtl/exceptions.h"
#include "platform/ui/message_box.h"

namespace morvane {

TApplication& Application() {
  static TApplication application;
  return application;
}

void TApplication::SetTitle(std::string title) {
  title_ = std::move(title);
  QApplication::setApplicationName(QString::fromStdString(title_));
}

void TApplication::ShowException(const std::exception& error) {
  std::string text = error.what();
  if (text.empty()) text = "Неизвестная ошибка";
  MessageBoxStop(text);
}

void TApplication::HandleException() {
  try {
    throw;
  } catch (const EAbort&) {
    // A silent abort ends the action without a message by definition.
  } catch (const std::exception& error) {
    ShowException(error);
  } catch (...) {
    MessageBoxStop("Неизвестная ошибка");
  }
}

int TApplication::Run() {
  return QApplication::exec();
}

}  // namespace morvane
