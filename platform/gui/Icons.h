#pragma once
// Icons: a picture with a transparency mask, made from two bitmaps. The icon keeps its
// own copy of the pixels, so the bitmaps stay the caller's.

#include <cstdint>
#include <memory>

#include "platform/gui/Pixmap.h"
#include "platform/gui/Wintypes.h"

struct ICONINFO {
  BOOL fIcon;
  DWORD xHotspot;
  DWORD yHotspot;
  HBITMAP hbmMask;   // white where the icon is transparent
  HBITMAP hbmColor;
};

// Null when a bitmap is missing or the two differ in size.
HICON CreateIconIndirect(const ICONINFO* info);
BOOL DestroyIcon(HICON icon);

namespace platform {

// The icon's pixels as 0xAARRGGBB: alpha 0 where it is transparent, 0xFF elsewhere;
// null for an unknown icon.
std::shared_ptr<const Pixmap> IconPixels(HICON icon);

}  // namespace platform
