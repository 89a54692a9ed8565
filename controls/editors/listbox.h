// TzelListbox: the pick-list drop-down, a list of fixed texts in a pop-up
// window that never takes the focus, with type-ahead selection.
//
// The owner forwards typed characters to KeyPress and navigation keys to
// KeyDown. Type-ahead: printable characters typed within 5,000 ms of each
// other build a search text of at most 32 characters, and the first item
// that begins with it (letter case ignored by the locale's rules) is
// selected. A longer pause starts a new search. Backspace and Escape empty
// the search text; other control characters (Ctrl+C, for one) leave it.
// Whenever a Backspace, an Escape or a printable character leaves the search
// text empty, OnSearchEmptied runs (the owner empties its edit text).
//
// A left-button release anywhere on the list is reported through OnMouseUp
// with the point in list coordinates; the owner decides whether it accepts.
#pragma once

#include <QListWidget>
#include <cstdint>
#include <functional>
#include <string>

#include "platform/rtl/string_list.h"

namespace morvane {

using TPopupMouseUpEvent = std::function<void(Qt::MouseButton button, const QPoint& point)>;

class TzelListbox : public QListWidget {
 public:
  static constexpr int kMaxSearchChars = 32;
  static constexpr int64_t kSearchPauseMs = 5000;

  explicit TzelListbox(QWidget* parent = nullptr);

  void SetItems(const TStringList& items);
  std::string Item(int index) const;
  int ItemIndex() const { return currentRow(); }
  void SetItemIndex(int index);
  // Row height in pixels: the requested height, raised to the font's line
  // height so no text is cut.
  int ItemHeight() const;
  void SetItemHeight(int height);
  // Pixels the frame takes above and below the rows together.
  static constexpr int kFrameHeight = 4;
  // Width of the widest item text in the list's own font.
  int WidestItemWidth() const;

  const std::string& SearchText() const { return searchText_; }
  void ClearSearch() { searchText_.clear(); }

  // key: a typed character (0 when the list used it up).
  void KeyPress(char32_t& key);
  // key: a key code; Up, Down, Page Up, Page Down, Home and End move the
  // selection and become 0.
  void KeyDown(uint16_t& key);

  TPopupMouseUpEvent OnMouseUp;
  std::function<void()> OnSearchEmptied;

 protected:
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void SelectByPrefix(const std::string& prefix);

  std::string searchText_;
  int64_t lastKeyTime_ = 0;
  int itemHeight_ = 11;
};

}  // namespace morvane
