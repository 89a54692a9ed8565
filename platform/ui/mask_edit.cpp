#include "platform/ui/mask_edit.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QContextMenuEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QValidator>
#include <memory>

#include "platform/ui/keys.h"

namespace morvane {

namespace {

QString Utf8(const std::string& text) { return QString::fromUtf8(text.data(), int(text.size())); }

int Utf8Bytes(const QString& text) { return int(text.toUtf8().size()); }

// Removes the character (one or two UTF-16 units) before position.
int RemoveCharacterBefore(QString& text, int position) {
  int units = 1;
  if (position >= 2 && text[position - 1].isLowSurrogate() && text[position - 2].isHighSurrogate()) {
    units = 2;
  }
  text.remove(position - units, units);
  return position - units;
}

}  // namespace

// Keeps the text within the byte limit: a change that would exceed it loses
// the characters just before the cursor (the ones it inserted) until the
// text fits; a text that is still too long loses characters at its end.
class TCustomMaskEdit::ByteLimit : public QValidator {
 public:
  ByteLimit(TCustomMaskEdit* edit) : QValidator(edit), edit_(edit) {}

  State validate(QString& input, int& position) const override {
    const int limit = edit_->maxLengthBytes_;
    if (limit <= 0 || edit_->settingText_) return Acceptable;
    while (Utf8Bytes(input) > limit && position > 0) {
      position = RemoveCharacterBefore(input, position);
    }
    while (Utf8Bytes(input) > limit && !input.isEmpty()) {
      RemoveCharacterBefore(input, int(input.size()));
    }
    position = std::min(position, int(input.size()));
    return Acceptable;
  }

 private:
  TCustomMaskEdit* edit_;
};

TCustomMaskEdit::TCustomMaskEdit(QWidget* parent) : QLineEdit(parent) {
  setDragEnabled(false);
  setAcceptDrops(false);
  byteLimit_ = new ByteLimit(this);
  setValidator(byteLimit_);
}

TCustomMaskEdit::~TCustomMaskEdit() = default;

std::string TCustomMaskEdit::Text() const { return text().toStdString(); }

void TCustomMaskEdit::SetText(const std::string& text) {
  settingText_ = true;
  setText(Utf8(text));
  settingText_ = false;
}

void TCustomMaskEdit::SetEditText(const std::string& text) {
  if (Text() != text) SetText(text);
}

void TCustomMaskEdit::SetMaxLength(int bytes) {
  maxLengthBytes_ = bytes < 0 ? 0 : bytes;
}

void TCustomMaskEdit::Reset() {
  if (Text() != resetText_) SetText(resetText_);
  setModified(false);
  selectAll();
}

void TCustomMaskEdit::KeyDown(TKeyCode&, TShiftState) {}
void TCustomMaskEdit::KeyPress(char32_t&) {}
void TCustomMaskEdit::KeyUp(TKeyCode&, TShiftState) {}

bool TCustomMaskEdit::ChangesText(const QKeyEvent& event, const KeyStroke& stroke) {
  if (!stroke.text.empty()) return true;
  if (stroke.key == VK_BACK || stroke.key == VK_DELETE) return true;
  for (QKeySequence::StandardKey changing :
       {QKeySequence::Cut, QKeySequence::Paste, QKeySequence::Undo, QKeySequence::Redo,
        QKeySequence::Delete, QKeySequence::Backspace, QKeySequence::DeleteEndOfWord,
        QKeySequence::DeleteStartOfWord, QKeySequence::DeleteEndOfLine,
        QKeySequence::DeleteCompleteLine}) {
    if (event.matches(changing)) return true;
  }
  // Any other Ctrl combination but copying, selecting and moving is taken
  // as a possible change (some platforms bind line-editing commands to
  // them), so it passes the gate too.
  if (stroke.shift.Contains(ssCtrl)) {
    const bool harmless = event.matches(QKeySequence::Copy) ||
                          event.matches(QKeySequence::SelectAll) || stroke.key == VK_LEFT ||
                          stroke.key == VK_RIGHT || stroke.key == VK_HOME || stroke.key == VK_END ||
                          stroke.key == VK_UP || stroke.key == VK_DOWN || stroke.key == VK_INSERT ||
                          stroke.key == VK_SHIFT || stroke.key == VK_CONTROL ||
                          stroke.key == VK_MENU;
    return !harmless;
  }
  return false;
}

void TCustomMaskEdit::keyPressEvent(QKeyEvent* event) {
  event->accept();
  const KeyStroke stroke = TranslateKey(*event);
  TKeyCode key = stroke.key;
  if (key != 0) {
    KeyDown(key, stroke.shift);
    if (key == 0) return;
  }
  const std::vector<char32_t> characters = [&] {
    std::vector<char32_t> messages;
    if (!stroke.text.empty()) {
      for (char32_t character : QString::fromStdString(stroke.text).toUcs4()) {
        messages.push_back(character);
      }
    } else if (!stroke.shift.Contains(ssCtrl) && !stroke.shift.Contains(ssAlt) &&
               (key == VK_BACK || key == VK_ESCAPE || key == VK_RETURN || key == VK_TAB)) {
      messages.push_back(char32_t(key));
    }
    return messages;
  }();
  bool anyLeft = characters.empty();
  for (char32_t character : characters) {
    char32_t message = character;
    KeyPress(message);
    if (message != 0) anyLeft = true;
  }
  if (!anyLeft) return;
  if (ChangesText(*event, stroke) && !EditCanModify()) return;
  QLineEdit::keyPressEvent(event);
  // Keys the line edit does not use stay with the editor; they never travel
  // on to the parent, which gets what it needs through KeyDown.
  event->accept();
}

void TCustomMaskEdit::keyReleaseEvent(QKeyEvent* event) {
  const KeyStroke stroke = TranslateKey(*event);
  TKeyCode key = stroke.key;
  KeyUp(key, stroke.shift);
  event->accept();
}

void TCustomMaskEdit::inputMethodEvent(QInputMethodEvent* event) {
  const bool changes = !event->commitString().isEmpty() || !event->preeditString().isEmpty() ||
                       event->replacementLength() > 0;
  if (changes && !EditCanModify()) {
    event->ignore();
    return;
  }
  QLineEdit::inputMethodEvent(event);
}

void TCustomMaskEdit::contextMenuEvent(QContextMenuEvent* event) {
  // The edit's own menu: the standard one calls the line edit's slots
  // directly, past the gate, so every action that changes the text here
  // asks EditCanModify first. The captions are the standard menu's, in the
  // line edit's context, so that Qt's catalogue translates them.
  QMenu menu;
  const bool editable = !isReadOnly();
  const bool selected = hasSelectedText();
  auto add = [&](const char* name, const QString& caption, QKeySequence::StandardKey keys,
                 bool enabled, bool changes, std::function<void()> perform) {
    QAction* action = menu.addAction(caption);
    action->setObjectName(name);
    action->setShortcut(keys);
    action->setEnabled(enabled);
    connect(action, &QAction::triggered, this, [this, changes, perform] {
      if (!changes || EditCanModify()) perform();
    });
  };
  const bool canPaste = editable && !QGuiApplication::clipboard()->text().isEmpty();
  add("edit-undo", QLineEdit::tr("&Undo"), QKeySequence::Undo, editable && isUndoAvailable(), true,
      [this] { undo(); });
  add("edit-redo", QLineEdit::tr("&Redo"), QKeySequence::Redo, editable && isRedoAvailable(), true,
      [this] { redo(); });
  menu.addSeparator();
  add("edit-cut", QLineEdit::tr("Cu&t"), QKeySequence::Cut, editable && selected, true,
      [this] { cut(); });
  add("edit-copy", QLineEdit::tr("&Copy"), QKeySequence::Copy, selected, false, [this] { copy(); });
  add("edit-paste", QLineEdit::tr("&Paste"), QKeySequence::Paste, canPaste, true,
      [this] { paste(); });
  add("edit-delete", QLineEdit::tr("Delete"), QKeySequence::UnknownKey, editable && selected, true,
      [this] { del(); });
  menu.addSeparator();
  add("select-all", QLineEdit::tr("Select All"), QKeySequence::SelectAll, !text().isEmpty(), false,
      [this] { selectAll(); });
  menu.exec(event->globalPos());
}

void TCustomMaskEdit::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::MiddleButton) {
    event->accept();  // no selection paste: it would bypass the gate
    return;
  }
  QLineEdit::mousePressEvent(event);
}

void TCustomMaskEdit::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::MiddleButton) {
    event->accept();
    return;
  }
  QLineEdit::mouseReleaseEvent(event);
}

}  // namespace morvane
