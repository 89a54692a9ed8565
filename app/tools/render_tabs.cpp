// morvane-render-tabs: draws each tab of the wizard form into a PNG file, on
// the offscreen platform, so the form can be looked at without a display.
//
//   morvane-render-tabs <output folder>
//
// writes step1.png, step2.png and step3.png. The form is shown as an
// operator with the argument "A" sees it right after start, with the default
// setting loaded; the session runs over a stand-in transport, so no database
// is needed.
#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <QTabWidget>
#include <cstdio>
#include <filesystem>

#include "app/form_um.h"
#include "app/testing/fake_transport.h"
#include "platform/ui/application.h"
#include "server/database.h"

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication qtApplication(argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: morvane-render-tabs <output folder>\n");
    return 2;
  }
  const std::filesystem::path output = argv[1];
  std::filesystem::create_directories(output);
  // An empty settings folder: the form shows the default setting.
  const std::filesystem::path settings = output / "settings";
  std::filesystem::remove_all(settings);
  std::filesystem::create_directories(settings);

  morvane::ZelTblUnit zelTbl(
      std::make_unique<morvane::TransportLibrary>(morvane::testing::FakeEntryPoints()));
  morvane::Application().SetTitle("Morvane");
  morvane::TFormUM form(morvane::TFormUMOptions{{"A"}, settings.string()});
  form.show();
  int failures = 0;
  for (int tab = 0; tab < form.PageControl1->count(); ++tab) {
    form.PageControl1->setCurrentIndex(tab);
    const std::string file = (output / ("step" + std::to_string(tab + 1) + ".png")).string();
    if (form.grab().save(QString::fromStdString(file))) {
      std::printf("%s\n", file.c_str());
    } else {
      std::fprintf(stderr, "cannot write %s\n", file.c_str());
      ++failures;
    }
  }
  std::filesystem::remove_all(settings);
  return failures == 0 ? 0 : 1;
}
