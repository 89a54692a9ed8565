// Character messages as the drop-downs' type-ahead sees them: code points
// of the text a key typed, and for Backspace, Escape, Enter and Tab (typed
// without Ctrl or Alt) their control characters 8, 27, 13 and 9, as the
// framework's character message carries them.
#pragma once

#include <QString>
#include <string>
#include <vector>

#include "platform/ui/keys.h"

namespace morvane {

// A character that types something: no control character.
inline bool IsTypedCharacter(char32_t character) {
  return character >= 32 && character != 127 && !(character >= 0x80 && character < 0xA0);
}

inline void AppendUtf8(std::string& text, char32_t character) {
  const char32_t single[] = {character};
  text += QString::fromUcs4(single, 1).toStdString();
}

inline std::vector<char32_t> CharacterMessages(const KeyStroke& stroke) {
  std::vector<char32_t> characters;
  if (!stroke.text.empty()) {
    for (char32_t character : QString::fromStdString(stroke.text).toUcs4()) {
      characters.push_back(character);
    }
    return characters;
  }
  const bool command = stroke.shift.Contains(ssCtrl) || stroke.shift.Contains(ssAlt);
  if (!command && (stroke.key == VK_BACK || stroke.key == VK_ESCAPE || stroke.key == VK_RETURN ||
                   stroke.key == VK_TAB)) {
    characters.push_back(char32_t(stroke.key));
  }
  return characters;
}

}  // namespace morvane
