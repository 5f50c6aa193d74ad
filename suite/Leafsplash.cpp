// Stand-in for the suite's start-image library: it keeps the picture's state and
// announces it on the terminal, so that the browser's start and its first activation
// can be followed.

#include <cstdio>
#include <cstdlib>

namespace {
int gShown = 0;
int gClosed = 0;
}  // namespace

extern "C" {

__attribute__((visibility("default"))) int ShowFormStartImage(void*) {
  gShown = 1;
  if (std::getenv("QUILLARAN_SPLASH_TRACE")) std::fprintf(stderr, "start image shown\n");
  return 1;
}

__attribute__((visibility("default"))) void CloseFormStartImage() {
  if (!gShown) return;
  gShown = 0;
  ++gClosed;
  if (std::getenv("QUILLARAN_SPLASH_TRACE")) std::fprintf(stderr, "start image closed\n");
}

// For tests: 1 while shown; how many times it was closed.
__attribute__((visibility("default"))) int StartImageShown() { return gShown; }
__attribute__((visibility("default"))) int StartImageClosedCount() { return gClosed; }
}
