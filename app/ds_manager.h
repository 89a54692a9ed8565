// T_DSManager: the three dataset operations the wizard's forms use, over any
// query table that has the shape of QueryTable below (the query dataset of
// the server layer has it).
//
// A null dataset does nothing; where there is a result it is false.
// OpenChecked turns every exception of opening into false without showing
// anything: the caller decides what the user is told, and may ask for the
// exception's text (which carries the server's reason) to tell it.
#pragma once

#include <concepts>
#include <exception>
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

  // failureText, when given, receives the text of the exception that ended
  // the open (empty for an exception that carries none).
  template <QueryTable Table>
  bool OpenChecked(Table* table, std::string* failureText = nullptr) const {
    if (table == nullptr) return false;
    try {
      table->Open();
      return true;
    } catch (const std::exception& error) {
      // Any failure to open (server, session, layout) is one answer here.
      if (failureText != nullptr) *failureText = error.what();
      return false;
    } catch (...) {
      if (failureText != nullptr) failureText->clear();
      return false;
    }
  }

  template <class DataSet>
  void CloseIfActive(DataSet* dataSet) const {
    if (dataSet != nullptr && dataSet->Active()) dataSet->Close();
  }
};

}  // namespace morvane
