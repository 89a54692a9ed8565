// TCustomGrid: hosting the in-place editor (see grid_editor.h).
#include <QLineEdit>

#include "platform/ui/custom_grid.h"
#include "platform/ui/grid_editor.h"
#include "platform/ui/grid_line_edit.h"

namespace morvane {

// --- In-place editor -----------------------------------------------------------

QWidget* TCustomGrid::CreateEditor() { return new TGridLineEdit(this); }

bool TCustomGrid::EditorVisible() const { return editor_ != nullptr && editor_->isVisible(); }

bool TCustomGrid::GridFocused() const {
  return hasFocus() || (editor_ != nullptr && editor_->hasFocus());
}

bool TCustomGrid::CanEditShow() const {
  return gridOptions_.Contains(goEditing) && !gridOptions_.Contains(goRowSelect) && editorMode_ &&
         (gridOptions_.Contains(goAlwaysShowEditor) || GridFocused());
}

std::string TCustomGrid::GetEditText(int, int) { return std::string(); }
void TCustomGrid::SetEditText(int, int, const std::string&) {}
std::string TCustomGrid::GetEditMask(int, int) { return std::string(); }

void TCustomGrid::SetEditorMode(bool value) {
  if (value)
    ShowEditor();
  else
    HideEditor();
}

void TCustomGrid::ShowEditor() {
  editorMode_ = true;
  UpdateEdit();
}

void TCustomGrid::HideEditor() {
  editorMode_ = false;
  HideEdit();
}

void TCustomGrid::InvalidateEditor() {
  editorCol_ = -1;
  editorRow_ = -1;
  UpdateEdit();
}

void TCustomGrid::UpdateEdit() {
  if (!CanEditShow()) return;
  if (editor_ == nullptr) {
    editor_ = CreateEditor();
    if (editor_ == nullptr) return;
    if (editor_->parentWidget() != viewport()) editor_->setParent(viewport());
    editor_->installEventFilter(this);
    editor_->hide();
  }
  if (col_ != editorCol_ || row_ != editorRow_) {
    HideEdit();
    editorCol_ = col_;
    editorRow_ = row_;
    if (auto* contract = dynamic_cast<TGridEditor*>(editor_.data()))
      contract->UpdateContents();
    else if (auto* line = qobject_cast<QLineEdit*>(editor_))
      line->setText(QString::fromStdString(GetEditText(col_, row_)));
  }
  if (!CanEditShow()) return;
  const QRect rect = CellRect(col_, row_);
  if (rect.isEmpty()) {
    editor_->hide();
    return;
  }
  const bool giveFocus = hasFocus();
  editor_->setGeometry(rect);
  editor_->show();
  if (giveFocus) editor_->setFocus();
}

void TCustomGrid::UpdateText() {
  if (editor_ == nullptr || editorCol_ < 0 || editorRow_ < 0) return;
  if (auto* contract = dynamic_cast<TGridEditor*>(editor_.data()))
    SetEditText(editorCol_, editorRow_, contract->EditorText());
  else if (auto* line = qobject_cast<QLineEdit*>(editor_))
    SetEditText(editorCol_, editorRow_, line->text().toStdString());
}

void TCustomGrid::HideEdit() {
  if (!EditorVisible()) {
    editorCol_ = -1;
    editorRow_ = -1;
    return;
  }
  const bool hadFocus = editor_->hasFocus();
  UpdateText();
  editorCol_ = -1;
  editorRow_ = -1;
  editor_->hide();
  if (hadFocus) setFocus();
}

void TCustomGrid::UpdateEditorGeometry() {
  if (!EditorVisible()) return;
  const QRect rect = CellRect(col_, row_);
  if (rect.isEmpty())
    editor_->hide();
  else
    editor_->setGeometry(rect);
}

void TCustomGrid::DestroyEditor() {
  if (editor_ == nullptr) return;
  if (auto* contract = dynamic_cast<TGridEditor*>(editor_.data())) contract->CloseUpWithoutAccept();
  QWidget* editor = editor_;
  editor_ = nullptr;
  editorCol_ = -1;
  editorRow_ = -1;
  delete editor;
}

}  // namespace morvane
