// Typed characters as the drop-downs' type-ahead sees them: code points,
// where 8 is Backspace, 27 Escape and 13 Enter, as a character message
// carries them.
#pragma once

#include <QKeyEvent>
#include <QString>
#include <string>
#include <vector>

namespace morvane {

// A character that types something: no control character.
inline bool IsTypedCharacter(char32_t character) {
  return character >= 32 && character != 127 && !(character >= 0x80 && character < 0xA0);
}

inline void AppendUtf8(std::string& text, char32_t character) {
  const char32_t single[] = {character};
  text += QString::fromUcs4(single, 1).toStdString();
}

// The characters an event types (its text), control characters included.
inline std::vector<char32_t> TypedCharacters(const QKeyEvent* event) {
  std::vector<char32_t> characters;
  for (char32_t character : event->text().toUcs4()) characters.push_back(character);
  return characters;
}

}  // namespace morvane
