#include "controls/editors/list_drag.h"

#include <QApplication>
#include <QMouseEvent>
#include <QWidget>

namespace morvane {

bool PointerOver(const QWidget* target, const QMouseEvent& event) {
  return target->rect().contains(target->mapFromGlobal(event.globalPosition().toPoint()));
}

bool PressListUnderPointer(QWidget* target, const QMouseEvent& event) {
  const QPoint listPoint = target->mapFromGlobal(event.globalPosition().toPoint());
  if (!target->rect().contains(listPoint)) return false;
  QMouseEvent press(QEvent::MouseButtonPress, listPoint, event.globalPosition(), Qt::LeftButton,
                    Qt::LeftButton, event.modifiers());
  QApplication::sendEvent(target, &press);
  return true;
}

void ReleaseOnList(QWidget* target, const QMouseEvent& event) {
  QMouseEvent release(QEvent::MouseButtonRelease,
                      target->mapFromGlobal(event.globalPosition().toPoint()),
                      event.globalPosition(), event.button(), event.buttons(), event.modifiers());
  QApplication::sendEvent(target, &release);
}

}  // namespace morvane
