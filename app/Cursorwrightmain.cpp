// The pointer engine as a program of its own, for every program on the desktop: its
// coordinator is the main window, kept hidden; the engine's icon on the desktop's panel
// shows its windows, its read-me, and ends it. SIGINT and SIGTERM end it as "Exit" does.
// It answers "--help" and "--version" on the terminal and, having nothing to serve without
// an X display, ends at once when there is none.

#include "controls/Libcursors.h"
#include "controls/Textrayicon.h"
#include "platform/display/Programdisplay.h"
#include "platform/forms/Forms.h"
#include "platform/gui/Messagequeue.h"
#include "platform/kernel/Console.h"
#include "platform/kernel/Programfiles.h"
#include "pointer/Tformmain.h"
#include "pointer/Tformstartcursorwright.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>

namespace {

const char* const kUsage =
    "Usage: cursorwright\n"
    "       cursorwright --help | -h | --version\n"
    "\n"
    "Click, drag and scroll with the keyboard in every window of the X desktop.\n"
    "\n"
    "  --help, -h   print this text and end\n"
    "  --version    print the version and end\n"
    "\n"
    "Either Windows key is the main mouse button, the Menu key the other one; hold Ctrl, Z\n"
    "or / and move the mouse to scroll the window under the pointer. The icon on the\n"
    "desktop's panel shows the engine's window, its read-me, and ends it; so do SIGINT and\n"
    "SIGTERM.\n";

// The exit status when the command line is answered here (help, version, a wrong option),
// else nothing: the engine starts.
std::optional<int> AnswerCommandLine(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
      std::fputs(kUsage, stdout);
      std::printf("The read-me is %s/%s.\n", platform::ProgramDataFolder().c_str(), kEngineReadMeName);
      return 0;
    }
    if (std::strcmp(argv[i], "--version") == 0) {
      std::printf("cursorwright (Quillaran) %s\n", QUILLARAN_VERSION);
      return 0;
    }
  }
  if (argc > 1) {
    std::fprintf(stderr, "cursorwright: unknown option %s\nTry 'cursorwright --help'.\n", argv[1]);
    return 2;
  }
  return std::nullopt;
}

}  // namespace

int main(int argc, char** argv) {
  if (auto answered = AnswerCommandLine(argc, argv)) return *answered;
  platform::ProgramDisplay display(platform::ProgramDisplay::WithoutX::Refuse);
  if (!display.OnX11()) {
    const char* name = std::getenv("DISPLAY");
    if (name && *name)
      std::fprintf(stderr, "cursorwright: cannot open the X display %s; the engine serves X windows only\n", name);
    else std::fprintf(stderr, "cursorwright: no X display ($DISPLAY is not set); the engine serves X windows only\n");
    return 1;
  }
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
