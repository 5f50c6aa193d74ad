#include "pointer/Tformmain.h"

#include <algorithm>
#include <chrono>
#include <thread>
#include <cstdio>
#include <cstdlib>

#include "controls/Ctlresources.h"
#include "controls/Tcustomnumedit.h"
#include "controls/Textrayicon.h"
#include "platform/gui/Clock.h"
#include "platform/gui/Gui.h"
#include "platform/kernel/Library.h"
#include "platform/kernel/Process.h"
#include "platform/kernel/Programfiles.h"
#include "platform/kernel/Programparams.h"
#include "pointer/Tcursorhider.h"
#include "pointer/Tformstartcursorwright.h"

namespace {

constexpr unsigned kHookMagic = 1324;
std::string gHookLibraryOverride;

TCheckBox* NewCheckBox(TFormMain* Form, const std::string& Caption, int Top, bool Checked) {
  auto* box = new TCheckBox(Form);
  box->SetParent(Form);
  box->SetBounds(560, Top, 190, 17);
  box->SetCaption(Caption);
  box->SetChecked(Checked);
  return box;
}

TLabel* NewLabel(TFormMain* Form, const char* Name, const std::string& Caption, int Index) {
  auto* label = new TLabel(Form);
  label->SetParent(Form);
  label->SetName(Name);
  label->SetBounds(4 + (Index % 12) * 62, 4 + (Index / 12) * 20, 60, 16);
  label->SetCaption(Caption);
  return label;
}

// Names and captions of the key labels, in the order of the snapshot.
struct TKeyLabelText {
  const char* name;
  const char* caption;
};
constexpr TKeyLabelText kKeyLabels[TKeySnapshot::Count] = {
    {"LabelLeftShift", "Left Shift"}, {"LabelLeftCtrl", "Left Ctrl"},   {"LabelLeftAlt", "Left Alt"},
    {"LabelRightShift", "Right Shift"}, {"LabelRightCtrl", "Right Ctrl"}, {"LabelRightAlt", "Right Alt"},
    {"LabelShift", "Shift"},          {"LabelCtrl", "Ctrl"},             {"LabelAlt", "Alt"},
    {"LabelLeftWindows", "Left Win"}, {"LabelRightWindows", "Right Win"}, {"LabelApplications", "Apps"},
    {"LabelZ", "Z"},                  {"LabelSlash", "/"},               {"LabelEscape", "Escape"},
    {"LabelA", "A"},                  {"LabelB", "B"},                   {"LabelC", "C"},
    {"Label_1", "1"},                 {"Label_2", "2"},                  {"Label_3", "3"},
};

void PaintState(TLabel* Label, bool On) { Label->Font()->SetColor(On ? TColor(255) : clBlack); }

TCurrencyEdit* NewNumber(TFormMain* Form, int Top, long double Value) {
  auto* edit = new TCurrencyEdit(Form);
  edit->SetParent(Form);
  edit->SetBounds(480, Top, 70, 21);
  edit->SetDecimalPlaces(4);
  edit->SetDisplayFormat("0.####");
  edit->SetValue(Value);
  return edit;
}

}  // namespace

std::string HookLibraryName(bool DebugRun) {
  if (!gHookLibraryOverride.empty()) return gHookLibraryOverride;
  // The program's own folders stand in for the current folder that the engine would set:
  // the library is looked for there whatever folder the process was started in.
  if (DebugRun) return platform::ProgramFolder() + "/../Leafsnare/Leafsnare.dll";
  return platform::ProgramLibraryFolder() + "/Leafsnare.dll";
}

void SetHookLibraryOverride(const std::string& Path) { gHookLibraryOverride = Path; }

TFormMain::TFormMain(TFormStart_Cursorwright* AOwner) : TForm(AOwner), coordinator_(AOwner) {
  SetName("FormMain");
  SetCaption("Tapvaner ТЕСТ");
  SetBounds(0, 0, 760, 193);
  SetPosition(poScreenCenter);
  SetCursor(crCross);
  memoKeys_ = new TMemo(this);
  memoKeys_->SetParent(this);
  memoKeys_->SetBounds(0, 60, 470, 130);
  memoKeys_->SetReadOnly(true);
  auto* block = new TButton(this);
  block->SetParent(this);
  block->SetBounds(480, 60, 75, 25);
  block->SetCaption("block taskmenu");
  block->OnClick = [this](TObject*) { BlockTaskMenu(); };
  auto* unblock = new TButton(this);
  unblock->SetParent(this);
  unblock->SetBounds(480, 90, 75, 25);
  unblock->SetCaption("unblock taskmenu");
  unblock->OnClick = [this](TObject*) { UnblockTaskMenu(); };
  currencyEditDeltaSr_ = NewNumber(this, 120, 13);
  currencyEditTicksDiff_ = NewNumber(this, 145, 100);
  checkBoxIndicateThumb_ = NewCheckBox(this, "показать ползунки", 60, false);
  checkBoxCursorSyncWithThumbs_ = NewCheckBox(this, "курсор напротив ползунков", 80, true);
  checkBoxTrackEmulOnly_ = NewCheckBox(this, "только эмуляция перетаскив.", 100, false);
  for (int key = 0; key < TKeySnapshot::Count; ++key)
    keyLabels_[key] = NewLabel(this, kKeyLabels[key].name, kKeyLabels[key].caption, key);
  labelMainClick_ = NewLabel(this, "LabelMainClick", "Main click emul", 21);
  labelAuxClick_ = NewLabel(this, "LabelAuxClick", "Aux click emul", 22);
  labelScrolling_ = NewLabel(this, "LabelScrolling", "Scrolling emul", 23);
  timerReTestKeyboard_ = new TTimer(this);
  timerReTestKeyboard_->SetEnabled(false);
  timerReTestKeyboard_->SetInterval(20);
  timerReTestKeyboard_->OnTimer = [this](TObject*) { TimerReTestKeyboardTimer(); };
  exTrayIcon_ = new TExTrayIcon(this);
  exTrayIcon_->SetActive(false);
  exTrayIcon_->SetHint("Cursorwright");
  auto* menu = new TPopupMenu(this);
  const char* items[] = {"Exit", "Display window", "ReadMe"};
  for (const char* caption : items) {
    auto* item = new TMenuItem(this);
    item->SetCaption(caption);
    menu->Items()->Add(item);
  }
  // Only the engine of its own program has a tray menu: its "Exit" ends that program too.
  menu->Items()->Items(0)->OnClick = [this](TObject*) {
    Close();
    if (!coordinator_->IsAppVariant()) Application->Terminate();
  };
  menu->Items()->Items(1)->OnClick = [this](TObject*) { DisplayWindow(); };
  menu->Items()->Items(2)->OnClick = [this](TObject*) { LaunchReadMe(); };
  exTrayIcon_->SetPopupMenu(menu);

  // What the engine does on creation.
  if (!coordinator_->IsAppVariant()) {
    try {
      exTrayIcon_->SetIcon(MakeIcon("CURSORWRIGHT").get());
    } catch (EResNotFound&) {
      Log("icon CURSORWRIGHT not found");
    }
    exTrayIcon_->SetActive(true);
    // A desktop without a tray: the keys still work, and the log says so once.
    if (!exTrayIcon_->Added()) Log("no system tray: the icon is not shown");
  }
  TCursorHiderStatic::SetCurrent(std::make_unique<TCursorHiderStatic>());
  POINT cursor{};
  GetCursorPos(&cursor);
  lastSampleTime_ = platform::GuiClockNow();
  lastSampleY_ = cursor.y;
  polledCursor_ = cursor;
  for (int i = 1; i <= ParamCount(); ++i)
    if (ParamStr(i) == "/DebugRun") debugRun_ = true;
  timerReTestKeyboard_->SetEnabled(true);
  buttonsSwapped_ = GetSystemMetrics(SM_SWAPBUTTON) != 0;
  vertical_.Init(1, &target_);
  horizontal_.Init(2, &target_);
  if (!LoadHookLibrary()) return;
  hookSet_ = setHook_(Handle(), kHookMagic) != 0;
}

TFormMain::~TFormMain() {
  if (hookSet_ && freeHook_ && freeHook_()) hookSet_ = false;
  if (hookLibrary_) FreeLibrary(hookLibrary_);
  TCursorHiderStatic::SetCurrent(nullptr);
}

bool TFormMain::LoadHookLibrary() {
  hookLibrary_ = LoadLibraryA(HookLibraryName(debugRun_).c_str());
  if (!hookLibrary_) {
    Application->MessageBox("leafsnare.dll not found", "error");
    Application->Terminate();
    return false;
  }
  setHook_ = reinterpret_cast<SetHookProc>(GetProcAddress(hookLibrary_, "SetHook"));
  freeHook_ = reinterpret_cast<FreeHookProc>(GetProcAddress(hookLibrary_, "FreeHook"));
  if (!setHook_ || !freeHook_) {
    setHook_ = nullptr;
    freeHook_ = nullptr;
    Application->MessageBox("function not found", "error");
    Application->Terminate();
    return false;
  }
  return true;
}

void TFormMain::Log(const std::string& Line) { memoKeys_->Lines()->Add(Line); }

void TFormMain::BlockTaskMenu() {
  if (!hookSet_ && setHook_) hookSet_ = setHook_(Handle(), kHookMagic) != 0;
  Log(hookSet_ ? "блок ВКЛ" : "блок выкл");
}

void TFormMain::UnblockTaskMenu() {
  if (hookSet_ && freeHook_ && freeHook_()) hookSet_ = false;
  Log(hookSet_ ? "блок ВКЛ" : "блок выкл");
}

void TFormMain::PaintTestLabels(const TKeySnapshot& Keys) {
  for (int key = 0; key < TKeySnapshot::Count; ++key) PaintState(keyLabels_[key], Keys.down[key] != 0);
  PaintState(labelMainClick_, mainDown_);
  PaintState(labelAuxClick_, auxDown_);
  PaintState(labelScrolling_, scrolling_);
  labelScrolling_->SetCaption("Scrolling emul");
}

void TFormMain::DisplayWindow() {
  Show();
  if (TForm* main = Application->MainForm()) main->Show();
}

void TFormMain::LaunchReadMe() {
  // The desktop's opener shows the read-me in the user's browser; the program and its
  // argument go to the system as they are, never through a shell.
  const std::string opener = "xdg-open";
  if (platform::StartProgramIn(opener, {kEngineReadMeName}, platform::ProgramDataFolder(), true) >= 0) return;
  Application->MessageBox("Error executing command line:\n" + opener + " " + kEngineReadMeName, "COMMAND LINE ERROR");
}

void TFormMain::SwitchToDragEmulationOnly() {
  if (dragEmulationOnly_) return;
  dragEmulationOnly_ = true;
  Log("переключаемся в режим <только эмуляция перетаскивания>");
}

void TFormMain::TimerReTestKeyboardTimer() {
  timerReTestKeyboard_->SetEnabled(false);
  PollKeyboard();
  timerReTestKeyboard_->SetEnabled(true);
}

bool TFormMain::NextState(bool Was, bool DownNow, bool DownBefore, TFormStart_Cursorwright* Coordinator) {
  if (!Was && DownNow && !DownBefore) return Coordinator->IsServedWindowUnderCursor();
  if (Was && !DownNow) return false;
  return Was;
}

void TFormMain::PollKeyboard() {
  const uint64_t now = platform::GuiClockNow();
  const long double interval = currencyEditTicksDiff_->Value();
  if (static_cast<long double>(now - lastSampleTime_) >= interval) {
    POINT p{};
    GetCursorPos(&p);
    speed_ = std::abs(p.y - lastSampleY_);
    lastSampleTime_ = now;
    lastSampleY_ = p.y;
  }
  const TKeySnapshot current = TakeKeySnapshot();
  const bool main =
      NextState(mainDown_, IsMainKeyDown(current), IsMainKeyDown(previous_), coordinator_);
  const bool aux = NextState(auxDown_, IsAuxKeyDown(current), IsAuxKeyDown(previous_), coordinator_);
  const bool scroll =
      NextState(scrolling_, IsScrollKeyDown(current), IsScrollKeyDown(previous_), coordinator_);

  if (current.down[TKeySnapshot::LCtrl] && current.down[TKeySnapshot::Escape] &&
      !previous_.down[TKeySnapshot::Escape]) {
    Log("taskmenu popup emulation");
    // The program has no application window: the engine's own form opens the list, once
    // this poll is over, so that the engine goes on polling and its keys click in it.
    PostMessageA(Handle(), WM_SYSCOMMAND, SC_TASKLIST, 0);
  }
  const DWORD primaryDown = buttonsSwapped_ ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_LEFTDOWN;
  const DWORD primaryUp = buttonsSwapped_ ? MOUSEEVENTF_RIGHTUP : MOUSEEVENTF_LEFTUP;
  const DWORD secondaryDown = buttonsSwapped_ ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_RIGHTDOWN;
  const DWORD secondaryUp = buttonsSwapped_ ? MOUSEEVENTF_LEFTUP : MOUSEEVENTF_RIGHTUP;
  if (main != mainDown_) mouse_event(main ? primaryDown : primaryUp, 0, 0, 0, 0);
  if (aux != auxDown_) mouse_event(aux ? secondaryDown : secondaryUp, 0, 0, 0, 0);

  if (scroll && !scrolling_) StartScrolling();
  if (scroll) {
    VerticalStep();
    HorizontalStep();
  }

  mainDown_ = main;
  auxDown_ = aux;
  scrolling_ = scroll;
  previous_ = current;
  GetCursorPos(&polledCursor_);
  PaintTestLabels(current);
}

void TFormMain::FindScrollTarget() {
  POINT p{};
  GetCursorPos(&p);
  windowUnderCursor_ = WindowFromPoint(p);
  auto found = [this](HWND Window) {
    target_.SetWindow(Window);
    vertical_.Examine();
    horizontal_.Examine();
    return vertical_.kind != 0 || horizontal_.kind != 0;
  };
  while (windowUnderCursor_) {
    if (found(windowUnderCursor_)) break;
    HWND stack[TScrollTargetInfo::kMaxDescendants];
    int depth = 0;
    auto push = [&]() {
      for (int i = 0; i < target_.descendantCount && depth < TScrollTargetInfo::kMaxDescendants; ++i)
        stack[depth++] = target_.descendants[i];
    };
    push();
    bool inner = false;
    while (depth > 0 && !inner) {
      inner = found(stack[--depth]);
      if (!inner) push();
    }
    if (GetWindowLong(windowUnderCursor_, GWL_STYLE) & 0x00CF0000) break;
    windowUnderCursor_ = GetParent(windowUnderCursor_);
  }
  vertical_.ReadScrollInfo();
  horizontal_.ReadScrollInfo();
  vertical_.ComputeGeometry();
  horizontal_.ComputeGeometry();
  if (checkBoxIndicateThumb_->Checked()) {
    horizontal_.ShowThumbIndicator();
    vertical_.ShowThumbIndicator();
  }
  pages_ = vertical_.GetPages();
}

void TFormMain::StartScrolling() {
  FindScrollTarget();
  averageDelta_ = static_cast<double>(currencyEditDeltaSr_->Value()) * Screen->Height() / 480;
  startThumbX_ = horizontal_.thumbRect.x;
  startThumbY_ = vertical_.thumbRect.y;
  POINT p{};
  GetCursorPos(&p);
  if (horizontal_.Active()) p.x = horizontal_.thumbRect.x + horizontal_.thumbRect.width / 2;
  if (vertical_.Active()) p.y = vertical_.thumbRect.y + vertical_.thumbRect.height / 2;
  SetCursorPos(p.x, p.y);
  startX_ = lastX_ = p.x;
  startY_ = lastY_ = p.y;
  accumulatedY_ = p.y;
  dragEmulationOnly_ = checkBoxTrackEmulOnly_->Checked();
  // A window of another program: no bar of it can be read here, but it takes wheels.
  DWORD process = 0, me = 0;
  if (windowUnderCursor_) GetWindowThreadProcessId(windowUnderCursor_, &process);
  GetWindowThreadProcessId(Handle(), &me);
  wheeling_ = !vertical_.Active() && !horizontal_.Active() && (!windowUnderCursor_ || process != me);
  // The movement since the last poll counts already, when it stayed over this window.
  wheelAt_ = wheeling_ && WindowFromPoint(polledCursor_) == WindowFromPoint(p) ? polledCursor_ : p;
  wheelX_ = wheelY_ = 0;
  Log("");
  if (wheeling_) Log("wheel scrolling of another program's window");
  for (int i = 0; i < target_.childBarCount; ++i) {
    const RECT& r = target_.childBarRects[i];
    Log("found alien scroll bar " + ProcessIdHex(static_cast<uint32_t>(reinterpret_cast<uintptr_t>(target_.childBars[i]))) +
        " " + std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
        std::to_string(r.bottom));
  }
  auto describe = [](const TScrollerInfo& S) {
    return std::to_string(S.barRect.x) + "," + std::to_string(S.barRect.y) + "," + std::to_string(S.barRect.width) +
           "," + std::to_string(S.barRect.height) + ") полз=" + std::to_string(S.thumbRect.x) + "," +
           std::to_string(S.thumbRect.y) + "," + std::to_string(S.thumbRect.width) + "," +
           std::to_string(S.thumbRect.height);
  };
  Log("found " + vertical_.KindText() + " vert scroll bar (" + describe(vertical_));
  Log("found " + horizontal_.KindText() + " horz scroll bar (" + describe(horizontal_));
  char pages[32];
  std::snprintf(pages, sizeof pages, "%.2f", pages_);
  std::string text = pages;
  while (text.back() == '0') text.pop_back();
  if (text.back() == '.') text.pop_back();
  Log("vert pages: " + text);
}

// The movement since the last step, slowed down as the vertical step slows it, turns into
// wheel notches of one reference distance each; the pointer goes back to where the scroll
// began, over the window that takes the notches.
void TFormMain::WheelStep() {
  POINT p{};
  GetCursorPos(&p);
  if (p.x == wheelAt_.x && p.y == wheelAt_.y) return;
  const double f = averageDelta_ > 0 ? std::max((1 - speed_ / averageDelta_) * pages_, 1.0) : 1.0;
  const double notch = std::max(averageDelta_, 1.0);
  wheelY_ += (p.y - wheelAt_.y) / f;
  wheelX_ += p.x - wheelAt_.x;
  const int down = static_cast<int>(wheelY_ / notch), right = static_cast<int>(wheelX_ / notch);
  wheelY_ -= down * notch;
  wheelX_ -= right * notch;
  SetCursorPos(wheelAt_.x, wheelAt_.y);
  lastSampleY_ -= p.y - wheelAt_.y;
  // Moving down shows what lies further down: the wheel turned towards the user.
  if (down) mouse_event(MOUSEEVENTF_WHEEL, 0, 0, static_cast<DWORD>(-down * WHEEL_DELTA), 0);
  if (right) mouse_event(MOUSEEVENTF_HWHEEL, 0, 0, static_cast<DWORD>(right * WHEEL_DELTA), 0);
}

void TFormMain::VerticalStep() {
  if (wheeling_) {
    WheelStep();
    return;
  }
  POINT p{};
  GetCursorPos(&p);
  if (!vertical_.Active() || p.y == lastY_) return;
  int y = p.y;
  const double f = averageDelta_ > 0 ? std::max((1 - speed_ / averageDelta_) * pages_, 1.0) : 1.0;
  accumulatedY_ += (y - lastY_) / f;
  const int d = static_cast<int>(accumulatedY_ - startY_);
  UpdateWindow(target_.window);
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  if (vertical_.ResyncPosition()) SwitchToDragEmulationOnly();
  int newPos = vertical_.pixelsPerUnit > 0 ? static_cast<int>(vertical_.startPos + d / vertical_.pixelsPerUnit)
                                           : vertical_.startPos;
  newPos = std::max(std::min(newPos, vertical_.maxPos), vertical_.nMin);
  if (checkBoxCursorSyncWithThumbs_->Checked()) {
    const int c = static_cast<int>(accumulatedY_ - y);
    lastSampleY_ += c;
    y += c;
    if (c != 0) SetCursorPos(p.x, y);
  }
  if (static_cast<long long>(y - lastY_) * (newPos - vertical_.nPos) > 0)
    vertical_.ApplyPosition(newPos, d - (vertical_.thumbRect.y - startThumbY_), buttonsSwapped_, dragEmulationOnly_);
  lastY_ = y;
}

void TFormMain::HorizontalStep() {
  if (wheeling_) return;  // the wheel step takes both directions
  POINT p{};
  GetCursorPos(&p);
  if (!horizontal_.Active() || p.x == lastX_) return;
  const int dx = p.x - startX_;
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  if (horizontal_.ResyncPosition()) SwitchToDragEmulationOnly();
  int newPos = horizontal_.pixelsPerUnit > 0 ? static_cast<int>(horizontal_.startPos + dx / horizontal_.pixelsPerUnit)
                                             : horizontal_.startPos;
  newPos = std::max(std::min(newPos, horizontal_.maxPos), horizontal_.nMin);
  if (static_cast<long long>(p.x - lastX_) * (newPos - horizontal_.nPos) > 0)
    horizontal_.ApplyPosition(newPos, dx - (horizontal_.thumbRect.x - startThumbX_), buttonsSwapped_,
                              dragEmulationOnly_);
  lastX_ = p.x;
}
