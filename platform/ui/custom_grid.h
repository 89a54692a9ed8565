// TCustomGrid: the owner-drawn grid base on QAbstractScrollArea.
//
// The grid is a rectangle of cells: ColCount x RowCount, the first
// FixedCols columns and FixedRows rows fixed (titles, indicators), the rest
// scrolled by LeftCol and TopRow. It draws nothing itself: its paint event
// calls DrawCell for every visible cell, clipped to the cell, with the
// Canvas bound to the painter. Column widths, row heights and tab stops are
// per index; the current cell (Col, Row) moves only when SelectCell allows.
//
// The vertical scroll bar is not the grid's own: a descendant that shows a
// window over something larger (a dataset) sets its range and position with
// SetVertScrollInfo and receives the operator's actions in VerticalScroll
// (line, page, top, bottom, and the thumb's release position). Column sizing
// and moving by mouse in the fixed rows are reported through
// ColWidthsChanged and ColumnMoved.
//
// Editor hosting: CreateEditor makes the in-place editor (see grid_editor.h);
// ShowEditor/HideEditor/InvalidateEditor show, hide and refresh it over the
// current cell whenever CanEditShow allows; the editor reads the cell through
// GetEditText, GetEditMask and GetEditLimit and reports changes through
// SetEditText after CanEditModify agreed.
//
// PostDeferredLayout posts one event to the grid; further requests before it
// arrives are coalesced, and DeferredLayout runs when it does.
//
// Nothing that paints raises: an exception from DrawCell is dropped with the
// cell left as far as it got.
#pragma once

#include <QAbstractScrollArea>
#include <QPointer>
#include <QTimer>
#include <string>
#include <vector>

#include "platform/db/db_types.h"
#include "platform/ui/canvas.h"
#include "platform/ui/colors.h"
#include "platform/ui/font.h"

namespace morvane {

class TGridEditor;

enum TGridOption : uint8_t {
  goFixedVertLine,
  goFixedHorzLine,
  goVertLine,
  goHorzLine,
  goRangeSelect,
  goDrawFocusSelected,
  goRowSizing,
  goColSizing,
  goRowMoving,
  goColMoving,
  goEditing,
  goTabs,
  goRowSelect,
  goAlwaysShowEditor,
  goThumbTracking
};
using TGridOptions = TSet<TGridOption>;

enum TGridDrawStateItem : uint8_t { gdSelected, gdFocused, gdFixed };
using TGridDrawState = TSet<TGridDrawStateItem>;

enum TGridState : uint8_t { gsNormal, gsSelecting, gsRowSizing, gsColSizing, gsRowMoving, gsColMoving };

enum TScrollCode : uint8_t {
  scLineUp,
  scLineDown,
  scPageUp,
  scPageDown,
  scPosition,  // the thumb was released at a position
  scTrack,
  scTop,
  scBottom,
  scEndScroll
};

struct TGridCoord {
  int X = -1;
  int Y = -1;
};

struct TScrollInfo {
  int Min = 0;
  int Max = 0;
  int Page = 0;
  int Pos = 0;
  bool operator==(const TScrollInfo&) const = default;
};

class TCustomGrid : public QAbstractScrollArea {
 public:
  explicit TCustomGrid(QWidget* parent = nullptr);
  ~TCustomGrid() override;

  // --- Size and shape ----------------------------------------------------
  int ColCount() const { return int(colWidths_.size()); }
  void SetColCount(int count);
  int RowCount() const { return rowCount_; }
  void SetRowCount(int count);
  int FixedCols() const { return fixedCols_; }
  void SetFixedCols(int count);
  int FixedRows() const { return fixedRows_; }
  void SetFixedRows(int count);
  int DefaultColWidth() const { return defaultColWidth_; }
  void SetDefaultColWidth(int width);
  int DefaultRowHeight() const { return defaultRowHeight_; }
  // Sets every row's height to the default (per-row heights are dropped).
  void SetDefaultRowHeight(int height);
  int ColWidths(int col) const;
  void SetColWidths(int col, int width);
  int RowHeights(int row) const;
  void SetRowHeights(int row, int height);
  bool TabStops(int col) const;
  void SetTabStops(int col, bool value);
  int GridLineWidth() const { return gridLineWidth_; }
  TGridOptions GridOptions() const { return gridOptions_; }
  void SetGridOptions(TGridOptions options);
  // Whether the event is a Tab or Shift+Tab press the grid moves through its
  // cells with (goTabs), instead of Qt's focus chain taking it. The grid and
  // its in-place editor both route such a press to their keyPressEvent.
  bool TakesTab(const QEvent& event) const;

  // --- Current cell and scrolling -----------------------------------------
  int Col() const { return col_; }
  void SetCol(int col) { FocusCell(col, row_); }
  int Row() const { return row_; }
  void SetRow(int row) { FocusCell(col_, row); }
  // Moves the current cell when SelectCell allows it and scrolls it into view.
  void FocusCell(int col, int row);
  int TopRow() const { return topRow_; }
  void SetTopRow(int row);
  int LeftCol() const { return leftCol_; }
  void SetLeftCol(int col);
  // Scrolled rows that fit the window entirely (at least 1).
  int VisibleRowCount() const;
  int VisibleColCount() const;

  // Rectangle of a cell in viewport coordinates; empty when not visible.
  QRect CellRect(int col, int row) const;
  // The cell at a viewport point; X/Y are -1 outside the cells.
  TGridCoord MouseCoord(int x, int y) const;
  void InvalidateCell(int col, int row);
  void InvalidateRow(int row);
  void InvalidateCol(int col);
  void InvalidateGrid();
  // Scrolls the pixels of the scrolled rows by dy, repainting what is uncovered.
  void ScrollDataRows(int dy);

  // --- Look ------------------------------------------------------------
  TColor Color() const { return color_; }
  void SetColor(TColor color);
  TColor FixedColor() const { return fixedColor_; }
  void SetFixedColor(TColor color);
  TFont& Font() { return font_; }
  const TFont& Font() const { return font_; }
  TCanvas& Canvas() { return canvas_; }
  bool UseRightToLeftAlignment() const { return layoutDirection() == Qt::RightToLeft; }

  // --- Vertical scroll bar set from outside -----------------------------
  TScrollInfo VertScrollInfo() const;
  // Writes only what changed.
  void SetVertScrollInfo(const TScrollInfo& info);

  // --- In-place editor ---------------------------------------------------
  bool EditorMode() const { return editorMode_; }
  void SetEditorMode(bool value);
  void ShowEditor();
  void HideEditor();
  // Makes the editor take the current cell's contents again.
  void InvalidateEditor();
  QWidget* InplaceEditor() const { return editor_; }
  bool EditorVisible() const;
  // Whether the grid or its editor holds the focus.
  bool GridFocused() const;

  // Editor hooks (public: the editor widget calls them).
  virtual bool CanEditShow() const;
  virtual bool CanEditModify() { return gridOptions_.Contains(goEditing); }
  virtual std::string GetEditText(int col, int row);
  virtual void SetEditText(int col, int row, const std::string& text);
  // Longest text in bytes; 0 = no limit.
  virtual int GetEditLimit() { return 0; }
  virtual std::string GetEditMask(int col, int row);

  // --- Deferred layout ------------------------------------------------------
  void PostDeferredLayout();
  bool DeferredLayoutPending() const { return deferredLayoutPending_; }
  // Removes a queued request.
  void CancelDeferredLayout();

  TGridState GridState() const { return gridState_; }
  // Whether the last mouse release ended a column drag that moved a column.
  bool ColumnWasMoved() const { return columnWasMoved_; }
  // While a selection drag holds the pointer beyond the top or bottom edge,
  // a timer scrolls one row at a time towards it until the button is released.
  bool AutoScrolling() const;
  // One step of that scrolling (what the timer runs): VerticalScroll with a
  // line up or down, depending on the edge the pointer was last seen beyond.
  void AutoScrollStep();

 protected:
  // Paints one cell; the canvas is bound and clipped to rect, its font is
  // the grid's font and its brush the grid's (or the fixed) colour.
  virtual void DrawCell(int col, int row, const QRect& rect, TGridDrawState state);
  virtual bool SelectCell(int /*col*/, int /*row*/) { return true; }
  virtual void TopLeftChanged() {}
  virtual void ColWidthsChanged() {}
  virtual void RowHeightsChanged() {}
  // A column was dragged from one raw index to another (already moved here).
  virtual void ColumnMoved(int /*from*/, int /*to*/) {}
  // The operator used the vertical scroll bar; position for scPosition.
  virtual void VerticalScroll(TScrollCode code, int position);
  virtual void DeferredLayout() {}
  // The focus went somewhere outside the grid and its editor.
  virtual void FocusLeft() {}
  virtual void Resized() {}
  virtual void FontChanged() {}
  // The in-place editor widget, parented to the viewport by the caller.
  virtual QWidget* CreateEditor();
  // The editor is about to be destroyed (the grid is going).
  void DestroyEditor();

  // Base mouse handling: column sizing and moving in the fixed rows, and
  // selecting the clicked cell. Coordinates are viewport coordinates.
  virtual void MouseDown(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, int x, int y);
  virtual void MouseMove(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers, int x, int y);
  virtual void MouseUp(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, int x, int y);
  virtual void DoubleClick(int /*x*/, int /*y*/) {}
  // A press in a data cell starts a selection drag (the base grid does it for
  // its own cells; a descendant that handles the press itself calls this).
  void BeginSelecting();
  // Whether a point lies on a column border in the fixed rows (sizing zone).
  bool InColSizingZone(int x, int y, int* col = nullptr) const;
  // Moves the current cell without the SelectCell check (the caller checked).
  void MoveCurrent(int col, int row, bool show);
  // Moves a column's width and tab stop from one index to another.
  void MoveColumn(int from, int to);
  void UpdateEditorGeometry();
  // Cell geometry helpers.
  int ColLineWidth(int col) const;
  int RowLineWidth(int row) const;
  int FixedHeight() const;
  int FixedWidth() const;

  // Qt events.
  bool event(QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;
  void changeEvent(QEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void PaintCells(QPainter& painter, const QRect& dirty);
  void CheckFocusLeft();
  void UpdateHorzScrollBar();
  void OnVertAction(int action);
  void ClampTopLeft();
  void UpdateEdit();
  void HideEdit();
  void UpdateText();
  int ColX(int col) const;  // left edge in viewport coordinates; -1 when hidden
  int RowY(int row) const;

  std::vector<int> colWidths_;
  std::vector<bool> tabStops_;
  std::vector<int> rowHeights_;  // empty entries use the default
  int rowCount_ = 0;
  int fixedCols_ = 0;
  int fixedRows_ = 0;
  int defaultColWidth_ = 64;
  int defaultRowHeight_ = 24;
  int gridLineWidth_ = 1;
  TGridOptions gridOptions_;
  int col_ = 0;
  int row_ = 0;
  int topRow_ = 0;
  int leftCol_ = 0;
  TColor color_ = clWindow;
  TColor fixedColor_ = clBtnFace;
  TFont font_;
  TCanvas canvas_;
  bool editorMode_ = false;
  QPointer<QWidget> editor_;
  int editorCol_ = -1;
  int editorRow_ = -1;
  bool deferredLayoutPending_ = false;
  bool settingScrollBars_ = false;
  TGridState gridState_ = gsNormal;
  int sizingIndex_ = -1;
  int sizingOrigin_ = 0;
  int sizingWidth_ = 0;
  int moveFrom_ = -1;
  QTimer* autoScrollTimer_ = nullptr;  // created on the first drag past an edge
  int autoScrollY_ = 0;                // last pointer row seen while selecting
  bool columnWasMoved_ = false;
  int movePressX_ = 0;
};

}  // namespace morvane
