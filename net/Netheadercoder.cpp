#include "net/Netheadercoder.h"

#include "net/Netcodings.h"
#include "net/Netjis.h"
#include "net/Netsystem.h"
#include "net/Tnetemailaddress.h"
#include "net/Nettext.h"

#include <algorithm>
#include <bitset>

const std::string NetAddressSpecials = "\"(),.:;<>@[\\]";

namespace {

using TCharSet = std::bitset<256>;

bool IsWhite(char c) { return c == '\t' || c == '\n' || c == '\r' || c == ' '; }

TCharSet NeedsEncoding(const std::string& Specials)
{
    TCharSet set;
    for (int i = 0; i < 32; ++i)
        set.set(i);
    for (int i = 127; i < 256; ++i)
        set.set(i);
    for (char c : Specials)
        set.set(static_cast<uint8_t>(c));
    return set;
}

// Lines that hold encoded words stay within this many characters.
constexpr size_t LineLimit = 76;

// Characters on the last line of Out, the first of which follows Column others.
size_t CurrentColumn(const std::string& Out, size_t Column)
{
    const size_t fold = Out.rfind("\r\n");
    return fold == std::string::npos ? Column + Out.size() : Out.size() - (fold + 2);
}

void WriteEncodedRun(const std::string& Run, char Encoding, const std::string& Begin, const TCharSet& Quoted,
                     std::string& Out, size_t Column)
{
    const size_t start = Begin.size() + 2;
    // The first word takes what is left of its line; each next one a line of its
    // own after a TAB. No word passes 75 characters.
    size_t count = start + std::clamp<size_t>(Column, 1, LineLimit - start - 12);
    Out += Begin;
    auto piece = [&](const std::string& p) {
        if (count + p.size() > LineLimit) {
            Out += "?=\r\n\t";
            Out += Begin;
            count = start + 1;
        }
        Out += p;
        count += p.size();
    };
    if (Encoding == 'Q') {
        for (char c : Run) {
            const uint8_t b = static_cast<uint8_t>(c);
            if (c == ' ')
                piece("_");
            else if (Quoted.test(b))
                piece(std::string{'=', HexDigits[b >> 4], HexDigits[b & 15]});
            else
                piece(std::string(1, c));
        }
    } else {
        for (size_t i = 0; i < Run.size(); i += 3) {
            std::string quad;
            Encode3to4(reinterpret_cast<const uint8_t*>(Run.data()) + i, std::min<size_t>(3, Run.size() - i),
                       NetBase64Table, quad);
            piece(quad);
        }
    }
    Out += "?=";
}

int HexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    c = static_cast<char>(c & ~0x20);
    return c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
}

// The bytes of one encoded word's text (which still ends in "?=").
std::string DecodeWordText(const std::string& Text, char Encoding)
{
    std::string out;
    if (Encoding == 'Q' || Encoding == 'q') {
        for (size_t i = 0; i < Text.size(); ++i) {
            if (Text.compare(i, 2, "?=") == 0)
                break;
            const char c = Text[i];
            if (c == '_')
                out += ' ';
            else if (c == '=' && Text.size() - i > 4 && HexValue(Text[i + 1]) >= 0 &&
                     HexValue(Text[i + 2]) >= 0) {
                out += static_cast<char>(HexValue(Text[i + 1]) * 16 + HexValue(Text[i + 2]));
                i += 2;
            } else
                out += c;
        }
    } else {
        for (size_t i = 0; i + 4 <= Text.size(); i += 4) {
            uint32_t v = 0;
            for (size_t k = 0; k < 4; ++k) {
                const uint8_t d = NetBase64Table.Decode[static_cast<uint8_t>(Text[i + k])];
                v = v << 6 | (d == 255 ? 0 : d);
            }
            out += static_cast<char>(v >> 16);
            out += static_cast<char>(v >> 8);
            out += static_cast<char>(v);
        }
    }
    return out;
}

} // namespace

void DefaultInitializeISO(uint8_t& TransferHeader, char& HeaderEncoding, std::string& CharSet)
{
    HeaderEncoding = 'B';
    TransferHeader = bit8;
    switch (SystemMailCharSet()) {
    case mcsGB2312: CharSet = "GB2312"; break;
    case mcsBig5: CharSet = "Big5"; break;
    case mcsIso2022Jp:
        CharSet = "ISO-2022-JP";
        TransferHeader = iso2022jp;
        break;
    case mcsEucKr: CharSet = "EUC-KR"; break;
    case mcsIso88591:
        CharSet = "windows-1251";
        HeaderEncoding = 'Q';
        break;
    }
}

std::string EncodeHeader(const std::string& Header, const std::string& Specials, char HeaderEncoding,
                         uint8_t TransferHeader, const std::string& CharSet, size_t Column)
{
    const std::string text = TransferHeader == iso2022jp ? ShiftJISToISO2022JP(Header) : Header;
    if (HeaderEncoding == '8')
        return text;
    const TCharSet needs = NeedsEncoding(Specials);
    TCharSet quoted = needs;
    quoted.set('=');
    quoted.set('?');
    quoted.set('_');
    const std::string begin = "=?" + CharSet + "?" + HeaderEncoding + "?";

    std::string out;
    size_t runStart = std::string::npos, runEnd = 0;
    // A run that would not fit in what is left of its line starts on the next one
    // when there is a blank before it to fold at and the room left is small, or
    // when it is ISO-2022-JP (a word cut inside its escapes reads back wrong).
    auto writeRun = [&] {
        const std::string run = text.substr(runStart, runEnd - runStart);
        const size_t column = CurrentColumn(out, Column);
        std::string words;
        WriteEncodedRun(run, HeaderEncoding, begin, quoted, words, column);
        const bool cramped = column + begin.size() + 2 + 12 > LineLimit || TransferHeader == iso2022jp;
        if (cramped && words.find("\r\n") != std::string::npos && column > 1 && !out.empty() &&
            IsWhite(out.back())) {
            out.insert(out.size() - 1, "\r\n");
            words.clear();
            WriteEncodedRun(run, HeaderEncoding, begin, quoted, words, 1);
        }
        out += words;
        runStart = std::string::npos;
    };
    size_t i = 0;
    while (i < text.size()) {
        const size_t wordStart = i;
        while (i < text.size() && IsWhite(text[i]))
            ++i;
        const size_t letters = i;
        bool encode = false;
        while (i < text.size() && !IsWhite(text[i])) {
            encode = encode || needs.test(static_cast<uint8_t>(text[i]));
            ++i;
        }
        if (encode) {
            if (runStart == std::string::npos) {
                out.append(text, wordStart, letters - wordStart);
                runStart = letters;
            }
            runEnd = i;
        } else {
            if (runStart != std::string::npos)
                writeRun();
            out.append(text, wordStart, i - wordStart);
        }
    }
    if (runStart != std::string::npos)
        writeRun();
    return out;
}

std::string EncodeDisplayName(const std::string& Name, char HeaderEncoding, uint8_t TransferHeader,
                              const std::string& CharSet)
{
    for (char c : Name) {
        const uint8_t b = static_cast<uint8_t>(c);
        if (b < 32 || b >= 127)
            return EncodeHeader(Name, NetAddressSpecials, HeaderEncoding, TransferHeader, CharSet);
    }
    std::string quoted = "\"";
    for (char c : Name) {
        if (c == '\\' || c == '"')
            quoted += '\\';
        quoted += c;
    }
    return quoted + "\"";
}

std::string EncodeAddressItem(TNetEMailAddressItem* EmailAddr, char HeaderEncoding, uint8_t TransferHeader,
                              const std::string& CharSet)
{
    if (EmailAddr->Name().empty())
        return EmailAddr->Address();
    return EncodeDisplayName(EmailAddr->Name(), HeaderEncoding, TransferHeader, CharSet) + " <" +
           EmailAddr->Address() + ">";
}

std::string EncodeAddress(TNetEMailAddressList* EmailAddr, char HeaderEncoding, uint8_t TransferHeader,
                          const std::string& CharSet)
{
    std::string result;
    for (int i = 0; i < EmailAddr->Count(); ++i) {
        if (i > 0)
            result += ", ";
        result += EncodeAddressItem(EmailAddr->Items(i), HeaderEncoding, TransferHeader, CharSet);
    }
    return result;
}

std::string DecodeHeader(const std::string& Header)
{
    // Unfolded first: a fold is a line break before a blank.
    std::string text;
    text.reserve(Header.size());
    for (size_t i = 0; i < Header.size(); ++i) {
        if (Header.compare(i, 2, "\r\n") == 0 && i + 2 < Header.size() && IsWhite(Header[i + 2]) &&
            Header[i + 2] != '\r' && Header[i + 2] != '\n') {
            ++i;
            continue;
        }
        text += Header[i];
    }
    // The words are decoded into a new text in one pass over the unfolded one, so that the
    // work grows with the bytes of the header, not with its words times its bytes.
    const std::string upper = UpperCase(text);
    std::string out;
    out.reserve(text.size());
    size_t pos = 0;
    bool afterWord = false;
    // The next start of each kind of word, looked for again only once passed.
    size_t iso = upper.find("=?ISO"), win = upper.find("=?WINDOWS");
    for (;;) {
        if (iso != std::string::npos && iso < pos)
            iso = upper.find("=?ISO", pos);
        if (win != std::string::npos && win < pos)
            win = upper.find("=?WINDOWS", pos);
        const size_t p = std::min(iso, win);
        if (p == std::string::npos)
            break;
        const size_t q1 = text.find('?', p + 5);
        const size_t q2 = q1 == std::string::npos ? q1 : text.find('?', q1 + 1);
        const size_t q3 = q2 == std::string::npos ? q2 : text.find("?=", q2 + 1);
        if (q3 == std::string::npos)
            break;
        const std::string charSet = text.substr(p + 2, q1 - p - 2);
        const char encoding = q2 > q1 + 1 ? text[q1 + 1] : 'B';
        std::string decoded = DecodeWordText(text.substr(q2 + 1, q3 + 2 - (q2 + 1)), encoding);
        if (SameText(charSet, "ISO-2022-JP"))
            decoded = ISO2022JPToShiftJIS(decoded);
        // White space between two encoded words belongs to neither.
        bool white = afterWord;
        for (size_t k = pos; k < p && white; ++k)
            white = IsWhite(text[k]);
        if (!white)
            out.append(text, pos, p - pos);
        out += decoded;
        pos = q3 + 2;
        afterWord = true;
    }
    out.append(text, pos, std::string::npos);
    text.swap(out);
    std::string result;
    result.reserve(text.size());
    for (char c : text)
        if (c != '\0')
            result += c;
    return result;
}

std::string HeaderSafe(const std::string& Value)
{
    std::string out = Value;
    for (size_t i = 0; i < out.size(); ++i) {
        if (out[i] != '\r' && out[i] != '\n')
            continue;
        if (out[i] == '\r' && i + 2 < out.size() && out[i + 1] == '\n' && (out[i + 2] == ' ' || out[i + 2] == '\t')) {
            ++i;
            continue;
        }
        out[i] = ' ';
    }
    return out;
}
