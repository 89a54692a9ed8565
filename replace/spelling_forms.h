// The forms a value is matched in, beyond its normal form: its characters,
// Latin letters that look like Cyrillic ones read as those, the text it
// becomes when read through the other keyboard layout, and its digits.
// For matching only: nothing here changes a value anybody sees. No Qt.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace morvane {

// Decodes UTF-8; a malformed sequence becomes one replacement character per
// byte, so every text has a character form.
std::u32string Utf8Characters(std::string_view text);
std::string Utf8Text(std::u32string_view chars);

// A 32-bit hash of characters (FNV-1a over the code points), for the flat
// tables the matching keeps of forms and deletion remainders.
inline uint32_t CharactersHash(std::u32string_view chars) {
  uint32_t hash = 2166136261u;
  for (char32_t c : chars) {
    hash ^= uint32_t(c);
    hash *= 16777619u;
  }
  return hash;
}

// Lower-case Latin letters that look like a Cyrillic one (a, b for "в",
// c, e, h for "н", k, m, o, p, t, x, y) become that Cyrillic letter, so
// "kг" and "кг", "m3" and "м3" read alike. Expects a lower-cased text
// (capitals "B", "H" and "M" fold through their lower case).
std::u32string FoldLookAlikes(std::u32string chars);

// The text typed with the other keyboard layout on the same keys: a text in
// Latin letters read through ЙЦУКЕН ("in" -> "шт", "kbnh" -> "литр"), one
// in Cyrillic letters read through QWERTY ("шт" -> "in"). Empty when the
// text holds letters of both alphabets or of neither (there is no telling
// which way it was mistyped), and for a single character: "l" for litres
// is no slip for "д". Expects a lower-cased text.
std::u32string OtherLayoutReading(std::u32string_view chars);

// The digits of a text in their order: texts with other digits ("M8",
// "M10") name different things however near their spellings are.
std::u32string DigitsOf(std::u32string_view chars);

}  // namespace morvane
