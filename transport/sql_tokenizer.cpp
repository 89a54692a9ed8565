#include "transport/sql_tokenizer.h"

namespace morvane::transport {

namespace {

bool IsWordStart(unsigned char c) {
  // Bytes of multi-byte UTF-8 characters count as letters, so Cyrillic
  // identifiers stay one word.
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c >= 0x80;
}

bool IsWordPart(unsigned char c) {
  return IsWordStart(c) || (c >= '0' && c <= '9') || c == '$';
}

bool IsDigit(unsigned char c) {
  return c >= '0' && c <= '9';
}

// End of a literal or quoted name that opened at `start` with `quote`; a
// doubled closing quote stands for one quote character inside.
size_t QuotedEnd(std::string_view sql, size_t start, char closing) {
  size_t position = start + 1;
  while (position < sql.size()) {
    if (sql[position] == closing) {
      if (position + 1 < sql.size() && sql[position + 1] == closing && closing != ']') {
        position += 2;
        continue;
      }
      return position + 1;
    }
    ++position;
  }
  return sql.size();
}

}  // namespace

std::vector<Token> TokenizeSql(std::string_view sql) {
  std::vector<Token> tokens;
  size_t position = 0;
  while (position < sql.size()) {
    const size_t start = position;
    const unsigned char c = static_cast<unsigned char>(sql[position]);
    TokenKind kind = TokenKind::kPunct;
    if (c == '\'') {
      kind = TokenKind::kLiteral;
      position = QuotedEnd(sql, start, '\'');
    } else if (c == '"') {
      kind = TokenKind::kQuotedName;
      position = QuotedEnd(sql, start, '"');
    } else if (c == '[') {
      kind = TokenKind::kQuotedName;
      position = QuotedEnd(sql, start, ']');
    } else if (c == '\r' || c == '\n') {
      kind = TokenKind::kLineBreak;
      position += (c == '\r' && position + 1 < sql.size() && sql[position + 1] == '\n') ? 2 : 1;
    } else if (c == ' ' || c == '\t' || c == '\f' || c == '\v') {
      kind = TokenKind::kSpace;
      while (position < sql.size() && (sql[position] == ' ' || sql[position] == '\t' ||
                                       sql[position] == '\f' || sql[position] == '\v')) {
        ++position;
      }
    } else if (c == '-' && position + 1 < sql.size() && sql[position + 1] == '-') {
      kind = TokenKind::kComment;
      while (position < sql.size() && sql[position] != '\r' && sql[position] != '\n') {
        ++position;
      }
    } else if (c == '/' && position + 1 < sql.size() && sql[position + 1] == '*') {
      kind = TokenKind::kComment;
      const size_t close = sql.find("*/", position + 2);
      position = close == std::string_view::npos ? sql.size() : close + 2;
    } else if (IsWordStart(c)) {
      kind = TokenKind::kWord;
      while (position < sql.size() && IsWordPart(static_cast<unsigned char>(sql[position]))) {
        ++position;
      }
    } else if (IsDigit(c)) {
      kind = TokenKind::kNumber;
      while (position < sql.size() &&
             (IsDigit(static_cast<unsigned char>(sql[position])) || sql[position] == '.')) {
        ++position;
      }
    } else {
      ++position;
    }
    tokens.push_back({kind, sql.substr(start, position - start), start});
  }
  return tokens;
}

bool IsKeyword(const Token& token, std::string_view upperKeyword) {
  if (token.kind != TokenKind::kWord || token.text.size() != upperKeyword.size()) return false;
  for (size_t i = 0; i < upperKeyword.size(); ++i) {
    char c = token.text[i];
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    if (c != upperKeyword[i]) return false;
  }
  return true;
}

}  // namespace morvane::transport
