#include "platform/gui/Blit.h"

#include <algorithm>
#include <cstring>

#include "platform/gui/Raster.h"
#include "platform/gui/Rects.h"

using namespace platform;

namespace {

bool UsesSource(DWORD rop) {
  unsigned t = (rop >> 16) & 0xFF;
  return ((t >> 2) & 0x33) != (t & 0x33);
}

bool UsesPattern(DWORD rop) {
  unsigned t = (rop >> 16) & 0xFF;
  return ((t >> 4) & 0x0F) != (t & 0x0F);
}

// Reads source pixels converted to the kind of the destination.
struct SourceReader {
  const Pixmap* pixels = nullptr;
  bool monoToColor = false, colorToMono = false;
  std::uint32_t fg = 0, bg = 0xFFFFFF;  // colours of 0 and 1 bits on a colour destination
  std::uint32_t srcBk = 0xFFFFFF;       // the source colour that becomes white on a mono one

  std::uint32_t At(int x, int y) const {
    std::uint32_t v = pixels->At(x, y);
    if (monoToColor) return v ? bg : fg;
    if (colorToMono) return v == srcBk ? 0xFFFFFF : 0;
    return v;
  }
};

struct Mapping {
  int dstX, dstY, dstW, dstH;  // destination rectangle in surface coordinates, positive
  int srcX, srcY, srcW, srcH;  // source rectangle in source surface coordinates, positive
  bool mirrorX, mirrorY;
};

BOOL Transfer(DeviceContext& dst, DeviceContext* src, const Mapping& m, DWORD rop) {
  Raster raster(dst);
  if (raster.Nothing() || m.dstW <= 0 || m.dstH <= 0) return TRUE;
  Pixmap& out = raster.Surface();
  SourceReader reader;
  std::shared_ptr<Pixmap> copy;
  if (src) {
    if (!src->surface) return FALSE;
    reader.pixels = src->surface.get();
    // The same surface: read from a copy so that overlapping areas move correctly.
    if (src->surface.get() == &out) {
      copy = std::make_shared<Pixmap>(out);
      reader.pixels = copy.get();
    }
    bool srcMono = reader.pixels->Monochrome();
    reader.monoToColor = srcMono && !out.Monochrome();
    reader.colorToMono = !srcMono && out.Monochrome();
    reader.fg = PixelFromColor(dst.state.text);
    reader.bg = PixelFromColor(dst.state.bk);
    reader.srcBk = PixelFromColor(src->state.bk);
  }
  const BrushData& brush = dst.Brush();
  bool pattern = UsesPattern(rop);
  unsigned table = (rop >> 16) & 0xFF;
  bool plainCopy = table == 0xCC && !reader.monoToColor && !reader.colorToMono && m.srcW == m.dstW &&
                   m.srcH == m.dstH && !m.mirrorX && !m.mirrorY;
  RECT target = Intersect(RECT{m.dstX, m.dstY, m.dstX + m.dstW, m.dstY + m.dstH}, out.Bounds());
  for (const RECT& c : raster.Clip().Rects()) {
    RECT r = Intersect(target, c);
    if (Empty(r)) continue;
    for (int y = r.top; y < r.bottom; ++y) {
      int j = y - m.dstY;
      int sy = 0;
      if (reader.pixels) {
        int index = static_cast<int>((static_cast<long long>(j) * 2 + 1) * m.srcH / (2LL * m.dstH));
        if (m.mirrorY) index = m.srcH - 1 - index;
        sy = m.srcY + index;
        if (sy < 0 || sy >= reader.pixels->Height()) continue;
      }
      std::uint32_t* row = out.Row(y);
      if (plainCopy) {
        int sx0 = m.srcX + (r.left - m.dstX);
        int a = std::max<int>(r.left, r.left + (0 - sx0));
        int b = std::min<int>(r.right, r.left + (reader.pixels->Width() - sx0));
        if (a < b) std::memcpy(row + a, reader.pixels->Row(sy) + (m.srcX + (a - m.dstX)), sizeof(std::uint32_t) * (b - a));
        continue;
      }
      for (int x = r.left; x < r.right; ++x) {
        std::uint32_t s = 0, p = 0;
        if (reader.pixels) {
          int i = x - m.dstX;
          int index = static_cast<int>((static_cast<long long>(i) * 2 + 1) * m.srcW / (2LL * m.dstW));
          if (m.mirrorX) index = m.srcW - 1 - index;
          int sx = m.srcX + index;
          if (sx < 0 || sx >= reader.pixels->Width()) continue;
          s = reader.At(sx, sy);
        }
        if (pattern && !raster.BrushPixel(brush, x, y, p)) p = 0;
        row[x] = out.Store(Rop3(rop, p, s, row[x]));
      }
    }
  }
  return TRUE;
}

// A possibly mirrored logical rectangle as a positive surface rectangle.
void Normalize(DeviceContext& dc, int x, int y, int w, int h, int& ox, int& oy, int& ow, int& oh) {
  POINT a = dc.ToSurface(x, y);
  ox = w < 0 ? a.x + w : a.x;
  oy = h < 0 ? a.y + h : a.y;
  ow = std::abs(w);
  oh = std::abs(h);
}

}  // namespace

BOOL BitBlt(HDC hdst, int x, int y, int width, int height, HDC hsrc, int srcX, int srcY, DWORD rop) {
  DeviceContext* dst = FindDeviceContext(hdst);
  if (!dst) return FALSE;
  DeviceContext* src = nullptr;
  if (UsesSource(rop)) {
    src = FindDeviceContext(hsrc);
    if (!src) return FALSE;
  }
  Mapping m{};
  Normalize(*dst, x, y, width, height, m.dstX, m.dstY, m.dstW, m.dstH);
  if (src) {
    POINT s = src->ToSurface(srcX, srcY);
    m.srcX = s.x + (width < 0 ? width : 0);
    m.srcY = s.y + (height < 0 ? height : 0);
  }
  m.srcW = m.dstW;
  m.srcH = m.dstH;
  return Transfer(*dst, src, m, rop);
}

BOOL StretchBlt(HDC hdst, int x, int y, int width, int height, HDC hsrc, int srcX, int srcY,
                int srcWidth, int srcHeight, DWORD rop) {
  DeviceContext* dst = FindDeviceContext(hdst);
  if (!dst) return FALSE;
  DeviceContext* src = nullptr;
  Mapping m{};
  Normalize(*dst, x, y, width, height, m.dstX, m.dstY, m.dstW, m.dstH);
  if (UsesSource(rop)) {
    src = FindDeviceContext(hsrc);
    if (!src) return FALSE;
    Normalize(*src, srcX, srcY, srcWidth, srcHeight, m.srcX, m.srcY, m.srcW, m.srcH);
    if (m.srcW == 0 || m.srcH == 0) return FALSE;
  } else {
    m.srcW = m.dstW;
    m.srcH = m.dstH;
  }
  m.mirrorX = (width < 0) != (srcWidth < 0);
  m.mirrorY = (height < 0) != (srcHeight < 0);
  return Transfer(*dst, src, m, rop);
}

BOOL PatBlt(HDC hdst, int x, int y, int width, int height, DWORD rop) {
  if (UsesSource(rop)) return FALSE;
  return BitBlt(hdst, x, y, width, height, nullptr, 0, 0, rop);
}
