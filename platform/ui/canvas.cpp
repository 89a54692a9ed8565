#include "platform/ui/canvas.h"

#include <QApplication>
#include <QFontMetrics>
#include <QPainter>
#include <QPixmap>

namespace morvane {

TCanvas::TCanvas() : palette_(QApplication::palette()) {}

TCanvas::~TCanvas() = default;

void TCanvas::Begin(QPainter* painter, const QPalette& palette) {
  painter_ = painter;
  palette_ = palette;
}

void TCanvas::End() { painter_ = nullptr; }

void TCanvas::SetClipRect(const QRect& rect) {
  if (painter_ == nullptr) return;
  if (rect.isEmpty())
    painter_->setClipping(false);
  else
    painter_->setClipRect(rect);
}

int TCanvas::TextWidth(const std::string& text) const {
  return QFontMetrics(font_.Handle()).horizontalAdvance(QString::fromStdString(text));
}

int TCanvas::TextHeight(const std::string& text) const {
  // One line of the font, whatever the letters: the height a row needs.
  (void)text;
  return QFontMetrics(font_.Handle()).height();
}

int TCanvas::Overhang() const { return font_.Handle().italic() ? 1 : 0; }

int TCanvas::AverageCharWidth() const {
  int width = QFontMetrics(font_.Handle()).averageCharWidth();
  return width > 0 ? width : 1;
}

void TCanvas::FillRect(const QRect& rect) {
  if (painter_ == nullptr || rect.isEmpty()) return;
  painter_->fillRect(rect, Resolve(brushColor_));
}

void TCanvas::DrawText(const QRect& rect, const std::string& text, unsigned flags) {
  if (painter_ == nullptr || text.empty() || rect.isEmpty()) return;
  int qtFlags = 0;
  if (flags & DT_CENTER)
    qtFlags |= Qt::AlignHCenter;
  else if (flags & DT_RIGHT)
    qtFlags |= Qt::AlignRight;
  else
    qtFlags |= Qt::AlignLeft;
  if (flags & DT_VCENTER)
    qtFlags |= Qt::AlignVCenter;
  else if (flags & DT_BOTTOM)
    qtFlags |= Qt::AlignBottom;
  else
    qtFlags |= Qt::AlignTop;
  if ((flags & DT_WORDBREAK) && !(flags & DT_SINGLELINE)) qtFlags |= Qt::TextWordWrap;
  if (flags & DT_SINGLELINE) qtFlags |= Qt::TextSingleLine;
  if (flags & DT_EXPANDTABS) qtFlags |= Qt::TextExpandTabs;
  if (!(flags & DT_NOPREFIX)) qtFlags |= Qt::TextShowMnemonic;
  QString shown = QString::fromStdString(text);
  if (flags & DT_RTLREADING) shown.prepend(QChar(0x202B));  // right-to-left embedding
  painter_->save();
  if (!(flags & DT_NOCLIP)) painter_->setClipRect(rect, Qt::IntersectClip);
  painter_->setFont(font_.Handle());
  painter_->setPen(Resolve(font_.Color()));
  painter_->drawText(rect, qtFlags, shown);
  painter_->restore();
}

void TCanvas::DrawFocusRect(const QRect& rect) {
  if (painter_ == nullptr || rect.isEmpty()) return;
  painter_->save();
  QPen pen(Resolve(clWindowText));
  pen.setStyle(Qt::DotLine);
  painter_->setPen(pen);
  painter_->setBrush(Qt::NoBrush);
  painter_->drawRect(rect.adjusted(0, 0, -1, -1));
  painter_->restore();
}

void TCanvas::DrawEdge(const QRect& rect, TEdgeKind kind, unsigned sides) {
  if (painter_ == nullptr || rect.isEmpty()) return;
  QColor light = Resolve(clBtnHighlight);
  QColor dark = Resolve(clBtnShadow);
  QColor topLeft = kind == ekRaisedInner ? light : dark;
  QColor bottomRight = kind == ekRaisedInner ? dark : light;
  painter_->save();
  // Bottom and right first, then top and left: the later lines win the corners.
  if (sides & BF_BOTTOM) {
    painter_->setPen(bottomRight);
    painter_->drawLine(rect.left(), rect.bottom(), rect.right(), rect.bottom());
  }
  if (sides & BF_RIGHT) {
    painter_->setPen(bottomRight);
    painter_->drawLine(rect.right(), rect.top(), rect.right(), rect.bottom());
  }
  if (sides & BF_TOP) {
    painter_->setPen(topLeft);
    painter_->drawLine(rect.left(), rect.top(), rect.right() - 1, rect.top());
  }
  if (sides & BF_LEFT) {
    painter_->setPen(topLeft);
    painter_->drawLine(rect.left(), rect.top(), rect.left(), rect.bottom() - 1);
  }
  painter_->restore();
}

void TCanvas::DrawCheckBox(const QRect& rect, bool checked, bool enabled) {
  if (painter_ == nullptr || rect.width() < 2 || rect.height() < 2) return;
  painter_->save();
  painter_->setRenderHint(QPainter::Antialiasing, false);
  painter_->setPen(Resolve(clBtnShadow));
  painter_->setBrush(Resolve(enabled ? clWindow : clBtnFace));
  painter_->drawRect(rect.adjusted(0, 0, -1, -1));
  if (checked) {
    // A tick through three points of the box, two pixels thick.
    QPen pen(Resolve(enabled ? clWindowText : clGrayText));
    pen.setWidthF(rect.width() >= 12 ? 2.0 : 1.0);
    painter_->setPen(pen);
    painter_->setRenderHint(QPainter::Antialiasing, true);
    const double x = rect.left(), y = rect.top(), w = rect.width(), h = rect.height();
    QPointF points[3] = {{x + w * 0.22, y + h * 0.50},
                         {x + w * 0.42, y + h * 0.72},
                         {x + w * 0.78, y + h * 0.28}};
    painter_->drawPolyline(points, 3);
  }
  painter_->restore();
}

void TCanvas::DrawPixmap(int x, int y, const QPixmap& pixmap) {
  if (painter_ == nullptr) return;
  painter_->drawPixmap(x, y, pixmap);
}

void TCanvas::DrawLine(int x1, int y1, int x2, int y2) {
  if (painter_ == nullptr) return;
  painter_->save();
  painter_->setPen(Resolve(penColor_));
  painter_->drawLine(x1, y1, x2, y2);
  painter_->restore();
}

}  // namespace morvane
