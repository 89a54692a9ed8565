// morvane-render-tabs: draws the wizard form into PNG files, on the
// offscreen platform, so the form can be looked at without a display.
//
//   morvane-render-tabs <output folder> [--transport <settings folder>]
//   morvane-render-tabs <output folder> --journey <settings folder>
//
// The first form writes step1.png, step2.png and step3.png of the form as an
// operator with the argument "A" sees it right after start. By default the
// session runs over a stand-in transport and an empty settings folder, so no
// database is needed and the default setting shows. With --transport the
// session binds the real transport library and reads Mvrn.ini from the given
// folder; message boxes are printed to stderr instead of waiting for OK.
//
// --journey (real transport, a demo database) goes through steps 2 and 3:
// step2-read.png after reading, with "шт." and "Шт" mapped to "шт";
// step3-script.png after generating, with the rows each line will change
// beside the script, step3-whole.png with "Выполнить как одно целое" checked
// and step3-enlarged.png in a larger window; the messages after running the
// script all-or-nothing with a line the server rejects
// (message-whole-failed.png), without it (message-whole-applied.png), after
// undoing that (message-undo.png), and after running line by line with the
// rejected line (message-failed-line.png). The log and the undo scripts go
// to <output>/state. The database
// is changed by that execution: use a throw-away copy. When Mvrn.ini turns
// on counts or suggestions, step2-additions.png and
// step2-additions-enlarged.png show them right after reading.
#include <QApplication>
#include <QDir>
#include <QMessageBox>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QCheckBox>
#include <QTabWidget>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "app/form_um.h"
#include "app/step3_additions.h"
#include "app/testing/fake_transport.h"
#include "platform/db/field.h"
#include "platform/ui/application.h"
#include "platform/ui/confirm.h"
#include "platform/ui/message_box.h"
#include "server/database.h"
#include "server/table.h"

namespace {

using morvane::TFormUM;

int failures = 0;

void Save(QWidget& widget, const std::filesystem::path& file) {
  if (widget.grab().save(QString::fromStdString(file.string()))) {
    std::printf("%s\n", file.c_str());
  } else {
    std::fprintf(stderr, "cannot write %s\n", file.c_str());
    ++failures;
  }
}

void RenderTabs(TFormUM& form, const std::filesystem::path& output) {
  for (int tab = 0; tab < form.PageControl1->count(); ++tab) {
    form.PageControl1->setCurrentIndex(tab);
    Save(form, output / ("step" + std::to_string(tab + 1) + ".png"));
  }
}

void ChooseNewValue(TFormUM& form, const std::string& src, const std::string& inf) {
  morvane::TzelTable& table = *form.TableM;
  if (!table.Locate("src", morvane::Variant(src), {})) {
    std::fprintf(stderr, "no current value %s\n", src.c_str());
    ++failures;
    return;
  }
  table.Edit();
  table.FieldByName("inf")->SetAsString(inf);
  table.Post();
}

// The one message expected since messages was cleared, drawn as shown.
bool SaveMessage(std::vector<std::string>& messages, const std::filesystem::path& file) {
  if (messages.size() != 1) {
    std::fprintf(stderr, "expected one message for %s, got %zu\n", file.c_str(), messages.size());
    ++failures;
    return false;
  }
  QMessageBox box(QMessageBox::Critical, QString::fromStdString(morvane::Application().Title()),
                  QString::fromStdString(messages.front()), QMessageBox::Ok);
  box.show();
  Save(box, file);
  messages.clear();
  return true;
}

// Steps 2 and 3 as an operator goes through them; messages are drawn as the
// program shows them (stop icon, the title, OK) into message-*.png.
void RenderJourney(TFormUM& form, const std::filesystem::path& output,
                   std::vector<std::string>& messages) {
  form.PageControl1->setCurrentIndex(1);
  form.ButtonRead->click();
  const morvane::CWizardOptions& options = form.WizardOptions();
  if (options.Counts || options.Suggestions) {
    // The additions, as read: counts, suggestions, small and enlarged.
    form.TableM->First();
    Save(form, output / "step2-additions.png");
    const QSize designed = form.size();
    form.resize(designed + QSize(240, 160));
    Save(form, output / "step2-additions-enlarged.png");
    form.resize(designed);
  }
  ChooseNewValue(form, "шт.", "шт");
  ChooseNewValue(form, "Шт", "шт");
  form.TableM->First();
  Save(form, output / "step2-read.png");
  form.PageControl1->setCurrentIndex(2);
  form.ButtonGen->click();
  form.Step3().RefreshPreview();  // what the edit timer does a moment later
  Save(form, output / "step3-script.png");
  form.Step3().CheckWhole->setChecked(true);
  Save(form, output / "step3-whole.png");
  const QSize designed = form.size();
  form.resize(designed + QSize(240, 160));
  Save(form, output / "step3-enlarged.png");
  form.resize(designed);
  // All or nothing: a failing last line leaves the table as it was; then
  // the clean script runs whole and is undone.
  const char* failingLine = "UPDATE Goods SET Goods.Unitt = 'шт' WHERE Goods.Unit = 'штук'";
  form.Memo1->appendPlainText(failingLine);
  messages.clear();
  form.ButtonDo->click();
  if (!SaveMessage(messages, output / "message-whole-failed.png")) return;
  form.ButtonGen->click();
  form.ButtonDo->click();
  if (!SaveMessage(messages, output / "message-whole-applied.png")) return;
  morvane::SetConfirmHook([](const std::string&, const std::string&) { return true; });
  form.Step3().ButtonUndo->click();
  if (!SaveMessage(messages, output / "message-undo.png")) return;
  // Line by line, as written: the rejected line is named, the others ran.
  form.Step3().CheckWhole->setChecked(false);
  form.ButtonGen->click();
  form.Memo1->appendPlainText(failingLine);
  form.ButtonDo->click();
  SaveMessage(messages, output / "message-failed-line.png");
  morvane::SetConfirmHook(nullptr);
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication qtApplication(argc, argv);
  const std::string mode = argc == 4 ? argv[2] : "";
  const bool journey = mode == "--journey";
  const bool realTransport = mode == "--transport" || journey;
  if (argc != 2 && !realTransport) {
    std::fprintf(stderr,
                 "usage: morvane-render-tabs <output folder> [--transport <settings folder>]\n"
                 "       morvane-render-tabs <output folder> --journey <settings folder>\n");
    return 2;
  }
  const std::filesystem::path output = argv[1];
  std::filesystem::create_directories(output);
  // A journey executes and undoes: its log stays beside the pictures.
  if (journey) setenv("XDG_STATE_HOME", std::filesystem::absolute(output / "state").c_str(), 1);
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
  std::vector<std::string> messages;
  morvane::SetMessageBoxHook([&messages](const std::string& caption, const std::string& text) {
    std::fprintf(stderr, "[%s] %s\n", caption.c_str(), text.c_str());
    messages.push_back(text);
  });
  {
    TFormUM form(morvane::TFormUMOptions{{"A"}, settings.string()});
    form.show();
    if (journey) {
      RenderJourney(form, output, messages);
    } else {
      RenderTabs(form, output);
    }
  }
  morvane::SetMessageBoxHook(nullptr);
  if (!realTransport) std::filesystem::remove_all(settings);
  return failures == 0 ? 0 : 1;
}
