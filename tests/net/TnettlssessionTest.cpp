// Failures of an encrypted connection against a scripted server that spoils its
// records: each is told as what it is, also when it arrives behind good records
// that are read first.
#include "Tlspeer.h"
#include "net/Enetexception.h"
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
