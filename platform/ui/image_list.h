// TImageList: a row of equally sized images drawn by index, with a
// background colour and a transparent colour per image as the controls'
// resources declare them. Images made by the program carry an alpha channel,
// so the transparent colour is kept for the record and drawing leaves the
// background under transparent pixels untouched.
#pragma once

#include <QPixmap>
#include <vector>

#include "platform/ui/colors.h"

namespace morvane {

class TCanvas;

class TImageList {
 public:
  TImageList(int width, int height) : width_(width), height_(height) {}

  int Width() const { return width_; }
  int Height() const { return height_; }
  int Count() const { return int(images_.size()); }
  TColor BkColor() const { return bkColor_; }
  void SetBkColor(TColor color) { bkColor_ = color; }

  // Adds an image (scaled to the list's size when it differs); returns its index.
  int Add(const QPixmap& image, TColor transparentColor);
  const QPixmap& Image(int index) const { return images_.at(size_t(index)); }
  TColor TransparentColor(int index) const { return transparent_.at(size_t(index)); }

  // Draws image index at (x, y); an index outside the list draws nothing.
  void Draw(TCanvas& canvas, int x, int y, int index) const;

 private:
  int width_;
  int height_;
  TColor bkColor_ = clWindow;
  std::vector<QPixmap> images_;
  std::vector<TColor> transparent_;
};

}  // namespace morvane
