#include "transport/exact_comparison.h"

#include <initializer_list>
#include <vector>

#include "transport/sql_tokenizer.h"

namespace morvane::transport {

namespace {

bool IsAnyKeyword(const Token& token, std::initializer_list<std::string_view> words) {
  for (std::string_view word : words) {
    if (IsKeyword(token, word)) return true;
  }
  return false;
}

// Words that are never a column name in the program's conditions.
bool IsReservedWord(const Token& token) {
  return IsAnyKeyword(
      token, {"AND",  "OR",     "NOT",     "XOR",      "WHERE", "ON",     "HAVING",    "WHEN",
              "THEN", "ELSE",   "END",     "CASE",     "NULL",  "TRUE",   "FALSE",     "BINARY",
              "IN",   "EXISTS", "SELECT",  "INTERVAL", "DATE",  "TIME",   "TIMESTAMP", "DISTINCT",
              "FROM", "BY",     "COLLATE", "LIKE",     "IS",    "BETWEEN"});
}

// Where a condition may start: after these a comparison stands alone.
bool IsConditionStart(const Token* before) {
  if (before == nullptr) return true;
  if (before->kind == TokenKind::kPunct) return before->text == "(" || before->text == ",";
  return IsAnyKeyword(*before, {"WHERE", "AND", "OR", "NOT", "XOR", "ON", "HAVING", "WHEN"});
}

// Where an operand ends: after a comparison these leave it whole.
bool IsOperandEnd(const Token* after) {
  if (after == nullptr) return true;
  if (after->kind == TokenKind::kPunct) {
    return after->text == ")" || after->text == "," || after->text == ";";
  }
  return IsAnyKeyword(
      *after, {"AND", "OR", "XOR", "THEN", "ELSE", "END", "WHEN", "GROUP", "ORDER", "HAVING",
               "LIMIT", "UNION", "EXCEPT", "INTERSECT", "RETURNING", "WINDOW", "FOR"});
}

bool IsNamePart(const Token& token) {
  return (token.kind == TokenKind::kWord && !IsReservedWord(token)) ||
         token.kind == TokenKind::kQuotedName;
}

// The statement's meaningful tokens (no blanks or comments), with their
// parenthesis depth, and the replacements planned for ranges of them.
class Rewriter {
 public:
  Rewriter(std::string_view statement, std::string_view collation)
      : statement_(statement), collation_(collation) {
    for (const Token& token : TokenizeSql(statement)) {
      if (!IsBlankToken(token)) tokens_.push_back(token);
    }
  }

  std::string Run() {
    if (tokens_.empty() || !IsAnyKeyword(tokens_[0], {"SELECT", "UPDATE", "DELETE", "WITH"})) {
      return std::string(statement_);
    }
    RewriteDistinct();
    bool inSetList = false;
    int setDepth = 0;
    int depth = 0;
    for (size_t at = 0; at < tokens_.size(); ++at) {
      const Token& token = tokens_[at];
      if (token.text == "(") ++depth;
      if (token.text == ")") {
        --depth;
        if (inSetList && depth < setDepth) inSetList = false;
      }
      if (token.kind == TokenKind::kWord) {
        if (IsKeyword(token, "SET")) {
          inSetList = true;
          setDepth = depth;
          continue;
        }
        if (inSetList && depth == setDepth &&
            IsAnyKeyword(token, {"WHERE", "FROM", "ORDER", "LIMIT", "RETURNING"})) {
          inSetList = false;
        }
        if (IsKeyword(token, "BY") && at > 0 && IsKeyword(tokens_[at - 1], "GROUP")) {
          at = RewriteGroupList(at + 1) - 1;
          continue;
        }
      }
      if (!inSetList && IsConditionStart(at > 0 ? &tokens_[at - 1] : nullptr)) {
        const size_t end = RewriteComparison(at);
        if (end != at) at = end - 1;
      }
    }
    return Output();
  }

 private:
  struct Edit {
    size_t first;  // first token replaced
    size_t last;   // one past the last
    std::string text;
  };

  const Token* At(size_t index) const { return index < tokens_.size() ? &tokens_[index] : nullptr; }

  // A qualified name (a.b, "a"."b") starting at `at`: one past it, or `at`.
  size_t NameEnd(size_t at) const {
    if (at >= tokens_.size() || !IsNamePart(tokens_[at])) return at;
    size_t end = at + 1;
    while (end + 1 < tokens_.size() && tokens_[end].text == "." && IsNamePart(tokens_[end + 1])) {
      end += 2;
    }
    // A function call or a name followed by a dot of something else is no
    // plain column.
    if (end < tokens_.size() && (tokens_[end].text == "(" || tokens_[end].text == ".")) return at;
    return end;
  }

  // The source text of tokens [first, last).
  std::string_view Text(size_t first, size_t last) const {
    const size_t begin = tokens_[first].offset;
    const size_t end = tokens_[last - 1].offset + tokens_[last - 1].text.size();
    return statement_.substr(begin, end - begin);
  }

  std::string Exact(std::string_view literal) const {
    return std::string(literal) + " COLLATE " + std::string(collation_);
  }
  static std::string GroupKey(std::string_view name) {
    return "CAST(CONVERT(" + std::string(name) + " USING utf8mb4) AS BINARY)";
  }

  bool Adjacent(size_t left, size_t right) const {
    return tokens_[left].offset + tokens_[left].text.size() == tokens_[right].offset;
  }

  // name = 'x', name <> 'x', name [NOT] IN ('x', ...): one past the
  // comparison when it was rewritten, else `at`.
  size_t RewriteComparison(size_t at) {
    const size_t nameEnd = NameEnd(at);
    if (nameEnd == at) return at;
    const std::string_view name = Text(at, nameEnd);
    size_t next = nameEnd;
    const Token* op = At(next);
    if (op == nullptr) return at;
    if (op->text == "=" ||
        ((op->text == "<" || op->text == "!") && At(next + 1) != nullptr &&
         Adjacent(next, next + 1) && At(next + 1)->text == (op->text == "<" ? ">" : "="))) {
      const bool equal = op->text == "=";
      next += equal ? 1 : 2;
      const Token* literal = At(next);
      if (literal == nullptr || literal->kind != TokenKind::kLiteral ||
          !IsOperandEnd(At(next + 1))) {
        return at;
      }
      const std::string_view operation = Text(nameEnd, next);
      const std::string exact =
          std::string(name) + " " + std::string(operation) + " " + Exact(literal->text);
      edits_.push_back({at, next + 1,
                        equal ? "(" + std::string(Text(at, next + 1)) + " AND " + exact + ")"
                              : "(" + exact + ")"});
      return next + 1;
    }
    const bool negated = IsKeyword(*op, "NOT");
    if (negated) ++next;
    if (At(next) == nullptr || !IsKeyword(*At(next), "IN") || At(next + 1) == nullptr ||
        At(next + 1)->text != "(") {
      return at;
    }
    std::string exactList;
    size_t item = next + 2;
    for (;; item += 2) {
      const Token* literal = At(item);
      const Token* separator = At(item + 1);
      if (literal == nullptr || literal->kind != TokenKind::kLiteral || separator == nullptr) {
        return at;
      }
      if (!exactList.empty()) exactList += ", ";
      exactList += Exact(literal->text);
      if (separator->text == ")") break;
      if (separator->text != ",") return at;
    }
    const size_t end = item + 2;
    if (!IsOperandEnd(At(end))) return at;
    const std::string exact =
        std::string(name) + (negated ? " NOT IN (" : " IN (") + exactList + ")";
    edits_.push_back(
        {at, end,
         negated ? "(" + exact + ")" : "(" + std::string(Text(at, end)) + " AND " + exact + ")"});
    return end;
  }

  // GROUP BY a, b.c, ...: each item that is a plain name groups by its
  // bytes. Returns one past the list's last rewritten item (or `at`).
  size_t RewriteGroupList(size_t at) {
    size_t item = at;
    for (;;) {
      const size_t end = NameEnd(item);
      const Token* after = At(end);
      if (end == item || !(after == nullptr || after->text == "," || IsOperandEnd(after))) {
        return item;
      }
      edits_.push_back({item, end, GroupKey(Text(item, end))});
      if (after == nullptr || after->text != ",") return end;
      item = end + 1;
    }
  }

  // SELECT DISTINCT name FROM ... (the whole statement's select list is one
  // name and it has no GROUP BY): the rows of each exact value.
  void RewriteDistinct() {
    if (tokens_.size() < 4 || !IsKeyword(tokens_[0], "SELECT") ||
        !IsKeyword(tokens_[1], "DISTINCT")) {
      return;
    }
    const size_t nameEnd = NameEnd(2);
    if (nameEnd == 2 || At(nameEnd) == nullptr || !IsKeyword(*At(nameEnd), "FROM")) return;
    int depth = 0;
    size_t insertAt = tokens_.size();
    for (size_t at = nameEnd; at < tokens_.size(); ++at) {
      const Token& token = tokens_[at];
      if (token.text == "(") ++depth;
      if (token.text == ")") --depth;
      if (depth != 0) continue;
      if (IsKeyword(token, "GROUP")) return;
      if (insertAt == tokens_.size() &&
          (token.text == ";" || IsAnyKeyword(token, {"ORDER", "LIMIT", "HAVING", "UNION", "EXCEPT",
                                                     "INTERSECT", "FOR", "INTO", "WINDOW"}))) {
        insertAt = at;
      }
    }
    distinctAt_ = 1;
    groupBy_ = "GROUP BY " + GroupKey(Text(2, nameEnd));
    groupByBefore_ = insertAt;
  }

  std::string Output() const {
    std::string out;
    size_t position = 0;  // in the statement
    const auto copyTo = [&](size_t offset) {
      out.append(statement_.substr(position, offset - position));
      position = offset;
    };
    size_t edit = 0;
    std::vector<Edit> edits = edits_;
    for (size_t at = 0; at < tokens_.size(); ++at) {
      if (at == groupByBefore_) {
        copyTo(tokens_[at].offset);
        out += groupBy_ + " ";
      }
      if (at == distinctAt_) {
        copyTo(tokens_[at].offset);
        position += tokens_[at].text.size();
        continue;
      }
      if (edit < edits.size() && edits[edit].first == at) {
        copyTo(tokens_[at].offset);
        out += edits[edit].text;
        const Token& last = tokens_[edits[edit].last - 1];
        position = last.offset + last.text.size();
        at = edits[edit].last - 1;
        ++edit;
      }
    }
    copyTo(statement_.size());
    // After a trailing comment, the clause needs a line of its own.
    if (!groupBy_.empty() && groupByBefore_ == tokens_.size()) out += "\n" + groupBy_;
    return out;
  }

  std::string_view statement_;
  std::string_view collation_;
  std::vector<Token> tokens_;
  std::vector<Edit> edits_;  // in token order, never overlapping
  size_t distinctAt_ = static_cast<size_t>(-1);
  std::string groupBy_;
  size_t groupByBefore_ = static_cast<size_t>(-1);
};

}  // namespace

std::string MakeComparisonsExact(std::string_view statement, std::string_view binaryCollation) {
  return Rewriter(statement, binaryCollation).Run();
}

}  // namespace morvane::transport
