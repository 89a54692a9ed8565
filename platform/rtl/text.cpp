#include "platform/rtl/text.h"

#include <unicode/coll.h>
#include <unicode/locid.h>
#include <unicode/ucol.h>
#include <unicode/unistr.h>
#include <unicode/uset.h>
#include <unicode/ustring.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "platform/rtl/locale_name.h"

namespace morvane {
namespace {

const icu::Locale& UserLocale() {
  static const icu::Locale locale(IcuLocaleId(LocaleNameFromEnvironment("LC_COLLATE")).c_str());
  return locale;
}

// The locale's collator, at secondary strength (letter case ignored) or
// tertiary (case counts). Null only when ICU has no data at all; callers then
// fall back to byte order.
UCollator* Collator(bool caseInsensitive) {
  struct Collators {
    UCollator* sensitive = nullptr;
    UCollator* insensitive = nullptr;
    Collators() {
      UErrorCode status = U_ZERO_ERROR;
      sensitive = ucol_open(UserLocale().getName(), &status);
      if (U_FAILURE(status)) sensitive = nullptr;
      status = U_ZERO_ERROR;
      insensitive = ucol_open(UserLocale().getName(), &status);
      if (U_FAILURE(status)) {
        insensitive = nullptr;
      } else {
        ucol_setStrength(insensitive, UCOL_SECONDARY);
      }
    }
    ~Collators() {
      if (sensitive) ucol_close(sensitive);
      if (insensitive) ucol_close(insensitive);
    }
  };
  static Collators collators;
  return caseInsensitive ? collators.insensitive : collators.sensitive;
}

int ByteCompare(std::string_view left, std::string_view right) {
  const int result = left.compare(right);
  return result < 0 ? -1 : (result > 0 ? 1 : 0);
}

int Collate(std::string_view left, std::string_view right, bool caseInsensitive) {
  UCollator* collator = Collator(caseInsensitive);
  if (collator == nullptr) return ByteCompare(left, right);
  UErrorCode status = U_ZERO_ERROR;
  const UCollationResult result = ucol_strcollUTF8(collator, left.data(), int32_t(left.size()),
                                                   right.data(), int32_t(right.size()), &status);
  if (U_FAILURE(status)) return ByteCompare(left, right);
  return result == UCOL_LESS ? -1 : (result == UCOL_GREATER ? 1 : 0);
}

// Marks the ASCII characters of a set of code points and strings unusable.
// A string with a character beyond ASCII (the contraction "l" + middle dot)
// never occurs in an ASCII text, so it leaves its ASCII characters usable.
bool ExcludeAsciiOf(const USet* set, std::array<bool, 128>& usable) {
  for (int32_t item = 0; item < uset_getItemCount(set); ++item) {
    UChar32 start = 0;
    UChar32 end = 0;
    UChar text[64];
    UErrorCode status = U_ZERO_ERROR;
    const int32_t length = uset_getItem(set, item, &start, &end, text, 64, &status);
    if (U_FAILURE(status)) return false;
    if (length == 0) {
      for (UChar32 character = std::max<UChar32>(start, 0); character <= end && character < 128;
           ++character) {
        usable[size_t(character)] = false;
      }
    }
    const bool allAscii = std::all_of(text, text + length, [](UChar unit) { return unit < 128; });
    for (int32_t at = 0; at < length && allAscii; ++at) usable[text[at]] = false;
  }
  return true;
}

// The weights of AsciiCollationWeights, all 0 when the collation cannot be
// followed character by character.
std::array<uint8_t, 128> MakeAsciiWeights() {
  std::array<uint8_t, 128> weights{};
  UCollator* collator = Collator(true);
  if (collator == nullptr) {
    // Without a collator texts compare by their bytes.
    for (size_t character = 1; character < weights.size(); ++character) {
      weights[character] = uint8_t(character);
    }
    return weights;
  }
  UErrorCode status = U_ZERO_ERROR;
  // Digits read as numbers, or blanks and punctuation ignored: no fixed
  // weight per character.
  const bool plain =
      ucol_getAttribute(collator, UCOL_NUMERIC_COLLATION, &status) == UCOL_OFF &&
      ucol_getAttribute(collator, UCOL_ALTERNATE_HANDLING, &status) == UCOL_NON_IGNORABLE;
  if (U_FAILURE(status) || !plain) return {};

  std::array<bool, 128> usable{};
  for (size_t character = 0x20; character < 0x7F; ++character) usable[character] = true;
  // Contractions ("ch" in Czech) and expansions weigh characters in context.
  using SetPointer = std::unique_ptr<USet, decltype(&uset_close)>;
  SetPointer contractions(uset_openEmpty(), &uset_close);
  SetPointer expansions(uset_openEmpty(), &uset_close);
  ucol_getContractionsAndExpansions(collator, contractions.get(), expansions.get(), true, &status);
  if (U_FAILURE(status) || !ExcludeAsciiOf(contractions.get(), usable) ||
      !ExcludeAsciiOf(expansions.get(), usable)) {
    return {};
  }
  std::vector<UChar> characters;
  for (size_t character = 0; character < usable.size(); ++character) {
    const UChar single = UChar(character);
    // An ignorable character compares equal to no character at all.
    if (usable[character] && ucol_strcoll(collator, &single, 1, nullptr, 0) == UCOL_GREATER) {
      characters.push_back(single);
    }
  }
  auto compare = [](UCollator* by, UChar left, UChar right) {
    return ucol_strcoll(by, &left, 1, &right, 1);
  };
  std::stable_sort(characters.begin(), characters.end(), [&](UChar left, UChar right) {
    return compare(collator, left, right) == UCOL_LESS;
  });
  // Characters must differ in their first-level weights wherever they differ
  // at all (letter case aside): otherwise a later character could decide
  // between two texts before an earlier one does, and no per-character
  // weight follows that.
  using CollatorPointer = std::unique_ptr<UCollator, decltype(&ucol_close)>;
  CollatorPointer primary(ucol_open(UserLocale().getName(), &status), &ucol_close);
  if (U_FAILURE(status)) return {};
  ucol_setStrength(primary.get(), UCOL_PRIMARY);
  uint8_t weight = 0;
  for (size_t index = 0; index < characters.size(); ++index) {
    if (index == 0 || compare(collator, characters[index - 1], characters[index]) != UCOL_EQUAL) {
      if (index > 0 &&
          compare(primary.get(), characters[index - 1], characters[index]) == UCOL_EQUAL) {
        return {};
      }
      ++weight;
    }
    weights[characters[index]] = weight;
  }
  return weights;
}

std::string ToUtf8(const icu::UnicodeString& text) {
  std::string result;
  text.toUTF8String(result);
  return result;
}

bool IsAscii(std::string_view text) {
  for (unsigned char c : text) {
    if (c >= 0x80) return false;
  }
  return true;
}

bool IsTrimmed(char c) {
  return static_cast<unsigned char>(c) <= ' ';
}

}  // namespace

std::string AnsiUpperCase(std::string_view text) {
  if (IsAscii(text)) return UpperCase(text);
  icu::UnicodeString unicode =
      icu::UnicodeString::fromUTF8(icu::StringPiece(text.data(), int32_t(text.size())));
  return ToUtf8(unicode.toUpper(UserLocale()));
}

std::string AnsiLowerCase(std::string_view text) {
  if (IsAscii(text)) return LowerCase(text);
  icu::UnicodeString unicode =
      icu::UnicodeString::fromUTF8(icu::StringPiece(text.data(), int32_t(text.size())));
  return ToUtf8(unicode.toLower(UserLocale()));
}

std::string UpperCase(std::string_view text) {
  std::string result(text);
  for (char& c : result) {
    if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
  }
  return result;
}

std::string LowerCase(std::string_view text) {
  std::string result(text);
  for (char& c : result) {
    if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
  }
  return result;
}

int AnsiCompareStr(std::string_view left, std::string_view right) {
  const int result = Collate(left, right, false);
  // Texts the collation cannot tell apart (invalid UTF-8, ignorable
  // characters) are still different texts: order them by their bytes.
  return result != 0 ? result : ByteCompare(left, right);
}

int AnsiCompareText(std::string_view left, std::string_view right) {
  return Collate(left, right, true);
}

bool AnsiSameText(std::string_view left, std::string_view right) {
  return left == right || AnsiCompareText(left, right) == 0;
}

bool AnsiSameStr(std::string_view left, std::string_view right) {
  return left == right;
}

std::string CollationKey(std::string_view text, bool caseInsensitive) {
  UCollator* collator = Collator(caseInsensitive);
  std::string raw(text);
  if (collator == nullptr) return raw;
  UErrorCode status = U_ZERO_ERROR;
  std::vector<UChar> utf16(text.size() + 1);
  int32_t utf16Length = 0;
  u_strFromUTF8WithSub(utf16.data(), int32_t(utf16.size()), &utf16Length, text.data(),
                       int32_t(text.size()), 0xFFFD, nullptr, &status);
  if (U_FAILURE(status)) return raw;
  std::string key(size_t(utf16Length) * 4 + 16, '\0');
  int32_t keyLength = ucol_getSortKey(collator, utf16.data(), utf16Length,
                                      reinterpret_cast<uint8_t*>(key.data()), int32_t(key.size()));
  if (keyLength > int32_t(key.size())) {
    key.assign(size_t(keyLength), '\0');
    keyLength = ucol_getSortKey(collator, utf16.data(), utf16Length,
                                reinterpret_cast<uint8_t*>(key.data()), int32_t(key.size()));
  }
  // The key ends with its own zero byte. The case-sensitive key carries the
  // raw bytes after it, so that it orders exactly as AnsiCompareStr does.
  key.resize(size_t(keyLength));
  if (!caseInsensitive) key += raw;
  return key;
}

const std::array<uint8_t, 128>& AsciiCollationWeights() {
  static const std::array<uint8_t, 128> weights = MakeAsciiWeights();
  return weights;
}

std::string Trim(std::string_view text) {
  return TrimRight(TrimLeft(text));
}

std::string TrimLeft(std::string_view text) {
  size_t start = 0;
  while (start < text.size() && IsTrimmed(text[start])) ++start;
  return std::string(text.substr(start));
}

std::string TrimRight(std::string_view text) {
  size_t end = text.size();
  while (end > 0 && IsTrimmed(text[end - 1])) --end;
  return std::string(text.substr(0, end));
}

std::vector<std::string> SplitFieldNames(std::string_view names) {
  std::vector<std::string> result;
  size_t start = 0;
  while (start <= names.size()) {
    size_t end = names.find(';', start);
    if (end == std::string_view::npos) end = names.size();
    std::string name = Trim(names.substr(start, end - start));
    if (!name.empty()) result.push_back(std::move(name));
    start = end + 1;
  }
  return result;
}

size_t Utf8Length(std::string_view text) {
  size_t count = 0;
  for (unsigned char c : text) {
    if ((c & 0xC0) != 0x80) ++count;
  }
  return count;
}

std::string_view Utf8Truncate(std::string_view text, size_t maxBytes) {
  if (text.size() <= maxBytes) return text;
  size_t end = maxBytes;
  // Step back over continuation bytes to the start of the cut character.
  while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
  return text.substr(0, end);
}

std::string_view Utf8Left(std::string_view text, size_t maxChars) {
  size_t chars = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) {
      if (chars == maxChars) return text.substr(0, i);
      ++chars;
    }
  }
  return text;
}

std::string QuotedStr(std::string_view text) {
  std::string result;
  result.reserve(text.size() + 2);
  AppendQuotedStr(result, text);
  return result;
}

void AppendQuotedStr(std::string& out, std::string_view text) {
  out += '\'';
  for (size_t at = 0;;) {
    const size_t apostrophe = text.find('\'', at);
    out.append(text.substr(at, apostrophe - at));
    if (apostrophe == std::string_view::npos) break;
    out += "''";
    at = apostrophe + 1;
  }
  out += '\'';
}

std::string zSpaceToChar(std::string_view text, char replacement) {
  std::string result(text);
  for (char& c : result) {
    if (c == ' ') c = replacement;
  }
  return result;
}

}  // namespace morvane
