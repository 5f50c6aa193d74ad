#include "platform/display/Headlessscreen.h"

#include <algorithm>
#include <cstring>

#include "platform/display/Pngfile.h"
#include "platform/gui/Clock.h"
#include "platform/gui/Devicecontext.h"
#include "platform/gui/Rects.h"
#include "platform/gui/Window.h"
#include "platform/gui/Windowdirectory.h"
#include "platform/gui/Winstyles.h"

namespace platform {

HeadlessScreen::HeadlessScreen(int width, int height)
    : size_{std::clamp(width, 1, Pixmap::kMaxSide), std::clamp(height, 1, Pixmap::kMaxSide)} {
  UseVirtualClock(true);
  SetDisplay(this);
  // Windows on a virtual screen stay unknown to other processes unless a test asks.
  previousDirectory_ = WindowDirectory();
  SetWindowDirectory(std::string());
}

HeadlessScreen::~HeadlessScreen() {
  SetWindowDirectory(previousDirectory_);
  SetDisplay(nullptr);
  UseVirtualClock(false);
}

bool HeadlessScreen::WaitForInput(int) { return false; }

std::unique_ptr<Pixmap> HeadlessScreen::Compose() const {
  Window* desktop = Desktop();
  auto screen = std::make_unique<Pixmap>(*desktop->surface);
  const auto& tops = desktop->children;
  for (auto it = tops.rbegin(); it != tops.rend(); ++it) {
    Window* w = *it;
    if (!(w->style & WS_VISIBLE) || (w->style & WS_MINIMIZE) || !w->surface) continue;
    RECT target = Intersect(w->rect, screen->Bounds());
    for (int y = target.top; y < target.bottom; ++y) {
      const std::uint32_t* src = w->surface->Row(y - w->rect.top) + (target.left - w->rect.left);
      std::memcpy(screen->Row(y) + target.left, src, sizeof(std::uint32_t) * Width(target));
    }
  }
  return screen;
}

COLORREF HeadlessScreen::Pixel(int x, int y) const {
  auto screen = Compose();
  if (!screen->Inside(x, y)) return CLR_INVALID;
  return ColorFromPixel(screen->At(x, y));
}

COLORREF HeadlessScreen::WindowPixel(HWND window, int x, int y) const {
  Window* w = FindWindowObject(window);
  if (!w || w->IsDesktop() || x < 0 || y < 0 || x >= w->ClientWidth() || y >= w->ClientHeight()) return CLR_INVALID;
  Window* top = TopLevelOf(w);
  POINT so = SurfaceOrigin(w);
  int sx = so.x + w->client.left + x, sy = so.y + w->client.top + y;
  if (!top->surface->Inside(sx, sy)) return CLR_INVALID;
  return ColorFromPixel(top->surface->At(sx, sy));
}

bool HeadlessScreen::SaveScreenPng(const std::string& path) const {
  auto screen = Compose();
  return WritePng(*screen, screen->Bounds(), path);
}

bool HeadlessScreen::SaveWindowPng(HWND window, const std::string& path) const {
  Window* w = FindWindowObject(window);
  if (!w || w->IsDesktop()) return false;
  Window* top = TopLevelOf(w);
  POINT so = SurfaceOrigin(w);
  return WritePng(*top->surface, RECT{so.x, so.y, so.x + Width(w->rect), so.y + Height(w->rect)}, path);
}

}  // namespace platform
