// Our SMTP send as a whole process, as the post office sends a post: connect (STARTTLS
// with --tls), AUTH LOGIN, one message from sender@quillaran.test to USER@quillaran.test
// with the file ATTACHMENT as its one attachment, QUIT.
//
//   bench_smtpsend [--tls] HOST PORT USER ATTACHMENT     (password in QUILLARAN_BENCH_PASSWORD)
//
// Exits 0 when the server took the message, 1 on a fault (said on stderr), 2 on wrong
// arguments.
#include "bench/driver/Maildriver.h"
#include "net/Tnetmessage.h"
#include "net/Tnetmessageparts.h"
#include "net/Tnetsmtp.h"

int main(int argc, char** argv) {
  return RunMailDriver(argc, argv, "bench_smtpsend", "ATTACHMENT", [](const TDriverArgs& AArgs) {
    TNetSMTP smtp(nullptr);
    smtp.SetAuthenticationType(atLogin);
    ConnectAsAsked(smtp, AArgs);
    TNetMessage message(nullptr);
    message.From()->SetAddress("sender@quillaran.test");
    message.Recipients()->Add()->SetAddress(AArgs.User + "@quillaran.test");
    message.SetSubject("Quillaran### bench");
    new TNetAttachment(message.MessageParts(), AArgs.File);  // owned by the message's parts
    smtp.Send(&message);
    smtp.Disconnect();
  });
}
