#include "platform/gui/Pixmap.h"

#include <algorithm>

namespace platform {

namespace {
int ClampSide(int v) { return std::clamp(v, 0, Pixmap::kMaxSide); }
}  // namespace

Pixmap::Pixmap(int width, int height, bool monochrome, std::uint32_t fill)
    : width_(ClampSide(width)), height_(ClampSide(height)), monochrome_(monochrome),
      pixels_(static_cast<size_t>(width_) * height_, monochrome ? MonoOf(fill) : fill & 0xFFFFFF) {}

void Pixmap::Resize(int width, int height, std::uint32_t fill) {
  width = ClampSide(width);
  height = ClampSide(height);
  if (width == width_ && height == height_) return;
  std::vector<std::uint32_t> next(static_cast<size_t>(width) * height, Store(fill));
  int w = std::min(width, width_), h = std::min(height, height_);
  for (int y = 0; y < h; ++y) std::copy_n(Row(y), w, next.data() + static_cast<size_t>(y) * width);
  pixels_.swap(next);
  width_ = width;
  height_ = height;
}

std::uint32_t Pixmap::Store(std::uint32_t pixel) const {
  return monochrome_ ? MonoOf(pixel) : pixel & 0xFFFFFF;
}

std::uint32_t MonoOf(std::uint32_t p) {
  unsigned r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
  return (r * 299 + g * 587 + b * 114) >= 128000 ? 0xFFFFFF : 0;
}

}  // namespace platform
