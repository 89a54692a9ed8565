#include "platform/ui/keys.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWidget>

namespace morvane {
namespace {

// A widget that reads its key presses the way every control does.
class KeyRecorder : public QWidget {
 public:
  KeyStroke last;

 protected:
  void keyPressEvent(QKeyEvent* event) override { last = TranslateKey(*event); }
};

KeyStroke Press(int qtKey, const QString& text, Qt::KeyboardModifiers modifiers = {}) {
  KeyRecorder recorder;
  QKeyEvent event(QEvent::KeyPress, qtKey, modifiers, text);
  QApplication::sendEvent(&recorder, &event);
  return recorder.last;
}

struct KeyCase {
  int qtKey;
  Qt::KeyboardModifiers modifiers;
  TKeyCode expected;
};

TEST(TranslateKeyTest, NavigationAndEditingKeysGiveTheirCodesAndTypeNothing) {
  const Qt::KeyboardModifiers keypad = Qt::KeypadModifier;
  const KeyCase cases[] = {
      {Qt::Key_Up, {}, VK_UP},
      {Qt::Key_Down, {}, VK_DOWN},
      {Qt::Key_Left, {}, VK_LEFT},
      {Qt::Key_Right, {}, VK_RIGHT},
      {Qt::Key_Home, {}, VK_HOME},
      {Qt::Key_End, {}, VK_END},
      {Qt::Key_PageUp, {}, VK_PRIOR},
      {Qt::Key_PageDown, {}, VK_NEXT},
      {Qt::Key_Insert, {}, VK_INSERT},
      {Qt::Key_Delete, {}, VK_DELETE},
      {Qt::Key_F2, {}, VK_F2},
      {Qt::Key_F4, {}, VK_F4},
      {Qt::Key_Return, {}, VK_RETURN},
      {Qt::Key_Enter, keypad, VK_RETURN},
      {Qt::Key_Escape, {}, VK_ESCAPE},
      {Qt::Key_Tab, {}, VK_TAB},
      {Qt::Key_Backspace, {}, VK_BACK},
      {Qt::Key_Down, keypad, VK_DOWN},  // NumLock off
      {Qt::Key_Delete, keypad, VK_DELETE},
  };
  for (const KeyCase& keyCase : cases) {
    // Qt gives control characters as text for some of these ("\r", "\x1b").
    const QString qtText = keyCase.expected == VK_RETURN   ? QString("\r")
                           : keyCase.expected == VK_ESCAPE ? QString("\x1b")
                                                           : QString();
    const KeyStroke stroke = Press(keyCase.qtKey, qtText, keyCase.modifiers);
    EXPECT_EQ(stroke.key, keyCase.expected) << "Qt key " << std::hex << keyCase.qtKey;
    EXPECT_TRUE(stroke.text.empty()) << "Qt key " << std::hex << keyCase.qtKey;
    EXPECT_TRUE(stroke.shift.Empty());
  }
}

TEST(TranslateKeyTest, LetterQIsTheQKeyNeverF2) {
  const KeyStroke lower = Press(Qt::Key_Q, "q");
  EXPECT_EQ(lower.key, 'Q');
  EXPECT_NE(lower.key, VK_F2);  // 'q' is character 113, the number of F2
  EXPECT_EQ(lower.text, "q");

  const KeyStroke upper = Press(Qt::Key_Q, "Q", Qt::ShiftModifier);
  EXPECT_EQ(upper.key, 'Q');
  EXPECT_EQ(upper.shift, TShiftState({ssShift}));
  EXPECT_EQ(upper.text, "Q");
}

TEST(TranslateKeyTest, PeriodIsNeverDelete) {
  // '.' is character 46, the number of Delete.
  const KeyStroke main = Press(Qt::Key_Period, ".");
  EXPECT_EQ(main.key, VK_OEM_PERIOD);
  EXPECT_EQ(main.text, ".");

  const KeyStroke keypad = Press(Qt::Key_Period, ".", Qt::KeypadModifier);
  EXPECT_EQ(keypad.key, VK_DECIMAL);
  EXPECT_EQ(keypad.text, ".");

  const KeyStroke keypadComma = Press(Qt::Key_Comma, ",", Qt::KeypadModifier);
  EXPECT_EQ(keypadComma.key, VK_DECIMAL);
  EXPECT_EQ(keypadComma.text, ",");
}

TEST(TranslateKeyTest, CharacterTypedWithAltGrIsACharacterNeverAltUpOrDown) {
  // '&' and '(' are characters 38 and 40, the numbers of Up and Down. X11
  // reports AltGr as the group switch, other systems as Ctrl+Alt.
  const Qt::KeyboardModifiers altGrs[] = {Qt::GroupSwitchModifier,
                                          Qt::ControlModifier | Qt::AltModifier};
  for (Qt::KeyboardModifiers altGr : altGrs) {
    for (auto [qtKey, text] : {std::pair{Qt::Key_Ampersand, "&"}, std::pair{Qt::Key_ParenLeft, "("},
                               std::pair{Qt::Key_At, "@"}}) {
      const KeyStroke stroke = Press(qtKey, text, altGr);
      EXPECT_NE(stroke.key, VK_UP) << text;
      EXPECT_NE(stroke.key, VK_DOWN) << text;
      EXPECT_FALSE(stroke.shift.Contains(ssAlt)) << text;
      EXPECT_FALSE(stroke.shift.Contains(ssCtrl)) << text;
      EXPECT_EQ(stroke.text, text);
    }
  }
  const KeyStroke altDown = Press(Qt::Key_Down, "", Qt::AltModifier);
  EXPECT_EQ(altDown.key, VK_DOWN);
  EXPECT_EQ(altDown.shift, TShiftState({ssAlt}));
}

TEST(TranslateKeyTest, CommandKeystrokesTypeNothing) {
  const KeyStroke copy = Press(Qt::Key_C, "\x03", Qt::ControlModifier);
  EXPECT_EQ(copy.key, 'C');
  EXPECT_EQ(copy.shift, TShiftState({ssCtrl}));
  EXPECT_TRUE(copy.text.empty());

  const KeyStroke altLetter = Press(Qt::Key_X, "x", Qt::AltModifier);
  EXPECT_EQ(altLetter.key, 'X');
  EXPECT_TRUE(altLetter.text.empty());

  const KeyStroke ctrlDelete = Press(Qt::Key_Delete, "\x7f", Qt::ControlModifier);
  EXPECT_EQ(ctrlDelete.key, VK_DELETE);
  EXPECT_EQ(ctrlDelete.shift, TShiftState({ssCtrl}));
  EXPECT_TRUE(ctrlDelete.text.empty());

  const KeyStroke backtab = Press(Qt::Key_Backtab, "", Qt::ShiftModifier);
  EXPECT_EQ(backtab.key, VK_TAB);
  EXPECT_TRUE(backtab.shift.Contains(ssShift));
}

TEST(TranslateKeyTest, TypedTextIsUtf8AndKeypadDigitsHaveTheirOwnCodes) {
  const KeyStroke cyrillic = Press(0x419, QString::fromUtf8("й"));  // Qt's key is the capital
  EXPECT_EQ(cyrillic.key, 0);
  EXPECT_EQ(cyrillic.text, "й");

  const KeyStroke space = Press(Qt::Key_Space, " ");
  EXPECT_EQ(space.key, VK_SPACE);
  EXPECT_EQ(space.text, " ");

  EXPECT_EQ(Press(Qt::Key_5, "5").key, '5');
  const KeyStroke keypadFive = Press(Qt::Key_5, "5", Qt::KeypadModifier);
  EXPECT_EQ(keypadFive.key, VK_NUMPAD0 + 5);
  EXPECT_EQ(keypadFive.text, "5");
}

TEST(TranslateKeyTest, KeysQtNamesByAnotherCharacterTakeTheirPositionsCode) {
  // X keyboard codes: the Linux input code + 8 (Q is 16, 7 is 8).
  const auto pressAt = [](int qtKey, const char* text, quint32 xkbCode,
                          Qt::KeyboardModifiers modifiers = {}) {
    KeyRecorder recorder;
    QKeyEvent event(QEvent::KeyPress, qtKey, modifiers, xkbCode, 0, 0, QString::fromUtf8(text));
    QApplication::sendEvent(&recorder, &event);
    return recorder.last;
  };
  const KeyStroke cyrillic = pressAt(0x419, "й", 16 + 8);
  EXPECT_EQ(cyrillic.key, 'Q');
  EXPECT_EQ(cyrillic.text, "й");

  const KeyStroke ampersand = pressAt(Qt::Key_Ampersand, "&", 8 + 8, Qt::ShiftModifier);
  EXPECT_EQ(ampersand.key, '7');
  EXPECT_EQ(ampersand.text, "&");

  const KeyStroke altGrAt = pressAt(Qt::Key_At, "@", 16 + 8, Qt::GroupSwitchModifier);
  EXPECT_EQ(altGrAt.key, 'Q');
  EXPECT_TRUE(altGrAt.shift.Empty());
  EXPECT_EQ(altGrAt.text, "@");

  EXPECT_EQ(pressAt(Qt::Key_Period, ".", 53 + 8).key, VK_OEM_PERIOD);  // Russian '.' key
  EXPECT_EQ(pressAt(0x42E, "ю", 52 + 8).key, VK_OEM_PERIOD);           // the US '.' key
}

TEST(ShiftStateTest, MouseEventsCarryButtonsModifiersAndTheDoubleClick) {
  const QPointF point(3, 4);
  QMouseEvent doubleClick(QEvent::MouseButtonDblClick, point, point, Qt::LeftButton, Qt::LeftButton,
                          Qt::ControlModifier);
  EXPECT_EQ(ShiftStateOf(doubleClick), TShiftState({ssCtrl, ssLeft, ssDouble}));

  QMouseEvent rightPress(QEvent::MouseButtonPress, point, point, Qt::RightButton, Qt::RightButton,
                         Qt::ShiftModifier | Qt::GroupSwitchModifier);
  EXPECT_EQ(ShiftStateOf(rightPress), TShiftState({ssShift, ssRight}));
}

}  // namespace
}  // namespace morvane
