// TCanvas: the drawing surface a control paints cells on. It wraps a
// QPainter for the duration of one paint event (Begin/End) and keeps the
// drawing state the controls set between calls: font, brush colour, pen
// colour. Outside a paint event it still measures text in its font, so
// layout code can size rows and columns before the window is shown.
//
// DrawText takes the classic text-drawing flags (DT_LEFT, DT_WORDBREAK...)
// so callers state alignment and wrapping the way the controls name them.
// Drawing calls without an active painter do nothing.
#pragma once

#include <QPalette>
#include <QRect>
#include <string>

#include "platform/ui/colors.h"
#include "platform/ui/font.h"

class QPainter;
class QPixmap;

namespace morvane {

// Text-drawing flags.
inline constexpr unsigned DT_LEFT = 0x0;
inline constexpr unsigned DT_CENTER = 0x1;
inline constexpr unsigned DT_RIGHT = 0x2;
inline constexpr unsigned DT_VCENTER = 0x4;
inline constexpr unsigned DT_BOTTOM = 0x8;
inline constexpr unsigned DT_WORDBREAK = 0x10;
inline constexpr unsigned DT_SINGLELINE = 0x20;
inline constexpr unsigned DT_EXPANDTABS = 0x40;
inline constexpr unsigned DT_NOCLIP = 0x100;
inline constexpr unsigned DT_NOPREFIX = 0x800;
inline constexpr unsigned DT_RTLREADING = 0x20000;

// Edge sides and kinds for DrawEdge.
enum TEdgeKind : uint8_t { ekRaisedInner, ekSunkenInner };
inline constexpr unsigned BF_LEFT = 0x1;
inline constexpr unsigned BF_TOP = 0x2;
inline constexpr unsigned BF_RIGHT = 0x4;
inline constexpr unsigned BF_BOTTOM = 0x8;
inline constexpr unsigned BF_RECT = 0xF;

class TCanvas {
 public:
  TCanvas();
  ~TCanvas();
  TCanvas(const TCanvas&) = delete;
  TCanvas& operator=(const TCanvas&) = delete;

  // Binds the canvas to a painter until End; system colours resolve
  // against the palette.
  void Begin(QPainter* painter, const QPalette& palette);
  void End();
  bool Painting() const { return painter_ != nullptr; }
  QPainter* Painter() const { return painter_; }
  const QPalette& Palette() const { return palette_; }

  TFont& Font() { return font_; }
  const TFont& Font() const { return font_; }
  TColor BrushColor() const { return brushColor_; }
  void SetBrushColor(TColor color) { brushColor_ = color; }
  TColor PenColor() const { return penColor_; }
  void SetPenColor(TColor color) { penColor_ = color; }
  // Right-to-left orientation of the surface (mirrors alignments).
  bool RightToLeft() const { return rightToLeft_; }
  void SetRightToLeft(bool value) { rightToLeft_ = value; }

  // Clipping of everything drawn afterwards; an empty rectangle removes it.
  void SetClipRect(const QRect& rect);

  int TextWidth(const std::string& text) const;
  int TextHeight(const std::string& text) const;
  // The font's overhang: extra pixels an italic face leans past its advance.
  int Overhang() const;
  // Average character width of the font.
  int AverageCharWidth() const;

  void FillRect(const QRect& rect);
  // Draws text inside rect in the font's colour, transparently, with the
  // DT_ flags; clipped to rect unless DT_NOCLIP.
  void DrawText(const QRect& rect, const std::string& text, unsigned flags);
  void DrawFocusRect(const QRect& rect);
  // A one-pixel 3-D edge along the given sides of rect (inside it).
  void DrawEdge(const QRect& rect, TEdgeKind kind, unsigned sides);
  // A check button filling rect (a square box with a tick when checked).
  void DrawCheckBox(const QRect& rect, bool checked, bool enabled = true);
  void DrawPixmap(int x, int y, const QPixmap& pixmap);
  void DrawLine(int x1, int y1, int x2, int y2);

  QColor Resolve(TColor color) const { return ColorToQColor(color, palette_); }

 private:
  QPainter* painter_ = nullptr;
  QPalette palette_;
  TFont font_;
  TColor brushColor_ = clWindow;
  TColor penColor_ = clBlack;
  bool rightToLeft_ = false;
};

}  // namespace morvane
