// Date functions: arithmetic at the ends of months, differences, the parser's
// two passes with bad input, and the default formats by the locale's order.

#include <gtest/gtest.h>

#include <cmath>

#include "controls/Dateutil.h"
#include "platform/rtl/Exception.h"
#include "platform/rtl/Formatsettings.h"

namespace {

TDateTime FixedNow() { return EncodeDate(2005, 6, 15) + 0.5; }

class DateFunctions : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::ResetFormatSettings();
    platform::SetNowSource(FixedNow);
  }
  void TearDown() override {
    platform::SetNowSource(nullptr);
    platform::ResetFormatSettings();
  }
};

TDateTime D(int y, int m, int d) { return EncodeDate(y, m, d); }

TEST_F(DateFunctions, ArithmeticClampsToTheMonthAndKeepsTheTime) {
  EXPECT_EQ(IncMonth(D(2005, 1, 31), 1), D(2005, 2, 28));
  EXPECT_EQ(IncDate(D(2005, 1, 31), 0, -1, 0), D(2004, 12, 31));
  EXPECT_EQ(IncDate(D(2005, 1, 31), 0, 13, 0), D(2006, 2, 28));
  EXPECT_EQ(IncDate(D(2004, 2, 29), 0, 0, 1), D(2005, 2, 28));
  EXPECT_EQ(IncDate(D(2005, 3, 1), 2, -14, 1), D(2005, 1, 3));
  EXPECT_DOUBLE_EQ(IncDate(D(2005, 1, 31) + 0.25, 1, 1, 0), D(2005, 3, 1) + 0.25);
  // Before 30 December 1899 the time of day still counts forward.
  EXPECT_DOUBLE_EQ(IncDate(-1.25, 1, 0, 0), 0.25) << "29 Dec 1899 06:00 + 1 day";
  EXPECT_DOUBLE_EQ(IncDate(0.25, -2, 0, 0), -2.25);
  EXPECT_DOUBLE_EQ(IncDate(-2.25, 0, 0, 0), -2.25);
  EXPECT_THROW(IncYear(D(9999, 1, 1), 1), EConvertError);
  EXPECT_EQ(IncYear(D(2000, 2, 29), -1), D(1999, 2, 28));
  EXPECT_EQ(IncDay(D(2005, 12, 31), 1), D(2006, 1, 1));

  EXPECT_DOUBLE_EQ(IncHour(D(2005, 1, 1), 25), D(2005, 1, 2) + 1.0 / 24);
  EXPECT_DOUBLE_EQ(IncMinute(0.0, 90), 1.5 / 24);
  EXPECT_DOUBLE_EQ(IncSecond(0.5, -43200), 0.0);
  EXPECT_DOUBLE_EQ(IncMSec(0.0, -1), 1 - 1.0 / MSecsPerDay) << "a time of day wraps";
  // Large counts do not overflow.
  EXPECT_NEAR(IncMinute(0.0, 2000000000), 2000000000.0 / MinsPerDay, 1e-6);

  EXPECT_EQ(DaysPerMonth(2000, 2), 29);
  EXPECT_EQ(DaysPerMonth(1900, 2), 28);
  EXPECT_EQ(DaysPerMonth(2005, 4), 30);
  EXPECT_EQ(ExtractDay(D(2005, 6, 7) + 0.9), 7);
  EXPECT_EQ(ExtractMonth(D(2005, 6, 7)), 6);
  EXPECT_EQ(ExtractYear(D(2005, 6, 7)), 2005);
  EXPECT_EQ(FirstDayOfNextMonth(), D(2005, 7, 1));
  EXPECT_EQ(FirstDayOfPrevMonth(), D(2005, 5, 1));
  EXPECT_EQ(LastDayOfPrevMonth(), D(2005, 5, 31));
  EXPECT_EQ(CutTime(D(2005, 6, 7) + 0.75), D(2005, 6, 7));
}

TEST_F(DateFunctions, DifferencesAndValidity) {
  int d, m, y;
  DateDiff(D(2005, 3, 15), D(2003, 1, 20), d, m, y);
  EXPECT_EQ(y, 2);
  EXPECT_EQ(m, 1);
  EXPECT_EQ(d, 26) << "the days of January borrowed";
  DateDiff(D(2005, 1, 31), D(2005, 2, 1), d, m, y);
  EXPECT_EQ(y, 0);
  EXPECT_EQ(m, 0);
  EXPECT_EQ(d, 1);
  DateDiff(D(2004, 12, 31), D(2005, 1, 1), d, m, y);
  EXPECT_EQ(y, 0);
  EXPECT_EQ(m, 0);
  EXPECT_EQ(d, 1);

  EXPECT_DOUBLE_EQ(MonthsBetween(D(2005, 1, 1), D(2005, 2, 20)), 1.75);
  EXPECT_DOUBLE_EQ(MonthsBetween(D(2005, 1, 1), D(2005, 1, 2)), 0.0);
  EXPECT_DOUBLE_EQ(MonthsBetween(D(2005, 1, 1), D(2005, 1, 8)), 0.5);
  EXPECT_DOUBLE_EQ(MonthsBetween(D(2006, 1, 22), D(2005, 1, 1)), 13.0);

  EXPECT_EQ(DaysBetween(D(2005, 1, 2), D(2005, 1, 1)), 0);
  EXPECT_EQ(DaysBetween(D(2005, 1, 1), D(2005, 1, 1) + 0.9), 1);
  EXPECT_EQ(DaysBetween(D(2005, 1, 1), D(2005, 12, 31)), 365);
  EXPECT_EQ(DaysInPeriod(D(2005, 12, 31), D(2005, 1, 1)), 365);
  EXPECT_EQ(DaysInPeriod(D(2005, 1, 1), 1e9), 0);

  EXPECT_TRUE(ValidDate(D(1, 1, 1)));
  EXPECT_TRUE(ValidDate(D(9999, 12, 31) + 0.99));
  EXPECT_FALSE(ValidDate(D(1, 1, 1) - 1));
  EXPECT_FALSE(ValidDate(D(9999, 12, 31) + 1));
  EXPECT_FALSE(ValidDate(std::nan("")));
}

TEST_F(DateFunctions, ParsingByPictureThenByScanning) {
  // The picture pass: fields at the positions of the format.
  EXPECT_EQ(StrToDateFmt("DD.MM.YYYY", "05.03.2005"), D(2005, 3, 5));
  EXPECT_EQ(StrToDateFmt("DD.MM.YYYY", " 5. 3.2005"), D(2005, 3, 5)) << "blanks in a field are skipped";
  EXPECT_EQ(StrToDateFmt("DD-MMM-YYYY", "07-feb-2005"), D(2005, 2, 7)) << "a month by its name";
  EXPECT_EQ(StrToDateFmt("MM/DD/YY", "12/25/44"), D(2044, 12, 25)) << "2005 - 60 = 1945: 44 is 2044";
  EXPECT_EQ(StrToDateFmt("MM/DD/YY", "12/25/45"), D(1945, 12, 25));
  EXPECT_EQ(StrToDateFmt("MM/DD/YY", "01/01/00"), D(2000, 1, 1));
  // The scanning pass: a shorter text, numbers in the format's order with the
  // locale's separator.
  DateSeparator = '.';
  EXPECT_EQ(StrToDateFmt("DD.MM.YYYY", "5.3.2005"), D(2005, 3, 5));
  EXPECT_EQ(StrToDateFmt("YYYY.MM.DD", "2005.3.5."), D(2005, 3, 5)) << "a trailing separator";
  DateSeparator = '/';
  EXPECT_EQ(StrToDateFmt("DD/MM/YYYY", "5/3"), D(2005, 3, 5)) << "two numbers: this year";
  EXPECT_EQ(StrToDateFmt("MM/DD/YYYY", "5/3"), D(2005, 5, 3));
  EXPECT_EQ(StrToDateFmt("DD/MM/YYYY", ""), NullDate);

  // Bad input: every kind refused with the one message.
  for (const char* bad : {"31/02/2005", "5/3/", "abc", "5/3/2005x", "1/1/10000", "32/1", "0/1/2005",
                          "-5/3/2005", "5//2005", "99999999999/1/1"}) {
    TDateTime v = 7;
    EXPECT_FALSE(TryStrToDateFmt("DD/MM/YYYY", bad, v)) << bad;
    EXPECT_EQ(v, 7) << bad;
  }
  try {
    StrToDateFmt("DD/MM/YYYY", "31/02/2005");
    ADD_FAILURE();
  } catch (const EConvertError& e) {
    EXPECT_STREQ(e.what(), "''31/02/2005'' is not a valid date");
  }
  EXPECT_EQ(StrToDateFmtDef("DD/MM/YYYY", "xx", D(2001, 2, 3) + 0.7), D(2001, 2, 3));
  EXPECT_EQ(StrToDateFmtDef("DD/MM/YYYY", "2/1/2001", 0), D(2001, 1, 2));
  // A picture field that is not a number, and a month name that is none.
  TDateTime v;
  EXPECT_FALSE(TryStrToDateFmt("DD.MM.YYYY", "0x.03.2005", v));
  EXPECT_FALSE(TryStrToDateFmt("DD-MMM-YYYY", "07-xyz-2005", v));
  EXPECT_EQ(MonthFromName("DECEMBER", 3), 12);
  EXPECT_EQ(MonthFromName("Ju", 2), 6) << "the first month that agrees";
  EXPECT_EQ(MonthFromName("", 3), 0);
  EXPECT_EQ(MonthFromName("Smarch", 6), 0);
}

TEST_F(DateFunctions, OrdersFormatsAndMasks) {
  EXPECT_EQ(GetDateOrder("dd/mm/yy"), doDMY);
  EXPECT_EQ(GetDateOrder("M/d/yyyy"), doMDY);
  EXPECT_EQ(GetDateOrder("yyyy-MM-dd"), doYMD);
  EXPECT_EQ(GetDateOrder("ee/mm/dd"), doYMD);
  EXPECT_EQ(GetDateOrder("--"), doDMY);
  EXPECT_EQ(ExpandYear(45), 1945);
  EXPECT_EQ(ExpandYear(44), 2044);
  EXPECT_EQ(ExpandYear(99), 1999);
  EXPECT_EQ(ExpandYear(0), 2000);
  EXPECT_EQ(ExpandYear(100), 100);

  ShortDateFormat = "dd.MM.yyyy";
  EXPECT_TRUE(FourDigitYear());
  EXPECT_EQ(DefDateFormat(true), "DD/MM/YYYY");
  EXPECT_EQ(DefDateFormat(false), "DD/MM/YY");
  EXPECT_EQ(DefDateMask('_', true), "!99/99/9999;1;_");
  EXPECT_EQ(DefDateMask(' ', false), "!99/99/99;1; ");
  ShortDateFormat = "yy/MM/dd";
  EXPECT_FALSE(FourDigitYear());
  EXPECT_EQ(DefDateFormat(true), "YYYY/MM/DD");
  EXPECT_EQ(DefDateMask('_', true), "!9999/99/99;1;_");
  ShortDateFormat = "M/d/yyyy";
  EXPECT_EQ(DefDateFormat(false), "MM/DD/YY");

  LongDateFormat = "dddd, mmmm d, yyyy  ";
  EXPECT_EQ(FormatLongDate(D(2005, 3, 5)), "Saturday, March 5, 2005");
  LongTimeFormat = "hh:nn:ss";
  EXPECT_EQ(FormatLongDateTime(D(2005, 3, 5) + 0.5), "Saturday, March 5, 2005 12:00:00");
  EXPECT_EQ(FormatLongDateTime(NullDate), "");
}

}  // namespace
