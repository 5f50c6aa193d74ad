#pragma once
// The screen behind the window system. Each top-level window paints into a surface of
// its own; a display back end shows those surfaces (the headless screen composes them in
// memory, a desktop back end maps them to its windows) and feeds input back.

#include <optional>
#include <string>

#include "platform/gui/Wintypes.h"

namespace platform {

class Display {
 public:
  virtual ~Display() = default;
  virtual SIZE ScreenSize() const = 0;
  // Whether the screen itself is a surface of this process (a screen in memory that
  // composes the windows over it). Elsewhere the desktop's context paints nowhere, and
  // no memory as large as the screen is taken.
  virtual bool KeepsScreenSurface() const { return false; }
  // The part of the screen that windows may cover (without the desktop's panels).
  virtual RECT WorkArea() const {
    SIZE s = ScreenSize();
    return RECT{0, 0, s.cx, s.cy};
  }
  // A top-level window was created, moved, resized, shown, hidden or restacked.
  virtual void TopLevelChanged(HWND) {}
  // A window runs modally over another one (null: no longer), for a desktop that keeps
  // dialogs above the windows they belong to.
  virtual void ModalOver(HWND /*dialog*/, HWND /*over*/) {}
  virtual void TopLevelDestroyed(HWND) {}
  // New pixels in a top-level window's surface (window coordinates).
  virtual void SurfaceChanged(HWND, const RECT&) {}
  // Waits, up to the time given, until the screen shows a top-level window as it stands
  // (shown, at its size) with its surface: for a window painted just before the thread
  // works on without taking its messages. Nothing to wait for where the screen is ours,
  // for a window the desktop keeps out of sight (minimised, on another desktop), or for a
  // showing already waited for in vain.
  virtual void ShowNow(HWND, int /*timeoutMs*/) {}
  // The message queue is empty. Wait up to timeout (negative: no limit) for input of the
  // back end; false when no input can ever come (a blocked loop would hang).
  virtual bool WaitForInput(int timeoutMs) = 0;
  virtual void Beep(UINT) {}
  virtual void CursorChanged(HCURSOR) {}
  // The clipboard of the system beyond this process, when the back end has one.
  virtual void ClipboardTextSet(const std::string&) {}
  virtual std::optional<std::string> ClipboardText() { return std::nullopt; }
  // Injected input (mouse_event, keybd_event, SetCursorPos) that the back end sends to
  // the whole desktop; false leaves it to this process. What reaches our windows comes
  // back as the back end's input.
  virtual bool InjectMouse(DWORD /*flags*/, LONG /*dx*/, LONG /*dy*/, DWORD /*data*/) { return false; }
  virtual bool InjectKey(BYTE /*vk*/, BYTE /*scan*/, DWORD /*flags*/) { return false; }
  virtual bool InjectCursorPos(int /*x*/, int /*y*/) { return false; }
  // Whether a key or button is down on the real keyboard and mouse, when the back end knows.
  virtual std::optional<bool> RealKeyDown(int /*vk*/) { return std::nullopt; }
  // Where the real pointer is, over whichever program's window, when the back end knows.
  virtual std::optional<POINT> RealCursorPos() { return std::nullopt; }
  // The window at a screen point when it is not one of ours: another process's window
  // (null when it is no window of this program's kind); nothing when ours is on top there.
  virtual std::optional<HWND> ForeignWindowAt(POINT) { return std::nullopt; }
};

// The display in use; a plain in-memory screen until a back end is installed.
Display& CurrentDisplay();
// Installs a back end (null restores the default). The caller keeps ownership.
void SetDisplay(Display* display);

}  // namespace platform
