#include "controls/editors/dlg_calendar.h"

#include <QMouseEvent>

#include "platform/ui/popup_window.h"

namespace morvane {

TzelDlgCalendar::TzelDlgCalendar(QWidget* parent) : TzelCalendar(parent) {
  MakePopupWindow(this);
}

void TzelDlgCalendar::mousePressEvent(QMouseEvent* event) { event->accept(); }

void TzelDlgCalendar::mouseReleaseEvent(QMouseEvent* event) {
  event->accept();
  // Labels (caption bar, year, weekdays) let their clicks through to the
  // calendar; a click on a child is no click on the calendar's surface and
  // neither closes it nor chooses the date shown.
  const QPoint point = event->position().toPoint();
  if (childAt(point) != nullptr) return;
  if (OnMouseUp) OnMouseUp(event->button(), point);
}

}  // namespace morvane
