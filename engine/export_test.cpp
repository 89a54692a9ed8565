#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

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

// The export reads plain fields straight from the record slots; every value
// must still be exactly the field's AsString, read record by record.
TEST(TextExportValues, EveryValueIsTheFieldsAsString) {
  TestBuffer buffer;
  buffer.Layout({"T.ID i", "T.CODE 5", "T.NAME s40", "T.PRICE f", "T.DAY d", "T.OK b"});
  // An inline text filling its slot, a heap text longer than its declared
  // length with a two-byte letter at the cut, empty and missing values.
  buffer.Record({Int(-2147483647 - 1), Small("ABCDEF"),
                 Text(std::string(39, 'x') + "ЖЖ"), Dbl(0.1), Int(738000), Bool(true)});
  buffer.Record({Int(0), Absent(), Absent(), Absent(), Absent(), Absent()});
  buffer.Record({Int(42), Small("Ёж"), Text("ООО \"Ромашка\""), Dbl(-1e21), Int(1), Bool(false)});
  MemoryDataset table(buffer.Bytes());
  table.Open();
  for (char separator : {'\t', ';'}) {
    std::vector<std::string> expected;
    for (table.First(); !table.Eof(); table.Next()) {
      std::vector<std::string> values;
      for (TField* field : table.Fields()) values.push_back(field->AsString());
      expected.push_back(ExportLine(values, separator) + "\r\n");
    }
    std::string written;
    table.ExportToTxt([&](std::string_view block) { written += block; }, separator);
    std::string joined;
    for (const std::string& line : expected) joined += line;
    EXPECT_EQ(written, joined) << "separator " << int(separator);
  }
}

// A large view goes out in several blocks, each of whole lines, and the file
// export writes the same bytes.
TEST(TextExportValues, LargeExportsStreamInBlocksOfWholeLines) {
  TestBuffer buffer;
  buffer.Layout({"T.ID i", "T.NAME s200"});
  for (int id = 1; id <= 5000; ++id) buffer.Record({Int(id), Text(std::string(150, 'n'))});
  MemoryDataset table(buffer.Bytes());
  table.Open();
  table.SetRecNo(17);
  std::vector<std::string> blocks;
  table.ExportToTxt([&](std::string_view block) { blocks.emplace_back(block); }, '\t');
  EXPECT_GT(blocks.size(), 1u);
  std::string streamed;
  for (const std::string& block : blocks) {
    EXPECT_EQ(block.substr(block.size() - 2), "\r\n");
    streamed += block;
  }
  EXPECT_EQ(table.RecNo(), 17);
  const std::string fileName = testing_support::TestTempPath("engine-export-large.txt");
  table.ExportToTxt(fileName, '\t');
  const std::vector<char> bytes = ReadWholeFile(fileName);
  std::filesystem::remove(fileName);
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), streamed);
  EXPECT_EQ(streamed.substr(0, 7), "1\t" + std::string(5, 'n'));
}

}  // namespace
}  // namespace morvane
