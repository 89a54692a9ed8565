#include "replace/wizard_options.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/rtl/testing/temp_path.h"

namespace morvane {
namespace {

class WizardOptionsTest : public ::testing::Test {
 protected:
  void SetUp() override { std::filesystem::remove_all(folder_); }
  void TearDown() override { std::filesystem::remove_all(folder_); }
  std::string Text() const {
    std::ifstream file(ini_, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
  }
  const std::string folder_ = testing_support::TestTempPath("wizard-options");
  const std::string ini_ = folder_ + "/settings/Mvrn.ini";
};

TEST_F(WizardOptionsTest, AFirstStartSwitchesEverythingOnButAnExistingFileStaysExactly) {
  EXPECT_TRUE(WriteFirstStartOptions(ini_));
  CWizardOptions options = LoadWizardOptions(ini_);
  EXPECT_TRUE(options.Present && options.Counts && options.Suggestions && options.Groups);
  EXPECT_EQ(options.Width, 0);
  // Once a file exists, starting again leaves it alone, even without the section.
  {
    std::ofstream file(ini_, std::ios::binary | std::ios::trunc);
    file << "[Main]\nCurrCfg=Goods.Unit\n";
  }
  EXPECT_FALSE(WriteFirstStartOptions(ini_));
  EXPECT_EQ(Text(), "[Main]\nCurrCfg=Goods.Unit\n");
  options = LoadWizardOptions(ini_);
  EXPECT_FALSE(options.Present || options.Counts || options.Suggestions || options.Groups);
}

TEST_F(WizardOptionsTest, TheSwitchesAreKeptBesideTheOtherKeys) {
  std::filesystem::create_directories(folder_ + "/settings");
  {
    std::ofstream file(ini_, std::ios::binary | std::ios::trunc);
    file << "[Wizard]\nWidth=900\nHeight=700\nCounts=1\n[Goods.Unit]\nSrcTbl=Goods\n";
  }
  CWizardOptions options = LoadWizardOptions(ini_);
  options.Counts = false;
  options.Groups = true;
  SaveWizardSwitches(ini_, options);
  const CWizardOptions read = LoadWizardOptions(ini_);
  EXPECT_FALSE(read.Counts);
  EXPECT_FALSE(read.Suggestions);
  EXPECT_TRUE(read.Groups);
  EXPECT_EQ(read.Width, 900);
  EXPECT_EQ(read.Height, 700);
  EXPECT_NE(Text().find("SrcTbl=Goods"), std::string::npos);
}

}  // namespace
}  // namespace morvane
