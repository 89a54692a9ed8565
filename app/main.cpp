// Program start: the session, the application titled "Morvane", the wizard
// form and the message loop. Anything that reaches here is shown with the
// application's standard exception display; the program then ends with 0.
#include <QApplication>

#include "app/form_um.h"
#include "platform/ui/application.h"
#include "platform/ui/cursor.h"
#include "server/database.h"
#include "server/sql_wait_cursor.h"

int main(int argc, char** argv) {
  QApplication qtApplication(argc, argv);
  try {
    morvane::ZelTblUnit zelTbl;
    morvane::SetSqlWaitCursorHook(morvane::SqlWaitCursorHook());
    morvane::Application().SetTitle("Morvane");
    morvane::TFormUMOptions options;
    const QStringList arguments = QApplication::arguments();
    for (qsizetype index = 1; index < arguments.size(); ++index) {
      options.Arguments.push_back(arguments[index].toStdString());
    }
    morvane::TFormUM formUM(std::move(options));
    formUM.show();
    morvane::Application().Run();
    morvane::SetSqlWaitCursorHook(nullptr);
  } catch (...) {
    morvane::Application().HandleException();
  }
  return 0;
}
