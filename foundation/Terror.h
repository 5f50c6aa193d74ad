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
  // How many errors were reported since start: tells whether a call reported one even
  // when the state was already reported before it.
  unsigned ReportCount() const { return fCount; }
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
  friend class TErrorCapture;
  bool fReported = false;
  unsigned fCount = 0;
  bool fTerminate = false;
  bool fReload = false;
  bool fReRun = false;
  bool fShowing = false;  // a report made while the error window is up is only logged
};

// True when an error was reported since start.
bool IsErrorReported();

// Reading what other participants sent: a refusal of their input is no fault of the
// program. While a capture lives, reports are kept by it and logged ("REFUSED INPUT: ")
// instead of shown, and the error state reads as reported once one was made, so that the
// code below stops as usual. When the capture ends the state is what it was before.
class TErrorCapture {
 public:
  TErrorCapture();
  ~TErrorCapture();
  TErrorCapture(const TErrorCapture&) = delete;
  TErrorCapture& operator=(const TErrorCapture&) = delete;

  bool Caught() const { return fCaught; }
  // A report was made while this computer failed (the disk full or failing, memory, files
  // that may not be written): the input is not to blame.
  bool Local() const { return fLocal; }
  // The first text reported inside.
  const std::string& First() const { return fFirst; }

 private:
  friend class TError;
  TErrorCapture* fOuter;
  bool fWasReported;
  bool fCaught = false;
  bool fLocal = false;
  std::string fFirst;
};
