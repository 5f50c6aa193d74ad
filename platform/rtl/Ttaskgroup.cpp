#include "platform/rtl/Ttaskgroup.h"

#include "platform/kernel/Largepages.h"

#include <pthread.h>
#include <sched.h>

#include <algorithm>
#include <atomic>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>
#include <vector>

namespace {

// More threads than this gain nothing for the jobs split so far (a discussion's files).
constexpr int MostWorkers = 7;

int ProcessorsAllowed() {
  cpu_set_t set;
  if (sched_getaffinity(0, sizeof set, &set) == 0) return std::max(1, CPU_COUNT(&set));
  return std::max(1, int(std::thread::hardware_concurrency()));
}

}  // namespace

struct TTaskCrew {
  struct TTask {
    TTaskGroup* Group;
    std::function<void()> Work;
  };

  std::mutex Lock;
  std::condition_variable Waiting;  // a task given, or the end
  std::deque<TTask> Queue;
  std::vector<std::thread> Workers;
  bool Ending = false;

  TTaskCrew() {
    const int workers = std::min(ProcessorsAllowed() - 1, MostWorkers);
    for (int i = 0; i < workers; ++i) Workers.emplace_back([this] { Serve(); });
  }

  ~TTaskCrew() {
    {
      std::lock_guard<std::mutex> hold(Lock);
      Ending = true;
    }
    Waiting.notify_all();
    for (std::thread& worker : Workers) worker.join();
  }

  static TTaskCrew& Instance();

  // Runs a task taken from the queue with the lock held; returns with it held again.
  void Perform(TTask task, std::unique_lock<std::mutex>& held) {
    held.unlock();
    std::exception_ptr fault;
    try {
      // With workers, tasks run at the same time: what they take is left in small pages.
      std::optional<platform::TSmallPagesScope> smallPages;
      if (!Workers.empty()) smallPages.emplace();
      task.Work();
    } catch (...) {
      fault = std::current_exception();
    }
    task.Work = nullptr;  // what the task holds goes before the group may end
    held.lock();
    task.Group->Finished(fault);
  }

  void Serve() {
    std::unique_lock<std::mutex> held(Lock);
    for (;;) {
      Waiting.wait(held, [this] { return Ending || !Queue.empty(); });
      if (Queue.empty()) return;
      TTask task = std::move(Queue.front());
      Queue.pop_front();
      Perform(std::move(task), held);
    }
  }
};

namespace {

// The crew of this process, made on first use. A child forked from the process has none of
// its workers: the copy of the parent's crew (its lock, its condition variable with waiters
// that live only in the parent) is left untouched there, and the child makes a crew of its
// own when it first gives tasks.
struct TCrewSlot {
  std::mutex Making;
  std::unique_ptr<TTaskCrew> Crew;  // ended at the program's end: the workers are joined
  TTaskCrew* Forsaken = nullptr;    // in a forked child, the parent's: never ended
  std::atomic<TTaskCrew*> Current{nullptr};
};

TCrewSlot& Slot() {
  static TCrewSlot slot;
  return slot;
}

void HoldForFork() { Slot().Making.lock(); }

void ReleaseInParent() { Slot().Making.unlock(); }

void ForgetInChild() {
  TCrewSlot& slot = Slot();
  slot.Current.store(nullptr);
  // Its threads are not in this process: ending it would wait for them for ever.
  slot.Forsaken = slot.Crew.release();
  slot.Making.unlock();
}

}  // namespace

TTaskCrew& TTaskCrew::Instance() {
  TCrewSlot& slot = Slot();
  if (TTaskCrew* crew = slot.Current.load(std::memory_order_acquire)) return *crew;
  std::lock_guard<std::mutex> hold(slot.Making);
  if (!slot.Crew) {
    static const bool watched = pthread_atfork(HoldForFork, ReleaseInParent, ForgetInChild) == 0;
    static_cast<void>(watched);
    slot.Crew = std::make_unique<TTaskCrew>();
    slot.Current.store(slot.Crew.get(), std::memory_order_release);
  }
  return *slot.Crew;
}

void TTaskGroup::Finished(std::exception_ptr fault) {
  if (fault && !Fault) Fault = fault;
  // Told under the lock: the waiter cannot end the group before this returns.
  if (--Unfinished == 0) Changed.notify_all();
}

int TTaskGroup::Threads() { return int(TTaskCrew::Instance().Workers.size()) + 1; }

void TTaskGroup::Run(std::function<void()> task) {
  TTaskCrew& crew = TTaskCrew::Instance();
  {
    std::lock_guard<std::mutex> hold(crew.Lock);
    crew.Queue.push_back({this, std::move(task)});
    ++Unfinished;
    // The waiting thread helps too.
    Changed.notify_all();
  }
  crew.Waiting.notify_one();
}

void TTaskGroup::Wait() {
  TTaskCrew& crew = TTaskCrew::Instance();
  std::unique_lock<std::mutex> held(crew.Lock);
  for (;;) {
    const auto own = std::find_if(crew.Queue.begin(), crew.Queue.end(),
                                  [this](const TTaskCrew::TTask& task) { return task.Group == this; });
    if (own != crew.Queue.end()) {
      TTaskCrew::TTask task = std::move(*own);
      crew.Queue.erase(own);
      crew.Perform(std::move(task), held);
      continue;
    }
    if (Unfinished == 0) break;
    Changed.wait(held);
  }
  std::exception_ptr fault = std::exchange(Fault, nullptr);
  held.unlock();
  if (fault) std::rethrow_exception(fault);
}

TTaskGroup::~TTaskGroup() {
  try {
    Wait();
  } catch (...) {
  }
}
