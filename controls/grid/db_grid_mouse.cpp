// TzelCustomDBGrid: the mouse (cells, titles, check boxes, per-column popup
// menus, long-text hints), the wheel and the vertical scroll bar.
#include <QToolTip>
#include <QWheelEvent>

#include "controls/grid/db_grid.h"
#include "platform/db/dataset.h"
#include "platform/ui/application.h"
#include "platform/ui/plain_text.h"
#include "platform/ui/popup_menu.h"

namespace morvane {

void TzelCustomDBGrid::MouseDown(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, int x,
                                 int y) {
  if (isEnabled() && focusPolicy() != Qt::NoFocus) {
    setFocus(Qt::MouseFocusReason);
    if (!GridFocused()) return;
  }
  if (InColSizingZone(x, y)) {
    dataLink_->UpdateRecord();
    TCustomGrid::MouseDown(button, modifiers, x, y);
    return;
  }
  const TGridCoord cell = MouseCoord(x, y);
  if (cell.X < 0 || cell.Y < 0) {
    TCustomGrid::MouseDown(button, modifiers, x, y);
    return;
  }
  const int dataCol = RawToDataColumn(cell.X);
  if (cell.Y < titleOffset_) {
    if (dataCol >= 0 && dataCol < columns_->Count()) {
      dataLink_->UpdateRecord();
      TzelColumn* column = columns_->Items(dataCol);
      if (column->CanClick() && button == Qt::LeftButton) {
        column->SetTitlePressed(true);
        InvalidateCell(cell.X, cell.Y);
      }
    }
    TCustomGrid::MouseDown(button, modifiers, x, y);
    return;
  }
  if (!dataLink_->Active()) {
    TCustomGrid::MouseDown(button, modifiers, x, y);
    return;
  }
  // Held beyond the top or bottom edge, the pressed button scrolls the rows;
  // a check box click lets the pointer go instead.
  bool selecting = button == Qt::LeftButton;
  BeginUpdate();
  try {
    dataLink_->UpdateRecord();
    HideEditor();
    const int oldCol = Col(), oldRow = Row();
    if (cell.Y != Row()) dataLink_->MoveBy(cell.Y - Row());
    if (dataCol >= 0 && dataCol < columns_->Count()) {
      MoveCol(cell.X, 0);
      TzelColumn* column = columns_->Items(dataCol);
      if (options_.Contains(dgMultiSelect) && column->FieldName() != "Selected") {
        selecting_ = false;
        if (modifiers & Qt::ControlModifier) {
          bookmarks_.SetCurrentRowSelected(!bookmarks_.CurrentRowSelected());
        } else {
          bookmarks_.Clear();
          bookmarks_.SetCurrentRowSelected(true);
        }
      }
      if (button == Qt::LeftButton) {
        if (column->ButtonStyle() == cbsCheck) {
          selecting = false;
          ToggleCheckBox(column, Col(), Row());
        } else if ((cell.X == oldCol && cell.Y == oldRow) || options_.Contains(dgAlwaysShowEditor))
          ShowEditor();
        else
          InvalidateEditor();
      }
    }
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
  if (selecting) BeginSelecting();
}

void TzelCustomDBGrid::MouseUp(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, int x,
                               int y) {
  const TGridState state = GridState();
  TCustomGrid::MouseUp(button, modifiers, x, y);
  if (state == gsRowSizing) return;
  if (EditorVisible() && InplaceEditor()->geometry().contains(x, y)) return;
  if (state == gsColSizing && OnColumnResized) {
    const TGridCoord left = MouseCoord(x - 5, y);
    const int dataCol = RawToDataColumn(left.X);
    if (dataCol >= 0 && dataCol < columns_->Count())
      OnColumnResized(this, columns_->Items(dataCol));
    return;
  }
  TzelColumn* pressed = nullptr;
  for (int index = 0; index < columns_->Count(); ++index) {
    TzelColumn* column = columns_->Items(index);
    if (column->TitlePressed()) pressed = column;
    column->SetTitlePressed(false);
  }
  viewport()->update(0, 0, viewport()->width(), FixedHeight());
  const TGridCoord cell = MouseCoord(x, y);
  const int dataCol = RawToDataColumn(cell.X);
  if (cell.X < 0 || cell.Y < 0 || dataCol < 0 || dataCol >= columns_->Count()) return;
  TzelColumn* column = columns_->Items(dataCol);
  if (button == Qt::RightButton) {
    // A column's own menu, at the pointer.
    if (cell.Y >= titleOffset_ && column->PopupMenu() != nullptr) {
      const QPoint global = viewport()->mapToGlobal(QPoint(x, y));
      PopupAt(column->PopupMenu(), global.x(), global.y());
    }
    return;
  }
  if (button != Qt::LeftButton || ColumnWasMoved()) return;
  if (cell.Y >= titleOffset_)
    CellClick(column);
  else if (column->CanClick() && column == pressed)
    TitleClick(column);
}

void TzelCustomDBGrid::DoubleClick(int, int) {
  if (OnDblClick) OnDblClick(this);
}

void TzelCustomDBGrid::CellClick(TzelColumn* column) {
  if (column->LongTextAsHint() && column->Field() != nullptr) {
    // The whole text of a long cell, to read in the hint window, as written
    // (data is never taken for markup).
    QToolTip::hideText();
    setToolTip(PlainTextToolTip(column->Field()->AsString()));
  }
  if (OnCellClick) OnCellClick(this, column);
}

void TzelCustomDBGrid::TitleClick(TzelColumn* column) {
  for (int index = 0; index < columns_->Count(); ++index)
    columns_->Items(index)->SetSortMark(zsmNone);
  if (OnTitleClick) OnTitleClick(this, column);
  InvalidateTitles();
}

void TzelCustomDBGrid::wheelEvent(QWheelEvent* event) {
  event->accept();
  if (!dataLink_->Active()) {
    TCustomGrid::wheelEvent(event);
    return;
  }
  // One notch (120) is one record; fine-grained wheels add up to notches.
  wheelDelta_ += event->angleDelta().y();
  Guarded([this] {
    while (wheelDelta_ >= 120) {
      wheelDelta_ -= 120;
      dataLink_->MoveBy(-1);
    }
    while (wheelDelta_ <= -120) {
      wheelDelta_ += 120;
      dataLink_->MoveBy(1);
    }
  });
}

void TzelCustomDBGrid::VerticalScroll(TScrollCode code, int position) {
  if (!dataLink_->Active()) return;
  if (!hasFocus() && !GridFocused()) setFocus(Qt::OtherFocusReason);
  TDataSet* dataSet = dataLink_->DataSet();
  switch (code) {
    case scLineUp:
      dataLink_->MoveBy(-dataLink_->ActiveRecord() - 1);
      break;
    case scLineDown:
      dataLink_->MoveBy(dataLink_->RecordCount() - dataLink_->ActiveRecord());
      break;
    case scPageUp:
      dataLink_->MoveBy(-VisibleRowCount());
      break;
    case scPageDown:
      dataLink_->MoveBy(VisibleRowCount());
      break;
    case scTop:
      dataSet->First();
      break;
    case scBottom:
      dataSet->Last();
      break;
    case scPosition:
      if (dataSet->IsSequenced()) {
        if (position <= 1)
          dataSet->First();
        else if (position < dataSet->RecordCount())
          dataSet->SetRecNo(position);
        else
          dataSet->Last();
      } else {
        switch (position) {
          case 0:
            dataSet->First();
            break;
          case 1:
            dataLink_->MoveBy(-VisibleRowCount());
            break;
          case 3:
            dataLink_->MoveBy(VisibleRowCount());
            break;
          case 4:
            dataSet->Last();
            break;
          default:
            break;
        }
      }
      break;
    default:
      break;
  }
  // The thumb shows where the dataset is, also when nothing moved.
  UpdateScrollBar();
}

}  // namespace morvane
