// CMvCFG: the replacement settings of the wizard, kept in Mvrn.ini.
//
// One section per named setting, plus section "Main" whose key "CurrCfg"
// names the current one:
//
//   [Main]
//   CurrCfg=Goods.Unit
//   [Goods.Unit]
//   SrcTbl=Goods      table whose field is changed
//   SrcFld=Unit       field that is changed
//   SUnFld=Good       key field of SrcTbl
//   InfTbl=Units      table that holds the allowed new values
//   InfFld=Ident      field of InfTbl with those values
//   AWFld=0           non-zero: restrict to a date period (written by hand)
//   AFld01=           date field of SrcTbl for the period (written by hand)
//   AFV01=30          period length in days, ending today (written by hand)
//
// Missing keys read as the defaults shown above (AFld01 empty). Save names the
// section SrcTbl + "." + SrcFld and writes only the five table/field keys, so
// a hand-written date restriction survives a save. The INI file object lives
// only inside Load, Save and SaveCurrent. A write creates the settings folder
// when it is missing; one that cannot reach the disk raises EFCreateError;
// everything else succeeds.
//
// ExeDir is the folder of Mvrn.ini: beside the executable, or the user's
// configuration folder for an installed program (platform/rtl/program_folders.h).
#pragma once

#include <cstdint>
#include <string>

namespace morvane {

class CMvCFG {
 public:
  // Settings in exeDir, the folder of Mvrn.ini ("/some/dir/"; a missing
  // trailing separator is added; empty means the current folder).
  explicit CMvCFG(std::string exeDir);

  bool Load();         // always true
  bool Save();         // always true
  bool SaveCurrent();  // always true

  std::string ExeDir;
  std::string IniPath;
  std::string CfgName;
  std::string SrcTbl;
  std::string SrcFld;
  std::string SUnFld;
  std::string InfTbl;
  std::string InfFld;
  std::string SrcFullFld;  // SrcTbl.SrcFld
  std::string SrcFullKey;  // SrcTbl.SUnFld
  std::string InfFullFld;  // InfTbl.InfFld
  bool AWFld = false;
  std::string AFld01;
  int32_t AFV01 = 0;
  std::string SrcFullDate;  // SrcTbl.AFld01, refreshed by Load only
};

}  // namespace morvane
