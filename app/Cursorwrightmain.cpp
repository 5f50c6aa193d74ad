// The pointer engine as a program of its own, for every program on the desktop: its
// coordinator is the main window, kept hidden; the engine's icon on the desktop's panel
// shows its windows, its read-me, and ends it. SIGINT and SIGTERM end it as "Exit" does.

#include "controls/Libcursors.h"
#include "controls/Textrayicon.h"
#include "platform/display/Programdisplay.h"
#include "platform/forms/Forms.h"
#include "platform/gui/Messagequeue.h"
#include "platform/kernel/Console.h"
#include "pointer/Tformmain.h"
#include "pointer/Tformstartcursorwright.h"

#include <cstdio>

int main() {
  platform::ProgramDisplay display;
  InstallLibraryCursors();
  const DWORD mainThread = GetCurrentThreadId();
  platform::WatchStopSignals([mainThread] { PostThreadMessage(mainThread, WM_NULL, 0, 0); });
  Application->OnIdle = [](TObject*, bool&) {
    if (platform::StopSignalled()) Application->Terminate();
  };
  TFormStart_Cursorwright* coordinator = nullptr;
  Application->CreateForm(coordinator);
  if (TFormMain* engine = coordinator->Engine())
    if (!engine->ExTrayIcon()->Added())
      std::fprintf(stderr, "cursorwright: this desktop has no system tray; the keys work without the icon\n");
  Application->SetShowMainForm(false);
  Application->Run();
  delete coordinator;  // while the display and its fonts are still there
  // A signal from now on wakes nothing: the queues it would post to go with the statics.
  platform::WatchStopSignals(nullptr);
  return 0;
}
