// A handling run over a received command message in the Inbox: its header, its seal and
// the handler of its command, which may change and save the participant's discussion or
// leave answers in the Outbox. The input is the message without its seal; the target
// seals it with the suite's key as a sender would, so that the handlers are reached.

#include <cstddef>
#include <cstdint>
#include <string>

#include "foundation/Commoncrypt.h"
#include "fuzz/Fuzzpostworld.h"
#include "platform/kernel/Fileapi.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  {
    fuzzing::TPostWorld world;
    const std::string path = fuzzing::WriteReceived(world.Post.Inbox, "QK-Ecology-051219-NB-001", data, size);
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) std::abort();
    SignFile(file, "", "", 0);
    CloseHandle(file);
    world.HandleAll(world.Post.Inbox);
  }
  fuzzing::EmptySandbox();
  return 0;
}
