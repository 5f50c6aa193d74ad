#pragma once
// TThread: a thread of the program, run by a descendant's Execute.
//
// A C++ base constructor cannot start a thread that calls the descendant's
// Execute, so a thread always begins when Start (or Resume) is called; made
// with CreateSuspended false it may instead be made by NewThread<T>(...),
// which starts it once it is fully built. A running thread is never
// suspended: a thread that must pause waits on a TEvent.
//
// Synchronize runs a method on the main thread and waits for it. The main
// thread runs the waiting methods in CheckSynchronize, which its message loop
// calls; WaitFor on the main thread runs them as well, so a thread that
// synchronises while the main thread waits for it cannot deadlock.
// With FreeOnTerminate the thread deletes itself when Execute returns.
// ~TThread terminates a running thread and waits for it, but runs after the
// descendant's members are gone: a descendant whose Execute uses its members
// calls StopAndWait in its own destructor.

#include "platform/rtl/Tobject.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>

using TThreadMethod = std::function<void()>;

enum TThreadPriority { tpIdle, tpLowest, tpLower, tpNormal, tpHigher, tpHighest, tpTimeCritical };

class TThread : public TObject {
 public:
  explicit TThread(bool CreateSuspended);
  // Terminates a running thread and waits for it.
  ~TThread() override;
  TThread(const TThread&) = delete;
  TThread& operator=(const TThread&) = delete;

  // Starts a thread that was not started yet; EThread when it runs already.
  void Start();
  // Starts a thread not started yet; nothing for a running one.
  void Resume();
  void Terminate() { terminated_ = true; }
  bool Terminated() const { return terminated_; }
  // Waits until Execute has returned; its ReturnValue. Raises EThread for a
  // thread that was never started or frees itself.
  int WaitFor();
  bool Suspended() const { return !started_; }
  bool Finished() const { return finished_; }
  bool FreeOnTerminate() const { return freeOnTerminate_; }
  void SetFreeOnTerminate(bool Value) { freeOnTerminate_ = Value; }
  TThreadPriority Priority() const { return priority_; }
  void SetPriority(TThreadPriority Value) { priority_ = Value; }  // all threads share one priority here
  std::thread::id ThreadID() const { return threadId_; }
  int ReturnValue() const { return returnValue_; }
  // The exception that ended Execute, if any.
  std::exception_ptr FatalException() const { return fatal_; }
  bool CreateSuspended() const { return createSuspended_; }

  // Runs on the main thread after Execute returned (through Synchronize).
  TNotifyEvent OnTerminate;

  // Runs Method on the main thread and waits; on the main thread it runs at
  // once. An exception of Method is raised again in the calling thread.
  static void Synchronize(TThread* Thread, const TThreadMethod& Method);

 protected:
  virtual void Execute() = 0;
  virtual void DoTerminate();
  void Synchronize(const TThreadMethod& Method) { Synchronize(this, Method); }
  void SetReturnValue(int Value) { returnValue_ = Value; }
  // Terminates the thread and waits for it when it was started and still runs.
  void StopAndWait();

 private:
  void Run();

  std::thread thread_;
  std::thread::id threadId_;
  std::atomic<bool> terminated_{false};
  std::atomic<bool> started_{false};
  std::atomic<bool> finished_{false};
  std::atomic<bool> freeOnTerminate_{false};
  std::atomic<int> returnValue_{0};
  TThreadPriority priority_ = tpNormal;
  bool createSuspended_;
  std::exception_ptr fatal_;
  std::mutex startMutex_;
};

// Makes a thread and starts it unless it was made suspended.
template <class T, class... Args>
T* NewThread(Args&&... args) {
  T* t = new T(std::forward<Args>(args)...);
  if (!t->CreateSuspended()) t->Start();
  return t;
}

// Runs the methods that other threads passed to Synchronize. Only the main
// thread may call it (EThread otherwise); true when a method ran. Waits up to
// Timeout milliseconds for one when none is queued.
bool CheckSynchronize(int Timeout = 0);

// The thread that initialised the program.
std::thread::id MainThreadID();

namespace platform {

// True on the thread that initialised the program.
bool IsMainThread();

// Called whenever a method is queued for the main thread, so that a message
// loop asleep in its wait can wake and call CheckSynchronize.
void SetSynchronizeWakeup(std::function<void()> Wakeup);

}  // namespace platform
