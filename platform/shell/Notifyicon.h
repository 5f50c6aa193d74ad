#pragma once
// The notification area: icons that programs add, change and remove under a window
// and an identifier, each with a short tip; the mouse over an icon reaches the
// program as the icon's callback message with the mouse message in LParam.
//
// The area is kept by the process; a desktop's panel shows it (the X display docks its
// icons in the system tray) and tests read it through NotifyIcons and feed the mouse
// through NotifyIconMouse.

#include <functional>
#include <string>
#include <vector>

#include "platform/gui/Wintypes.h"

inline constexpr DWORD NIM_ADD = 0x00000000;
inline constexpr DWORD NIM_MODIFY = 0x00000001;
inline constexpr DWORD NIM_DELETE = 0x00000002;
inline constexpr UINT NIF_MESSAGE = 0x00000001;
inline constexpr UINT NIF_ICON = 0x00000002;
inline constexpr UINT NIF_TIP = 0x00000004;

struct NOTIFYICONDATA {
  DWORD cbSize;
  HWND hWnd;
  UINT uID;
  UINT uFlags;
  UINT uCallbackMessage;
  HICON hIcon;
  char szTip[64];
};

// False when the operation could not be done: an icon added twice, or changed or
// removed without being there, or an area that takes no icons.
BOOL Shell_NotifyIcon(DWORD Message, const NOTIFYICONDATA* Data);

namespace platform {

struct NotifyIconEntry {
  HWND window = nullptr;
  UINT id = 0;
  UINT callbackMessage = 0;
  HICON icon = nullptr;
  std::string tip;
};

// The icons shown now, in the order they were added.
std::vector<NotifyIconEntry> NotifyIcons();
// The mouse message (WM_MOUSEMOVE, WM_LBUTTONDOWN ...) over an icon, sent to its
// window; false when there is no such icon or it asked for no messages.
bool NotifyIconMouse(HWND Window, UINT Id, UINT MouseMessage);
// Whether the area takes icons (a desktop without one refuses them).
void SetNotifyAreaAvailable(bool Available);
// Called on the changing thread after every change of the area (null: nobody), so that
// a desktop's panel can follow it.
void SetNotifyAreaListener(std::function<void()> Listener);

}  // namespace platform
