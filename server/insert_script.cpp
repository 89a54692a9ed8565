#include "server/insert_script.h"

#include "platform/rtl/streams.h"
#include "server/database.h"
#include "server/oem_code_page.h"
#include "server/statement_values.h"
#include "server/table.h"
#include "server/update_statements.h"

namespace morvane {

namespace {

// Every field of the store, in field order, ";"-separated.
std::string AllFieldNames(const TzelCursor& cursor) {
  std::string names;
  for (const auto& field : cursor.Fields()) {
    if (!names.empty()) names += ';';
    names += field->Name;
  }
  return names;
}

}  // namespace

void DoInsertScript(TzelTable& table, const std::string& fileName, bool oem) {
  if (!table.Active() || table.Origin().empty() || !table.Cursor()) return;
  const TzelCursor& cursor = *table.Cursor();
  const TzelDatabase& session = zelDB();
  const std::string fieldNames = AllFieldNames(cursor);

  std::string script;
  {
    SqlFormatScope sqlFormat(session.DateFormat());
    for (int index = 0; index < table.ViewCount(); ++index) {
      std::string statement = PrepareInsertedRec(cursor, table.Origin(), fieldNames,
                                                 *table.ViewRecord(index), session.DateQuote());
      if (oem) statement = Utf8ToOem(statement);
      if (statement <= std::string_view(" ")) continue;
      script += statement;
      script += "\r\n";
    }
  }
  WriteFileAtomically(fileName, script.data(), script.size());
}

}  // namespace morvane
