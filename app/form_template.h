// TForm_Template1: the base of the wizard's forms.
//
// A top-level window whose handlers follow the framework's form events:
// FormCreate runs once the derived form has built its controls (the derived
// constructor calls it), FormShow each time the program shows the form (not
// when the window system merely restores it), FormDestroy from the derived
// destructor. Every handler runs guarded: an exception is shown by the
// application's standard display and never reaches the event loop.
//
// The DS_ operations forward to the form's T_DSManager. DS_Open asks a query
// builder for the SQL text, sets it into the table and opens it; a refusing
// builder or a table that does not open is reported in a message box and
// gives false.
#pragma once

#include <QWidget>
#include <string>

#include "app/command.h"
#include "app/ds_manager.h"
#include "platform/ui/message_box.h"

namespace morvane {

inline constexpr char kBuildError[] = "TForm_Template1::DS_Open :\r\n SQL string build error !";
inline constexpr char kActivateError[] = "TForm_Template1::DS_Open :\r\n DataSet activated error !";

class TForm_Template1 : public QWidget {
 public:
  explicit TForm_Template1(QWidget* parent = nullptr);

  template <QueryTable Table>
  void DS_SetQuery(Table* table, const std::string& sql, const std::string& indexFieldNames) {
    dsManager_.SetQuery(table, sql, indexFieldNames);
  }
  template <QueryTable Table>
  bool DS_OpenChecked(Table* table, std::string* failureText = nullptr) {
    return dsManager_.OpenChecked(table, failureText);
  }
  template <class DataSet>
  void DS_Close(DataSet* dataSet) {
    dsManager_.CloseIfActive(dataSet);
  }

  // failureText, when given, receives why the table did not open (the
  // exception's text); it stays empty when the builder refused.
  template <QueryTable Table>
  bool DS_Open(Table* table, const std::string& indexFieldNames, TQueryBuilder builder,
               CMorvane* builderObject, std::string* failureText = nullptr) {
    std::string sql;
    if (builder == nullptr || !builder(builderObject, sql)) {
      MessageBoxStop(kBuildError);
      return false;
    }
    DS_SetQuery(table, sql, indexFieldNames);
    if (!DS_OpenChecked(table, failureText)) {
      MessageBoxStop(kActivateError);
      return false;
    }
    return true;
  }

 protected:
  virtual void FormShow() {}
  void showEvent(QShowEvent* event) override;

 private:
  T_DSManager dsManager_;
};

}  // namespace morvane
