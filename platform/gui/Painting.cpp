#include "platform/gui/Painting.h"

#include <algorithm>
#include <cstring>
#include <functional>

#include "platform/gui/Caret.h"
#include "platform/gui/Display.h"
#include "platform/gui/Guilock.h"
#include "platform/gui/Rects.h"
#include "platform/gui/Regions.h"
#include "platform/gui/Windowmanager.h"

namespace platform {

namespace {

RECT ClientBounds(const Window* w) { return RECT{0, 0, w->ClientWidth(), w->ClientHeight()}; }

bool Drawable(const Window* w) {
  if (!VisibleChain(w)) return false;
  for (const Window* x = w; x && !x->IsDesktop(); x = x->parent) {
    if (!x->redraw) return false;
    if (x->IsTopLevel() && (x->style & WS_MINIMIZE)) return false;
  }
  return true;
}

// A child's frame overlapped by an area of its parent (parent client coordinates).
bool TouchesFrame(const Window* c, const Region& area) {
  Region frame(c->rect);
  frame.Subtract(Offset(c->client, c->rect.left, c->rect.top));
  frame.Intersect(area);
  return !frame.IsEmpty();
}

void Wake(Window* w) {
  if (!w->queue) return;
  GuiLock lock(GuiMutex());
  w->queue->wake.notify_all();
}

HDC MakeWindowDc(Window* w, bool clientOnly, const Region* limit) {
  auto dc = std::make_unique<DeviceContext>();
  dc->window = w->handle;
  Window* top = TopLevelOf(w);
  dc->surface = top->surface;
  POINT so = SurfaceOrigin(w);
  dc->origin = clientOnly ? POINT{so.x + w->client.left, so.y + w->client.top} : so;
  dc->visible = VisibleRegion(w, clientOnly, clientOnly && (w->style & WS_CLIPCHILDREN));
  if (limit) dc->visible.Intersect(*limit);
  return AddDeviceContext(std::move(dc));
}

// New pixels within `area` (surface coordinates): only they go to the screen.
void SurfaceChanged(Window* w, const RECT& area) {
  if (Window* top = TopLevelOf(w); top && !top->IsDesktop() && !Empty(area))
    CurrentDisplay().SurfaceChanged(top->handle, area);
}

void PaintNow(Window* w, bool children) {
  HWND h = w->handle;
  if (!Drawable(w)) return;
  if (w->ncDirty) {
    w->ncDirty = false;
    SendMessage(h, WM_NCPAINT, 1, 0);
  }
  if ((w = FindWindowObject(h)) && !w->update.IsEmpty()) SendMessage(h, WM_PAINT, 0, 0);
  if (!children || !(w = FindWindowObject(h))) return;
  std::vector<HWND> kids;
  for (Window* c : w->children) kids.push_back(c->handle);
  for (HWND k : kids)
    if (Window* c = FindWindowObject(k)) PaintNow(c, true);
}

Region AreaOf(Window* w, const RECT* r, HRGN rgn) {
  if (rgn) {
    Region* region = FindRegion(rgn);
    return region ? *region : Region();
  }
  return Region(r ? *r : ClientBounds(w));
}

}  // namespace

Region VisibleRegion(Window* w, bool clientOnly, bool clipChildren) {
  if (!Drawable(w)) return Region();
  Window* top = TopLevelOf(w);
  POINT so = SurfaceOrigin(w);
  RECT r = clientOnly ? Offset(w->client, so.x, so.y) : RECT{so.x, so.y, so.x + Width(w->rect), so.y + Height(w->rect)};
  Region reg(Intersect(r, top->surface ? top->surface->Bounds() : r));
  for (Window* cur = w; !cur->IsTopLevel() && !cur->IsDesktop(); cur = cur->parent) {
    Window* p = cur->parent;
    POINT po = SurfaceOrigin(p);
    POINT pc{po.x + p->client.left, po.y + p->client.top};
    reg.Intersect(Offset(ClientBounds(p), pc.x, pc.y));
    for (Window* s : p->children) {
      if (s == cur) break;
      if (s->style & WS_VISIBLE) reg.Subtract(Offset(s->rect, pc.x, pc.y));
    }
  }
  if (clipChildren) {
    POINT pc{so.x + w->client.left, so.y + w->client.top};
    for (Window* c : w->children)
      if (c->style & WS_VISIBLE) reg.Subtract(Offset(c->rect, pc.x, pc.y));
  }
  return reg;
}

void InvalidateArea(Window* w, const Region& area, bool erase, bool allChildren) {
  if (!w || w->IsDesktop() || !VisibleChain(w)) return;
  Region a = area;
  a.Intersect(ClientBounds(w));
  if (a.IsEmpty()) return;
  w->update.Unite(a);
  if (erase) w->erase = true;
  Wake(w);
  if (!allChildren && (w->style & WS_CLIPCHILDREN)) return;
  for (Window* c : w->children) {
    if (!(c->style & WS_VISIBLE) || !a.Overlaps(c->rect)) continue;
    if (TouchesFrame(c, a)) c->ncDirty = true;
    Region part = a;
    part.Intersect(c->rect);
    part.Offset(-(c->rect.left + c->client.left), -(c->rect.top + c->client.top));
    InvalidateArea(c, part, erase, allChildren);
  }
}

void InvalidateWhole(Window* w) {
  if (!w || w->IsDesktop()) return;
  w->ncDirty = true;
  Wake(w);
  InvalidateArea(w, Region(ClientBounds(w)), true, true);
}

void ExposeArea(Window* parent, const RECT& area, Window* except) {
  if (!parent || parent->IsDesktop()) return;
  InvalidateArea(parent, Region(area), true, false);
  for (Window* s : parent->children) {
    if (s == except || !(s->style & WS_VISIBLE) || Empty(Intersect(s->rect, area))) continue;
    Region part(Intersect(s->rect, area));
    if (TouchesFrame(s, part)) s->ncDirty = true;
    part.Offset(-(s->rect.left + s->client.left), -(s->rect.top + s->client.top));
    InvalidateArea(s, part, true, true);
  }
}

bool FindPaintMessage(ThreadQueue& q, HWND filter, MSG& out) {
  // Parents come before their children, windows on top before those below.
  std::vector<HWND> order;
  std::function<void(Window*)> walk = [&](Window* w) {
    for (Window* c : w->children) {
      order.push_back(c->handle);
      walk(c);
    }
  };
  {
    GuiLock lock(GuiMutex());
    walk(Desktop());
  }
  Window* f = filter && filter != reinterpret_cast<HWND>(-1) ? FindWindowObject(filter) : nullptr;
  if (filter && !f) return false;
  for (HWND h : order) {
    Window* w = FindWindowObject(h);
    if (!w || w->thread != q.thread || !Drawable(w)) continue;
    if (f && w != f && !IsAncestor(f, w)) continue;
    if (w->ncDirty) {
      w->ncDirty = false;
      SendMessage(h, WM_NCPAINT, 1, 0);
      if (!(w = FindWindowObject(h))) continue;
    }
    if (!w->update.IsEmpty()) {
      out = MSG{h, WM_PAINT, 0, 0, 0, {}};
      return true;
    }
  }
  return false;
}

bool PaintPending() {
  for (HWND h : AllWindowHandles()) {
    Window* w = FindWindowObject(h);
    if (w && !w->IsDesktop() && Drawable(w) && (w->ncDirty || !w->update.IsEmpty())) return true;
  }
  return false;
}

}  // namespace platform

using namespace platform;

HDC GetDC(HWND window) {
  Window* w = window ? FindWindowObject(window) : Desktop();
  if (!w) return nullptr;
  if (w->IsDesktop()) {
    auto dc = std::make_unique<DeviceContext>();
    dc->window = w->handle;
    dc->surface = w->surface;
    dc->visible.Set(w->surface->Bounds());
    return AddDeviceContext(std::move(dc));
  }
  return MakeWindowDc(w, true, nullptr);
}

HDC GetWindowDC(HWND window) {
  Window* w = window ? FindWindowObject(window) : Desktop();
  if (!w) return nullptr;
  if (w->IsDesktop()) return GetDC(nullptr);
  return MakeWindowDc(w, false, nullptr);
}

int ReleaseDC(HWND, HDC hdc) {
  DeviceContext* dc = FindDeviceContext(hdc);
  if (!dc || dc->paintDc || dc->kind != OBJ_DC) return 0;
  Window* w = FindWindowObject(dc->window);
  const RECT drawn = dc->visible.Bounds();  // all the context could draw on
  RemoveDeviceContext(hdc);
  if (w) SurfaceChanged(w, drawn);
  return 1;
}

HDC BeginPaint(HWND window, PAINTSTRUCT* ps) {
  Window* w = FindWindowObject(window);
  if (!w || !ps) return nullptr;
  std::memset(ps, 0, sizeof *ps);
  if (w->ncDirty) {
    w->ncDirty = false;
    SendMessage(window, WM_NCPAINT, 1, 0);
    if (!(w = FindWindowObject(window))) return nullptr;
  }
  SuspendCaret(window);
  Region update = w->update;
  update.Intersect(ClientBounds(w));
  bool erase = w->erase;
  w->update.Clear();
  w->erase = false;
  POINT so = SurfaceOrigin(w);
  Region limit = update;
  limit.Offset(so.x + w->client.left, so.y + w->client.top);
  HDC hdc = MakeWindowDc(w, true, &limit);
  FindDeviceContext(hdc)->paintDc = true;
  ps->hdc = hdc;
  ps->rcPaint = update.Bounds();
  if (erase && !SendMessage(window, WM_ERASEBKGND, reinterpret_cast<WPARAM>(hdc), 0)) ps->fErase = TRUE;
  return hdc;
}

BOOL EndPaint(HWND window, const PAINTSTRUCT* ps) {
  if (!ps) return FALSE;
  const DeviceContext* dc = FindDeviceContext(ps->hdc);
  const RECT drawn = dc ? dc->visible.Bounds() : RECT{};
  RemoveDeviceContext(ps->hdc);
  ResumeCaret(window);
  if (Window* w = FindWindowObject(window)) SurfaceChanged(w, drawn);
  return TRUE;
}

BOOL InvalidateRect(HWND window, const RECT* r, BOOL erase) {
  if (!window) {
    for (Window* top : Desktop()->children) InvalidateArea(top, Region(ClientBounds(top)), erase, true);
    return TRUE;
  }
  Window* w = FindWindowObject(window);
  if (!w) return FALSE;
  InvalidateArea(w, AreaOf(w, r, nullptr), erase, false);
  return TRUE;
}

BOOL InvalidateRgn(HWND window, HRGN region, BOOL erase) {
  Window* w = FindWindowObject(window);
  if (!w) return FALSE;
  InvalidateArea(w, AreaOf(w, nullptr, region), erase, false);
  return TRUE;
}

BOOL ValidateRect(HWND window, const RECT* r) {
  Window* w = FindWindowObject(window);
  if (!w) return FALSE;
  if (r) w->update.Subtract(*r);
  else { w->update.Clear(); w->erase = false; }
  return TRUE;
}

BOOL ValidateRgn(HWND window, HRGN region) {
  Window* w = FindWindowObject(window);
  if (!w) return FALSE;
  if (!region) return ValidateRect(window, nullptr);
  w->update.Subtract(AreaOf(w, nullptr, region));
  return TRUE;
}

BOOL GetUpdateRect(HWND window, RECT* r, BOOL) {
  Window* w = FindWindowObject(window);
  if (!w) return FALSE;
  if (r) *r = w->update.Bounds();
  return !w->update.IsEmpty();
}

int GetUpdateRgn(HWND window, HRGN region, BOOL) {
  Window* w = FindWindowObject(window);
  Region* target = FindRegion(region);
  if (!w || !target) return RGN_ERROR;
  *target = w->update;
  return RegionComplexity(*target);
}

BOOL UpdateWindow(HWND window) {
  Window* w = FindWindowObject(window);
  if (!w) return FALSE;
  PaintNow(w, true);
  return TRUE;
}

BOOL RedrawWindow(HWND window, const RECT* r, HRGN region, UINT flags) {
  std::vector<Window*> targets;
  if (window) {
    Window* w = FindWindowObject(window);
    if (!w) return FALSE;
    targets.push_back(w);
  } else {
    targets = Desktop()->children;
  }
  for (Window* w : targets) {
    Region area = AreaOf(w, r, region);
    if (flags & RDW_INVALIDATE) {
      if (flags & RDW_FRAME) w->ncDirty = true;
      InvalidateArea(w, area, flags & RDW_ERASE, flags & RDW_ALLCHILDREN);
    }
    if (flags & RDW_VALIDATE) {
      w->update.Subtract(area);
      if (flags & RDW_NOFRAME) w->ncDirty = false;
    }
    if (flags & (RDW_UPDATENOW | RDW_ERASENOW)) PaintNow(w, !(flags & RDW_NOCHILDREN));
  }
  return TRUE;
}

BOOL ScrollWindow(HWND window, int dx, int dy, const RECT* scroll, const RECT* clip) {
  UINT flags = SW_INVALIDATE | SW_ERASE | (scroll ? 0 : SW_SCROLLCHILDREN);
  return ScrollWindowEx(window, dx, dy, scroll, clip, nullptr, nullptr, flags) != RGN_ERROR;
}

int ScrollWindowEx(HWND window, int dx, int dy, const RECT* scroll, const RECT* clip, HRGN updateRgn,
                   RECT* updateRect, UINT flags) {
  Window* w = FindWindowObject(window);
  if (!w || w->IsDesktop()) return RGN_ERROR;
  dx = ClampCoord(dx);
  dy = ClampCoord(dy);
  RECT client = ClientBounds(w);
  RECT src = scroll ? Intersect(*scroll, client) : client;
  RECT limit = clip ? Intersect(*clip, client) : (scroll ? src : client);
  bool moveChildren = flags & SW_SCROLLCHILDREN;
  SuspendCaret(window);

  POINT so = SurfaceOrigin(w);
  POINT org{so.x + w->client.left, so.y + w->client.top};
  Region visible = VisibleRegion(w, true, !moveChildren);
  visible.Offset(-org.x, -org.y);

  Region moved(src);
  moved.Intersect(visible);
  moved.Offset(dx, dy);
  moved.Intersect(limit);
  moved.Intersect(visible);
  // Every source block is read before any is written: the blocks may overlap.
  Pixmap& pixels = *TopLevelOf(w)->surface;
  std::vector<std::vector<std::uint32_t>> copies;
  for (const RECT& d : moved.Rects()) {
    std::vector<std::uint32_t> block;
    block.reserve(static_cast<size_t>(Width(d)) * Height(d));
    for (int y = d.top; y < d.bottom; ++y) {
      const std::uint32_t* row = pixels.Row(y - dy + org.y);
      block.insert(block.end(), row + d.left - dx + org.x, row + d.right - dx + org.x);
    }
    copies.push_back(std::move(block));
  }
  for (size_t i = 0; i < copies.size(); ++i) {
    const RECT& d = moved.Rects()[i];
    int width = Width(d);
    for (int y = d.top; y < d.bottom; ++y)
      std::memcpy(pixels.Row(y + org.y) + d.left + org.x, copies[i].data() + static_cast<size_t>(y - d.top) * width,
                  sizeof(std::uint32_t) * width);
  }

  // Invalid areas inside the scrolled part travel with the pixels.
  Region area(Intersect(src, limit));
  Region inside = w->update;
  inside.Intersect(area);
  if (!inside.IsEmpty()) {
    w->update.Subtract(area);
    inside.Offset(dx, dy);
    inside.Intersect(limit);
    w->update.Unite(inside);
  }
  Region uncovered = area;
  uncovered.Subtract(moved);
  if (flags & SW_INVALIDATE) InvalidateArea(w, uncovered, flags & SW_ERASE, false);
  if (moveChildren) {
    std::vector<HWND> kids;
    for (Window* c : w->children) kids.push_back(c->handle);
    for (HWND k : kids)
      if (Window* c = FindWindowObject(k))
        SetWindowPos(k, nullptr, c->rect.left + dx, c->rect.top + dy, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW);
  }
  if (Region* out = FindRegion(updateRgn)) *out = uncovered;
  if (updateRect) *updateRect = uncovered.Bounds();
  ResumeCaret(window);
  if ((w = FindWindowObject(window))) SurfaceChanged(w, Offset(moved.Bounds(), org.x, org.y));
  return RegionComplexity(uncovered);
}
