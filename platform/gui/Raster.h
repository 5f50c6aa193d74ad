#pragma once
// Pixel work shared by every drawing call: raster operations, brush fills, pen lines and
// spans, all clipped to the device context's area.

#include <cstdint>
#include <vector>

#include "platform/gui/Devicecontext.h"

namespace platform {

// Binary raster operation (R2_*) of a pen colour on a destination pixel.
std::uint32_t Rop2(int rop2, std::uint32_t pen, std::uint32_t dst);
// Ternary raster operation (the high word of a BitBlt code) of pattern, source and destination.
std::uint32_t Rop3(std::uint32_t code, std::uint32_t pat, std::uint32_t src, std::uint32_t dst);

class Raster {
 public:
  explicit Raster(DeviceContext& dc);
  // Narrowed further to a rectangle in surface coordinates, when one is given.
  Raster(DeviceContext& dc, const RECT* limit);
  Raster(const Raster&) = delete;
  Raster& operator=(const Raster&) = delete;

  bool Nothing() const { return !surface_ || clip_->IsEmpty(); }
  Pixmap& Surface() { return *surface_; }
  const Region& Clip() const { return *clip_; }
  DeviceContext& Dc() { return dc_; }

  // Colour of a brush at a surface point; false where a hatch leaves the background alone.
  bool BrushPixel(const BrushData& brush, int sx, int sy, std::uint32_t& out) const;
  void FillRect(const RECT& surfaceRect, const BrushData& brush, int rop2);
  void FillColor(const RECT& surfaceRect, std::uint32_t pixel, int rop2);
  // A horizontal run [x0, x1) on row y in the brush.
  void Span(int y, int x0, int x1, const BrushData& brush, int rop2);
  void Plot(int sx, int sy, std::uint32_t pixel, int rop2);
  // Mixes a colour into a pixel with a coverage of 0..255 (text).
  void Blend(int sx, int sy, std::uint32_t pixel, unsigned alpha);
  // A pen line between surface points; the end point is drawn when asked.
  void Line(POINT a, POINT b, const PenData& pen, bool lastPixel);

 private:
  void PenDot(int x, int y, const PenData& pen, std::uint32_t pixel);

  DeviceContext& dc_;
  Pixmap* surface_;
  const Region* clip_;
  Region narrowed_;
  int styleStep_ = 0;  // position in the pen's dash pattern, carried along a polyline
};

}  // namespace platform
