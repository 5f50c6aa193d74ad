#include "platform/display/Traytip.h"

#include <algorithm>

#include "platform/gui/Display.h"
#include "platform/gui/Drawtext.h"
#include "platform/gui/Gdiobjects.h"
#include "platform/gui/Defwindowproc.h"
#include "platform/gui/Devicecontext.h"
#include "platform/gui/Painting.h"
#include "platform/gui/Shapes.h"
#include "platform/gui/Syscolors.h"
#include "platform/gui/Text.h"
#include "platform/gui/Windowclass.h"
#include "platform/gui/Windowmanager.h"

namespace platform {

namespace {

constexpr const char* kClass = "#TrayTip";
constexpr int kPadding = 3;

LRESULT TipProc(HWND window, UINT message, WPARAM w, LPARAM l) {
  if (message != WM_PAINT) return DefWindowProc(window, message, w, l);
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(window, &ps);
  RECT r;
  GetClientRect(window, &r);
  FillRect(dc, &r, GetSysColorBrush(COLOR_INFOBK));
  SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, GetSysColor(COLOR_INFOTEXT));
  char text[128] = {};
  GetWindowText(window, text, sizeof text);
  r.left += kPadding;
  DrawText(dc, text, -1, &r, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
  EndPaint(window, &ps);
  return 0;
}

}  // namespace

TrayTip::~TrayTip() { Hide(); }

void TrayTip::Show(const std::string& text, POINT near) {
  Hide();
  if (text.empty()) return;
  static const bool registered = [] {
    WNDCLASS wc{};
    wc.lpfnWndProc = TipProc;
    wc.lpszClassName = kClass;
    return RegisterClass(&wc) != 0;
  }();
  if (!registered) return;
  HDC dc = GetDC(nullptr);
  SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
  SIZE size{};
  GetTextExtentPoint32(dc, text.c_str(), static_cast<int>(text.size()), &size);
  ReleaseDC(nullptr, dc);
  const int width = size.cx + 2 * kPadding + 2, height = size.cy + 2 * kPadding;
  // Below the pointer, or above it on a panel at the foot of the screen.
  const SIZE screen = CurrentDisplay().ScreenSize();
  const int x = std::clamp(near.x, 0, std::max(0, static_cast<int>(screen.cx) - width));
  const int y = near.y + 20 + height <= screen.cy ? near.y + 20 : near.y - height - 4;
  window_ = CreateWindowEx(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, kClass, text.c_str(), WS_POPUP | WS_BORDER, x, y, width,
                           height, nullptr, nullptr, nullptr, nullptr);
  if (window_) ShowWindow(window_, SW_SHOWNA);
}

void TrayTip::Hide() {
  if (window_ && IsWindow(window_)) DestroyWindow(window_);
  window_ = nullptr;
}

}  // namespace platform
