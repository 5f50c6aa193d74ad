#include "platform/gui/Frametracking.h"

#include <algorithm>

#include "platform/gui/Input.h"
#include "platform/gui/Messagequeue.h"
#include "platform/gui/Rects.h"
#include "platform/gui/Windowmanager.h"

namespace platform {

namespace {

struct FrameTracker {
  HWND window = nullptr;
  LRESULT hit = HTNOWHERE;
  POINT start{};
  RECT rect{};
  POINT minimum{};
};

FrameTracker& Track() {
  static FrameTracker tracker;
  return tracker;
}

bool Intercept(UINT message, POINT screen) {
  FrameTracker& t = Track();
  if (!FindWindowObject(t.window)) {
    SetMouseInterceptor(nullptr);
    return false;
  }
  if (message == WM_LBUTTONUP) {
    SetMouseInterceptor(nullptr);
    SendMessage(t.window, WM_EXITSIZEMOVE, 0, 0);
    return true;
  }
  if (message != WM_MOUSEMOVE) return true;
  int dx = screen.x - t.start.x, dy = screen.y - t.start.y;
  RECT r = t.rect;
  if (t.hit == HTCAPTION) {
    r = Offset(r, dx, dy);
  } else {
    bool left = t.hit == HTLEFT || t.hit == HTTOPLEFT || t.hit == HTBOTTOMLEFT;
    bool right = t.hit == HTRIGHT || t.hit == HTTOPRIGHT || t.hit == HTBOTTOMRIGHT;
    bool top = t.hit == HTTOP || t.hit == HTTOPLEFT || t.hit == HTTOPRIGHT;
    bool bottom = t.hit == HTBOTTOM || t.hit == HTBOTTOMLEFT || t.hit == HTBOTTOMRIGHT;
    // The smallest size the window allows holds the opposite edge in place.
    if (left) r.left = std::min<LONG>(r.left + dx, r.right - t.minimum.x);
    if (right) r.right = std::max<LONG>(r.right + dx, r.left + t.minimum.x);
    if (top) r.top = std::min<LONG>(r.top + dy, r.bottom - t.minimum.y);
    if (bottom) r.bottom = std::max<LONG>(r.bottom + dy, r.top + t.minimum.y);
  }
  SetWindowPos(t.window, nullptr, r.left, r.top, Width(r), Height(r), SWP_NOZORDER | SWP_NOACTIVATE);
  return true;
}

}  // namespace

bool StartFrameTracking(Window* w, LRESULT hit, POINT screen) {
  bool sizing = hit >= HTLEFT && hit <= HTBOTTOMRIGHT;
  if (!w->IsTopLevel() || (w->style & (WS_MINIMIZE | WS_MAXIMIZE)) || (hit != HTCAPTION && !sizing)) return false;
  if (sizing && !(w->style & WS_THICKFRAME)) return false;
  MINMAXINFO mmi{};
  SendMessage(w->handle, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&mmi));
  if (!(w = FindWindowObject(w->handle))) return false;
  Track() = FrameTracker{w->handle, hit, screen, w->rect, mmi.ptMinTrackSize};
  SendMessage(w->handle, WM_ENTERSIZEMOVE, 0, 0);
  SetMouseInterceptor(Intercept);
  return true;
}

}  // namespace platform
