#pragma once
// The hidden start form: the application's main form. It moves itself off the screen and,
// when it is first shown, runs the start-up driver; its work paint box `PaintBoxWork` is
// the canvas on which texts and rows are measured. Closing it ends the program.

#include "app/Tstartupdriver.h"
#include "platform/forms/Tform.h"

class TFont;
class TPaintBox;

class TFormStart : public TForm {
 public:
  explicit TFormStart(TComponent* owner);
  ~TFormStart() override;

  TPaintBox* PaintBoxWork;
  TFont* FontShared;  // the program's shared font

  // What the first showing runs.
  void SetStartup(TStartupDriver* driver, int argc, const char* const* argv);
  bool Started() const { return fStarted; }
  TStartupDriver::TStart StartResult() const { return fResult; }

 private:
  void FirstShow();
  TStartupDriver* fDriver = nullptr;
  int fArgc = 0;
  const char* const* fArgv = nullptr;
  bool fStarted = false;
  TStartupDriver::TStart fResult = TStartupDriver::TStart::Failed;
};

// The application's idle handler (notification 2, the queued notifications, and the end
// of the loop once the error window or a stop signal asked to terminate) and its deactivation handler
// (notification 1).
void InstallApplicationHandlers();

// The program with its windows: the start form, the message loop and the shutdown
// step. The exit code. Off the screen (no display) the questions of start-up go to the
// terminal and the windows live on the in-memory screen until a stop signal.
int RunWithWindows(int argc, const char* const* argv, bool onScreen = true);
