#include "replace/undo_script.h"

#include <algorithm>
#include <fstream>
#include <unordered_map>
#include <unordered_set>

#include "platform/rtl/text.h"
#include "replace/builders.h"
#include "replace/plain_names.h"
#include "replace/replacement_messages.h"

namespace morvane {

namespace {

constexpr std::string_view kFirstLine = "-- Morvane undo script\n";
constexpr int kNamedKeys = 10;

std::string Qualified(const std::string& table, const std::string& name) {
  return table + "." + name;
}

std::string InList(const std::vector<std::string>& values) {
  std::string list;
  for (const std::string& value : values) {
    if (!list.empty()) list += ", ";
    list += QuotedStr(value);
  }
  return list;
}

// "CASE WHEN f = 'a' THEN 'a' WHEN f = 'b' THEN 'b' END": the value, of the
// given ones, that the server finds equal to the field's (NULL for none).
// The server's comparison decides (a char(n) pads, a number is a number),
// and the client gets back the very text it gave.
std::string MatchedValue(const std::string& field, const std::vector<std::string>& values) {
  std::string text = "CASE";
  std::unordered_set<std::string_view> seen;
  for (const std::string& value : values) {
    if (!seen.insert(value).second) continue;
    text += " WHEN " + field + " = " + QuotedStr(value) + " THEN " + QuotedStr(value);
  }
  return text + " END";
}

std::string UndoStatement(const UndoScript& undo, const UndoRow& row) {
  std::string statement;
  UndoRowText(undo).Append(statement, row.key, row.restoredValue, row.replacedValue);
  statement.resize(statement.size() - 2);  // without ";\n"
  return statement;
}

// Reads the undo file strictly: each piece must be what FormatUndoScript
// writes, so a file changed by hand is never half-understood.
class UndoReader {
 public:
  explicit UndoReader(std::string_view text) : text_(text) {}

  bool Literal(std::string_view expected) {
    if (text_.substr(at_, expected.size()) != expected) return false;
    Advance(expected.size());
    return true;
  }
  // The rest of the line, without its line end, as a header's name: the
  // statements are built from it, so it must be a plain name (a schema's
  // '.' allowed between plain parts), never SQL of its own.
  bool LineValue(std::string_view prefix, std::string& value) {
    if (!Literal(prefix)) return false;
    const size_t end = text_.find('\n', at_);
    if (end == std::string_view::npos || end == at_) return false;
    const std::string_view name = text_.substr(at_, end - at_);
    for (size_t start = 0; start <= name.size();) {
      const size_t dot = std::min(name.find('.', start), name.size());
      if (dot == start || !IsPlainName(name.substr(start, dot - start))) return false;
      start = dot + 1;
    }
    value = std::string(name);
    Advance(end + 1 - at_);
    return true;
  }
  // A text literal in apostrophes, inner apostrophes doubled.
  bool Quoted(std::string& value) {
    if (!Literal("'")) return false;
    value.clear();
    for (;;) {
      const size_t apostrophe = text_.find('\'', at_);
      if (apostrophe == std::string_view::npos) return false;
      value.append(text_.substr(at_, apostrophe - at_));
      Advance(apostrophe + 1 - at_);
      if (at_ == text_.size() || text_[at_] != '\'') return true;
      value += '\'';
      Advance(1);
    }
  }
  bool AtEnd() const { return at_ == text_.size(); }
  // The line where the reading stands, counted when asked (after a refusal).
  int Line() const { return 1 + int(std::count(text_.begin(), text_.begin() + long(at_), '\n')); }

 private:
  void Advance(size_t count) { at_ += count; }

  std::string_view text_;
  size_t at_ = 0;
};

// One statement as UndoRowText writes it, with its line end.
bool ReadUndoRow(UndoReader& reader, const UndoRowText& pieces, UndoRow& row) {
  return reader.Literal(pieces.Set()) && reader.Quoted(row.restoredValue) &&
         reader.Literal(pieces.Where()) && reader.Quoted(row.key) && reader.Literal(pieces.And()) &&
         reader.Quoted(row.replacedValue) && reader.Literal(pieces.End());
}

bool ReadUndoHeader(UndoReader& reader, UndoScript& read) {
  return reader.Literal(kFirstLine) && reader.LineValue("-- table: ", read.table) &&
         reader.LineValue("-- field: ", read.field) && reader.LineValue("-- key: ", read.keyField);
}

}  // namespace

std::vector<std::string> UndoScript::Statements() const {
  std::vector<std::string> statements;
  statements.reserve(rows.size());
  for (const UndoRow& row : rows) statements.push_back(UndoStatement(*this, row));
  return statements;
}

std::string CaptureQuery(const CMvCFG& cfg, CPeriod& period, const ReplacementPlan& plan) {
  if (cfg.SUnFld.empty() || plan.lines.empty()) return {};
  const std::vector<std::string> oldValues = plan.OldValues();
  std::string sql = "SELECT " + cfg.SrcFullKey + " AS k, " + cfg.SrcFullFld + " AS v, " +
                    MatchedValue(cfg.SrcFullFld, oldValues) + " AS m FROM " + cfg.SrcTbl +
                    " WHERE " + cfg.SrcFullFld + " IN (" + InList(oldValues) + ")";
  // The same restriction as every statement of the plan.
  if (cfg.AWFld) {
    const std::string condition = PeriodCondition(cfg, period);
    if (!condition.empty()) sql += " AND " + condition;
  }
  return sql;
}

bool TryBuildUndoScript(const CMvCFG& cfg, const ReplacementPlan& plan,
                        const std::vector<CapturedRow>& rows, UndoScript& undo,
                        std::string& error) {
  std::unordered_map<std::string_view, std::string_view> newValueOf;
  for (const ReplacementLine& line : plan.lines) newValueOf.emplace(line.oldValue, line.newValue);
  UndoScript built{cfg.SrcTbl, cfg.SrcFld, cfg.SUnFld, {}};
  built.rows.reserve(rows.size());
  std::unordered_set<std::string_view> keys;
  for (const CapturedRow& row : rows) {
    const auto mapped = newValueOf.find(row.PlanValue());
    if (mapped == newValueOf.end()) {
      // The capture query asked for the plan's values only.
      error = "Строка с ключом " + replacemsg::Quoted(row.key) + " не относится к замене";
      return false;
    }
    if (row.key.empty()) {  // a NULL key: the row cannot be named again
      error = replacemsg::KeyMissing(cfg.SrcFullKey, row.value);
      return false;
    }
    if (!keys.insert(row.key).second) {
      error = replacemsg::KeyNotUnique(cfg.SrcFullKey, row.key);
      return false;
    }
    built.rows.push_back({row.key, row.value, std::string(mapped->second)});
  }
  undo = std::move(built);
  return true;
}

std::string FormatUndoScript(const UndoScript& undo) {
  std::string text(kFirstLine);
  text += "-- table: " + undo.table + "\n";
  text += "-- field: " + undo.field + "\n";
  text += "-- key: " + undo.keyField + "\n";
  const UndoRowText line(undo);
  for (const UndoRow& row : undo.rows)
    line.Append(text, row.key, row.restoredValue, row.replacedValue);
  return text;
}

bool TryParseUndoScript(std::string_view text, UndoScript& undo, std::string& error) {
  UndoReader reader(text);
  UndoScript read;
  if (!ReadUndoHeader(reader, read)) {
    error = replacemsg::UndoLine(reader.Line(), replacemsg::kUndoNotOurs);
    return false;
  }
  const UndoRowText pieces(read);
  while (!reader.AtEnd()) {
    UndoRow row;
    if (!ReadUndoRow(reader, pieces, row)) {
      error = replacemsg::UndoLine(reader.Line(), replacemsg::kUndoNotOurs);
      return false;
    }
    read.rows.push_back(std::move(row));
  }
  undo = std::move(read);
  return true;
}

std::string FormatUndoHeader(const UndoScript& undo) {
  UndoScript header{undo.table, undo.field, undo.keyField, {}};
  return FormatUndoScript(header);
}

UndoRowText::UndoRowText(const UndoScript& undo)
    : pieces_{"UPDATE " + undo.table + " SET " + Qualified(undo.table, undo.field) + " = ",
              " WHERE " + Qualified(undo.table, undo.keyField) + " = ",
              " AND " + Qualified(undo.table, undo.field) + " = ", ";\n"} {}

void UndoRowText::Append(std::string& out, std::string_view key, std::string_view restoredValue,
                         std::string_view replacedValue) const {
  out += pieces_[0];
  AppendQuotedStr(out, restoredValue);
  out += pieces_[1];
  AppendQuotedStr(out, key);
  out += pieces_[2];
  AppendQuotedStr(out, replacedValue);
  out += pieces_[3];
}

std::string FormatUndoRow(const UndoScript& undo, const UndoRow& row) {
  std::string text;
  UndoRowText(undo).Append(text, row.key, row.restoredValue, row.replacedValue);
  return text;
}

struct UndoFileReader::File {
  std::ifstream in;
  std::string buffer;  // read from the file, not yet taken
  size_t at = 0;       // where the untaken text starts
  bool ended = false;  // the file has nothing more to read
  std::unique_ptr<UndoRowText> pieces;

  // Reads the next block of the file behind what is not taken yet.
  bool More() {
    if (ended) return false;
    buffer.erase(0, at);
    at = 0;
    constexpr size_t kBlock = size_t(1) << 20;
    const size_t had = buffer.size();
    buffer.resize(had + kBlock);
    in.read(buffer.data() + had, std::streamsize(kBlock));
    buffer.resize(had + size_t(in.gcount()));
    if (in.gcount() == 0) ended = true;
    return !ended;
  }
};

bool UndoFileReader::Open(const std::string& path, UndoScript& header, std::string& error) {
  file_ = std::make_shared<File>();
  file_->in.open(path, std::ios::binary);
  if (!file_->in) {
    error = "Не удалось открыть файл отмены " + path;
    return false;
  }
  std::string text;
  std::string line;
  for (int count = 0; count < 4 && std::getline(file_->in, line); ++count) text += line + "\n";
  UndoReader reader(text);
  UndoScript read;
  if (!ReadUndoHeader(reader, read) || !reader.AtEnd()) {
    error = replacemsg::UndoLine(reader.Line(), replacemsg::kUndoNotOurs);
    return false;
  }
  file_->pieces = std::make_unique<UndoRowText>(read);
  header = std::move(read);
  line_ = reader.Line();
  return true;
}

int UndoFileReader::Next(UndoRow& row, std::string& error) {
  // A statement ends at a line that closes its last literal with ";": a
  // value holding a line break spans the lines up to there.
  File& file = *file_;
  size_t length = 0;  // of the lines looked at so far, from file.at
  size_t apostrophes = 0;
  int lines = 0;
  for (;;) {
    const size_t lineEnd = file.buffer.find('\n', file.at + length);
    if (lineEnd == std::string::npos) {
      if (file.More()) continue;
      // The last line without its line end reads as if it had one.
      if (file.buffer.size() == file.at + length) break;
      file.buffer += '\n';
      continue;
    }
    const std::string_view line(file.buffer.data() + file.at + length, lineEnd - file.at - length);
    for (size_t at = line.find('\''); at != std::string_view::npos; at = line.find('\'', at + 1))
      ++apostrophes;
    length = lineEnd + 1 - file.at;
    ++lines;
    if (apostrophes % 2 == 0 && !line.empty() && line.back() == ';') break;
  }
  if (length == 0) return 0;
  UndoReader reader(std::string_view(file.buffer).substr(file.at, length));
  file.at += length;
  if (!ReadUndoRow(reader, *file.pieces, row) || !reader.AtEnd()) {
    error = replacemsg::UndoLine(line_ + reader.Line() - 1, replacemsg::kUndoNotOurs);
    return -1;
  }
  line_ += lines;
  return 1;
}

std::string CheckQuery(const UndoScript& undo) {
  std::vector<std::string> keys;
  keys.reserve(undo.rows.size());
  for (const UndoRow& row : undo.rows) keys.push_back(row.key);
  std::vector<std::string> replaced;
  for (const UndoRow& row : undo.rows) replaced.push_back(row.replacedValue);
  return "SELECT " + Qualified(undo.table, undo.keyField) + " AS k, " +
         MatchedValue(Qualified(undo.table, undo.field), replaced) + " AS v FROM " + undo.table +
         " WHERE " + Qualified(undo.table, undo.keyField) + " IN (" + InList(keys) + ")";
}

std::vector<std::string> RowsChangedSince(const UndoScript& undo,
                                          const std::vector<CapturedRow>& current) {
  std::unordered_map<std::string_view, std::string_view> valueOf;
  for (const CapturedRow& row : current) valueOf.emplace(row.key, row.value);
  std::vector<std::string> changed;
  for (const UndoRow& row : undo.rows) {
    const auto now = valueOf.find(row.key);
    if (now == valueOf.end() || now->second != row.replacedValue) changed.push_back(row.key);
  }
  return changed;
}

namespace {

std::string NamedKeys(const std::vector<std::string>& keys) {
  std::string named;
  for (size_t i = 0; i < keys.size() && i < kNamedKeys; ++i) {
    if (!named.empty()) named += ", ";
    named += replacemsg::Quoted(keys[i]);
  }
  if (keys.size() > kNamedKeys) named += " и ещё " + std::to_string(keys.size() - kNamedKeys);
  return named;
}

}  // namespace

std::string ChangedSinceMessage(const std::vector<std::string>& keys) {
  return replacemsg::ChangedSince(NamedKeys(keys));
}

std::string NotRestoredMessage(const std::vector<std::string>& keys) {
  return replacemsg::NotRestored(NamedKeys(keys));
}

}  // namespace morvane
