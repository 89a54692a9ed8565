#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/db/data_link.h"
#include "platform/db/data_source.h"
#include "platform/db/testing/memory_dataset.h"
#include "platform/db/testing/sample_data.h"
#include "platform/rtl/exceptions.h"

namespace morvane {
namespace {

using testing::AllIds;
using testing::FillNumbered;
using testing::TMemoryDataSet;

// Records every notification as text.
class RecordingLink : public TDataLink {
 public:
  std::vector<std::string> log;
  std::vector<int> scrolls;

  // IDs of the records in the link's view, first row first.
  std::vector<int> Window() {
    std::vector<int> ids;
    int saved = ActiveRecord();
    for (int row = 0; row < RecordCount(); ++row) {
      SetActiveRecord(row);
      ids.push_back(DataSet()->FieldByName("ID")->AsInteger());
    }
    SetActiveRecord(saved);
    return ids;
  }

 protected:
  void ActiveChanged() override { log.push_back(Active() ? "active" : "inactive"); }
  void DataSetChanged() override { log.push_back("changed"); }
  void DataSetScrolled(int distance) override {
    scrolls.push_back(distance);
    log.push_back("scrolled " + std::to_string(distance));
  }
  void EditingChanged() override { log.push_back(Editing() ? "editing" : "not editing"); }
  void RecordChanged(TField* field) override {
    log.push_back(field ? "record " + field->FieldName() : "record");
  }
  void LayoutChanged() override { log.push_back("layout"); }
  void UpdateData() override { log.push_back("update data"); }
};

struct Linked {
  TMemoryDataSet dataSet;
  TDataSource source;
  RecordingLink link;
  Linked(int records, int bufferCount) {
    link.SetBufferCount(bufferCount);
    link.SetDataSource(&source);
    source.SetDataSet(&dataSet);
    FillNumbered(dataSet, records);
    link.log.clear();
  }
};

TEST(DataLink, ScrollsAWindowOfFiveThroughAHundredRecords) {
  Linked fixture(100, 5);
  RecordingLink& link = fixture.link;
  EXPECT_EQ(fixture.dataSet.BufferCount(), 5);
  EXPECT_EQ(link.Window(), (std::vector<int>{1, 2, 3, 4, 5}));

  for (int id = 2; id <= 100; ++id) {
    fixture.dataSet.Next();
    int expectedDistance = id <= 5 ? 0 : 1;
    ASSERT_EQ(link.scrolls.back(), expectedDistance) << "moving to " << id;
    int first = std::max(1, id - 4);
    ASSERT_EQ(link.Window(), (std::vector<int>{first, first + 1, first + 2, first + 3, first + 4}))
        << "at " << id;
    ASSERT_EQ(link.ActiveRecord(), id - first);
  }
  EXPECT_EQ(link.scrolls.size(), 99u);
  fixture.dataSet.Next();
  EXPECT_TRUE(fixture.dataSet.Eof());

  link.scrolls.clear();
  for (int id = 99; id >= 1; --id) {
    fixture.dataSet.Prior();
    int expectedDistance = id >= 96 ? 0 : -1;
    ASSERT_EQ(link.scrolls.back(), expectedDistance) << "moving back to " << id;
    int first = std::min(id, 96);
    ASSERT_EQ(link.Window().front(), first) << "at " << id;
    ASSERT_EQ(fixture.dataSet.FieldByName("ID")->AsInteger(), id);
  }
}

// A window of one buffer moves by the short path; its links and events must
// see what a full wider window shows them: a scroll by one row per record,
// none at the ends, and BeforeScroll/AfterScroll around every move that can
// happen.
TEST(DataLink, AWindowOfOneScrollsOneRowPerRecordBothWays) {
  Linked fixture(4, 1);
  RecordingLink& link = fixture.link;
  TMemoryDataSet& dataSet = fixture.dataSet;
  std::vector<std::string> scrollEvents;
  dataSet.BeforeScroll = [&](TDataSet*) { scrollEvents.push_back("before"); };
  dataSet.AfterScroll = [&](TDataSet*) { scrollEvents.push_back("after"); };
  for (int id = 2; id <= 4; ++id) {
    ASSERT_EQ(dataSet.MoveBy(1), 1);
    ASSERT_EQ(link.scrolls.back(), 1) << "moving to " << id;
    ASSERT_EQ(link.Window(), (std::vector<int>{id}));
    ASSERT_FALSE(dataSet.Bof() || dataSet.Eof());
  }
  EXPECT_EQ(dataSet.MoveBy(1), 0);
  EXPECT_EQ(link.scrolls.back(), 0);
  EXPECT_TRUE(dataSet.Eof());
  EXPECT_EQ(dataSet.MoveBy(1), 0);  // at Eof nothing moves and nothing fires
  EXPECT_EQ(scrollEvents.size(), 8u);
  EXPECT_EQ(link.scrolls.size(), 4u);
  for (int id = 3; id >= 1; --id) {
    ASSERT_EQ(dataSet.MoveBy(-1), -1);
    ASSERT_EQ(link.scrolls.back(), -1) << "moving back to " << id;
    ASSERT_EQ(link.Window(), (std::vector<int>{id}));
    ASSERT_FALSE(dataSet.Eof());
  }
  EXPECT_EQ(dataSet.MoveBy(-1), 0);
  EXPECT_TRUE(dataSet.Bof());
  EXPECT_EQ(dataSet.FieldByName("ID")->AsInteger(), 1);
  EXPECT_EQ(dataSet.RecNo(), 1);
  EXPECT_EQ(scrollEvents.size(), 16u);

  // Held back while controls are disabled, then one redraw.
  link.log.clear();
  dataSet.DisableControls();
  dataSet.Next();
  dataSet.Next();
  dataSet.Prior();
  dataSet.EnableControls();
  EXPECT_EQ(link.log, (std::vector<std::string>{"changed"}));
  EXPECT_EQ(link.Window(), (std::vector<int>{2}));
}

TEST(DataLink, LongJumpsReportTheWholeDistanceAndRedrawOnReposition) {
  Linked fixture(100, 5);
  fixture.dataSet.MoveBy(20);  // to 21: four steps inside, then 16 fetched
  EXPECT_EQ(fixture.link.scrolls.back(), 16);
  EXPECT_EQ(fixture.link.Window(), (std::vector<int>{17, 18, 19, 20, 21}));
  fixture.link.log.clear();
  fixture.dataSet.SetRecNo(50);  // centred
  EXPECT_EQ(fixture.link.log, (std::vector<std::string>{"changed"}));
  EXPECT_EQ(fixture.link.Window(), (std::vector<int>{48, 49, 50, 51, 52}));
  EXPECT_EQ(fixture.link.ActiveRecord(), 2);
  fixture.dataSet.Last();
  EXPECT_EQ(fixture.link.Window(), (std::vector<int>{96, 97, 98, 99, 100}));
  EXPECT_EQ(fixture.link.ActiveRecord(), 4);
}

TEST(DataLink, DataSetWindowIsTheLargestBufferCountOfItsLinks) {
  Linked fixture(30, 3);
  RecordingLink wide;
  wide.SetDataSource(&fixture.source);
  wide.SetBufferCount(10);
  EXPECT_EQ(fixture.dataSet.BufferCount(), 10);
  EXPECT_EQ(wide.Window().size(), 10u);
  fixture.dataSet.MoveBy(12);
  EXPECT_EQ(fixture.link.Window(), (std::vector<int>{11, 12, 13}));
  EXPECT_EQ(wide.Window().back(), 13);
  wide.SetDataSource(nullptr);
  EXPECT_EQ(fixture.dataSet.BufferCount(), 3);
  EXPECT_EQ(fixture.dataSet.FieldByName("ID")->AsInteger(), 13);
  EXPECT_EQ(fixture.link.Window(), (std::vector<int>{11, 12, 13}));

  // Shrinking to fewer rows than the narrow link shows keeps it valid too.
  wide.SetDataSource(&fixture.source);
  fixture.dataSet.Last();
  EXPECT_EQ(fixture.link.Window(), (std::vector<int>{28, 29, 30}));
  fixture.link.SetBufferCount(1);
  wide.SetBufferCount(1);
  EXPECT_EQ(fixture.dataSet.BufferCount(), 1);
  EXPECT_EQ(fixture.link.Window(), (std::vector<int>{30}));
  EXPECT_EQ(wide.Window(), (std::vector<int>{30}));
  EXPECT_EQ(fixture.link.ActiveRecord(), 0);
}

TEST(DataLink, FollowsStateAndEditing) {
  Linked fixture(3, 1);
  RecordingLink& link = fixture.link;
  fixture.dataSet.Edit();
  fixture.dataSet.FieldByName("NAME")->SetAsString("changed");
  fixture.dataSet.Post();
  EXPECT_EQ(link.log, (std::vector<std::string>{"editing", "record", "record NAME", "update data",
                                                "not editing", "changed"}));
  fixture.dataSet.Close();
  EXPECT_FALSE(link.Active());
  EXPECT_EQ(link.log.back(), "inactive");
  fixture.dataSet.Open();
  EXPECT_TRUE(link.Active());
}

TEST(DataLink, DisableControlsHoldsNotificationsUntilEnabled) {
  Linked fixture(10, 3);
  RecordingLink& link = fixture.link;
  int sourceChanges = 0;
  fixture.source.OnDataChange = [&](TDataSource*, TField*) { ++sourceChanges; };
  fixture.dataSet.DisableControls();
  fixture.dataSet.DisableControls();
  EXPECT_TRUE(fixture.dataSet.ControlsDisabled());
  fixture.dataSet.Next();
  fixture.dataSet.Last();
  fixture.dataSet.Edit();
  fixture.dataSet.FieldByName("NAME")->SetAsString("x");
  fixture.dataSet.Post();
  fixture.dataSet.EnableControls();
  EXPECT_TRUE(link.log.empty());
  EXPECT_EQ(sourceChanges, 0);
  fixture.dataSet.EnableControls();
  EXPECT_FALSE(fixture.dataSet.ControlsDisabled());
  EXPECT_EQ(link.log, (std::vector<std::string>{"changed"}));
  EXPECT_EQ(sourceChanges, 1);
  EXPECT_EQ(link.Window(), (std::vector<int>{8, 9, 10}));
}

TEST(DataLink, ClosingWhileDisabledIsReportedAsLayoutChange) {
  Linked fixture(5, 1);
  fixture.dataSet.DisableControls();
  fixture.dataSet.Close();
  fixture.dataSet.Open();
  fixture.dataSet.EnableControls();
  EXPECT_EQ(fixture.link.log, (std::vector<std::string>{"layout"}));
}

TEST(DataLink, AutoEditPutsTheDataSetIntoEditState) {
  Linked fixture(2, 1);
  fixture.source.SetAutoEdit(false);
  EXPECT_FALSE(fixture.link.Edit());
  EXPECT_EQ(fixture.dataSet.State(), dsBrowse);
  fixture.source.SetAutoEdit(true);
  EXPECT_TRUE(fixture.link.Edit());
  EXPECT_EQ(fixture.dataSet.State(), dsEdit);
  fixture.link.SetReadOnly(true);
  EXPECT_FALSE(fixture.link.Editing());
}

TEST(DataLink, DisabledDataSourceMakesItsLinksInactive) {
  Linked fixture(2, 1);
  std::vector<TDataSetState> states;
  fixture.source.OnStateChange = [&](TDataSource* source) { states.push_back(source->State()); };
  fixture.source.SetEnabled(false);
  EXPECT_FALSE(fixture.link.Active());
  EXPECT_EQ(fixture.source.State(), dsInactive);
  fixture.source.SetEnabled(true);
  EXPECT_TRUE(fixture.link.Active());
  fixture.dataSet.Edit();
  EXPECT_EQ(states, (std::vector<TDataSetState>{dsInactive, dsBrowse, dsEdit}));
}

TEST(FieldDataLink, TracksItsFieldAndWritesBackOnlyWhenModified) {
  Linked fixture(3, 1);
  TFieldDataLink link;
  int dataChanges = 0, updates = 0;
  std::vector<bool> editing;
  link.OnDataChange = [&] { ++dataChanges; };
  link.OnEditingChange = [&] { editing.push_back(link.Editing()); };
  link.OnUpdateData = [&] {
    ++updates;
    link.Field()->SetAsString("typed");
  };
  link.SetFieldName("NAME");
  link.SetDataSource(&fixture.source);
  ASSERT_EQ(link.Field(), fixture.dataSet.FieldByName("NAME"));
  dataChanges = 0;
  fixture.dataSet.Next();
  EXPECT_EQ(dataChanges, 1);
  EXPECT_TRUE(link.Edit());
  link.SetModified();
  fixture.dataSet.Post();
  EXPECT_EQ(updates, 1);
  EXPECT_EQ(fixture.dataSet.FieldByName("NAME")->AsString(), "typed");
  EXPECT_EQ(editing, (std::vector<bool>{true, false}));
  fixture.dataSet.Edit();
  fixture.dataSet.Post();  // nothing typed: no write-back
  EXPECT_EQ(updates, 1);
  fixture.dataSet.FieldByName("ID")->SetReadOnly(true);
  link.SetFieldName("ID");
  EXPECT_FALSE(link.Edit());
  EXPECT_EQ(fixture.dataSet.State(), dsBrowse);
}

TEST(FieldDataLink, FocusRequestReachesTheLinkOfThatField) {
  Linked fixture(1, 1);
  TFieldDataLink link;
  link.SetFieldName("ID");
  link.SetDataSource(&fixture.source);
  int focused = 0;
  link.OnFocusControl = [&] {
    ++focused;
    return true;
  };
  fixture.dataSet.FieldByName("NAME")->FocusControl();
  EXPECT_EQ(focused, 0);
  fixture.dataSet.FieldByName("ID")->FocusControl();
  EXPECT_EQ(focused, 1);
}

// A detail dataset that shows the records whose MASTER equals the master's
// current ID, kept current by a detail link.
class DetailTable : public TMemoryDataSet {
 public:
  class MasterLink : public TDetailDataLink {
   public:
    explicit MasterLink(DetailTable* detail) : detail_(detail) {}
    TDataSet* GetDetailDataSet() const override { return detail_; }
    int refreshes = 0;

   protected:
    void ActiveChanged() override { Follow(); }
    void DataSetChanged() override { Follow(); }
    void DataSetScrolled(int) override { Follow(); }
    void RecordChanged(TField* field) override {
      if (field == nullptr) Follow();
    }

   private:
    void Follow() {
      if (!detail_->Active()) return;
      ++refreshes;
      detail_->First();  // the filter reads the master's current record
    }
    DetailTable* detail_;
  };

  DetailTable() {
    OnFilterRecord = [this](TDataSet* ds, bool& accept) {
      TDataSet* master = link_.DataSet();
      accept = master == nullptr || !master->Active() ||
               ds->FieldByName("MASTER")->AsInteger() == master->FieldByName("ID")->AsInteger();
    };
  }
  void SetMasterSource(TDataSource* source) {
    if (IsLinkedTo(source)) DatabaseError("Circular master");
    link_.SetDataSource(source);
  }
  MasterLink& Link() { return link_; }

 protected:
  TDataSource* GetDataSource() const override { return link_.DataSource(); }

 private:
  MasterLink link_{this};
};

TEST(DetailDataLink, DetailFollowsItsMaster) {
  TMemoryDataSet master;
  FillNumbered(master, 3);
  TDataSource masterSource;
  masterSource.SetDataSet(&master);

  DetailTable detail;
  detail.FieldDefs().Add("MASTER", ftInteger);
  detail.FieldDefs().Add("ID", ftInteger);
  detail.Open();
  for (int id = 1; id <= 6; ++id)
    detail.AppendRecord({Variant(int32_t((id + 1) / 2)), Variant(int32_t(id * 10))});
  detail.SetMasterSource(&masterSource);
  detail.SetFiltered(true);

  EXPECT_EQ(detail.Link().DetailDataSet(), &detail);
  EXPECT_EQ(AllIds(detail), (std::vector<int>{10, 20}));
  master.Next();
  EXPECT_EQ(AllIds(detail), (std::vector<int>{30, 40}));
  master.Last();
  EXPECT_EQ(AllIds(detail), (std::vector<int>{50, 60}));
  EXPECT_GT(detail.Link().refreshes, 0);

  // The master may not follow its own detail.
  TDataSource detailSource;
  detailSource.SetDataSet(&detail);
  EXPECT_TRUE(detail.IsLinkedTo(&detailSource));
  EXPECT_THROW(masterSource.SetDataSet(&detail), EDatabaseError);
  EXPECT_EQ(masterSource.DataSet(), &master);
}

}  // namespace
}  // namespace morvane

namespace morvane {
namespace {

TEST(DataLink, WindowShowsNewRecordsWhereTheyGo) {
  Linked fixture(10, 5);
  TMemoryDataSet& dataSet = fixture.dataSet;
  RecordingLink& link = fixture.link;
  dataSet.SetRecNo(3);
  dataSet.First();
  dataSet.MoveBy(2);  // record 3 on row 2 of 1..5
  ASSERT_EQ(link.Window(), (std::vector<int>{1, 2, 3, 4, 5}));

  dataSet.Insert();
  EXPECT_EQ(link.ActiveRecord(), 2);
  EXPECT_TRUE(dataSet.FieldByName("ID")->IsNull());
  dataSet.FieldByName("ID")->SetAsInteger(25);
  EXPECT_EQ(link.Window(), (std::vector<int>{1, 2, 25, 3, 4}));
  dataSet.Post();
  EXPECT_EQ(link.Window(), (std::vector<int>{1, 2, 25, 3, 4}));
  EXPECT_EQ(link.ActiveRecord(), 2);

  dataSet.Insert();
  dataSet.Cancel();
  EXPECT_EQ(link.Window(), (std::vector<int>{1, 2, 25, 3, 4}));
  EXPECT_EQ(dataSet.FieldByName("ID")->AsInteger(), 25);

  dataSet.Delete();
  EXPECT_EQ(link.Window(), (std::vector<int>{1, 2, 3, 4, 5}));
  EXPECT_EQ(dataSet.FieldByName("ID")->AsInteger(), 3);

  dataSet.Append();
  dataSet.FieldByName("ID")->SetAsInteger(11);
  EXPECT_EQ(link.ActiveRecord(), 4);
  EXPECT_EQ(link.Window(), (std::vector<int>{7, 8, 9, 10, 11}));
  dataSet.Post();
  EXPECT_EQ(link.Window(), (std::vector<int>{7, 8, 9, 10, 11}));
  EXPECT_EQ(dataSet.RecNo(), 11);
}

}  // namespace
}  // namespace morvane

namespace morvane {
namespace {

TEST(DataSource, ReportsFieldChangesRecordChangesAndUpdates) {
  Linked fixture(2, 1);
  std::vector<std::string> log;
  fixture.source.OnDataChange = [&](TDataSource*, TField* field) {
    log.push_back(field ? "data " + field->FieldName() : "data");
  };
  fixture.source.OnUpdateData = [&](TDataSource*) { log.push_back("update"); };
  fixture.dataSet.Next();
  fixture.dataSet.Edit();
  fixture.dataSet.FieldByName("ID")->SetAsInteger(7);
  fixture.dataSet.Post();
  EXPECT_EQ(log, (std::vector<std::string>{"data", "data", "data ID", "update", "data"}));
}

TEST(DataSource, StateChangeReachesTheLinksBeforeTheSourcesEvents) {
  TMemoryDataSet dataSet;
  dataSet.FieldDefs().Add("ID", ftInteger);
  TDataSource source;
  RecordingLink link;
  link.SetDataSource(&source);
  source.SetDataSet(&dataSet);
  std::vector<std::string>& log = link.log;
  source.OnStateChange = [&](TDataSource* sender) {
    log.push_back("state " + std::to_string(int(sender->State())));
  };
  source.OnDataChange = [&](TDataSource*, TField*) { log.push_back("data"); };
  log.clear();
  dataSet.Open();
  EXPECT_EQ(log, (std::vector<std::string>{"active", "state 1", "data"}));
  log.clear();
  dataSet.Edit();  // an empty dataset inserts
  dataSet.Cancel();
  dataSet.Close();
  EXPECT_EQ(log, (std::vector<std::string>{"editing", "state 3", "changed", "data", "not editing",
                                           "state 1", "changed", "data", "inactive", "state 0"}));
}

TEST(DataSource, ReadingAnotherStateDuringAnEditIsInvisibleToControls) {
  Linked fixture(2, 1);
  fixture.dataSet.Edit();
  fixture.dataSet.FieldByName("NAME")->SetAsString("new");
  fixture.link.log.clear();
  EXPECT_EQ(fixture.dataSet.FieldByName("NAME")->OldValue().AsString(), "row 1");
  EXPECT_TRUE(fixture.link.log.empty());
  EXPECT_TRUE(fixture.dataSet.Modified());
  EXPECT_EQ(fixture.dataSet.State(), dsEdit);
  fixture.dataSet.Next();  // still modified: posted, not cancelled
  fixture.dataSet.Prior();
  EXPECT_EQ(fixture.dataSet.FieldByName("NAME")->AsString(), "new");
}

}  // namespace
}  // namespace morvane
