#include "net/Netcodings.h"

#include "net/Nettext.h"

#include <cstring>

namespace {

constexpr TNetCodingTable MakeTable(const char* Chars, char EncodeFill, char DecodeFill)
{
    TNetCodingTable t{Chars, EncodeFill, DecodeFill, {}, {}};
    for (int v = 0; v < 4096; ++v) {
        t.Pairs[v][0] = Chars[v >> 6];
        t.Pairs[v][1] = Chars[v & 63];
    }
    for (int i = 0; i < 256; ++i)
        t.Decode[i] = 255;
    for (int i = 0; i < 64; ++i)
        t.Decode[static_cast<uint8_t>(Chars[i])] = static_cast<uint8_t>(i);
    return t;
}

constexpr char UUEChars[65] = "`!\"#$%&'()*+,-./0123456789:;<=>?@ABCDEFGHIJKLMNOPQRSTUVWXYZ[\\]^_";

inline uint32_t Value6(const TNetCodingTable& Table, char c)
{
    const uint8_t v = Table.Decode[static_cast<uint8_t>(c)];
    return v == 255 ? 0 : v;
}

} // namespace

constinit const TNetCodingTable NetBase64Table =
    MakeTable("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/", '=', '=');
constinit const TNetCodingTable NetUUETable = MakeTable(UUEChars, '`', '~');
constinit const TNetCodingTable NetXXETable =
    MakeTable("+-0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz", '+', '~');

namespace {

// Writes the groups of Size bytes at O, which has room for (Size + 2) / 3 * 4 characters.
char* EncodeGroups(const uint8_t* Data, size_t Size, const TNetCodingTable& Table, char* O)
{
    const auto& pairs = Table.Pairs;
    size_t i = 0;
    for (; i + 3 <= Size; i += 3, O += 4) {
        const uint32_t v = uint32_t(Data[i]) << 16 | uint32_t(Data[i + 1]) << 8 | Data[i + 2];
        std::memcpy(O, pairs[v >> 12], 2);
        std::memcpy(O + 2, pairs[v & 4095], 2);
    }
    if (i < Size) {
        const char* t = Table.Chars;
        const uint32_t b1 = Data[i], b2 = i + 1 < Size ? Data[i + 1] : 0;
        const uint32_t v = b1 << 16 | b2 << 8;
        O[0] = t[v >> 18];
        O[1] = t[(v >> 12) & 63];
        O[2] = i + 1 < Size ? t[(v >> 6) & 63] : Table.EncodeFill;
        O[3] = Table.EncodeFill;
        O += 4;
    }
    return O;
}

} // namespace

void Encode3to4(const uint8_t* Data, size_t Size, const TNetCodingTable& Table, std::string& Out)
{
    const size_t start = Out.size();
    Out.resize(start + (Size + 2) / 3 * 4);
    EncodeGroups(Data, Size, Table, Out.data() + start);
}

size_t EncodedLinesSize(size_t Size, size_t BytesPerLine, size_t LineEndLength)
{
    return (Size + 2) / 3 * 4 + (Size + BytesPerLine - 1) / BytesPerLine * LineEndLength;
}

char* Encode3to4LinesTo(const uint8_t* Data, size_t Size, const TNetCodingTable& Table, size_t BytesPerLine,
                        const char* LineEnd, char* Out)
{
    const size_t endLength = std::strlen(LineEnd);
    for (size_t i = 0; i < Size; i += BytesPerLine) {
        Out = EncodeGroups(Data + i, std::min(BytesPerLine, Size - i), Table, Out);
        std::memcpy(Out, LineEnd, endLength);
        Out += endLength;
    }
    return Out;
}

void Encode3to4Lines(const uint8_t* Data, size_t Size, const TNetCodingTable& Table, size_t BytesPerLine,
                     const char* LineEnd, std::string& Out)
{
    const size_t start = Out.size();
    Out.resize(start + EncodedLinesSize(Size, BytesPerLine, std::strlen(LineEnd)));
    Encode3to4LinesTo(Data, Size, Table, BytesPerLine, LineEnd, Out.data() + start);
}

size_t DecodeAlphabetGroups(const char* Text, size_t Size, const TNetCodingTable& Table, char* Out)
{
    const uint8_t* d = Table.Decode;
    size_t i = 0;
    for (; i + 4 <= Size; i += 4, Out += 3) {
        const uint8_t c0 = d[static_cast<uint8_t>(Text[i])], c1 = d[static_cast<uint8_t>(Text[i + 1])];
        const uint8_t c2 = d[static_cast<uint8_t>(Text[i + 2])], c3 = d[static_cast<uint8_t>(Text[i + 3])];
        if ((c0 | c1 | c2 | c3) & 0xC0)
            break;
        const uint32_t v = uint32_t(c0) << 18 | uint32_t(c1) << 12 | uint32_t(c2) << 6 | c3;
        Out[0] = static_cast<char>(v >> 16);
        Out[1] = static_cast<char>(v >> 8);
        Out[2] = static_cast<char>(v);
    }
    return i;
}

bool Decode4to3(const char* Text, size_t Size, const TNetCodingTable& Table, std::string& Out)
{
    if (Size % 4 != 0)
        return false;
    const size_t start = Out.size();
    Out.resize(start + Size / 4 * 3);
    char* o = Out.data() + start;
    for (size_t i = 0; i < Size; i += 4) {
        const size_t whole = DecodeAlphabetGroups(Text + i, Size - i, Table, o);
        i += whole;
        o += whole / 4 * 3;
        if (i == Size)
            break;
        const uint32_t v = Value6(Table, Text[i]) << 18 | Value6(Table, Text[i + 1]) << 12 |
                           Value6(Table, Text[i + 2]) << 6 | Value6(Table, Text[i + 3]);
        *o++ = static_cast<char>(v >> 16);
        if (Text[i + 2] == Table.DecodeFill)
            continue;
        *o++ = static_cast<char>(v >> 8);
        if (Text[i + 3] == Table.DecodeFill)
            continue;
        *o++ = static_cast<char>(v);
    }
    Out.resize(static_cast<size_t>(o - Out.data()));
    return true;
}

void DecodeUULine(const std::string& Line, const TNetCodingTable& Table, bool BlanksAreZero,
                  std::string& Out)
{
    if (Line.empty())
        return;
    std::string text = Line;
    if (BlanksAreZero)
        for (char& c : text)
            if (c == ' ')
                c = Table.Chars[0];
    const size_t n = Value6(Table, text[0]);
    text.erase(0, 1);
    const size_t groups = n / 3 * 4 + (n % 3 ? 4 : 0);
    text.resize(groups, Table.Chars[0]);
    if (n % 3 == 1)
        text[groups - 2] = text[groups - 1] = Table.DecodeFill;
    else if (n % 3 == 2)
        text[groups - 1] = Table.DecodeFill;
    Decode4to3(text.data(), text.size(), Table, Out);
}

void EncodeUULine(const uint8_t* Data, size_t Size, const TNetCodingTable& Table, std::string& Out)
{
    Out += Table.Chars[Size & 63];
    Encode3to4(Data, Size, Table, Out);
}

void EncodeQuotedPrintable(const uint8_t* Data, size_t Size, std::string& Out)
{
    Out.reserve(Out.size() + Size + Size / 8);
    size_t lineStart = Out.size();
    for (size_t i = 0; i < Size; ++i) {
        const uint8_t c = Data[i];
        const bool last = i + 1 == Size;
        if (c == '\t' || c == ' ') {
            // Blanks before a line end (or at the very end) would be lost in transport.
            if (last || Data[i + 1] == '\n' || Data[i + 1] == '\r') {
                Out += '=';
                Out += HexDigits[c >> 4];
                Out += HexDigits[c & 15];
            } else
                Out += static_cast<char>(c);
        } else if (c == '=') {
            Out += "=3D";
        } else if ((c >= 33 && c <= 126) || c == '\r' || c == '\n') {
            Out += static_cast<char>(c);
        } else {
            Out += '=';
            Out += HexDigits[c >> 4];
            Out += HexDigits[c & 15];
        }
        if (c == '\n') {
            lineStart = Out.size();
        } else if (c != '\r' && !last && Out.size() - lineStart > 71) {
            Out += "=\r\n";
            lineStart = Out.size();
        }
    }
}

void DecodeQuotedPrintable(const std::string& Text, std::string& Out)
{
    size_t end = Text.size();
    while (end > 0 && (Text[end - 1] == '\t' || Text[end - 1] == '\n' || Text[end - 1] == '\r' ||
                       Text[end - 1] == ' '))
        --end;
    std::string lineEnds;
    for (size_t i = end; i < Text.size(); ++i)
        if (Text[i] == '\r' || Text[i] == '\n')
            lineEnds += Text[i];

    auto hexValue = [](char c) -> int {
        if (c >= '0' && c <= '9')
            return c - '0';
        if (c >= 'A' && c <= 'F')
            return c - 'A' + 10;
        if (c >= 'a' && c <= 'f')
            return c - 'a' + 10;
        return -1;
    };
    auto skipLineEnds = [&](size_t& i) {
        for (int k = 0; k < 2 && i < end && (Text[i] == '\r' || Text[i] == '\n'); ++k)
            ++i;
    };

    Out.reserve(Out.size() + end);
    size_t i = 0;
    while (i < end) {
        const void* eq = std::memchr(Text.data() + i, '=', end - i);
        const size_t p = eq ? static_cast<size_t>(static_cast<const char*>(eq) - Text.data()) : end;
        Out.append(Text, i, p - i);
        if (p == end)
            break;
        i = p + 1;
        int value = 0, digits = 0;
        while (digits < 2 && i < end && hexValue(Text[i]) >= 0) {
            value = value * 16 + hexValue(Text[i]);
            ++digits;
            ++i;
        }
        if (digits > 0) {
            Out += static_cast<char>(value);
            if (value == ' ' && i < end && (Text[i] == '\r' || Text[i] == '\n')) {
                Out += "\r\n";
                skipLineEnds(i);
            }
        } else
            skipLineEnds(i);
    }
    Out += lineEnds;
}
