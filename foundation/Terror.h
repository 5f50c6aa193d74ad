#pragma once
// The process-wide error state. The program's own code reports a failure once
// (as a rule "Class::Method - text") and every caller tests the state after each
// call that can fail and returns. The state is sticky: once an error is
// reported it stays reported. Each report is appended to "errors.log" in the
// data root (UTF-8) and shown in the error window, whose buttons may ask the
// program to terminate, or to terminate and start again with "/ReRun".

#include <string>
#include <string_view>

class TError {
 public:
  // Reports one error to the process-wide state.
  static void Report(std::string_view text);
  static TError& Instance();

  bool IsReported() const { return fReported; }
  bool IsTerminateRequested() const { return fTerminate; }
  bool IsReloadRequested() const { return fReload; }
  bool StartedWithReRun() const { return fReRun; }
  void SetStartedWithReRun(bool on) { fReRun = on; }
  // From the error window's buttons: stop at the next test, and start again when `reload`.
  void RequestTerminate(bool reload);

  // A fresh state, as at start-up (the process-wide objects are created anew).
  void Reset();

  // The log file: the data root's "errors.log".
  static std::string LogPath();
  // Appends one line to the log, in UTF-8.
  static void AppendToLog(std::string_view line);

 private:
  bool fReported = false;
  bool fTerminate = false;
  bool fReload = false;
  bool fReRun = false;
  bool fShowing = false;  // a report made while the error window is up is only logged
};

// True when an error was reported since start.
bool IsErrorReported();
