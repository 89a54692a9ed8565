// Record values as SQL literals, and the INSERT statement of one record.
//
// Statements are built from the record store's display text of each slot
// (TzelCursor::GetFieldText), written as a literal by the field's kind. Where
// the display text holds less than the slot, the slot is written whole, so
// that what the server gets, and the keys it compares, are the values the
// record holds: floating-point values in full (0.3333333333333333, never the
// six decimals the store shows), times with their milliseconds, date-times
// with their time even at midnight (server/sql_date_text.h):
//
//   number  zftInteger zftBoolean zftDouble zftCurrency   the text       42  True  3.5
//   date    zftDate zftTime zftDateTime                   quoted         #03/15/2024 00:00:00#
//   text    every other type                              'O''Hara'      apostrophes doubled
//
// An empty text or a lone blank is NULL for every kind. A text that starts
// with a control character (a memo opening with a line break) is a value.
//
// Some slots have no display text at all: graphics, fields of unknown type,
// and long texts or memos that hold a reference to an empty value. The store
// shows them as "Не найдено"; that text is not a value and must never reach
// the server: such fields are left out of SET lists and INSERT statements,
// and a key condition that would need one is refused (KeyCondition).
//
// Callers set the format settings the texts need ('.' decimal separator, '/'
// date separator, the session's date format) around the calls; nothing here
// changes them. Only KeyCondition throws.
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
bool HasStoreText(const TzelCursor& cursor, const TzelField& field, const TzelRecord& record,
                  bool useUndo);

// One item per named field (";"-separated; unknown names are skipped): the
// name, "=" and the literal, joined by the separator. useOldValues reads the
// undo copy; onlyChanged keeps the fields whose current value differs from
// the undo copy (none without an undo copy). Fields without a store text are
// skipped.
std::string KeyString(const TzelCursor& cursor, std::string_view fieldNames, bool useOldValues,
                      const TzelRecord& record, bool onlyChanged, std::string_view separator,
                      char dateQuote);

// The condition that finds the record's row by its key as the server has it
// (the undo copy's values when there is one): "name=literal" per field,
// joined by " and ", and "name IS NULL" for an empty value. A key field that
// is not in the store or has no store text raises EDatabaseError with
// sessionmsg::kKeyFieldNotWritable naming it: leaving it out would match
// rows the key does not name.
std::string KeyCondition(const TzelCursor& cursor, std::string_view fieldNames,
                         const TzelRecord& record, char dateQuote);

// "INSERT INTO origin (names) VALUES (literals)" over the named fields with
// the record's current values; fields whose literal is NULL are left out.
// Empty when no field has a value. A value holding line breaks keeps them
// inside its literal.
std::string PrepareInsertedRec(const TzelCursor& cursor, std::string_view origin,
                               std::string_view fieldNames, const TzelRecord& record,
                               char dateQuote);

}  // namespace morvane
