#include "platform/gui/Gdiobjects.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <unordered_map>

#include "platform/gui/Guilock.h"

namespace platform {

namespace {

struct GdiTable {
  std::unordered_map<std::uintptr_t, std::unique_ptr<GdiObject>> objects;
  std::uintptr_t next = 0x10000;
};

GdiTable& Table() {
  static GdiTable table;
  return table;
}

std::unique_ptr<GdiObject> NewObject(int kind) {
  auto o = std::make_unique<GdiObject>();
  o->kind = kind;
  return o;
}

std::shared_ptr<Pixmap> HatchPattern(int hatch) {
  // 1 marks the hatch lines (drawn in the brush colour), 0 the background.
  auto p = std::make_shared<Pixmap>(8, 8, true, 0);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x) {
      bool on = false;
      switch (hatch) {
        case HS_HORIZONTAL: on = y == 4; break;
        case HS_VERTICAL: on = x == 4; break;
        case HS_FDIAGONAL: on = x == y; break;
        case HS_BDIAGONAL: on = x == 7 - y; break;
        case HS_CROSS: on = x == 4 || y == 4; break;
        default: on = x == y || x == 7 - y; break;
      }
      p->Row(y)[x] = on ? 0xFFFFFF : 0;
    }
  return p;
}

LOGFONT StockLogFont(int index) {
  LOGFONT f{};
  f.lfWeight = FW_NORMAL;
  f.lfCharSet = DEFAULT_CHARSET;
  const char* face = "Sans Serif";
  switch (index) {
    case SYSTEM_FONT: f.lfHeight = 16; f.lfWeight = FW_BOLD; face = "System"; break;
    case OEM_FIXED_FONT: case ANSI_FIXED_FONT: case SYSTEM_FIXED_FONT:
      f.lfHeight = 16; f.lfPitchAndFamily = static_cast<BYTE>(FIXED_PITCH | FF_MODERN); face = "Fixed"; break;
    default: f.lfHeight = -11; break;
  }
  std::strncpy(f.lfFaceName, face, LF_FACESIZE - 1);
  return f;
}

std::unique_ptr<GdiObject> MakeStock(int index) {
  std::unique_ptr<GdiObject> o;
  auto brush = [&](COLORREF c, UINT style) {
    o = NewObject(OBJ_BRUSH);
    o->brush.style = style;
    o->brush.color = c;
  };
  auto pen = [&](COLORREF c, UINT style) {
    o = NewObject(OBJ_PEN);
    o->pen.style = style;
    o->pen.color = c;
  };
  switch (index) {
    case WHITE_BRUSH: brush(RGB(255, 255, 255), BS_SOLID); break;
    case LTGRAY_BRUSH: brush(RGB(192, 192, 192), BS_SOLID); break;
    case GRAY_BRUSH: brush(RGB(128, 128, 128), BS_SOLID); break;
    case DKGRAY_BRUSH: brush(RGB(64, 64, 64), BS_SOLID); break;
    case BLACK_BRUSH: brush(RGB(0, 0, 0), BS_SOLID); break;
    case NULL_BRUSH: brush(0, BS_NULL); break;
    case WHITE_PEN: pen(RGB(255, 255, 255), PS_SOLID); break;
    case BLACK_PEN: pen(0, PS_SOLID); break;
    case NULL_PEN: pen(0, PS_NULL); break;
    case OEM_FIXED_FONT: case ANSI_FIXED_FONT: case ANSI_VAR_FONT: case SYSTEM_FONT:
    case DEVICE_DEFAULT_FONT: case SYSTEM_FIXED_FONT: case DEFAULT_GUI_FONT:
      o = NewObject(OBJ_FONT);
      o->font.logfont = StockLogFont(index);
      o->font.face = CurrentFontEngine().Realize(o->font.logfont);
      break;
    case 20:
      o = NewObject(OBJ_BITMAP);
      o->bitmap.pixmap = std::make_shared<Pixmap>(1, 1, true, 0);
      break;
    default: return nullptr;
  }
  o->stock = true;
  return o;
}

HGDIOBJ Stock(int index) {
  static std::array<HGDIOBJ, 21> handles{};
  GuiLock lock(GuiMutex());
  if (index < 0 || index >= static_cast<int>(handles.size())) return nullptr;
  if (!handles[index]) {
    auto o = MakeStock(index);
    if (!o) return nullptr;
    handles[index] = AddGdiObject(std::move(o));
  }
  return handles[index];
}

}  // namespace

HGDIOBJ AddGdiObject(std::unique_ptr<GdiObject> object) {
  GuiLock lock(GuiMutex());
  GdiTable& t = Table();
  std::uintptr_t value = t.next;
  t.next += 4;
  t.objects[value] = std::move(object);
  return reinterpret_cast<HGDIOBJ>(value);
}

GdiObject* FindGdiObject(HGDIOBJ handle, int kind) {
  GuiLock lock(GuiMutex());
  auto& objects = Table().objects;
  auto it = objects.find(reinterpret_cast<std::uintptr_t>(handle));
  if (it == objects.end()) return nullptr;
  if (kind != 0 && it->second->kind != kind) return nullptr;
  return it->second.get();
}

size_t GdiObjectCount() {
  GuiLock lock(GuiMutex());
  size_t n = 0;
  for (const auto& entry : Table().objects) n += entry.second->stock ? 0 : 1;
  return n;
}

HBITMAP DefaultBitmap() { return static_cast<HBITMAP>(Stock(20)); }

std::shared_ptr<Pixmap> BitmapPixels(HBITMAP bitmap) {
  GdiObject* o = FindGdiObject(bitmap, OBJ_BITMAP);
  return o ? o->bitmap.pixmap : nullptr;
}

HBITMAP CreateBitmapFromPixmap(std::shared_ptr<Pixmap> pixmap) {
  if (!pixmap) return nullptr;
  auto o = NewObject(OBJ_BITMAP);
  o->bitmap.pixmap = std::move(pixmap);
  return static_cast<HBITMAP>(AddGdiObject(std::move(o)));
}

}  // namespace platform

using namespace platform;

HGDIOBJ GetStockObject(int index) { return Stock(index); }

BOOL DeleteObject(HGDIOBJ handle) {
  GuiLock lock(GuiMutex());
  auto& objects = Table().objects;
  auto it = objects.find(reinterpret_cast<std::uintptr_t>(handle));
  if (it == objects.end()) return FALSE;
  if (it->second->stock) return TRUE;
  // A bitmap stays while a DC holds it, as the system refuses to delete it.
  if (it->second->kind == OBJ_BITMAP && it->second->bitmap.selectedInto) return FALSE;
  objects.erase(it);
  return TRUE;
}

DWORD GetObjectType(HGDIOBJ handle) {
  GdiObject* o = FindGdiObject(handle);
  return o ? static_cast<DWORD>(o->kind) : 0;
}

int GetObject(HGDIOBJ handle, int size, void* buffer) {
  GdiObject* o = FindGdiObject(handle);
  if (!o) return 0;
  auto put = [&](const auto& value) {
    int need = static_cast<int>(sizeof(value));
    if (!buffer) return need;
    if (size < need) return 0;
    std::memcpy(buffer, &value, sizeof(value));
    return need;
  };
  switch (o->kind) {
    case OBJ_PEN: return put(LOGPEN{o->pen.style, POINT{o->pen.width, 0}, o->pen.color});
    case OBJ_BRUSH: return put(LOGBRUSH{o->brush.style, o->brush.color, static_cast<ULONG_PTR>(o->brush.hatch)});
    case OBJ_FONT: return put(o->font.logfont);
    case OBJ_BITMAP: {
      const Pixmap& p = *o->bitmap.pixmap;
      WORD bits = p.Monochrome() ? 1 : 32;
      LONG stride = p.Monochrome() ? ((p.Width() + 15) / 16) * 2 : p.Width() * 4;
      return put(BITMAP{0, p.Width(), p.Height(), stride, 1, bits, nullptr});
    }
    default: return 0;
  }
}

HPEN CreatePen(int style, int width, COLORREF color) {
  auto o = NewObject(OBJ_PEN);
  o->pen.style = static_cast<UINT>(style) & PS_STYLE_MASK;
  if (o->pen.style > PS_INSIDEFRAME) o->pen.style = PS_SOLID;
  o->pen.width = std::clamp(width, 0, 1000);
  o->pen.color = color;
  return static_cast<HPEN>(AddGdiObject(std::move(o)));
}

HPEN CreatePenIndirect(const LOGPEN* pen) {
  if (!pen) return nullptr;
  return CreatePen(static_cast<int>(pen->lopnStyle), pen->lopnWidth.x, pen->lopnColor);
}

HBRUSH CreateSolidBrush(COLORREF color) {
  auto o = NewObject(OBJ_BRUSH);
  o->brush.color = color;
  return static_cast<HBRUSH>(AddGdiObject(std::move(o)));
}

HBRUSH CreateHatchBrush(int hatch, COLORREF color) {
  auto o = NewObject(OBJ_BRUSH);
  o->brush.style = BS_HATCHED;
  o->brush.color = color;
  o->brush.hatch = std::clamp(hatch, 0, static_cast<int>(HS_DIAGCROSS));
  o->brush.pattern = HatchPattern(o->brush.hatch);
  return static_cast<HBRUSH>(AddGdiObject(std::move(o)));
}

HBRUSH CreatePatternBrush(HBITMAP bitmap) {
  auto pixels = BitmapPixels(bitmap);
  if (!pixels) return nullptr;
  auto o = NewObject(OBJ_BRUSH);
  o->brush.style = BS_PATTERN;
  // The brush keeps its own copy: the bitmap may be deleted or changed afterwards.
  o->brush.pattern = std::make_shared<Pixmap>(*pixels);
  return static_cast<HBRUSH>(AddGdiObject(std::move(o)));
}

HBRUSH CreateBrushIndirect(const LOGBRUSH* brush) {
  if (!brush) return nullptr;
  switch (brush->lbStyle) {
    case BS_SOLID: return CreateSolidBrush(brush->lbColor);
    case BS_HATCHED: return CreateHatchBrush(static_cast<int>(brush->lbHatch), brush->lbColor);
    case BS_PATTERN: return CreatePatternBrush(reinterpret_cast<HBITMAP>(brush->lbHatch));
    case BS_NULL: {
      auto o = NewObject(OBJ_BRUSH);
      o->brush.style = BS_NULL;
      return static_cast<HBRUSH>(AddGdiObject(std::move(o)));
    }
    default: return nullptr;
  }
}

HFONT CreateFontIndirect(const LOGFONT* font) {
  if (!font) return nullptr;
  auto o = NewObject(OBJ_FONT);
  o->font.logfont = *font;
  o->font.logfont.lfFaceName[LF_FACESIZE - 1] = 0;
  o->font.face = CurrentFontEngine().Realize(o->font.logfont);
  return static_cast<HFONT>(AddGdiObject(std::move(o)));
}

HFONT CreateFont(int height, int width, int escapement, int orientation, int weight, DWORD italic,
                 DWORD underline, DWORD strikeOut, DWORD charSet, DWORD outPrecision,
                 DWORD clipPrecision, DWORD quality, DWORD pitchAndFamily, const char* face) {
  LOGFONT f{};
  f.lfHeight = height; f.lfWidth = width; f.lfEscapement = escapement; f.lfOrientation = orientation;
  f.lfWeight = weight; f.lfItalic = italic ? 1 : 0; f.lfUnderline = underline ? 1 : 0;
  f.lfStrikeOut = strikeOut ? 1 : 0; f.lfCharSet = static_cast<BYTE>(charSet);
  f.lfOutPrecision = static_cast<BYTE>(outPrecision); f.lfClipPrecision = static_cast<BYTE>(clipPrecision);
  f.lfQuality = static_cast<BYTE>(quality); f.lfPitchAndFamily = static_cast<BYTE>(pitchAndFamily);
  if (face) std::strncpy(f.lfFaceName, face, LF_FACESIZE - 1);
  return CreateFontIndirect(&f);
}

HBITMAP CreateBitmap(int width, int height, UINT planes, UINT bitsPerPixel, const void* bits) {
  if (width <= 0 || height <= 0 || width > Pixmap::kMaxSide || height > Pixmap::kMaxSide || planes != 1)
    return nullptr;
  bool mono = bitsPerPixel == 1;
  if (!mono && bitsPerPixel != 24 && bitsPerPixel != 32) return nullptr;
  auto pixmap = std::make_shared<Pixmap>(width, height, mono, 0);
  if (bits) {
    const auto* src = static_cast<const unsigned char*>(bits);
    size_t stride = ((static_cast<size_t>(width) * bitsPerPixel + 15) / 16) * 2;
    for (int y = 0; y < height; ++y) {
      const unsigned char* row = src + stride * y;
      std::uint32_t* out = pixmap->Row(y);
      for (int x = 0; x < width; ++x) {
        if (mono) out[x] = (row[x / 8] & (0x80 >> (x % 8))) ? 0xFFFFFF : 0;
        else if (bitsPerPixel == 24) out[x] = row[x * 3] | (row[x * 3 + 1] << 8) | (row[x * 3 + 2] << 16);
        else out[x] = row[x * 4] | (row[x * 4 + 1] << 8) | (row[x * 4 + 2] << 16);
      }
    }
  }
  return CreateBitmapFromPixmap(std::move(pixmap));
}
