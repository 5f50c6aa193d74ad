#include "platform/gui/Icons.h"

#include <map>

#include "platform/gui/Gdiobjects.h"
#include "platform/gui/Guilock.h"

namespace platform {

namespace {

struct IconTable {
  std::map<std::uintptr_t, std::shared_ptr<const Pixmap>> icons;
  std::uintptr_t next = 0x50000;
};

IconTable& Table() {
  static IconTable table;
  return table;
}

}  // namespace

std::shared_ptr<const Pixmap> IconPixels(HICON icon) {
  GuiLock lock(GuiMutex());
  auto it = Table().icons.find(reinterpret_cast<std::uintptr_t>(icon));
  return it == Table().icons.end() ? nullptr : it->second;
}

}  // namespace platform

using namespace platform;

HICON CreateIconIndirect(const ICONINFO* info) {
  if (!info) return nullptr;
  std::shared_ptr<Pixmap> color = BitmapPixels(info->hbmColor), mask = BitmapPixels(info->hbmMask);
  if (!color || !mask || color->Width() != mask->Width() || color->Height() != mask->Height()) return nullptr;
  auto pixels = std::make_shared<Pixmap>(color->Width(), color->Height());
  for (int y = 0; y < color->Height(); ++y)
    for (int x = 0; x < color->Width(); ++x)
      pixels->Row(y)[x] = (mask->At(x, y) & 0xFFFFFF) == 0xFFFFFF ? 0 : (0xFF000000u | (color->At(x, y) & 0xFFFFFF));
  GuiLock lock(GuiMutex());
  IconTable& t = Table();
  const std::uintptr_t id = t.next++;
  t.icons[id] = std::move(pixels);
  return reinterpret_cast<HICON>(id);
}

BOOL DestroyIcon(HICON icon) {
  GuiLock lock(GuiMutex());
  return Table().icons.erase(reinterpret_cast<std::uintptr_t>(icon)) ? TRUE : FALSE;
}
