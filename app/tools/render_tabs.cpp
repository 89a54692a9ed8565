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
// --journey (real transport, a demo database) goes through steps 2 and 3
// with key and mouse events: step2-read.png after reading;
// step2-dropdown.png with the drop-down of "шт." open and filtered by "шту";
// step2-mapped.png once "шт." and "Шт" are mapped to "шт";
// then step 3 (render_step3.h): step3-script.png after generating, with the
// rows each line will change, step3-whole.png and step3-enlarged.png, and the
// messages after running all-or-nothing with a rejected line, without it,
// after undoing that, and line by line with the rejected line
// (message-failed-line.png); the log goes to <output>/state. The database
// is changed by those executions: use a throw-away copy. When Mvrn.ini turns
// on counts or suggestions, step2-additions.png and
// step2-additions-enlarged.png show them right after reading, and
// step2-additions-sorted.png after a click on the counts' title.
#include <QApplication>
#include <QDir>
#include <QKeyEvent>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "app/form_um.h"
#include "app/mapping_counts_suggestions.h"
#include "app/testing/fake_transport.h"
#include "app/tools/render_step3.h"
#include "controls/editors/db_grid_inplace_edit.h"
#include "controls/editors/popup_data.h"
#include "controls/grid/db_grid.h"
#include "platform/db/field.h"
#include "platform/ui/application.h"
#include "platform/ui/message_box.h"
#include "platform/ui/qt_translations.h"
#include "server/database.h"
#include "server/table.h"

namespace {

using morvane::TFormUM;

int failures = 0;

void SavePixmap(const QPixmap& picture, const std::filesystem::path& file) {
  if (picture.save(QString::fromStdString(file.string()))) {
    std::printf("%s\n", file.c_str());
  } else {
    std::fprintf(stderr, "cannot write %s\n", file.c_str());
    ++failures;
  }
}

void Save(QWidget& widget, const std::filesystem::path& file) {
  // Scroll bars follow a read or a resize through posted events.
  QApplication::processEvents();
  SavePixmap(widget.grab(), file);
}

void RenderTabs(TFormUM& form, const std::filesystem::path& output) {
  for (int tab = 0; tab < form.PageControl1->count(); ++tab) {
    form.PageControl1->setCurrentIndex(tab);
    Save(form, output / ("step" + std::to_string(tab + 1) + ".png"));
  }
}

// A typed character as the keyboard sends it.
void Type(const QString& text) {
  for (const QChar character : text) {
    QWidget* target = QApplication::focusWidget();
    if (target == nullptr) return;
    QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(character));
    QApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(character));
    QApplication::sendEvent(target, &release);
  }
}

void Key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
  QWidget* target = QApplication::focusWidget();
  if (target == nullptr) return;
  QKeyEvent press(QEvent::KeyPress, key, modifiers);
  QApplication::sendEvent(target, &press);
  QKeyEvent release(QEvent::KeyRelease, key, modifiers);
  QApplication::sendEvent(target, &release);
}

void Click(QWidget* widget, const QPoint& point) {
  QMouseEvent press(QEvent::MouseButtonPress, point, widget->mapToGlobal(point), Qt::LeftButton,
                    Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(widget, &press);
  QMouseEvent release(QEvent::MouseButtonRelease, point, widget->mapToGlobal(point), Qt::LeftButton,
                      Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(widget, &release);
}

// In the grid, with keys only: the "Новое" cell of src's row, the start of
// the allowed value's name typed so its drop-down opens filtered. Returns the
// open list, or null.
morvane::TzelPopupData* OpenFilteredList(TFormUM& form, const std::string& src,
                                         const QString& typed) {
  morvane::TzelDBGrid* grid = form.GridM;
  grid->setFocus();
  Click(grid->viewport(), grid->CellRect(grid->DataToRawColumn(1), grid->TopRow()).center());
  Key(Qt::Key_Home, Qt::ControlModifier);
  morvane::TField* current = form.TableM->FieldByName("src");
  for (int row = 0; row < form.TableM->RecordCount() && current->AsString() != src; ++row) {
    Key(Qt::Key_Down);
  }
  Type(typed);
  auto* editor = dynamic_cast<morvane::TzelDBGridInplaceEdit*>(grid->InplaceEditor());
  if (current->AsString() != src || editor == nullptr || !editor->ListVisible()) {
    std::fprintf(stderr, "no drop-down for %s\n", src.c_str());
    ++failures;
    return nullptr;
  }
  return editor->DataList();
}

// Steps 2 and 3 as an operator goes through them; messages are drawn as the
// program shows them (their icon, the title, OK) into message-*.png.
void RenderJourney(TFormUM& form, const std::filesystem::path& output,
                   std::vector<morvane::render::ShownMessage>& messages) {
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
    if (options.Counts) {
      // The largest counts first: a click on the title "Записей".
      morvane::TzelDBGrid& grid = *form.GridM;
      const QRect title = grid.ScreenCellRect(morvane::rtTitle, morvane::kCountField);
      Click(grid.viewport(), grid.viewport()->mapFromGlobal(title.center()));
      form.TableM->First();
      Save(form, output / "step2-additions-sorted.png");
      form.TableM->SetIndexFieldNames("");  // back to the order of reading for the steps below
    }
    form.resize(designed);
  }
  Save(form, output / "step2-read.png");
  // "шт." by the keyboard; the form is drawn with the list open and filtered
  // (the list is a window of its own, drawn into the form's picture).
  if (morvane::TzelPopupData* list = OpenFilteredList(form, "шт.", QString::fromUtf8("шту"))) {
    QPixmap picture = form.grab();
    QPainter painter(&picture);
    painter.drawPixmap(form.mapFromGlobal(list->window()->mapToGlobal(QPoint(0, 0))),
                       list->window()->grab());
    painter.end();
    SavePixmap(picture, output / "step2-dropdown.png");
    Key(Qt::Key_Return);
  }
  // "Шт" by a click on the list's first line.
  if (morvane::TzelPopupData* list = OpenFilteredList(form, "Шт", QString::fromUtf8("шту"))) {
    Click(list, QPoint(20, list->RowHeight() / 2));
  }
  Save(form, output / "step2-mapped.png");
  form.PageControl1->setCurrentIndex(2);
  failures += morvane::render::RenderStep3Journey(form, output, messages);
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication qtApplication(argc, argv);
  morvane::LoadQtTranslations();
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
  std::vector<morvane::render::ShownMessage> messages;
  morvane::SetMessageBoxHook([&messages](const std::string& caption, const std::string& text) {
    std::fprintf(stderr, "[%s] %s\n", caption.c_str(), text.c_str());
    messages.push_back({text, morvane::MessageBoxShowsError()});
  });
  {
    TFormUM form(morvane::TFormUMOptions{{"A"}, settings.string()});
    form.show();
    if (journey) {
      // Keys go to the focus widget of the active window.
      form.activateWindow();
      QApplication::setActiveWindow(&form);
      QApplication::processEvents();
      RenderJourney(form, output, messages);
    } else {
      RenderTabs(form, output);
    }
  }
  morvane::SetMessageBoxHook(nullptr);
  if (!realTransport) std::filesystem::remove_all(settings);
  return failures == 0 ? 0 : 1;
}
