// Our POP3 fetch as a whole process, as the post office fetches a message: connect (STLS
// with --tls), RETR of the first message, its attachment decoded and saved as SAVED (an
// earlier file of that name replaced, as curl -o does), DELE, QUIT.
//
//   bench_pop3fetch [--tls] HOST PORT USER SAVED     (password in QUILLARAN_BENCH_PASSWORD)
//
// Exits 0 when the message was fetched and deleted, 1 on a fault (said on stderr), 2 on
// wrong arguments.
#include "bench/driver/Maildriver.h"
#include "net/Tnetmessage.h"
#include "net/Tnetmessageparts.h"
#include "net/Tnetpop3.h"

#include <cstdio>
#include <stdexcept>

int main(int argc, char** argv) {
  return RunMailDriver(argc, argv, "bench_pop3fetch", "SAVED", [](const TDriverArgs& AArgs) {
    std::remove(AArgs.File.c_str());  // the attachment is saved only where no file is
    TNetPOP3 pop(nullptr);
    ConnectAsAsked(pop, AArgs);
    TNetMessage message(nullptr);
    pop.Retrieve(1, &message);
    int attachments = 0;
    for (int i = 0; i < message.MessageParts()->Count(); ++i)
      if (auto* part = dynamic_cast<TNetAttachment*>(message.MessageParts()->Items(i))) {
        part->SaveToFile(AArgs.File);
        ++attachments;
      }
    if (attachments != 1) throw std::runtime_error("the message has not one attachment");
    pop.Delete(1);
    pop.Disconnect();
  });
}
