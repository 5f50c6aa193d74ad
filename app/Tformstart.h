#pragma once
// The hidden start form: the application's main form. It is never put on the screen: the
// start-up driver runs when the message loop takes the start the form posts itself (or
// when it is first shown); its work paint box `PaintBoxWork` is the canvas on which texts
// and rows are measured. Closing it ends the program.

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

  // What the start runs.
  void SetStartup(TStartupDriver* driver, int argc, const char* const* argv);
  // Starts once the message loop runs, without showing the form.
  void StartWhenLoopRuns();
  bool Started() const { return fStarted; }
  TStartupDriver::TStart StartResult() const { return fResult; }

 protected:
  void WndProc(TMessage& Message) override;

 private:
  void FirstShow();
  void RunStartUp();
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
