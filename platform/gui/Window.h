#pragma once
// The window objects behind window handles: the tree of windows, their classes,
// geometry and state, and the handle table.

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/gui/Pixmap.h"
#include "platform/gui/Region.h"
#include "platform/gui/Wintypes.h"

struct WNDCLASS {
  UINT style;
  WNDPROC lpfnWndProc;
  int cbClsExtra;
  int cbWndExtra;
  HINSTANCE hInstance;
  HICON hIcon;
  HCURSOR hCursor;
  HBRUSH hbrBackground;  // a brush, or a system colour index + 1
  const char* lpszMenuName;
  const char* lpszClassName;
};

namespace platform {

struct ThreadQueue;

struct WindowClass {
  std::string name;
  WNDCLASS info{};
  bool system = false;
};

// Range, page and position of one scroll bar.
struct ScrollBarState {
  int min = 0;
  int max = 100;
  int page = 0;
  int pos = 0;
  int trackPos = 0;
  bool tracking = false;
  bool disabled = false;
};

struct Window {
  HWND handle = nullptr;
  std::shared_ptr<WindowClass> cls;
  WNDPROC proc = nullptr;
  DWORD style = 0;
  DWORD exStyle = 0;
  Window* parent = nullptr;   // the desktop for top-level windows
  Window* owner = nullptr;
  std::vector<Window*> children;  // z-order, topmost first
  RECT rect{};        // in the parent's client coordinates
  RECT client{};      // client area within the window rectangle
  RECT normalRect{};  // placement to restore from minimized or maximized
  // Where the first place of a top-level window comes from: a desktop's window manager
  // chooses it unless the program put the window somewhere on purpose (a dialog over
  // its owner) or restores a place the user left it at.
  enum class Placement { Desktop, Program, Remembered };
  Placement placement = Placement::Desktop;
  std::string text;
  LONG_PTR id = 0;
  LONG_PTR userData = 0;
  HINSTANCE instance = nullptr;
  std::vector<unsigned char> extra;
  std::map<std::string, HANDLE> props;
  std::shared_ptr<ThreadQueue> queue;
  long thread = 0;

  Region update;      // client coordinates
  bool erase = false;
  bool ncDirty = false;
  bool redraw = true;
  bool ncActive = false;

  ScrollBarState vbar, hbar;  // the window's own bars (the control's state is vbar)
  bool scrollBarControl = false;  // served by the scroll-bar control's procedure

  int calls = 0;                // window procedure calls on the stack
  bool destroyPending = false;  // DestroyWindow asked while busy
  bool destroying = false;

  std::shared_ptr<Pixmap> surface;  // top-level windows and the desktop

  bool IsDesktop() const { return parent == nullptr; }
  bool IsTopLevel() const { return parent && parent->IsDesktop(); }
  bool IsChild() const { return style & 0x40000000; }
  int ClientWidth() const { return client.right - client.left; }
  int ClientHeight() const { return client.bottom - client.top; }
};

// Handle table (lookups return null for handles of destroyed windows).
Window* FindWindowObject(HWND handle);
Window* Desktop();
HWND AddWindowObject(std::unique_ptr<Window> window);
void RemoveWindowObject(HWND handle);
std::vector<HWND> AllWindowHandles();

// Geometry.
POINT ScreenOrigin(const Window* w);        // top-left of the window rectangle
POINT ClientScreenOrigin(const Window* w);  // top-left of the client area
POINT SurfaceOrigin(const Window* w);       // window top-left within its top-level surface
Window* TopLevelOf(Window* w);
bool VisibleChain(const Window* w);  // the window and all its ancestors are visible
bool IsAncestor(const Window* ancestor, const Window* w);
// Non-client insets from the style; what WM_NCCALCSIZE computes by default.
RECT NonClientInsets(DWORD style, DWORD exStyle);
// Rectangles of the window's own scroll bars and caption in window coordinates.
RECT VerticalBarRect(const Window* w);
RECT HorizontalBarRect(const Window* w);
RECT CaptionRect(const Window* w);
RECT CloseButtonRect(const Window* w);

// Names of classes, messages and windows compare without regard to case.
bool SameName(const std::string& a, const std::string& b);

// The screen size of the display changed: resize the desktop.
void ScreenSizeChanged();
// Current OS thread id.
long CurrentThread();

}  // namespace platform
