#include "platform/rtl/variant.h"

#include <gtest/gtest.h>

#include "platform/rtl/exceptions.h"
#include "platform/rtl/format.h"
#include "platform/rtl/format_settings.h"

namespace morvane {
namespace {

TEST(VariantTest, EmptyAndNullAreDistinctButBothHaveNoText) {
  const Variant empty;
  const Variant null = Variant::Null();
  EXPECT_TRUE(empty.IsEmpty());
  EXPECT_TRUE(null.IsNull());
  EXPECT_FALSE(empty == null);
  EXPECT_EQ(empty.AsString(), "");
  EXPECT_EQ(null.AsString(), "");
  EXPECT_THROW(null.AsInteger(), EVariantError);
  EXPECT_EQ(empty.AsInteger(), 0);
}

TEST(VariantTest, ConversionsBetweenKinds) {
  FormatSettingsScope restore;
  FormatSettings() = RussianFormatSettings();
  EXPECT_EQ(Variant("42").AsInteger(), 42);
  EXPECT_EQ(Variant(" 1,5 ").AsDouble(), 1.5);
  EXPECT_EQ(Variant(1.5).AsString(), "1,5");
  EXPECT_EQ(Variant(int64_t(1) << 40).AsString(), "1099511627776");
  EXPECT_TRUE(Variant("true").AsBoolean());
  EXPECT_EQ(Variant(true).AsInteger(), -1);
  EXPECT_EQ(Variant(2.5).AsInteger(), 2) << "halves round to even";
  EXPECT_EQ(Variant(3.5).AsInteger(), 4);
  EXPECT_EQ(Variant::FromDateTime(EncodeDate(2024, 1, 2)).AsString(), "02.01.2024");
  EXPECT_EQ(Variant("02.01.2024").AsDateTime(), EncodeDate(2024, 1, 2));
}

TEST(VariantTest, BadConversionsRaiseClearErrors) {
  EXPECT_THROW(Variant("12a").AsInteger(), EVariantError);
  EXPECT_THROW(Variant(int64_t(1) << 40).AsInteger(), EVariantError);
  EXPECT_THROW(Variant("x").AsDateTime(), EVariantError);
  try {
    Variant("abc").AsDouble();
    FAIL();
  } catch (const EVariantError& error) {
    EXPECT_STREQ(error.what(), "Could not convert variant of type (String) into type (Double)");
  }
}

TEST(VariantTest, ArraysHoldVariants) {
  const Variant keys(std::vector<Variant>{Variant(1), Variant("шт")});
  ASSERT_TRUE(keys.IsArray());
  EXPECT_EQ(keys.AsArray().size(), 2u);
  EXPECT_EQ(keys.AsArray()[1].AsString(), "шт");
  EXPECT_THROW(keys.AsString(), EVariantError);
}

}  // namespace
}  // namespace morvane
