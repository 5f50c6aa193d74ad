#include "platform/kernel/Console.h"

#include "platform/kernel/Codepage.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <mutex>
#include <thread>

namespace platform {

namespace {

// A console line longer than this is cut: nobody types more into one question.
constexpr size_t kMaxLine = 4096;

std::atomic<bool> gStopped{false};
int gWakePipe[2] = {-1, -1};

// The watcher thread outlives main: what it reads is never destroyed.
std::mutex& OnStopLock() {
  static std::mutex& lock = *new std::mutex;
  return lock;
}
std::function<void()>& OnStop() {
  static std::function<void()>& onStop = *new std::function<void()>;
  return onStop;
}

void OnStopSignal(int) {
  gStopped.store(true);
  const char byte = 1;
  if (gWakePipe[1] >= 0) {
    [[maybe_unused]] ssize_t written = write(gWakePipe[1], &byte, 1);
  }
}

void WatchPipe() {
  for (;;) {
    char byte;
    const ssize_t got = read(gWakePipe[0], &byte, 1);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return;
    // Called under the lock, so that ending the calls waits for one under way.
    std::lock_guard<std::mutex> lock(OnStopLock());
    if (OnStop()) OnStop()();
  }
}

// The terminal's echo off for the life of the object (when it is a terminal).
class TEchoOff {
 public:
  TEchoOff(int descriptor, bool hidden) : fDescriptor(descriptor) {
    if (!hidden || tcgetattr(descriptor, &fSaved) != 0) return;
    termios quiet = fSaved;
    quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    quiet.c_lflag |= ECHONL;  // the Enter still moves to the next line
    fActive = tcsetattr(descriptor, TCSAFLUSH, &quiet) == 0;
  }
  ~TEchoOff() {
    if (fActive) tcsetattr(fDescriptor, TCSAFLUSH, &fSaved);
  }
  TEchoOff(const TEchoOff&) = delete;
  TEchoOff& operator=(const TEchoOff&) = delete;

 private:
  int fDescriptor;
  termios fSaved{};
  bool fActive = false;
};

}  // namespace

bool ConsoleIsTerminal() { return isatty(STDIN_FILENO) == 1; }

void WriteConsole(std::string_view text) {
  const std::string utf8 = AnsiToUtf8(text);
  std::fwrite(utf8.data(), 1, utf8.size(), stderr);
  std::fflush(stderr);
}

bool ReadConsoleLine(std::string& line, bool hidden) { return ReadConsoleLineFrom(STDIN_FILENO, line, hidden); }

bool ReadConsoleLineFrom(int descriptor, std::string& line, bool hidden) {
  line.clear();
  TEchoOff echo(descriptor, hidden);
  std::string utf8;
  // One byte at a time, so that nothing past the line is taken from the next question.
  for (;;) {
    if (gStopped.load()) return false;
    pollfd ready{descriptor, POLLIN, 0};
    const int polled = poll(&ready, 1, 100);
    if (polled < 0 && errno != EINTR) return false;
    if (polled <= 0) continue;
    char byte;
    const ssize_t got = read(descriptor, &byte, 1);
    if (got < 0 && (errno == EINTR || errno == EAGAIN)) continue;
    if (got <= 0) {
      if (utf8.empty()) return false;
      break;  // a last line without its line end
    }
    if (byte == '\n') break;
    if (utf8.size() < kMaxLine) utf8 += byte;
  }
  if (!utf8.empty() && utf8.back() == '\r') utf8.pop_back();
  line = Utf8ToAnsi(utf8);
  return true;
}

void WatchStopSignals(std::function<void()> onStop) {
  const bool ending = !onStop;
  {
    std::lock_guard<std::mutex> lock(OnStopLock());
    OnStop() = std::move(onStop);
  }
  if (ending) return;
  static const bool installed = [] {
    if (pipe2(gWakePipe, O_CLOEXEC) != 0) return false;
    std::thread(WatchPipe).detach();
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;  // no restart: a waiting read returns and sees the request
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    return true;
  }();
  (void)installed;
}

bool StopSignalled() { return gStopped.load(); }

}  // namespace platform
