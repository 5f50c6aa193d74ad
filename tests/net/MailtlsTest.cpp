// Encrypted mail against the fixture's real servers: STARTTLS and STLS where the
// servers offer them, ports 465 and 995 encrypted from the start, and a refused
// certificate that ends the connection before the password is sent.
#include "Mailservers.h"
#include "Netpeer.h"
#include "net/Enetexception.h"
#include "net/Tnetmessage.h"
#include "net/Tnetmessageparts.h"
#include "net/Tnetpop3.h"
#include "net/Tnetsmtp.h"
#include "net/Tnettlssession.h"
#include "tests/support/Testsupport.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

const TMailServers& Servers()
{
    const TMailServers& s = TMailServers::Get();
    if (s.SmtpStartTLSPort == 0)
        ADD_FAILURE() << "the mail server fixture did not run";
    return s;
}

// The run's certificate authority trusted (or not) while it lives.
class TTrusted {
public:
    explicit TTrusted(bool ATrusted)
    {
        if (ATrusted)
            setenv(MailCAVariable, Servers().MailCA.c_str(), 1);
        else
            unsetenv(MailCAVariable);
    }
    ~TTrusted() { unsetenv(MailCAVariable); }
};

void Configure(TNetTCPClient& AClient, const std::string& AHost, int APort, const std::string& AUser)
{
    AClient.SetHost(AHost);
    AClient.SetPort(APort);
    AClient.Username = AUser;
    AClient.Password = Servers().Password;
    AClient.SetReadTimeout(20000);
}

// A server's log once `AWhat` stands in it: the log is written by another process.
std::string LogWith(const std::string& AFile, const std::string& AWhat)
{
    std::string log;
    testsupport::Eventually([&] {
        log = netpeer::ReadFile(AFile);
        return log.find(AWhat) != std::string::npos;
    });
    return log;
}

struct TRoad {
    std::string Host;
    int SmtpPort;
    int Pop3Port;
};

std::vector<TRoad> Roads()
{
    std::vector<TRoad> roads = {{"127.0.0.1", Servers().SmtpStartTLSPort, Servers().Pop3STLSPort}};
    if (!Servers().TLSHost.empty())
        roads.push_back({Servers().TLSHost, 465, 995});
    else
        ADD_FAILURE() << "the fixture has no loopback address of its own for ports 465 and 995 (not root?)";
    return roads;
}

} // namespace

TEST(MailTLS, AMessageGoesEncryptedByStartTLSAndByPort465AndComesBackByStlsAndByPort995)
{
    const TTrusted trusted(true);
    const std::string folder = netpeer::TestFolder("mailtls-roads");
    const std::string bytes = netpeer::RandomBytes(200000, 43);
    netpeer::WriteFile(folder + "/post.cab", bytes);
    for (const TRoad& road : Roads()) {
        SCOPED_TRACE(road.Host + ":" + std::to_string(road.SmtpPort));
        TNetSMTP smtp(nullptr);
        Configure(smtp, road.Host, road.SmtpPort, "tls");
        smtp.Connect();
        EXPECT_EQ(smtp.TLSVersion(), "TLS 1.3");
        ASSERT_TRUE(smtp.IsAuthProtocolAvailable(atLogin));
        smtp.SetAuthenticationType(atLogin);
        smtp.Authenticate();
        TNetMessage msg(nullptr);
        msg.From()->SetAddress("sender@quillaran.test");
        msg.Recipients()->Add()->SetAddress("tls@quillaran.test");
        msg.SetSubject("Quillaran### over " + road.Host);
        new TNetAttachment(msg.MessageParts(), folder + "/post.cab");
        smtp.Send(&msg);
        smtp.Disconnect();

        TNetPOP3 pop(nullptr);
        Configure(pop, road.Host, road.Pop3Port, "tls");
        pop.Connect();
        EXPECT_EQ(pop.TLSVersion(), "TLS 1.3");
        ASSERT_EQ(pop.CheckMessages(), 1);
        TNetMessage received(nullptr);
        ASSERT_TRUE(pop.Retrieve(1, &received));
        EXPECT_EQ(received.Subject(), "Quillaran### over " + road.Host);
        TNetAttachment* attachment = nullptr;
        for (int i = 0; i < received.MessageParts()->Count(); ++i)
            if (auto* a = dynamic_cast<TNetAttachment*>(received.MessageParts()->Items(i)))
                attachment = a;
        ASSERT_NE(attachment, nullptr);
        const std::string saved = folder + "/" + road.Host + ".cab";
        attachment->SaveToFile(saved);
        EXPECT_TRUE(netpeer::ReadFile(saved) == bytes);
        EXPECT_TRUE(pop.Delete(1));
        pop.Disconnect();
    }
}

TEST(MailTLS, AnUnknownAuthorityOrAnotherHostsCertificateIsRefusedBeforeThePassword)
{
    const TMailServers& s = Servers();
    struct TCase {
        bool Trusted;
        std::string Host;
        int Port;
        bool Pop3;
        std::string Reason;
    };
    std::vector<TCase> cases = {
        {false, "127.0.0.1", s.SmtpStartTLSPort, false, "unable to get local issuer certificate"},
        {false, "127.0.0.1", s.Pop3STLSPort, true, "unable to get local issuer certificate"},
        // localhost is this machine too, but the certificate names only its addresses.
        {true, "localhost", s.SmtpStartTLSPort, false, "hostname mismatch"},
        {true, "localhost", s.Pop3STLSPort, true, "hostname mismatch"},
    };
    if (!s.TLSHost.empty()) {
        cases.push_back({false, s.TLSHost, 465, false, "unable to get local issuer certificate"});
        cases.push_back({false, s.TLSHost, 995, true, "unable to get local issuer certificate"});
    }
    for (const TCase& c : cases) {
        const TTrusted trusted(c.Trusted);
        const std::string server = c.Host + ":" + std::to_string(c.Port);
        SCOPED_TRACE(server);
        TNetSMTP smtp(nullptr);
        TNetPOP3 pop(nullptr);
        TNetTCPClient& client = c.Pop3 ? static_cast<TNetTCPClient&>(pop) : smtp;
        Configure(client, c.Host, c.Port, "tlsrefused");
        try {
            if (c.Pop3)
                pop.Connect();
            else {
                smtp.Connect();
                smtp.SetAuthenticationType(atLogin);
                smtp.Authenticate();
            }
            ADD_FAILURE() << "connected";
        } catch (const ENetCertificateRefused& e) {
            EXPECT_EQ(std::string(e.what()),
                      std::string(c.Pop3 ? "POP3" : "SMTP") + " server " + server +
                          ": the certificate is not valid for " + c.Host + " (" + c.Reason + ")");
        }
        EXPECT_FALSE(client.Connected());
    }

    // The servers log every log-in: the one that follows is there, none before it.
    const TTrusted trusted(true);
    TNetSMTP smtp(nullptr);
    Configure(smtp, "127.0.0.1", s.SmtpStartTLSPort, "tlsrefused");
    smtp.Connect();
    smtp.SetAuthenticationType(atLogin);
    smtp.Authenticate();
    smtp.Disconnect();
    TNetPOP3 pop(nullptr);
    Configure(pop, "127.0.0.1", s.Pop3STLSPort, "tlsrefused");
    pop.Connect();
    pop.Disconnect();
    const std::string smtpLog = LogWith(s.State + "/smtp.log", "AUTH tlsrefused");
    EXPECT_EQ(smtpLog.find("AUTH tlsrefused"), smtpLog.rfind("AUTH tlsrefused"));
    const std::string popLog = LogWith(s.State + "/dovecot-tls.log", "Login: user=<tlsrefused>");
    EXPECT_EQ(popLog.find("tlsrefused"), popLog.find("Login: user=<tlsrefused>") + 13) << popLog;
}

// A file of further authorities that cannot serve is named with the reason, before
// anything is sent; once the variable names the right one, the same process connects.
TEST(MailTLS, AnUnreadableAuthoritiesFileIsNamedWithItsReason)
{
    const TMailServers& s = Servers();
    const TTrusted untrusted(false); // the variable is unset again at the end
    const std::string folder = netpeer::TestFolder("mailtls-authorities");
    netpeer::WriteFile(folder + "/notes.pem", "not a certificate\n");
    const std::string server = "POP3 server 127.0.0.1:" + std::to_string(s.Pop3STLSPort);
    const std::pair<std::string, std::string> cases[] = {
        {folder + "/missing.pem", "No such file or directory"},
        {folder + "/notes.pem", "it holds no certificate"},
    };
    for (const auto& [file, reason] : cases) {
        SCOPED_TRACE(file);
        setenv(MailCAVariable, file.c_str(), 1);
        TNetPOP3 pop(nullptr);
        Configure(pop, "127.0.0.1", s.Pop3STLSPort, "tlsrefused");
        try {
            pop.Connect();
            ADD_FAILURE() << "connected";
        } catch (const ENetTLSError& e) {
            EXPECT_EQ(std::string(e.what()),
                      server + ": " + std::string(MailCAVariable) + " names " + file + ", which could not be read (" +
                          reason + ")");
        }
        EXPECT_FALSE(pop.Connected());
    }
    const TTrusted trusted(true);
    TNetPOP3 pop(nullptr);
    Configure(pop, "127.0.0.1", s.Pop3STLSPort, "tlsrefused");
    pop.Connect();
    EXPECT_EQ(pop.TLSVersion(), "TLS 1.3");
    pop.Disconnect();
}
