#include "platform/gui/Cursor.h"

#include <algorithm>
#include <map>
#include <memory>
#include <vector>

#include "platform/gui/Display.h"
#include "platform/gui/Guilock.h"

namespace platform {

namespace {

struct CursorObject {
  CursorShape shape = CursorShape::Custom;
  bool stock = false;
};

struct CursorTable {
  std::map<std::uintptr_t, std::unique_ptr<CursorObject>> cursors;
  std::map<CursorShape, HCURSOR> stock;
  std::map<CursorShape, CursorShape> replaced;  // system cursor -> shape shown instead
  std::uintptr_t next = 0x30000;
  HCURSOR current = nullptr;
  int showCount = 0;
};

CursorTable& Table() {
  static CursorTable table;
  return table;
}

HCURSOR AddCursor(CursorShape shape, bool stock) {
  CursorTable& t = Table();
  auto h = reinterpret_cast<HCURSOR>(t.next);
  t.next += 4;
  auto o = std::make_unique<CursorObject>();
  o->shape = shape;
  o->stock = stock;
  t.cursors[reinterpret_cast<std::uintptr_t>(h)] = std::move(o);
  return h;
}

CursorObject* Find(HCURSOR h) {
  auto& c = Table().cursors;
  auto it = c.find(reinterpret_cast<std::uintptr_t>(h));
  return it == c.end() ? nullptr : it->second.get();
}

bool ShapeForId(int id, CursorShape& shape) {
  static const std::map<int, CursorShape> ids = {
      {IDC_ARROW, CursorShape::Arrow}, {IDC_IBEAM, CursorShape::IBeam}, {IDC_WAIT, CursorShape::Wait},
      {IDC_CROSS, CursorShape::Cross}, {IDC_UPARROW, CursorShape::UpArrow},
      {IDC_SIZENWSE, CursorShape::SizeNWSE}, {IDC_SIZENESW, CursorShape::SizeNESW},
      {IDC_SIZEWE, CursorShape::SizeWE}, {IDC_SIZENS, CursorShape::SizeNS},
      {IDC_SIZEALL, CursorShape::SizeAll}, {IDC_NO, CursorShape::No}, {IDC_HAND, CursorShape::Hand},
      {IDC_APPSTARTING, CursorShape::AppStarting}, {IDC_HELP, CursorShape::Help}};
  auto it = ids.find(id);
  if (it == ids.end()) return false;
  shape = it->second;
  return true;
}

}  // namespace

HCURSOR StockCursor(CursorShape shape) {
  GuiLock lock(GuiMutex());
  CursorTable& t = Table();
  auto it = t.stock.find(shape);
  if (it != t.stock.end()) return it->second;
  HCURSOR h = AddCursor(shape, true);
  t.stock[shape] = h;
  return h;
}

CursorShape ShapeOf(HCURSOR cursor) {
  GuiLock lock(GuiMutex());
  CursorObject* o = Find(cursor);
  return o ? o->shape : CursorShape::Blank;
}

CursorShape ShownCursorShape() {
  GuiLock lock(GuiMutex());
  CursorTable& t = Table();
  if (t.showCount < 0 || !t.current) return CursorShape::Blank;
  CursorObject* o = Find(t.current);
  if (!o) return CursorShape::Blank;
  if (o->stock) {
    auto r = t.replaced.find(o->shape);
    if (r != t.replaced.end()) return r->second;
  }
  return o->shape;
}

void RestoreSystemCursors() {
  GuiLock lock(GuiMutex());
  Table().replaced.clear();
}

}  // namespace platform

using namespace platform;

HCURSOR LoadCursor(HINSTANCE, const char* name) {
  auto id = reinterpret_cast<std::uintptr_t>(name);
  CursorShape shape;
  if (id > 0xFFFF || !ShapeForId(static_cast<int>(id), shape)) return nullptr;
  return StockCursor(shape);
}

HCURSOR CreateCursor(HINSTANCE, int, int, int width, int height, const void* andMask, const void* xorMask) {
  if (width <= 0 || height <= 0 || width > 256 || height > 256 || !andMask || !xorMask) return nullptr;
  // A cursor that keeps every screen pixel (AND all ones, XOR all zeros) is blank.
  size_t bytes = static_cast<size_t>((width + 15) / 16) * 2 * height;
  const auto* a = static_cast<const unsigned char*>(andMask);
  const auto* x = static_cast<const unsigned char*>(xorMask);
  bool blank = true;
  size_t stride = static_cast<size_t>((width + 15) / 16) * 2;
  for (size_t i = 0; i < bytes && blank; ++i) {
    int col = static_cast<int>(i % stride) * 8;
    unsigned mask = 0xFF;
    if (col + 8 > width) mask = (0xFF << (8 - std::max(0, width - col))) & 0xFF;
    if ((a[i] & mask) != mask || (x[i] & mask) != 0) blank = false;
  }
  GuiLock lock(GuiMutex());
  return AddCursor(blank ? CursorShape::Blank : CursorShape::Custom, false);
}

HCURSOR CopyCursor(HCURSOR cursor) {
  GuiLock lock(GuiMutex());
  CursorObject* o = Find(cursor);
  return o ? AddCursor(o->shape, false) : nullptr;
}

BOOL DestroyCursor(HCURSOR cursor) {
  GuiLock lock(GuiMutex());
  CursorObject* o = Find(cursor);
  if (!o) return FALSE;
  if (o->stock) return TRUE;
  if (Table().current == cursor) Table().current = nullptr;
  Table().cursors.erase(reinterpret_cast<std::uintptr_t>(cursor));
  return TRUE;
}

HCURSOR SetCursor(HCURSOR cursor) {
  HCURSOR old;
  {
    GuiLock lock(GuiMutex());
    old = Table().current;
    Table().current = cursor;
  }
  if (old != cursor) CurrentDisplay().CursorChanged(cursor);
  return old;
}

HCURSOR GetCursor() {
  GuiLock lock(GuiMutex());
  return Table().current;
}

int ShowCursor(BOOL show) {
  GuiLock lock(GuiMutex());
  return Table().showCount += show ? 1 : -1;
}

BOOL SetSystemCursor(HCURSOR cursor, DWORD id) {
  CursorShape system;
  GuiLock lock(GuiMutex());
  CursorObject* o = Find(cursor);
  if (!o || !ShapeForId(static_cast<int>(id), system)) return FALSE;
  Table().replaced[system] = o->shape;
  if (!o->stock) Table().cursors.erase(reinterpret_cast<std::uintptr_t>(cursor));
  return TRUE;
}
