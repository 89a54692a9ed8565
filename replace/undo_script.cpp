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
  const std::string field = Qualified(undo.table, undo.field);
  return "UPDATE " + undo.table + " SET " + field + " = " + QuotedStr(row.restoredValue) +
         " WHERE " + Qualified(undo.table, undo.keyField) + " = " + QuotedStr(row.key) + " AND " +
         field + " = " + QuotedStr(row.replacedValue);
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
    while (at_ < text_.size()) {
      const char c = text_[at_];
      Advance(1);
      if (c != '\'') {
        value += c;
      } else if (at_ < text_.size() && text_[at_] == '\'') {
        value += c;
        Advance(1);
      } else {
        return true;
      }
    }
    return false;
  }
  bool AtEnd() const { return at_ == text_.size(); }
  int Line() const { return line_; }

 private:
  void Advance(size_t count) {
    for (size_t i = 0; i < count; ++i)
      if (text_[at_ + i] == '\n') ++line_;
    at_ += count;
  }

  std::string_view text_;
  size_t at_ = 0;
  int line_ = 1;
};

// One statement as UndoStatement writes it, with its line end.
bool ReadUndoRow(UndoReader& reader, const UndoScript& header, UndoRow& row) {
  const std::string field = Qualified(header.table, header.field);
  return reader.Literal("UPDATE " + header.table + " SET " + field + " = ") &&
         reader.Quoted(row.restoredValue) &&
         reader.Literal(" WHERE " + Qualified(header.table, header.keyField) + " = ") &&
         reader.Quoted(row.key) && reader.Literal(" AND " + field + " = ") &&
         reader.Quoted(row.replacedValue) && reader.Literal(";\n");
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
  for (const UndoRow& row : undo.rows) text += UndoStatement(undo, row) + ";\n";
  return text;
}

bool TryParseUndoScript(std::string_view text, UndoScript& undo, std::string& error) {
  UndoReader reader(text);
  UndoScript read;
  if (!ReadUndoHeader(reader, read)) {
    error = replacemsg::UndoLine(reader.Line(), replacemsg::kUndoNotOurs);
    return false;
  }
  while (!reader.AtEnd()) {
    UndoRow row;
    if (!ReadUndoRow(reader, read, row)) {
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

std::string FormatUndoRow(const UndoScript& undo, const UndoRow& row) {
  return UndoStatement(undo, row) + ";\n";
}

struct UndoFileReader::File {
  std::ifstream in;
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
  header_ = read;
  header = std::move(read);
  line_ = reader.Line();
  return true;
}

int UndoFileReader::Next(UndoRow& row, std::string& error) {
  // A statement ends at a line that closes its last literal with ";": a
  // value holding a line break spans the lines up to there.
  std::string text;
  std::string line;
  size_t apostrophes = 0;
  while (std::getline(file_->in, line)) {
    text += line;
    text += '\n';
    apostrophes += size_t(std::count(line.begin(), line.end(), '\''));
    if (apostrophes % 2 == 0 && !line.empty() && line.back() == ';') break;
  }
  if (text.empty()) return 0;
  UndoReader reader(text);
  UndoRow read;
  if (!ReadUndoRow(reader, header_, read) || !reader.AtEnd()) {
    error = replacemsg::UndoLine(line_ + reader.Line() - 1, replacemsg::kUndoNotOurs);
    return -1;
  }
  line_ += reader.Line() - 1;
  row = std::move(read);
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
