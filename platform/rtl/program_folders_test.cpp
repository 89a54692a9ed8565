#include "platform/rtl/program_folders.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>

#include "platform/rtl/testing/temp_path.h"

namespace morvane {
namespace {

namespace fs = std::filesystem;

// Sets an environment variable for one test and puts the old value back.
class ScopedVariable {
 public:
  ScopedVariable(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    if (value) {
      setenv(name, value, 1);
    } else {
      unsetenv(name);
    }
  }
  ~ScopedVariable() {
    if (old_) {
      setenv(name_, old_->c_str(), 1);
    } else {
      unsetenv(name_);
    }
  }

 private:
  const char* name_;
  std::optional<std::string> old_;
};

// A build tree (build/app/) and an unpacked package (usr/bin/ beside
// usr/share/morvane/) side by side in one temporary folder.
class ProgramFoldersTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = testing_support::TestTempPath("program-folders");
    fs::create_directories(root_ / "build/app");
    fs::create_directories(root_ / "usr/bin");
    fs::create_directories(root_ / "usr/share/morvane");
    buildTree_ = (root_ / "build/app").string() + "/";
    installed_ = (root_ / "usr/bin").string() + "/";
  }
  void TearDown() override { fs::remove_all(root_); }

  fs::path root_;
  std::string buildTree_;
  std::string installed_;
};

TEST_F(ProgramFoldersTest, InstalledLayoutIsKnownByItsSharedDataFolder) {
  EXPECT_EQ(InstalledDataFolder(buildTree_), "");
  EXPECT_EQ(InstalledDataFolder(installed_), installed_ + "../share/morvane/");
  EXPECT_EQ(InstalledDataFolder(""), "");
}

TEST_F(ProgramFoldersTest, SettingsFolderFollowsTheLayoutAndTheFileBesideTheExecutable) {
  ScopedVariable config("XDG_CONFIG_HOME", "/xdg/config");
  EXPECT_EQ(SettingsFolder("Mvrn.ini", buildTree_), buildTree_)
      << "a build tree keeps its settings beside itself, file or not";
  EXPECT_EQ(SettingsFolder("Mvrn.ini", installed_), "/xdg/config/morvane/");
  std::ofstream(installed_ + "Mvrn.ini") << "[Main]\n";
  EXPECT_EQ(SettingsFolder("Mvrn.ini", installed_), installed_)
      << "a file beside an installed executable is still used there";
  EXPECT_EQ(SettingsFolder("netbrg.ini", installed_), "/xdg/config/morvane/")
      << "each file is looked for on its own";
}

TEST_F(ProgramFoldersTest, UserConfigFolderFallsBackToHomeUnlessTheVariableIsAbsolute) {
  ScopedVariable home("HOME", "/home/clerk");
  const struct {
    const char* xdgConfigHome;
    const char* expected;
  } cases[] = {
      {"/xdg/config", "/xdg/config/morvane/"},
      {nullptr, "/home/clerk/.config/morvane/"},
      {"", "/home/clerk/.config/morvane/"},
      {"relative/config", "/home/clerk/.config/morvane/"},
  };
  for (const auto& testCase : cases) {
    ScopedVariable config("XDG_CONFIG_HOME", testCase.xdgConfigHome);
    EXPECT_EQ(UserConfigFolder(), testCase.expected)
        << (testCase.xdgConfigHome ? testCase.xdgConfigHome : "(unset)");
  }
}

}  // namespace
}  // namespace morvane
