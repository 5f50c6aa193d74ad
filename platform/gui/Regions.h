#pragma once
// Region handles: creation, combination and queries.

#include "platform/gui/Devicecontext.h"

HRGN CreateRectRgn(int left, int top, int right, int bottom);
HRGN CreateRectRgnIndirect(const RECT* r);
BOOL SetRectRgn(HRGN region, int left, int top, int right, int bottom);
// Combines a and b into dst (which may be one of them); returns the kind of the result.
int CombineRgn(HRGN dst, HRGN a, HRGN b, int mode);
int OffsetRgn(HRGN region, int dx, int dy);
int GetRgnBox(HRGN region, RECT* box);
BOOL PtInRegion(HRGN region, int x, int y);
BOOL RectInRegion(HRGN region, const RECT* r);
BOOL EqualRgn(HRGN a, HRGN b);

namespace platform {
HRGN CreateRegionHandle(const Region& region);
Region* FindRegion(HRGN region);
int RegionComplexity(const Region& region);
}  // namespace platform
