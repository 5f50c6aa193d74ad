// The SMTP client sending a message while a server answers anything.

#include <cstddef>
#include <cstdint>
#include <exception>
#include <string>

#include "fuzz/Fuzzsandbox.h"
#include "net/Tnetmessage.h"
#include "net/Tnetmessageparts.h"
#include "net/Tnetsmtp.h"
#include "tests/net/Netstandin.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  TStandInIOHandler handler(std::string(fuzzing::Bytes(data, size)), 53);
  TNetSMTP smtp(nullptr);
  smtp.SetIOHandler(&handler);
  smtp.Username = "user";
  smtp.Password = "secret";
  TNetMessage msg(nullptr);
  msg.From()->SetAddress("from@example.com");
  msg.Recipients()->Add()->SetAddress("to@example.com");
  msg.SetSubject("Quillaran### fuzz");
  new TNetText(msg.MessageParts());
  try {
    smtp.GetResponse({220});
    smtp.SendCmd("EHLO fuzz", {250});
    smtp.Authenticate();
    smtp.Send(&msg);
  } catch (const std::exception&) {
    // a refusing server is an answer, not a finding
  }
  smtp.SetIOHandler(nullptr);
  return 0;
}
