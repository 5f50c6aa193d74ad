#include "platform/rtl/Tickcount.h"

#include <atomic>
#include <chrono>

namespace {

std::atomic<platform::TTickSource> gSource{nullptr};

uint64_t SteadyMilliseconds() {
  using namespace std::chrono;
  return static_cast<uint64_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

}  // namespace

uint64_t GetTickCount64() {
  platform::TTickSource source = gSource.load();
  return source ? source() : SteadyMilliseconds();
}

uint32_t GetTickCount() { return static_cast<uint32_t>(GetTickCount64()); }

namespace platform {
void SetTickCountSource(TTickSource Source) { gSource.store(Source); }
}  // namespace platform
