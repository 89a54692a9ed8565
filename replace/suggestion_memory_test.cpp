#include "replace/suggestion_memory.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/rtl/testing/temp_path.h"
#include "replace/mapping_file.h"
#include "replace/replacement_log.h"

namespace morvane {
namespace {

class SuggestionMemoryTest : public ::testing::Test {
 protected:
  void SetUp() override { std::filesystem::remove_all(folder_); }
  void TearDown() override { std::filesystem::remove_all(folder_); }

  // Logs a run the way a replacement does: its mapping file, then its
  // entry, with one statement per pair (the pairs' lines as the run had
  // them) that went through or failed as `went` says.
  void LogRun(const std::string& setting, bool whole, const std::vector<ReplacementPair>& pairs,
              const std::vector<bool>& went, std::time_t time) {
    const ReplacementLog log(folder_);
    const ExecutionFiles files = log.NameFiles(setting, time);
    log.WriteFile(files.mapping, FormatMappingFile(pairs));
    ReplacementLogEntry entry;
    entry.time = time;
    entry.settingName = setting;
    entry.allOrNothing = whole;
    entry.outcome = "итог";
    entry.mappingFile = files.mapping;
    // Statements run in another order than the file's: the run orders chains.
    for (size_t index = pairs.size(); index-- > 0;) {
      LoggedStatement statement;
      statement.line = pairs[index].line;
      statement.sql = "UPDATE t SET f = '" + pairs[index].newValue + "'";
      statement.ran = went[index];
      statement.rowsChanged = went[index] ? 2 : -1;
      if (!went[index]) statement.error = "отказ";
      entry.statements.push_back(statement);
    }
    log.Append(entry);
  }

  const std::string folder_ = testing_support::TestTempPath("suggestion-memory");
};

TEST_F(SuggestionMemoryTest, LaterRunsOfTheSameSettingWinAndOnlyWhatWentThroughCounts) {
  EXPECT_TRUE(RememberedChoices(folder_, "Goods.Unit").empty()) << "no log yet";
  LogRun("Goods.Unit", true, {{"шт.", "шт", 3}, {"Кг", "кг", 7}}, {true, true}, 1000);
  LogRun("Parts.Unit", true, {{"шт.", "уп", 1}}, {true}, 1001);
  // A whole run that failed changed nothing.
  LogRun("Goods.Unit", true, {{"литр", "л", 1}, {"Кг", "г", 2}}, {true, false}, 1002);
  // Line by line, each pair on its own; its lines were grid rows 4 and 9.
  LogRun("Goods.Unit", false, {{"шт.", "уп", 4}, {"кило", "кг", 9}}, {true, false}, 1003);

  const TRememberedChoices goods = RememberedChoices(folder_, "Goods.Unit");
  EXPECT_EQ(goods.size(), 2u);
  EXPECT_EQ(goods.at("шт."), "уп") << "the later run wins";
  EXPECT_EQ(goods.at("Кг"), "кг");
  EXPECT_EQ(goods.count("литр"), 0u);
  EXPECT_EQ(goods.count("кило"), 0u);
  const TRememberedChoices parts = RememberedChoices(folder_, "Parts.Unit");
  EXPECT_EQ(parts.size(), 1u);
  EXPECT_EQ(parts.at("шт."), "уп");
}

TEST_F(SuggestionMemoryTest, AMissingMappingFileOrAForeignEntryIsPassedOver) {
  LogRun("Goods.Unit", true, {{"a", "b", 1}}, {true}, 2000);
  const ReplacementLog log(folder_);
  ReplacementLogEntry undo;  // an undo run: no mapping file
  undo.settingName = "Goods.Unit";
  undo.statements.push_back({1, "UPDATE", true, 1, ""});
  log.Append(undo);
  ReplacementLogEntry gone = undo;
  gone.mappingFile = folder_ + "/nowhere.tsv";
  log.Append(gone);
  const TRememberedChoices chosen = RememberedChoices(folder_, "Goods.Unit");
  ASSERT_EQ(chosen.size(), 1u);
  EXPECT_EQ(chosen.at("a"), "b");
  EXPECT_TRUE(RememberedChoicesIn("garbage\n== \nстрока x\tизменено 1\n", "Goods.Unit").empty());
}

}  // namespace
}  // namespace morvane
