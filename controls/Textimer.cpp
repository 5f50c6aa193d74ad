#include "controls/Textimer.h"

#include <chrono>
#include <condition_variable>
#include <mutex>

#include "platform/forms/Tapplication.h"
#include "platform/gui/Gui.h"
#include "platform/rtl/Exception.h"

// The worker of a threaded timer. It cannot be suspended from outside, so it waits
// on a gate instead: paused, it sleeps until it is let go or told to end.
class TExTimerThread : public TThread {
 public:
  explicit TExTimerThread(TExTimer* Owner) : TThread(true), owner_(Owner) {}
  ~TExTimerThread() override { Stop(); }

  // Lets the worker tick (starting it the first time).
  void Run() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      paused_ = false;
    }
    wake_.notify_all();
    if (Suspended()) Start();
  }
  void Pause() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      paused_ = true;
    }
    wake_.notify_all();
  }
  bool Running() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return !Suspended() && !paused_ && !Terminated();
  }
  // Copied only while paused, as the worker reads it before each sleep.
  void SetInterval(unsigned Value) {
    std::lock_guard<std::mutex> lock(mutex_);
    interval_ = Value;
  }
  // Ends the worker and waits until it has returned (its ticks see no owner).
  void Stop() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      owner_ = nullptr;
      Terminate();
    }
    wake_.notify_all();
    if (!Suspended() && !Finished()) WaitFor();
  }

 protected:
  void Execute() override {
    std::unique_lock<std::mutex> lock(mutex_);
    while (!Terminated()) {
      wake_.wait(lock, [this] { return !paused_ || Terminated(); });
      if (Stopped()) continue;
      // A pause or the end cut the sleep short; a tick comes only after a whole interval.
      auto interval = std::chrono::milliseconds(interval_);
      if (wake_.wait_for(lock, interval, [this] { return paused_ || Terminated(); })) continue;
      if (Stopped() || !owner_->enabled_) continue;
      TExTimer* owner = owner_;
      bool sync = owner->syncEvent_;
      lock.unlock();
      if (sync) Tick(owner, true);
      else Tick(owner, false);
      lock.lock();
    }
  }

 private:
  bool Stopped() const { return Terminated() || !owner_ || Application->Terminated(); }

  void Tick(TExTimer* Owner, bool Synchronized) {
    if (Synchronized) {
      // The owner may be going, or have paused the thread, while the tick waits for the
      // main thread: such a tick is stale and dropped.
      Synchronize([this] {
        TExTimer* owner = CurrentOwner();
        if (owner && !IsPaused()) owner->Timer();
      });
      return;
    }
    std::exception_ptr raised;
    try {
      std::lock_guard<std::recursive_mutex> busy(Owner->tickMutex_);
      Owner->Timer();
    } catch (EAbort&) {
    } catch (Exception&) {
      raised = std::current_exception();
    }
    if (!raised) return;
    // Reported on the main thread, where message boxes belong; the ticks go on.
    Synchronize([raised] {
      try {
        std::rethrow_exception(raised);
      } catch (Exception& e) {
        if (Application->OnException) Application->OnException(Application, e);
        else Application->ShowException(e);
      }
    });
  }
  bool IsPaused() {
    std::lock_guard<std::mutex> lock(mutex_);
    return paused_;
  }
  TExTimer* CurrentOwner() {
    std::lock_guard<std::mutex> lock(mutex_);
    return owner_;
  }

  mutable std::mutex mutex_;
  std::condition_variable wake_;
  TExTimer* owner_;
  unsigned interval_ = 1000;
  bool paused_ = true;
};

TExTimer::TExTimer(TComponent* AOwner) : TComponent(AOwner), thread_(std::make_unique<TExTimerThread>(this)) {}

TExTimer::~TExTimer() {
  destroying_ = true;
  enabled_ = false;
  thread_->Stop();
  thread_.reset();
  onTimer_ = nullptr;
  KillWindowTimer();
  if (window_) DeallocateHWnd(window_);
  window_ = nullptr;
}

void TExTimer::SetEnabled(bool Value) {
  if (Value == enabled_) return;
  enabled_ = Value;
  UpdateTimer();
}

void TExTimer::SetInterval(unsigned Value) {
  if (Value == interval_) return;
  interval_ = Value;
  UpdateTimer();
}

void TExTimer::SetThreaded(bool Value) {
  if (Value == threaded_) return;
  threaded_ = Value;
  UpdateTimer();
}

void TExTimer::SetThreadPriority(TThreadPriority Value) {
  if (Value == threadPriority_) return;
  threadPriority_ = Value;
  if (threaded_) UpdateTimer();
}

void TExTimer::SetOnTimer(TNotifyEvent Value) {
  bool changed = static_cast<bool>(Value) != static_cast<bool>(onTimer_);
  {
    // Not while a tick of the worker runs the handler.
    std::lock_guard<std::recursive_mutex> busy(tickMutex_);
    onTimer_ = std::move(Value);
  }
  if (changed) UpdateTimer();
}

bool TExTimer::ThreadRunning() const { return thread_ && thread_->Running(); }

void TExTimer::Synchronize(const TThreadMethod& Method) {
  // From the worker always through the main thread, even if the timer was paused meanwhile.
  if (thread_ && !platform::IsMainThread()) TThread::Synchronize(thread_.get(), Method);
  else Method();
}

void TExTimer::KillWindowTimer() {
  if (window_) KillTimer(window_, 1);
}

void TExTimer::UpdateTimer() {
  if (destroying_) return;
  bool ticking = interval_ > 0 && enabled_ && onTimer_;
  if (threaded_) {
    KillWindowTimer();
    if (window_) DeallocateHWnd(window_);
    window_ = nullptr;
    thread_->Pause();
    thread_->SetInterval(interval_);
    if (ticking) {
      thread_->SetPriority(threadPriority_);
      thread_->Run();
    }
    return;
  }
  thread_->Pause();
  if (!window_) window_ = AllocateHWnd([this](TMessage& m) { WndProc(m); });
  else KillWindowTimer();
  if (ticking && SetTimer(window_, 1, interval_, nullptr) == 0)
    throw EOutOfResources("Not enough timers available");
}

void TExTimer::WndProc(TMessage& Message) {
  if (Message.Msg == WM_TIMER) {
    try {
      Timer();
    } catch (...) {
      Application->HandleException(this);
    }
    return;
  }
  Message.Result = DefWindowProc(window_, Message.Msg, Message.WParam, Message.LParam);
}

void TExTimer::Timer() {
  if (enabled_ && !destroying_ && onTimer_) onTimer_(this);
}
