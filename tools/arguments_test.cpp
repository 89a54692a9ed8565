#include "tools/arguments.h"

#include <gtest/gtest.h>

#include <string>

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

}  // namespace
}  // namespace morvane::tools
