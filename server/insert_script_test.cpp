#include "server/insert_script.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/rtl/format_settings.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/testing/temp_path.h"
#include "server/test_tables.h"

namespace morvane {
namespace {

using testing::FillTable;

class InsertScriptTest : public ::testing::Test {
 protected:
  InsertScriptTest() {
    session.Session().SetEngine(zeDAO);
    // The user's settings write a decimal comma and dotted dates; the script
    // must not.
    FormatSettings() = RussianFormatSettings();
    std::filesystem::remove(path);
  }
  ~InsertScriptTest() override { std::filesystem::remove(path); }

  std::string Script() {
    std::vector<char> bytes = ReadWholeFile(path);
    return std::string(bytes.begin(), bytes.end());
  }

  FormatSettingsScope userSettings;
  testing::OfflineSession session;
  std::string path = testing_support::TestTempPath("insert-script.sql");
  TzelTable table;
};

TEST_F(InsertScriptTest, WritesTheViewInOrderInTheSessionDialect) {
  FillTable(table, {{"Ident", ftString, 10}, {"Price", ftFloat}, {"Made", ftDate}},
            {{"шт", "1,5", "15.03.2024"}, {"O'kg", "", ""}, {"", "", ""}});
  table.SetOrigin("Units");
  table.SetIndexFieldNames("Ident");
  DoInsertScript(table, path, false);
  // The record without a value gives no line; Price 0 is a value.
  EXPECT_EQ(Script(),
            "INSERT INTO Units (Price) VALUES (0)\r\n"
            "INSERT INTO Units (Ident,Price) VALUES ('O''kg',0)\r\n"
            "INSERT INTO Units (Ident,Price,Made) VALUES ('шт',1.5,#03/15/2024#)\r\n");
  EXPECT_EQ(FormatSettings().DecimalSeparator, ',');
}

TEST_F(InsertScriptTest, RecordWithoutValuesGivesNoLineAndLineBreaksContinueTheStatement) {
  FillTable(table, {{"Name", ftString, 10}, {"Note", ftMemo}, {"Made", ftDate}},
            {{"", "", ""}, {"a", "line 1\r\nline 2", ""}});
  table.SetOrigin("T");
  DoInsertScript(table, path, false);
  EXPECT_EQ(Script(), "INSERT INTO T (Name,Note) VALUES ('a','line 1\r\nline 2')\r\n");
}

TEST_F(InsertScriptTest, OemFlagWritesCodePage866) {
  FillTable(table, {{"Name", ftString, 10}}, {{"Ящик"}});
  table.SetOrigin("Тара");
  DoInsertScript(table, path, true);
  EXPECT_EQ(Script(), "INSERT INTO \x92\xA0\xE0\xA0 (Name) VALUES ('\x9F\xE9\xA8\xAA')\r\n");
}

TEST_F(InsertScriptTest, ClosedTableOrTableWithoutOriginWritesNoFile) {
  FillTable(table, {{"Name", ftString, 10}}, {{"a"}});
  DoInsertScript(table, path, false);
  EXPECT_FALSE(std::filesystem::exists(path));
  table.SetOrigin("T");
  table.Close();
  DoInsertScript(table, path, false);
  EXPECT_FALSE(std::filesystem::exists(path));
}

}  // namespace
}  // namespace morvane
