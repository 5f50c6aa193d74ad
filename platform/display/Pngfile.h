#pragma once
// PNG files of pixels: 8-bit RGB, no alpha.

#include <string>

#include "platform/gui/Pixmap.h"

namespace platform {

// Writes an area of a pixmap; false (and no file left behind) when it cannot.
bool WritePng(const Pixmap& pixels, const RECT& area, const std::string& path);

}  // namespace platform
