#include "platform/ui/custom_grid.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>

namespace morvane {

namespace {

// The posted event of a deferred layout (the framework's user-message base
// 1024 plus 100).
const QEvent::Type DeferredLayoutEvent = QEvent::Type(QEvent::User + 1124);

}  // namespace

TCustomGrid::TCustomGrid(QWidget* parent) : QAbstractScrollArea(parent) {
  setFocusPolicy(Qt::StrongFocus);
  viewport()->setMouseTracking(true);
  viewport()->setAutoFillBackground(false);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  horizontalScrollBar()->setRange(0, 0);
  verticalScrollBar()->setRange(0, 0);
  connect(horizontalScrollBar(), &QScrollBar::valueChanged, this, [this](int value) {
    if (!settingScrollBars_) SetLeftCol(value);
  });
  connect(verticalScrollBar(), &QScrollBar::actionTriggered, this,
          [this](int action) { OnVertAction(action); });
  connect(verticalScrollBar(), &QScrollBar::sliderReleased, this,
          [this] { VerticalScroll(scPosition, verticalScrollBar()->sliderPosition()); });
  font_.OnChange = [this](TFont*) {
    QWidget::setFont(font_.Handle());
    FontChanged();
    InvalidateGrid();
  };
  gridOptions_ = TGridOptions{goFixedVertLine, goFixedHorzLine, goVertLine, goHorzLine,
                              goRangeSelect};
  SetColCount(5);
  SetRowCount(5);
  SetFixedCols(1);
  SetFixedRows(1);
}

TCustomGrid::~TCustomGrid() { DestroyEditor(); }

// --- Size and shape -----------------------------------------------------

void TCustomGrid::SetColCount(int count) {
  count = std::max(count, 0);
  if (count == ColCount()) return;
  colWidths_.resize(size_t(count), defaultColWidth_);
  tabStops_.resize(size_t(count), true);
  if (fixedCols_ > count) fixedCols_ = count;
  if (col_ >= count) col_ = std::max(count - 1, fixedCols_);
  if (leftCol_ >= count || leftCol_ < fixedCols_) leftCol_ = fixedCols_;
  ClampTopLeft();
  UpdateHorzScrollBar();
  InvalidateGrid();
}

void TCustomGrid::SetRowCount(int count) {
  count = std::max(count, 0);
  if (count == rowCount_) return;
  rowCount_ = count;
  if (int(rowHeights_.size()) > count) rowHeights_.resize(size_t(count));
  if (fixedRows_ > count) fixedRows_ = count;
  if (row_ >= count) row_ = std::max(count - 1, fixedRows_);
  if (topRow_ >= count || topRow_ < fixedRows_) topRow_ = fixedRows_;
  InvalidateGrid();
}

void TCustomGrid::SetFixedCols(int count) {
  count = std::clamp(count, 0, ColCount());
  if (count == fixedCols_) return;
  fixedCols_ = count;
  if (col_ < fixedCols_) col_ = std::min(fixedCols_, std::max(ColCount() - 1, 0));
  if (leftCol_ < fixedCols_) leftCol_ = fixedCols_;
  UpdateHorzScrollBar();
  InvalidateGrid();
}

void TCustomGrid::SetFixedRows(int count) {
  count = std::clamp(count, 0, rowCount_);
  if (count == fixedRows_) return;
  fixedRows_ = count;
  if (row_ < fixedRows_) row_ = std::min(fixedRows_, std::max(rowCount_ - 1, 0));
  if (topRow_ < fixedRows_) topRow_ = fixedRows_;
  InvalidateGrid();
}

void TCustomGrid::SetDefaultColWidth(int width) {
  defaultColWidth_ = width;
  std::fill(colWidths_.begin(), colWidths_.end(), width);
  UpdateHorzScrollBar();
  InvalidateGrid();
}

void TCustomGrid::SetDefaultRowHeight(int height) {
  if (height == defaultRowHeight_ && rowHeights_.empty()) return;
  defaultRowHeight_ = height;
  rowHeights_.clear();
  UpdateEditorGeometry();
  InvalidateGrid();
}

int TCustomGrid::ColWidths(int col) const {
  return col >= 0 && col < ColCount() ? colWidths_[size_t(col)] : defaultColWidth_;
}

void TCustomGrid::SetColWidths(int col, int width) {
  if (col < 0 || col >= ColCount() || colWidths_[size_t(col)] == width) return;
  colWidths_[size_t(col)] = width;
  UpdateHorzScrollBar();
  UpdateEditorGeometry();
  InvalidateGrid();
}

int TCustomGrid::RowHeights(int row) const {
  if (row >= 0 && row < int(rowHeights_.size()) && rowHeights_[size_t(row)] > 0)
    return rowHeights_[size_t(row)];
  return defaultRowHeight_;
}

void TCustomGrid::SetRowHeights(int row, int height) {
  if (row < 0 || row >= rowCount_ || RowHeights(row) == height) return;
  if (int(rowHeights_.size()) <= row) rowHeights_.resize(size_t(row) + 1, 0);
  rowHeights_[size_t(row)] = height;
  UpdateEditorGeometry();
  InvalidateGrid();
}

bool TCustomGrid::TabStops(int col) const {
  return col >= 0 && col < ColCount() ? bool(tabStops_[size_t(col)]) : false;
}

void TCustomGrid::SetTabStops(int col, bool value) {
  if (col >= 0 && col < ColCount()) tabStops_[size_t(col)] = value;
}

void TCustomGrid::SetGridOptions(TGridOptions options) {
  if (options == gridOptions_) return;
  gridOptions_ = options;
  if (!gridOptions_.Contains(goEditing) || gridOptions_.Contains(goRowSelect)) HideEditor();
  if (gridOptions_.Contains(goAlwaysShowEditor) && gridOptions_.Contains(goEditing)) {
    editorMode_ = true;
    UpdateEdit();
  }
  UpdateHorzScrollBar();
  InvalidateGrid();
}

// --- Geometry -----------------------------------------------------------

int TCustomGrid::ColLineWidth(int col) const {
  const bool lines = col < fixedCols_ ? gridOptions_.Contains(goFixedVertLine)
                                      : gridOptions_.Contains(goVertLine);
  return lines ? gridLineWidth_ : 0;
}

int TCustomGrid::RowLineWidth(int row) const {
  const bool lines = row < fixedRows_ ? gridOptions_.Contains(goFixedHorzLine)
                                      : gridOptions_.Contains(goHorzLine);
  return lines ? gridLineWidth_ : 0;
}

int TCustomGrid::FixedWidth() const {
  int width = 0;
  for (int col = 0; col < fixedCols_; ++col)
    if (ColWidths(col) > 0) width += ColWidths(col) + ColLineWidth(col);
  return width;
}

int TCustomGrid::FixedHeight() const {
  int height = 0;
  for (int row = 0; row < fixedRows_; ++row) height += RowHeights(row) + RowLineWidth(row);
  return height;
}

int TCustomGrid::ColX(int col) const {
  if (col < 0 || col >= ColCount()) return -1;
  int x = 0;
  if (col < fixedCols_) {
    for (int index = 0; index < col; ++index)
      if (ColWidths(index) > 0) x += ColWidths(index) + ColLineWidth(index);
    return x;
  }
  if (col < leftCol_) return -1;
  x = FixedWidth();
  for (int index = leftCol_; index < col; ++index) {
    if (ColWidths(index) > 0) x += ColWidths(index) + ColLineWidth(index);
    if (x >= viewport()->width()) return -1;
  }
  return x < viewport()->width() ? x : -1;
}

int TCustomGrid::RowY(int row) const {
  if (row < 0 || row >= rowCount_) return -1;
  int y = 0;
  if (row < fixedRows_) {
    for (int index = 0; index < row; ++index) y += RowHeights(index) + RowLineWidth(index);
    return y;
  }
  if (row < topRow_) return -1;
  y = FixedHeight();
  for (int index = topRow_; index < row; ++index) {
    y += RowHeights(index) + RowLineWidth(index);
    if (y >= viewport()->height()) return -1;
  }
  return y < viewport()->height() ? y : -1;
}

QRect TCustomGrid::CellRect(int col, int row) const {
  const int x = ColX(col), y = RowY(row);
  if (x < 0 || y < 0 || ColWidths(col) <= 0) return QRect();
  return QRect(x, y, ColWidths(col), RowHeights(row));
}

TGridCoord TCustomGrid::MouseCoord(int x, int y) const {
  TGridCoord coord;
  if (x < 0 || y < 0) return coord;
  auto findCol = [&](int from, int to, int& left) {
    for (int col = from; col < to && left < viewport()->width(); ++col) {
      const int width = ColWidths(col);
      if (width <= 0) continue;
      const int right = left + width + ColLineWidth(col);
      if (x >= left && x < right) return col;
      left = right;
    }
    return -1;
  };
  int left = 0;
  coord.X = findCol(0, fixedCols_, left);
  if (coord.X < 0) coord.X = findCol(leftCol_, ColCount(), left);
  int top = 0;
  auto findRow = [&](int from, int to) {
    for (int row = from; row < to && top < viewport()->height(); ++row) {
      const int bottom = top + RowHeights(row) + RowLineWidth(row);
      if (y >= top && y < bottom) return row;
      top = bottom;
    }
    return -1;
  };
  coord.Y = findRow(0, fixedRows_);
  if (coord.Y < 0) coord.Y = findRow(std::max(topRow_, fixedRows_), rowCount_);
  if (coord.X < 0 || coord.Y < 0) coord = TGridCoord{};
  return coord;
}

int TCustomGrid::VisibleRowCount() const {
  const int available = viewport()->height() - FixedHeight();
  int count = 0, used = 0;
  for (int row = topRow_; row < rowCount_; ++row) {
    used += RowHeights(row);
    if (used > available) break;
    used += RowLineWidth(row);
    ++count;
  }
  return std::max(count, 1);
}

int TCustomGrid::VisibleColCount() const {
  const int available = viewport()->width() - FixedWidth();
  int count = 0, used = 0;
  for (int col = leftCol_; col < ColCount(); ++col) {
    if (ColWidths(col) <= 0) continue;
    used += ColWidths(col);
    if (used > available) break;
    used += ColLineWidth(col);
    ++count;
  }
  return std::max(count, 1);
}

// --- Current cell and scrolling ------------------------------------------

void TCustomGrid::FocusCell(int col, int row) {
  if (col < 0 || col >= ColCount() || row < 0 || row >= rowCount_) return;
  if (col == col_ && row == row_) return;
  if (!SelectCell(col, row)) return;
  MoveCurrent(col, row, true);
}

void TCustomGrid::MoveCurrent(int col, int row, bool show) {
  if (gridOptions_.Contains(goRowSelect))
    InvalidateRow(row_);
  else
    InvalidateCell(col_, row_);
  const bool cellChanged = col != col_ || row != row_;
  col_ = col;
  row_ = row;
  if (show) {
    // Scroll the new current cell into view.
    const int oldTop = topRow_, oldLeft = leftCol_;
    if (row_ >= fixedRows_) {
      if (row_ < topRow_) topRow_ = row_;
      while (row_ >= topRow_ + VisibleRowCount() && topRow_ < row_) ++topRow_;
    }
    if (col_ >= fixedCols_) {
      if (col_ < leftCol_) leftCol_ = col_;
      while (col_ >= leftCol_ + VisibleColCount() && leftCol_ < col_) ++leftCol_;
    }
    if (oldTop != topRow_ || oldLeft != leftCol_) {
      UpdateHorzScrollBar();
      InvalidateGrid();
      TopLeftChanged();
    }
  }
  if (gridOptions_.Contains(goRowSelect))
    InvalidateRow(row_);
  else
    InvalidateCell(col_, row_);
  if (cellChanged && EditorVisible()) UpdateEdit();
}

void TCustomGrid::SetTopRow(int row) {
  row = std::clamp(row, fixedRows_, std::max(rowCount_ - 1, fixedRows_));
  if (row == topRow_) return;
  topRow_ = row;
  UpdateEditorGeometry();
  InvalidateGrid();
  TopLeftChanged();
}

void TCustomGrid::SetLeftCol(int col) {
  col = std::clamp(col, fixedCols_, std::max(ColCount() - 1, fixedCols_));
  if (col == leftCol_) return;
  leftCol_ = col;
  UpdateHorzScrollBar();
  UpdateEditorGeometry();
  InvalidateGrid();
  TopLeftChanged();
}

void TCustomGrid::ClampTopLeft() {
  if (topRow_ < fixedRows_) topRow_ = fixedRows_;
  if (leftCol_ < fixedCols_) leftCol_ = fixedCols_;
}

void TCustomGrid::UpdateHorzScrollBar() {
  // The last left column that still shows the last columns entirely.
  const int available = viewport()->width() - FixedWidth();
  int maxLeft = std::max(ColCount() - 1, fixedCols_);
  int used = 0;
  for (int col = ColCount() - 1; col >= fixedCols_; --col) {
    if (ColWidths(col) <= 0) {
      maxLeft = col;
      continue;
    }
    used += ColWidths(col) + ColLineWidth(col);
    if (used > available) break;
    maxLeft = col;
  }
  QScrollBar* bar = horizontalScrollBar();
  // Signals stay on: the scroll area shows or hides the bar on range changes.
  const bool wasSetting = settingScrollBars_;
  settingScrollBars_ = true;
  bar->setRange(fixedCols_, std::max(maxLeft, fixedCols_));
  bar->setPageStep(1);
  bar->setValue(leftCol_);
  settingScrollBars_ = wasSetting;
  if (leftCol_ > bar->maximum()) {
    leftCol_ = std::max(bar->maximum(), fixedCols_);
    InvalidateGrid();
  }
}

void TCustomGrid::InvalidateCell(int col, int row) {
  const QRect rect = CellRect(col, row);
  if (!rect.isEmpty()) viewport()->update(rect.adjusted(0, 0, gridLineWidth_, gridLineWidth_));
}

void TCustomGrid::InvalidateRow(int row) {
  const int y = RowY(row);
  if (y >= 0) viewport()->update(0, y, viewport()->width(), RowHeights(row) + gridLineWidth_);
}

void TCustomGrid::InvalidateCol(int col) {
  const int x = ColX(col);
  if (x >= 0) viewport()->update(x, 0, ColWidths(col) + gridLineWidth_, viewport()->height());
}

void TCustomGrid::InvalidateGrid() { viewport()->update(); }

void TCustomGrid::ScrollDataRows(int dy) {
  const int top = FixedHeight();
  const QRect area(0, top, viewport()->width(), viewport()->height() - top);
  if (area.height() <= 0 || dy == 0) return;
  if (std::abs(dy) >= area.height())
    viewport()->update(area);
  else
    viewport()->scroll(0, dy, area);
}

void TCustomGrid::SetColor(TColor color) {
  if (color == color_) return;
  color_ = color;
  InvalidateGrid();
}

void TCustomGrid::SetFixedColor(TColor color) {
  if (color == fixedColor_) return;
  fixedColor_ = color;
  InvalidateGrid();
}

// --- Vertical scroll bar ----------------------------------------------------

TScrollInfo TCustomGrid::VertScrollInfo() const {
  const QScrollBar* bar = verticalScrollBar();
  TScrollInfo info;
  info.Min = bar->minimum();
  info.Page = bar->property("morvanePage").toInt();
  info.Max = info.Page > 0 ? bar->maximum() + info.Page - 1 : bar->maximum();
  info.Pos = bar->sliderPosition();
  return info;
}

void TCustomGrid::SetVertScrollInfo(const TScrollInfo& info) {
  if (info == VertScrollInfo()) return;
  QScrollBar* bar = verticalScrollBar();
  const bool wasSetting = settingScrollBars_;
  settingScrollBars_ = true;
  // The thumb of a page-sized bar runs from Min to Max - Page + 1.
  const int maximum = info.Page > 0 ? info.Max - info.Page + 1 : info.Max;
  bar->setProperty("morvanePage", info.Page);
  bar->setRange(info.Min, std::max(maximum, info.Min));
  bar->setPageStep(std::max(info.Page, 1));
  bar->setSingleStep(1);
  bar->setValue(info.Pos);
  bar->setSliderPosition(info.Pos);
  settingScrollBars_ = wasSetting;
}

void TCustomGrid::OnVertAction(int action) {
  if (settingScrollBars_) return;
  switch (action) {
    case QAbstractSlider::SliderSingleStepAdd:
      VerticalScroll(scLineDown, 0);
      break;
    case QAbstractSlider::SliderSingleStepSub:
      VerticalScroll(scLineUp, 0);
      break;
    case QAbstractSlider::SliderPageStepAdd:
      VerticalScroll(scPageDown, 0);
      break;
    case QAbstractSlider::SliderPageStepSub:
      VerticalScroll(scPageUp, 0);
      break;
    case QAbstractSlider::SliderToMinimum:
      VerticalScroll(scTop, 0);
      break;
    case QAbstractSlider::SliderToMaximum:
      VerticalScroll(scBottom, 0);
      break;
    default:
      break;  // dragging the thumb: the release decides
  }
}

void TCustomGrid::VerticalScroll(TScrollCode code, int position) {
  switch (code) {
    case scLineUp:
      SetTopRow(topRow_ - 1);
      break;
    case scLineDown:
      SetTopRow(topRow_ + 1);
      break;
    case scPageUp:
      SetTopRow(topRow_ - VisibleRowCount());
      break;
    case scPageDown:
      SetTopRow(topRow_ + VisibleRowCount());
      break;
    case scTop:
      SetTopRow(fixedRows_);
      break;
    case scBottom:
      SetTopRow(rowCount_ - 1);
      break;
    case scPosition:
      SetTopRow(position);
      break;
    default:
      break;
  }
}

void TCustomGrid::scrollContentsBy(int, int) {
  // Scrolling is the grid's own business (LeftCol, TopRow, VerticalScroll).
}

// --- Deferred layout -------------------------------------------------------

void TCustomGrid::PostDeferredLayout() {
  if (deferredLayoutPending_) return;
  deferredLayoutPending_ = true;
  QCoreApplication::postEvent(this, new QEvent(DeferredLayoutEvent));
}

void TCustomGrid::CancelDeferredLayout() {
  if (!deferredLayoutPending_) return;
  QCoreApplication::removePostedEvents(this, DeferredLayoutEvent);
  deferredLayoutPending_ = false;
}

bool TCustomGrid::event(QEvent* event) {
  if (event->type() == DeferredLayoutEvent) {
    if (deferredLayoutPending_) {
      deferredLayoutPending_ = false;
      try {
        DeferredLayout();
      } catch (...) {
        // A posted event has no caller to report to; the next layout request
        // rebuilds whatever this one could not.
      }
    }
    return true;
  }
  if (TakesTab(*event)) {
    keyPressEvent(static_cast<QKeyEvent*>(event));
    return true;
  }
  return QAbstractScrollArea::event(event);
}

bool TCustomGrid::TakesTab(const QEvent& event) const {
  if (event.type() != QEvent::KeyPress || !gridOptions_.Contains(goTabs)) return false;
  const int key = static_cast<const QKeyEvent&>(event).key();
  return key == Qt::Key_Tab || key == Qt::Key_Backtab;
}

// --- Painting --------------------------------------------------------------

void TCustomGrid::DrawCell(int, int, const QRect& rect, TGridDrawState) { canvas_.FillRect(rect); }

void TCustomGrid::paintEvent(QPaintEvent* event) {
  QPainter painter(viewport());
  PaintCells(painter, event->rect());
}

void TCustomGrid::PaintCells(QPainter& painter, const QRect& dirty) {
  canvas_.Begin(&painter, palette());
  canvas_.SetRightToLeft(UseRightToLeftAlignment());
  const int width = viewport()->width(), height = viewport()->height();
  const bool focused = GridFocused();
  const QColor fixedLine = ColorToQColor(clBtnShadow, palette());
  const QColor dataLine = ColorToQColor(clSilver, palette());
  int y = 0, right = 0;
  for (int row = 0; row < rowCount_ && y < height;) {
    const int rowHeight = RowHeights(row), rowLine = RowLineWidth(row);
    int x = 0;
    auto paintCol = [&](int col) {
      const int colWidth = ColWidths(col);
      if (colWidth <= 0) return;
      const int colLine = ColLineWidth(col);
      const QRect rect(x, y, colWidth, rowHeight);
      const bool fixed = col < fixedCols_ || row < fixedRows_;
      if (rect.intersects(dirty)) {
        TGridDrawState state;
        if (fixed) state.Include(gdFixed);
        const bool current = row == row_ && (col == col_ || gridOptions_.Contains(goRowSelect));
        if (!fixed && current) state.Include(gdSelected);
        if (!fixed && row == row_ && col == col_ && focused) state.Include(gdFocused);
        painter.save();
        painter.setClipRect(rect);
        {
          TFontChangeSuspender quiet(canvas_.Font());
          canvas_.Font().Assign(font_);
        }
        canvas_.SetBrushColor(fixed ? fixedColor_ : color_);
        try {
          DrawCell(col, row, rect, state);
        } catch (...) {
          // Painting never raises: the cell stays as far as it was drawn.
        }
        painter.restore();
      }
      const QColor& line = fixed ? fixedLine : dataLine;
      if (colLine > 0) painter.fillRect(QRect(x + colWidth, y, colLine, rowHeight + rowLine), line);
      if (rowLine > 0) painter.fillRect(QRect(x, y + rowHeight, colWidth + colLine, rowLine), line);
      x += colWidth + colLine;
    };
    for (int col = 0; col < fixedCols_ && x < width; ++col) paintCol(col);
    for (int col = leftCol_; col < ColCount() && x < width; ++col) paintCol(col);
    right = std::max(right, x);
    if (x < width) painter.fillRect(QRect(x, y, width - x, rowHeight + rowLine),
                                    ColorToQColor(color_, palette()));
    y += rowHeight + rowLine;
    ++row;
    if (row == fixedRows_) row = std::max(topRow_, fixedRows_);
  }
  if (y < height) painter.fillRect(QRect(0, y, width, height - y), ColorToQColor(color_, palette()));
  canvas_.End();
}

void TCustomGrid::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  UpdateHorzScrollBar();
  Resized();
  UpdateEditorGeometry();
}

void TCustomGrid::changeEvent(QEvent* event) {
  QAbstractScrollArea::changeEvent(event);
  if (event->type() == QEvent::LayoutDirectionChange || event->type() == QEvent::EnabledChange ||
      event->type() == QEvent::PaletteChange)
    InvalidateGrid();
}

}  // namespace morvane
