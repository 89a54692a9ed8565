#include "tools/arguments.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tools/commands.h"

namespace morvane::tools {
namespace {

const CommandSyntax kDump = {{"FILE"}, {{"--index", "NAMES"}, {"--descending", ""}}};

TEST(ArgumentsTest, OptionsStandAnywhereInEitherForm) {
  ParsedArguments parsed = ParseArguments(kDump, {"--descending", "a.d", "--index=Unit;Good"});
  EXPECT_EQ(parsed.Positional(0), "a.d");
  EXPECT_EQ(parsed.Value("--index"), "Unit;Good");
  EXPECT_TRUE(parsed.Has("--descending"));

  parsed = ParseArguments(kDump, {"--index", "--odd", "a.d"});
  EXPECT_EQ(parsed.Value("--index"), "--odd");  // a value is taken as it stands
  EXPECT_FALSE(parsed.Has("--descending"));
  EXPECT_EQ(parsed.Value("--descending"), "");
}

TEST(ArgumentsTest, AnythingTheCommandDoesNotTakeIsAUsageError) {
  const CommandSyntax script = {{"FILE", "OUT"}, {{"--origin", "TABLE", true}}};
  const std::vector<std::vector<std::string>> bad = {
      {"a.d", "b.sql"},                            // required option missing
      {"a.d", "b.sql", "--origin="},               // required option empty
      {"a.d", "--origin", "T"},                    // argument missing
      {"a.d", "b.sql", "c", "--origin", "T"},      // argument extra
      {"a.d", "b.sql", "--origin", "T", "--oem"},  // option unknown
      {"a.d", "b.sql", "--origin"},                // value missing
  };
  for (const auto& arguments : bad) EXPECT_THROW(ParseArguments(script, arguments), UsageError);
  EXPECT_THROW(ParseArguments(kDump, {"a.d", "--descending=1"}), UsageError);
}

TEST(ArgumentsTest, UsageShowsEveryCommandWithItsArguments) {
  const std::string usage = UsageText();
  for (const ToolCommand& command : ToolCommands())
    EXPECT_NE(usage.find("morvane-data " + command.name + " "), std::string::npos) << command.name;
  EXPECT_NE(usage.find("script FILE OUT --origin TABLE [--oem]"), std::string::npos);
}

}  // namespace
}  // namespace morvane::tools
