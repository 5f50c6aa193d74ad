#include "net/Tnethash.h"

#include <gtest/gtest.h>

#include "tests/net/Netpeer.h"
#include "tests/support/Publishedvectors.h"

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
    for (const auto& [file, hash] : {std::pair<const char*, TNetHash128*>{"md4.txt", &md4}, {"md5.txt", &md5}})
        for (const testsupport::TPublishedVector& v : testsupport::PublishedVectors(file))
            EXPECT_EQ(Hex(*hash, v.Message), v.Expected.at(0)) << file << " line " << v.Line;
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
