#pragma once
// The program's text: one pointer to a zero-terminated text in the code page,
// null for the empty text. Stored in files as a 16-bit length and the
// characters without terminator. The length is kept in front of the text, so a
// text keeps every byte it was given or read, a zero byte too (C callers of
// c_str() then see it end there). Texts read in bulk may come from a TTextPool: the
// length's top bit marks them, and they are freed through the pool.

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

class TBufReader;
class TBufWriter;
class TTextPool;

class TStr {
 public:
  static constexpr size_t kMaxStoredLength = 65535;
  // The mark in the length of a text that a TTextPool holds.
  static constexpr uint32_t PooledMark = 0x80000000u;

  TStr() = default;
  TStr(const char* text) { Assign(text ? std::string_view(text) : std::string_view()); }
  TStr(const char* text, size_t length) { Assign(std::string_view(text, length)); }
  TStr(std::string_view text) { Assign(text); }
  TStr(const std::string& text) { Assign(text); }
  TStr(const TStr& other) { Assign(other.View()); }
  TStr(TStr&& other) noexcept : fText(other.fText) { other.fText = nullptr; }
  ~TStr() { FreeText(fText); }

  TStr& operator=(const TStr& other);
  TStr& operator=(TStr&& other) noexcept;
  TStr& operator=(std::string_view text) {
    Assign(text);
    return *this;
  }
  TStr& operator=(const char* text) { return *this = (text ? std::string_view(text) : std::string_view()); }
  TStr& operator=(const std::string& text) { return *this = std::string_view(text); }

  bool IsEmpty() const { return fText == nullptr; }
  size_t Length() const {
    uint32_t n = 0;
    if (fText) std::memcpy(&n, fText - sizeof n, sizeof n);
    return n & ~PooledMark;
  }
  // Never null: "" for the empty text.
  const char* c_str() const { return fText ? fText : ""; }
  // The text pointer itself, null for the empty text.
  const char* Text() const { return fText; }
  std::string_view View() const { return std::string_view(c_str(), Length()); }
  std::string ToString() const { return std::string(View()); }
  operator std::string() const { return ToString(); }

  void Clear();
  TStr& Append(std::string_view text);
  TStr& operator+=(std::string_view text) { return Append(text); }
  TStr& operator+=(const char* text) { return Append(text ? std::string_view(text) : std::string_view()); }
  TStr& operator+=(const std::string& text) { return Append(text); }
  TStr& operator+=(const TStr& text) { return Append(text.View()); }
  TStr& operator+=(char c) { return Append(std::string_view(&c, 1)); }

  // 1-based position of `what` at or after the 1-based `from`; 0 when absent.
  size_t Pos(std::string_view what, size_t from = 1) const;

  bool operator==(const TStr& other) const { return View() == other.View(); }
  bool operator==(std::string_view other) const { return View() == other; }
  bool operator==(const char* other) const { return View() == std::string_view(other ? other : ""); }
  // Byte order, as a sort of the code page's texts.
  int Compare(const TStr& other) const;

  // A 16-bit length, then the characters. A text longer than 65535 characters
  // cannot be stored: it is reported and its first 65535 characters are written.
  void SaveToBufWriter(TBufWriter& writer) const;
  // The same; length 0 gives the empty text. With a pool the text is taken from it.
  void LoadFromBufReader(TBufReader& reader, TTextPool* pool = nullptr);

 private:
  void Assign(std::string_view text);
  // A block for a text of n characters (n > 0) with its length and terminator set.
  static char* NewText(size_t n);
  static void FreeText(char* text);

  char* fText = nullptr;
};

inline std::string operator+(const std::string& a, const TStr& b) { return a + b.ToString(); }
inline std::string operator+(const TStr& a, const std::string& b) { return a.ToString() + b; }
inline std::string operator+(const TStr& a, const char* b) { return a.ToString() + b; }
inline std::string operator+(const char* a, const TStr& b) { return a + b.ToString(); }
