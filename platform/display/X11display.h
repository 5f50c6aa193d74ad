#pragma once
// The X display: each top-level window is an X window showing its surface, X input
// becomes the window system's input, injected input goes to the whole desktop through
// XTest, and the CLIPBOARD selection carries text both ways. A lost connection ends the
// program with a message on the terminal.

#include <memory>
#include <optional>
#include <string>

#include "platform/gui/Display.h"

namespace platform {

class X11Display : public Display {
 public:
  // Connects to the named display ($DISPLAY when empty); Connected() tells whether it worked.
  explicit X11Display(const std::string& name = std::string());
  ~X11Display() override;
  X11Display(const X11Display&) = delete;
  X11Display& operator=(const X11Display&) = delete;

  bool Connected() const;
  // Makes this the display of the window system (and undoes that when destroyed).
  void Install();

  SIZE ScreenSize() const override;
  RECT WorkArea() const override;
  void TopLevelChanged(HWND window) override;
  void TopLevelDestroyed(HWND window) override;
  void ModalOver(HWND dialog, HWND over) override;
  void SurfaceChanged(HWND window, const RECT& area) override;
  void ShowNow(HWND window, int timeoutMs) override;
  bool WaitForInput(int timeoutMs) override;
  void Beep(UINT) override;
  void CursorChanged(HCURSOR cursor) override;
  void ClipboardTextSet(const std::string& text) override;
  std::optional<std::string> ClipboardText() override;
  bool InjectMouse(DWORD flags, LONG dx, LONG dy, DWORD data) override;
  bool InjectKey(BYTE vk, BYTE scan, DWORD flags) override;
  bool InjectCursorPos(int x, int y) override;
  std::optional<bool> RealKeyDown(int vk) override;
  std::optional<POINT> RealCursorPos() override;
  std::optional<HWND> ForeignWindowAt(POINT p) override;

  // The X window that shows a top-level window (0 when none), for tests and diagnostics.
  unsigned long XWindowOf(HWND window) const;
  // The X window of a notification-area icon (0 when none), for tests and diagnostics.
  unsigned long TrayIconWindow(HWND window, UINT id) const;
  // Handles every X event that has arrived, then returns.
  void Drain();

  struct Impl;

 private:
  std::unique_ptr<Impl> impl_;
};

// The display of a real run: x11 when $DISPLAY names a display that answers, otherwise
// null (the caller falls back to the headless screen).
std::unique_ptr<X11Display> OpenX11DisplayFromEnvironment();

}  // namespace platform
