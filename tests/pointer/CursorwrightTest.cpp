// The pointer engine: its coordinators agreeing which one works, and the keyboard
// poll turning the Windows and Applications keys into mouse buttons over served windows.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <thread>

#include "controls/Ctlresources.h"
#include "controls/Textrayicon.h"
#include "platform/display/Headlessscreen.h"
#include "platform/display/Screendriver.h"
#include "platform/forms/Dialogscript.h"
#include "platform/forms/Forms.h"
#include "platform/forms/Messagebox.h"
#include "platform/gui/Gui.h"
#include "platform/gui/Windowdirectory.h"
#include "platform/kernel/Datafolders.h"
#include "platform/kernel/Process.h"
#include "platform/shell/Notifyicon.h"
#include "pointer/Tformmain.h"
#include "pointer/Tformstartcursorwright.h"
#include "tests/support/Xvfbserver.h"

namespace {

class Cursorwright : public ::testing::Test {
 protected:
  void SetUp() override {
    SetHookLibraryOverride(std::string(QUILLARAN_BINARY_DIR) + "/app/Leafsnare.dll");
    Application->ResetTerminated();
  }
  void TearDown() override {
    StartStopCursorwright(false);
    person.Pump();
    while (::Screen->FormCount() > 0) delete ::Screen->Forms(0);
    person.Pump();
    EXPECT_EQ(platform::WindowCount(), 0u) << "windows left behind";
    SetHookLibraryOverride("");
    Application->SetMainForm(nullptr);
    Application->ResetTerminated();
  }
  static std::vector<std::string> Lines(TMemo* Memo) {
    std::vector<std::string> out;
    for (int i = 0; i < Memo->Lines()->Count(); ++i) out.push_back(Memo->Lines()->Strings(i));
    return out;
  }
  std::string Me() { return ProcessIdHex(static_cast<uint32_t>(getpid())); }
  // One poll of the engine after the keyboard changed.
  void Poll() {
    person.Pump();
    _FormStart_Cursorwright->Engine()->PollKeyboard();
    person.Pump();
  }

  // A right click on the tray icon, then the menu's item Position (from 1) by the keys.
  void ChooseFromTrayMenu(const platform::NotifyIconEntry& Icon, int Position) {
    int step = 0;
    platform::SetMenuLoopIdleHook([&] {
      if (step++ > 0) return;
      for (int i = 0; i < Position; ++i) person.PressKey(VK_DOWN);
      person.PressKey(VK_RETURN);
    });
    platform::NotifyIconMouse(Icon.window, Icon.id, WM_RBUTTONDOWN);
    platform::NotifyIconMouse(Icon.window, Icon.id, WM_RBUTTONUP);
    person.Pump();
    platform::SetMenuLoopIdleHook(nullptr);
  }

  platform::HeadlessScreen screen{800, 600};
  platform::ScreenDriver person;
};

// A plain form that records the mouse buttons it gets.
class TTarget : public TForm {
 public:
  TTarget() : TForm(nullptr) {
    SetBorderStyle(bsNone);
    SetBounds(100, 100, 200, 150);
    OnMouseDown = [this](TObject*, TMouseButton Button, TShiftState, int X, int Y) {
      events.push_back(std::string(Button == mbLeft ? "left" : "right") + " down " + std::to_string(X) + "," +
                       std::to_string(Y));
    };
    OnMouseUp = [this](TObject*, TMouseButton Button, TShiftState, int, int) {
      events.push_back(std::string(Button == mbLeft ? "left" : "right") + " up");
    };
    Show();
  }
  std::vector<std::string> events;
};

TEST_F(Cursorwright, SwitchingOnAloneWorksAndServesItsOwnProcess) {
  StartStopCursorwright(true);
  TFormStart_Cursorwright* start = _FormStart_Cursorwright;
  ASSERT_NE(start, nullptr);
  EXPECT_EQ(start->Caption(), "App Cursorwright working...");
  EXPECT_TRUE(start->IsAppVariant());
  ASSERT_NE(start->Engine(), nullptr);
  EXPECT_FALSE(start->Visible());
  // The hook library is loaded; the desktop's keys cannot be blocked, and it says so.
  EXPECT_FALSE(start->Engine()->HookSet());
  EXPECT_EQ(start->ClientHeight(), 41) << "only the header shows";
  EXPECT_EQ(start->ServedCount(), 1);
  EXPECT_EQ(start->ServedProcessId(0), static_cast<uint32_t>(getpid()));
  EXPECT_EQ(Lines(start->MemoProcesses()), (std::vector<std::string>{"me: " + Me(), Me()}));
  EXPECT_EQ(FindWindowA("TFormStart_Cursorwright", "App Cursorwright working..."), start->Handle());

  StartStopCursorwright(true);
  EXPECT_EQ(_FormStart_Cursorwright, start) << "switching on twice makes one coordinator";
  StartStopCursorwright(false);
  EXPECT_EQ(_FormStart_Cursorwright, nullptr);
  StartStopCursorwright(false);  // nothing to switch off
  EXPECT_EQ(FindWindowA("TFormStart_Cursorwright", nullptr), nullptr);
}

TEST_F(Cursorwright, InstancesAgreeWhichOneWorks) {
  StartStopCursorwright(true);
  TFormStart_Cursorwright* first = _FormStart_Cursorwright;
  // A second instance (as another process's would) finds the working one and stays paused.
  auto* second = new TFormStart_Cursorwright(nullptr);
  EXPECT_EQ(second->Caption(), "App Cursorwright paused");
  EXPECT_EQ(second->Engine(), nullptr);
  EXPECT_FALSE(second->MemoProcesses()->Visible());
  person.Pump();
  EXPECT_EQ(first->ServedCount(), 2) << "the rescan it was asked for finds both instances";

  // Stopping the working one tells the paused one to start.
  first->StopEngine();
  EXPECT_EQ(first->Caption(), "App Cursorwright paused");
  person.Pump();
  EXPECT_NE(second->Engine(), nullptr);
  EXPECT_EQ(second->Caption(), "App Cursorwright working...");

  // A Sys instance makes the working one serve every process.
  first->StartEngine();
  person.Pump();
  EXPECT_EQ(first->Engine(), nullptr) << "another instance works already";
  first->SetCaption("Sys Cursorwright paused");
  second->RescanServedProcesses();
  second->UpdateCaption();
  EXPECT_TRUE(second->ServeAllProcesses());
  EXPECT_EQ(Lines(second->MemoProcesses()), (std::vector<std::string>{"me: " + Me(), "for all processes"}));
  first->SetCaption("App Cursorwright paused");

  // Destroying the working one hands the work over.
  delete second;
  person.Pump();
  EXPECT_NE(first->Engine(), nullptr);
  EXPECT_EQ(first->Caption(), "App Cursorwright working...");
  EXPECT_EQ(first->ServedCount(), 1);
}

TEST_F(Cursorwright, HookMessagesAreLoggedAndHandled) {
  StartStopCursorwright(true);
  TFormMain* engine = _FormStart_Cursorwright->Engine();
  PostMessageA(engine->Handle(), WM_VOX_TASKLIST_SUPPRESSED, 0x1A2B, 0x12345678);
  PostMessageA(engine->Handle(), WM_VOX_HOTKEY_SUPPRESSED, 0x5B, 0x2A);
  Application->ProcessMessages();
  EXPECT_EQ(Lines(engine->MemoKeys()),
            (std::vector<std::string>{"tasklist подавлен: 1A2B 12345678", "hotkey подавлен: 005B 0000002A"}));
  engine->UnblockTaskMenu();
  EXPECT_FALSE(engine->HookSet());
  // The desktop's keys cannot be blocked here: asking for the block says it is off.
  engine->BlockTaskMenu();
  EXPECT_FALSE(engine->HookSet());
  EXPECT_EQ(engine->MemoKeys()->Lines()->Strings(2), "блок выкл");
  EXPECT_EQ(engine->MemoKeys()->Lines()->Strings(3), "блок выкл");
}

TEST_F(Cursorwright, MissingHookLibraryEndsTheProgram) {
  SetHookLibraryOverride("/nonexistent/Leafsnare.dll");
  std::string shown;
  platform::DialogScript script;
  script.Answer("error", [&](TCustomForm& f) {
    shown = dynamic_cast<TMessageForm&>(f).Message();
    f.SetModalResult(mrOk);
  });
  StartStopCursorwright(true);
  EXPECT_EQ(shown, "leafsnare.dll not found");
  EXPECT_TRUE(Application->Terminated());
  EXPECT_FALSE(_FormStart_Cursorwright->Engine()->HookSet());
}

TEST_F(Cursorwright, WindowsKeysPressTheButtonsOverServedWindows) {
  TTarget target;
  StartStopCursorwright(true);
  TFormMain* engine = _FormStart_Cursorwright->Engine();
  person.MoveTo(150, 130);
  person.KeyDown(VK_LWIN);
  Poll();
  EXPECT_TRUE(engine->MainDown());
  person.KeyDown(VK_RWIN);
  Poll();
  person.KeyUp(VK_LWIN);
  Poll();
  EXPECT_TRUE(engine->MainDown()) << "the press lasts while either Windows key is down";
  person.KeyUp(VK_RWIN);
  Poll();
  EXPECT_FALSE(engine->MainDown());
  person.KeyDown(VK_APPS);
  Poll();
  person.KeyUp(VK_APPS);
  Poll();
  EXPECT_EQ(target.events, (std::vector<std::string>{"left down 50,30", "left up", "right down 50,30", "right up"}));

  // Over no window of a served process nothing is pressed, and its release sends nothing.
  target.events.clear();
  person.MoveTo(700, 500);
  person.KeyDown(VK_LWIN);
  Poll();
  EXPECT_FALSE(engine->MainDown());
  person.MoveTo(150, 130);
  Poll();
  person.KeyUp(VK_LWIN);
  Poll();
  EXPECT_TRUE(target.events.empty());

  // Left Ctrl with Esc: the task list of the program's windows once per Esc press, closed
  // here by Escape. It opens after the poll, so the engine's timer goes on polling while
  // the list waits for a choice.
  target.SetCaption("Цель");
  int listed = 0;
  bool polling = true;
  platform::SetMenuLoopIdleHook([&] {
    listed += platform::OpenMenuWindows().size() == 1;
    polling = polling && engine->TimerReTestKeyboard()->Enabled();
    person.PressKey(VK_ESCAPE);
  });
  person.KeyDown(VK_LCONTROL);
  person.KeyDown(VK_ESCAPE);
  person.Pump();
  engine->PollKeyboard();
  EXPECT_EQ(listed, 0) << "the list opens after the poll";
  Poll();
  person.KeyUp(VK_ESCAPE);
  Poll();
  person.KeyDown(VK_ESCAPE);
  Poll();
  person.KeyUp(VK_ESCAPE);
  person.KeyUp(VK_LCONTROL);
  Poll();
  int opened = 0;
  for (const auto& line : Lines(engine->MemoKeys())) opened += line == "taskmenu popup emulation";
  EXPECT_EQ(opened, 2);
  EXPECT_EQ(listed, 2);
  EXPECT_TRUE(polling);
  platform::SetMenuLoopIdleHook(nullptr);
}

// The Windows key clicks in the task list of Ctrl+Esc: the engine goes on polling while
// the list is open, and its press and release over an entry choose it, as the main button
// would. The window chosen, minimised before, comes back.
TEST_F(Cursorwright, TheWindowsKeyChoosesAnEntryOfTheTaskList) {
  TTarget target;
  target.SetCaption("Цель");
  StartStopCursorwright(true);
  TFormMain* engine = _FormStart_Cursorwright->Engine();
  target.SetWindowState(wsMinimized);
  person.Pump();
  ASSERT_TRUE(IsIconic(target.Handle()));
  int step = 0;
  platform::SetMenuLoopIdleHook([&] {
    const std::vector<HWND> menus = platform::OpenMenuWindows();
    if (menus.size() != 1 || step > 1) {
      person.PressKey(VK_ESCAPE);  // whatever else is open, nothing waits for a person
      return;
    }
    if (step++ == 0) {
      RECT list{};
      GetWindowRect(menus[0], &list);
      person.MoveTo((list.left + list.right) / 2, (list.top + list.bottom) / 2);  // its only entry
      person.KeyDown(VK_LWIN);
    } else {
      person.KeyUp(VK_LWIN);
    }
    engine->PollKeyboard();
  });
  person.KeyDown(VK_LCONTROL);
  person.KeyDown(VK_ESCAPE);
  Poll();
  person.KeyUp(VK_ESCAPE);
  person.KeyUp(VK_LCONTROL);
  Poll();
  platform::SetMenuLoopIdleHook(nullptr);
  EXPECT_EQ(step, 2) << "the list waited for the key's press and release";
  EXPECT_FALSE(IsIconic(target.Handle())) << "the entry was chosen";
  EXPECT_FALSE(engine->MainDown());
}

TEST_F(Cursorwright, SwappedButtonsPressTheLogicalButtons) {
  SwapMouseButton(TRUE);
  TTarget target;
  StartStopCursorwright(true);
  person.MoveTo(110, 110);
  person.KeyDown(VK_RWIN);
  Poll();
  person.KeyUp(VK_RWIN);
  Poll();
  person.KeyDown(VK_APPS);
  Poll();
  person.KeyUp(VK_APPS);
  Poll();
  SwapMouseButton(FALSE);
  EXPECT_EQ(target.events, (std::vector<std::string>{"left down 10,10", "left up", "right down 10,10", "right up"}));
}

TEST_F(Cursorwright, TheTimerPollsEveryTwentyMilliseconds) {
  TTarget target;
  StartStopCursorwright(true);
  person.MoveTo(120, 120);
  person.KeyDown(VK_LWIN);
  person.Advance(25);
  person.KeyUp(VK_LWIN);
  person.Advance(25);
  EXPECT_EQ(target.events, (std::vector<std::string>{"left down 20,20", "left up"}));
}

TEST_F(Cursorwright, TheDesktopEnginesTrayIconShowsItsWindowsAndEndsIt) {
  SetResourceFolder(std::string(QUILLARAN_BINARY_DIR) + "/app/resources");
  // As the desktop's own engine program makes it: the coordinator is the hidden main form.
  TFormStart_Cursorwright* start = nullptr;
  Application->CreateForm(start);
  SetResourceFolder("");
  EXPECT_EQ(start->Caption(), "Sys Cursorwright working...");
  EXPECT_FALSE(start->CheckBoxAppVersion()->Checked());
  EXPECT_EQ(Lines(start->MemoProcesses()), (std::vector<std::string>{"me: " + Me(), "for all processes"}));
  TFormMain* engine = start->Engine();
  ASSERT_NE(engine, nullptr);
  EXPECT_FALSE(engine->Visible());
  // Its icon, the picture shipped beside the program, stands on the panel.
  const auto icons = platform::NotifyIcons();
  ASSERT_EQ(icons.size(), 1u);
  EXPECT_EQ(icons[0].tip, "Cursorwright");
  EXPECT_EQ(engine->ExTrayIcon()->Icon()->Width(), 32);

  // Its menu: "Display window" shows the engine's window and the program's.
  ChooseFromTrayMenu(icons[0], 2);
  EXPECT_TRUE(engine->Visible());
  EXPECT_TRUE(start->Visible());
  EXPECT_EQ(start->ClientHeight(), 41) << "first it says it is loading";
  person.Advance(500);
  EXPECT_EQ(start->ClientHeight(), 41 + 172) << "then its controls unfold";
  EXPECT_FALSE(start->TimerHideWindows()->Enabled());

  // The test labels turn red while their key is held, on the screen too.
  person.MoveTo(2, 590);  // over the bare desktop: the press reaches no window
  person.KeyDown(VK_LWIN);
  Poll();
  TLabel* win = engine->KeyLabel(TKeySnapshot::LWin);
  EXPECT_EQ(win->Font()->Color(), TColor(255));
  EXPECT_EQ(engine->LabelMainClick()->Font()->Color(), TColor(255));
  EXPECT_EQ(engine->KeyLabel(TKeySnapshot::RWin)->Font()->Color(), clBlack);
  auto inked = [&](TLabel* Label, COLORREF Ink) {
    for (int x = 0; x < Label->Width(); ++x)
      if (screen.WindowPixel(engine->Handle(), Label->Left() + x, Label->Top() + Label->Height() / 2) == Ink) return true;
    return false;
  };
  EXPECT_TRUE(inked(win, RGB(255, 0, 0)));
  person.KeyUp(VK_LWIN);
  Poll();
  EXPECT_EQ(win->Font()->Color(), clBlack);
  EXPECT_EQ(engine->LabelMainClick()->Font()->Color(), clBlack);
  EXPECT_FALSE(inked(win, RGB(255, 0, 0)));

  // "Exit" ends the program.
  ChooseFromTrayMenu(icons[0], 1);
  EXPECT_FALSE(engine->Visible());
  EXPECT_TRUE(Application->Terminated());
}

TEST_F(Cursorwright, TheEngineInTheProgramShowsNoIconAndRestoresTheProgramsHandler) {
  int seen = 0;
  Application->OnMessage = [&](MSG& Msg, bool&) { seen += Msg.message == WM_USER + 77; };
  StartStopCursorwright(true);
  EXPECT_TRUE(platform::NotifyIcons().empty());
  EXPECT_TRUE(_FormStart_Cursorwright->CheckBoxAppVersion()->Checked());
  PostMessageA(_FormStart_Cursorwright->Handle(), WM_USER + 77, 0, 0);
  Application->ProcessMessages();
  EXPECT_EQ(seen, 1) << "the program's own handler still sees its messages";
  StartStopCursorwright(false);
  PostThreadMessage(GetCurrentThreadId(), WM_USER + 77, 0, 0);
  Application->ProcessMessages();
  EXPECT_EQ(seen, 2);
  Application->OnMessage = nullptr;
}

TEST_F(Cursorwright, ReadMeOpensBesideTheProgramOrSaysWhyNot) {
  StartStopCursorwright(true);
  TFormMain* engine = _FormStart_Cursorwright->Engine();
  const std::string folder = std::string(QUILLARAN_BINARY_DIR) + "/tests/pointer/opener";
  ASSERT_TRUE(platform::MakeFolders(folder));
  const std::string out = folder + "/ran.txt";
  std::remove(out.c_str());
  {
    std::ofstream script(folder + "/xdg-open");
    script << "#!/bin/sh\npwd > \"" << out << ".part\"\necho \"$@\" >> \"" << out << ".part\"\nmv \"" << out
           << ".part\" \"" << out << "\"\n";
  }
  chmod((folder + "/xdg-open").c_str(), 0755);
  const std::string path = getenv("PATH") ? getenv("PATH") : "";
  setenv("PATH", (folder + ":" + path).c_str(), 1);
  engine->LaunchReadMe();
  std::string ran;
  for (const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
       ran.empty() && std::chrono::steady_clock::now() < deadline;) {
    std::ifstream in(out);
    std::stringstream text;
    text << in.rdbuf();
    ran = text.str();
    if (ran.empty()) std::this_thread::yield();
  }
  const std::string exe = platform::ExecutablePath();
  EXPECT_EQ(ran, exe.substr(0, exe.rfind('/')) + "\nReadMe.htm\n") << "the read-me beside the program";

  // No opener on this desktop: the user is told which command failed.
  setenv("PATH", "/nonexistent", 1);
  std::string shown;
  platform::DialogScript script;
  script.Answer("COMMAND LINE ERROR", [&](TCustomForm& f) {
    shown = dynamic_cast<TMessageForm&>(f).Message();
    f.SetModalResult(mrOk);
  });
  engine->LaunchReadMe();
  setenv("PATH", path.c_str(), 1);
  EXPECT_EQ(shown, "Error executing command line:\nxdg-open ReadMe.htm");
}

// The desktop's engine program, started for real beside this process's engine.
TEST_F(Cursorwright, TheDesktopEngineProgramWorksForAllAndHandsOverWhenItEnds) {
  auto waitFor = [&](const std::function<bool()>& Done) {
    for (const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
         !Done() && std::chrono::steady_clock::now() < deadline;) {
      Application->ProcessMessages();
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return Done();
  };
  // Both publish their windows in a runtime folder of this test's own.
  const char* tmp = getenv("QUILLARAN_TEST_TMP");
  const std::string runtime = std::string(tmp ? tmp : "/tmp") + "/cw" + std::to_string(getpid());
  std::filesystem::remove_all(runtime);  // nothing of an earlier run in this process
  ASSERT_TRUE(platform::MakeFolders(runtime));
  platform::SetWindowDirectory(runtime);
  // The engine serves an X display: one of the test's own.
  xvfbtest::XvfbServer server;
  ASSERT_TRUE(server.Running());
  const char* display = getenv("DISPLAY");
  const std::string saved = display ? display : "";
  setenv("DISPLAY", server.Name().c_str(), 1);
  setenv("QUILLARAN_RUNTIME_DIR", runtime.c_str(), 1);
  // What fontconfig keeps past its end is not the engine's leak.
  const std::string suppressions = std::string("suppressions=") + QUILLARAN_SOURCE_DIR + "/tests/app/fontconfig.supp";
  setenv("LSAN_OPTIONS", suppressions.c_str(), 1);
  const long program = platform::StartProgram(std::string(QUILLARAN_BINARY_DIR) + "/app/cursorwright", {}, false);
  unsetenv("LSAN_OPTIONS");
  unsetenv("QUILLARAN_RUNTIME_DIR");
  if (saved.empty()) unsetenv("DISPLAY");
  else setenv("DISPLAY", saved.c_str(), 1);
  ASSERT_GT(program, 0);
  struct TEnd {
    long pid;
    ~TEnd() {
      if (pid > 0 && kill(static_cast<pid_t>(pid), SIGKILL) == 0) platform::WaitProgram(pid);
      platform::SetWindowDirectory(std::string());
    }
  } end{program};
  ASSERT_TRUE(waitFor([] { return FindWindowA("TFormStart_Cursorwright", "Sys Cursorwright working...") != nullptr; }));

  StartStopCursorwright(true);
  TFormStart_Cursorwright* start = _FormStart_Cursorwright;
  EXPECT_EQ(start->Caption(), "App Cursorwright paused") << "the desktop's engine works already";
  EXPECT_EQ(start->Engine(), nullptr);

  // Ended (SIGTERM), it tells the paused engine here to take over.
  kill(static_cast<pid_t>(program), SIGTERM);
  EXPECT_EQ(platform::WaitProgram(program), 0);
  end.pid = 0;
  ASSERT_TRUE(waitFor([&] { return start->Engine() != nullptr; }));
  EXPECT_EQ(start->Caption(), "App Cursorwright working...");
  EXPECT_FALSE(start->ServeAllProcesses());
  EXPECT_EQ(FindWindowA("TFormStart_Cursorwright", "Sys Cursorwright working..."), nullptr);
}

}  // namespace
