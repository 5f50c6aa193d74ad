#include "platform/rtl/Exception.h"
#include "platform/rtl/Formatsettings.h"
#include "platform/rtl/Variant.h"
#include "tests/platform/rtl/TestTmp.h"

#include <gtest/gtest.h>

namespace {

TEST(Variant, TypesTextsAndConversions) {
  FormatSettingsGuard guard;
  Variant v;
  EXPECT_TRUE(VarIsEmpty(v));
  EXPECT_EQ(VarToStr(v), "");
  EXPECT_EQ(v, Unassigned);
  EXPECT_TRUE(VarIsNull(Variant::Null()));
  EXPECT_EQ(VarToStr(Variant::Null()), "");
  EXPECT_EQ(Variant(42).VarType(), varInt64);
  EXPECT_EQ(VarToStr(Variant(42)), "42");
  EXPECT_EQ(VarToStr(Variant(true)), "True");
  EXPECT_EQ(VarToStr(Variant(2.5)), "2.5");
  EXPECT_EQ(Variant("17").AsInteger(), 17);
  EXPECT_EQ(Variant(" 2.5 ").AsDouble(), 2.5);
  EXPECT_EQ(Variant("3.6").AsInteger(), 4);
  EXPECT_TRUE(Variant("true").AsBoolean());
  EXPECT_FALSE(Variant("0").AsBoolean());
  EXPECT_EQ(Variant(true).AsInteger(), -1);
  EXPECT_EQ(Variant(std::string("x")), Variant("x"));
  EXPECT_FALSE(Variant(1) == Variant("1"));
  DecimalSeparator = ',';
  EXPECT_EQ(VarToStr(Variant(2.5)), "2,5");
  EXPECT_EQ(Variant("2,5").AsDouble(), 2.5);
  try {
    Variant("abc").AsInteger();
    FAIL();
  } catch (const EVariantError& e) {
    EXPECT_EQ(e.Message(), "Could not convert variant of type (String) into type (Int64)");
  }
  EXPECT_THROW(Variant::Null().AsString(), EVariantError);
  EXPECT_THROW(Variant(1e300).AsInteger(), EVariantError);
}

}  // namespace
