#include "server/statement_values.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <system_error>

#include "engine/compare.h"
#include "engine/field_layout.h"
#include "engine/zelconst.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/format_settings.h"
#include "platform/rtl/text.h"
#include "server/session_messages.h"
#include "server/sql_date_text.h"

namespace morvane {

namespace {

enum class ValueKind { kNumber, kDate, kText };

ValueKind KindOf(TzelFieldType type) {
  switch (type) {
    case zftInteger:
    case zftBoolean:
    case zftDouble:
    case zftCurrency:
      return ValueKind::kNumber;
    case zftDate:
    case zftTime:
    case zftDateTime:
      return ValueKind::kDate;
    default:
      return ValueKind::kText;
  }
}

// A value with nothing to write: no text at all or a lone blank. A text that
// merely starts with a control character (a memo opening with a line break
// or a tab) is a real value and is written as a literal, never as NULL.
bool IsEmptyText(std::string_view text) {
  return text.empty() || text == " ";
}

const char* DataOf(const TzelCursor& cursor, const TzelRecord& record, bool useUndo) {
  const char* undoCopy = useUndo ? cursor.UndoData(&record) : nullptr;
  return undoCopy ? undoCopy : record.Data.get();
}

template <typename T>
T SlotNumber(const char* data, const TzelField& field) {
  T value{};
  std::memcpy(&value, data + field.Offset, sizeof value);
  return value;
}

// The field's text as a statement writes it. The store's display text holds
// less than some slots: six decimals at most for floating-point values (one
// third shows as 0.333333), no milliseconds for times, no time at midnight
// for date-times. Written back, the server would store a changed value, and
// a key compared in a WHERE part would match no row. Those slots are written
// whole instead: the shortest text that reads back as the same double, and
// the full time (server/sql_date_text.h).
std::string StatementText(const TzelCursor& cursor, const TzelField& field,
                          const TzelRecord& record, bool useUndo) {
  const char* data = DataOf(cursor, record, useUndo);
  if (data) {
    switch (field.FieldType) {
      case zftDouble:
      case zftCurrency: {
        const double value = SlotNumber<double>(data, field);
        char digits[32];
        const auto written = std::to_chars(digits, digits + sizeof digits, value);
        if (std::isfinite(value) && written.ec == std::errc()) {
          return std::string(digits, written.ptr);
        }
        break;
      }
      case zftTime: {
        // As the store: no positive count of milliseconds is no value.
        const int32_t milliseconds = SlotNumber<int32_t>(data, field);
        return milliseconds > 0 && milliseconds < MSecsPerDay ? SqlTimeText(milliseconds)
                                                              : std::string();
      }
      case zftDateTime: {
        const double milliseconds = SlotNumber<double>(data, field);
        if (!(milliseconds > 0)) return {};
        return SqlDateTimeText(MSecsToTimeStamp(milliseconds), FormatSettings().ShortDateFormat);
      }
      default:
        break;
    }
  }
  return cursor.GetFieldText(field, record, useUndo);
}

}  // namespace

std::string SqlValueLiteral(TzelFieldType type, std::string_view text, char dateQuote) {
  if (IsEmptyText(text)) return "NULL";
  switch (KindOf(type)) {
    case ValueKind::kNumber:
      return std::string(text);
    case ValueKind::kDate:
      return dateQuote + std::string(text) + dateQuote;
    case ValueKind::kText:
      break;
  }
  return QuotedStr(text);
}

bool HasStoreText(const TzelCursor& cursor, const TzelField& field, const TzelRecord& record,
                  bool useUndo) {
  const char* data = DataOf(cursor, record, useUndo);
  if (!data) return false;
  const char* slot = data + field.Offset;
  switch (field.FieldType) {
    case zftUnknown:
    case zftGraphic:
      return false;
    case zftString:
      return !SlotRef(slot) || !SlotHeapText(slot).empty();
    case zftMemo:
    case zftFmtMemo:
      return !SlotRef(slot) || SlotBlobLength(slot) > 0;
    default:
      return true;
  }
}

std::string KeyString(const TzelCursor& cursor, std::string_view fieldNames, bool useOldValues,
                      const TzelRecord& record, bool onlyChanged, std::string_view separator,
                      char dateQuote) {
  std::string result;
  for (const std::string& name : SplitFieldNames(fieldNames)) {
    const TzelField* field = cursor.FindFieldInfo(name);
    if (!field || !HasStoreText(cursor, *field, record, useOldValues)) continue;
    if (onlyChanged) {
      const char* undoCopy = cursor.UndoData(&record);
      if (!undoCopy || !record.Data) continue;
      if (CompareBuf(record.Data.get() + field->Offset, undoCopy + field->Offset, *field, false) ==
          0) {
        continue;
      }
    }
    const std::string text = StatementText(cursor, *field, record, useOldValues);
    if (!result.empty()) result += separator;
    result += name;
    result += '=';
    result += SqlValueLiteral(field->FieldType, text, dateQuote);
  }
  return result;
}

std::string KeyCondition(const TzelCursor& cursor, std::string_view fieldNames,
                         const TzelRecord& record, char dateQuote) {
  std::string result;
  for (const std::string& name : SplitFieldNames(fieldNames)) {
    const TzelField* field = cursor.FindFieldInfo(name);
    if (!field || !HasStoreText(cursor, *field, record, true)) {
      DatabaseError(zelconst::FormatMessage(sessionmsg::kKeyFieldNotWritable, {name}));
    }
    const std::string literal =
        SqlValueLiteral(field->FieldType, StatementText(cursor, *field, record, true), dateQuote);
    if (!result.empty()) result += " and ";
    result += name;
    // "name=NULL" is never true: it would match no row.
    result += literal == "NULL" ? " IS NULL" : "=" + literal;
  }
  return result;
}

std::string PrepareInsertedRec(const TzelCursor& cursor, std::string_view origin,
                               std::string_view fieldNames, const TzelRecord& record,
                               char dateQuote) {
  // The items are built directly rather than joined into one text and split
  // again, so a value holding a line break, a separator character or "=" can
  // never be cut apart.
  std::string columns;
  std::string values;
  for (const std::string& name : SplitFieldNames(fieldNames)) {
    const TzelField* field = cursor.FindFieldInfo(name);
    if (!field || !HasStoreText(cursor, *field, record, false)) continue;
    const std::string literal =
        SqlValueLiteral(field->FieldType, StatementText(cursor, *field, record, false), dateQuote);
    if (literal == "NULL") continue;
    if (!columns.empty()) {
      columns += ',';
      values += ',';
    }
    columns += name;
    values += literal;
  }
  if (columns.empty()) return {};
  return "INSERT INTO " + std::string(origin) + " (" + columns + ") VALUES (" + values + ")";
}

}  // namespace morvane
