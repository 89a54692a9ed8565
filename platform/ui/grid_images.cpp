#include "platform/ui/grid_images.h"

#include <QPainter>
#include <QPainterPath>

#include "platform/ui/image_list.h"

namespace morvane {

namespace {

// Every image is drawn in black on a transparent background; the grid draws
// them over its fixed colour.
void DrawArrow(QPainter& painter, int left) {
  // A solid triangle pointing right, centred vertically.
  QPainterPath path;
  const int middle = GridIndicatorHeight / 2;
  path.moveTo(left, middle - 4);
  path.lineTo(left + 4, middle);
  path.lineTo(left, middle + 4);
  path.closeSubpath();
  painter.fillPath(path, Qt::black);
}

void DrawPencil(QPainter& painter) {
  // An upright I-beam: the mark of a record being edited.
  painter.setPen(QPen(Qt::black, 1));
  const int x = GridIndicatorWidth / 2;
  painter.drawLine(x, 1, x, GridIndicatorHeight - 2);
  painter.drawLine(x - 2, 1, x + 2, 1);
  painter.drawLine(x - 2, GridIndicatorHeight - 2, x + 2, GridIndicatorHeight - 2);
}

void DrawStar(QPainter& painter) {
  // An asterisk: a new record.
  painter.setPen(QPen(Qt::black, 1));
  const int cx = GridIndicatorWidth / 2, cy = GridIndicatorHeight / 2;
  painter.drawLine(cx, cy - 3, cx, cy + 3);
  painter.drawLine(cx - 3, cy - 2, cx + 3, cy + 2);
  painter.drawLine(cx - 3, cy + 2, cx + 3, cy - 2);
}

void DrawDot(QPainter& painter, int cx) {
  painter.setPen(Qt::NoPen);
  painter.setBrush(Qt::black);
  const int cy = GridIndicatorHeight / 2;
  painter.drawRect(cx - 1, cy - 1, 3, 3);
}

void DrawSortTriangle(QPainter& painter, bool down) {
  // Grey triangle with a dark outline: down = point below, up = point above.
  QPainterPath path;
  const int cy = GridIndicatorHeight / 2;
  if (down) {
    path.moveTo(0, cy - 2);
    path.lineTo(GridIndicatorWidth - 1, cy - 2);
    path.lineTo((GridIndicatorWidth - 1) / 2.0, cy + 2);
  } else {
    path.moveTo(0, cy + 2);
    path.lineTo(GridIndicatorWidth - 1, cy + 2);
    path.lineTo((GridIndicatorWidth - 1) / 2.0, cy - 2);
  }
  path.closeSubpath();
  painter.fillPath(path, QColor(64, 64, 64));
}

}  // namespace

QPixmap DrawGridIndicatorImage(TGridIndicatorImage image) {
  QPixmap pixmap(GridIndicatorWidth, GridIndicatorHeight);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  switch (image) {
    case giArrow:
      DrawArrow(painter, 2);
      break;
    case giEdit:
      DrawPencil(painter);
      break;
    case giInsert:
      DrawStar(painter);
      break;
    case giMultiDot:
      DrawDot(painter, GridIndicatorWidth / 2);
      break;
    case giMultiArrow:
      DrawDot(painter, 1);
      DrawArrow(painter, 3);
      break;
    case giSortMarkDown:
      DrawSortTriangle(painter, true);
      break;
    case giSortMarkUp:
      DrawSortTriangle(painter, false);
      break;
    default:
      break;
  }
  return pixmap;
}

void AddGridIndicatorImages(TImageList& list) {
  for (int index = 0; index < GridIndicatorImageCount; ++index) {
    const TColor transparent = index >= giSortMarkDown ? clSilver : clWhite;
    list.Add(DrawGridIndicatorImage(TGridIndicatorImage(index)), transparent);
  }
}

}  // namespace morvane
