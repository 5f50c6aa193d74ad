#pragma once
// The single-instance test. Each program of the suite owns a hidden top-level window
// titled with its identifier string; windows of every process of the user are found by
// title, so a program sees whether another program of the suite runs.

#include "platform/gui/Wintypes.h"

#include <string>

// The identifier strings of the suite's programs.
inline constexpr const char* BrowserIdentifier = "Quillaran Browser - instance identifier";
inline constexpr const char* ManagerIdentifier = "Quillaran Manager - instance identifier";
inline constexpr const char* LoginsEditorIdentifier = "Quillaran Logins Editor - instance identifier";

// The program of the suite that the browser may not run beside, "" when none runs:
// another browser, the manager or the logins editor.
std::string FindRunningSuiteProgram();

// The refusal shown when another program of the suite runs (caption "STARTING QUILLARAN").
void ShowAlreadyRunning(const std::string& program);

// The browser's own identifier window; it also carries the program-wide 300 ms timer,
// whose ticks go out as notification 4.
class TInstanceWindow {
 public:
  static constexpr unsigned TickMilliseconds = 300;

  TInstanceWindow();
  ~TInstanceWindow();
  TInstanceWindow(const TInstanceWindow&) = delete;
  TInstanceWindow& operator=(const TInstanceWindow&) = delete;

  HWND Handle() const { return fWindow; }
  bool StartTicks();
  void StopTicks();

 private:
  HWND fWindow = nullptr;
  bool fTicking = false;
};
