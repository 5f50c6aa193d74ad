#pragma once
// TExTimer: OnTimer every Interval milliseconds, either from a worker thread
// (threaded, the default; the event runs on the main thread unless SyncEvent is
// off) or from a system timer of a hidden window.

#include <atomic>
#include <memory>
#include <mutex>

#include "platform/forms/Allocatehwnd.h"
#include "platform/rtl/Tcomponent.h"
#include "platform/rtl/Tthread.h"

class TExTimerThread;

class TExTimer : public TComponent {
 public:
  explicit TExTimer(TComponent* AOwner);
  ~TExTimer() override;

  bool Enabled() const { return enabled_; }
  void SetEnabled(bool Value);
  unsigned Interval() const { return interval_; }
  void SetInterval(unsigned Value);
  bool SyncEvent() const { return syncEvent_; }
  void SetSyncEvent(bool Value) { syncEvent_ = Value; }
  bool Threaded() const { return threaded_; }
  void SetThreaded(bool Value);
  TThreadPriority ThreadPriority() const { return threadPriority_; }
  void SetThreadPriority(TThreadPriority Value);
  const TNotifyEvent& OnTimer() const { return onTimer_; }
  // Ticks begin (or stop) only when a handler comes (or goes).
  void SetOnTimer(TNotifyEvent Value);

  // Runs a method on the main thread: at once there, and waiting from the worker.
  void Synchronize(const TThreadMethod& Method);
  // Whether the worker thread is ticking now (threaded mode).
  bool ThreadRunning() const;
  // The hidden window of the non-threaded mode (none until that mode needs one).
  HWND WindowHandle() const { return window_; }

 protected:
  virtual void Timer();

 private:
  friend class TExTimerThread;
  void UpdateTimer();
  void KillWindowTimer();
  void WndProc(TMessage& Message);

  std::atomic<bool> enabled_{true};
  unsigned interval_ = 1000;
  TNotifyEvent onTimer_;
  std::recursive_mutex tickMutex_;  // held by the worker while an unsynchronised tick runs
  HWND window_ = nullptr;
  std::atomic<bool> syncEvent_{true};
  bool threaded_ = true;
  std::unique_ptr<TExTimerThread> thread_;
  TThreadPriority threadPriority_ = tpNormal;
  std::atomic<bool> destroying_{false};
};
