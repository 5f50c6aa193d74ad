#include "net/Tnethash.h"
#include "net/Tnetreadmemorystream.h"

#include <gtest/gtest.h>

TEST(Tnetreadmemorystream, ReadsTheCallersMemoryAndWritesNothing)
{
    std::string text = "0123456789abcdef";
    TNetReadMemoryStream s;
    s.SetMemory(text.data(), static_cast<int64_t>(text.size()));
    char buf[4] = {};
    EXPECT_EQ(s.Read(buf, 4), 4);
    EXPECT_EQ(std::string(buf, 4), "0123");
    EXPECT_EQ(s.Write("zz", 2), 0);
    EXPECT_EQ(text, "0123456789abcdef");
    s.SetMemory(text.data(), 3);
    EXPECT_EQ(s.Position(), 0);
    EXPECT_EQ(s.Read(buf, 4), 3);

    // A digest of a stream covers only what follows its position.
    s.SetMemory(text.data(), static_cast<int64_t>(text.size()));
    s.SetPosition(10);
    TNetHashMessageDigest5 md5;
    EXPECT_EQ(TNetHash128::AsHex(md5.HashValue(s)), TNetHash128::AsHex(md5.HashValue(std::string("abcdef"))));
}
