// Failures of an encrypted connection against a scripted server that spoils its
// records: each is told as what it is, also when it arrives behind good records
// that are read first.
#include "Tlspeer.h"
#include "net/Enetexception.h"
#include "net/Tnetpop3.h"
#include "net/Tnettcpconnection.h"
#include "net/Tnettlssession.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>

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
