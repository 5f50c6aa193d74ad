// The login's mail account as a new user meets it, against the fixture's real servers and a
// closed port: the first start tries both servers and says how each answered, and the key
// password question of a later start lets the user give the account again.

#include "foundation/Tlogin.h"
#include "platform/forms/Tedit.h"
#include "platform/forms/Tform.h"
#include "tests/e2e/Installation.h"
#include "tests/net/Mailservers.h"
#include "tests/support/Testsupport.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>

namespace e2e {
namespace {

// Answers the next question of the account with `value`, keeping what it proposed.
void Give(TSession& session, std::vector<std::string>& proposed, const std::string& value) {
  session.Script.Answer("MAIL ACCOUNT", [&proposed, value](TCustomForm& form) {
    const auto* edit = dynamic_cast<TEdit*>(platform::FindNamed(form, "EditValue"));
    proposed.push_back(edit ? edit->Text() : "(no edit)");
    platform::SetControlValue(form, "EditValue", value);
    platform::PressControl(form, "ButtonOk");
  });
}

TEST(MailAccount, TheFirstStartTriesBothServersAndTheLoginQuestionGivesTheAccountAgain) {
  const TMailServers& mail = TMailServers::Get();
  ASSERT_NE(mail.SmtpPort, 0) << "the mail server fixture did not run";
  const testsupport::TClosedPort closed;
  const std::string pop3 = "127.0.0.1:" + std::to_string(mail.Pop3Port);
  const std::string smtp = "127.0.0.1:" + std::to_string(mail.SmtpPort);
  const std::string nowhere = "127.0.0.1:" + std::to_string(closed.Port());
  TInstallation anna(testsupport::ScratchFolder(), "Anna", "account", "anna's key 7");
  anna.SmtpServer = nowhere;
  ASSERT_TRUE(anna.Run([](TSession&) {}));
  EXPECT_EQ(anna.LastBoxes(), "MAIL ACCOUNT: POP3 server " + pop3 +
                                  " answered, not encrypted, login accepted\nSMTP server " + nowhere +
                                  " did not answer: connection refused\n");

  // "Mail account..." beside the key password: the same questions, proposing the account.
  // A wrong mail password is told apart from a server that is not there; given again, it
  // is tried again.
  anna.LoginButton = "ButtonFurther";
  std::vector<std::string> proposed;
  ASSERT_TRUE(anna.Run(
      [&](TSession& session) {
        const TLogin* login = session.Driver.Logins()->GetCurrentLogin();
        ASSERT_NE(login, nullptr);
        EXPECT_EQ(login->EMail.SMTPServer.ToString(), smtp);
        EXPECT_EQ(login->EMail.Password.ToString(), mail.Password);
        session.Tell("proposed", [&] {
          std::string all;
          for (const std::string& text : proposed) all += text + "|";
          return all;
        }());
      },
      [&](TSession& session) {
        for (const std::string& value : {pop3, smtp, std::string("account"), std::string("wrong password")})
          Give(session, proposed, value);
        session.Confirm("MAIL ACCOUNT", 1);  // "Change"
        for (const std::string& value : {pop3, smtp, std::string("account"), mail.Password})
          Give(session, proposed, value);
        session.Confirm("MAIL ACCOUNT");
      }));
  EXPECT_EQ(anna.Told("proposed"),
            pop3 + "|" + nowhere + "|account|" + mail.Password + "|" + pop3 + "|" + smtp + "|account|wrong password|");
  const std::string boxes = anna.LastBoxes();
  EXPECT_EQ(boxes.rfind("MAIL ACCOUNT: POP3 server " + pop3 + " answered but refused: ", 0), 0u) << boxes;
  // The SMTP server is logged in to as well: a wrong password fails there too.
  EXPECT_NE(boxes.find("\nSMTP server " + smtp + " answered but refused: "), std::string::npos) << boxes;
  EXPECT_NE(
      boxes.find("\nMAIL ACCOUNT: POP3 server " + pop3 + " answered, not encrypted, login accepted\nSMTP server " +
                 smtp + " answered, not encrypted, login accepted\n"),
      std::string::npos)
      << boxes;

  // Stored as at the first start: in the logins file, the mail password among the secrets.
  TLoginsStorage saved;
  ASSERT_TRUE(saved.Load(anna.File("Logins.cbs")));
  TLogin& login = saved.GetLogin(0);
  ASSERT_TRUE(login.Unlock(anna.Key));
  EXPECT_EQ(login.EMail.POP3Server.ToString(), pop3);
  EXPECT_EQ(login.EMail.SMTPServer.ToString(), smtp);
  EXPECT_EQ(login.EMail.UserName.ToString(), "account");
  EXPECT_EQ(login.EMail.Password.ToString(), mail.Password);
}

// A provider's server off this machine that offers no encryption: the first start says the
// password was not sent and offers a plain connection; chosen knowingly, the server is tried
// again in the clear, and the account keeps the choice in the server's text.
TEST(MailAccount, AnUnencryptedServerOffThisMachineGetsThePasswordOnlyWhenThePlainConnectionIsChosen) {
  const TMailServers& mail = TMailServers::Get();
  ASSERT_NE(mail.SmtpPort, 0) << "the mail server fixture did not run";
  if (const char* server = std::getenv(OffMachineVariable)) {
    // In the network of its own: the fixture's POP3 server is not there.
    const std::string pop3 = "127.0.0.1:" + std::to_string(mail.Pop3Port);
    TInstallation anna(testsupport::ScratchFolder(), "Anna", "tlsplain", "anna's key 7");
    anna.SmtpServer = server;
    anna.AccountButtons = {2, 0};  // "Plain connection", then "Keep"
    ASSERT_TRUE(anna.Run([](TSession&) {}));
    const std::string refused = "POP3 server " + pop3 + " did not answer: connection refused\n";
    EXPECT_EQ(anna.LastBoxes(), "MAIL ACCOUNT: " + refused + "SMTP server " + server +
                                    " offers no encryption, so the password was not sent\nMAIL ACCOUNT: " + refused +
                                    "SMTP server " + server + " answered, not encrypted, login accepted\n");
    TLoginsStorage saved;
    ASSERT_TRUE(saved.Load(anna.File("Logins.cbs")));
    EXPECT_EQ(saved.GetLogin(0).EMail.SMTPServer.ToString(), std::string(server) + " (plain connection)");
    return;
  }
  if (geteuid() != 0) GTEST_SKIP() << "a network of its own needs root";
  std::string log, output;
  EXPECT_TRUE(RunOffThisMachine(log, output)) << output;
  EXPECT_NE(log.find("AUTH tlsplain\n"), std::string::npos) << log;
  EXPECT_EQ(log.find("AUTH tlsplain\n"), log.rfind("AUTH tlsplain\n")) << log;
}

}  // namespace
}  // namespace e2e
