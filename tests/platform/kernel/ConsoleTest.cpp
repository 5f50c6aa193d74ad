// Lines read from the terminal: piped lines in the code page, and hidden ones typed on a
// real pseudo-terminal with the echo off and back on afterwards.

#include "platform/kernel/Console.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace {

std::string Drain(int descriptor) {
  std::string text;
  for (;;) {
    pollfd ready{descriptor, POLLIN, 0};
    if (poll(&ready, 1, 50) <= 0) return text;
    char buffer[256];
    const ssize_t got = read(descriptor, buffer, sizeof buffer);
    if (got <= 0) return text;
    text.append(buffer, static_cast<size_t>(got));
  }
}

bool EchoOn(int descriptor) {
  termios state{};
  tcgetattr(descriptor, &state);
  return (state.c_lflag & ECHO) != 0;
}

TEST(Console, PipedLinesArriveInTheCodePageOneAtATime) {
  int pipeFds[2];
  ASSERT_EQ(pipe(pipeFds), 0);
  const std::string input = "\xD0\x90\xD0\xBD\xD0\xBD\xD0\xB0\nsecond\r\n\nlast without end";
  ASSERT_EQ(write(pipeFds[1], input.data(), input.size()), static_cast<ssize_t>(input.size()));
  close(pipeFds[1]);
  std::string line;
  ASSERT_TRUE(platform::ReadConsoleLineFrom(pipeFds[0], line, false));
  EXPECT_EQ(line, "Анна");  // this source's literals are in the code page
  ASSERT_TRUE(platform::ReadConsoleLineFrom(pipeFds[0], line, true));  // hidden: no terminal, read as it is
  EXPECT_EQ(line, "second");
  ASSERT_TRUE(platform::ReadConsoleLineFrom(pipeFds[0], line, false));
  EXPECT_EQ(line, "");
  ASSERT_TRUE(platform::ReadConsoleLineFrom(pipeFds[0], line, false));
  EXPECT_EQ(line, "last without end");
  EXPECT_FALSE(platform::ReadConsoleLineFrom(pipeFds[0], line, false));  // the end of the input
  close(pipeFds[0]);
}

TEST(Console, AHiddenLineIsTypedWithTheEchoOffAndTheEchoComesBack) {
  int master = -1, slave = -1;
  ASSERT_EQ(openpty(&master, &slave, nullptr, nullptr, nullptr), 0);
  ASSERT_TRUE(EchoOn(slave));

  // A visible line is echoed as typed.
  ASSERT_EQ(write(master, "seen\n", 5), 5);
  std::string line;
  ASSERT_TRUE(platform::ReadConsoleLineFrom(slave, line, false));
  EXPECT_EQ(line, "seen");
  EXPECT_NE(Drain(master).find("seen"), std::string::npos);

  std::string hidden;
  bool read = false;
  std::thread reader([&] { read = platform::ReadConsoleLineFrom(slave, hidden, true); });
  // Typed only once the echo is off, as a person types after the prompt.
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(60);  // only so that a fault ends
  while (EchoOn(slave) && std::chrono::steady_clock::now() < until)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  EXPECT_FALSE(EchoOn(slave));
  ASSERT_EQ(write(master, "key password\n", 13), 13);
  reader.join();
  ASSERT_TRUE(read);
  EXPECT_EQ(hidden, "key password");
  const std::string shown = Drain(master);
  EXPECT_EQ(shown.find("key password"), std::string::npos) << shown;
  EXPECT_NE(shown.find('\n'), std::string::npos);  // the Enter still ends the line
  EXPECT_TRUE(EchoOn(slave));
  close(master);
  close(slave);
}

}  // namespace

// The program ends the stop watch before main returns, as the window system the call
// wakes goes away with the statics: ending waits for a call under way, and none follows.
// In a child process, as the signals' handling and the stop request stay for good.
TEST(Console, EndingTheStopWatchWaitsForACallUnderWayAndNoneFollows) {
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    static std::atomic<int> oldCalls{0}, newCalls{0};
    static std::atomic<bool> release{false};
    platform::WatchStopSignals([] {
      ++oldCalls;
      while (!release) std::this_thread::yield();
    });
    raise(SIGTERM);
    while (oldCalls == 0) std::this_thread::yield();
    std::atomic<bool> ended{false};
    std::thread ending([&ended] {
      platform::WatchStopSignals(nullptr);
      ended = true;
    });
    // The call under way holds the end back until it returns.
    for (int i = 0; i < 1000; ++i) std::this_thread::yield();
    const bool heldBack = !ended;
    release = true;
    ending.join();
    platform::WatchStopSignals([] { ++newCalls; });
    raise(SIGTERM);
    while (newCalls == 0) std::this_thread::yield();
    _exit(heldBack && oldCalls == 1 && platform::StopSignalled() ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}
