// The column model: defaults, stored rules, assignment, and column files.
#include "controls/grid/column.h"

#include <gtest/gtest.h>

#include "controls/grid/columns.h"
#include "controls/grid/testing/grid_fixture.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/testing/temp_path.h"

namespace morvane::testing {
namespace {

using ColumnTest = GridFixture;

TEST_F(ColumnTest, NewColumnDefaults) {
  TzelColumn* column = grid->Columns().Add();
  EXPECT_EQ(column->ButtonStyle(), cbsNone);
  EXPECT_EQ(column->DropDownRows(), 10u);
  EXPECT_EQ(column->DropDownWidth(), 0u);
  EXPECT_TRUE(column->Visible());
  EXPECT_TRUE(column->Stored());
  EXPECT_TRUE(column->AssignedValues().Empty());
  EXPECT_EQ(column->Title()->Alignment(), taCenter);
  EXPECT_EQ(column->Color(), grid->Color());
  EXPECT_EQ(column->Title()->Color(), grid->FixedColor());
}

TEST_F(ColumnTest, ComboAndLookupColumnsAreLeftAlignedOnNumericFields) {
  OpenGoods(2);
  ShowGrid();
  grid->Columns().RebuildColumns();
  TzelColumn* unit = grid->ColumnByName("UNIT");
  ASSERT_EQ(goods->FieldByName("UNIT")->Alignment(), taRightJustify);
  EXPECT_EQ(unit->Alignment(), taRightJustify);
  for (TzelColumnButtonStyle style : {cbsCombo, cbsLookup}) {
    unit->SetButtonStyle(style);
    EXPECT_EQ(unit->Alignment(), taLeftJustify);
    EXPECT_EQ(unit->Title()->Alignment(), taCenter);
  }
}

TEST_F(ColumnTest, WidthEqualToTheDefaultStaysUnassigned) {
  OpenGoods(2);
  ShowGrid();
  grid->Columns().RebuildColumns();
  TzelColumn* name = grid->ColumnByName("NAME");
  name->SetWidth(name->DefaultWidth());
  EXPECT_FALSE(name->AssignedValues().Contains(cvWidth));
  name->SetWidth(name->DefaultWidth() + 7);
  EXPECT_TRUE(name->AssignedValues().Contains(cvWidth));
  EXPECT_EQ(grid->ColWidths(grid->DataToRawColumn(name->Index())), name->Width());
}

TEST_F(ColumnTest, LookupDropDownFieldsCacheTheDisplayField) {
  TzelColumn* column = grid->Columns().Add();
  for (auto [fields, display] : std::vector<std::pair<std::string, std::string>>{
           {"name;Ident", "name"}, {"name", "name"}, {"", ""}, {";x", ""}}) {
    column->SetLookupDropDownFields(fields);
    EXPECT_EQ(column->LookupDisplayField(), display) << fields;
  }
}

TEST_F(ColumnTest, AssignListSplitsNamesAndValues) {
  TzelColumn* column = grid->Columns().Add();
  column->AssignList(TStringList{"a=1", "b=2"});
  EXPECT_EQ(column->PickList().Lines(), (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(column->PickValues().Lines(), (std::vector<std::string>{"1", "2"}));
}

TEST_F(ColumnTest, StateAndRebuildColumns) {
  EXPECT_EQ(grid->Columns().State(), csDefault);
  OpenGoods(2);
  ShowGrid();
  grid->Columns().SetState(csCustomized);
  EXPECT_EQ(grid->Columns().State(), csCustomized);
  EXPECT_EQ(grid->Columns().Count(), 5);
  EXPECT_EQ(grid->Columns()[2]->FieldName(), "UNIT");
  grid->Columns().SetState(csDefault);
  EXPECT_EQ(grid->Columns().State(), csDefault);
  EXPECT_EQ(grid->Columns().Count(), 5);  // the layout made default columns again
}

TEST_F(ColumnTest, ColumnByNameIgnoresCaseByTheLocaleRules) {
  grid->Columns().Add()->SetFieldName("Ед_изм");
  grid->Columns().Add()->SetFieldName("name");
  EXPECT_EQ(grid->ColumnByName("ЕД_ИЗМ"), grid->Columns()[0]);
  EXPECT_EQ(grid->ColumnByName("NAME"), grid->Columns()[1]);
  EXPECT_EQ(grid->ColumnByName("other"), nullptr);
}

TEST_F(ColumnTest, LookupDataSetMayNotBeTheColumnsOwnDataSet) {
  OpenGoods(2);
  ShowGrid();
  TzelColumn* column = grid->Columns().Add();
  column->SetFieldName("UNIT");
  column->SetLookupDataSet(units);
  try {
    column->SetLookupDataSet(goods);
    FAIL() << "no error";
  } catch (const EDatabaseError& error) {
    EXPECT_STREQ(error.what(), "GridM: Lookup Dataset не должен совпадать с Source DataSet");
  }
  EXPECT_EQ(column->LookupDataSet(), units);
}

TEST_F(ColumnTest, AssignSkipsWrapTextAutoDropDownAndCheckValues) {
  TzelColumn* source = grid->Columns().Add();
  source->SetFieldName("NAME");
  source->SetWrapText(true);
  source->SetAutoDropDown(true);
  source->SetValueChecked("Y");
  source->SetValueUnChecked("N");
  source->SetColor(clRed);
  source->SetCanClick(true);
  TzelColumn* target = grid->Columns().Add();
  target->Assign(*source);
  EXPECT_EQ(target->FieldName(), "NAME");
  EXPECT_EQ(target->Color(), clRed);
  EXPECT_TRUE(target->CanClick());
  EXPECT_FALSE(target->WrapText());
  EXPECT_FALSE(target->AutoDropDown());
  EXPECT_EQ(target->ValueChecked(), "");
  EXPECT_EQ(target->ValueUnChecked(), "");
}

TEST_F(ColumnTest, RestoreDefaultsKeepsLookupAndCheckSettings) {
  TzelColumn* column = grid->Columns().Add();
  column->SetColor(clRed);
  column->Title()->SetCaption("Title");
  column->SetButtonStyle(cbsCheck);
  column->SetValueChecked("1");
  column->SetLookupKeyField("K");
  column->AssignList(TStringList{"a=1"});
  column->RestoreDefaults();
  EXPECT_TRUE(column->AssignedValues().Empty());
  EXPECT_EQ(column->ButtonStyle(), cbsNone);
  EXPECT_FALSE(column->HasPickList());
  EXPECT_EQ(column->ValueChecked(), "1");
  EXPECT_EQ(column->LookupKeyField(), "K");
}

// A column list with every streamed property set somewhere.
void FillEveryProperty(TzelCustomDBGrid& grid, TDataSet* lookup) {
  TzelColumn* id = grid.Columns().Add();
  id->SetFieldName("ID");
  id->SetAlignment(taCenter);
  id->SetColor(clYellow);
  id->SetWidth(77);
  id->SetReadOnly(true);
  TFont font;
  font.SetSize(14);
  font.SetStyle(TFontStyles{fsBold, fsItalic});
  font.SetColor(clNavy);
  id->SetFont(font);
  id->Title()->SetCaption("Номер");
  id->Title()->SetAlignment(taRightJustify);
  id->Title()->SetColor(clAqua);
  id->Title()->SetFont(font);
  TzelColumn* unit = grid.Columns().Add();
  unit->SetFieldName("UNIT");
  unit->SetButtonStyle(cbsLookup);
  unit->SetLookupDataSet(lookup);
  unit->SetLookupKeyField("UNIT");
  unit->SetLookupLinkField("UID");
  unit->SetLookupDropDownFields("UNAME;UID");
  unit->SetAutoDropDown(true);
  unit->SetDropDownRows(7);
  unit->SetDropDownWidth(250);
  unit->SetCanClick(true);
  unit->SetLongTextAsHint(true);
  TzelColumn* flag = grid.Columns().Add();
  flag->SetFieldName("FLAG");
  flag->SetButtonStyle(cbsCheck);
  flag->SetValueChecked("Y");
  flag->SetValueUnChecked("N");
  flag->SetWrapText(true);
  flag->SetVisible(false);
  flag->AssignList(TStringList{"да=Y", "нет=N"});
}

std::string Saved(TzelDBGridColumns& columns) {
  TMemoryStream stream;
  columns.SaveToStream(stream);
  return std::string(stream.Memory(), size_t(stream.Size()));
}

TEST_F(ColumnTest, ColumnFileRoundTripKeepsEveryStreamedProperty) {
  OpenGoods(2);
  ShowGrid();
  FillEveryProperty(*grid, units);
  const std::string path = testing_support::TestTempPath("columns.json");
  grid->Columns().SaveToFile(path);
  const std::string first = Saved(grid->Columns());

  TzelDBGrid other(nullptr, owner.get());
  other.SetDataSource(source.get());
  other.Columns().LoadFromFile(path);
  ASSERT_EQ(other.Columns().Count(), 3);
  EXPECT_EQ(Saved(other.Columns()), first);
  TzelColumn* id = other.Columns()[0];
  EXPECT_EQ(id->Width(), 77);
  EXPECT_EQ(id->Font().Size(), 14);
  EXPECT_TRUE(id->Font().Style().Contains(fsItalic));
  EXPECT_EQ(id->Title()->Caption(), "Номер");
  EXPECT_TRUE(id->ReadOnly());
  TzelColumn* unit = other.Columns()[1];
  EXPECT_EQ(unit->LookupDataSet(), units);
  EXPECT_TRUE(unit->AutoDropDown());
  EXPECT_EQ(unit->DropDownWidth(), 250u);
  TzelColumn* flag = other.Columns()[2];
  EXPECT_TRUE(flag->WrapText());
  EXPECT_EQ(flag->ValueChecked(), "Y");
  EXPECT_EQ(flag->ValueUnChecked(), "N");
  EXPECT_FALSE(flag->Visible());
  EXPECT_EQ(flag->PickValues().Lines(), (std::vector<std::string>{"Y", "N"}));
}

TEST_F(ColumnTest, DamagedColumnFileRaisesAndLeavesTheColumnsAsTheyWere) {
  OpenGoods(2);
  ShowGrid();
  FillEveryProperty(*grid, units);
  const std::string before = Saved(grid->Columns());
  for (const std::string& damaged :
       {std::string("{\"class\": \"TzelColumnsWrapper\", \"Columns\": [{\"Width\": \"wide\"}]}"),
        std::string("{\"class\": \"TzelColumnsWrapper\", \"Columns\": [{\"ButtonStyle\": \"cbsX\"}]}"),
        std::string("{\"class\": \"Other\", \"Columns\": []}"), std::string("{\"Columns\": ["),
        std::string("")}) {
    TMemoryStream stream(std::vector<char>(damaged.begin(), damaged.end()));
    EXPECT_THROW(grid->Columns().LoadFromStream(stream), EStreamError) << damaged;
    EXPECT_EQ(Saved(grid->Columns()), before) << damaged;
  }
  EXPECT_THROW(grid->Columns().LoadFromFile(testing_support::TestTempPath("missing.json")), EFOpenError);
  EXPECT_EQ(Saved(grid->Columns()), before);
}

TEST_F(ColumnTest, ColumnFileNamingTheGridsOwnDataSetAsLookupLeavesTheColumns) {
  OpenGoods(2);
  ShowGrid();
  FillEveryProperty(*grid, units);
  const std::string before = Saved(grid->Columns());
  const std::string file =
      "{\"class\": \"TzelColumnsWrapper\", \"Columns\": [{\"FieldName\": \"UNIT\", "
      "\"LookupDataSet\": \"Goods\", \"Visible\": true}]}";
  TMemoryStream stream(std::vector<char>(file.begin(), file.end()));
  EXPECT_THROW(grid->Columns().LoadFromStream(stream), EDatabaseError);
  EXPECT_EQ(Saved(grid->Columns()), before);
}

}  // namespace
}  // namespace morvane::testing
