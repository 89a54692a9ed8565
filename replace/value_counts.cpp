#include "replace/value_counts.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <optional>
#include <stdexcept>
#include <string_view>
#include <unordered_map>

#include "engine/buffer_records.h"
#include "engine/zelconst.h"
#include "platform/db/component.h"
#include "platform/db/field.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/text.h"
#include "replace/builders.h"
#include "replace/plain_names.h"
#include "replace/sql_value_text.h"
#include "server/database.h"
#include "server/query_request.h"
#include "server/table.h"

namespace morvane {

namespace {

// Finds a counted text by a view of it, without making a string first.
struct TextHash {
  using is_transparent = void;
  size_t operator()(std::string_view text) const { return std::hash<std::string_view>()(text); }
};

std::string UpperAscii(std::string text) {
  for (char& c : text) {
    if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
  }
  return text;
}

// "OK: 2 SQLite 3.40.1; /srv/stock.db": the back end is named before the ';'.
bool SessionIsSqlite() {
  const std::string& reply = zelDB().ReplyText();
  const size_t sqlite = reply.find(" SQLite ");
  return sqlite != std::string::npos && sqlite < reply.find(';');
}

// SQLite's rule for a declared type: "INT" anywhere makes it an integer
// column, else "CHAR", "CLOB" or "TEXT" a text column. A text column holds
// only texts, blobs and NULLs: a number written into it is stored as text.
bool HasTextAffinity(const std::string& declaredType) {
  const std::string upper = UpperAscii(declaredType);
  const auto has = [&upper](const char* part) { return upper.find(part) != std::string::npos; };
  return !has("INT") && (has("CHAR") || has("CLOB") || has("TEXT"));
}

// The rows' values as the server groups them, largest counts first.
std::vector<TCountedValue> SortedByCount(std::vector<TCountedValue> values) {
  std::sort(values.begin(), values.end(), [](const TCountedValue& a, const TCountedValue& b) {
    return a.count != b.count ? a.count > b.count : a.value < b.value;
  });
  return values;
}

// The server's own groups: the grouped count query, and the groups whose
// texts are equal (a NULL and an empty text, a number and its text) summed.
std::vector<TCountedValue> CountGroupedValues(const std::string& table, const std::string& field) {
  CMvCFG cfg({});
  cfg.SrcTbl = table;
  cfg.SrcFld = field;
  CPeriod period;
  std::string sql;
  BuildCountsQuery(cfg, period, sql);  // never refused: both names are given
  TzelTable counts;
  counts.SetSQLText(sql);
  counts.Open();
  std::map<std::string, int64_t> byValue;
  TField* valueField = counts.Fields()[0];
  TField* countField = counts.FieldByName("cnt");
  TField* valuedField = counts.FieldByName("valued");
  for (counts.First(); !counts.Eof(); counts.Next()) {
    // The NULL group has no valued row; a NULL number would read as 0.
    const bool isNull = std::llround(valuedField->AsFloat()) == 0;
    byValue[isNull ? std::string() : SqlValueText(*valueField)] +=
        std::llround(countField->AsFloat());
  }
  std::vector<TCountedValue> result;
  result.reserve(byValue.size());
  for (auto& [value, count] : byValue) result.push_back({value, count});
  return SortedByCount(std::move(result));
}

// A text value as its field reads it from the bytes the buffer holds: an
// inline or heap text up to its first zero byte, a long text whole. Nothing
// for other types.
std::optional<std::string_view> FieldText(const TzelField& column, std::string_view bytes) {
  switch (column.FieldType) {
    case zftSmallStr:
    case zftString:
      return CutAtZero(bytes);
    case zftMemo:
      return bytes;
    default:
      return std::nullopt;
  }
}

// Every row's value read once and counted by its bytes; nothing when the
// reply does not carry the column as text.
std::optional<std::vector<TCountedValue>> CountReadValues(const std::string& table,
                                                          const std::string& field) {
  std::unique_ptr<TMemoryStream> reply = QueryServer(zelDB(), "SELECT " + field + " FROM " + table);
  // Each record is looked at once, where the reply holds it: a dataset or a
  // store of a million records would only carry the values here.
  TzelBufferRecords rows;
  std::string errorText;
  if (!rows.Open(*reply, errorText)) DatabaseError(zelconst::_Z_OPENTABLE + errorText, nullptr);
  if (rows.Fields().empty()) return std::nullopt;
  const TzelField& column = *rows.Fields()[0];
  std::unordered_map<std::string, int64_t, TextHash, std::equal_to<>> counts;
  std::vector<std::string_view> values;
  while (rows.Next(values, errorText)) {
    const std::optional<std::string_view> text = FieldText(column, values[0]);
    if (!text) return std::nullopt;
    const auto found = counts.find(*text);
    if (found != counts.end()) {
      ++found->second;
    } else {
      counts.emplace(*text, 1);
    }
  }
  if (!errorText.empty()) DatabaseError(zelconst::_Z_OPENTABLE + errorText, nullptr);
  // Sorted as views, which move cheaply; copied once, in their order.
  std::vector<std::pair<std::string_view, int64_t>> sorted(counts.begin(), counts.end());
  std::sort(sorted.begin(), sorted.end(), [](const auto& a, const auto& b) {
    return a.second != b.second ? a.second > b.second : a.first < b.first;
  });
  std::vector<TCountedValue> result;
  result.reserve(sorted.size());
  for (const auto& [text, count] : sorted) result.push_back({std::string(text), count});
  return result;
}

}  // namespace

bool ServerComparesValueBytes(const std::string& table, const std::string& field) {
  if (!SessionIsSqlite()) return false;
  // A table of the temporary schema would be the one the name finds; the
  // main schema's definition tells the rest: a view, a virtual table or a
  // collation anywhere in it keep the server's grouping.
  TzelTable column;
  column.SetSQLText(
      "SELECT (SELECT COUNT(*) FROM sqlite_temp_master WHERE name = " + QuotedStr(table) +
      " COLLATE NOCASE) AS shadowed, (SELECT sql FROM sqlite_master WHERE type = "
      "'table' AND name = " +
      QuotedStr(table) + " COLLATE NOCASE) AS definition, (SELECT type FROM pragma_table_info(" +
      QuotedStr(table) + ") WHERE name = " + QuotedStr(field) + " COLLATE NOCASE) AS declared");
  try {
    column.Open();
  } catch (const EDatabaseError&) {
    // An SQLite without table-valued pragmas: the grouped query still
    // answers, and reports a missing table or field itself.
    return false;
  }
  const std::string definition = UpperAscii(column.FieldByName("definition")->AsString());
  return column.FieldByName("shadowed")->AsInteger() == 0 &&
         definition.rfind("CREATE TABLE", 0) == 0 &&
         definition.find("COLLATE") == std::string::npos &&
         HasTextAffinity(column.FieldByName("declared")->AsString());
}

std::vector<TCountedValue> CountFieldValues(const std::string& table, const std::string& field) {
  if (table.empty() || field.empty()) throw std::invalid_argument("a table and a field are named");
  CheckPlainName(table);
  CheckPlainName(field);
  if (ServerComparesValueBytes(table, field)) {
    if (std::optional<std::vector<TCountedValue>> counted = CountReadValues(table, field)) {
      return std::move(*counted);
    }
  }
  return CountGroupedValues(table, field);
}

}  // namespace morvane
