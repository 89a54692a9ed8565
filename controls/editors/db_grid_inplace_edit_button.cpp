// The in-place editor's button: geometry, painting, press tracking, and the
// mouse and focus handling around it.
#include <QApplication>
#include <QFocusEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOption>
#include <QTimer>

#include "controls/editors/db_grid_inplace_edit.h"
#include "controls/editors/dlg_calendar.h"
#include "controls/editors/list_drag.h"
#include "controls/editors/listbox.h"
#include "controls/editors/popup_data.h"
#include "controls/grid/db_grid.h"
#include "platform/ui/application.h"

namespace morvane {

QRect TzelDBGridInplaceEdit::ButtonRect() const {
  if (dbGrid_->UseRightToLeftAlignment()) return QRect(0, 0, buttonWidth_, height());
  return QRect(width() - buttonWidth_, 0, buttonWidth_, height());
}

void TzelDBGridInplaceEdit::UpdateTextRect() {
  if (editStyle_ == esNone) {
    setTextMargins(0, 0, 0, 0);
  } else if (dbGrid_->UseRightToLeftAlignment()) {
    setTextMargins(buttonWidth_ - 2, 0, 0, 0);
  } else {
    setTextMargins(0, 0, buttonWidth_, 0);
  }
}

void TzelDBGridInplaceEdit::resizeEvent(QResizeEvent* event) {
  TInplaceEdit::resizeEvent(event);
  UpdateTextRect();
}

void TzelDBGridInplaceEdit::paintEvent(QPaintEvent* event) {
  TInplaceEdit::paintEvent(event);
  if (editStyle_ == esNone) return;
  QPainter painter(this);
  PaintButton(painter);
}

void TzelDBGridInplaceEdit::PaintButton(QPainter& painter) {
  const QRect button = ButtonRect();
  QStyleOptionButton panel;
  panel.initFrom(this);
  panel.rect = button;
  panel.state = QStyle::State_Enabled | (pressed_ ? QStyle::State_Sunken : QStyle::State_Raised);
  if (pressed_) panel.features = QStyleOptionButton::Flat;
  painter.fillRect(button, palette().color(QPalette::Button));
  style()->drawControl(QStyle::CE_PushButtonBevel, &panel, &painter, this);
  if (editStyle_ == esEllipsis) {
    // Three black squares of side width / 8 around the middle.
    const int side = std::max(1, button.width() / 8);
    int x = button.left() + button.width() / 2 - 1;
    int y = button.top() + button.height() / 2 - 1;
    if (pressed_) {
      ++x;
      ++y;
    }
    for (int offset : {-2 * side, 0, 2 * side}) {
      painter.fillRect(QRect(x + offset, y, side, side), Qt::black);
    }
    return;
  }
  QStyleOption arrow;
  arrow.initFrom(this);
  const int side = std::min(button.width(), button.height()) - 4;
  arrow.rect = QRect(button.center().x() - side / 2 + 1, button.center().y() - side / 2 + 1, side, side);
  if (pressed_) arrow.rect.translate(1, 1);
  arrow.state = activeList_ != nullptr ? QStyle::State_Enabled : QStyle::State_None;
  style()->drawPrimitive(QStyle::PE_IndicatorArrowDown, &arrow, &painter, this);
}

// --- Mouse ---------------------------------------------------------------------

void TzelDBGridInplaceEdit::TrackButton(const QPoint& point) {
  const bool nowPressed = ButtonRect().contains(point);
  if (nowPressed == pressed_) return;
  pressed_ = nowPressed;
  update(ButtonRect());
}

void TzelDBGridInplaceEdit::StopTracking() {
  if (!tracking_) return;
  TrackButton(QPoint(-1, -1));
  tracking_ = false;
}

void TzelDBGridInplaceEdit::mousePressEvent(QMouseEvent* event) {
  const QPoint point = event->position().toPoint();
  Guarded([&] {
    if (event->button() == Qt::LeftButton && editStyle_ != esNone && OverButton(point)) {
      if (listVisible_) {
        CloseUp(false);
      } else {
        tracking_ = true;
        TrackButton(point);
        if (activeList_ != nullptr) DropDown();
      }
    }
  });
  TInplaceEdit::mousePressEvent(event);
}

void TzelDBGridInplaceEdit::mouseMoveEvent(QMouseEvent* event) {
  const QPoint point = event->position().toPoint();
  setCursor(editStyle_ != esNone && OverButton(point) ? Qt::PointingHandCursor : Qt::IBeamCursor);
  if (dragHandedOver_ && listVisible_) {
    // The list has the drag: every move presses where the pointer is, so
    // the row under it becomes the selected one.
    PressListUnderPointer(MouseTarget(activeList_), *event);
    return;
  }
  if (tracking_) {
    TrackButton(point);
    if (listVisible_ && PointerOver(MouseTarget(activeList_), *event)) {
      StopTracking();
      dragHandedOver_ = true;
      PressListUnderPointer(MouseTarget(activeList_), *event);
      return;
    }
  }
  TInplaceEdit::mouseMoveEvent(event);
}

void TzelDBGridInplaceEdit::mouseReleaseEvent(QMouseEvent* event) {
  if (dragHandedOver_) {
    dragHandedOver_ = false;
    if (listVisible_) ReleaseOnList(MouseTarget(activeList_), *event);
    return;
  }
  const bool wasPressed = pressed_;
  StopTracking();
  Guarded([&] {
    if (event->button() == Qt::LeftButton && editStyle_ == esEllipsis && wasPressed) {
      EditButtonClick();
    }
  });
  TInplaceEdit::mouseReleaseEvent(event);
}

void TzelDBGridInplaceEdit::mouseDoubleClickEvent(QMouseEvent* event) {
  if (editStyle_ != esNone && OverButton(event->position().toPoint())) {
    event->accept();
    return;
  }
  TInplaceEdit::mouseDoubleClickEvent(event);
}

// --- Focus -----------------------------------------------------------------------

void TzelDBGridInplaceEdit::focusOutEvent(QFocusEvent* event) {
  TInplaceEdit::focusOutEvent(event);
  // A menu popped up by the open list itself (the calendar's month menu)
  // takes the keyboard for a moment; that is no reason to close the list.
  if (event->reason() == Qt::PopupFocusReason && activeList_ != nullptr) {
    QWidget* popup = QApplication::activePopupWidget();
    for (QWidget* step = popup; step != nullptr; step = step->parentWidget()) {
      if (step == activeList_) return;
    }
  }
  // The grid hides and shows its editor again when it refreshes it (the
  // dataset entering edit state, a record change), which moves the focus
  // away and back at once. Only a focus that stays away closes the list.
  QTimer::singleShot(0, this, [this] {
    if (listVisible_ && !hasFocus()) Guarded([&] { CloseUp(false); });
  });
}

}  // namespace morvane
