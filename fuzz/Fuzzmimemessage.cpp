// A received message as a POP3 server hands it over: the header lines, then the
// body split into text parts and attachments (saved into the sandbox).

#include <cstddef>
#include <cstdint>
#include <exception>
#include <string>

#include "fuzz/Fuzzsandbox.h"
#include "net/Tnetmessage.h"
#include "net/Tnetmessageclient.h"
#include "net/Tnetmessageparts.h"
#include "tests/net/Netstandin.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzzing::Sandbox();
  {
    TStandInIOHandler handler(std::string(fuzzing::Bytes(data, size)), 97);
    TNetMessageClient client(nullptr);
    client.SetIOHandler(&handler);
    TNetMessage msg(nullptr);
    try {
      client.ReceiveHeader(&msg);
      client.ReceiveBody(&msg);
    } catch (const std::exception&) {
      // the message ended early or broke a bound: refused, not a finding
    }
    client.SetIOHandler(nullptr);
    msg.Subject();
    for (int i = 0; i < msg.MessageParts()->Count(); ++i)
      if (auto* a = dynamic_cast<TNetAttachment*>(msg.MessageParts()->Items(i))) a->FileName();
  }
  fuzzing::EmptySandbox();
  return 0;
}
