// morvane-render-grid: draws the data grid over the demo database into PNG
// files, on the offscreen platform, so the grid can be looked at without a
// display.
//
//   morvane-render-grid <output folder>
//
// The session binds the real transport (libnetbrg2.so), whose settings name
// the database (NETBRG_DATABASE), and reads the demo tables Goods and Units.
// It writes:
//   grid-default.png  Goods with the grid's default columns
//   grid-columns.png  a working copy of Goods: a lookup column over Units, a
//                     pick-list column, a check-box column and a memo column
//   grid-sorted.png   sort marks in two titles, a pressed-looking highlight
//                     colour and a custom-drawn price cell
// Message boxes are printed to stderr; any error ends the run with code 1.
#include <QApplication>
#include <QPainter>
#include <QPixmap>
#include <cstdio>
#include <filesystem>

#include "controls/grid/db_grid.h"
#include "platform/db/data_source.h"
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

// Goods as an operator would annotate them: the same rows with a memo of
// notes, two lines each; every fourth good is marked withdrawn.
TzelTable* MakeWorkingCopy(TComponent& owner, TDataSet& goods) {
  auto* copy = new TzelTable(&owner);
  copy->SetName("TableWork");
  copy->FieldDefs().Add("Good", ftString, 20);
  copy->FieldDefs().Add("Title", ftString, 100);
  copy->FieldDefs().Add("Unit", ftString, 20);
  copy->FieldDefs().Add("Active", ftBoolean);
  copy->FieldDefs().Add("Note", ftMemo);
  copy->Open();
  int row = 0;
  for (goods.First(); !goods.Eof(); goods.Next()) {
    const bool withdrawn = ++row % 4 == 0;
    copy->AppendRecord({goods.FieldByName("Good")->AsVariant(),
                        goods.FieldByName("Title")->AsVariant(),
                        goods.FieldByName("Unit")->AsVariant(),
                        withdrawn ? Variant(false) : goods.FieldByName("Active")->AsVariant(),
                        Variant((withdrawn ? "Снят " : "Проверено ") +
                                goods.FieldByName("Created")->DisplayText() +
                                "\r\nвторая строка")});
  }
  copy->First();
  goods.First();
  return copy;
}

bool Save(QWidget& widget, const std::filesystem::path& file) {
  widget.show();
  QApplication::processEvents();
  if (!widget.grab().save(QString::fromStdString(file.string()))) {
    std::fprintf(stderr, "cannot write %s\n", file.string().c_str());
    return false;
  }
  std::printf("%s\n", file.string().c_str());
  return true;
}

void AddColumn(TzelCustomDBGrid& grid, const std::string& fieldName, int width) {
  TzelColumn* column = grid.Columns().Add();
  column->SetFieldName(fieldName);
  if (width > 0) column->SetWidth(width);
}

int Render(const std::filesystem::path& output) {
  zelDB().SetConnectText("Morvane");
  zelDB().Connect();
  zelDB().SelectEngineFromReply();
  TComponent owner;
  TzelTable* goods = OpenQuery(owner, "TableGoods",
                               "SELECT Good, Title, Unit, Created, Price, Active FROM Goods "
                               "ORDER BY Good");
  TzelTable* units = OpenQuery(owner, "TableUnits", "SELECT Ident, name, Kind FROM Units");
  TDataSource goodsSource;
  goodsSource.SetDataSet(goods);
  int failures = 0;

  {
    TzelDBGrid grid(nullptr, &owner);
    grid.SetName("GridDefault");
    grid.resize(760, 330);
    grid.SetDataSource(&goodsSource);
    goods->MoveBy(2);
    failures += Save(grid, output / "grid-default.png") ? 0 : 1;
    goods->First();
  }

  TzelTable* work = MakeWorkingCopy(owner, *goods);
  TDataSource workSource;
  workSource.SetDataSet(work);
  {
    TzelDBGrid grid(nullptr, &owner);
    grid.SetName("GridColumns");
    grid.resize(760, 330);
    grid.SetDataSource(&workSource);
    AddColumn(grid, "Good", 90);
    AddColumn(grid, "Unit", 70);
    grid.Columns()[1]->Title()->SetCaption("Как ввели");
    TzelColumn* lookup = grid.Columns().Add();
    lookup->SetFieldName("Unit");
    lookup->SetButtonStyle(cbsLookup);
    lookup->SetLookupDataSet(units);
    lookup->SetLookupKeyField("Unit");
    lookup->SetLookupLinkField("Ident");
    lookup->SetLookupDropDownFields("name;Ident");
    lookup->SetWidth(130);
    lookup->Title()->SetCaption("Единица (справочник)");
    TzelColumn* pick = grid.Columns().Add();
    pick->SetFieldName("Unit");
    pick->SetButtonStyle(cbsCombo);
    pick->AssignList(TStringList{"штуки=шт", "килограммы=кг", "метры=м", "литры=л"});
    pick->SetWidth(100);
    pick->Title()->SetCaption("Единица (список)");
    TzelColumn* check = grid.Columns().Add();
    check->SetFieldName("Active");
    check->SetButtonStyle(cbsCheck);
    check->SetValueChecked("True");
    check->SetValueUnChecked("False");
    check->SetWidth(60);
    AddColumn(grid, "Note", 220);
    TzelDBGridOptions options = grid.Options();
    options.Include(dgAlwaysShowSelection);
    grid.SetOptions(options);
    work->MoveBy(3);
    grid.SetSelectedIndex(2);
    failures += Save(grid, output / "grid-columns.png") ? 0 : 1;
  }

  {
    TzelDBGrid grid(nullptr, &owner);
    grid.SetName("GridSorted");
    grid.resize(760, 330);
    grid.SetDataSource(&goodsSource);
    AddColumn(grid, "Good", 90);
    AddColumn(grid, "Title", 260);
    AddColumn(grid, "Unit", 70);
    AddColumn(grid, "Price", 160);
    grid.Columns()[0]->SetSortMark(zsmDown);
    grid.Columns()[1]->SetSortMark(zsmUp);
    grid.Columns()[1]->SetCanClick(true);
    grid.SetHighlightColor(RGBColor(255, 230, 150));
    grid.SetHighlightTextColor(clBlack);
    TzelDBGridOptions options = grid.Options();
    options.Include(dgAlwaysShowSelection);
    grid.SetOptions(options);
    // Prices as a bar under the number: the cell is drawn by the program.
    grid.OnDrawColumnCell = [](TzelCustomDBGrid* sender, const QRect& rect, int, TzelColumn* column,
                               TGridDrawState state) {
      if (column->FieldName() != "Price" || column->Field() == nullptr) return;
      TCanvas& canvas = sender->Canvas();
      const double price = column->Field()->IsNull() ? 0 : column->Field()->AsFloat();
      const int barWidth = std::min(rect.width() - 4, int(price / 20.0));
      if (!state.Contains(gdSelected)) {
        canvas.SetBrushColor(clWindow);
        canvas.FillRect(rect);
      }
      canvas.SetBrushColor(RGBColor(170, 200, 240));
      canvas.FillRect(QRect(rect.left() + 2, rect.top() + 3, std::max(barWidth, 0), rect.height() - 6));
      canvas.DrawText(rect.adjusted(2, 2, -3, -1), column->Field()->DisplayText(), DT_RIGHT);
    };
    goods->MoveBy(4);
    failures += Save(grid, output / "grid-sorted.png") ? 0 : 1;
  }
  return failures == 0 ? 0 : 1;
}

}  // namespace
}  // namespace morvane

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication qtApplication(argc, argv);
  morvane::LoadQtTranslations();
  if (argc != 2) {
    std::fprintf(stderr, "usage: morvane-render-grid <output folder>\n");
    return 2;
  }
  const std::filesystem::path output = argv[1];
  std::filesystem::create_directories(output);
  morvane::ZelTblUnit zelTbl;
  morvane::Application().SetTitle("Morvane");
  morvane::SetMessageBoxHook([](const std::string& caption, const std::string& text) {
    std::fprintf(stderr, "[%s] %s\n", caption.c_str(), text.c_str());
  });
  try {
    return morvane::Render(output);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "%s\n", error.what());
    return 1;
  }
}
