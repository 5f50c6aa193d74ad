#include "platform/gui/Devicecontext.h"

#include <algorithm>
#include <unordered_map>

#include "platform/gui/Display.h"
#include "platform/gui/Guilock.h"
#include "platform/gui/Rects.h"
#include "platform/gui/Regions.h"
#include "platform/gui/Window.h"

namespace platform {

namespace {

struct DcTable {
  std::unordered_map<std::uintptr_t, std::unique_ptr<DeviceContext>> dcs;
  std::uintptr_t next = 0x20000;
};

DcTable& Table() {
  static DcTable table;
  return table;
}

void ReleaseBitmap(DeviceContext& dc) {
  if (!dc.bitmap) return;
  if (GdiObject* o = FindGdiObject(dc.bitmap, OBJ_BITMAP)) o->bitmap.selectedInto = nullptr;
  dc.bitmap = nullptr;
}

DeviceContext* Dc(HDC h) { return FindDeviceContext(h); }

}  // namespace

const Region& DeviceContext::Clip() {
  if (!clipValid_) {
    clip_ = visible;
    if (state.hasClip) {
      Region c = state.clip;
      c.Offset(origin.x, origin.y);
      clip_.Intersect(c);
    }
    clipValid_ = true;
  }
  return clip_;
}

RECT DeviceContext::ToSurface(const RECT& r) const {
  POINT a = ToSurface(r.left, r.top), b = ToSurface(r.right, r.bottom);
  return RECT{a.x, a.y, b.x, b.y};
}

const PenData& DeviceContext::Pen() const {
  if (GdiObject* o = FindGdiObject(state.pen, OBJ_PEN)) return o->pen;
  return FindGdiObject(GetStockObject(BLACK_PEN), OBJ_PEN)->pen;
}

const BrushData& DeviceContext::Brush() const {
  if (GdiObject* o = FindGdiObject(state.brush, OBJ_BRUSH)) return o->brush;
  return FindGdiObject(GetStockObject(WHITE_BRUSH), OBJ_BRUSH)->brush;
}

const FontData& DeviceContext::Font() const {
  if (GdiObject* o = FindGdiObject(state.font, OBJ_FONT)) return o->font;
  return FindGdiObject(GetStockObject(SYSTEM_FONT), OBJ_FONT)->font;
}

HDC AddDeviceContext(std::unique_ptr<DeviceContext> dc) {
  if (!dc->state.pen) dc->state.pen = static_cast<HPEN>(GetStockObject(BLACK_PEN));
  if (!dc->state.brush) dc->state.brush = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  if (!dc->state.font) dc->state.font = static_cast<HFONT>(GetStockObject(SYSTEM_FONT));
  GuiLock lock(GuiMutex());
  DcTable& t = Table();
  std::uintptr_t value = t.next;
  t.next += 4;
  t.dcs[value] = std::move(dc);
  return reinterpret_cast<HDC>(value);
}

DeviceContext* FindDeviceContext(HDC h) {
  GuiLock lock(GuiMutex());
  auto& dcs = Table().dcs;
  auto it = dcs.find(reinterpret_cast<std::uintptr_t>(h));
  return it == dcs.end() ? nullptr : it->second.get();
}

void RemoveDeviceContext(HDC h) {
  GuiLock lock(GuiMutex());
  auto& dcs = Table().dcs;
  auto it = dcs.find(reinterpret_cast<std::uintptr_t>(h));
  if (it == dcs.end()) return;
  ReleaseBitmap(*it->second);
  dcs.erase(it);
}

size_t DeviceContextCount() {
  GuiLock lock(GuiMutex());
  return Table().dcs.size();
}

void RemoveWindowDeviceContexts(HWND window) {
  GuiLock lock(GuiMutex());
  auto& dcs = Table().dcs;
  for (auto it = dcs.begin(); it != dcs.end();) {
    if (it->second->window == window) it = dcs.erase(it);
    else ++it;
  }
}

}  // namespace platform

using namespace platform;

HDC CreateCompatibleDC(HDC) {
  auto dc = std::make_unique<DeviceContext>();
  dc->kind = OBJ_MEMDC;
  dc->bitmap = DefaultBitmap();
  dc->surface = BitmapPixels(dc->bitmap);
  dc->visible.Set(dc->surface->Bounds());
  return AddDeviceContext(std::move(dc));
}

BOOL DeleteDC(HDC h) {
  DeviceContext* dc = Dc(h);
  if (!dc || dc->window) return FALSE;
  RemoveDeviceContext(h);
  return TRUE;
}

HBITMAP CreateCompatibleBitmap(HDC h, int width, int height) {
  DeviceContext* dc = Dc(h);
  if (!dc || width < 0 || height < 0) return nullptr;
  // A zero size gives the 1x1 monochrome bitmap, as the system does.
  if (width == 0 || height == 0) return CreateBitmap(1, 1, 1, 1, nullptr);
  bool mono = dc->surface && dc->surface->Monochrome();
  return CreateBitmap(width, height, 1, mono ? 1 : 32, nullptr);
}

HGDIOBJ SelectObject(HDC h, HGDIOBJ object) {
  DeviceContext* dc = Dc(h);
  GdiObject* o = FindGdiObject(object);
  if (!dc || !o) return nullptr;
  switch (o->kind) {
    case OBJ_PEN: { HGDIOBJ old = dc->state.pen; dc->state.pen = static_cast<HPEN>(object); return old; }
    case OBJ_BRUSH: { HGDIOBJ old = dc->state.brush; dc->state.brush = static_cast<HBRUSH>(object); return old; }
    case OBJ_FONT: { HGDIOBJ old = dc->state.font; dc->state.font = static_cast<HFONT>(object); return old; }
    case OBJ_BITMAP: {
      if (dc->kind != OBJ_MEMDC) return nullptr;
      if (o->bitmap.selectedInto && o->bitmap.selectedInto != h) return nullptr;
      HGDIOBJ old = dc->bitmap;
      ReleaseBitmap(*dc);
      dc->bitmap = static_cast<HBITMAP>(object);
      if (!o->stock) o->bitmap.selectedInto = h;
      dc->surface = o->bitmap.pixmap;
      dc->visible.Set(dc->surface->Bounds());
      dc->ClipChanged();
      return old;
    }
    case OBJ_REGION: {
      SelectClipRgn(h, static_cast<HRGN>(object));
      return reinterpret_cast<HGDIOBJ>(static_cast<std::uintptr_t>(SIMPLEREGION));
    }
    default: return nullptr;
  }
}

HGDIOBJ GetCurrentObject(HDC h, UINT type) {
  DeviceContext* dc = Dc(h);
  if (!dc) return nullptr;
  switch (type) {
    case OBJ_PEN: return dc->state.pen;
    case OBJ_BRUSH: return dc->state.brush;
    case OBJ_FONT: return dc->state.font;
    case OBJ_BITMAP: return dc->bitmap;
    default: return nullptr;
  }
}

int SaveDC(HDC h) {
  DeviceContext* dc = Dc(h);
  if (!dc) return 0;
  dc->saved.push_back(dc->state);
  return static_cast<int>(dc->saved.size());
}

BOOL RestoreDC(HDC h, int level) {
  DeviceContext* dc = Dc(h);
  if (!dc) return FALSE;
  int count = static_cast<int>(dc->saved.size());
  // Negative levels count back from the last save.
  int index = level < 0 ? count + level : level - 1;
  if (index < 0 || index >= count) return FALSE;
  dc->state = dc->saved[index];
  dc->saved.resize(index);
  dc->ClipChanged();
  return TRUE;
}

#define QUILLARAN_DC_SETTER(Name, field, Type, fail)      \
  Type Set##Name(HDC h, Type value) {                     \
    DeviceContext* dc = Dc(h);                            \
    if (!dc) return fail;                                 \
    Type old = dc->state.field;                           \
    dc->state.field = value;                              \
    return old;                                           \
  }                                                       \
  Type Get##Name(HDC h) {                                 \
    DeviceContext* dc = Dc(h);                            \
    return dc ? dc->state.field : fail;                   \
  }
QUILLARAN_DC_SETTER(TextColor, text, COLORREF, CLR_INVALID)
QUILLARAN_DC_SETTER(BkColor, bk, COLORREF, CLR_INVALID)
QUILLARAN_DC_SETTER(TextAlign, textAlign, UINT, 0xFFFFFFFFu)
#undef QUILLARAN_DC_SETTER

int SetBkMode(HDC h, int mode) {
  DeviceContext* dc = Dc(h);
  if (!dc || (mode != TRANSPARENT && mode != OPAQUE)) return 0;
  int old = dc->state.bkMode;
  dc->state.bkMode = mode;
  return old;
}

int GetBkMode(HDC h) {
  DeviceContext* dc = Dc(h);
  return dc ? dc->state.bkMode : 0;
}

int SetROP2(HDC h, int mode) {
  DeviceContext* dc = Dc(h);
  if (!dc || mode < R2_BLACK || mode > R2_WHITE) return 0;
  int old = dc->state.rop2;
  dc->state.rop2 = mode;
  return old;
}

int GetROP2(HDC h) {
  DeviceContext* dc = Dc(h);
  return dc ? dc->state.rop2 : 0;
}

int SetStretchBltMode(HDC h, int mode) {
  DeviceContext* dc = Dc(h);
  if (!dc) return 0;
  int old = dc->state.stretchMode;
  dc->state.stretchMode = mode;
  return old;
}

int SetPolyFillMode(HDC h, int mode) {
  DeviceContext* dc = Dc(h);
  if (!dc || (mode != ALTERNATE && mode != WINDING)) return 0;
  int old = dc->state.polyFillMode;
  dc->state.polyFillMode = mode;
  return old;
}

namespace {
BOOL SetPoint(HDC h, POINT DcState::*field, int x, int y, POINT* previous, bool relative) {
  DeviceContext* dc = Dc(h);
  if (!dc) return FALSE;
  POINT& p = dc->state.*field;
  if (previous) *previous = p;
  if (relative) { x += p.x; y += p.y; }
  p = POINT{ClampCoord(x), ClampCoord(y)};
  return TRUE;
}
BOOL GetPoint(HDC h, POINT DcState::*field, POINT* out) {
  DeviceContext* dc = Dc(h);
  if (!dc || !out) return FALSE;
  *out = dc->state.*field;
  return TRUE;
}
}  // namespace

BOOL SetBrushOrgEx(HDC h, int x, int y, POINT* p) { return SetPoint(h, &DcState::brushOrg, x, y, p, false); }
BOOL SetWindowOrgEx(HDC h, int x, int y, POINT* p) { return SetPoint(h, &DcState::windowOrg, x, y, p, false); }
BOOL GetWindowOrgEx(HDC h, POINT* p) { return GetPoint(h, &DcState::windowOrg, p); }
BOOL OffsetWindowOrgEx(HDC h, int dx, int dy, POINT* p) { return SetPoint(h, &DcState::windowOrg, dx, dy, p, true); }
BOOL SetViewportOrgEx(HDC h, int x, int y, POINT* p) { return SetPoint(h, &DcState::viewportOrg, x, y, p, false); }
BOOL GetViewportOrgEx(HDC h, POINT* p) { return GetPoint(h, &DcState::viewportOrg, p); }
BOOL OffsetViewportOrgEx(HDC h, int dx, int dy, POINT* p) { return SetPoint(h, &DcState::viewportOrg, dx, dy, p, true); }
BOOL MoveToEx(HDC h, int x, int y, POINT* p) { return SetPoint(h, &DcState::position, x, y, p, false); }
BOOL GetCurrentPositionEx(HDC h, POINT* p) { return GetPoint(h, &DcState::position, p); }

BOOL LPtoDP(HDC h, POINT* points, int count) {
  DeviceContext* dc = Dc(h);
  if (!dc || !points) return FALSE;
  for (int i = 0; i < count; ++i) points[i] = dc->ToDevice(points[i].x, points[i].y);
  return TRUE;
}

BOOL DPtoLP(HDC h, POINT* points, int count) {
  DeviceContext* dc = Dc(h);
  if (!dc || !points) return FALSE;
  const DcState& s = dc->state;
  for (int i = 0; i < count; ++i)
    points[i] = POINT{points[i].x - s.viewportOrg.x + s.windowOrg.x, points[i].y - s.viewportOrg.y + s.windowOrg.y};
  return TRUE;
}

int GetDeviceCaps(HDC h, int index) {
  DeviceContext* dc = Dc(h);
  if (!dc) return 0;
  switch (index) {
    // The screen's context measures the screen, whether or not its pixels are kept here.
    case HORZRES:
      if (dc->window && dc->window == Desktop()->handle) return CurrentDisplay().ScreenSize().cx;
      return dc->surface ? dc->surface->Width() : 0;
    case VERTRES:
      if (dc->window && dc->window == Desktop()->handle) return CurrentDisplay().ScreenSize().cy;
      return dc->surface ? dc->surface->Height() : 0;
    case BITSPIXEL: return dc->surface && dc->surface->Monochrome() ? 1 : 32;
    case PLANES: return 1;
    case NUMCOLORS: return -1;
    case LOGPIXELSX: case LOGPIXELSY: return 96;
    case RASTERCAPS: return 0x0001 | 0x0008 | 0x0800;  // bit blt, bitmaps, stretch blt
    default: return 0;
  }
}

namespace {


// The current clip in device coordinates; no clip is the whole plane.
Region DeviceClip(DeviceContext& dc) {
  if (dc.state.hasClip) return dc.state.clip;
  return Region(RECT{-(1 << 24), -(1 << 24), 1 << 24, 1 << 24});
}

int SetClip(DeviceContext& dc, const Region* region, int mode) {
  if (mode == RGN_COPY) {
    if (region) { dc.state.clip = *region; dc.state.hasClip = true; }
    else { dc.state.clip.Clear(); dc.state.hasClip = false; }
  } else {
    if (!region) return RGN_ERROR;
    Region c = DeviceClip(dc);
    switch (mode) {
      case RGN_AND: c.Intersect(*region); break;
      case RGN_OR: c.Unite(*region); break;
      case RGN_XOR: c.Xor(*region); break;
      case RGN_DIFF: c.Subtract(*region); break;
      default: return RGN_ERROR;
    }
    dc.state.clip = c;
    dc.state.hasClip = true;
  }
  dc.ClipChanged();
  return RegionComplexity(dc.Clip());
}

RECT DeviceRect(DeviceContext& dc, int l, int t, int r, int b) {
  POINT a = dc.ToDevice(l, t), c = dc.ToDevice(r, b);
  return RECT{std::min(a.x, c.x), std::min(a.y, c.y), std::max(a.x, c.x), std::max(a.y, c.y)};
}

}  // namespace

int SelectClipRgn(HDC h, HRGN region) { return ExtSelectClipRgn(h, region, RGN_COPY); }

int ExtSelectClipRgn(HDC h, HRGN region, int mode) {
  DeviceContext* dc = Dc(h);
  if (!dc) return RGN_ERROR;
  GdiObject* o = region ? FindGdiObject(region, OBJ_REGION) : nullptr;
  if (region && !o) return RGN_ERROR;
  return SetClip(*dc, o ? &o->region : nullptr, mode);
}

int IntersectClipRect(HDC h, int left, int top, int right, int bottom) {
  DeviceContext* dc = Dc(h);
  if (!dc) return RGN_ERROR;
  Region r(DeviceRect(*dc, left, top, right, bottom));
  return SetClip(*dc, &r, RGN_AND);
}

int ExcludeClipRect(HDC h, int left, int top, int right, int bottom) {
  DeviceContext* dc = Dc(h);
  if (!dc) return RGN_ERROR;
  Region r(DeviceRect(*dc, left, top, right, bottom));
  return SetClip(*dc, &r, RGN_DIFF);
}

int GetClipBox(HDC h, RECT* box) {
  DeviceContext* dc = Dc(h);
  if (!dc || !box) return RGN_ERROR;
  const Region& clip = dc->Clip();
  RECT b = clip.Bounds();
  if (clip.IsEmpty()) { *box = RECT{0, 0, 0, 0}; return NULLREGION; }
  // Back to logical coordinates.
  int dx = dc->origin.x + dc->state.viewportOrg.x - dc->state.windowOrg.x;
  int dy = dc->origin.y + dc->state.viewportOrg.y - dc->state.windowOrg.y;
  *box = Offset(b, -dx, -dy);
  return RegionComplexity(clip);
}

int GetClipRgn(HDC h, HRGN region) {
  DeviceContext* dc = Dc(h);
  GdiObject* o = FindGdiObject(region, OBJ_REGION);
  if (!dc || !o) return -1;
  if (!dc->state.hasClip) return 0;
  o->region = dc->state.clip;
  return 1;
}

BOOL PtVisible(HDC h, int x, int y) {
  DeviceContext* dc = Dc(h);
  if (!dc) return FALSE;
  POINT p = dc->ToSurface(x, y);
  return dc->Clip().Contains(p.x, p.y);
}

BOOL RectVisible(HDC h, const RECT* r) {
  DeviceContext* dc = Dc(h);
  if (!dc || !r) return FALSE;
  return dc->Clip().Overlaps(dc->ToSurface(*r));
}
