#include "net/Tnethash.h"

#include <gtest/gtest.h>

#include "tests/net/Netpeer.h"

namespace {

std::string Hex(TNetHash128& h, const std::string& s) { return TNetHash128::AsHex(h.HashValue(s)); }

std::string Lower(std::string s)
{
    for (char& c : s)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

} // namespace

TEST(Tnethash, RfcTestSuites)
{
    TNetHashMessageDigest4 md4;
    TNetHashMessageDigest5 md5;
    EXPECT_EQ(Hex(md4, ""), "31D6CFE0D16AE931B73C59D7E0C089C0");
    EXPECT_EQ(Hex(md4, "abc"), "A448017AAF21D8525FC10AE87AA6729D");
    EXPECT_EQ(Hex(md4, "message digest"), "D9130A8164549FE818874806E1C7014B");
    EXPECT_EQ(Hex(md4, "12345678901234567890123456789012345678901234567890123456789012345678901234567890"),
              "E33B4DDC9C38F2199C3E7B164FCC0536");
    EXPECT_EQ(Hex(md5, ""), "D41D8CD98F00B204E9800998ECF8427E");
    EXPECT_EQ(Hex(md5, "a"), "0CC175B9C0F1B6A831C399E269772661");
    EXPECT_EQ(Hex(md5, "abcdefghijklmnopqrstuvwxyz"), "C3FCD3D76192E4007DFB496CCA67E13B");
    EXPECT_EQ(Hex(md5, "12345678901234567890123456789012345678901234567890123456789012345678901234567890"),
              "57EDF4A22BE3C955AC49DA2E2107B67A");
    // 55 bytes fit one padded block, 56 need two.
    EXPECT_EQ(Hex(md5, std::string(55, 'a')), "EF1772B6DFF9A122358552954AD0DF65");
    EXPECT_EQ(Hex(md5, std::string(56, 'a')), "3B0C8AC703F828B04C6C197006D17218");
}

TEST(Tnethash, AgreesWithMd5sumAndOpensslOnRandomData)
{
    const std::string dir = netpeer::TestFolder("hash");
    TNetHashMessageDigest4 md4;
    TNetHashMessageDigest5 md5;
    for (size_t size : {1u, 55u, 56u, 63u, 64u, 65u, 119u, 120u, 1000u, 65537u}) {
        const std::string data = netpeer::RandomBytes(size, static_cast<uint32_t>(size));
        const std::string file = dir + "/data" + std::to_string(size);
        netpeer::WriteFile(file, data);
        const std::string m5 = netpeer::Run("md5sum < " + file).substr(0, 32);
        EXPECT_EQ(Lower(Hex(md5, data)), m5) << size;
        const std::string m4 = netpeer::Run("openssl dgst -provider legacy -provider default -md4 -r " + file).substr(0, 32);
        EXPECT_EQ(Lower(Hex(md4, data)), m4) << size;
    }
}
