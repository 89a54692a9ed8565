// The grid driven by real key and mouse events: deletion prompts, append and
// cancel at the end, shift-selection, check boxes, titles, the editor's
// write-back and Tab, column sizing beside hidden columns, and characters
// typed with AltGr.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTest>
#include <QVBoxLayout>

#include "controls/grid/db_grid.h"
#include "controls/grid/testing/grid_fixture.h"
#include "engine/test_buffer.h"
#include "engine/test_dataset.h"
#include "platform/db/testing/sample_data.h"
#include "platform/rtl/exceptions.h"
#include "platform/ui/confirm.h"
#include "platform/ui/message_box.h"

namespace morvane::testing {
namespace {

class DBGridInputTest : public GridFixture {
 protected:
  void SetUp() override {
    GridFixture::SetUp();
    previousConfirm_ = SetConfirmHook([this](const std::string&, const std::string& text) {
      prompts.push_back(text);
      return answer;
    });
    previousMessage_ = SetMessageBoxHook(
        [this](const std::string&, const std::string& text) { messages.push_back(text); });
    // The grid sits in a window beside another input, so focus can leave it.
    window = std::make_unique<QWidget>();
    auto* layout = new QVBoxLayout(window.get());
    grid->setParent(window.get());
    layout->addWidget(grid.get());
    other = new QLineEdit(window.get());
    layout->addWidget(other);
  }

  void TearDown() override {
    grid.reset();
    window.reset();
    SetConfirmHook(previousConfirm_);
    SetMessageBoxHook(previousMessage_);
    GridFixture::TearDown();
  }

  void Show(int records) {
    OpenGoods(records);
    grid->SetDataSource(source.get());
    window->resize(480, 300);
    window->show();
    window->activateWindow();
    grid->setFocus();
    QApplication::processEvents();
  }

  void Key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QTest::keyClick(grid.get(), Qt::Key(key), modifiers);
  }

  QPoint CellCenter(int rawCol, int rawRow) { return grid->CellRect(rawCol, rawRow).center(); }

  void Click(int rawCol, int rawRow, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, modifiers, CellCenter(rawCol, rawRow));
  }

  // Types text character by character, as a keyboard layout of any
  // language does (the key code is not what matters here).
  static void Type(QWidget* target, const QString& text) {
    for (QChar ch : text) {
      QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(ch));
      QApplication::sendEvent(target, &press);
      QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(ch));
      QApplication::sendEvent(target, &release);
    }
  }

  int CurrentId() { return goods->FieldByName("ID")->AsInteger(); }

  std::vector<std::string> prompts;
  std::vector<std::string> messages;
  bool answer = true;
  std::unique_ptr<QWidget> window;
  QLineEdit* other = nullptr;

 private:
  TConfirmHook previousConfirm_;
  TMessageBoxHook previousMessage_;
};

TEST_F(DBGridInputTest, CtrlDeleteAsksForOneRowAndCancelKeepsIt) {
  Show(5);
  answer = false;
  Key(Qt::Key_Delete, Qt::ControlModifier);
  EXPECT_EQ(prompts, (std::vector<std::string>{"Удалить запись?"}));
  EXPECT_EQ(goods->RecordCount(), 5);
  answer = true;
  Key(Qt::Key_Delete, Qt::ControlModifier);
  EXPECT_EQ(goods->RecordCount(), 4);
  EXPECT_EQ(CurrentId(), 2);
}

TEST_F(DBGridInputTest, CtrlDeleteAsksForSeveralSelectedRows) {
  TzelDBGridOptions options = grid->Options();
  options.Include(dgMultiSelect);
  grid->SetOptions(options);
  Show(6);
  Key(Qt::Key_Down, Qt::ShiftModifier);
  Key(Qt::Key_Down, Qt::ShiftModifier);
  ASSERT_EQ(grid->SelectedRows().Count(), 3);
  answer = false;
  Key(Qt::Key_Delete, Qt::ControlModifier);
  EXPECT_EQ(prompts.back(), "Удалить выбранные записи?");
  EXPECT_EQ(goods->RecordCount(), 6);
  answer = true;
  Key(Qt::Key_Delete, Qt::ControlModifier);
  EXPECT_EQ(AllIds(*goods), (std::vector<int>{4, 5, 6}));
}

TEST_F(DBGridInputTest, CtrlDeleteAfterTheSelectedRecordsWentDeletesTheCurrentOne) {
  TzelDBGridOptions options = grid->Options();
  options.Include(dgMultiSelect);
  grid->SetOptions(options);
  Show(6);
  Key(Qt::Key_Down, Qt::ShiftModifier);
  ASSERT_EQ(grid->SelectedRows().Count(), 2);
  // Records 1 and 2 go behind the grid's back; the grid stands on 3.
  goods->First();
  goods->Delete();
  goods->Delete();
  ASSERT_EQ(CurrentId(), 3);
  Key(Qt::Key_Delete, Qt::ControlModifier);
  EXPECT_EQ(prompts, (std::vector<std::string>{"Удалить запись?"}));
  EXPECT_EQ(AllIds(*goods), (std::vector<int>{4, 5, 6}));
  EXPECT_EQ(grid->SelectedRows().Count(), 0);
}

// The engine's bookmarks are record addresses: a reload puts new records
// where the selected ones were.
TEST_F(DBGridInputTest, ASelectionTakenBeforeAReloadSelectsAndDeletesNothingAfterIt) {
  MemoryDataset table(TestBuffer()
                          .Layout({"T.ID i", "T.NAME s20"})
                          .Record({Int(1), Text("a")})
                          .Record({Int(2), Text("b")})
                          .Record({Int(3), Text("c")})
                          .Record({Int(4), Text("d")})
                          .Bytes());
  table.Open();
  struct Detach {
    TDataSource* source;
    ~Detach() { source->SetDataSet(nullptr); }
  } detach{source.get()};
  TzelDBGridOptions options = grid->Options();
  options.Include(dgMultiSelect);
  grid->SetOptions(options);
  source->SetDataSet(&table);
  Show(0);
  Key(Qt::Key_Down, Qt::ShiftModifier);
  Key(Qt::Key_Down, Qt::ShiftModifier);
  ASSERT_EQ(grid->SelectedRows().Count(), 3);
  table.Refresh();
  EXPECT_EQ(grid->SelectedRows().Count(), 0);
  for (table.First(); !table.Eof(); table.Next())
    EXPECT_FALSE(grid->SelectedRows().CurrentRowSelected()) << table.RecNo();
  table.First();
  Key(Qt::Key_Delete, Qt::ControlModifier);
  EXPECT_EQ(prompts, (std::vector<std::string>{"Удалить запись?"}));
  std::vector<int> ids;
  for (table.First(); !table.Eof(); table.Next())
    ids.push_back(table.FieldByName("ID")->AsInteger());
  EXPECT_EQ(ids, (std::vector<int>{2, 3, 4}));
}

TEST_F(DBGridInputTest, NothingIsAskedOrDeletedWithoutAllowDelete) {
  Show(3);
  grid->SetAllowDelete(false);
  Key(Qt::Key_Delete, Qt::ControlModifier);
  EXPECT_TRUE(prompts.empty());
  EXPECT_EQ(goods->RecordCount(), 3);
}

TEST_F(DBGridInputTest, DownAtTheEndAppendsOnlyWhenAllowedAndUpCancelsTheUntouchedRow) {
  Show(3);
  Key(Qt::Key_End, Qt::ControlModifier);
  ASSERT_EQ(CurrentId(), 3);
  Key(Qt::Key_Down);
  EXPECT_EQ(goods->State(), dsInsert);
  Key(Qt::Key_Down);  // an untouched new row at the end: nothing more
  EXPECT_EQ(goods->State(), dsInsert);
  Key(Qt::Key_Up);
  EXPECT_EQ(goods->State(), dsBrowse);
  EXPECT_EQ(goods->RecordCount(), 3);
  EXPECT_EQ(CurrentId(), 3);

  grid->SetAllowInsert(false);
  Key(Qt::Key_Down);
  EXPECT_EQ(goods->State(), dsBrowse);
  grid->SetAllowInsert(true);
  TzelDBGridOptions options = grid->Options();
  options.Exclude(dgEditing);
  grid->SetOptions(options);
  Key(Qt::Key_Down);
  EXPECT_EQ(goods->State(), dsBrowse);
}

// Bookmarks ordered against the display, as record identities may be.
class ReverseBookmarkDataSet : public TMemoryDataSet {
 public:
  using TMemoryDataSet::TMemoryDataSet;
  int CompareBookmarks(const TBookmark& left, const TBookmark& right) const override {
    return TMemoryDataSet::CompareBookmarks(right, left);
  }
};

TEST_F(DBGridInputTest, ShiftSelectionFollowsTheDisplayNotTheBookmarkOrder) {
  ReverseBookmarkDataSet reversed;
  FillNumbered(reversed, 8);
  source->SetDataSet(&reversed);
  TzelDBGridOptions options = grid->Options();
  options.Include(dgMultiSelect);
  grid->SetOptions(options);
  grid->SetDataSource(source.get());
  window->show();
  grid->setFocus();
  for (int step = 0; step < 3; ++step) Key(Qt::Key_Down, Qt::ShiftModifier);
  Key(Qt::Key_Up, Qt::ShiftModifier);
  std::vector<int> selected;
  for (reversed.First(); !reversed.Eof(); reversed.Next())
    if (grid->SelectedRows().CurrentRowSelected())
      selected.push_back(reversed.FieldByName("ID")->AsInteger());
  EXPECT_EQ(selected, (std::vector<int>{1, 2, 3}));
  grid->SetDataSource(nullptr);
}

TEST_F(DBGridInputTest, SpaceAndClickToggleACheckColumn) {
  Show(3);
  grid->Columns().RebuildColumns();
  TzelColumn* flag = grid->ColumnByName("FLAG");
  flag->SetButtonStyle(cbsCheck);
  flag->SetValueChecked("Y");
  flag->SetValueUnChecked("N");
  grid->SetSelectedIndex(flag->Index());
  Key(Qt::Key_Space);
  EXPECT_EQ(goods->FieldByName("FLAG")->AsString(), "Y");
  Key(Qt::Key_Space);
  EXPECT_EQ(goods->FieldByName("FLAG")->AsString(), "N");
  EXPECT_FALSE(grid->EditorVisible()) << "check columns never show the editor";
  goods->Post();
  Click(grid->DataToRawColumn(flag->Index()), 2);
  EXPECT_EQ(CurrentId(), 2);
  EXPECT_EQ(goods->FieldByName("FLAG")->AsString(), "Y");
}

TEST_F(DBGridInputTest, TitleClickResetsSortMarksOnlyForThePressedTitle) {
  Show(3);
  grid->Columns().RebuildColumns();
  TzelColumn* id = grid->Columns()[0];
  TzelColumn* name = grid->Columns()[1];
  id->SetCanClick(true);
  name->SetCanClick(true);
  name->SetSortMark(zsmUp);
  std::vector<std::string> clicks;
  grid->OnTitleClick = [&](TzelCustomDBGrid*, TzelColumn* column) {
    EXPECT_EQ(name->SortMark(), zsmNone) << "marks are reset before the handler";
    clicks.push_back(column->FieldName());
    column->SetSortMark(zsmDown);
  };
  Click(1, 0);
  EXPECT_EQ(clicks, (std::vector<std::string>{"ID"}));
  EXPECT_EQ(id->SortMark(), zsmDown);
  // Pressed on one title, released over another: no title click.
  QTest::mousePress(grid->viewport(), Qt::LeftButton, {}, CellCenter(1, 0));
  EXPECT_TRUE(id->TitlePressed());
  QTest::mouseRelease(grid->viewport(), Qt::LeftButton, {}, CellCenter(2, 0));
  EXPECT_EQ(clicks.size(), 1u);
  EXPECT_FALSE(id->TitlePressed());
}

TEST_F(DBGridInputTest, EditorTextIsWrittenBackOnEnter) {
  Show(3);
  Key(Qt::Key_Right);  // NAME
  QTest::keyClicks(grid.get(), "new");
  ASSERT_TRUE(grid->EditorVisible());
  QTest::keyClick(grid->InplaceEditor(), Qt::Key_Return);
  EXPECT_EQ(goods->FieldByName("NAME")->AsString(), "new");
  EXPECT_EQ(goods->State(), dsEdit);
  EXPECT_FALSE(grid->EditorVisible());
}

TEST_F(DBGridInputTest, EditorTextIsWrittenBackOnMovingToAnotherRow) {
  Show(3);
  Key(Qt::Key_Right);
  QTest::keyClicks(grid.get(), "moved");
  QTest::keyClick(grid->InplaceEditor(), Qt::Key_Down);
  EXPECT_EQ(goods->State(), dsBrowse);
  EXPECT_EQ(CurrentId(), 2);
  goods->First();
  EXPECT_EQ(goods->FieldByName("NAME")->AsString(), "moved");
}

TEST_F(DBGridInputTest, EditorTextIsWrittenBackOnLeavingTheGrid) {
  Show(3);
  Key(Qt::Key_Right);
  QTest::keyClicks(grid.get(), "left");
  other->setFocus();
  QApplication::processEvents();
  EXPECT_EQ(goods->FieldByName("NAME")->AsString(), "left");
  EXPECT_TRUE(messages.empty());
}

TEST_F(DBGridInputTest, AnErrorOnLeavingKeepsTheFocusInTheGrid) {
  Show(3);
  goods->FieldByName("NAME")->OnValidate = [](TField* field) {
    if (field->AsString() == "bad") throw EDatabaseError("Недопустимое значение");
  };
  Key(Qt::Key_Right);
  QTest::keyClicks(grid.get(), "bad");
  other->setFocus();
  QApplication::processEvents();
  EXPECT_EQ(messages, (std::vector<std::string>{"Недопустимое значение"}));
  EXPECT_TRUE(grid->GridFocused());
  EXPECT_EQ(goods->FieldByName("NAME")->AsString(), "row 1");
}

TEST_F(DBGridInputTest, EscapeDropsTheTypedText) {
  Show(3);
  Key(Qt::Key_Right);
  QTest::keyClicks(grid.get(), "typed");
  QTest::keyClick(grid->InplaceEditor(), Qt::Key_Escape);
  QTest::keyClick(grid.get(), Qt::Key_Down);
  goods->First();
  EXPECT_EQ(goods->FieldByName("NAME")->AsString(), "row 1");
}

TEST_F(DBGridInputTest, CharactersTypedWithAltGrAreTextNotKeys) {
  Show(3);
  Key(Qt::Key_Right);
  // '@' with AltGr, '.' and 'q' are characters: no Alt+Up, no Delete, no F2.
  QTest::keyClick(grid.get(), Qt::Key_At, Qt::GroupSwitchModifier);
  QTest::keyClick(grid->InplaceEditor(), Qt::Key_Period);
  QTest::keyClick(grid->InplaceEditor(), Qt::Key_Q);
  ASSERT_TRUE(grid->EditorVisible());
  EXPECT_EQ(static_cast<QLineEdit*>(grid->InplaceEditor())->text().toStdString(), "@.q");
  EXPECT_EQ(CurrentId(), 1);
  EXPECT_EQ(goods->RecordCount(), 3);
}

TEST_F(DBGridInputTest, LookupColumnNeverWritesTypedTextIntoItsKey) {
  Show(3);
  grid->Columns().RebuildColumns();
  TzelColumn* unit = grid->ColumnByName("UNIT");
  unit->SetButtonStyle(cbsLookup);
  unit->SetLookupDataSet(units);
  unit->SetLookupKeyField("UNIT");
  unit->SetLookupLinkField("UID");
  unit->SetLookupDropDownFields("UNAME;UID");
  grid->SetSelectedIndex(unit->Index());
  Type(grid.get(), "ме");  // filter text, not a key
  ASSERT_TRUE(grid->EditorVisible());
  Type(grid->InplaceEditor(), "т");
  QTest::keyClick(grid->InplaceEditor(), Qt::Key_Return);
  EXPECT_EQ(goods->FieldByName("UNIT")->AsInteger(), 2);
  EXPECT_EQ(grid->EditText(), "метр");
  // An emptied editor clears the key.
  Key(Qt::Key_F2);
  ASSERT_TRUE(grid->EditorVisible());
  static_cast<QLineEdit*>(grid->InplaceEditor())->selectAll();
  QTest::keyClick(grid->InplaceEditor(), Qt::Key_Backspace);
  QTest::keyClick(grid->InplaceEditor(), Qt::Key_Return);
  EXPECT_TRUE(goods->FieldByName("UNIT")->IsNull());
}

TEST_F(DBGridInputTest, WheelMovesOneRecordPerNotch) {
  Show(10);
  QWheelEvent down(QPointF(20, 40), grid->viewport()->mapToGlobal(QPointF(20, 40)), QPoint(),
                   QPoint(0, -240), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
  QApplication::sendEvent(grid->viewport(), &down);
  EXPECT_EQ(CurrentId(), 3);
  QWheelEvent up(QPointF(20, 40), grid->viewport()->mapToGlobal(QPointF(20, 40)), QPoint(),
                 QPoint(0, 120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
  QApplication::sendEvent(grid->viewport(), &up);
  EXPECT_EQ(CurrentId(), 2);
}

TEST_F(DBGridInputTest, ScrollBarActionsMoveTheRecordWindow) {
  OpenGoods(100);
  grid->SetDataSource(source.get());
  window->show();
  SetVisibleRows(5);
  ASSERT_EQ(grid->VisibleRowCount(), 5);
  QScrollBar* bar = grid->verticalScrollBar();
  bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);  // the record below the window
  EXPECT_EQ(CurrentId(), 6);
  bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
  EXPECT_EQ(CurrentId(), 11);
  bar->triggerAction(QAbstractSlider::SliderSingleStepSub);  // the record above the window
  EXPECT_EQ(CurrentId(), 6);  // the window showed 7 to 11
  bar->triggerAction(QAbstractSlider::SliderToMaximum);
  EXPECT_EQ(CurrentId(), 100);
  EXPECT_EQ(bar->sliderPosition(), 100);
  bar->setSliderPosition(40);
  emit bar->sliderReleased();
  EXPECT_EQ(CurrentId(), 40);
  bar->triggerAction(QAbstractSlider::SliderToMinimum);
  EXPECT_EQ(CurrentId(), 1);
  EXPECT_EQ(bar->sliderPosition(), 1);
}

// Moves the pointer with the left button held, as a drag does (also beyond
// the viewport, where the press keeps delivering the moves to the grid).
void DragTo(QWidget* viewport, QPoint point) {
  QMouseEvent move(QEvent::MouseMove, QPointF(point), viewport->mapToGlobal(QPointF(point)),
                   Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(viewport, &move);
}

TEST_F(DBGridInputTest, HoldingADragBeyondAnEdgeScrollsOneRecordPerStepUntilRelease) {
  OpenGoods(100);
  grid->SetDataSource(source.get());
  window->show();
  SetVisibleRows(5);
  QWidget* viewport = grid->viewport();
  const QPoint start = CellCenter(1, 2);
  QTest::mousePress(viewport, Qt::LeftButton, {}, start);
  ASSERT_EQ(CurrentId(), 2);
  DragTo(viewport, CellCenter(1, 4));
  EXPECT_FALSE(grid->AutoScrolling()) << "inside the grid nothing scrolls";
  DragTo(viewport, QPoint(start.x(), viewport->height() + 10));
  EXPECT_TRUE(grid->AutoScrolling());
  grid->AutoScrollStep();  // the record below the window (1 to 5)
  EXPECT_EQ(CurrentId(), 6);
  grid->AutoScrollStep();
  EXPECT_EQ(CurrentId(), 7);
  DragTo(viewport, start);
  EXPECT_FALSE(grid->AutoScrolling()) << "back inside, the scrolling stops";
  DragTo(viewport, QPoint(start.x(), -10));
  EXPECT_TRUE(grid->AutoScrolling());
  grid->AutoScrollStep();  // the record above the window (3 to 7)
  EXPECT_EQ(CurrentId(), 2);
  QTest::mouseRelease(viewport, Qt::LeftButton, {}, QPoint(start.x(), -10));
  EXPECT_FALSE(grid->AutoScrolling());
  grid->AutoScrollStep();  // a late tick after the release does nothing
  EXPECT_EQ(CurrentId(), 2);
  DragTo(viewport, QPoint(start.x(), viewport->height() + 10));
  EXPECT_FALSE(grid->AutoScrolling()) << "a move without a press is no drag";
}

TEST_F(DBGridInputTest, TheTimerKeepsScrollingWhileHeldAndStopsOnRelease) {
  OpenGoods(100);
  grid->SetDataSource(source.get());
  window->show();
  SetVisibleRows(5);
  QWidget* viewport = grid->viewport();
  const QPoint below(CellCenter(1, 2).x(), viewport->height() + 10);
  QTest::mousePress(viewport, Qt::LeftButton, {}, CellCenter(1, 2));
  DragTo(viewport, below);
  ASSERT_TRUE(QTest::qWaitFor([&] { return CurrentId() >= 8; }));
  QTest::mouseRelease(viewport, Qt::LeftButton, {}, below);
  const int released = CurrentId();
  QTest::qWait(200);  // ticks that would still run after the release
  EXPECT_EQ(CurrentId(), released);
}

TEST_F(DBGridInputTest, RightButtonAndCheckBoxPressesDoNotScrollBeyondTheEdge) {
  OpenGoods(100);
  grid->SetDataSource(source.get());
  grid->Columns().RebuildColumns();
  TzelColumn* flag = grid->ColumnByName("FLAG");
  flag->SetButtonStyle(cbsCheck);
  window->show();
  SetVisibleRows(5);
  QWidget* viewport = grid->viewport();
  const QPoint below(CellCenter(1, 2).x(), viewport->height() + 10);
  QTest::mousePress(viewport, Qt::RightButton, {}, CellCenter(1, 2));
  DragTo(viewport, below);
  EXPECT_FALSE(grid->AutoScrolling());
  QTest::mouseRelease(viewport, Qt::RightButton, {}, below);
  QTest::mousePress(viewport, Qt::LeftButton, {},
                    CellCenter(grid->DataToRawColumn(flag->Index()), 3));
  DragTo(viewport, below);
  EXPECT_FALSE(grid->AutoScrolling());
  QTest::mouseRelease(viewport, Qt::LeftButton, {}, below);
}

TEST_F(DBGridInputTest, TabStepsOverReadOnlyColumnsAndWrapsToTheNextRow) {
  Show(3);
  grid->Columns().RebuildColumns();
  grid->ColumnByName("UNIT")->SetReadOnly(true);
  grid->ColumnByName("NOTE")->SetVisible(false);
  std::vector<int> cols;
  for (int step = 0; step < 3; ++step) {
    Key(Qt::Key_Tab);
    cols.push_back(grid->SelectedIndex());
  }
  // ID -> NAME -> FLAG -> next row's ID.
  EXPECT_EQ(cols, (std::vector<int>{1, 4, 0}));
  EXPECT_EQ(CurrentId(), 2);
  Key(Qt::Key_Backtab, Qt::ShiftModifier);
  EXPECT_EQ(grid->SelectedIndex(), 4);
  EXPECT_EQ(CurrentId(), 1);
}

TEST_F(DBGridInputTest, TabAndShiftTabInTheEditorMoveThroughTheRowAndKeepTheFocusInTheGrid) {
  Show(3);
  grid->SetSelectedIndex(1);  // NAME
  Key(Qt::Key_F2);
  QWidget* editor = grid->InplaceEditor();
  ASSERT_NE(editor, nullptr);
  ASSERT_TRUE(editor->hasFocus());
  Type(editor, "x");
  QTest::keyClick(editor, Qt::Key_Tab);
  EXPECT_FALSE(other->hasFocus());
  EXPECT_TRUE(grid->hasFocus() || editor->hasFocus());
  EXPECT_EQ(grid->SelectedIndex(), 2);
  EXPECT_EQ(goods->FieldByName("NAME")->AsString(), "x");
  QWidget* focused = QApplication::focusWidget();
  QTest::keyClick(focused, Qt::Key_Backtab, Qt::ShiftModifier);
  EXPECT_FALSE(other->hasFocus());
  EXPECT_EQ(grid->SelectedIndex(), 1);
  EXPECT_EQ(CurrentId(), 1);
}

TEST_F(DBGridInputTest, AHiddenColumnKeepsItsWidthThroughSizingSavingAndAssigning) {
  Show(3);
  grid->Columns().RebuildColumns();
  TzelColumn* note = grid->ColumnByName("NOTE");
  TzelColumn* name = grid->ColumnByName("NAME");
  note->SetWidth(77);
  note->SetVisible(false);
  // Drag NAME's right border in the title row 20 pixels to the right.
  const QRect title = grid->CellRect(grid->DataToRawColumn(name->Index()), 0);
  const QPoint border(title.right() + 1, title.center().y());
  QTest::mousePress(grid->viewport(), Qt::LeftButton, {}, border);
  QMouseEvent move(QEvent::MouseMove, QPointF(border + QPoint(20, 0)),
                   QPointF(grid->viewport()->mapToGlobal(border + QPoint(20, 0))), Qt::NoButton,
                   Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(grid->viewport(), &move);
  QTest::mouseRelease(grid->viewport(), Qt::LeftButton, {}, border + QPoint(20, 0));
  ASSERT_EQ(name->Width(), title.width() + 20);
  EXPECT_EQ(note->StoredWidth(), 77);

  TMemoryStream file;
  grid->Columns().SaveToStream(file);
  const std::string text(file.Bytes().begin(), file.Bytes().end());
  EXPECT_EQ(text.find("\"Width\": 0"), std::string::npos) << text;
  EXPECT_EQ(text.find("\"Width\": -1"), std::string::npos) << text;
  TzelDBGrid loaded(nullptr, owner.get());
  loaded.SetDataSource(source.get());
  file.Seek(0, SeekOrigin::Beginning);
  loaded.Columns().LoadFromStream(file);
  TzelColumn* loadedNote = loaded.ColumnByName("NOTE");
  loadedNote->SetVisible(true);
  EXPECT_EQ(loadedNote->Width(), 77);

  TzelColumn* copy = loaded.Columns().Add();
  copy->Assign(*note);
  copy->SetVisible(true);
  EXPECT_EQ(copy->Width(), 77);
  note->SetVisible(true);
  EXPECT_EQ(note->Width(), 77);
  EXPECT_EQ(grid->ColWidths(grid->DataToRawColumn(note->Index())), 77);
}

}  // namespace
}  // namespace morvane::testing
