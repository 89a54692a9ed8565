// The grid's link, layout and record window over in-memory datasets.
#include "controls/grid/db_grid.h"

#include <gtest/gtest.h>

#include <QApplication>

#include "controls/grid/testing/grid_fixture.h"
#include "platform/rtl/exceptions.h"

namespace morvane::testing {
namespace {

using DBGridTest = GridFixture;

std::vector<std::string> ColumnNames(TzelCustomDBGrid& grid) {
  std::vector<std::string> names;
  for (int index = 0; index < grid.Columns().Count(); ++index)
    names.push_back(grid.Columns()[index]->FieldName());
  return names;
}

TEST_F(DBGridTest, WithoutDataSourceShowsOneEmptyRowUnderTheTitle) {
  grid->show();
  EXPECT_EQ(grid->RowCount(), 2);
  EXPECT_EQ(grid->FixedRows(), 1);
  EXPECT_EQ(grid->Columns().State(), csDefault);
  ASSERT_EQ(grid->Columns().Count(), 1);
  EXPECT_EQ(grid->Columns()[0]->Field(), nullptr);
}

TEST_F(DBGridTest, DefaultColumnsFollowOpenHiddenFieldsAndClose) {
  ShowGrid();
  EXPECT_EQ(ColumnNames(*grid), (std::vector<std::string>{""}));  // closed: one unbound column
  OpenGoods(3);
  EXPECT_EQ(ColumnNames(*grid), (std::vector<std::string>{"ID", "NAME", "UNIT", "NOTE", "FLAG"}));
  EXPECT_FALSE(grid->Columns()[0]->Stored());
  EXPECT_EQ(grid->ColCount(), 6);  // indicator + five fields
  EXPECT_EQ(grid->ColWidths(0), 11);

  goods->FieldByName("UNIT")->SetVisible(false);
  grid->LayoutChanged();
  EXPECT_EQ(ColumnNames(*grid), (std::vector<std::string>{"ID", "NAME", "NOTE", "FLAG"}));

  goods->Close();
  EXPECT_EQ(grid->Columns().Count(), 1);
  EXPECT_EQ(grid->Columns()[0]->Field(), nullptr);
  EXPECT_EQ(grid->RowCount(), 2);
}

TEST_F(DBGridTest, DefaultColumnWritesItsLookThroughToTheField) {
  OpenGoods(3);
  ShowGrid();
  TzelColumn* name = grid->ColumnByName("NAME");
  name->Title()->SetCaption("Наименование");
  name->SetAlignment(taRightJustify);
  EXPECT_EQ(goods->FieldByName("NAME")->DisplayLabel(), "Наименование");
  EXPECT_EQ(goods->FieldByName("NAME")->Alignment(), taRightJustify);
  EXPECT_TRUE(name->AssignedValues().Empty());
}

TEST_F(DBGridTest, StoredColumnWithMissingFieldShowsEmptyCellsAndKeepsItsName) {
  OpenGoods(3);
  grid->Columns().Add()->SetFieldName("NAME");
  grid->Columns().Add()->SetFieldName("GONE");
  ShowGrid();
  ASSERT_EQ(grid->Columns().State(), csCustomized);
  EXPECT_EQ(grid->DataLink()->GetMappedIndex(1), -1);
  EXPECT_FALSE(grid->DataLink()->DefaultFields());
  TzelColumn* gone = grid->Columns()[1];
  EXPECT_EQ(gone->Field(), nullptr);
  EXPECT_EQ(gone->FieldName(), "GONE");
  EXPECT_EQ(CellText("GONE", 0), "");
  EXPECT_EQ(CellText("NAME", 0), "row 1");
  EXPECT_FALSE(grid->grab().isNull());
}

TEST_F(DBGridTest, CurrentRowFollowsMoveByInAWindowOfFiveRows) {
  OpenGoods(100);
  ShowGrid(5);
  ASSERT_EQ(grid->VisibleRowCount(), 5);
  EXPECT_EQ(grid->DataLink()->BufferCount(), 5);
  // The rows are the link's window, never the dataset's hundred records.
  EXPECT_EQ(grid->RowCount(), 6);
  for (int distance : {1, 3, 2, 10, -4, 50, -100, 99}) {
    goods->MoveBy(distance);
    EXPECT_EQ(grid->Row(), grid->DataLink()->ActiveRecord() + 1) << "after MoveBy " << distance;
    EXPECT_EQ(grid->RowCount(), 6);
    EXPECT_EQ(grid->VertScrollInfo().Pos, goods->RecNo());
  }
  EXPECT_EQ(goods->RecNo(), 100);
  EXPECT_EQ(grid->Row(), 5);
  const TScrollInfo info = grid->VertScrollInfo();
  EXPECT_EQ(info.Min, 1);
  EXPECT_EQ(info.Page, 5);
  EXPECT_EQ(info.Max, 104);
}

TEST_F(DBGridTest, TwoDeferredLayoutsGiveOneLayout) {
  OpenGoods(3);
  ShowGrid();
  const int before = grid->LayoutCount();
  grid->BeginLayout();
  grid->DeferLayout();
  grid->BeginLayout();
  grid->DeferLayout();
  EXPECT_EQ(grid->LayoutLock(), 0);
  EXPECT_EQ(grid->UpdateLock(), 0);
  EXPECT_EQ(grid->LayoutCount(), before);
  QApplication::processEvents();
  QApplication::processEvents();
  EXPECT_EQ(grid->LayoutCount(), before + 1);
}

TEST_F(DBGridTest, LayoutLocksStayBalancedWhenTheLayoutRaises) {
  OpenGoods(3);
  ShowGrid();
  // A dense map names every visible field with FieldByName: a field list
  // that lost a field under the grid's feet raises out of the layout.
  grid->BeginLayout();
  EXPECT_EQ(grid->LayoutLock(), 1);
  grid->EndLayout();
  EXPECT_EQ(grid->LayoutLock(), 0);
  EXPECT_EQ(grid->UpdateLock(), 0);
  EXPECT_EQ(grid->Columns().UpdateCount(), 0);
}

TEST_F(DBGridTest, DestroyingTheDataSourceWhileTheGridLivesEmptiesTheGrid) {
  OpenGoods(10);
  ShowGrid();
  source.reset();
  EXPECT_EQ(grid->DataSource(), nullptr);
  EXPECT_EQ(grid->RowCount(), 2);
  EXPECT_FALSE(grid->grab().isNull());
}

TEST_F(DBGridTest, DestroyingAFieldWhileTheGridLivesClearsItsColumn) {
  auto* id = new TIntegerField(goods);
  id->SetFieldName("ID");
  id->SetDataSet(goods);
  auto* name = new TStringField(goods);
  name->SetFieldName("NAME");
  name->SetSize(20);
  name->SetDataSet(goods);
  grid->Columns().Add()->SetFieldName("ID");
  grid->Columns().Add()->SetFieldName("NAME");
  goods->Open();
  goods->AppendRecord({Variant(int32_t(1)), Variant("one")});
  ShowGrid();
  ASSERT_EQ(grid->Columns()[1]->Field(), name);
  goods->Close();
  delete name;
  goods->Open();
  EXPECT_EQ(grid->Columns()[1]->Field(), nullptr);
  EXPECT_EQ(grid->Columns()[1]->FieldName(), "NAME");
  EXPECT_FALSE(grid->grab().isNull());
}

TEST_F(DBGridTest, DestroyingTheLookupDataSetClearsTheColumnsThatUseIt) {
  OpenGoods(3);
  ShowGrid();
  grid->Columns().RebuildColumns();
  TzelColumn* unit = grid->ColumnByName("UNIT");
  unit->SetButtonStyle(cbsLookup);
  unit->SetLookupDataSet(units);
  unit->SetLookupKeyField("UNIT");
  unit->SetLookupLinkField("UID");
  unit->SetLookupDropDownFields("UNAME;UID");
  ASSERT_TRUE(unit->IsLinkActive());
  delete units;
  units = nullptr;
  EXPECT_EQ(unit->LookupDataSet(), nullptr);
  EXPECT_FALSE(unit->IsLinkActive());
  EXPECT_EQ(CellText("UNIT", 0), "2");
  EXPECT_FALSE(grid->grab().isNull());
}

TEST_F(DBGridTest, DestroyingTheDataSetWhileTheGridLivesLeavesAnEmptyGrid) {
  OpenGoods(5);
  ShowGrid();
  grid->Columns().RebuildColumns();
  delete goods;
  goods = nullptr;
  EXPECT_FALSE(grid->DataLink()->Active());
  EXPECT_EQ(grid->Columns()[0]->Field(), nullptr);
  EXPECT_FALSE(grid->grab().isNull());
}

TEST_F(DBGridTest, DestroyingTheGridWithItsEditorOpenLeavesTheDataIntact) {
  OpenGoods(5);
  ShowGrid();
  grid->setFocus();
  grid->SetSelectedIndex(1);
  grid->ShowEditor();
  grid.reset();
  EXPECT_EQ(goods->State(), dsBrowse);
  EXPECT_EQ(goods->FieldByName("NAME")->AsString(), "row 1");
  EXPECT_EQ(source->DataLinkCount(), 0);
}

TEST_F(DBGridTest, OptionsThatExcludeEachOther) {
  TzelDBGridOptions options = grid->Options();
  EXPECT_TRUE(options == DefaultDBGridOptions);
  options.Include(dgDragOutRows);
  options.Include(dgAlwaysShowEditor);
  options.Include(dgEnterToTab);
  grid->SetOptions(options);
  EXPECT_TRUE(grid->Options().Contains(dgRowSelect));
  EXPECT_FALSE(grid->Options().Contains(dgEditing));
  EXPECT_FALSE(grid->Options().Contains(dgAlwaysShowEditor));
  EXPECT_FALSE(grid->Options().Contains(dgEnterToTab));
  EXPECT_FALSE(grid->AllowInsert());
  EXPECT_FALSE(grid->AllowDelete());
  options = grid->Options();
  options.Exclude(dgRowSelect);
  options.Exclude(dgDragOutRows);
  options.Include(dgEditing);
  grid->SetOptions(options);
  EXPECT_FALSE(grid->AllowInsert()) << "editing back on does not allow inserts again";
}

TEST_F(DBGridTest, RowAndTitleHeights) {
  OpenGoods(3);
  ShowGrid();
  const int fontHeight = grid->DefaultRowHeight();
  grid->SetRowsHeight(fontHeight - 5);
  EXPECT_EQ(grid->DefaultRowHeight(), fontHeight);
  grid->SetRowsHeight(fontHeight + 10);
  EXPECT_EQ(grid->DefaultRowHeight(), fontHeight + 10);
  EXPECT_EQ(grid->RowHeights(1), fontHeight + 10);
  grid->SetTitleHeight(30);
  EXPECT_EQ(grid->RowHeights(0), std::max(30, grid->RowHeights(0)));
  EXPECT_GE(grid->RowHeights(0), 30);
}

TEST_F(DBGridTest, ScreenCellRect) {
  OpenGoods(3);
  ShowGrid();
  EXPECT_EQ(grid->ScreenCellRect(rtCurrent, "nothing"), QRect(0, 0, 0, 0));
  const QRect title = grid->ScreenCellRect(rtTitle, "name");
  const QRect first = grid->ScreenCellRect(rtFirstVisible, "NAME");
  EXPECT_FALSE(title.isEmpty());
  EXPECT_LT(title.top(), first.top());
  goods->Next();
  const QRect current = grid->ScreenCellRect(rtCurrent, "NAME");
  EXPECT_EQ(current.top() - first.top(), grid->DefaultRowHeight() + grid->GridLineWidth());
}

TEST_F(DBGridTest, EditorTextWritesBackThroughTheLink) {
  OpenGoods(3);
  ShowGrid();
  grid->setFocus();
  grid->SetSelectedIndex(1);
  ASSERT_TRUE(grid->CanEditModify());
  grid->SetEditText(grid->Col(), grid->Row(), "changed");
  goods->Post();  // posting asks the controls to write pending text first
  EXPECT_EQ(goods->FieldByName("NAME")->AsString(), "changed");
}

TEST_F(DBGridTest, EditLimitIsTheStringFieldSize) {
  OpenGoods(3);
  ShowGrid();
  grid->SetSelectedIndex(1);
  EXPECT_EQ(grid->GetEditLimit(), 20);
  grid->SetSelectedIndex(0);
  EXPECT_EQ(grid->GetEditLimit(), 0);
}

}  // namespace
}  // namespace morvane::testing
