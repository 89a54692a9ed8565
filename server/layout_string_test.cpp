#include "server/layout_string.h"

#include <gtest/gtest.h>

#include <string>

#include "engine/field_layout.h"

namespace morvane {
namespace {

TEST(LayoutStringTest, EveryFieldTypeHasItsCode) {
  const struct {
    TFieldType type;
    int size;
    std::string code;
  } cases[] = {
      {ftString, 12, "C"},   {ftString, 0, "0"},      {ftString, 9, "9"},   {ftString, 35, "Z"},
      {ftString, 36, "s36"}, {ftString, 255, "s255"}, {ftSmallint, 0, "i"}, {ftInteger, 0, "i"},
      {ftWord, 0, "i"},      {ftAutoInc, 0, "i"},     {ftBoolean, 0, "b"},  {ftFloat, 0, "f"},
      {ftCurrency, 0, "c"},  {ftDate, 0, "d"},        {ftTime, 0, "v"},     {ftDateTime, 0, "t"},
      {ftMemo, 0, "m"},      {ftFmtMemo, 0, "r"},     {ftGraphic, 0, "g"},  {ftBCD, 8, "s"},
      {ftLargeint, 0, "s"},  {ftBlob, 10, "s"},
  };
  for (const auto& testCase : cases) {
    EXPECT_EQ(LayoutTypeCode(testCase.type, testCase.size), testCase.code)
        << FieldTypeName(testCase.type) << " " << testCase.size;
  }
}

TEST(LayoutStringTest, NamesTakeTheOriginOrXXXAndLoseTheirBlanks) {
  TFieldDefs defs(nullptr);
  defs.Add("Name 1", ftString, 12);
  EXPECT_EQ(PrepareLayoutStr(defs, ""),
            std::string("XXX.Name_1 C") + FieldSeparator + RecordSeparator);

  defs.Add("Created", ftDate);
  EXPECT_EQ(PrepareLayoutStr(defs, "Goods"), std::string("Goods.Name_1 C") + FieldSeparator +
                                                 "Goods.Created d" + FieldSeparator +
                                                 RecordSeparator);
}

TEST(LayoutStringTest, NoDefinitionsGiveTheRecordSeparatorAlone) {
  TFieldDefs defs(nullptr);
  EXPECT_EQ(PrepareLayoutStr(defs, "Goods"), std::string(1, RecordSeparator));
}

}  // namespace
}  // namespace morvane
