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

TEST(ArgumentsTest, DoubleDashEndsTheOptionsAndSqlCommentsAreArguments) {
  const CommandSyntax exec = {{"SQL"}, {{"--file", "F", false, true}}};
  EXPECT_EQ(ParseArguments(exec, {"--", "--file"}).Positional(0), "--file");
  EXPECT_EQ(ParseArguments(exec, {"--", "-- undo\nUPDATE T SET a = 1"}).Positional(0),
            "-- undo\nUPDATE T SET a = 1");
  // No option is named with a blank or a line break in it.
  EXPECT_EQ(ParseArguments(exec, {"-- undo\nUPDATE T"}).Positional(0), "-- undo\nUPDATE T");
  EXPECT_EQ(ParseArguments(exec, {"-"}).Positional(0), "-");
  EXPECT_THROW(ParseArguments(exec, {"--fiel", "x"}), UsageError);

  // --file stands for the SQL argument, never beside it.
  const CommandSyntax query = {{"SQL", "OUT"}, {{"--file", "F", false, true}}};
  const ParsedArguments parsed = ParseArguments(query, {"--file", "q.sql", "out.d"});
  EXPECT_EQ(parsed.Value("--file"), "q.sql");
  EXPECT_EQ(parsed.Positional(0), "out.d");
  EXPECT_THROW(ParseArguments(query, {"--file", "q.sql", "SELECT 1", "out.d"}), UsageError);
  EXPECT_THROW(ParseArguments(query, {"out.d"}), UsageError);
}

}  // namespace
}  // namespace morvane::tools
