// The POP3 client reading whatever a server answers: counts, sizes, headers,
// whole messages and deletions, in the order the post exchange asks them.

#include <cstddef>
#include <cstdint>
#include <exception>
#include <string>

#include "fuzz/Fuzzsandbox.h"
#include "net/Tnetmessage.h"
#include "net/Tnetpop3.h"
#include "tests/net/Netstandin.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzzing::Sandbox();
  {
    TStandInIOHandler handler(std::string(fuzzing::Bytes(data, size)), 61);
    TNetPOP3 pop(nullptr);
    pop.MaxMessageSize = 1 << 20;
    pop.SetIOHandler(&handler);
    TNetMessage msg(nullptr);
    auto step = [&](auto&& call) {
      try {
        call();
      } catch (const std::exception&) {
        // a refused reply ends nothing but this step
      }
    };
    step([&] { pop.GetResponse(std::initializer_list<int16_t>{}); });  // the greeting
    step([&] { pop.CheckMessages(); });
    step([&] { pop.RetrieveMsgSize(1); });
    step([&] { pop.RetrieveHeader(1, &msg); });
    step([&] { msg.Clear(); pop.Retrieve(1, &msg); });
    step([&] { pop.Delete(1); });
    pop.SetIOHandler(nullptr);
  }
  fuzzing::EmptySandbox();
  return 0;
}
