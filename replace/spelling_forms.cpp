#include "replace/spelling_forms.h"

#include <array>
#include <utility>

namespace morvane {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

// The length of a UTF-8 sequence from its lead byte (0: not a lead byte),
// and the bits of the lead byte that belong to the character.
size_t SequenceLength(unsigned char lead, char32_t& leadBits) {
  if (lead < 0x80) {
    leadBits = lead;
    return 1;
  }
  if ((lead >> 5) == 0x6) {
    leadBits = lead & 0x1F;
    return 2;
  }
  if ((lead >> 4) == 0xE) {
    leadBits = lead & 0x0F;
    return 3;
  }
  if ((lead >> 3) == 0x1E) {
    leadBits = lead & 0x07;
    return 4;
  }
  return 0;
}

// Lower-case Latin look-alikes and the Cyrillic letter each reads as.
constexpr std::array<std::pair<char32_t, char32_t>, 12> kLookAlikes = {{
    {U'a', U'а'},
    {U'b', U'в'},
    {U'c', U'с'},
    {U'e', U'е'},
    {U'h', U'н'},
    {U'k', U'к'},
    {U'm', U'м'},
    {U'o', U'о'},
    {U'p', U'р'},
    {U't', U'т'},
    {U'x', U'х'},
    {U'y', U'у'},
}};

// The keys of the two layouts, lower case: the same key in both strings at
// the same place.
constexpr std::u32string_view kQwertyKeys = U"qwertyuiop[]asdfghjkl;'zxcvbnm,./`";
constexpr std::u32string_view kJcukenKeys = U"йцукенгшщзхъфывапролджэячсмитьбю.ё";

bool IsLatinLetter(char32_t c) {
  return c >= U'a' && c <= U'z';
}
bool IsCyrillicLetter(char32_t c) {
  return (c >= U'а' && c <= U'я') || c == U'ё';
}

}  // namespace

std::u32string Utf8Characters(std::string_view text) {
  std::u32string chars;
  size_t index = 0;
  while (index < text.size()) {
    char32_t code = 0;
    const size_t length = SequenceLength(static_cast<unsigned char>(text[index]), code);
    bool valid = length != 0 && index + length <= text.size();
    for (size_t next = 1; valid && next < length; ++next) {
      const unsigned char byte = static_cast<unsigned char>(text[index + next]);
      valid = (byte & 0xC0) == 0x80;
      code = (code << 6) | (byte & 0x3F);
    }
    if (!valid) {
      chars.push_back(kReplacement);
      ++index;
      continue;
    }
    chars.push_back(code);
    index += length;
  }
  return chars;
}

std::string Utf8Text(std::u32string_view chars) {
  std::string text;
  for (char32_t c : chars) {
    if (c < 0x80) {
      text += char(c);
    } else if (c < 0x800) {
      text += char(0xC0 | (c >> 6));
      text += char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      text += char(0xE0 | (c >> 12));
      text += char(0x80 | ((c >> 6) & 0x3F));
      text += char(0x80 | (c & 0x3F));
    } else {
      text += char(0xF0 | (c >> 18));
      text += char(0x80 | ((c >> 12) & 0x3F));
      text += char(0x80 | ((c >> 6) & 0x3F));
      text += char(0x80 | (c & 0x3F));
    }
  }
  return text;
}

std::u32string FoldLookAlikes(std::u32string chars) {
  for (char32_t& c : chars) {
    if (!IsLatinLetter(c)) continue;
    for (const auto& [latin, cyrillic] : kLookAlikes) {
      if (c == latin) c = cyrillic;
    }
  }
  return chars;
}

std::u32string OtherLayoutReading(std::u32string_view chars) {
  bool latin = false;
  bool cyrillic = false;
  for (char32_t c : chars) {
    latin = latin || IsLatinLetter(c);
    cyrillic = cyrillic || IsCyrillicLetter(c);
  }
  if (latin == cyrillic || chars.size() < 2) return {};
  const std::u32string_view from = latin ? kQwertyKeys : kJcukenKeys;
  const std::u32string_view to = latin ? kJcukenKeys : kQwertyKeys;
  std::u32string reading(chars);
  for (char32_t& c : reading) {
    const size_t key = from.find(c);
    if (key != std::u32string_view::npos) c = to[key];
  }
  return reading;
}

std::u32string DigitsOf(std::u32string_view chars) {
  std::u32string digits;
  for (char32_t c : chars) {
    if (c >= U'0' && c <= U'9') digits.push_back(c);
  }
  return digits;
}

}  // namespace morvane
