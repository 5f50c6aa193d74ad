#pragma once
// The real program without a display in a process of its own, answered on its standard
// input as a user at a terminal would (or a pipe, one answer a line).

#include "Apptesthelpers.h"
#include "platform/kernel/Codepage.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>

// The program in a process of its own: its standard input a pipe the test writes, its
// terminal output (both streams) in a file.
class TProgramOnTerminal {
 public:
  explicit TProgramOnTerminal(const TAppScratch& scratch,
                              const std::string& program = std::string(QUILLARAN_BINARY_DIR) + "/app/quillaran")
      : fOutput(scratch.Folder + "/terminal" + std::to_string(++sRuns) + ".txt") {
    int input[2];
    if (pipe(input) != 0) return;
    fPid = fork();
    if (fPid == 0) {
      dup2(input[0], STDIN_FILENO);
      const int out = open(fOutput.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
      dup2(out, STDOUT_FILENO);
      dup2(out, STDERR_FILENO);
      close(input[0]);
      close(input[1]);
      close(out);
      unsetenv("DISPLAY");
      execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
      _exit(127);
    }
    close(input[0]);
    fInput = input[1];
  }
  ~TProgramOnTerminal() {
    CloseInput();
    if (fPid > 0) {
      kill(fPid, SIGKILL);
      waitpid(fPid, nullptr, 0);
    }
  }

  // Answers in the program's code page, one a line.
  void Answer(const std::string& line) {
    const std::string bytes = platform::AnsiToUtf8(line) + "\n";
    ASSERT_EQ(write(fInput, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
  }
  void CloseInput() {
    if (fInput >= 0) close(fInput);
    fInput = -1;
  }

  // What the program wrote so far, in the program's code page.
  std::string Output() const { return platform::Utf8ToAnsi(testsupport::ReadFile(fOutput)); }

  bool WaitForOutput(const std::string& text) const {
    const auto until = std::chrono::steady_clock::now() + kTimeout;
    while (std::chrono::steady_clock::now() < until) {
      if (Output().find(text) != std::string::npos) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
  }

  void Signal(int signal) { kill(fPid, signal); }
  long Pid() const { return fPid; }

  // The exit code, -1 when it did not end in time or ended by a signal.
  int Wait() {
    const auto until = std::chrono::steady_clock::now() + kTimeout;
    while (std::chrono::steady_clock::now() < until) {
      int status = 0;
      const pid_t ended = waitpid(fPid, &status, WNOHANG);
      if (ended == fPid) {
        fPid = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return -1;
  }

 private:
  static constexpr auto kTimeout = std::chrono::seconds(30);
  static inline int sRuns = 0;
  std::string fOutput;  // one file a run, so that nothing of an earlier run is read
  pid_t fPid = -1;
  int fInput = -1;
};
