#include "platform/ui/popup_menu.h"

#include <QMenu>

namespace morvane {

void PopupAt(QMenu* menu, int screenX, int screenY) {
  menu->popup(QPoint(screenX, screenY));
}

}  // namespace morvane
