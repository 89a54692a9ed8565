// SQL statements from the pending changes of a record store: one UPDATE,
// INSERT or DELETE per changed record, in the session's dialect.
//
// Values become literals as server/statement_values.h says (numbers as they
// stand, dates between DateQuote, texts in apostrophes, empty values NULL,
// fields without a store text left out). A table produces statements only
// when it knows its table (Origin) and its key (UniqueFieldNames):
//
//   zusModified  UPDATE Origin SET <changed updatable fields, ","> WHERE <old keys>
//   zusInserted  INSERT INTO Origin (<fields>) VALUES (<literals>)   NULL values left out
//   zusDeleted   DELETE FROM Origin WHERE <old keys>
//
// The old keys are KeyCondition's: "name=literal" joined by " and ", and
// "name IS NULL" for an empty key value. A key field the condition cannot
// name raises EDatabaseError before any statement is sent: the condition
// would match more rows than the key names.
//
// A statement whose SET, WHERE or column list would be empty is not written:
// a record changed only outside the updatable fields produces nothing.
//
// The store's display texts depend on the process-wide format settings, so
// statements are built inside a SqlFormatScope (point as decimal separator,
// '/' between date parts, the session's DateFormat).
//
// Nothing here sends, commits or cancels; the statements reflect the update
// statuses at the moment they are built. Single GUI thread.
#pragma once

#include <string>

#include "engine/cursor.h"
#include "platform/rtl/format_settings.h"

namespace morvane {

class TzelDatabase;
class TzelDataset;

// The format settings statement texts are written with; the previous
// settings return when the scope ends, on every path.
class SqlFormatScope {
 public:
  explicit SqlFormatScope(const std::string& dateFormat);

 private:
  FormatSettingsScope saved_;
};

// The statements for records of one store. Keeps a reference to the cursor,
// which must outlive it.
class TzelStatementBuilder {
 public:
  // origin names the table; uniqueFieldNames and updatableFields are field
  // lists separated by ";"; dateQuote encloses date literals.
  TzelStatementBuilder(const TzelCursor& cursor, std::string origin, std::string uniqueFieldNames,
                       std::string updatableFields, char dateQuote);

  // Empty when no updatable field changed. Raises when a key field cannot be
  // written (KeyCondition).
  std::string PrepareUpdatedRec(const TzelRecord& record) const;
  // Raises when a key field cannot be written (KeyCondition).
  std::string PrepareDeletedRec(const TzelRecord& record) const;
  // Empty when every updatable field is NULL. The status is not looked at.
  std::string PrepareInsertedRec(const TzelRecord& record) const;
  // The statement the record's status asks for; empty for zusUnmodified and
  // zusAbsent.
  std::string PrepareRec(const TzelRecord& record) const;

 private:
  const TzelCursor& cursor_;
  std::string origin_;
  std::string uniqueFieldNames_;
  std::string updatableFields_;
  char dateQuote_;
};

// The names of the store's fields that belong to the dataset's table, in
// field order, joined by ";": a field whose table in the data layout is
// Origin, or whose field object's Origin is the dataset's (both without
// regard to case).
std::string UpdatableFieldList(const TzelDataset& dataSet);

// Every statement for the dataset's pending changes, in store order, each
// followed by a line break. Empty when the dataset is not active, has no
// pending change, or lacks Origin or UniqueFieldNames. The session gives the
// dialect (DateFormat, DateQuote).
std::string PrepareUpdString(const TzelDataset& dataSet, const TzelDatabase& session);

}  // namespace morvane
