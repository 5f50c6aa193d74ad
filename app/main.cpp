// Program entry: prepares the data root and runs the browser, with its windows on the X
// display when there is one, else on the in-memory screen with the questions of
// start-up on the terminal. SIGINT and SIGTERM end it as closing its windows would.

#include "app/Terminaloptions.h"
#include "app/Tformstart.h"
#include "controls/Libcursors.h"
#include "net/Netlibrary.h"
#include "platform/display/Programdisplay.h"
#include "platform/gui/Messagequeue.h"
#include "platform/kernel/Console.h"
#include "platform/kernel/Datafolders.h"

#include <cstdio>

int main(int argc, char** argv) {
  if (auto answered = AnswerTerminalOptions(argc, argv, stdout)) return *answered;
  const std::string root = platform::DataRoot();
  if (!platform::MakePrivateFolder(root)) {
    std::fprintf(stderr, "quillaran: cannot create the data folder %s\n", root.c_str());
    return 1;
  }
  InitializeNetLibrary();
  platform::ProgramDisplay display;
  InstallLibraryCursors();
  // The signal only wakes the message loop, whose idle step then ends it.
  const DWORD mainThread = GetCurrentThreadId();
  platform::WatchStopSignals([mainThread] { PostThreadMessage(mainThread, WM_NULL, 0, 0); });
  const int code = RunWithWindows(argc, argv, display.OnX11());
  platform::WatchStopSignals(nullptr);
  FinalizeNetLibrary();
  return code;
}
