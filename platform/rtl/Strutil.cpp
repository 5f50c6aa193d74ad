#include "platform/rtl/Strutil.h"

#include "platform/kernel/Codepage.h"

#include <algorithm>
#include <array>

namespace {

char AsciiUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }
char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// Primary rank of each byte: equal for the two cases of a letter.
std::array<int, 256> MakeRanks() {
  std::array<int, 256> rank{};
  for (int b = 0; b < 256; ++b) {
    char c = static_cast<char>(b);
    unsigned char up = static_cast<unsigned char>(platform::AnsiUpperChar(c));
    if (b >= '0' && b <= '9') rank[b] = 1000 + (b - '0');
    else if (up >= 'A' && up <= 'Z') rank[b] = 2000 + (up - 'A');
    else if (up >= 0xC0 && up <= 0xDF) rank[b] = 3000 + 2 * (up - 0xC0) + (up > 0xC5 ? 2 : 0);  // room for Ё after Е
    else if (up == 0xA8) rank[b] = 3000 + 2 * (0xC5 - 0xC0) + 1;
    else if (platform::IsAnsiAlpha(c)) rank[b] = 4000 + up;
    else rank[b] = b;
  }
  return rank;
}

const std::array<int, 256>& Ranks() {
  static const std::array<int, 256> ranks = MakeRanks();
  return ranks;
}

int Sign(int v) { return v < 0 ? -1 : (v > 0 ? 1 : 0); }

int PrimaryCompare(std::string_view a, std::string_view b) {
  const auto& r = Ranks();
  size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    int d = r[static_cast<unsigned char>(a[i])] - r[static_cast<unsigned char>(b[i])];
    if (d) return Sign(d);
  }
  return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}

std::string_view::size_type Find(std::string_view s, std::string_view sub) {
  if (sub.empty()) return std::string_view::npos;
  return s.find(sub);
}

bool IsPathDelimiter(char c) { return c == '/' || c == ':'; }

}  // namespace

std::string UpperCase(std::string_view S) {
  std::string r(S);
  for (char& c : r) c = AsciiUpper(c);
  return r;
}

std::string LowerCase(std::string_view S) {
  std::string r(S);
  for (char& c : r) c = AsciiLower(c);
  return r;
}

std::string AnsiUpperCase(std::string_view S) { return platform::AnsiUpperCase(S); }
std::string AnsiLowerCase(std::string_view S) { return platform::AnsiLowerCase(S); }

int CompareStr(std::string_view S1, std::string_view S2) { return Sign(S1.compare(S2)); }

int CompareText(std::string_view S1, std::string_view S2) {
  size_t n = std::min(S1.size(), S2.size());
  for (size_t i = 0; i < n; ++i) {
    int d = static_cast<unsigned char>(AsciiUpper(S1[i])) - static_cast<unsigned char>(AsciiUpper(S2[i]));
    if (d) return Sign(d);
  }
  return S1.size() < S2.size() ? -1 : (S1.size() > S2.size() ? 1 : 0);
}

bool SameText(std::string_view S1, std::string_view S2) { return CompareText(S1, S2) == 0; }

int AnsiCompareText(std::string_view S1, std::string_view S2) { return PrimaryCompare(S1, S2); }

int AnsiCompareStr(std::string_view S1, std::string_view S2) {
  int primary = PrimaryCompare(S1, S2);
  if (primary) return primary;
  for (size_t i = 0; i < S1.size(); ++i) {
    if (S1[i] == S2[i]) continue;
    // Same rank, different bytes: the two cases of one letter.
    return platform::IsAnsiLower(S1[i]) ? -1 : 1;
  }
  return 0;
}

bool AnsiSameText(std::string_view S1, std::string_view S2) { return AnsiCompareText(S1, S2) == 0; }
bool AnsiSameStr(std::string_view S1, std::string_view S2) { return S1 == S2; }

std::string TrimLeft(std::string_view S) {
  size_t i = 0;
  while (i < S.size() && static_cast<unsigned char>(S[i]) <= ' ') ++i;
  return std::string(S.substr(i));
}

std::string TrimRight(std::string_view S) {
  size_t n = S.size();
  while (n > 0 && static_cast<unsigned char>(S[n - 1]) <= ' ') --n;
  return std::string(S.substr(0, n));
}

std::string Trim(std::string_view S) { return TrimLeft(TrimRight(S)); }

int Pos(std::string_view Substr, std::string_view S) {
  auto p = Find(S, Substr);
  return p == std::string_view::npos ? 0 : static_cast<int>(p) + 1;
}

int AnsiPos(std::string_view Substr, std::string_view S) { return Pos(Substr, S); }

std::string Copy(std::string_view S, int Index, int Count) {
  if (Index < 1) Index = 1;
  if (Count <= 0 || static_cast<size_t>(Index) > S.size()) return std::string();
  return std::string(S.substr(Index - 1, static_cast<size_t>(Count)));
}

std::string AnsiQuotedStr(std::string_view S, char Quote) {
  std::string r(1, Quote);
  for (char c : S) {
    r += c;
    if (c == Quote) r += c;
  }
  r += Quote;
  return r;
}

std::string QuotedStr(std::string_view S) { return AnsiQuotedStr(S, '\''); }

std::string AnsiExtractQuotedStr(std::string_view S, size_t& pos, char Quote) {
  if (pos >= S.size() || S[pos] != Quote) return std::string();
  std::string r;
  ++pos;
  while (pos < S.size()) {
    char c = S[pos++];
    if (c == Quote) {
      if (pos < S.size() && S[pos] == Quote) {
        r += Quote;
        ++pos;
        continue;
      }
      return r;
    }
    r += c;
  }
  return r;
}

std::string AnsiDequotedStr(std::string_view S, char Quote) {
  if (S.empty() || S[0] != Quote) return std::string(S);
  size_t pos = 0;
  return AnsiExtractQuotedStr(S, pos, Quote);
}

std::string StringReplace(std::string_view S, std::string_view OldPattern, std::string_view NewPattern, int Flags) {
  if (OldPattern.empty()) return std::string(S);
  std::string hay = (Flags & rfIgnoreCase) ? AnsiUpperCase(S) : std::string(S);
  std::string needle = (Flags & rfIgnoreCase) ? AnsiUpperCase(OldPattern) : std::string(OldPattern);
  std::string r;
  size_t from = 0;
  while (true) {
    size_t p = hay.find(needle, from);
    if (p == std::string::npos) break;
    r.append(S.substr(from, p - from));
    r.append(NewPattern);
    from = p + needle.size();
    if (!(Flags & rfReplaceAll)) break;
  }
  r.append(S.substr(from));
  return r;
}

std::string StringOfChar(char Ch, int Count) { return Count > 0 ? std::string(Count, Ch) : std::string(); }

bool IsControlChar(char C) {
  const auto b = static_cast<unsigned char>(C);
  return b < 0x20 || b == 0x7F || b == 0x98;
}

std::string EscapeControlChars(std::string_view S, LineEnds Ends) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(S.size());
  for (size_t i = 0; i < S.size(); ++i) {
    const char c = S[i];
    const auto b = static_cast<unsigned char>(c);
    const bool lineEnd = c == '\n' || (c == '\r' && i + 1 < S.size() && S[i + 1] == '\n');
    if (!IsControlChar(c)) {
      out += c;
    } else if (Ends == LineEnds::Kept && lineEnd) {
      if (c == '\n') out += c;
    } else if (c == '\t') {
      out += "\\t";
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\r') {
      out += "\\r";
    } else {
      out += "\\x";
      out += kHex[b >> 4];
      out += kHex[b & 15];
    }
  }
  return out;
}

bool IsDelimiter(std::string_view Delimiters, std::string_view S, int Index) {
  if (Index < 1 || static_cast<size_t>(Index) > S.size()) return false;
  return Delimiters.find(S[Index - 1]) != std::string_view::npos;
}

int LastDelimiter(std::string_view Delimiters, std::string_view S) {
  for (size_t i = S.size(); i > 0; --i)
    if (Delimiters.find(S[i - 1]) != std::string_view::npos) return static_cast<int>(i);
  return 0;
}

std::string ExtractFilePath(std::string_view FileName) {
  size_t i = FileName.size();
  while (i > 0 && !IsPathDelimiter(FileName[i - 1])) --i;
  return std::string(FileName.substr(0, i));
}

std::string ExtractFileDir(std::string_view FileName) {
  size_t i = FileName.size();
  while (i > 0 && !IsPathDelimiter(FileName[i - 1])) --i;
  // Keep the root "/" and a drive's ':'.
  if (i > 1 && FileName[i - 1] == '/' && FileName[i - 2] != ':') --i;
  return std::string(FileName.substr(0, i));
}

std::string ExtractFileName(std::string_view FileName) {
  size_t i = FileName.size();
  while (i > 0 && !IsPathDelimiter(FileName[i - 1])) --i;
  return std::string(FileName.substr(i));
}

std::string ExtractFileExt(std::string_view FileName) {
  for (size_t i = FileName.size(); i > 0; --i) {
    char c = FileName[i - 1];
    if (c == '.') return std::string(FileName.substr(i - 1));
    if (IsPathDelimiter(c)) break;
  }
  return std::string();
}

std::string ChangeFileExt(std::string_view FileName, std::string_view Extension) {
  size_t cut = FileName.size();
  for (size_t i = FileName.size(); i > 0; --i) {
    char c = FileName[i - 1];
    if (c == '.') { cut = i - 1; break; }
    if (IsPathDelimiter(c)) break;
  }
  return std::string(FileName.substr(0, cut)) + std::string(Extension);
}

std::string IncludeTrailingPathDelimiter(std::string_view S) {
  std::string r(S);
  if (r.empty() || r.back() != '/') r += '/';
  return r;
}

std::string ExcludeTrailingPathDelimiter(std::string_view S) {
  std::string r(S);
  if (r.size() > 1 && r.back() == '/') r.pop_back();
  return r;
}
