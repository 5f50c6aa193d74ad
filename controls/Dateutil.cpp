#include "controls/Dateutil.h"

#include <algorithm>
#include <cctype>
#include <cmath>

#include "platform/rtl/Exception.h"
#include "platform/rtl/Formatsettings.h"
#include "platform/rtl/Strutil.h"
#include "platform/rtl/Tdatescanner.h"

uint8_t CenturyOffset = 60;

namespace {

bool IsValidDate(int y, int m, int d) {
  return y >= 1 && y <= 9999 && m >= 1 && m <= 12 && d >= 1 && d <= DaysPerMonth(y, m);
}

// The first day of the month Delta months from this one.
TDateTime FirstDayOfMonthFromNow(int Delta) {
  uint16_t y, m, d;
  DecodeDate(Date(), y, m, d);
  return IncMonth(EncodeDate(y, m, 1), Delta);
}

// ---- the picture pass

bool AllDigits(const std::string& s) {
  if (s.empty() || s.size() > 9) return false;
  for (char c : s)
    if (c < '0' || c > '9') return false;
  return true;
}

// The field of Count letters Ch in the format, read from the same positions of
// the text. Default when the format has no such run or the text is longer than
// the format; Blank when the run takes no characters.
int ExtractMask(const std::string& format, const std::string& s, char ch, int count, int blank, int def) {
  size_t limit = format.size();
  if (s.size() < limit) limit = s.size();
  else if (s.size() > limit) return def;
  size_t j = AnsiUpperCase(format).find(std::string(count, ch));
  if (j == std::string::npos) return def;
  std::string taken;
  for (; j < limit && std::toupper(static_cast<unsigned char>(format[j])) == ch; ++j)
    if (s[j] != ' ') taken += s[j];
  if (taken.empty()) return blank;
  if (count > 1) {
    int month = MonthFromName(taken, static_cast<int>(taken.size()));
    return month == 0 ? -1 : month;
  }
  return AllDigits(taken) ? std::stoi(taken) : -1;
}

bool ScanDateStr(const std::string& format, const std::string& s, int& d, int& m, int& y) {
  m = ExtractMask(format, s, 'M', 3, -1, 0);
  if (m == 0) m = ExtractMask(format, s, 'M', 1, -1, 0);
  d = ExtractMask(format, s, 'D', 1, -1, 1);
  y = ExpandYear(ExtractMask(format, s, 'Y', 1, -1, CurrentYear()));
  return IsValidDate(y, m, d);
}

// ---- the scanning pass

bool ScanDate(const std::string& s, const std::string& format, TDateTime& date) {
  TDateScanner sc(s);
  TDateOrder order = GetDateOrder(format);
  if (!ShortDateFormat.empty() && ShortDateFormat[0] == 'g') sc.ToNumber();
  int n1, n2, n3, y, m, d;
  if (!(sc.Number(n1) && sc.Char(DateSeparator) && sc.Number(n2))) return false;
  if (sc.Char(DateSeparator)) {
    if (!sc.Number(n3)) return false;
    switch (order) {
      case doMDY: m = n1; d = n2; y = n3; break;
      case doDMY: d = n1; m = n2; y = n3; break;
      default: y = n1; m = n2; d = n3; break;
    }
    y = ExpandYear(y);
  } else {
    y = CurrentYear();
    if (order == doDMY) { d = n1; m = n2; }
    else { m = n1; d = n2; }
  }
  sc.Char(DateSeparator);
  sc.Blanks();
  if (!IsValidDate(y, m, d) || !sc.AtEnd()) return false;
  date = EncodeDate(y, m, d);
  return true;
}

}  // namespace

bool FourDigitYear() { return UpperCase(ShortDateFormat).find("YYYY") != std::string::npos; }

int DaysPerMonth(int AYear, int AMonth) { return DaysInAMonth(AYear, AMonth); }

TDateTime FirstDayOfNextMonth() { return FirstDayOfMonthFromNow(1); }
TDateTime FirstDayOfPrevMonth() { return FirstDayOfMonthFromNow(-1); }
TDateTime LastDayOfPrevMonth() { return FirstDayOfMonthFromNow(0) - 1; }

int ExtractDay(TDateTime ADate) {
  uint16_t y, m, d;
  DecodeDate(ADate, y, m, d);
  return d;
}

int ExtractMonth(TDateTime ADate) {
  uint16_t y, m, d;
  DecodeDate(ADate, y, m, d);
  return m;
}

int ExtractYear(TDateTime ADate) {
  uint16_t y, m, d;
  DecodeDate(ADate, y, m, d);
  return y;
}

TDateTime IncDate(TDateTime ADate, int Days, int Months, int Years) {
  uint16_t y, m, d;
  DecodeDate(ADate, y, m, d);
  long year = static_cast<long>(y) + Years + Months / 12;
  long month = static_cast<long>(m) + Months % 12;
  if (month < 1) {
    month += 12;
    --year;
  } else if (month > 12) {
    month -= 12;
    ++year;
  }
  if (year < 1 || year > 9999) throw EConvertError("Invalid argument to date encode");
  int day = std::min<int>(d, DaysPerMonth(static_cast<int>(year), static_cast<int>(month)));
  TDateTime result = EncodeDate(static_cast<int>(year), static_cast<int>(month), day) + Days;
  // The time of day counts away from zero before 30 December 1899.
  return ComposeDateTime(result, ADate - std::trunc(ADate));
}

TDateTime IncDay(TDateTime ADate, int Delta) { return ADate + Delta; }
TDateTime IncYear(TDateTime ADate, int Delta) { return IncDate(ADate, 0, 0, Delta); }

TDateTime IncTime(TDateTime ATime, int Hours, int Minutes, int Seconds, int MSecs) {
  // 64-bit sums: a count of minutes or seconds may be large.
  int64_t ms = int64_t(Hours % 24) * 3600000 + int64_t(Minutes) * 60000 + int64_t(Seconds) * 1000 + MSecs;
  TDateTime result = ATime + Hours / 24 + static_cast<double>(ms) / MSecsPerDay;
  if (result < 0) result += 1;
  return result;
}

TDateTime IncHour(TDateTime ATime, int Delta) { return IncTime(ATime, Delta, 0, 0, 0); }
TDateTime IncMinute(TDateTime ATime, int Delta) { return IncTime(ATime, 0, Delta, 0, 0); }
TDateTime IncSecond(TDateTime ATime, int Delta) { return IncTime(ATime, 0, 0, Delta, 0); }
TDateTime IncMSec(TDateTime ATime, int Delta) { return IncTime(ATime, 0, 0, 0, Delta); }

void DateDiff(TDateTime Date1, TDateTime Date2, int& Days, int& Months, int& Years) {
  if (Date1 > Date2) std::swap(Date1, Date2);
  uint16_t y1, m1, d1, y2, m2, d2;
  DecodeDate(Date1, y1, m1, d1);
  DecodeDate(Date2, y2, m2, d2);
  Years = y2 - y1;
  Months = 0;
  Days = 0;
  if (m2 < m1) {
    Months += 12;
    --Years;
  }
  Months += m2 - m1;
  if (d2 < d1) {
    Days += DaysPerMonth(y1, m1);
    if (Months == 0) {
      --Years;
      Months = 11;
    } else {
      --Months;
    }
  }
  Days += d2 - d1;
}

double MonthsBetween(TDateTime Date1, TDateTime Date2) {
  int d, m, y;
  DateDiff(Date1, Date2, d, m, y);
  double result = y * 12 + m;
  if (d >= 21) result += 1;
  else if (d >= 15) result += 0.75;
  else if (d >= 7) result += 0.5;
  else if (d >= 2) result += 0.25;
  return result;
}

int DaysInPeriod(TDateTime Date1, TDateTime Date2) {
  if (!ValidDate(Date1) || !ValidDate(Date2)) return 0;
  return static_cast<int>(std::fabs(std::trunc(Date2) - std::trunc(Date1))) + 1;
}

int DaysBetween(TDateTime Date1, TDateTime Date2) {
  double days = std::trunc(Date2) - std::trunc(Date1) + 1;
  return days < 0 ? 0 : static_cast<int>(days);
}

bool ValidDate(TDateTime ADate) {
  // Outside these days nothing decodes to a year of 1..9999.
  const TDateTime first = -DateDelta + 1, last = 2958466;
  return std::isfinite(ADate) && std::trunc(ADate) >= first && ADate < last;
}

TDateTime CutTime(TDateTime ADate) { return std::trunc(ADate); }

TDateOrder GetDateOrder(const std::string& DateFormat) {
  for (char c : DateFormat) {
    switch (std::toupper(static_cast<unsigned char>(c))) {
      case 'D': return doDMY;
      case 'E':
      case 'Y': return doYMD;
      case 'M': return doMDY;
      default: break;
    }
  }
  return doDMY;
}

int MonthFromName(const std::string& S, int MaxLen) {
  if (S.empty() || MaxLen < 1) return 0;
  std::string head = S.substr(0, MaxLen);
  for (int i = 0; i < 12; ++i)
    if (!LongMonthNames[i].empty() && AnsiSameText(head, LongMonthNames[i].substr(0, MaxLen))) return i + 1;
  return 0;
}

int ExpandYear(int Year) {
  if (Year >= 100) return Year;
  int c = CurrentYear() - CenturyOffset;
  int result = Year + c / 100 * 100;
  if (CenturyOffset > 0 && result < c) result += 100;
  return result;
}

bool TryStrToDateFmt(const std::string& DateFormat, const std::string& S, TDateTime& Date) {
  if (S.empty()) {
    Date = NullDate;
    return true;
  }
  try {
    int d, m, y;
    if (ScanDateStr(DateFormat, S, d, m, y)) {
      Date = EncodeDate(y, m, d);
      return true;
    }
    return ScanDate(S, DateFormat, Date);
  } catch (const Exception&) {
    return false;
  }
}

TDateTime StrToDateFmt(const std::string& DateFormat, const std::string& S) {
  TDateTime result;
  if (!TryStrToDateFmt(DateFormat, S, result)) throw EConvertError("''" + S + "'' is not a valid date");
  return result;
}

TDateTime StrToDateFmtDef(const std::string& DateFormat, const std::string& S, TDateTime Default) {
  TDateTime result;
  return TryStrToDateFmt(DateFormat, S, result) ? result : std::trunc(Default);
}

std::string DefDateFormat(bool FourDigitYear) {
  switch (GetDateOrder(ShortDateFormat)) {
    case doMDY: return FourDigitYear ? "MM/DD/YYYY" : "MM/DD/YY";
    case doDMY: return FourDigitYear ? "DD/MM/YYYY" : "DD/MM/YY";
    default: return FourDigitYear ? "YYYY/MM/DD" : "YY/MM/DD";
  }
}

std::string DefDateMask(char BlanksChar, bool FourDigitYear) {
  std::string mask;
  if (!FourDigitYear) mask = "!99/99/99;1;";
  else if (GetDateOrder(ShortDateFormat) == doYMD) mask = "!9999/99/99;1;";
  else mask = "!99/99/9999;1;";
  return mask + BlanksChar;
}

std::string FormatLongDate(TDateTime Value) {
  std::string s = FormatDateTime(LongDateFormat, Value);
  if (s.size() > 1023) s.resize(1023);
  return TrimRight(s);
}

std::string FormatLongDateTime(TDateTime Value) {
  if (Value == NullDate) return "";
  return FormatLongDate(Value) + FormatDateTime(" tt", Value);
}
