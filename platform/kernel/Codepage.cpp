#include "platform/kernel/Codepage.h"

#include <array>

namespace platform {
namespace {

// Code points of the bytes 0x80..0xBF; 0xC0..0xFF are U+0410..U+044F in order.
constexpr char16_t kHighHalf[64] = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021,
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x0098, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7,
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7,
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,
};

// Upper/lower pairs among 0x80..0xBF (Serbian, Macedonian, Ukrainian, Belarusian letters).
constexpr unsigned char kCasePairs[][2] = {
    {0x80, 0x90}, {0x81, 0x83}, {0x8A, 0x9A}, {0x8C, 0x9C}, {0x8D, 0x9D},
    {0x8E, 0x9E}, {0x8F, 0x9F}, {0xA1, 0xA2}, {0xA3, 0xBC}, {0xA5, 0xB4},
    {0xA8, 0xB8}, {0xAA, 0xBA}, {0xAF, 0xBF}, {0xB2, 0xB3}, {0xBD, 0xBE},
};

struct CaseTables {
  std::array<unsigned char, 256> upper{}, lower{};
  std::array<bool, 256> isUpper{}, isLower{};
  CaseTables() {
    for (int i = 0; i < 256; ++i) upper[i] = lower[i] = static_cast<unsigned char>(i);
    auto pair = [this](int u, int l) {
      upper[l] = static_cast<unsigned char>(u);
      lower[u] = static_cast<unsigned char>(l);
      isUpper[u] = isLower[l] = true;
    };
    for (int c = 'A'; c <= 'Z'; ++c) pair(c, c + 32);
    for (int c = 0xC0; c <= 0xDF; ++c) pair(c, c + 32);
    for (auto& p : kCasePairs) pair(p[0], p[1]);
    isLower[0xB5] = true;  // micro sign: a letter without a capital
  }
};

const CaseTables& Cases() {
  static const CaseTables tables;
  return tables;
}

void AppendUtf8(std::string& out, char32_t u) {
  if (u < 0x80) {
    out += static_cast<char>(u);
  } else if (u < 0x800) {
    out += static_cast<char>(0xC0 | (u >> 6));
    out += static_cast<char>(0x80 | (u & 0x3F));
  } else if (u < 0x10000) {
    out += static_cast<char>(0xE0 | (u >> 12));
    out += static_cast<char>(0x80 | ((u >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (u & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (u >> 18));
    out += static_cast<char>(0x80 | ((u >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((u >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (u & 0x3F));
  }
}

// Decodes one UTF-8 sequence at s[i]; advances i. Returns false on a malformed one
// (i then moves past the first byte only).
bool NextUtf8(std::string_view s, size_t& i, char32_t& u) {
  unsigned char c = static_cast<unsigned char>(s[i]);
  int extra;
  char32_t min;
  if (c < 0x80) { u = c; ++i; return true; }
  if ((c & 0xE0) == 0xC0) { u = c & 0x1F; extra = 1; min = 0x80; }
  else if ((c & 0xF0) == 0xE0) { u = c & 0x0F; extra = 2; min = 0x800; }
  else if ((c & 0xF8) == 0xF0) { u = c & 0x07; extra = 3; min = 0x10000; }
  else { ++i; return false; }
  if (i + extra >= s.size()) { ++i; return false; }
  for (int k = 1; k <= extra; ++k) {
    unsigned char cc = static_cast<unsigned char>(s[i + k]);
    if ((cc & 0xC0) != 0x80) { ++i; return false; }
    u = (u << 6) | (cc & 0x3F);
  }
  if (u < min || u > 0x10FFFF || (u >= 0xD800 && u <= 0xDFFF)) { ++i; return false; }
  i += extra + 1;
  return true;
}

}  // namespace

char32_t AnsiCharToUnicode(unsigned char c) {
  if (c < 0x80) return c;
  if (c >= 0xC0) return 0x0410 + (c - 0xC0);
  return kHighHalf[c - 0x80];
}

bool UnicodeToAnsiChar(char32_t u, unsigned char& out) {
  if (u < 0x80) { out = static_cast<unsigned char>(u); return true; }
  if (u >= 0x0410 && u <= 0x044F) { out = static_cast<unsigned char>(0xC0 + (u - 0x0410)); return true; }
  for (int i = 0; i < 64; ++i) {
    if (kHighHalf[i] == u) { out = static_cast<unsigned char>(0x80 + i); return true; }
  }
  return false;
}

std::string AnsiToUtf8(std::string_view ansi) {
  std::string out;
  out.reserve(ansi.size() * 2);
  for (char c : ansi) AppendUtf8(out, AnsiCharToUnicode(static_cast<unsigned char>(c)));
  return out;
}

std::string_view Utf8Prefix(std::string_view ansi, size_t bytes) {
  size_t used = 0, length = 0;
  for (char c : ansi) {
    const char32_t u = AnsiCharToUnicode(static_cast<unsigned char>(c));
    used += u < 0x80 ? 1 : u < 0x800 ? 2 : 3;
    if (used > bytes) break;
    ++length;
  }
  return ansi.substr(0, length);
}

std::string Utf8ToAnsi(std::string_view utf8, char replacement) {
  std::string out;
  out.reserve(utf8.size());
  size_t i = 0;
  while (i < utf8.size()) {
    char32_t u;
    unsigned char b;
    if (NextUtf8(utf8, i, u) && UnicodeToAnsiChar(u, b)) out += static_cast<char>(b);
    else out += replacement;
  }
  return out;
}

bool IsAnsiUpper(char c) { return Cases().isUpper[static_cast<unsigned char>(c)]; }
bool IsAnsiLower(char c) { return Cases().isLower[static_cast<unsigned char>(c)]; }
bool IsAnsiAlpha(char c) { return IsAnsiUpper(c) || IsAnsiLower(c); }
char AnsiUpperChar(char c) { return static_cast<char>(Cases().upper[static_cast<unsigned char>(c)]); }
char AnsiLowerChar(char c) { return static_cast<char>(Cases().lower[static_cast<unsigned char>(c)]); }

std::string AnsiUpperCase(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = AnsiUpperChar(c);
  return out;
}

std::string AnsiLowerCase(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = AnsiLowerChar(c);
  return out;
}

}  // namespace platform
