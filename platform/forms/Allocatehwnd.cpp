#include "platform/forms/Allocatehwnd.h"

#include "platform/gui/Gui.h"

namespace {

constexpr const char* kClassName = "TPUtilWindow";

LRESULT UtilWindowProc(HWND h, UINT msg, WPARAM w, LPARAM l) {
  auto* method = reinterpret_cast<TWndMethod*>(GetWindowLong(h, GWL_USERDATA));
  if (!method || !*method) return DefWindowProc(h, msg, w, l);
  TMessage m{msg, w, l, 0};
  (*method)(m);
  return m.Result;
}

}  // namespace

HWND AllocateHWnd(TWndMethod Method) {
  static bool registered = false;
  if (!registered) {
    WNDCLASS wc{};
    wc.lpfnWndProc = UtilWindowProc;
    wc.lpszClassName = kClassName;
    RegisterClass(&wc);
    registered = true;
  }
  HWND h = CreateWindowEx(WS_EX_TOOLWINDOW, kClassName, "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
  if (h) SetWindowLong(h, GWL_USERDATA, reinterpret_cast<LONG_PTR>(new TWndMethod(std::move(Method))));
  return h;
}

void DeallocateHWnd(HWND Wnd) {
  if (!Wnd || !IsWindow(Wnd)) return;
  auto* method = reinterpret_cast<TWndMethod*>(GetWindowLong(Wnd, GWL_USERDATA));
  SetWindowLong(Wnd, GWL_USERDATA, 0);
  DestroyWindow(Wnd);
  delete method;
}
