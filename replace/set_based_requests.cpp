#include "replace/set_based_requests.h"

#include "platform/rtl/exceptions.h"
#include "platform/rtl/format_settings.h"
#include "platform/rtl/text.h"
#include "replace/replacement_messages.h"
#include "server/database.h"
#include "server/sql_wait_cursor.h"
#include "server/table.h"

namespace morvane {

std::vector<std::vector<std::string>> ReadRows(const std::string& query) {
  TzelTable table;
  table.SetSQLText(query);
  table.Open();
  FormatSettingsScope scope('.', '/');
  std::vector<std::vector<std::string>> rows;
  const size_t columns = size_t(table.FieldCount());
  for (table.First(); !table.Eof(); table.Next()) {
    std::vector<std::string> row;
    row.reserve(columns);
    for (size_t column = 0; column < columns; ++column)
      row.push_back(table.Fields()[column]->AsString());
    rows.push_back(std::move(row));
  }
  table.Close();
  return rows;
}

std::string ValuesList(const std::vector<std::vector<std::string>>& rows) {
  std::string values;
  for (const std::vector<std::string>& row : rows) {
    values += values.empty() ? "(" : ",\r\n(";
    for (size_t column = 0; column < row.size(); ++column) {
      if (column > 0) values += ", ";
      values += QuotedStr(row[column]);
    }
    values += ")";
  }
  return values;
}

void SendRequest(const std::string& request, const std::string& what) {
  SqlWaitCursor waitCursor;
  if (!zelDB().UpdateToServer(request)) {
    DatabaseError(replacemsg::CannotRead(what, zelDB().LastErrorText()));
  }
}

TemporaryTablesScope::~TemporaryTablesScope() {
  try {
    zelDB().UpdateToServer(dropRequest_);
  } catch (...) {  // a lost connection has dropped them already
  }
}

}  // namespace morvane
