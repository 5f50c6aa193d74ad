#pragma once
// Calendar functions on TDateTime values (Gregorian): month lengths, adding
// days, months and years with end-of-month clamping, differences, a date
// parser that takes a picture format or falls back to scanning, and the
// default date formats and edit masks by the locale's date order. The class
// library's IsLeapYear, IncMonth, CurrentYear and StrToDateDef serve as they are.

#include <cstdint>
#include <string>

#include "platform/rtl/Dateconv.h"
#include "platform/rtl/Tdatetime.h"
#include "platform/rtl/Tset.h"

// The value that stands for no date.
inline constexpr TDateTime NullDate = 0;
// Two-digit years land in the hundred years that begin this many years before now.
extern uint8_t CenturyOffset;

enum TDateOrder { doMDY, doDMY, doYMD };
enum TDayOfWeekName { Sun, Mon, Tue, Wed, Thu, Fri, Sat };
using TDaysOfWeek = TSet<TDayOfWeekName>;

// Whether the locale's short date format has four-digit years.
bool FourDigitYear();

int DaysPerMonth(int AYear, int AMonth);
TDateTime FirstDayOfNextMonth();
TDateTime FirstDayOfPrevMonth();
TDateTime LastDayOfPrevMonth();
int ExtractDay(TDateTime ADate);
int ExtractMonth(TDateTime ADate);
int ExtractYear(TDateTime ADate);

// Years and months first (the day clamped to the new month's length), then the
// days; the time of day is kept. A year outside 1..9999 raises EConvertError.
TDateTime IncDate(TDateTime ADate, int Days, int Months, int Years);
TDateTime IncDay(TDateTime ADate, int Delta);
TDateTime IncYear(TDateTime ADate, int Delta);
// Adds the parts; a result below zero gets one day added (a time of day wraps).
TDateTime IncTime(TDateTime ATime, int Hours, int Minutes, int Seconds, int MSecs);
TDateTime IncHour(TDateTime ATime, int Delta);
TDateTime IncMinute(TDateTime ATime, int Delta);
TDateTime IncSecond(TDateTime ATime, int Delta);
TDateTime IncMSec(TDateTime ATime, int Delta);

// The period from the earlier date to the later in years, months and days.
void DateDiff(TDateTime Date1, TDateTime Date2, int& Days, int& Months, int& Years);
// Months between the dates, the remaining days counted in quarters of a month.
double MonthsBetween(TDateTime Date1, TDateTime Date2);
// Calendar days from the earlier to the later date, both counted; 0 for an invalid date.
int DaysInPeriod(TDateTime Date1, TDateTime Date2);
// Whole days of Date2 minus those of Date1, plus one; 0 when that is negative.
int DaysBetween(TDateTime Date1, TDateTime Date2);
// The value decodes to a date of the years 1..9999.
bool ValidDate(TDateTime ADate);
TDateTime CutTime(TDateTime ADate);

// The order of the day, month and year in a date format.
TDateOrder GetDateOrder(const std::string& DateFormat);
// 1..12 for the first month whose long name agrees with the text in the first
// MaxLen characters, ignoring case; 0 when none.
int MonthFromName(const std::string& S, int MaxLen);
// Two-digit years by CenturyOffset; a year of 100 or more is returned unchanged.
int ExpandYear(int Year);

// Parses a date by the picture of DateFormat, else by scanning its numbers in
// the format's order. An empty text is NullDate. A text that is no date raises
// EConvertError "''<text>'' is not a valid date".
TDateTime StrToDateFmt(const std::string& DateFormat, const std::string& S);
// The same; on failure the default's whole days.
TDateTime StrToDateFmtDef(const std::string& DateFormat, const std::string& S, TDateTime Default);
bool TryStrToDateFmt(const std::string& DateFormat, const std::string& S, TDateTime& Date);

// "DD/MM/YYYY" and its kin in the order of the locale's short date format.
std::string DefDateFormat(bool FourDigitYear);
// The edit mask of such a date, ending in the blank character.
std::string DefDateMask(char BlanksChar, bool FourDigitYear);
// The locale's long date, trailing blanks removed; with the long time after it.
std::string FormatLongDate(TDateTime Value);
std::string FormatLongDateTime(TDateTime Value);
