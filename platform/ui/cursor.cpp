#include "platform/ui/cursor.h"

#include <QApplication>
#include <QCursor>

namespace morvane {

namespace {

TCursor& Current() {
  static TCursor cursor = TCursor::crDefault;
  return cursor;
}

Qt::CursorShape ShapeOf(TCursor cursor) {
  switch (cursor) {
    case TCursor::crHourGlass:
      return Qt::WaitCursor;
    case TCursor::crSQLWait:
      return Qt::BusyCursor;
    case TCursor::crDefault:
      break;
  }
  return Qt::ArrowCursor;
}

}  // namespace

TCursor ScreenCursor() {
  return Current();
}

void SetScreenCursor(TCursor cursor) {
  if (cursor == Current()) return;
  // One override at a time: the stack of QApplication overrides stays at
  // depth 0 or 1, whatever order callers set cursors in.
  if (Current() != TCursor::crDefault) QApplication::restoreOverrideCursor();
  if (cursor != TCursor::crDefault) QApplication::setOverrideCursor(QCursor(ShapeOf(cursor)));
  Current() = cursor;
}

std::function<void(bool)> SqlWaitCursorHook() {
  return [](bool waiting) { SetScreenCursor(waiting ? TCursor::crSQLWait : TCursor::crDefault); };
}

}  // namespace morvane
