#include "platform/ui/inplace_edit.h"

#include <QApplication>
#include <QKeyEvent>

#include "platform/ui/application.h"
#include "platform/ui/custom_grid.h"

namespace morvane {

TInplaceEdit::TInplaceEdit(TCustomGrid* grid) : TCustomMaskEdit(grid->viewport()), grid_(grid) {
  setFrame(false);
  connect(this, &QLineEdit::textChanged, this, [this] { TextChanged(); });
}

TInplaceEdit::~TInplaceEdit() = default;

void TInplaceEdit::UpdateContents() {
  updatingContents_ = true;
  try {
    const int col = grid_->Col();
    const int row = grid_->Row();
    SetEditMask(grid_->GetEditMask(col, row));
    const std::string text = grid_->GetEditText(col, row);
    SetEditText(text);
    SetMaxLength(grid_->GetEditLimit());
    SetResetText(Text());
    SetModified(false);
    selectAll();
  } catch (...) {
    updatingContents_ = false;
    throw;
  }
  updatingContents_ = false;
}

void TInplaceEdit::TextChanged() {
  if (!updatingContents_) grid_->SetEditText(grid_->Col(), grid_->Row(), Text());
}

bool TInplaceEdit::EditCanModify() { return !ReadOnly() && grid_->CanEditModify(); }

void TInplaceEdit::SendKeyToGrid() {
  if (currentKeyEvent_ != nullptr) QApplication::sendEvent(grid_, currentKeyEvent_);
}

void TInplaceEdit::KeyDown(TKeyCode& key, TShiftState shift) {
  const bool ctrl = shift.Contains(ssCtrl);
  const bool noSelection = !hasSelectedText();
  bool toGrid = false;
  switch (key) {
    case VK_UP:
    case VK_DOWN:
    case VK_PRIOR:
    case VK_NEXT:
    case VK_RETURN:
    case VK_ESCAPE:
    case VK_F2:
      toGrid = true;
      break;
    case VK_TAB:
      toGrid = !shift.Contains(ssAlt);
      break;
    case VK_INSERT:
      toGrid = !shift.Contains(ssShift) && !ctrl;
      break;
    case VK_HOME:
    case VK_END:
    case VK_DELETE:
      toGrid = ctrl;
      break;
    case VK_LEFT:
      toGrid = ctrl || (noSelection && cursorPosition() == 0);
      break;
    case VK_RIGHT:
      toGrid = ctrl || (noSelection && cursorPosition() == int(text().size()));
      break;
    default:
      break;
  }
  if (!toGrid) return;
  SendKeyToGrid();
  // Escape goes on as a character as well, so the editor puts its text back
  // (KeyPress of the descendants).
  if (key != VK_ESCAPE) key = 0;
}

bool TInplaceEdit::event(QEvent* event) {
  // Qt's focus chain takes Tab before keyPressEvent; a grid that tabs
  // through its cells gets it from the editor as it gets its own.
  if (grid_->TakesTab(*event)) {
    keyPressEvent(static_cast<QKeyEvent*>(event));
    return true;
  }
  return TCustomMaskEdit::event(event);
}

void TInplaceEdit::keyPressEvent(QKeyEvent* event) {
  QKeyEvent* outer = currentKeyEvent_;
  currentKeyEvent_ = event;
  // Errors of the grid or the dataset end the key here; they are shown, and
  // never cross the event loop.
  Guarded([&] { TCustomMaskEdit::keyPressEvent(event); });
  currentKeyEvent_ = outer;
}

void TInplaceEdit::keyReleaseEvent(QKeyEvent* event) {
  QKeyEvent* outer = currentKeyEvent_;
  currentKeyEvent_ = event;
  Guarded([&] { TCustomMaskEdit::keyReleaseEvent(event); });
  currentKeyEvent_ = outer;
}

}  // namespace morvane
