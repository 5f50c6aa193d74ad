#include "platform/gui/Regions.h"

#include <algorithm>

namespace platform {

HRGN CreateRegionHandle(const Region& region) {
  auto o = std::make_unique<GdiObject>();
  o->kind = OBJ_REGION;
  o->region = region;
  return static_cast<HRGN>(AddGdiObject(std::move(o)));
}

Region* FindRegion(HRGN region) {
  GdiObject* o = FindGdiObject(region, OBJ_REGION);
  return o ? &o->region : nullptr;
}

int RegionComplexity(const Region& r) {
  if (r.IsEmpty()) return NULLREGION;
  return r.Rects().size() == 1 ? SIMPLEREGION : COMPLEXREGION;
}

}  // namespace platform

using namespace platform;

namespace {
RECT Normalized(int l, int t, int r, int b) {
  return RECT{std::min(l, r), std::min(t, b), std::max(l, r), std::max(t, b)};
}
}  // namespace

HRGN CreateRectRgn(int left, int top, int right, int bottom) {
  return CreateRegionHandle(Region(Normalized(left, top, right, bottom)));
}

HRGN CreateRectRgnIndirect(const RECT* r) {
  return r ? CreateRectRgn(r->left, r->top, r->right, r->bottom) : nullptr;
}

BOOL SetRectRgn(HRGN region, int left, int top, int right, int bottom) {
  Region* r = FindRegion(region);
  if (!r) return FALSE;
  r->Set(Normalized(left, top, right, bottom));
  return TRUE;
}

int CombineRgn(HRGN dst, HRGN a, HRGN b, int mode) {
  Region* d = FindRegion(dst);
  Region* ra = FindRegion(a);
  Region* rb = mode == RGN_COPY ? ra : FindRegion(b);
  if (!d || !ra || !rb) return RGN_ERROR;
  Region result = *ra;
  switch (mode) {
    case RGN_COPY: break;
    case RGN_AND: result.Intersect(*rb); break;
    case RGN_OR: result.Unite(*rb); break;
    case RGN_XOR: result.Xor(*rb); break;
    case RGN_DIFF: result.Subtract(*rb); break;
    default: return RGN_ERROR;
  }
  *d = result;
  return RegionComplexity(*d);
}

int OffsetRgn(HRGN region, int dx, int dy) {
  Region* r = FindRegion(region);
  if (!r) return RGN_ERROR;
  r->Offset(dx, dy);
  return RegionComplexity(*r);
}

int GetRgnBox(HRGN region, RECT* box) {
  Region* r = FindRegion(region);
  if (!r || !box) return RGN_ERROR;
  *box = r->Bounds();
  return RegionComplexity(*r);
}

BOOL PtInRegion(HRGN region, int x, int y) {
  Region* r = FindRegion(region);
  return r && r->Contains(x, y);
}

BOOL RectInRegion(HRGN region, const RECT* rect) {
  Region* r = FindRegion(region);
  return r && rect && r->Overlaps(*rect);
}

BOOL EqualRgn(HRGN a, HRGN b) {
  Region* ra = FindRegion(a);
  Region* rb = FindRegion(b);
  return ra && rb && ra->SameArea(*rb);
}
