#include "platform/rtl/Tevent.h"

#include <chrono>

TEvent::TEvent(void*, bool ManualReset, bool InitialState, const std::string&)
    : manualReset_(ManualReset), signaled_(InitialState) {}

void TEvent::SetEvent() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    signaled_ = true;
  }
  if (manualReset_) cv_.notify_all();
  else cv_.notify_one();
}

void TEvent::ResetEvent() {
  std::lock_guard<std::mutex> lock(mutex_);
  signaled_ = false;
}

TWaitResult TEvent::WaitFor(uint32_t Timeout) {
  std::unique_lock<std::mutex> lock(mutex_);
  auto ready = [this] { return signaled_; };
  if (Timeout == INFINITE) cv_.wait(lock, ready);
  else if (!cv_.wait_for(lock, std::chrono::milliseconds(Timeout), ready)) return wrTimeout;
  if (!manualReset_) signaled_ = false;
  return wrSignaled;
}
