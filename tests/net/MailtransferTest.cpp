// Our SMTP client sends to aiosmtpd, dovecot serves the mailbox, our POP3
// client fetches: the round trip and the failures of real servers.
#include "Mailservers.h"
#include "Netpeer.h"
#include "net/Enetexception.h"
#include "net/Tnetmessage.h"
#include "net/Tnetmessageparts.h"
#include "net/Tnetpop3.h"
#include "net/Tnetsmtp.h"

#include <gtest/gtest.h>

namespace {

const TMailServers& Servers()
{
    const TMailServers& s = TMailServers::Get();
    if (s.SmtpPort == 0)
        ADD_FAILURE() << "the mail server fixture did not run";
    return s;
}

void Configure(TNetTCPClient& AClient, int APort, const std::string& AUser)
{
    AClient.SetHost("127.0.0.1");
    AClient.SetPort(APort);
    AClient.Username = AUser;
    AClient.Password = Servers().Password;
    AClient.SetReadTimeout(20000);
}

// Connects as the post office does: no authentication first, AUTH LOGIN when offered.
void ConnectSmtp(TNetSMTP& ASmtp, const std::string& AUser)
{
    Configure(ASmtp, Servers().SmtpPort, AUser);
    ASmtp.SetAuthenticationType(atNone);
    ASmtp.Connect();
    if (ASmtp.AuthSchemesSupported()->IndexOf("LOGIN") >= 0) {
        ASmtp.SetAuthenticationType(atLogin);
        ASmtp.Authenticate();
    }
}

void FillMessage(TNetMessage& AMsg, const std::string& ATo, const std::string& AAttachment)
{
    AMsg.From()->SetAddress("sender@quillaran.test");
    AMsg.Recipients()->Add()->SetAddress(ATo);
    AMsg.SetSubject("Quillaran### 2026.12.07 1");
    auto* text = new TNetText(AMsg.MessageParts());
    text->Body()->Add("A part of the post.");
    text->Body()->Add(".a line that begins with a dot");
    new TNetAttachment(AMsg.MessageParts(), AAttachment);
}

int32_t MessageCount(const std::string& AUser)
{
    TNetPOP3 pop(nullptr);
    Configure(pop, Servers().Pop3Port, AUser);
    pop.Connect();
    const int32_t count = pop.CheckMessages();
    pop.Disconnect();
    return count;
}

} // namespace

TEST(Mailtransfer, RoundTripOfABinaryAttachment)
{
    const std::string folder = netpeer::TestFolder("mailtransfer-roundtrip");
    std::string bytes = netpeer::RandomBytes(300000, 13);
    for (int i = 0; i < 256; ++i)
        bytes += static_cast<char>(i);
    bytes += "\r\n.\r\n..\n.";
    netpeer::WriteFile(folder + "/post.cab", bytes);

    TNetSMTP smtp(nullptr);
    ConnectSmtp(smtp, "roundtrip");
    EXPECT_TRUE(smtp.DidAuthenticate());
    TNetMessage msg(nullptr);
    FillMessage(msg, "roundtrip@quillaran.test", folder + "/post.cab");
    smtp.Send(&msg);
    smtp.Disconnect();

    // A message past the size bound is refused while it arrives, and stays on the server.
    {
        TNetPOP3 bounded(nullptr);
        Configure(bounded, Servers().Pop3Port, "roundtrip");
        bounded.Connect();
        bounded.MaxMessageSize = 100000;
        TNetMessage big(nullptr);
        try {
            bounded.Retrieve(1, &big);
            ADD_FAILURE() << "read past the bound";
        } catch (const ENetMessageTooLarge& e) {
            EXPECT_STREQ(e.what(), "The message is larger than the limit of 100000 bytes");
        }
        bounded.Disconnect();
    }

    TNetPOP3 pop(nullptr);
    Configure(pop, Servers().Pop3Port, "roundtrip");
    pop.Connect();
    ASSERT_EQ(pop.CheckMessages(), 1);
    EXPECT_GT(pop.RetrieveMsgSize(1), 400000);
    TNetMessage header(nullptr);
    ASSERT_TRUE(pop.RetrieveHeader(1, &header));
    EXPECT_EQ(header.Subject(), "Quillaran### 2026.12.07 1");
    EXPECT_EQ(header.MessageParts()->Count(), 0);

    TNetMessage received(nullptr);
    ASSERT_TRUE(pop.Retrieve(1, &received));
    EXPECT_EQ(received.Subject(), "Quillaran### 2026.12.07 1");
    EXPECT_EQ(received.From()->Address(), "sender@quillaran.test");
    TNetAttachment* attachment = nullptr;
    TNetText* text = nullptr;
    for (int i = 0; i < received.MessageParts()->Count(); ++i) {
        if (auto* a = dynamic_cast<TNetAttachment*>(received.MessageParts()->Items(i)))
            attachment = a;
        if (auto* t = dynamic_cast<TNetText*>(received.MessageParts()->Items(i)))
            text = t;
    }
    ASSERT_NE(attachment, nullptr);
    EXPECT_EQ(attachment->FileName(), "post.cab");
    attachment->SaveToFile(folder + "/saved.cab");
    EXPECT_TRUE(netpeer::ReadFile(folder + "/saved.cab") == bytes);
    ASSERT_NE(text, nullptr);
    ASSERT_GE(text->Body()->Count(), 2);
    EXPECT_EQ(text->Body()->Strings(1), ".a line that begins with a dot");

    EXPECT_TRUE(pop.Delete(1));
    pop.Disconnect();
    EXPECT_EQ(MessageCount("roundtrip"), 0);
}

TEST(Mailtransfer, ApopLogin)
{
    TNetSMTP smtp(nullptr);
    ConnectSmtp(smtp, "apop");
    TNetMessage msg(nullptr);
    msg.From()->SetAddress("sender@quillaran.test");
    msg.Recipients()->Add()->SetAddress("apop@quillaran.test");
    msg.SetSubject("apop");
    new TNetText(msg.MessageParts());
    smtp.Send(&msg);
    smtp.Disconnect();

    TNetPOP3 pop(nullptr);
    Configure(pop, Servers().Pop3Port, "apop");
    pop.APOP = true;
    pop.Connect();
    ASSERT_EQ(pop.CheckMessages(), 1);
    EXPECT_TRUE(pop.Delete(1));
    pop.Disconnect();

    // Failed logins make dovecot slow down later ones from the same address:
    // they come from an address of their own.
    pop.BoundIP = "127.0.0.2";
    pop.Password = "wrong";
    try {
        pop.Connect();
        FAIL() << "a wrong APOP digest was accepted";
    } catch (const ENetProtocolReplyError& e) {
        EXPECT_EQ(e.ReplyErrorCode(), 2);
    }
    EXPECT_FALSE(pop.Connected());
}

TEST(Mailtransfer, WrongPasswordsAndARefusedRecipient)
{
    TNetSMTP smtp(nullptr);
    Configure(smtp, Servers().SmtpPort, "faults");
    smtp.Password = "wrong";
    smtp.Connect();
    smtp.SetAuthenticationType(atLogin);
    try {
        smtp.Authenticate();
        FAIL() << "a wrong SMTP password was accepted";
    } catch (const ENetProtocolReplyError& e) {
        EXPECT_EQ(e.ReplyErrorCode(), 535);
    }
    smtp.Disconnect();

    TNetPOP3 pop(nullptr);
    Configure(pop, Servers().Pop3Port, "faults");
    pop.BoundIP = "127.0.0.3";
    pop.Password = "wrong";
    try {
        pop.Connect();
        FAIL() << "a wrong POP3 password was accepted";
    } catch (const ENetProtocolReplyError& e) {
        EXPECT_EQ(e.ReplyErrorCode(), 2);
        EXPECT_NE(e.Message().find("Authentication failed"), std::string::npos) << e.Message();
    }
    EXPECT_FALSE(pop.Connected());

    // A refused recipient stops the sending before DATA; the next message on
    // the same connection goes through.
    ConnectSmtp(smtp, "faults");
    TNetMessage msg(nullptr);
    msg.From()->SetAddress("sender@quillaran.test");
    msg.Recipients()->Add()->SetAddress("faults@quillaran.test");
    msg.Recipients()->Add()->SetAddress("nobody@quillaran.test");
    msg.SetSubject("refused");
    new TNetText(msg.MessageParts());
    try {
        smtp.Send(&msg);
        FAIL() << "a refused recipient was not reported";
    } catch (const ENetProtocolReplyError& e) {
        EXPECT_EQ(e.ReplyErrorCode(), 550);
        EXPECT_NE(e.Message().find("no such mailbox"), std::string::npos);
    }
    EXPECT_TRUE(smtp.Connected());
    msg.Recipients()->Clear();
    msg.Recipients()->Add()->SetAddress("faults@quillaran.test");
    smtp.Send(&msg);
    smtp.Disconnect();

    Configure(pop, Servers().Pop3Port, "faults");
    pop.BoundIP.clear();
    pop.Connect();
    ASSERT_EQ(pop.CheckMessages(), 1);
    pop.Delete(1);
    pop.Disconnect();
}
