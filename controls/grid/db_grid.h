// TzelCustomDBGrid (published as TzelDBGrid): the data grid. It shows a
// window of records of one dataset, reached through a data source and its
// own TGridDataLink, as rows of the base grid, and a list of columns
// (TzelDBGridColumns) as its columns.
//
// Raw and data coordinates: raw column 0 is the indicator when dgIndicator
// is set (IndicatorOffset 1); the first TitleOffset rows are titles. Data
// row r is the link's record r of its window; the grid's row count follows
// the link's record count (never the dataset's), so painting never reaches
// beyond the buffered records.
//
// Layout: every change that alters columns, fonts or options runs one
// layout pass (InternalLayout) inside a layout batch; DeferLayout posts one
// coalesced pass for later.
//
// Lifetime: the grid owns its columns, data link, title font and indicator
// images. The data source, dataset, fields, lookup datasets and popup menus
// are references, cleared through destruction notices. Destroying the grid
// first closes the editor's drop-down without accepting, destroys the
// editor, and only then frees columns and the link.
//
// Nothing that paints raises or opens a message box.
#pragma once

#include <QWidget>
#include <memory>
#include <string>
#include <vector>

#include "controls/grid/bookmark_list.h"
#include "controls/grid/column.h"
#include "controls/grid/columns.h"
#include "controls/grid/grid_data_link.h"
#include "controls/grid/grid_types.h"
#include "platform/ui/custom_grid.h"
#include "platform/ui/image_list.h"
#include "platform/ui/keys.h"
#include "platform/ui/notification_bridge.h"

namespace morvane {

class TDataSource;
class TDataSet;

class TzelCustomDBGrid : public TCustomGrid, public TBookmarkListOwner {
 public:
  // owner: the component whose components the grid's column files name
  // (lookup datasets); may be null.
  explicit TzelCustomDBGrid(QWidget* parent = nullptr, TComponent* owner = nullptr);
  ~TzelCustomDBGrid() override;

  // The grid's name (messages that name the grid use it).
  const std::string& Name() const { return bridge_->Name(); }
  void SetName(const std::string& name);
  TComponent* Owner() const { return owner_; }
  // The component that stands for the grid in destruction notices and messages.
  TComponent* NotifyComponent() const { return bridge_.get(); }

  // --- Columns ---------------------------------------------------------
  TzelDBGridColumns& Columns() { return *columns_; }
  void SetColumns(const TzelDBGridColumns& value) { columns_->Assign(value); }
  // The first column whose FieldName equals name without regard to case.
  TzelColumn* ColumnByName(const std::string& name) const;
  virtual std::unique_ptr<TzelDBGridColumns> CreateColumns();

  // --- Data ------------------------------------------------------------
  TDataSource* DataSource() const;
  void SetDataSource(TDataSource* value);
  TGridDataLink* DataLink() const { return dataLink_.get(); }

  // --- Options and look ------------------------------------------------------
  TzelDBGridOptions Options() const { return options_; }
  void SetOptions(TzelDBGridOptions value);
  bool ReadOnly() const { return readOnly_; }
  void SetReadOnly(bool value);
  // Leading data columns kept fixed (hides the base grid's raw count).
  int FixedCols() const { return fixedDataCols_; }
  void SetFixedCols(int value);
  TFont& TitleFont() { return titleFont_; }
  void SetTitleFont(const TFont& value) { titleFont_.Assign(value); }
  int TitleHeight() const { return titleHeight_; }
  void SetTitleHeight(int value);
  int RowsHeight() const { return rowsHeight_; }
  void SetRowsHeight(int value);
  bool AllowInsert() const { return allowInsert_; }
  void SetAllowInsert(bool value);
  bool AllowDelete() const { return allowDelete_; }
  void SetAllowDelete(bool value);
  bool DefaultDrawing() const { return defaultDrawing_; }
  void SetDefaultDrawing(bool value) { defaultDrawing_ = value; }
  TColor HighlightColor() const { return highlightColor_; }
  void SetHighlightColor(TColor value);
  TColor HighlightTextColor() const { return highlightTextColor_; }
  void SetHighlightTextColor(TColor value);
  bool ParentFont() const { return parentFont_; }
  void SetParentFont(bool value) { parentFont_ = value; }
  uint8_t ImeMode() const { return imeMode_; }
  void SetImeMode(uint8_t value) { imeMode_ = value; }
  const std::string& ImeName() const { return imeName_; }
  void SetImeName(const std::string& value) { imeName_ = value; }
  TImageList& Indicators() { return indicators_; }

  int IndicatorOffset() const { return indicatorOffset_; }
  int TitleOffset() const { return titleOffset_; }
  int DataToRawColumn(int dataCol) const { return dataCol + indicatorOffset_; }
  int RawToDataColumn(int rawCol) const { return rawCol - indicatorOffset_; }

  // --- Layout ----------------------------------------------------------------
  void BeginLayout();
  void EndLayout();
  void CancelLayout();
  bool AcquireLayoutLock();
  void DeferLayout();
  virtual void LayoutChanged();
  void BeginUpdate();
  void EndUpdate();
  int UpdateLock() const { return updateLock_; }
  int LayoutLock() const { return layoutLock_; }
  bool LayoutFromDataset() const { return layoutFromDataset_; }
  bool AllowFieldUpdates() const { return allowFieldUpdates_; }
  bool Loading() const { return loading_; }
  void BeginLoading() { loading_ = true; }
  // Ends loading: the column count follows the columns read, then a layout.
  void EndLoading();
  // Layout passes run so far (tests count them).
  int LayoutCount() const { return layoutCount_; }

  // --- Record window -------------------------------------------------------
  void UpdateRowCount();
  void UpdateActive();
  void UpdateScrollBar();
  void DataChanged();
  void RecordChanged(TField* field);
  void Scroll(int distance);
  virtual void LinkActive(bool active);
  void UpdateData();
  void EditingChanged();
  void InvalidateTitles();
  void InvalidateCurrentRow();

  bool ValidFieldIndex(int index) const;
  int FieldCount() const;
  TField* Fields(int index) const;
  TField* SelectedField() const;
  void SetSelectedField(TField* value);
  // Data index of the current column.
  int SelectedIndex() const { return RawToDataColumn(Col()); }
  void SetSelectedIndex(int value);
  // The screen rectangle of a column's cell in the given row; empty when no
  // column has that name or the link is inactive.
  QRect ScreenCellRect(TzelRowType rowType, const std::string& columnName) const;

  // --- Painting -----------------------------------------------------------------
  // The text a cell of the column shows for the link's active record
  // (forEdit: the field's edit text instead of its display text), with
  // lookup and pick-list translation. Never raises.
  std::string ColumnCellText(TzelColumn* column, bool forEdit);
  void DefaultDrawColumnCell(const QRect& rect, int dataCol, TzelColumn* column,
                             TGridDrawState state);
  void DefaultDrawDataCell(const QRect& rect, TField* field, TGridDrawState state);
  bool UseRightToLeftAlignmentForField(TField* field, TAlignment alignment) const;
  // The check box of a cbsCheck cell: cell height - 4 square (cell width - 4
  // when the cell is narrower), centred.
  static QRect CheckBoxRect(const QRect& cell);
  // The indicator image a data row shows (-1: none) for the dataset's state.
  int IndicatorImage(int dataRow, bool rowSelected) const;
  // The raw row whose indicator was last painted for the active record.
  int IndicatorRow() const { return indicatorRow_; }

  // --- Editor hooks -------------------------------------------------------------
  bool CanEditShow() const override;
  bool CanEditModify() override;
  std::string GetEditText(int col, int row) override;
  void SetEditText(int col, int row, const std::string& text) override;
  int GetEditLimit() override;
  std::string GetEditMask(int col, int row) override;
  // The text last taken from or given to the editor.
  const std::string& EditText() const { return editText_; }

  // --- Input (keyboard, mouse, selection) -------------------------------------------
  // The rows selected with dgMultiSelect.
  TBookmarkList& SelectedRows() { return bookmarks_; }
  // Key handling by key code (see platform/ui/keys.h); key becomes 0 when
  // the grid's own OnKeyDown handler consumed it.
  virtual void KeyDown(TKeyCode& key, TShiftState shift);
  // A typed character (UTF-8) or the Enter and Escape characters (13, 27).
  virtual void KeyPress(const std::string& text);
  // Moves to a raw column; direction +1 or -1 skips hidden columns that way.
  void MoveCol(int rawCol, int direction);
  void CellClick(TzelColumn* column);
  void TitleClick(TzelColumn* column);
  void ToggleCheckBox(TzelColumn* column, int rawCol, int rawRow);
  void EditButtonClick();
  virtual bool CanEditAcceptKey(const std::string& text);
  // OnKeyDown runs before the grid's own key handling; setting key to 0 stops it.
  std::function<void(TzelCustomDBGrid* sender, TKeyCode& key, TShiftState shift)> OnKeyDown;
  TNotifyEvent OnDblClick;

  // --- Events ---------------------------------------------------------------------
  TzelDBGridClickEvent BeforeDropDown;
  TzelDBGridCloseUpEvent AfterCloseUp;
  TCalcFieldEditedEvent OnCalcFieldEdited;
  TzelDBGridClickEvent OnCellClick;
  TNotifyEvent OnColEnter;
  TNotifyEvent OnColExit;
  TMovedEvent OnColumnMoved;
  TzelDBGridClickEvent OnColumnResized;
  TDrawCellAttrEvent OnDrawCellAttr;
  TDrawColumnCellEvent OnDrawColumnCell;
  TDrawDataCellEvent OnDrawDataCell;
  TDrawTitleAttrEvent OnDrawTitleAttr;
  TzelDBGridClickEvent OnEditButtonClick;
  TNotifyEvent OnMultiSelectChanged;
  TzelSpecialKeyDownEvent OnSpecialKeyDown;
  TzelDBGridClickEvent OnTitleClick;

 protected:
  // Layout.
  void InternalLayout();
  virtual void DefineFieldMap();
  virtual void SetColumnAttributes();
  // Painting.
  void DrawCell(int col, int row, const QRect& rect, TGridDrawState state) override;
  virtual bool HighlightCell(int dataCol, int dataRow, const std::string& text,
                             TGridDrawState state);
  virtual void DrawDataCell(const QRect& rect, TField* field, TGridDrawState state);
  virtual void DrawColumnCell(const QRect& rect, int dataCol, TzelColumn* column,
                              TGridDrawState state);
  QRect CalcTitleRect(TzelColumn* column, int row, TzelColumn** masterColumn) const;
  // Whether the link's active record is in the multi-selection.
  virtual bool IsActiveRowSelected() const;
  // TBookmarkListOwner.
  TDataSet* BookmarkDataSet() const override;
  void BookmarksChanged(bool currentRowOnly) override;
  // Input.
  void keyPressEvent(QKeyEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void MouseDown(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, int x, int y) override;
  void MouseUp(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, int x, int y) override;
  void DoubleClick(int x, int y) override;
  void VerticalScroll(TScrollCode code, int position) override;
  void FocusLeft() override;
  virtual void ColEnter();
  virtual void ColExit();
  // Whether the operator may delete (asks with dgConfirmDelete).
  bool DeletePrompt();
  // Base grid hooks.
  void TopLeftChanged() override;
  void Resized() override;
  void ColWidthsChanged() override;
  void ColumnMoved(int from, int to) override;
  void DeferredLayout() override;
  void FontChanged() override;
  void showEvent(QShowEvent* event) override;
  // The data grid's cell editor (TzelDBGridInplaceEdit).
  QWidget* CreateEditor() override;

  // Destruction notices of the data source, datasets, fields.
  virtual void Notification(TComponent* component, TOperation operation);
  // Registers the grid for a component's destruction notice.
  void ListenTo(TComponent* component) { bridge_->Listen(component); }

 private:
  friend class TzelColumn;
  friend class TzelColumnTitle;
  friend class TzelDBGridColumns;
  friend class TGridDataLink;

  void DrawTitleCell(TzelColumn* column, const QRect& cellRect, int frameOffset);
  void DrawIndicatorCell(int row, int dataRow, const QRect& rect, int frameOffset,
                         bool rowSelected);
  void DrawDataCellContent(int dataCol, int dataRow, const QRect& rect, TGridDrawState state,
                           TzelColumn* column, bool rowSelected);
  void InvalidateColumn(TzelColumn* column);
  void TitleFontChanged();
  // Record moves of the keyboard, with the shift-selection rules.
  void MoveByWithSelection(int distance, bool extend, bool shiftHeld);
  void NextRow(bool extend, bool shiftHeld);
  void PriorRow(bool extend, bool shiftHeld);
  void Tab(bool forward);
  void ClearSelection();
  bool CanInsert() const;
  // Columns whose editor chooses from a list: typed text never reaches the field.
  bool ChoosesFromList(TzelColumn* column) const;
  void ForgetLookupDataSet(TDataSet* dataSet);
  // Height of one text line of a font.
  static int TextHeightOf(const TFont& font);

  TComponent* owner_;
  std::unique_ptr<TNotificationBridge> bridge_;
  std::unique_ptr<TzelDBGridColumns> columns_;
  std::unique_ptr<TGridDataLink> dataLink_;
  TFont titleFont_;
  TImageList indicators_;
  std::vector<TzelColumn*> visibleColumns_;
  TzelDBGridOptions options_;
  bool readOnly_ = false;
  int fixedDataCols_ = 0;
  int titleHeight_ = 0;
  int rowsHeight_ = 0;
  bool allowInsert_ = true;
  bool allowDelete_ = true;
  bool defaultDrawing_ = true;
  TColor highlightColor_ = clHighlight;
  TColor highlightTextColor_ = clHighlightText;
  bool parentFont_ = true;
  uint8_t imeMode_ = imDontCare;
  std::string imeName_;
  int indicatorOffset_ = 1;
  int titleOffset_ = 1;
  int layoutLock_ = 0;
  int updateLock_ = 0;
  bool layoutFromDataset_ = false;
  bool allowFieldUpdates_ = true;
  bool loading_ = false;
  bool destroying_ = false;
  int layoutCount_ = 0;
  int indicatorRow_ = -1;
  std::string editText_;
  TBookmarkList bookmarks_{this};
  bool selecting_ = false;
  TBookmark anchor_;
  int anchorRecNo_ = 0;
  bool inColExit_ = false;
  bool escapeKey_ = false;
  int wheelDelta_ = 0;
};

// The grid as forms place it.
class TzelDBGrid : public TzelCustomDBGrid {
 public:
  using TzelCustomDBGrid::TzelCustomDBGrid;
};

// Draws text inside rect for a grid cell: fills rect with the canvas brush,
// then writes text offset by dx, dy with the alignment, wrapping or not, and
// right-to-left reading when asked; alignment is mirrored on a right-to-left
// canvas. Everything stays inside rect.
void WriteText(TCanvas& canvas, const QRect& rect, int dx, int dy, const std::string& text,
               TAlignment alignment, bool wrap, bool rightToLeft);

}  // namespace morvane
