// Stand-in for the suite's keyboard-hook library. The desktop keeps its own keys to
// itself, so nothing can be suppressed here, and setting the block says so: it fails,
// and the engine reports the block off.

#include <cstdio>
#include <cstdlib>

extern "C" {

__attribute__((visibility("default"))) unsigned char SetHook(void* window, unsigned magic) {
  if (std::getenv("QUILLARAN_HOOK_TRACE")) std::fprintf(stderr, "hook not set: %p %u\n", window, magic);
  return 0;
}

__attribute__((visibility("default"))) unsigned char FreeHook() { return 0; }
}
