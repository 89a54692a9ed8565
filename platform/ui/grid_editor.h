// The contract between TCustomGrid and its in-place editor widget.
//
// The grid makes its editor once, through its virtual CreateEditor, as a
// child of its viewport, and places it over the current cell. An editor
// widget that implements TGridEditor is driven through it: the grid asks it
// to take the cell's contents (UpdateContents reads the grid's GetEditText,
// GetEditMask and GetEditLimit for the grid's current cell), reads its text,
// clears its selection, and asks it to close an open drop-down without
// accepting before the grid is destroyed. A plain QLineEdit without the
// interface also works: the grid then sets and reads its text itself.
//
// The editor reports every change of its text with the grid's SetEditText
// and asks CanEditModify before it lets the operator change the text.
#pragma once

#include <string>

namespace morvane {

class TGridEditor {
 public:
  virtual ~TGridEditor() = default;
  // Takes text, mask and limit for the grid's current cell.
  virtual void UpdateContents() = 0;
  virtual std::string EditorText() const = 0;
  virtual void SetEditorText(const std::string& text) = 0;
  // Removes the text selection (the caret stays).
  virtual void Deselect() = 0;
  // Closes an open drop-down list without accepting its choice.
  virtual void CloseUpWithoutAccept() {}
};

}  // namespace morvane
