// The data grid's seven indicator images, drawn by the program itself (no
// image files): the current-row arrow, the edit and insert marks, the
// multi-selection dot and arrow, and the two title sort marks. Each is
// GridIndicatorWidth x GridIndicatorHeight, sized to fit the grid's
// 11-pixel indicator column inside its frame.
//
// Order and transparent colours (white for the first five, silver for the
// sort marks) are part of the contract: the grid picks them by index.
#pragma once

#include <QPixmap>

namespace morvane {

class TImageList;

inline constexpr int GridIndicatorWidth = 8;
inline constexpr int GridIndicatorHeight = 11;

enum TGridIndicatorImage : int {
  giArrow,           // ZDBGARROW: current row, browsing
  giEdit,            // ZDBEDIT: editing
  giInsert,          // ZDBINSERT: inserting
  giMultiDot,        // ZDBMULTIDOT: selected, not current
  giMultiArrow,      // ZDBMULTIARROW: selected and current
  giSortMarkDown,    // ZDBSMDOWN
  giSortMarkUp,      // ZDBSMUP
  GridIndicatorImageCount
};

QPixmap DrawGridIndicatorImage(TGridIndicatorImage image);
// A list of GridIndicatorWidth x GridIndicatorHeight holding the seven images in order.
void AddGridIndicatorImages(TImageList& list);

}  // namespace morvane
