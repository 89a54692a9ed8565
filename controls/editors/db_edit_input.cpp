// TzelDBEdit: keys, mouse, focus and the button.
#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QStyle>
#include <QStyleOption>
#include <QTimer>
#include <exception>

#include "controls/editors/db_edit.h"
#include "controls/editors/dlg_calendar.h"
#include "controls/editors/list_drag.h"
#include "controls/editors/listbox.h"
#include "controls/editors/popup_data.h"
#include "controls/editors/popup_tree.h"
#include "controls/editors/typed_text.h"
#include "platform/db/data_link.h"
#include "platform/db/dataset.h"
#include "platform/db/field.h"
#include "platform/ui/application.h"

namespace morvane {

// --- Keys ---------------------------------------------------------------------------

void TzelDBEdit::DoDropDownKeys(TKeyCode& key, TShiftState shift) {
  arrowStep_ = 0;
  const bool alt = shift.Contains(ssAlt);
  switch (key) {
    case VK_RETURN:
    case VK_ESCAPE:
      if (listVisible_ && !alt) {
        CloseUp(key == VK_RETURN);
        key = 0;
      }
      return;
    case VK_UP:
    case VK_DOWN:
      if (alt) {
        if (listVisible_) {
          CloseUp(true);
        } else {
          DropDown();
        }
        key = 0;
      } else if (!listVisible_) {
        arrowStep_ = key == VK_UP ? -1 : 1;
      }
      return;
    default:
      return;
  }
}

void TzelDBEdit::keyPressEvent(QKeyEvent* event) {
  event->accept();
  bool handled = false;
  Guarded([&] {
    const KeyStroke stroke = TranslateKey(*event);
    TKeyCode key = stroke.key;
    const bool dropDownStyle = dialogStyle_ >= zdsCombo;
    if (!dropDownStyle) return;
    if (key != 0) {
      // A drop-down key whose work fails (a choice the field refuses) is
      // used up all the same: it must not go on as a plain key and, as
      // Enter, move the focus on or try the write again.
      handled = true;
      DoDropDownKeys(key, stroke.shift);
      if (key == 0) return;
      handled = false;
    }
    const std::vector<char32_t> characters = CharacterMessages(stroke);
    const bool typesAboveSpace = std::any_of(characters.begin(), characters.end(),
                                             [](char32_t character) { return character > 32; });
    // Entering edit state makes the dataset announce a change that shows the
    // field again; that must happen before a list empties the text for its
    // search, or the field's text would come back in front of the typing.
    if (typesAboveSpace && DBLinked() && DataSetCanModify() && !dataLink_->Editing()) {
      dataLink_->Edit();
    }
    if (typesAboveSpace && autoDropDown_ && !listVisible_ &&
        (dialogStyle_ == zdsCombo || dialogStyle_ == zdsLookup)) {
      DropDown();
    }
    if (listVisible_) {
      if (key != 0) ForwardKeyToList(key);
      for (char32_t character : characters) ForwardCharacterToList(character);
    }
  });
  if (!handled) Guarded([&] { TCustomMaskEdit::keyPressEvent(event); });
}

void TzelDBEdit::ForwardKeyToList(TKeyCode key) {
  TKeyCode forwarded = key;
  if (activeList_ == pickList_) pickList_->KeyDown(forwarded);
  if (activeList_ == dataList_) dataList_->KeyDown(forwarded);
  if (activeList_ == calendar_) calendar_->KeyDown(forwarded);
  if (activeList_ == tree_) {
    QKeyEvent press(QEvent::KeyPress, key == VK_UP     ? Qt::Key_Up
                                      : key == VK_DOWN ? Qt::Key_Down
                                      : key == VK_LEFT ? Qt::Key_Left
                                      : key == VK_RIGHT ? Qt::Key_Right
                                      : key == VK_HOME ? Qt::Key_Home
                                      : key == VK_END  ? Qt::Key_End
                                                       : Qt::Key_unknown,
                    Qt::NoModifier);
    if (press.key() != Qt::Key_unknown) QApplication::sendEvent(tree_, &press);
  }
}

void TzelDBEdit::ForwardCharacterToList(char32_t character) {
  char32_t forwarded = character;
  if (activeList_ == pickList_) pickList_->KeyPress(forwarded);
  if (activeList_ == dataList_) dataList_->KeyPress(forwarded);
}

void TzelDBEdit::KeyDown(TKeyCode& key, TShiftState shift) {
  const bool onlyCtrl = shift.Contains(ssCtrl) && !shift.Contains(ssShift) && !shift.Contains(ssAlt);
  if (dialogStyle_ == zdsCustomDlg && key == VK_RETURN && onlyCtrl) {
    if (OnCustomDlg) OnCustomDlg(this);
    key = 0;  // ends the key: no Enter character follows
    return;
  }
  DoDropDownKeys(key, shift);
  if (arrowStep_ != 0) {
    const bool next = arrowStep_ > 0;
    arrowStep_ = 0;
    key = 0;
    MoveFocus(next);
    return;
  }
  TCustomMaskEdit::KeyDown(key, shift);
  const bool deleting = key == VK_DELETE || key == VK_BACK;
  if (deleting || (key == VK_INSERT && shift.Contains(ssShift))) {
    if (DBLinked() && DataSetCanModify()) dataLink_->Edit();
    // Only a value that can be written is emptied: a field the control
    // cannot edit would refuse the cleared text on every attempt to leave.
    if (deleting && !listVisible_ && style_ == zcsDropDownList &&
        (!DBLinked() || dataLink_->Editing())) {
      SetText(std::string());
      value_ = Variant(clearValue_);
    }
  }
}

void TzelDBEdit::KeyPress(char32_t& key) {
  TCustomMaskEdit::KeyPress(key);
  if (style_ != zcsDropDownList && key >= 32 && DBLinked() && !Field()->IsValidChar(key)) {
    QApplication::beep();
    key = 0;
    return;
  }
  if (key == VK_BACK || key == 22 || key == 24 || IsTypedCharacter(key)) {
    if (key == U' ' && !listVisible_ && style_ == zcsDropDownList) {
      DropDown();
      key = 0;
      return;
    }
    if (DBLinked() && DataSetCanModify() && !dataLink_->Editing()) dataLink_->Edit();
    return;
  }
  if (key == VK_RETURN && !listVisible_) {
    key = 0;
    if (enterAsTab_) {
      MoveFocus(true);
    } else {
      PressDefaultButton();
    }
    return;
  }
  if (key == VK_ESCAPE) {
    Reset();
    key = 0;
  }
}

void TzelDBEdit::Reset() {
  if (DBLinked()) dataLink_->Reset();
  selectAll();
}

void TzelDBEdit::MoveFocus(bool next) { focusNextPrevChild(next); }

void TzelDBEdit::PressDefaultButton() {
  for (QPushButton* button : window()->findChildren<QPushButton*>()) {
    if (button->isDefault() && button->isEnabled() && button->isVisible()) {
      button->click();
      return;
    }
  }
}

// --- Button and painting ----------------------------------------------------------

QRect TzelDBEdit::ButtonRect() const { return QRect(width() - buttonWidth_, 0, buttonWidth_, height()); }

void TzelDBEdit::SetEditRect() {
  setTextMargins(0, 0, dialogStyle_ == zdsEdit ? 0 : buttonWidth_ + 2, 0);
}

void TzelDBEdit::resizeEvent(QResizeEvent* event) {
  TCustomMaskEdit::resizeEvent(event);
  SetEditRect();
}

void TzelDBEdit::showEvent(QShowEvent* event) {
  TCustomMaskEdit::showEvent(event);
  SetEditRect();
  if (dialogStyle_ != zdsEdit) Guarded([this] { EnsureListPrepared(); });
}

void TzelDBEdit::paintEvent(QPaintEvent* event) {
  TCustomMaskEdit::paintEvent(event);
  if (dialogStyle_ == zdsEdit) return;
  QPainter painter(this);
  const QRect button = ButtonRect();
  QStyleOptionButton panel;
  panel.initFrom(this);
  panel.rect = button;
  panel.state = QStyle::State_Enabled | (pressed_ ? QStyle::State_Sunken : QStyle::State_Raised);
  if (pressed_) panel.features = QStyleOptionButton::Flat;
  painter.fillRect(button, palette().color(QPalette::Button));
  style()->drawControl(QStyle::CE_PushButtonBevel, &panel, &painter, this);
  if (dialogStyle_ == zdsCustomDlg) {
    const int side = std::max(1, button.width() / 8);
    int x = button.left() + button.width() / 2 - 1;
    int y = button.top() + button.height() / 2 - 1;
    if (pressed_) {
      ++x;
      ++y;
    }
    for (int offset : {-2 * side, 0, 2 * side}) {
      painter.fillRect(QRect(x + offset, y, side, side), Qt::black);
    }
    return;
  }
  QStyleOption arrow;
  arrow.initFrom(this);
  const int side = std::max(4, std::min(button.width(), button.height()) - 4);
  arrow.rect = QRect(button.center().x() - side / 2 + 1, button.center().y() - side / 2 + 1, side, side);
  if (pressed_) arrow.rect.translate(1, 1);
  arrow.state = activeList_ != nullptr ? QStyle::State_Enabled : QStyle::State_None;
  style()->drawPrimitive(QStyle::PE_IndicatorArrowDown, &arrow, &painter, this);
}

// --- Mouse ------------------------------------------------------------------------

void TzelDBEdit::TrackButton(const QPoint& point) {
  const bool nowPressed = ButtonRect().contains(point);
  if (nowPressed == pressed_) return;
  pressed_ = nowPressed;
  update(ButtonRect());
}

void TzelDBEdit::StopTracking() {
  if (!tracking_) return;
  TrackButton(QPoint(-1, -1));
  tracking_ = false;
}

QWidget* TzelDBEdit::MouseTarget(QWidget* list) const {
  if (list == pickList_) return pickList_->viewport();
  if (list == tree_) return tree_->viewport();
  return list;
}

void TzelDBEdit::ListMouseUp(QWidget* list, Qt::MouseButton button, const QPoint& point) {
  if (button != Qt::LeftButton) return;
  if (list == tree_) {
    QTreeWidgetItem* node = tree_->itemAt(point);
    if (node == nullptr || !tree_->visualItemRect(node).contains(point)) return;
  }
  Guarded([&] { CloseUp(MouseTarget(list)->rect().contains(point)); });
}

void TzelDBEdit::mousePressEvent(QMouseEvent* event) {
  const QPoint point = event->position().toPoint();
  Guarded([&] {
    if (event->button() == Qt::LeftButton && dialogStyle_ != zdsEdit &&
        (OverButton(point) || style_ == zcsDropDownList)) {
      if (listVisible_) {
        CloseUp(false);
      } else {
        tracking_ = true;
        TrackButton(point);
        EnsureListPrepared();
        if (activeList_ != nullptr) DropDown();
      }
    }
  });
  TCustomMaskEdit::mousePressEvent(event);
}

void TzelDBEdit::mouseMoveEvent(QMouseEvent* event) {
  const QPoint point = event->position().toPoint();
  const bool hand = dialogStyle_ != zdsEdit && (OverButton(point) || style_ == zcsDropDownList);
  setCursor(hand ? Qt::PointingHandCursor : Qt::IBeamCursor);
  if (dragHandedOver_ && listVisible_) {
    PressListUnderPointer(MouseTarget(activeList_), *event);
    return;
  }
  if (tracking_) {
    TrackButton(point);
    if (listVisible_ && PointerOver(MouseTarget(activeList_), *event)) {
      // The drag goes over to the list: the row under the pointer becomes
      // the selected one, and releasing there accepts it.
      StopTracking();
      dragHandedOver_ = true;
      PressListUnderPointer(MouseTarget(activeList_), *event);
      return;
    }
  }
  TCustomMaskEdit::mouseMoveEvent(event);
}

void TzelDBEdit::mouseReleaseEvent(QMouseEvent* event) {
  if (dragHandedOver_) {
    dragHandedOver_ = false;
    if (listVisible_) ReleaseOnList(MouseTarget(activeList_), *event);
    return;
  }
  const bool wasPressed = pressed_;
  StopTracking();
  Guarded([&] {
    if (event->button() == Qt::LeftButton && dialogStyle_ == zdsCustomDlg && wasPressed &&
        OnCustomDlg) {
      RunCustomDialog();
    }
  });
  TCustomMaskEdit::mouseReleaseEvent(event);
}

void TzelDBEdit::mouseDoubleClickEvent(QMouseEvent* event) {
  if (dialogStyle_ != zdsEdit && OverButton(event->position().toPoint())) {
    event->accept();
    return;
  }
  TCustomMaskEdit::mouseDoubleClickEvent(event);
}

// --- Focus ------------------------------------------------------------------------

void TzelDBEdit::SetFocused(bool value) {
  if (focused_ == value) return;
  focused_ = value;
  if (!(alignment() & Qt::AlignLeft) && EditMask().empty()) update();
  // The text switches between the field's display text and its edit text.
  if (DBLinked()) dataLink_->Reset();
}

void TzelDBEdit::focusInEvent(QFocusEvent* event) {
  Guarded([this] { SetFocused(true); });
  TCustomMaskEdit::focusInEvent(event);
  if (!(QGuiApplication::mouseButtons() & Qt::LeftButton)) selectAll();
}

void TzelDBEdit::focusOutEvent(QFocusEvent* event) {
  TCustomMaskEdit::focusOutEvent(event);
  if (destroying_) return;
  // A menu popped up by the open list itself (the calendar's month menu)
  // takes the keyboard for a moment; that is no reason to close the list.
  if (event->reason() == Qt::PopupFocusReason && listVisible_ && activeList_ != nullptr) {
    for (QWidget* step = QApplication::activePopupWidget(); step != nullptr;
         step = step->parentWidget()) {
      if (step == activeList_) return;
    }
  }
  if (listVisible_) {
    // A window system may move the focus away and straight back while a
    // pop-up appears; only a focus that stays away closes the list and
    // leaves. A press on another control moves the focus before the pop-up
    // closer sees the press and closes the list, so the list may already be
    // closed here: the control is left all the same.
    QTimer::singleShot(0, this, [this] {
      if (hasFocus() || !focused_) return;  // back, or already left
      if (listVisible_) Guarded([this] { CloseUp(false); });
      Leave();
    });
    return;
  }
  Leave();
}

void TzelDBEdit::Leave() {
  if (DBLinked()) {
    std::exception_ptr failure;
    try {
      dataLink_->UpdateRecord();
    } catch (...) {
      failure = std::current_exception();
    }
    if (failure) {
      // The pending change could not be written: the control keeps the
      // focus, with its text selected, and the error is shown.
      selectAll();
      QTimer::singleShot(0, this, [this, failure] {
        setFocus(Qt::OtherFocusReason);
        selectAll();
        Guarded([failure] { std::rethrow_exception(failure); });
      });
      return;
    }
  }
  Guarded([this] { SetFocused(false); });
  if (OnExit) Guarded([this] { OnExit(this); });
}

}  // namespace morvane
