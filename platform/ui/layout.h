// Placing widgets at the pixel coordinates a form is designed in.
//
// Forms are laid out in fixed pixels for a small dialog font (about 13 pixels
// a line). The fonts installed on a machine differ in width, so after
// placing a control with text, FitFont first narrows its font (semi-condensed,
// then condensed) and then shrinks it, a pixel at a time, until the text fits
// the control's rectangle (never below kMinFontPixels): a caption is not cut,
// only drawn narrower.
#pragma once

class QFont;
class QWidget;

namespace morvane {

inline constexpr int kDesignFontPixels = 11;
inline constexpr int kMinFontPixels = 8;

// The application's dialog font at the design size.
QFont DesignFont();

// Moves and sizes the widget within its parent.
void Place(QWidget* widget, int left, int top, int width, int height);

// Shrinks the font of a label, button, check box or line edit until its text
// fits; other widgets are left alone. Returns true when the text fits.
bool FitFont(QWidget* widget);

}  // namespace morvane
