// TCustomMaskEdit: the framework's single-line edit base on QLineEdit.
//
// Edit masks: only the empty mask is supported. EditMask can be read and
// written, but a non-empty mask is ignored and the text is edited freely;
// the data engine sets no masks, so nothing in this system needs one.
//
// One gate for every change: each path that would change the text (typed
// characters, Backspace, Delete, cut, paste, undo and redo from keys or the
// context menu, input-method composition) asks EditCanModify() first, and
// nothing changes when it answers false. Middle-click paste and drag and
// drop into the edit are off, since they would bypass the gate.
//
// Texts are UTF-8. MaxLength is a size in bytes (0: no limit) that bounds
// what the operator types or pastes: a change that would exceed it keeps
// only the inserted characters that fit, never cutting a character. Text
// set by the program (SetText, SetEditText) is shown whole.
//
// Keys: every key press is translated once (TranslateKey). KeyDown sees the
// key code and shift state; a code set to 0 ends the key there. KeyPress
// then sees each character message (the typed characters, or 8, 27, 13 and 9
// for Backspace, Escape, Enter and Tab); a character set to 0 is not typed.
// KeyUp sees releases. Descendants override the three.
#pragma once

#include <QLineEdit>
#include <string>

#include "platform/ui/keys.h"

namespace morvane {

class TCustomMaskEdit : public QLineEdit {
 public:
  explicit TCustomMaskEdit(QWidget* parent = nullptr);
  ~TCustomMaskEdit() override;

  std::string Text() const;
  void SetText(const std::string& text);
  // The text being edited; the setter stores a new text only when it
  // differs.
  std::string EditText() const { return Text(); }
  void SetEditText(const std::string& text);
  const std::string& EditMask() const { return editMask_; }
  void SetEditMask(const std::string& mask) { editMask_ = mask; }
  int MaxLength() const { return maxLengthBytes_; }
  void SetMaxLength(int bytes);
  bool ReadOnly() const { return isReadOnly(); }
  void SetReadOnly(bool value) { setReadOnly(value); }
  bool Modified() const { return isModified(); }
  void SetModified(bool value) { setModified(value); }

  // Whether the text may change now.
  virtual bool EditCanModify() { return !isReadOnly(); }
  // Puts back the text the edit showed before editing (SetResetText).
  virtual void Reset();
  void SetResetText(const std::string& text) { resetText_ = text; }

 protected:
  virtual void KeyDown(TKeyCode& key, TShiftState shift);
  virtual void KeyPress(char32_t& key);
  virtual void KeyUp(TKeyCode& key, TShiftState shift);

  void keyPressEvent(QKeyEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;
  void inputMethodEvent(QInputMethodEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

  // Whether the key press would change the text if QLineEdit handled it.
  static bool ChangesText(const QKeyEvent& event, const KeyStroke& stroke);

 private:
  class ByteLimit;

  std::string editMask_;
  std::string resetText_;
  int maxLengthBytes_ = 0;
  bool settingText_ = false;
  ByteLimit* byteLimit_ = nullptr;
};

}  // namespace morvane
