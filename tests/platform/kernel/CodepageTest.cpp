#include "platform/kernel/Codepage.h"

#include <gtest/gtest.h>

#include <iconv.h>

namespace {

// glibc's converter is an independent reading of the code page.
std::string IconvToUtf8(const std::string& in) {
  iconv_t cd = iconv_open("UTF-8", "CP1251");
  EXPECT_NE(cd, (iconv_t)-1);
  std::string out(in.size() * 4 + 4, '\0');
  char* src = const_cast<char*>(in.data());
  size_t srcLeft = in.size();
  char* dst = out.data();
  size_t dstLeft = out.size();
  size_t r = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
  iconv_close(cd);
  if (r == (size_t)-1) return "<fail>";
  out.resize(out.size() - dstLeft);
  return out;
}

TEST(Codepage, EveryByteMatchesIconvAndRoundTrips) {
  std::string all;
  for (int b = 1; b < 256; ++b) {
    std::string one(1, static_cast<char>(b));
    std::string mine = platform::AnsiToUtf8(one);
    if (b != 0x98) {
      EXPECT_EQ(mine, IconvToUtf8(one)) << "byte " << b;
    }
    EXPECT_EQ(platform::Utf8ToAnsi(mine), one) << "byte " << b;
    all += one;
  }
  EXPECT_EQ(platform::Utf8ToAnsi(platform::AnsiToUtf8(all)), all);
  EXPECT_EQ(platform::AnsiToUtf8(std::string("\0a", 2)), std::string("\0a", 2));
}

TEST(Codepage, Utf8ToAnsiReplacesWhatTheCodePageLacks) {
  EXPECT_EQ(platform::Utf8ToAnsi(reinterpret_cast<const char*>(u8"Привет №")), "Привет №");
  EXPECT_EQ(platform::Utf8ToAnsi("\xe4\xb8\xad" "a"), "?a");   // CJK
  EXPECT_EQ(platform::Utf8ToAnsi("\xf0\x9f\x98\x80"), "?");    // outside the BMP
  EXPECT_EQ(platform::Utf8ToAnsi("\xc3"), "?");                // cut short
  EXPECT_EQ(platform::Utf8ToAnsi("\xc0\xaf" "b"), "??b");      // overlong '/'
  EXPECT_EQ(platform::Utf8ToAnsi("\xed\xa0\x80"), "???");      // surrogate
  EXPECT_EQ(platform::Utf8ToAnsi("\xff", '_'), "_");
}

TEST(Codepage, CaseOfLatinAndCyrillicLetters) {
  EXPECT_EQ(platform::AnsiUpperCase("abc яёїґ xyz 1_"), "ABC ЯЁЇҐ XYZ 1_");
  EXPECT_EQ(platform::AnsiLowerCase("ЖЁЎЂ Q"), "жёўђ q");
  EXPECT_TRUE(platform::IsAnsiAlpha('ж'));
  EXPECT_TRUE(platform::IsAnsiAlpha('Z'));
  EXPECT_FALSE(platform::IsAnsiAlpha('7'));
  EXPECT_FALSE(platform::IsAnsiAlpha('\xab'));  // «
  EXPECT_FALSE(platform::IsAnsiAlpha('_'));
}

}  // namespace
