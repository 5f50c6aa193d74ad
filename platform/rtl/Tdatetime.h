#pragma once
// The run-time library's date and time: a TDateTime counts days since
// 30 December 1899 in a double, the time of day in its fraction. Before that
// day the value is negative and the fraction still counts forward from midnight
// in magnitude (-1.25 is 29 December 1899, 06:00).

#include <cstdint>
#include <string>

using TDateTime = double;

constexpr int HoursPerDay = 24;
constexpr int MinsPerDay = HoursPerDay * 60;
constexpr int SecsPerDay = MinsPerDay * 60;
constexpr int MSecsPerDay = SecsPerDay * 1000;
// Days from 1 January of year 1 to 30 December 1899.
constexpr int DateDelta = 693594;

TDateTime Now();    // local date and time, to the millisecond
TDateTime Date();   // today at midnight
TDateTime Time();   // the time of day, date part 0

bool IsLeapYear(int Year);
int DaysInAMonth(int Year, int Month);

// False when a part is out of range (year 1..9999, hour 0..23, minutes and
// seconds 0..59, milliseconds 0..999).
bool TryEncodeDate(int Year, int Month, int Day, TDateTime& Result);
bool TryEncodeTime(int Hour, int Min, int Sec, int MSec, TDateTime& Result);
// The same, raising EConvertError "Invalid argument to date encode" (or
// "... time encode") on a part out of range.
TDateTime EncodeDate(int Year, int Month, int Day);
TDateTime EncodeTime(int Hour, int Min, int Sec, int MSec);

void DecodeDate(TDateTime Value, uint16_t& Year, uint16_t& Month, uint16_t& Day);
void DecodeTime(TDateTime Value, uint16_t& Hour, uint16_t& Min, uint16_t& Sec, uint16_t& MSec);
int DayOfWeek(TDateTime Value);  // 1 = Sunday .. 7 = Saturday

// Formats by the class library's specifiers: c, d..dddddd, m..mmmm, yy, yyyy,
// h, hh, n, nn, s, ss, z, zzz, t, tt, am/pm, a/p, ampm, '/' and ':' (the
// separators of the format settings), and quoted literals. An empty format is "c".
std::string FormatDateTime(const std::string& Format, TDateTime Value);
std::string DateToStr(TDateTime Value);      // ShortDateFormat
std::string TimeToStr(TDateTime Value);      // LongTimeFormat
std::string DateTimeToStr(TDateTime Value);  // "c"

namespace platform {

// The source of Now: the system clock by default; tests set a fixed one.
using TNowSource = TDateTime (*)();
void SetNowSource(TNowSource source);  // nullptr restores the system clock

}  // namespace platform
