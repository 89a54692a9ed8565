// What the grid's cells show: translated texts, indicator images, check
// boxes, drawing events, and painting that never disturbs the dataset.
#include <gtest/gtest.h>

#include <QImage>

#include "controls/grid/db_grid.h"
#include "controls/grid/testing/grid_fixture.h"
#include "platform/ui/grid_images.h"

namespace morvane::testing {
namespace {

class DBGridPaintTest : public GridFixture {
 protected:
  void SetUp() override {
    GridFixture::SetUp();
    OpenGoods(20);
    ShowGrid(5);
    grid->Columns().RebuildColumns();
  }

  TzelColumn* LookupUnit() {
    TzelColumn* unit = grid->ColumnByName("UNIT");
    unit->SetButtonStyle(cbsLookup);
    unit->SetLookupDataSet(units);
    unit->SetLookupKeyField("UNIT");
    unit->SetLookupLinkField("UID");
    unit->SetLookupDropDownFields("UNAME;UID");
    return unit;
  }
};

TEST_F(DBGridPaintTest, LookupCellsShowTheLookupResultOrTheKeyItself) {
  LookupUnit();
  // Row 1 has unit 2, row 2 unit 1; row 10 names unit 3, which has no match.
  EXPECT_EQ(CellText("UNIT", 0), "метр");
  EXPECT_EQ(CellText("UNIT", 1), "штука");
  goods->MoveBy(9);
  const int tenth = grid->DataLink()->ActiveRecord();
  EXPECT_EQ(CellText("UNIT", tenth), "3");
  EXPECT_EQ(goods->RecNo(), 10) << "painting moved the dataset";
}

TEST_F(DBGridPaintTest, LookupCellsFallBackToTheirOwnTextWhenTheLinkCannotWork) {
  TzelColumn* unit = LookupUnit();
  struct Case {
    const char* what;
    std::function<void()> change;
  };
  for (const Case& test : std::vector<Case>{
           {"missing key field", [&] { unit->SetLookupKeyField("NOPE"); }},
           {"missing link field", [&] { unit->SetLookupLinkField("NOPE"); }},
           {"closed lookup dataset", [&] { units->Close(); }},
           {"display field equals link field", [&] { unit->SetLookupDropDownFields("UID"); }}}) {
    LookupUnit();
    units->Open();
    test.change();
    EXPECT_EQ(CellText("UNIT", 0), "2") << test.what;
    EXPECT_FALSE(grid->grab().isNull()) << test.what;
  }
}

TEST_F(DBGridPaintTest, PickListCellsTranslateValuesToTexts) {
  TzelColumn* unit = grid->ColumnByName("UNIT");
  unit->SetButtonStyle(cbsCombo);
  unit->AssignList(TStringList{"a=1", "b=2"});
  EXPECT_EQ(CellText("UNIT", 0), "b");  // unit 2
  EXPECT_EQ(CellText("UNIT", 1), "a");
  goods->MoveBy(9);
  EXPECT_EQ(CellText("UNIT", grid->DataLink()->ActiveRecord()), "");  // unit 3
  goods->First();
  unit->PickValues().Add("3");  // counts differ: the field's own text
  EXPECT_EQ(CellText("UNIT", 0), "2");
  // The editor side: a text chosen from the list becomes its value.
  unit->PickValues().Delete(2);
  grid->SetSelectedIndex(unit->Index());
  grid->SetEditText(grid->Col(), grid->Row(), "b");
  EXPECT_EQ(grid->EditText(), "2");
  grid->SetEditText(grid->Col(), grid->Row(), "c");
  EXPECT_EQ(grid->EditText(), "");
}

TEST_F(DBGridPaintTest, MemoCellsShowTheFirstLineOnly) {
  EXPECT_EQ(CellText("NOTE", 0), "first 1");
  goods->Edit();
  goods->FieldByName("NOTE")->SetAsString("one line\nand another");
  EXPECT_EQ(CellText("NOTE", grid->DataLink()->ActiveRecord()), "one line");
  goods->Cancel();
}

TEST_F(DBGridPaintTest, InsertedRowOfAnEmptyDataSetShowsItsText) {
  while (!goods->IsEmpty()) goods->Delete();
  goods->Insert();
  goods->FieldByName("NAME")->SetAsString("new");
  EXPECT_EQ(CellText("NAME", grid->DataLink()->ActiveRecord()), "new");
  goods->Cancel();
  EXPECT_EQ(grid->ColumnCellText(grid->ColumnByName("NAME"), false), "");
}

TEST_F(DBGridPaintTest, IndicatorImageFollowsTheDataSetState) {
  const int current = grid->DataLink()->ActiveRecord();
  EXPECT_EQ(grid->IndicatorImage(current, false), giArrow);
  EXPECT_EQ(grid->IndicatorImage(current + 1, false), -1);
  EXPECT_EQ(grid->IndicatorImage(current + 1, true), giMultiDot);
  EXPECT_EQ(grid->IndicatorImage(current, true), giMultiArrow);
  goods->Edit();
  EXPECT_EQ(grid->IndicatorImage(current, false), giEdit);
  goods->Cancel();
  goods->Insert();
  EXPECT_EQ(grid->IndicatorImage(grid->DataLink()->ActiveRecord(), false), giInsert);
  goods->Cancel();
  EXPECT_EQ(grid->IndicatorImage(-1, false), -1);
}

TEST_F(DBGridPaintTest, CheckBoxSizes) {
  struct Case {
    QRect cell;
    int side;
  };
  for (const Case& test : {Case{QRect(0, 0, 40, 18), 14}, Case{QRect(10, 20, 12, 18), 8},
                           Case{QRect(0, 0, 64, 24), 20}}) {
    const QRect box = TzelCustomDBGrid::CheckBoxRect(test.cell);
    EXPECT_EQ(box.width(), test.side) << test.cell.width() << "x" << test.cell.height();
    EXPECT_EQ(box.height(), test.side) << test.cell.width() << "x" << test.cell.height();
    EXPECT_EQ(box.center(), test.cell.center());
  }
}

TEST_F(DBGridPaintTest, DrawingEventsSeeEveryCellAndPaintingRestoresTheActiveRecord) {
  int titles = 0, cells = 0, columnCells = 0;
  std::vector<std::string> seenNames;
  grid->OnDrawTitleAttr = [&](TzelCustomDBGrid*, TzelColumn*, TFont&, TColor& color) {
    ++titles;
    color = clYellow;
  };
  grid->OnDrawCellAttr = [&](TzelCustomDBGrid*, TzelColumn*, TFont&, TColor&, TGridDrawState) {
    ++cells;
  };
  grid->OnDrawColumnCell = [&](TzelCustomDBGrid* sender, const QRect&, int, TzelColumn* column,
                               TGridDrawState) {
    ++columnCells;
    if (column->FieldName() == "NAME") seenNames.push_back(column->Field()->AsString());
    (void)sender;
  };
  goods->MoveBy(2);
  const int active = grid->DataLink()->ActiveRecord();
  grid->grab();
  EXPECT_EQ(titles, 5);
  EXPECT_EQ(cells, 25);
  EXPECT_EQ(columnCells, 25);
  EXPECT_EQ(seenNames.size(), 5u);
  EXPECT_EQ(seenNames.front(), "row 1");
  EXPECT_EQ(grid->DataLink()->ActiveRecord(), active);
  EXPECT_EQ(goods->RecNo(), 3);
}

TEST_F(DBGridPaintTest, WithoutDefaultDrawingDataCellsStayUntouched) {
  grid->SetDefaultDrawing(false);
  grid->SetColor(clRed);
  QImage image = grid->grab().toImage();
  // The title row and the indicator still paint; a data cell shows no red.
  const QRect cell = grid->CellRect(2, 2);
  const QColor inside = image.pixelColor(cell.center() + grid->viewport()->pos());
  EXPECT_NE(inside, QColor(Qt::red));
  const QRect title = grid->CellRect(2, 0);
  EXPECT_NE(image.pixelColor(title.center() + grid->viewport()->pos()), QColor(Qt::red));
}

TEST_F(DBGridPaintTest, CheckColumnPaintsATickForTheCheckedValue) {
  TzelColumn* flag = grid->ColumnByName("FLAG");
  flag->SetButtonStyle(cbsCheck);
  flag->SetValueChecked("Y");
  goods->Edit();
  goods->FieldByName("FLAG")->SetAsString("Y");
  goods->Post();
  grid->setFocus();
  grid->SetSelectedIndex(0);
  const QImage image = grid->grab().toImage();
  auto darkPixels = [&](int row) {
    const QRect box = TzelCustomDBGrid::CheckBoxRect(grid->CellRect(grid->DataToRawColumn(flag->Index()), row))
                          .adjusted(2, 2, -2, -2)
                          .translated(grid->viewport()->pos());
    int dark = 0;
    for (int y = box.top(); y <= box.bottom(); ++y)
      for (int x = box.left(); x <= box.right(); ++x)
        if (image.pixelColor(x, y).lightness() < 100) ++dark;
    return dark;
  };
  EXPECT_GT(darkPixels(1), 3);    // row 1: "Y"
  EXPECT_EQ(darkPixels(2), 0);    // row 2: empty
}

}  // namespace
}  // namespace morvane::testing
