#include "platform/gui/Clock.h"

#include <atomic>
#include <chrono>

namespace platform {

namespace {
std::atomic<bool> g_virtual{false};
std::atomic<std::uint64_t> g_virtualNow{0};

std::uint64_t RealNow() {
  static const auto start = std::chrono::steady_clock::now();
  return static_cast<std::uint64_t>(
      std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count());
}
}  // namespace

std::uint64_t GuiClockNow() { return g_virtual ? g_virtualNow.load() : RealNow(); }

void UseVirtualClock(bool on) {
  if (on && !g_virtual) g_virtualNow = RealNow();
  g_virtual = on;
}

bool VirtualClockInUse() { return g_virtual; }

void AdvanceVirtualClock(std::uint64_t ms) {
  if (g_virtual) g_virtualNow += ms;
}

}  // namespace platform
