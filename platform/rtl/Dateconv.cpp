#include "platform/rtl/Dateconv.h"

#include "platform/rtl/Exception.h"
#include "platform/rtl/Formatsettings.h"
#include "platform/rtl/Strutil.h"
#include "platform/rtl/Tdatescanner.h"

#include <algorithm>
#include <cmath>

namespace {

enum DateOrder { doMDY, doDMY, doYMD };

DateOrder OrderOf(const std::string& format) {
  for (char c : format) {
    switch (c) {
      case 'd': case 'D': return doDMY;
      case 'y': case 'Y': case 'e': case 'E': return doYMD;
      case 'm': case 'M': return doMDY;
      default: break;
    }
  }
  return doMDY;
}

int ExpandYear(int year, int digits) {
  if (year > 99 || digits > 2) return year;
  int current = CurrentYear() - TwoDigitYearCenturyWindow;
  year += current / 100 * 100;
  if (TwoDigitYearCenturyWindow > 0 && year < current) year += 100;
  return year;
}

bool ScanDate(TDateScanner& sc, TDateTime& value) {
  int n1, n2, n3 = 0;
  int l1 = sc.Number(n1);
  if (!l1 || !sc.Char(DateSeparator) || !sc.Number(n2)) return false;
  int y, m, d;
  DateOrder order = OrderOf(ShortDateFormat);
  if (sc.Char(DateSeparator)) {
    int l3 = sc.Number(n3);
    if (!l3) return false;
    switch (order) {
      case doMDY: y = ExpandYear(n3, l3); m = n1; d = n2; break;
      case doDMY: y = ExpandYear(n3, l3); m = n2; d = n1; break;
      default: y = ExpandYear(n1, l1); m = n2; d = n3; break;
    }
  } else {
    y = CurrentYear();
    if (order == doDMY) { d = n1; m = n2; }
    else { m = n1; d = n2; }
  }
  sc.Blanks();
  return TryEncodeDate(y, m, d, value);
}

bool ScanTime(TDateScanner& sc, TDateTime& value) {
  int base = -1;
  auto ampm = [&] {
    if (sc.Word(TimeAMString) || sc.Word("AM")) base = 0;
    else if (sc.Word(TimePMString) || sc.Word("PM")) base = 12;
  };
  ampm();  // some locales write it first
  int hour, min = 0, sec = 0, msec = 0;
  if (!sc.Number(hour)) return false;
  if (sc.Char(TimeSeparator)) {
    if (!sc.Number(min)) return false;
    if (sc.Char(TimeSeparator)) {
      if (!sc.Number(sec)) return false;
      if (sc.Char(DecimalSeparator) && !sc.Number(msec)) return false;
    }
  } else if (base < 0) {
    // A bare number is a time only with an AM/PM mark.
    const size_t keep = sc.Position();
    ampm();
    if (base < 0) {
      sc.SetPosition(keep);
      return false;
    }
  }
  if (base < 0) ampm();
  if (base >= 0) {
    if (hour == 0 || hour > 12) return false;
    if (hour == 12) hour = 0;
    hour += base;
  }
  sc.Blanks();
  return TryEncodeTime(hour, min, sec, msec, value);
}

}  // namespace

int CurrentYear() {
  uint16_t y, m, d;
  DecodeDate(Now(), y, m, d);
  return y;
}

TDateTime ComposeDateTime(TDateTime DateValue, TDateTime TimeValue) {
  double t = std::fabs(TimeValue - std::trunc(TimeValue));
  return DateValue >= 0 ? std::trunc(DateValue) + t : std::trunc(DateValue) - t;
}

bool TryStrToDate(const std::string& S, TDateTime& Value) {
  TDateScanner sc(S);
  TDateTime v;
  if (!ScanDate(sc, v) || !sc.AtEnd()) return false;
  Value = v;
  return true;
}

bool TryStrToTime(const std::string& S, TDateTime& Value) {
  TDateScanner sc(S);
  TDateTime v;
  if (!ScanTime(sc, v) || !sc.AtEnd()) return false;
  Value = v;
  return true;
}

bool TryStrToDateTime(const std::string& S, TDateTime& Value) {
  TDateScanner sc(S);
  TDateTime date, time = 0;
  if (ScanDate(sc, date) && (sc.AtEnd() || (ScanTime(sc, time) && sc.AtEnd()))) {
    Value = ComposeDateTime(date, time);
    return true;
  }
  return TryStrToTime(S, Value);
}

TDateTime StrToDate(const std::string& S) {
  TDateTime v;
  if (!TryStrToDate(S, v)) throw EConvertError("'" + S + "' is not a valid date");
  return v;
}

TDateTime StrToTime(const std::string& S) {
  TDateTime v;
  if (!TryStrToTime(S, v)) throw EConvertError("'" + S + "' is not a valid time");
  return v;
}

TDateTime StrToDateTime(const std::string& S) {
  TDateTime v;
  if (!TryStrToDateTime(S, v)) throw EConvertError("'" + S + "' is not a valid date and time");
  return v;
}

TDateTime StrToDateDef(const std::string& S, TDateTime Default) {
  TDateTime v;
  return TryStrToDate(S, v) ? v : Default;
}

TDateTime IncMonth(TDateTime Value, int NumberOfMonths) {
  uint16_t y, m, d;
  DecodeDate(Value, y, m, d);
  long months = static_cast<long>(y) * 12 + (m - 1) + NumberOfMonths;
  long year = months >= 0 ? months / 12 : -((-months + 11) / 12);
  int month = static_cast<int>(months - year * 12) + 1;
  if (year < 1 || year > 9999) throw EConvertError("Invalid argument to date encode");
  int day = std::min<int>(d, DaysInAMonth(static_cast<int>(year), month));
  TDateTime r = EncodeDate(static_cast<int>(year), month, day);
  ReplaceTime(r, Value);
  return r;
}

void ReplaceTime(TDateTime& Value, TDateTime NewTime) { Value = ComposeDateTime(Value, NewTime); }

void ReplaceDate(TDateTime& Value, TDateTime NewDate) { Value = ComposeDateTime(NewDate, Value); }
