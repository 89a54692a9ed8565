// A small SQL tokenizer: just enough to find statement boundaries and the
// pieces the gateway rewrites, without understanding the grammar.
//
// It knows apostrophe literals ('it''s', may span lines), double-quoted and
// bracketed identifiers, -- and /* */ comments, words, numbers, line breaks
// (CR LF, LF or CR alone) and single punctuation characters. Tokens cover
// the input without gaps, so concatenating their texts gives the input back.
// An unterminated literal or comment runs to the end of the text; the back
// end reports it.
#pragma once

#include <string_view>
#include <vector>

namespace morvane::transport {

enum class TokenKind {
  kWord,        // identifier or keyword
  kQuotedName,  // "name" or [name]
  kLiteral,     // 'text'
  kNumber,
  kSpace,  // blanks and tabs
  kLineBreak,
  kComment,
  kPunct,  // one character: ( ) , ; . = # and the rest
};

struct Token {
  TokenKind kind;
  std::string_view text;
  size_t offset;  // position in the tokenized text
};

std::vector<Token> TokenizeSql(std::string_view sql);

// True for tokens that carry no meaning between two others.
inline bool IsBlankToken(const Token& token) {
  return token.kind == TokenKind::kSpace || token.kind == TokenKind::kLineBreak ||
         token.kind == TokenKind::kComment;
}

// Case-insensitive comparison of a word with an upper-case ASCII keyword.
bool IsKeyword(const Token& token, std::string_view upperKeyword);

}  // namespace morvane::transport
