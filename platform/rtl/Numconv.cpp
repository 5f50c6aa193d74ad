#include "platform/rtl/Numconv.h"

#include "platform/rtl/Exception.h"
#include "platform/rtl/Formatsettings.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <algorithm>
#include <limits>
#include <vector>

namespace {

// A value as decimal digits: 0.d1d2d3... * 10^exponent, without trailing zeros.
struct Decimal {
  bool negative = false;
  bool inf = false;
  bool nan = false;
  int exponent = 0;
  std::string digits;  // empty for zero
};

constexpr int kMaxDigits = 18;

void Round(Decimal& d, int keep) {
  if (keep < 0) {
    d.digits.clear();
  } else if (static_cast<int>(d.digits.size()) > keep) {
    bool carry = d.digits[keep] >= '5';
    d.digits.resize(keep);
    for (int i = keep - 1; carry && i >= 0; --i) {
      if (d.digits[i] == '9') {
        d.digits[i] = '0';
      } else {
        ++d.digits[i];
        carry = false;
      }
    }
    if (carry) {
      d.digits.insert(d.digits.begin(), '1');
      d.digits.pop_back();
      ++d.exponent;
      if (keep == 0) d.digits = "1";
    }
  }
  while (!d.digits.empty() && d.digits.back() == '0') d.digits.pop_back();
  if (d.digits.empty()) {
    d.exponent = 0;
    d.negative = false;
  }
}

// Rounds to at most Precision significant digits and at most Decimals digits after the point.
Decimal ToDecimal(double v, int precision, int decimals) {
  Decimal d;
  if (std::isnan(v)) { d.nan = true; return d; }
  d.negative = std::signbit(v);
  if (std::isinf(v)) { d.inf = true; return d; }
  if (v == 0) { d.negative = false; return d; }
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.40e", std::fabs(v));
  for (const char* p = buf; *p && *p != 'e'; ++p)
    if (*p >= '0' && *p <= '9') d.digits += *p;
  const char* e = std::strchr(buf, 'e');
  d.exponent = std::atoi(e + 1) + 1;
  Round(d, kMaxDigits);
  if (precision > kMaxDigits) precision = kMaxDigits;
  if (d.digits.empty()) return d;
  long keep = std::min<long>(precision, static_cast<long>(d.exponent) + decimals);
  if (keep == 0 && !d.digits.empty() && d.digits[0] >= '5') {
    d.digits = "1";
    ++d.exponent;
    return d;
  }
  Round(d, static_cast<int>(std::max<long>(keep, -1)));
  return d;
}

std::string Special(const Decimal& d) {
  if (d.nan) return "NAN";
  return d.negative ? "-INF" : "INF";
}

std::string ExponentText(int exp, int minDigits, bool alwaysSign) {
  std::string digits = std::to_string(exp < 0 ? -exp : exp);
  if (minDigits > 4) minDigits = 4;
  while (static_cast<int>(digits.size()) < minDigits) digits.insert(digits.begin(), '0');
  std::string sign = exp < 0 ? "-" : (alwaysSign ? "+" : "");
  return "E" + sign + digits;
}

// Integer digits of a decimal (at least "0").
std::string IntegerDigits(const Decimal& d) {
  if (d.exponent <= 0) return "0";
  std::string r = d.digits.substr(0, std::min<size_t>(d.digits.size(), d.exponent));
  r.append(d.exponent - r.size(), '0');
  return r;
}

// Exactly count digits after the point.
std::string FractionDigits(const Decimal& d, int count) {
  std::string r;
  for (int i = 0; i < count; ++i) {
    int idx = d.exponent + i;
    r += (idx >= 0 && idx < static_cast<int>(d.digits.size())) ? d.digits[idx] : '0';
  }
  return r;
}

std::string Group(const std::string& intDigits) {
  if (ThousandSeparator == '\0') return intDigits;
  std::string r;
  int n = static_cast<int>(intDigits.size());
  for (int i = 0; i < n; ++i) {
    r += intDigits[i];
    int left = n - 1 - i;
    if (left > 0 && left % 3 == 0) r += ThousandSeparator;
  }
  return r;
}

std::string FormatGeneral(const Decimal& d, int precision, int expDigits) {
  if (d.digits.empty()) return "0";
  std::string sign = d.negative ? "-" : "";
  if (d.exponent > precision || d.exponent < -3) {
    std::string r = sign + d.digits.substr(0, 1);
    if (d.digits.size() > 1) r += DecimalSeparator + d.digits.substr(1);
    return r + ExponentText(d.exponent - 1, expDigits, false);
  }
  std::string r = sign + IntegerDigits(d);
  int decimals = static_cast<int>(d.digits.size()) - d.exponent;
  if (decimals > 0) r += DecimalSeparator + FractionDigits(d, decimals);
  return r;
}

std::string FormatExponent(const Decimal& d, int precision, int expDigits) {
  std::string digits = d.digits;
  digits.resize(std::max(precision, 1), '0');
  std::string r = d.negative ? "-" : "";
  r += digits.substr(0, 1);
  if (digits.size() > 1) r += DecimalSeparator + digits.substr(1);
  int exp = d.digits.empty() ? 0 : d.exponent - 1;
  return r + ExponentText(exp, expDigits, true);
}

std::string FixedBody(const Decimal& d, int decimals, bool grouped) {
  std::string ip = IntegerDigits(d);
  std::string r = grouped ? Group(ip) : ip;
  if (decimals > 0) r += DecimalSeparator + FractionDigits(d, decimals);
  return r;
}

std::string Currency(const Decimal& d, int decimals) {
  std::string n = FixedBody(d, decimals, true);
  const std::string& c = CurrencyString;
  if (!d.negative) {
    switch (CurrencyFormat) {
      case 1: return n + c;
      case 2: return c + " " + n;
      case 3: return n + " " + c;
      default: return c + n;
    }
  }
  switch (NegCurrFormat) {
    case 1: return "-" + c + n;
    case 2: return c + "-" + n;
    case 3: return c + n + "-";
    case 4: return "(" + n + c + ")";
    case 5: return "-" + n + c;
    case 6: return n + "-" + c;
    case 7: return n + c + "-";
    case 8: return "-" + n + " " + c;
    case 9: return "-" + c + " " + n;
    case 10: return n + " " + c + "-";
    case 11: return c + " " + n + "-";
    case 12: return c + " -" + n;
    case 13: return n + "- " + c;
    case 14: return "(" + c + " " + n + ")";
    case 15: return "(" + n + " " + c + ")";
    default: return "(" + c + n + ")";
  }
}

bool ParseInt64(const std::string& s, int64_t& out) {
  size_t i = 0, n = s.size();
  while (i < n && s[i] == ' ') ++i;
  bool neg = false;
  if (i < n && (s[i] == '-' || s[i] == '+')) neg = s[i++] == '-';
  unsigned base = 10;
  if (i < n && s[i] == '$') { base = 16; ++i; }
  else if (i + 1 < n && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) { base = 16; i += 2; }
  if (i >= n) return false;
  uint64_t v = 0;
  const uint64_t limit = neg ? uint64_t(1) << 63 : (uint64_t(1) << 63) - 1;
  for (; i < n; ++i) {
    char c = s[i];
    unsigned digit;
    if (c >= '0' && c <= '9') digit = c - '0';
    else if (base == 16 && c >= 'a' && c <= 'f') digit = c - 'a' + 10;
    else if (base == 16 && c >= 'A' && c <= 'F') digit = c - 'A' + 10;
    else return false;
    if (v > (limit - digit) / base) return false;
    v = v * base + digit;
  }
  out = neg ? static_cast<int64_t>(0 - v) : static_cast<int64_t>(v);
  return true;
}

}  // namespace

std::string IntToStr(int64_t Value) { return std::to_string(Value); }

std::string IntToHex(int64_t Value, int Digits) {
  static const char kHex[] = "0123456789ABCDEF";
  uint64_t v = static_cast<uint64_t>(Value);
  std::string r;
  do {
    r.insert(r.begin(), kHex[v & 15]);
    v >>= 4;
  } while (v);
  if (Digits > 32) Digits = 32;
  while (static_cast<int>(r.size()) < Digits) r.insert(r.begin(), '0');
  return r;
}

bool TryStrToInt64(const std::string& S, int64_t& Value) { return ParseInt64(S, Value); }

bool TryStrToInt(const std::string& S, int& Value) {
  int64_t v;
  if (!ParseInt64(S, v) || v < std::numeric_limits<int32_t>::min() || v > std::numeric_limits<int32_t>::max()) {
    // Hexadecimal texts of 32 bits read as the bit pattern.
    if (ParseInt64(S, v) && v > 0 && v <= 0xFFFFFFFFLL && S.find_first_of("$xX") != std::string::npos) {
      Value = static_cast<int32_t>(static_cast<uint32_t>(v));
      return true;
    }
    return false;
  }
  Value = static_cast<int>(v);
  return true;
}

int StrToInt(const std::string& S) {
  int v;
  if (!TryStrToInt(S, v)) throw EConvertError("'" + S + "' is not a valid integer value");
  return v;
}

int64_t StrToInt64(const std::string& S) {
  int64_t v;
  if (!TryStrToInt64(S, v)) throw EConvertError("'" + S + "' is not a valid integer value");
  return v;
}

int StrToIntDef(const std::string& S, int Default) {
  int v;
  return TryStrToInt(S, v) ? v : Default;
}

int64_t StrToInt64Def(const std::string& S, int64_t Default) {
  int64_t v;
  return TryStrToInt64(S, v) ? v : Default;
}

std::string FloatToStrF(double Value, TFloatFormat Format, int Precision, int Digits) {
  if (Precision < 1) Precision = 1;
  if (Precision > kMaxDigits) Precision = kMaxDigits;
  if (Digits < 0) Digits = 0;
  switch (Format) {
    case ffExponent: {
      Decimal d = ToDecimal(Value, Precision, 9999);
      if (d.nan || d.inf) return Special(d);
      return FormatExponent(d, Precision, Digits);
    }
    case ffFixed:
    case ffNumber:
    case ffCurrency: {
      if (Digits > kMaxDigits) Digits = kMaxDigits;
      Decimal d = ToDecimal(Value, Format == ffCurrency ? kMaxDigits : Precision, Digits);
      if (d.nan || d.inf) return Special(d);
      if (Format == ffCurrency) return Currency(d, Digits);
      if (d.exponent > Precision) return FormatGeneral(d, Precision, 0);
      return (d.negative ? "-" : "") + FixedBody(d, Digits, Format == ffNumber);
    }
    default: {
      Decimal d = ToDecimal(Value, Precision, 9999);
      if (d.nan || d.inf) return Special(d);
      return FormatGeneral(d, Precision, Digits);
    }
  }
}

std::string FloatToStr(double Value) { return FloatToStrF(Value, ffGeneral, 15, 0); }
std::string CurrToStr(double Value) { return FloatToStrF(Value, ffGeneral, 19, 0); }

std::string FormatFloatSpec(double Value, char Type, int Precision) {
  switch (Type) {
    case 'e': return FloatToStrF(Value, ffExponent, Precision < 0 ? 15 : Precision, 3);
    case 'f': return FloatToStrF(Value, ffFixed, kMaxDigits, Precision < 0 ? 2 : Precision);
    case 'g': return FloatToStrF(Value, ffGeneral, Precision < 0 ? 15 : Precision, 3);
    case 'n': return FloatToStrF(Value, ffNumber, kMaxDigits, Precision < 0 ? 2 : Precision);
    default: return FloatToStrF(Value, ffCurrency, kMaxDigits, Precision < 0 ? CurrencyDecimals : Precision);
  }
}

bool TextToFloat(const std::string& S, double& Value) {
  size_t i = 0, n = S.size();
  while (i < n && S[i] == ' ') ++i;
  std::string c;  // the number in the C library's notation
  if (i < n && (S[i] == '+' || S[i] == '-')) c += S[i++];
  bool digits = false;
  while (i < n && S[i] >= '0' && S[i] <= '9') { c += S[i++]; digits = true; }
  if (i < n && S[i] == DecimalSeparator) {
    c += '.';
    ++i;
    while (i < n && S[i] >= '0' && S[i] <= '9') { c += S[i++]; digits = true; }
  }
  if (!digits) return false;
  if (i < n && (S[i] == 'e' || S[i] == 'E')) {
    c += 'e';
    ++i;
    if (i < n && (S[i] == '+' || S[i] == '-')) c += S[i++];
    bool expDigits = false;
    while (i < n && S[i] >= '0' && S[i] <= '9') { c += S[i++]; expDigits = true; }
    if (!expDigits) return false;
  }
  while (i < n && S[i] == ' ') ++i;
  if (i != n) return false;
  errno = 0;
  double v = std::strtod(c.c_str(), nullptr);
  if (errno == ERANGE && std::isinf(v)) return false;
  Value = v;
  return true;
}

bool TryStrToFloat(const std::string& S, double& Value) { return TextToFloat(S, Value); }

double StrToFloat(const std::string& S) {
  double v;
  if (!TextToFloat(S, v)) throw EConvertError("'" + S + "' is not a valid floating point value");
  return v;
}

double StrToFloatDef(const std::string& S, double Default) {
  double v;
  return TextToFloat(S, v) ? v : Default;
}

namespace {

// One section of a picture format, analysed.
struct Picture {
  std::string text;
  int intPlaces = 0;    // 0 and # before the point
  int intZeros = 0;     // places from the first 0 to the point
  int decPlaces = 0;    // 0 and # after the point
  int decZeros = 0;     // places up to the last 0 after the point
  bool thousands = false;
  bool scientific = false;
  int expZeros = 0;
};

// Splits the format into its sections, respecting quoted literals.
std::vector<std::string> Sections(const std::string& format) {
  std::vector<std::string> out(1);
  char quote = 0;
  for (char c : format) {
    if (quote) {
      if (c == quote) quote = 0;
    } else if (c == '"' || c == '\'') {
      quote = c;
    } else if (c == ';') {
      out.emplace_back();
      continue;
    }
    out.back() += c;
  }
  return out;
}

Picture Analyse(const std::string& text) {
  Picture p;
  p.text = text;
  bool afterPoint = false;
  int firstZero = -1;  // index among integer places
  char quote = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (quote) {
      if (c == quote) quote = 0;
      continue;
    }
    if (c == '"' || c == '\'') { quote = c; continue; }
    if (p.scientific) continue;
    if (c == '0' || c == '#') {
      if (afterPoint) {
        ++p.decPlaces;
        if (c == '0') p.decZeros = p.decPlaces;
      } else {
        if (c == '0' && firstZero < 0) firstZero = p.intPlaces;
        ++p.intPlaces;
      }
    } else if (c == '.') {
      afterPoint = true;
    } else if (c == ',') {
      p.thousands = true;
    } else if ((c == 'E' || c == 'e') && i + 1 < text.size() && (text[i + 1] == '+' || text[i + 1] == '-')) {
      p.scientific = true;
      for (size_t j = i + 2; j < text.size() && text[j] == '0'; ++j) ++p.expZeros;
    }
  }
  if (firstZero >= 0) p.intZeros = p.intPlaces - firstZero;
  return p;
}

std::string Render(const Picture& p, double value, bool withSign) {
  std::string intDigits, fracDigits;
  int exponent = 0;
  bool negative = false;
  if (p.scientific) {
    int total = std::max(1, p.intPlaces + p.decPlaces);
    Decimal d = ToDecimal(value, total, 9999);
    negative = d.negative;
    std::string all = d.digits;
    int lead = std::max(p.intPlaces, 1);
    if (!all.empty()) exponent = d.exponent - lead;
    all.resize(total, '0');
    intDigits = all.substr(0, std::min<size_t>(lead, all.size()));
    fracDigits = all.substr(intDigits.size());
    while (static_cast<int>(fracDigits.size()) > p.decZeros && !fracDigits.empty() && fracDigits.back() == '0')
      fracDigits.pop_back();
    if (p.intPlaces == 0) intDigits.clear();
  } else {
    Decimal d = ToDecimal(value, kMaxDigits, p.decPlaces);
    negative = d.negative;
    if (d.exponent > 0) intDigits = IntegerDigits(d);
    int decimals = std::max<int>(0, static_cast<int>(d.digits.size()) - d.exponent);
    fracDigits = FractionDigits(d, std::min(decimals, p.decPlaces));
    if (static_cast<int>(fracDigits.size()) < p.decZeros) fracDigits.append(p.decZeros - fracDigits.size(), '0');
  }
  while (static_cast<int>(intDigits.size()) < p.intZeros) intDigits.insert(intDigits.begin(), '0');

  std::string out = (withSign && negative) ? "-" : "";
  const int intLen = static_cast<int>(intDigits.size());
  int intSeen = 0, decSeen = 0;
  bool afterPoint = false, expDone = false;
  auto emitInt = [&](int distance) {
    if (distance < intLen) {
      out += intDigits[intLen - 1 - distance];
      if (p.thousands && distance > 0 && distance % 3 == 0 && ThousandSeparator) out += ThousandSeparator;
    }
  };
  const std::string& t = p.text;
  for (size_t i = 0; i < t.size(); ++i) {
    char c = t[i];
    if (c == '"' || c == '\'') {
      size_t end = t.find(c, i + 1);
      if (end == std::string::npos) end = t.size();
      out += t.substr(i + 1, end - i - 1);
      i = end;
      continue;
    }
    if ((c == '0' || c == '#') && !expDone) {
      if (!afterPoint) {
        int distance = p.intPlaces - 1 - intSeen;
        if (intSeen == 0)
          for (int extra = intLen - 1; extra > distance; --extra) emitInt(extra);
        emitInt(distance);
        ++intSeen;
      } else {
        if (decSeen < static_cast<int>(fracDigits.size())) out += fracDigits[decSeen];
        ++decSeen;
      }
      continue;
    }
    if (c == '.' && !afterPoint) {
      if (intSeen == 0)
        for (int extra = intLen - 1; extra >= 0; --extra) emitInt(extra);
      intSeen = std::max(intSeen, 1);
      afterPoint = true;
      if (!fracDigits.empty()) out += DecimalSeparator;
      continue;
    }
    if (c == ',' || (c == '.' && afterPoint)) continue;
    if (p.scientific && !expDone && (c == 'E' || c == 'e') && i + 1 < t.size() && (t[i + 1] == '+' || t[i + 1] == '-')) {
      out += c;
      if (exponent < 0) out += '-';
      else if (t[i + 1] == '+') out += '+';
      std::string e = std::to_string(exponent < 0 ? -exponent : exponent);
      while (static_cast<int>(e.size()) < p.expZeros) e.insert(e.begin(), '0');
      out += e;
      i += 1 + p.expZeros;
      expDone = true;
      continue;
    }
    out += c;
  }
  return out;
}

}  // namespace

std::string FormatFloat(const std::string& Format, double Value) {
  if (Format.empty()) return FloatToStr(Value);
  if (std::isnan(Value) || std::isinf(Value)) return FloatToStr(Value);
  std::vector<std::string> sections = Sections(Format);
  if (sections.size() > 3) sections.resize(3);
  size_t index = 0;
  bool withSign = true;
  if (Value < 0 && sections.size() >= 2 && !sections[1].empty()) {
    index = 1;
    withSign = false;
  }
  Picture picture = Analyse(sections[index]);
  std::string out = Render(picture, Value, withSign);
  // A value that rounds to zero takes the zero section when there is one.
  int places = picture.scientific ? std::max(1, picture.intPlaces + picture.decPlaces) : kMaxDigits;
  Decimal d = ToDecimal(Value, places, picture.scientific ? 9999 : picture.decPlaces);
  if (d.digits.empty()) {
    if (sections.size() >= 3 && !sections[2].empty()) return Render(Analyse(sections[2]), 0.0, false);
    if (index == 1) return Render(Analyse(sections[0]), 0.0, false);
    return Render(picture, 0.0, false);
  }
  return out;
}
