#include "pointer/Tformmain.h"

#include <cstdlib>

#include "controls/Tcustomnumedit.h"
#include "controls/Textrayicon.h"
#include "platform/gui/Clock.h"
#include "platform/gui/Gui.h"
#include "platform/kernel/Library.h"
#include "platform/kernel/Process.h"
#include "platform/kernel/Programparams.h"
#include "pointer/Tformstartcursorwright.h"

namespace {

constexpr unsigned kHookMagic = 1324;
std::string gHookLibraryOverride;

std::string ProgramFolder() {
  const std::string exe = platform::ExecutablePath();
  const size_t cut = exe.rfind('/');
  return cut == std::string::npos ? std::string(".") : exe.substr(0, cut);
}

TCheckBox* NewCheckBox(TFormMain* Form, const std::string& Caption, int Top, bool Checked) {
  auto* box = new TCheckBox(Form);
  box->SetParent(Form);
  box->SetBounds(560, Top, 190, 17);
  box->SetCaption(Caption);
  box->SetChecked(Checked);
  return box;
}

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
  // The program's folder stands in for the current folder that the engine would set:
  // the library is looked for there whatever folder the process was started in.
  return ProgramFolder() + (DebugRun ? "/../Leafsnare/Leafsnare.dll" : "/Leafsnare.dll");
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
  menu->Items()->Items(0)->OnClick = [this](TObject*) { Close(); };
  menu->Items()->Items(1)->OnClick = [this](TObject*) { Show(); };
  exTrayIcon_->SetPopupMenu(menu);

  // What the engine does on creation.
  if (!coordinator_->IsAppVariant()) exTrayIcon_->SetActive(true);
  POINT cursor{};
  GetCursorPos(&cursor);
  lastSampleTime_ = platform::GuiClockNow();
  lastSampleY_ = cursor.y;
  for (int i = 1; i <= ParamCount(); ++i)
    if (ParamStr(i) == "/DebugRun") debugRun_ = true;
  timerReTestKeyboard_->SetEnabled(true);
  buttonsSwapped_ = GetSystemMetrics(SM_SWAPBUTTON) != 0;
  if (!LoadHookLibrary()) return;
  hookSet_ = setHook_(Handle(), kHookMagic) != 0;
}

TFormMain::~TFormMain() {
  if (hookSet_ && freeHook_ && freeHook_()) hookSet_ = false;
  if (hookLibrary_) FreeLibrary(hookLibrary_);
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
    SendMessageA(Application->Handle(), WM_SYSCOMMAND, SC_TASKLIST, 0);
  }
  const DWORD primaryDown = buttonsSwapped_ ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_LEFTDOWN;
  const DWORD primaryUp = buttonsSwapped_ ? MOUSEEVENTF_RIGHTUP : MOUSEEVENTF_LEFTUP;
  const DWORD secondaryDown = buttonsSwapped_ ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_RIGHTDOWN;
  const DWORD secondaryUp = buttonsSwapped_ ? MOUSEEVENTF_LEFTUP : MOUSEEVENTF_RIGHTUP;
  if (main != mainDown_) mouse_event(main ? primaryDown : primaryUp, 0, 0, 0, 0);
  if (aux != auxDown_) mouse_event(aux ? secondaryDown : secondaryUp, 0, 0, 0, 0);

  mainDown_ = main;
  auxDown_ = aux;
  scrolling_ = scroll;
  previous_ = current;
}
