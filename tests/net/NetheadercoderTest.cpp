#include "net/Netheadercoder.h"
#include "net/Netjis.h"

#include <gtest/gtest.h>

#include "tests/net/Netpeer.h"

namespace {

std::string Hex(const std::string& s)
{
    static const char* d = "0123456789abcdef";
    std::string h;
    for (unsigned char c : s) {
        h += d[c >> 4];
        h += d[c & 15];
    }
    return h;
}

std::string Unhex(const std::string& h)
{
    std::string s;
    for (size_t i = 0; i + 1 < h.size(); i += 2)
        s += static_cast<char>(std::stoi(h.substr(i, 2), nullptr, 16));
    return s;
}

// Python's reading of a header value, as bytes of the program's code page (hex).
std::string PythonDecoded(const std::string& dir, const std::string& value)
{
    netpeer::WriteFile(dir + "/header", value);
    return netpeer::Run("python3 -c 'import sys\nfrom email.header import decode_header, make_header\n"
                        "v=open(sys.argv[1],\"rb\").read().decode(\"ascii\")\n"
                        "print(str(make_header(decode_header(v))).encode(\"cp1251\").hex(), end=\"\")' " +
                        dir + "/header");
}

// Every encoded word ("=?" charset "?" letter "?" text "?=") is at most Limit long.
bool WordsWithin(const std::string& s, size_t limit)
{
    for (size_t p = 0; (p = s.find("=?", p)) != std::string::npos;) {
        const size_t q = s.find('?', s.find('?', p + 2) + 1);
        const size_t e = s.find("?=", q + 1);
        if (e == std::string::npos || e + 2 - p > limit)
            return false;
        p = e + 2;
    }
    return true;
}

} // namespace

TEST(Netheadercoder, EncodeHeaderWords)
{
    EXPECT_EQ(EncodeHeader("plain ascii words", "", 'Q', bit8, "ISO-8859-1"), "plain ascii words");
    EXPECT_EQ(EncodeHeader("Re: caf\xe9 b\xe9=?_ x", "", 'Q', bit8, "ISO-8859-1"),
              "Re: =?ISO-8859-1?Q?caf=E9_b=E9=3D=3F=5F?= x");
    EXPECT_EQ(EncodeHeader("\xe9", "", 'B', bit8, "ISO-8859-1"), "=?ISO-8859-1?B?6Q==?=");
    EXPECT_EQ(EncodeHeader("caf\xe9", "", '8', bit8, "ISO-8859-1"), "caf\xe9");
    const std::string longText(120, '\xe0');
    const std::string encoded = EncodeHeader(longText, "", 'Q', bit8, "windows-1251");
    EXPECT_NE(encoded.find("?=\r\n\t=?windows-1251?Q?"), std::string::npos);
    EXPECT_TRUE(WordsWithin(encoded, 75));
    EXPECT_EQ(DecodeHeader(encoded), longText);
}

TEST(Netheadercoder, DisplayNames)
{
    EXPECT_EQ(EncodeDisplayName("Doe, John", 'Q', bit8, "windows-1251"), "\"Doe, John\"");
    EXPECT_EQ(EncodeDisplayName("a\"b\\c", 'Q', bit8, "windows-1251"), "\"a\\\"b\\\\c\"");
    EXPECT_EQ(EncodeDisplayName("Иван, Петров", 'Q', bit8, "windows-1251"),
              "=?windows-1251?Q?=C8=E2=E0=ED=2C_=CF=E5=F2=F0=EE=E2?=");
}

TEST(Netheadercoder, DecodeHeaderWords)
{
    EXPECT_EQ(DecodeHeader("=?iso-8859-1?q?a_b?="), "a b");
    EXPECT_EQ(DecodeHeader("x =?ISO-8859-1?B?YWI=?= y"), "x ab y");
    EXPECT_EQ(DecodeHeader("=?windows-1251?Q?=C0?= =?windows-1251?Q?=C1?="), "\xc0\xc1");
    EXPECT_EQ(DecodeHeader("=?WINDOWS-1251?Q?abc"), "=?WINDOWS-1251?Q?abc");
    EXPECT_EQ(DecodeHeader("=?UTF-8?Q?=C3=A9?="), "=?UTF-8?Q?=C3=A9?=");
    // A malformed escape stays as it is instead of failing the whole header.
    EXPECT_EQ(DecodeHeader("=?iso-8859-1?Q?=ZZok?="), "=ZZok");
    EXPECT_EQ(DecodeHeader("=?windows-1251?B?wMHC?= and =?iso-8859-1?Q?x?="), "\xc0\xc1\xc2 and x");
}

TEST(Netheadercoder, PythonReadsOurWordsAndWeReadTheirs)
{
    const std::string dir = netpeer::TestFolder("headercoder");
    const std::string texts[] = {
        "Привет, мир", "Re: тема письма = ?вопрос_", "Quillaran### 2005 12 19 1",
        std::string(30, '\xdf') + " с длинным русским текстом, который не влезет в одно слово " + std::string(40, '\xe0')};
    for (const std::string& text : texts) {
        for (char enc : {'Q', 'B'}) {
            const std::string ours = EncodeHeader(text, "", enc, bit8, "windows-1251");
            EXPECT_TRUE(WordsWithin(ours, 75)) << ours;
            EXPECT_EQ(PythonDecoded(dir, ours), Hex(text)) << ours;
            EXPECT_EQ(DecodeHeader(ours), text);
        }
        netpeer::WriteFile(dir + "/text", text);
        for (const char* form : {"None", "\"q\"", "\"b\""}) {
            const std::string theirs = netpeer::Run(
                std::string("python3 -c 'import sys\nfrom email.header import Header\nfrom email import charset\n"
                            "c=charset.Charset(\"windows-1251\")\nc.header_encoding=") +
                (std::string(form) == "None" ? "charset.BASE64" : std::string(form) == "\"q\"" ? "charset.QP" : "charset.BASE64") +
                "\nprint(Header(open(sys.argv[1],\"rb\").read().decode(\"cp1251\"),c).encode(), end=\"\")' " + dir + "/text");
            std::string unfolded;
            for (size_t i = 0; i < theirs.size(); ++i) {
                if (theirs[i] == '\n') {
                    while (i + 1 < theirs.size() && (theirs[i + 1] == ' ' || theirs[i + 1] == '\t'))
                        ++i;
                    unfolded += ' ';
                } else
                    unfolded += theirs[i];
            }
            EXPECT_EQ(Hex(DecodeHeader(unfolded)), Hex(text)) << theirs;
        }
    }
}

TEST(Netheadercoder, JapaneseConversionsAgreeWithPython)
{
    const std::string pairs = netpeer::Run(
        "python3 -c 'import unicodedata\n"
        "t=\"\\u30c6\\u30b9\\u30c8 abc \\u6f22\\u5b57\\u3068\\u304b\\u306a\\uff01\\u2460x\"\n"
        "print(t.encode(\"shift_jis\",\"ignore\").hex(), t.encode(\"iso2022_jp\",\"ignore\").hex())\n"
        "h=\"\\uff76\\uff9e\\uff77\\uff9e\\uff8a\\uff9f\\uff73\\uff9e\\uff71\\uff70\"\n"
        "print(h.encode(\"shift_jis\").hex(), unicodedata.normalize(\"NFKC\",h).encode(\"iso2022_jp\").hex())'");
    const size_t sp1 = pairs.find(' '), nl = pairs.find('\n'), sp2 = pairs.find(' ', nl);
    ASSERT_NE(sp2, std::string::npos) << pairs;
    const std::string sjis = Unhex(pairs.substr(0, sp1)), jis = Unhex(pairs.substr(sp1 + 1, nl - sp1 - 1));
    EXPECT_EQ(Hex(ShiftJISToISO2022JP(sjis)), Hex(jis));
    EXPECT_EQ(Hex(ISO2022JPToShiftJIS(jis)), Hex(sjis));
    const std::string halfWidth = Unhex(pairs.substr(nl + 1, sp2 - nl - 1));
    const std::string fullWidth = Unhex(pairs.substr(sp2 + 1, pairs.find('\n', sp2) - sp2 - 1));
    EXPECT_EQ(Hex(ShiftJISToISO2022JP(halfWidth)), Hex(fullWidth));
    EXPECT_EQ(ISO2022JPToShiftJIS("\x1b$B\x30"), "");
    const std::string word = EncodeHeader(sjis, "", 'B', iso2022jp, "ISO-2022-JP");
    EXPECT_EQ(Hex(DecodeHeader(word)), Hex(sjis));
}

TEST(Netheadercoder, HeaderValuesCannotStartNewLines)
{
    EXPECT_EQ(HeaderSafe("a\r\nBcc: x@y"), "a  Bcc: x@y");
    EXPECT_EQ(HeaderSafe("a\nb\rc"), "a b c");
    EXPECT_EQ(HeaderSafe("a\r\n\tb"), "a\r\n\tb");
}
