#include "platform/display/Pngfile.h"

#include <png.h>

#include <cstdio>
#include <vector>

#include "platform/gui/Rects.h"

namespace platform {

bool WritePng(const Pixmap& pixels, const RECT& area, const std::string& path) {
  RECT r = Intersect(area, pixels.Bounds());
  if (Empty(r)) return false;
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  bool ok = false;
  std::vector<png_byte> row(static_cast<size_t>(Width(r)) * 3);
  if (png && info && !setjmp(png_jmpbuf(png))) {
    png_init_io(png, file);
    png_set_IHDR(png, info, static_cast<png_uint_32>(Width(r)), static_cast<png_uint_32>(Height(r)), 8,
                 PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = r.top; y < r.bottom; ++y) {
      const std::uint32_t* src = pixels.Row(y);
      for (int x = r.left; x < r.right; ++x) {
        std::uint32_t p = src[x];
        png_byte* out = &row[static_cast<size_t>(x - r.left) * 3];
        out[0] = static_cast<png_byte>(p >> 16);
        out[1] = static_cast<png_byte>(p >> 8);
        out[2] = static_cast<png_byte>(p);
      }
      png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    ok = true;
  }
  png_destroy_write_struct(png ? &png : nullptr, info ? &info : nullptr);
  ok = std::fclose(file) == 0 && ok;
  if (!ok) std::remove(path.c_str());
  return ok;
}

}  // namespace platform
