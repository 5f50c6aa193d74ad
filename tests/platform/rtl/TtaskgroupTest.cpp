// The task group as a discussion's load and the seal check use it: every task runs even
// when one fails, the first fault reaches the waiting thread, memory refused on a worker
// comes back as std::bad_alloc, more tasks than threads all run with the threads really at
// once, on one processor the waiting thread runs them all in the order given, and a child
// forked after parallel work runs tasks with workers of its own.

#include "platform/rtl/Ttaskgroup.h"

#include "tests/support/Testsupport.h"

#include <gtest/gtest.h>

#include <sched.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <barrier>
#include <cstdlib>
#include <latch>
#include <mutex>
#include <new>
#include <stdexcept>
#include <thread>
#include <vector>

namespace {

// Gives `count` tasks, the one at `failing` ending with `fault`, and lets the workers take
// them all before the waiting thread waits, so that the failing task runs on a worker where
// there are workers. Returns on which thread the failing task ran.
template <typename TFault>
std::thread::id RunWithOneFailing(TTaskGroup& group, int count, int failing, TFault fault, std::vector<int>& ran) {
  std::latch started(TTaskGroup::Threads() > 1 ? count : 0);
  std::thread::id failedOn;
  for (int i = 0; i < count; ++i)
    // What a task reads after counting down goes by value: this function may have returned.
    group.Run([&ran, &failedOn, &started, i, failing, fault] {
      ran[size_t(i)] = 1;
      if (i == failing) failedOn = std::this_thread::get_id();
      started.count_down();
      if (i == failing) throw fault;
    });
  started.wait();
  return failedOn;
}

TEST(TaskGroup, AFaultInOneWorkerReachesTheWaiterAfterEveryOtherTaskRan) {
  if (TTaskGroup::Threads() < 2) GTEST_SKIP() << "this test needs a second processor";
  std::vector<int> ran(40);
  TTaskGroup group;
  EXPECT_NE(RunWithOneFailing(group, 40, 7, std::runtime_error("the seventh"), ran), std::this_thread::get_id());
  try {
    group.Wait();
    ADD_FAILURE() << "the fault was lost";
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "the seventh");
  }
  EXPECT_EQ(ran, std::vector<int>(40, 1));
  // Told once: the group serves on.
  group.Run([&] { ran[0] = 2; });
  EXPECT_NO_THROW(group.Wait());
  EXPECT_EQ(ran[0], 2);
}

TEST(TaskGroup, MemoryRefusedOnAWorkerIsRaisedOnTheWaiterAndTheGroupEndsWhole) {
  if (TTaskGroup::Threads() < 2) GTEST_SKIP() << "this test needs a second processor";
  std::vector<int> ran(12);
  {
    TTaskGroup group;
    EXPECT_NE(RunWithOneFailing(group, 12, 3, std::bad_alloc(), ran), std::this_thread::get_id());
    EXPECT_THROW(group.Wait(), std::bad_alloc);
  }
  EXPECT_EQ(ran, std::vector<int>(12, 1));
  // A group ended without Wait waits for its tasks, whose fault is dropped then: nothing
  // they touch goes before they are done.
  std::vector<int> late(12);
  {
    TTaskGroup group;
    RunWithOneFailing(group, 12, 0, std::bad_alloc(), late);
  }
  EXPECT_EQ(late, std::vector<int>(12, 1));
}

TEST(TaskGroup, MoreTasksThanThreadsAllRunAndTheThreadsRunAtOnce) {
  const int threads = TTaskGroup::Threads();
  if (threads < 2) GTEST_SKIP() << "this test needs a second processor";
  // The first tasks pass only when every thread holds one of them at the same moment.
  std::barrier together(threads);
  std::mutex lock;
  std::vector<std::thread::id> seen;
  std::atomic<int> done = 0;
  TTaskGroup group;
  const int count = 20 * threads;
  for (int i = 0; i < count; ++i)
    group.Run([&, i] {
      if (i < threads) together.arrive_and_wait();
      {
        std::lock_guard<std::mutex> hold(lock);
        seen.push_back(std::this_thread::get_id());
      }
      // A task may give its group more.
      if (i % 10 == 0) group.Run([&] { ++done; });
      ++done;
    });
  group.Wait();
  EXPECT_EQ(done.load(), count + count / 10);
  std::sort(seen.begin(), seen.end());
  const auto distinct = std::unique(seen.begin(), seen.end()) - seen.begin();
  EXPECT_EQ(distinct, threads);
}

// A child forked while the workers wait for tasks (as a test that forks its installations
// does after a load) has none of them: it runs its tasks with a crew of its own, and never
// waits on the parent's. Many times, as a stale crew hung only now and then.
TEST(TaskGroup, AChildForkedAfterParallelWorkRunsTasksOfItsOwn) {
#ifdef __SANITIZE_THREAD__
  GTEST_SKIP() << "the race detector does not follow threads made after a fork";
#endif
  if (TTaskGroup::Threads() < 2) GTEST_SKIP() << "this test needs a second processor";
  for (int round = 0; round < 40; ++round) {
    std::atomic<int> parent = 0;
    TTaskGroup work;
    for (int i = 0; i < 64; ++i) work.Run([&parent] { ++parent; });
    work.Wait();
    ASSERT_EQ(parent.load(), 64);
    std::fflush(stdout);
    std::fflush(stderr);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      std::atomic<int> sum = 0;
      TTaskGroup group;
      for (int i = 1; i <= 200; ++i) group.Run([&sum, i] { sum += i; });
      group.Wait();
      _exit(sum.load() == 200 * 201 / 2 && TTaskGroup::Threads() > 1 ? 0 : 1);
    }
    int status = 0;
    ASSERT_TRUE(testsupport::WaitForChild(child, 60, status)) << "the child forked in round " << round << " hangs";
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "round " << round << ", status " << status;
  }
}

// In a process of its own that may run on one processor only (made so before its first
// task, as a process started so is): no workers, the tasks run on the waiting thread in
// the order given, a fault after them all.
TEST(TaskGroup, OnOneProcessorTheWaiterRunsTheTasksInTheirOrder) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        cpu_set_t set;
        if (sched_getaffinity(0, sizeof set, &set) != 0) std::exit(2);
        int first = 0;
        while (!CPU_ISSET(first, &set)) ++first;
        CPU_ZERO(&set);
        CPU_SET(first, &set);
        if (sched_setaffinity(0, sizeof set, &set) != 0) std::exit(3);
        if (TTaskGroup::Threads() != 1) std::exit(4);
        std::vector<int> order;
        bool elsewhere = false;
        const std::thread::id self = std::this_thread::get_id();
        TTaskGroup group;
        for (int i = 0; i < 50; ++i)
          group.Run([&, i] {
            elsewhere = elsewhere || std::this_thread::get_id() != self;
            order.push_back(i);
            if (i == 10) throw std::bad_alloc();
          });
        try {
          group.Wait();
          std::exit(5);
        } catch (const std::bad_alloc&) {
        }
        std::vector<int> expected;
        for (int i = 0; i < 50; ++i) expected.push_back(i);
        std::exit(elsewhere ? 6 : order == expected ? 0 : 7);
      },
      testing::ExitedWithCode(0), "");
}

}  // namespace
