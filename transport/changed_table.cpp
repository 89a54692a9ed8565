#include "transport/changed_table.h"

#include <vector>

#include "transport/sql_tokenizer.h"

namespace morvane::transport {

namespace {

bool IsModifier(const Token& token) {
  for (std::string_view word :
       {"LOW_PRIORITY", "HIGH_PRIORITY", "DELAYED", "IGNORE", "QUICK", "INTO", "FROM"}) {
    if (IsKeyword(token, word)) return true;
  }
  return false;
}

// A name token without its quotes. The tokenizer does not know backticks,
// so `name` arrives as the punctuation '`', a word and '`'.
std::string Unquoted(const Token& token) {
  std::string_view text = token.text;
  if (token.kind == TokenKind::kQuotedName && text.size() >= 2)
    text = text.substr(1, text.size() - 2);
  return std::string(text);
}

}  // namespace

TableName ChangedTable(std::string_view statement) {
  std::vector<Token> tokens;
  for (const Token& token : TokenizeSql(statement)) {
    if (!IsBlankToken(token) && token.text != "`") tokens.push_back(token);
  }
  size_t at = 0;
  int depth = 0;
  // Behind WITH, the main statement is the first changing keyword outside
  // the parentheses of the common table expressions.
  for (; at < tokens.size(); ++at) {
    const Token& token = tokens[at];
    if (token.text == "(") ++depth;
    if (token.text == ")") --depth;
    if (depth == 0 && (IsKeyword(token, "UPDATE") || IsKeyword(token, "INSERT") ||
                       IsKeyword(token, "DELETE") || IsKeyword(token, "REPLACE"))) {
      break;
    }
    if (at == 0 && !IsKeyword(token, "WITH")) return {};
  }
  if (at == tokens.size()) return {};
  ++at;
  while (at < tokens.size() && IsModifier(tokens[at])) ++at;
  if (at >= tokens.size() ||
      (tokens[at].kind != TokenKind::kWord && tokens[at].kind != TokenKind::kQuotedName)) {
    return {};
  }
  TableName name{"", Unquoted(tokens[at])};
  if (at + 2 < tokens.size() && tokens[at + 1].text == "." &&
      (tokens[at + 2].kind == TokenKind::kWord || tokens[at + 2].kind == TokenKind::kQuotedName)) {
    name.schema = name.table;
    name.table = Unquoted(tokens[at + 2]);
  }
  return name;
}

}  // namespace morvane::transport
