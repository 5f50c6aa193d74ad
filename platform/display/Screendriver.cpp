#include "platform/display/Screendriver.h"

#include <cctype>
#include <cstring>

#include "platform/gui/Clock.h"
#include "platform/gui/Input.h"
#include "platform/gui/Messagequeue.h"

namespace platform {

namespace {

DWORD DownFlag(MouseButton b) {
  return b == MouseButton::Left ? MOUSEEVENTF_LEFTDOWN : b == MouseButton::Right ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_MIDDLEDOWN;
}

DWORD UpFlag(MouseButton b) {
  return b == MouseButton::Left ? MOUSEEVENTF_LEFTUP : b == MouseButton::Right ? MOUSEEVENTF_RIGHTUP : MOUSEEVENTF_MIDDLEUP;
}

// The key and Shift state that type a character on a US keyboard; false for none.
bool KeyFor(unsigned char c, int& vk, bool& shift) {
  shift = false;
  if (c >= 'a' && c <= 'z') { vk = std::toupper(c); return true; }
  if (c >= 'A' && c <= 'Z') { vk = c; shift = true; return true; }
  if (c >= '0' && c <= '9') { vk = c; return true; }
  static const char* shiftedDigits = ")!@#$%^&*(";
  if (const char* p = c ? std::strchr(shiftedDigits, c) : nullptr) { vk = '0' + static_cast<int>(p - shiftedDigits); shift = true; return true; }
  struct { char plain, shifted; int vk; } keys[] = {
      {' ', 0, VK_SPACE}, {'\r', 0, VK_RETURN}, {'\n', 0, VK_RETURN}, {'\t', 0, VK_TAB}, {8, 0, VK_BACK},
      {';', ':', VK_OEM_1}, {'=', '+', VK_OEM_PLUS}, {',', '<', VK_OEM_COMMA}, {'-', '_', VK_OEM_MINUS},
      {'.', '>', VK_OEM_PERIOD}, {'/', '?', VK_OEM_2}, {'`', '~', VK_OEM_3}, {'[', '{', VK_OEM_4},
      {'\\', '|', VK_OEM_5}, {']', '}', VK_OEM_6}, {'\'', '"', VK_OEM_7}};
  for (const auto& k : keys) {
    if (c == static_cast<unsigned char>(k.plain)) { vk = k.vk; return true; }
    if (k.shifted && c == static_cast<unsigned char>(k.shifted)) { vk = k.vk; shift = true; return true; }
  }
  return false;
}

}  // namespace

bool ScreenDriver::Pump(int limit) {
  MSG msg;
  for (int n = 0; n < limit; ++n) {
    if (!PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) return true;
    if (msg.message == WM_QUIT) {
      // The quit stays for the program's own loop to see.
      PostQuitMessage(static_cast<int>(msg.wParam));
      return true;
    }
    TranslateMessage(&msg);
    DispatchMessage(&msg);
  }
  return false;
}

void ScreenDriver::Advance(unsigned ms) {
  const std::uint64_t target = GuiClockNow() + ms;
  for (;;) {
    Pump();
    std::uint64_t now = GuiClockNow();
    if (now >= target) return;
    // Stops at the next timer on the way, so that each one fires in its turn.
    auto due = NextTimerDue();
    std::uint64_t step = target - now;
    if (due && *due <= target) step = *due > now ? *due - now : 1;
    AdvanceVirtualClock(step);
  }
}

void ScreenDriver::MoveTo(int x, int y) {
  POINT p = CursorPosition();
  mouse_event(MOUSEEVENTF_MOVE, static_cast<DWORD>(x - p.x), static_cast<DWORD>(y - p.y), 0, 0);
}

void ScreenDriver::Press(MouseButton b) { mouse_event(DownFlag(b), 0, 0, 0, 0); }
void ScreenDriver::Release(MouseButton b) { mouse_event(UpFlag(b), 0, 0, 0, 0); }

void ScreenDriver::Click(int x, int y, MouseButton b) {
  MoveTo(x, y);
  Press(b);
  Release(b);
}

void ScreenDriver::DoubleClick(int x, int y) {
  Click(x, y);
  Click(x, y);
}

void ScreenDriver::Drag(int fromX, int fromY, int toX, int toY, int steps) {
  MoveTo(fromX, fromY);
  Press();
  if (steps < 1) steps = 1;
  for (int i = 1; i <= steps; ++i) MoveTo(fromX + (toX - fromX) * i / steps, fromY + (toY - fromY) * i / steps);
  Release();
}

void ScreenDriver::Wheel(int delta) { mouse_event(MOUSEEVENTF_WHEEL, 0, 0, static_cast<DWORD>(delta), 0); }

void ScreenDriver::KeyDown(int vk) { keybd_event(static_cast<BYTE>(vk), 0, 0, 0); }
void ScreenDriver::KeyUp(int vk) { keybd_event(static_cast<BYTE>(vk), 0, KEYEVENTF_KEYUP, 0); }

void ScreenDriver::PressKey(int vk, bool shift, bool ctrl, bool alt) {
  if (shift) KeyDown(VK_SHIFT);
  if (ctrl) KeyDown(VK_CONTROL);
  if (alt) KeyDown(VK_MENU);
  KeyDown(vk);
  KeyUp(vk);
  if (alt) KeyUp(VK_MENU);
  if (ctrl) KeyUp(VK_CONTROL);
  if (shift) KeyUp(VK_SHIFT);
}

void ScreenDriver::Type(const std::string& text) {
  for (unsigned char c : text) {
    int vk;
    bool shift;
    if (KeyFor(c, vk, shift)) {
      PressKey(vk, shift);
    } else {
      keybd_event(VK_PACKET, c, KEYEVENTF_UNICODE, 0);
      keybd_event(VK_PACKET, c, KEYEVENTF_UNICODE | KEYEVENTF_KEYUP, 0);
    }
  }
}

}  // namespace platform
