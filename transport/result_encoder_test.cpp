#include "transport/result_encoder.h"

#include <gtest/gtest.h>

#include "transport/decoded_reply.h"
#include "transport/transport_error.h"
#include "transport/value_parsing.h"

namespace morvane::transport {
namespace {

// A value as a test writes it; converted to a Cell on demand.
struct TestValue {
  CellStorage storage = CellStorage::kNull;
  int64_t integer = 0;
  double real = 0;
  std::string bytes;
};
TestValue Null() {
  return {};
}
TestValue Int(int64_t value) {
  return {CellStorage::kInteger, value, 0, ""};
}
TestValue Real(double value) {
  return {CellStorage::kReal, 0, value, ""};
}
TestValue Text(std::string value) {
  return {CellStorage::kText, 0, 0, std::move(value)};
}
TestValue Blob(std::string value) {
  return {CellStorage::kBlob, 0, 0, std::move(value)};
}

class TableRows : public RowSource {
 public:
  TableRows(std::vector<ColumnInfo> columns, std::vector<std::vector<TestValue>> rows,
            bool rewindable = true)
      : columns_(std::move(columns)), rows_(std::move(rows)), rewindable_(rewindable) {}
  const std::vector<ColumnInfo>& Columns() const override { return columns_; }
  bool Next() override { return ++row_ < static_cast<int>(rows_.size()); }
  Cell Get(size_t column) override {
    const TestValue& value = rows_[row_][column];
    return {value.storage, value.integer, value.real, value.bytes};
  }
  bool Rewind() override {
    row_ = -1;
    return rewindable_;
  }

 private:
  std::vector<ColumnInfo> columns_;
  std::vector<std::vector<TestValue>> rows_;
  bool rewindable_;
  int row_ = -1;
};

DecodedReply Encode(std::vector<ColumnInfo> columns, std::vector<std::vector<TestValue>> rows) {
  TableRows source(std::move(columns), std::move(rows));
  const ByteBuffer buffer = EncodeResultSet(source);
  DecodedReply reply = DecodeReply(buffer.Data(), buffer.Size());
  EXPECT_EQ(reply.problem, "");
  EXPECT_EQ(reply.status, 'S');
  return reply;
}

ColumnInfo Column(const char* name, ColumnKind kind, int declaredLength = -1) {
  return {name, "T", kind, declaredLength};
}

TEST(ResultEncoderTest, EncodesEveryTypeWithItsSlotBytes) {
  const DecodedReply reply =
      Encode({Column("i", ColumnKind::kInt32), Column("b", ColumnKind::kBoolean),
              Column("f", ColumnKind::kDouble), Column("n", ColumnKind::kDecimal),
              Column("c", ColumnKind::kCurrency), Column("d", ColumnKind::kDate),
              Column("v", ColumnKind::kTime), Column("t", ColumnKind::kDateTime),
              Column("k", ColumnKind::kText, 10), Column("s", ColumnKind::kText, 120),
              Column("g", ColumnKind::kBlob), Column("l", ColumnKind::kInt64)},
             {{Text("-42"), Text("t"), Text("2.5"), Text("1234.56"), Text("-$1,234.50"),
               Text("2024-03-05"), Text("10:20:30.5"), Text("2024-03-05 10:20:30"), Text("шт."),
               Text("штука"), Blob(std::string("\0\x01\xff", 3)), Text("9007199254740992")}});
  ASSERT_EQ(reply.fields.size(), 12u);
  const std::vector<std::string> codes = {"i", "b", "f",   "f",    "c", "d",
                                          "v", "t", "s40", "s480", "g", "f"};
  for (size_t i = 0; i < codes.size(); ++i) EXPECT_EQ(reply.fields[i].code, codes[i]) << i;
  EXPECT_EQ(reply.fields[0].name, "T.i");
  EXPECT_EQ(reply.Int(0, 0), -42);
  EXPECT_EQ(reply.Bool(0, 1), -1);
  EXPECT_EQ(reply.Double(0, 2), 2.5);
  EXPECT_EQ(reply.Double(0, 3), 1234.56);
  EXPECT_EQ(reply.Double(0, 4), -1234.5);
  EXPECT_EQ(reply.Int(0, 5), DayNumber(2024, 3, 5));
  EXPECT_EQ(reply.Int(0, 6), (10 * 3600 + 20 * 60 + 30) * 1000 + 500);
  EXPECT_EQ(reply.Double(0, 7),
            DayNumber(2024, 3, 5) * 86'400'000.0 + (10 * 3600 + 20 * 60 + 30) * 1000);
  EXPECT_EQ(reply.Text(0, 8), "шт.");
  EXPECT_EQ(reply.Text(0, 9), "штука");
  EXPECT_EQ(reply.Text(0, 10), std::string("\0\x01\xff", 3));
  EXPECT_EQ(reply.Double(0, 11), 9007199254740992.0);
}

TEST(ResultEncoderTest, DayNumbersCountFromFirstJanuaryOfYearOne) {
  EXPECT_EQ(DayNumber(1, 1, 1), 1);
  EXPECT_EQ(DayNumber(1899, 12, 30), 693594);  // the date-time epoch
  EXPECT_EQ(DayNumber(2000, 3, 1) - DayNumber(2000, 2, 28), 2);
}

TEST(ResultEncoderTest, CarriesNullAndEmptyTextAsAbsentValues) {
  const DecodedReply reply =
      Encode({Column("i", ColumnKind::kInt32), Column("k", ColumnKind::kText, 5),
              Column("s", ColumnKind::kText)},
             {{Null(), Text(""), Null()}, {Int(0), Text("a"), Text("")}});
  ASSERT_EQ(reply.records.size(), 2u);
  EXPECT_TRUE(reply.Absent(0, 0));
  EXPECT_TRUE(reply.Absent(0, 1));
  EXPECT_TRUE(reply.Absent(0, 2));
  EXPECT_FALSE(reply.Absent(1, 0));
  EXPECT_TRUE(reply.Absent(1, 2));
}

struct WideningCase {
  const char* description;
  ColumnInfo column;
  std::vector<TestValue> values;
  const char* expectedCode;
};

void PrintTo(const WideningCase& value, std::ostream* out) {
  *out << value.description;
}

class ResultEncoderWideningTest : public ::testing::TestWithParam<WideningCase> {};

TEST_P(ResultEncoderWideningTest, WidensTheColumnSoNoValueIsCut) {
  std::vector<std::vector<TestValue>> rows;
  for (const TestValue& value : GetParam().values) rows.push_back({value});
  const DecodedReply reply = Encode({GetParam().column}, rows);
  ASSERT_EQ(reply.fields.size(), 1u);
  EXPECT_EQ(reply.fields[0].code, GetParam().expectedCode) << GetParam().description;
  ASSERT_EQ(reply.records.size(), rows.size());
}

const std::string kLongCyrillic(40, 'x');

INSTANTIATE_TEST_SUITE_P(
    Columns, ResultEncoderWideningTest,
    ::testing::Values(WideningCase{"int32 meets a 40-bit value",
                                   Column("a", ColumnKind::kInt32),
                                   {Int(1), Int(int64_t{1} << 40)},
                                   "f"},
                      WideningCase{"int64 beyond 2^53",
                                   Column("a", ColumnKind::kInt64),
                                   {Int(1), Int((int64_t{1} << 53) + 1)},
                                   "s36"},
                      WideningCase{"decimal of 20 digits",
                                   Column("a", ColumnKind::kDecimal),
                                   {Text("1.5"), Text("12345678901234567890")},
                                   "s36"},
                      WideningCase{"inline text meets 40 bytes",
                                   Column("a", ColumnKind::kText, 5),
                                   {Text("ab"), Text(kLongCyrillic)},
                                   "s40"},
                      WideningCase{"unbounded text over the 's' limit",
                                   Column("a", ColumnKind::kText),
                                   {Text(std::string(9000, 'y'))},
                                   "m"},
                      WideningCase{"declared length beyond the 's' limit",
                                   Column("a", ColumnKind::kText, 100000),
                                   {Text("short")},
                                   "s8191"},
                      WideningCase{"date with a time of day",
                                   Column("a", ColumnKind::kDate),
                                   {Text("2024-01-01"), Text("2024-01-02 10:00:00")},
                                   "t"},
                      WideningCase{"date that is not one",
                                   Column("a", ColumnKind::kDate),
                                   {Text("2024-01-01"), Text("infinity")},
                                   "s36"},
                      WideningCase{"Boolean that is not one",
                                   Column("a", ColumnKind::kBoolean),
                                   {Text("t"), Text("maybe")},
                                   "s36"},
                      WideningCase{"undeclared column takes the first value's kind",
                                   Column("a", ColumnKind::kUnknown),
                                   {Null(), Real(1.5), Int(2)},
                                   "f"},
                      WideningCase{"undeclared column holding only NULLs",
                                   Column("a", ColumnKind::kUnknown),
                                   {Null()},
                                   "s36"}));

// A declared length counts characters; a character takes up to four bytes
// in UTF-8. The byte capacity must hold any value the column accepts, also
// when there are no rows to measure (an empty mapping query still receives
// the values chosen later).
TEST(ResultEncoderTest, DeclaredCharacterLengthBecomesAByteCapacityWithOrWithoutRows) {
  const std::string cyrillic10 = "ёёёёёёёёёё";  // 20 bytes
  const std::string fourByte10 = "😀😀😀😀😀😀😀😀😀😀";  // 40 bytes
  struct Case {
    int declared;
    std::vector<TestValue> values;
    const char* expectedCode;
  };
  const Case cases[] = {
      {10, {}, "s40"},
      {10, {Text(cyrillic10)}, "s40"},
      {10, {Text(fourByte10)}, "s40"},
      {8, {}, "W"},  // 32 bytes still fit an inline slot
      {3, {Text("ёё")}, "C"},
      {1, {}, "4"},
  };
  for (const Case& testCase : cases) {
    std::vector<std::vector<TestValue>> rows;
    for (const TestValue& value : testCase.values) rows.push_back({value});
    const DecodedReply reply = Encode({Column("a", ColumnKind::kText, testCase.declared)}, rows);
    ASSERT_EQ(reply.fields.size(), 1u);
    EXPECT_EQ(reply.fields[0].code, testCase.expectedCode) << testCase.declared;
    for (size_t row = 0; row < rows.size(); ++row) {
      EXPECT_EQ(reply.Text(row, 0), testCase.values[row].bytes);
    }
  }
}

TEST(ResultEncoderTest, WidenedColumnKeepsEveryValueAsText) {
  const DecodedReply reply =
      Encode({Column("a", ColumnKind::kInt64)}, {{Int(7)}, {Int(int64_t{1} << 60)}});
  EXPECT_EQ(reply.Text(0, 0), "7");
  EXPECT_EQ(reply.Text(1, 0), "1152921504606846976");
}

TEST(ResultEncoderTest, RefusesToWidenRowsThatCannotBeReadTwice) {
  TableRows rows({Column("a", ColumnKind::kInt32)}, {{Text("not a number")}}, false);
  EXPECT_THROW(EncodeResultSet(rows), TransportError);
}

TEST(ResultEncoderTest, NamesFieldsByTableAndReplacesBlanks) {
  EXPECT_EQ(LayoutName({"unit name", "goods", ColumnKind::kText, -1}), "goods.unit_name");
  EXPECT_EQ(LayoutName({"src", "", ColumnKind::kText, -1}), "src");
}

TEST(ResultEncoderTest, EmptyAndErrorRepliesHaveTheirFixedBytes) {
  const ByteBuffer empty = EncodeEmptyResult();
  EXPECT_EQ(std::string(empty.Data(), empty.Size()),
            std::string("\x11\0\0\0S\0\0\0\0\0\0\0\0\0\0\0\0", 17));
  const ByteBuffer error = EncodeErrorReply("no table");
  EXPECT_EQ(std::string(error.Data(), error.Size()), std::string("\x0e\0\0\0Eno table\0", 14));
}

TEST(ResultEncoderTest, RowsChangedAndTheFailedStatementFollowWhatReadersRead) {
  const ByteBuffer counted = EncodeEmptyResult({3, -1, 0});
  EXPECT_EQ(std::string(counted.Data(), counted.Size()),
            std::string("\x31\0\0\0S\0\0\0\0\0\0\0\0\0\0\0\0ROWS\x03\0\0\0"
                        "\x03\0\0\0\0\0\0\0\xff\xff\xff\xff\xff\xff\xff\xff\0\0\0\0\0\0\0\0",
                        49));
  const DecodedReply reply = DecodeReply(counted.Data(), counted.Size());
  EXPECT_EQ(reply.problem, "");
  EXPECT_EQ(reply.rowsChanged, (std::vector<int64_t>{3, -1, 0}));

  const ByteBuffer failed = EncodeErrorReply("no table", 4);
  const DecodedReply error = DecodeReply(failed.Data(), failed.Size());
  EXPECT_EQ(error.problem, "");
  EXPECT_EQ(error.errorText, "no table");
  EXPECT_EQ(error.failedStatement, 4);
}

}  // namespace
}  // namespace morvane::transport
