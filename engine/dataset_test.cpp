#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "engine/test_buffer.h"
#include "engine/test_dataset.h"
#include "engine/zelconst.h"
#include "platform/db/fields.h"
#include "platform/rtl/date_time.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/testing/error_of.h"
#include "platform/rtl/testing/temp_path.h"

namespace morvane {
namespace {

using namespace testing;
using namespace zelconst;

// Three people: ID, NAME (heap text), CODE (inline), SUM, DAY.
std::vector<char> People() {
  return TestBuffer()
      .Layout({"P.ID i", "P.NAME s60", "P.CODE 9", "P.SUM f", "P.DAY d"})
      .Record({Int(1), Text("Иванов"), Small("A1"), Dbl(1.5), Int(738000)})
      .Record({Int(3), Text("Петров"), Small("B2"), Absent(), Absent()})
      .Record({Int(2), Text("Сидоров"), Absent(), Dbl(-2), Absent()})
      .Bytes();
}

class DatasetTest : public ::testing::Test {
 protected:
  DatasetTest() : table_(People()) {}
  void SetUp() override {
    table_.OnNeedToSaveChange = [this](TDataSet*) { ++needToSaveEvents_; };
    table_.Open();
  }
  std::string Name() { return table_.FieldByName("NAME")->AsString(); }
  int Id() { return table_.FieldByName("ID")->AsInteger(); }

  RecordingRegistry registry_;
  MemoryDataset table_;
  int needToSaveEvents_ = 0;
};

TEST(DatasetOpen, EmptyBufferGivesAnActiveDatasetAtBofAndEof) {
  MemoryDataset table(TestBuffer().Layout({"T.ID i", "T.N s40"}).Bytes());
  table.Open();
  EXPECT_TRUE(table.Active());
  EXPECT_EQ(table.FieldCount(), 2);
  table.First();
  EXPECT_TRUE(table.Bof());
  EXPECT_TRUE(table.Eof());
  EXPECT_EQ(table.RecordCount(), 0);
}

TEST(DatasetOpen, LoadFailureRaisesTheReadersTextAndStaysClosed) {
  MemoryDataset table(TestBuffer().Layout({"T.ID i"}).Record({Raw(4, "12")}).Bytes());
  EXPECT_EQ(ErrorOf([&] { table.Open(); }),
            "Table1: Ошибка при открытии таблицы: Неожиданный конец буфера");
  EXPECT_FALSE(table.Active());
  EXPECT_EQ(table.Cursor(), nullptr);
}

TEST(DatasetOpen, FieldsFollowTheLayout) {
  MemoryDataset table(People());
  table.Open();
  EXPECT_EQ(table.FieldByName("ID")->DataType(), ftInteger);
  EXPECT_EQ(table.FieldByName("NAME")->Size(), 60);
  EXPECT_EQ(table.FieldByName("CODE")->Size(), 9);
  EXPECT_EQ(table.FieldByName("DAY")->DataType(), ftDate);
  EXPECT_EQ(dynamic_cast<TFloatField*>(table.FieldByName("SUM"))->DisplayFormat(), "0.###");
  EXPECT_EQ(table.FieldByName("NAME")->FieldNo(), 2);
}

TEST_F(DatasetTest, RegistersWithTheSessionWhileOpen) {
  table_.Close();
  EXPECT_EQ(registry_.calls, (std::vector<std::string>{"Add", "Delete"}));
}

TEST_F(DatasetTest, RecNoIsClampedToTheView) {
  table_.SetRecNo(0);
  EXPECT_EQ(table_.RecNo(), 1);
  table_.SetRecNo(99);
  EXPECT_EQ(table_.RecNo(), 3);
  EXPECT_EQ(Id(), 2);
  table_.First();
  table_.Next();
  EXPECT_EQ(Name(), "Петров");
}

TEST_F(DatasetTest, BookmarksReturnToTheirRecord) {
  table_.SetRecNo(2);
  TBookmark mark = table_.GetBookmark();
  table_.First();
  EXPECT_TRUE(table_.BookmarkValid(mark));
  table_.GotoBookmark(mark);
  EXPECT_EQ(Name(), "Петров");
  EXPECT_EQ(table_.CompareBookmarks(mark, mark), 0);
  EXPECT_EQ(table_.CompareBookmarks({}, mark), -1);
}

// A view larger than the stretch searched around the current record first:
// bookmarks near and far, on both sides, and a walk that edits every record.
TEST(DatasetLargeView, BookmarksAndEditsFindTheirRecordNearAndFar) {
  TestBuffer buffer;
  buffer.Layout({"T.ID i", "T.N s40"});
  constexpr int kRecords = 1000;
  for (int id = 1; id <= kRecords; ++id) buffer.Record({Int(id), Text("v")});
  MemoryDataset table(buffer.Bytes());
  table.Open();
  TField* id = table.FieldByName("ID");
  std::vector<TBookmark> marks;
  for (table.First(); !table.Eof(); table.Next()) marks.push_back(table.GetBookmark());
  ASSERT_EQ(marks.size(), size_t(kRecords));
  for (int from : {1, 500, 1000}) {
    for (int to : {1, 2, 129, 130, 499, 501, 630, 700, 999, 1000}) {
      table.SetRecNo(from);
      ASSERT_TRUE(table.BookmarkValid(marks[size_t(to - 1)]));
      table.GotoBookmark(marks[size_t(to - 1)]);
      EXPECT_EQ(id->AsInteger(), to) << "from " << from;
      EXPECT_EQ(table.RecNo(), to) << "from " << from;
    }
  }
  for (table.First(); !table.Eof(); table.Next()) {
    table.Edit();
    table.FieldByName("N")->SetAsString("w" + id->AsString());
    table.Post();
  }
  int seen = 0;
  for (table.First(); !table.Eof(); table.Next()) {
    ++seen;
    EXPECT_EQ(id->AsInteger(), seen);
    EXPECT_EQ(table.FieldByName("N")->AsString(), "w" + std::to_string(seen));
  }
  EXPECT_EQ(seen, kRecords);
  table.SetRecNo(900);
  table.Delete();
  EXPECT_FALSE(table.BookmarkValid(marks[899]));
  table.SetRecNo(1);
  EXPECT_FALSE(table.BookmarkValid(marks[899]));
}

TEST_F(DatasetTest, NullRulesFollowTheFieldType) {
  table_.SetRecNo(2);                                 // SUM and DAY absent, CODE present
  EXPECT_FALSE(table_.FieldByName("SUM")->IsNull());  // a zero double reads as 0
  EXPECT_EQ(table_.FieldByName("SUM")->AsFloat(), 0.0);
  EXPECT_TRUE(table_.FieldByName("DAY")->IsNull());  // a zero date reads as null
  table_.SetRecNo(3);
  EXPECT_TRUE(table_.FieldByName("CODE")->IsNull());

  table_.Edit();
  table_.FieldByName("CODE")->Clear();
  table_.FieldByName("NAME")->SetAsString("");
  table_.FieldByName("ID")->Clear();
  EXPECT_TRUE(table_.FieldByName("CODE")->IsNull());
  EXPECT_TRUE(table_.FieldByName("NAME")->IsNull());
  EXPECT_FALSE(table_.FieldByName("ID")->IsNull());
  table_.Post();
  EXPECT_EQ(SlotRef(table_.ViewRecord(2)->Data.get() + table_.Cursor()->GetFieldInfo(1)->Offset),
            nullptr);
}

// Numbers are read straight from their slot in whatever record the state
// reads: the shown record, the one a filter looks at, the values before an
// edit, a new record; without a record they are null.
TEST_F(DatasetTest, NumbersReadTheRecordOfEveryState) {
  TField* id = table_.FieldByName("ID");
  TField* sum = table_.FieldByName("SUM");
  std::vector<double> filtered;
  table_.OnFilterRecord = [&](TDataSet*, bool& accept) {
    filtered.push_back(sum->AsFloat());
    accept = id->AsInteger() != 2;
  };
  table_.SetFiltered(true);
  EXPECT_EQ(filtered, (std::vector<double>{1.5, 0.0, -2.0}));
  EXPECT_EQ(table_.RecordCount(), 2);

  table_.First();
  table_.Edit();
  sum->SetAsFloat(7.25);
  id->SetAsInteger(9);
  EXPECT_EQ(sum->AsFloat(), 7.25);
  EXPECT_EQ(sum->OldValue().AsDouble(), 1.5);
  EXPECT_EQ(id->OldValue().AsInteger(), 1);
  table_.Cancel();
  EXPECT_EQ(sum->AsFloat(), 1.5);

  table_.Append();
  EXPECT_FALSE(sum->IsNull());
  EXPECT_EQ(sum->AsFloat(), 0.0);
  EXPECT_EQ(id->AsInteger(), 0);
  table_.Cancel();

  table_.OnFilterRecord = [](TDataSet*, bool& accept) { accept = false; };
  table_.SetFiltered(false);
  table_.SetFiltered(true);
  EXPECT_TRUE(table_.IsEmpty());
  EXPECT_TRUE(sum->IsNull());
  EXPECT_TRUE(id->IsNull());
}

TEST(DatasetValues, HeapTextLongerThanDeclaredIsCutToTheFieldSize) {
  MemoryDataset table(
      TestBuffer().Layout({"T.N s40"}).Record({Text(std::string(100, 'x'))}).Bytes());
  table.Open();
  EXPECT_EQ(table.FieldByName("N")->AsString(), std::string(40, 'x'));
}

TEST(DatasetValues, InlineTextFillingItsSlotIsCutAtACharacter) {
  // Declared 3 bytes, delivered 4: the field gets the first 3.
  MemoryDataset table(TestBuffer().Layout({"T.C 3"}).Record({Raw(4, "aЖb")}).Bytes());
  table.Open();
  EXPECT_EQ(table.FieldByName("C")->AsString(), "aЖ");
  // Declared 2, delivered 3: two bytes would end inside the letter Ж.
  MemoryDataset cut(TestBuffer().Layout({"T.C 2"}).Record({Raw(3, "aЖ")}).Bytes());
  cut.Open();
  EXPECT_EQ(cut.FieldByName("C")->AsString(), "a");
}

TEST_F(DatasetTest, EditPostEditCancelKeepsThePostedValues) {
  table_.Edit();
  table_.FieldByName("NAME")->SetAsString("Иванова");
  table_.Post();
  EXPECT_EQ(table_.UpdateStatus(), usModified);
  table_.Edit();
  table_.FieldByName("NAME")->SetAsString("Иванченко");
  table_.Cancel();
  EXPECT_EQ(Name(), "Иванова");
  EXPECT_EQ(table_.UpdateStatus(), usModified);
  EXPECT_EQ(table_.ChangeCount(), 1);
  EXPECT_EQ(needToSaveEvents_, 1);
  // The values before the first edit are still there for undoing everything.
  table_.CancelUpdates();
  EXPECT_EQ(Name(), "Иванов");
  EXPECT_EQ(table_.UpdateStatus(), usUnmodified);
  EXPECT_EQ(needToSaveEvents_, 2);
}

TEST_F(DatasetTest, CancelledFirstEditLeavesNothingPending) {
  table_.Edit();
  table_.FieldByName("NAME")->SetAsString("x");
  table_.Cancel();
  EXPECT_EQ(Name(), "Иванов");
  EXPECT_EQ(table_.ChangeCount(), 0);
  EXPECT_EQ(table_.Cursor()->UndoData(table_.ViewRecord(0)), nullptr);
  EXPECT_EQ(needToSaveEvents_, 2);  // to 1 and back to 0
  EXPECT_EQ(registry_.calls, (std::vector<std::string>{"Add", "AddUpdated", "DeleteUpdated"}));
}

TEST_F(DatasetTest, ChangeCounterCountsEditsInsertsAndDeletes) {
  table_.Edit();
  table_.FieldByName("ID")->SetAsInteger(10);
  table_.Post();
  table_.Append();
  table_.FieldByName("ID")->SetAsInteger(4);
  table_.Post();
  table_.Delete();
  EXPECT_EQ(table_.ChangeCount(), 3);
  EXPECT_EQ(needToSaveEvents_, 1);
  EXPECT_TRUE(table_.GetNeedToSave());
  table_.CommitUpdates();
  EXPECT_EQ(table_.ChangeCount(), 0);
  EXPECT_EQ(needToSaveEvents_, 2);
  table_.CommitUpdates();  // nothing pending: no event
  table_.CancelUpdates();
  EXPECT_EQ(needToSaveEvents_, 2);
}

TEST_F(DatasetTest, CancellingAnInsertTakesBackItsCount) {
  table_.Insert();
  EXPECT_EQ(table_.ChangeCount(), 1);
  table_.Cancel();
  EXPECT_EQ(table_.ChangeCount(), 0);
  EXPECT_EQ(table_.RecordCount(), 3);
}

TEST_F(DatasetTest, InsertIntoUnindexedViewGoesToTheEnd) {
  table_.First();
  table_.Insert();
  table_.FieldByName("ID")->SetAsInteger(7);
  table_.Post();
  EXPECT_EQ(table_.RecNo(), 4);
  EXPECT_EQ(table_.Cursor()->Status(table_.ViewRecord(3)), zusInserted);
  EXPECT_EQ(table_.UpdateStatus(), usInserted);
}

TEST(DatasetSort, InsertedRecordGoesBeforeEqualKeys) {
  MemoryDataset table(
      TestBuffer().Layout({"T.ID i"}).Record({Int(3)}).Record({Int(1)}).Record({Int(3)}).Bytes());
  table.SetIndexFieldNames("ID");
  table.Open();
  table.Append();
  table.FieldByName("ID")->SetAsInteger(3);
  table.Post();
  EXPECT_EQ(table.RecNo(), 2);
  EXPECT_EQ(table.Cursor()->Status(table.ViewRecord(1)), zusInserted);
  EXPECT_TRUE(table.Sorted());
}

TEST(DatasetSort, EditingTheKeyLeavesTheRecordAndClearsSorted) {
  MemoryDataset table(
      TestBuffer().Layout({"T.ID i"}).Record({Int(1)}).Record({Int(2)}).Record({Int(3)}).Bytes());
  table.SetIndexFieldNames("ID");
  table.Open();
  table.Edit();
  table.FieldByName("ID")->SetAsInteger(9);
  table.Post();
  EXPECT_EQ(table.RecNo(), 1);
  EXPECT_FALSE(table.Sorted());
}

TEST_F(DatasetTest, DeleteHidesTheRecordAndCancelUpdatesBringsItBack) {
  table_.SetRecNo(2);
  table_.Delete();
  EXPECT_EQ(table_.RecordCount(), 2);
  EXPECT_EQ(table_.Cursor()->GetRecordCount(), 3);
  table_.CancelUpdates();
  EXPECT_EQ(table_.RecordCount(), 3);
  EXPECT_EQ(table_.Cursor()->StatusAt(1), zusUnmodified);
}

TEST_F(DatasetTest, ReadOnlyDatasetRefusesChanges) {
  table_.SetReadOnly(true);
  EXPECT_EQ(ErrorOf([&] { table_.Edit(); }),
            "Table1: Запись только для чтения! Она не может быть изменена!");
  EXPECT_EQ(ErrorOf([&] { table_.Insert(); }),
            "Table1: Вы имеете доступ только для чтения, и не можете добавлять записи!");
  EXPECT_EQ(ErrorOf([&] { table_.Delete(); }),
            "Table1: Запись только для чтения! Она не может быть удалена!");
  EXPECT_EQ(table_.ChangeCount(), 0);
}

TEST_F(DatasetTest, ReadOnlyMessagesReachCallersOfTheFrameworkBase) {
  // Grids and edit controls hold a TDataSet*: they must see the same texts.
  table_.SetReadOnly(true);
  TDataSet& base = table_;
  EXPECT_EQ(ErrorOf([&] { base.Edit(); }),
            "Table1: Запись только для чтения! Она не может быть изменена!");
  EXPECT_EQ(ErrorOf([&] { base.Insert(); }),
            "Table1: Вы имеете доступ только для чтения, и не можете добавлять записи!");
  EXPECT_EQ(ErrorOf([&] { base.Append(); }),
            "Table1: Вы имеете доступ только для чтения, и не можете добавлять записи!");
  EXPECT_EQ(ErrorOf([&] { base.Delete(); }),
            "Table1: Запись только для чтения! Она не может быть удалена!");
  EXPECT_EQ(base.State(), dsBrowse);
  EXPECT_EQ(table_.ChangeCount(), 0);
}

TEST(DatasetReadOnly, EditOfAnEmptyReadOnlyDatasetIsRefusedAsAnInsert) {
  MemoryDataset table(TestBuffer().Layout({"T.ID i"}).Bytes());
  table.Open();
  table.SetReadOnly(true);
  TDataSet& base = table;
  EXPECT_EQ(ErrorOf([&] { base.Edit(); }),
            "Table1: Вы имеете доступ только для чтения, и не можете добавлять записи!");
  table.Close();
  EXPECT_EQ(ErrorOf([&] { base.Edit(); }),
            "Table1: Cannot perform this operation on a closed dataset");
}

// Insert (unlike Append) opens the new record at a neighbour; the new record
// must not borrow that neighbour's status or undo copy.
TEST_F(DatasetTest, InsertedRecordShowsNoneOfItsNeighboursChanges) {
  table_.Edit();
  table_.FieldByName("NAME")->SetAsString("Смирнов");
  table_.Post();
  ASSERT_EQ(table_.UpdateStatus(), usModified);
  table_.Insert();
  EXPECT_EQ(table_.UpdateStatus(), usUnmodified);
  EXPECT_FALSE(table_.IsChanged("NAME"));
  EXPECT_TRUE(table_.FieldByName("NAME")->OldValue().IsNull());
  table_.FieldByName("ID")->SetAsInteger(9);
  table_.FieldByName("NAME")->SetAsString("Новиков");
  table_.Post();
  EXPECT_EQ(table_.UpdateStatus(), usInserted);
  EXPECT_EQ(Name(), "Новиков");
  // The neighbour kept its own change.
  table_.First();
  EXPECT_EQ(Name(), "Смирнов");
  EXPECT_EQ(table_.UpdateStatus(), usModified);
  EXPECT_TRUE(table_.IsChanged("NAME"));
}

TEST_F(DatasetTest, WritingOutsideEditingIsRefused) {
  EXPECT_EQ(ErrorOf([&] { table_.SetFieldData(table_.FieldByName("ID"), nullptr); }),
            "Table1: Table is not in edit or insert mode");
  EXPECT_EQ(ErrorOf([&] { table_.SetListOfFields("ID", {Variant(int32_t(1))}); }),
            "Table1: Table is not in edit or insert mode");
}

TEST_F(DatasetTest, SetListOfFieldsAssignsInOrder) {
  table_.Edit();
  table_.SetListOfFields("name;ID", {Variant("Смирнов"), Variant(int32_t(42)), Variant(1.0)});
  table_.Post();
  EXPECT_EQ(Name(), "Смирнов");
  EXPECT_EQ(Id(), 42);
  EXPECT_TRUE(table_.IsChanged("NAME"));
  EXPECT_FALSE(table_.IsChanged("SUM"));
  EXPECT_FALSE(table_.IsChanged("NOSUCHFIELD"));
  table_.CommitUpdates();
  EXPECT_FALSE(table_.IsChanged("NAME"));
  EXPECT_TRUE(table_.ExistField("code"));
}

TEST(DatasetDefaults, TodayAndNowFillNewRecords) {
  MemoryDataset table(TestBuffer().Layout({"T.DAY d", "T.AT t", "T.N s40"}).Bytes());
  auto* day = new TDateField(&table);
  day->SetFieldName("DAY");
  day->SetDefaultExpression("TODAY");
  day->SetDataSet(&table);
  auto* at = new TDateTimeField(&table);
  at->SetFieldName("AT");
  at->SetDefaultExpression("NOW");
  at->SetDataSet(&table);
  auto* name = new TStringField(&table);
  name->SetFieldName("N");
  name->SetSize(40);
  name->SetDefaultExpression("нет");
  name->SetDataSet(&table);
  table.Open();
  TDateTime before = Now();
  table.Append();
  EXPECT_EQ(day->AsDateTime(), Date());
  EXPECT_GE(at->AsDateTime(), before - 1.0 / 86400);
  EXPECT_EQ(name->AsString(), "нет");
}

TEST_F(DatasetTest, SaveToFilePostsThePendingEditAndLeavesDeletedOut) {
  std::string fileName = testing_support::TestTempPath("engine-dataset.d");
  table_.Delete();
  table_.Edit();
  table_.FieldByName("NAME")->SetAsString("Новое");
  table_.SaveToFile(fileName);
  EXPECT_EQ(table_.State(), dsBrowse);
  MemoryDataset reloaded(ReadWholeFile(fileName));
  reloaded.Open();
  EXPECT_EQ(reloaded.RecordCount(), 2);
  EXPECT_EQ(reloaded.FieldByName("NAME")->AsString(), "Новое");
  std::filesystem::remove(fileName);
}

TEST_F(DatasetTest, RefreshFindsTheRecordAgainByItsUniqueFields) {
  table_.SetUniqueFieldNames("ID");
  table_.SetRecNo(3);
  table_.Refresh();
  EXPECT_EQ(Id(), 2);
  // The record is gone from the new data: the dataset stands before the first.
  table_.SetBuffer(TestBuffer()
                       .Layout({"P.ID i", "P.NAME s60", "P.CODE 9", "P.SUM f", "P.DAY d"})
                       .Record({Int(1), Text("Иванов"), Absent(), Absent(), Absent()})
                       .Bytes());
  table_.Refresh();
  EXPECT_EQ(table_.RecordCount(), 1);
  EXPECT_EQ(Id(), 1);
}

TEST_F(DatasetTest, RefreshAppliesPendingChangesFirst) {
  table_.Edit();
  table_.FieldByName("ID")->SetAsInteger(5);
  table_.Post();
  table_.Refresh();
  EXPECT_EQ(table_.appliedCount, 1);
  EXPECT_EQ(table_.ChangeCount(), 0);
}

// A refresh whose reload fails (lost connection, a damaged or changed
// reply, open clones) leaves the records, the change state and the view as
// they were, so nothing is shown empty and nothing is sent twice.
struct FailedReload {
  const char* description;
  std::function<void(MemoryDataset& table)> breakReload;
  std::string expectedError;
};

void PrintTo(const FailedReload& value, std::ostream* out) {
  *out << value.description;
}

class FailedReloadTest : public DatasetTest, public ::testing::WithParamInterface<FailedReload> {};

TEST_P(FailedReloadTest, KeepsRecordsViewAndChangeState) {
  table_.SetIndexFieldNames("ID");
  table_.Last();  // ID 3, Петров
  GetParam().breakReload(table_);
  EXPECT_EQ(ErrorOf([&] { table_.Refresh(); }), GetParam().expectedError);
  ASSERT_NE(table_.Cursor(), nullptr);
  EXPECT_EQ(table_.RecordCount(), 3);
  EXPECT_EQ(Id(), 3);
  EXPECT_EQ(Name(), "Петров");
  // Editing the row shown stores what it shows, not an emptied buffer.
  table_.Edit();
  table_.FieldByName("CODE")->SetAsString("C3");
  table_.Post();
  EXPECT_EQ(Name(), "Петров");
  EXPECT_EQ(table_.Cursor()->GetFieldText(*table_.Cursor()->GetFieldInfo(1), *table_.ViewRecord(2),
                                          false),
            "Петров");
  // The view still follows a new order (the dataset counts as open).
  int scrolls = 0;
  table_.AfterScroll = [&](TDataSet*) { ++scrolls; };
  table_.SetIndexFieldNames("NAME");
  EXPECT_GT(scrolls, 0);
  EXPECT_EQ(Name(), "Петров");
}

INSTANTIATE_TEST_SUITE_P(
    Causes, FailedReloadTest,
    ::testing::Values(
        FailedReload{"damaged reply",
                     [](MemoryDataset& table) {
                       table.SetBuffer(TestBuffer().Layout({"P.ID i"}).RecordCount(1).Bytes());
                     },
                     "Table1: Ошибка при открытии таблицы: Число прочитанных записей (0) не "
                     "равно объявленному (1)"},
        // The table changed between open and refresh: fields and buffers were
        // laid out for the old slots and cannot show the new ones.
        FailedReload{
            "another layout",
            [](MemoryDataset& table) {
              table.SetBuffer(
                  TestBuffer()
                      .Layout({"P.NAME s200", "P.NOTE m", "P.CODE Z", "P.MORE Z", "P.ID i"})
                      .Record({Text("Иванов"), Blob("note"), Small("A"), Small("B"), Int(1)})
                      .Bytes());
            },
            std::string("Table1: ") + _Z_OPENTABLE + _Z_LAYOUTCHANGED}),
    [](const ::testing::TestParamInfo<FailedReload>& info) {
      return info.param.description[0] == 'd' ? "DamagedReply" : "AnotherLayout";
    });

TEST_F(DatasetTest, ChangesAppliedBeforeAFailedReloadAreNotSentAgain) {
  table_.Edit();
  table_.FieldByName("NAME")->SetAsString("Смирнов");
  table_.Post();
  table_.SetBuffer(TestBuffer().Layout({"P.ID i"}).RecordCount(1).Bytes());
  EXPECT_THROW(table_.Refresh(), EDatabaseError);
  EXPECT_EQ(table_.appliedCount, 1);
  // They reached their destination: the records keep them, as accepted.
  EXPECT_EQ(Name(), "Смирнов");
  EXPECT_EQ(table_.UpdateStatus(), usUnmodified);
  EXPECT_EQ(table_.ChangeCount(), 0);
  EXPECT_EQ(registry_.calls.back(), "DeleteUpdated");
  table_.SetBuffer(People());
  table_.Refresh();
  EXPECT_EQ(table_.appliedCount, 1);
}

TEST_F(DatasetTest, ReloadWithAnotherLayoutLeavesTheTableUsableAfterReopening) {
  table_.SetBuffer(TestBuffer()
                       .Layout({"P.NAME s200", "P.NOTE m", "P.CODE Z", "P.MORE Z", "P.ID i"})
                       .Record({Text("Иванов"), Blob("note"), Small("A"), Small("B"), Int(1)})
                       .Bytes());
  EXPECT_THROW(table_.Refresh(), EDatabaseError);
  // Closing releases the old fields and leaves the session; opening again
  // takes the new layout.
  table_.Close();
  EXPECT_EQ(registry_.calls.back(), "Delete");
  table_.Open();
  EXPECT_EQ(table_.FieldByName("NAME")->AsString(), "Иванов");
}

TEST_F(DatasetTest, BlobStreamWrittenWithNoBytesReadsAsNoValue) {
  MemoryDataset notes(TestBuffer().Layout({"T.M m"}).Record({Blob("text")}).Bytes());
  notes.Open();
  TField* memo = notes.FieldByName("M");
  notes.Edit();
  notes.CreateBlobStream(memo, bmReadWrite).reset();  // nothing written: unchanged
  EXPECT_EQ(memo->AsString(), "text");
  {
    auto stream = notes.CreateBlobStream(memo, bmReadWrite);
    stream->SetSize(0);
  }
  EXPECT_TRUE(memo->IsNull());
  notes.Post();
  const char* slot = notes.ViewRecord(0)->Data.get();
  EXPECT_EQ(SlotBlobLength(slot), 0);
  EXPECT_EQ(notes.Cursor()->SaveToBuffer(),
            TestBuffer().Layout({"T.M m"}).Record({Absent()}).Bytes());
}

TEST_F(DatasetTest, BlobStreamWritesReplaceTheBlob) {
  MemoryDataset notes(TestBuffer().Layout({"T.M m"}).Record({Absent()}).Bytes());
  notes.Open();
  TField* memo = notes.FieldByName("M");
  EXPECT_EQ(ErrorOf([&] { notes.CreateBlobStream(memo, bmWrite); }),
            "Table1: Table is not in edit or insert mode");
  notes.Edit();
  notes.CreateBlobStream(memo, bmWrite)->WriteString("новый текст");
  notes.Post();
  EXPECT_EQ(memo->AsString(), "новый текст");
}

}  // namespace
}  // namespace morvane
