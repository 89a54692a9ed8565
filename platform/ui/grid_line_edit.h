// TGridLineEdit: the plain in-place editor a TCustomGrid uses when its
// descendant supplies no other (CreateEditor). A single-line edit that takes
// the current cell's text from the grid, reports every change back with
// SetEditText, types nothing while the grid's CanEditModify refuses, keeps
// the grid's GetEditLimit in UTF-8 bytes (never cutting a character), and
// hands the grid's navigation keys (rows, pages, Tab, Enter, Escape, F2) to
// the grid.
#pragma once

#include <QLineEdit>
#include <string>

#include "platform/ui/grid_editor.h"

namespace morvane {

class TCustomGrid;

class TGridLineEdit : public QLineEdit, public TGridEditor {
 public:
  explicit TGridLineEdit(TCustomGrid* grid);

  TCustomGrid* Grid() const { return grid_; }

  void UpdateContents() override;
  std::string EditorText() const override { return text().toStdString(); }
  void SetEditorText(const std::string& text) override;
  void Deselect() override { deselect(); }
  // Puts back the text the cell had when the editor took it.
  void Reset();

 protected:
  bool event(QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void TextEdited(const QString& text);

  TCustomGrid* grid_;
  int limitBytes_ = 0;
  std::string originalText_;
};

}  // namespace morvane
