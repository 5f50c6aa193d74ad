#include "platform/forms/Thintwindow.h"

#include "platform/forms/Tapplication.h"
#include "platform/forms/Tcanvas.h"
#include "platform/forms/Tcontrol.h"
#include "platform/forms/Tscreen.h"
#include "platform/forms/Twincontrol.h"
#include "platform/gui/Gui.h"

std::string GetShortHint(const std::string& Hint) {
  size_t bar = Hint.find('|');
  return bar == std::string::npos ? Hint : Hint.substr(0, bar);
}

std::string GetLongHint(const std::string& Hint) {
  size_t bar = Hint.find('|');
  return bar == std::string::npos ? Hint : Hint.substr(bar + 1);
}

namespace platform::hints {

namespace {

TControl* over = nullptr;
TControlGuard overGuard;
HWND window = nullptr;
std::string text;
std::string armed;  // the hint of `over` when its pause began
UINT_PTR timer = 0;

bool WantsHint(TControl* c) {
  for (; c; c = c->Parent())
    if (!c->ParentShowHint()) return c->ShowHint();
  return false;
}

LRESULT HintProc(HWND h, UINT message, WPARAM w, LPARAM l) {
  if (message == WM_PAINT) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(h, &ps);
    RECT r{};
    GetClientRect(h, &r);
    FillRect(dc, &r, GetSysColorBrush(COLOR_INFOBK));
    HGDIOBJ old = SelectObject(dc, Screen->HintFont()->Handle());
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(COLOR_INFOTEXT));
    RECT t = r;
    InflateRect(&t, -2, -1);
    DrawText(dc, text.c_str(), static_cast<int>(text.size()), &t, DT_NOPREFIX | DT_WORDBREAK);
    SelectObject(dc, old);
    EndPaint(h, &ps);
    return 0;
  }
  if (message == WM_MOUSEACTIVATE) return MA_NOACTIVATE;
  if (message == WM_NCHITTEST) return HTTRANSPARENT;
  return DefWindowProc(h, message, w, l);
}

void Hide() {
  if (window) DestroyWindow(window);
  window = nullptr;
  text.clear();
}

void StopTimer() {
  if (timer) KillTimer(nullptr, timer);
  timer = 0;
}

void ShowNow(HWND, UINT, UINT_PTR, DWORD) {
  StopTimer();
  if (!over || overGuard.Gone() || !over->Showing()) return;
  std::string shown = GetShortHint(over->Hint());
  if (shown.empty()) return;
  static bool registered = false;
  if (!registered) {
    WNDCLASS wc{};
    wc.lpfnWndProc = HintProc;
    wc.lpszClassName = "#Hint";
    RegisterClass(&wc);
    registered = true;
  }
  Hide();
  text = shown;
  RECT size = CalcTextRect(Screen->HintFont(), shown, DT_NOPREFIX | DT_WORDBREAK, 300);
  POINT p{};
  GetCursorPos(&p);
  int w = size.right - size.left + 6, h = size.bottom - size.top + 4;
  int x = std::min(p.x, Screen->Width() - w), y = p.y + 20;
  if (y + h > Screen->Height()) y = p.y - h - 4;
  window = CreateWindowEx(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, "#Hint", "", WS_POPUP | WS_BORDER, x, y, w, h, nullptr,
                          nullptr, nullptr, nullptr);
  ShowWindow(window, SW_SHOWNA);
}

}  // namespace

void MouseOver(TControl* Control) {
  if (Control == over) return;
  over = Control;
  overGuard = TControlGuard(Control);
  Hide();
  StopTimer();
  armed = Control ? Control->Hint() : std::string();
  if (!Control) return;
  Application->SetHint(GetLongHint(Control->Hint()));
  if (!Application->ShowHint() || Control->Hint().empty() || !WantsHint(Control)) return;
  timer = SetTimer(nullptr, 0, static_cast<UINT>(std::max(1, Application->HintPause())), ShowNow);
}

void MouseMoved(TControl* Control) {
  if (Control != over || !Control || Control->Hint() == armed) return;
  // The control names what lies under the pointer now: the old hint goes, the new one
  // follows after the pause as on entering.
  over = nullptr;
  MouseOver(Control);
}

void Cancel() {
  StopTimer();
  Hide();
}

HWND Window() { return window; }
std::string ShownText() { return text; }

}  // namespace platform::hints
