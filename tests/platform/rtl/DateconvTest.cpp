#include "platform/rtl/Dateconv.h"
#include "platform/rtl/Exception.h"
#include "platform/rtl/Formatsettings.h"
#include "tests/platform/rtl/TestTmp.h"

#include <gtest/gtest.h>

namespace {

TDateTime Fixed() { return EncodeDate(2005, 12, 19) + EncodeTime(14, 3, 7, 0); }

TEST(Dateconv, ArithmeticAcrossLeapYearsAndTheEpoch) {
  FormatSettingsGuard guard;
  EXPECT_EQ(IncMonth(EncodeDate(2005, 1, 31), 1), EncodeDate(2005, 2, 28));
  EXPECT_EQ(IncMonth(EncodeDate(2004, 1, 31), 1), EncodeDate(2004, 2, 29));
  EXPECT_EQ(IncMonth(EncodeDate(2005, 1, 31), -1), EncodeDate(2004, 12, 31));
  EXPECT_EQ(IncMonth(EncodeDate(2005, 1, 31), 13), EncodeDate(2006, 2, 28));
  EXPECT_EQ(IncMonth(EncodeDate(2000, 2, 29), 12), EncodeDate(2001, 2, 28));
  EXPECT_EQ(IncMonth(EncodeDate(2000, 2, 29), 48), EncodeDate(2004, 2, 29));
  EXPECT_EQ(IncMonth(EncodeDate(1900, 1, 31), 1), EncodeDate(1900, 2, 28));  // 1900 is no leap year
  EXPECT_EQ(IncMonth(EncodeDate(1900, 1, 1), -1), EncodeDate(1899, 12, 1));
  EXPECT_THROW(IncMonth(EncodeDate(9999, 12, 1), 1), EConvertError);
  EXPECT_THROW(IncMonth(EncodeDate(1, 1, 1), -1), EConvertError);
  // The time of day stays, also before the epoch where values count away from zero.
  EXPECT_DOUBLE_EQ(IncMonth(EncodeDate(2005, 3, 31) + 0.25, -1), EncodeDate(2005, 2, 28) + 0.25);
  TDateTime before = EncodeDate(1899, 12, 29);  // -1
  EXPECT_EQ(before, -1);
  EXPECT_DOUBLE_EQ(ComposeDateTime(before, 0.25), -1.25);
  EXPECT_DOUBLE_EQ(IncMonth(-1.25, 1), EncodeDate(1900, 1, 29) + 0.25);
  EXPECT_DOUBLE_EQ(IncMonth(EncodeDate(1900, 1, 29) + 0.25, -1), -1.25);
  EXPECT_EQ(DayOfWeek(0), 7);  // 30 December 1899 was a Saturday
  EXPECT_EQ(DayOfWeek(-1.25), 6);
  EXPECT_EQ(EncodeDate(2001, 3, 1) - EncodeDate(2000, 2, 28), 367);
  try {
    EncodeDate(2023, 2, 29);
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "Invalid argument to date encode");
  }
  TDateTime v = Fixed();
  ReplaceDate(v, EncodeDate(2000, 1, 1));
  EXPECT_EQ(FormatDateTime("yyyy-mm-dd hh:nn:ss", v), "2000-01-01 14:03:07");
  ReplaceTime(v, 0.5);
  EXPECT_EQ(FormatDateTime("yyyy-mm-dd hh:nn:ss", v), "2000-01-01 12:00:00");
}

TEST(Dateconv, TextsUnderTwoLocales) {
  FormatSettingsGuard guard;
  platform::SetNowSource(Fixed);
  // The English defaults: month first, slashes, a 12-hour clock.
  EXPECT_EQ(FormatDateTime("c", Fixed()), "12/19/2005 2:03:07 PM");
  EXPECT_EQ(FormatDateTime("dddd, d mmmm yyyy", Fixed()), "Monday, 19 December 2005");
  EXPECT_EQ(StrToDate("12/19/2005"), EncodeDate(2005, 12, 19));
  EXPECT_EQ(StrToDate(" 2/3 "), EncodeDate(2005, 2, 3));  // this year
  EXPECT_EQ(StrToDate("1/2/05"), EncodeDate(2005, 1, 2));
  EXPECT_EQ(StrToDate("1/2/99"), EncodeDate(1999, 1, 2));
  EXPECT_DOUBLE_EQ(StrToDateTime("12/19/2005 2:03:07 PM"), Fixed());
  EXPECT_DOUBLE_EQ(StrToDateTime("12/19/2005 14:03:07"), Fixed());
  EXPECT_DOUBLE_EQ(StrToTime("12:00 AM"), 0);
  EXPECT_DOUBLE_EQ(StrToTime("12:30 pm"), EncodeTime(12, 30, 0, 0));
  EXPECT_DOUBLE_EQ(StrToTime("7 PM"), EncodeTime(19, 0, 0, 0));
  EXPECT_DOUBLE_EQ(StrToTime("1:02:03.5"), EncodeTime(1, 2, 3, 5));
  EXPECT_DOUBLE_EQ(StrToDateTime("10:15"), EncodeTime(10, 15, 0, 0));
  for (const char* bad : {"", "13/1/2005", "2/30/2005", "12/19/2005x", "1/", "12/19/2005 25:00", "12/19/2005 13:00 PM"}) {
    TDateTime d;
    EXPECT_FALSE(TryStrToDateTime(bad, d)) << bad;
  }
  try {
    StrToDate("19.12.2005");
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "'19.12.2005' is not a valid date");
  }
  EXPECT_EQ(StrToDateDef("x", 5), 5);

  // A Russian locale: day first, points, a 24-hour clock and Russian names.
  DateSeparator = '.';
  ShortDateFormat = "dd.mm.yyyy";
  LongTimeFormat = "h:mm:ss";
  ShortTimeFormat = "h:mm";
  LongMonthNames[11] = "Декабрь";
  LongDayNames[1] = "понедельник";
  EXPECT_EQ(FormatDateTime("c", Fixed()), "19.12.2005 14:03:07");
  EXPECT_EQ(FormatDateTime("dddd, d mmmm yyyy", Fixed()), "понедельник, 19 Декабрь 2005");
  EXPECT_EQ(FormatDateTime("ddddd", EncodeDate(2005, 3, 5)), "05.03.2005");
  EXPECT_EQ(StrToDate("05.03.2005"), EncodeDate(2005, 3, 5));
  EXPECT_EQ(StrToDate("5.3"), EncodeDate(2005, 3, 5));
  EXPECT_DOUBLE_EQ(StrToDateTime("19.12.2005 14:03:07"), Fixed());
  EXPECT_THROW(StrToDate("12/19/2005"), EConvertError);
  platform::SetNowSource(nullptr);
}

}  // namespace
