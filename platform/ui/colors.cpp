#include "platform/ui/colors.h"

#include <QApplication>

namespace morvane {

namespace {

// System colour index -> palette role (and group for the grey text).
QColor SystemColor(unsigned index, const QPalette& palette) {
  switch (index) {
    case 2:  // active caption
      return palette.color(QPalette::Active, QPalette::Highlight);
    case 6:  // window frame
    case 21:
      return palette.color(QPalette::Active, QPalette::Shadow);
    case 7:  // menu text
    case 8:  // window text
      return palette.color(QPalette::Active, QPalette::Text);
    case 5:  // window
      return palette.color(QPalette::Active, QPalette::Base);
    case 13:
      return palette.color(QPalette::Active, QPalette::Highlight);
    case 14:
      return palette.color(QPalette::Active, QPalette::HighlightedText);
    case 15:  // button face
      return palette.color(QPalette::Active, QPalette::Button);
    case 16:  // button shadow
      return palette.color(QPalette::Active, QPalette::Dark);
    case 17:  // grey text
      return palette.color(QPalette::Disabled, QPalette::Text);
    case 18:
      return palette.color(QPalette::Active, QPalette::ButtonText);
    case 20:  // button highlight
      return palette.color(QPalette::Active, QPalette::Light);
    case 22:
      return palette.color(QPalette::Active, QPalette::Midlight);
    case 23:
      return palette.color(QPalette::Active, QPalette::ToolTipText);
    case 24:
      return palette.color(QPalette::Active, QPalette::ToolTipBase);
    default:
      return palette.color(QPalette::Active, QPalette::Window);
  }
}

}  // namespace

QColor ColorToQColor(TColor color, const QPalette& palette) {
  if (IsSystemColor(color)) return SystemColor(color & 0xFFu, palette);
  return QColor(int(color & 0xFF), int(color >> 8 & 0xFF), int(color >> 16 & 0xFF));
}

QColor ColorToQColor(TColor color) { return ColorToQColor(color, QApplication::palette()); }

TColor QColorToColor(const QColor& color) {
  return RGBColor(color.red(), color.green(), color.blue());
}

}  // namespace morvane
