// What the user reads when the mail account's servers are tried or the exchange runs, for a
// certificate that is refused and for a server off this machine that offers no encryption.

#include "foundation/Tlogin.h"
#include "net/Tnettlssession.h"
#include "postoffice/Tpostexchange.h"
#include "tests/net/Mailservers.h"
#include "tests/net/Scriptedserver.h"
#include "tests/net/Tlspeer.h"
#include "tests/support/Testsupport.h"

#include <gtest/gtest.h>
#include <openssl/ssl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>

namespace {

class TLoggedExchange : public TPostExchange {
 public:
  std::vector<std::string> Lines;

 protected:
  void Log(const std::string& line) override { Lines.push_back(line); }
};

TEMailInfo Account(const std::string& pop3, const std::string& smtp, const std::string& user) {
  TEMailInfo account;
  account.POP3Server = pop3;
  account.SMTPServer = smtp;
  account.UserName = user;
  account.Password = TMailServers::Get().Password;
  return account;
}

// The test's part inside a network of its own, where the server is off this machine.
void OffThisMachine(const std::string& server) {
  TPostExchange exchange;
  exchange.ConnectTimeout = exchange.ReadTimeout = 20000;
  TEMailInfo account = Account("", server, "tls");
  std::string told;
  EXPECT_FALSE(exchange.TryServer(false, account, told));
  EXPECT_EQ(told, "SMTP server " + server + " offers no encryption, so the password was not sent");
  EXPECT_TRUE(exchange.RefusedUnencrypted);
  // The user chose "Plain connection" for the server.
  account.SMTPServer = server + PlainConnectionMark;
  EXPECT_TRUE(exchange.TryServer(false, account, told));
  EXPECT_EQ(told, "SMTP server " + server + " answered, not encrypted, login accepted");
  EXPECT_FALSE(exchange.RefusedUnencrypted);
}

}  // namespace

TEST(ExchangeTLS, ARefusedCertificateIsOneLineInTheTrialAndInTheExchangesLog) {
  const TMailServers& mail = TMailServers::Get();
  ASSERT_NE(mail.Pop3STLSPort, 0) << "the mail server fixture did not run";
  unsetenv(MailCAVariable);  // the run's authority is unknown to the system
  const std::string pop3 = "127.0.0.1:" + std::to_string(mail.Pop3STLSPort);
  const std::string smtp = "127.0.0.1:" + std::to_string(mail.SmtpStartTLSPort);
  TArray<TEMailInfo> accounts;
  accounts.AddItem(Account(pop3, smtp, "tlsaccount"));
  TLoggedExchange exchange;
  exchange.Accounts = &accounts;
  std::string told;
  EXPECT_FALSE(exchange.TryServer(false, accounts[0], told));
  EXPECT_EQ(told, "SMTP server " + smtp +
                      ": the certificate is not valid for 127.0.0.1 (unable to get local issuer certificate)");
  EXPECT_FALSE(exchange.TryServer(true, accounts[0], told));
  EXPECT_EQ(told, "POP3 server " + pop3 +
                      ": the certificate is not valid for 127.0.0.1 (unable to get local issuer certificate)");
  exchange.ReceiveStep();
  EXPECT_NE(std::find(exchange.Lines.begin(), exchange.Lines.end(),
                      "POP3 server " + pop3 +
                          ": the certificate is not valid for 127.0.0.1 (unable to get local issuer certificate)"),
            exchange.Lines.end())
      << testing::PrintToString(exchange.Lines);

  // With the authority added, the same account is encrypted and logged in to, SMTP too.
  setenv(MailCAVariable, mail.MailCA.c_str(), 1);
  EXPECT_TRUE(exchange.TryServer(false, accounts[0], told));
  EXPECT_EQ(told, "SMTP server " + smtp + " answered, encrypted (TLS 1.3), login accepted");
  accounts[0].Password = "wrong";
  EXPECT_FALSE(exchange.TryServer(false, accounts[0], told));
  EXPECT_EQ(told.rfind("SMTP server " + smtp + " answered but refused: ", 0), 0u) << told;
  unsetenv(MailCAVariable);
}

TEST(ExchangeTLS, AServerOffThisMachineWithoutEncryptionGetsNoPasswordUnlessTheAccountSaysPlainConnection) {
  if (const char* server = std::getenv(OffMachineVariable)) return OffThisMachine(server);
  if (geteuid() != 0) GTEST_SKIP() << "a network of its own needs root";
  ASSERT_NE(TMailServers::Get().SmtpPort, 0) << "the mail server fixture did not run";
  std::string log, output;
  EXPECT_TRUE(RunOffThisMachine(log, output)) << output;
  // The server was asked for a log-in once: over the plain connection the user chose.
  EXPECT_NE(log.find("AUTH tls\n"), std::string::npos) << log;
  EXPECT_EQ(log.find("AUTH tls\n"), log.rfind("AUTH tls\n")) << log;
}

// After the handshake the server starts another one with a certificate for another name:
// the trial refuses it and says so with the server's name, as it tells every failure.
TEST(ExchangeTLS, ACertificateForAnotherNameInARenegotiationIsRefusedWithTheServersName) {
  const TTestCertificates& c = TTestCertificates::Get();
  setenv(MailCAVariable, c.Authority.c_str(), 1);
  bool taken = true;
  TScriptedServer server([&](TScriptedPeer& peer) {
    peer.Send("220 scripted ESMTP\r\n");
    peer.ReadLine();
    peer.Send("250-scripted\r\n250 STARTTLS\r\n");
    peer.ReadLine();
    peer.Send("220 go ahead\r\n");
    TTlsPeer tls(peer, c.Cert, c.Key, TLS1_2_VERSION);  // a renegotiation needs TLS 1.2
    if (!tls.Accept()) return;
    tls.ReadLine();  // EHLO again
    taken = tls.Renegotiate(c.OtherCert, c.OtherKey);
  });
  const std::string smtp = "127.0.0.1:" + std::to_string(server.Port());
  TPostExchange exchange;
  exchange.ConnectTimeout = exchange.ReadTimeout = 20000;
  std::string told;
  EXPECT_FALSE(exchange.TryServer(false, Account("", smtp, "renegotiated"), told));
  server.Finish();
  EXPECT_FALSE(taken);
  EXPECT_EQ(told, "SMTP server " + smtp + ": the certificate is not valid for 127.0.0.1 (IP address mismatch)");
  unsetenv(MailCAVariable);
}

namespace {

// A POP3 server whose encrypted session breaks behind an answer (a damaged record): told
// once, by the command that meets it, also when that is the QUIT that makes the server
// apply the deletions.
std::vector<std::string> ReceivedOverABreakingSession(const std::string& statAnswer, bool breakAtStat) {
  const TTestCertificates& c = TTestCertificates::Get();
  setenv(MailCAVariable, c.Authority.c_str(), 1);
  TScriptedServer server([&](TScriptedPeer& peer) {
    peer.Send("+OK ready\r\n");
    peer.ReadLine();  // CAPA
    peer.Send("+OK\r\nSTLS\r\n.\r\n");
    peer.ReadLine();
    peer.Send("+OK begin\r\n");
    TTlsPeer tls(peer, c.Cert, c.Key);
    if (!tls.Accept()) return;
    // A record with one bit flipped.
    const auto damaged = [&tls] {
      std::string bad = tls.Records("+OK\r\nSubject: x\r\n\r\n.\r\n");
      bad[bad.size() / 2] ^= 0x08;
      return bad;
    };
    for (std::string line; !(line = tls.ReadLine()).empty();) {
      if (line == "STAT" && breakAtStat) {
        const std::string answer = tls.Records(statAnswer);  // made first: records are numbered
        peer.Send(answer + damaged());
      } else if (line.rfind("TOP ", 0) == 0) peer.Send(damaged());
      else tls.Send(line == "STAT" ? statAnswer : "+OK\r\n");
    }
  });
  TArray<TEMailInfo> accounts;
  accounts.AddItem(Account("127.0.0.1:" + std::to_string(server.Port()), "", "user"));
  TLoggedExchange exchange;
  exchange.Accounts = &accounts;
  exchange.ConnectTimeout = exchange.ReadTimeout = 20000;
  exchange.ReceiveStep();
  server.Finish();
  unsetenv(MailCAVariable);
  return exchange.Lines;
}

}  // namespace

TEST(ExchangeTLS, ASessionThatBreaksIsToldOnceAndAtQuitToo) {
  const std::string broke = "the encrypted connection to 127.0.0.1 broke (decryption failed or bad record mac)";
  // Inside a message's answer: one line tells it, and nothing more is read.
  std::vector<std::string> lines = ReceivedOverABreakingSession("+OK 1 100\r\n", false);
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "Error receiving message (" + broke + ")"), 1)
      << testing::PrintToString(lines);
  EXPECT_EQ(std::count_if(lines.begin(), lines.end(), [&](const std::string& l) { return l.find(broke) != l.npos; }), 1)
      << testing::PrintToString(lines);
  // Behind the last answer: QUIT cannot go, and the step says so before it ends.
  lines = ReceivedOverABreakingSession("+OK 0 0\r\n", true);
  const std::vector<std::string> end{"No new messages.", "Disconnecting...",
                                     "Error disconnecting (" + broke + "): the server deletes no message of this run.",
                                     "Finished."};
  ASSERT_GE(lines.size(), end.size());
  EXPECT_EQ(std::vector<std::string>(lines.end() - 4, lines.end()), end) << testing::PrintToString(lines);
}
