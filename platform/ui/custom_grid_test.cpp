// The grid base: geometry, the scroll bar set from outside, column sizing and
// moving by mouse, the coalesced deferred layout, the plain editor's byte
// limit and Tab, and the drawing wrappers it stands on.
#include "platform/ui/custom_grid.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QScrollBar>
#include <QTest>
#include <QVBoxLayout>

#include "platform/ui/grid_line_edit.h"

namespace morvane {
namespace {

// A 4 x 6 grid of 50 x 20 cells with one fixed row and column, recording the hooks.
class RecordingGrid : public TCustomGrid {
 public:
  RecordingGrid() {
    SetColCount(4);
    SetRowCount(6);
    SetDefaultColWidth(50);
    SetDefaultRowHeight(20);
    TGridOptions options = GridOptions();
    options.Include(goColSizing);
    options.Include(goColMoving);
    options.Include(goEditing);
    SetGridOptions(options);
    setFrameStyle(QFrame::NoFrame);
    resize(400, 300);
  }

  int layouts = 0;
  int widthChanges = 0;
  std::vector<std::pair<int, int>> moves;
  std::vector<TScrollCode> scrolls;
  std::string editText;
  int limit = 0;
  std::vector<int> tabs;  // Tab and Backtab presses that reached keyPressEvent

  std::string GetEditText(int col, int row) override {
    return "cell " + std::to_string(col) + "," + std::to_string(row);
  }
  void SetEditText(int, int, const std::string& text) override { editText = text; }
  int GetEditLimit() override { return limit; }

 protected:
  void DeferredLayout() override { ++layouts; }
  void ColWidthsChanged() override { ++widthChanges; }
  void ColumnMoved(int from, int to) override { moves.emplace_back(from, to); }
  void VerticalScroll(TScrollCode code, int position) override {
    scrolls.push_back(code);
    TCustomGrid::VerticalScroll(code, position);
  }
  void keyPressEvent(QKeyEvent* event) override {
    if (event->key() == Qt::Key_Tab || event->key() == Qt::Key_Backtab)
      tabs.push_back(event->key());
    TCustomGrid::keyPressEvent(event);
  }
};

TEST(CustomGridTest, CellGeometryAndPointToCell) {
  RecordingGrid grid;
  grid.show();
  // Cells are 50 x 20 plus a one-pixel line.
  EXPECT_EQ(grid.CellRect(0, 0), QRect(0, 0, 50, 20));
  EXPECT_EQ(grid.CellRect(2, 3), QRect(102, 63, 50, 20));
  for (auto [x, y, col, row] : std::vector<std::tuple<int, int, int, int>>{
           {0, 0, 0, 0}, {50, 20, 0, 0}, {51, 21, 1, 1}, {160, 70, 3, 3}, {399, 10, -1, -1}}) {
    const TGridCoord cell = grid.MouseCoord(x, y);
    EXPECT_EQ(cell.X, col) << x << "," << y;
    EXPECT_EQ(cell.Y, row) << x << "," << y;
  }
  grid.SetLeftCol(2);
  EXPECT_EQ(grid.LeftCol(), 1) << "everything fits: nothing to scroll";
  grid.resize(120, 300);
  grid.SetLeftCol(2);
  EXPECT_TRUE(grid.CellRect(1, 1).isEmpty()) << "scrolled out of view";
  EXPECT_EQ(grid.CellRect(2, 1).left(), 51);
  grid.SetColWidths(2, 0);
  EXPECT_TRUE(grid.CellRect(2, 1).isEmpty()) << "a column of width 0 does not show";
}

TEST(CustomGridTest, VisibleRowCountCountsWholeRowsOnly) {
  RecordingGrid grid;
  grid.SetRowCount(100);
  grid.show();
  grid.resize(400, 21 + 5 * 21 + 10);
  EXPECT_EQ(grid.VisibleRowCount(), 5);
}

TEST(CustomGridTest, ScrollInfoIsWrittenOnlyWhenItChanges) {
  RecordingGrid grid;
  grid.show();
  grid.SetVertScrollInfo({1, 104, 5, 1});
  EXPECT_EQ(grid.VertScrollInfo(), (TScrollInfo{1, 104, 5, 1}));
  QScrollBar* bar = grid.verticalScrollBar();
  EXPECT_EQ(bar->maximum(), 100);  // the thumb runs to Max - Page + 1
  int changes = 0;
  QObject::connect(bar, &QScrollBar::rangeChanged, [&] { ++changes; });
  grid.SetVertScrollInfo({1, 104, 5, 1});
  EXPECT_EQ(changes, 0);
  bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
  bar->triggerAction(QAbstractSlider::SliderPageStepSub);
  bar->triggerAction(QAbstractSlider::SliderToMaximum);
  EXPECT_EQ(grid.scrolls, (std::vector<TScrollCode>{scLineDown, scPageUp, scBottom}));
}

TEST(CustomGridTest, DraggingATitleBorderSizesTheColumnAndReportsOnce) {
  RecordingGrid grid;
  grid.show();
  QWidget* viewport = grid.viewport();
  const QPoint border(grid.CellRect(1, 0).right() + 1, 10);
  QTest::mousePress(viewport, Qt::LeftButton, {}, border);
  QTest::mouseMove(viewport, border + QPoint(30, 0));
  QMouseEvent move(QEvent::MouseMove, QPointF(border + QPoint(30, 0)),
                   viewport->mapToGlobal(QPointF(border + QPoint(30, 0))), Qt::NoButton,
                   Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(viewport, &move);
  QTest::mouseRelease(viewport, Qt::LeftButton, {}, border + QPoint(30, 0));
  EXPECT_EQ(grid.ColWidths(1), 80);
  EXPECT_EQ(grid.widthChanges, 1);
}

TEST(CustomGridTest, DraggingATitleToAnotherColumnMovesIt) {
  RecordingGrid grid;
  grid.show();
  grid.SetColWidths(3, 70);
  QWidget* viewport = grid.viewport();
  QTest::mousePress(viewport, Qt::LeftButton, {}, grid.CellRect(3, 0).center());
  QTest::mouseRelease(viewport, Qt::LeftButton, {}, grid.CellRect(1, 0).center());
  EXPECT_EQ(grid.moves, (std::vector<std::pair<int, int>>{{3, 1}}));
  EXPECT_EQ(grid.ColWidths(1), 70);
  EXPECT_TRUE(grid.ColumnWasMoved());
  // A press and release on one title is no move.
  QTest::mouseClick(viewport, Qt::LeftButton, {}, grid.CellRect(2, 0).center());
  EXPECT_EQ(grid.moves.size(), 1u);
}

TEST(CustomGridTest, DeferredLayoutRequestsAreCoalesced) {
  RecordingGrid grid;
  grid.PostDeferredLayout();
  grid.PostDeferredLayout();
  grid.PostDeferredLayout();
  QApplication::processEvents();
  EXPECT_EQ(grid.layouts, 1);
  grid.PostDeferredLayout();
  grid.CancelDeferredLayout();
  QApplication::processEvents();
  EXPECT_EQ(grid.layouts, 1);
}

TEST(CustomGridTest, PlainEditorKeepsTheLimitInBytesWithoutCuttingACharacter) {
  RecordingGrid grid;
  grid.show();
  grid.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&grid));
  grid.setFocus();
  grid.limit = 5;
  grid.FocusCell(1, 1);
  grid.ShowEditor();
  ASSERT_TRUE(grid.EditorVisible());
  auto* editor = static_cast<TGridLineEdit*>(grid.InplaceEditor());
  EXPECT_EQ(editor->text().toStdString(), "cell 1,1");
  editor->clear();
  for (const char* letter : {"ж", "ж", "ж"}) {
    QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString::fromUtf8(letter));
    QApplication::sendEvent(editor, &press);
  }
  // Three two-byte letters are six bytes: the third does not fit whole.
  EXPECT_EQ(editor->text().toStdString(), "жж");
  EXPECT_EQ(grid.editText, "жж");
  grid.FocusCell(2, 2);
  EXPECT_EQ(editor->text().toStdString(), "cell 2,2") << "the editor follows the current cell";
}

TEST(CustomGridTest, PlainEditorHandsTabAndShiftTabToAGridThatTabs) {
  QWidget window;
  auto* layout = new QVBoxLayout(&window);
  auto* grid = new RecordingGrid;
  TGridOptions options = grid->GridOptions();
  options.Include(goTabs);
  grid->SetGridOptions(options);
  layout->addWidget(grid);
  auto* other = new QLineEdit(&window);
  layout->addWidget(other);
  window.show();
  window.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
  grid->setFocus();
  grid->FocusCell(1, 1);
  grid->ShowEditor();
  QWidget* editor = grid->InplaceEditor();
  ASSERT_TRUE(editor != nullptr && editor->hasFocus());
  QTest::keyClick(editor, Qt::Key_Tab);
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
  EXPECT_FALSE(other->hasFocus());
  EXPECT_EQ(grid->tabs, (std::vector<int>{Qt::Key_Tab, Qt::Key_Backtab}));
}

TEST(DrawingWrappersTest, SystemColoursFollowThePalette) {
  QPalette palette;
  palette.setColor(QPalette::Active, QPalette::Base, QColor(1, 2, 3));
  palette.setColor(QPalette::Active, QPalette::Highlight, QColor(4, 5, 6));
  palette.setColor(QPalette::Active, QPalette::Button, QColor(7, 8, 9));
  EXPECT_EQ(ColorToQColor(clWindow, palette), QColor(1, 2, 3));
  EXPECT_EQ(ColorToQColor(clHighlight, palette), QColor(4, 5, 6));
  EXPECT_EQ(ColorToQColor(clBtnFace, palette), QColor(7, 8, 9));
  EXPECT_EQ(ColorToQColor(clRed, palette), QColor(255, 0, 0));
  EXPECT_EQ(QColorToColor(QColor(0x12, 0x34, 0x56)), TColor(0x563412));
}

TEST(DrawingWrappersTest, FontReportsChangesUnlessSuspended) {
  TFont font;
  int changes = 0;
  font.OnChange = [&](TFont*) { ++changes; };
  font.SetSize(font.Size() + 3);
  font.SetColor(clRed);
  font.SetColor(clRed);
  EXPECT_EQ(changes, 2);
  {
    TFontChangeSuspender quiet(font);
    font.SetStyle(TFontStyles{fsBold});
  }
  EXPECT_EQ(changes, 2);
  EXPECT_TRUE(font.Style().Contains(fsBold));
  font.SetStyle(TFontStyles{});
  EXPECT_EQ(changes, 3);
}

}  // namespace
}  // namespace morvane
