#include "server/update_statements.h"

#include <utility>

#include "engine/dataset.h"
#include "platform/rtl/text.h"
#include "server/database.h"
#include "server/statement_values.h"

namespace morvane {

namespace {

constexpr std::string_view kSetSeparator = ",";

}  // namespace

SqlFormatScope::SqlFormatScope(const std::string& dateFormat) : saved_('.', '/') {
  TFormatSettings& settings = FormatSettings();
  settings.ShortDateFormat = dateFormat;
  // Times inside date literals must read the same under every locale.
  settings.TimeSeparator = ':';
  settings.LongTimeFormat = "hh:nn:ss";
}

TzelStatementBuilder::TzelStatementBuilder(const TzelCursor& cursor, std::string origin,
                                           std::string uniqueFieldNames,
                                           std::string updatableFields, char dateQuote)
    : cursor_(cursor),
      origin_(std::move(origin)),
      uniqueFieldNames_(std::move(uniqueFieldNames)),
      updatableFields_(std::move(updatableFields)),
      dateQuote_(dateQuote) {}

std::string TzelStatementBuilder::PrepareUpdatedRec(const TzelRecord& record) const {
  const std::string set =
      KeyString(cursor_, updatableFields_, false, record, true, kSetSeparator, dateQuote_);
  if (set.empty()) return {};
  // The key as the server still has it: the values before the first change.
  const std::string where = KeyCondition(cursor_, uniqueFieldNames_, record, dateQuote_);
  if (where.empty()) return {};
  return "UPDATE " + origin_ + " SET " + set + " WHERE " + where;
}

std::string TzelStatementBuilder::PrepareDeletedRec(const TzelRecord& record) const {
  const std::string where = KeyCondition(cursor_, uniqueFieldNames_, record, dateQuote_);
  if (where.empty()) return {};
  return "DELETE FROM " + origin_ + " WHERE " + where;
}

std::string TzelStatementBuilder::PrepareInsertedRec(const TzelRecord& record) const {
  return morvane::PrepareInsertedRec(cursor_, origin_, updatableFields_, record, dateQuote_);
}

std::string TzelStatementBuilder::PrepareRec(const TzelRecord& record) const {
  switch (cursor_.Status(&record)) {
    case zusModified:
      return PrepareUpdatedRec(record);
    case zusInserted:
      return PrepareInsertedRec(record);
    case zusDeleted:
      return PrepareDeletedRec(record);
    default:
      return {};
  }
}

std::string UpdatableFieldList(const TzelDataset& dataSet) {
  const TzelCursor* cursor = dataSet.Cursor();
  if (!cursor) return {};
  const std::string& origin = dataSet.Origin();
  std::string names;
  for (const auto& field : cursor->Fields()) {
    bool belongs = AnsiSameText(field->TableName, origin);
    if (!belongs) {
      const TField* fieldObject = dataSet.FindField(field->Name);
      belongs = fieldObject && AnsiSameText(fieldObject->Origin(), origin);
    }
    if (!belongs) continue;
    if (!names.empty()) names += ';';
    names += field->Name;
  }
  return names;
}

std::string PrepareUpdString(const TzelDataset& dataSet, const TzelDatabase& session) {
  const TzelCursor* cursor = dataSet.Cursor();
  if (!dataSet.Active() || !dataSet.GetNeedToSave() || !cursor || dataSet.Origin().empty() ||
      dataSet.UniqueFieldNames().empty()) {
    return {};
  }
  const TzelStatementBuilder builder(*cursor, dataSet.Origin(), dataSet.UniqueFieldNames(),
                                     UpdatableFieldList(dataSet), session.DateQuote());
  SqlFormatScope sqlFormat(session.DateFormat());
  std::string statements;
  for (int index = 0; index < cursor->GetRecordCount(); ++index) {
    const std::string statement = builder.PrepareRec(*cursor->GetData(index));
    if (statement.empty()) continue;
    statements += statement;
    statements += RETURN;
  }
  return statements;
}

}  // namespace morvane
