// morvane-render-tabs: draws each tab of the wizard form into a PNG file, on
// the offscreen platform, so the form can be looked at without a display.
//
//   morvane-render-tabs <output folder> [--transport <settings folder>]
//
// writes step1.png, step2.png and step3.png. The form is shown as an
// operator with the argument "A" sees it right after start. By default the
// session runs over a stand-in transport and an empty settings folder, so no
// database is needed and the default setting shows. With --transport the
// session binds the real transport library and reads Mvrn.ini from the given
// folder; message boxes are printed to stderr instead of waiting for OK.
#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <QTabWidget>
#include <cstdio>
#include <filesystem>

#include "app/form_um.h"
#include "app/testing/fake_transport.h"
#include "platform/ui/application.h"
#include "platform/ui/message_box.h"
#include "server/database.h"

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication qtApplication(argc, argv);
  const bool realTransport = argc == 4 && std::string(argv[2]) == "--transport";
  if (argc != 2 && !realTransport) {
    std::fprintf(stderr,
                 "usage: morvane-render-tabs <output folder> [--transport <settings folder>]\n");
    return 2;
  }
  const std::filesystem::path output = argv[1];
  std::filesystem::create_directories(output);
  // Without a real transport: an empty settings folder, the default setting.
  const std::filesystem::path settings = realTransport ? argv[3] : output / "settings";
  if (!realTransport) {
    std::filesystem::remove_all(settings);
    std::filesystem::create_directories(settings);
  }

  auto transport =
      realTransport
          ? std::make_unique<morvane::TransportLibrary>()
          : std::make_unique<morvane::TransportLibrary>(morvane::testing::FakeEntryPoints());
  morvane::ZelTblUnit zelTbl(std::move(transport));
  morvane::Application().SetTitle("Morvane");
  morvane::SetMessageBoxHook([](const std::string& caption, const std::string& text) {
    std::fprintf(stderr, "[%s] %s\n", caption.c_str(), text.c_str());
  });
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
  if (!realTransport) std::filesystem::remove_all(settings);
  return failures == 0 ? 0 : 1;
}
