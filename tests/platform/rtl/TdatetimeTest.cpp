#include "platform/rtl/Formatsettings.h"
#include "platform/rtl/Tdatetime.h"

#include <gtest/gtest.h>

#include <ctime>
#include <stdexcept>

namespace {

struct SettingsGuard {
  SettingsGuard() { platform::ResetFormatSettings(); }
  ~SettingsGuard() { platform::ResetFormatSettings(); }
};

TEST(Tdatetime, EncodeAndDecodeKnownDays) {
  EXPECT_EQ(EncodeDate(1899, 12, 30), 0.0);
  EXPECT_EQ(EncodeDate(1900, 1, 1), 2.0);
  EXPECT_EQ(EncodeDate(2005, 12, 19), 38705.0);
  EXPECT_EQ(EncodeDate(1, 1, 1), -693593.0);
  EXPECT_EQ(EncodeDate(9999, 12, 31), 2958465.0);
  EXPECT_EQ(EncodeTime(6, 0, 0, 0), 0.25);
  // Every day of four centuries (leap years included) decodes to itself.
  for (int y = 1900; y <= 2300; ++y)
    for (int m = 1; m <= 12; ++m)
      for (int d = 1; d <= DaysInAMonth(y, m); ++d) {
        uint16_t yy, mm, dd;
        DecodeDate(EncodeDate(y, m, d) + 0.75, yy, mm, dd);
        ASSERT_EQ(yy * 10000 + mm * 100 + dd, y * 10000 + m * 100 + d);
      }
  uint16_t y, m, d;
  DecodeDate(EncodeDate(1, 1, 1), y, m, d);
  EXPECT_EQ(y * 10000 + m * 100 + d, 10101);
  DecodeDate(EncodeDate(1752, 9, 3), y, m, d);
  EXPECT_EQ(y * 10000 + m * 100 + d, 17520903);
  EXPECT_EQ(DaysInAMonth(2000, 2), 29);
  EXPECT_EQ(DaysInAMonth(1900, 2), 28);
  EXPECT_EQ(DayOfWeek(EncodeDate(1899, 12, 30)), 7);  // Saturday
  EXPECT_EQ(DayOfWeek(EncodeDate(2005, 12, 19)), 2);  // Monday
}

TEST(Tdatetime, TimeOfDayRoundsToTheMillisecondAndCarriesMidnight) {
  uint16_t h, n, s, ms;
  TDateTime t = EncodeDate(2024, 2, 29) + EncodeTime(23, 59, 59, 999);
  DecodeTime(t, h, n, s, ms);
  EXPECT_EQ((h * 100 + n) * 100 + s, 235959);
  EXPECT_EQ(ms, 999);
  // Half a millisecond before midnight belongs to the next day.
  TDateTime almost = EncodeDate(2024, 2, 29) + (MSecsPerDay - 0.4) / MSecsPerDay;
  uint16_t y, m, d;
  DecodeDate(almost, y, m, d);
  DecodeTime(almost, h, n, s, ms);
  EXPECT_EQ(y * 10000 + m * 100 + d, 20240301);
  EXPECT_EQ(h + n + s + ms, 0);
  // Before 1899-12-30 the fraction counts forward from midnight.
  DecodeDate(-1.25, y, m, d);
  DecodeTime(-1.25, h, n, s, ms);
  EXPECT_EQ(y * 10000 + m * 100 + d, 18991229);
  EXPECT_EQ(h, 6);
}

TEST(Tdatetime, OutOfRangePartsAreRefused) {
  TDateTime r = 123;
  EXPECT_FALSE(TryEncodeDate(2023, 2, 29, r));
  EXPECT_FALSE(TryEncodeDate(0, 1, 1, r));
  EXPECT_FALSE(TryEncodeDate(10000, 1, 1, r));
  EXPECT_FALSE(TryEncodeDate(2023, 13, 1, r));
  EXPECT_FALSE(TryEncodeTime(24, 0, 0, 0, r));
  EXPECT_FALSE(TryEncodeTime(0, 60, 0, 0, r));
  EXPECT_FALSE(TryEncodeTime(0, 0, 0, 1000, r));
  EXPECT_EQ(r, 123);
  EXPECT_THROW(EncodeDate(2023, 2, 29), std::exception);
  EXPECT_THROW(EncodeTime(-1, 0, 0, 0), std::exception);
}

TEST(Tdatetime, FormatDateTimeSpecifiers) {
  SettingsGuard guard;
  TDateTime t = EncodeDate(2005, 12, 9) + EncodeTime(14, 5, 7, 45);
  EXPECT_EQ(FormatDateTime("yymmdd", t), "051209");
  EXPECT_EQ(FormatDateTime("yyyy.mm.dd hh:nn:ss", t), "2005.12.09 14:05:07");
  EXPECT_EQ(FormatDateTime("yyyy.mm.dd hh:mm:ss", t), "2005.12.09 14:05:07");  // m after h is minutes
  EXPECT_EQ(FormatDateTime("d/m/yy h:n:s z zzz", t), "9/12/05 14:5:7 45 045");
  EXPECT_EQ(FormatDateTime("ddd dddd mmm mmmm", t), "Fri Friday Dec December");
  EXPECT_EQ(FormatDateTime("h:nn am/pm, hh a/p, h AMPM", t), "2:05 pm, 02 p, 2 PM");
  EXPECT_EQ(FormatDateTime("'d m' \"yyyy\" d", t), "d m yyyy 9");
  EXPECT_EQ(FormatDateTime("c", t), "12/9/2005 2:05:07 PM");
  EXPECT_EQ(FormatDateTime("", EncodeDate(2005, 12, 9)), "12/9/2005");
  EXPECT_EQ(FormatDateTime("ddddd | dddddd | t | tt", t), "12/9/2005 | Friday, December 09, 2005 | 2:05 PM | 2:05:07 PM");
  EXPECT_EQ(FormatDateTime("h AMPM", EncodeTime(0, 30, 0, 0)), "12 AM");

  DateSeparator = '.';
  TimeSeparator = '-';
  ShortDateFormat = "dd/mm/yyyy";
  LongTimeFormat = "hh:nn:ss";
  LongMonthNames[11] = "декабря";
  EXPECT_EQ(DateToStr(t), "09.12.2005");
  EXPECT_EQ(TimeToStr(t), "14-05-07");
  EXPECT_EQ(DateTimeToStr(t), "09.12.2005 14-05-07");
  EXPECT_EQ(FormatDateTime("d mmmm", t), "9 декабря");
  ShortDateFormat = "ddddd";  // names itself: stops instead of looping
  EXPECT_EQ(DateToStr(t), "");
}

TDateTime FixedNow() { return EncodeDate(2005, 12, 19) + EncodeTime(23, 59, 0, 0); }

TEST(Tdatetime, NowFollowsTheClockOrItsReplacement) {
  platform::SetNowSource(FixedNow);
  EXPECT_EQ(Now(), FixedNow());
  EXPECT_EQ(Date(), EncodeDate(2005, 12, 19));
  EXPECT_NEAR(Time(), EncodeTime(23, 59, 0, 0), 1e-9);
  platform::SetNowSource(nullptr);

  time_t secs = time(nullptr);
  struct tm local;
  localtime_r(&secs, &local);
  TDateTime expect = EncodeDate(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday) +
                     EncodeTime(local.tm_hour, local.tm_min, local.tm_sec, 0);
  EXPECT_NEAR(Now(), expect, 5.0 / SecsPerDay);
}

}  // namespace
