#pragma once
// Windows: creation and destruction, placement, z-order, showing, styles and words of
// the window, text, the family of a window, search and enumeration, coordinates.

#include "platform/gui/Window.h"
#include "platform/gui/Winmessages.h"
#include "platform/gui/Winstyles.h"

struct WINDOWPLACEMENT {
  UINT length;
  UINT flags;
  UINT showCmd;
  POINT ptMinPosition;
  POINT ptMaxPosition;
  RECT rcNormalPosition;
};
inline constexpr UINT WPF_SETMINPOSITION = 0x0001;

HWND CreateWindowEx(DWORD exStyle, const char* className, const char* title, DWORD style, int x, int y,
                    int width, int height, HWND parent, HMENU menuOrId, HINSTANCE instance, void* param);
inline HWND CreateWindowExA(DWORD ex, const char* c, const char* t, DWORD s, int x, int y, int w, int h,
                            HWND p, HMENU m, HINSTANCE i, void* param) {
  return CreateWindowEx(ex, c, t, s, x, y, w, h, p, m, i, param);
}
// Inside a procedure of the window (or of one of its descendants) destruction waits
// until that procedure returns; the window stays valid until then.
BOOL DestroyWindow(HWND window);
BOOL IsWindow(HWND window);
BOOL IsWindowVisible(HWND window);
BOOL IsWindowEnabled(HWND window);
BOOL IsIconic(HWND window);
BOOL IsZoomed(HWND window);
BOOL IsChild(HWND parent, HWND window);
BOOL EnableWindow(HWND window, BOOL enable);
BOOL ShowWindow(HWND window, int command);
BOOL SetWindowPos(HWND window, HWND insertAfter, int x, int y, int width, int height, UINT flags);
BOOL MoveWindow(HWND window, int x, int y, int width, int height, BOOL repaint);
BOOL BringWindowToTop(HWND window);
BOOL GetWindowPlacement(HWND window, WINDOWPLACEMENT* placement);
// Restores a remembered place: a top-level window with a caption is kept on the work
// area (the screen may have shrunk since), and a desktop keeps the window where it is put.
BOOL SetWindowPlacement(HWND window, const WINDOWPLACEMENT* placement);
BOOL GetWindowRect(HWND window, RECT* r);
BOOL GetClientRect(HWND window, RECT* r);
BOOL ClientToScreen(HWND window, POINT* p);
BOOL ScreenToClient(HWND window, POINT* p);
int MapWindowPoints(HWND from, HWND to, POINT* points, UINT count);
LONG_PTR GetWindowLong(HWND window, int index);
LONG_PTR SetWindowLong(HWND window, int index, LONG_PTR value);
inline LONG_PTR GetWindowLongPtr(HWND w, int i) { return GetWindowLong(w, i); }
inline LONG_PTR SetWindowLongPtr(HWND w, int i, LONG_PTR v) { return SetWindowLong(w, i, v); }
int GetWindowText(HWND window, char* buffer, int size);
int GetWindowTextLength(HWND window);
BOOL SetWindowText(HWND window, const char* text);
inline int GetWindowTextA(HWND w, char* b, int s) { return GetWindowText(w, b, s); }
inline BOOL SetWindowTextA(HWND w, const char* t) { return SetWindowText(w, t); }
HWND GetParent(HWND window);
HWND SetParent(HWND window, HWND parent);
HWND GetWindow(HWND window, UINT relation);
HWND GetAncestor(HWND window, UINT flags);
HWND GetTopWindow(HWND window);
HWND GetDesktopWindow();
HWND GetDlgItem(HWND parent, int id);
int GetDlgCtrlID(HWND window);
HWND FindWindow(const char* className, const char* title);
HWND FindWindowEx(HWND parent, HWND after, const char* className, const char* title);
inline HWND FindWindowA(const char* c, const char* t) { return FindWindow(c, t); }
BOOL EnumWindows(WNDENUMPROC proc, LPARAM l);
BOOL EnumChildWindows(HWND parent, WNDENUMPROC proc, LPARAM l);
BOOL EnumThreadWindows(DWORD thread, WNDENUMPROC proc, LPARAM l);
DWORD GetWindowThreadProcessId(HWND window, DWORD* process);
BOOL SetProp(HWND window, const char* name, HANDLE data);
HANDLE GetProp(HWND window, const char* name);
HANDLE RemoveProp(HWND window, const char* name);

namespace platform {
// The program puts a top-level window at a place of its choosing (see Window::Placement).
void SetPlacementKind(HWND window, Window::Placement kind);
// Destroys the windows whose destruction waited for their procedures to return.
void RunPendingDestroys();
// Windows alive (the desktop not counted), for leak checks.
size_t WindowCount();
// The desktop's window manager minimised, maximised or restored a top-level window
// (state: WS_MINIMIZE, WS_MAXIMIZE or 0): the window takes that state without being
// placed again, since the window manager places it; WM_SIZE tells of the new kind.
void MirrorWindowState(HWND window, DWORD state);
}  // namespace platform
