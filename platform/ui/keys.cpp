#include "platform/ui/keys.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <string_view>

namespace morvane {

namespace {

TKeyCode KeypadKeyCode(int key) {
  if (key >= Qt::Key_0 && key <= Qt::Key_9) return TKeyCode(VK_NUMPAD0 + (key - Qt::Key_0));
  switch (key) {
    case Qt::Key_Asterisk:
      return VK_MULTIPLY;
    case Qt::Key_Plus:
      return VK_ADD;
    case Qt::Key_Minus:
      return VK_SUBTRACT;
    case Qt::Key_Period:
    case Qt::Key_Comma:
      return VK_DECIMAL;  // the keypad's separator follows the locale
    case Qt::Key_Slash:
      return VK_DIVIDE;
    default:
      return 0;  // navigation keys of the keypad map as the main ones
  }
}

TKeyCode MainKeyCode(int key) {
  if ((key >= Qt::Key_A && key <= Qt::Key_Z) || (key >= Qt::Key_0 && key <= Qt::Key_9)) {
    return TKeyCode(key);  // Qt's codes of these keys are their upper-case characters
  }
  if (key >= Qt::Key_F1 && key <= Qt::Key_F24) return TKeyCode(VK_F1 + (key - Qt::Key_F1));
  switch (key) {
    case Qt::Key_Backspace:
      return VK_BACK;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
      return VK_TAB;
    case Qt::Key_Clear:
      return VK_CLEAR;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      return VK_RETURN;
    case Qt::Key_Shift:
      return VK_SHIFT;
    case Qt::Key_Control:
      return VK_CONTROL;
    case Qt::Key_Alt:
      return VK_MENU;
    case Qt::Key_Pause:
      return VK_PAUSE;
    case Qt::Key_CapsLock:
      return VK_CAPITAL;
    case Qt::Key_Escape:
      return VK_ESCAPE;
    case Qt::Key_Space:
      return VK_SPACE;
    case Qt::Key_PageUp:
      return VK_PRIOR;
    case Qt::Key_PageDown:
      return VK_NEXT;
    case Qt::Key_End:
      return VK_END;
    case Qt::Key_Home:
      return VK_HOME;
    case Qt::Key_Left:
      return VK_LEFT;
    case Qt::Key_Up:
      return VK_UP;
    case Qt::Key_Right:
      return VK_RIGHT;
    case Qt::Key_Down:
      return VK_DOWN;
    case Qt::Key_Print:
      return VK_SNAPSHOT;
    case Qt::Key_Insert:
      return VK_INSERT;
    case Qt::Key_Delete:
      return VK_DELETE;
    case Qt::Key_Menu:
      return VK_APPS;
    case Qt::Key_NumLock:
      return VK_NUMLOCK;
    case Qt::Key_ScrollLock:
      return VK_SCROLL;
    case Qt::Key_Semicolon:
      return VK_OEM_1;
    case Qt::Key_Equal:
      return VK_OEM_PLUS;
    case Qt::Key_Comma:
      return VK_OEM_COMMA;
    case Qt::Key_Minus:
      return VK_OEM_MINUS;
    case Qt::Key_Period:
      return VK_OEM_PERIOD;
    case Qt::Key_Slash:
      return VK_OEM_2;
    case Qt::Key_QuoteLeft:
      return VK_OEM_3;
    case Qt::Key_BracketLeft:
      return VK_OEM_4;
    case Qt::Key_Backslash:
      return VK_OEM_5;
    case Qt::Key_BracketRight:
      return VK_OEM_6;
    case Qt::Key_Apostrophe:
      return VK_OEM_7;
    // AltGr and every shifted symbol or letter of another layout: no code.
    default:
      return 0;
  }
}

// The key at a position of the keyboard, by its X keyboard code (the Linux
// input code + 8): the keys that type characters, named by the US layout.
TKeyCode PositionKeyCode(quint32 xkbCode) {
  if (xkbCode < 8) return 0;
  const quint32 code = xkbCode - 8;
  static constexpr std::string_view kDigits = "1234567890";  // codes 2..11
  static constexpr std::string_view kTopRow = "QWERTYUIOP";  // 16..25
  static constexpr std::string_view kHomeRow = "ASDFGHJKL";  // 30..38
  static constexpr std::string_view kBottomRow = "ZXCVBNM";  // 44..50
  if (code >= 2 && code <= 11) return TKeyCode(kDigits[code - 2]);
  if (code >= 16 && code <= 25) return TKeyCode(kTopRow[code - 16]);
  if (code >= 30 && code <= 38) return TKeyCode(kHomeRow[code - 30]);
  if (code >= 44 && code <= 50) return TKeyCode(kBottomRow[code - 44]);
  switch (code) {
    case 12:
      return VK_OEM_MINUS;
    case 13:
      return VK_OEM_PLUS;
    case 26:
      return VK_OEM_4;
    case 27:
      return VK_OEM_6;
    case 39:
      return VK_OEM_1;
    case 40:
      return VK_OEM_7;
    case 41:
      return VK_OEM_3;
    case 43:
      return VK_OEM_5;
    case 51:
      return VK_OEM_COMMA;
    case 52:
      return VK_OEM_PERIOD;
    case 53:
      return VK_OEM_2;
    case 86:
      return VK_OEM_102;
    default:
      return 0;
  }
}

// True when the text is one or more characters that show: no control
// characters (Qt gives "\r" for Enter, "\x03" for Ctrl+C, "\x7f" for Delete).
bool IsPrintable(const QString& text) {
  if (text.isEmpty()) return false;
  for (char32_t codePoint : text.toUcs4()) {
    if (!QChar::isPrint(codePoint)) return false;
  }
  return true;
}

}  // namespace

TShiftState ShiftStateOf(Qt::KeyboardModifiers modifiers) {
  TShiftState shift;
  if (modifiers & Qt::ShiftModifier) shift.Include(ssShift);
  if (modifiers & Qt::ControlModifier) shift.Include(ssCtrl);
  if (modifiers & Qt::AltModifier) shift.Include(ssAlt);
  return shift;
}

TShiftState ShiftStateOf(const QMouseEvent& event) {
  TShiftState shift = ShiftStateOf(event.modifiers());
  if (event.buttons() & Qt::LeftButton) shift.Include(ssLeft);
  if (event.buttons() & Qt::RightButton) shift.Include(ssRight);
  if (event.buttons() & Qt::MiddleButton) shift.Include(ssMiddle);
  if (event.type() == QEvent::MouseButtonDblClick) shift.Include(ssDouble);
  return shift;
}

KeyStroke TranslateKey(const QKeyEvent& event) {
  KeyStroke stroke;
  const int key = event.key();
  const Qt::KeyboardModifiers modifiers = event.modifiers();
  stroke.key = 0;
  if (modifiers & Qt::KeypadModifier) stroke.key = KeypadKeyCode(key);
  if (stroke.key == 0) stroke.key = MainKeyCode(key);
  if (stroke.key == 0) stroke.key = PositionKeyCode(event.nativeScanCode());

  stroke.shift = ShiftStateOf(modifiers);
  if (key == Qt::Key_Backtab) stroke.shift.Include(ssShift);  // Qt's name for Shift+Tab

  const bool printable = IsPrintable(event.text());
  // AltGr typing a character: X11 reports the group switch, other systems
  // Ctrl+Alt. Either way the result is the character, not a command.
  const bool altGr = printable && ((modifiers & Qt::GroupSwitchModifier) ||
                                   (stroke.shift.Contains(ssCtrl) && stroke.shift.Contains(ssAlt)));
  if (altGr) {
    stroke.shift.Exclude(ssCtrl);
    stroke.shift.Exclude(ssAlt);
  }
  const bool command = stroke.shift.Contains(ssCtrl) || stroke.shift.Contains(ssAlt);
  if (printable && !command) stroke.text = event.text().toStdString();
  return stroke;
}

}  // namespace morvane
