// Keyboard input as the controls see it: one translation from a Qt key event
// into a key code, a shift state and the text the key typed.
//
// The grid and every editor read a keystroke through TranslateKey() and
// nothing else, so the two streams never mix:
// - `key` is the framework's 16-bit virtual key code (VK_UP, VK_DELETE, VK_F2,
//   'A'..'Z' and '0'..'9' for the letter and digit keys). Navigation,
//   drop-down and special-key logic reads only this. It comes from the key
//   pressed, never from the character typed, so no character can pose as a
//   key: '&' is not Up, '(' is not Down, '.' is not Delete, 'q' is not F2.
//   A character key that Qt names by another character (a letter of a
//   non-Latin layout, a shifted symbol) takes the code of its position on
//   the keyboard when the event carries the X keyboard code (X11 and
//   Wayland: the Linux input code + 8), as a Cyrillic "й" is the Q key and
//   "&" is Shift+7; without one the key has code 0 and matters only through
//   its text.
// - `shift` holds Shift, Ctrl and Alt as held for the key. AltGr is not Alt:
//   a character typed with AltGr (Ctrl+Alt on some systems, the group switch
//   modifier on X11) arrives with Ctrl and Alt removed.
// - `text` is the UTF-8 text the key typed: printable characters only. It is
//   empty for keys that type nothing and for command keystrokes (Ctrl or Alt
//   combinations). Enter, Escape, Backspace and Tab type nothing here; the
//   framework's #13, #27, #8 and #9 characters are their key codes, which
//   have the same numbers (VK_RETURN, VK_ESCAPE, VK_BACK, VK_TAB).
#pragma once

#include <cstdint>
#include <string>

#include <Qt>

#include "platform/db/db_types.h"

class QKeyEvent;
class QMouseEvent;

namespace morvane {

// The framework's virtual key code (a Word).
using TKeyCode = uint16_t;

inline constexpr TKeyCode VK_BACK = 0x08;
inline constexpr TKeyCode VK_TAB = 0x09;
inline constexpr TKeyCode VK_CLEAR = 0x0C;
inline constexpr TKeyCode VK_RETURN = 0x0D;
inline constexpr TKeyCode VK_SHIFT = 0x10;
inline constexpr TKeyCode VK_CONTROL = 0x11;
inline constexpr TKeyCode VK_MENU = 0x12;  // Alt
inline constexpr TKeyCode VK_PAUSE = 0x13;
inline constexpr TKeyCode VK_CAPITAL = 0x14;
inline constexpr TKeyCode VK_ESCAPE = 0x1B;
inline constexpr TKeyCode VK_SPACE = 0x20;
inline constexpr TKeyCode VK_PRIOR = 0x21;  // Page Up
inline constexpr TKeyCode VK_NEXT = 0x22;   // Page Down
inline constexpr TKeyCode VK_END = 0x23;
inline constexpr TKeyCode VK_HOME = 0x24;
inline constexpr TKeyCode VK_LEFT = 0x25;
inline constexpr TKeyCode VK_UP = 0x26;
inline constexpr TKeyCode VK_RIGHT = 0x27;
inline constexpr TKeyCode VK_DOWN = 0x28;
inline constexpr TKeyCode VK_SNAPSHOT = 0x2C;
inline constexpr TKeyCode VK_INSERT = 0x2D;
inline constexpr TKeyCode VK_DELETE = 0x2E;
// '0'..'9' = 0x30..0x39 and 'A'..'Z' = 0x41..0x5A are their own codes.
inline constexpr TKeyCode VK_APPS = 0x5D;     // the context-menu key
inline constexpr TKeyCode VK_NUMPAD0 = 0x60;  // ..VK_NUMPAD0 + 9
inline constexpr TKeyCode VK_MULTIPLY = 0x6A;
inline constexpr TKeyCode VK_ADD = 0x6B;
inline constexpr TKeyCode VK_SUBTRACT = 0x6D;
inline constexpr TKeyCode VK_DECIMAL = 0x6E;  // '.' of the numeric keypad
inline constexpr TKeyCode VK_DIVIDE = 0x6F;
inline constexpr TKeyCode VK_F1 = 0x70;  // ..VK_F1 + 23 for F24
inline constexpr TKeyCode VK_F2 = 0x71;
inline constexpr TKeyCode VK_F3 = 0x72;
inline constexpr TKeyCode VK_F4 = 0x73;
inline constexpr TKeyCode VK_NUMLOCK = 0x90;
inline constexpr TKeyCode VK_SCROLL = 0x91;
// Unshifted punctuation keys of the main keyboard.
inline constexpr TKeyCode VK_OEM_1 = 0xBA;     // ;
inline constexpr TKeyCode VK_OEM_PLUS = 0xBB;  // =
inline constexpr TKeyCode VK_OEM_COMMA = 0xBC;
inline constexpr TKeyCode VK_OEM_MINUS = 0xBD;
inline constexpr TKeyCode VK_OEM_PERIOD = 0xBE;
inline constexpr TKeyCode VK_OEM_2 = 0xBF;    // /
inline constexpr TKeyCode VK_OEM_3 = 0xC0;    // `
inline constexpr TKeyCode VK_OEM_4 = 0xDB;    // [
inline constexpr TKeyCode VK_OEM_5 = 0xDC;    // backslash
inline constexpr TKeyCode VK_OEM_6 = 0xDD;    // ]
inline constexpr TKeyCode VK_OEM_7 = 0xDE;    // '
inline constexpr TKeyCode VK_OEM_102 = 0xE2;  // the extra key beside the left Shift

// The framework's shift state: modifier keys and, for mouse events, the
// buttons held and the double click.
enum TShiftStateItem : uint8_t { ssShift, ssAlt, ssCtrl, ssLeft, ssRight, ssMiddle, ssDouble };
using TShiftState = TSet<TShiftStateItem>;

struct KeyStroke {
  TKeyCode key = 0;
  TShiftState shift;
  std::string text;  // UTF-8; empty when the key typed nothing
};

// Key press and key release events alike.
KeyStroke TranslateKey(const QKeyEvent& event);

// Shift, Ctrl and Alt of Qt's modifiers (AltGr's group switch is not Alt).
TShiftState ShiftStateOf(Qt::KeyboardModifiers modifiers);

// The modifiers and the buttons held during a mouse event; a double click
// adds ssDouble.
TShiftState ShiftStateOf(const QMouseEvent& event);

}  // namespace morvane
