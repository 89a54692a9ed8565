// A data grid over the data engine for the in-place editor's widget tests:
// a mapping table (OLD text, INF key, UNIT pick-list text, D date) and a
// lookup table of units (ID, NAME, CODE). The INF column is a lookup column
// set up as the wizard sets up its column of new values: auto drop-down,
// NAME and CODE side by side, the CODE written into INF.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <memory>
#include <string>

#include "controls/editors/db_grid_inplace_edit.h"
#include "controls/editors/dlg_calendar.h"
#include "controls/editors/editor_test_support.h"
#include "controls/editors/listbox.h"
#include "controls/editors/popup_data.h"
#include "controls/grid/db_grid.h"
#include "platform/db/data_source.h"
#include "platform/ui/monotonic_clock.h"

namespace morvane::testing {

inline std::vector<char> MappingBuffer() {
  return TestBuffer()
      .Layout({"M.OLD s40", "M.INF 9", "M.UNIT s40", "M.D d"})
      .Record({Text("шт"), Absent(), Absent(), Absent()})
      .Record({Text("кг"), Absent(), Text("метр"), Absent()})
      .Record({Text("м"), Small("M"), Absent(), Absent()})
      .Bytes();
}

class GridEditorFixture : public ::testing::Test {
 public:
  enum Column { kOld, kInf, kUnit, kDate };

  void SetUp() override {
    units = std::make_unique<MemoryDataset>(UnitsBuffer());
    units->SetName("Units");
    units->Open();
    mapping = std::make_unique<MemoryDataset>(MappingBuffer());
    mapping->SetName("Mapping");
    mapping->Open();
    source = std::make_unique<TDataSource>();
    source->SetDataSet(mapping.get());
    grid = std::make_unique<TzelDBGrid>();
    grid->SetName("GridM");
    TzelDBGridColumns& columns = grid->Columns();
    columns.Add()->SetFieldName("OLD");
    TzelColumn* inf = columns.Add();
    inf->SetFieldName("INF");
    inf->SetButtonStyle(cbsLookup);
    inf->SetLookupDataSet(units.get());
    inf->SetLookupDropDownFields("NAME;CODE");
    inf->SetLookupKeyField("INF");
    inf->SetLookupLinkField("CODE");
    inf->SetAutoDropDown(true);
    inf->SetDropDownWidth(250);
    TzelColumn* unit = columns.Add();
    unit->SetFieldName("UNIT");
    unit->SetButtonStyle(cbsCombo);
    unit->SetPickList(&pickTexts);
    unit->SetAutoDropDown(true);
    TzelColumn* date = columns.Add();
    date->SetFieldName("D");
    date->SetButtonStyle(cbsCalendar);
    for (TzelColumn* column : {columns.Items(0), inf, unit, date}) column->SetWidth(110);
    grid->SetDataSource(source.get());
    grid->resize(480, 160);
    grid->move(40, 40);
    grid->show();
    QApplication::setActiveWindow(grid.get());
    grid->setFocus();
  }

  void TearDown() override {
    grid.reset();
    source.reset();
    mapping.reset();
    units.reset();
  }

  // Makes a cell of the current row current and shows the editor on it.
  TzelDBGridInplaceEdit* EditCell(Column column) {
    grid->SetSelectedIndex(column);
    grid->setFocus();
    grid->ShowEditor();
    auto* editor = dynamic_cast<TzelDBGridInplaceEdit*>(grid->InplaceEditor());
    EXPECT_NE(editor, nullptr);
    if (editor != nullptr) editor->setFocus();
    return editor;
  }

  std::string MappingText(const char* field) { return mapping->FieldByName(field)->AsString(); }

  TStringList pickTexts{"штука", "метр", "литр"};
  ManualClock clock;
  std::unique_ptr<MemoryDataset> units;
  std::unique_ptr<MemoryDataset> mapping;
  std::unique_ptr<TDataSource> source;
  std::unique_ptr<TzelDBGrid> grid;
};

}  // namespace morvane::testing
