// Undo scripts: what puts back the values a replacement changed, row by row.
//
// Before a replacement runs, the rows it will change are read by their key
// field (SUnFld): CaptureQuery gives the query, whose two columns "k" and "v"
// the caller reads as texts into CapturedRow. TryBuildUndoScript pairs each
// row with the value the plan gives it, and FormatUndoScript writes one
// statement per key in the wizard's SQL dialect:
//
//   -- Morvane undo script
//   -- table: Goods
//   -- field: Unit
//   -- key: Good
//   UPDATE Goods SET Goods.Unit = 'шт.' WHERE Goods.Good = 'G0001' AND Goods.Unit = 'шт';
//   ...
//
// The file is one request as it stands (morvane-data exec or undo sends it;
// the transport runs it in one transaction). Each statement changes its row
// only while the row still holds the value the replacement wrote, so a row
// changed since is never overwritten. Before running it, CheckQuery reads the
// keys' current values and RowsChangedSince names the rows whose value is no
// longer the replaced one (or that are gone): the undo is refused then.
//
// Keys and values are written as text literals, as the wizard writes values,
// so key fields must be texts or integers (a key compared as text matches
// those on SQLite and PostgreSQL). A key that appears in more than one row
// cannot be undone row by row, and the script is refused. Pure text work:
// reading and sending belong to replace/replacement_run.h.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "replace/mv_cfg.h"
#include "replace/period.h"
#include "replace/replacement_plan.h"

namespace morvane {

struct CapturedRow {
  std::string key;
  std::string value;         // as stored, in the server's text form
  std::string matched = {};  // the plan's value the server found equal to it, when read

  const std::string& PlanValue() const { return matched.empty() ? value : matched; }
};

struct UndoRow {
  std::string key;
  std::string restoredValue;  // the value before the replacement
  std::string replacedValue;  // the value the replacement wrote
};

struct UndoScript {
  std::string table;
  std::string field;
  std::string keyField;
  std::vector<UndoRow> rows;

  // One statement per row, without terminators.
  std::vector<std::string> Statements() const;
};

// "SELECT T.K AS k, T.F AS v, CASE WHEN T.F = 'a' THEN 'a' ... END AS m
// FROM T WHERE T.F IN (<old values>)" with the setting's period condition
// when it is restricted: the rows the plan's statements change, each with
// the old value the server matched it to (its own comparison decides).
// Empty when the setting names no key field or the plan has no lines.
std::string CaptureQuery(const CMvCFG& cfg, CPeriod& period, const ReplacementPlan& plan);

// The undo of the plan for the captured rows, one undo row per captured row
// in their order (restoring the stored value); false, with a message, when a
// key appears twice or a row holds no value of the plan.
bool TryBuildUndoScript(const CMvCFG& cfg, const ReplacementPlan& plan,
                        const std::vector<CapturedRow>& rows, UndoScript& undo, std::string& error);

// The file's text (above), and reading it back; a text this unit did not
// write (edited by hand) is refused with the line where it differs.
std::string FormatUndoScript(const UndoScript& undo);
bool TryParseUndoScript(std::string_view text, UndoScript& undo, std::string& error);

// The same text a piece at a time, for undo files too large to hold: the
// header (table, field, key; no rows), then one line per row.
std::string FormatUndoHeader(const UndoScript& undo);
std::string FormatUndoRow(const UndoScript& undo, const UndoRow& row);

// The line of one row, its names written once for a file of many rows.
class UndoRowText {
 public:
  explicit UndoRowText(const UndoScript& undo);
  // Appends the row's line, with its line end.
  void Append(std::string& out, std::string_view key, std::string_view restoredValue,
              std::string_view replacedValue) const;

  // The line's fixed pieces, in order, around the three values.
  const std::string& Set() const { return pieces_[0]; }
  const std::string& Where() const { return pieces_[1]; }
  const std::string& And() const { return pieces_[2]; }
  const std::string& End() const { return pieces_[3]; }

 private:
  std::string pieces_[4];
};

// Reads an undo file statement by statement, as strictly as
// TryParseUndoScript, holding one statement at a time.
class UndoFileReader {
 public:
  // Opens the file and reads its header into undo (rows stay empty); false
  // with the message when it cannot be read or is not an undo file.
  bool Open(const std::string& path, UndoScript& header, std::string& error);
  // The next row: 1 read, 0 at the end, -1 refused (error says where).
  int Next(UndoRow& row, std::string& error);

 private:
  struct File;
  std::shared_ptr<File> file_;
  int line_ = 1;
};

// "SELECT T.K AS k, CASE WHEN T.F = 'x' THEN 'x' ... END AS v FROM T WHERE
// T.K IN (<keys>)": for each key, the replaced value its row still holds by
// the server's comparison (NULL when none), read just before the undo runs.
std::string CheckQuery(const UndoScript& undo);
// The keys, in the script's order, whose row now holds another value than
// the replaced one or is missing from current.
std::vector<std::string> RowsChangedSince(const UndoScript& undo,
                                          const std::vector<CapturedRow>& current);
// The refusal naming them (at most ten keys, then how many more).
std::string ChangedSinceMessage(const std::vector<std::string>& keys);
// After an undo: the rows its guarded statements left alone because they
// were changed between the check and the undo.
std::string NotRestoredMessage(const std::vector<std::string>& keys);

}  // namespace morvane
