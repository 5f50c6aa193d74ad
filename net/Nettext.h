#pragma once
// Text routines of the mail library: searching, cutting tokens, looking up
// day and month names, splitting comma lists. Positions are 1-based, 0 means
// not found; texts are byte strings and may hold NUL characters.
#include <cstdint>
#include <string>
#include <vector>

using TTextPosFunc = int32_t (*)(const std::string& Substr, const std::string& Text);

// The text search used by every delimiter search of the library. Chosen once
// when the library starts (Netlibrary) and only read afterwards.
extern TTextPosFunc TextPos;

// Position of the first byte-for-byte occurrence; 0 when Substr is empty,
// longer than Text, or absent.
int32_t BytePos(const std::string& Substr, const std::string& Text);

// Returns the text before the first Delim (the whole text when absent); with
// Remove the text loses the token and one delimiter.
std::string CutToken(std::string& Text, const std::string& Delim, bool Remove = true,
                     bool CaseSensitive = true);

// 0-based index of the first entry equal to Text; -1 when none.
int32_t IndexInTexts(const std::string& Text, const std::vector<std::string>& Texts,
                     bool CaseSensitive);

// 1 (Sun) to 7; 1 (Jan) to 12; 0 when Text is not exactly such an abbreviation.
int DayNameNumber(const std::string& Text);
int MonthNameNumber(const std::string& Text);

// Splits at commas that do not stand between a piece's first two double quotes.
std::vector<std::string> SplitCommaTexts(const std::string& Text);

// 1-based position of Substr in the raw buffer; 0 when absent.
int32_t FindInBuffer(const std::string& Substr, const void* Buffer, int32_t Size);

// Up to Count characters from the 0-based Start; empty past the end.
std::string SubText(const std::string& Text, size_t Start, size_t Count = std::string::npos);

// ASCII-only case changes, as the header code expects whatever the locale.
std::string UpperCaseAscii(std::string Text);
std::string LowerCaseAscii(std::string Text);
bool SameTextAscii(const std::string& A, const std::string& B);

// Trimming of blanks and control characters, the class library's way.
std::string TrimText(const std::string& Text);
std::string TrimLeftText(const std::string& Text);
std::string TrimRightText(const std::string& Text);

// Decimal integer of the whole text (optional sign, surrounding nothing);
// false when it is not one or does not fit in 32 bits.
bool TryTextToInt(const std::string& Text, int32_t& Value);

extern const char* const DayNames[8];    // [1..7] = "Sun".."Sat"
extern const char* const MonthNames[13]; // [1..12] = "Jan".."Dec"
extern const char HexDigits[16];         // "0123456789ABCDEF", no terminator

