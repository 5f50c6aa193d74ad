#pragma once
// The byte-level transfer codings behind the coder classes: the table-driven
// 3-to-4 coding (base64, UU, XX) and quoted-printable, over memory.
#include <cstddef>
#include <cstdint>
#include <string>

// A coding alphabet: 64 characters, the fill character, and the decode table
// for every byte value (255 for characters outside the alphabet).
struct TNetCodingTable {
    const char* Chars;   // 64 characters, index = 6-bit value
    char EncodeFill;
    char DecodeFill;
    uint8_t Decode[256];
    char Pairs[4096][2]; // the two characters of each 12-bit value
};

extern const TNetCodingTable NetBase64Table;
extern const TNetCodingTable NetUUETable;
extern const TNetCodingTable NetXXETable;

// Appends (Size + 2) / 3 * 4 characters; a short last group ends in fill characters.
void Encode3to4(const uint8_t* Data, size_t Size, const TNetCodingTable& Table, std::string& Out);

// The same in lines of BytesPerLine bytes (a multiple of 3), each followed by LineEnd.
// The encoded lines written at Out, which has room for EncodedLinesSize bytes; returns the end.
size_t EncodedLinesSize(size_t Size, size_t BytesPerLine, size_t LineEndLength);
char* Encode3to4LinesTo(const uint8_t* Data, size_t Size, const TNetCodingTable& Table, size_t BytesPerLine,
                        const char* LineEnd, char* Out);
void Encode3to4Lines(const uint8_t* Data, size_t Size, const TNetCodingTable& Table, size_t BytesPerLine,
                     const char* LineEnd, std::string& Out);

// Decodes groups of four characters of the alphabet from the start of Text
// into Out, up to a group that holds any other; answers the characters taken.
size_t DecodeAlphabetGroups(const char* Text, size_t Size, const TNetCodingTable& Table, char* Out);
// Decodes whole groups of four; false when Size is not a multiple of four.
// Characters outside the alphabet count as 0.
bool Decode4to3(const char* Text, size_t Size, const TNetCodingTable& Table, std::string& Out);

// One UU or XX data line (length character first) into its bytes.
void DecodeUULine(const std::string& Line, const TNetCodingTable& Table, bool BlanksAreZero,
                  std::string& Out);

// One UU or XX data line for up to 45 bytes: the length character and the groups.
void EncodeUULine(const uint8_t* Data, size_t Size, const TNetCodingTable& Table, std::string& Out);

// Quoted-printable, soft line breaks after lines longer than 71 characters;
// CR and LF pass as they are.
void EncodeQuotedPrintable(const uint8_t* Data, size_t Size, std::string& Out);
void DecodeQuotedPrintable(const std::string& Text, std::string& Out);
