#pragma once
// Functions on byte strings in the program's code page: words by delimiter sets,
// trimming and padding, search and replace, a wildcard matcher, number bases and
// Roman numerals, a keyed XOR coder for stored values and command-line switches.
// Positions are 1-based, 0 meaning none; positions and counts out of range never
// read outside a text.

#include <bitset>
#include <cstdint>
#include <string>
#include <string_view>

// A set of byte characters (word delimiters, blank characters ...).
class TCharSet {
 public:
  TCharSet() = default;
  // The characters of the text.
  TCharSet(std::string_view Chars) {
    for (char c : Chars) Include(c);
  }
  TCharSet(const char* Chars) : TCharSet(std::string_view(Chars)) {}
  // Every character from First to Last.
  static TCharSet Range(unsigned char First, unsigned char Last);
  bool Contains(char C) const { return bits_[static_cast<unsigned char>(C)]; }
  TCharSet& Include(char C) {
    bits_.set(static_cast<unsigned char>(C));
    return *this;
  }
  TCharSet operator+(const TCharSet& o) const {
    TCharSet s = *this;
    s.bits_ |= o.bits_;
    return s;
  }
  bool Empty() const { return bits_.none(); }

 private:
  std::bitset<256> bits_;
};

// Words: maximal runs of characters that are not delimiters.
int WordCount(std::string_view S, const TCharSet& WordDelims);
int WordPosition(int N, std::string_view S, const TCharSet& WordDelims);
std::string ExtractWord(int N, std::string_view S, const TCharSet& WordDelims);
std::string ExtractWordPos(int N, std::string_view S, const TCharSet& WordDelims, int& Pos);
// Field N where every single delimiter separates two fields (empty fields count).
std::string ExtractDelimited(int N, std::string_view S, const TCharSet& Delims);
// From Pos up to the next delimiter; Pos then points after that delimiter.
std::string ExtractSubstr(std::string_view S, int& Pos, const TCharSet& Delims);
bool IsWordPresent(std::string_view W, std::string_view S, const TCharSet& WordDelims);
std::string AnsiProperCase(std::string_view S, const TCharSet& WordDelims);

// Trimming, padding, building.
std::string DelChars(std::string_view S, char Chr);
std::string DelSpace(std::string_view S);
std::string DelBSpace(std::string_view S);
std::string DelESpace(std::string_view S);
std::string DelRSpace(std::string_view S);
std::string DelSpace1(std::string_view S);
std::string Tab2Space(std::string_view S, int Numb);
std::string MakeStr(char C, int N);
std::string MS(char C, int N);
std::string AddChar(char C, std::string_view S, int N);
std::string AddCharR(char C, std::string_view S, int N);
std::string LeftStr(std::string_view S, int N);
std::string RightStr(std::string_view S, int N);
std::string CenterStr(std::string_view S, int Len);
std::string Numb2USA(std::string_view S);
std::string QuotedString(std::string_view S, char Quote);
std::string ExtractQuotedString(std::string_view S, char Quote);
bool IsEmptyStr(std::string_view S, const TCharSet& EmptyChars);
std::string StrToOem(std::string_view AnsiStr);
std::string OemToAnsiStr(std::string_view OemStr);

// Search and compare.
std::string ReplaceStr(std::string_view S, std::string_view Srch, std::string_view Replace);
int NPos(std::string_view C, std::string_view S, int N);
std::string Copy2Symb(std::string_view S, char Symb);
std::string Copy2SymbDel(std::string& S, char Symb);
std::string Copy2Space(std::string_view S);
std::string Copy2SpaceDel(std::string& S);
int CompStr(std::string_view S1, std::string_view S2);
int CompText(std::string_view S1, std::string_view S2);
int FindPart(std::string_view HelpWilds, std::string_view InputStr);
// "*" matches any run of characters, "?" any one character.
bool IsWild(std::string_view InputStr, std::string_view Wilds, bool IgnoreCase);

// Numbers.
std::string Dec2Hex(int32_t N, int A);
std::string D2H(int32_t N, int A);
int32_t Hex2Dec(std::string_view S);
int32_t H2D(std::string_view S);
// Bases 2 to 36; another base gives an empty text.
std::string Dec2Numb(uint32_t N, int A, int B);
int32_t Numb2Dec(std::string_view S, int B);
std::string IntToBin(int32_t Value, int Digits, int Spaces);
std::string IntToRoman(int32_t Value);
int32_t RomanToInt(std::string_view S);

// Keyed XOR coder.
std::string XorString(std::string_view Key, std::string_view Src);
std::string XorEncode(std::string_view Key, std::string_view Source);
std::string XorDecode(std::string_view Key, std::string_view Source);

// The parameter after the program parameter "<switch char><Switch>" (any first
// character when SwitchChars is empty); "" when none.
std::string GetCmdLineArg(std::string_view Switch, const TCharSet& SwitchChars);
