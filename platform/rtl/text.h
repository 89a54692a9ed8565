// Text helpers. Texts are std::string holding UTF-8.
//
// The Ansi* functions follow the user's locale through ICU, so Cyrillic
// letters match across cases ("ёлка" upper-cases to "ЁЛКА"). Under the C or
// POSIX locale the Russian rules apply. UpperCase/LowerCase touch ASCII
// letters only. Invalid UTF-8 is compared and cased byte by byte rather than
// rejected: data never fails to sort.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace morvane {

std::string AnsiUpperCase(std::string_view text);
std::string AnsiLowerCase(std::string_view text);
std::string UpperCase(std::string_view text);  // ASCII letters only
std::string LowerCase(std::string_view text);  // ASCII letters only

// Locale collation: negative, zero or positive.
int AnsiCompareStr(std::string_view left, std::string_view right);   // case-sensitive
int AnsiCompareText(std::string_view left, std::string_view right);  // case-insensitive
bool AnsiSameText(std::string_view left, std::string_view right);
bool AnsiSameStr(std::string_view left, std::string_view right);  // exact bytes

// A key whose byte order (memcmp / std::string operator<) is the order of
// AnsiCompareText (caseInsensitive) or AnsiCompareStr. For sorts: prepare one
// key per value once instead of converting the text at every comparison.
std::string CollationKey(std::string_view text, bool caseInsensitive);

// Weights of the ASCII characters under the case-insensitive collation, for
// comparing texts without collation keys: when every byte of two texts has a
// non-zero weight, comparing their weights byte by byte (a prefix first)
// gives exactly the order of AnsiCompareText. A character the locale
// collates in context, expands, ignores or otherwise cannot weigh alone has
// weight 0: such texts need CollationKey.
const std::array<uint8_t, 128>& AsciiCollationWeights();

// Remove blanks and control characters (code <= 32) at the ends.
std::string Trim(std::string_view text);
std::string TrimLeft(std::string_view text);
std::string TrimRight(std::string_view text);

// The framework's field-name extraction: "a; b;c" -> {"a", "b", "c"}. Names
// are trimmed; empty names between separators are dropped.
std::vector<std::string> SplitFieldNames(std::string_view names);

// UTF-8 helpers. Lengths in the data model count bytes; what a person types
// counts characters.
size_t Utf8Length(std::string_view text);  // characters
// The longest prefix of at most maxBytes bytes that does not end inside a
// multi-byte character.
std::string_view Utf8Truncate(std::string_view text, size_t maxBytes);
// The first maxChars characters.
std::string_view Utf8Left(std::string_view text, size_t maxChars);

// Text with every apostrophe doubled, in apostrophes: O'Hara -> 'O''Hara'.
std::string QuotedStr(std::string_view text);
// The same appended to out, for texts built from many values.
void AppendQuotedStr(std::string& out, std::string_view text);

// The text with every blank replaced by the character.
std::string zSpaceToChar(std::string_view text, char replacement);

}  // namespace morvane
