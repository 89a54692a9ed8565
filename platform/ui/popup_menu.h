// Popping up a menu at a point of the screen without blocking: the menu
// shows, the call returns, and a chosen item fires its action later from
// the message loop, as every other click does.
#pragma once

class QMenu;

namespace morvane {

void PopupAt(QMenu* menu, int screenX, int screenY);

}  // namespace morvane
