#pragma once
// Painting of windows: device contexts of windows and of the screen, invalid areas and
// WM_PAINT, scrolling of window contents.

#include "platform/gui/Devicecontext.h"
#include "platform/gui/Messagequeue.h"
#include "platform/gui/Window.h"

struct PAINTSTRUCT {
  HDC hdc;
  BOOL fErase;
  RECT rcPaint;
  BOOL fRestore;
  BOOL fIncUpdate;
  BYTE rgbReserved[32];
};

inline constexpr UINT RDW_INVALIDATE = 0x0001;
inline constexpr UINT RDW_INTERNALPAINT = 0x0002;
inline constexpr UINT RDW_ERASE = 0x0004;
inline constexpr UINT RDW_VALIDATE = 0x0008;
inline constexpr UINT RDW_NOINTERNALPAINT = 0x0010;
inline constexpr UINT RDW_NOERASE = 0x0020;
inline constexpr UINT RDW_NOCHILDREN = 0x0040;
inline constexpr UINT RDW_ALLCHILDREN = 0x0080;
inline constexpr UINT RDW_UPDATENOW = 0x0100;
inline constexpr UINT RDW_ERASENOW = 0x0200;
inline constexpr UINT RDW_FRAME = 0x0400;
inline constexpr UINT RDW_NOFRAME = 0x0800;
inline constexpr UINT SW_SCROLLCHILDREN = 0x0001;
inline constexpr UINT SW_INVALIDATE = 0x0002;
inline constexpr UINT SW_ERASE = 0x0004;

// GetDC(null) draws on the screen (behind all windows).
HDC GetDC(HWND window);
HDC GetWindowDC(HWND window);
int ReleaseDC(HWND window, HDC dc);
HDC BeginPaint(HWND window, PAINTSTRUCT* ps);
BOOL EndPaint(HWND window, const PAINTSTRUCT* ps);
BOOL InvalidateRect(HWND window, const RECT* r, BOOL erase);
BOOL InvalidateRgn(HWND window, HRGN region, BOOL erase);
BOOL ValidateRect(HWND window, const RECT* r);
BOOL ValidateRgn(HWND window, HRGN region);
BOOL GetUpdateRect(HWND window, RECT* r, BOOL erase);
int GetUpdateRgn(HWND window, HRGN region, BOOL erase);
BOOL UpdateWindow(HWND window);
BOOL RedrawWindow(HWND window, const RECT* r, HRGN region, UINT flags);
BOOL ScrollWindow(HWND window, int dx, int dy, const RECT* scroll, const RECT* clip);
int ScrollWindowEx(HWND window, int dx, int dy, const RECT* scroll, const RECT* clip, HRGN update,
                   RECT* updateRect, UINT flags);

namespace platform {

// A WM_PAINT (after the non-client area is drawn) for a window of this thread that
// needs painting; false when none does.
bool FindPaintMessage(ThreadQueue& queue, HWND filter, MSG& out);
// True when a window of any thread waits to be painted.
bool PaintPending();
// Adds an area (client coordinates) to a window's invalid area; children that the
// window does not clip, or all of them when asked, are invalidated where they overlap.
void InvalidateArea(Window* w, const Region& area, bool erase, bool allChildren);
// Invalidates the whole window, frame included.
void InvalidateWhole(Window* w);
// An area of a parent (client coordinates) was uncovered: the parent and the siblings
// there (but the one that moved) repaint it.
void ExposeArea(Window* parent, const RECT& area, Window* except);
// Visible area of a window or its client area in surface coordinates of its top-level window.
Region VisibleRegion(Window* w, bool clientOnly, bool clipChildren);

}  // namespace platform
