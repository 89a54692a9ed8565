#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/db/fields.h"
#include "platform/db/testing/memory_dataset.h"
#include "platform/db/testing/sample_data.h"
#include "platform/rtl/exceptions.h"

namespace morvane {
namespace {

using testing::AllIds;
using testing::FillNumbered;
using testing::TMemoryDataSet;

// Logs every dataset event as its name.
void LogEvents(TDataSet& dataSet, std::vector<std::string>& log) {
  auto add = [&log](const char* name) { return [&log, name](TDataSet*) { log.push_back(name); }; };
  dataSet.BeforeInsert = add("BeforeInsert");
  dataSet.AfterInsert = add("AfterInsert");
  dataSet.BeforeEdit = add("BeforeEdit");
  dataSet.AfterEdit = add("AfterEdit");
  dataSet.BeforePost = add("BeforePost");
  dataSet.AfterPost = add("AfterPost");
  dataSet.BeforeCancel = add("BeforeCancel");
  dataSet.AfterCancel = add("AfterCancel");
  dataSet.BeforeDelete = add("BeforeDelete");
  dataSet.AfterDelete = add("AfterDelete");
  dataSet.BeforeScroll = add("BeforeScroll");
  dataSet.AfterScroll = add("AfterScroll");
  dataSet.OnNewRecord = add("OnNewRecord");
}

using Log = std::vector<std::string>;

TEST(DataSetEditing, EventsComeInTheFrameworkOrder) {
  TMemoryDataSet dataSet;
  FillNumbered(dataSet, 3);
  Log log;
  LogEvents(dataSet, log);

  dataSet.Insert();
  EXPECT_EQ(log,
            (Log{"BeforeInsert", "BeforeScroll", "OnNewRecord", "AfterInsert", "AfterScroll"}));
  EXPECT_EQ(dataSet.State(), dsInsert);
  log.clear();
  dataSet.FieldByName("ID")->SetAsInteger(10);
  dataSet.Post();
  EXPECT_EQ(log, (Log{"BeforePost", "AfterPost"}));

  log.clear();
  dataSet.Edit();
  dataSet.Cancel();
  EXPECT_EQ(log, (Log{"BeforeEdit", "AfterEdit", "BeforeCancel", "AfterCancel"}));

  log.clear();
  dataSet.Append();
  dataSet.Cancel();
  EXPECT_EQ(log, (Log{"BeforeInsert", "BeforeScroll", "OnNewRecord", "AfterInsert", "AfterScroll",
                      "BeforeCancel", "BeforeScroll", "AfterCancel", "AfterScroll"}));

  log.clear();
  dataSet.Delete();
  EXPECT_EQ(log, (Log{"BeforeDelete", "BeforeScroll", "AfterDelete", "AfterScroll"}));
}

TEST(DataSetEditing, InsertGoesBeforeTheCurrentRecordAndAppendAfterTheLast) {
  TMemoryDataSet dataSet;
  FillNumbered(dataSet, 3);
  dataSet.Next();
  dataSet.Insert();
  EXPECT_TRUE(dataSet.FieldByName("ID")->IsNull());
  dataSet.FieldByName("ID")->SetAsInteger(15);
  dataSet.Post();
  EXPECT_EQ(dataSet.FieldByName("ID")->AsInteger(), 15);
  EXPECT_EQ(dataSet.RecNo(), 2);
  dataSet.First();
  dataSet.Append();
  dataSet.FieldByName("ID")->SetAsInteger(40);
  dataSet.Post();
  EXPECT_EQ(dataSet.RecNo(), 5);
  EXPECT_EQ(AllIds(dataSet), (std::vector<int>{1, 15, 2, 3, 40}));
}

TEST(DataSetEditing, CancelAndDeleteLeaveTheRightRecordCurrent) {
  TMemoryDataSet dataSet;
  FillNumbered(dataSet, 3);
  dataSet.Next();
  dataSet.Insert();
  dataSet.FieldByName("ID")->SetAsInteger(99);
  dataSet.Cancel();
  EXPECT_EQ(dataSet.FieldByName("ID")->AsInteger(), 2);
  dataSet.Edit();
  dataSet.FieldByName("NAME")->SetAsString("gone");
  dataSet.Cancel();
  EXPECT_EQ(dataSet.FieldByName("NAME")->AsString(), "row 2");
  dataSet.Delete();
  EXPECT_EQ(dataSet.FieldByName("ID")->AsInteger(), 3);
  dataSet.Delete();  // the last one: the one before becomes current
  EXPECT_EQ(dataSet.FieldByName("ID")->AsInteger(), 1);
  dataSet.Delete();
  EXPECT_TRUE(dataSet.IsEmpty());
  EXPECT_THROW(dataSet.Delete(), EDatabaseError);
}

TEST(DataSetEditing, BrowsingAwayPostsOnlyARealChange) {
  TMemoryDataSet dataSet;
  FillNumbered(dataSet, 3);
  dataSet.Edit();
  EXPECT_FALSE(dataSet.Modified());
  dataSet.FieldByName("NAME")->SetAsString("new");
  EXPECT_TRUE(dataSet.Modified());
  dataSet.Next();  // posts
  EXPECT_EQ(dataSet.State(), dsBrowse);
  dataSet.Prior();
  EXPECT_EQ(dataSet.FieldByName("NAME")->AsString(), "new");
  dataSet.Append();
  dataSet.First();  // nothing typed: the new record is dropped
  EXPECT_EQ(dataSet.RecordCount(), 3);
}

TEST(DataSetEditing, EditOfAnEmptyDataSetInserts) {
  TMemoryDataSet dataSet;
  FillNumbered(dataSet, 0);
  dataSet.Edit();
  EXPECT_EQ(dataSet.State(), dsInsert);
}

TEST(DataSetEditing, WritingOutsideEditStatesIsRefused) {
  TMemoryDataSet dataSet;
  FillNumbered(dataSet, 1);
  EXPECT_THROW(dataSet.FieldByName("ID")->SetAsInteger(5), EDatabaseError);
  EXPECT_THROW(dataSet.Post(), EDatabaseError);
  dataSet.SetReadOnly(true);
  EXPECT_THROW(dataSet.Edit(), EDatabaseError);
  EXPECT_THROW(dataSet.Insert(), EDatabaseError);
  EXPECT_THROW(dataSet.Delete(), EDatabaseError);
  EXPECT_EQ(dataSet.State(), dsBrowse);
  EXPECT_EQ(dataSet.RecordCount(), 1);
}

TEST(DataSetEditing, RequiredFieldMustHaveAValueBeforePosting) {
  TMemoryDataSet dataSet;
  dataSet.SetName("Parts");
  FillNumbered(dataSet, 1);
  dataSet.FieldByName("NAME")->SetRequired(true);
  dataSet.Append();
  dataSet.FieldByName("ID")->SetAsInteger(2);
  try {
    dataSet.Post();
    FAIL();
  } catch (const EDatabaseError& error) {
    EXPECT_STREQ(error.what(), "Parts: Field 'NAME' must have a value");
  }
  EXPECT_EQ(dataSet.State(), dsInsert);
  dataSet.FieldByName("NAME")->SetAsString("named");
  dataSet.Post();
  EXPECT_EQ(dataSet.RecordCount(), 2);
}

TEST(DataSetEditing, FailingNewRecordHandlerAbandonsTheInsert) {
  TMemoryDataSet dataSet;
  FillNumbered(dataSet, 2);
  dataSet.Next();
  dataSet.OnNewRecord = [](TDataSet*) { throw EAbort(); };
  EXPECT_THROW(dataSet.Insert(), EAbort);
  EXPECT_EQ(dataSet.State(), dsBrowse);
  EXPECT_EQ(dataSet.FieldByName("ID")->AsInteger(), 2);
  EXPECT_EQ(dataSet.RecordCount(), 2);
}

TEST(DataSetEditing, BookmarksSurviveInsertsAndDeletes) {
  TMemoryDataSet dataSet;
  FillNumbered(dataSet, 5);
  dataSet.SetRecNo(3);
  TBookmark third = dataSet.GetBookmark();
  ASSERT_EQ(third.size(), size_t(dataSet.BookmarkSize()));
  dataSet.First();
  TBookmark first = dataSet.GetBookmark();
  dataSet.InsertRecord({Variant(int32_t(0)), Variant("zero")});
  dataSet.Last();
  dataSet.AppendRecord({Variant(int32_t(6)), Variant("six")});
  dataSet.SetRecNo(2);
  dataSet.Delete();  // the old first record
  EXPECT_FALSE(dataSet.BookmarkValid(first));
  EXPECT_TRUE(dataSet.BookmarkValid(third));
  dataSet.GotoBookmark(third);
  EXPECT_EQ(dataSet.FieldByName("ID")->AsInteger(), 3);
  EXPECT_THROW(dataSet.GotoBookmark(TBookmark("x")), EDatabaseError);
  EXPECT_EQ(dataSet.FieldByName("ID")->AsInteger(), 3);
  dataSet.First();
  TBookmark zero = dataSet.GetBookmark();
  EXPECT_LT(dataSet.CompareBookmarks(zero, third), 0);
  EXPECT_GT(dataSet.CompareBookmarks(third, zero), 0);
  EXPECT_EQ(dataSet.CompareBookmarks(third, third), 0);
  EXPECT_LT(dataSet.CompareBookmarks(TBookmark(), third), 0);
  EXPECT_EQ(dataSet.CompareBookmarks(TBookmark(), TBookmark()), 0);
  dataSet.Insert();
  EXPECT_TRUE(dataSet.GetBookmark().empty());  // a new record has none yet
  dataSet.Cancel();
}

TEST(DataSetEditing, CalculatedFieldsAreComputedIntoTheCalculationArea) {
  TMemoryDataSet dataSet;
  dataSet.FieldDefs().Add("ID", ftInteger);
  dataSet.FieldDefs().Add("NAME", ftString, 20);
  auto* id = new TIntegerField(&dataSet);
  id->SetFieldName("ID");
  id->SetDataSet(&dataSet);
  auto* name = new TStringField(&dataSet);
  name->SetFieldName("NAME");
  name->SetSize(20);
  name->SetDataSet(&dataSet);
  auto* twice = new TIntegerField(&dataSet);
  twice->SetFieldName("TWICE");
  twice->SetFieldKind(fkCalculated);
  twice->SetDataSet(&dataSet);
  auto* label = new TStringField(&dataSet);
  label->SetFieldName("LABEL");
  label->SetSize(30);
  label->SetCalculated(true);
  label->SetDataSet(&dataSet);
  int calculations = 0;
  dataSet.OnCalcFields = [&](TDataSet* ds) {
    ++calculations;
    EXPECT_EQ(ds->State(), dsCalcFields);
    twice->SetAsInteger(id->AsInteger() * 2);
    label->SetAsString(name->AsString() + "!");
  };
  dataSet.Open();
  EXPECT_FALSE(dataSet.DefaultFields());
  EXPECT_EQ(dataSet.CalcFieldsSize(), (4 + 1) + (31 + 1));
  EXPECT_EQ(twice->FieldNo(), -1);
  EXPECT_EQ(twice->Offset(), 0);
  EXPECT_EQ(label->Offset(), 5);
  dataSet.AppendRecord({Variant(int32_t(21)), Variant("a")});
  EXPECT_EQ(twice->AsInteger(), 42);
  EXPECT_EQ(label->AsString(), "a!");

  dataSet.Edit();
  id->SetAsInteger(5);  // recalculated at once with AutoCalcFields
  EXPECT_EQ(twice->AsInteger(), 10);
  dataSet.SetAutoCalcFields(false);
  id->SetAsInteger(6);
  EXPECT_EQ(twice->AsInteger(), 10);
  dataSet.Post();  // re-read from the store: computed again
  EXPECT_EQ(twice->AsInteger(), 12);
  EXPECT_GT(calculations, 0);
  EXPECT_FALSE(twice->CanModify());
  dataSet.Close();
  EXPECT_EQ(dataSet.FieldCount(), 4);  // persistent fields stay
}

TEST(DataSetEditing, LookupFieldTakesItsValueFromAnotherDataSet) {
  TMemoryDataSet units;
  units.FieldDefs().Add("CODE", ftInteger);
  units.FieldDefs().Add("TITLE", ftString, 20);
  units.Open();
  units.AppendRecord({Variant(int32_t(1)), Variant("шт")});
  units.AppendRecord({Variant(int32_t(2)), Variant("кг")});

  TMemoryDataSet goods;
  goods.FieldDefs().Add("ID", ftInteger);
  goods.FieldDefs().Add("UNIT", ftInteger);
  for (const char* name : {"ID", "UNIT"}) {
    auto* field = new TIntegerField(&goods);
    field->SetFieldName(name);
    field->SetDataSet(&goods);
  }
  auto* unitTitle = new TStringField(&goods);
  unitTitle->SetFieldName("UNIT_TITLE");
  unitTitle->SetFieldKind(fkLookup);
  unitTitle->SetLookupDataSet(&units);
  unitTitle->SetKeyFields("UNIT");
  unitTitle->SetLookupKeyFields("CODE");
  unitTitle->SetLookupResultField("TITLE");
  unitTitle->SetDataSet(&goods);
  goods.Open();
  goods.AppendRecord({Variant(int32_t(1)), Variant(int32_t(2))});
  goods.AppendRecord({Variant(int32_t(2)), Variant(int32_t(7))});
  goods.First();
  EXPECT_EQ(unitTitle->AsString(), "кг");
  EXPECT_EQ(unitTitle->DisplayText(), "кг");
  goods.Next();
  EXPECT_TRUE(unitTitle->IsNull());
  goods.Edit();
  goods.FieldByName("UNIT")->SetAsInteger(1);
  EXPECT_EQ(unitTitle->AsString(), "шт");
  goods.Cancel();
  EXPECT_EQ(units.RecNo(), 2);  // the lookup never moved the other dataset
}

TEST(DataSetEditing, OldValueIsTheStoredRecordDuringAnEdit) {
  TMemoryDataSet dataSet;
  FillNumbered(dataSet, 1);
  TField* name = dataSet.FieldByName("NAME");
  dataSet.Edit();
  name->SetAsString("edited");
  EXPECT_EQ(name->OldValue().AsString(), "row 1");
  EXPECT_EQ(name->AsString(), "edited");
  EXPECT_EQ(dataSet.State(), dsEdit);
  dataSet.Post();
}

}  // namespace
}  // namespace morvane
