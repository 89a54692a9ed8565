#include "server/oem_code_page.h"

#include <array>
#include <cstdint>
#include <optional>

namespace morvane {

namespace {

// The characters of CP866 bytes 0x80..0xFF: Cyrillic letters, box drawing,
// Ё/ё and the Ukrainian and Belarusian letters, a few signs.
constexpr std::array<char16_t, 128> kOemHighHalf = {
    0x0410, 0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417, 0x0418, 0x0419, 0x041A, 0x041B,
    0x041C, 0x041D, 0x041E, 0x041F, 0x0420, 0x0421, 0x0422, 0x0423, 0x0424, 0x0425, 0x0426, 0x0427,
    0x0428, 0x0429, 0x042A, 0x042B, 0x042C, 0x042D, 0x042E, 0x042F, 0x0430, 0x0431, 0x0432, 0x0433,
    0x0434, 0x0435, 0x0436, 0x0437, 0x0438, 0x0439, 0x043A, 0x043B, 0x043C, 0x043D, 0x043E, 0x043F,
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x2561, 0x2562, 0x2556, 0x2555, 0x2563, 0x2551, 0x2557,
    0x255D, 0x255C, 0x255B, 0x2510, 0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F,
    0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x2567, 0x2568, 0x2564, 0x2565, 0x2559,
    0x2558, 0x2552, 0x2553, 0x256B, 0x256A, 0x2518, 0x250C, 0x2588, 0x2584, 0x258C, 0x2590, 0x2580,
    0x0440, 0x0441, 0x0442, 0x0443, 0x0444, 0x0445, 0x0446, 0x0447, 0x0448, 0x0449, 0x044A, 0x044B,
    0x044C, 0x044D, 0x044E, 0x044F, 0x0401, 0x0451, 0x0404, 0x0454, 0x0407, 0x0457, 0x040E, 0x045E,
    0x00B0, 0x2219, 0x00B7, 0x221A, 0x2116, 0x00A4, 0x25A0, 0x00A0,
};

constexpr char kNoOemForm = '?';

char OemByteOf(char32_t character) {
  if (character < 0x80) return char(character);
  for (size_t index = 0; index < kOemHighHalf.size(); ++index) {
    if (kOemHighHalf[index] == character) return char(0x80 + index);
  }
  return kNoOemForm;
}

// Decodes the character starting at text[position]; advances position past
// it, or by one byte when the bytes there are not valid UTF-8.
std::optional<char32_t> NextCharacter(std::string_view text, size_t& position) {
  const auto lead = uint8_t(text[position++]);
  if (lead < 0x80) return lead;
  // Number of continuation bytes, the bits of the lead byte, and the
  // smallest character that needs this many bytes.
  struct Form {
    int continuation;
    char32_t leadBits;
    char32_t smallest;
  };
  Form form;
  if ((lead & 0xE0) == 0xC0) {
    form = {1, char32_t(lead & 0x1F), 0x80};
  } else if ((lead & 0xF0) == 0xE0) {
    form = {2, char32_t(lead & 0x0F), 0x800};
  } else if ((lead & 0xF8) == 0xF0) {
    form = {3, char32_t(lead & 0x07), 0x10000};
  } else {
    return std::nullopt;
  }
  const int continuation = form.continuation;
  char32_t character = form.leadBits;
  const char32_t smallest = form.smallest;
  if (text.size() - position < size_t(continuation)) return std::nullopt;
  for (int index = 0; index < continuation; ++index) {
    const auto next = uint8_t(text[position + size_t(index)]);
    if ((next & 0xC0) != 0x80) return std::nullopt;
    character = (character << 6) | (next & 0x3F);
  }
  position += size_t(continuation);
  // Overlong forms are not valid UTF-8.
  if (character < smallest || character > 0x10FFFF) return std::nullopt;
  return character;
}

}  // namespace

std::string Utf8ToOem(std::string_view text) {
  std::string oem;
  oem.reserve(text.size());
  size_t position = 0;
  while (position < text.size()) {
    const std::optional<char32_t> character = NextCharacter(text, position);
    oem += character ? OemByteOf(*character) : kNoOemForm;
  }
  return oem;
}

}  // namespace morvane
