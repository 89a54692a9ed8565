#include "replace/mv_cfg.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/rtl/ini_file.h"

namespace morvane {
namespace {

class SettingsStoreTest : public testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() /
           ("mvcfg-" + std::string(testing::UnitTest::GetInstance()->current_test_info()->name()));
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  void WriteIni(const std::string& text) { std::ofstream(dir_ / "Mvrn.ini") << text; }
  std::string IniText() const {
    std::ifstream in(dir_ / "Mvrn.ini");
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }

  std::filesystem::path dir_;
};

TEST_F(SettingsStoreTest, ConstructorRecordsThePathAndLeavesTheFileAlone) {
  CMvCFG cfg(dir_.string());
  EXPECT_EQ(cfg.ExeDir, dir_.string() + "/");
  EXPECT_EQ(cfg.IniPath, dir_.string() + "/Mvrn.ini");
  EXPECT_TRUE(cfg.CfgName.empty());
  EXPECT_FALSE(std::filesystem::exists(dir_ / "Mvrn.ini"));
}

TEST_F(SettingsStoreTest, LoadWithoutFileGivesTheDefaults) {
  CMvCFG cfg(dir_.string());
  EXPECT_TRUE(cfg.Load());
  EXPECT_EQ(cfg.CfgName, "Goods.Unit");
  EXPECT_EQ(cfg.SrcTbl, "Goods");
  EXPECT_EQ(cfg.SrcFld, "Unit");
  EXPECT_EQ(cfg.SUnFld, "Good");
  EXPECT_EQ(cfg.InfTbl, "Units");
  EXPECT_EQ(cfg.InfFld, "Ident");
  EXPECT_FALSE(cfg.AWFld);
  EXPECT_EQ(cfg.AFld01, "");
  EXPECT_EQ(cfg.AFV01, 30);
  EXPECT_EQ(cfg.SrcFullFld, "Goods.Unit");
  EXPECT_EQ(cfg.SrcFullKey, "Goods.Good");
  EXPECT_EQ(cfg.InfFullFld, "Units.Ident");
  EXPECT_EQ(cfg.SrcFullDate, "Goods.");
  EXPECT_FALSE(std::filesystem::exists(dir_ / "Mvrn.ini"));
}

TEST_F(SettingsStoreTest, LoadReadsTheCurrentSectionAndDefaultsMissingKeys) {
  WriteIni(
      "[Main]\r\nCurrCfg=Parts.Unit\r\n[Parts.Unit]\r\nSrcTbl=Parts\r\nSUnFld=Part\r\n"
      "AWFld=1\r\nAFld01=Made\r\nAFV01=abc\r\n");
  CMvCFG cfg(dir_.string());
  cfg.Load();
  EXPECT_EQ(cfg.CfgName, "Parts.Unit");
  EXPECT_EQ(cfg.SrcTbl, "Parts");
  EXPECT_EQ(cfg.SrcFld, "Unit");
  EXPECT_EQ(cfg.SUnFld, "Part");
  EXPECT_TRUE(cfg.AWFld);
  EXPECT_EQ(cfg.AFV01, 30);  // not a number: the default
  EXPECT_EQ(cfg.SrcFullKey, "Parts.Part");
  EXPECT_EQ(cfg.SrcFullDate, "Parts.Made");
}

TEST_F(SettingsStoreTest, SaveCurrentNamingAMissingSectionLoadsDefaultsUnderThatName) {
  CMvCFG cfg(dir_.string());
  cfg.CfgName = "Parts.Unit";
  cfg.SaveCurrent();
  CMvCFG reread(dir_.string());
  reread.Load();
  EXPECT_EQ(reread.CfgName, "Parts.Unit");
  EXPECT_EQ(reread.SrcTbl, "Goods");
  EXPECT_EQ(TIniFile(cfg.IniPath).ReadString("Main", "CurrCfg", ""), "Parts.Unit");
  EXPECT_FALSE(TIniFile(cfg.IniPath).SectionExists("Parts.Unit"));
}

TEST_F(SettingsStoreTest, SaveNamesTheSectionAfterTableAndFieldAndKeepsHandWrittenKeys) {
  WriteIni("[Parts.Unit]\r\nAWFld=1\r\nAFld01=Made\r\nAFV01=7\r\n");
  CMvCFG cfg(dir_.string());
  cfg.Load();
  const std::string previousDate = cfg.SrcFullDate;
  cfg.CfgName = "whatever the name edit shows";
  cfg.SrcTbl = "Parts";
  cfg.SrcFld = "Unit";
  cfg.SUnFld = "Part";
  cfg.InfTbl = "Units";
  cfg.InfFld = "Ident";
  EXPECT_TRUE(cfg.Save());
  EXPECT_EQ(cfg.CfgName, "Parts.Unit");
  EXPECT_EQ(cfg.SrcFullFld, "Parts.Unit");
  EXPECT_EQ(cfg.SrcFullKey, "Parts.Part");
  EXPECT_EQ(cfg.SrcFullDate, previousDate);  // refreshed by the next Load only

  TIniFile ini(cfg.IniPath);
  EXPECT_EQ(ini.ReadString("Main", "CurrCfg", ""), "Parts.Unit");
  EXPECT_EQ(ini.ReadSection("Parts.Unit").CommaText(),
            "AWFld,AFld01,AFV01,SrcTbl,SrcFld,SUnFld,InfTbl,InfFld");
  EXPECT_EQ(ini.ReadString("Parts.Unit", "AFV01", ""), "7");
  EXPECT_EQ(ini.ReadString("Parts.Unit", "SUnFld", ""), "Part");

  cfg.Load();
  EXPECT_TRUE(cfg.AWFld);
  EXPECT_EQ(cfg.SrcFullDate, "Parts.Made");
}

TEST_F(SettingsStoreTest, SaveWithEmptyEditsWritesTheSectionPoint) {
  CMvCFG cfg(dir_.string());
  cfg.Save();
  TIniFile ini(cfg.IniPath);
  EXPECT_EQ(ini.ReadString("Main", "CurrCfg", "?"), ".");
  EXPECT_EQ(ini.ReadSection(".").CommaText(), "SrcTbl,SrcFld,SUnFld,InfTbl,InfFld");
  EXPECT_EQ(ini.ReadString(".", "SrcTbl", "?"), "");
}

TEST_F(SettingsStoreTest, FirstWriteCreatesAMissingSettingsFolder) {
  // An installed program's settings folder (~/.config/morvane) may not exist yet.
  for (const bool saveCurrent : {false, true}) {
    const std::filesystem::path folder = dir_ / (saveCurrent ? "current" : "save") / "morvane";
    CMvCFG cfg(folder.string());
    cfg.SrcTbl = "Parts";
    cfg.SrcFld = "Unit";
    cfg.CfgName = "Parts.Unit";
    if (saveCurrent) {
      cfg.SaveCurrent();
    } else {
      cfg.Save();
    }
    EXPECT_EQ(TIniFile(cfg.IniPath).ReadString("Main", "CurrCfg", "?"), "Parts.Unit");
  }
}

}  // namespace
}  // namespace morvane
