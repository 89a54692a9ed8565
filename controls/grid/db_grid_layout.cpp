// TzelCustomDBGrid: layout batches, the layout pass, and the record window
// (row count, buffer count, scroll bar, reactions to dataset events).
#include <QFontMetrics>
#include <cstdlib>

#include "controls/grid/db_grid.h"
#include "platform/db/dataset.h"
#include "platform/ui/grid_editor.h"

namespace morvane {

// --- Layout batches --------------------------------------------------------------

void TzelCustomDBGrid::BeginUpdate() { ++updateLock_; }

void TzelCustomDBGrid::EndUpdate() {
  if (updateLock_ > 0) --updateLock_;
}

void TzelCustomDBGrid::BeginLayout() {
  BeginUpdate();
  if (layoutLock_ == 0) columns_->BeginUpdate();
  ++layoutLock_;
}

void TzelCustomDBGrid::EndLayout() {
  if (layoutLock_ <= 0) return;
  // Locks and the column batch stay balanced whatever the layout raises.
  struct Unlock {
    TzelCustomDBGrid* grid;
    ~Unlock() {
      if (grid->layoutLock_ == 1) grid->columns_->EndUpdate();
      --grid->layoutLock_;
      grid->EndUpdate();
    }
  } unlock{this};
  if (layoutLock_ == 1) InternalLayout();
}

void TzelCustomDBGrid::CancelLayout() {
  if (layoutLock_ <= 0) return;
  if (layoutLock_ == 1) columns_->EndUpdate();
  --layoutLock_;
  EndUpdate();
}

bool TzelCustomDBGrid::AcquireLayoutLock() {
  if (updateLock_ != 0 || layoutLock_ != 0) return false;
  BeginLayout();
  return true;
}

void TzelCustomDBGrid::LayoutChanged() {
  if (AcquireLayoutLock()) EndLayout();
}

void TzelCustomDBGrid::DeferLayout() {
  PostDeferredLayout();
  CancelLayout();
}

void TzelCustomDBGrid::DeferredLayout() {
  if (AcquireLayoutLock())
    EndLayout();
  else
    PostDeferredLayout();  // someone holds a lock across the event loop: try again later
}

void TzelCustomDBGrid::EndLoading() {
  loading_ = false;
  TCustomGrid::SetColCount(columns_->Count() + indicatorOffset_);
  LayoutChanged();
}

int TzelCustomDBGrid::TextHeightOf(const TFont& font) {
  return QFontMetrics(font.Handle()).height();
}

// --- The layout pass ---------------------------------------------------------------

void TzelCustomDBGrid::DefineFieldMap() {
  TDataSet* dataSet = dataLink_->DataSet();
  if (columns_->State() == csCustomized) {
    dataLink_->SetSparseMap(true);
    for (int index = 0; index < columns_->Count(); ++index)
      dataLink_->AddMapping(columns_->Items(index)->FieldName());
    return;
  }
  dataLink_->SetSparseMap(false);
  for (TField* field : dataSet->Fields())
    if (field->Visible()) dataLink_->AddMapping(field->FullName());
}

void TzelCustomDBGrid::InternalLayout() {
  if (loading_) return;
  CancelDeferredLayout();
  ++layoutCount_;

  // Default columns do not mix with stored ones.
  bool anyStored = false;
  for (int index = 0; index < columns_->Count(); ++index)
    anyStored = anyStored || columns_->Items(index)->Stored();
  if (anyStored) {
    for (int index = columns_->Count() - 1; index >= 0; --index)
      if (!columns_->Items(index)->Stored()) columns_->Delete(index);
  }
  indicatorOffset_ = options_.Contains(dgIndicator) ? 1 : 0;
  dataLink_->ClearMapping();
  if (dataLink_->Active()) DefineFieldMap();

  if (columns_->State() == csDefault) {
    if (!dataLink_->Active() && dataLink_->DefaultFields()) {
      columns_->Clear();
    } else {
      for (int index = columns_->Count() - 1; index >= 0; --index) {
        TField* field = columns_->Items(index)->Field();
        bool mapped = false;
        for (int entry = 0; field != nullptr && entry < dataLink_->FieldCount(); ++entry)
          mapped = mapped || dataLink_->Fields(entry) == field;
        if (!mapped) columns_->Delete(index);
      }
    }
    const int passes = dataLink_->FieldCount() == 0 && columns_->Count() == 0
                           ? 1
                           : dataLink_->FieldCount();
    for (int entry = 0; entry < passes; ++entry) {
      TField* field = dataLink_->Fields(entry);
      int found = -1;
      for (int index = entry; field != nullptr && index < columns_->Count(); ++index)
        if (columns_->Items(index)->Field() == field) {
          found = index;
          break;
        }
      TzelColumn* column = nullptr;
      if (found >= 0) {
        column = columns_->Items(found);
      } else {
        column = columns_->AddDefault();
        if (field != nullptr) column->SetField(field);
      }
      columns_->Move(column->Index(), entry);
    }
  } else {
    // Stored columns look their fields up again by name.
    for (int index = 0; index < columns_->Count(); ++index)
      columns_->Items(index)->ClearFieldReference();
  }

  visibleColumns_.clear();
  for (int index = 0; index < columns_->Count(); ++index)
    if (columns_->Items(index)->Showing()) visibleColumns_.push_back(columns_->Items(index));

  TCustomGrid::SetColCount(columns_->Count() + indicatorOffset_);
  titleOffset_ = options_.Contains(dgTitles) ? 1 : 0;
  UpdateRowCount();

  int rowHeight = TextHeightOf(Font()) + 3;
  if (options_.Contains(dgRowLines)) rowHeight += GridLineWidth();
  if (rowsHeight_ > rowHeight) rowHeight = rowsHeight_;
  SetDefaultRowHeight(rowHeight);
  if (options_.Contains(dgTitles)) {
    int titleRowHeight = 0;
    for (int index = 0; index < columns_->Count(); ++index) {
      TzelColumn* column = columns_->Items(index);
      if (!column->Showing()) continue;
      titleRowHeight = std::max(titleRowHeight, TextHeightOf(column->Title()->Font()) + 4);
    }
    if (titleRowHeight == 0) titleRowHeight = TextHeightOf(titleFont_) + 4;
    if (titleHeight_ > titleRowHeight) titleRowHeight = titleHeight_;
    SetRowHeights(0, titleRowHeight);
  }
  SetColumnAttributes();
  UpdateActive();
  InvalidateGrid();
}

void TzelCustomDBGrid::SetColumnAttributes() {
  const int fixedRaw = indicatorOffset_ + fixedDataCols_;
  if (fixedRaw < ColCount() && fixedDataCols_ >= 0) {
    TCustomGrid::SetFixedCols(fixedRaw);
  } else {
    TCustomGrid::SetFixedCols(std::min(indicatorOffset_, std::max(ColCount() - 1, 0)));
  }
  const int firstScrolled = TCustomGrid::FixedCols() - indicatorOffset_;
  for (int index = 0; index < columns_->Count(); ++index) {
    TzelColumn* column = columns_->Items(index);
    const int raw = DataToRawColumn(index);
    SetColWidths(raw, std::max(column->Width(), 0));
    if (index < firstScrolled) {
      SetTabStops(raw, false);
      continue;
    }
    TField* field = column->Field();
    bool editable = field != nullptr && !field->ReadOnly();
    if (editable && field->Lookup()) {
      // A lookup field edits its key fields: they must exist and be writable.
      TDataSet* dataSet = field->DataSet();
      TField* key = dataSet != nullptr && field->LookupDataSet() != nullptr
                        ? dataSet->FindField(field->KeyFields())
                        : nullptr;
      editable = key != nullptr && !key->ReadOnly();
    }
    SetTabStops(raw, column->Showing() && !column->ReadOnly() && dataLink_->Active() && editable);
  }
  if (options_.Contains(dgIndicator)) {
    SetColWidths(0, 11);
    SetTabStops(0, false);
  }
}

// --- Record window ----------------------------------------------------------------

void TzelCustomDBGrid::UpdateRowCount() {
  if (RowCount() <= titleOffset_) SetRowCount(titleOffset_ + 1);
  TCustomGrid::SetFixedRows(titleOffset_);
  const int oldCount = RowCount();
  if (dataLink_->Active() && dataLink_->RecordCount() > 0) {
    // As many buffers as rows fit the window; the rows follow the records
    // the link really holds, never the dataset's total.
    SetRowCount(1000);
    SetTopRow(TCustomGrid::FixedRows());
    dataLink_->SetBufferCount(VisibleRowCount());
    SetRowCount(dataLink_->RecordCount() + titleOffset_);
    if (options_.Contains(dgRowSelect)) SetTopRow(TCustomGrid::FixedRows());
    UpdateActive();
  } else {
    SetRowCount(titleOffset_ + 1);
  }
  if (oldCount != RowCount()) InvalidateGrid();
}

void TzelCustomDBGrid::UpdateActive() {
  if (!dataLink_->Active() || loading_) return;
  const int newRow = dataLink_->ActiveRecord() + titleOffset_;
  if (newRow != Row() && newRow < RowCount()) {
    if (!options_.Contains(dgAlwaysShowEditor)) HideEditor();
    MoveCurrent(Col(), newRow, true);
    InvalidateEditor();
  }
  const int index = SelectedIndex();
  if (index >= 0 && index < columns_->Count() && columns_->Items(index)->Field() != nullptr &&
      EditorVisible() && ColumnCellText(columns_->Items(index), true) != editText_)
    InvalidateEditor();
}

void TzelCustomDBGrid::UpdateScrollBar() {
  if (!dataLink_->Active()) return;
  TDataSet* dataSet = dataLink_->DataSet();
  TScrollInfo info;
  if (dataSet->IsSequenced()) {
    info.Min = 1;
    info.Page = VisibleRowCount();
    info.Max = dataSet->RecordCount() + info.Page - 1;
    const TDataSetState state = dataSet->State();
    info.Pos = state == dsInactive || state == dsBrowse || state == dsEdit ? dataSet->RecNo()
                                                                          : VertScrollInfo().Pos;
  } else {
    info.Min = 0;
    info.Page = 0;
    info.Max = 4;
    info.Pos = dataSet->Bof() ? 0 : dataSet->Eof() ? 4 : 2;
  }
  SetVertScrollInfo(info);
}

void TzelCustomDBGrid::DataChanged() {
  UpdateRowCount();
  UpdateScrollBar();
  UpdateActive();
  InvalidateEditor();
  InvalidateGrid();
}

void TzelCustomDBGrid::RecordChanged(TField* field) {
  if (field != nullptr) {
    for (int index = 0; index < columns_->Count(); ++index)
      if (columns_->Items(index)->Field() == field) InvalidateCol(DataToRawColumn(index));
  } else {
    InvalidateGrid();
  }
  const int index = SelectedIndex();
  if (index < 0 || index >= columns_->Count()) return;
  TzelColumn* column = columns_->Items(index);
  TField* selected = column->Field();
  if (selected == nullptr || (field != nullptr && field != selected)) return;
  // Compare with the text the editor was given (lookup and pick-list
  // translated), so translated cells do not look changed.
  if (ColumnCellText(column, true) != editText_) {
    InvalidateEditor();
    if (auto* editor = dynamic_cast<TGridEditor*>(InplaceEditor())) editor->Deselect();
  }
}

void TzelCustomDBGrid::Scroll(int distance) {
  if (!dataLink_->Active()) return;
  const int oldRow = Row();
  if (dataLink_->ActiveRecord() >= RowCount() - titleOffset_) UpdateRowCount();
  UpdateScrollBar();
  UpdateActive();
  InvalidateRow(oldRow);
  InvalidateRow(Row());
  if (distance != 0) {
    HideEditor();
    if (std::abs(distance) > VisibleRowCount()) {
      InvalidateGrid();
    } else {
      if (options_.Contains(dgIndicator)) InvalidateRow(indicatorRow_);
      const int lineWidth = options_.Contains(dgRowLines) ? GridLineWidth() : 0;
      ScrollDataRows(-distance * (DefaultRowHeight() + lineWidth));
      if (options_.Contains(dgIndicator)) InvalidateRow(Row());
    }
    if (options_.Contains(dgAlwaysShowEditor)) ShowEditor();
  }
}

void TzelCustomDBGrid::LinkActive(bool active) {
  if (!active) HideEditor();
  bookmarks_.LinkActive(active);
  struct Finally {
    TzelCustomDBGrid* grid;
    bool active;
    ~Finally() {
      if (grid->destroying_) return;
      try {
        grid->UpdateScrollBar();
        if (active && grid->options_.Contains(dgAlwaysShowEditor)) grid->ShowEditor();
      } catch (...) {
        // The layout's own error is the one the caller sees.
      }
    }
  } finally{this, active};
  LayoutChanged();
}

void TzelCustomDBGrid::EditingChanged() {
  if (!options_.Contains(dgIndicator)) return;
  InvalidateCell(0, indicatorRow_ >= 0 ? indicatorRow_ : Row());
  InvalidateCell(0, Row());
}

void TzelCustomDBGrid::InvalidateTitles() {
  if (!options_.Contains(dgTitles) || dataLink_->DataSet() == nullptr) return;
  viewport()->update(0, 0, viewport()->width(), FixedHeight());
}

void TzelCustomDBGrid::InvalidateCurrentRow() { InvalidateRow(Row()); }

void TzelCustomDBGrid::InvalidateColumn(TzelColumn* column) {
  const int raw = DataToRawColumn(column->Index());
  if (raw < 0 || raw >= ColCount()) return;
  InvalidateCol(raw);
  SetColWidths(raw, std::max(column->Width(), 0));
}

void TzelCustomDBGrid::TopLeftChanged() { InvalidateTitles(); }

void TzelCustomDBGrid::Resized() {
  InvalidateTitles();
  if (updateLock_ == 0) {
    UpdateRowCount();
    UpdateScrollBar();
  }
}

void TzelCustomDBGrid::showEvent(QShowEvent* event) {
  TCustomGrid::showEvent(event);
  BeginUpdate();
  EndUpdate();
  UpdateRowCount();
  UpdateActive();
  UpdateScrollBar();
}

void TzelCustomDBGrid::ColWidthsChanged() {
  if (!(dataLink_->Active() || columns_->State() == csCustomized) || !AcquireLayoutLock()) return;
  try {
    for (int index = 0; index < columns_->Count(); ++index) {
      // A hidden column is 0 wide on screen; its own width stays.
      TzelColumn* column = columns_->Items(index);
      if (column->Showing()) column->SetWidth(ColWidths(DataToRawColumn(index)));
    }
  } catch (...) {
    EndLayout();
    throw;
  }
  EndLayout();
}

void TzelCustomDBGrid::ColumnMoved(int from, int to) {
  const int dataFrom = RawToDataColumn(from), dataTo = RawToDataColumn(to);
  if (dataFrom < 0 || dataTo < 0 || dataFrom >= columns_->Count()) return;
  columns_->Items(dataFrom)->SetIndex(dataTo);
  if (OnColumnMoved) OnColumnMoved(this, dataFrom, dataTo);
}

}  // namespace morvane
