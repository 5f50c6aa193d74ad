#pragma once
// Pixels of a bitmap or of a window surface: 32 bits a pixel, 0x00RRGGBB, rows top down.
// A monochrome pixmap keeps the same layout and holds only black and white.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/gui/Wintypes.h"

namespace platform {

class Pixmap {
 public:
  Pixmap(int width, int height, bool monochrome = false, std::uint32_t fill = 0);

  int Width() const { return width_; }
  int Height() const { return height_; }
  bool Monochrome() const { return monochrome_; }
  RECT Bounds() const { return RECT{0, 0, width_, height_}; }

  std::uint32_t* Row(int y) { return pixels_.data() + static_cast<std::size_t>(y) * width_; }
  const std::uint32_t* Row(int y) const { return pixels_.data() + static_cast<std::size_t>(y) * width_; }
  std::uint32_t At(int x, int y) const { return Row(y)[x]; }
  bool Inside(int x, int y) const { return x >= 0 && y >= 0 && x < width_ && y < height_; }
  std::vector<std::uint32_t>& Pixels() { return pixels_; }
  const std::vector<std::uint32_t>& Pixels() const { return pixels_; }

  // Reallocates to a new size keeping the common top-left part.
  void Resize(int width, int height, std::uint32_t fill);
  // The colour a pixel stores for a colour value of this pixmap's kind.
  std::uint32_t Store(std::uint32_t pixel) const;

  static constexpr int kMaxSide = 16384;

 private:
  int width_;
  int height_;
  bool monochrome_;
  std::vector<std::uint32_t> pixels_;
};

// Conversions between COLORREF (0x00BBGGRR) and pixels (0x00RRGGBB).
inline std::uint32_t PixelFromColor(COLORREF c) {
  return ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
}
inline COLORREF ColorFromPixel(std::uint32_t p) {
  return ((p & 0xFF) << 16) | (p & 0xFF00) | ((p >> 16) & 0xFF);
}
// Black or white, whichever is nearer to the colour.
std::uint32_t MonoOf(std::uint32_t pixel);

}  // namespace platform
