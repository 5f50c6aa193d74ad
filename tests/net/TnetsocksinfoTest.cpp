// SOCKS hand-shakes: version 5 through microsocks and version 4 through dante (the
// fixture's), with the refusals those give; version 4A, which neither speaks, and the
// refusals they never give through a scripted proxy.
#include "Mailservers.h"
#include "Scriptedserver.h"
#include "net/Enetexception.h"
#include "net/Tnetiohandlersocket.h"
#include "net/Tnetsocksinfo.h"
#include "net/Tnettcpconnection.h"

#include <gtest/gtest.h>

namespace {

// A client that reaches 127.0.0.1:ATargetPort through the proxy.
struct TProxiedClient {
    TNetTCPClient Client{nullptr};
    TNetIOHandlerSocket* Handler;
    TProxiedClient(TSocksVersion AVersion, int AProxyPort, const std::string& ATargetHost, int ATargetPort)
    {
        Handler = new TNetIOHandlerSocket(&Client);
        Client.SetIOHandler(Handler);
        TNetSocksInfo* socks = Handler->SocksInfo();
        socks->Version = AVersion;
        socks->Host = "127.0.0.1";
        socks->Port = AProxyPort;
        Client.SetHost(ATargetHost);
        Client.SetPort(ATargetPort);
        Client.SetReadTimeout(5000);
    }
};

} // namespace

TEST(Tnetsocksinfo, Socks5ThroughMicrosocks)
{
    const TMailServers& servers = TMailServers::Get();
    ASSERT_NE(servers.SocksPort, 0);
    {
        TProxiedClient c(svSocks5, servers.SocksPort, "127.0.0.1", servers.SmtpPort);
        c.Client.Connect();
        EXPECT_EQ(c.Client.GetResponse(220), 220);
        c.Client.SendCmd("QUIT", 221);
        c.Client.Disconnect();
    }
    {
        TProxiedClient c(svSocks5, servers.SocksAuthPort, "localhost", servers.Pop3Port);
        TNetSocksInfo* socks = c.Handler->SocksInfo();
        socks->Authentication = saUsernamePassword;
        socks->Username = servers.SocksUser;
        socks->Password = servers.SocksPassword;
        c.Client.Connect();
        c.Client.GetResponse({});
        EXPECT_EQ(c.Client.LastCmdResult()->TextCode(), "+OK");
        c.Client.Disconnect();

        socks->Password = "wrong";
        try {
            c.Client.Connect();
            FAIL();
        } catch (const ENetSocksAuthError& e) {
            EXPECT_EQ(e.Message(), "Authentication error to socks server.");
        }
        EXPECT_FALSE(c.Client.Connected());
        // Lengths that a byte cannot count are refused, not wrapped.
        socks->Password = std::string(256, 'p');
        EXPECT_THROW(c.Client.Connect(), ENetSocksAuthError);
    }
    {
        // The proxy wants a password that is not offered.
        TProxiedClient c(svSocks5, servers.SocksAuthPort, "127.0.0.1", servers.SmtpPort);
        try {
            c.Client.Connect();
            FAIL();
        } catch (const ENetSocksAuthMethodError& e) {
            EXPECT_EQ(e.Message(), "Invalid socks authentication method.");
        }
    }
}

TEST(Tnetsocksinfo, Socks4ThroughDanteAndTheRefusalsOfRealProxies)
{
    const TMailServers& servers = TMailServers::Get();
    ASSERT_NE(servers.Socks4Port, 0);
    {
        TProxiedClient c(svSocks4, servers.Socks4Port, "localhost", servers.SmtpPort);
        c.Handler->SocksInfo()->Username = "user";
        c.Client.Connect();
        EXPECT_EQ(c.Client.GetResponse(220), 220);
        c.Client.SendCmd("QUIT", 221);
        c.Client.Disconnect();
    }
    // A port of this machine where nobody listens, as each proxy reports it.
    int closedPort = 0;
    {
        ws2::TWSAData data;
        ws2::WSAStartup(0x0202, &data);
        ws2::SOCKET probe = LoopbackListener(0, closedPort);
        ws2::closesocket(probe);
        ws2::WSACleanup();
    }
    const struct {
        TSocksVersion Version;
        int Proxy;
        std::string Message;
    } refusals[] = {{svSocks4, servers.Socks4Port, "Request rejected or failed."},
                    {svSocks5, servers.SocksPort, "Connection refused."}};
    for (const auto& r : refusals) {
        TProxiedClient c(r.Version, r.Proxy, "127.0.0.1", closedPort);
        try {
            c.Client.Connect();
            ADD_FAILURE() << r.Message;
        } catch (const ENetSocksError& e) {
            EXPECT_EQ(e.Message(), r.Message);
        }
        EXPECT_FALSE(c.Client.Connected());
    }
}

TEST(Tnetsocksinfo, Socks4ARequestNamesTheHost)
{
    std::string request;
    TScriptedServer proxy([&](TScriptedPeer& p) {
        request = p.ReadBytes(8);
        for (int zeros = 2; zeros > 0;) {
            std::string b = p.ReadBytes(1);
            if (b.empty())
                break;
            request += b;
            if (b[0] == '\0')
                --zeros;
        }
        p.Send(std::string("\0\x5a\0\0\0\0\0\0", 8));
        p.Send("220 through the proxy\r\n");
    });
    TProxiedClient c(svSocks4A, proxy.Port(), "localhost", 0x1234);
    c.Handler->SocksInfo()->Username = "user";
    c.Client.Connect();
    EXPECT_EQ(c.Client.GetResponse(220), 220);
    c.Client.Disconnect();
    EXPECT_EQ(request, std::string("\x04\x01\x12\x34\0\0\0\x01user\0localhost\0", 23));
}

TEST(Tnetsocksinfo, RefusalsOfTheProxy)
{
    struct TCase {
        TSocksVersion Version;
        std::string Reply;
        std::string Message;
    };
    const TCase cases[] = {
        {svSocks4, std::string("\0\x5c\0\0\0\0\0\0", 8), "Request rejected because SOCKS server cannot connect."},
        {svSocks4, std::string("\0\x5d\0\0\0\0\0\0", 8),
         "Request rejected because the client program and identd report different user-ids."},
        {svSocks4, std::string("\0\x01\0\0\0\0\0\0", 8), "Unknown socks error."},
        {svSocks5, std::string("\x05\xff", 2), "Invalid socks authentication method."},
        {svSocks5, std::string("\x05\0\x05\x01\0\x01\0", 7), "General SOCKS server failure."},
        {svSocks5, std::string("\x05\0\x05\x06\0\x01\0", 7), "TTL expired."},
        {svSocks5, std::string("\x05\0\x05\x02\0\x01\0", 7), "Connection not allowed by ruleset."},
        {svSocks5, std::string("\x05\0\x05\x09\0\x01\0", 7), "Unknown socks error."},
        {svSocks5, std::string("\x05\0", 2), "Socks server did not respond."},
    };
    for (const TCase& t : cases) {
        TScriptedServer proxy([&](TScriptedPeer& p) {
            p.ReadBytes(t.Version == svSocks5 ? 3 : 9);
            p.Send(t.Reply);
            if (t.Version == svSocks5)
                p.ReadBytes(7 + 9);
        });
        TProxiedClient c(t.Version, proxy.Port(), "localhost", 25);
        try {
            c.Client.Connect();
            ADD_FAILURE() << t.Message;
        } catch (const ENetSocksError& e) {
            EXPECT_EQ(e.Message(), t.Message);
        }
        EXPECT_FALSE(c.Client.Connected());
    }
}

TEST(Tnetsocksinfo, ASocks5ReplyIsReadToItsEnd)
{
    std::string request;
    TScriptedServer proxy([&](TScriptedPeer& p) {
        request = p.ReadBytes(3);
        p.Send(std::string("\x05\x00", 2));
        request += p.ReadBytes(7 + 9);
        // Success with an 11-character domain name as the bound address: 18 bytes.
        p.Send(std::string("\x05\0\0\x03\x0b", 5) + "example.com" + std::string("\x04\x38", 2));
        p.Send("220 after the reply\r\n");
    });
    TProxiedClient c(svSocks5, proxy.Port(), "localhost", 25);
    c.Client.Connect();
    EXPECT_EQ(c.Client.GetResponse(220), 220);
    EXPECT_EQ(c.Client.LastCmdResult()->Text()->Strings(0), "after the reply");
    EXPECT_EQ(request, std::string("\x05\x01\x00\x05\x01\x00\x03\x09localhost\x00\x19", 19));
    c.Client.Disconnect();
}
