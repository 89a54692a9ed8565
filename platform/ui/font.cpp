#include "platform/ui/font.h"

#include <QApplication>

namespace morvane {

TFont::TFont() : font_(QApplication::font()) {}

std::string TFont::Name() const { return font_.family().toStdString(); }

void TFont::SetName(const std::string& name) {
  QFont font = font_;
  font.setFamily(QString::fromStdString(name));
  SetHandle(font);
}

int TFont::Size() const { return font_.pointSize(); }

void TFont::SetSize(int points) {
  if (points <= 0) return;
  QFont font = font_;
  font.setPointSize(points);
  SetHandle(font);
}

TFontStyles TFont::Style() const {
  TFontStyles style;
  if (font_.bold()) style.Include(fsBold);
  if (font_.italic()) style.Include(fsItalic);
  if (font_.underline()) style.Include(fsUnderline);
  if (font_.strikeOut()) style.Include(fsStrikeOut);
  return style;
}

void TFont::SetStyle(TFontStyles style) {
  QFont font = font_;
  font.setBold(style.Contains(fsBold));
  font.setItalic(style.Contains(fsItalic));
  font.setUnderline(style.Contains(fsUnderline));
  font.setStrikeOut(style.Contains(fsStrikeOut));
  SetHandle(font);
}

void TFont::SetColor(TColor color) {
  if (color == color_) return;
  color_ = color;
  Changed();
}

void TFont::SetHandle(const QFont& font) {
  if (font == font_) return;
  font_ = font;
  Changed();
}

void TFont::Assign(const TFont& source) {
  if (*this == source) return;
  font_ = source.font_;
  color_ = source.color_;
  Changed();
}

}  // namespace morvane
