#pragma once
// What many test suites need: a private scratch folder per test, whole-file
// reads and writes, random bytes, and running an independent peer program.

#include <cstdint>
#include <functional>
#include <string>
#include <utility>

namespace testsupport {

// A fresh, empty folder under $QUILLARAN_TEST_TMP named after the running test.
std::string ScratchFolder();

std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& data);

// Reproducible pseudo-random bytes.
std::string RandomBytes(size_t size, uint32_t seed);

std::string Hex(const std::string& bytes);

// Runs a shell command, returns its standard output and puts its exit code
// in *status when given (-1 when it could not be run).
std::string Run(const std::string& command, int* status = nullptr);

// The same, failing the running test when the command exits non-zero.
std::string RunPeer(const std::string& command);

// Asks the condition again and again until it holds, for what another process or thread
// does in its own time (a file it writes, a window it opens). False only after two
// minutes, so that a fault fails the test instead of holding the run.
bool Eventually(const std::function<bool()>& condition);

// Waits for a child process (forked, or started without background reaping) to end, for
// at most `seconds`; one still running then is killed and reaped, and the result is false.
// `status` gets the child's status as waitpid gives it.
bool WaitForChild(int child, int seconds, int& status);

// A port of 127.0.0.1 that refuses every connection while this lives: bound, never listening.
class TClosedPort {
 public:
  TClosedPort();
  ~TClosedPort();
  TClosedPort(const TClosedPort&) = delete;
  TClosedPort& operator=(const TClosedPort&) = delete;
  int Port() const { return fPort; }

 private:
  int fSocket = -1;
  int fPort = 0;
};

// Gives a process-wide setting (a global pointer, a flag) a value for the life of a scope
// and puts the previous one back, also when a failed assertion ends the test early: the
// next test in the same process never meets a pointer to a local that is gone.
template <class T>
class TScopedGlobal {
 public:
  TScopedGlobal(T& global, T value) : fGlobal(global), fPrevious(std::exchange(global, std::move(value))) {}
  ~TScopedGlobal() { fGlobal = std::move(fPrevious); }
  TScopedGlobal(const TScopedGlobal&) = delete;
  TScopedGlobal& operator=(const TScopedGlobal&) = delete;

 private:
  T& fGlobal;
  T fPrevious;
};

}  // namespace testsupport
