#include "controls/editors/db_grid_inplace_edit.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QToolButton>

#include "controls/editors/grid_editor_fixture.h"

namespace morvane {
namespace {

using testing::TypeText;
using testing::VisibleIds;
using Ids = std::vector<int>;

class LookupEditTest : public testing::GridEditorFixture {
 public:
  void SetUp() override {
    GridEditorFixture::SetUp();
    grid->AfterCloseUp = [this](TzelCustomDBGrid*, TzelColumn* column, bool selected) {
      closeUps.push_back(selected);
      closedColumn = column;
    };
    editor = EditCell(kInf);
    ASSERT_NE(editor, nullptr);
    elsewhere = new QLineEdit(grid.get());  // the grid deletes it
    elsewhere->setGeometry(400, 120, 60, 20);
    elsewhere->show();
  }

  QLineEdit* elsewhere = nullptr;
  TzelDBGridInplaceEdit* editor = nullptr;
  std::vector<bool> closeUps;
  TzelColumn* closedColumn = nullptr;
};

TEST_F(LookupEditTest, TheFirstCharacterOpensTheListAndGoesIntoEditorAndFilter) {
  EXPECT_EQ(editor->EditStyle(), esDataList);
  TypeText(editor, "ш");
  ASSERT_TRUE(editor->ListVisible());
  EXPECT_TRUE(editor->DataList()->isVisible());
  EXPECT_EQ(editor->Text(), "ш");
  EXPECT_EQ(editor->DataList()->SearchText(), "ш");
  TypeText(editor, "т");
  EXPECT_EQ(editor->Text(), "шт");
  EXPECT_EQ(VisibleIds(*units), (Ids{1, 2, 5}));
  EXPECT_TRUE(editor->hasFocus());
}

TEST_F(LookupEditTest, TypingIntoTheGridStartsTheEditorAndTheFilteredList) {
  grid->HideEditor();
  grid->setFocus();
  TypeText(grid.get(), "шт");
  ASSERT_TRUE(editor->isVisible());
  ASSERT_TRUE(editor->ListVisible());
  EXPECT_EQ(editor->Text(), "шт");
  EXPECT_EQ(editor->DataList()->SearchText(), "шт");
  QTest::keyClick(editor, Qt::Key_Return);
  EXPECT_EQ(MappingText("INF"), "PCE");
  EXPECT_EQ(closeUps, (std::vector<bool>{true}));
}

TEST_F(LookupEditTest, TypingOverACellWithAValueReplacesIt) {
  mapping->Locate("OLD", Variant("м"), {});
  editor = EditCell(kInf);
  EXPECT_EQ(editor->Text(), "метр");  // the lookup's display text, all selected
  TypeText(editor, "ш");
  ASSERT_TRUE(editor->ListVisible());
  EXPECT_EQ(editor->Text(), "ш");
  EXPECT_EQ(editor->DataList()->SearchText(), "ш");
  QTest::keyClick(editor, Qt::Key_Return);
  EXPECT_EQ(MappingText("INF"), "PCE");
  EXPECT_EQ(editor->Text(), "штука");  // the editor shows the chosen row again
}

TEST_F(LookupEditTest, EnterStoresTheKeyOfTheChosenRowAndGivesTheFilterBack) {
  TypeText(editor, "шт");
  const int gridRow = grid->Row();
  QTest::keyClick(editor, Qt::Key_Down);  // moves the list, not the grid
  EXPECT_EQ(mapping->RecNo(), 1);
  EXPECT_EQ(grid->Row(), gridRow);
  EXPECT_EQ(editor->DataList()->KeyValue(), Variant("PCS"));
  QTest::keyClick(editor, Qt::Key_Return);
  EXPECT_FALSE(editor->ListVisible());
  EXPECT_EQ(MappingText("INF"), "PCS");
  EXPECT_EQ(closeUps, (std::vector<bool>{true}));
  EXPECT_EQ(closedColumn, grid->Columns().Items(kInf));
  EXPECT_FALSE(units->Filtered());
  EXPECT_FALSE(units->OnFilterRecord);
  EXPECT_EQ(VisibleIds(*units).size(), 6u);
  mapping->Post();
  EXPECT_EQ(MappingText("INF"), "PCS");  // the typed text never reached the key
}

TEST_F(LookupEditTest, EscapeWritesNothing) {
  TypeText(editor, "шт");
  QTest::keyClick(editor, Qt::Key_Escape);
  EXPECT_FALSE(editor->ListVisible());
  EXPECT_EQ(MappingText("INF"), "");
  EXPECT_EQ(closeUps, (std::vector<bool>{false}));
  EXPECT_FALSE(units->Filtered());
}

TEST_F(LookupEditTest, AClickOnARowStoresItsKey) {
  TypeText(editor, "м");
  TzelPopupData* list = editor->DataList();
  EXPECT_EQ(VisibleIds(*units), (Ids{3, 4}));
  const QPoint secondRow(30, 1 + list->RowHeight() + list->RowHeight() / 2);
  QTest::mouseClick(list, Qt::LeftButton, {}, secondRow);
  EXPECT_FALSE(editor->ListVisible());
  EXPECT_EQ(MappingText("INF"), "KG");
  EXPECT_EQ(closeUps, (std::vector<bool>{true}));
}

TEST_F(LookupEditTest, AlternativeClosesWithoutAccepting) {
  struct Case {
    const char* what;
    std::function<void(LookupEditTest&)> close;
  };
  const std::vector<Case> cases = {
      {"a press outside",
       [](LookupEditTest& test) {
         QTest::mousePress(test.grid->viewport(), Qt::LeftButton, {}, QPoint(5, 5));
       }},
      {"the application losing activation",
       [](LookupEditTest&) {
         QEvent deactivate(QEvent::ApplicationDeactivate);
         QApplication::sendEvent(qApp, &deactivate);
       }},
      {"focus going elsewhere",
       [](LookupEditTest& test) {
         test.elsewhere->setFocus();
         QApplication::processEvents();
       }},
  };
  for (const Case& test : cases) {
    closeUps.clear();
    clock.Advance(10000);
    editor = EditCell(kInf);
    TypeText(editor, "шт");
    ASSERT_TRUE(editor->ListVisible()) << test.what;
    test.close(*this);
    EXPECT_FALSE(editor->ListVisible()) << test.what;
    EXPECT_EQ(MappingText("INF"), "") << test.what;
    EXPECT_EQ(closeUps, (std::vector<bool>{false})) << test.what;
    EXPECT_FALSE(units->Filtered()) << test.what;
    mapping->Cancel();
  }
}

TEST_F(LookupEditTest, AltDownOpensOnTheCurrentKeyAndAltDownAcceptsIt) {
  mapping->Locate("OLD", Variant("м"), {});
  editor = EditCell(kInf);
  QTest::keyClick(editor, Qt::Key_Down, Qt::AltModifier);
  ASSERT_TRUE(editor->ListVisible());
  EXPECT_EQ(editor->DataList()->SelectedItem(), "метр");
  QTest::keyClick(editor, Qt::Key_Down);
  QTest::keyClick(editor, Qt::Key_Down, Qt::AltModifier);
  EXPECT_FALSE(editor->ListVisible());
  EXPECT_EQ(MappingText("INF"), "KG");
}

TEST_F(LookupEditTest, AnEmptyChoiceNeverClearsAKey) {
  mapping->Locate("OLD", Variant("м"), {});
  editor = EditCell(kInf);
  TypeText(editor, "щщ");
  EXPECT_TRUE(VisibleIds(*units).empty());
  QTest::keyClick(editor, Qt::Key_Return);
  EXPECT_EQ(MappingText("INF"), "M");
}

TEST_F(LookupEditTest, TheOwnersFilterIsBackAfterTheList) {
  units->OnFilterRecord = [](TDataSet* dataSet, bool& accept) {
    accept = dataSet->FieldByName("ID")->AsInteger() != 2;
  };
  units->SetFiltered(true);
  TypeText(editor, "шт");
  EXPECT_EQ(VisibleIds(*units), (Ids{1, 5}));
  QTest::keyClick(editor, Qt::Key_Escape);
  EXPECT_TRUE(units->Filtered());
  EXPECT_EQ(VisibleIds(*units), (Ids{1, 3, 4, 5, 6}));
}

TEST_F(LookupEditTest, DestroyingTheGridWithAFilteredListOpenRestoresTheLookupDataset) {
  int ownCalls = 0;
  units->OnFilterRecord = [&](TDataSet*, bool& accept) {
    ++ownCalls;
    accept = true;
  };
  TypeText(editor, "шт");
  ASSERT_TRUE(editor->ListVisible());
  grid.reset();
  EXPECT_FALSE(units->Filtered());
  units->SetFiltered(true);  // reads freed memory if the list's hook were left
  EXPECT_GT(ownCalls, 0);
}

TEST_F(LookupEditTest, ClosingTheLookupDatasetWithTheListOpenIsClean) {
  TypeText(editor, "шт");
  units->Close();
  QTest::keyClick(editor, Qt::Key_Escape);
  EXPECT_FALSE(editor->ListVisible());
  EXPECT_FALSE(units->OnFilterRecord);
}

TEST_F(LookupEditTest, AListOverAClosedLookupDatasetWritesNoKeyLeftFromAnotherRow) {
  TypeText(editor, "шт");
  QTest::keyClick(editor, Qt::Key_Return);
  ASSERT_EQ(MappingText("INF"), "PCE");
  QTest::keyClick(editor, Qt::Key_Down);  // the next row, editor on its INF cell
  ASSERT_EQ(MappingText("OLD"), "кг");
  units->Close();
  QTest::keyClick(editor, Qt::Key_Down, Qt::AltModifier);
  ASSERT_TRUE(editor->ListVisible());
  QTest::keyClick(editor, Qt::Key_Return);
  EXPECT_EQ(MappingText("INF"), "");
  EXPECT_TRUE(mapping->FieldByName("INF")->IsNull());
}

TEST_F(LookupEditTest, ARowWhoseKeyIsNullIsChosenAndWritten) {
  units->Append();
  units->FieldByName("ID")->SetAsInteger(7);
  units->FieldByName("NAME")->SetAsString("без кода");
  units->Post();
  mapping->Locate("OLD", Variant("м"), {});
  editor = EditCell(kInf);
  QTest::keyClick(editor, Qt::Key_Down, Qt::AltModifier);
  ASSERT_TRUE(editor->ListVisible());
  QTest::keyClick(editor, Qt::Key_End);
  EXPECT_TRUE(editor->DataList()->RowChosen());
  EXPECT_EQ(editor->DataList()->SelectedItem(), "без кода");
  QTest::keyClick(editor, Qt::Key_Return);
  EXPECT_TRUE(mapping->FieldByName("INF")->IsNull());
  // Nothing chosen is still no write.
  mapping->Locate("OLD", Variant("кг"), {});
  editor = EditCell(kInf);
  QTest::keyClick(editor, Qt::Key_Down, Qt::AltModifier);
  EXPECT_FALSE(editor->DataList()->RowChosen());
  QTest::keyClick(editor, Qt::Key_Return);
  EXPECT_TRUE(mapping->FieldByName("INF")->IsNull());
  EXPECT_EQ(MappingText("OLD"), "кг");
}

class PickListEditTest : public testing::GridEditorFixture {};

TEST_F(PickListEditTest, TypingSelectsAndEnterWritesTheText) {
  auto* editor = EditCell(kUnit);
  EXPECT_EQ(editor->EditStyle(), esPickList);
  TypeText(editor, "л");
  ASSERT_TRUE(editor->ListVisible());
  EXPECT_EQ(editor->PickList()->ItemIndex(), 2);
  QTest::keyClick(editor, Qt::Key_Return);
  EXPECT_EQ(MappingText("UNIT"), "литр");
}

TEST_F(PickListEditTest, PickValuesAreWrittenOnlyWhenTheCountsMatch) {
  TzelColumn* column = grid->Columns().Items(kUnit);
  const TStringList codes{"PCE", "M", "L"};
  column->SetPickValues(&codes);
  auto* editor = EditCell(kUnit);
  QTest::keyClick(editor, Qt::Key_Down, Qt::AltModifier);
  QTest::keyClick(editor, Qt::Key_Down);
  QTest::keyClick(editor, Qt::Key_Return);
  EXPECT_EQ(MappingText("UNIT"), "PCE");
  const TStringList tooFew{"PCE"};
  column->SetPickValues(&tooFew);
  editor = EditCell(kUnit);
  QTest::keyClick(editor, Qt::Key_Down, Qt::AltModifier);
  QTest::keyClick(editor, Qt::Key_End);
  QTest::keyClick(editor, Qt::Key_Return);
  EXPECT_EQ(MappingText("UNIT"), "литр");
}

TEST_F(PickListEditTest, HeightFollowsTheRowsAndEnterWithoutSelectionWritesNothing) {
  int afterCloseUps = 0;
  grid->AfterCloseUp = [&](TzelCustomDBGrid*, TzelColumn*, bool selected) {
    EXPECT_TRUE(selected);
    ++afterCloseUps;
  };
  auto* editor = EditCell(kUnit);
  QTest::keyClick(editor, Qt::Key_Down, Qt::AltModifier);
  TzelListbox* list = editor->PickList();
  EXPECT_EQ(list->height(), 3 * list->ItemHeight() + TzelListbox::kFrameHeight);
  EXPECT_EQ(list->ItemIndex(), -1);  // the field is null
  QTest::keyClick(editor, Qt::Key_Return);
  EXPECT_EQ(MappingText("UNIT"), "");
  EXPECT_EQ(afterCloseUps, 1);
}

TEST_F(PickListEditTest, AnEmptyOrReadOnlyComboShowsNoButton) {
  TzelColumn* column = grid->Columns().Items(kUnit);
  column->SetReadOnly(true);
  EXPECT_EQ(EditCell(kUnit)->EditStyle(), esNone);
  column->SetReadOnly(false);
  column->SetPickList(nullptr);
  EXPECT_EQ(EditCell(kUnit)->EditStyle(), esNone);
}

class CalendarEditTest : public testing::GridEditorFixture {};

TEST_F(CalendarEditTest, ANullDateOpensOnTodayAndAChosenDayIsWrittenAsText) {
  auto* editor = EditCell(kDate);
  EXPECT_EQ(editor->EditStyle(), esCalendar);
  QTest::keyClick(editor, Qt::Key_Down, Qt::AltModifier);
  ASSERT_TRUE(editor->ListVisible());
  TzelDlgCalendar* calendar = editor->Calendar();
  EXPECT_EQ(calendar->Date(), Date());
  calendar->SetDate(EncodeDate(2024, 2, 1));
  QTest::mouseClick(calendar->NextMonthButton(), Qt::LeftButton);  // stays open
  EXPECT_TRUE(editor->ListVisible());
  QTest::mouseClick(calendar->DayButton(5), Qt::LeftButton);  // Friday 2024-03-01
  EXPECT_FALSE(editor->ListVisible());
  EXPECT_EQ(mapping->FieldByName("D")->AsDateTime(), EncodeDate(2024, 3, 1));
}

TEST_F(CalendarEditTest, ClicksOnTheCalendarsLabelsNeitherCloseItNorWriteADate) {
  auto* editor = EditCell(kDate);
  QTest::keyClick(editor, Qt::Key_Down, Qt::AltModifier);
  ASSERT_TRUE(editor->ListVisible());
  TzelDlgCalendar* calendar = editor->Calendar();
  QTest::mouseClick(calendar->NextMonthButton(), Qt::LeftButton);
  QTest::mouseClick(calendar->YearLabel(), Qt::LeftButton);
  EXPECT_TRUE(editor->ListVisible());
  // The caption bar beside the year, and a weekday name.
  const QPoint caption = calendar->YearLabel()->geometry().topRight() + QPoint(1, 0);
  QTest::mouseClick(calendar, Qt::LeftButton, {}, caption);
  QTest::mouseClick(calendar->childAt(QPoint(8, 30)), Qt::LeftButton);
  EXPECT_TRUE(editor->ListVisible());
  EXPECT_TRUE(mapping->FieldByName("D")->IsNull());
  QTest::keyClick(editor, Qt::Key_Escape);
  EXPECT_FALSE(editor->ListVisible());
  EXPECT_TRUE(mapping->FieldByName("D")->IsNull());
}

class EditorPlacementTest : public testing::GridEditorFixture {};

TEST_F(EditorPlacementTest, NearTheScreensCornerTheListOpensAboveAndShiftedLeft) {
  const QRect screen = AvailableScreenRect(grid.get());
  grid->move(screen.right() - 300, screen.bottom() - 120);
  QApplication::processEvents();
  auto* editor = EditCell(kInf);
  QTest::keyClick(editor, Qt::Key_Down, Qt::AltModifier);
  ASSERT_TRUE(editor->ListVisible());
  const QRect list = editor->DataList()->frameGeometry();
  const QPoint editorTop = editor->mapToGlobal(QPoint(0, 0));
  EXPECT_EQ(list.bottom() + 1, editorTop.y());
  EXPECT_EQ(list.right(), screen.right());
  EXPECT_LT(list.left(), editorTop.x());
  EXPECT_EQ(list.width(), 250);
}

TEST_F(EditorPlacementTest, ButtonClickOpensAndAPressOnTheButtonCloses) {
  auto* editor = EditCell(kInf);
  const QPoint button = editor->ButtonRect().center();
  QTest::mousePress(editor, Qt::LeftButton, {}, button);
  EXPECT_TRUE(editor->ListVisible());
  EXPECT_TRUE(editor->Pressed());
  QTest::mouseRelease(editor, Qt::LeftButton, {}, button);
  EXPECT_FALSE(editor->Pressed());
  EXPECT_TRUE(editor->ListVisible());
  QTest::mousePress(editor, Qt::LeftButton, {}, button);
  EXPECT_FALSE(editor->ListVisible());
  QTest::mouseRelease(editor, Qt::LeftButton, {}, button);
}

class SpecialKeyTest : public testing::GridEditorFixture {};

TEST_F(SpecialKeyTest, SpecialKeysAreKeyCodesNeverCharacters) {
  std::vector<int> keys;
  grid->OnSpecialKeyDown = [&](TzelCustomDBGrid*, TzelColumn*, uint16_t& key, const std::string&) {
    keys.push_back(key);
  };
  auto* editor = EditCell(kOld);
  // Letters and symbols whose character codes are those of arrows and
  // Delete ('&' 38, '(' 40, '.' 46) type text; only the key codes count.
  TypeText(editor, "zщ&(");
  QTest::keyClick(editor, Qt::Key_Period);
  QTest::keyClick(editor, Qt::Key_F5);
  EXPECT_EQ(keys, (std::vector<int>{0xBE, 0x74}));  // the '.' key and F5
  QTest::keyClick(editor, Qt::Key_Up, Qt::AltModifier);  // consumed on a plain column
  EXPECT_EQ(keys.back(), 0x12);  // only the Alt key itself was special
  EXPECT_FALSE(editor->ListVisible());
}

TEST_F(SpecialKeyTest, EscapePutsTheCellsTextBack) {
  auto* editor = EditCell(kOld);
  editor->end(false);
  TypeText(editor, "xyz");
  EXPECT_EQ(editor->Text(), "штxyz");
  QTest::keyClick(editor, Qt::Key_Escape);
  EXPECT_EQ(editor->Text(), "шт");
}

TEST_F(SpecialKeyTest, CtrlEnterOnAnEllipsisColumnClicksTheButtonAndTypesNothing) {
  grid->Columns().Items(kOld)->SetButtonStyle(cbsEllipsis);
  grid->Columns().Items(kOld)->SetReadOnly(true);
  int clicks = 0;
  grid->OnEditButtonClick = [&](TzelCustomDBGrid*, TzelColumn*) { ++clicks; };
  auto* editor = EditCell(kOld);
  EXPECT_EQ(editor->EditStyle(), esEllipsis);
  const std::string before = editor->Text();
  QTest::keyClick(editor, Qt::Key_Return, Qt::ControlModifier);
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(editor->Text(), before);
  QTest::mouseClick(editor, Qt::LeftButton, {}, editor->ButtonRect().center());
  EXPECT_EQ(clicks, 2);
}

}  // namespace
}  // namespace morvane
