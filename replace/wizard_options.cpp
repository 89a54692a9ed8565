#include "replace/wizard_options.h"

#include "platform/rtl/ini_file.h"

namespace morvane {

CWizardOptions LoadWizardOptions(const std::string& iniPath) {
  const TIniFile ini(iniPath);
  CWizardOptions options;
  options.Counts = ini.ReadBool(kWizardSection, "Counts", false);
  options.Suggestions = ini.ReadBool(kWizardSection, "Suggestions", false);
  options.Width = ini.ReadInteger(kWizardSection, "Width", 0);
  options.Height = ini.ReadInteger(kWizardSection, "Height", 0);
  return options;
}

void SaveWindowSize(const std::string& iniPath, int width, int height) {
  TIniFile ini(iniPath);
  ini.WriteInteger(kWizardSection, "Width", width);
  ini.WriteInteger(kWizardSection, "Height", height);
}

}  // namespace morvane
