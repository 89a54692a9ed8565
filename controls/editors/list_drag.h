// A drag that starts on an edit's drop-down button and moves into the open
// list is handed over to the list: while the button is held, the row under
// the pointer becomes the selected one, and releasing there accepts it. The
// grid's cell editor and the data edit control share these two steps; the
// list's own mouse handling does the rest.
#pragma once

class QMouseEvent;
class QWidget;

namespace morvane {

// Whether the pointer of `event` is over `target`.
bool PointerOver(const QWidget* target, const QMouseEvent& event);

// Sends a left-button press to `target` (the list's mouse-receiving widget)
// at the pointer of `event`, when the pointer is over it. Returns whether it
// was.
bool PressListUnderPointer(QWidget* target, const QMouseEvent& event);

// Sends the release of `event` to `target` at the pointer's place.
void ReleaseOnList(QWidget* target, const QMouseEvent& event);

}  // namespace morvane
