// Our POP3 fetch as a whole process, as the post office fetches a message: connect (STLS
// with --tls), RETR of the first message, its attachment decoded and saved as SAVED (an
// earlier file of that name replaced, as curl -o does), DELE, QUIT. The password comes
// from the environment, so that it is not on the command line.
//
//   bench_pop3fetch [--tls] HOST PORT USER SAVED     (password in QUILLARAN_BENCH_PASSWORD)
//
// Exits 0 when the message was fetched and deleted, 1 on a fault (said on stderr), 2 on
// wrong arguments.
#include "net/Netlibrary.h"
#include "net/Tnetmessage.h"
#include "net/Tnetmessageparts.h"
#include "net/Tnetpop3.h"

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <stdexcept>
#include <string>

int main(int argc, char** argv) {
  int first = 1;
  const bool tls = argc > 1 && std::string(argv[1]) == "--tls";
  if (tls) ++first;
  const char* password = std::getenv("QUILLARAN_BENCH_PASSWORD");
  if (argc - first != 4 || !password) {
    std::fprintf(stderr, "usage: bench_pop3fetch [--tls] HOST PORT USER SAVED (QUILLARAN_BENCH_PASSWORD set)\n");
    return 2;
  }
  const std::string saved = argv[first + 3];
  std::remove(saved.c_str());  // the attachment is saved only where no file is
  InitializeNetLibrary();
  int status = 0;
  try {
    TNetPOP3 pop(nullptr);
    pop.SetHost(argv[first]);
    pop.SetPort(std::atoi(argv[first + 1]));
    pop.Username = argv[first + 2];
    pop.Password = password;
    pop.SetReadTimeout(120000);
    pop.Connect();
    if (pop.TLSVersion().empty() == tls) throw std::runtime_error("the connection is not as asked");
    TNetMessage message(nullptr);
    pop.Retrieve(1, &message);
    int attachments = 0;
    for (int i = 0; i < message.MessageParts()->Count(); ++i)
      if (auto* part = dynamic_cast<TNetAttachment*>(message.MessageParts()->Items(i))) {
        part->SaveToFile(saved);
        ++attachments;
      }
    if (attachments != 1) throw std::runtime_error("the message has not one attachment");
    pop.Delete(1);
    pop.Disconnect();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "bench_pop3fetch: %s\n", e.what());
    status = 1;
  }
  FinalizeNetLibrary();
  return status;
}
