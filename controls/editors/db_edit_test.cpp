#include "controls/editors/db_edit.h"

#include <gtest/gtest.h>

#include <QTest>

#include "controls/editors/db_edit_fixture.h"
#include "controls/editors/dlg_calendar.h"
#include "controls/editors/listbox.h"
#include "controls/editors/popup_data.h"
#include "controls/editors/popup_tree.h"
#include "platform/db/data_link.h"
#include "platform/db/field.h"
#include "platform/rtl/date_time.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/format.h"

namespace morvane {
namespace {

using testing::TypeText;
using testing::VisibleIds;
using Ids = std::vector<int>;

class DBEditTest : public testing::DBEditFixture {
 public:
  void SetUpCombo(TStringList items, TStringList values) {
    edit->SetDialogStyle(zdsCombo);
    edit->ComboProps().SetComboItems(items);
    edit->ComboProps().SetComboValues(values);
  }

  void SetUpUnitLookup() {
    edit->SetDialogStyle(zdsLookup);
    edit->SetLookupDataSet(units.get());
    edit->LookupProps().SetLookupKeyField("ID");
    edit->LookupProps().SetListFieldNames("NAME;CODE");
  }

  void ClickPickItem(int row) {
    TzelListbox* list = edit->PickList();
    const QPoint point = list->visualItemRect(list->item(row)).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, point);
  }
};

TEST_F(DBEditTest, ComboWithCodesStoresTheCodeAndShowsTheText) {
  SetUpCombo({"A", "B"}, {"1", "2"});
  Bind("CODE");
  EXPECT_EQ(edit->Style(), zcsDropDownList);
  EXPECT_EQ(edit->Text(), "A");  // stored 1
  Focus(edit);
  QTest::keyClick(edit, Qt::Key_Down, Qt::AltModifier);
  ASSERT_TRUE(edit->ListVisible());
  EXPECT_TRUE(edit->hasFocus());
  ClickPickItem(1);
  EXPECT_FALSE(edit->ListVisible());
  EXPECT_EQ(Goods("CODE"), "2");
  EXPECT_EQ(edit->Text(), "B");
}

TEST_F(DBEditTest, ComboShowsEmptyForAStoredCodeItDoesNotKnow) {
  SetUpCombo({"A", "B"}, {"1", "2"});
  goods->Last();  // CODE 3
  Bind("CODE");
  EXPECT_EQ(edit->Text(), "");
  goods->First();
  EXPECT_EQ(edit->Text(), "A");
}

TEST_F(DBEditTest, ComboWithUnequalCountsTypesFreelyAndStoresTheText) {
  SetUpCombo({"A", "B"}, {"1"});
  Bind("CODE");
  EXPECT_EQ(edit->Style(), zcsDropDown);
  EXPECT_EQ(edit->Text(), "1");  // no codes: the stored text itself
  Focus(edit);
  QTest::keyClick(edit, Qt::Key_End);
  TypeText(edit, "xy");
  EXPECT_EQ(edit->Text(), "1xy");
  Focus(after);
  EXPECT_EQ(Goods("CODE"), "1xy");
}

TEST_F(DBEditTest, DropDownListOpensOnSpaceAndDeleteStoresClearValue) {
  SetUpCombo({"A", "B"}, {"1", "2"});
  edit->SetClearValue("0");
  Bind("CODE");
  Focus(edit);
  QTest::keyClick(edit, Qt::Key_Space);
  EXPECT_TRUE(edit->ListVisible());
  EXPECT_EQ(edit->Text(), "A");  // the space is not typed
  QTest::keyClick(edit, Qt::Key_Escape);
  EXPECT_FALSE(edit->ListVisible());
  EXPECT_EQ(Goods("CODE"), "1");
  QTest::keyClick(edit, Qt::Key_Delete);
  EXPECT_EQ(edit->Text(), "");
  EXPECT_EQ(edit->Value(), Variant("0"));
  Focus(after);
  EXPECT_EQ(Goods("CODE"), "0");
}

TEST_F(DBEditTest, AClickAnywhereOnADropDownListOpensAndASecondClickCloses) {
  SetUpCombo({"A", "B"}, {"1", "2"});
  Bind("CODE");
  Focus(edit);
  QTest::mouseClick(edit, Qt::LeftButton, {}, QPoint(10, edit->height() / 2));
  EXPECT_TRUE(edit->ListVisible());
  QTest::mouseClick(edit, Qt::LeftButton, {}, QPoint(10, edit->height() / 2));
  EXPECT_FALSE(edit->ListVisible());
  EXPECT_EQ(Goods("CODE"), "1");
}

TEST_F(DBEditTest, EscapePutsTheFieldsValueBack) {
  Bind("NOTE");
  Focus(edit);
  QTest::keyClick(edit, Qt::Key_End);
  TypeText(edit, "cd");
  EXPECT_EQ(edit->Text(), "abcd");
  QTest::keyClick(edit, Qt::Key_Escape);
  EXPECT_EQ(edit->Text(), "ab");
  EXPECT_EQ(edit->selectedText(), "ab");
  Focus(after);
  EXPECT_EQ(Goods("NOTE"), "ab");
}

TEST_F(DBEditTest, UpAndDownMoveTheFocusAndAltDownOpens) {
  SetUpCombo({"A", "B"}, {});
  Focus(edit);
  QTest::keyClick(edit, Qt::Key_Down);
  EXPECT_TRUE(after->hasFocus());
  Focus(edit);
  QTest::keyClick(edit, Qt::Key_Up);
  EXPECT_TRUE(before->hasFocus());
  Focus(edit);
  QTest::keyClick(edit, Qt::Key_Down, Qt::AltModifier);
  EXPECT_TRUE(edit->ListVisible());
  EXPECT_TRUE(edit->hasFocus());
  // With the list open Down moves the selection, not the focus.
  QTest::keyClick(edit, Qt::Key_Down);
  EXPECT_TRUE(edit->hasFocus());
  EXPECT_EQ(edit->PickList()->ItemIndex(), 0);
  QTest::keyClick(edit, Qt::Key_Up, Qt::AltModifier);
  EXPECT_FALSE(edit->ListVisible());
  EXPECT_EQ(edit->Text(), "A");
}

TEST_F(DBEditTest, EnterMovesToTheNextControlOrPressesTheDefaultButton) {
  Bind("NOTE");
  Focus(edit);
  QTest::keyClick(edit, Qt::Key_Return);
  EXPECT_TRUE(after->hasFocus());
  EXPECT_EQ(okClicks, 0);

  edit->SetEnterAsTab(false);
  Focus(edit);
  QTest::keyClick(edit, Qt::Key_Return);
  EXPECT_TRUE(edit->hasFocus());
  EXPECT_EQ(okClicks, 1);
}

TEST_F(DBEditTest, EnterWithAnOpenListAcceptsAndStays) {
  SetUpCombo({"A", "B"}, {"1", "2"});
  Bind("CODE");
  Focus(edit);
  QTest::keyClick(edit, Qt::Key_Space);
  QTest::keyClick(edit, Qt::Key_Down);
  QTest::keyClick(edit, Qt::Key_Return);
  EXPECT_FALSE(edit->ListVisible());
  EXPECT_TRUE(edit->hasFocus());
  EXPECT_EQ(Goods("CODE"), "2");
  EXPECT_EQ(okClicks, 0);
}

TEST_F(DBEditTest, AFailingWriteOnLeavingKeepsTheFocusAndShowsTheError) {
  goods->FieldByName("NOTE")->OnValidate = [](TField*) { throw EDatabaseError("Недопустимое"); };
  Bind("NOTE");
  Focus(edit);
  QTest::keyClick(edit, Qt::Key_End);
  TypeText(edit, "c");
  Focus(after);
  QApplication::processEvents();
  EXPECT_TRUE(edit->hasFocus());
  EXPECT_EQ(edit->selectedText(), "abc");
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_NE(messages[0].find("Недопустимое"), std::string::npos);
}

TEST_F(DBEditTest, ChoosingARowWritesTheNewKeyWithTheNewRowsText) {
  SetUpUnitLookup();
  edit->LookupProps().SetSourceKeyField("UNIT_ID");
  Bind("UNIT_NAME");
  EXPECT_EQ(edit->Text(), "метр");
  Focus(edit);
  QTest::keyClick(edit, Qt::Key_Down, Qt::AltModifier);
  ASSERT_TRUE(edit->ListVisible());
  QTest::keyClick(edit, Qt::Key_Down);  // the row after метр
  QTest::keyClick(edit, Qt::Key_Return);
  EXPECT_EQ(goods->FieldByName("UNIT_ID")->AsInteger(), 4);
  EXPECT_EQ(Goods("UNIT_NAME"), "килограмм");
  EXPECT_EQ(edit->Text(), "килограмм");
}

TEST_F(DBEditTest, AcceptingADataListWithoutARowClearsTheField) {
  SetUpUnitLookup();
  edit->LookupProps().SetLookupKeyField("NAME");  // the name itself is the key
  edit->LookupProps().SetKindSearch(zksFilter);
  Bind("UNIT_NAME");
  EXPECT_EQ(edit->Text(), "метр");
  Focus(edit);
  QTest::keyClick(edit, Qt::Key_Down, Qt::AltModifier);
  TypeText(edit, "zz");  // matches nothing
  EXPECT_EQ(edit->Text(), "zz");
  QTest::keyClick(edit, Qt::Key_Return);
  EXPECT_TRUE(goods->FieldByName("UNIT_NAME")->IsNull());
  EXPECT_EQ(edit->Text(), "");
}

TEST_F(DBEditTest, TypingInAnAutoDropDownLookupOpensTheFilteredList) {
  SetUpUnitLookup();
  edit->LookupProps().SetLookupKeyField("NAME");
  edit->LookupProps().SetKindSearch(zksFilter);
  edit->SetAutoDropDown(true);
  Bind("UNIT_NAME");
  Focus(edit);
  TypeText(edit, "ш");
  ASSERT_TRUE(edit->ListVisible());
  EXPECT_EQ(edit->Text(), "ш");
  TypeText(edit, "т");
  EXPECT_EQ(edit->Text(), "шт");
  EXPECT_EQ(VisibleIds(*units), (Ids{1, 2, 5}));
  QTest::keyClick(edit, Qt::Key_Down);  // from штука to Шт.
  QTest::keyClick(edit, Qt::Key_Return);
  EXPECT_EQ(Goods("UNIT_NAME"), "Шт.");
  EXPECT_EQ(edit->Text(), "Шт.");
  EXPECT_EQ(VisibleIds(*units), (Ids{1, 2, 3, 4, 5, 6}));  // the filter went with the list
}

TEST_F(DBEditTest, ADestroyedLookupDatasetIsDropped) {
  SetUpUnitLookup();
  edit->LookupProps().SetSourceKeyField("UNIT_ID");
  Bind("UNIT_NAME");
  EXPECT_EQ(edit->Text(), "метр");
  units.reset();
  EXPECT_EQ(edit->LookupDataSet(), nullptr);
  goods->Next();
  EXPECT_EQ(edit->Text(), "литр");  // no lookup left: the field's own text
  Focus(edit);
  QTest::keyClick(edit, Qt::Key_Down, Qt::AltModifier);
  EXPECT_TRUE(edit->hasFocus());
}

struct OwnFilter {
  void operator()(TDataSet* dataSet, bool& accept) const {
    accept = dataSet->FieldByName("ID")->AsInteger() != 6;
  }
};

TEST_F(DBEditTest, DestroyingTheControlWithAFilteredListOpenRestoresTheLookupFilter) {
  units->OnFilterRecord = OwnFilter{};
  units->SetFiltered(true);
  SetUpUnitLookup();
  edit->LookupProps().SetKindSearch(zksFilter);
  Focus(edit);
  QTest::keyClick(edit, Qt::Key_Down, Qt::AltModifier);
  TypeText(edit, "шт");
  ASSERT_TRUE(edit->DataList()->FilterHookInstalled());
  EXPECT_EQ(VisibleIds(*units), (Ids{1, 2, 5}));
  form.reset();
  EXPECT_NE(units->OnFilterRecord.target<OwnFilter>(), nullptr);
  EXPECT_TRUE(units->Filtered());
  units->SetFiltered(true);  // would run a hook into the freed list
  EXPECT_EQ(VisibleIds(*units), (Ids{1, 2, 3, 4, 5}));
}

TEST_F(DBEditTest, TypingStopsAtTheFieldsSizeInBytesWithoutCuttingACharacter) {
  Bind("NOTE");  // six bytes
  Focus(edit);
  QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
  TypeText(edit, "юя");
  EXPECT_EQ(edit->Text(), "юя");
  TypeText(edit, "шщ1");
  EXPECT_EQ(edit->Text(), "юяш");  // a fourth Cyrillic letter would need 8 bytes
  edit->SetMaxLength(3);
  QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
  TypeText(edit, "юя");
  EXPECT_EQ(edit->Text(), "ю");
}

TEST_F(DBEditTest, UnboundSetValueAndSetItemIndexShowTheChoice) {
  SetUpCombo({"A", "B"}, {"1", "2"});
  edit->SetValue(Variant("2"));
  EXPECT_EQ(edit->Text(), "B");
  edit->SetItemIndex(0);
  EXPECT_EQ(edit->Value(), Variant("1"));
  EXPECT_EQ(edit->Text(), "A");
  EXPECT_EQ(edit->GetItemIndex(), 0);
  edit->SetItemIndex(-1);
  EXPECT_EQ(edit->Value(), Variant("1"));
  edit->SetItemIndex(7);  // outside the list: nothing chosen
  EXPECT_EQ(edit->Value(), Variant("1"));
}

TEST_F(DBEditTest, UnboundLookupAndTreeChooseByIndex) {
  SetUpUnitLookup();
  edit->SetItemIndex(1);
  EXPECT_EQ(edit->Value().AsInteger(), 2);
  EXPECT_EQ(edit->Text(), "Шт.");

  edit->SetDialogStyle(zdsTree);
  edit->SetLookupDataSet(groups.get());
  edit->TreeProps().SetUniqueField("ID");
  edit->TreeProps().SetLevelField("LVL");
  edit->TreeProps().SetTextField("NAME");
  edit->SetValue(Variant("B1"));
  EXPECT_EQ(edit->Text(), "Дерево/Брус");
  edit->SetItemIndex(2);
  EXPECT_EQ(edit->Value(), Variant("A2"));
  EXPECT_EQ(edit->Text(), "Металл/Листы");
}

TEST_F(DBEditTest, SetValueDoesNothingWhenBound) {
  Bind("NOTE");
  edit->SetValue(Variant("zz"));
  EXPECT_EQ(edit->Text(), "ab");
  EXPECT_EQ(edit->Value(), Variant("ab"));
}

TEST_F(DBEditTest, CalendarShowsAZeroDateAsEmpty) {
  edit->SetDialogStyle(zdsCalendar);
  edit->SetValue(Variant("00.00.0000"));
  EXPECT_EQ(edit->Text(), "");
  edit->SetValue(Variant("12/00/2024"));
  EXPECT_EQ(edit->Text(), "");
  edit->SetValue(Variant("29.02.2024"));
  EXPECT_EQ(edit->Text(), "29.02.2024");
}

TEST_F(DBEditTest, CalendarChoiceOfAnUnboundControlShowsTheDate) {
  edit->SetDialogStyle(zdsCalendar);
  Focus(edit);
  QTest::keyClick(edit, Qt::Key_Down, Qt::AltModifier);
  ASSERT_TRUE(edit->ListVisible());
  edit->Calendar()->SetDate(EncodeDate(2024, 2, 29));
  QTest::keyClick(edit, Qt::Key_Return);
  EXPECT_EQ(edit->Text(), DateToStr(EncodeDate(2024, 2, 29)));
  EXPECT_EQ(edit->Value().AsDateTime(), EncodeDate(2024, 2, 29));
}

TEST_F(DBEditTest, TreeClickOnANodeChoosesItsId) {
  edit->SetDialogStyle(zdsTree);
  edit->SetLookupDataSet(groups.get());
  edit->TreeProps().SetUniqueField("ID");
  edit->TreeProps().SetLevelField("LVL");
  edit->TreeProps().SetTextField("NAME");
  Focus(edit);
  QTest::mouseClick(edit, Qt::LeftButton, {}, edit->ButtonRect().center());
  ASSERT_TRUE(edit->ListVisible());
  TzelPopupTree* tree = edit->Tree();
  QTreeWidgetItem* node = tree->topLevelItem(1);  // Дерево
  QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualItemRect(node).center());
  EXPECT_FALSE(edit->ListVisible());
  EXPECT_EQ(edit->Value(), Variant("B"));
  EXPECT_EQ(edit->Text(), "Дерево");
}

TEST_F(DBEditTest, CustomDialogRunsFromTheButtonAndCtrlEnter) {
  int runs = 0;
  bool visibleDuringClick = false;
  edit->SetDialogStyle(zdsCustomDlg);
  edit->OnCustomDlg = [&](TzelDBEdit* sender) {
    if (++runs == 1) visibleDuringClick = sender->ListVisible();
  };
  Focus(edit);
  QTest::mouseClick(edit, Qt::LeftButton, {}, edit->ButtonRect().center());
  EXPECT_EQ(runs, 1);
  EXPECT_TRUE(visibleDuringClick);
  EXPECT_FALSE(edit->ListVisible());
  QTest::keyClick(edit, Qt::Key_Return, Qt::ControlModifier);
  EXPECT_EQ(runs, 2);
  EXPECT_TRUE(edit->hasFocus());  // no Enter followed
}

TEST_F(DBEditTest, ALookupDatasetMayNotBeTheBoundDataset) {
  Bind("NOTE");
  EXPECT_THROW(edit->SetLookupDataSet(goods.get()), EDatabaseError);
  EXPECT_EQ(edit->LookupDataSet(), nullptr);
}

TEST_F(DBEditTest, ButtonWidthStaysBetweenFourAndHalfTheWidth) {
  edit->resize(100, 22);
  struct Case {
    int requested;
    int expected;
  };
  for (const Case& test : {Case{4, 15}, Case{5, 5}, Case{49, 49}, Case{50, 49}, Case{80, 49}}) {
    edit->SetButtonWidth(test.requested);
    EXPECT_EQ(edit->ButtonWidth(), test.expected) << test.requested;
  }
}

TEST_F(DBEditTest, AssigningLookupPropsKeepsTheOwnKindOfSearch) {
  TzelLookupProperties other;
  other.SetKindSearch(zksFilter);
  other.SetLookupKeyField("ID");
  other.SetListFieldNames("NAME");
  edit->SetLookupProps(&other);
  EXPECT_EQ(edit->LookupProps().KindSearch(), zksFindFirst);
  EXPECT_EQ(edit->LookupProps().LookupKeyField(), "ID");
}

TEST_F(DBEditTest, DestroyingTheLookupDatasetWithAFilteredListOpenClosesTheListCleanly) {
  SetUpUnitLookup();
  edit->LookupProps().SetKindSearch(zksFilter);
  Focus(edit);
  QTest::keyClick(edit, Qt::Key_Down, Qt::AltModifier);
  TypeText(edit, "шт");
  ASSERT_TRUE(edit->DataList()->FilterHookInstalled());
  // The control hears the destruction notice first and closes the list;
  // nothing may be put back on what is left of the dataset.
  units.reset();
  EXPECT_FALSE(edit->ListVisible());
  EXPECT_FALSE(edit->DataList()->FilterHookInstalled());
  EXPECT_EQ(edit->LookupDataSet(), nullptr);
  QTest::keyClick(edit, Qt::Key_Down, Qt::AltModifier);
  EXPECT_TRUE(edit->hasFocus());
  EXPECT_TRUE(messages.empty());
}

TEST_F(DBEditTest, DeleteInADropDownListOnAFieldItCannotEditClearsNothingAndLetsTheFocusGo) {
  SetUpCombo({"A", "B"}, {"1", "2"});
  goods->FieldByName("CODE")->SetReadOnly(true);
  Bind("CODE");
  Focus(edit);
  QTest::keyClick(edit, Qt::Key_Delete);
  QTest::keyClick(edit, Qt::Key_Backspace);
  EXPECT_EQ(edit->Text(), "A");
  Focus(after);
  QApplication::processEvents();
  EXPECT_TRUE(after->hasFocus());
  EXPECT_TRUE(messages.empty());
  EXPECT_EQ(Goods("CODE"), "1");
}

TEST_F(DBEditTest, AChoiceWhoseWriteFailsIsShownOnceAndKeepsTheFocus) {
  SetUpUnitLookup();
  edit->LookupProps().SetSourceKeyField("UNIT_ID");
  Bind("UNIT_NAME");
  goods->FieldByName("UNIT_ID")->OnValidate = [](TField*) { throw EDatabaseError("Недопустимое"); };
  Focus(edit);
  QTest::keyClick(edit, Qt::Key_Down, Qt::AltModifier);
  ASSERT_TRUE(edit->ListVisible());
  QTest::keyClick(edit, Qt::Key_Down);
  QTest::keyClick(edit, Qt::Key_Return);
  QApplication::processEvents();
  EXPECT_FALSE(edit->ListVisible());
  // The form's focus stays on the control (the offscreen platform may have
  // handed the activation to the closed drop-down's window meanwhile).
  EXPECT_EQ(form->focusWidget(), edit);
  EXPECT_EQ(edit->selectedText(), edit->text());
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_NE(messages[0].find("Недопустимое"), std::string::npos);
  EXPECT_EQ(goods->FieldByName("UNIT_ID")->AsInteger(), 3);
  EXPECT_EQ(okClicks, 0);
}

TEST_F(DBEditTest, ClickingAnotherControlWithTheListOpenLeavesTheControl) {
  SetUpCombo({"A", "B"}, {});
  Bind("NOTE");
  int exits = 0;
  edit->OnExit = [&](TzelDBEdit*) { ++exits; };
  Focus(edit);
  QTest::keyClick(edit, Qt::Key_End);
  TypeText(edit, "c");
  QTest::keyClick(edit, Qt::Key_Down, Qt::AltModifier);
  ASSERT_TRUE(edit->ListVisible());
  QTest::mouseClick(after, Qt::LeftButton);
  QApplication::processEvents();
  EXPECT_FALSE(edit->ListVisible());
  EXPECT_EQ(form->focusWidget(), after);
  EXPECT_EQ(exits, 1);
  EXPECT_EQ(Goods("NOTE"), "abc");  // the record update ran
  EXPECT_FALSE(edit->DataLink()->Modified());
}

}  // namespace
}  // namespace morvane
