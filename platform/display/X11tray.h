#pragma once
// The notification area's icons on the desktop's panel, through the freedesktop system
// tray: each icon is a small X window that the panel embeds (XEmbed) and paints over its
// own background; its mouse buttons reach the icon's window as its callback message, and
// while the pointer rests on it its tip shows beside it.
// Without a panel the icons wait, and dock as soon as one announces itself.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/display/Traytip.h"
#include "platform/gui/Wintypes.h"
#include "platform/shell/Notifyicon.h"

// Xlib's types, without its macros in the headers that include this one.
struct _XDisplay;
union _XEvent;

namespace platform {

class X11Tray {
 public:
  X11Tray(_XDisplay* dpy, int screen);
  ~X11Tray();
  X11Tray(const X11Tray&) = delete;
  X11Tray& operator=(const X11Tray&) = delete;

  // Makes, repaints and removes icon windows to match the notification area.
  void Sync();
  // An event for the tray or an icon window; false when it is none of theirs.
  bool Handle(const _XEvent& e);
  // Whether a panel holds the tray selection now.
  bool PanelPresent() const;
  // The X window of an area icon (0 when none), for tests and diagnostics.
  unsigned long IconWindow(HWND window, UINT id) const;

 private:
  struct Icon {
    NotifyIconEntry area;  // as the notification area has it
    unsigned long x = 0;   // the X window
    int width = 22, height = 22;
    bool docked = false;  // asked of a panel
  };

  unsigned long Manager() const;
  void Dock(Icon& icon);
  void Paint(const Icon& icon);
  void SetTip(const Icon& icon);
  void SetSizeHints(const Icon& icon);
  Icon* Find(unsigned long x);

  _XDisplay* dpy_;
  int screen_;
  unsigned long root_;
  unsigned long selection_, opcode_, manager_, xembedInfo_, netWmName_, utf8_;  // atoms
  std::vector<Icon> icons_;
  TrayTip tip_;  // of the icon the pointer rests on
};

}  // namespace platform
