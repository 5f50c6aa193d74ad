// Failures of an encrypted connection against a scripted server that spoils its
// records: each is told as what it is, also when it arrives behind good records
// that are read first.
#include "Tlspeer.h"
#include "net/Enetexception.h"
#include "net/Tnetiohandlersocket.h"
#include "net/Tnetmessage.h"
#include "net/Tnetsockethandle.h"
#include "net/Tnetpop3.h"
#include "net/Tnetsmtp.h"
#include "net/Tnettcpconnection.h"
#include "net/Tnettlssession.h"

#include <gtest/gtest.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <functional>
#include <memory>
#include <thread>

namespace {

// The lines the client reads before the connection fails, and how it fails.
std::string ReadUntilItFails(TNetTCPClient& AClient)
{
    std::string lines;
    try {
        for (;;)
            lines += AClient.ReadLn() + "|";
    } catch (const ENetConnClosedGracefully& e) {
        return lines + "closed: " + e.what();
    } catch (const ENetTLSError& e) {
        return lines + "TLS: " + e.what();
    } catch (const ENetSocketError& e) {
        return lines + "socket: " + e.what();
    }
}

// A server that sends what `AScript` makes of its records, and what the client read.
std::string Received(const std::function<std::string(TTlsPeer&)>& AScript)
{
    const TTestCertificates& c = TTestCertificates::Get();
    setenv(MailCAVariable, c.Authority.c_str(), 1);
    TScriptedServer server([&](TScriptedPeer& APeer) {
        TTlsPeer tls(APeer, c.Cert, c.Key);
        if (!tls.Accept())
            return;
        APeer.Send(AScript(tls));
        APeer.Close();
    });
    TNetTCPClient client(nullptr);
    PointAt(client, server.Port());
    client.ImplicitTLSPort = server.Port();
    client.Connect();
    EXPECT_EQ(client.TLSVersion(), "TLS 1.3");
    const std::string read = ReadUntilItFails(client);
    client.Disconnect();
    server.Finish();
    unsetenv(MailCAVariable);
    return read;
}

// The server sends a line and, encrypted, the first half of the next record; once the
// client has read the line and said so, the server resets the connection. What the
// client read, and how it failed.
std::string ReadUntilReset(bool AEncrypted)
{
    const TTestCertificates& c = TTestCertificates::Get();
    setenv(MailCAVariable, c.Authority.c_str(), 1);
    TScriptedServer server([&](TScriptedPeer& APeer) {
        if (!AEncrypted) {
            APeer.Send("one\r\n");
            APeer.ReadLine();
            return APeer.Reset();
        }
        TTlsPeer tls(APeer, c.Cert, c.Key);
        if (!tls.Accept())
            return;
        const std::string one = tls.Records("one\r\n");
        const std::string cut = tls.Records("two\r\n");
        APeer.Send(one + cut.substr(0, cut.size() / 2));
        tls.ReadLine();
        APeer.Reset();
    });
    TNetTCPClient client(nullptr);
    PointAt(client, server.Port());
    if (AEncrypted)
        client.ImplicitTLSPort = server.Port();
    client.Connect();
    std::string read = client.ReadLn() + "|";
    client.WriteLn("read");
    read += ReadUntilItFails(client);
    client.Disconnect();
    server.Finish();
    unsetenv(MailCAVariable);
    return read;
}

// Whether a thread of this process sleeps in one of these system calls now.
bool BlockedIn(pid_t ATid, std::initializer_list<long> ASyscalls)
{
    std::ifstream state("/proc/self/task/" + std::to_string(ATid) + "/syscall");
    long number = -1;
    return state >> number && std::find(ASyscalls.begin(), ASyscalls.end(), number) != ASyscalls.end();
}

// A message too large for the sockets' buffers: its sending must wait for the server.
void LargeMessage(TNetMessage& AMsg)
{
    AMsg.From()->SetAddress("from@test");
    AMsg.Recipients()->Add()->SetAddress("to@test");
    AMsg.SetSubject("large");
    const std::string line(70, 'x');
    for (int i = 0; i < 40000; ++i)
        AMsg.Body()->Add(line);
}

// The server takes the envelope and the message's first line, then stops reading; once
// the client waits for room to write the rest, the server resets the connection. How
// the client's sending failed.
std::string SendUntilReset(bool AEncrypted)
{
    const TTestCertificates& c = TTestCertificates::Get();
    setenv(MailCAVariable, c.Authority.c_str(), 1);
    const pid_t clientTid = gettid();
    TScriptedServer server([&](TScriptedPeer& APeer) {
        std::unique_ptr<TTlsPeer> tls;
        if (AEncrypted) {
            tls = std::make_unique<TTlsPeer>(APeer, c.Cert, c.Key);
            if (!tls->Accept())
                return;
        }
        const auto say = [&](const std::string& ALine) { tls ? tls->Send(ALine) : APeer.Send(ALine); };
        const auto hear = [&] { return tls ? tls->ReadLine() : APeer.ReadLine(); };
        say("220 ready\r\n");
        for (std::string line; (line = hear()) != "DATA";) {
            if (line.empty())
                return;
            say("250 ok\r\n");
        }
        say("354 go on\r\n");
        hear();
        while (!BlockedIn(clientTid, {SYS_poll, SYS_ppoll, SYS_sendto}))
            std::this_thread::yield();
        APeer.Reset();
    });
    TNetSMTP smtp(nullptr);
    PointAt(smtp, server.Port());
    if (AEncrypted)
        smtp.ImplicitTLSPort = server.Port();
    smtp.Connect();
    // A small send buffer, that the server's few kilobytes of reading do not drain.
    const int32_t room = 16384;
    ws2::setsockopt(dynamic_cast<TNetIOHandlerSocket*>(smtp.IOHandler())->Binding()->Handle(), ws2::SOL_SOCKET,
                    ws2::SO_SNDBUF, reinterpret_cast<const char*>(&room), sizeof room);
    TNetMessage msg(nullptr);
    LargeMessage(msg);
    std::string told = "sent";
    try {
        smtp.Send(&msg);
    } catch (const ENetSocketError& e) {
        told = std::string("socket: ") + e.what();
    } catch (const std::exception& e) {
        told = std::string("other: ") + e.what();
    }
    try {
        smtp.Disconnect();
    } catch (const std::exception&) {
    }
    server.Finish();
    unsetenv(MailCAVariable);
    return told;
}

} // namespace

TEST(TnetTLSSession, ADamagedRecordOrACutOneIsToldAsSuchAfterTheGoodRecordsBeforeIt)
{
    // One bit flipped in the third record; all three come in one read.
    EXPECT_EQ(Received([](TTlsPeer& ATls) {
                  std::string good = ATls.Records("one\r\n");
                  good += ATls.Records("two\r\n");
                  std::string bad = ATls.Records("three\r\n");
                  bad[bad.size() / 2] ^= 0x08;
                  return good + bad;
              }),
              "one|two|TLS: the encrypted connection to 127.0.0.1 broke (decryption failed or bad record mac)");
    // The stream ends in the middle of the second record.
    EXPECT_EQ(Received([](TTlsPeer& ATls) {
                  const std::string good = ATls.Records("one\r\n");
                  const std::string cut = ATls.Records("two\r\n");
                  return good + cut.substr(0, cut.size() / 2);
              }),
              "one|TLS: the encrypted connection to 127.0.0.1 broke (unexpected eof while reading)");
    // A close between records, even without the session's good-bye, is a close.
    EXPECT_EQ(Received([](TTlsPeer& ATls) { return ATls.Records("one\r\n"); }),
              "one|closed: Connection Closed Gracefully.");
}

TEST(TnetTLSSession, AResetInsideARecordIsToldAsTheSameResetInTheClear)
{
    const std::string reset = "one|socket: Socket Error # 10054\r\nConnection reset by peer.";
    EXPECT_EQ(ReadUntilReset(false), reset);
    EXPECT_EQ(ReadUntilReset(true), reset);
}

// A large message's sending waits for the server to read, and the server resets the
// connection: told as that reset, over encryption as in the clear, never as a time-out.
TEST(TnetTLSSession, AResetWhileTheClientWaitsToWriteIsToldAsTheSameResetInTheClear)
{
    const std::string reset = "socket: Socket Error # 10054\r\nConnection reset by peer.";
    EXPECT_EQ(SendUntilReset(false), reset);
    EXPECT_EQ(SendUntilReset(true), reset);
}

// The answer to USER comes with a damaged record behind it: the password is not sent,
// and its write tells the damage, not a close that never happened.
TEST(TnetTLSSession, ADamagedRecordBehindAnAnswerIsWhatTheNextWriteTells)
{
    const TTestCertificates& c = TTestCertificates::Get();
    setenv(MailCAVariable, c.Authority.c_str(), 1);
    std::string afterUser = "nothing read";
    TScriptedServer server([&](TScriptedPeer& APeer) {
        TTlsPeer tls(APeer, c.Cert, c.Key);
        if (!tls.Accept())
            return;
        tls.Send("+OK ready\r\n");
        tls.ReadLine(); // USER
        const std::string good = tls.Records("+OK\r\n");
        std::string bad = tls.Records("+OK logged in\r\n");
        bad[bad.size() / 2] ^= 0x08;
        APeer.Send(good + bad);
        afterUser = tls.ReadLine();
    });
    TNetPOP3 pop(nullptr);
    PointAt(pop, server.Port());
    pop.ImplicitTLSPort = server.Port();
    pop.Username = "user";
    pop.Password = "secret";
    try {
        pop.Connect();
        FAIL() << "logged in";
    } catch (const ENetTLSError& e) {
        EXPECT_EQ(e.Message(), "the encrypted connection to 127.0.0.1 broke (decryption failed or bad record mac)");
    }
    EXPECT_FALSE(pop.Connected());
    server.Finish();
    EXPECT_EQ(afterUser, "");
    unsetenv(MailCAVariable);
}
