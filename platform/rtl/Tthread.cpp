#include "platform/rtl/Tthread.h"

#include "platform/rtl/Exception.h"

#include <chrono>
#include <deque>
#include <sstream>

namespace {

const std::thread::id kMainThread = std::this_thread::get_id();

struct SyncRequest {
  const TThreadMethod* method;
  std::exception_ptr error;
  bool done = false;
};

struct SyncQueue {
  std::mutex mutex;
  std::condition_variable queued;    // a request arrived, or a thread finished
  std::condition_variable finished;  // a request was run
  std::deque<SyncRequest*> requests;
  std::function<void()> wakeup;
};

SyncQueue& Queue() {
  static SyncQueue queue;
  return queue;
}

std::string ThreadText(std::thread::id id) {
  std::ostringstream out;
  out << id;
  return out.str();
}

}  // namespace

std::thread::id MainThreadID() { return kMainThread; }

namespace platform {

bool IsMainThread() { return std::this_thread::get_id() == kMainThread; }

void SetSynchronizeWakeup(std::function<void()> Wakeup) {
  std::lock_guard<std::mutex> lock(Queue().mutex);
  Queue().wakeup = std::move(Wakeup);
}

}  // namespace platform

bool CheckSynchronize(int Timeout) {
  if (!platform::IsMainThread())
    throw EThread("CheckSynchronize called from thread " + ThreadText(std::this_thread::get_id()) +
                  ", which is NOT the main thread");
  SyncQueue& q = Queue();
  std::deque<SyncRequest*> batch;
  {
    std::unique_lock<std::mutex> lock(q.mutex);
    if (q.requests.empty() && Timeout > 0)
      q.queued.wait_for(lock, std::chrono::milliseconds(Timeout), [&] { return !q.requests.empty(); });
    batch.swap(q.requests);
  }
  for (SyncRequest* r : batch) {
    std::exception_ptr error;
    try {
      (*r->method)();
    } catch (...) {
      error = std::current_exception();
    }
    std::lock_guard<std::mutex> lock(q.mutex);
    r->error = error;
    r->done = true;
  }
  if (!batch.empty()) q.finished.notify_all();
  return !batch.empty();
}

void TThread::Synchronize(TThread*, const TThreadMethod& Method) {
  if (platform::IsMainThread()) {
    Method();
    return;
  }
  SyncQueue& q = Queue();
  SyncRequest request{&Method, nullptr};
  std::function<void()> wakeup;
  {
    std::lock_guard<std::mutex> lock(q.mutex);
    q.requests.push_back(&request);
    wakeup = q.wakeup;
  }
  q.queued.notify_all();
  if (wakeup) wakeup();
  {
    std::unique_lock<std::mutex> lock(q.mutex);
    q.finished.wait(lock, [&] { return request.done; });
  }
  if (request.error) std::rethrow_exception(request.error);
}

TThread::TThread(bool CreateSuspended) : createSuspended_(CreateSuspended) {}

TThread::~TThread() {
  try {
    StopAndWait();
  } catch (...) {
    // Only a thread deleting itself gets here; it must not wait for itself.
  }
  if (thread_.joinable()) {
    if (thread_.get_id() == std::this_thread::get_id()) thread_.detach();
    else thread_.join();
  }
}

void TThread::Start() {
  std::lock_guard<std::mutex> lock(startMutex_);
  if (started_) throw EThread("Cannot call Start on a running or suspended thread");
  started_ = true;
  thread_ = std::thread(&TThread::Run, this);
  threadId_ = thread_.get_id();
}

void TThread::Resume() {
  if (!started_) Start();
}

void TThread::Run() {
  { std::lock_guard<std::mutex> lock(startMutex_); }  // Start has stored the handle
  try {
    if (!terminated_) Execute();
  } catch (...) {
    fatal_ = std::current_exception();
  }
  const bool freeIt = freeOnTerminate_;
  try {
    DoTerminate();
  } catch (...) {
    if (!fatal_) fatal_ = std::current_exception();
  }
  SyncQueue& q = Queue();
  {
    std::lock_guard<std::mutex> lock(q.mutex);
    finished_ = true;
  }
  q.queued.notify_all();
  if (freeIt) {
    thread_.detach();
    delete this;
  }
}

void TThread::DoTerminate() {
  if (OnTerminate) Synchronize([this] { OnTerminate(this); });
}

int TThread::WaitFor() {
  if (!started_) throw EThread("Cannot wait for a thread that was not started");
  if (freeOnTerminate_) throw EThread("Cannot wait for a thread that frees itself");
  if (std::this_thread::get_id() == threadId_) throw EThread("A thread cannot wait for itself");
  SyncQueue& q = Queue();
  if (platform::IsMainThread()) {
    // Keep running synchronised methods: the thread may be waiting in one.
    while (true) {
      CheckSynchronize();
      std::unique_lock<std::mutex> lock(q.mutex);
      if (finished_) break;
      q.queued.wait_for(lock, std::chrono::milliseconds(100), [&] { return finished_ || !q.requests.empty(); });
    }
  } else {
    std::unique_lock<std::mutex> lock(q.mutex);
    q.queued.wait(lock, [&] { return bool(finished_); });
  }
  std::lock_guard<std::mutex> lock(startMutex_);
  if (thread_.joinable()) thread_.join();
  return returnValue_;
}

void TThread::StopAndWait() {
  if (!started_ || finished_ || freeOnTerminate_) {
    if (started_ && !freeOnTerminate_ && thread_.joinable() && thread_.get_id() != std::this_thread::get_id()) {
      std::lock_guard<std::mutex> lock(startMutex_);
      if (thread_.joinable()) thread_.join();
    }
    return;
  }
  Terminate();
  WaitFor();
}
