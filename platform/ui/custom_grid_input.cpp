// TCustomGrid: focus, mouse (column sizing and moving, selecting a cell)
// and plain keyboard navigation.
#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <algorithm>

#include "platform/ui/application.h"
#include "platform/ui/custom_grid.h"

namespace morvane {

// --- Focus ----------------------------------------------------------------------

void TCustomGrid::focusOutEvent(QFocusEvent* event) {
  QAbstractScrollArea::focusOutEvent(event);
  CheckFocusLeft();
}

bool TCustomGrid::eventFilter(QObject* watched, QEvent* event) {
  if (watched == editor_ && event->type() == QEvent::FocusOut) CheckFocusLeft();
  return QAbstractScrollArea::eventFilter(watched, event);
}

void TCustomGrid::CheckFocusLeft() {
  QWidget* now = QApplication::focusWidget();
  // Between the grid and its editor, or a window that only lost activation.
  if (now == this || now == nullptr || (editor_ != nullptr && now == editor_) || isAncestorOf(now))
    return;
  Guarded([this] { FocusLeft(); });
}

// --- Mouse -------------------------------------------------------------------

bool TCustomGrid::InColSizingZone(int x, int y, int* col) const {
  if (!gridOptions_.Contains(goColSizing) || y < 0 || y >= FixedHeight()) return false;
  for (int index = fixedCols_; index < ColCount(); ++index) {
    const int left = ColX(index);
    if (left < 0 || ColWidths(index) <= 0) continue;
    const int border = left + ColWidths(index) + ColLineWidth(index) / 2;
    if (std::abs(x - border) <= 2) {
      if (col != nullptr) *col = index;
      return true;
    }
  }
  return false;
}

void TCustomGrid::MouseDown(Qt::MouseButton button, Qt::KeyboardModifiers, int x, int y) {
  if (button != Qt::LeftButton) return;
  int sizingCol = -1;
  if (InColSizingZone(x, y, &sizingCol)) {
    gridState_ = gsColSizing;
    sizingIndex_ = sizingCol;
    sizingOrigin_ = x;
    sizingWidth_ = ColWidths(sizingCol);
    return;
  }
  const TGridCoord cell = MouseCoord(x, y);
  if (cell.X < 0) return;
  if (cell.Y < fixedRows_) {
    if (cell.X >= fixedCols_ && gridOptions_.Contains(goColMoving)) {
      // Becomes a move once the pointer travels a few pixels.
      gridState_ = gsColMoving;
      moveFrom_ = cell.X;
      movePressX_ = x;
    }
    return;
  }
  if (cell.X < fixedCols_) return;
  BeginSelecting();
  const bool wasCurrent = cell.X == col_ && cell.Y == row_;
  FocusCell(cell.X, cell.Y);
  if (wasCurrent && gridOptions_.Contains(goEditing)) ShowEditor();
}

void TCustomGrid::MouseMove(Qt::MouseButtons, Qt::KeyboardModifiers, int x, int y) {
  if (gridState_ == gsColSizing) {
    const int delta = UseRightToLeftAlignment() ? sizingOrigin_ - x : x - sizingOrigin_;
    SetColWidths(sizingIndex_, std::max(sizingWidth_ + delta, 1));
    return;
  }
  if (gridState_ == gsColMoving) return;
  if (gridState_ == gsSelecting) {
    autoScrollY_ = y;
    const bool beyondEdge = y < 0 || y >= viewport()->height();
    if (beyondEdge && !AutoScrolling()) {
      if (autoScrollTimer_ == nullptr) {
        autoScrollTimer_ = new QTimer(this);
        autoScrollTimer_->setInterval(60);
        connect(autoScrollTimer_, &QTimer::timeout, this,
                [this] { Guarded([this] { AutoScrollStep(); }); });
      }
      autoScrollTimer_->start();
    } else if (!beyondEdge && autoScrollTimer_ != nullptr) {
      autoScrollTimer_->stop();
    }
    return;
  }
  viewport()->setCursor(InColSizingZone(x, y) ? Qt::SplitHCursor : Qt::ArrowCursor);
}

void TCustomGrid::MouseUp(Qt::MouseButton, Qt::KeyboardModifiers, int x, int y) {
  const TGridState state = gridState_;
  gridState_ = gsNormal;
  columnWasMoved_ = false;
  if (autoScrollTimer_ != nullptr) autoScrollTimer_->stop();
  if (state == gsColSizing) {
    if (ColWidths(sizingIndex_) != sizingWidth_) ColWidthsChanged();
    sizingIndex_ = -1;
    return;
  }
  if (state == gsColMoving) {
    if (std::abs(x - movePressX_) < 5) return;
    const TGridCoord target = MouseCoord(x, std::min(y, FixedHeight() - 1));
    if (target.X < fixedCols_ || target.X == moveFrom_) return;
    MoveColumn(moveFrom_, target.X);
    columnWasMoved_ = true;
    ColumnMoved(moveFrom_, target.X);
    InvalidateGrid();
  }
}

void TCustomGrid::BeginSelecting() { gridState_ = gsSelecting; }

bool TCustomGrid::AutoScrolling() const {
  return autoScrollTimer_ != nullptr && autoScrollTimer_->isActive();
}

void TCustomGrid::AutoScrollStep() {
  // A release the grid never saw (the grab was taken away) ends it as well.
  if (gridState_ != gsSelecting || !(QApplication::mouseButtons() & Qt::LeftButton)) {
    if (autoScrollTimer_ != nullptr) autoScrollTimer_->stop();
    if (gridState_ == gsSelecting) gridState_ = gsNormal;
    return;
  }
  if (autoScrollY_ < 0)
    VerticalScroll(scLineUp, 0);
  else if (autoScrollY_ >= viewport()->height())
    VerticalScroll(scLineDown, 0);
}

void TCustomGrid::MoveColumn(int from, int to) {
  if (from < 0 || to < 0 || from >= ColCount() || to >= ColCount() || from == to) return;
  const int width = colWidths_[size_t(from)];
  const bool tabStop = tabStops_[size_t(from)];
  colWidths_.erase(colWidths_.begin() + from);
  tabStops_.erase(tabStops_.begin() + from);
  colWidths_.insert(colWidths_.begin() + to, width);
  tabStops_.insert(tabStops_.begin() + to, tabStop);
  if (col_ == from) col_ = to;
}

void TCustomGrid::mousePressEvent(QMouseEvent* event) {
  const QPoint point = event->position().toPoint();
  Guarded([&] { MouseDown(event->button(), event->modifiers(), point.x(), point.y()); });
}

void TCustomGrid::mouseMoveEvent(QMouseEvent* event) {
  const QPoint point = event->position().toPoint();
  Guarded([&] { MouseMove(event->buttons(), event->modifiers(), point.x(), point.y()); });
}

void TCustomGrid::mouseReleaseEvent(QMouseEvent* event) {
  const QPoint point = event->position().toPoint();
  Guarded([&] { MouseUp(event->button(), event->modifiers(), point.x(), point.y()); });
}

void TCustomGrid::mouseDoubleClickEvent(QMouseEvent* event) {
  const QPoint point = event->position().toPoint();
  Guarded([&] { DoubleClick(point.x(), point.y()); });
}

// --- Keyboard ----------------------------------------------------------------

void TCustomGrid::keyPressEvent(QKeyEvent* event) {
  // Plain cell navigation; the data grid replaces it with its own keys.
  int col = col_, row = row_;
  switch (event->key()) {
    case Qt::Key_Up:
      --row;
      break;
    case Qt::Key_Down:
      ++row;
      break;
    case Qt::Key_Left:
      --col;
      break;
    case Qt::Key_Right:
      ++col;
      break;
    case Qt::Key_F2:
      ShowEditor();
      return;
    case Qt::Key_Escape:
      HideEditor();
      return;
    default:
      QAbstractScrollArea::keyPressEvent(event);
      return;
  }
  col = std::clamp(col, fixedCols_, std::max(ColCount() - 1, fixedCols_));
  row = std::clamp(row, fixedRows_, std::max(rowCount_ - 1, fixedRows_));
  FocusCell(col, row);
}

}  // namespace morvane
