#include "platform/rtl/Formatsettings.h"

char DecimalSeparator;
char ThousandSeparator;
char DateSeparator;
char TimeSeparator;
char ListSeparator;
std::string ShortDateFormat;
std::string LongDateFormat;
std::string ShortTimeFormat;
std::string LongTimeFormat;
std::string TimeAMString;
std::string TimePMString;
std::string CurrencyString;
unsigned char CurrencyFormat;
unsigned char NegCurrFormat;
unsigned char CurrencyDecimals;
int TwoDigitYearCenturyWindow;
std::string ShortMonthNames[12];
std::string LongMonthNames[12];
std::string ShortDayNames[7];
std::string LongDayNames[7];

namespace platform {

// The settings of an English system, as every run starts with them.
void ResetFormatSettings() {
  static const char* const kShortMonths[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  static const char* const kLongMonths[12] = {"January", "February", "March",     "April",
                                               "May",     "June",     "July",      "August",
                                               "September", "October", "November", "December"};
  static const char* const kShortDays[7] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  static const char* const kLongDays[7] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                            "Thursday", "Friday", "Saturday"};
  DecimalSeparator = '.';
  ThousandSeparator = ',';
  DateSeparator = '/';
  TimeSeparator = ':';
  ListSeparator = ',';
  ShortDateFormat = "m/d/yyyy";
  LongDateFormat = "dddd, mmmm dd, yyyy";
  ShortTimeFormat = "h:mm AMPM";
  LongTimeFormat = "h:mm:ss AMPM";
  TimeAMString = "AM";
  TimePMString = "PM";
  CurrencyString = "$";
  CurrencyFormat = 0;
  NegCurrFormat = 0;
  CurrencyDecimals = 2;
  TwoDigitYearCenturyWindow = 50;
  for (int i = 0; i < 12; ++i) {
    ShortMonthNames[i] = kShortMonths[i];
    LongMonthNames[i] = kLongMonths[i];
  }
  for (int i = 0; i < 7; ++i) {
    ShortDayNames[i] = kShortDays[i];
    LongDayNames[i] = kLongDays[i];
  }
}

namespace {
// The settings are filled before main; other static initialisers must not read them.
const bool kInitialised = (ResetFormatSettings(), true);
}  // namespace

}  // namespace platform
