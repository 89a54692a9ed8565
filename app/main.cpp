// Program start: the session, the application titled "Morvane", the wizard
// form and the message loop. Anything that reaches here is shown with the
// application's standard exception display; the program then ends with 0.
//
// "--help" and "--version" are answered before any window exists, so they
// work without a display. MORVANE_SNAPSHOT=FILE.png makes a one-shot run: the
// form is shown as at start, drawn into FILE, and the program ends (status 1
// when nothing could be drawn or written); message boxes are printed to standard
// error as "[caption] text" instead of waiting for OK. It lets a machine
// without a screen check that an installed wizard starts.
#include <QApplication>
#include <cstdio>
#include <cstring>
#include <string>

#include "app/form_um.h"
#include "platform/rtl/program_folders.h"
#include "platform/ui/application.h"
#include "platform/ui/cursor.h"
#include "platform/ui/message_box.h"
#include "platform/ui/qt_translations.h"
#include "replace/wizard_options.h"
#include "server/database.h"
#include "server/sql_wait_cursor.h"

namespace {

void PrintUsage() {
  std::printf(
      "usage: morvane [A]\n"
      "       morvane --help | --version\n"
      "\n"
      "The Morvane wizard: maps the values of a table's field to allowed values and\n"
      "sends one UPDATE per changed value. The argument A offers the create and save\n"
      "buttons of step 1.\n"
      "\n"
      "Settings: %sMvrn.ini\n"
      "Database: the transport's (NETBRG_DATABASE, netbrg.ini; see the README).\n",
      morvane::SettingsFolder("Mvrn.ini").c_str());
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
    PrintUsage();
    return 0;
  }
  if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
    std::printf("morvane %s\n", MORVANE_VERSION);
    return 0;
  }
  QApplication qtApplication(argc, argv);
  morvane::LoadQtTranslations();  // Qt's own buttons and menus in Russian too
  const QString snapshot = qEnvironmentVariable("MORVANE_SNAPSHOT");
  int exitCode = 0;
  try {
    morvane::ZelTblUnit zelTbl;
    morvane::SetSqlWaitCursorHook(morvane::SqlWaitCursorHook());
    morvane::Application().SetTitle("Morvane");
    if (!snapshot.isEmpty()) {
      morvane::SetMessageBoxHook([](const std::string& caption, const std::string& text) {
        std::fprintf(stderr, "[%s] %s\n", caption.c_str(), text.c_str());
      });
    }
    // A first start (no settings file yet) shows step 2's additions.
    std::string settings = morvane::SettingsFolder("Mvrn.ini");
    if (!settings.empty() && settings.back() != '/') settings += '/';
    morvane::WriteFirstStartOptions(settings + "Mvrn.ini");
    morvane::TFormUMOptions options;
    const QStringList arguments = QApplication::arguments();
    for (qsizetype index = 1; index < arguments.size(); ++index) {
      options.Arguments.push_back(arguments[index].toStdString());
    }
    morvane::TFormUM formUM(std::move(options));
    formUM.show();
    if (!snapshot.isEmpty()) {
      exitCode = formUM.grab().save(snapshot, "PNG") ? 0 : 1;
    } else {
      morvane::Application().Run();
    }
    morvane::SetSqlWaitCursorHook(nullptr);
  } catch (...) {
    morvane::Application().HandleException();
    if (!snapshot.isEmpty()) exitCode = 1;  // nothing was drawn
  }
  return exitCode;
}
