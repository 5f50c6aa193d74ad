// The fixture's servers answer on 127.0.0.1: greetings read through the
// socket layer alone.
#include "Mailservers.h"
#include "platform/sock/Winsock.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string Greeting(int port)
{
    ws2::TWSAData data;
    ws2::WSAStartup(0x0202, &data);
    ws2::SOCKET s = ws2::socket(ws2::AF_INET, ws2::SOCK_STREAM, 0);
    ws2::TSockAddrIn a{};
    a.sin_family = ws2::AF_INET;
    a.sin_port = ws2::htons(static_cast<ws2::u_short>(port));
    a.sin_addr.S_addr = ws2::inet_addr("127.0.0.1");
    std::string text;
    if (ws2::connect(s, reinterpret_cast<ws2::TSockAddr*>(&a), sizeof a) == 0) {
        char buf[512];
        while (text.find('\n') == std::string::npos) {
            int n = ws2::recv(s, buf, sizeof buf, 0);
            if (n <= 0)
                break;
            text.append(buf, static_cast<size_t>(n));
        }
    }
    ws2::closesocket(s);
    ws2::WSACleanup();
    return text;
}

} // namespace

TEST(Mailservers, SmtpAndPop3Greet)
{
    const TMailServers& servers = TMailServers::Get();
    ASSERT_NE(servers.SmtpPort, 0) << "the mail server fixture did not run";
    EXPECT_EQ(Greeting(servers.SmtpPort).substr(0, 4), "220 ");
    std::string pop3 = Greeting(servers.Pop3Port);
    EXPECT_EQ(pop3.substr(0, 4), "+OK ");
    // APOP is on offer: the greeting carries a time stamp.
    EXPECT_NE(pop3.find('<'), std::string::npos);
    EXPECT_NE(pop3.find('>'), std::string::npos);
}
