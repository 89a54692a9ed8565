#include "replace/mv_cfg.h"

#include <filesystem>
#include <system_error>

#include "platform/rtl/ini_file.h"

namespace morvane {

namespace {

constexpr const char* kIniName = "Mvrn.ini";
constexpr const char* kMainSection = "Main";
constexpr const char* kCurrentKey = "CurrCfg";

std::string WithTrailingSeparator(std::string dir) {
  if (!dir.empty() && dir.back() != '/') dir += '/';
  return dir;
}

// The settings folder of an installed program lives in the user's
// configuration folder, which may not exist before the first write.
void CreateFolderOf(const std::string& folder) {
  std::error_code ignored;  // a folder that cannot be made fails the write itself
  if (!folder.empty()) std::filesystem::create_directories(folder, ignored);
}

std::string Joined(const std::string& left, const std::string& right) {
  return left + "." + right;
}

}  // namespace

CMvCFG::CMvCFG(std::string exeDir)
    : ExeDir(WithTrailingSeparator(std::move(exeDir))), IniPath(ExeDir + kIniName) {}

bool CMvCFG::Load() {
  TIniFile ini(IniPath);
  CfgName = ini.ReadString(kMainSection, kCurrentKey, "Goods.Unit");
  SrcTbl = ini.ReadString(CfgName, "SrcTbl", "Goods");
  SrcFld = ini.ReadString(CfgName, "SrcFld", "Unit");
  SUnFld = ini.ReadString(CfgName, "SUnFld", "Good");
  InfTbl = ini.ReadString(CfgName, "InfTbl", "Units");
  InfFld = ini.ReadString(CfgName, "InfFld", "Ident");
  AWFld = ini.ReadBool(CfgName, "AWFld", false);
  AFld01 = ini.ReadString(CfgName, "AFld01", "");
  AFV01 = ini.ReadInteger(CfgName, "AFV01", 30);
  SrcFullFld = Joined(SrcTbl, SrcFld);
  SrcFullKey = Joined(SrcTbl, SUnFld);
  InfFullFld = Joined(InfTbl, InfFld);
  SrcFullDate = Joined(SrcTbl, AFld01);
  return true;
}

bool CMvCFG::Save() {
  CfgName = Joined(SrcTbl, SrcFld);
  SrcFullFld = CfgName;
  SrcFullKey = Joined(SrcTbl, SUnFld);
  InfFullFld = Joined(InfTbl, InfFld);
  CreateFolderOf(ExeDir);
  TIniFile ini(IniPath);
  ini.WriteString(kMainSection, kCurrentKey, CfgName);
  // The date restriction keys are left alone: they are edited by hand only.
  ini.WriteString(CfgName, "SrcTbl", SrcTbl);
  ini.WriteString(CfgName, "SrcFld", SrcFld);
  ini.WriteString(CfgName, "SUnFld", SUnFld);
  ini.WriteString(CfgName, "InfTbl", InfTbl);
  ini.WriteString(CfgName, "InfFld", InfFld);
  ini.UpdateFile();
  return true;
}

bool CMvCFG::SaveCurrent() {
  CreateFolderOf(ExeDir);
  TIniFile ini(IniPath);
  ini.WriteString(kMainSection, kCurrentKey, CfgName);
  ini.UpdateFile();
  return true;
}

}  // namespace morvane
