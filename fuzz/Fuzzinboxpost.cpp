// A handling run over a received post file in InboxPost: one part of a cabinet archive,
// joined, unpacked into the Inbox and retired; then a run over what landed in the Inbox
// (the messages inside keep the seals their composer gave them).

#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz/Fuzzpostworld.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  {
    fuzzing::TPostWorld world;
    fuzzing::WriteReceived(world.Post.InboxPost, "QK-Ecology-051219-NB-001.1_1", data, size);
    world.HandleAll(world.Post.InboxPost);
    world.HandleAll(world.Post.Inbox);
  }
  fuzzing::EmptySandbox();
  return 0;
}
