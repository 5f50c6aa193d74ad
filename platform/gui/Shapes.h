#pragma once
// Lines, shapes, rectangle fills and single pixels.

#include "platform/gui/Devicecontext.h"

BOOL LineTo(HDC dc, int x, int y);
BOOL Polyline(HDC dc, const POINT* points, int count);
BOOL Polygon(HDC dc, const POINT* points, int count);
BOOL Rectangle(HDC dc, int left, int top, int right, int bottom);
BOOL Ellipse(HDC dc, int left, int top, int right, int bottom);
// brush may be a system colour index + 1 (COLOR_WINDOW + 1 ...).
int FillRect(HDC dc, const RECT* r, HBRUSH brush);
int FrameRect(HDC dc, const RECT* r, HBRUSH brush);
BOOL InvertRect(HDC dc, const RECT* r);
BOOL FillRgn(HDC dc, HRGN region, HBRUSH brush);
COLORREF SetPixel(HDC dc, int x, int y, COLORREF color);
COLORREF GetPixel(HDC dc, int x, int y);

namespace platform {
// The brush data of a brush handle or of a system colour index + 1.
const BrushData* ResolveBrush(HBRUSH brush);
}  // namespace platform
