// TzelDlgCalendar: the calendar as a drop-down, in a pop-up window that
// never takes the focus. A left-button release on the calendar's own
// surface (not on its buttons and labels, which act by themselves or do
// nothing) is reported through OnMouseUp, as the other drop-downs do.
#pragma once

#include "controls/editors/calendar.h"
#include "controls/editors/listbox.h"

namespace morvane {

class TzelDlgCalendar : public TzelCalendar {
 public:
  explicit TzelDlgCalendar(QWidget* parent = nullptr);

  TPopupMouseUpEvent OnMouseUp;

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
};

}  // namespace morvane
