#include "app/Tformstart.h"

#include "app/Browsestartup.h"
#include "app/Guidialogs.h"
#include "app/Terminaldialogs.h"
#include "app/Tformreadme.h"
#include "browse/Tformbrowsemanager.h"
#include "controls/Newcontrol.h"
#include "foundation/Terror.h"
#include "foundation/Tlisteners.h"
#include "foundation/Workpaintbox.h"
#include "model/Tdiscussion.h"
#include "model/Tdiscussionsmanager.h"
#include "platform/forms/Tapplication.h"
#include "platform/forms/Tgraphicsobject.h"
#include "platform/forms/Tpaintbox.h"
#include "platform/gui/Gui.h"
#include "platform/kernel/Console.h"

TFormStart::TFormStart(TComponent* owner) : TForm(owner) {
  SetName("FormStart");
  SetCaption("Quillaran");
  SetBorderStyle(bsNone);
  SetBounds(-10000, -10000, 200, 100);
  BuildControls(*this, {{Into(PaintBoxWork), "PaintBoxWork", "", {0, 0, 200, 100}}});
  WorkPaintBox() = PaintBoxWork;
  FontShared = new TFont();
  FontShared->SetName("DejaVu Sans");
  FontShared->SetSize(10);
  SharedFont() = FontShared;
  OnShow = [this](TObject*) { FirstShow(); };
}

TFormStart::~TFormStart() {
  if (WorkPaintBox() == PaintBoxWork) WorkPaintBox() = nullptr;
  if (SharedFont() == FontShared) SharedFont() = nullptr;
  delete FontShared;
}

void TFormStart::SetStartup(TStartupDriver* driver, int argc, const char* const* argv) {
  fDriver = driver;
  fArgc = argc;
  fArgv = argv;
}

namespace {
constexpr UINT WM_START_UP = WM_APP + 0x101;
}

void TFormStart::StartWhenLoopRuns() { PostMessage(Handle(), WM_START_UP, 0, 0); }

void TFormStart::WndProc(TMessage& Message) {
  if (Message.Msg == WM_START_UP) {
    RunStartUp();
    Message.Result = 0;
    return;
  }
  TForm::WndProc(Message);
}

void TFormStart::FirstShow() {
  // Off the screen, whatever placement the window system chose.
  SetBounds(-10000, -10000, Width(), Height());
  RunStartUp();
}

void TFormStart::RunStartUp() {
  if (fStarted || !fDriver) return;
  fStarted = true;
  fResult = fDriver->Start(fArgc, fArgv);
  if (fResult != TStartupDriver::TStart::Running) Application->Terminate();
}

void InstallApplicationHandlers() {
  Application->OnIdle = [](TObject*, bool& done) {
    TStartupDriver::OnIdle();
    done = !TListeners::Instance().HasQueued();
    if (TError::Instance().IsTerminateRequested() || platform::StopSignalled()) Application->Terminate();
  };
  Application->OnDeactivate = [](TObject*) { TStartupDriver::OnDeactivate(); };
  // Each key or button the user presses begins a new undo step in every discussion (but
  // one whose command holds its step open).
  Application->OnMessage = [](MSG& msg, bool&) {
    switch (msg.message) {
      case WM_KEYDOWN: case WM_SYSKEYDOWN: case WM_LBUTTONDOWN: case WM_RBUTTONDOWN: case WM_MBUTTONDOWN:
        if (TDiscussionsManager* manager = DiscussionsManager())
          for (int i = 0; i < manager->GetDiscussionsCount(); ++i)
            if (manager->GetDiscussion(i).Loaded) manager->GetDiscussion(i).Undo.StartStep();
        break;
      default: break;
    }
  };
}

int RunWithWindows(int argc, const char* const* argv, bool onScreen) {
  if (TError::Instance().IsTerminateRequested()) return 1;
  InstallApplicationHandlers();
  TStartupDriver driver;
  TFormBrowseManager browseWindows;
  if (onScreen) {
    RegisterGuiDialogs();
    driver.Hooks.ShowReadme = [](const std::string& path) {
      TFormReadme readme(nullptr);
      return readme.Execute(path);
    };
  } else {
    PrepareTerminalStartup(driver);
  }
  TFormStart* start = nullptr;
  Application->CreateForm(start);
  ConnectBrowseWindows(driver, browseWindows, *start);
  start->SetStartup(&driver, argc, argv);
  Application->SetShowMainForm(false);
  start->StartWhenLoopRuns();
  Application->Run();
  const TStartupDriver::TStart result = start->StartResult();
  browseWindows.DestroyAll();  // windows left by a termination go before what they show
  driver.Shutdown();
  delete start;  // while the display and its fonts are still there
  if (!onScreen && result == TStartupDriver::TStart::NoLogin) TellNoLoginOnTerminal();
  switch (result) {
    case TStartupDriver::TStart::Running: return 0;
    case TStartupDriver::TStart::AnotherInstance: return 3;
    case TStartupDriver::TStart::NoLogin: return 2;
    case TStartupDriver::TStart::Failed: return 1;
  }
  return 1;
}
