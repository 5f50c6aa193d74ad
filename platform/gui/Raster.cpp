#include "platform/gui/Raster.h"

#include <algorithm>
#include <cstdlib>

#include "platform/gui/Rects.h"

namespace platform {

std::uint32_t Rop2(int rop2, std::uint32_t p, std::uint32_t d) {
  switch (rop2) {
    case R2_COPYPEN: return p;
    case R2_XORPEN: return (p ^ d) & 0xFFFFFF;
    case R2_NOT: return ~d & 0xFFFFFF;
    case R2_NOP: return d;
    default: break;
  }
  // The low four bits of (code - 1) are the truth table indexed by pen * 2 + destination.
  unsigned table = static_cast<unsigned>(rop2 - 1) & 0xF;
  std::uint32_t r = 0;
  for (unsigned i = 0; i < 4; ++i)
    if (table & (1u << i)) r |= ((i & 2) ? p : ~p) & ((i & 1) ? d : ~d);
  return r & 0xFFFFFF;
}

std::uint32_t Rop3(std::uint32_t code, std::uint32_t p, std::uint32_t s, std::uint32_t d) {
  unsigned table = (code >> 16) & 0xFF;
  switch (table) {
    case 0xCC: return s;
    case 0xF0: return p;
    case 0xAA: return d;
    case 0x00: return 0;
    case 0xFF: return 0xFFFFFF;
    default: break;
  }
  // Truth table indexed by pattern * 4 + source * 2 + destination.
  std::uint32_t r = 0;
  for (unsigned i = 0; i < 8; ++i)
    if (table & (1u << i)) r |= ((i & 4) ? p : ~p) & ((i & 2) ? s : ~s) & ((i & 1) ? d : ~d);
  return r & 0xFFFFFF;
}

Raster::Raster(DeviceContext& dc) : dc_(dc), surface_(dc.surface.get()), clip_(&dc.Clip()) {}

Raster::Raster(DeviceContext& dc, const RECT* limit)
    : dc_(dc), surface_(dc.surface.get()), clip_(&dc.Clip()) {
  if (!limit) return;
  narrowed_ = dc.Clip();
  narrowed_.Intersect(*limit);
  clip_ = &narrowed_;
}

void Raster::Blend(int x, int y, std::uint32_t pixel, unsigned alpha) {
  if (!surface_ || alpha == 0 || !surface_->Inside(x, y) || !clip_->Contains(x, y)) return;
  std::uint32_t& d = surface_->Row(y)[x];
  if (alpha >= 255) { d = surface_->Store(pixel); return; }
  std::uint32_t r = 0;
  for (int shift = 0; shift <= 16; shift += 8) {
    unsigned a = (pixel >> shift) & 0xFF, b = (d >> shift) & 0xFF;
    r |= ((a * alpha + b * (255 - alpha) + 127) / 255) << shift;
  }
  d = surface_->Store(r);
}

bool Raster::BrushPixel(const BrushData& brush, int sx, int sy, std::uint32_t& out) const {
  switch (brush.style) {
    case BS_NULL: return false;
    case BS_SOLID: out = PixelFromColor(brush.color); return true;
    default: break;
  }
  const Pixmap& pat = *brush.pattern;
  // Patterns are aligned to the device origin moved by the brush origin.
  int px = (sx - dc_.origin.x - dc_.state.brushOrg.x) % pat.Width();
  int py = (sy - dc_.origin.y - dc_.state.brushOrg.y) % pat.Height();
  if (px < 0) px += pat.Width();
  if (py < 0) py += pat.Height();
  std::uint32_t v = pat.At(px, py);
  if (brush.style == BS_HATCHED) {
    if (v) { out = PixelFromColor(brush.color); return true; }
    if (dc_.state.bkMode == TRANSPARENT) return false;
    out = PixelFromColor(dc_.state.bk);
    return true;
  }
  // A monochrome pattern takes the text colour for 0 and the background colour for 1.
  if (pat.Monochrome()) out = PixelFromColor(v ? dc_.state.bk : dc_.state.text);
  else out = v;
  return true;
}

void Raster::FillColor(const RECT& r, std::uint32_t pixel, int rop2) {
  if (!surface_ || rop2 == R2_NOP) return;
  pixel = surface_->Store(pixel);
  RECT bounded = Intersect(r, surface_->Bounds());
  if (Empty(bounded)) return;
  for (const RECT& c : clip_->Rects()) {
    RECT i = Intersect(bounded, c);
    if (Empty(i)) continue;
    for (int y = i.top; y < i.bottom; ++y) {
      std::uint32_t* row = surface_->Row(y);
      if (rop2 == R2_COPYPEN) std::fill(row + i.left, row + i.right, pixel);
      else
        for (int x = i.left; x < i.right; ++x) row[x] = surface_->Store(Rop2(rop2, pixel, row[x]));
    }
  }
}

void Raster::FillRect(const RECT& r, const BrushData& brush, int rop2) {
  if (brush.style == BS_NULL) return;
  if (brush.style == BS_SOLID) { FillColor(r, PixelFromColor(brush.color), rop2); return; }
  for (int y = r.top; y < r.bottom; ++y) Span(y, r.left, r.right, brush, rop2);
}

void Raster::Span(int y, int x0, int x1, const BrushData& brush, int rop2) {
  if (!surface_ || brush.style == BS_NULL || y < 0 || y >= surface_->Height()) return;
  if (brush.style == BS_SOLID) { FillColor(RECT{x0, y, x1, y + 1}, PixelFromColor(brush.color), rop2); return; }
  std::uint32_t* row = surface_->Row(y);
  for (const RECT& c : clip_->Rects()) {
    if (y < c.top || y >= c.bottom) continue;
    int a = std::max({x0, static_cast<int>(c.left), 0});
    int b = std::min({x1, static_cast<int>(c.right), surface_->Width()});
    for (int x = a; x < b; ++x) {
      std::uint32_t p;
      if (BrushPixel(brush, x, y, p)) row[x] = surface_->Store(Rop2(rop2, p, row[x]));
    }
  }
}

void Raster::Plot(int x, int y, std::uint32_t pixel, int rop2) {
  if (!surface_ || !surface_->Inside(x, y) || !clip_->Contains(x, y)) return;
  std::uint32_t& d = surface_->Row(y)[x];
  d = surface_->Store(Rop2(rop2, pixel, d));
}

void Raster::PenDot(int x, int y, const PenData& pen, std::uint32_t pixel) {
  int w = std::max(1, pen.width);
  if (w == 1) { Plot(x, y, pixel, dc_.state.rop2); return; }
  int h = w / 2;
  FillColor(RECT{x - h, y - h, x - h + w, y - h + w}, pixel, dc_.state.rop2);
}

void Raster::Line(POINT a, POINT b, const PenData& pen, bool lastPixel) {
  if (pen.style == PS_NULL || !surface_) return;
  // A line wholly beside the surface draws nothing (and is not walked).
  int reach = std::max(1, pen.width);
  if ((a.x < -reach && b.x < -reach) || (a.y < -reach && b.y < -reach) ||
      (a.x >= surface_->Width() + reach && b.x >= surface_->Width() + reach) ||
      (a.y >= surface_->Height() + reach && b.y >= surface_->Height() + reach)) {
    if (pen.style != PS_SOLID) styleStep_ += std::max(std::abs(b.x - a.x), std::abs(b.y - a.y));
    return;
  }
  static const int kDash[] = {18, 6}, kDot[] = {3, 3}, kDashDot[] = {9, 6, 3, 6},
                   kDashDotDot[] = {9, 3, 3, 3, 3, 3};
  const int* pattern = nullptr;
  int parts = 0;
  // Styles apply to thin pens only; wide pens draw solid.
  if (pen.width <= 1) switch (pen.style) {
      case PS_DASH: pattern = kDash; parts = 2; break;
      case PS_DOT: pattern = kDot; parts = 2; break;
      case PS_DASHDOT: pattern = kDashDot; parts = 4; break;
      case PS_DASHDOTDOT: pattern = kDashDotDot; parts = 6; break;
      default: break;
    }
  int period = 0;
  for (int i = 0; i < parts; ++i) period += pattern[i];
  std::uint32_t ink = PixelFromColor(pen.color);
  std::uint32_t gap = PixelFromColor(dc_.state.bk);
  bool opaqueGaps = dc_.state.bkMode == OPAQUE;

  int dx = std::abs(b.x - a.x), dy = -std::abs(b.y - a.y);
  int sx = a.x < b.x ? 1 : -1, sy = a.y < b.y ? 1 : -1;
  int err = dx + dy;
  int x = a.x, y = a.y;
  // Bounded: coordinates are clamped, and no line is longer than that.
  for (long guard = 0; guard < (1L << 26); ++guard) {
    bool end = x == b.x && y == b.y;
    if (end && !lastPixel) break;
    bool on = true;
    if (pattern) {
      int pos = styleStep_ % period, acc = 0, part = 0;
      while (pos >= acc + pattern[part]) acc += pattern[part++];
      on = part % 2 == 0;
      ++styleStep_;
    }
    if (on) PenDot(x, y, pen, ink);
    else if (opaqueGaps) PenDot(x, y, pen, gap);
    if (end) break;
    int e2 = 2 * err;
    if (e2 >= dy) { err += dy; x += sx; }
    if (e2 <= dx) { err += dx; y += sy; }
  }
}

}  // namespace platform
