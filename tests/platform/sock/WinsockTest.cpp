#include "platform/sock/Winsock.h"

#include <gtest/gtest.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>

using namespace ws2;

namespace {

class WinsockTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        TWSAData data;
        ASSERT_EQ(WSAStartup(0x0202, &data), 0);
        EXPECT_EQ(data.wVersion, 0x0202);
    }
    void TearDown() override { EXPECT_EQ(WSACleanup(), 0); }

    static TSockAddrIn Loopback(u_short port)
    {
        TSockAddrIn a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(port);
        a.sin_addr.S_addr = inet_addr("127.0.0.1");
        return a;
    }

    // A listening socket on a free loopback port; returns the port.
    static u_short Listen(SOCKET& server)
    {
        server = socket(AF_INET, SOCK_STREAM, 0);
        EXPECT_NE(server, INVALID_SOCKET);
        TSockAddrIn a = Loopback(0);
        EXPECT_EQ(bind(server, reinterpret_cast<TSockAddr*>(&a), sizeof a), 0);
        EXPECT_EQ(listen(server, SOMAXCONN), 0);
        int len = sizeof a;
        EXPECT_EQ(getsockname(server, reinterpret_cast<TSockAddr*>(&a), &len), 0);
        return ntohs(a.sin_port);
    }

    // A connected pair through a listening socket.
    static void Pair(SOCKET& client, SOCKET& peer)
    {
        SOCKET server;
        u_short port = Listen(server);
        client = socket(AF_INET, SOCK_STREAM, 0);
        TSockAddrIn a = Loopback(port);
        ASSERT_EQ(connect(client, reinterpret_cast<TSockAddr*>(&a), sizeof a), 0);
        TSockAddrIn from{};
        int len = sizeof from;
        peer = accept(server, reinterpret_cast<TSockAddr*>(&from), &len);
        ASSERT_NE(peer, INVALID_SOCKET);
        EXPECT_EQ(from.sin_addr.S_addr, inet_addr("127.0.0.1"));
        closesocket(server);
    }

    static int SelectRead(SOCKET s, int ms)
    {
        TFDSet set{};
        set.fd_count = 1;
        set.fd_array[0] = s;
        TTimeVal tv{ms / 1000, (ms % 1000) * 1000};
        return select(0, &set, nullptr, nullptr, &tv);
    }
};

} // namespace

TEST_F(WinsockTest, ConnectSendReceiveAndClose)
{
    SOCKET client, peer;
    Pair(client, peer);
    EXPECT_EQ(send(client, "hello", 5, 0), 5);
    char buf[16] = {};
    EXPECT_EQ(recv(peer, buf, sizeof buf, MSG_PEEK), 5);
    EXPECT_EQ(recv(peer, buf, sizeof buf, 0), 5);
    EXPECT_EQ(std::string(buf, 5), "hello");

    TSockAddrIn name{};
    int len = sizeof name;
    ASSERT_EQ(getpeername(client, reinterpret_cast<TSockAddr*>(&name), &len), 0);
    EXPECT_EQ(name.sin_family, AF_INET);
    EXPECT_STREQ(inet_ntoa(name.sin_addr), "127.0.0.1");

    // A graceful close reads as readable and then as 0 bytes.
    EXPECT_EQ(shutdown(peer, SD_SEND), 0);
    EXPECT_EQ(SelectRead(client, 1000), 1);
    EXPECT_EQ(recv(client, buf, sizeof buf, 0), 0);
    EXPECT_EQ(closesocket(client), 0);
    EXPECT_EQ(closesocket(peer), 0);
}

TEST_F(WinsockTest, SelectTimesOutAndRefillsTheSets)
{
    SOCKET client, peer;
    Pair(client, peer);
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(SelectRead(client, 200), 0);
    auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_GE(waited, std::chrono::milliseconds(190));

    send(peer, "x", 1, 0);
    TFDSet readSet{}, writeSet{};
    readSet.fd_count = 2;
    readSet.fd_array[0] = client;
    readSet.fd_array[1] = peer;
    writeSet.fd_count = 1;
    writeSet.fd_array[0] = client;
    TTimeVal tv{1, 0};
    EXPECT_EQ(select(0, &readSet, &writeSet, nullptr, &tv), 2);
    ASSERT_EQ(readSet.fd_count, 1u);
    EXPECT_EQ(readSet.fd_array[0], client);
    EXPECT_EQ(writeSet.fd_count, 1u);

    TFDSet tooMany{};
    tooMany.fd_count = SOCKET_SET_SIZE + 1;
    EXPECT_EQ(select(0, &tooMany, nullptr, nullptr, &tv), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSAEINVAL);
    TFDSet none{};
    EXPECT_EQ(select(0, &none, nullptr, nullptr, &tv), SOCKET_ERROR);
    closesocket(client);
    closesocket(peer);
}

TEST_F(WinsockTest, ErrorsCarryWinsockCodes)
{
    // A refused connect: nobody listens on a port just released.
    SOCKET server;
    u_short port = Listen(server);
    closesocket(server);
    SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
    TSockAddrIn a = Loopback(port);
    EXPECT_EQ(connect(s, reinterpret_cast<TSockAddr*>(&a), sizeof a), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSAECONNREFUSED);
    closesocket(s);

    // Binding a port in use.
    port = Listen(server);
    s = socket(AF_INET, SOCK_STREAM, 0);
    a = Loopback(port);
    EXPECT_EQ(bind(s, reinterpret_cast<TSockAddr*>(&a), sizeof a), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSAEADDRINUSE);
    closesocket(s);
    closesocket(server);

    // Calls on what is no socket.
    char c;
    EXPECT_EQ(recv(INVALID_SOCKET, &c, 1, 0), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSAENOTSOCK);
    EXPECT_EQ(socket(AF_INET + 1, SOCK_STREAM, 0), INVALID_SOCKET);
    EXPECT_EQ(WSAGetLastError(), WSAEAFNOSUPPORT);

    // A non-blocking receive with nothing there, and a non-blocking connect.
    SOCKET client, peer;
    Pair(client, peer);
    ws2::u_long on = 1;
    ASSERT_EQ(ioctlsocket(client, FIONBIO, &on), 0);
    EXPECT_EQ(recv(client, &c, 1, 0), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSAEWOULDBLOCK);
    send(peer, "abc", 3, 0);
    EXPECT_EQ(SelectRead(client, 1000), 1);
    ws2::u_long pending = 0;
    EXPECT_EQ(ioctlsocket(client, FIONREAD, &pending), 0);
    EXPECT_EQ(pending, 3u);
    closesocket(client);
    closesocket(peer);

    // The resolver's and the system's codes in the one table.
    EXPECT_EQ(platform::WSAErrorFromErrno(ECONNRESET), WSAECONNRESET);
    EXPECT_EQ(platform::WSAErrorFromErrno(EPIPE), WSAESHUTDOWN);
    EXPECT_EQ(platform::WSAErrorFromErrno(ECONNABORTED), WSAECONNABORTED);
    EXPECT_EQ(platform::WSAErrorFromErrno(ETIMEDOUT), WSAETIMEDOUT);
    EXPECT_EQ(platform::WSAErrorFromErrno(EAGAIN), WSAEWOULDBLOCK);
}

TEST_F(WinsockTest, NonBlockingConnectCompletesInTheWriteSet)
{
    SOCKET server;
    u_short port = Listen(server);
    SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
    ws2::u_long on = 1;
    ioctlsocket(s, FIONBIO, &on);
    TSockAddrIn a = Loopback(port);
    int rc = connect(s, reinterpret_cast<TSockAddr*>(&a), sizeof a);
    if (rc == SOCKET_ERROR) {
        EXPECT_EQ(WSAGetLastError(), WSAEWOULDBLOCK);
    }
    TFDSet writeSet{1, {s}}, errorSet{1, {s}};
    TTimeVal tv{2, 0};
    EXPECT_EQ(select(0, nullptr, &writeSet, &errorSet, &tv), 1);
    EXPECT_EQ(writeSet.fd_count, 1u);
    EXPECT_EQ(errorSet.fd_count, 0u);
    int error = -1, len = sizeof error;
    EXPECT_EQ(getsockopt(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &len), 0);
    EXPECT_EQ(error, 0);
    closesocket(s);

    // A refused non-blocking connect lands in the error set with its code.
    closesocket(server);
    s = socket(AF_INET, SOCK_STREAM, 0);
    ioctlsocket(s, FIONBIO, &on);
    connect(s, reinterpret_cast<TSockAddr*>(&a), sizeof a);
    TFDSet writeSet2{1, {s}}, errorSet2{1, {s}};
    EXPECT_EQ(select(0, nullptr, &writeSet2, &errorSet2, &tv), 1);
    EXPECT_EQ(writeSet2.fd_count, 0u);
    EXPECT_EQ(errorSet2.fd_count, 1u);
    EXPECT_EQ(getsockopt(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &len), 0);
    EXPECT_EQ(error, WSAECONNREFUSED);
    closesocket(s);
}

// A connection the peer reset is ready to read and to write, as a select reports it, so that
// the call that meets the reset is made; only a connect that failed is in the error set.
TEST_F(WinsockTest, AConnectionResetByItsPeerIsReadyToWriteAndTheSendTellsTheReset)
{
    for (const bool waited : {false, true}) {
        SOCKET client, peer;
        if (!waited) {
            Pair(client, peer);
        } else {
            // Connected without blocking, the connect seen to succeed in the write set.
            SOCKET server;
            const u_short port = Listen(server);
            client = socket(AF_INET, SOCK_STREAM, 0);
            ws2::u_long on = 1;
            ioctlsocket(client, FIONBIO, &on);
            TSockAddrIn a = Loopback(port);
            connect(client, reinterpret_cast<TSockAddr*>(&a), sizeof a);
            TFDSet writeSet{1, {client}}, errorSet{1, {client}};
            TTimeVal tv{5, 0};
            ASSERT_EQ(select(0, nullptr, &writeSet, &errorSet, &tv), 1);
            ASSERT_EQ(writeSet.fd_count, 1u);
            peer = accept(server, nullptr, nullptr);
            closesocket(server);
        }
        const TLinger abort{1, 0};
        setsockopt(peer, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&abort), sizeof abort);
        closesocket(peer);
        ASSERT_EQ(SelectRead(client, 5000), 1); // the reset has come
        TFDSet writeSet{1, {client}}, errorSet{1, {client}};
        TTimeVal tv{0, 0};
        EXPECT_EQ(select(0, nullptr, &writeSet, &errorSet, &tv), 1) << waited;
        EXPECT_EQ(writeSet.fd_count, 1u) << waited;
        EXPECT_EQ(errorSet.fd_count, 0u) << waited;
        EXPECT_EQ(send(client, "x", 1, 0), SOCKET_ERROR);
        EXPECT_EQ(WSAGetLastError(), WSAECONNRESET) << waited;
        closesocket(client);
    }
}

TEST_F(WinsockTest, SendToAClosedPeerFailsWithoutSignal)
{
    SOCKET client, peer;
    Pair(client, peer);
    closesocket(peer);
    std::string block(65536, 'x');
    int rc = 0;
    for (int i = 0; i < 100 && rc != SOCKET_ERROR; ++i)
        rc = send(client, block.data(), static_cast<int>(block.size()), 0);
    ASSERT_EQ(rc, SOCKET_ERROR); // and the process is still alive: no SIGPIPE
    int code = WSAGetLastError();
    EXPECT_TRUE(code == WSAECONNRESET || code == WSAESHUTDOWN || code == WSAECONNABORTED) << code;

    // After this side shut sending down.
    SOCKET c2, p2;
    Pair(c2, p2);
    shutdown(c2, SD_SEND);
    EXPECT_EQ(send(c2, "x", 1, 0), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSAESHUTDOWN);
    closesocket(client);
    closesocket(c2);
    closesocket(p2);
}

namespace {
std::atomic<bool> GInterrupted{false};
void NoteInterruption(int) { GInterrupted = true; }

// Whether a thread of this process sleeps in that system call now.
bool BlockedIn(pid_t ATid, int ASyscall)
{
    std::ifstream state("/proc/self/task/" + std::to_string(ATid) + "/syscall");
    int number = -1;
    return state >> number && number == ASyscall;
}
} // namespace

TEST_F(WinsockTest, InterruptedReceiveIsRetried)
{
    struct sigaction act {};
    act.sa_handler = NoteInterruption; // no SA_RESTART: the system call does return EINTR
    struct sigaction old {};
    sigaction(SIGUSR1, &act, &old);
    GInterrupted = false;
    SOCKET client, peer;
    Pair(client, peer);
    pthread_t reader = pthread_self();
    const pid_t readerTid = gettid();
    std::thread helper([&] {
        // The signal comes while the reader sleeps in its receive, the byte after the signal.
        while (!BlockedIn(readerTid, SYS_recvfrom))
            std::this_thread::yield();
        pthread_kill(reader, SIGUSR1);
        while (!GInterrupted)
            std::this_thread::yield();
        send(peer, "z", 1, 0);
    });
    char c = 0;
    EXPECT_EQ(recv(client, &c, 1, 0), 1);
    EXPECT_EQ(c, 'z');
    EXPECT_TRUE(GInterrupted);
    helper.join();
    sigaction(SIGUSR1, &old, nullptr);
    closesocket(client);
    closesocket(peer);
}

TEST_F(WinsockTest, LastErrorIsKeptPerThread)
{
    WSASetLastError(WSAECONNRESET);
    std::thread other([] {
        EXPECT_EQ(WSAGetLastError(), 0);
        WSASetLastError(WSAETIMEDOUT);
    });
    other.join();
    EXPECT_EQ(WSAGetLastError(), WSAECONNRESET);
}

TEST_F(WinsockTest, OptionsInWinsockNumbering)
{
    SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
    int on = 1, value = 0, len = sizeof value;
    EXPECT_EQ(setsockopt(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<char*>(&on), sizeof on), 0);
    EXPECT_EQ(getsockopt(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<char*>(&value), &len), 0);
    EXPECT_NE(value, 0);
    EXPECT_EQ(setsockopt(s, SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<char*>(&on), sizeof on), 0);
    len = sizeof value;
    EXPECT_EQ(getsockopt(s, SOL_SOCKET, SO_TYPE, reinterpret_cast<char*>(&value), &len), 0);
    EXPECT_EQ(value, SOCK_STREAM);
    uint32_t ms = 1500;
    EXPECT_EQ(setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<char*>(&ms), sizeof ms), 0);
    len = sizeof value;
    EXPECT_EQ(getsockopt(s, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<char*>(&value), &len), 0);
    EXPECT_EQ(value, 1500);
    TLinger l{1, 5}, back{};
    EXPECT_EQ(setsockopt(s, SOL_SOCKET, SO_LINGER, reinterpret_cast<char*>(&l), sizeof l), 0);
    len = sizeof back;
    EXPECT_EQ(getsockopt(s, SOL_SOCKET, SO_LINGER, reinterpret_cast<char*>(&back), &len), 0);
    EXPECT_EQ(back.l_onoff, 1);
    EXPECT_EQ(back.l_linger, 5);
    EXPECT_EQ(setsockopt(s, 12345, 1, reinterpret_cast<char*>(&on), sizeof on), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSAENOPROTOOPT);
    closesocket(s);
}

TEST_F(WinsockTest, NameServices)
{
    THostEnt* h = gethostbyname("127.0.0.1");
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(h->h_addrtype, AF_INET);
    EXPECT_EQ(h->h_length, 4);
    TInAddr first;
    std::memcpy(&first, h->h_addr_list[0], 4);
    EXPECT_STREQ(inet_ntoa(first), "127.0.0.1");

    h = gethostbyname("localhost");
    ASSERT_NE(h, nullptr);
    EXPECT_NE(h->h_addr_list[0], nullptr);

    EXPECT_EQ(gethostbyname("no-such-host.invalid"), nullptr);
    EXPECT_EQ(WSAGetLastError(), WSAHOST_NOT_FOUND);
    EXPECT_EQ(gethostbyname("300.1.1.1"), nullptr);

    char name[256];
    EXPECT_EQ(gethostname(name, sizeof name), 0);
    EXPECT_GT(std::strlen(name), 0u);
    EXPECT_EQ(gethostname(name, 1), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSAEFAULT);

    TServEnt* sv = getservbyname("smtp", nullptr);
    if (sv != nullptr) { // the services table may be absent on a minimal system
        EXPECT_EQ(ntohs(static_cast<u_short>(sv->s_port)), 25);
        TServEnt* byPort = getservbyport(htons(110), nullptr);
        ASSERT_NE(byPort, nullptr);
        EXPECT_STREQ(byPort->s_name, "pop3");
    }
    EXPECT_EQ(getservbyname("no-such-service", nullptr), nullptr);
    EXPECT_EQ(WSAGetLastError(), WSANO_DATA);

    EXPECT_EQ(inet_addr("1.2.3.4"), htonl(0x01020304));
    EXPECT_EQ(inet_addr("1.2.3.x"), INADDR_NONE);
    EXPECT_EQ(htons(0x1234), ntohs(0x1234));
    EXPECT_EQ(reinterpret_cast<const uint8_t*>(&(const u_short&)htons(0x0102))[0], 1);
}

TEST(WinsockStartup, CallsBeforeStartupAndVersions)
{
    EXPECT_EQ(socket(AF_INET, SOCK_STREAM, 0), INVALID_SOCKET);
    EXPECT_EQ(WSAGetLastError(), WSANOTINITIALISED);
    EXPECT_EQ(gethostbyname("localhost"), nullptr);
    EXPECT_EQ(WSAGetLastError(), WSANOTINITIALISED);
    EXPECT_EQ(WSACleanup(), SOCKET_ERROR);
    TWSAData data;
    EXPECT_EQ(WSAStartup(0x0101, &data), WSAVERNOTSUPPORTED);
    EXPECT_EQ(WSAStartup(0x0202, &data), 0);
    EXPECT_EQ(WSAStartup(0x0202, &data), 0);
    EXPECT_EQ(WSACleanup(), 0);
    SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
    EXPECT_NE(s, INVALID_SOCKET);
    closesocket(s);
    EXPECT_EQ(WSACleanup(), 0);
}

TEST_F(WinsockTest, TransmitFileSendsTheWholeFile)
{
    const char* tmp = std::getenv("QUILLARAN_TEST_TMP");
    std::string dir = tmp ? tmp : "/tmp";
    std::string path = dir + "/winsock-transmit.bin";
    std::string content(300000, '\0');
    for (size_t i = 0; i < content.size(); ++i)
        content[i] = static_cast<char>(i * 7 + 3);
    std::system(("mkdir -p '" + dir + "'").c_str());
    std::ofstream(path, std::ios::binary).write(content.data(), static_cast<std::streamsize>(content.size()));

    SOCKET client, peer;
    Pair(client, peer);
    std::string received;
    std::thread reader([&] {
        char buf[8192];
        int n;
        while ((n = recv(peer, buf, sizeof buf, 0)) > 0)
            received.append(buf, static_cast<size_t>(n));
    });
    EXPECT_EQ(TransmitFile(client, path.c_str()), static_cast<int64_t>(content.size()));
    shutdown(client, SD_SEND);
    reader.join();
    EXPECT_EQ(received, content);
    EXPECT_EQ(TransmitFile(client, (dir + "/missing.bin").c_str()), SOCKET_ERROR);
    closesocket(client);
    closesocket(peer);
}

TEST_F(WinsockTest, TransferTimeOutsReadAsTimedOut)
{
    SOCKET client, peer;
    Pair(client, peer);
    uint32_t ms = 200;
    ASSERT_EQ(setsockopt(client, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<char*>(&ms), sizeof ms), 0);
    char c;
    EXPECT_EQ(recv(client, &c, 1, 0), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSAETIMEDOUT);
    closesocket(client);
    closesocket(peer);
}
