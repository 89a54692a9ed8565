#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/db/component.h"
#include "platform/db/data_link.h"
#include "platform/db/data_source.h"
#include "platform/db/fields.h"
#include "platform/db/testing/memory_dataset.h"
#include "platform/db/testing/sample_data.h"

namespace morvane {
namespace {

using testing::FillNumbered;
using testing::TMemoryDataSet;

// Holds references to other components and drops them on their removal,
// as controls do with their data sources, fields and lookup datasets.
class Watcher : public TComponent {
 public:
  using TComponent::TComponent;
  std::vector<TComponent*> watched;
  std::vector<std::string> removed;

  void Watch(TComponent* component) {
    watched.push_back(component);
    component->FreeNotification(this);
  }

 protected:
  void Notification(TComponent* component, TOperation operation) override {
    TComponent::Notification(component, operation);
    if (operation != opRemove) return;
    auto found = std::find(watched.begin(), watched.end(), component);
    if (found == watched.end()) return;
    removed.push_back(component->Name());
    watched.erase(found);
  }
};

TEST(Component, OwnerDeletesWhatItOwnsAndForgetsWhatDiesFirst) {
  auto owner = std::make_unique<TComponent>();
  auto* first = new Watcher(owner.get());
  first->SetName("First");
  auto* second = new TComponent(owner.get());
  second->SetName("Second");
  EXPECT_EQ(owner->ComponentCount(), 2);
  EXPECT_EQ(owner->FindComponent("second"), second);
  EXPECT_EQ(second->Owner(), owner.get());
  delete second;
  EXPECT_EQ(owner->ComponentCount(), 1);
  std::unique_ptr<TComponent> taken = owner->RemoveComponent(first);
  EXPECT_EQ(taken.get(), first);
  EXPECT_EQ(first->Owner(), nullptr);
  owner->InsertComponent(std::move(taken));
  EXPECT_EQ(first->Owner(), owner.get());
  owner.reset();  // deletes first; the sanitizer build checks nothing leaks
}

TEST(Component, FreeNotificationTellsAndIsMutual) {
  Watcher watcher;
  {
    TComponent target;
    target.SetName("Target");
    watcher.Watch(&target);
  }
  EXPECT_EQ(watcher.removed, (std::vector<std::string>{"Target"}));
  TComponent survivor;
  {
    Watcher shortLived;
    shortLived.Watch(&survivor);
  }
  // survivor must not notify the dead watcher when it goes.
}

TEST(Component, DestroyingADataSetClearsEveryReferenceToIt) {
  Watcher watcher;
  TDataSource source;
  TDataLink link;
  link.SetDataSource(&source);
  TMemoryDataSet goods;
  goods.FieldDefs().Add("ID", ftInteger);
  goods.FieldDefs().Add("UNIT", ftInteger);
  auto* unitTitle = new TStringField(&goods);
  TField* id = nullptr;
  {
    auto units = std::make_unique<TMemoryDataSet>();
    units->SetName("Units");
    FillNumbered(*units, 3);
    for (const char* name : {"ID", "UNIT"}) {
      auto* field = new TIntegerField(&goods);
      field->SetFieldName(name);
      field->SetDataSet(&goods);
    }
    unitTitle->SetFieldName("TITLE");
    unitTitle->SetFieldKind(fkLookup);
    unitTitle->SetKeyFields("UNIT");
    unitTitle->SetLookupKeyFields("ID");
    unitTitle->SetLookupResultField("NAME");
    unitTitle->SetLookupDataSet(units.get());
    unitTitle->SetDataSet(&goods);
    goods.Open();
    goods.AppendRecord({Variant(int32_t(1)), Variant(int32_t(2))});
    EXPECT_EQ(unitTitle->AsString(), "row 2");
    goods.Close();

    source.SetDataSet(units.get());
    EXPECT_TRUE(link.Active());
    id = units->FieldByName("ID");
    id->SetName("UnitsID");
    watcher.Watch(id);
    watcher.Watch(units.get());
  }
  EXPECT_EQ(source.DataSet(), nullptr);
  EXPECT_FALSE(link.Active());
  EXPECT_EQ(unitTitle->LookupDataSet(), nullptr);
  EXPECT_EQ(watcher.removed, (std::vector<std::string>{"UnitsID", "Units"}));
  goods.Open();  // the lookup field now has no dataset and stays empty
  EXPECT_TRUE(unitTitle->IsNull());
}

TEST(Component, DestroyingADataSourceDetachesItsLinks) {
  TMemoryDataSet dataSet;
  FillNumbered(dataSet, 2);
  TFieldDataLink link;
  link.SetFieldName("ID");
  {
    TDataSource source;
    source.SetDataSet(&dataSet);
    link.SetDataSource(&source);
    EXPECT_NE(link.Field(), nullptr);
  }
  EXPECT_EQ(link.DataSource(), nullptr);
  EXPECT_EQ(link.Field(), nullptr);
  dataSet.Next();  // no data source left to notify
}

// An open dataset with a data field ID and a calculated field EXTRA that a
// field link shows.
struct ExtraFieldShown {
  TMemoryDataSet dataSet;
  TField* extra = nullptr;
  TDataSource source;
  TFieldDataLink link;
  ExtraFieldShown() {
    dataSet.FieldDefs().Add("ID", ftInteger);
    auto* id = new TIntegerField(&dataSet);
    id->SetFieldName("ID");
    id->SetDataSet(&dataSet);
    extra = new TIntegerField(&dataSet);
    extra->SetFieldName("EXTRA");
    extra->SetCalculated(true);
    extra->SetDataSet(&dataSet);
    dataSet.Open();
    source.SetDataSet(&dataSet);
    link.SetFieldName("EXTRA");
    link.SetDataSource(&source);
  }
};

TEST(Component, DeletingAFieldOfAnOpenDataSetUpdatesItsLinks) {
  ExtraFieldShown shown;
  ASSERT_EQ(shown.link.Field(), shown.extra);
  delete shown.extra;
  EXPECT_EQ(shown.link.Field(), nullptr);
  EXPECT_EQ(shown.dataSet.FieldCount(), 1);
  shown.dataSet.Next();
}

TEST(Component, FieldDeletedWhileControlsAreDisabledIsForgottenByItsLinks) {
  ExtraFieldShown shown;
  TFieldDataLink& link = shown.link;
  std::vector<std::string> texts;
  link.OnDataChange = [&] { texts.push_back(link.Field() ? link.Field()->DisplayText() : "-"); };
  ASSERT_EQ(link.Field(), shown.extra);
  shown.dataSet.DisableControls();
  delete shown.extra;
  shown.dataSet.EnableControls();
  EXPECT_EQ(link.Field(), nullptr);
  ASSERT_FALSE(texts.empty());
  EXPECT_EQ(texts.back(), "-");
}

}  // namespace
}  // namespace morvane
