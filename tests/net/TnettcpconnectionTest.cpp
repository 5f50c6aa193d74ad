#include "net/Enetexception.h"
#include "net/Tnettcpconnection.h"

#include <gtest/gtest.h>

#include "tests/net/Netstandin.h"
#include "platform/rtl/Tmemorystream.h"
#include "platform/rtl/Tstringlist.h"

namespace {

struct TConnected {
    TStandInIOHandler handler;
    TNetTCPConnection connection{nullptr};
    explicit TConnected(const std::string& input, int32_t piece = 7) : handler(input, piece)
    {
        connection.SetIOHandler(&handler);
    }
    ~TConnected() { connection.SetIOHandler(nullptr); }
};

} // namespace

TEST(Tnettcpconnection, LinesAndTheirEnds)
{
    TConnected c("one\r\ntwo\nthree\r\n..four\r\n.\r\nrest");
    EXPECT_EQ(c.connection.ReadLn(), "one");
    EXPECT_EQ(c.connection.ReadLn(), "two");
    TStringList lines;
    c.connection.Capture(&lines);
    ASSERT_EQ(lines.Count(), 2);
    EXPECT_EQ(lines[0], "three");
    EXPECT_EQ(lines[1], ".four");
    EXPECT_EQ(c.connection.ReadLn("st"), "re");
    // The peer closed and nothing is left.
    EXPECT_THROW(c.connection.ReadLn(), ENetConnClosedGracefully);
}

TEST(Tnettcpconnection, LongLinesRaiseOrSplit)
{
    const std::string longLine(20000, 'x');
    {
        TConnected c(longLine + "\r\n", 4096);
        EXPECT_THROW(c.connection.ReadLn(), ENetReadLnMaxLineLengthExceeded);
    }
    TConnected c(longLine + "\r\n", 4096);
    c.connection.SetMaxLineAction(maSplit);
    EXPECT_EQ(c.connection.ReadLn().size(), 16384u);
    EXPECT_TRUE(c.connection.ReadLnSplit());
    EXPECT_EQ(c.connection.ReadLn().size(), 20000u - 16384u);
}

TEST(Tnettcpconnection, WritingAndStreams)
{
    TConnected c("abcdef");
    c.connection.WriteLn("hello");
    c.connection.Write("x");
    TMemoryStream data;
    data.WriteBuffer("12345", 5);
    c.connection.WriteStream(&data);
    EXPECT_EQ(c.handler.Output, "hello\r\nx12345");
    TNetTCPStream stream(&c.connection);
    char buf[4];
    EXPECT_EQ(stream.Read(buf, 4), 4);
    EXPECT_EQ(std::string(buf, 4), "abcd");

    TMemoryStream text;
    text.WriteBuffer("p\rq\r\nr", 6);
    text.SetPosition(0);
    EXPECT_EQ(ReadLnFromStream(text), "p");
    EXPECT_EQ(ReadLnFromStream(text), "q");
    EXPECT_EQ(ReadLnFromStream(text), "r");
    EXPECT_EQ(ReadLnFromStream(text), "");
    EXPECT_THROW(ReadLnFromStream(text, -1, true), ENetEndOfStream);
}
