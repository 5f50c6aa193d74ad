// Replies, and the SMTP and POP3 dialogues against scripted servers: the exact
// lines our clients send and how they read what the servers answer.
#include "Scriptedserver.h"
#include "net/Enetexception.h"
#include "net/Tnethash.h"
#include "net/Tnetmessage.h"
#include "net/Tnetmessageparts.h"
#include "net/Tnetpop3.h"
#include "net/Tnetsmtp.h"
#include "platform/rtl/Strutil.h"

#include <gtest/gtest.h>

namespace {

// Answers each command with the reply its prefix names ("" for QUIT: no reply).
void Answer(TScriptedPeer& APeer, const std::vector<std::pair<std::string, std::string>>& AReplies)
{
    for (;;) {
        const std::string line = APeer.ReadLine();
        if (line.empty() || line == "QUIT")
            return;
        if (line == "DATA") {
            APeer.Send("354 go on\r\n");
            while (APeer.ReadLine() != ".") {
            }
            APeer.Send("250 queued\r\n");
            continue;
        }
        std::string reply = "500 unexpected\r\n";
        for (const auto& [prefix, answer] : AReplies)
            if (line.compare(0, prefix.size(), prefix) == 0) {
                reply = answer;
                break;
            }
        APeer.Send(reply);
    }
}

} // namespace

TEST(Tnetrfcreply, ParsingAndChecking)
{
    TNetRFCReply reply;
    reply.ParseResponse({"250-first", "250-second", "250 last"});
    EXPECT_EQ(reply.NumericCode(), 250);
    EXPECT_EQ(reply.Text()->Text(), "first\r\nsecond\r\nlast\r\n");
    reply.ParseResponse({"+OK 3 1200"});
    EXPECT_EQ(reply.TextCode(), "+OK");
    EXPECT_EQ(reply.NumericCode(), 0);
    EXPECT_EQ(reply.Text()->Strings(0), "3 1200");
    reply.ParseResponse({"-ERR no such message"});
    EXPECT_EQ(reply.TextCode(), "-ERR");
    EXPECT_EQ(reply.Text()->Strings(0), " no such message");
    reply.SetNumericCode(354);
    EXPECT_EQ(reply.TextCode(), "354");
    TNetRFCReply copy;
    reply.AssignTo(&copy);
    EXPECT_EQ(copy.NumericCode(), 354);
    EXPECT_EQ(copy.Text()->Count(), 1);

    TScriptedServer server([](TScriptedPeer& p) {
        p.Send("220 ready\r\n");
        p.ReadLine();
        p.Send("251-forwarded\r\n251-to\r\n251 elsewhere\r\n");
        p.ReadLine();
        p.Send("550 unknown user\r\n");
        p.ReadLine();
        p.Send("ok\r\n");
    });
    TNetTCPClient client(nullptr);
    PointAt(client, server.Port());
    client.Connect();
    EXPECT_EQ(client.GetResponse(220), 220);
    EXPECT_EQ(client.LastCmdResult()->Text()->Strings(0), "ready");
    EXPECT_EQ(client.SendCmd("A", {250, 251}), 251);
    EXPECT_EQ(client.LastCmdResult()->Text()->Count(), 3);
    try {
        client.SendCmd("B", {250, 251});
        FAIL();
    } catch (const ENetProtocolReplyError& e) {
        EXPECT_EQ(e.ReplyErrorCode(), 550);
        EXPECT_EQ(e.Message(), "unknown user\r\n");
    }
    // A reply without a numeric code fails a numeric check.
    EXPECT_THROW(client.SendCmd("C", 250), ENetProtocolReplyError);
    client.Disconnect();
}

TEST(Tnetsmtp, EhloFallsBackToHeloAndTheEnvelopeGoesInOrder)
{
    TScriptedServer server([](TScriptedPeer& p) {
        p.Send("220 mail.test ESMTP\r\n");
        Answer(p, {{"EHLO", "500 what\r\n"}, {"HELO", "250 hello\r\n"}, {"RSET", "250 ok\r\n"},
                   {"MAIL FROM", "250 ok\r\n"}, {"RCPT TO", "250 ok\r\n"}});
    });
    TNetSMTP smtp(nullptr);
    PointAt(smtp, server.Port());
    smtp.HeloName = "client.test";
    smtp.MailAgent = "Quillaran";
    smtp.SetAuthenticationType(atLogin);
    smtp.Connect();
    EXPECT_EQ(smtp.AuthSchemesSupported()->Count(), 0);
    TNetMessage msg(nullptr);
    msg.From()->SetAddress("from@test");
    msg.From()->SetName("The Sender");
    msg.Recipients()->Add()->SetAddress("a@test");
    msg.Recipients()->Add()->SetAddress("b@test");
    msg.CCList()->Add()->SetAddress("c@test");
    msg.BccList()->Add()->SetAddress("d@test");
    msg.SetSubject("s");
    new TNetText(msg.MessageParts());
    smtp.Send(&msg);
    smtp.Disconnect();
    const std::string wire = server.Finish();
    const size_t data = wire.find("DATA\r\n");
    ASSERT_NE(data, std::string::npos);
    EXPECT_EQ(wire.substr(0, data),
              "EHLO client.test\r\nHELO client.test\r\nRSET\r\nMAIL FROM:<from@test>\r\n"
              "RCPT TO:<a@test>\r\nRCPT TO:<b@test>\r\nRCPT TO:<c@test>\r\nRCPT TO:<d@test>\r\n");
    EXPECT_NE(wire.find("\r\nX-Mailer: Quillaran\r\n"), std::string::npos);
    EXPECT_EQ(wire.substr(wire.size() - 11), "\r\n.\r\nQUIT\r\n");
}

TEST(Tnetsmtp, AuthSchemesAndLogin)
{
    TScriptedServer server([](TScriptedPeer& p) {
        p.Send("220 hi\r\n");
        Answer(p, {{"EHLO", "250-mail.test\r\n250-AUTH LOGIN PLAIN\r\n250-auth=login cram-md5\r\n250 SIZE\r\n"},
                   {"AUTH LOGIN", "334 VXNlcm5hbWU6\r\n"},
                   {"dXNlcg==", "334 UGFzc3dvcmQ6\r\n"},
                   {"c2VjcmV0", "235 fine\r\n"},
                   {"RSET", "250 ok\r\n"},
                   {"MAIL", "250 ok\r\n"},
                   {"RCPT", "250 ok\r\n"}});
    });
    TNetSMTP smtp(nullptr);
    PointAt(smtp, server.Port());
    smtp.Username = "user";
    smtp.Password = "secret";
    smtp.SetAuthenticationType(atLogin);
    smtp.Connect();
    EXPECT_EQ(smtp.AuthSchemesSupported()->CommaText(), "LOGIN,PLAIN,CRAM-MD5");
    EXPECT_TRUE(smtp.IsAuthProtocolAvailable(atLogin));
    TNetMessage msg(nullptr);
    msg.From()->SetAddress("from@test");
    msg.Recipients()->Add()->SetAddress("a@test");
    new TNetText(msg.MessageParts());
    smtp.Send(&msg);
    EXPECT_TRUE(smtp.DidAuthenticate());
    smtp.Send(&msg); // logged in once per connection
    smtp.Disconnect();
    EXPECT_FALSE(smtp.DidAuthenticate());
    const std::string wire = server.Finish();
    size_t logins = 0;
    for (size_t p = wire.find("AUTH LOGIN"); p != std::string::npos; p = wire.find("AUTH LOGIN", p + 1))
        ++logins;
    EXPECT_EQ(logins, 1u);
    EXPECT_NE(wire.find("RSET\r\nAUTH LOGIN\r\ndXNlcg==\r\nc2VjcmV0\r\nMAIL FROM:<from@test>\r\n"), std::string::npos);

    // The setters keep each other consistent.
    smtp.SetUseEhlo(false);
    EXPECT_EQ(smtp.AuthenticationType(), atNone);
    smtp.SetAuthenticationType(atLogin);
    EXPECT_TRUE(smtp.UseEhlo());
}

TEST(Tnetsmtp, EnvelopeAddressesCannotInjectCommands)
{
    TScriptedServer server([](TScriptedPeer& p) {
        p.Send("220 hi\r\n");
        Answer(p, {{"EHLO", "250 ok\r\n"}, {"RSET", "250 ok\r\n"}, {"MAIL", "250 ok\r\n"}, {"RCPT", "250 ok\r\n"}});
    });
    TNetSMTP smtp(nullptr);
    PointAt(smtp, server.Port());
    smtp.Connect();
    for (const std::string bad : {"a@test>\r\nRCPT TO:<victim@test", "a@test\nDATA", "<a@test", "a@te>st"}) {
        TNetMessage msg(nullptr);
        msg.From()->SetAddress("from@test");
        msg.Recipients()->Add()->SetAddress("ok@test");
        msg.BccList()->Add()->SetAddress(bad);
        new TNetText(msg.MessageParts());
        EXPECT_THROW(smtp.Send(&msg), ENetException) << bad;
        TNetMessage msg2(nullptr);
        msg2.From()->SetAddress(bad);
        msg2.Recipients()->Add()->SetAddress("ok@test");
        EXPECT_THROW(smtp.Send(&msg2), ENetException) << bad;
    }
    smtp.Disconnect();
    EXPECT_EQ(server.Finish(), "EHLO " + smtp.GetLocalName() + "\r\nQUIT\r\n");
}

TEST(Tnetsmtp, AServerThatClosesEarly)
{
    TScriptedServer server([](TScriptedPeer& p) {
        p.Send("220 hi\r\n");
        p.ReadLine();
        p.Send("250 ok\r\n");
        p.ReadLine();
        p.Close(); // gone after RSET
    });
    TNetSMTP smtp(nullptr);
    PointAt(smtp, server.Port());
    smtp.Connect();
    TNetMessage msg(nullptr);
    msg.From()->SetAddress("from@test");
    msg.Recipients()->Add()->SetAddress("a@test");
    EXPECT_THROW(smtp.Send(&msg), ENetConnClosedGracefully);
    smtp.Disconnect();
}

TEST(Tnetpop3, DialogueRepliesAndApop)
{
    const std::string stamp = "<1896.697170952@dbc.mtview.ca.us>";
    int stats = 0;
    TScriptedServer server([&](TScriptedPeer& p) {
        p.Send("+OK POP3 server ready " + stamp + " more\r\n");
        for (;;) {
            const std::string line = p.ReadLine();
            if (line.empty() || line == "QUIT")
                return;
            if (line == "CAPA")
                p.Send("-ERR unknown command\r\n"); // a server before capabilities, so no STLS
            else if (line.rfind("APOP", 0) == 0)
                p.Send("+OK maildrop has 2 messages\r\n");
            else if (line == "STAT")
                p.Send(++stats == 1 ? "+ok 2 320\r\n" : "+OK 2\r\n");
            else if (line == "LIST 1")
                p.Send("+OK 1 120\r\n");
            else if (line == "LIST 2")
                p.Send("+OK\r\n");
            else if (line == "RETR 2")
                p.Send("-ERR no such message\r\n");
            else if (line == "DELE 2")
                p.Send("-ERR no such message\r\n");
            else if (line == "TOP 1 0")
                p.Send("+OK\r\nSubject: hello\r\nFrom: a@test\r\n\r\n.\r\n");
            else if (line == "RETR 1")
                p.Send("+OK\r\nSubject: only a header\r\n.\r\n");
            else if (line == "NOOP")
                p.Send("*ERR what\r\n");
        }
    });
    TNetPOP3 pop(nullptr);
    PointAt(pop, server.Port());
    pop.Username = "mrose";
    pop.Password = "tanstaaf";
    pop.APOP = true;
    pop.Connect();
    EXPECT_EQ(pop.CheckMessages(), 2);
    EXPECT_THROW(pop.CheckMessages(), EConvertError); // no blank, so no count
    EXPECT_EQ(pop.RetrieveMsgSize(1), 120);
    EXPECT_EQ(pop.RetrieveMsgSize(2), -1);
    TNetMessage header(nullptr);
    EXPECT_TRUE(pop.RetrieveHeader(1, &header));
    EXPECT_EQ(header.Subject(), "hello");
    TNetMessage whole(nullptr);
    EXPECT_TRUE(pop.Retrieve(1, &whole));
    EXPECT_EQ(whole.Subject(), "only a header");
    EXPECT_FALSE(pop.Retrieve(2, &whole));
    try {
        pop.Delete(2);
        FAIL();
    } catch (const ENetProtocolReplyError& e) {
        EXPECT_EQ(e.ReplyErrorCode(), 2);
    }
    try {
        pop.SendCmd("NOOP", 1);
        FAIL();
    } catch (const ENetProtocolReplyError&) {
        FAIL() << "an unrecognised reply is no reply error";
    } catch (const ENetException& e) {
        EXPECT_EQ(e.Message(), "Unrecognized POP3 Response Header:\n\" what\"");
    }
    pop.Disconnect();
    const std::string wire = server.Finish();
    TNetHashMessageDigest5 md5;
    const std::string digest = LowerCase(TNetHash128::AsHex(md5.HashValue(stamp + "tanstaaf")));
    EXPECT_EQ(digest, "c4c9334bac560ecc979e58001b3e22fb"); // the example of the POP3 standard
    EXPECT_EQ(wire.substr(0, wire.find("\r\n", 6)), "CAPA\r\nAPOP mrose " + digest);
    EXPECT_EQ(wire.substr(wire.size() - 6), "QUIT\r\n");
}

TEST(Tnetpop3, ApopWithoutATimeStamp)
{
    TScriptedServer server([](TScriptedPeer& p) {
        p.Send("+OK ready <no stamp\r\n");
        p.ReadLine();
        p.Send("+OK\r\nUSER\r\n.\r\n");
        p.ReadLine();
    });
    TNetPOP3 pop(nullptr);
    PointAt(pop, server.Port());
    pop.APOP = true;
    try {
        pop.Connect();
        FAIL();
    } catch (const ENetException& e) {
        EXPECT_EQ(e.Message(), "Server do not support APOP (no timestamp)");
    }
    EXPECT_FALSE(pop.Connected());
    EXPECT_EQ(server.Finish(), "CAPA\r\nQUIT\r\n");
}

namespace {

// A server that offers encryption answers the request with AAnswer: the connection
// ends before anything else is sent, and ATold (after the server's name) is what the
// user is told.
void ExpectSmtpEncryptionEnded(const std::string& AAnswer, const std::string& ATold)
{
    TScriptedServer server([&](TScriptedPeer& p) {
        p.Send("220 ready\r\n");
        p.ReadLine(); // EHLO
        p.Send("250-mail.test\r\n250-STARTTLS\r\n250 AUTH LOGIN\r\n");
        p.ReadLine(); // STARTTLS
        p.Send(AAnswer);
        p.ReadLine(); // QUIT, and nothing after it
    });
    TNetSMTP smtp(nullptr);
    PointAt(smtp, server.Port());
    smtp.HeloName = "client.test";
    try {
        smtp.Connect();
        FAIL() << "connected";
    } catch (const ENetTLSError& e) {
        EXPECT_EQ(e.Message(), "SMTP server 127.0.0.1:" + std::to_string(server.Port()) + ATold);
    }
    EXPECT_FALSE(smtp.Connected());
    EXPECT_EQ(server.Finish(), "EHLO client.test\r\nSTARTTLS\r\nQUIT\r\n");
}

void ExpectPop3EncryptionEnded(const std::string& AAnswer, const std::string& ATold)
{
    TScriptedServer server([&](TScriptedPeer& p) {
        p.Send("+OK ready\r\n");
        p.ReadLine(); // CAPA
        p.Send("+OK\r\nSTLS\r\nUSER\r\n.\r\n");
        p.ReadLine(); // STLS
        p.Send(AAnswer);
        p.ReadLine();
    });
    TNetPOP3 pop(nullptr);
    PointAt(pop, server.Port());
    pop.Username = "user";
    pop.Password = "secret";
    try {
        pop.Connect();
        FAIL() << "connected";
    } catch (const ENetTLSError& e) {
        EXPECT_EQ(e.Message(), "POP3 server 127.0.0.1:" + std::to_string(server.Port()) + ATold);
    }
    EXPECT_EQ(server.Finish(), "CAPA\r\nSTLS\r\nQUIT\r\n");
}

} // namespace

// Someone on the path answers the request for encryption and adds a reply of his own, to
// be read as the server's once encrypted: the connection ends before anything else is
// sent, in the clear or encrypted.
TEST(Tnetsmtp, ARepliesSlippedInBeforeTheEncryptionEndTheConnection)
{
    ExpectSmtpEncryptionEnded("220 go ahead\r\n235 authenticated\r\n", " sent more than its answer to STARTTLS");
    ExpectPop3EncryptionEnded("+OK begin\r\n+OK logged in\r\n", " sent more than its answer to STLS");
}

// A server that offers encryption and then refuses it is told apart from a refused
// password, in words of its own. Neither real server refuses what it offered, so a
// scripted one does.
TEST(Tnetsmtp, AServerThatRefusesEncryptionIsToldSoBeforeThePassword)
{
    ExpectSmtpEncryptionEnded("454 4.7.0 TLS not available due to local problem\r\n",
                              " refused encryption (4.7.0 TLS not available due to local problem)");
    ExpectPop3EncryptionEnded("-ERR TLS support isn't enabled.\r\n", " refused encryption (TLS support isn't enabled)");
}
