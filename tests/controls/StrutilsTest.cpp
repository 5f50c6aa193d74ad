// String functions: words, padding, search, wildcards, number bases, the XOR coder.

#include <gtest/gtest.h>

#include "controls/Strutils.h"
#include "platform/kernel/Programparams.h"
#include "tests/support/Testsupport.h"

TEST(Strutils, WordsAndFields) {
  const TCharSet comma(",");
  EXPECT_EQ(WordCount(",,a,,b,", comma), 2);
  EXPECT_EQ(ExtractWord(2, ",,a,,b,", comma), "b");
  EXPECT_EQ(ExtractWord(3, ",,a,,b,", comma), "");
  EXPECT_EQ(ExtractWord(0, ",,a,,b,", comma), "");
  EXPECT_EQ(ExtractWord(-1, ",,a,,b,", comma), "");
  EXPECT_EQ(ExtractDelimited(2, ",,a,,b,", comma), "");
  EXPECT_EQ(ExtractDelimited(3, ",,a,,b,", comma), "a");
  EXPECT_EQ(ExtractDelimited(6, ",,a,,b,", comma), "");
  EXPECT_EQ(ExtractDelimited(7, ",,a,,b,", comma), "") << "past the last field";
  EXPECT_EQ(ExtractDelimited(2, "a,,b", comma), "");
  EXPECT_EQ(WordCount("", comma), 0);
  EXPECT_EQ(WordCount(",,,", comma), 0);
  EXPECT_EQ(WordPosition(2, " ab  cd", " "), 6);
  EXPECT_EQ(WordPosition(3, " ab  cd", " "), 0);
  int pos = -5;
  EXPECT_EQ(ExtractWordPos(2, "10;20;30", ";", pos), "20");
  EXPECT_EQ(pos, 4);
  EXPECT_EQ(ExtractWordPos(4, "10;20;30", ";", pos), "");
  EXPECT_EQ(pos, 0);
  // Several delimiters at once, as position texts use them.
  EXPECT_EQ(ExtractWord(3, "12, 34;56", ", ;"), "56");

  pos = 1;
  EXPECT_EQ(ExtractSubstr("ab;cd;", pos, ";"), "ab");
  EXPECT_EQ(pos, 4);
  EXPECT_EQ(ExtractSubstr("ab;cd;", pos, ";"), "cd");
  EXPECT_EQ(pos, 7);
  EXPECT_EQ(ExtractSubstr("ab;cd;", pos, ";"), "") << "past the end reads nothing";
  EXPECT_EQ(pos, 7);
  pos = 0;
  EXPECT_EQ(ExtractSubstr("xy", pos, ";"), "xy");
  EXPECT_EQ(pos, 3);

  EXPECT_TRUE(IsWordPresent("cd", "ab cd ef", " "));
  EXPECT_FALSE(IsWordPresent("CD", "ab cd ef", " "));
  EXPECT_FALSE(IsWordPresent("c", "ab cd ef", " "));
  EXPECT_EQ(AnsiProperCase("hELLO wORLD-x", " -"), "Hello World-X");
  EXPECT_EQ(AnsiProperCase("привет МИР", " "), "Привет Мир");
}

TEST(Strutils, TrimmingAndPadding) {
  EXPECT_EQ(DelChars("a-b--c", '-'), "abc");
  EXPECT_EQ(DelSpace(" a b "), "ab");
  EXPECT_EQ(DelBSpace("  a b \t"), "a b \t");
  EXPECT_EQ(DelESpace("\t a b  "), "\t a b");
  EXPECT_EQ(DelRSpace("  a b  "), "a b");
  EXPECT_EQ(DelRSpace("    "), "");
  EXPECT_EQ(DelSpace1("  a   b "), " a b ");
  EXPECT_EQ(Tab2Space("a\tb", 3), "a   b");
  EXPECT_EQ(Tab2Space("a\tb", -1), "ab");
  EXPECT_EQ(MakeStr('x', 3), "xxx");
  EXPECT_EQ(MakeStr('x', 0), "");
  EXPECT_EQ(MS('x', -4), "");
  EXPECT_EQ(AddChar('0', "42", 5), "00042");
  EXPECT_EQ(AddCharR('.', "42", 4), "42..");
  EXPECT_EQ(AddChar('0', "12345", 3), "12345");
  EXPECT_EQ(LeftStr("abc", 2), "abc");
  EXPECT_EQ(LeftStr("abc", 5), "abc  ");
  EXPECT_EQ(RightStr("abc", 5), "  abc");
  EXPECT_EQ(CenterStr("ab", 7), "  ab   ");
  EXPECT_EQ(CenterStr("abc", 2), "abc");
  EXPECT_EQ(Numb2USA("1234567"), "1,234,567");
  EXPECT_EQ(Numb2USA("123"), "123");
  EXPECT_EQ(Numb2USA("1234"), "1,234");
  EXPECT_EQ(Numb2USA("-123456"), "-123,456") << "the sign stays out of the groups";
  EXPECT_EQ(Numb2USA(""), "");
  EXPECT_EQ(QuotedString("it's", '\''), "'it''s'");
  EXPECT_EQ(ExtractQuotedString("'it''s' rest", '\''), "it's");
  EXPECT_EQ(ExtractQuotedString("plain", '\''), "plain");
  EXPECT_EQ(ExtractQuotedString("'open", '\''), "open");
  EXPECT_TRUE(IsEmptyStr("", " "));
  EXPECT_TRUE(IsEmptyStr(" \t ", " \t"));
  EXPECT_FALSE(IsEmptyStr(" x ", " "));
}

TEST(Strutils, OemCodePageAgreesWithPython) {
  std::string all;
  for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
  std::string oem = StrToOem(all);
  ASSERT_EQ(oem.size(), 256u);
  std::string folder = testsupport::ScratchFolder();
  testsupport::WriteFile(folder + "/ansi", all);
  std::string expected = testsupport::RunPeer(
      "python3 -c \"import sys; d=open('" + folder +
      "/ansi','rb').read(); sys.stdout.buffer.write(d.decode('cp1251',errors='replace')"
      ".replace('\\ufffd','?').encode('cp866',errors='replace'))\"");
  EXPECT_EQ(testsupport::Hex(oem), testsupport::Hex(expected));
  EXPECT_EQ(StrToOem("Привет"), "\x8F\xE0\xA8\xA2\xA5\xE2");
  EXPECT_EQ(OemToAnsiStr(StrToOem("Ёжик, ёлка №5")), "Ёжик, ёлка №5");
  EXPECT_EQ(OemToAnsiStr("\xB3\xC4"), "??") << "box drawing has no place in the ANSI code page";
}

TEST(Strutils, SearchAndReplace) {
  EXPECT_EQ(ReplaceStr("1,5,25", ",", "."), "1.5.25");
  EXPECT_EQ(ReplaceStr("aaa", "aa", "b"), "ba");
  EXPECT_EQ(ReplaceStr("abc", "", "x"), "abc");
  EXPECT_EQ(ReplaceStr("abc", "b", ""), "ac");
  EXPECT_EQ(ReplaceStr("%d-%d", "%d", "%.*f"), "%.*f-%.*f");
  EXPECT_EQ(NPos("aa", "aaaa", 1), 1);
  EXPECT_EQ(NPos("aa", "aaaa", 2), 2) << "occurrences overlap";
  EXPECT_EQ(NPos("aa", "aaaa", 3), 3);
  EXPECT_EQ(NPos("aa", "aaaa", 4), 0);
  EXPECT_EQ(NPos("", "aaaa", 1), 0);
  EXPECT_EQ(NPos("a", "aaaa", 0), 0);
  EXPECT_EQ(Copy2Symb("key=value", '='), "key");
  EXPECT_EQ(Copy2Symb("novalue", '='), "novalue");
  std::string s = "key  =  value";
  EXPECT_EQ(Copy2SymbDel(s, '='), "key  ");
  EXPECT_EQ(s, "=  value");
  s = "one   two three";
  EXPECT_EQ(Copy2SpaceDel(s), "one");
  EXPECT_EQ(s, "two three");
  EXPECT_EQ(Copy2SpaceDel(s), "two");
  EXPECT_EQ(Copy2SpaceDel(s), "three");
  EXPECT_EQ(s, "");
  EXPECT_EQ(Copy2Space("a b"), "a");
  EXPECT_EQ(CompStr("a", "b"), -1);
  EXPECT_EQ(CompStr("b", "a"), 1);
  EXPECT_EQ(CompStr("a", "A"), -1);
  EXPECT_EQ(CompText("a", "A"), 0);
  EXPECT_EQ(CompText("Яблоко", "арбуз"), 1);
  EXPECT_EQ(FindPart("b?d", "abcde"), 2);
  EXPECT_EQ(FindPart("b?x", "abcde"), 0);
  EXPECT_EQ(FindPart("cd", "abcde"), 3);
  EXPECT_EQ(FindPart("a?cdef", "abcde"), 0) << "longer than the text";
  EXPECT_EQ(FindPart("?", ""), 0);
}

TEST(Strutils, Wildcards) {
  EXPECT_TRUE(IsWild("TFormX.Sub", "TFormX.*", false));
  EXPECT_FALSE(IsWild("TFormXY", "TFormX.*", false));
  EXPECT_FALSE(IsWild("tformx.sub", "TFormX.*", false));
  EXPECT_TRUE(IsWild("tformx.sub", "TFormX.*", true));
  EXPECT_TRUE(IsWild("abc", "a*b*c", false));
  EXPECT_FALSE(IsWild("abXc", "a?c", false));
  EXPECT_TRUE(IsWild("abc", "a?c", false));
  EXPECT_TRUE(IsWild("", "**", false));
  EXPECT_TRUE(IsWild("", "", false));
  EXPECT_FALSE(IsWild("", "a*", false));
  EXPECT_FALSE(IsWild("a", "", false));
  EXPECT_TRUE(IsWild("anything", "***", false));
  EXPECT_TRUE(IsWild("abc", "abc*", false)) << "a star may match nothing";
  EXPECT_TRUE(IsWild("a.b.c", "*.*.*", false));
  EXPECT_TRUE(IsWild("xaxbx", "*a*b?", false));
  EXPECT_FALSE(IsWild("xaxbx", "*a*b", false));
  EXPECT_TRUE(IsWild("Section.Sub.Leaf", "Section.*.Leaf", false));
  EXPECT_TRUE(IsWild("абв", "А?В", true));
  // The segments do not overlap: a tail cannot reuse what the head took.
  EXPECT_FALSE(IsWild("abc", "ab*bc", false));
  EXPECT_FALSE(IsWild("ab", "abc*", false));
  EXPECT_TRUE(IsWild("ab*", "ab*", false)) << "equal texts match as they are";
}

TEST(Strutils, NumberBases) {
  EXPECT_EQ(Dec2Hex(255, 4), "00FF");
  EXPECT_EQ(D2H(-1, 2), "FFFFFFFF");
  EXPECT_EQ(Dec2Hex(0, 0), "0");
  EXPECT_EQ(Dec2Hex(1, 100000).size(), 255u) << "digit counts are bounded";
  EXPECT_EQ(Hex2Dec("FF"), 255);
  EXPECT_EQ(Hex2Dec("$1a"), 26);
  EXPECT_EQ(H2D("FFFFFFFF"), -1);
  EXPECT_EQ(Hex2Dec("0000000010"), 16);
  EXPECT_EQ(Hex2Dec("1FFFFFFFF"), 0) << "more than 32 bits";
  EXPECT_EQ(Hex2Dec("xyz"), 0);
  EXPECT_EQ(Hex2Dec(""), 0);
  EXPECT_EQ(Hex2Dec("$"), 0);
  EXPECT_EQ(Dec2Numb(35, 4, 36), "000Z");
  EXPECT_EQ(Dec2Numb(5, 0, 2), "101");
  EXPECT_EQ(Dec2Numb(0, 3, 10), "000");
  EXPECT_EQ(Dec2Numb(0xFFFFFFFFu, 0, 16), "FFFFFFFF");
  EXPECT_EQ(Dec2Numb(10, 0, 1), "") << "no such base";
  EXPECT_EQ(Dec2Numb(10, 0, 37), "");
  EXPECT_EQ(Numb2Dec("z", 36), 35);
  EXPECT_EQ(Numb2Dec("101", 2), 5);
  EXPECT_EQ(Numb2Dec("ff", 16), 255);
  EXPECT_EQ(Numb2Dec("ZZZZZZZZZZZZ", 36), Numb2Dec("ZZZZZZZZZZZZ", 36)) << "wraps, does not overflow";
  EXPECT_EQ(IntToBin(5, 8, 4), " 0000 0101");
  EXPECT_EQ(IntToBin(5, 3, 4), "101");
  EXPECT_EQ(IntToBin(-1, 40, 8).size(), 32u + 4u);
  EXPECT_EQ(IntToBin(6, 4, 0), "0110") << "no groups without a positive group size";
  EXPECT_EQ(IntToRoman(1994), "MCMXCIV");
  EXPECT_EQ(IntToRoman(3999), "MMMCMXCIX");
  EXPECT_EQ(IntToRoman(4000), "MMMM");
  EXPECT_EQ(IntToRoman(0), "");
  EXPECT_EQ(IntToRoman(-5), "");
  EXPECT_EQ(RomanToInt("MCMXCIV"), 1994);
  EXPECT_EQ(RomanToInt("mcmxciv"), 1994);
  EXPECT_EQ(RomanToInt("-XIV"), -14);
  EXPECT_EQ(RomanToInt("XIZ"), 0);
  EXPECT_EQ(RomanToInt(""), 0);
  EXPECT_EQ(RomanToInt("IIII"), 4);
  for (int v : {1, 4, 9, 14, 40, 90, 400, 1666, 2024, 3888}) EXPECT_EQ(RomanToInt(IntToRoman(v)), v);
  EXPECT_EQ(RomanToInt(std::string(3000000, 'M')), 0) << "beyond 32 bits";
}

TEST(Strutils, XorCoder) {
  EXPECT_EQ(XorEncode("", "abc"), "616263");
  EXPECT_EQ(XorEncode("K", "K"), "00");
  EXPECT_EQ(XorEncode("\x01\x02", "abc"), "606062");
  EXPECT_EQ(XorDecode("\x01\x02", "606062"), "abc");
  std::string bytes = testsupport::RandomBytes(1000, 7);
  EXPECT_EQ(XorDecode("ключ", XorEncode("ключ", bytes)), bytes);
  EXPECT_EQ(XorDecode("", "41zz42"), "A B") << "a pair that is not hexadecimal gives a space";
  EXPECT_EQ(XorDecode("", "414"), "A") << "an odd last digit is left out";
  EXPECT_EQ(XorDecode("", ""), "");
  EXPECT_EQ(XorString("", "abc"), "abc");
  EXPECT_EQ(XorString("\x01", "abc"), "`cb");
  EXPECT_EQ(XorString("ab", XorString("ab", "hello")), "hello");
  EXPECT_EQ(XorString("k", std::string(300, 'x')).size(), 255u) << "short strings";
}

TEST(Strutils, CommandLineSwitches) {
  platform::SetProgramParams({"quillaran", "/Login", "anna", "-x", "/", "/last"});
  EXPECT_EQ(GetCmdLineArg("login", "/-"), "anna");
  EXPECT_EQ(GetCmdLineArg("LOGIN", "/"), "anna");
  EXPECT_EQ(GetCmdLineArg("x", "-"), "/");
  EXPECT_EQ(GetCmdLineArg("last", "/"), "") << "nothing after the last parameter";
  EXPECT_EQ(GetCmdLineArg("nope", "/"), "");
  EXPECT_EQ(GetCmdLineArg("", "/"), "") << "a lone switch character does not qualify";
  EXPECT_EQ(GetCmdLineArg("login", ""), "anna") << "any first character without switch characters";
  EXPECT_EQ(GetCmdLineArg("ogin", ""), "");
  EXPECT_EQ(ParamStr(99), "");
  platform::SetProgramParams({"quillaran"});
  EXPECT_EQ(GetCmdLineArg("login", "/"), "");
  EXPECT_EQ(ParamCount(), 0);
}
