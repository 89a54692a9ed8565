// The row counts of `values` and `groups` on a real SQLite file: the values
// counted here after one read must be the very list the server's grouped
// query gives, and the read is used only where the server compares bytes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/rtl/exceptions.h"
#include "platform/rtl/text.h"
#include "replace/value_counts.h"
#include "server/table.h"
#include "tests/session_fixture.h"

namespace morvane::testing {
namespace {

// Every kind of column the decision looks at, with values that a byte-wise
// count and a collation would group differently: case, trailing blanks,
// numbers written into a text column, a blob beside the same text, zero
// bytes inside and first, NULL beside an empty text, texts long enough to
// travel as long texts.
constexpr char kMixedTable[] = R"(
CREATE TABLE Mixed (plain TEXT, short VARCHAR(8), notes CLOB, untyped, whole INTEGER,
  fraction REAL);
INSERT INTO Mixed VALUES
  ('шт', 'шт', printf('%.9000c', 'x'), 'шт', 1, 1.5),
  ('Шт', 'Шт', printf('%.9000c', 'x'), 1, 1, 1.5),
  ('шт ', 'шт ', printf('%.9001c', 'x'), '1', 2, 2),
  ('', '', '', 1.0, NULL, NULL),
  (NULL, NULL, NULL, x'6162', 3, 0.1),
  (1, 1, 1, 'ab', 3, 0.1),
  ('1', '1', '1', NULL, 3, 0),
  (1.0, 1.0, 1.0, '', 0, 0),
  (x'6162', x'6162', x'6162', 'шт', 0, 3),
  ('ab', 'ab', 'ab', 'шт', 0, 3),
  ('a' || char(0) || 'b', 'a' || char(0) || 'b', 'a' || char(0) || 'b', 'x', 0, 3),
  (char(0) || 'z', char(0) || 'z', char(0) || 'z', 'x', 0, 3),
  ('шт', 'шт', printf('%.9000c', 'x'), 'x', 0, 3);
CREATE VIEW MixedView AS SELECT * FROM Mixed;
CREATE VIEW Caseless AS SELECT plain COLLATE NOCASE AS plain FROM Mixed;
CREATE TABLE Collated (caseless TEXT COLLATE NOCASE, padded VARCHAR(20) COLLATE RTRIM,
  other TEXT);
INSERT INTO Collated VALUES ('шт', 'шт', 'a'), ('ШТ', 'шт ', 'a'), ('Шт', 'шт  ', 'a'),
  ('ab', '', 'a'), ('AB', NULL, 'a'), ('aB', 'ab', 'a'), (NULL, 'ab ', 'a'), ('', 'AB', 'a'),
  ('шт', 'шт', 'a'), ('шт', 'шт', 'a'), ('x', 'x', 'a'), ('x', 'x', 'a'), ('x', 'x', 'a');
CREATE TABLE Shadowed (plain TEXT);
CREATE TEMP TABLE Shadowed (plain TEXT COLLATE NOCASE);
INSERT INTO temp.Shadowed VALUES ('a'), ('A');
)";

std::string Listed(const std::vector<TCountedValue>& values) {
  std::string text;
  for (const TCountedValue& item : values)
    text += "«" + item.value + "» " + std::to_string(item.count) + "\n";
  return text;
}

int64_t RowsWhere(const std::string& table, const std::string& condition) {
  TzelTable rows;
  rows.SetSQLText("SELECT COUNT(*) AS n FROM " + table + " WHERE " + condition);
  rows.Open();
  return rows.FieldByName("n")->AsInteger();
}

class ValueCountsTest : public SessionFixture {
 protected:
  void SetUp() override {
    StartSessionOnDemoSqliteFile();
    ASSERT_TRUE(zelDB().FreeSQL(kMixedTable));
  }
  void TearDown() override { StopSession(); }
};

TEST_F(ValueCountsTest, OnlyTextColumnsOfTablesWithoutACollationAreCountedFromTheirBytes) {
  struct Case {
    const char* table;
    const char* field;
    bool bytes;
  };
  const Case cases[] = {
      {"Mixed", "plain", true},     {"mixed", "PLAIN", true},        {"Mixed", "short", true},
      {"Mixed", "notes", true},     {"Mixed", "caseless", false},    {"Mixed", "padded", false},
      {"Mixed", "untyped", false},  {"Mixed", "whole", false},       {"Mixed", "fraction", false},
      {"Mixed", "missing", false},  {"MixedView", "plain", false},   {"Caseless", "plain", false},
      {"Shadowed", "plain", false}, {"NoSuchTable", "plain", false}, {"Goods", "Unit", true},
  };
  for (const Case& item : cases) {
    EXPECT_EQ(ServerComparesValueBytes(item.table, item.field), item.bytes)
        << item.table << "." << item.field;
  }
}

TEST_F(ValueCountsTest, CountedBytesGiveTheListOfTheServersGrouping) {
  // The view holds the same rows, compared the same way, but is counted by
  // the server's grouped query.
  for (const char* field : {"plain", "short", "notes"}) {
    ASSERT_TRUE(ServerComparesValueBytes("Mixed", field));
    ASSERT_FALSE(ServerComparesValueBytes("MixedView", field));
    const std::vector<TCountedValue> counted = CountFieldValues("Mixed", field);
    EXPECT_EQ(Listed(counted), Listed(CountFieldValues("MixedView", field))) << field;
    int64_t rows = 0;
    for (const TCountedValue& item : counted) rows += item.count;
    EXPECT_EQ(rows, 13) << field;
  }
}

TEST_F(ValueCountsTest, ColumnsWithACollationCountWhatTheServerFindsEqual) {
  for (const char* field : {"caseless", "padded"}) {
    int64_t rows = 0;
    for (const TCountedValue& item : CountFieldValues("Collated", field)) {
      rows += item.count;
      const std::string condition = item.value.empty()
                                        ? std::string(field) + " IS NULL OR " + field + " = ''"
                                        : std::string(field) + " = " + QuotedStr(item.value);
      EXPECT_EQ(item.count, RowsWhere("Collated", condition)) << field << " «" << item.value << "»";
    }
    EXPECT_EQ(rows, 13) << field;
  }
}

TEST_F(ValueCountsTest, NamesThatAreNotPlainReachNoServer) {
  EXPECT_THROW(CountFieldValues("Mixed; DROP TABLE Mixed", "plain"), EDatabaseError);
  EXPECT_THROW(CountFieldValues("Mixed", "plain FROM Mixed --"), EDatabaseError);
  EXPECT_EQ(RowsWhere("Mixed", "1 = 1"), 13);
}

TEST_F(ValueCountsTest, AMissingTableIsTheServersError) {
  try {
    CountFieldValues("NoSuchTable", "plain");
    FAIL() << "no error";
  } catch (const EDatabaseError& error) {
    EXPECT_NE(std::string(error.what()).find("no such table: NoSuchTable"), std::string::npos)
        << error.what();
  }
}

}  // namespace
}  // namespace morvane::testing
