#include "replace/replacement_log.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/rtl/testing/temp_path.h"

namespace morvane {
namespace {

std::string ReadText(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::stringstream text;
  text << file.rdbuf();
  return text.str();
}

class ReplacementLogTest : public ::testing::Test {
 protected:
  void SetUp() override { std::filesystem::remove_all(folder_); }
  void TearDown() override { std::filesystem::remove_all(folder_); }
  const std::string folder_ = testing_support::TestTempPath("replacement-log");
};

TEST_F(ReplacementLogTest, FolderFollowsXdgStateHomeElseHome) {
  const char* savedState = std::getenv("XDG_STATE_HOME");
  const std::string saved = savedState != nullptr ? savedState : "";
  const std::string savedHome = std::getenv("HOME") != nullptr ? std::getenv("HOME") : "";
  setenv("HOME", "/home/op", 1);
  setenv("XDG_STATE_HOME", "/var/state", 1);
  EXPECT_EQ(DefaultReplacementLogFolder(), "/var/state/morvane");
  setenv("XDG_STATE_HOME", "relative/ignored", 1);
  EXPECT_EQ(DefaultReplacementLogFolder(), "/home/op/.local/state/morvane");
  unsetenv("XDG_STATE_HOME");
  EXPECT_EQ(DefaultReplacementLogFolder(), "/home/op/.local/state/morvane");
  if (savedState != nullptr) setenv("XDG_STATE_HOME", saved.c_str(), 1);
  setenv("HOME", savedHome.c_str(), 1);
}

TEST_F(ReplacementLogTest, EntriesAreAppendedBesideTheirFiles) {
  ReplacementLog log(folder_ + "/morvane");
  const std::time_t time = 1'800'000'000;
  const ExecutionFiles files = log.NameFiles("Goods/Unit x", time);
  EXPECT_EQ(files.undo.substr(files.undo.size() - 9), "-undo.sql");
  EXPECT_NE(files.mapping.find("-Goods_Unit_x-mapping.tsv"), std::string::npos) << files.mapping;
  log.WriteFile(files.mapping, "a\tb\n");
  // The names of one execution are never reused by the next in the same second.
  const ExecutionFiles next = log.NameFiles("Goods/Unit x", time);
  EXPECT_NE(next.mapping, files.mapping);
  EXPECT_NE(next.undo, files.undo);

  ReplacementLogEntry entry;
  entry.time = time;
  entry.settingName = "Goods.Unit";
  entry.database = "SQLite 3.40.1; /srv/stock.db";
  entry.outcome = "выполнено";
  entry.mappingFile = files.mapping;
  entry.undoNote = "в настройке нет ключевого поля";
  entry.statements = {{2, "UPDATE T SET T.F = 'a\nb'", true, 3, ""},
                      {1, "UPDATE T SET T.F = 'c'", true, -1, "no such\ntable"},
                      {3, "UPDATE T SET T.F = 'd'", false, -1, ""}};
  log.Append(entry);
  log.Append(entry);
  const std::string text = ReadText(log.LogFile());
  const std::string one = ReplacementLog::FormatEntry(entry);
  EXPECT_EQ(text, one + one);
  EXPECT_NE(one.find("\nрежим: одним целым\n"), std::string::npos);
  EXPECT_NE(one.find("\nфайл отмены: нет (в настройке нет ключевого поля)\n"), std::string::npos);
  EXPECT_NE(one.find("\nстрока 2\tизменено 3\tUPDATE T SET T.F = 'a\\nb'\n"), std::string::npos);
  EXPECT_NE(one.find("\nстрока 1\tошибка: no such\\ntable\tUPDATE"), std::string::npos);
  EXPECT_NE(one.find("\nстрока 3\tне выполнена\t"), std::string::npos);
  struct stat info {};
  ASSERT_EQ(stat(log.Folder().c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0700u);
}

}  // namespace
}  // namespace morvane
