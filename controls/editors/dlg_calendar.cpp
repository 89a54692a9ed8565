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
  if (OnMouseUp) OnMouseUp(event->button(), event->position().toPoint());
}

}  // namespace morvane
