// The larger, smaller and exchange routines.

#include <gtest/gtest.h>

#include <limits>
#include <vector>

#include "controls/Maxmin.h"

TEST(Maxmin, SwapsAndPairs) {
  int32_t a = 1, b = -7;
  SwapInt(a, b);
  EXPECT_EQ(a, -7);
  EXPECT_EQ(b, 1);
  SwapLong(a, b);
  EXPECT_EQ(a, 1);
  int64_t c = INT64_MIN, d = INT64_MAX;
  SwapInt64(c, d);
  EXPECT_EQ(c, INT64_MAX);
  EXPECT_EQ(d, INT64_MIN);
  EXPECT_EQ(Max(INT32_MIN, INT32_MAX), INT32_MAX);
  EXPECT_EQ(Min(INT32_MIN, INT32_MAX), INT32_MIN);
  EXPECT_EQ(Max(3, 3), 3);
}

TEST(Maxmin, ListsKeepTheFirstOfEqualExtremes) {
  EXPECT_EQ(MaxInteger({4, -2, 9, 9, 1}), 9);
  EXPECT_EQ(MinInteger({4, -2, 9, -2, 1}), -2);
  EXPECT_EQ(MaxInteger({5}), 5);
  EXPECT_EQ(MaxInt64({INT64_MIN, int64_t(1) << 40}), int64_t(1) << 40);
  EXPECT_EQ(MinInt64({0, INT64_MIN}), INT64_MIN);
  EXPECT_EQ(MaxFloat({1.5L, -0.0L, 1.75L}), 1.75L);
  EXPECT_EQ(MinFloat({1.5L, -3.25L}), -3.25L);
  // Extended precision is kept: these differ only beyond a double's digits.
  long double big = 1.0L + std::numeric_limits<long double>::epsilon();
  EXPECT_EQ(MaxFloat({1.0L, big}), big);
  std::vector<TDateTime> dates{45000.5, 45001.25, 44999.0};
  EXPECT_EQ(MaxDateTime(dates), 45001.25);
  EXPECT_EQ(MinDateTime(dates), 44999.0);
  // An empty list reads nothing.
  EXPECT_EQ(MaxInteger(std::span<const int32_t>()), 0);
  EXPECT_TRUE(MinOf(std::span<const Variant>()).IsEmpty());
}

TEST(Maxmin, VariantsCompareByKind) {
  EXPECT_EQ(MaxOf({Variant(3), Variant(2.5), Variant(int64_t(-1))}).AsDouble(), 3.0);
  EXPECT_EQ(MinOf({Variant(3), Variant(2.5), Variant(int64_t(-1))}).AsInteger(), -1);
  EXPECT_EQ(MaxOf({Variant("apple"), Variant("pear"), Variant("fig")}).AsString(), "pear");
  EXPECT_EQ(MinOf({Variant("10"), Variant(9)}).AsInteger(), 9) << "a text that reads as a number";
  EXPECT_TRUE(MinOf({Variant(1), Variant::Null()}).IsNull());
  // First of equals: 2 and 2.0 are equal, the integer comes first.
  EXPECT_EQ(MaxOf({Variant(2), Variant(2.0)}).VarType(), varInt64);
  EXPECT_EQ(CompareVariants(Variant(true), Variant(0)), -1) << "true counts as -1";
}
