#pragma once
// TEvent: a signal that threads wait for. A manual-reset event stays set until
// ResetEvent and releases every waiter; an automatic one releases one waiter
// and resets itself. TSimpleEvent is a manual-reset event, initially clear.

#include "platform/rtl/Tobject.h"

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>

constexpr uint32_t INFINITE = 0xFFFFFFFF;

enum TWaitResult { wrSignaled, wrTimeout, wrAbandoned, wrError };

class TEvent : public TObject {
 public:
  // The attributes and the name of a system event are not kept.
  TEvent(void* EventAttributes, bool ManualReset, bool InitialState, const std::string& Name);
  TEvent() : TEvent(nullptr, true, false, std::string()) {}

  void SetEvent();
  void ResetEvent();
  // Waits at most Timeout milliseconds (INFINITE: without limit).
  TWaitResult WaitFor(uint32_t Timeout = INFINITE);

 private:
  std::mutex mutex_;
  std::condition_variable cv_;
  bool manualReset_;
  bool signaled_;
};

class TSimpleEvent : public TEvent {
 public:
  TSimpleEvent() : TEvent(nullptr, true, false, std::string()) {}
};
