// Stand-in for the suite's keyboard-hook library. The desktop keeps its own keys to
// itself, so nothing is suppressed here: the library only keeps the engine's window
// while the block is "set", and answers as the engine expects.

#include <cstdio>
#include <cstdlib>

namespace {
void* gWindow = nullptr;
}  // namespace

extern "C" {

__attribute__((visibility("default"))) unsigned char SetHook(void* window, unsigned magic) {
  if (!window || magic != 1324) return 0;
  gWindow = window;
  if (std::getenv("QUILLARAN_HOOK_TRACE")) std::fprintf(stderr, "hook set\n");
  return 1;
}

__attribute__((visibility("default"))) unsigned char FreeHook() {
  if (!gWindow) return 0;
  gWindow = nullptr;
  if (std::getenv("QUILLARAN_HOOK_TRACE")) std::fprintf(stderr, "hook freed\n");
  return 1;
}

// For tests: 1 while the block is set.
__attribute__((visibility("default"))) int HookIsSet() { return gWindow != nullptr; }
}
