// SQL statements from the pending changes of a record store: one UPDATE,
// INSERT or DELETE per changed record, written with the session's dialect.
//
// A field value becomes a literal by its kind:
//
//   kind     field types                                 literal
//   number   zftInteger zftBoolean zftDouble zftCurrency  the field text as it stands
//   date     zftDate zftTime zftDateTime                  DateQuote text DateQuote
//   text     zftSmallStr zftString zftMemo zftFmtMemo     'text', inner apostrophes doubled
//
// and an empty text of any kind is NULL. The field text is the store's
// display text (TzelCursor::GetFieldText), so the statements are written
// inside a SqlFormatScope: point as decimal separator, '/' between date parts,
// the session's DateFormat.
//
// A field the store cannot show as text (zftUnknown, zftGraphic) has no
// literal: it is left out of every statement rather than written as the
// store's "not found" placeholder, which would land in the server's data.
//
// Nothing here sends, commits or cancels; the statements reflect the update
// statuses at the moment they are built. Single GUI thread.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "engine/cursor.h"
#include "engine/field_layout.h"
#include "platform/rtl/format_settings.h"

namespace morvane {

class TzelDatabase;
class TzelDataset;

enum class TzelValueKind : uint8_t { Number, Date, Text };

TzelValueKind ValueKindOf(TzelFieldType type);

// Not greater than a single blank: empty, a lone blank, or blanks and
// control characters only. A text that starts with a control character but
// holds more (a memo opening with a line break) is not empty.
bool IsBlankValue(std::string_view text);

// The literal of a field text: NULL for an empty text, else by the kind.
std::string SqlLiteral(TzelValueKind kind, std::string_view text, char dateQuote);

// The format settings every statement text is written with; the previous
// settings return when the scope ends, on every path.
class SqlFormatScope {
 public:
  explicit SqlFormatScope(const std::string& dateFormat);

 private:
  FormatSettingsScope saved_;
};

// One name=literal pair of a statement.
struct TzelFieldLiteral {
  std::string Name;
  std::string Literal;
};

// Builds the statements for records of one store. The builder keeps
// references: the cursor must outlive it.
class TzelStatementBuilder {
 public:
  // origin names the table; uniqueFieldNames and updatableFields are field
  // lists separated by ";".
  TzelStatementBuilder(const TzelCursor& cursor, std::string origin, std::string uniqueFieldNames,
                       std::string updatableFields, char dateQuote);

  // One pair per named field of the store, in the order given; unknown names
  // and fields without a literal are skipped. With useOldValues the values
  // come from the undo copy (when there is one); with onlyChanged a field is
  // kept only when the record has an undo copy and the field's value differs
  // from it.
  std::vector<TzelFieldLiteral> FieldLiterals(std::string_view fieldNames, bool useOldValues,
                                              const TzelRecord& record, bool onlyChanged) const;
  // The pairs as name=literal, joined by the separator.
  std::string KeyString(std::string_view fieldNames, bool useOldValues, const TzelRecord& record,
                        bool onlyChanged, std::string_view separator) const;

  // UPDATE Origin SET <changed updatable fields> WHERE <old key values>, or
  // empty when no updatable field changed or no key field is known.
  std::string PrepareUpdatedRec(const TzelRecord& record) const;
  // DELETE FROM Origin WHERE <old key values>, or empty.
  std::string PrepareDeletedRec(const TzelRecord& record) const;
  // INSERT INTO Origin (<fields>) VALUES (<literals>) over the updatable
  // fields whose value is not NULL, or empty when every value is NULL. The
  // record's status is not looked at (insert scripts write any record).
  std::string PrepareInsertedRec(const TzelRecord& record) const;
  // The statement for the record's status: zusModified, zusInserted,
  // zusDeleted; empty for any other.
  std::string PrepareRec(const TzelRecord& record) const;

 private:
  std::optional<std::string> FieldText(const TzelField& field, const TzelRecord& record,
                                       bool useOldValues) const;

  const TzelCursor& cursor_;
  std::string origin_;
  std::string uniqueFieldNames_;
  std::string updatableFields_;
  char dateQuote_;
};

// The names of the store's fields that belong to the dataset's table
// (Origin), in field order, joined by ";": a field whose table in the data
// layout is Origin, or whose field object's Origin is the dataset's.
std::string UpdatableFieldList(const TzelDataset& dataSet);
// Every field of the store, in field order, joined by ";".
std::string AllFieldList(const TzelCursor& cursor);

// Every statement for the dataset's pending changes in store order, each
// followed by a line break. Empty when the dataset is not active, has no
// pending change, or lacks Origin or UniqueFieldNames. The session gives the
// dialect (DateFormat, DateQuote).
std::string PrepareUpdString(const TzelDataset& dataSet, const TzelDatabase& session);

}  // namespace morvane
