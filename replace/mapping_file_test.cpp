#include "replace/mapping_file.h"

#include <gtest/gtest.h>

#include "replace/replacement_messages.h"

namespace morvane {
namespace {

TEST(MappingFileTest, ReadsPairsByteForByteWithTheirLineNumbers) {
  std::vector<ReplacementPair> mapping;
  std::string error;
  ASSERT_TRUE(TryParseMappingFile("\xEF\xBB\xBFшт.\tшт\r\n\n шт \tшт\nкг\\tм\tC:\\temp\\\\x\\q",
                                  mapping, error))
      << error;
  ASSERT_EQ(mapping.size(), 3u);
  EXPECT_EQ(mapping[0].oldValue, "шт.");
  EXPECT_EQ(mapping[0].newValue, "шт");
  EXPECT_EQ(mapping[0].line, 1);
  EXPECT_EQ(mapping[1].oldValue, " шт ");
  EXPECT_EQ(mapping[1].line, 3);
  EXPECT_EQ(mapping[2].oldValue, "кг\tм");
  EXPECT_EQ(mapping[2].newValue, "C:\temp\\x\\q");
}

TEST(MappingFileTest, RefusesMalformedLinesWithTheirNumber) {
  struct Case {
    std::string text;
    std::string error;
  };
  const Case cases[] = {
      {"a\tb\nno tab here\n", replacemsg::MappingLine(2, replacemsg::kNoTab)},
      {"a\tb\tc\n", replacemsg::MappingLine(1, replacemsg::kExtraTab)},
      {"a\tb\r\n\r\n\tb\r\n", replacemsg::MappingLine(3, replacemsg::kEmptyOld)},
      {"a\t\n", replacemsg::MappingLine(1, replacemsg::kEmptyNew)},
      {"\n\r\n", replacemsg::kEmptyMapping},
  };
  for (const Case& c : cases) {
    std::vector<ReplacementPair> mapping = {{"keep", "me", 1}};
    std::string error;
    EXPECT_FALSE(TryParseMappingFile(c.text, mapping, error)) << c.text;
    EXPECT_EQ(error, c.error);
    EXPECT_EQ(mapping.size(), 1u);
  }
}

TEST(MappingFileTest, WrittenMappingReadsBackTheSame) {
  const std::vector<ReplacementPair> written = {
      {"\xEF\xBB\xBFmark", "x", 1},
      {"tab\there", "line\nbreak", 2},
      {"back\\slash\\t", "cr\r", 3},
      {" шт ", "шт", 4}};
  std::vector<ReplacementPair> read;
  std::string error;
  ASSERT_TRUE(TryParseMappingFile(FormatMappingFile(written), read, error)) << error;
  ASSERT_EQ(read.size(), written.size());
  for (size_t i = 0; i < read.size(); ++i) {
    EXPECT_EQ(read[i].oldValue, written[i].oldValue);
    EXPECT_EQ(read[i].newValue, written[i].newValue);
  }
}

// A first current value that spells the period line's word stays a pair.
TEST(MappingFileTest, FirstValueLikeThePeriodLineReadsBackAsAPair) {
  const std::vector<ReplacementPair> written = {{"-- period", "x", 1}, {"a", "b", 2}};
  std::vector<ReplacementPair> read;
  std::string error;
  ASSERT_TRUE(TryParseMappingFile(FormatMappingFile(written), read, error)) << error;
  ASSERT_EQ(read.size(), 2u);
  EXPECT_EQ(read[0].oldValue, "-- period");
  EXPECT_EQ(read[0].newValue, "x");
}

TEST(MappingFileTest, PeriodLineReadsBackAndIsRefusedWhereItCannotBeApplied) {
  const MappingPeriod period{"Sales.Day", EncodeDate(2026, 11, 7), EncodeDate(2026, 12, 7)};
  const std::string text = FormatMappingFile({{"A", "B", 1}}, period);
  EXPECT_EQ(text, "-- period\tSales.Day\t2026-11-07\t2026-12-07\nA\tB\n");
  std::vector<ReplacementPair> read;
  std::string error;
  MappingPeriod readPeriod;
  ASSERT_TRUE(TryParseMappingFile(text, read, error, &readPeriod)) << error;
  EXPECT_EQ(readPeriod.dateField, "Sales.Day");
  EXPECT_EQ(readPeriod.from, period.from);
  EXPECT_EQ(readPeriod.to, period.to);
  ASSERT_EQ(read.size(), 1u);
  EXPECT_EQ(read[0].line, 2);

  // A reader that cannot restrict by date, or a malformed period, refuses
  // rather than change rows outside the period.
  const std::string refusal = replacemsg::MappingLine(1, replacemsg::kPeriodNotApplicable);
  EXPECT_FALSE(TryParseMappingFile(text, read, error));
  EXPECT_EQ(error, refusal);
  EXPECT_FALSE(TryParseMappingFile("-- period\tSales.Day\t2026-13-07\t2026-12-07\nA\tB\n", read,
                                   error, &readPeriod));
  EXPECT_EQ(error, refusal);
}

}  // namespace
}  // namespace morvane
