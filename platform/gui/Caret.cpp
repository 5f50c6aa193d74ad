#include "platform/gui/Caret.h"

#include "platform/gui/Devicecontext.h"
#include "platform/gui/Painting.h"
#include "platform/gui/Shapes.h"
#include "platform/gui/Sysmetrics.h"

namespace platform {

namespace {

struct CaretState {
  HWND window = nullptr;
  int width = 0, height = 0;
  POINT pos{0, 0};
  int hidden = 1;     // created hidden; shown at 0
  bool drawn = false; // inverted on the surface now
  int suspended = 0;
  UINT blink = 530;
};

CaretState& Caret() {
  static CaretState caret;
  return caret;
}

void Invert() {
  CaretState& c = Caret();
  HDC dc = GetDC(c.window);
  if (!dc) return;
  RECT r{c.pos.x, c.pos.y, c.pos.x + c.width, c.pos.y + c.height};
  InvertRect(dc, &r);
  ReleaseDC(c.window, dc);
  c.drawn = !c.drawn;
}

void Refresh() {
  CaretState& c = Caret();
  bool want = c.window && c.hidden == 0 && c.suspended == 0;
  if (want != c.drawn) Invert();
}

}  // namespace

void SuspendCaret(HWND window) {
  CaretState& c = Caret();
  if (!c.window || c.window != window) return;
  ++c.suspended;
  Refresh();
}

void ResumeCaret(HWND window) {
  CaretState& c = Caret();
  if (!c.window || c.window != window || c.suspended == 0) return;
  --c.suspended;
  Refresh();
}

void ForgetCaretOf(HWND window) {
  if (Caret().window == window) Caret() = CaretState{};
}

bool CaretShown(RECT* where) {
  CaretState& c = Caret();
  if (where) *where = RECT{c.pos.x, c.pos.y, c.pos.x + c.width, c.pos.y + c.height};
  return c.drawn;
}

}  // namespace platform

using namespace platform;

BOOL CreateCaret(HWND window, HBITMAP, int width, int height) {
  DestroyCaret();
  CaretState& c = Caret();
  c.window = window;
  c.width = width > 0 ? width : GetSystemMetrics(SM_CXBORDER);
  c.height = height > 0 ? height : GetSystemMetrics(SM_CYBORDER);
  return TRUE;
}

BOOL DestroyCaret() {
  CaretState& c = Caret();
  if (!c.window) return FALSE;
  c.hidden = 1;
  c.suspended = 0;
  Refresh();
  UINT blink = c.blink;
  c = CaretState{};
  c.blink = blink;
  return TRUE;
}

BOOL ShowCaret(HWND window) {
  CaretState& c = Caret();
  if (!c.window || (window && window != c.window) || c.hidden == 0) return FALSE;
  --c.hidden;
  Refresh();
  return TRUE;
}

BOOL HideCaret(HWND window) {
  CaretState& c = Caret();
  if (!c.window || (window && window != c.window)) return FALSE;
  ++c.hidden;
  Refresh();
  return TRUE;
}

BOOL SetCaretPos(int x, int y) {
  CaretState& c = Caret();
  if (!c.window) return FALSE;
  bool drawn = c.drawn;
  if (drawn) Invert();
  c.pos = POINT{x, y};
  if (drawn) Invert();
  return TRUE;
}

BOOL GetCaretPos(POINT* p) {
  if (!p) return FALSE;
  *p = Caret().pos;
  return TRUE;
}

UINT GetCaretBlinkTime() { return Caret().blink; }

BOOL SetCaretBlinkTime(UINT ms) {
  Caret().blink = ms;
  return TRUE;
}
