#include <gtest/gtest.h>

#include <filesystem>

#include "engine/test_buffer.h"
#include "engine/test_dataset.h"
#include "engine/text_export.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/testing/temp_path.h"

namespace morvane {
namespace {

using namespace testing;

TEST(TextExport, QuotingRules) {
  struct Case {
    std::vector<std::string> values;
    char separator;
    std::string line;
  };
  const Case cases[] = {
      {{"a", "b"}, ';', "\"a\";\"b\""},
      {{"a", "b"}, '\t', "a\tb"},
      {{"say \"hi\"", ""}, ',', "\"say \"\"hi\"\"\",\"\""},
      {{"x;y"}, ';', "\"x;y\""},
      {{}, ';', ""},
  };
  for (const Case& exportCase : cases) {
    EXPECT_EQ(ExportLine(exportCase.values, exportCase.separator), exportCase.line);
  }
}

class ExportTest : public ::testing::Test {
 protected:
  ExportTest()
      : table_(TestBuffer()
                   .Layout({"T.ID i", "T.NAME s60", "T.NOTE m", "T.CODE 9"})
                   .Record({Int(1), Text("ООО \"Ромашка\""), Blob("memo"), Small("A1")})
                   .Record({Int(2), Absent(), Absent(), Small("B2")})
                   .Bytes()),
        fileName_(testing_support::TestTempPath("engine-export.txt")) {}
  void SetUp() override { table_.Open(); }
  void TearDown() override { std::filesystem::remove(fileName_); }
  std::string Written() {
    std::vector<char> bytes = ReadWholeFile(fileName_);
    return std::string(bytes.begin(), bytes.end());
  }

  MemoryDataset table_;
  std::string fileName_;
};

TEST_F(ExportTest, SemicolonQuotesEveryValueAndLeavesBlobsOut) {
  table_.SetRecNo(2);
  table_.ExportToTxt(fileName_, ';');
  EXPECT_EQ(Written(), "\"1\";\"ООО \"\"Ромашка\"\"\";\"A1\"\r\n\"2\";\"\";\"B2\"\r\n");
  EXPECT_EQ(table_.RecNo(), 2);
}

TEST_F(ExportTest, TabWritesValuesAsTheyAre) {
  table_.ExportToTxt(fileName_, '\t');
  EXPECT_EQ(Written(), "1\tООО \"Ромашка\"\tA1\r\n2\t\tB2\r\n");
}

TEST_F(ExportTest, ExportFollowsTheViewAndFailsLoudlyOnABadPath) {
  table_.SetIndexFieldNames("CODE");
  table_.SetSortOptions({zsoDescendSort});
  table_.ExportToTxt(fileName_, '\t');
  EXPECT_EQ(Written().substr(0, 2), "2\t");
  EXPECT_THROW(table_.ExportToTxt("/nonexistent-folder/x.txt", ';'), EFCreateError);
  EXPECT_FALSE(table_.ControlsDisabled());
}

}  // namespace
}  // namespace morvane
