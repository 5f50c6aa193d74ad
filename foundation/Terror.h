#pragma once
// The process-wide error state. The program's own code reports a failure once
// (as a rule "Class::Method - text") and every caller tests the state after each
// call that can fail and returns. The state is sticky: once an error is
// reported it stays reported. Each report is appended to "errors.log" in the
// data root (UTF-8) and shown in the error window, whose buttons may ask the
// program to terminate, or to terminate and start again with "/ReRun".

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

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
  // Appends one line to the log, in UTF-8: line breaks and other control characters in
  // it are written escaped ("\n", "\x1B").
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
// A command that tells the user of its own failure in a box of its own captures its work
// too (OwnWork): what is reported there is logged as an error.
class TErrorCapture {
 public:
  enum TKind { Input, OwnWork };
  explicit TErrorCapture(TKind kind = Input);
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
  bool fOwnWork;
  bool fCaught = false;
  bool fLocal = false;
  std::string fFirst;
};

// Work done on another thread for the main one (a discussion's files read at once): the
// error state and its window belong to the main thread. While a hold lives, what its
// thread reports is kept in it, untouched by the state, for the main thread to report
// where the work would have reported it had it run there.
class TErrorHold {
 public:
  struct THeld {
    std::string Text;
    uint32_t LastError;  // the system's last error at the report
  };
  TErrorHold();
  ~TErrorHold();  // on the thread that made it
  TErrorHold(const TErrorHold&) = delete;
  TErrorHold& operator=(const TErrorHold&) = delete;

  // The reports held so far, taken out of the hold.
  std::vector<THeld> Take() { return std::move(fHeld); }
  // Reports what was held, in order, on the calling thread.
  static void ReportHeld(const std::vector<THeld>& held);

 private:
  friend class TError;
  TErrorHold* fOuter;
  std::vector<THeld> fHeld;
};
