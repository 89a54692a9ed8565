// T_DSManager: the three dataset operations the wizard's forms use, over any
// query table that has the shape of QueryTable below (the query dataset of
// the server layer has it).
//
// A null dataset does nothing; where there is a result it is false.
// OpenChecked turns every exception of opening into false without showing
// anything: the caller decides what the user is told.
#pragma once

#include <concepts>
#include <string>

namespace morvane {

template <class Table>
concept QueryTable = requires(Table& table, const std::string& text) {
  { table.Active() } -> std::convertible_to<bool>;
  table.Open();
  table.Close();
  table.SetIndexFieldNames(text);
  table.SetSQLText(text);  // the whole query text; the table then loads from the server
};

class T_DSManager {
 public:
  template <QueryTable Table>
  void SetQuery(Table* table, const std::string& sql, const std::string& indexFieldNames) const {
    if (table == nullptr) return;
    CloseIfActive(table);
    table->SetIndexFieldNames(indexFieldNames);
    table->SetSQLText(sql);
  }

  template <QueryTable Table>
  bool OpenChecked(Table* table) const {
    if (table == nullptr) return false;
    try {
      table->Open();
      return true;
    } catch (...) {
      // Any failure to open (server, session, layout) is one answer here.
      return false;
    }
  }

  template <class DataSet>
  void CloseIfActive(DataSet* dataSet) const {
    if (dataSet != nullptr && dataSet->Active()) dataSet->Close();
  }
};

}  // namespace morvane
