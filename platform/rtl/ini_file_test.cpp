#include "platform/rtl/ini_file.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/rtl/exceptions.h"
#include "platform/rtl/streams.h"

namespace morvane {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;

// Each test gets its own folder with "Mvrn.ini" in it (not yet created).
class IniFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "rtl_ini_XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    folder_ = pattern;
    fileName_ = (folder_ / "Mvrn.ini").string();
  }
  void TearDown() override { fs::remove_all(folder_); }

  void WriteFile(std::string_view text) {
    WriteFileAtomically(fileName_, text.data(), text.size());
  }
  std::string FileText() const {
    std::vector<char> bytes = ReadWholeFile(fileName_);
    return std::string(bytes.begin(), bytes.end());
  }

  fs::path folder_;
  std::string fileName_;
};

TEST_F(IniFileTest, MissingFileReadsDefaultsAndFirstWriteCreatesIt) {
  TIniFile ini(fileName_);
  EXPECT_EQ(ini.ReadString("Main", "CurrCfg", "Goods.Unit"), "Goods.Unit");
  EXPECT_EQ(ini.ReadInteger("Goods.Unit", "AFV01", 30), 30);
  EXPECT_FALSE(ini.ReadBool("Goods.Unit", "AWFld", false));
  EXPECT_FALSE(fs::exists(fileName_)) << "reading must not create the file";

  ini.WriteString("Main", "CurrCfg", "Parts.Unit");
  ini.WriteString("Parts.Unit", "SrcTbl", "Parts");
  EXPECT_EQ(FileText(), "[Main]\r\nCurrCfg=Parts.Unit\r\n\r\n[Parts.Unit]\r\nSrcTbl=Parts\r\n");
  EXPECT_EQ(ini.ReadString("main", "currcfg", ""), "Parts.Unit");
}

TEST_F(IniFileTest, NumbersAndBooleansFallBackToTheDefaultWhenNotIntegers) {
  WriteFile("[S]\nA= 12 \nB=12a\nC=\nD=0\nE=-3\nF=yes\nG=99999999999\n");
  TIniFile ini(fileName_);
  struct Case {
    const char* key;
    int32_t integer;  // ReadInteger with default 7
    bool boolean;     // ReadBool with default true
  };
  const Case cases[] = {{"A", 12, true}, {"B", 7, true}, {"C", 7, true}, {"D", 0, false},
                        {"E", -3, true}, {"F", 7, true}, {"G", 7, true}, {"Absent", 7, true}};
  for (const Case& c : cases) {
    EXPECT_EQ(ini.ReadInteger("S", c.key, 7), c.integer) << c.key;
    EXPECT_EQ(ini.ReadBool("S", c.key, true), c.boolean) << c.key;
  }
  ini.WriteBool("S", "H", true);
  ini.WriteInteger("S", "I", -42);
  EXPECT_EQ(ini.ReadString("S", "H", ""), "1");
  EXPECT_EQ(ini.ReadInteger("S", "I", 0), -42);
}

TEST_F(IniFileTest, SectionsAndKeysMatchWithoutRegardToCaseIncludingCyrillic) {
  WriteFile("[Настройки]\r\nТаблица=Товары\r\n[goods]\r\nUNIT= шт \r\n");
  TIniFile ini(fileName_);
  EXPECT_EQ(ini.ReadString("НАСТРОЙКИ", "таблица", "-"), "Товары");
  EXPECT_EQ(ini.ReadString("GOODS", "unit", "-"), "шт");
  EXPECT_TRUE(ini.SectionExists("настройки"));
  EXPECT_TRUE(ini.ValueExists("Goods", "Unit"));
  EXPECT_FALSE(ini.ValueExists("Настройки", "Unit"));

  ini.WriteString("настройки", "ТАБЛИЦА", "Склад");
  EXPECT_EQ(FileText(), "[Настройки]\r\nТаблица=Склад\r\n[goods]\r\nUNIT= шт \r\n");
}

TEST_F(IniFileTest, SectionNamesMayHoldBrackets) {
  TIniFile ini(fileName_);
  ini.WriteString("[Order Details].Unit", "SrcTbl", "[Order Details]");
  ini.WriteString("[Order Details].Unit", "SrcFld", "Unit");
  EXPECT_EQ(FileText(),
            "[[Order Details].Unit]\r\nSrcTbl=[Order Details]\r\nSrcFld=Unit\r\n");
  EXPECT_EQ(TIniFile(fileName_).ReadString("[order details].unit", "SrcFld", "-"), "Unit");
}

TEST_F(IniFileTest, WriteKeepsCommentsOrderAndAKeyAddedByHand) {
  WriteFile(
      "; settings of the wizard\n"
      "[Main]\n"
      "CurrCfg=Goods.Unit\n"
      "\n"
      "[Goods.Unit]\n"
      "SrcTbl=Goods\n"
      "\n"
      "; next one\n"
      "[Other]\n"
      "X=1\n");
  TIniFile ini(fileName_);
  // Added by hand after the object read the file.
  WriteFile(
      "; settings of the wizard\n"
      "[Main]\n"
      "CurrCfg=Goods.Unit\n"
      "\n"
      "[Goods.Unit]\n"
      "SrcTbl=Goods\n"
      "AWFld=1\n"
      "\n"
      "; next one\n"
      "[Other]\n"
      "X=1\n");
  ini.WriteString("Goods.Unit", "SrcTbl", "Goods2");
  ini.WriteString("Goods.Unit", "SrcFld", "Unit");
  EXPECT_EQ(FileText(),
            "; settings of the wizard\r\n"
            "[Main]\r\n"
            "CurrCfg=Goods.Unit\r\n"
            "\r\n"
            "[Goods.Unit]\r\n"
            "SrcTbl=Goods2\r\n"
            "AWFld=1\r\n"
            "SrcFld=Unit\r\n"
            "\r\n"
            "; next one\r\n"
            "[Other]\r\n"
            "X=1\r\n");
  EXPECT_TRUE(ini.ReadBool("Goods.Unit", "AWFld", false));
}

TEST_F(IniFileTest, FailedWriteKeepsTheOldFileAndRaises) {
  WriteFile("[Main]\r\nCurrCfg=Goods.Unit\r\n");
  TIniFile ini(fileName_);
  // Where the temporary file would go, a folder now stands in the way of the
  // rename; simulate with a target that is a folder.
  std::string blockedName = (folder_ / "blocked.ini").string();
  fs::create_directory(blockedName);
  TIniFile blocked(blockedName);
  EXPECT_THROW(blocked.WriteString("Main", "CurrCfg", "x"), EFCreateError);
  EXPECT_TRUE(fs::is_directory(blockedName));

  // The settings file's folder disappears: the write fails, the reads still
  // give what the file held.
  fs::path moved = folder_.string() + "_moved";
  fs::rename(folder_, moved);
  EXPECT_THROW(ini.WriteString("Main", "CurrCfg", "Parts.Unit"), EFCreateError);
  EXPECT_EQ(ini.ReadString("Main", "CurrCfg", ""), "Goods.Unit");
  fs::rename(moved, folder_);
  EXPECT_EQ(FileText(), "[Main]\r\nCurrCfg=Goods.Unit\r\n");
}

TEST_F(IniFileTest, RepeatedSectionsCountAsOneAndTheFirstKeyWins) {
  WriteFile("[A]\nk=1\nk=2\n[B]\nk=3\n[a]\nm=4\n");
  TIniFile ini(fileName_);
  EXPECT_EQ(ini.ReadString("A", "K", ""), "1");
  EXPECT_EQ(ini.ReadString("A", "M", ""), "4");
  EXPECT_THAT(ini.ReadSection("a").Lines(), ElementsAre("k", "m"));
  EXPECT_THAT(ini.ReadSections().Lines(), ElementsAre("A", "B"));

  ini.DeleteKey("a", "K");
  EXPECT_FALSE(ini.ValueExists("A", "k"));
  EXPECT_EQ(ini.ReadString("B", "k", ""), "3");
  ini.EraseSection("A");
  EXPECT_EQ(FileText(), "[B]\r\nk=3\r\n");
}

TEST_F(IniFileTest, LineBreaksInAValueCannotInjectKeys) {
  TIniFile ini(fileName_);
  ini.WriteString("S", "Key", "one\r\n[Evil]\nX=1");
  EXPECT_FALSE(ini.SectionExists("Evil"));
  EXPECT_EQ(ini.ReadString("S", "Key", ""), "one  [Evil] X=1");
}

TEST_F(IniFileTest, UpdateFileSeesChangesMadeByOthersAndTheByteOrderMarkSurvives) {
  WriteFile("\xEF\xBB\xBF[Main]\nCurrCfg=A\n");
  TIniFile ini(fileName_);
  EXPECT_EQ(ini.ReadString("Main", "CurrCfg", ""), "A");
  TIniFile other(fileName_);
  other.WriteString("Main", "CurrCfg", "B");
  EXPECT_EQ(ini.ReadString("Main", "CurrCfg", ""), "A");
  ini.WriteString("", "", "");  // the flush call re-reads
  EXPECT_EQ(ini.ReadString("Main", "CurrCfg", ""), "B");
  EXPECT_EQ(FileText(), "\xEF\xBB\xBF[Main]\r\nCurrCfg=B\r\n");
}

}  // namespace
}  // namespace morvane
