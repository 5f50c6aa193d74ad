#include "net/Netjis.h"

#include <cstdint>

namespace {

// JIS X 0208 codes of the half-width katakana 0xA1 to 0xDF.
const uint16_t HalfWidthKana[63] = {
    0x2123, 0x2156, 0x2157, 0x2122, 0x2126, 0x2572, 0x2521, 0x2523, 0x2525, 0x2527, 0x2529, 0x2563, 0x2565,
    0x2567, 0x2543, 0x213C, 0x2522, 0x2524, 0x2526, 0x2528, 0x252A, 0x252B, 0x252D, 0x252F, 0x2531, 0x2533,
    0x2535, 0x2537, 0x2539, 0x253B, 0x253D, 0x253F, 0x2541, 0x2544, 0x2546, 0x2548, 0x254A, 0x254B, 0x254C,
    0x254D, 0x254E, 0x254F, 0x2552, 0x2555, 0x2558, 0x255B, 0x255E, 0x255F, 0x2560, 0x2561, 0x2562, 0x2564,
    0x2566, 0x2568, 0x2569, 0x256A, 0x256B, 0x256C, 0x256D, 0x256F, 0x2573, 0x212B, 0x212C};

enum TByteClass : uint8_t { bcAscii, bcSkip, bcKana, bcIgnoredPair, bcLead };

TByteClass ClassOf(uint8_t b)
{
    if (b < 0x80)
        return bcAscii;
    if (b >= 0xA1 && b <= 0xDF)
        return bcKana;
    if ((b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xEF))
        return bcLead;
    if (b >= 0xF0 && b <= 0xFC)
        return bcIgnoredPair;
    return bcSkip;
}

// The full-width code of a half-width kana and an optional following mark
// (0xDE voiced, 0xDF semi-voiced); Joined tells whether the mark was used.
uint16_t KanaCode(uint8_t Kana, uint8_t Next, bool& Joined)
{
    uint16_t code = HalfWidthKana[Kana - 0xA1];
    Joined = false;
    if (Next == 0xDE) {
        if ((Kana >= 0xB6 && Kana <= 0xC4) || (Kana >= 0xCA && Kana <= 0xCE)) {
            Joined = true;
            return code + 1;
        }
        if (Kana == 0xB3) {
            Joined = true;
            return 0x2574;
        }
    } else if (Next == 0xDF && Kana >= 0xCA && Kana <= 0xCE) {
        Joined = true;
        return code + 2;
    }
    return code;
}

} // namespace

std::string ShiftJISToISO2022JP(const std::string& Text)
{
    std::string out;
    bool twoByte = false;
    auto open = [&] {
        if (!twoByte)
            out += "\x1b$B";
        twoByte = true;
    };
    auto put = [&](uint16_t code) {
        open();
        out += static_cast<char>(code >> 8);
        out += static_cast<char>(code & 0xFF);
    };
    for (size_t i = 0; i < Text.size(); ++i) {
        const uint8_t b = static_cast<uint8_t>(Text[i]);
        const uint8_t next = i + 1 < Text.size() ? static_cast<uint8_t>(Text[i + 1]) : 0;
        switch (ClassOf(b)) {
        case bcAscii:
            if (twoByte)
                out += "\x1b(B";
            twoByte = false;
            out += static_cast<char>(b);
            break;
        case bcSkip:
            break;
        case bcKana: {
            bool joined;
            put(KanaCode(b, next, joined));
            if (joined)
                ++i;
            break;
        }
        case bcIgnoredPair:
            ++i;
            break;
        case bcLead: {
            if (i + 1 >= Text.size() || next < 0x40 || next == 0x7F || next > 0xFC) {
                break; // a lead byte without a valid trail byte
            }
            const int base = b < 0xA0 ? (b - 0x81) * 2 : (b - 0xC1) * 2;
            uint16_t code;
            if (next < 0x9F)
                code = static_cast<uint16_t>((base + 0x21) << 8 | (next - (next >= 0x80 ? 0x20 : 0x1F)));
            else
                code = static_cast<uint16_t>((base + 0x22) << 8 | (next - 0x7E));
            put(code);
            ++i;
            break;
        }
        }
    }
    if (twoByte)
        out += "\x1b(B";
    return out;
}

std::string ISO2022JPToShiftJIS(const std::string& Text)
{
    std::string out;
    bool twoByte = false;
    for (size_t i = 0; i < Text.size(); ++i) {
        const uint8_t c = static_cast<uint8_t>(Text[i]);
        if (c == 0x1B) {
            if (Text.compare(i + 1, 2, "$B") == 0)
                twoByte = true;
            else if (Text.compare(i + 1, 2, "(B") == 0)
                twoByte = false;
            i += 2;
            continue;
        }
        if (!twoByte) {
            out += static_cast<char>(c);
            continue;
        }
        if (i + 1 >= Text.size())
            break; // a lone last byte
        const uint8_t c2 = static_cast<uint8_t>(Text[++i]);
        out += static_cast<char>((((c - 1) >> 1) + (c < 95 ? 113 : 177)) & 0xFF);
        if (c & 1)
            out += static_cast<char>(c2 + (c2 < 96 ? 31 : 32));
        else
            out += static_cast<char>(c2 + 126);
    }
    return out;
}
