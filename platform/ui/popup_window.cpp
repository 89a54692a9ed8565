#include "platform/ui/popup_window.h"

#include <QApplication>
#include <QEvent>
#include <QtGui/qevent.h>
#include <QGuiApplication>
#include <QPalette>
#include <QScreen>
#include <QWidget>
#include <algorithm>

namespace morvane {

void MakePopupWindow(QWidget* popup) {
  popup->setWindowFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                        Qt::WindowDoesNotAcceptFocus);
  popup->setAttribute(Qt::WA_ShowWithoutActivating);
  popup->setFocusPolicy(Qt::NoFocus);
  for (QWidget* child : popup->findChildren<QWidget*>()) child->setFocusPolicy(Qt::NoFocus);
  // The window is never active, yet its selection must look like a focused
  // one: the operator reads the chosen row from it.
  QPalette palette = popup->palette();
  for (QPalette::ColorRole role : {QPalette::Highlight, QPalette::HighlightedText}) {
    palette.setColor(QPalette::Inactive, role, palette.color(QPalette::Active, role));
  }
  popup->setPalette(palette);
}

QRect AvailableScreenRect(const QWidget* widget) {
  QScreen* screen = widget != nullptr ? widget->screen() : nullptr;
  if (screen == nullptr) screen = QGuiApplication::primaryScreen();
  return screen != nullptr ? screen->availableGeometry() : QRect(0, 0, 800, 600);
}

QPoint DropDownPosition(const QRect& editorRect, const QSize& listSize, const QRect& available) {
  const int screenRight = available.x() + available.width();
  const int screenBottom = available.y() + available.height();
  int left = editorRect.left();
  if (left + listSize.width() > screenRight) left = screenRight - listSize.width();
  left = std::max(left, available.x());
  int top = editorRect.top() + editorRect.height();
  if (top + listSize.height() > screenBottom) top = editorRect.top() - listSize.height();
  top = std::max(top, available.y());
  return {left, top};
}

void ShowPopupAt(QWidget* popup, const QPoint& screenPoint) {
  popup->move(screenPoint);
  popup->show();
  popup->raise();
}

void HidePopup(QWidget* popup) { popup->hide(); }

TPopupCloser::TPopupCloser(QWidget* editor, std::function<void()> onCancel)
    : editor_(editor), onCancel_(std::move(onCancel)) {}

TPopupCloser::~TPopupCloser() { Stop(); }

void TPopupCloser::Watch(QWidget* popup) {
  popup_ = popup;
  if (!watching_) qApp->installEventFilter(this);
  watching_ = true;
}

void TPopupCloser::Stop() {
  if (watching_) qApp->removeEventFilter(this);
  watching_ = false;
  popup_ = nullptr;
}

bool TPopupCloser::Inside(const QObject* object) const {
  const auto* widget = qobject_cast<const QWidget*>(object);
  if (widget == nullptr) {
    // Presses on a bare window (no widget) count as outside.
    return false;
  }
  if (widget == editor_ || editor_->isAncestorOf(widget)) return true;
  // The pop-up is a separate window whose parent is the editor, so
  // isAncestorOf (which stops at windows) does not see it.
  for (const QWidget* step = widget; step != nullptr; step = step->parentWidget()) {
    if (step == popup_) return true;
  }
  return false;
}

void TPopupCloser::Cancel() {
  // The handler usually stops the watch; copy it first so it outlives that.
  auto onCancel = onCancel_;
  if (onCancel) onCancel();
}

bool TPopupCloser::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
    case QEvent::NonClientAreaMouseButtonPress:
      if (watched->isWidgetType() && !Inside(watched)) Cancel();
      break;
    case QEvent::ApplicationDeactivate:
      Cancel();
      break;
    case QEvent::ApplicationStateChange:
      if (watched == qApp && static_cast<QApplicationStateChangeEvent*>(event)->applicationState() !=
                                 Qt::ApplicationActive) {
        Cancel();
      }
      break;
    default:
      break;
  }
  return false;
}

}  // namespace morvane
