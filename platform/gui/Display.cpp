#include "platform/gui/Display.h"

#include "platform/gui/Window.h"

#include <chrono>
#include <thread>

namespace platform {

namespace {

// No back end: a screen of a usual size that shows nothing and never brings input.
class NoDisplay : public Display {
 public:
  SIZE ScreenSize() const override { return SIZE{1280, 1024}; }
  bool WaitForInput(int timeoutMs) override {
    if (timeoutMs < 0) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(timeoutMs));
    return true;
  }
};

NoDisplay g_none;
Display* g_display = &g_none;

}  // namespace

Display& CurrentDisplay() { return *g_display; }


void SetDisplay(Display* display) {
  g_display = display ? display : &g_none;
  ScreenSizeChanged();
}

}  // namespace platform
