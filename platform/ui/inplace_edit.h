// TInplaceEdit: the grid's in-place editor base, a TCustomMaskEdit placed by
// its TCustomGrid over the current cell (see grid_editor.h for the contract).
//
// - UpdateContents takes the cell's text, edit mask and byte limit from the
//   grid (GetEditText, GetEditMask, GetEditLimit) and remembers the text for
//   Reset.
// - Every change of the text is reported to the grid (SetEditText), except
//   while the editor takes the cell's contents.
// - EditCanModify asks the grid's CanEditModify: that one gate decides every
//   change of the text (see mask_edit.h).
// - KeyDown hands the grid its navigation keys: Up, Down, Page Up, Page
//   Down, Tab, Enter, Escape, F2, Insert, Ctrl+Home, Ctrl+End, Ctrl+Delete,
//   and Left or Right at the edge of the text. The key event itself goes to
//   the grid, which translates it as it does its own keys. Escape also goes
//   on to KeyPress, where descendants put their text back. Tab and Shift+Tab
//   reach KeyDown even though Qt's focus chain would take them first, when
//   the grid moves through its cells with Tab (TCustomGrid::TakesTab).
#pragma once

#include <string>

#include "platform/ui/grid_editor.h"
#include "platform/ui/mask_edit.h"

class QKeyEvent;

namespace morvane {

class TCustomGrid;

class TInplaceEdit : public TCustomMaskEdit, public TGridEditor {
 public:
  explicit TInplaceEdit(TCustomGrid* grid);
  ~TInplaceEdit() override;

  TCustomGrid* Grid() const { return grid_; }

  // TGridEditor.
  void UpdateContents() override;
  std::string EditorText() const override { return Text(); }
  void SetEditorText(const std::string& text) override { SetEditText(text); }
  void Deselect() override { deselect(); }

  bool EditCanModify() override;

 protected:
  void KeyDown(TKeyCode& key, TShiftState shift) override;
  bool event(QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;

  // Sends the key event being handled to the grid. Outside a key event it
  // does nothing.
  void SendKeyToGrid();
  // The key event being handled, or null.
  QKeyEvent* CurrentKeyEvent() const { return currentKeyEvent_; }
  bool UpdatingContents() const { return updatingContents_; }

 private:
  void TextChanged();

  TCustomGrid* grid_;
  QKeyEvent* currentKeyEvent_ = nullptr;
  bool updatingContents_ = false;
};

}  // namespace morvane
