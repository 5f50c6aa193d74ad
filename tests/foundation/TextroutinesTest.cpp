#include "foundation/Textroutines.h"
#include "platform/rtl/Formatsettings.h"
#include "platform/rtl/Tdatetime.h"
#include "Scratchroot.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

TEST(Textroutines, UpperIdentAndReplaceAll) {
  EXPECT_EQ(MakeUpperIdent("Model-1 вопрос_ё!"), "MODEL_1_ВОПРОС_Ё_");
  EXPECT_EQ(MakeUpperIdent(""), "");
  EXPECT_EQ(ReplaceAll("aaa", "a", "aa"), "aaaaaa");  // the inserted text is not scanned again
  EXPECT_EQ(ReplaceAll("a; b; c", "; ", ";"), "a;b;c");
  EXPECT_EQ(ReplaceAll("abab", "aba", "x"), "xb");
  EXPECT_EQ(ReplaceAll("text", "", "x"), "text");
  EXPECT_EQ(ReplaceAll("", "a", "b"), "");
}

std::vector<std::string> Split(const std::string& text, const std::string& sep) {
  TArray<TStr> pieces;
  pieces.AddItem(TStr("stale"));
  SplitToStrArray(text, sep, pieces);
  std::vector<std::string> v;
  for (const TStr& s : pieces) v.push_back(s.ToString());
  return v;
}

TEST(Textroutines, SplitKeepsInnerEmptyPiecesButNotAnEmptyLastOne) {
  using V = std::vector<std::string>;
  EXPECT_EQ(Split("a; b; c", "; "), (V{"a", "b", "c"}));
  EXPECT_EQ(Split("a; b; ", "; "), (V{"a", "b"}));
  EXPECT_EQ(Split("; ; a", "; "), (V{"", "", "a"}));
  EXPECT_EQ(Split("", "; "), V{});
  EXPECT_EQ(Split("abc", ""), V{"abc"});
}

TEST(Textroutines, ParenthesisColoursAndFormats) {
  EXPECT_EQ(ExtractParenthesisText("Ivan (ivan@mail.org) (x)"), "ivan@mail.org");
  EXPECT_EQ(ExtractParenthesisText("no parenthesis"), "");
  EXPECT_EQ(ExtractParenthesisText("open ( only"), "");
  EXPECT_EQ(ExtractParenthesisText("()"), "");

  EXPECT_EQ(MixColors(0x000000, 0xFFFFFF, 0.5), 0x7F7F7F);
  EXPECT_EQ(MixColors(0x0000FF, 0xFF0000, 0.25), 0x3F00BF);  // 255 - 63.75 truncates to 191
  EXPECT_EQ(MixColors(0x102030, 0x102030, 0.7), 0x102030);
  EXPECT_EQ(MixColors(0x000080, 0x0000FF, 2.0), 0x0000FF);  // kept within a byte
  EXPECT_EQ(MixColors(0x000080, 0x0000FF, -2.0), 0x000000);
  EXPECT_EQ(MixColors(0x000080, 0x0000FF, std::nan("")), 0);

  platform::ResetFormatSettings();
  SetFormatSettings();
  EXPECT_EQ(DateToStr(EncodeDate(2005, 12, 9)), "12/09/2005");
  EXPECT_EQ(DecimalSeparator, '.');
  EXPECT_EQ(FormatDateTime("hh:nn", EncodeTime(9, 5, 0, 0)), "09:05");
  platform::ResetFormatSettings();
}

}  // namespace
