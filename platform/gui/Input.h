#pragma once
// Input: mouse and keyboard events (injected or from a display back end), their routing
// to windows as real input is routed, keyboard state, capture, focus and activation.

#include "platform/gui/Messagequeue.h"
#include "platform/gui/Window.h"
#include "platform/gui/Winkeys.h"

inline constexpr DWORD MOUSEEVENTF_MOVE = 0x0001;
inline constexpr DWORD MOUSEEVENTF_LEFTDOWN = 0x0002;
inline constexpr DWORD MOUSEEVENTF_LEFTUP = 0x0004;
inline constexpr DWORD MOUSEEVENTF_RIGHTDOWN = 0x0008;
inline constexpr DWORD MOUSEEVENTF_RIGHTUP = 0x0010;
inline constexpr DWORD MOUSEEVENTF_MIDDLEDOWN = 0x0020;
inline constexpr DWORD MOUSEEVENTF_MIDDLEUP = 0x0040;
inline constexpr DWORD MOUSEEVENTF_WHEEL = 0x0800;
inline constexpr DWORD MOUSEEVENTF_HWHEEL = 0x1000;  // positive: to the right
inline constexpr DWORD MOUSEEVENTF_ABSOLUTE = 0x8000;
inline constexpr DWORD KEYEVENTF_EXTENDEDKEY = 0x0001;
inline constexpr DWORD KEYEVENTF_KEYUP = 0x0002;
// With VK_PACKET (or no key): the scan word carries a character of the program's code page.
inline constexpr DWORD KEYEVENTF_UNICODE = 0x0004;

// Mouse input: buttons are physical (swapped buttons turn left into right); moves are
// relative pixels, or 0..65535 across the screen with MOUSEEVENTF_ABSOLUTE.
void mouse_event(DWORD flags, DWORD dx, DWORD dy, DWORD data, ULONG_PTR extra);
void keybd_event(BYTE vk, BYTE scan, DWORD flags, ULONG_PTR extra);
BOOL SetCursorPos(int x, int y);
BOOL GetCursorPos(POINT* p);
SHORT GetKeyState(int vk);
SHORT GetAsyncKeyState(int vk);
BOOL GetKeyboardState(BYTE* state);
// Posts WM_CHAR (WM_SYSCHAR) for key-down messages that make a character.
BOOL TranslateMessage(const MSG* msg);
HWND SetCapture(HWND window);
BOOL ReleaseCapture();
HWND GetCapture();
HWND SetFocus(HWND window);
HWND GetFocus();
HWND SetActiveWindow(HWND window);
HWND GetActiveWindow();
HWND GetForegroundWindow();
BOOL SetForegroundWindow(HWND window);
HWND WindowFromPoint(POINT p);
HWND ChildWindowFromPoint(HWND parent, POINT p);
HWND ChildWindowFromPointEx(HWND parent, POINT p, UINT flags);

namespace platform {

POINT CursorPosition();
// Turns the next raw input event into a message for a window of this thread (events for
// other threads' windows go to their queues); false when no event is waiting.
bool CookInput(ThreadQueue& queue, MSG& out);
// The window system lets go of a window that is being destroyed.
void ForgetInputOf(Window* w);
void WindowDisabled(Window* w);
void WindowHidden(Window* w);
void ActivateWindowObject(Window* top, WPARAM how);
// The front-most enabled top-level window: the one that takes the activation a disabled
// window refuses (a modal window over the windows it disabled); null when none.
Window* FrontEnabledWindow();
// True when raw input is waiting (for pumping until idle).
bool InputPending();

// Input as a display back end reports it (and as injection without one does): the
// cursor moved to a screen point, mouse buttons and wheel (mouse_event flags without a
// move), a key (keybd_event's arguments).
void FeedCursorPos(int x, int y);
void FeedMouse(DWORD flags, DWORD dx, DWORD dy, DWORD data);
void FeedKey(BYTE vk, BYTE scan, DWORD flags);
// The window system's keyboard as a window of ours gains the focus: `down(vk)` tells
// whether a key is held. A modifier released while another program had the keyboard is
// let go here (without a message), so it does not stay held for the typing that follows.
void ReleaseModifiersUp(bool (*down)(int vk, void* context), void* context);

// Receives the mouse while a scroll bar is tracked; returns true when it took the event.
using MouseInterceptor = bool (*)(UINT message, POINT screen);
void SetMouseInterceptor(MouseInterceptor interceptor);

}  // namespace platform
