#include "platform/ui/image_list.h"

#include "platform/ui/canvas.h"

namespace morvane {

int TImageList::Add(const QPixmap& image, TColor transparentColor) {
  QPixmap sized = image.size() == QSize(width_, height_)
                      ? image
                      : image.scaled(width_, height_, Qt::IgnoreAspectRatio,
                                     Qt::SmoothTransformation);
  images_.push_back(sized);
  transparent_.push_back(transparentColor);
  return Count() - 1;
}

void TImageList::Draw(TCanvas& canvas, int x, int y, int index) const {
  if (index < 0 || index >= Count()) return;
  canvas.DrawPixmap(x, y, images_[size_t(index)]);
}

}  // namespace morvane
