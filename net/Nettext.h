#pragma once
// Text routines of the mail library: searching, cutting tokens, looking up
// day and month names, splitting comma lists. Positions are 1-based, 0 means
// not found; texts are byte strings and may hold NUL characters.
#include "platform/rtl/Strutil.h"

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

class TStrings;

// Splits at commas that do not stand between a piece's first two double quotes;
// the trimmed pieces that are not empty.
std::vector<std::string> SplitCommaTexts(const std::string& Text);
// The same into a cleared list.
void SplitCommaList(TStrings* List, const std::string& Text);

// 1-based position of Substr in the raw buffer; 0 when absent.
int32_t FindInBuffer(const std::string& Substr, const void* Buffer, int32_t Size);

extern const char* const DayNames[8];    // [1..7] = "Sun".."Sat"
extern const char* const MonthNames[13]; // [1..12] = "Jan".."Dec"
extern const char HexDigits[16];         // "0123456789ABCDEF", no terminator

