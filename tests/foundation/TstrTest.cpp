#include "foundation/Tstr.h"

#include <gtest/gtest.h>

namespace {

TEST(Tstr, EmptyIsNullAndTextsCopyMoveAndCompare) {
  TStr empty, fromEmpty(""), fromNull(static_cast<const char*>(nullptr));
  EXPECT_TRUE(empty.IsEmpty());
  EXPECT_EQ(fromEmpty.Text(), nullptr);
  EXPECT_EQ(fromNull.Text(), nullptr);
  EXPECT_STREQ(empty.c_str(), "");
  EXPECT_EQ(empty.Length(), 0u);

  TStr a("Дискуссия");
  TStr b = a;
  EXPECT_EQ(a, b);
  EXPECT_NE(a.Text(), b.Text());
  TStr c = std::move(b);
  EXPECT_TRUE(b.IsEmpty());
  EXPECT_EQ(c, "Дискуссия");
  c = c;
  EXPECT_EQ(c.ToString(), "Дискуссия");
  EXPECT_FALSE(TStr("a") == TStr("A"));  // exact comparison
  EXPECT_LT(TStr("a").Compare(TStr("b")), 0);
  EXPECT_GT(TStr("я").Compare(TStr("z")), 0);  // code-page byte order
  EXPECT_EQ(TStr("").Compare(TStr()), 0);

  c = "";
  EXPECT_TRUE(c.IsEmpty());
  c = std::string("x\0y", 3);  // every byte is kept
  EXPECT_EQ(c.Length(), 3u);
  EXPECT_EQ(c.View(), std::string_view("x\0y", 3));
  EXPECT_STREQ(c.c_str(), "x");
}

TEST(Tstr, AppendAndPos) {
  TStr s;
  s += "abc";
  s += TStr("abc");
  s += '!';
  s.Append("");
  EXPECT_EQ(s, "abcabc!");
  EXPECT_EQ(s.Pos("abc"), 1u);
  EXPECT_EQ(s.Pos("abc", 2), 4u);
  EXPECT_EQ(s.Pos("!"), 7u);
  EXPECT_EQ(s.Pos("x"), 0u);
  EXPECT_EQ(TStr().Pos("a"), 0u);
  EXPECT_EQ(std::string("<") + s + ">", "<abcabc!>");
}

}  // namespace
