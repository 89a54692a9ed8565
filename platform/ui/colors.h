// Colours as the controls name them: TColor is 0x00BBGGRR for a plain
// colour, or 0x80000000 plus an index for a system colour (clWindow,
// clBtnFace, clHighlight...). System colours are not fixed values: they are
// resolved against a Qt palette at the moment of drawing, so a control
// follows the desktop's colour scheme.
#pragma once

#include <QColor>
#include <QPalette>
#include <cstdint>

namespace morvane {

using TColor = uint32_t;

inline constexpr TColor clBlack = 0x000000;
inline constexpr TColor clMaroon = 0x000080;
inline constexpr TColor clGreen = 0x008000;
inline constexpr TColor clNavy = 0x800000;
inline constexpr TColor clGray = 0x808080;
inline constexpr TColor clSilver = 0xC0C0C0;
inline constexpr TColor clRed = 0x0000FF;
inline constexpr TColor clYellow = 0x00FFFF;
inline constexpr TColor clBlue = 0xFF0000;
inline constexpr TColor clAqua = 0xFFFF00;
inline constexpr TColor clWhite = 0xFFFFFF;

inline constexpr TColor clActiveCaption = 0x80000002;
inline constexpr TColor clWindow = 0x80000005;
inline constexpr TColor clWindowFrame = 0x80000006;
inline constexpr TColor clWindowText = 0x80000008;
inline constexpr TColor clHighlight = 0x8000000D;
inline constexpr TColor clHighlightText = 0x8000000E;
inline constexpr TColor clBtnFace = 0x8000000F;
inline constexpr TColor clBtnShadow = 0x80000010;
inline constexpr TColor clGrayText = 0x80000011;
inline constexpr TColor clBtnText = 0x80000012;
inline constexpr TColor clBtnHighlight = 0x80000014;
inline constexpr TColor cl3DDkShadow = 0x80000015;
inline constexpr TColor cl3DLight = 0x80000016;
inline constexpr TColor clInfoText = 0x80000017;
inline constexpr TColor clInfoBk = 0x80000018;

inline constexpr bool IsSystemColor(TColor color) { return (color & 0xFF000000u) == 0x80000000u; }
inline constexpr TColor RGBColor(int red, int green, int blue) {
  return TColor(red & 0xFF) | TColor(green & 0xFF) << 8 | TColor(blue & 0xFF) << 16;
}

// The colour to paint with; system colours come from the palette (the
// application's palette when none is given).
QColor ColorToQColor(TColor color, const QPalette& palette);
QColor ColorToQColor(TColor color);
TColor QColorToColor(const QColor& color);

}  // namespace morvane
