// The connection over real sockets against scripted servers on 127.0.0.1:
// closing peers, stalls, long lines, refused and timed-out connects.
#include "Scriptedserver.h"
#include "net/Enetexception.h"
#include "net/Netsystem.h"
#include "net/Tnetantifreeze.h"
#include "net/Tnetintercept.h"
#include "net/Tnetiohandlersocket.h"
#include "net/Tnetsockethandle.h"
#include "net/Tnetstack.h"
#include "net/Tnettcpconnection.h"
#include "platform/rtl/Tmemorystream.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <filesystem>
#include <fstream>
#include <thread>
#include <vector>

namespace {

template <class TFn>
std::chrono::milliseconds Timed(TFn&& AFn)
{
    const auto start = std::chrono::steady_clock::now();
    AFn();
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
}

} // namespace

TEST(Tnettcpclient, LinesStayReadableAfterThePeerCloses)
{
    TScriptedServer server([](TScriptedPeer& p) {
        p.Send("one\r\ntwo\nthree\r\n");
        p.Close();
    });
    TNetTCPClient client(nullptr);
    PointAt(client, server.Port());
    std::vector<std::string> status;
    int disconnected = 0;
    client.OnStatus = [&](TObject*, TNetStatus, const std::string& AText) { status.push_back(AText); };
    client.OnDisconnected = [&](TObject*) { ++disconnected; };
    client.Connect();
    EXPECT_EQ(status.back(), "Connected.");
    server.Finish();
    EXPECT_EQ(client.ReadLn(), "one");
    EXPECT_EQ(client.ReadLn(), "two");
    EXPECT_EQ(client.ReadLn(), "three");
    try {
        client.ReadLn();
        FAIL();
    } catch (const ENetConnClosedGracefully& e) {
        EXPECT_EQ(e.Message(), "Connection Closed Gracefully.");
    }
    EXPECT_EQ(disconnected, 1);
    EXPECT_FALSE(client.Connected());
    EXPECT_THROW(client.Write("x"), ENetConnClosedGracefully);
    client.Disconnect();
}

TEST(Tnettcpclient, AStalledServerEndsInTheReadTimeout)
{
    TScriptedServer server([](TScriptedPeer& p) {
        p.Send("220 partial");
        p.ReadLine(); // waits for the client to give up
    });
    TNetTCPClient client(nullptr);
    PointAt(client, server.Port());
    client.SetReadTimeout(300);
    client.Connect();
    const auto waited = Timed([&] {
        try {
            client.ReadLn();
            FAIL();
        } catch (const ENetReadTimeout& e) {
            EXPECT_EQ(e.Message(), "Read Timeout");
        }
    });
    EXPECT_GE(waited.count(), 280);
    // An explicit wait that runs out returns an empty line and says so.
    EXPECT_EQ(client.ReadLn("\n", 100), "");
    EXPECT_TRUE(client.ReadLnTimedOut());
    client.Disconnect();
}

TEST(Tnettcpclient, ALineLongerThanTheLimit)
{
    const std::string longLine(20000, 'x');
    {
        TScriptedServer server([&](TScriptedPeer& p) { p.Send(longLine + "\r\nnext\r\n"); });
        TNetTCPClient client(nullptr);
        PointAt(client, server.Port());
        client.SetReadTimeout(5000);
        client.SetRecvBufferSize(1024);
        client.Connect();
        try {
            client.ReadLn();
            FAIL();
        } catch (const ENetReadLnMaxLineLengthExceeded& e) {
            EXPECT_EQ(e.Message(), "Max line length exceeded.");
        }
        // Raised as soon as the limit was passed, not after the whole line.
        EXPECT_LE(client.InputBufferSize(), 16384 + 1024);
        client.Disconnect();
    }
    TScriptedServer server([&](TScriptedPeer& p) { p.Send(longLine + "\r\nnext\r\n"); });
    TNetTCPClient client(nullptr);
    PointAt(client, server.Port());
    client.SetReadTimeout(5000);
    client.SetMaxLineAction(maSplit);
    client.Connect();
    EXPECT_EQ(client.ReadLn(), std::string(16384, 'x'));
    EXPECT_TRUE(client.ReadLnSplit());
    EXPECT_EQ(client.ReadLn(), std::string(20000 - 16384, 'x'));
    EXPECT_FALSE(client.ReadLnSplit());
    EXPECT_EQ(client.ReadLn(), "next");
    client.Disconnect();
}

TEST(Tnettcpclient, WritesReachThePeerThroughTheIntercept)
{
    TScriptedServer server([](TScriptedPeer& p) {
        p.ReadLine();
        p.Send("abc\r\n");
    });
    TNetTCPClient client(nullptr);
    PointAt(client, server.Port());
    client.SetReadTimeout(5000);
    TNetConnectionIntercept intercept(nullptr);
    std::string seenOut, seenIn;
    intercept.OnSend = [&](TNetConnectionIntercept*, TStream* s) {
        seenOut.resize(static_cast<size_t>(s->Size()));
        s->ReadBuffer(seenOut.data(), static_cast<int32_t>(seenOut.size()));
    };
    intercept.OnReceive = [&](TNetConnectionIntercept*, TStream* s) {
        seenIn.resize(static_cast<size_t>(s->Size()));
        s->ReadBuffer(seenIn.data(), static_cast<int32_t>(seenIn.size()));
    };
    client.SetIntercept(&intercept);
    client.Connect();
    EXPECT_EQ(intercept.Connection(), &client);
    client.WriteLn("hello");
    client.WriteInteger(0x01020304);
    EXPECT_EQ(client.ReadLn(), "abc");
    EXPECT_EQ(seenIn, "abc\r\n");
    client.Disconnect();
    EXPECT_EQ(intercept.Connection(), nullptr);
    EXPECT_EQ(server.Finish(), std::string("hello\r\n\x01\x02\x03\x04", 11));
    EXPECT_EQ(seenOut, std::string("\x01\x02\x03\x04", 4));
}

TEST(Tnettcpclient, RefusedAndTimedOutConnects)
{
    TNetTCPClient client(nullptr);
    int port;
    {
        TScriptedServer closed([](TScriptedPeer&) {});
        port = closed.Port();
    }
    PointAt(client, port);
    try {
        client.Connect();
        FAIL();
    } catch (const ENetSocketError& e) {
        EXPECT_EQ(e.LastError(), 10061);
        EXPECT_EQ(e.Message(), "Socket Error # 10061\r\nConnection refused.");
    }
    try {
        client.Connect(1000);
        FAIL();
    } catch (const ENetConnectException& e) {
        EXPECT_EQ(e.Message(), "Socket Error # 10061\r\nConnection refused.");
    }
    EXPECT_FALSE(client.Connected());

    // A listener whose queue is full answers no new connection.
    ws2::TWSAData data;
    ws2::WSAStartup(0x0202, &data);
    int fullPort;
    ws2::SOCKET listener = LoopbackListener(0, fullPort);
    ws2::TSockAddrIn a{};
    a.sin_family = ws2::AF_INET;
    a.sin_port = ws2::htons(static_cast<ws2::u_short>(fullPort));
    a.sin_addr.S_addr = ws2::inet_addr("127.0.0.1");
    std::vector<ws2::SOCKET> fillers;
    for (int i = 0; i < 3; ++i) {
        ws2::SOCKET s = ws2::socket(ws2::AF_INET, ws2::SOCK_STREAM, 0);
        ws2::u_long on = 1;
        ws2::ioctlsocket(s, ws2::FIONBIO, &on);
        ws2::connect(s, reinterpret_cast<ws2::TSockAddr*>(&a), sizeof a);
        fillers.push_back(s);
    }
    PointAt(client, fullPort);
    const auto waited = Timed([&] {
        try {
            client.Connect(1000);
            FAIL() << "connected to a full queue";
        } catch (const ENetConnectTimeout& e) {
            EXPECT_EQ(e.Message(), "Connect timed out.");
        }
    });
    EXPECT_GE(waited.count(), 950);
    EXPECT_FALSE(client.Connected());
    for (ws2::SOCKET s : fillers)
        ws2::closesocket(s);
    ws2::closesocket(listener);
    ws2::WSACleanup();
}

TEST(Tnettcpclient, BindingOverAPortRangeAndNagle)
{
    TScriptedServer server([](TScriptedPeer& p) { p.ReadLine(); });
    // Three free ports in a row, the highest then taken.
    int base = 0;
    ws2::TWSAData data;
    ws2::WSAStartup(0x0202, &data);
    ws2::SOCKET blocker = ws2::socket(ws2::AF_INET, ws2::SOCK_STREAM, 0);
    // Above the system's range of ephemeral ports, so that no other connection
    // of a parallel test takes one of the three meanwhile.
    int first = 61000;
    if (std::ifstream range("/proc/sys/net/ipv4/ip_local_port_range"); range) {
        int low = 0, high = 0;
        if (range >> low >> high && high < 65000)
            first = high + 1;
    }
    // The two lower ports must be free as well (not still waiting after an
    // earlier run's connection).
    auto bindable = [](int APort) {
        ws2::SOCKET probe = ws2::socket(ws2::AF_INET, ws2::SOCK_STREAM, 0);
        ws2::TSockAddrIn a{};
        a.sin_family = ws2::AF_INET;
        a.sin_port = ws2::htons(static_cast<ws2::u_short>(APort));
        const bool ok = ws2::bind(probe, reinterpret_cast<ws2::TSockAddr*>(&a), sizeof a) == 0;
        ws2::closesocket(probe);
        return ok;
    };
    for (int candidate = first + (::getpid() % 100) * 3; candidate < 65530; candidate += 7) {
        ws2::TSockAddrIn a{};
        a.sin_family = ws2::AF_INET;
        a.sin_port = ws2::htons(static_cast<ws2::u_short>(candidate + 2));
        if (bindable(candidate) && bindable(candidate + 1) &&
            ws2::bind(blocker, reinterpret_cast<ws2::TSockAddr*>(&a), sizeof a) == 0) {
            base = candidate;
            break;
        }
    }
    ASSERT_NE(base, 0);
    TNetTCPClient client(nullptr);
    PointAt(client, server.Port());
    client.BoundPortMin = base;
    client.BoundPortMax = base + 2;
    auto* handler = new TNetIOHandlerSocket(&client);
    handler->UseNagle = false;
    client.SetIOHandler(handler);
    client.Connect();
    EXPECT_EQ(handler->Binding()->Port(), base + 1);
    EXPECT_EQ(handler->Binding()->PeerPort(), server.Port());
    int32_t nodelay = 0, size = sizeof nodelay;
    GStack->WSGetSockOpt(handler->Binding()->Handle(), Id_IPPROTO_TCP, Id_TCP_NODELAY, &nodelay, size);
    EXPECT_NE(nodelay, 0);
    client.WriteLn("bye");
    client.Disconnect();
    ws2::closesocket(blocker);
    ws2::WSACleanup();

    client.BoundPortMin = 5002;
    client.BoundPortMax = 5000;
    try {
        client.Connect();
        FAIL();
    } catch (const ENetInvalidPortRange& e) {
        EXPECT_EQ(e.Message(), "Invalid Port Range (5002 - 5000)");
    }
}

namespace {

class TCountingAntiFreeze : public TNetAntiFreezeBase {
public:
    TCountingAntiFreeze() : TNetAntiFreezeBase(nullptr) {}
    void Process() override { ++Turns; }
    std::atomic<int> Turns{0};
};

} // namespace

TEST(Tnettcpclient, TheAntiFreezeGetsItsTurnsWhileWaiting)
{
    RecordMainThread();
    TCountingAntiFreeze antiFreeze;
    antiFreeze.IdleTimeOut = 50;
    // The answer comes only after the client's wait has had four turns.
    TScriptedServer server([&](TScriptedPeer& p) {
        while (antiFreeze.Turns < 4)
            std::this_thread::yield();
        p.Send("late\r\n");
        p.ReadLine();
    });
    TNetTCPClient client(nullptr);
    PointAt(client, server.Port());
    client.SetReadTimeout(0); // no limit: the wait goes in slices
    client.Connect();
    EXPECT_EQ(client.ReadLn(), "late");
    EXPECT_GE(antiFreeze.Turns, 4); // the wait went in slices
    client.Disconnect();
}

TEST(Tnettcpclient, FilesAllDataAndStatus)
{
    const std::string folder = std::string(std::getenv("QUILLARAN_TEST_TMP") ? std::getenv("QUILLARAN_TEST_TMP") : "/tmp") +
                               "/tnettcpclient-files";
    std::filesystem::create_directories(folder);
    std::string content(100000, '\0');
    for (size_t i = 0; i < content.size(); ++i)
        content[i] = static_cast<char>(i * 31);
    std::ofstream(folder + "/data.bin", std::ios::binary) << content;

    TScriptedServer server([&](TScriptedPeer& p) {
        p.ReadBytes(2 * content.size());
        p.Send("\r\n \t\r\n  reply  \r\nall the rest");
        p.Close();
    });
    TNetTCPClient client(nullptr);
    client.SetHost("localhost");
    client.SetPort(server.Port());
    client.SetReadTimeout(5000);
    std::vector<std::string> status;
    client.OnStatus = [&](TObject*, TNetStatus, const std::string& AText) { status.push_back(AText); };
    client.Connect();
    ASSERT_GE(status.size(), 3u);
    EXPECT_EQ(status[0], "Resolving hostname localhost.");
    EXPECT_EQ(status[1], "Connecting to 127.0.0.1.");
    EXPECT_EQ(status[2], "Connected.");
    EXPECT_THROW(client.Connect(), ENetAlreadyConnected);
    EXPECT_EQ(client.WriteFile(folder + "/data.bin"), static_cast<int32_t>(content.size()));
    EXPECT_EQ(client.WriteFile(folder + "/data.bin", true), static_cast<int32_t>(content.size()));
    try {
        client.WriteFile(folder + "/missing.bin");
        FAIL();
    } catch (const ENetFileNotFound& e) {
        EXPECT_EQ(e.Message(), "File \"" + folder + "/missing.bin\" not found");
    }
    EXPECT_EQ(client.ReadLnWait(), "reply");
    EXPECT_EQ(client.AllData(), "all the rest");
    client.Disconnect();
    EXPECT_EQ(status.back(), "Disconnected.");
    EXPECT_EQ(server.Finish(), content + content);
}

TEST(Tnettcpclient, APeerThatStopsReadingEndsInTheTimeOut)
{
    std::promise<void> gaveUp;
    TScriptedServer server([&](TScriptedPeer& p) {
        p.ReadLine(); // reads the first line, then nothing more until the client gives up
        gaveUp.get_future().wait();
    });
    // Released however the test ends, before the server is waited for.
    struct TRelease {
        std::promise<void>& FGaveUp;
        ~TRelease() { FGaveUp.set_value(); }
    } release{gaveUp};
    TNetTCPClient client(nullptr);
    PointAt(client, server.Port());
    client.SetReadTimeout(400);
    client.Connect();
    const std::string block(1 << 20, 'x');
    // The peer holds the connection open and unread until the client has given up, so
    // nothing but the client's own time-out can end the writing.
    try {
        client.WriteLn("first");
        for (int i = 0; i < 256; ++i)
            client.Write(block);
        ADD_FAILURE() << "256 MB went to a peer that does not read";
    } catch (const ENetSocketError& e) {
        EXPECT_EQ(e.LastError(), 10060);
        EXPECT_EQ(e.Message(), "Socket Error # 10060\r\nConnection timed out.");
    }
    client.Disconnect();
}

TEST(Tnettcpclient, WriteBufferingGathersUntilTheThreshold)
{
    TScriptedServer server([](TScriptedPeer& p) { p.ReadBytes(15); });
    TNetTCPClient client(nullptr);
    PointAt(client, server.Port());
    client.Connect();
    int64_t sent = 0;
    client.OnWork = [&](TObject*, TWorkMode AMode, int32_t ACount) {
        if (AMode == wmWrite)
            sent = ACount;
    };
    client.BeginWork(wmWrite);
    client.OpenWriteBuffer(10);
    client.Write("abc");
    EXPECT_EQ(sent, 0);
    client.Write("defghijkl"); // 12 gathered: the first 10 go
    EXPECT_EQ(sent, 10);
    client.Write("mn");
    client.ClearWriteBuffer(); // "klmn" dropped
    client.Write("xyz");
    client.CloseWriteBuffer();
    EXPECT_EQ(sent, 13);
    client.WriteBuffer("12", 2, true);
    client.EndWork(wmWrite);
    client.Disconnect();
    EXPECT_EQ(server.Finish(), "abcdefghijxyz12");
}
