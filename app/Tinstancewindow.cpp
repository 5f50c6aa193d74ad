#include "app/Tinstancewindow.h"

#include "foundation/Guihooks.h"
#include "foundation/Tlisteners.h"
#include "platform/gui/Gui.h"

namespace {

const char* const kClassName = "TQuillaranInstance";
constexpr UINT_PTR kTickTimer = 1;

LRESULT InstanceWindowProc(HWND window, UINT message, WPARAM w, LPARAM l) {
  if (message == WM_TIMER && w == kTickTimer) {
    TListeners::Send(Notify_Tick, false);
    return 0;
  }
  return DefWindowProc(window, message, w, l);
}

void RegisterInstanceClass() {
  WNDCLASS cls{};
  cls.lpfnWndProc = InstanceWindowProc;
  cls.lpszClassName = kClassName;
  RegisterClass(&cls);  // a second registration fails harmlessly
}

}  // namespace

std::string FindRunningSuiteProgram() {
  struct Program {
    const char* identifier;
    const char* name;
  };
  static const Program programs[] = {
      {BrowserIdentifier, "Quillaran"},
      {ManagerIdentifier, "The Quillaran manager"},
      {LoginsEditorIdentifier, "The Quillaran logins editor"},
  };
  for (const Program& p : programs)
    if (FindWindow(nullptr, p.identifier)) return p.name;
  return std::string();
}

void ShowAlreadyRunning(const std::string& program) {
  ShowMessageBox("STARTING QUILLARAN", program + " is already running.\nQuillaran cannot start beside it.");
}

TInstanceWindow::TInstanceWindow() {
  RegisterInstanceClass();
  fWindow = CreateWindowEx(0, kClassName, BrowserIdentifier, WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr,
                           nullptr);
}

TInstanceWindow::~TInstanceWindow() {
  StopTicks();
  if (fWindow) DestroyWindow(fWindow);
}

bool TInstanceWindow::StartTicks() {
  if (!fWindow) return false;
  fTicking = SetTimer(fWindow, kTickTimer, TickMilliseconds, nullptr) != 0;
  return fTicking;
}

void TInstanceWindow::StopTicks() {
  if (fTicking && fWindow) KillTimer(fWindow, kTickTimer);
  fTicking = false;
}
