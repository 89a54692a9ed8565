// Record values as SQL literals, and the INSERT statement of one record.
//
// Statements are built from the record store's display text of each slot
// (TzelCursor::GetFieldText), written as a literal by the field's kind;
// floating-point values are written in full (0.3333333333333333, never the
// six decimals the store shows), so that what the server gets, and the keys
// it compares, are the values the record holds:
//
//   number  zftInteger zftBoolean zftDouble zftCurrency   the text       42  True  3.5
//   date    zftDate zftTime zftDateTime                   quoted, as is  #03/15/2024#
//   text    every other type                              'O''Hara'      apostrophes doubled
//
// A text not greater than a single blank (empty, a lone blank, or starting
// with a control character) is NULL for every kind.
//
// Some slots have no display text at all: graphics, fields of unknown type,
// and long texts or memos that hold a reference to an empty value. The store
// shows them as "Не найдено"; that text is not a value and must never reach
// the server, so such fields are left out of every statement.
//
// Callers set the format settings the texts need ('.' decimal separator, '/'
// date separator, the session's date format) around the calls; nothing here
// changes them. Nothing here throws.
#pragma once

#include <string>
#include <string_view>

#include "engine/cursor.h"

namespace morvane {

// The literal of one field text. dateQuote encloses date, time and
// date-time texts (the session's DateQuote).
std::string SqlValueLiteral(TzelFieldType type, std::string_view text, char dateQuote);

// Whether the store has a display text for the field of the record (in its
// undo copy with useUndo, when there is one).
bool HasStoreText(const TzelField& field, const TzelRecord& record, bool useUndo);

// One item per named field (";"-separated; unknown names are skipped): the
// name, "=" and the literal, joined by the separator. useOldValues reads the
// undo copy; onlyChanged keeps the fields whose current value differs from
// the undo copy (none without an undo copy). Fields without a store text are
// skipped.
std::string KeyString(const TzelCursor& cursor, std::string_view fieldNames, bool useOldValues,
                      const TzelRecord& record, bool onlyChanged, std::string_view separator,
                      char dateQuote);

// "INSERT INTO origin (names) VALUES (literals)" over the named fields with
// the record's current values; fields whose literal is NULL are left out.
// Empty when no field has a value. A value holding line breaks keeps them
// inside its literal.
std::string PrepareInsertedRec(const TzelCursor& cursor, std::string_view origin,
                               std::string_view fieldNames, const TzelRecord& record,
                               char dateQuote);

}  // namespace morvane
