#include <gtest/gtest.h>

#include "engine/test_buffer.h"
#include "engine/test_dataset.h"
#include "engine/zelconst.h"
#include "platform/db/fields.h"
#include "platform/rtl/exceptions.h"

namespace morvane {
namespace {

using namespace testing;

// Store order differs from QTY order on purpose; QTY 12 occurs three times.
std::vector<char> Stock() {
  return TestBuffer()
      .Layout({"S.ID i", "S.NAME s40", "S.CODE 9", "S.QTY i"})
      .Record({Int(1), Text("Иванов"), Small("A1"), Int(120)})
      .Record({Int(2), Text("Петров"), Small("B2"), Int(12)})
      .Record({Int(3), Text("петров"), Small("B2"), Int(5)})
      .Record({Int(4), Text("Сидоров"), Absent(), Int(12)})
      .Record({Int(5), Text("ООО \"Ромашка\""), Small("C3"), Int(12)})
      .Bytes();
}

class SearchTest : public ::testing::Test {
 protected:
  SearchTest() : table_(Stock()) {}
  void SetUp() override { table_.Open(); }
  int Id() { return table_.FieldByName("ID")->AsInteger(); }

  MemoryDataset table_;
};

TEST_F(SearchTest, KeySearchOnTheIndexFindsTheFirstOfEqualKeys) {
  table_.SetIndexFieldNames("QTY");
  ASSERT_TRUE(table_.FastSeek("QTY"));
  EXPECT_TRUE(table_.Locate("QTY", int32_t(12), {}));
  EXPECT_EQ(table_.RecNo(), 2);
  EXPECT_EQ(Id(), 2);
  table_.SetSortOptions({zsoDescendSort});
  EXPECT_TRUE(table_.FindTab("QTY", "12\t", true));
  EXPECT_EQ(table_.RecNo(), 2);  // 120 first, then the three 12s
}

TEST_F(SearchTest, FindTabWalksThroughEqualKeysWhenNotFromTheStart) {
  table_.SetIndexFieldNames("QTY");
  std::vector<int> recNos;
  ASSERT_TRUE(table_.FindTab("QTY", "12", true));
  recNos.push_back(table_.RecNo());
  while (table_.FindTab("QTY", "12", false)) recNos.push_back(table_.RecNo());
  EXPECT_EQ(recNos, (std::vector<int>{2, 3, 4}));
  EXPECT_EQ(table_.RecNo(), 4);  // the failed search left the position alone
}

TEST_F(SearchTest, FastSeekNeedsALeadingPartOfTheIndexAndACaseSensitiveSortedView) {
  table_.SetIndexFieldNames("QTY;Name");
  EXPECT_TRUE(table_.FastSeek("qty"));
  EXPECT_TRUE(table_.FastSeek("QTY;NAME"));
  EXPECT_FALSE(table_.FastSeek("QT"));
  EXPECT_FALSE(table_.FastSeek("NAME"));
  EXPECT_FALSE(table_.FastSeek("QTY;NAME;ID"));
  table_.SetSortOptions({zsoCaseInsensitive});
  EXPECT_FALSE(table_.FastSeek("QTY"));
}

TEST_F(SearchTest, AfterAKeyEditSearchesScanLinearly) {
  table_.SetIndexFieldNames("QTY");
  table_.First();  // QTY 5
  table_.Edit();
  table_.FieldByName("QTY")->SetAsInteger(500);
  table_.Post();
  EXPECT_EQ(table_.RecNo(), 1);  // the edited record stays where it was
  EXPECT_FALSE(table_.FastSeek("QTY"));
  table_.Last();
  // A binary search would look for 500 after 120 and miss it.
  EXPECT_TRUE(table_.FindTab("QTY", "500", true));
  EXPECT_EQ(Id(), 3);
}

TEST_F(SearchTest, FindComparesFieldsWithoutValuesAgainstEmptySlots) {
  EXPECT_TRUE(table_.Find("QTY;CODE", {int32_t(12)}, true));
  EXPECT_EQ(Id(), 4);  // the only 12 without a code
  EXPECT_TRUE(table_.Find("QTY;CODE", {int32_t(12), "C3"}, true));
  EXPECT_EQ(Id(), 5);
  EXPECT_FALSE(table_.Find("", {int32_t(12)}, true));
  EXPECT_FALSE(table_.Find("NOPE", {int32_t(12)}, true));  // no key at all: nothing found
  EXPECT_EQ(Id(), 5);
}

TEST_F(SearchTest, LocateHonoursEachOption) {
  struct Case {
    const char* fields;
    Variant key;
    TLocateOptions options;
    int expectedId;  // 0: not found
  };
  const Case cases[] = {
      {"NAME", "ПЕТРОВ", {}, 0},
      {"NAME", "ПЕТРОВ", {loCaseInsensitive}, 2},
      {"NAME", "петров", {}, 3},
      {"NAME", "Пет", {loPartialKey}, 2},
      {"NAME", "пет", {loPartialKey}, 3},
      {"NAME", "пЕт", {loPartialKey, loCaseInsensitive}, 2},
      {"NAME", "етров", {loPartialKey}, 0},  // contains, but does not start with it
      {"NAME", Variant::Null(), {}, 0},
      {"NAME", Variant::Null(), {loCaseInsensitive}, 0},
      {"NAME;CODE", Variant(std::vector<Variant>{"петров", "B2"}), {}, 3},
      {"NAME;CODE", Variant(std::vector<Variant>{"ПЕТРОВ", "B2"}), {loCaseInsensitive}, 2},
      {"QTY", "120", {loCaseInsensitive}, 1},  // other fields compare as values
      {"QTY", int32_t(5), {loPartialKey}, 3},
      {"NOPE", "x", {}, 0},
  };
  for (const Case& locateCase : cases) {
    table_.Last();
    const int before = table_.RecNo();
    const bool found = table_.Locate(locateCase.fields, locateCase.key, locateCase.options);
    EXPECT_EQ(found, locateCase.expectedId != 0)
        << locateCase.fields << " " << locateCase.expectedId;
    if (found) {
      EXPECT_EQ(Id(), locateCase.expectedId);
    } else {
      EXPECT_EQ(table_.RecNo(), before);
    }
  }
}

TEST_F(SearchTest, AKeyThatFailsToConvertLeavesNoKeyBlockBehind) {
  // The heap text of the first key value is stored before the second fails;
  // the sanitizer build checks it is freed.
  const Variant key(std::vector<Variant>{"Петров", Variant(std::vector<Variant>{int32_t(1)})});
  EXPECT_THROW(table_.Locate("NAME;CODE", key, {}), EVariantError);
  EXPECT_EQ(table_.State(), dsBrowse);
  EXPECT_TRUE(table_.FindTab("NAME", "Петров", true));
  EXPECT_EQ(Id(), 2);
}

TEST_F(SearchTest, ScanLocateRaisesForAnUnknownField) {
  EXPECT_THROW(table_.Locate("NOPE", "x", {loCaseInsensitive}), EDatabaseError);
  EXPECT_EQ(table_.State(), dsBrowse);
}

TEST_F(SearchTest, LookupLeavesPositionAndStateUnchanged) {
  table_.SetRecNo(3);
  EXPECT_EQ(table_.Lookup("ID", int32_t(4), "NAME").AsString(), "Сидоров");
  EXPECT_EQ(table_.RecNo(), 3);
  EXPECT_EQ(Id(), 3);
  EXPECT_EQ(table_.State(), dsBrowse);
  EXPECT_TRUE(table_.Lookup("ID", int32_t(99), "NAME").IsNull());
  Variant both = table_.Lookup("ID", int32_t(1), "CODE;QTY");
  ASSERT_TRUE(both.IsArray());
  EXPECT_EQ(both.AsArray()[0].AsString(), "A1");
  EXPECT_EQ(both.AsArray()[1].AsInteger(), 120);
  EXPECT_EQ(Id(), 3);
  // Scrolling the dataset afterwards still shows the right records.
  table_.Next();
  EXPECT_EQ(Id(), 4);
}

TEST(SearchLookup, ComputesCalculatedResultFieldsForTheFoundRecord) {
  MemoryDataset table(Stock());
  auto* id = new TIntegerField(&table);
  id->SetFieldName("ID");
  id->SetDataSet(&table);
  auto* qty = new TIntegerField(&table);
  qty->SetFieldName("QTY");
  qty->SetDataSet(&table);
  auto* twice = new TIntegerField(&table);
  twice->SetFieldName("TWICE");
  twice->SetFieldKind(fkCalculated);
  twice->SetDataSet(&table);
  table.OnCalcFields = [&](TDataSet*) { twice->SetAsInteger(qty->AsInteger() * 2); };
  table.Open();
  table.SetRecNo(2);
  EXPECT_EQ(table.Lookup("ID", int32_t(1), "TWICE").AsInteger(), 240);
  EXPECT_EQ(table.Lookup("ID", int32_t(3), "QTY;TWICE").AsArray()[1].AsInteger(), 10);
  EXPECT_EQ(id->AsInteger(), 2);
  EXPECT_EQ(twice->AsInteger(), 24);
  EXPECT_EQ(table.State(), dsBrowse);
}

TEST_F(SearchTest, LikeSearchesTheDisplayText) {
  EXPECT_TRUE(table_.Like("QTY", "12", true, true));
  EXPECT_EQ(Id(), 1);  // 120 starts with 12
  EXPECT_TRUE(table_.Like("QTY", "12", true, false));
  EXPECT_EQ(Id(), 2);
  EXPECT_FALSE(table_.Like("QTY", "20", true, true));
  EXPECT_EQ(Id(), 2);
  EXPECT_TRUE(table_.Like("QTY", "20", false, true));
  EXPECT_EQ(Id(), 1);
  EXPECT_TRUE(table_.Like("name", "ромаш", false, true));  // case-insensitive, Cyrillic
  EXPECT_EQ(Id(), 5);
  EXPECT_FALSE(table_.Like("NOPE", "1", false, true));
  EXPECT_FALSE(table_.Like("QTY", "", false, true));
}

TEST_F(SearchTest, ValueListsOfTheCurrentAndOfAllRecords) {
  table_.First();
  EXPECT_EQ(table_.GetTabValues("ID;NAME"), "1\tИванов\t");
  EXPECT_THROW(table_.GetTabValues("ID;NOPE"), EDatabaseError);
  table_.OnFindRecord = [](TDataSet* dataSet, bool& accept) {
    accept = dataSet->FieldByName("QTY")->AsInteger() == 12;
  };
  EXPECT_EQ(table_.GetListRecValues("NAME", ';', true),
            "\"Петров\";\"Сидоров\";\"ООО \"\"Ромашка\"\"\"");
  EXPECT_EQ(table_.GetListRecValues("ID", ',', false), "2,4,5");
  table_.OnFindRecord = [](TDataSet*, bool& accept) { accept = false; };
  EXPECT_EQ(table_.GetListRecValues("ID", ',', false), "");
  EXPECT_EQ(table_.GetListRecValues("NOPE", ',', false), "");
  EXPECT_EQ(table_.State(), dsBrowse);
}

TEST_F(SearchTest, GotoCurrentCarriesThePositionByUniqueFields) {
  MemoryDataset other(Stock());
  other.Open();
  other.SetIndexFieldNames("QTY");
  other.SetUniqueFieldNames("id");
  table_.SetUniqueFieldNames("ID");
  other.Last();  // ID 1 (QTY 120)
  table_.SetRecNo(4);
  table_.GotoCurrent(&other);
  EXPECT_EQ(Id(), 1);
  other.SetUniqueFieldNames("NAME");
  EXPECT_THROW(table_.GotoCurrent(&other), EDatabaseError);
}

}  // namespace
}  // namespace morvane
