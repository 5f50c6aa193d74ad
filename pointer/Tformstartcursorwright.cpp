#include "pointer/Tformstartcursorwright.h"

#include <cstdio>

#include "platform/gui/Gui.h"
#include "platform/gui/Windowdirectory.h"
#include "pointer/Tformmain.h"

const char* const kCaptionSysWorking = "Sys Cursorwright working...";
const char* const kCaptionSysPaused = "Sys Cursorwright paused";
const char* const kCaptionAppWorking = "App Cursorwright working...";
const char* const kCaptionAppPaused = "App Cursorwright paused";
const char* const kCaptionClosing = "Cursorwright closing";

TFormStart_Cursorwright* _FormStart_Cursorwright = nullptr;

namespace {

constexpr const char* kCoordinatorClass = "TFormStart_Cursorwright";
// Class names and captions are compared cut to this length.
constexpr int kNameLimit = 98;
bool gAppFlag = false;

HWND FindCoordinator(const char* Caption) { return FindWindowA(kCoordinatorClass, Caption); }

HWND FindEither(const char* First, const char* Second) {
  HWND found = FindCoordinator(First);
  return found ? found : FindCoordinator(Second);
}

BOOL EnumAppInstancesProc(HWND Window, LPARAM Param) {
  auto* form = reinterpret_cast<TFormStart_Cursorwright*>(Param);
  char name[kNameLimit + 1] = {};
  GetClassNameA(Window, name, kNameLimit + 1);
  if (std::string(name) != kCoordinatorClass) return TRUE;
  char caption[kNameLimit + 1] = {};
  SendMessageA(Window, WM_GETTEXT, kNameLimit + 1, reinterpret_cast<LPARAM>(caption));
  const std::string text(caption);
  if (text == kCaptionAppWorking || text == kCaptionAppPaused) {
    DWORD process = 0;
    GetWindowThreadProcessId(Window, &process);
    form->AddServedProcess(process);
  }
  return TRUE;
}

}  // namespace

std::string ProcessIdHex(uint32_t Id) {
  char text[16];
  std::snprintf(text, sizeof text, "%08X", static_cast<unsigned>(Id));
  return text;
}

TFormStart_Cursorwright::TFormStart_Cursorwright(TComponent* AOwner) : TForm(AOwner) {
  SetName("FormStart_Cursorwright");
  SetCaption("Cursorwright");
  SetBounds(0, 0, 269, 248);
  panelHeader_ = new TPanel(this);
  panelHeader_->SetParent(this);
  panelHeader_->SetAlign(alTop);
  panelHeader_->SetHeight(41);
  auto* label = new TLabel(this);
  label->SetParent(panelHeader_);
  label->SetCaption("Cursorwright loading...");
  label->Font()->SetHeight(-19);
  label->Font()->SetStyle(TFontStyles{fsBold});
  panelAux_ = new TPanel(this);
  panelAux_->SetParent(this);
  panelAux_->SetAlign(alTop);
  panelAux_->SetTop(41);
  panelAux_->SetHeight(172);
  auto* start = new TButton(this);
  start->SetParent(panelAux_);
  start->SetCaption("start");
  start->OnClick = [this](TObject*) { StartEngine(); };
  auto* stop = new TButton(this);
  stop->SetParent(panelAux_);
  stop->SetBounds(80, 0, 75, 25);
  stop->SetCaption("stop");
  stop->OnClick = [this](TObject*) { StopEngine(); };
  labelProcessId_ = new TLabel(this);
  labelProcessId_->SetParent(panelAux_);
  labelProcessId_->SetTop(30);
  memoProcesses_ = new TMemo(this);
  memoProcesses_->SetParent(panelAux_);
  memoProcesses_->SetBounds(0, 50, 260, 110);
  memoProcesses_->SetVisible(false);
  checkBoxAppVersion_ = new TCheckBox(this);
  checkBoxAppVersion_->SetParent(panelAux_);
  checkBoxAppVersion_->SetName("_CheckBoxAppVersion");
  checkBoxAppVersion_->SetBounds(160, 0, 90, 17);
  checkBoxAppVersion_->SetCaption("app version");
  checkBoxAppVersion_->SetVisible(false);
  // Shown, the form first says it is loading; half a second later its controls unfold.
  timerHideWindows_ = new TTimer(this);
  timerHideWindows_->SetEnabled(false);
  timerHideWindows_->SetInterval(500);
  timerHideWindows_->OnTimer = [this](TObject*) {
    timerHideWindows_->SetEnabled(false);
    SetClientHeight(panelHeader_->Height() + panelAux_->Height());
  };
  OnShow = [this](TObject*) { timerHideWindows_->SetEnabled(true); };

  // Other instances tell this one to start or to look again at who works.
  platform::AcceptRemoteMessage(WM_VOX_START);
  platform::AcceptRemoteMessage(WM_VOX_RESCAN);
  // What the coordinator does on creation.
  // The program's own handler keeps its turn after the engine's.
  previousOnMessage_ = Application->OnMessage;
  Application->OnMessage = [this](MSG& Msg, bool& Handled) {
    AppMessage(Msg, Handled);
    if (!Handled && previousOnMessage_) previousOnMessage_(Msg, Handled);
  };
  SetClientHeight(panelHeader_->Height());
  SetLeft((Screen->Width() - Width()) / 2);
  SetTop((Screen->Height() - Height()) / 2);
  labelProcessId_->SetCaption(ProcessIdText());
  StartEngine();
  UpdateCaption();
}

TFormStart_Cursorwright::~TFormStart_Cursorwright() {
  StopEngine();
  SetCaption(kCaptionClosing);
  if (HWND working = FindEither(kCaptionSysWorking, kCaptionAppWorking))
    PostMessageA(working, WM_VOX_RESCAN, 0, 0);
  if (_FormStart_Cursorwright == this) _FormStart_Cursorwright = nullptr;
  // The handler belongs to this form; it must not outlive it.
  Application->OnMessage = previousOnMessage_;
}

std::string TFormStart_Cursorwright::ProcessIdText() const {
  DWORD process = 0;
  GetWindowThreadProcessId(const_cast<TFormStart_Cursorwright*>(this)->Handle(), &process);
  return ProcessIdHex(process);
}

void TFormStart_Cursorwright::StartEngine() {
  _FormStart_Cursorwright = this;
  if (engine_) return;
  isAppVariant_ = gAppFlag;
  checkBoxAppVersion_->SetChecked(isAppVariant_);
  UpdateCaption();
  HWND working = FindEither(kCaptionSysWorking, kCaptionAppWorking);
  if (!working) {
    engine_ = new TFormMain(this);
    RescanServedProcesses();
    UpdateCaption();
    return;
  }
  UpdateCaption();
  PostMessageA(working, WM_VOX_RESCAN, 0, 0);
}

void TFormStart_Cursorwright::StopEngine() {
  if (!engine_) return;
  delete engine_;
  engine_ = nullptr;
  if (HWND paused = FindEither(kCaptionSysPaused, kCaptionAppPaused)) PostMessageA(paused, WM_VOX_START, 0, 0);
  UpdateCaption();
}

void TFormStart_Cursorwright::AddServedProcess(uint32_t ProcessId) {
  // Beyond the list's room further instances are not served; the list never overflows.
  if (servedCount_ < kMaxServed) servedProcessIds_[servedCount_++] = ProcessId;
}

void TFormStart_Cursorwright::RescanServedProcesses() {
  serveAllProcesses_ = false;
  servedCount_ = 0;
  if (FindEither(kCaptionSysWorking, kCaptionSysPaused)) {
    serveAllProcesses_ = true;
    return;
  }
  EnumWindows(EnumAppInstancesProc, reinterpret_cast<LPARAM>(this));
}

void TFormStart_Cursorwright::UpdateCaption() {
  if (isAppVariant_)
    SetCaption(engine_ ? kCaptionAppWorking : kCaptionAppPaused);
  else
    SetCaption(engine_ ? kCaptionSysWorking : kCaptionSysPaused);
  memoProcesses_->SetVisible(engine_ != nullptr);
  TStrings* lines = memoProcesses_->Lines();
  lines->Clear();
  if (!engine_) return;
  DWORD me = 0;
  GetWindowThreadProcessId(engine_->Handle(), &me);
  lines->Add("me: " + ProcessIdHex(me));
  if (serveAllProcesses_) {
    lines->Add("for all processes");
    return;
  }
  for (int i = 0; i < servedCount_; ++i) lines->Add(ProcessIdHex(servedProcessIds_[i]));
}

bool TFormStart_Cursorwright::IsServedWindowUnderCursor() const {
  if (serveAllProcesses_) return true;
  POINT p{};
  GetCursorPos(&p);
  HWND window = WindowFromPoint(p);
  if (!window) return false;
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  for (int i = 0; i < servedCount_; ++i)
    if (servedProcessIds_[i] == process) return true;
  return false;
}

void TFormStart_Cursorwright::AppMessage(MSG& Msg, bool& Handled) {
  if (Msg.message != WM_VOX_TASKLIST_SUPPRESSED && Msg.message != WM_VOX_HOTKEY_SUPPRESSED) return;
  if (engine_) {
    char text[32];
    std::snprintf(text, sizeof text, "%04X %08X", static_cast<unsigned>(Msg.wParam & 0xFFFF),
                  static_cast<unsigned>(static_cast<uint32_t>(Msg.lParam)));
    engine_->Log(std::string(Msg.message == WM_VOX_TASKLIST_SUPPRESSED ? "tasklist подавлен: " : "hotkey подавлен: ") +
                 text);
  }
  Handled = true;
}

void TFormStart_Cursorwright::WndProc(TMessage& Message) {
  if (Message.Msg == WM_VOX_START) {
    StartEngine();
    return;
  }
  if (Message.Msg == WM_VOX_RESCAN) {
    if (engine_) {
      RescanServedProcesses();
      UpdateCaption();
    }
    return;
  }
  TForm::WndProc(Message);
}

void StartStopCursorwright(bool On) {
  if (On) {
    if (_FormStart_Cursorwright) return;
    gAppFlag = true;
    new TFormStart_Cursorwright(nullptr);
    return;
  }
  gAppFlag = false;  // a coordinator made later in this process is the desktop's again
  if (!_FormStart_Cursorwright) return;
  TFormStart_Cursorwright* form = _FormStart_Cursorwright;
  _FormStart_Cursorwright = nullptr;
  delete form;
}
