#include "platform/gui/Syscolors.h"

#include <array>
#include <memory>

#include "platform/gui/Gdiobjects.h"
#include "platform/gui/Guilock.h"

namespace {

constexpr std::array<COLORREF, COLOR_MAX + 1> kPalette = {
    RGB(212, 208, 200),  // scroll bar
    RGB(58, 110, 165),   // desktop
    RGB(10, 36, 106),    // active caption
    RGB(128, 128, 128),  // inactive caption
    RGB(212, 208, 200),  // menu
    RGB(255, 255, 255),  // window
    RGB(0, 0, 0),        // window frame
    RGB(0, 0, 0),        // menu text
    RGB(0, 0, 0),        // window text
    RGB(255, 255, 255),  // caption text
    RGB(212, 208, 200),  // active border
    RGB(212, 208, 200),  // inactive border
    RGB(128, 128, 128),  // application workspace
    RGB(10, 36, 106),    // highlight
    RGB(255, 255, 255),  // highlight text
    RGB(212, 208, 200),  // button face
    RGB(128, 128, 128),  // button shadow
    RGB(128, 128, 128),  // grey text
    RGB(0, 0, 0),        // button text
    RGB(212, 208, 200),  // inactive caption text
    RGB(255, 255, 255),  // button highlight
    RGB(64, 64, 64),     // 3-D dark shadow
    RGB(212, 208, 200),  // 3-D light
    RGB(0, 0, 0),        // tooltip text
    RGB(255, 255, 225),  // tooltip background
    RGB(181, 181, 181),  // (unused)
    RGB(0, 0, 128),      // hot-tracked item
    RGB(166, 202, 240),  // active caption gradient
    RGB(192, 192, 192),  // inactive caption gradient
};

}  // namespace

DWORD GetSysColor(int index) {
  if (index < 0 || index > COLOR_MAX) return 0;
  return kPalette[index];
}

HBRUSH GetSysColorBrush(int index) {
  if (index < 0 || index > COLOR_MAX) return nullptr;
  static std::array<HBRUSH, COLOR_MAX + 1> brushes{};
  platform::GuiLock lock(platform::GuiMutex());
  if (!brushes[index]) {
    auto o = std::make_unique<platform::GdiObject>();
    o->kind = OBJ_BRUSH;
    o->stock = true;
    o->brush.color = kPalette[index];
    brushes[index] = static_cast<HBRUSH>(platform::AddGdiObject(std::move(o)));
  }
  return brushes[index];
}
