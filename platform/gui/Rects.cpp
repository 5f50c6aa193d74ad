#include "platform/gui/Rects.h"

#include <algorithm>

namespace platform {

RECT Intersect(const RECT& a, const RECT& b) {
  RECT r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
         std::min(a.bottom, b.bottom)};
  if (Empty(r)) return RECT{0, 0, 0, 0};
  return r;
}

RECT Offset(const RECT& r, int dx, int dy) {
  return RECT{r.left + dx, r.top + dy, r.right + dx, r.bottom + dy};
}

int ClampCoord(long long v) {
  // Far beyond any screen, yet far from overflow when coordinates are added up.
  constexpr long long limit = 1 << 24;
  return static_cast<int>(std::clamp(v, -limit, limit));
}

}  // namespace platform

using platform::Empty;

BOOL SetRect(RECT* r, int left, int top, int right, int bottom) {
  if (!r) return FALSE;
  *r = RECT{left, top, right, bottom};
  return TRUE;
}

BOOL SetRectEmpty(RECT* r) { return SetRect(r, 0, 0, 0, 0); }

BOOL CopyRect(RECT* dst, const RECT* src) {
  if (!dst || !src) return FALSE;
  *dst = *src;
  return TRUE;
}

BOOL InflateRect(RECT* r, int dx, int dy) {
  if (!r) return FALSE;
  r->left -= dx; r->top -= dy; r->right += dx; r->bottom += dy;
  return TRUE;
}

BOOL OffsetRect(RECT* r, int dx, int dy) {
  if (!r) return FALSE;
  *r = platform::Offset(*r, dx, dy);
  return TRUE;
}

BOOL IsRectEmpty(const RECT* r) { return !r || Empty(*r); }

BOOL EqualRect(const RECT* a, const RECT* b) {
  return a && b && a->left == b->left && a->top == b->top && a->right == b->right && a->bottom == b->bottom;
}

BOOL PtInRect(const RECT* r, POINT p) {
  return r && p.x >= r->left && p.x < r->right && p.y >= r->top && p.y < r->bottom;
}

BOOL IntersectRect(RECT* dst, const RECT* a, const RECT* b) {
  if (!dst || !a || !b) return FALSE;
  *dst = platform::Intersect(*a, *b);
  return !Empty(*dst);
}

BOOL UnionRect(RECT* dst, const RECT* a, const RECT* b) {
  if (!dst || !a || !b) return FALSE;
  if (Empty(*a)) *dst = Empty(*b) ? RECT{0, 0, 0, 0} : *b;
  else if (Empty(*b)) *dst = *a;
  else *dst = RECT{std::min(a->left, b->left), std::min(a->top, b->top), std::max(a->right, b->right),
                   std::max(a->bottom, b->bottom)};
  return !Empty(*dst);
}

BOOL SubtractRect(RECT* dst, const RECT* a, const RECT* b) {
  if (!dst || !a || !b) return FALSE;
  RECT r = *a;
  RECT i = platform::Intersect(*a, *b);
  if (!Empty(i)) {
    // Only a cut that leaves a rectangle changes the result.
    if (i.top == r.top && i.bottom == r.bottom) {
      if (i.left == r.left) r.left = std::min(i.right, r.right);
      else if (i.right == r.right) r.right = i.left;
    } else if (i.left == r.left && i.right == r.right) {
      if (i.top == r.top) r.top = std::min(i.bottom, r.bottom);
      else if (i.bottom == r.bottom) r.bottom = i.top;
    }
  }
  *dst = r;
  if (Empty(r)) { *dst = RECT{0, 0, 0, 0}; return FALSE; }
  return TRUE;
}

