#pragma once
// Reading dates and times from texts by the format settings, and calendar
// arithmetic on TDateTime values.

#include "platform/rtl/Tdatetime.h"

#include <string>

// A date of two or three numbers separated by DateSeparator, in the order of
// ShortDateFormat (day, month, year / month, day, year / year, month, day);
// with two numbers the year is this year's. A year of one or two digits lies
// within TwoDigitYearCenturyWindow years of now. Blanks around are allowed.
bool TryStrToDate(const std::string& S, TDateTime& Value);
// Hours, TimeSeparator, minutes, optionally seconds and milliseconds after
// DecimalSeparator, optionally followed by TimeAMString/TimePMString (or AM/PM).
bool TryStrToTime(const std::string& S, TDateTime& Value);
// A date optionally followed by a time, or a time alone.
bool TryStrToDateTime(const std::string& S, TDateTime& Value);
// The same raising EConvertError "'<text>' is not a valid date" (time;
// date and time).
TDateTime StrToDate(const std::string& S);
TDateTime StrToTime(const std::string& S);
TDateTime StrToDateTime(const std::string& S);
TDateTime StrToDateDef(const std::string& S, TDateTime Default);

// The same day NumberOfMonths months later (earlier when negative), clamped to
// the month's last day, keeping the time of day.
TDateTime IncMonth(TDateTime Value, int NumberOfMonths = 1);
// Value's date with NewTime's time of day / NewDate's date with Value's time.
void ReplaceTime(TDateTime& Value, TDateTime NewTime);
void ReplaceDate(TDateTime& Value, TDateTime NewDate);
// The two parts put together; for days before 30 December 1899 the time counts
// away from zero, as the values of those days do.
TDateTime ComposeDateTime(TDateTime DateValue, TDateTime TimeValue);
int CurrentYear();
