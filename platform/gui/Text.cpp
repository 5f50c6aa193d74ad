#include "platform/gui/Text.h"

#include <algorithm>
#include <cstring>

#include "platform/gui/Raster.h"
#include "platform/gui/Rects.h"

namespace platform {

int TextWidth(const FontFace& face, std::string_view text) {
  int w = 0;
  for (unsigned char c : text) w += face.Advance(c);
  return w;
}

namespace {

void DrawRun(DeviceContext& dc, Raster& raster, int x, int y, std::string_view text, const int* dx) {
  const FontData& font = dc.Font();
  const FontFace& face = *font.face;
  POINT origin = dc.ToSurface(x, y);
  std::uint32_t ink = PixelFromColor(dc.state.text);
  int penX = origin.x;
  // Characters wholly outside the clipping area cost nothing more than their advance.
  const RECT bounds = raster.Clip().Bounds();
  for (size_t i = 0; i < text.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    const Glyph& g = face.GlyphOf(c);
    RECT cell{penX + g.left, origin.y + g.top, penX + g.left + g.width, origin.y + g.top + g.height};
    if (Empty(Intersect(cell, bounds))) {
      penX += dx ? dx[i] : face.Advance(c);
      continue;
    }
    for (int gy = 0; gy < g.height; ++gy)
      for (int gx = 0; gx < g.width; ++gx) {
        unsigned a = g.alpha[static_cast<size_t>(gy) * g.width + gx];
        if (a) raster.Blend(penX + g.left + gx, origin.y + g.top + gy, ink, a);
      }
    penX += dx ? dx[i] : face.Advance(c);
  }
  int width = penX - origin.x;
  int thick = face.LineThickness();
  if (font.logfont.lfUnderline) {
    int row = origin.y + face.UnderlineRow();
    raster.FillColor(RECT{origin.x, row, origin.x + width, row + thick}, ink, R2_COPYPEN);
  }
  if (font.logfont.lfStrikeOut) {
    int row = origin.y + face.StrikeOutRow();
    raster.FillColor(RECT{origin.x, row, origin.x + width, row + thick}, ink, R2_COPYPEN);
  }
}

}  // namespace

void DrawTextRun(DeviceContext& dc, int x, int y, std::string_view text, const RECT* limit) {
  RECT surfaceLimit = limit ? dc.ToSurface(*limit) : RECT{};
  Raster raster(dc, limit ? &surfaceLimit : nullptr);
  DrawRun(dc, raster, x, y, text, nullptr);
}

}  // namespace platform

using namespace platform;

BOOL TextOut(HDC dc, int x, int y, const char* text, int length) {
  return ExtTextOut(dc, x, y, 0, nullptr, text, length < 0 ? 0 : static_cast<UINT>(length), nullptr);
}

BOOL ExtTextOut(HDC h, int x, int y, UINT options, const RECT* r, const char* text, UINT length, const int* dx) {
  DeviceContext* dc = FindDeviceContext(h);
  if (!dc) return FALSE;
  if (!text) length = 0;
  std::string_view s(text ? text : "", length);
  const FontFace& face = *dc->Font().face;
  const TEXTMETRIC& tm = face.Metrics();
  int width = 0;
  for (size_t i = 0; i < s.size(); ++i) width += dx ? dx[i] : face.Advance(static_cast<unsigned char>(s[i]));

  UINT align = dc->state.textAlign;
  bool updateCp = align & TA_UPDATECP;
  if (updateCp) { x = dc->state.position.x; y = dc->state.position.y; }
  int left = x;
  if ((align & TA_CENTER) == TA_CENTER) left = x - width / 2;
  else if (align & TA_RIGHT) left = x - width;
  int top = y;
  if ((align & TA_BASELINE) == TA_BASELINE) top = y - tm.tmAscent;
  else if (align & TA_BOTTOM) top = y - tm.tmHeight;

  RECT limitSurface{};
  bool clipped = r && (options & ETO_CLIPPED);
  if (clipped) limitSurface = dc->ToSurface(*r);
  Raster raster(*dc, clipped ? &limitSurface : nullptr);
  std::uint32_t bk = PixelFromColor(dc->state.bk);
  if (r && (options & ETO_OPAQUE)) raster.FillColor(dc->ToSurface(*r), bk, R2_COPYPEN);
  if (dc->state.bkMode == OPAQUE && !s.empty())
    raster.FillColor(dc->ToSurface(RECT{left, top, left + width, top + static_cast<int>(tm.tmHeight)}), bk, R2_COPYPEN);
  DrawRun(*dc, raster, left, top, s, dx);
  if (updateCp) dc->state.position.x = ClampCoord(static_cast<long long>(x) + ((align & TA_RIGHT) ? -width : width));
  return TRUE;
}

BOOL GetTextExtentPoint32(HDC h, const char* text, int length, SIZE* size) {
  DeviceContext* dc = FindDeviceContext(h);
  if (!dc || !size || length < 0) return FALSE;
  const FontFace& face = *dc->Font().face;
  size->cx = TextWidth(face, std::string_view(text ? text : "", text ? length : 0));
  size->cy = face.Metrics().tmHeight;
  return TRUE;
}

BOOL GetTextMetrics(HDC h, TEXTMETRIC* metrics) {
  DeviceContext* dc = FindDeviceContext(h);
  if (!dc || !metrics) return FALSE;
  *metrics = dc->Font().face->Metrics();
  return TRUE;
}

int GetTextFace(HDC h, int size, char* face) {
  DeviceContext* dc = FindDeviceContext(h);
  if (!dc) return 0;
  const char* name = dc->Font().logfont.lfFaceName;
  int n = static_cast<int>(strnlen(name, LF_FACESIZE));
  if (!face) return n + 1;
  if (size <= 0) return 0;
  int copy = std::min(n, size - 1);
  std::memcpy(face, name, copy);
  face[copy] = 0;
  return copy;
}
