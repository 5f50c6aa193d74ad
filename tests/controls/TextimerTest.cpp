// The timer component: ticks from its worker thread (on the main thread or its own)
// and from a hidden window's system timer, a handler replaced while the worker ticks, and
// what stops them.

#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <thread>

#include "Screenfixture.h"
#include "controls/Textimer.h"
#include "platform/gui/Messagequeue.h"
#include "platform/rtl/Exception.h"

namespace {

class ExTimer : public controlstest::Screen {
 protected:
  // Runs the main thread's share of the work until the condition holds (the bound only
  // ends a fault).
  template <class Condition>
  bool WaitUntil(Condition done) {
    auto end = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!done()) {
      if (std::chrono::steady_clock::now() > end) return false;
      CheckSynchronize(5);
    }
    return true;
  }
};

TEST_F(ExTimer, NoHandlerNoIntervalOrDisabledMeansNoTicks) {
  TExTimer timer(nullptr);
  EXPECT_TRUE(timer.Threaded());
  EXPECT_TRUE(timer.SyncEvent());
  EXPECT_EQ(timer.Interval(), 1000u);
  EXPECT_FALSE(timer.ThreadRunning()) << "no handler";
  int ticks = 0;
  timer.SetInterval(0);
  timer.SetOnTimer([&](TObject*) { ++ticks; });
  EXPECT_FALSE(timer.ThreadRunning()) << "no interval";
  timer.SetInterval(5);
  EXPECT_TRUE(timer.ThreadRunning());
  timer.SetEnabled(false);
  EXPECT_FALSE(timer.ThreadRunning());
  // Without a thread: the hidden window's timer, also only with all three.
  timer.SetThreaded(false);
  ASSERT_NE(timer.WindowHandle(), nullptr);
  person.Advance(100);
  person.Pump();
  EXPECT_EQ(ticks, 0);
  timer.SetOnTimer(nullptr);
  timer.SetEnabled(true);
  person.Advance(100);
  person.Pump();
  EXPECT_EQ(ticks, 0);
}

TEST_F(ExTimer, SynchronisedTicksRunOnTheMainThread) {
  TExTimer timer(nullptr);
  timer.SetInterval(5);
  int ticks = 0;
  bool elsewhere = false;
  timer.SetOnTimer([&](TObject* sender) {
    EXPECT_EQ(sender, &timer);
    if (!platform::IsMainThread()) elsewhere = true;
    ++ticks;
  });
  ASSERT_TRUE(WaitUntil([&] { return ticks >= 3; }));
  EXPECT_FALSE(elsewhere);
  // Synchronize of the component reaches the main thread from the worker's side too.
  bool ran = false;
  timer.Synchronize([&] { ran = platform::IsMainThread(); });
  EXPECT_TRUE(ran);

  // Without the thread the ticks come from the window system's clock, at the same interval.
  timer.SetInterval(20);
  timer.SetThreaded(false);
  EXPECT_FALSE(timer.ThreadRunning());
  int before = ticks;
  person.Advance(20 * 4);
  person.Pump();
  EXPECT_EQ(ticks - before, 4);
  EXPECT_EQ(timer.Interval(), 20u);
  timer.SetThreaded(true);
  EXPECT_EQ(timer.WindowHandle(), nullptr);
  before = ticks;
  ASSERT_TRUE(WaitUntil([&] { return ticks >= before + 2; }));
}

TEST_F(ExTimer, UnsynchronisedTicksRunOnTheWorkerAndSurviveExceptions) {
  std::atomic<int> ticks{0};
  std::atomic<bool> onMain{false};
  std::atomic<pid_t> worker{0};
  std::atomic<int> begun{0}, let{0};  // ticks begun, ticks let end
  std::vector<std::string> reported;
  Application->OnException = [&](TObject*, Exception& e) {
    EXPECT_TRUE(platform::IsMainThread());
    reported.push_back(e.Message());
  };
  {
    TExTimer timer(nullptr);
    timer.SetSyncEvent(false);
    timer.SetInterval(2);
    timer.SetOnTimer([&](TObject*) {
      int n = ++ticks;
      worker = gettid();
      if (platform::IsMainThread()) onMain = true;
      if (n == 1) throw EAbort();
      if (n == 2) throw EConvertError("not a number");
    });
    ASSERT_TRUE(WaitUntil([&] { return ticks >= 5 && !reported.empty(); }));
    EXPECT_FALSE(onMain);
    // A handler replaced while the worker ticks: the ticks after run the new one only.
    std::atomic<int> replaced{0};
    timer.SetOnTimer([&](TObject*) { ++replaced; });
    const int before = ticks;
    ASSERT_TRUE(WaitUntil([&] { return replaced >= 3; }));
    EXPECT_EQ(ticks, before) << "the old handler ran on";
    // The interval changed in the middle of a tick, three times: the ticks go on. The two
    // threads meet through relaxed flags only, so that the race detector sees no order
    // between them but the timer's own.
    timer.SetOnTimer([&](TObject*) {
      const int n = begun.load(std::memory_order_relaxed) + 1;
      begun.store(n, std::memory_order_relaxed);
      while (let.load(std::memory_order_relaxed) < n) std::this_thread::yield();
    });
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(60);  // only so that a fault ends
    for (const unsigned interval : {1u, 3u, 2u}) {
      const int n = let.load(std::memory_order_relaxed) + 1;
      while (begun.load(std::memory_order_relaxed) < n && std::chrono::steady_clock::now() < end)
        std::this_thread::yield();
      if (begun.load(std::memory_order_relaxed) < n) let.store(1 << 30, std::memory_order_relaxed);
      ASSERT_GE(begun.load(std::memory_order_relaxed), n) << "no tick began";
      timer.SetInterval(interval);
      EXPECT_EQ(timer.Interval(), interval);
      let.store(n, std::memory_order_relaxed);
    }
    let.store(1 << 30, std::memory_order_relaxed);
    ASSERT_TRUE(WaitUntil([&] { return begun.load() >= 6; }));
    // Destroyed while ticking: the worker ends before the timer is gone.
  }
  Application->OnException = nullptr;
  const int after = ticks;
  // The worker thread ended with the timer, so no tick can follow.
  const std::string task = "/proc/self/task/" + std::to_string(worker.load());
  EXPECT_TRUE(WaitUntil([&] { return !std::filesystem::exists(task); })) << "the worker outlived its timer";
  EXPECT_EQ(ticks, after) << "no tick after destruction";
  ASSERT_EQ(reported.size(), 1u) << "an abort is silent";
  EXPECT_EQ(reported[0], "not a number");
}

}  // namespace

namespace {

TEST_F(ExTimer, ATickWaitingForTheMainThreadIsDroppedOnceTheThreadStops) {
  TExTimer timer(nullptr);
  timer.SetInterval(5);
  int ticks = 0;
  // Nobody serves the worker, so its tick waits for the main thread; the queue says when
  // it has one.
  std::mutex m;
  std::condition_variable queued;
  bool waiting = false;
  platform::SetSynchronizeWakeup([&] {
    std::lock_guard<std::mutex> lock(m);
    waiting = true;
    queued.notify_all();
  });
  timer.SetOnTimer([&](TObject*) { ++ticks; });
  {
    std::unique_lock<std::mutex> lock(m);
    queued.wait(lock, [&] { return waiting; });
  }
  platform::SetSynchronizeWakeup([] { platform::WakeMessageLoops(); });
  timer.SetInterval(100000);
  timer.SetThreaded(false);
  CheckSynchronize(0);
  person.Pump();
  EXPECT_EQ(ticks, 0);
}

}  // namespace
