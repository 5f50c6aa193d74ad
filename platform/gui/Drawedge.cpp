#include "platform/gui/Drawedge.h"

#include <algorithm>

#include "platform/gui/Raster.h"
#include "platform/gui/Rects.h"
#include "platform/gui/Shapes.h"
#include "platform/gui/Syscolors.h"

using namespace platform;

namespace {

void Fill(Raster& raster, DeviceContext& dc, RECT r, COLORREF c) {
  raster.FillColor(dc.ToSurface(r), PixelFromColor(c), R2_COPYPEN);
}

// One ring of an edge: top-left and bottom-right colours.
void Ring(Raster& raster, DeviceContext& dc, RECT& r, COLORREF tl, COLORREF br, UINT sides) {
  if (sides & BF_TOP) Fill(raster, dc, RECT{r.left, r.top, r.right, r.top + 1}, tl);
  if (sides & BF_LEFT) Fill(raster, dc, RECT{r.left, r.top, r.left + 1, r.bottom}, tl);
  if (sides & BF_BOTTOM) Fill(raster, dc, RECT{r.left, r.bottom - 1, r.right, r.bottom}, br);
  if (sides & BF_RIGHT) Fill(raster, dc, RECT{r.right - 1, r.top, r.right, r.bottom}, br);
  if (sides & BF_LEFT) ++r.left;
  if (sides & BF_TOP) ++r.top;
  if (sides & BF_RIGHT) --r.right;
  if (sides & BF_BOTTOM) --r.bottom;
}

void Arrow(Raster& raster, DeviceContext& dc, const RECT& r, UINT dir, COLORREF c, int shift) {
  int size = std::max(1, std::min(Width(r), Height(r)) / 4);
  int cx = (r.left + r.right) / 2 + shift, cy = (r.top + r.bottom) / 2 + shift;
  for (int i = 0; i < size; ++i) {
    int half = size - 1 - i;
    switch (dir) {
      case DFCS_SCROLLUP: Fill(raster, dc, RECT{cx - i, cy - size / 2 + i, cx + i + 1, cy - size / 2 + i + 1}, c); break;
      case DFCS_SCROLLDOWN: case DFCS_SCROLLCOMBOBOX:
        Fill(raster, dc, RECT{cx - half, cy - size / 2 + i, cx + half + 1, cy - size / 2 + i + 1}, c); break;
      case DFCS_SCROLLLEFT: Fill(raster, dc, RECT{cx - size / 2 + i, cy - i, cx - size / 2 + i + 1, cy + i + 1}, c); break;
      default: Fill(raster, dc, RECT{cx - size / 2 + i, cy - half, cx - size / 2 + i + 1, cy + half + 1}, c); break;
    }
  }
}

void Cross(Raster& raster, DeviceContext& dc, const RECT& r, COLORREF c) {
  int size = std::max(2, std::min(Width(r), Height(r)) / 2);
  int x0 = (r.left + r.right - size) / 2, y0 = (r.top + r.bottom - size) / 2;
  for (int i = 0; i < size; ++i) {
    Fill(raster, dc, RECT{x0 + i, y0 + i, x0 + i + 2, y0 + i + 1}, c);
    Fill(raster, dc, RECT{x0 + size - 1 - i, y0 + i, x0 + size + 1 - i, y0 + i + 1}, c);
  }
}

}  // namespace

BOOL DrawEdge(HDC h, RECT* rect, UINT edge, UINT flags) {
  DeviceContext* dc = FindDeviceContext(h);
  if (!dc || !rect) return FALSE;
  Raster raster(*dc);
  RECT r = *rect;
  UINT sides = flags & BF_RECT;
  COLORREF light = GetSysColor(COLOR_3DLIGHT), dark = GetSysColor(COLOR_3DDKSHADOW);
  COLORREF high = GetSysColor(COLOR_BTNHIGHLIGHT), shadow = GetSysColor(COLOR_BTNSHADOW);
  if (flags & BF_MONO) {
    COLORREF frame = GetSysColor(COLOR_WINDOWFRAME);
    if (edge & BDR_OUTER) Ring(raster, *dc, r, frame, frame, sides);
    if (edge & BDR_INNER) Ring(raster, *dc, r, GetSysColor(COLOR_WINDOW), GetSysColor(COLOR_WINDOW), sides);
  } else if (flags & BF_FLAT) {
    if (edge & BDR_OUTER) Ring(raster, *dc, r, shadow, shadow, sides);
    if (edge & BDR_INNER) Ring(raster, *dc, r, GetSysColor(COLOR_BTNFACE), GetSysColor(COLOR_BTNFACE), sides);
  } else {
    bool soft = flags & BF_SOFT;
    if (edge & BDR_RAISEDOUTER) Ring(raster, *dc, r, soft ? high : light, dark, sides);
    else if (edge & BDR_SUNKENOUTER) Ring(raster, *dc, r, soft ? dark : shadow, high, sides);
    if (edge & BDR_RAISEDINNER) Ring(raster, *dc, r, soft ? light : high, shadow, sides);
    else if (edge & BDR_SUNKENINNER) Ring(raster, *dc, r, soft ? shadow : dark, light, sides);
  }
  if ((flags & BF_MIDDLE) && !Empty(r)) Fill(raster, *dc, r, GetSysColor(COLOR_BTNFACE));
  if (flags & BF_ADJUST) *rect = r;
  return TRUE;
}

BOOL DrawFocusRect(HDC h, const RECT* rect) {
  DeviceContext* dc = FindDeviceContext(h);
  if (!dc || !rect) return FALSE;
  Raster raster(*dc);
  RECT r = dc->ToSurface(*rect);
  if (Empty(r) || raster.Nothing()) return TRUE;
  // Every other pixel along the border, counted from the top-left corner.
  auto dot = [&](int x, int y) {
    if (((x - r.left) + (y - r.top)) % 2 == 0) raster.Plot(x, y, 0xFFFFFF, R2_XORPEN);
  };
  // Only the part of the border on the surface is walked.
  const Pixmap& s = raster.Surface();
  int x0 = std::max<int>(r.left, 0), x1 = std::min<int>(r.right, s.Width());
  int y0 = std::max<int>(r.top + 1, 0), y1 = std::min<int>(r.bottom - 1, s.Height());
  for (int x = x0; x < x1; ++x) { dot(x, r.top); if (r.bottom - 1 > r.top) dot(x, r.bottom - 1); }
  for (int y = y0; y < y1; ++y) { dot(r.left, y); if (r.right - 1 > r.left) dot(r.right - 1, y); }
  return TRUE;
}

BOOL DrawFrameControl(HDC h, RECT* rect, UINT type, UINT state) {
  DeviceContext* dc = FindDeviceContext(h);
  if (!dc || !rect) return FALSE;
  RECT r = *rect;
  bool pushed = state & DFCS_PUSHED;
  bool flat = state & DFCS_FLAT;
  COLORREF glyph = GetSysColor((state & DFCS_INACTIVE) ? COLOR_GRAYTEXT : COLOR_BTNTEXT);
  Raster raster(*dc);
  switch (type) {
    case DFC_BUTTON: {
      UINT kind = state & 0xFF;
      if (kind == DFCS_BUTTONPUSH) {
        DrawEdge(h, &r, pushed ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT | BF_MIDDLE | BF_ADJUST | (flat ? BF_FLAT : 0));
        return TRUE;
      }
      // Check boxes and radio buttons: a sunken square with a white field.
      int side = std::min(Width(r), Height(r));
      RECT box{r.left, r.top, r.left + side, r.top + side};
      DrawEdge(h, &box, EDGE_SUNKEN, BF_RECT | BF_ADJUST | (flat ? BF_FLAT : 0));
      Fill(raster, *dc, box, GetSysColor(pushed || (state & DFCS_INACTIVE) ? COLOR_BTNFACE : COLOR_WINDOW));
      if (state & DFCS_CHECKED) {
        RECT mark = box;
        InflateRect(&mark, -std::max(1, Width(box) / 4), -std::max(1, Height(box) / 4));
        if (kind == DFCS_BUTTONRADIO) Fill(raster, *dc, mark, glyph);
        else Cross(raster, *dc, box, glyph);
      }
      return TRUE;
    }
    case DFC_SCROLL: {
      UINT kind = state & 0xFF;
      if (kind == DFCS_SCROLLSIZEGRIP) { Fill(raster, *dc, r, GetSysColor(COLOR_BTNFACE)); return TRUE; }
      DrawEdge(h, &r, pushed && !flat ? EDGE_SUNKEN : EDGE_RAISED,
               BF_RECT | BF_MIDDLE | BF_ADJUST | (pushed ? BF_FLAT : 0));
      Arrow(raster, *dc, r, kind, glyph, pushed ? 1 : 0);
      return TRUE;
    }
    case DFC_CAPTION: {
      DrawEdge(h, &r, pushed ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT | BF_MIDDLE | BF_ADJUST);
      UINT kind = state & 0xFF;
      if (kind == DFCS_CAPTIONCLOSE) Cross(raster, *dc, r, glyph);
      else if (kind == DFCS_CAPTIONMIN) Fill(raster, *dc, RECT{r.left + 3, r.bottom - 4, r.right - 4, r.bottom - 2}, glyph);
      else FrameRect(h, &r, GetSysColorBrush(COLOR_BTNTEXT));
      return TRUE;
    }
    default: return FALSE;
  }
}
