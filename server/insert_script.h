// The insert script of a query table: one INSERT statement per record the
// table shows, written to a text file, so the records can be loaded into
// another database (or a copy of the table) by any tool that runs SQL.
//
// Every field of the record store takes part, whatever table its layout name
// belongs to; the statements name the table's Origin. Each record of the
// current view (in view order, whatever its update status) gives
//   INSERT INTO Origin (Name1,Name2) VALUES ('value',42)
// with the fields that have no value left out (server/statement_values.h);
// a record without any value gives no line. Literals follow the dialect of
// the session zelDB (date format and quote) with '.' as decimal and '/' as
// date separator, whatever the user's settings are. Statements end with
// CR LF; a value holding a line break continues its statement on the next
// line. With oem set, the file is in the Cyrillic OEM code page (CP866)
// instead of UTF-8.
//
// Needs the process session (a ZelTblUnit). A closed table or one without
// Origin writes no file. An existing file is replaced only once the new one
// is complete; a file that cannot be written raises EFCreateError.
#pragma once

#include <string>

namespace morvane {

class TzelTable;

void DoInsertScript(TzelTable& table, const std::string& fileName, bool oem);

}  // namespace morvane
