#pragma once
// Rectangle and point helpers of the window system.

#include "platform/gui/Wintypes.h"

BOOL SetRect(RECT* r, int left, int top, int right, int bottom);
BOOL SetRectEmpty(RECT* r);
BOOL CopyRect(RECT* dst, const RECT* src);
BOOL InflateRect(RECT* r, int dx, int dy);
BOOL OffsetRect(RECT* r, int dx, int dy);
BOOL IsRectEmpty(const RECT* r);
BOOL EqualRect(const RECT* a, const RECT* b);
BOOL PtInRect(const RECT* r, POINT p);
// True when the intersection is not empty; an empty result is set to all zeros.
BOOL IntersectRect(RECT* dst, const RECT* a, const RECT* b);
BOOL UnionRect(RECT* dst, const RECT* a, const RECT* b);
BOOL SubtractRect(RECT* dst, const RECT* a, const RECT* b);

namespace platform {

inline RECT MakeRect(int l, int t, int r, int b) { return RECT{l, t, r, b}; }
inline bool Empty(const RECT& r) { return r.right <= r.left || r.bottom <= r.top; }
inline int Width(const RECT& r) { return r.right - r.left; }
inline int Height(const RECT& r) { return r.bottom - r.top; }
RECT Intersect(const RECT& a, const RECT& b);
RECT Offset(const RECT& r, int dx, int dy);
// Keeps a coordinate inside the range the window system works with.
int ClampCoord(long long v);

}  // namespace platform
