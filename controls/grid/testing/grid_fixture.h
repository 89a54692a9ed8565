// A data grid over in-memory datasets, for the grid's widget tests: a
// dataset of goods (ID, NAME, UNIT, NOTE, FLAG), a dataset of units (UID,
// UNAME) for lookups, a data source and a shown grid of a chosen number of
// visible rows. Everything lives on the heap so a test can destroy any part
// while the others live.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <memory>
#include <string>

#include "controls/grid/db_grid.h"
#include "platform/db/data_source.h"
#include "platform/db/testing/memory_dataset.h"

namespace morvane::testing {

class GridFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    owner = std::make_unique<TComponent>();
    goods = new TMemoryDataSet(owner.get());
    goods->SetName("Goods");
    goods->FieldDefs().Add("ID", ftInteger);
    goods->FieldDefs().Add("NAME", ftString, 20);
    goods->FieldDefs().Add("UNIT", ftInteger);
    goods->FieldDefs().Add("NOTE", ftMemo);
    goods->FieldDefs().Add("FLAG", ftString, 1);
    units = new TMemoryDataSet(owner.get());
    units->SetName("Units");
    units->FieldDefs().Add("UID", ftInteger);
    units->FieldDefs().Add("UNAME", ftString, 20);
    units->Open();
    units->AppendRecord({Variant(int32_t(1)), Variant("штука")});
    units->AppendRecord({Variant(int32_t(2)), Variant("метр")});
    source = std::make_unique<TDataSource>();
    source->SetDataSet(goods);
    grid = std::make_unique<TzelDBGrid>(nullptr, owner.get());
    grid->SetName("GridM");
  }

  void TearDown() override {
    grid.reset();
    source.reset();
    owner.reset();
  }

  // Opens goods with count rows: ID i, NAME "row i", UNIT 1 or 2 (3 for
  // every tenth, a unit that does not exist), NOTE two lines, FLAG empty.
  void OpenGoods(int count) {
    goods->Open();
    goods->DisableControls();
    for (int id = 1; id <= count; ++id) {
      goods->AppendRecord({Variant(int32_t(id)), Variant("row " + std::to_string(id)),
                           Variant(int32_t(id % 10 == 0 ? 3 : 1 + id % 2)),
                           Variant("first " + std::to_string(id) + "\r\nsecond"), Variant("")});
    }
    goods->EnableControls();
    goods->First();
  }

  // Shows the grid attached to the data source with rows visible data rows.
  void ShowGrid(int rows = 5) {
    grid->SetDataSource(source.get());
    grid->show();
    SetVisibleRows(rows);
  }

  void SetVisibleRows(int rows) {
    const int pitch = grid->DefaultRowHeight() + grid->GridLineWidth();
    int height = grid->RowHeights(0) + 1 + rows * pitch + 40;
    grid->resize(480, height);
    while (height > 20 && grid->VisibleRowCount() > rows) grid->resize(480, --height);
    QApplication::processEvents();
  }

  std::string CellText(const std::string& columnName, int dataRow) {
    TzelColumn* column = grid->ColumnByName(columnName);
    TGridDataLink* link = grid->DataLink();
    const int saved = link->ActiveRecord();
    link->SetActiveRecord(dataRow);
    std::string text = grid->ColumnCellText(column, false);
    link->SetActiveRecord(saved);
    return text;
  }

  std::unique_ptr<TComponent> owner;
  TMemoryDataSet* goods = nullptr;  // owned by owner
  TMemoryDataSet* units = nullptr;  // owned by owner
  std::unique_ptr<TDataSource> source;
  std::unique_ptr<TzelDBGrid> grid;
};

}  // namespace morvane::testing
