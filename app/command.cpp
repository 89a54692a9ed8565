#include "app/command.h"

#include "platform/rtl/program_folders.h"
#include "platform/ui/message_box.h"
#include "server/database.h"

namespace morvane {

namespace {

constexpr char kCannotConnect[] = "Невозможно соединиться с сервером. Работа прекращена.";

TSqlDateDialect SessionDialect() {
  if (!zelDBExists()) return {};
  return {zelDB().DateFormat(), zelDB().DateQuote()};
}

}  // namespace

bool CDBConnect::Connect() {
  TzelDatabase& session = zelDB();
  session.SetConnectText(kConnectText);
  session.Connect();
  if (!session.Connected()) {
    MessageBoxStop(kCannotConnect);
    return false;
  }
  session.SelectEngineFromReply();
  // The transport's news for the user, such as where it created the demo database.
  if (const std::string notice = session.ReplyNotice(); !notice.empty()) {
    MessageBoxInformation(notice);
  }
  return true;
}

CMorvane::CMorvane(const std::string& settingsDir)
    : Cfg(settingsDir.empty() ? SettingsFolder("Mvrn.ini") : settingsDir) {
  Period.DialectSource = SessionDialect;
}

bool CMorvane::BuildSourceQuery(CMorvane* self, std::string& sql) {
  return self != nullptr && morvane::BuildSourceQuery(self->Cfg, sql);
}

bool CMorvane::BuildMappingQuery(CMorvane* self, std::string& sql) {
  return self != nullptr && morvane::BuildMappingQuery(self->Cfg, sql);
}

bool CMorvane::BuildValuesQuery(CMorvane* self, std::string& sql) {
  return self != nullptr && morvane::BuildValuesQuery(self->Cfg, self->Period, sql);
}

bool CMorvane::BuildGroupsMappingQuery(CMorvane* self, std::string& sql) {
  return self != nullptr && morvane::BuildGroupsMappingQuery(self->Cfg, sql);
}

bool CMorvane::BuildCountsQuery(CMorvane* self, std::string& sql) {
  return self != nullptr && morvane::BuildCountsQuery(self->Cfg, self->Period, sql);
}

bool CMorvane::BuildUpdate(std::string_view oldValue, std::string_view newValue, std::string& sql) {
  return morvane::BuildUpdate(Cfg, Period, oldValue, newValue, sql);
}

}  // namespace morvane
