#include "platform/rtl/Exception.h"
#include "platform/rtl/Formatsettings.h"
#include "platform/rtl/Numconv.h"
#include "tests/platform/rtl/TestTmp.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

TEST(Numconv, IntegersBothWays) {
  EXPECT_EQ(IntToStr(-2147483648LL), "-2147483648");
  EXPECT_EQ(IntToHex(255, 4), "00FF");
  EXPECT_EQ(IntToHex(-1, 2), "FFFFFFFFFFFFFFFF");
  EXPECT_EQ(StrToInt("42"), 42);
  EXPECT_EQ(StrToInt("  -17"), -17);
  EXPECT_EQ(StrToInt("+5"), 5);
  EXPECT_EQ(StrToInt("$FF"), 255);
  EXPECT_EQ(StrToInt("0x7fffffff"), 2147483647);
  EXPECT_EQ(StrToInt("$FFFFFFFF"), -1);  // a 32-bit pattern
  EXPECT_EQ(StrToInt("-2147483648"), std::numeric_limits<int>::min());
  EXPECT_EQ(StrToInt64("9223372036854775807"), std::numeric_limits<int64_t>::max());
  EXPECT_EQ(StrToInt64("-9223372036854775808"), std::numeric_limits<int64_t>::min());
  EXPECT_EQ(StrToIntDef("2147483648", -1), -1);
  EXPECT_EQ(StrToInt64Def("9223372036854775808", 7), 7);
  for (const char* bad : {"", " ", "12 ", "1a", "--1", "$", "0x", "1.5"}) EXPECT_EQ(StrToIntDef(bad, -99), -99) << bad;
  try {
    StrToInt("abc");
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "'abc' is not a valid integer value");
  }
}

TEST(Numconv, FloatToStrForms) {
  FormatSettingsGuard guard;
  EXPECT_EQ(FloatToStr(0), "0");
  EXPECT_EQ(FloatToStr(0.1), "0.1");
  EXPECT_EQ(FloatToStr(-123.456), "-123.456");
  EXPECT_EQ(FloatToStr(1.0 / 3), "0.333333333333333");
  EXPECT_EQ(FloatToStr(2.0 / 3), "0.666666666666667");
  EXPECT_EQ(FloatToStr(1e15), "1E15");
  EXPECT_EQ(FloatToStr(123456789012345.0), "123456789012345");
  EXPECT_EQ(FloatToStr(0.0001), "0.0001");
  EXPECT_EQ(FloatToStr(0.00001), "1E-5");
  EXPECT_EQ(FloatToStr(1.5e-10), "1.5E-10");
  EXPECT_EQ(FloatToStr(std::numeric_limits<double>::infinity()), "INF");
  EXPECT_EQ(FloatToStr(-std::numeric_limits<double>::infinity()), "-INF");
  EXPECT_EQ(FloatToStr(std::nan("")), "NAN");
  EXPECT_EQ(FloatToStrF(1234.5678, ffFixed, 15, 2), "1234.57");
  EXPECT_EQ(FloatToStrF(-0.004, ffFixed, 15, 2), "0.00");  // no negative zero
  EXPECT_EQ(FloatToStrF(1234567.5, ffNumber, 15, 1), "1,234,567.5");
  EXPECT_EQ(FloatToStrF(1234.5678, ffExponent, 4, 2), "1.235E+03");
  EXPECT_EQ(FloatToStrF(0.00012, ffExponent, 3, 0), "1.20E-4");
  EXPECT_EQ(FloatToStrF(9.996, ffFixed, 15, 2), "10.00");
  EXPECT_EQ(FloatToStrF(1234.5, ffCurrency, 15, 2), "$1,234.50");
  EXPECT_EQ(FloatToStrF(-1234.5, ffCurrency, 15, 2), "($1,234.50)");

  // Another locale's settings.
  DecimalSeparator = ',';
  ThousandSeparator = '\xA0';
  CurrencyString = "\xF0.";  // "р."
  CurrencyFormat = 3;
  NegCurrFormat = 8;
  EXPECT_EQ(FloatToStr(-123.456), "-123,456");
  EXPECT_EQ(FloatToStrF(1234.5, ffNumber, 15, 2), "1\xA0" "234,50");
  EXPECT_EQ(FloatToStrF(1234.5, ffCurrency, 15, 2), "1\xA0" "234,50 \xF0.");
  EXPECT_EQ(FloatToStrF(-1234.5, ffCurrency, 15, 2), "-1\xA0" "234,50 \xF0.");
}

TEST(Numconv, FormatFloatPictures) {
  FormatSettingsGuard guard;
  EXPECT_EQ(FormatFloat("0.00", 1234.5), "1234.50");
  EXPECT_EQ(FormatFloat("#,##0.00", 1234567.891), "1,234,567.89");
  EXPECT_EQ(FormatFloat("#,##0", 999.5), "1,000");
  EXPECT_EQ(FormatFloat("0.##", 1.5), "1.5");
  EXPECT_EQ(FormatFloat("0.##", 2), "2");
  EXPECT_EQ(FormatFloat("#.##", 0.5), ".5");
  EXPECT_EQ(FormatFloat("0.0", 0.25), "0.3");    // half away from zero
  EXPECT_EQ(FormatFloat("0.0", -0.25), "-0.3");
  EXPECT_EQ(FormatFloat("000", 7), "007");
  EXPECT_EQ(FormatFloat("0", 123456), "123456");
  EXPECT_EQ(FormatFloat("0.00E+00", 1234.5), "1.23E+03");
  EXPECT_EQ(FormatFloat("0.00E-00", 1234.5), "1.23E03");
  EXPECT_EQ(FormatFloat("0.00e+0", 0.000123), "1.23e-4");
  EXPECT_EQ(FormatFloat("0.0;(0.0);'zero'", 1.25), "1.3");
  EXPECT_EQ(FormatFloat("0.0;(0.0);'zero'", -1.25), "(1.3)");
  EXPECT_EQ(FormatFloat("0.0;(0.0);'zero'", 0.01), "zero");
  EXPECT_EQ(FormatFloat("0.0;(0.0)", -0.01), "0.0");
  EXPECT_EQ(FormatFloat("\"$\"#,##0.00", 12.5), "$12.50");
  EXPECT_EQ(FormatFloat("", 2.5), "2.5");

  DecimalSeparator = ',';
  ThousandSeparator = '.';
  EXPECT_EQ(FormatFloat("#,##0.00", 1234567.891), "1.234.567,89");
  EXPECT_EQ(FormatFloat("0.###", 3.14159), "3,142");
}

TEST(Numconv, TextToFloat) {
  FormatSettingsGuard guard;
  double v = 0;
  EXPECT_TRUE(TextToFloat(" 2.5 ", v));
  EXPECT_EQ(v, 2.5);
  EXPECT_TRUE(TextToFloat("-1e3", v));
  EXPECT_EQ(v, -1000);
  EXPECT_TRUE(TextToFloat(".5", v));
  EXPECT_EQ(v, 0.5);
  EXPECT_TRUE(TextToFloat("7.", v));
  EXPECT_EQ(v, 7);
  for (const char* bad : {"", ".", "1,5", "2.5x", "1e", "e5", "1e999", "nan", "inf", "1 2"})
    EXPECT_FALSE(TextToFloat(bad, v)) << bad;
  try {
    StrToFloat("1,5");
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "'1,5' is not a valid floating point value");
  }
  DecimalSeparator = ',';
  EXPECT_EQ(StrToFloat("1,5"), 1.5);
  EXPECT_EQ(StrToFloatDef("1.5", -1), -1);
  // Round trip through the text at 15 digits.
  for (double x : {0.1, 123.456, -9.87654321e-7, 6.02214076e23}) {
    EXPECT_NEAR(StrToFloat(FloatToStr(x)), x, std::fabs(x) * 1e-14);
  }
}

}  // namespace
