#pragma once
// The caret: one per process, owned by a window, drawn by inverting its rectangle.
// It does not blink, so that what the screen shows stays deterministic.

#include "platform/gui/Wintypes.h"

BOOL CreateCaret(HWND window, HBITMAP bitmap, int width, int height);
BOOL DestroyCaret();
BOOL ShowCaret(HWND window);
BOOL HideCaret(HWND window);
BOOL SetCaretPos(int x, int y);
BOOL GetCaretPos(POINT* p);
UINT GetCaretBlinkTime();
BOOL SetCaretBlinkTime(UINT milliseconds);

namespace platform {
// Painting takes the caret off the window meanwhile, and puts it back.
void SuspendCaret(HWND window);
void ResumeCaret(HWND window);
void ForgetCaretOf(HWND window);
// Whether the caret is on the screen now, and where (client coordinates).
bool CaretShown(RECT* where);
}  // namespace platform
