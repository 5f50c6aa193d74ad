#include "net/Enetexception.h"
#include "net/Tnethash.h"
#include "net/Tnetreadmemorystream.h"

#include <gtest/gtest.h>

TEST(Enetexception, ClassTreeAndCodes)
{
    try {
        throw ENetConnClosedGracefully("Connection Closed Gracefully.");
    } catch (const ENetSilentException& e) {
        EXPECT_EQ(e.Message(), "Connection Closed Gracefully.");
    }
    try {
        throw ENetNotConnected("Not Connected");
    } catch (const ENetTCPConnectionError&) {
    }
    try {
        throw ENetCanNotCreateMessagePart("x");
    } catch (const ENetMessageException&) {
    }
    try {
        throw ENetSocksServerTTLExpiredError("TTL expired.");
    } catch (const ENetException& e) {
        EXPECT_STREQ(e.what(), "TTL expired.");
    }
    ENetProtocolReplyError reply(550, "no");
    EXPECT_EQ(reply.ReplyErrorCode(), 550);
    ENetSocketError socket(10061, "refused");
    EXPECT_EQ(socket.LastError(), 10061);
    ENetWS2StubError quiet("Error on call Winsock2 library function send", 0);
    EXPECT_EQ(quiet.Message(), "Error on call Winsock2 library function send");
    ENetWS2StubError loud("Title", 2);
    EXPECT_EQ(loud.Message(), "Title: " + loud.Win32ErrorMessage());
    EXPECT_FALSE(loud.Win32ErrorMessage().empty());
    EXPECT_EQ(loud.Title(), "Title");
}

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
