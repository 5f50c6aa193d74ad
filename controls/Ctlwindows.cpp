#include "controls/Ctlwindows.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include "controls/Exconst.h"
#include "platform/gui/Window.h"
#include "platform/gui/Windowdirectory.h"
#include "platform/rtl/Tickcount.h"

TCursor WaitCursor = crHourGlass;

namespace {

int waitCount = 0;
TCursor savedCursor = crDefault;

// Back inside the area when the window sticks out right or bottom; never negative.
void MoveInside(int& x, int& y, int width, int height, const RECT& area) {
  if (x + width > area.right) x = area.right - width;
  if (y + height > area.bottom) y = area.bottom - height;
  x = std::max(x, 0);
  y = std::max(y, 0);
}

}  // namespace

void Delay(int64_t MSecs) {
  uint32_t first = GetTickCount();
  while (true) {
    Application->ProcessMessages();
    uint32_t now = GetTickCount();
    if (now < first || static_cast<int64_t>(now - first) >= MSecs) break;
    // A breath between rounds, so that waiting does not keep a processor busy.
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
}

void CenterWindow(HWND Wnd) {
  RECT r;
  if (!GetWindowRect(Wnd, &r)) return;
  int width = r.right - r.left, height = r.bottom - r.top;
  RECT screen{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  int x = (screen.right - width) / 2, y = (screen.bottom - height) / 2;
  MoveInside(x, y, width, height, screen);
  SetWindowPos(Wnd, nullptr, x, y, 0, 0, SWP_NOACTIVATE | SWP_NOSIZE | SWP_NOZORDER);
}

void CenterControl(TControl* Control) {
  if (!Control) return;
  int areaWidth, areaHeight;
  auto* form = dynamic_cast<TCustomForm*>(Control);
  if (form && form->FormStyle() == fsMDIChild && Application->MainForm() && Application->MainForm() != form) {
    areaWidth = Application->MainForm()->ClientWidth();
    areaHeight = Application->MainForm()->ClientHeight();
  } else if (form || !Control->Parent()) {
    areaWidth = Screen->Width();
    areaHeight = Screen->Height();
  } else {
    areaWidth = Control->Parent()->ClientWidth();
    areaHeight = Control->Parent()->ClientHeight();
  }
  int x = std::max(0, (areaWidth - Control->Width()) / 2);
  int y = std::max(0, (areaHeight - Control->Height()) / 2);
  Control->SetBounds(x, y, Control->Width(), Control->Height());
}

void ShowWinNoAnimate(HWND Handle, int CmdShow) {
  // Windows here open and close without animation.
  ShowWindow(Handle, CmdShow);
}

void SwitchToWindow(HWND Wnd, bool Restore) {
  if (!IsWindowEnabled(Wnd)) return;
  SetForegroundWindow(Wnd);
  if (Restore && IsWindowVisible(Wnd)) {
    if (!IsZoomed(Wnd)) SendMessage(Wnd, WM_SYSCOMMAND, SC_RESTORE, 0);
    SetFocus(Wnd);
  }
}

void ActivateWindow(HWND Wnd) {
  if (!Wnd) return;
  ShowWinNoAnimate(Wnd, SW_SHOW);
  SetForegroundWindow(Wnd);
}

HWND FindPrevInstance(const std::string& MainFormClass, const std::string& ATitle) {
  if (MainFormClass.empty() && ATitle.empty()) return nullptr;
  return FindWindow(MainFormClass.empty() ? nullptr : MainFormClass.c_str(),
                    ATitle.empty() ? nullptr : ATitle.c_str());
}

bool ActivatePrevInstance(const std::string& MainFormClass, const std::string& ATitle) {
  HWND wnd = FindPrevInstance(MainFormClass, ATitle);
  if (!wnd) return false;
  // The top of the owner chain is what the user sees as the program.
  for (HWND owner; (owner = GetWindow(wnd, GW_OWNER)) != nullptr && owner != GetDesktopWindow();) wnd = owner;
  if (IsIconic(wnd)) SendMessage(wnd, WM_SYSCOMMAND, SC_RESTORE, 0);
  else ActivateWindow(wnd);
  return true;
}

bool IsForegroundTask() {
  HWND active = GetForegroundWindow();
  return active && GetWindowThreadProcessId(active, nullptr) == static_cast<DWORD>(platform::CurrentThread()) &&
         !platform::IsRemoteHandle(active);
}

TControl* ControlAtCursor() {
  POINT p;
  if (!GetCursorPos(&p)) return nullptr;
  TWinControl* w = TWinControl::FindControl(WindowFromPoint(p));
  if (!w) return nullptr;
  TControl* c = w->ControlAtPos(w->ScreenToClient(p), true);
  return c ? c : w;
}

std::string WindowClassName(HWND Wnd) {
  char buffer[256] = {};
  int n = GetClassName(Wnd, buffer, sizeof buffer);
  return std::string(buffer, std::max(0, n));
}

void ShowMDIClientEdge(HWND ClientHandle, bool ShowEdge) {
  if (!ClientHandle) return;
  LONG_PTR style = GetWindowLong(ClientHandle, GWL_EXSTYLE);
  LONG_PTR wanted = ShowEdge ? (style | WS_EX_CLIENTEDGE) : (style & ~static_cast<LONG_PTR>(WS_EX_CLIENTEDGE));
  if (wanted == style) return;
  SetWindowLong(ClientHandle, GWL_EXSTYLE, wanted);
  SetWindowPos(ClientHandle, nullptr, 0, 0, 0, 0,
               SWP_FRAMECHANGED | SWP_NOACTIVATE | SWP_NOMOVE | SWP_NOOWNERZORDER | SWP_NOSIZE | SWP_NOZORDER);
}

void MergeForm(TWinControl* AControl, TForm* AForm, TAlign Align, bool Show) {
  if (!AControl || !AForm) return;
  AControl->DisableAlign();
  AForm->Hide();
  AForm->SetBorderStyle(bsNone);
  AForm->SetBorderIcons({});
  AForm->SetParent(AControl);
  // Without an alignment the form keeps its size at the container's client origin.
  if (Align == alNone) AForm->SetBounds(0, 0, AForm->Width(), AForm->Height());
  else AForm->SetAlign(Align);
  AControl->EnableAlign();
  if (Show) AForm->Show();
}

void ScreenWorkArea(RECT& Rect) {
  if (!SystemParametersInfo(SPI_GETWORKAREA, 0, &Rect, 0))
    Rect = RECT{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
}

void KillMessage(HWND Wnd, UINT Msg) {
  MSG m{};
  if (PeekMessage(&m, Wnd, Msg, Msg, PM_REMOVE) && m.message == WM_QUIT) PostQuitMessage(static_cast<int>(m.wParam));
}

int MsgBox(const std::string& Caption, const std::string& Text, UINT Flags) {
  return Application->MessageBox(Text, Caption, Flags);
}

TModalResult MsgDlg(const std::string& Msg, TMsgDlgType AType, TMsgDlgButtons AButtons, int HelpCtx) {
  return MessageDlg(Msg, AType, AButtons, HelpCtx);
}

void Beep() { MessageBeep(0); }

void NotImplemented() {
  Screen->SetCursor(crDefault);
  MessageDlg(SNotImplemented, mtInformation, {mbOK}, 0);
  Abort();
}

void StartWait() {
  if (waitCount == 0) {
    savedCursor = Screen->Cursor();
    Screen->SetCursor(WaitCursor);
  }
  ++waitCount;
}

void StopWait() {
  if (waitCount == 0) return;
  if (--waitCount == 0) Screen->SetCursor(savedCursor);
}
