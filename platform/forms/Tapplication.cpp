#include "platform/forms/Tapplication.h"

#include <unistd.h>

#include <climits>
#include <exception>

#include "platform/forms/Formsstate.h"
#include "platform/forms/Messagebox.h"
#include "platform/forms/Tcustomcontrol.h"
#include "platform/forms/Tform.h"
#include "platform/forms/Tscreen.h"
#include "platform/gui/Input.h"
#include "platform/gui/Messagequeue.h"
#include "platform/rtl/Tthread.h"

namespace {
void SynchronizeHook() {
  if (platform::IsMainThread()) CheckSynchronize();
}
}  // namespace

TApplication::TApplication(TComponent* AOwner) : TComponent(AOwner) {
  platform::SetSynchronizeHook(SynchronizeHook);
  platform::SetSynchronizeWakeup([] { platform::WakeMessageLoops(); });
}

// The forms go while the object is still an application: each one asks it, as it goes,
// whether it was the main form.
TApplication::~TApplication() { DestroyComponents(); }

void TApplication::FormCreated(TCustomForm* Form) {
  if (!mainForm_) {
    if (auto* f = dynamic_cast<TForm*>(Form)) mainForm_ = f;
  }
  Form->DoCreate();
}

std::string TApplication::ExeName() const {
  char buffer[PATH_MAX];
  ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  return n > 0 ? std::string(buffer, static_cast<size_t>(n)) : std::string();
}

void TApplication::SetHint(const std::string& Value) {
  if (Value == hint_) return;
  hint_ = Value;
  if (OnHint) OnHint(this);
}

bool TApplication::ProcessMessage(MSG& Msg) {
  if (!PeekMessage(&Msg, nullptr, 0, 0, PM_REMOVE)) return false;
  if (Msg.message == WM_QUIT) {
    terminated_ = true;
    return true;
  }
  bool handled = false;
  if (OnMessage) OnMessage(Msg, handled);
  if (!handled) {
    TranslateMessage(&Msg);
    DispatchMessage(&Msg);
  }
  return true;
}

void TApplication::ProcessMessages() {
  MSG msg;
  while (ProcessMessage(msg)) {
  }
}

void TApplication::Idle() {
  platform::forms::RunDeferredFrees();
  TControlCanvas::FreeDeviceContexts();
  bool done = true;
  if (OnIdle) OnIdle(this, done);
  SynchronizeHook();
  if (done) WaitMessage();
}

void TApplication::HandleMessage() {
  MSG msg;
  if (!ProcessMessage(msg)) Idle();
}

void TApplication::Run() {
  if (mainForm_ && showMainForm_) mainForm_->Show();
  while (!terminated_) {
    try {
      HandleMessage();
    } catch (Exception& e) {
      HandleException(e);
    }
  }
  // Forms released by the last events (a window that closed itself and ended the
  // program) go now, before the program frees what they show.
  MSG msg;
  while (PeekMessage(&msg, nullptr, CM_RELEASE, CM_RELEASE, PM_REMOVE)) DispatchMessage(&msg);
  platform::forms::RunDeferredFrees();
}

void TApplication::Terminate() {
  terminated_ = true;
  PostQuitMessage(0);
}

void TApplication::ResetTerminated() {
  terminated_ = false;
  MSG msg;
  while (PeekMessage(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
  }
}

void TApplication::ActiveChanged(bool Active) {
  if (Active == active_) return;
  active_ = Active;
  if (Active && OnActivate) OnActivate(this);
  if (!Active && OnDeactivate) OnDeactivate(this);
}

int TApplication::MessageBox(const std::string& Text, const std::string& Caption, UINT Flags) {
  return ShowMessageBox(Text, Caption.empty() ? title_ : Caption, Flags);
}

void TApplication::HandleException(Exception& E, TObject* Sender) {
  if (dynamic_cast<EAbort*>(&E)) return;
  if (OnException) OnException(Sender ? Sender : this, E);
  else ShowException(E);
}

void TApplication::HandleException(TObject* Sender) {
  std::exception_ptr current = std::current_exception();
  if (!current) return;
  try {
    std::rethrow_exception(current);
  } catch (Exception& e) {
    HandleException(e, Sender);
  } catch (std::exception& e) {
    Exception wrapped(e.what());
    HandleException(wrapped, Sender);
  } catch (...) {
    Exception wrapped("Unknown exception");
    HandleException(wrapped, Sender);
  }
}

void TApplication::ShowException(Exception& E) {
  std::string text = E.Message();
  if (!text.empty() && text.back() != '.') text += '.';
  MessageBox(text, title_, MB_OK | MB_ICONSTOP);
}

bool TApplication::HelpContext(intptr_t Context) { return HelpCommand(HELP_CONTEXT, Context); }

bool TApplication::HelpCommand(WORD Command, intptr_t Data) {
  if (Command == HELP_CONTEXT) lastHelpContext_ = Data;
  bool callHelp = true;
  bool result = false;
  if (OnHelp) result = OnHelp(Command, Data, callHelp);
  // There is no help viewer of the system to call: the request is only recorded.
  return result;
}

// The screen and the application live in this one unit, so that they are made in this order
// and go in the reverse one: forms the application still owns when the program ends leave
// the screen's list while there is a screen.
static TScreen screenInstance(nullptr);
TScreen* Screen = &screenInstance;
static TApplication applicationInstance(nullptr);
TApplication* Application = &applicationInstance;
