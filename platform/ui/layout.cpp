#include "platform/ui/layout.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFont>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QStyle>
#include <QWidget>

namespace morvane {

namespace {

// Room a button's frame and padding take around its caption.
constexpr int kButtonPadding = 12;
constexpr int kEditPadding = 8;

bool TextFits(const QWidget* widget, const QFont& font) {
  const QFontMetrics metrics(font);
  const QRect room = widget->rect();
  if (const auto* label = qobject_cast<const QLabel*>(widget)) {
    if (label->wordWrap()) {
      const QRect needed =
          metrics.boundingRect(QRect(0, 0, room.width(), 10000), Qt::TextWordWrap, label->text());
      return needed.height() <= room.height() && needed.width() <= room.width();
    }
    return metrics.horizontalAdvance(label->text()) <= room.width() &&
           metrics.height() <= room.height();
  }
  if (const auto* button = qobject_cast<const QAbstractButton*>(widget)) {
    return metrics.horizontalAdvance(button->text()) + kButtonPadding <= room.width();
  }
  if (qobject_cast<const QLineEdit*>(widget) != nullptr) {
    return metrics.height() + kEditPadding / 2 <= room.height();
  }
  return true;
}

}  // namespace

QFont DesignFont() {
  QFont font = QApplication::font();
  font.setPixelSize(kDesignFontPixels);
  return font;
}

void Place(QWidget* widget, int left, int top, int width, int height) {
  widget->setGeometry(left, top, width, height);
}

bool FitFont(QWidget* widget) {
  QFont font = widget->font();
  int pixels = font.pixelSize() > 0 ? font.pixelSize() : QFontMetrics(font).height();
  // A narrower face at the design size reads better than a smaller one, and
  // the least narrowing that fits stays closest to the captions around it.
  for (const int stretch : {int(QFont::SemiCondensed), int(QFont::Condensed)}) {
    if (TextFits(widget, font)) break;
    font.setStretch(stretch);
  }
  while (!TextFits(widget, font) && pixels > kMinFontPixels) {
    font.setPixelSize(--pixels);
  }
  if (font != widget->font()) widget->setFont(font);
  return TextFits(widget, font);
}

}  // namespace morvane
