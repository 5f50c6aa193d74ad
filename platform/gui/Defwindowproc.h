#pragma once
// The default window procedure: what the window system does with a message that a
// window procedure leaves to it (frame drawing and hit testing included).

#include "platform/gui/Window.h"
#include "platform/gui/Winmessages.h"

LRESULT DefWindowProc(HWND window, UINT message, WPARAM w, LPARAM l);
inline LRESULT DefWindowProcA(HWND h, UINT m, WPARAM w, LPARAM l) { return DefWindowProc(h, m, w, l); }

namespace platform {
// Hit test of a screen point against a window's frame and client area.
LRESULT NonClientHitTest(Window* w, POINT screen);
// Draws the frame: borders, edges, caption and the window's own scroll bars.
void PaintNonClient(Window* w);
}  // namespace platform
