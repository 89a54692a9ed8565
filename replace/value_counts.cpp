#include "replace/value_counts.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <optional>
#include <stdexcept>
#include <string_view>

#include "engine/buffer_records.h"
#include "engine/zelconst.h"
#include "platform/db/component.h"
#include "platform/db/field.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/text.h"
#include "replace/builders.h"
#include "replace/plain_names.h"
#include "replace/sql_value_text.h"
#include "replace/text_prefix.h"
#include "server/database.h"
#include "server/query_request.h"
#include "server/table.h"

namespace morvane {

namespace {

// The distinct texts of a column and how often each occurs, in one flat
// table: a million lookups among tens of thousands of texts then stay in
// the processor's caches, where a node per text would send most of them to
// memory.
class TextCounts {
 public:
  void Add(std::string_view text) {
    if ((entries_.size() + 1) * 2 > slots_.size()) Grow();
    const uint32_t hash = HashOf(text);
    const size_t mask = slots_.size() - 1;
    for (size_t at = hash & mask;; at = (at + 1) & mask) {
      Slot& slot = slots_[at];
      if (slot.entry == 0) {
        slot = {hash, uint32_t(entries_.size() + 1)};
        entries_.push_back({bytes_.size(), text.size(), 1});
        bytes_.append(text);
        return;
      }
      if (slot.hash == hash) {
        Entry& entry = entries_[slot.entry - 1];
        if (TextOf(entry) == text) {
          ++entry.count;
          return;
        }
      }
    }
  }

  // The texts with their counts, largest counts first, equal counts by text.
  std::vector<TCountedValue> Sorted() const {
    struct Key {
      int64_t count;
      TextPrefix prefix;
      uint32_t entry;
    };
    std::vector<Key> keys;
    keys.reserve(entries_.size());
    for (uint32_t index = 0; index < entries_.size(); ++index) {
      keys.push_back({entries_[index].count, TextPrefixOf(TextOf(entries_[index])), index});
    }
    std::sort(keys.begin(), keys.end(), [this](const Key& a, const Key& b) {
      if (a.count != b.count) return a.count > b.count;
      if (a.prefix != b.prefix) return a.prefix < b.prefix;
      return TextOf(entries_[a.entry]) < TextOf(entries_[b.entry]);
    });
    std::vector<TCountedValue> sorted;
    sorted.reserve(keys.size());
    for (const Key& key : keys) {
      sorted.push_back({std::string(TextOf(entries_[key.entry])), key.count});
    }
    return sorted;
  }

 private:
  struct Slot {
    uint32_t hash = 0;
    uint32_t entry = 0;  // index in entries_ + 1; 0 for an empty slot
  };
  struct Entry {
    size_t offset;  // in bytes_
    size_t length;
    int64_t count;
  };

  static uint32_t HashOf(std::string_view text) {
    uint32_t hash = 2166136261u;
    for (const char c : text) hash = (hash ^ uint8_t(c)) * 16777619u;
    return hash;
  }
  std::string_view TextOf(const Entry& entry) const {
    return std::string_view(bytes_).substr(entry.offset, entry.length);
  }
  void Grow() {
    std::vector<Slot> larger(std::max<size_t>(1024, slots_.size() * 2));
    const size_t mask = larger.size() - 1;
    for (const Slot& slot : slots_) {
      if (slot.entry == 0) continue;
      size_t at = slot.hash & mask;
      while (larger[at].entry != 0) at = (at + 1) & mask;
      larger[at] = slot;
    }
    slots_.swap(larger);
  }

  std::vector<Slot> slots_;
  std::vector<Entry> entries_;
  std::string bytes_;  // the distinct texts, back to back
};

// Tables of more rows keep the server's grouping: the reply of every value
// would hold hundreds of megabytes, where the server's sort spills to disk.
constexpr double kMostRowsRead = 5'000'000;

// The rows of table, by the server's count (a walk of its smallest b-tree).
double RowCount(const std::string& table) {
  TzelTable rows;
  rows.SetSQLText("SELECT COUNT(*) AS n FROM " + table);
  rows.Open();
  return rows.FieldByName("n")->AsFloat();
}

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
  TextCounts counts;
  std::vector<std::string_view> values;
  while (rows.Next(values, errorText)) {
    const std::optional<std::string_view> text = FieldText(column, values[0]);
    if (!text) return std::nullopt;
    counts.Add(*text);
  }
  if (!errorText.empty()) DatabaseError(zelconst::_Z_OPENTABLE + errorText, nullptr);
  return counts.Sorted();
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
  if (ServerComparesValueBytes(table, field) && RowCount(table) <= kMostRowsRead) {
    try {
      if (std::optional<std::vector<TCountedValue>> counted = CountReadValues(table, field)) {
        return std::move(*counted);
      }
    } catch (const EDatabaseError&) {
      // The read failed (a reply over the transport's limit, say): the
      // grouped query answers with far fewer rows, or reports why it cannot.
    }
  }
  return CountGroupedValues(table, field);
}

}  // namespace morvane
