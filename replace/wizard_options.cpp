#include "replace/wizard_options.h"

#include <filesystem>
#include <system_error>

#include "platform/rtl/ini_file.h"

namespace morvane {

CWizardOptions LoadWizardOptions(const std::string& iniPath) {
  const TIniFile ini(iniPath);
  CWizardOptions options;
  options.Present = ini.SectionExists(kWizardSection);
  options.Counts = ini.ReadBool(kWizardSection, "Counts", false);
  options.Suggestions = ini.ReadBool(kWizardSection, "Suggestions", false);
  options.Groups = ini.ReadBool(kWizardSection, "Groups", false);
  options.Width = ini.ReadInteger(kWizardSection, "Width", 0);
  options.Height = ini.ReadInteger(kWizardSection, "Height", 0);
  return options;
}

void SaveWizardSwitches(const std::string& iniPath, const CWizardOptions& options) {
  TIniFile ini(iniPath);
  ini.WriteBool(kWizardSection, "Counts", options.Counts);
  ini.WriteBool(kWizardSection, "Suggestions", options.Suggestions);
  ini.WriteBool(kWizardSection, "Groups", options.Groups);
}

bool WriteFirstStartOptions(const std::string& iniPath) {
  std::error_code error;
  if (std::filesystem::exists(iniPath, error) || error) return false;
  // An installed program's settings folder may not exist yet; a folder that
  // cannot be made fails the write itself.
  const std::filesystem::path folder = std::filesystem::path(iniPath).parent_path();
  if (!folder.empty()) std::filesystem::create_directories(folder, error);
  CWizardOptions options;
  options.Counts = options.Suggestions = options.Groups = true;
  SaveWizardSwitches(iniPath, options);
  return true;
}

void SaveWindowSize(const std::string& iniPath, int width, int height) {
  TIniFile ini(iniPath);
  ini.WriteInteger(kWizardSection, "Width", width);
  ini.WriteInteger(kWizardSection, "Height", height);
}

}  // namespace morvane
