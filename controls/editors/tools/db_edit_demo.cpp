// morvane-db-edit-demo: a small form with one data edit control per dialog
// style over the demo database, to try the control by hand or to look at
// its drop-downs in pictures.
//
//   morvane-db-edit-demo                    shows the form
//   morvane-db-edit-demo --render <folder>  draws it into PNG files and ends
//
// The session binds the real transport (libnetbrg2.so), whose settings name
// the database (NETBRG_DATABASE), and reads the demo tables Goods and Units.
// The edits follow the current good: its title (plain edit), its article
// (an ellipsis that asks for a new one), its unit as a combo list that shows
// full names and stores short ones, its unit again as a lookup list over
// Units, its creation date with the calendar; a last, unbound edit chooses a
// unit from a tree of units grouped by what they measure. Changes stay in
// memory; nothing is written back to the database.
//
// --render writes form.png and, with each drop-down open, combo.png,
// lookup.png, calendar.png and tree.png. Message boxes are printed to
// stderr; any error ends the run with code 1.
#include <QApplication>
#include <QFormLayout>
#include <QInputDialog>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "controls/editors/db_edit.h"
#include "platform/db/data_source.h"
#include "platform/db/field.h"
#include "platform/rtl/exceptions.h"
#include "platform/ui/application.h"
#include "platform/ui/message_box.h"
#include "platform/ui/qt_translations.h"
#include "server/database.h"
#include "server/table.h"

namespace morvane {
namespace {

TzelTable* OpenQuery(TComponent& owner, const std::string& name, const std::string& sql) {
  auto* table = new TzelTable(&owner);
  table->SetName(name);
  table->SetSQLText(sql);
  table->Open();
  return table;
}

// Units under what they measure: one level-1 row per kind, its units as
// level-2 rows beneath it.
constexpr const char* kUnitTreeSql =
    "SELECT ID, LVL, NAME FROM ("
    " SELECT DISTINCT 'kind:' || COALESCE(Kind, '') AS ID, 1 AS LVL,"
    "  COALESCE(Kind, 'прочее') AS NAME, COALESCE(Kind, '') AS K, 0 AS O FROM Units"
    " UNION ALL"
    " SELECT Ident, 2, name, COALESCE(Kind, ''), 1 FROM Units"
    ") ORDER BY K, O, NAME";

class DemoForm : public QWidget {
 public:
  DemoForm(TComponent& owner) {
    setWindowTitle("Morvane: TzelDBEdit");
    goods_ = OpenQuery(owner, "TableGoods",
                       "SELECT Good, Title, Unit, Created FROM Goods ORDER BY Good");
    units_ = OpenQuery(owner, "TableUnits", "SELECT Ident, name, Kind FROM Units ORDER BY name");
    unitTree_ = OpenQuery(owner, "TableUnitTree", kUnitTreeSql);
    source_.SetDataSet(goods_);

    auto* layout = new QFormLayout(this);
    title = AddEdit(layout, "Наименование (zdsEdit)", "EditTitle");
    title->SetDataSource(&source_);
    title->SetDataField("Title");

    article = AddEdit(layout, "Артикул (zdsCustomDlg)", "EditArticle");
    article->SetDialogStyle(zdsCustomDlg);
    article->SetDataSource(&source_);
    article->SetDataField("Good");
    article->OnCustomDlg = [this](TzelDBEdit* sender) {
      bool ok = false;
      const QString text = QInputDialog::getText(this, "Артикул", "Новый артикул:",
                                                 QLineEdit::Normal,
                                                 QString::fromStdString(sender->Text()), &ok);
      if (ok) sender->Field()->SetText(text.toStdString());
    };

    combo = AddEdit(layout, "Единица, список (zdsCombo)", "EditUnitCombo");
    combo->SetDialogStyle(zdsCombo);
    combo->ComboProps().AssignList(
        TStringList{"штуки=шт", "килограммы=кг", "метры=м", "литры=л", "упаковки=упак"});
    combo->SetDataSource(&source_);
    combo->SetDataField("Unit");

    lookup = AddEdit(layout, "Единица, справочник (zdsLookup)", "EditUnitLookup");
    lookup->SetDialogStyle(zdsLookup);
    lookup->SetLookupDataSet(units_);
    lookup->LookupProps().SetLookupKeyField("Ident");
    lookup->LookupProps().SetListFieldNames("name;Ident");
    lookup->LookupProps().SetKindSearch(zksFilter);
    lookup->SetAutoDropDown(true);
    lookup->SetDropDownWidth(260);
    lookup->SetDropDownRows(8);
    lookup->SetDataSource(&source_);
    lookup->SetDataField("Unit");

    calendar = AddEdit(layout, "Создан (zdsCalendar)", "EditCreated");
    calendar->SetDialogStyle(zdsCalendar);
    calendar->SetDataSource(&source_);
    calendar->SetDataField("Created");

    tree = AddEdit(layout, "Единица по видам (zdsTree)", "EditUnitTree");
    tree->SetDialogStyle(zdsTree);
    tree->SetLookupDataSet(unitTree_);
    tree->TreeProps().SetUniqueField("ID");
    tree->TreeProps().SetLevelField("LVL");
    tree->TreeProps().SetTextField("NAME");
    tree->SetValue(Variant("кг"));

    auto* buttons = new QWidget(this);
    auto* row = new QHBoxLayout(buttons);
    row->setContentsMargins(0, 0, 0, 0);
    auto* prior = new QPushButton("< Предыдущий", buttons);
    auto* next = new QPushButton("Следующий >", buttons);
    row->addWidget(prior);
    row->addWidget(next);
    layout->addRow(buttons);
    connect(prior, &QPushButton::clicked, this, [this] { Guarded([this] { Move(-1); }); });
    connect(next, &QPushButton::clicked, this, [this] { Guarded([this] { Move(1); }); });
    resize(520, height());
  }

  TzelDBEdit* title = nullptr;
  TzelDBEdit* article = nullptr;
  TzelDBEdit* combo = nullptr;
  TzelDBEdit* lookup = nullptr;
  TzelDBEdit* calendar = nullptr;
  TzelDBEdit* tree = nullptr;

 private:
  TzelDBEdit* AddEdit(QFormLayout* layout, const char* caption, const char* name) {
    auto* edit = new TzelDBEdit(this);
    edit->setObjectName(name);
    edit->setMinimumWidth(260);
    layout->addRow(new QLabel(caption, this), edit);
    return edit;
  }

  void Move(int distance) {
    if (goods_->State() != dsBrowse) goods_->Post();
    goods_->MoveBy(distance);
  }

  TzelTable* goods_ = nullptr;
  TzelTable* units_ = nullptr;
  TzelTable* unitTree_ = nullptr;
  TDataSource source_;
};

// The form's window with the open drop-down drawn where it stands.
QImage Compose(QWidget* window, QWidget* popup) {
  const QRect windowRect(window->mapToGlobal(QPoint(0, 0)), window->size());
  QRect all = windowRect;
  QRect popupRect;
  if (popup != nullptr) {
    popupRect = QRect(popup->mapToGlobal(QPoint(0, 0)), popup->size());
    all = all.united(popupRect);
  }
  all.adjust(-8, -8, 8, 8);
  QImage image(all.size(), QImage::Format_RGB32);
  image.fill(QColor(0xD8, 0xD8, 0xD8));
  QPainter painter(&image);
  painter.drawPixmap(windowRect.topLeft() - all.topLeft(), window->grab());
  if (popup != nullptr) painter.drawPixmap(popupRect.topLeft() - all.topLeft(), popup->grab());
  return image;
}

bool Save(const QImage& image, const std::filesystem::path& file) {
  if (!image.save(QString::fromStdString(file.string()))) {
    std::fprintf(stderr, "cannot write %s\n", file.string().c_str());
    return false;
  }
  std::printf("%s\n", file.string().c_str());
  return true;
}

int Render(DemoForm& form, const std::filesystem::path& output) {
  form.move(60, 60);
  form.show();
  QApplication::setActiveWindow(&form);
  QApplication::processEvents();
  int failures = Save(Compose(&form, nullptr), output / "form.png") ? 0 : 1;
  const std::pair<TzelDBEdit*, const char*> dropDowns[] = {{form.combo, "combo.png"},
                                                           {form.lookup, "lookup.png"},
                                                           {form.calendar, "calendar.png"},
                                                           {form.tree, "tree.png"}};
  for (const auto& [edit, file] : dropDowns) {
    edit->setFocus();
    QApplication::processEvents();
    edit->DropDown();
    // The offscreen platform activates every window it shows, the pop-up
    // too, which a desktop does not do: give the form its activation back.
    QApplication::setActiveWindow(&form);
    edit->setFocus();
    QApplication::processEvents();
    if (!edit->ListVisible() || edit->ActiveList() == nullptr) {
      std::fprintf(stderr, "%s: the drop-down did not open\n", file);
      ++failures;
      continue;
    }
    failures += Save(Compose(&form, edit->ActiveList()), output / file) ? 0 : 1;
    edit->CloseUp(false);
  }
  return failures == 0 ? 0 : 1;
}

}  // namespace
}  // namespace morvane

int main(int argc, char** argv) {
  const bool render = argc == 3 && std::strcmp(argv[1], "--render") == 0;
  if (argc != 1 && !render) {
    std::fprintf(stderr, "usage: morvane-db-edit-demo [--render <output folder>]\n");
    return 2;
  }
  if (render && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
  }
  QApplication qtApplication(argc, argv);
  morvane::LoadQtTranslations();
  morvane::ZelTblUnit zelTbl;
  morvane::Application().SetTitle("Morvane");
  if (render) {
    morvane::SetMessageBoxHook([](const std::string& caption, const std::string& text) {
      std::fprintf(stderr, "[%s] %s\n", caption.c_str(), text.c_str());
    });
  }
  try {
    morvane::zelDB().SetConnectText("Morvane");
    morvane::zelDB().Connect();
    morvane::zelDB().SelectEngineFromReply();
    morvane::TComponent owner;
    morvane::DemoForm form(owner);
    if (render) {
      const std::filesystem::path output = argv[2];
      std::filesystem::create_directories(output);
      return morvane::Render(form, output);
    }
    form.show();
    return morvane::Application().Run();
  } catch (const std::exception& error) {
    if (render) {
      std::fprintf(stderr, "%s\n", error.what());
    } else {
      morvane::MessageBoxStop(error.what());
    }
    return 1;
  }
}
