#include "platform/gui/Shapes.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "platform/gui/Raster.h"
#include "platform/gui/Rects.h"
#include "platform/gui/Regions.h"
#include "platform/gui/Syscolors.h"

namespace platform {

const BrushData* ResolveBrush(HBRUSH brush) {
  auto value = reinterpret_cast<std::uintptr_t>(brush);
  if (value > 0 && value <= COLOR_MAX + 1) brush = GetSysColorBrush(static_cast<int>(value - 1));
  GdiObject* o = FindGdiObject(brush, OBJ_BRUSH);
  return o ? &o->brush : nullptr;
}

}  // namespace platform

using namespace platform;

namespace {

RECT NormalizedSurfaceRect(DeviceContext& dc, int l, int t, int r, int b) {
  RECT s = dc.ToSurface(RECT{l, t, r, b});
  return RECT{std::min(s.left, s.right), std::min(s.top, s.bottom), std::max(s.left, s.right),
              std::max(s.top, s.bottom)};
}

void PolygonFill(Raster& raster, const std::vector<POINT>& pts, const BrushData& brush, int mode, int rop2) {
  if (pts.size() < 3 || brush.style == BS_NULL) return;
  int top = pts[0].y, bottom = pts[0].y;
  for (const POINT& p : pts) { top = std::min<int>(top, p.y); bottom = std::max<int>(bottom, p.y); }
  const Pixmap& s = raster.Surface();
  top = std::max(top, 0);
  bottom = std::min(bottom, s.Height());
  std::vector<std::pair<double, int>> xs;
  for (int y = top; y < bottom; ++y) {
    double cy = y + 0.5;
    xs.clear();
    for (size_t i = 0; i < pts.size(); ++i) {
      const POINT& a = pts[i];
      const POINT& b = pts[(i + 1) % pts.size()];
      if (a.y == b.y) continue;
      bool up = a.y < b.y;
      double y0 = up ? a.y : b.y, y1 = up ? b.y : a.y;
      if (cy < y0 || cy >= y1) continue;
      double x = a.x + (cy - a.y) * (b.x - a.x) / static_cast<double>(b.y - a.y);
      xs.emplace_back(x, up ? 1 : -1);
    }
    std::sort(xs.begin(), xs.end());
    int winding = 0;
    for (size_t i = 0; i + 1 < xs.size(); ++i) {
      winding += xs[i].second;
      bool inside = mode == WINDING ? winding != 0 : i % 2 == 0;
      if (!inside) continue;
      int x0 = static_cast<int>(std::ceil(xs[i].first - 0.5));
      int x1 = static_cast<int>(std::ceil(xs[i + 1].first - 0.5));
      raster.Span(y, x0, x1, brush, rop2);
    }
  }
}

}  // namespace

BOOL LineTo(HDC h, int x, int y) {
  DeviceContext* dc = FindDeviceContext(h);
  if (!dc) return FALSE;
  Raster raster(*dc);
  POINT a = dc->ToSurface(dc->state.position.x, dc->state.position.y);
  POINT b = dc->ToSurface(x, y);
  raster.Line(a, b, dc->Pen(), false);
  dc->state.position = POINT{ClampCoord(x), ClampCoord(y)};
  return TRUE;
}

BOOL Polyline(HDC h, const POINT* points, int count) {
  DeviceContext* dc = FindDeviceContext(h);
  if (!dc || !points || count < 2) return FALSE;
  Raster raster(*dc);
  for (int i = 0; i + 1 < count; ++i)
    raster.Line(dc->ToSurface(points[i].x, points[i].y), dc->ToSurface(points[i + 1].x, points[i + 1].y),
                dc->Pen(), false);
  return TRUE;
}

BOOL Polygon(HDC h, const POINT* points, int count) {
  DeviceContext* dc = FindDeviceContext(h);
  if (!dc || !points || count < 2) return FALSE;
  Raster raster(*dc);
  std::vector<POINT> pts;
  for (int i = 0; i < count; ++i) pts.push_back(dc->ToSurface(points[i].x, points[i].y));
  PolygonFill(raster, pts, dc->Brush(), dc->state.polyFillMode, dc->state.rop2);
  for (int i = 0; i < count; ++i) raster.Line(pts[i], pts[(i + 1) % count], dc->Pen(), false);
  return TRUE;
}

BOOL Rectangle(HDC h, int left, int top, int right, int bottom) {
  DeviceContext* dc = FindDeviceContext(h);
  if (!dc) return FALSE;
  Raster raster(*dc);
  RECT r = NormalizedSurfaceRect(*dc, left, top, right, bottom);
  const PenData& pen = dc->Pen();
  int rop2 = dc->state.rop2;
  if (pen.style == PS_NULL) {
    // Without a pen the filled area ends one pixel short on the right and bottom.
    raster.FillRect(RECT{r.left, r.top, r.right - 1, r.bottom - 1}, dc->Brush(), rop2);
    return TRUE;
  }
  int w = std::max(1, pen.width);
  raster.FillRect(RECT{r.left + w, r.top + w, r.right - w, r.bottom - w}, dc->Brush(), rop2);
  if (pen.style == PS_SOLID || pen.style == PS_INSIDEFRAME || w > 1) {
    std::uint32_t ink = PixelFromColor(pen.color);
    raster.FillColor(RECT{r.left, r.top, r.right, std::min(r.top + w, r.bottom)}, ink, rop2);
    raster.FillColor(RECT{r.left, std::max(r.bottom - w, r.top + w), r.right, r.bottom}, ink, rop2);
    raster.FillColor(RECT{r.left, r.top + w, std::min(r.left + w, r.right), r.bottom - w}, ink, rop2);
    raster.FillColor(RECT{std::max(r.right - w, r.left + w), r.top + w, r.right, r.bottom - w}, ink, rop2);
  } else {
    POINT c[] = {{r.left, r.top}, {r.right - 1, r.top}, {r.right - 1, r.bottom - 1}, {r.left, r.bottom - 1}};
    for (int i = 0; i < 4; ++i) raster.Line(c[i], c[(i + 1) % 4], pen, false);
  }
  return TRUE;
}

BOOL Ellipse(HDC h, int left, int top, int right, int bottom) {
  DeviceContext* dc = FindDeviceContext(h);
  if (!dc) return FALSE;
  Raster raster(*dc);
  if (raster.Nothing()) return TRUE;
  RECT r = NormalizedSurfaceRect(*dc, left, top, right, bottom);
  if (Width(r) < 2 || Height(r) < 2) return TRUE;
  double cx = (r.left + r.right - 1) / 2.0, cy = (r.top + r.bottom - 1) / 2.0;
  double rx = (r.right - r.left - 1) / 2.0, ry = (r.bottom - r.top - 1) / 2.0;
  // The span of each row, computed only for the rows on the surface (and their neighbours).
  auto span = [&](int y, int& x0, int& x1) {
    double dy = (y - cy) / ry;
    double half = rx * std::sqrt(std::max(0.0, 1.0 - dy * dy));
    x0 = static_cast<int>(std::lround(cx - half));
    x1 = static_cast<int>(std::lround(cx + half));
  };
  const PenData& pen = dc->Pen();
  bool outline = pen.style != PS_NULL;
  int rop2 = dc->state.rop2;
  std::uint32_t ink = PixelFromColor(pen.color);
  int first = std::max<int>(r.top, 0), last = std::min<int>(r.bottom, raster.Surface().Height());
  for (int y = first; y < last; ++y) {
    int x0, x1;
    span(y, x0, x1);
    if (!outline) { raster.Span(y, x0, x1 + 1, dc->Brush(), rop2); continue; }
    // Outline pixels are those with a neighbour row that does not reach them.
    int innerL = x0 + 1, innerR = x1 - 1;
    for (int n : {y - 1, y + 1}) {
      if (n < r.top || n >= r.bottom) { innerL = x1 + 1; innerR = x0 - 1; break; }
      int n0, n1;
      span(n, n0, n1);
      innerL = std::max(innerL, n0);
      innerR = std::min(innerR, n1);
    }
    if (innerL <= innerR) raster.Span(y, innerL, innerR + 1, dc->Brush(), rop2);
    int width = raster.Surface().Width();
    for (int x = std::max(x0, -1); x <= std::min(x1, width); ++x)
      if (x < innerL || x > innerR) raster.Plot(x, y, ink, rop2);
  }
  return TRUE;
}

int FillRect(HDC h, const RECT* rect, HBRUSH brush) {
  DeviceContext* dc = FindDeviceContext(h);
  const BrushData* b = ResolveBrush(brush);
  if (!dc || !rect || !b) return FALSE;
  Raster raster(*dc);
  raster.FillRect(NormalizedSurfaceRect(*dc, rect->left, rect->top, rect->right, rect->bottom), *b, R2_COPYPEN);
  return TRUE;
}

int FrameRect(HDC h, const RECT* rect, HBRUSH brush) {
  DeviceContext* dc = FindDeviceContext(h);
  const BrushData* b = ResolveBrush(brush);
  if (!dc || !rect || !b) return FALSE;
  if (rect->right <= rect->left || rect->bottom <= rect->top) return TRUE;
  Raster raster(*dc);
  RECT r = dc->ToSurface(*rect);
  raster.FillRect(RECT{r.left, r.top, r.right, r.top + 1}, *b, R2_COPYPEN);
  raster.FillRect(RECT{r.left, r.bottom - 1, r.right, r.bottom}, *b, R2_COPYPEN);
  raster.FillRect(RECT{r.left, r.top + 1, r.left + 1, r.bottom - 1}, *b, R2_COPYPEN);
  raster.FillRect(RECT{r.right - 1, r.top + 1, r.right, r.bottom - 1}, *b, R2_COPYPEN);
  return TRUE;
}

BOOL InvertRect(HDC h, const RECT* rect) {
  DeviceContext* dc = FindDeviceContext(h);
  if (!dc || !rect) return FALSE;
  Raster raster(*dc);
  raster.FillColor(NormalizedSurfaceRect(*dc, rect->left, rect->top, rect->right, rect->bottom), 0, R2_NOT);
  return TRUE;
}

BOOL FillRgn(HDC h, HRGN region, HBRUSH brush) {
  DeviceContext* dc = FindDeviceContext(h);
  const BrushData* b = ResolveBrush(brush);
  Region* rgn = FindRegion(region);
  if (!dc || !b || !rgn) return FALSE;
  Raster raster(*dc);
  for (const RECT& r : rgn->Rects())
    raster.FillRect(dc->ToSurface(r), *b, R2_COPYPEN);
  return TRUE;
}

COLORREF SetPixel(HDC h, int x, int y, COLORREF color) {
  DeviceContext* dc = FindDeviceContext(h);
  if (!dc) return CLR_INVALID;
  Raster raster(*dc);
  POINT p = dc->ToSurface(x, y);
  if (raster.Nothing() || !raster.Surface().Inside(p.x, p.y) || !raster.Clip().Contains(p.x, p.y)) return CLR_INVALID;
  raster.Plot(p.x, p.y, PixelFromColor(color), R2_COPYPEN);
  return ColorFromPixel(raster.Surface().At(p.x, p.y));
}

COLORREF GetPixel(HDC h, int x, int y) {
  DeviceContext* dc = FindDeviceContext(h);
  if (!dc || !dc->surface) return CLR_INVALID;
  POINT p = dc->ToSurface(x, y);
  if (!dc->surface->Inside(p.x, p.y) || !dc->Clip().Contains(p.x, p.y)) return CLR_INVALID;
  return ColorFromPixel(dc->surface->At(p.x, p.y));
}
