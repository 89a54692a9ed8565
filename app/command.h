// CMorvane, the wizard's command object, and CDBConnect, which opens the
// session for it.
//
// CMorvane owns, in this order, the period of restricted settings, the
// connection object and the settings store; the wizard form creates it and
// destroys it when the form goes. Its builders have the query-builder shape
// (command object, output text) -> bool that the base form's DS_Open takes;
// they refuse, leaving the output alone, when a needed setting is empty.
// Date literals in the built SQL follow the session's dialect as it stands
// when the text is built.
//
// CDBConnect::Connect opens the process's session (zelDB) and selects the
// SQL dialect from the fifth character of the server's reply. A session that
// stays closed is reported to the user here; errors the session raises (no
// transport library, connection refused) pass to the caller.
#pragma once

#include <string>
#include <string_view>

#include "replace/builders.h"
#include "replace/mv_cfg.h"
#include "replace/period.h"

namespace morvane {

// What the wizard tells the server side about itself when it connects.
inline constexpr char kConnectText[] = "Morvane";

class CDBConnect {
 public:
  bool Connect();
};

class CMorvane {
 public:
  // Settings in settingsDir; an empty text means the program's settings
  // folder (beside the executable, or the user's for an installed program).
  explicit CMorvane(const std::string& settingsDir = {});

  // Opens the session; false when it stayed closed (the user has been told).
  bool Init() { return DBConnect.Connect(); }

  static bool BuildSourceQuery(CMorvane* self, std::string& sql);
  static bool BuildMappingQuery(CMorvane* self, std::string& sql);
  static bool BuildGroupsMappingQuery(CMorvane* self, std::string& sql);
  static bool BuildValuesQuery(CMorvane* self, std::string& sql);
  static bool BuildCountsQuery(CMorvane* self, std::string& sql);
  bool BuildUpdate(std::string_view oldValue, std::string_view newValue, std::string& sql);

  CPeriod Period;
  CDBConnect DBConnect;
  CMvCFG Cfg;
};

using TQueryBuilder = bool (*)(CMorvane* builderObject, std::string& sql);

}  // namespace morvane
