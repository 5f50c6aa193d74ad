#pragma once
// The run-time library's format settings: the separators, formats and names that
// the date, time and number routines read. Programs set them at start-up.
// Texts are in the program's code page.

#include <string>

extern char DecimalSeparator;
extern char ThousandSeparator;
extern char DateSeparator;
extern char TimeSeparator;
extern char ListSeparator;
extern std::string ShortDateFormat;
extern std::string LongDateFormat;
extern std::string ShortTimeFormat;
extern std::string LongTimeFormat;
extern std::string TimeAMString;
extern std::string TimePMString;
extern std::string CurrencyString;
extern unsigned char CurrencyFormat;    // 0 "$1", 1 "1$", 2 "$ 1", 3 "1 $"
extern unsigned char NegCurrFormat;
extern unsigned char CurrencyDecimals;
extern int TwoDigitYearCenturyWindow;   // two-digit years within this many years of now
// Month names, index 0 = January; day names, index 0 = Sunday.
extern std::string ShortMonthNames[12];
extern std::string LongMonthNames[12];
extern std::string ShortDayNames[7];
extern std::string LongDayNames[7];

namespace platform {

// Puts every format setting back to the defaults the process starts with
// (the English settings of the Windows default locale).
void ResetFormatSettings();

}  // namespace platform
