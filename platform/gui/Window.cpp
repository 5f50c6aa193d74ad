#include "platform/gui/Window.h"

#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <unordered_map>

#include "platform/gui/Display.h"
#include "platform/gui/Guilock.h"
#include "platform/gui/Rects.h"
#include "platform/gui/Sysmetrics.h"
#include "platform/gui/Syscolors.h"
#include "platform/gui/Winstyles.h"

namespace platform {

namespace {

struct WindowTable {
  std::unordered_map<std::uintptr_t, std::unique_ptr<Window>> windows;
  std::uintptr_t next = 0x10020;
  Window* desktop = nullptr;
};

WindowTable& Table() {
  // Never freed: a screen or a window owned by a static of the program may be torn down after
  // every other static, and still reaches the desktop and the table then.
  static WindowTable& table = *new WindowTable;
  return table;
}

// The desktop's surface: the whole screen where the screen is in memory, else one pixel
// that nobody sees.
std::shared_ptr<Pixmap> ScreenSurface(SIZE screen) {
  if (!CurrentDisplay().KeepsScreenSurface()) screen = SIZE{1, 1};
  return std::make_shared<Pixmap>(screen.cx, screen.cy, false, PixelFromColor(GetSysColor(COLOR_DESKTOP)));
}

}  // namespace

long CurrentThread() {
  thread_local long id = static_cast<long>(::syscall(SYS_gettid));
  return id;
}

Window* FindWindowObject(HWND handle) {
  if (!handle) return nullptr;
  GuiLock lock(GuiMutex());
  auto& windows = Table().windows;
  auto it = windows.find(reinterpret_cast<std::uintptr_t>(handle));
  return it == windows.end() ? nullptr : it->second.get();
}

Window* Desktop() {
  GuiLock lock(GuiMutex());
  WindowTable& t = Table();
  if (!t.desktop) {
    auto w = std::make_unique<Window>();
    w->style = WS_VISIBLE;
    SIZE s = CurrentDisplay().ScreenSize();
    w->rect = RECT{0, 0, s.cx, s.cy};
    w->client = w->rect;
    w->surface = ScreenSurface(s);
    auto cls = std::make_shared<WindowClass>();
    cls->name = "#32769";
    cls->system = true;
    w->cls = cls;
    t.desktop = w.get();
    AddWindowObject(std::move(w));
  }
  return t.desktop;
}

HWND AddWindowObject(std::unique_ptr<Window> window) {
  GuiLock lock(GuiMutex());
  WindowTable& t = Table();
  std::uintptr_t value = t.next;
  t.next += 4;
  window->handle = reinterpret_cast<HWND>(value);
  HWND h = window->handle;
  t.windows[value] = std::move(window);
  return h;
}

void RemoveWindowObject(HWND handle) {
  GuiLock lock(GuiMutex());
  Table().windows.erase(reinterpret_cast<std::uintptr_t>(handle));
}

std::vector<HWND> AllWindowHandles() {
  GuiLock lock(GuiMutex());
  std::vector<HWND> out;
  for (const auto& entry : Table().windows) out.push_back(entry.second->handle);
  return out;
}

void ScreenSizeChanged() {
  Window* d = Desktop();
  SIZE s = CurrentDisplay().ScreenSize();
  s.cx = std::clamp<LONG>(s.cx, 1, Pixmap::kMaxSide);
  s.cy = std::clamp<LONG>(s.cy, 1, Pixmap::kMaxSide);
  d->rect = RECT{0, 0, s.cx, s.cy};
  d->client = d->rect;
  d->surface = ScreenSurface(s);
}

POINT ScreenOrigin(const Window* w) {
  if (!w || w->IsDesktop()) return POINT{0, 0};
  POINT p = ClientScreenOrigin(w->parent);
  return POINT{p.x + w->rect.left, p.y + w->rect.top};
}

POINT ClientScreenOrigin(const Window* w) {
  POINT p = ScreenOrigin(w);
  if (!w || w->IsDesktop()) return p;
  return POINT{p.x + w->client.left, p.y + w->client.top};
}

POINT SurfaceOrigin(const Window* w) {
  if (!w || w->IsDesktop() || w->IsTopLevel()) return POINT{0, 0};
  POINT p = SurfaceOrigin(w->parent);
  return POINT{p.x + w->parent->client.left + w->rect.left, p.y + w->parent->client.top + w->rect.top};
}

Window* TopLevelOf(Window* w) {
  while (w && !w->IsDesktop() && !w->IsTopLevel()) w = w->parent;
  return w;
}

bool VisibleChain(const Window* w) {
  for (; w; w = w->parent)
    if (!(w->style & WS_VISIBLE)) return false;
  return true;
}

bool IsAncestor(const Window* ancestor, const Window* w) {
  for (w = w ? w->parent : nullptr; w; w = w->parent)
    if (w == ancestor) return true;
  return false;
}

RECT NonClientInsets(DWORD style, DWORD exStyle) {
  int frame = 0;
  if (style & WS_THICKFRAME) frame = GetSystemMetrics(SM_CXFRAME);
  else if ((style & WS_DLGFRAME) || (exStyle & WS_EX_DLGMODALFRAME)) frame = GetSystemMetrics(SM_CXDLGFRAME);
  else if (style & WS_BORDER) frame = GetSystemMetrics(SM_CXBORDER);
  if (exStyle & WS_EX_CLIENTEDGE) frame += GetSystemMetrics(SM_CXEDGE);
  else if (exStyle & WS_EX_STATICEDGE) frame += GetSystemMetrics(SM_CXBORDER);
  RECT r{frame, frame, frame, frame};
  if ((style & WS_CAPTION) == WS_CAPTION)
    r.top += GetSystemMetrics((exStyle & WS_EX_TOOLWINDOW) ? SM_CYSMCAPTION : SM_CYCAPTION);
  if (style & WS_VSCROLL) r.right += GetSystemMetrics(SM_CXVSCROLL);
  if (style & WS_HSCROLL) r.bottom += GetSystemMetrics(SM_CYHSCROLL);
  return r;
}

RECT VerticalBarRect(const Window* w) {
  if (!(w->style & WS_VSCROLL)) return RECT{0, 0, 0, 0};
  return RECT{w->client.right, w->client.top, w->client.right + GetSystemMetrics(SM_CXVSCROLL), w->client.bottom};
}

RECT HorizontalBarRect(const Window* w) {
  if (!(w->style & WS_HSCROLL)) return RECT{0, 0, 0, 0};
  return RECT{w->client.left, w->client.bottom, w->client.right, w->client.bottom + GetSystemMetrics(SM_CYHSCROLL)};
}

RECT CaptionRect(const Window* w) {
  if ((w->style & WS_CAPTION) != WS_CAPTION) return RECT{0, 0, 0, 0};
  RECT insets = NonClientInsets(w->style & ~(WS_VSCROLL | WS_HSCROLL), w->exStyle & ~(WS_EX_CLIENTEDGE | WS_EX_STATICEDGE));
  int width = w->rect.right - w->rect.left;
  int captionHeight = GetSystemMetrics((w->exStyle & WS_EX_TOOLWINDOW) ? SM_CYSMCAPTION : SM_CYCAPTION);
  int frame = insets.left;
  return RECT{frame, frame, width - frame, frame + captionHeight - 1};
}

RECT CloseButtonRect(const Window* w) {
  RECT c = CaptionRect(w);
  if (Empty(c) || !(w->style & WS_SYSMENU)) return RECT{0, 0, 0, 0};
  int side = Height(c) - 4;
  return RECT{c.right - 2 - side - 2, c.top + 2, c.right - 2, c.top + 2 + side};
}

bool SameName(const std::string& a, const std::string& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

}  // namespace platform
