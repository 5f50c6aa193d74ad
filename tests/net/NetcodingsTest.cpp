#include "net/Netcodings.h"

#include <gtest/gtest.h>

#include "tests/net/Netpeer.h"

namespace {

std::string Base64(const std::string& s)
{
    std::string out;
    Encode3to4(reinterpret_cast<const uint8_t*>(s.data()), s.size(), NetBase64Table, out);
    return out;
}

std::string Unbase64(const std::string& s)
{
    std::string out;
    EXPECT_TRUE(Decode4to3(s.data(), s.size(), NetBase64Table, out));
    return out;
}

// Base64 in lines of 76 characters (57 bytes), as the message encoder writes it.
std::string Base64Lines(const std::string& data)
{
    std::string out;
    for (size_t i = 0; i < data.size(); i += 57) {
        Encode3to4(reinterpret_cast<const uint8_t*>(data.data()) + i, std::min<size_t>(57, data.size() - i),
                   NetBase64Table, out);
        out += "\n";
    }
    return out;
}

std::string UULines(const std::string& data, const TNetCodingTable& table)
{
    std::string out;
    for (size_t i = 0; i < data.size(); i += 45) {
        EncodeUULine(reinterpret_cast<const uint8_t*>(data.data()) + i, std::min<size_t>(45, data.size() - i),
                     table, out);
        out += "\n";
    }
    return out;
}

std::string QP(const std::string& s)
{
    std::string out;
    EncodeQuotedPrintable(reinterpret_cast<const uint8_t*>(s.data()), s.size(), out);
    return out;
}

std::string UnQP(const std::string& s)
{
    std::string out;
    DecodeQuotedPrintable(s, out);
    return out;
}

const size_t Lengths[] = {0, 1, 2, 3, 4, 5, 44, 45, 46, 56, 57, 58, 113, 114, 1000, 4096, 65539};

} // namespace

TEST(Netcodings, Base64KnownValues)
{
    EXPECT_EQ(Base64("abc"), "YWJj");
    EXPECT_EQ(Base64("ab"), "YWI=");
    EXPECT_EQ(Base64("a"), "YQ==");
    EXPECT_EQ(Base64(std::string(57, 'x')).size(), 76u);
    EXPECT_EQ(Unbase64("YWI="), "ab");
    EXPECT_EQ(Unbase64("YQ=="), "a");
    std::string out;
    EXPECT_FALSE(Decode4to3("YWJ", 3, NetBase64Table, out));
    // Bytes outside the alphabet, high ones included, are read as zero bits.
    EXPECT_EQ(Unbase64(std::string("\xff\x80\x01") + "A"), std::string(3, '\0'));
}

TEST(Netcodings, Base64AgreesWithCoreutils)
{
    const std::string dir = netpeer::TestFolder("base64");
    for (size_t size : Lengths) {
        const std::string data = netpeer::RandomBytes(size, static_cast<uint32_t>(size) + 7);
        netpeer::WriteFile(dir + "/data", data);
        const std::string theirs = netpeer::Run("base64 -w 76 " + dir + "/data");
        EXPECT_EQ(Base64Lines(data), theirs) << size;
        netpeer::WriteFile(dir + "/ours.b64", Base64Lines(data));
        EXPECT_EQ(netpeer::Run("base64 -d " + dir + "/ours.b64"), data) << size;
        std::string joined;
        for (char c : theirs)
            if (c != '\n')
                joined += c;
        EXPECT_EQ(Unbase64(joined), data) << size;
    }
}

TEST(Netcodings, UUAgreesWithSharutils)
{
    const std::string dir = netpeer::TestFolder("uue");
    std::string abc;
    EncodeUULine(reinterpret_cast<const uint8_t*>("abc"), 3, NetUUETable, abc);
    EXPECT_EQ(abc, "#86)C");
    for (size_t size : Lengths) {
        const std::string data = netpeer::RandomBytes(size, static_cast<uint32_t>(size) + 11);
        netpeer::WriteFile(dir + "/data", data);
        // uuencode names the mode a file made now would get: the one of the usual umask.
        const std::string theirs = netpeer::Run("cd " + dir + " && umask 022 && uuencode name < data");
        const std::string ours = "begin 644 name\n" + UULines(data, NetUUETable) + "`\nend\n";
        EXPECT_EQ(ours, theirs) << size;
        netpeer::WriteFile(dir + "/ours.uue", "begin 600 decoded\n" + UULines(data, NetUUETable) + "`\nend\n");
        std::remove((dir + "/decoded").c_str());
        netpeer::Run("cd " + dir + " && uudecode ours.uue");
        EXPECT_EQ(netpeer::ReadFile(dir + "/decoded"), data) << size;
        // Lines of the peer, with the old blank for zero.
        std::string decoded;
        size_t pos = theirs.find('\n') + 1;
        for (;;) {
            const size_t end = theirs.find('\n', pos);
            std::string line = theirs.substr(pos, end - pos);
            pos = end + 1;
            if (line == "end")
                break;
            for (char& c : line)
                if (c == '`')
                    c = ' ';
            DecodeUULine(line, NetUUETable, true, decoded);
        }
        EXPECT_EQ(decoded, data) << size;
    }
}

TEST(Netcodings, XXRoundTrip)
{
    std::string line;
    EncodeUULine(reinterpret_cast<const uint8_t*>("abc"), 3, NetXXETable, line);
    EXPECT_EQ(line, "1MK7X");
    for (size_t size : Lengths) {
        const std::string data = netpeer::RandomBytes(size, static_cast<uint32_t>(size) + 13);
        std::string decoded;
        for (size_t i = 0; i < data.size(); i += 45) {
            std::string l;
            EncodeUULine(reinterpret_cast<const uint8_t*>(data.data()) + i, std::min<size_t>(45, data.size() - i),
                         NetXXETable, l);
            EXPECT_EQ(l[0], i + 45 <= data.size() ? 'h' : NetXXETable.Chars[data.size() - i]);
            DecodeUULine(l, NetXXETable, false, decoded);
        }
        EXPECT_EQ(decoded, data) << size;
    }
    std::string none;
    DecodeUULine("", NetXXETable, false, none);
    DecodeUULine("\xff\xfe", NetUUETable, true, none);
    EXPECT_EQ(none, "");
}

TEST(Netcodings, QuotedPrintableRules)
{
    EXPECT_EQ(QP("a=b"), "a=3Db");
    EXPECT_EQ(QP("a b \r\n"), "a b=20\r\n");
    EXPECT_EQ(QP("tab\t"), "tab=09");
    EXPECT_EQ(QP("\xe9\x01~"), "=E9=01~");
    EXPECT_EQ(QP(std::string(100, 'a')), std::string(72, 'a') + "=\r\n" + std::string(28, 'a'));
    EXPECT_EQ(QP(std::string(72, 'a') + "\r\n"), std::string(72, 'a') + "=\r\n\r\n");
    // A line that reaches the limit with its own line end gets no stray soft break.
    EXPECT_EQ(QP(std::string(70, 'a') + "\r\n"), std::string(70, 'a') + "\r\n");
    EXPECT_EQ(QP(std::string(72, 'a')), std::string(72, 'a'));

    EXPECT_EQ(UnQP("=3D"), "=");
    EXPECT_EQ(UnQP("ab=\r\ncd\r\n"), "abcd\r\n");
    EXPECT_EQ(UnQP("ab=20\r\n"), "ab \r\n");
    EXPECT_EQ(UnQP("ab  \t\r\n"), "ab\r\n");
    EXPECT_EQ(UnQP("=e9=E9"), "\xe9\xe9");
    EXPECT_EQ(UnQP("a=zz"), "azz");
    EXPECT_EQ(UnQP("a="), "a");
}

TEST(Netcodings, QuotedPrintableAgreesWithPython)
{
    const std::string dir = netpeer::TestFolder("qp");
    const std::string alphabet = "abcXYZ019 \t=?_.\xe0\xff\x7f\x01";
    for (uint32_t seed = 1; seed <= 12; ++seed) {
        std::mt19937 gen(seed);
        std::string text;
        const int lines = 1 + seed * 3;
        for (int l = 0; l < lines; ++l) {
            const size_t len = gen() % 160;
            for (size_t i = 0; i < len; ++i)
                text += alphabet[gen() % alphabet.size()];
            text += "\r\n";
        }
        std::string lf;
        for (char c : text)
            if (c != '\r')
                lf += c;
        // Ours encoded, theirs decoded (their line ends are LF).
        netpeer::WriteFile(dir + "/ours.qp", QP(text));
        const std::string decoded = netpeer::Run(
            "python3 -c 'import sys,quopri; sys.stdout.buffer.write(quopri.decodestring(open(sys.argv[1],\"rb\").read()))' " +
            dir + "/ours.qp");
        std::string decodedLf;
        for (char c : decoded)
            if (c != '\r')
                decodedLf += c;
        EXPECT_EQ(decodedLf, lf) << seed;
        for (const std::string& line : {QP(text)})
            for (size_t p = 0, e; (e = line.find("\r\n", p)) != std::string::npos; p = e + 2)
                EXPECT_LE(e - p, 76u);
        // Theirs encoded, ours decoded.
        netpeer::WriteFile(dir + "/text", lf);
        const std::string theirs = netpeer::Run(
            "python3 -c 'import sys,quopri; sys.stdout.buffer.write(quopri.encodestring(open(sys.argv[1],\"rb\").read()))' " +
            dir + "/text");
        std::string ours = UnQP(theirs), normal;
        for (char c : ours)
            if (c != '\r')
                normal += c;
        EXPECT_EQ(normal, lf) << seed;
        // Round trip of our own coding keeps every byte.
        EXPECT_EQ(UnQP(QP(text)), text) << seed;
    }
}
