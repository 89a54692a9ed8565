#include "transport/sql_gateway.h"

#include <array>
#include <cstdio>

#include "transport/exact_comparison.h"
#include "transport/sql_tokenizer.h"

namespace morvane::transport {

namespace {

constexpr std::array<std::string_view, 15> kStatementStarters = {
    "SELECT",  "INSERT",   "UPDATE", "DELETE", "CREATE", "DROP",    "ALTER", "WITH",
    "REPLACE", "TRUNCATE", "PRAGMA", "GRANT",  "REVOKE", "ANALYZE", "VACUUM"};

// Other words that begin a statement: a request starting with one of them
// carries no user id.
constexpr std::array<std::string_view, 26> kOtherStatementWords = {
    "EXPLAIN", "VALUES",  "SET",     "SHOW",    "BEGIN",  "COMMIT",  "ROLLBACK",
    "END",     "CALL",    "DO",      "COPY",    "LOCK",   "COMMENT", "DECLARE",
    "FETCH",   "MERGE",   "RESET",   "DISCARD", "ATTACH", "DETACH",  "SAVEPOINT",
    "RELEASE", "EXECUTE", "REINDEX", "REFRESH", "PREPARE"};

// Words after which a statement is certainly not complete.
constexpr std::array<std::string_view, 22> kJoiningWords = {
    "UNION", "ALL",   "EXCEPT", "INTERSECT", "AS",     "IN",      "EXISTS", "AND",
    "OR",    "NOT",   "THEN",   "ELSE",      "WHEN",   "ANY",     "SOME",   "EXPLAIN",
    "FROM",  "WHERE", "SELECT", "SET",       "VALUES", "DISTINCT"};

bool IsStatementStarter(const Token& token) {
  for (std::string_view keyword : kStatementStarters) {
    if (IsKeyword(token, keyword)) return true;
  }
  return false;
}

bool IsJoiningWord(const Token& token) {
  for (std::string_view keyword : kJoiningWords) {
    if (IsKeyword(token, keyword)) return true;
  }
  return false;
}

std::string_view Trim(std::string_view text) {
  const auto isBlank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
  while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
  return text;
}

// Tracks what the statement being scanned has seen so far, to tell whether a
// line break may end it.
struct StatementState {
  const Token* first = nullptr;  // first meaningful token
  const Token* last = nullptr;   // last meaningful token
  bool lastEndsLiteral = false;  // `last` is the closing '#' of a date literal
  bool waitingForBody = false;   // INSERT/REPLACE/WITH before its body
};

// A statement may end after any complete token: a literal (text, number or
// date), a name (plain or quoted) or a closing parenthesis; never after an
// operator, a comma, an opening parenthesis or a joining word.
bool MayEndAfter(const StatementState& state) {
  if (state.last == nullptr) return false;
  if (state.waitingForBody) return false;
  if (state.lastEndsLiteral) return true;
  const Token& last = *state.last;
  if (last.kind == TokenKind::kPunct) return last.text == ")";
  return !IsJoiningWord(last);
}

void Note(StatementState& state, const Token& token, int depth) {
  if (state.first == nullptr) {
    state.first = &token;
    state.waitingForBody =
        IsKeyword(token, "INSERT") || IsKeyword(token, "REPLACE") || IsKeyword(token, "WITH");
  } else if (state.waitingForBody && depth == 0) {
    const bool insert = !IsKeyword(*state.first, "WITH");
    if (insert ? (IsKeyword(token, "VALUES") || IsKeyword(token, "SELECT") ||
                  IsKeyword(token, "DEFAULT"))
               : (IsKeyword(token, "SELECT") || IsKeyword(token, "INSERT") ||
                  IsKeyword(token, "UPDATE") || IsKeyword(token, "DELETE"))) {
      state.waitingForBody = false;
    }
  }
  state.last = &token;
  state.lastEndsLiteral = false;
}

const Token* NextMeaningful(const std::vector<Token>& tokens, size_t index) {
  for (size_t i = index; i < tokens.size(); ++i) {
    if (!IsBlankToken(tokens[i])) return &tokens[i];
  }
  return nullptr;
}

// --- date literals -------------------------------------------------------

struct DateTimeParts {
  bool hasDate = false;
  bool hasTime = false;
  int year = 0, month = 0, day = 0;
  int hour = 0, minute = 0, second = 0, millisecond = 0;
};

class LiteralScanner {
 public:
  explicit LiteralScanner(std::string_view text) : text_(text) {}

  bool Number(int maxDigits, int& value) {
    int digits = 0;
    value = 0;
    while (position_ < text_.size() && digits < maxDigits && text_[position_] >= '0' &&
           text_[position_] <= '9') {
      value = value * 10 + (text_[position_] - '0');
      ++position_;
      ++digits;
    }
    return digits > 0;
  }
  bool Char(std::string_view allowed) {
    if (position_ < text_.size() && allowed.find(text_[position_]) != std::string_view::npos) {
      ++position_;
      return true;
    }
    return false;
  }
  bool Peek(std::string_view allowed) const {
    return position_ < text_.size() && allowed.find(text_[position_]) != std::string_view::npos;
  }
  void SkipBlanks() {
    while (position_ < text_.size() && text_[position_] == ' ') ++position_;
  }
  size_t Position() const { return position_; }

 private:
  std::string_view text_;
  size_t position_ = 0;
};

bool ParseTime(LiteralScanner& scanner, DateTimeParts& parts) {
  if (!scanner.Number(2, parts.hour) || !scanner.Char(":") || !scanner.Number(2, parts.minute)) {
    return false;
  }
  if (scanner.Char(":")) {
    if (!scanner.Number(2, parts.second)) return false;
    if (scanner.Char(".")) {
      int fraction = 0;
      const size_t start = scanner.Position();
      if (!scanner.Number(3, fraction)) return false;
      for (size_t digits = scanner.Position() - start; digits < 3; ++digits) fraction *= 10;
      parts.millisecond = fraction;
    }
  }
  parts.hasTime = true;
  return parts.hour <= 23 && parts.minute <= 59 && parts.second <= 59;
}

bool ValidDate(int year, int month, int day) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1) return false;
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return day <= kDays[month - 1] + ((month == 2 && leap) ? 1 : 0);
}

// Parses "#...#" at the start of `text`; returns its length, or 0.
size_t ParseHashLiteral(std::string_view text, DateTimeParts& parts) {
  if (text.empty() || text[0] != '#') return 0;
  const size_t close = text.find('#', 1);
  if (close == std::string_view::npos || close > 40) return 0;
  LiteralScanner scanner(text.substr(1, close - 1));
  scanner.SkipBlanks();
  int first = 0;
  if (!scanner.Number(4, first)) return 0;
  if (scanner.Peek(":")) {
    LiteralScanner timeScanner(text.substr(1, close - 1));
    timeScanner.SkipBlanks();
    if (!ParseTime(timeScanner, parts)) return 0;
    scanner = timeScanner;
  } else {
    parts.month = first;
    if (!scanner.Char("/.-") || !scanner.Number(2, parts.day) || !scanner.Char("/.-") ||
        !scanner.Number(4, parts.year)) {
      return 0;
    }
    if (!ValidDate(parts.year, parts.month, parts.day)) return 0;
    parts.hasDate = true;
    scanner.SkipBlanks();
    if (scanner.Peek("0123456789") && !ParseTime(scanner, parts)) return 0;
  }
  scanner.SkipBlanks();
  if (scanner.Position() != close - 1) return 0;
  return close + 1;
}

std::string FormatLiteral(const DateTimeParts& parts, SqlDialect dialect) {
  char text[64];
  char datePart[16] = "";
  char timePart[24] = "";
  if (parts.hasDate) {
    std::snprintf(datePart, sizeof datePart, "%04d-%02d-%02d", parts.year, parts.month, parts.day);
  }
  if (parts.hasTime) {
    if (parts.millisecond != 0) {
      std::snprintf(timePart, sizeof timePart, "%02d:%02d:%02d.%03d", parts.hour, parts.minute,
                    parts.second, parts.millisecond);
    } else {
      std::snprintf(timePart, sizeof timePart, "%02d:%02d:%02d", parts.hour, parts.minute,
                    parts.second);
    }
  }
  const char* separator = parts.hasDate && parts.hasTime ? " " : "";
  // PostgreSQL and MariaDB get typed literals so that the value compares and inserts
  // as a date even where no column gives it a type; SQLite keeps dates as
  // ISO texts, which sort and compare correctly as they are.
  const char* prefix = "";
  if (dialect != SqlDialect::kSQLite) {
    prefix = parts.hasDate && parts.hasTime ? "TIMESTAMP " : parts.hasDate ? "DATE " : "TIME ";
  }
  std::snprintf(text, sizeof text, "%s'%s%s%s'", prefix, datePart, separator, timePart);
  return text;
}

// In "UPDATE t SET a.b = ..., c.d = ...": the index just past the qualified
// name that starts at `index` when it is an assignment target, else `index`.
size_t SkipQualifier(const std::vector<Token>& tokens, size_t index, size_t& lastPart) {
  size_t position = index;
  size_t parts = 0;
  while (position < tokens.size() && (tokens[position].kind == TokenKind::kWord ||
                                      tokens[position].kind == TokenKind::kQuotedName)) {
    lastPart = position;
    ++parts;
    if (position + 1 < tokens.size() && tokens[position + 1].text == ".") {
      position += 2;
    } else {
      ++position;
      break;
    }
  }
  return parts >= 2 ? position : index;
}

}  // namespace

std::vector<std::string> SplitStatements(std::string_view request) {
  const std::vector<Token> tokens = TokenizeSql(request);
  std::vector<std::string> statements;
  size_t statementStart = 0;
  int depth = 0;
  StatementState state;
  const auto finish = [&](size_t end) {
    const std::string_view text = Trim(request.substr(statementStart, end - statementStart));
    if (!text.empty()) statements.emplace_back(text);
    state = StatementState{};
  };
  for (size_t i = 0; i < tokens.size(); ++i) {
    const Token& token = tokens[i];
    if (token.kind == TokenKind::kPunct) {
      if (token.text == "(") ++depth;
      if (token.text == ")" && depth > 0) --depth;
      if (token.text == ";" && depth == 0) {
        finish(token.offset);
        statementStart = token.offset + 1;
        continue;
      }
    }
    if (token.kind == TokenKind::kPunct && token.text == "#") {
      // A date literal is one complete token, though the tokenizer sees
      // '#', numbers and separators (and blanks in a date with a time).
      DateTimeParts parts;
      const size_t length = ParseHashLiteral(request.substr(token.offset), parts);
      if (length > 0) {
        Note(state, token, depth);
        const size_t end = token.offset + length;
        while (i + 1 < tokens.size() && tokens[i + 1].offset < end) ++i;
        state.last = &tokens[i];
        state.lastEndsLiteral = true;
        continue;
      }
    }
    if (token.kind == TokenKind::kLineBreak && depth == 0) {
      const Token* next = NextMeaningful(tokens, i + 1);
      if (next != nullptr && IsStatementStarter(*next) && MayEndAfter(state)) {
        finish(token.offset);
        statementStart = token.offset;
      }
      continue;
    }
    if (!IsBlankToken(token)) Note(state, token, depth);
  }
  finish(request.size());
  return statements;
}

std::string TranslateStatement(std::string_view statement, SqlDialect dialect) {
  const std::vector<Token> tokens = TokenizeSql(statement);
  std::string result;
  result.reserve(statement.size() + 16);

  const Token* first = NextMeaningful(tokens, 0);
  const bool isUpdate = first != nullptr && IsKeyword(*first, "UPDATE");
  bool inSetClause = false;
  bool atTarget = false;
  int depth = 0;

  for (size_t i = 0; i < tokens.size(); ++i) {
    const Token& token = tokens[i];
    if (token.kind == TokenKind::kPunct && token.text == "#") {
      DateTimeParts parts;
      const size_t length = ParseHashLiteral(statement.substr(token.offset), parts);
      if (length > 0) {
        result += FormatLiteral(parts, dialect);
        const size_t end = token.offset + length;
        while (i + 1 < tokens.size() && tokens[i + 1].offset < end) ++i;
        atTarget = false;
        continue;
      }
    }
    if (token.kind == TokenKind::kPunct) {
      if (token.text == "(") ++depth;
      if (token.text == ")" && depth > 0) --depth;
    }
    if (isUpdate && depth == 0 && token.kind == TokenKind::kWord) {
      if (IsKeyword(token, "SET")) {
        inSetClause = true;
        atTarget = true;
        result += token.text;
        continue;
      }
      if (IsKeyword(token, "WHERE") || IsKeyword(token, "FROM") || IsKeyword(token, "RETURNING")) {
        inSetClause = false;
      }
    }
    if (inSetClause && depth == 0 && token.kind == TokenKind::kPunct && token.text == ",") {
      atTarget = true;
      result += token.text;
      continue;
    }
    if (atTarget && !IsBlankToken(token)) {
      atTarget = false;
      size_t lastPart = i;
      const size_t after = SkipQualifier(tokens, i, lastPart);
      if (after != i) {
        result += tokens[lastPart].text;
        i = after - 1;
        continue;
      }
    }
    result += token.text;
  }
  if (dialect == SqlDialect::kMariaDB) return MakeComparisonsExact(result, "utf8mb4_nopad_bin");
  if (dialect == SqlDialect::kMySQL) return MakeComparisonsExact(result, "utf8mb4_0900_bin");
  return result;
}

bool ControlsTransaction(std::string_view statement) {
  const std::vector<Token> tokens = TokenizeSql(statement.substr(0, 256));
  const Token* first = NextMeaningful(tokens, 0);
  if (first == nullptr) return false;
  for (std::string_view keyword : {"BEGIN", "START", "COMMIT", "END", "ABORT"}) {
    if (IsKeyword(*first, keyword)) return true;
  }
  if (!IsKeyword(*first, "ROLLBACK")) return false;
  // ROLLBACK [TRANSACTION|WORK] TO [SAVEPOINT] name only undoes part of it.
  for (const Token& token : tokens) {
    if (IsKeyword(token, "TO")) return false;
  }
  return true;
}

std::string_view StripUserId(std::string_view request) {
  // SQL starts with a statement keyword, an opening parenthesis or a
  // comment; a user id does not.
  const auto startsStatement = [](std::string_view text) {
    const std::string_view head = Trim(text.substr(0, 64));
    if (head.substr(0, 2) == "--" || head.substr(0, 2) == "/*") return true;
    const std::vector<Token> tokens = TokenizeSql(head);
    const Token* first = NextMeaningful(tokens, 0);
    if (first == nullptr) return false;
    if (IsStatementStarter(*first) || first->text == "(") return true;
    for (std::string_view keyword : kOtherStatementWords) {
      if (IsKeyword(*first, keyword)) return true;
    }
    return false;
  };
  // A login name: letters, digits and '_'. Anything else in front of a
  // keyword ("#DELETE", "//UPDATE") is the operator's text and goes to the
  // server as written, to fail there with the server's reason.
  const auto isIdCharacter = [](char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
  };
  if (startsStatement(request)) return request;
  constexpr size_t kUserIdLength = 10;
  if (request.size() <= kUserIdLength) return request;
  // A short id is padded with blanks to ten characters.
  const std::string_view padded = request.substr(0, kUserIdLength);
  size_t idEnd = 0;
  while (idEnd < padded.size() && isIdCharacter(padded[idEnd])) ++idEnd;
  const bool blanksAfterId =
      idEnd > 0 && padded.find_first_not_of(' ', idEnd) == std::string_view::npos;
  // After a padded id, text that starts with no word ("#UPDATE ...") is the
  // operator's, sent on as written; a word must begin a statement, or the
  // blanks may belong to SQL that starts with a word ("COMMENT   ON ...").
  const std::string_view rest = request.substr(kUserIdLength);
  if ((blanksAfterId && !isIdCharacter(rest.front())) ||
      ((blanksAfterId || idEnd == kUserIdLength) && startsStatement(rest))) {
    return rest;
  }
  // A longer id is sent whole and unpadded, straight before the SQL: the
  // first statement keyword after ten or more id characters ends it.
  if (idEnd < kUserIdLength) return request;
  const size_t searchLimit = std::min<size_t>(request.size(), 128);
  for (size_t position = kUserIdLength + 1; position < searchLimit; ++position) {
    if (!isIdCharacter(request[position - 1])) break;
    const std::string_view sql = request.substr(position);
    for (std::string_view keyword : kStatementStarters) {
      if (sql.size() < keyword.size()) continue;
      bool match = true;
      for (size_t k = 0; k < keyword.size() && match; ++k) {
        char letter = sql[k];
        if (letter >= 'a' && letter <= 'z') letter = static_cast<char>(letter - 'a' + 'A');
        match = letter == keyword[k];
      }
      if (match && startsStatement(sql)) return sql;
    }
  }
  return request;
}

}  // namespace morvane::transport
