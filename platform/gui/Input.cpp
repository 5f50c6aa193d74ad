#include "platform/gui/Input.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <deque>

#include "platform/gui/Clock.h"
#include "platform/gui/Display.h"
#include "platform/gui/Guilock.h"
#include "platform/gui/Rects.h"
#include "platform/gui/Sysmetrics.h"
#include "platform/gui/Windowclass.h"
#include "platform/gui/Windowmanager.h"

namespace platform {

namespace {

struct RawEvent {
  enum Kind { Move, Button, Wheel, Key, Char } kind = Move;
  POINT pos{};
  UINT button = 0;  // 0 left, 1 right, 2 middle (logical)
  bool up = false;
  int wheel = 0;
  int vk = 0;
  int scan = 0;
  bool extended = false;
  bool wasDown = false;
  bool quiet = false;  // only brings the thread's keyboard up to date
  unsigned char ch = 0;
  WPARAM keys = 0;  // MK_* flags when the event happened
  DWORD time = 0;
};

struct LastClick {
  HWND window = nullptr;
  UINT button = 0;
  POINT pos{};
  DWORD time = 0;
  bool valid = false;
};

struct InputState {
  POINT cursor{0, 0};
  BYTE async[256] = {};
  BYTE sync[256] = {};
  std::deque<RawEvent> raw;
  HWND capture = nullptr;
  HWND focus = nullptr;
  HWND active = nullptr;
  LastClick lastClick;
  MouseInterceptor interceptor = nullptr;
};

InputState& State() {
  static InputState state;
  return state;
}

DWORD Now() { return static_cast<DWORD>(GuiClockNow()); }

WPARAM MouseKeys();

void Push(RawEvent e) {
  GuiLock lock(GuiMutex());
  e.time = Now();
  e.keys = MouseKeys();
  State().raw.push_back(e);
  WakeMessageLoops();
}

bool Down(const BYTE* keys, int vk) { return keys[vk & 0xFF] & 0x80; }

void SetKey(BYTE* keys, int vk, bool down) {
  BYTE& k = keys[vk & 0xFF];
  if (down && !(k & 0x80)) k ^= 1;  // the toggle flips on each press
  k = down ? (k | 0x80) : (k & ~0x80);
}

// Keeps a side-neutral key down while either of its sides is.
void SetKeyWithSides(BYTE* keys, int vk, bool down) {
  SetKey(keys, vk, down);
  auto neutral = [&](int generic, int left, int right) {
    SetKey(keys, generic, Down(keys, left) || Down(keys, right));
  };
  if (vk == VK_LSHIFT || vk == VK_RSHIFT) neutral(VK_SHIFT, VK_LSHIFT, VK_RSHIFT);
  if (vk == VK_LCONTROL || vk == VK_RCONTROL) neutral(VK_CONTROL, VK_LCONTROL, VK_RCONTROL);
  if (vk == VK_LMENU || vk == VK_RMENU) neutral(VK_MENU, VK_LMENU, VK_RMENU);
}

int GenericKey(int vk) {
  switch (vk) {
    case VK_LSHIFT: case VK_RSHIFT: return VK_SHIFT;
    case VK_LCONTROL: case VK_RCONTROL: return VK_CONTROL;
    case VK_LMENU: case VK_RMENU: return VK_MENU;
    default: return vk;
  }
}

int ScanCode(int vk) {
  if (vk >= 'A' && vk <= 'Z') {
    static const unsigned char letters[26] = {0x1E, 0x30, 0x2E, 0x20, 0x12, 0x21, 0x22, 0x23, 0x17,
                                              0x24, 0x25, 0x26, 0x32, 0x31, 0x18, 0x19, 0x10, 0x13,
                                              0x1F, 0x14, 0x16, 0x2F, 0x11, 0x2D, 0x15, 0x2C};
    return letters[vk - 'A'];
  }
  if (vk >= '1' && vk <= '9') return 0x02 + (vk - '1');
  switch (vk) {
    case '0': return 0x0B;
    case VK_ESCAPE: return 0x01;
    case VK_BACK: return 0x0E;
    case VK_TAB: return 0x0F;
    case VK_RETURN: return 0x1C;
    case VK_LCONTROL: case VK_RCONTROL: case VK_CONTROL: return 0x1D;
    case VK_LSHIFT: case VK_SHIFT: return 0x2A;
    case VK_RSHIFT: return 0x36;
    case VK_LMENU: case VK_RMENU: case VK_MENU: return 0x38;
    case VK_SPACE: return 0x39;
    case VK_HOME: return 0x47;
    case VK_UP: return 0x48;
    case VK_PRIOR: return 0x49;
    case VK_LEFT: return 0x4B;
    case VK_RIGHT: return 0x4D;
    case VK_END: return 0x4F;
    case VK_DOWN: return 0x50;
    case VK_NEXT: return 0x51;
    case VK_INSERT: return 0x52;
    case VK_DELETE: return 0x53;
    case VK_LWIN: return 0x5B;
    case VK_RWIN: return 0x5C;
    case VK_APPS: return 0x5D;
    default: return (vk >= VK_F1 && vk <= VK_F10) ? 0x3B + (vk - VK_F1) : 0;
  }
}

bool ExtendedKey(int vk) {
  switch (vk) {
    case VK_RCONTROL: case VK_RMENU: case VK_INSERT: case VK_DELETE: case VK_HOME: case VK_END:
    case VK_PRIOR: case VK_NEXT: case VK_LEFT: case VK_RIGHT: case VK_UP: case VK_DOWN:
    case VK_DIVIDE: case VK_LWIN: case VK_RWIN: case VK_APPS: return true;
    default: return false;
  }
}

bool Usable(Window* w) { return w && !w->destroying && VisibleChain(w) && !(TopLevelOf(w)->style & WS_MINIMIZE); }

// The deepest visible, enabled window under a screen point (disabled children leave the
// point to their parent). A see-through top-level window (WS_EX_TRANSPARENT) lets the
// mouse through to what lies below it.
Window* WindowAt(POINT p) {
  for (Window* top : Desktop()->children) {
    if (!Usable(top) || (top->exStyle & WS_EX_TRANSPARENT)) continue;
    POINT o = ScreenOrigin(top);
    RECT r = Offset(RECT{0, 0, Width(top->rect), Height(top->rect)}, o.x, o.y);
    if (!PtInRect(&r, p)) continue;
    Window* w = top;
    for (bool deeper = true; deeper;) {
      deeper = false;
      POINT c = ClientScreenOrigin(w);
      POINT local{p.x - c.x, p.y - c.y};
      if (local.x < 0 || local.y < 0 || local.x >= w->ClientWidth() || local.y >= w->ClientHeight()) break;
      for (Window* child : w->children) {
        if (!(child->style & WS_VISIBLE) || (child->style & WS_DISABLED) || child->destroying) continue;
        if (PtInRect(&child->rect, local)) { w = child; deeper = true; break; }
      }
    }
    return w;
  }
  return nullptr;
}

WPARAM MouseKeys() {
  const BYTE* k = State().async;
  WPARAM m = 0;
  if (Down(k, VK_LBUTTON)) m |= MK_LBUTTON;
  if (Down(k, VK_RBUTTON)) m |= MK_RBUTTON;
  if (Down(k, VK_MBUTTON)) m |= MK_MBUTTON;
  if (Down(k, VK_SHIFT)) m |= MK_SHIFT;
  if (Down(k, VK_CONTROL)) m |= MK_CONTROL;
  return m;
}

LPARAM PackPoint(POINT p) { return MAKELPARAM(static_cast<unsigned>(p.x), static_cast<unsigned>(p.y)); }

bool CookMouse(const RawEvent& e, MSG& out) {
  InputState& s = State();
  Window* target = nullptr;
  LRESULT hit = HTCLIENT;
  UINT kind = e.kind == RawEvent::Move ? 0 : (e.up ? 2 : 1);  // move, down, up
  static const UINT downs[3] = {WM_LBUTTONDOWN, WM_RBUTTONDOWN, WM_MBUTTONDOWN};
  static const UINT ups[3] = {WM_LBUTTONUP, WM_RBUTTONUP, WM_MBUTTONUP};

  if (e.kind == RawEvent::Button) {
    static const int vks[3] = {VK_LBUTTON, VK_RBUTTON, VK_MBUTTON};
    SetKey(s.sync, vks[e.button], !e.up);
  }
  if (s.interceptor) {
    UINT m = kind == 0 ? WM_MOUSEMOVE : kind == 1 ? downs[e.button] : ups[e.button];
    if (s.interceptor(m, e.pos)) return false;
  }
  if (Window* c = FindWindowObject(s.capture)) {
    target = c;
  } else {
    target = WindowAt(e.pos);
    while (target) {
      hit = SendMessage(target->handle, WM_NCHITTEST, 0, PackPoint(e.pos));
      if (hit != HTTRANSPARENT || target->IsTopLevel()) break;
      target = target->parent;
    }
  }
  if (!target) return false;
  HWND h = target->handle;
  Window* top = TopLevelOf(target);
  if (!s.capture && (top->style & WS_DISABLED)) {
    // A press on a window under a modal one brings the modal one forward.
    if (kind == 1) {
      MessageBeep(0);
      if (Window* front = FrontEnabledWindow()) ActivateWindowObject(front, WA_CLICKACTIVE);
    }
    return false;
  }

  UINT message;
  if (e.kind == RawEvent::Wheel) {
    // The list under the pointer scrolls, whichever control has the keyboard.
    const WPARAM keysAndDelta = MAKEWPARAM(static_cast<unsigned>(e.keys), static_cast<unsigned>(e.wheel));
    out = MSG{h, WM_MOUSEWHEEL, keysAndDelta, PackPoint(e.pos), e.time, e.pos};
    return true;
  }
  bool client = hit == HTCLIENT || s.capture;
  if (kind == 0) message = client ? WM_MOUSEMOVE : WM_NCMOUSEMOVE;
  else if (kind == 2) message = ups[e.button] + (client ? 0 : WM_NCLBUTTONDOWN - WM_LBUTTONDOWN);
  else {
    message = downs[e.button];
    bool dblclks = (target->cls->info.style & CS_DBLCLKS) || !client;
    LastClick& last = s.lastClick;
    int slopX = GetSystemMetrics(SM_CXDOUBLECLK) / 2, slopY = GetSystemMetrics(SM_CYDOUBLECLK) / 2;
    if (dblclks && last.valid && last.window == h && last.button == e.button &&
        e.time - last.time <= GetDoubleClickTime() && std::abs(e.pos.x - last.pos.x) <= slopX &&
        std::abs(e.pos.y - last.pos.y) <= slopY) {
      message += 2;  // WM_?BUTTONDBLCLK
      last.valid = false;
    } else {
      last = LastClick{h, e.button, e.pos, e.time, true};
    }
    if (!client) message += WM_NCLBUTTONDOWN - WM_LBUTTONDOWN;
    // A press activates the window's top-level window first, unless it says otherwise.
    if (!s.capture && top->handle != s.active) {
      LRESULT ma = SendMessage(h, WM_MOUSEACTIVATE, reinterpret_cast<WPARAM>(top->handle), MAKELPARAM(static_cast<unsigned>(hit), message));
      if (ma == MA_ACTIVATE || ma == MA_ACTIVATEANDEAT) {
        if (Window* t = FindWindowObject(top->handle)) ActivateWindowObject(t, WA_CLICKACTIVE);
      }
      if (ma == MA_ACTIVATEANDEAT || ma == MA_NOACTIVATEANDEAT) return false;
    }
  }
  if (!FindWindowObject(h)) return false;
  if (!s.capture) SendMessage(h, WM_SETCURSOR, reinterpret_cast<WPARAM>(h), MAKELPARAM(static_cast<unsigned>(hit), message));
  if (!(target = FindWindowObject(h))) return false;
  if (client) {
    POINT o = ClientScreenOrigin(target);
    out = MSG{h, message, e.keys, PackPoint(POINT{e.pos.x - o.x, e.pos.y - o.y}), e.time, e.pos};
  } else {
    out = MSG{h, message, static_cast<WPARAM>(hit), PackPoint(e.pos), e.time, e.pos};
  }
  return true;
}

bool CookKey(const RawEvent& e, MSG& out) {
  InputState& s = State();
  Window* target = FindWindowObject(s.focus);
  bool noFocus = !target;
  if (!target) target = FindWindowObject(s.active);
  // The thread's view of the keyboard follows the messages it takes.
  if (e.kind == RawEvent::Key) SetKeyWithSides(s.sync, e.vk, !e.up);
  if (!target || e.quiet) return false;
  // A window disabled under a modal one takes no keys: no menu, accelerator or command.
  if (TopLevelOf(target)->style & WS_DISABLED) return false;
  int vk = e.kind == RawEvent::Char ? VK_PACKET : GenericKey(e.vk);
  bool alt = Down(s.sync, VK_MENU), ctrl = Down(s.sync, VK_CONTROL);
  bool sys = (alt && !ctrl) || vk == VK_F10 || noFocus || (vk == VK_MENU && e.up && !ctrl);
  UINT message = sys ? (e.up ? WM_SYSKEYUP : WM_SYSKEYDOWN) : (e.up ? WM_KEYUP : WM_KEYDOWN);
  int scan = e.kind == RawEvent::Char ? e.ch : e.scan;
  LPARAM l = 1 | (static_cast<LPARAM>(scan & 0xFF) << 16);
  if (e.extended) l |= LPARAM{1} << 24;
  if (alt) l |= LPARAM{1} << 29;
  if (e.wasDown || e.up) l |= LPARAM{1} << 30;
  if (e.up) l |= LPARAM{1} << 31;
  out = MSG{target->handle, message, static_cast<WPARAM>(vk), l, e.time, s.cursor};
  return true;
}

void SendFocusChange(HWND old, HWND now) {
  if (old && FindWindowObject(old)) SendMessage(old, WM_KILLFOCUS, reinterpret_cast<WPARAM>(now), 0);
  if (now && State().focus == now && FindWindowObject(now))
    SendMessage(now, WM_SETFOCUS, reinterpret_cast<WPARAM>(old), 0);
}

bool InTree(HWND h, Window* root) {
  Window* w = FindWindowObject(h);
  return w && (w == root || IsAncestor(root, w));
}

// The front-most usable, enabled top-level window other than `leaving` (menus and tips aside).
Window* FrontEnabledExcept(const Window* leaving) {
  for (Window* top : Desktop()->children)
    if (top != leaving && Usable(top) && !(top->style & WS_DISABLED) && !(top->exStyle & WS_EX_TOOLWINDOW))
      return top;
  return nullptr;
}

// The top-level window to activate when the active one goes away.
Window* NextToActivate(Window* leaving) {
  if (leaving->owner && Usable(leaving->owner) && !(leaving->owner->style & WS_DISABLED)) return leaving->owner;
  return FrontEnabledExcept(leaving);
}

}  // namespace

POINT CursorPosition() {
  GuiLock lock(GuiMutex());
  return State().cursor;
}

bool InputPending() {
  GuiLock lock(GuiMutex());
  return !State().raw.empty();
}

void SetMouseInterceptor(MouseInterceptor interceptor) { State().interceptor = interceptor; }

bool CookInput(ThreadQueue& q, MSG& out) {
  for (;;) {
    RawEvent e;
    {
      GuiLock lock(GuiMutex());
      auto& raw = State().raw;
      if (raw.empty()) return false;
      e = raw.front();
      raw.pop_front();
    }
    MSG m{};
    bool made = (e.kind == RawEvent::Key || e.kind == RawEvent::Char) ? CookKey(e, m) : CookMouse(e, m);
    if (!made) continue;
    Window* w = FindWindowObject(m.hwnd);
    if (!w) continue;
    if (w->thread != q.thread) {
      PostToQueue(*w->queue, m, true);
      continue;
    }
    out = m;
    return true;
  }
}

void ActivateWindowObject(Window* top, WPARAM how) {
  InputState& s = State();
  HWND next = top ? top->handle : nullptr;
  HWND old = s.active;
  if (next == old) return;
  if (top) {
    GuiLock lock(GuiMutex());
    // Activation brings the window forward.
    auto& list = Desktop()->children;
    list.erase(std::remove(list.begin(), list.end(), top), list.end());
    size_t at = 0;
    if (!(top->exStyle & WS_EX_TOPMOST))
      while (at < list.size() && (list[at]->exStyle & WS_EX_TOPMOST)) ++at;
    list.insert(list.begin() + static_cast<long>(at), top);
  }
  s.active = next;
  if (Window* o = FindWindowObject(old)) {
    SendMessage(old, WM_NCACTIVATE, FALSE, 0);
    if (FindWindowObject(old))
      SendMessage(old, WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, (o->style & WS_MINIMIZE) ? 1 : 0), reinterpret_cast<LPARAM>(next));
  }
  if (next && FindWindowObject(next) && s.active == next) {
    SendMessage(next, WM_NCACTIVATE, TRUE, 0);
    if (Window* t = FindWindowObject(next))
      SendMessage(next, WM_ACTIVATE, MAKEWPARAM(static_cast<unsigned>(how), (t->style & WS_MINIMIZE) ? 1 : 0),
                  reinterpret_cast<LPARAM>(old));
  }
  // Focus left behind in a window that is no longer active goes.
  Window* now = FindWindowObject(s.active);
  if (s.focus && (!now || !InTree(s.focus, now))) SetFocus(nullptr);
  if (Window* t = FindWindowObject(next)) CurrentDisplay().TopLevelChanged(t->handle);
}

Window* FrontEnabledWindow() { return FrontEnabledExcept(nullptr); }

void ForgetInputOf(Window* w) {
  InputState& s = State();
  if (s.capture && InTree(s.capture, w)) ReleaseCapture();
  if (s.focus && InTree(s.focus, w)) {
    HWND old = s.focus;
    s.focus = nullptr;
    SendMessage(old, WM_KILLFOCUS, 0, 0);
  }
  if (s.active == w->handle) {
    Window* next = NextToActivate(w);
    if (next) ActivateWindowObject(next, WA_ACTIVE);
    else {
      SendMessage(w->handle, WM_NCACTIVATE, FALSE, 0);
      SendMessage(w->handle, WM_ACTIVATE, WA_INACTIVE, 0);
      s.active = nullptr;
    }
  }
  if (s.lastClick.window && InTree(s.lastClick.window, w)) s.lastClick.valid = false;
}

void WindowDisabled(Window* w) {
  InputState& s = State();
  if (s.focus && InTree(s.focus, w)) SetFocus(nullptr);
  if (s.capture && InTree(s.capture, w)) ReleaseCapture();
}

void WindowHidden(Window* w) {
  InputState& s = State();
  if (w->IsTopLevel() && s.active == w->handle) {
    if (Window* next = NextToActivate(w)) ActivateWindowObject(next, WA_ACTIVE);
    else ActivateWindowObject(nullptr, WA_INACTIVE);
  }
  if (s.capture && InTree(s.capture, w)) ReleaseCapture();
}

}  // namespace platform

using namespace platform;

void platform::FeedMouse(DWORD flags, DWORD dx, DWORD dy, DWORD data) {
  InputState& s = State();
  if (flags & MOUSEEVENTF_MOVE) {
    SIZE screen = CurrentDisplay().ScreenSize();
    POINT p;
    {
      GuiLock lock(GuiMutex());
      if (flags & MOUSEEVENTF_ABSOLUTE) {
        p = POINT{static_cast<LONG>((static_cast<long long>(dx & 0xFFFF) * screen.cx) / 65536),
                  static_cast<LONG>((static_cast<long long>(dy & 0xFFFF) * screen.cy) / 65536)};
      } else {
        p = POINT{s.cursor.x + static_cast<LONG>(static_cast<std::int32_t>(dx)),
                  s.cursor.y + static_cast<LONG>(static_cast<std::int32_t>(dy))};
      }
      p.x = std::clamp<LONG>(p.x, 0, screen.cx - 1);
      p.y = std::clamp<LONG>(p.y, 0, screen.cy - 1);
      s.cursor = p;
    }
    RawEvent e;
    e.kind = RawEvent::Move;
    e.pos = p;
    Push(e);
  }
  bool swapped = GetSystemMetrics(SM_SWAPBUTTON);
  struct { DWORD flag; UINT physical; bool up; } buttons[] = {
      {MOUSEEVENTF_LEFTDOWN, 0, false}, {MOUSEEVENTF_LEFTUP, 0, true},
      {MOUSEEVENTF_RIGHTDOWN, 1, false}, {MOUSEEVENTF_RIGHTUP, 1, true},
      {MOUSEEVENTF_MIDDLEDOWN, 2, false}, {MOUSEEVENTF_MIDDLEUP, 2, true}};
  for (const auto& b : buttons) {
    if (!(flags & b.flag)) continue;
    UINT logical = (swapped && b.physical < 2) ? 1 - b.physical : b.physical;
    static const int vks[3] = {VK_LBUTTON, VK_RBUTTON, VK_MBUTTON};
    RawEvent e;
    {
      GuiLock lock(GuiMutex());
      SetKey(s.async, vks[logical], !b.up);
      e.pos = s.cursor;
    }
    e.kind = RawEvent::Button;
    e.button = logical;
    e.up = b.up;
    Push(e);
  }
  if (flags & MOUSEEVENTF_WHEEL) {
    RawEvent e;
    e.kind = RawEvent::Wheel;
    e.pos = CursorPosition();
    e.wheel = static_cast<std::int16_t>(data & 0xFFFF);
    Push(e);
  }
}

void platform::FeedKey(BYTE vk, BYTE scan, DWORD flags) {
  RawEvent e;
  bool up = flags & KEYEVENTF_KEYUP;
  if (vk == VK_PACKET || vk == 0 || (flags & KEYEVENTF_UNICODE)) {
    e.kind = RawEvent::Char;
    e.ch = scan;
    e.up = up;
    Push(e);
    return;
  }
  int key = vk;
  bool extended = flags & KEYEVENTF_EXTENDEDKEY;
  // Side-neutral keys are taken as the left one, or the right one when extended.
  if (key == VK_SHIFT) key = scan == 0x36 ? VK_RSHIFT : VK_LSHIFT;
  if (key == VK_CONTROL) key = extended ? VK_RCONTROL : VK_LCONTROL;
  if (key == VK_MENU) key = extended ? VK_RMENU : VK_LMENU;
  {
    GuiLock lock(GuiMutex());
    InputState& s = State();
    e.wasDown = Down(s.async, key);
    SetKeyWithSides(s.async, key, !up);
  }
  e.kind = RawEvent::Key;
  e.vk = key;
  e.scan = scan ? scan : ScanCode(key);
  e.extended = extended || ExtendedKey(key);
  e.up = up;
  Push(e);
}

void platform::ReleaseModifiersUp(bool (*down)(int vk, void* context), void* context) {
  static constexpr int kModifiers[] = {VK_LSHIFT, VK_RSHIFT, VK_LCONTROL, VK_RCONTROL,
                                       VK_LMENU,  VK_RMENU,  VK_LWIN,     VK_RWIN};
  for (int vk : kModifiers) {
    if (down(vk, context)) continue;
    RawEvent e;
    {
      GuiLock lock(GuiMutex());
      InputState& s = State();
      if (!Down(s.async, vk) && !Down(s.sync, vk)) continue;
      SetKeyWithSides(s.async, vk, false);
    }
    // In line with the key events still waiting, so a press taken later does not hold it again.
    e.kind = RawEvent::Key;
    e.vk = vk;
    e.up = true;
    e.quiet = true;
    Push(e);
  }
}

void mouse_event(DWORD flags, DWORD dx, DWORD dy, DWORD data, ULONG_PTR) {
  if (CurrentDisplay().InjectMouse(flags, static_cast<LONG>(static_cast<std::int32_t>(dx)),
                                   static_cast<LONG>(static_cast<std::int32_t>(dy)), data))
    return;
  FeedMouse(flags, dx, dy, data);
}

void keybd_event(BYTE vk, BYTE scan, DWORD flags, ULONG_PTR) {
  if (!CurrentDisplay().InjectKey(vk, scan, flags)) FeedKey(vk, scan, flags);
}

BOOL SetCursorPos(int x, int y) {
  if (!CurrentDisplay().InjectCursorPos(x, y)) FeedCursorPos(x, y);
  return TRUE;
}

void platform::FeedCursorPos(int x, int y) {
  SIZE screen = CurrentDisplay().ScreenSize();
  RawEvent e;
  {
    GuiLock lock(GuiMutex());
    State().cursor = POINT{std::clamp(x, 0, static_cast<int>(screen.cx) - 1), std::clamp(y, 0, static_cast<int>(screen.cy) - 1)};
    e.pos = State().cursor;
  }
  e.kind = RawEvent::Move;
  Push(e);
}

BOOL GetCursorPos(POINT* p) {
  if (!p) return FALSE;
  *p = CurrentDisplay().RealCursorPos().value_or(CursorPosition());
  return TRUE;
}

SHORT GetKeyState(int vk) {
  GuiLock lock(GuiMutex());
  BYTE k = State().sync[vk & 0xFF];
  return static_cast<SHORT>(((k & 0x80) ? 0x8000 : 0) | (k & 1));
}

SHORT GetAsyncKeyState(int vk) {
  if (auto real = CurrentDisplay().RealKeyDown(vk & 0xFF)) return static_cast<SHORT>(*real ? 0x8000 : 0);
  GuiLock lock(GuiMutex());
  return static_cast<SHORT>((State().async[vk & 0xFF] & 0x80) ? 0x8000 : 0);
}

BOOL GetKeyboardState(BYTE* state) {
  if (!state) return FALSE;
  GuiLock lock(GuiMutex());
  std::memcpy(state, State().sync, 256);
  return TRUE;
}

BOOL TranslateMessage(const MSG* msg) {
  if (!msg || (msg->message != WM_KEYDOWN && msg->message != WM_SYSKEYDOWN)) return FALSE;
  int vk = static_cast<int>(msg->wParam);
  BYTE keys[256];
  GetKeyboardState(keys);
  bool shift = Down(keys, VK_SHIFT), ctrl = Down(keys, VK_CONTROL), alt = Down(keys, VK_MENU);
  bool caps = keys[VK_CAPITAL] & 1;
  int ch = -1;
  if (vk == VK_PACKET) ch = static_cast<int>((msg->lParam >> 16) & 0xFF);
  else if (vk >= 'A' && vk <= 'Z') {
    if (ctrl && !alt) ch = vk - 'A' + 1;
    else ch = (shift != caps) ? vk : vk - 'A' + 'a';
  } else if (ctrl && !alt) {
    if (vk == VK_RETURN) ch = '\n';
    else if (vk == VK_BACK) ch = 0x7F;
    else if (vk == VK_OEM_4) ch = 0x1B;
    else if (vk == VK_OEM_6) ch = 0x1D;
  } else if (vk >= '0' && vk <= '9') {
    ch = shift ? ")!@#$%^&*("[vk - '0'] : vk;
  } else if (vk >= VK_NUMPAD0 && vk <= VK_NUMPAD9) {
    ch = '0' + (vk - VK_NUMPAD0);
  } else {
    struct { int vk; char plain, shifted; } map[] = {
        {VK_SPACE, ' ', ' '}, {VK_RETURN, '\r', '\r'}, {VK_BACK, 8, 8}, {VK_TAB, 9, 9}, {VK_ESCAPE, 27, 27},
        {VK_OEM_1, ';', ':'}, {VK_OEM_PLUS, '=', '+'}, {VK_OEM_COMMA, ',', '<'}, {VK_OEM_MINUS, '-', '_'},
        {VK_OEM_PERIOD, '.', '>'}, {VK_OEM_2, '/', '?'}, {VK_OEM_3, '`', '~'}, {VK_OEM_4, '[', '{'},
        {VK_OEM_5, '\\', '|'}, {VK_OEM_6, ']', '}'}, {VK_OEM_7, '\'', '"'}, {VK_MULTIPLY, '*', '*'},
        {VK_ADD, '+', '+'}, {VK_SUBTRACT, '-', '-'}, {VK_DECIMAL, '.', '.'}, {VK_DIVIDE, '/', '/'}};
    for (const auto& m : map)
      if (m.vk == vk) ch = shift ? m.shifted : m.plain;
  }
  if (ch >= 0) {
    UINT message = msg->message == WM_SYSKEYDOWN && alt ? WM_SYSCHAR : WM_CHAR;
    PostMessage(msg->hwnd, message, static_cast<WPARAM>(ch & 0xFF), msg->lParam);
  }
  return TRUE;
}

HWND SetCapture(HWND window) {
  InputState& s = State();
  Window* w = FindWindowObject(window);
  if (!w) return nullptr;
  HWND old = s.capture;
  s.capture = window;
  if (old && old != window && FindWindowObject(old))
    SendMessage(old, WM_CAPTURECHANGED, 0, reinterpret_cast<LPARAM>(window));
  return old;
}

BOOL ReleaseCapture() {
  InputState& s = State();
  HWND old = s.capture;
  s.capture = nullptr;
  if (old && FindWindowObject(old)) SendMessage(old, WM_CAPTURECHANGED, 0, 0);
  return TRUE;
}

HWND GetCapture() { return FindWindowObject(State().capture) ? State().capture : nullptr; }

HWND SetFocus(HWND window) {
  InputState& s = State();
  HWND old = s.focus;
  if (!window) {
    s.focus = nullptr;
    if (old) SendFocusChange(old, nullptr);
    return FindWindowObject(old) ? old : nullptr;
  }
  Window* w = FindWindowObject(window);
  if (!w || w->destroying || w->IsDesktop()) return nullptr;
  if (window == old) return old;
  Window* top = TopLevelOf(w);
  if (top->handle != s.active) ActivateWindowObject(top, WA_ACTIVE);
  if (!FindWindowObject(window)) return nullptr;
  old = s.focus;
  if (old == window) return old;
  s.focus = window;
  SendFocusChange(old, window);
  return FindWindowObject(old) ? old : nullptr;
}

HWND GetFocus() { return FindWindowObject(State().focus) ? State().focus : nullptr; }

HWND SetActiveWindow(HWND window) {
  HWND old = State().active;
  Window* w = FindWindowObject(window);
  if (window && !w) return nullptr;
  ActivateWindowObject(w ? TopLevelOf(w) : nullptr, WA_ACTIVE);
  return FindWindowObject(old) ? old : nullptr;
}

HWND GetActiveWindow() { return FindWindowObject(State().active) ? State().active : nullptr; }
HWND GetForegroundWindow() { return GetActiveWindow(); }

BOOL SetForegroundWindow(HWND window) {
  Window* w = FindWindowObject(window);
  if (!w) return FALSE;
  ActivateWindowObject(TopLevelOf(w), WA_ACTIVE);
  return TRUE;
}

HWND WindowFromPoint(POINT p) {
  if (auto foreign = CurrentDisplay().ForeignWindowAt(p)) return *foreign;
  Window* w = WindowAt(p);
  return w ? w->handle : nullptr;
}

HWND ChildWindowFromPoint(HWND parent, POINT p) { return ChildWindowFromPointEx(parent, p, CWP_ALL); }

HWND ChildWindowFromPointEx(HWND parent, POINT p, UINT flags) {
  Window* w = FindWindowObject(parent);
  if (!w) return nullptr;
  if (p.x < 0 || p.y < 0 || p.x >= w->ClientWidth() || p.y >= w->ClientHeight()) return nullptr;
  for (Window* c : w->children) {
    if ((flags & CWP_SKIPINVISIBLE) && !(c->style & WS_VISIBLE)) continue;
    if ((flags & CWP_SKIPDISABLED) && (c->style & WS_DISABLED)) continue;
    if (PtInRect(&c->rect, p)) return c->handle;
  }
  return parent;
}
