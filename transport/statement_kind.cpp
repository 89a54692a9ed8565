#include "transport/statement_kind.h"

#include "transport/sql_tokenizer.h"

namespace morvane::transport {

namespace {

bool IsChangingKeyword(const Token& token) {
  return IsKeyword(token, "INSERT") || IsKeyword(token, "UPDATE") || IsKeyword(token, "DELETE") ||
         IsKeyword(token, "REPLACE");
}

}  // namespace

bool ChangesRows(std::string_view statement) {
  const std::vector<Token> tokens = TokenizeSql(statement);
  size_t first = 0;
  while (first < tokens.size() && IsBlankToken(tokens[first])) ++first;
  if (first == tokens.size()) return false;
  if (IsChangingKeyword(tokens[first])) return true;
  if (!IsKeyword(tokens[first], "WITH")) return false;
  // The main statement is the first statement keyword outside the
  // parentheses of the common table expressions.
  int depth = 0;
  for (size_t index = first + 1; index < tokens.size(); ++index) {
    const Token& token = tokens[index];
    if (token.text == "(") ++depth;
    if (token.text == ")") --depth;
    if (depth != 0 || token.kind != TokenKind::kWord) continue;
    if (IsChangingKeyword(token)) return true;
    if (IsKeyword(token, "SELECT")) return false;
  }
  return false;
}

}  // namespace morvane::transport
