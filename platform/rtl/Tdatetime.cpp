#include "platform/rtl/Tdatetime.h"

#include "platform/rtl/Exception.h"
#include "platform/rtl/Formatsettings.h"

#include <cctype>
#include <cmath>
#include <cstring>
#include <ctime>
#include <sys/time.h>

namespace {

platform::TNowSource gNowSource = nullptr;

TDateTime SystemNow() {
  struct timeval tv;
  gettimeofday(&tv, nullptr);
  struct tm local;
  time_t secs = tv.tv_sec;
  localtime_r(&secs, &local);
  TDateTime date, time;
  TryEncodeDate(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, date);
  // A leap second (tm_sec 60) is shown as the last moment of the minute.
  TryEncodeTime(local.tm_hour, local.tm_min, local.tm_sec > 59 ? 59 : local.tm_sec,
                static_cast<int>(tv.tv_usec / 1000), time);
  return date + time;
}

// Whole days since 1 January of year 1 (day 1) of a date.
long DaysOf(TDateTime value) { return static_cast<long>(std::trunc(value)) + DateDelta; }

// Splits a value into days since 1 January of year 1 and milliseconds of the day,
// carrying a time that rounds up to midnight into the next day.
void Split(TDateTime value, long& days, long& msecs) {
  days = DaysOf(value);
  msecs = std::lround(std::fabs(value - std::trunc(value)) * MSecsPerDay);
  if (msecs >= MSecsPerDay) {
    msecs -= MSecsPerDay;
    days += value < 0 ? -1 : 1;
  }
}

void DecodeDays(long days, uint16_t& year, uint16_t& month, uint16_t& day) {
  if (days <= 0) {
    year = month = day = 0;
    return;
  }
  constexpr long D1 = 365, D4 = D1 * 4 + 1, D100 = D4 * 25 - 1, D400 = D100 * 4 + 1;
  long t = days - 1;
  long y = 1;
  y += (t / D400) * 400; t %= D400;
  long i = t / D100; t %= D100;
  if (i == 4) { i = 3; t += D100; }
  y += i * 100;
  y += (t / D4) * 4; t %= D4;
  i = t / D1; t %= D1;
  if (i == 4) { i = 3; t += D1; }
  y += i;
  int m = 1;
  while (true) {
    int len = DaysInAMonth(static_cast<int>(y), m);
    if (t < len) break;
    t -= len;
    ++m;
  }
  year = static_cast<uint16_t>(y);
  month = static_cast<uint16_t>(m);
  day = static_cast<uint16_t>(t + 1);
}

// ---- FormatDateTime ----

struct Parts {
  uint16_t year, month, day, hour, min, sec, msec;
  int dayOfWeek;
  bool hasTime;
};

void AppendNumber(std::string& out, int value, int digits) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%0*d", digits, value);
  out += buf;
}

bool StartsWithNoCase(const char* p, const char* word) {
  return strncasecmp(p, word, std::strlen(word)) == 0;
}

// Whether an am/pm specifier follows before the next hour specifier.
bool Uses12HourClock(const char* p) {
  bool quoted = false;
  char quote = 0;
  for (; *p; ++p) {
    if (quoted) {
      if (*p == quote) quoted = false;
      continue;
    }
    if (*p == '\'' || *p == '"') { quoted = true; quote = *p; continue; }
    if (*p == 'h' || *p == 'H') return false;
    if (*p == 'a' || *p == 'A')
      return StartsWithNoCase(p, "am/pm") || StartsWithNoCase(p, "a/p") || StartsWithNoCase(p, "ampm");
  }
  return false;
}

void AppendFormat(std::string& out, const char* p, const Parts& v, int level) {
  if (level >= 2) return;  // a format that names itself stops here
  char last = 0;
  while (*p) {
    char token = static_cast<char>(std::toupper(static_cast<unsigned char>(*p)));
    const char* start = p++;
    if (token >= 'A' && token <= 'Z') {
      if (token == 'M' && last == 'H') token = 'N';
      last = token;
    }
    auto count = [&]() {
      int n = 1;
      while (std::toupper(static_cast<unsigned char>(*p)) == std::toupper(static_cast<unsigned char>(*start))) {
        ++p;
        ++n;
      }
      return n;
    };
    switch (token) {
      case 'Y': {
        int n = count();
        if (n <= 2) AppendNumber(out, v.year % 100, 2);
        else AppendNumber(out, v.year, 4);
        break;
      }
      case 'M': {
        int n = count();
        if (n <= 2) AppendNumber(out, v.month, n);
        else if (v.month >= 1 && v.month <= 12) out += (n == 3 ? ShortMonthNames : LongMonthNames)[v.month - 1];
        break;
      }
      case 'D': {
        int n = count();
        if (n <= 2) AppendNumber(out, v.day, n);
        else if (n == 3) out += ShortDayNames[v.dayOfWeek - 1];
        else if (n == 4) out += LongDayNames[v.dayOfWeek - 1];
        else AppendFormat(out, (n == 5 ? ShortDateFormat : LongDateFormat).c_str(), v, level + 1);
        break;
      }
      case 'H': {
        int n = count();
        int h = v.hour;
        if (Uses12HourClock(p)) {
          h %= 12;
          if (h == 0) h = 12;
        }
        AppendNumber(out, h, n > 2 ? 2 : n);
        break;
      }
      case 'N': {
        int n = count();
        AppendNumber(out, v.min, n > 2 ? 2 : n);
        break;
      }
      case 'S': {
        int n = count();
        AppendNumber(out, v.sec, n > 2 ? 2 : n);
        break;
      }
      case 'Z': {
        int n = count();
        AppendNumber(out, v.msec, n <= 2 ? 1 : 3);
        break;
      }
      case 'T': {
        int n = count();
        AppendFormat(out, (n == 1 ? ShortTimeFormat : LongTimeFormat).c_str(), v, level + 1);
        break;
      }
      case 'C':
        count();
        AppendFormat(out, ShortDateFormat.c_str(), v, level + 1);
        if (v.hasTime) {
          out += ' ';
          AppendFormat(out, LongTimeFormat.c_str(), v, level + 1);
        }
        break;
      case 'A': {
        bool pm = v.hour >= 12;
        if (StartsWithNoCase(start, "am/pm")) {
          out.append(start + (pm ? 3 : 0), 2);
          p = start + 5;
        } else if (StartsWithNoCase(start, "a/p")) {
          out += start[pm ? 2 : 0];
          p = start + 3;
        } else if (StartsWithNoCase(start, "ampm")) {
          out += pm ? TimePMString : TimeAMString;
          p = start + 4;
        } else {
          out += *start;
        }
        break;
      }
      case '/': out += DateSeparator; break;
      case ':': out += TimeSeparator; break;
      case '\'':
      case '"':
        while (*p && *p != *start) out += *p++;
        if (*p) ++p;
        break;
      default: out += *start; break;
    }
  }
}

}  // namespace

namespace platform {
void SetNowSource(TNowSource source) { gNowSource = source; }
}  // namespace platform

TDateTime Now() { return gNowSource ? gNowSource() : SystemNow(); }
TDateTime Date() { return std::trunc(Now()); }
TDateTime Time() {
  TDateTime n = Now();
  return n - std::trunc(n);
}

bool IsLeapYear(int Year) { return Year % 4 == 0 && (Year % 100 != 0 || Year % 400 == 0); }

int DaysInAMonth(int Year, int Month) {
  static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (Month < 1 || Month > 12) return 0;
  return kDays[Month - 1] + (Month == 2 && IsLeapYear(Year) ? 1 : 0);
}

bool TryEncodeDate(int Year, int Month, int Day, TDateTime& Result) {
  if (Year < 1 || Year > 9999 || Month < 1 || Month > 12 || Day < 1 || Day > DaysInAMonth(Year, Month))
    return false;
  long days = Day;
  for (int m = 1; m < Month; ++m) days += DaysInAMonth(Year, m);
  long y = Year - 1;
  days += y * 365 + y / 4 - y / 100 + y / 400;
  Result = static_cast<TDateTime>(days - DateDelta);
  return true;
}

bool TryEncodeTime(int Hour, int Min, int Sec, int MSec, TDateTime& Result) {
  if (Hour < 0 || Hour > 23 || Min < 0 || Min > 59 || Sec < 0 || Sec > 59 || MSec < 0 || MSec > 999)
    return false;
  Result = static_cast<TDateTime>(((Hour * 60 + Min) * 60 + Sec) * 1000 + MSec) / MSecsPerDay;
  return true;
}

TDateTime EncodeDate(int Year, int Month, int Day) {
  TDateTime r;
  if (!TryEncodeDate(Year, Month, Day, r)) throw EConvertError("Invalid argument to date encode");
  return r;
}

TDateTime EncodeTime(int Hour, int Min, int Sec, int MSec) {
  TDateTime r;
  if (!TryEncodeTime(Hour, Min, Sec, MSec, r)) throw EConvertError("Invalid argument to time encode");
  return r;
}

void DecodeDate(TDateTime Value, uint16_t& Year, uint16_t& Month, uint16_t& Day) {
  long days, msecs;
  Split(Value, days, msecs);
  DecodeDays(days, Year, Month, Day);
}

void DecodeTime(TDateTime Value, uint16_t& Hour, uint16_t& Min, uint16_t& Sec, uint16_t& MSec) {
  long days, msecs;
  Split(Value, days, msecs);
  Hour = static_cast<uint16_t>(msecs / 3600000);
  Min = static_cast<uint16_t>(msecs / 60000 % 60);
  Sec = static_cast<uint16_t>(msecs / 1000 % 60);
  MSec = static_cast<uint16_t>(msecs % 1000);
}

int DayOfWeek(TDateTime Value) {
  long days, msecs;
  Split(Value, days, msecs);
  // Day 1 (1 January of year 1) was a Monday.
  long r = days % 7;
  if (r < 0) r += 7;
  return static_cast<int>(r) + 1;
}

std::string FormatDateTime(const std::string& Format, TDateTime Value) {
  Parts v;
  DecodeDate(Value, v.year, v.month, v.day);
  DecodeTime(Value, v.hour, v.min, v.sec, v.msec);
  v.dayOfWeek = DayOfWeek(Value);
  v.hasTime = v.hour || v.min || v.sec || v.msec;
  std::string out;
  AppendFormat(out, Format.empty() ? "c" : Format.c_str(), v, 0);
  return out;
}

std::string DateToStr(TDateTime Value) { return FormatDateTime(ShortDateFormat, Value); }
std::string TimeToStr(TDateTime Value) { return FormatDateTime(LongTimeFormat, Value); }
std::string DateTimeToStr(TDateTime Value) { return FormatDateTime("c", Value); }
