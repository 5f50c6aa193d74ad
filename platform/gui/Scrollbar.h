#pragma once
// Scroll bars: the window's own bars in its frame and the scroll-bar control
// (class "SCROLLBAR"), their state, drawing, and tracking of clicks and thumb drags
// into WM_VSCROLL and WM_HSCROLL.

#include "platform/gui/Window.h"
#include "platform/gui/Winmessages.h"

struct SCROLLINFO {
  UINT cbSize;
  UINT fMask;
  int nMin;
  int nMax;
  UINT nPage;
  int nPos;
  int nTrackPos;
};

inline constexpr UINT SIF_RANGE = 0x0001;
inline constexpr UINT SIF_PAGE = 0x0002;
inline constexpr UINT SIF_POS = 0x0004;
inline constexpr UINT SIF_DISABLENOSCROLL = 0x0008;
inline constexpr UINT SIF_TRACKPOS = 0x0010;
inline constexpr UINT SIF_ALL = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_TRACKPOS;
inline constexpr UINT ESB_ENABLE_BOTH = 0x0000;
inline constexpr UINT ESB_DISABLE_BOTH = 0x0003;
inline constexpr UINT SBM_SETPOS = 0x00E0;
inline constexpr UINT SBM_GETPOS = 0x00E1;
inline constexpr UINT SBM_SETRANGE = 0x00E2;
inline constexpr UINT SBM_GETRANGE = 0x00E3;
inline constexpr UINT SBM_SETSCROLLINFO = 0x00E9;
inline constexpr UINT SBM_GETSCROLLINFO = 0x00EA;

int SetScrollInfo(HWND window, int bar, const SCROLLINFO* info, BOOL redraw);
// Fails for a bar the window does not have, or SB_CTL of a window that is no scroll bar.
BOOL GetScrollInfo(HWND window, int bar, SCROLLINFO* info);
int SetScrollPos(HWND window, int bar, int pos, BOOL redraw);
int GetScrollPos(HWND window, int bar);
BOOL SetScrollRange(HWND window, int bar, int min, int max, BOOL redraw);
BOOL GetScrollRange(HWND window, int bar, int* min, int* max);
BOOL ShowScrollBar(HWND window, int bar, BOOL show);
BOOL EnableScrollBar(HWND window, UINT bar, UINT arrows);

namespace platform {

LRESULT ScrollBarControlProc(HWND window, UINT message, WPARAM w, LPARAM l);
// Draws the window's own bars with a DC of the whole window.
void PaintOwnScrollBars(Window* w, HDC windowDc);
// A press on a bar (SB_VERT or SB_HORZ of the frame, SB_CTL of a control) at a screen
// point starts tracking the mouse until the button goes up.
bool StartScrollTracking(Window* w, int bar, POINT screen);
void CancelScrollTracking();

}  // namespace platform
