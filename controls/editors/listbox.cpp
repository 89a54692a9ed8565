#include "controls/editors/listbox.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <algorithm>

#include "platform/ui/keys.h"
#include "controls/editors/typed_text.h"
#include "platform/rtl/text.h"
#include "platform/ui/monotonic_clock.h"
#include "platform/ui/popup_window.h"

namespace morvane {

TzelListbox::TzelListbox(QWidget* parent) : QListWidget(parent) {
  MakePopupWindow(this);
  viewport()->setFocusPolicy(Qt::NoFocus);
  setFrameStyle(QFrame::Box | QFrame::Plain);
  setLineWidth(1);
  setContentsMargins(1, 1, 1, 1);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  setUniformItemSizes(true);
  setSelectionMode(QAbstractItemView::SingleSelection);
}

void TzelListbox::SetItems(const TStringList& items) {
  clear();
  for (const std::string& line : items) {
    auto* item = new QListWidgetItem(QString::fromUtf8(line.data(), int(line.size())), this);
    item->setSizeHint(QSize(0, ItemHeight()));
  }
}

std::string TzelListbox::Item(int index) const {
  const QListWidgetItem* found = item(index);
  return found != nullptr ? found->text().toStdString() : std::string();
}

void TzelListbox::SetItemIndex(int index) {
  if (index < 0 || index >= count()) {
    setCurrentRow(-1);
    clearSelection();
    return;
  }
  setCurrentRow(index);
  scrollToItem(item(index));
}

int TzelListbox::ItemHeight() const { return std::max(itemHeight_, fontMetrics().height()); }

void TzelListbox::SetItemHeight(int height) {
  itemHeight_ = height;
  for (int row = 0; row < count(); ++row) item(row)->setSizeHint(QSize(0, ItemHeight()));
}

int TzelListbox::WidestItemWidth() const {
  int widest = 0;
  for (int row = 0; row < count(); ++row) {
    widest = std::max(widest, fontMetrics().horizontalAdvance(item(row)->text()));
  }
  return widest;
}

void TzelListbox::SelectByPrefix(const std::string& prefix) {
  const std::string wanted = AnsiUpperCase(prefix);
  for (int row = 0; row < count(); ++row) {
    if (AnsiUpperCase(Item(row)).starts_with(wanted)) {
      SetItemIndex(row);
      return;
    }
  }
}

void TzelListbox::KeyPress(char32_t& key) {
  const bool emptiesSearch = key == VK_BACK || key == VK_ESCAPE;
  const bool printable = IsTypedCharacter(key);
  if (emptiesSearch) searchText_.clear();
  if (printable) {
    const int64_t now = MonotonicMilliseconds();
    if (now - lastKeyTime_ > kSearchPauseMs) searchText_.clear();
    lastKeyTime_ = now;
    if (Utf8Length(searchText_) < kMaxSearchChars) AppendUtf8(searchText_, key);
    SelectByPrefix(searchText_);
    key = 0;
  }
  if ((emptiesSearch || printable) && searchText_.empty() && OnSearchEmptied) OnSearchEmptied();
}

void TzelListbox::KeyDown(uint16_t& key) {
  const int rows = std::max(1, viewport()->height() / std::max(1, ItemHeight()));
  const int current = currentRow();
  int target = current;
  switch (key) {
    case VK_UP: target = current - 1; break;
    case VK_DOWN: target = current + 1; break;
    case VK_PRIOR: target = current - rows; break;
    case VK_NEXT: target = current + rows; break;
    case VK_HOME: target = 0; break;
    case VK_END: target = count() - 1; break;
    default: return;
  }
  if (count() > 0) SetItemIndex(std::clamp(target, 0, count() - 1));
  key = 0;
}

void TzelListbox::mouseReleaseEvent(QMouseEvent* event) {
  QListWidget::mouseReleaseEvent(event);
  // The viewport reports in its own coordinates; the owner checks the
  // point against the list's client area, which the viewport is.
  if (OnMouseUp) OnMouseUp(event->button(), event->position().toPoint());
}

void TzelListbox::keyPressEvent(QKeyEvent* event) {
  const KeyStroke stroke = TranslateKey(*event);
  uint16_t code = stroke.key;
  if (code != 0) KeyDown(code);
  for (char32_t character : CharacterMessages(stroke)) KeyPress(character);
  event->accept();
}

}  // namespace morvane
