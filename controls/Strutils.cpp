#include "controls/Strutils.h"

#include <algorithm>
#include <climits>

#include "platform/kernel/Codepage.h"
#include "platform/kernel/Oemcodepage.h"
#include "platform/kernel/Programparams.h"
#include "platform/rtl/Strutil.h"

namespace {

// Longest padding or digit count a caller may ask for (the count was a byte).
constexpr int kMaxDigits = 255;
// Longest key and text of the short-string XOR coder.
constexpr size_t kShortString = 255;

int Length(std::string_view S) { return static_cast<int>(std::min<size_t>(S.size(), INT_MAX)); }

// Calls Found(position, length) for each word until it returns true; the 1-based
// position of the word it stopped at, 0 when none.
template <class F>
int ForEachWord(std::string_view S, const TCharSet& Delims, F found) {
  int n = Length(S), i = 0;
  while (i < n) {
    while (i < n && Delims.Contains(S[i])) ++i;
    if (i >= n) break;
    int start = i;
    while (i < n && !Delims.Contains(S[i])) ++i;
    if (found(start + 1, i - start)) return start + 1;
  }
  return 0;
}

int Sign(int c) { return c < 0 ? -1 : (c > 0 ? 1 : 0); }

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

int RomanValue(char c) {
  switch (c) {
    case 'I': case 'i': return 1;
    case 'V': case 'v': return 5;
    case 'X': case 'x': return 10;
    case 'L': case 'l': return 50;
    case 'C': case 'c': return 100;
    case 'D': case 'd': return 500;
    case 'M': case 'm': return 1000;
    default: return 0;
  }
}

}  // namespace

TCharSet TCharSet::Range(unsigned char First, unsigned char Last) {
  TCharSet s;
  for (int c = First; c <= Last; ++c) s.bits_.set(c);
  return s;
}

// ---- Words

int WordCount(std::string_view S, const TCharSet& WordDelims) {
  int count = 0;
  ForEachWord(S, WordDelims, [&](int, int) {
    ++count;
    return false;
  });
  return count;
}

int WordPosition(int N, std::string_view S, const TCharSet& WordDelims) {
  if (N < 1) return 0;
  int count = 0;
  return ForEachWord(S, WordDelims, [&](int, int) { return ++count == N; });
}

std::string ExtractWordPos(int N, std::string_view S, const TCharSet& WordDelims, int& Pos) {
  if (N < 1) {
    Pos = 0;
    return {};
  }
  int count = 0, length = 0;
  Pos = ForEachWord(S, WordDelims, [&](int, int len) {
    length = len;
    return ++count == N;
  });
  return Pos ? std::string(S.substr(Pos - 1, length)) : std::string();
}

std::string ExtractWord(int N, std::string_view S, const TCharSet& WordDelims) {
  int pos;
  return ExtractWordPos(N, S, WordDelims, pos);
}

std::string ExtractDelimited(int N, std::string_view S, const TCharSet& Delims) {
  if (N < 1) return {};
  int field = 1;
  size_t start = 0;
  for (size_t i = 0; i <= S.size(); ++i) {
    if (i == S.size() || Delims.Contains(S[i])) {
      if (field == N) return std::string(S.substr(start, i - start));
      ++field;
      start = i + 1;
    }
  }
  return {};
}

std::string ExtractSubstr(std::string_view S, int& Pos, const TCharSet& Delims) {
  int n = Length(S);
  if (Pos < 1) Pos = 1;
  if (Pos > n) return {};
  int i = Pos;
  while (i <= n && !Delims.Contains(S[i - 1])) ++i;
  std::string result(S.substr(Pos - 1, i - Pos));
  if (i <= n) ++i;
  Pos = i;
  return result;
}

bool IsWordPresent(std::string_view W, std::string_view S, const TCharSet& WordDelims) {
  return ForEachWord(S, WordDelims, [&](int pos, int len) { return S.substr(pos - 1, len) == W; }) != 0;
}

std::string AnsiProperCase(std::string_view S, const TCharSet& WordDelims) {
  std::string result = AnsiLowerCase(S);
  ForEachWord(result, WordDelims, [&](int pos, int) {
    result[pos - 1] = platform::AnsiUpperChar(result[pos - 1]);
    return false;
  });
  return result;
}

// ---- Trimming, padding, building

std::string DelChars(std::string_view S, char Chr) {
  std::string out;
  out.reserve(S.size());
  for (char c : S)
    if (c != Chr) out += c;
  return out;
}

std::string DelSpace(std::string_view S) { return DelChars(S, ' '); }

std::string DelBSpace(std::string_view S) {
  size_t i = S.find_first_not_of(' ');
  return i == std::string_view::npos ? std::string() : std::string(S.substr(i));
}

std::string DelESpace(std::string_view S) {
  size_t i = S.find_last_not_of(' ');
  return i == std::string_view::npos ? std::string() : std::string(S.substr(0, i + 1));
}

std::string DelRSpace(std::string_view S) { return DelBSpace(DelESpace(S)); }

std::string DelSpace1(std::string_view S) {
  std::string out;
  out.reserve(S.size());
  for (size_t i = 0; i < S.size(); ++i)
    if (S[i] != ' ' || i == 0 || S[i - 1] != ' ') out += S[i];
  return out;
}

std::string Tab2Space(std::string_view S, int Numb) {
  std::string spaces = MakeStr(' ', Numb), out;
  for (char c : S)
    if (c == '\t') out += spaces;
    else out += c;
  return out;
}

std::string MakeStr(char C, int N) { return N < 1 ? std::string() : std::string(N, C); }
std::string MS(char C, int N) { return MakeStr(C, N); }

std::string AddChar(char C, std::string_view S, int N) {
  return Length(S) < N ? MakeStr(C, N - Length(S)) + std::string(S) : std::string(S);
}

std::string AddCharR(char C, std::string_view S, int N) {
  return Length(S) < N ? std::string(S) + MakeStr(C, N - Length(S)) : std::string(S);
}

std::string LeftStr(std::string_view S, int N) { return AddCharR(' ', S, N); }
std::string RightStr(std::string_view S, int N) { return AddChar(' ', S, N); }

std::string CenterStr(std::string_view S, int Len) {
  if (Length(S) >= Len) return std::string(S);
  std::string out = MakeStr(' ', Len / 2 - Length(S) / 2) + std::string(S);
  return AddCharR(' ', out, Len);
}

std::string Numb2USA(std::string_view S) {
  // A sign in front stays out of the groups.
  size_t first = !S.empty() && (S[0] == '-' || S[0] == '+') ? 1 : 0;
  std::string out;
  size_t digits = S.size() - first;
  out.append(S.substr(0, first));
  for (size_t i = 0; i < digits; ++i) {
    if (i > 0 && (digits - i) % 3 == 0) out += ',';
    out += S[first + i];
  }
  return out;
}

std::string QuotedString(std::string_view S, char Quote) { return AnsiQuotedStr(S, Quote); }

std::string ExtractQuotedString(std::string_view S, char Quote) {
  if (S.empty() || S[0] != Quote) return std::string(S);
  size_t pos = 0;
  return AnsiExtractQuotedStr(S, pos, Quote);
}

bool IsEmptyStr(std::string_view S, const TCharSet& EmptyChars) {
  return std::all_of(S.begin(), S.end(), [&](char c) { return EmptyChars.Contains(c); });
}

std::string StrToOem(std::string_view AnsiStr) { return platform::AnsiToOem(AnsiStr); }
std::string OemToAnsiStr(std::string_view OemStr) { return platform::OemToAnsi(OemStr); }

// ---- Search and compare

std::string ReplaceStr(std::string_view S, std::string_view Srch, std::string_view Replace) {
  if (Srch.empty()) return std::string(S);
  std::string out;
  size_t from = 0;
  for (size_t at; (at = S.find(Srch, from)) != std::string_view::npos; from = at + Srch.size()) {
    out.append(S.substr(from, at - from));
    out.append(Replace);
  }
  out.append(S.substr(from));
  return out;
}

int NPos(std::string_view C, std::string_view S, int N) {
  if (N < 1 || C.empty()) return 0;
  size_t from = 0;
  for (int k = 1;; ++k) {
    size_t at = S.find(C, from);
    if (at == std::string_view::npos) return 0;
    if (k == N) return static_cast<int>(at) + 1;
    from = at + 1;
  }
}

std::string Copy2Symb(std::string_view S, char Symb) {
  size_t at = S.find(Symb);
  return std::string(S.substr(0, at));
}

std::string Copy2SymbDel(std::string& S, char Symb) {
  std::string result = Copy2Symb(S, Symb);
  S = DelBSpace(std::string_view(S).substr(result.size()));
  return result;
}

std::string Copy2Space(std::string_view S) { return Copy2Symb(S, ' '); }
std::string Copy2SpaceDel(std::string& S) { return Copy2SymbDel(S, ' '); }

int CompStr(std::string_view S1, std::string_view S2) { return Sign(AnsiCompareStr(S1, S2)); }
int CompText(std::string_view S1, std::string_view S2) { return Sign(AnsiCompareText(S1, S2)); }

int FindPart(std::string_view HelpWilds, std::string_view InputStr) {
  if (HelpWilds.find('?') == std::string_view::npos) return Pos(HelpWilds, InputStr);
  if (HelpWilds.size() > InputStr.size()) return 0;
  for (size_t i = 0; i + HelpWilds.size() <= InputStr.size(); ++i) {
    size_t j = 0;
    while (j < HelpWilds.size() && (HelpWilds[j] == '?' || HelpWilds[j] == InputStr[i + j])) ++j;
    if (j == HelpWilds.size()) return static_cast<int>(i) + 1;
  }
  return 0;
}

bool IsWild(std::string_view InputStr, std::string_view Wilds, bool IgnoreCase) {
  if (InputStr == Wilds) return true;
  std::string pattern(Wilds);
  for (size_t at; (at = pattern.find("**")) != std::string::npos;) pattern.erase(at, 1);
  if (pattern == "*") return true;
  std::string input(InputStr);
  if (IgnoreCase) {
    input = AnsiUpperCase(input);
    pattern = AnsiUpperCase(pattern);
  }
  if (input.empty() || pattern.empty()) return false;
  // Each segment between stars is taken at its first place after the previous
  // one; the segment after the last star must end the input without overlapping
  // what the earlier part used.
  size_t i = 0, j = 0;
  while (j < pattern.size() && pattern[j] != '*') {
    if (i >= input.size() || (pattern[j] != '?' && pattern[j] != input[i])) return false;
    ++i;
    ++j;
  }
  if (j == pattern.size()) return i == input.size();
  while (true) {
    ++j;  // past the star
    size_t next = pattern.find('*', j);
    std::string_view segment = std::string_view(pattern).substr(j, next == std::string::npos ? std::string::npos : next - j);
    if (next == std::string::npos) {
      if (segment.size() > input.size() - i) return false;
      return FindPart(segment, std::string_view(input).substr(input.size() - segment.size())) == 1 ||
             segment.empty();
    }
    if (!segment.empty()) {
      int found = FindPart(segment, std::string_view(input).substr(i));
      if (found == 0) return false;
      i += found - 1 + segment.size();
    }
    j = next;
  }
}

// ---- Numbers

std::string Dec2Hex(int32_t N, int A) { return Dec2Numb(static_cast<uint32_t>(N), A, 16); }
std::string D2H(int32_t N, int A) { return Dec2Hex(N, A); }

int32_t Hex2Dec(std::string_view S) {
  if (!S.empty() && S[0] == '$') S.remove_prefix(1);
  if (S.empty()) return 0;
  uint32_t value = 0;
  for (char c : S) {
    int d = HexDigit(c);
    if (d < 0 || value > 0x0FFFFFFFu) return 0;
    value = value * 16 + static_cast<uint32_t>(d);
  }
  return static_cast<int32_t>(value);
}

int32_t H2D(std::string_view S) { return Hex2Dec(S); }

std::string Dec2Numb(uint32_t N, int A, int B) {
  if (B < 2 || B > 36) return {};
  std::string digits;
  do {
    uint32_t d = N % static_cast<uint32_t>(B);
    digits.insert(digits.begin(), static_cast<char>(d < 10 ? '0' + d : 'A' + d - 10));
    N /= static_cast<uint32_t>(B);
  } while (N != 0);
  return AddChar('0', digits, std::min(A, kMaxDigits));
}

int32_t Numb2Dec(std::string_view S, int B) {
  uint32_t value = 0;
  for (char c : UpperCase(S)) {
    int code = static_cast<unsigned char>(c);
    int digit = code > 64 ? code - 55 : code - 48;
    value = value * static_cast<uint32_t>(B) + static_cast<uint32_t>(digit);
  }
  return static_cast<int32_t>(value);
}

std::string IntToBin(int32_t Value, int Digits, int Spaces) {
  std::string out;
  uint32_t bits = static_cast<uint32_t>(Value);
  for (int left = std::min(Digits, 32); left > 0; --left) {
    if (Spaces > 0 && left % Spaces == 0) out += ' ';
    out += static_cast<char>('0' + ((bits >> (left - 1)) & 1));
  }
  return out;
}

std::string IntToRoman(int32_t Value) {
  static const struct {
    int value;
    const char* text;
  } kNumerals[] = {{1000, "M"}, {900, "CM"}, {500, "D"}, {400, "CD"}, {100, "C"}, {90, "XC"}, {50, "L"},
                   {40, "XL"},  {10, "X"},   {9, "IX"},   {5, "V"},    {4, "IV"},   {1, "I"}};
  std::string out;
  for (const auto& n : kNumerals)
    for (; Value >= n.value; Value -= n.value) out += n.text;
  return out;
}

int32_t RomanToInt(std::string_view S) {
  bool negative = !S.empty() && S[0] == '-';
  if (negative) S.remove_prefix(1);
  int64_t total = 0;
  for (size_t i = 0; i < S.size(); ++i) {
    int v = RomanValue(S[i]);
    if (v == 0) return 0;
    int next = i + 1 < S.size() ? RomanValue(S[i + 1]) : 0;
    if (next > v) {
      total += next - v;
      ++i;
    } else {
      total += v;
    }
    if (total > INT32_MAX) return 0;  // no such number of ours
  }
  return static_cast<int32_t>(negative ? -total : total);
}

// ---- Keyed XOR coder

std::string XorString(std::string_view Key, std::string_view Src) {
  Key = Key.substr(0, kShortString);
  Src = Src.substr(0, kShortString);
  std::string out(Src);
  if (!Key.empty())
    for (size_t i = 0; i < out.size(); ++i) out[i] = static_cast<char>(out[i] ^ Key[i % Key.size()]);
  return out;
}

std::string XorEncode(std::string_view Key, std::string_view Source) {
  static const char kHex[] = "0123456789abcdef";
  std::string out;
  out.reserve(Source.size() * 2);
  for (size_t i = 0; i < Source.size(); ++i) {
    unsigned char b = static_cast<unsigned char>(Source[i]);
    if (!Key.empty()) b ^= static_cast<unsigned char>(Key[i % Key.size()]);
    out += kHex[b >> 4];
    out += kHex[b & 15];
  }
  return out;
}

std::string XorDecode(std::string_view Key, std::string_view Source) {
  std::string out;
  out.reserve(Source.size() / 2);
  for (size_t i = 0; i < Source.size() / 2; ++i) {
    int hi = HexDigit(Source[2 * i]), lo = HexDigit(Source[2 * i + 1]);
    unsigned char b = hi < 0 || lo < 0 ? ' ' : static_cast<unsigned char>(hi * 16 + lo);
    if (!Key.empty()) b ^= static_cast<unsigned char>(Key[i % Key.size()]);
    out += static_cast<char>(b);
  }
  return out;
}

// ---- Command line

std::string GetCmdLineArg(std::string_view Switch, const TCharSet& SwitchChars) {
  int count = ParamCount();
  for (int i = 1; i <= count; ++i) {
    std::string p = ParamStr(i);
    if (!SwitchChars.Empty() && !(p.size() >= 2 && SwitchChars.Contains(p[0]))) continue;
    if (p.empty() || !AnsiSameText(std::string_view(p).substr(1), Switch)) continue;
    return i < count ? ParamStr(i + 1) : std::string();
  }
  return {};
}
