// Pop-up windows of the drop-down lists: top-level windows that never take
// the input focus, so typing stays in the editor that opened them.
//
// MakePopupWindow turns a child widget into such a window (a frameless tool
// window on top of the others, shown without activation, no focus for the
// window or any of its children) and draws its selection as active although
// the focus is elsewhere. The widget keeps its parent, so it is destroyed
// with its editor.
//
// DropDownPosition places a list beneath an editor, within the available
// geometry of the editor's screen (the screen without task bars): shifted
// left so it ends at the right edge, opened above the editor when there is
// no room below, and never with its top above the screen's top.
//
// TPopupCloser watches the application while a list is open: a mouse press
// anywhere but on the editor or the list, or the application losing
// activation, calls its cancel handler (which closes the list without
// accepting). It only watches between Watch() and Stop().
#pragma once

#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QRect>
#include <QSize>
#include <functional>

class QWidget;

namespace morvane {

void MakePopupWindow(QWidget* popup);

// The available geometry of the screen the widget stands on.
QRect AvailableScreenRect(const QWidget* widget);

// Top-left corner, in screen coordinates, of a list of listSize opened for
// an editor occupying editorRect (screen coordinates).
QPoint DropDownPosition(const QRect& editorRect, const QSize& listSize, const QRect& available);

// Shows the pop-up at a screen point, on top, without activating it and
// without changing its size. Hiding never moves, resizes or activates
// anything.
void ShowPopupAt(QWidget* popup, const QPoint& screenPoint);
void HidePopup(QWidget* popup);

class TPopupCloser : public QObject {
 public:
  TPopupCloser(QWidget* editor, std::function<void()> onCancel);
  ~TPopupCloser() override;

  void Watch(QWidget* popup);
  void Stop();
  bool Watching() const { return watching_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  bool Inside(const QObject* object) const;
  void Cancel();

  QWidget* editor_;
  QPointer<QWidget> popup_;
  std::function<void()> onCancel_;
  bool watching_ = false;
};

}  // namespace morvane
