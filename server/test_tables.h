// Test helper: query tables filled in code, and the process session they
// need, without a server.
//
//   TzelTable table;
//   FillTable(table, {{"A", ftString, 10}, {"S", ftInteger}}, {{"x", "1"}, {"y", "2"}});
//
// Values are texts assigned with AsString; an empty text leaves the field
// without a value. Records are posted as pending inserts.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "server/database.h"
#include "server/table.h"

namespace morvane::testing {

struct FieldSpec {
  std::string name;
  TFieldType type;
  int size = 0;
};

inline void FillTable(TzelTable& table, const std::vector<FieldSpec>& fields,
                      const std::vector<std::vector<std::string>>& rows) {
  table.Close();
  table.FieldDefs().Clear();
  for (const FieldSpec& field : fields) table.FieldDefs().Add(field.name, field.type, field.size);
  table.Open();
  for (const auto& row : rows) {
    table.Append();
    for (size_t index = 0; index < row.size(); ++index) {
      if (!row[index].empty()) table.Fields()[int(index)]->SetAsString(row[index]);
    }
    table.Post();
  }
  table.First();
}

// Every record's fields as texts joined by '|', in view order.
inline std::vector<std::string> Rows(TDataSet& dataSet) {
  std::vector<std::string> rows;
  for (dataSet.First(); !dataSet.Eof(); dataSet.Next()) {
    std::string row;
    for (TField* field : dataSet.Fields()) {
      if (!row.empty()) row += '|';
      row += field->AsString();
    }
    rows.push_back(row);
  }
  return rows;
}

// The process session zelDB over a transport without entry points: nothing
// reaches a server.
class OfflineSession {
 public:
  OfflineSession()
      : unit_(std::make_unique<ZelTblUnit>(
            std::make_unique<TransportLibrary>(TransportEntryPoints{}))) {}
  TzelDatabase& Session() { return unit_->Session(); }

 private:
  std::unique_ptr<ZelTblUnit> unit_;
};

}  // namespace morvane::testing
