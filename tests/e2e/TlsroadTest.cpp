// Two people whose mail servers speak encrypted: Anna's provider says "port 465 and 995,
// SSL", Boris's servers offer STARTTLS and STLS on their usual ports. The first start
// says of each server that it is encrypted, and a discussion goes between them.

#include "net/Tnettlssession.h"
#include "tests/e2e/Roads.h"
#include "tests/net/Mailservers.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace e2e {
namespace {

class EncryptedInstallations : public TTwoInstallationsRoad {
 protected:
  EncryptedInstallations() : TTwoInstallationsRoad("tlsa", "tlsb") {}
  void SetUp() override {
    TTwoInstallationsRoad::SetUp();
    const TMailServers& mail = TMailServers::Get();
    ASSERT_FALSE(mail.TLSHost.empty()) << "the fixture has no loopback address for ports 465 and 995 (not root?)";
    // The run's authority, as a user adds the authority of a self-hosted server.
    setenv(MailCAVariable, mail.MailCA.c_str(), 1);
    A.Pop3Server = mail.TLSHost + ":995";
    A.SmtpServer = mail.TLSHost + ":465";
    B.Pop3Server = "127.0.0.1:" + std::to_string(mail.Pop3STLSPort);
    B.SmtpServer = "127.0.0.1:" + std::to_string(mail.SmtpStartTLSPort);
  }
  void TearDown() override { unsetenv(MailCAVariable); }
};

TEST_F(EncryptedInstallations, TheFirstStartSaysEachServerIsEncryptedAndADiscussionGoesBetweenThem) {
  Announce(A, {&B}, "Lakes", "Озёра", {"Озеро 1", "Озеро 2"});
  ASSERT_FALSE(HasFatalFailure());
  TakeModel(A, B, "Lakes");
  ASSERT_FALSE(HasFatalFailure());
  EXPECT_EQ(B.Told("model"), "Озёра\n1|*||\n1|1|*|Озеро 1\n1|2|*|Озеро 2\n");
  EXPECT_EQ(B.Told("dident"), A.Told("dident"));
  for (TInstallation* person : {&A, &B}) {
    const std::string boxes = person->Told("boxes1");
    EXPECT_EQ(boxes.rfind("MAIL ACCOUNT: POP3 server " + person->Pop3Server +
                              " answered, encrypted (TLS 1.3), login accepted\nSMTP server " + person->SmtpServer +
                              " answered, encrypted (TLS 1.3), login accepted\n",
                          0),
              0u)
        << boxes;
  }
}

}  // namespace
}  // namespace e2e
