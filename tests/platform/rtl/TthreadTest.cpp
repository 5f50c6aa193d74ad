#include "platform/rtl/Exception.h"
#include "platform/rtl/Tcriticalsection.h"
#include "platform/rtl/Tevent.h"
#include "platform/rtl/Tickcount.h"
#include "platform/rtl/Tthread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace {

// Counts until terminated, handing every tenth count to the main thread.
class TCounter : public TThread {
 public:
  TCounter() : TThread(true) {}
  ~TCounter() override { StopAndWait(); }
  std::atomic<int> count{0};
  int seenOnMain = 0;  // written only on the main thread
  TEvent started;

 protected:
  void Execute() override {
    started.SetEvent();
    while (!Terminated()) {
      int n = ++count;
      if (n % 10 == 0)
        Synchronize([this, n] {
          EXPECT_TRUE(platform::IsMainThread());
          seenOnMain = n;
        });
      std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    SetReturnValue(count);
  }
};

TEST(Tthread, StartTerminateWaitAndSynchronize) {
  TCounter t;
  EXPECT_TRUE(t.Suspended());
  EXPECT_THROW(t.WaitFor(), EThread);
  t.Start();
  EXPECT_THROW(t.Start(), EThread);
  ASSERT_EQ(t.started.WaitFor(5000), wrSignaled);
  // The synchronised methods run only when the main thread lets them.
  while (t.seenOnMain < 30) CheckSynchronize(10);
  t.Terminate();
  int result = t.WaitFor();
  EXPECT_TRUE(t.Finished());
  EXPECT_EQ(result, t.count.load());
  EXPECT_GE(result, 30);
  EXPECT_FALSE(CheckSynchronize());
}

class TFailing : public TThread {
 public:
  TFailing() : TThread(false) {}
  ~TFailing() override { StopAndWait(); }

 protected:
  void Execute() override {
    try {
      Synchronize([] { throw EConvertError("bad value"); });
    } catch (const EConvertError& e) {
      caught = e.Message();
    }
    throw EAbort();
  }

 public:
  std::string caught;
};

TEST(Tthread, ExceptionsReachTheirThreadAndOnTerminateRunsOnMain) {
  bool terminatedOnMain = false;
  auto* t = NewThread<TFailing>();
  t->OnTerminate = [&](TObject* sender) {
    terminatedOnMain = platform::IsMainThread() && sender == t;
  };
  t->WaitFor();  // on the main thread WaitFor runs the synchronised methods
  EXPECT_EQ(t->caught, "bad value");
  EXPECT_TRUE(terminatedOnMain);
  ASSERT_TRUE(t->FatalException());
  EXPECT_THROW(std::rethrow_exception(t->FatalException()), EAbort);
  delete t;
}

class TSelfFreeing : public TThread {
 public:
  TSelfFreeing(TEvent* done, std::atomic<int>* destroyed) : TThread(true), done_(done), destroyed_(destroyed) {
    SetFreeOnTerminate(true);
  }
  ~TSelfFreeing() override {
    ++*destroyed_;
    destroyed_->notify_all();
  }

 protected:
  void Execute() override { done_->WaitFor(); }

 private:
  TEvent* done_;
  std::atomic<int>* destroyed_;
};

TEST(Tthread, FreeOnTerminateAndEvents) {
  TEvent go(nullptr, true, false, "");
  std::atomic<int> destroyed{0};
  auto* t = new TSelfFreeing(&go, &destroyed);
  t->Start();
  EXPECT_THROW(t->WaitFor(), EThread);
  go.SetEvent();
  destroyed.wait(0);  // the thread frees itself once it ends
  EXPECT_EQ(destroyed, 1);

  // A manual-reset event stays set; an automatic one releases one wait.
  EXPECT_EQ(go.WaitFor(0), wrSignaled);
  EXPECT_EQ(go.WaitFor(0), wrSignaled);
  go.ResetEvent();
  EXPECT_EQ(go.WaitFor(20), wrTimeout);
  TEvent once(nullptr, false, true, "");
  EXPECT_EQ(once.WaitFor(0), wrSignaled);
  EXPECT_EQ(once.WaitFor(0), wrTimeout);

  // A thread never started is simply dropped; deleting a running one stops it.
  { TCounter idle; }
  {
    TCounter running;
    running.Start();
    running.started.WaitFor();
  }

  // The critical section may be entered again by its holder and keeps others out.
  TCriticalSection cs;
  cs.Enter();
  cs.Enter();
  std::atomic<bool> other{true};
  std::thread probe([&] { other = cs.TryEnter(); });
  probe.join();
  EXPECT_FALSE(other);
  cs.Leave();
  cs.Leave();
  std::thread probe2([&] {
    other = cs.TryEnter();
    if (other) cs.Leave();
  });
  probe2.join();
  EXPECT_TRUE(other);
}

TEST(Tthread, CheckSynchronizeBelongsToTheMainThread) {
  std::string message;
  std::thread t([&] {
    try {
      CheckSynchronize();
    } catch (const EThread& e) {
      message = e.Message();
    }
  });
  t.join();
  EXPECT_EQ(message.rfind("CheckSynchronize called from thread ", 0), 0u);
  EXPECT_NE(message.find("which is NOT the main thread"), std::string::npos);
}

}  // namespace

namespace {

uint64_t gFakeTicks = 0;
uint64_t FakeTicks() { return gFakeTicks; }

TEST(Tickcount, SteadyAndReplaceable) {
  uint64_t a = GetTickCount64();
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  uint64_t b = GetTickCount64();
  EXPECT_GE(b - a, 19u);
  platform::SetTickCountSource(FakeTicks);
  gFakeTicks = 0x1'0000'0005ULL;  // past the 32-bit wrap
  EXPECT_EQ(GetTickCount(), 5u);
  EXPECT_EQ(GetTickCount64(), 0x1'0000'0005ULL);
  uint32_t before = static_cast<uint32_t>(0xFFFFFFF0u);
  EXPECT_EQ(GetTickCount() - before, 21u);  // intervals survive the wrap
  platform::SetTickCountSource(nullptr);
  EXPECT_GE(GetTickCount64(), b);
}

}  // namespace
