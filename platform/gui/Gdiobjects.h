#pragma once
// GDI objects (pens, brushes, fonts, bitmaps, regions) and their handle table.

#include <memory>

#include "platform/gui/Fontengine.h"
#include "platform/gui/Pixmap.h"
#include "platform/gui/Region.h"
#include "platform/gui/Wintypes.h"

inline constexpr int OBJ_PEN = 1;
inline constexpr int OBJ_BRUSH = 2;
inline constexpr int OBJ_DC = 3;
inline constexpr int OBJ_FONT = 6;
inline constexpr int OBJ_BITMAP = 7;
inline constexpr int OBJ_REGION = 8;
inline constexpr int OBJ_MEMDC = 10;
inline constexpr int WHITE_BRUSH = 0;
inline constexpr int LTGRAY_BRUSH = 1;
inline constexpr int GRAY_BRUSH = 2;
inline constexpr int DKGRAY_BRUSH = 3;
inline constexpr int BLACK_BRUSH = 4;
inline constexpr int NULL_BRUSH = 5;
inline constexpr int HOLLOW_BRUSH = 5;
inline constexpr int WHITE_PEN = 6;
inline constexpr int BLACK_PEN = 7;
inline constexpr int NULL_PEN = 8;
inline constexpr int OEM_FIXED_FONT = 10;
inline constexpr int ANSI_FIXED_FONT = 11;
inline constexpr int ANSI_VAR_FONT = 12;
inline constexpr int SYSTEM_FONT = 13;
inline constexpr int DEVICE_DEFAULT_FONT = 14;
inline constexpr int SYSTEM_FIXED_FONT = 16;
inline constexpr int DEFAULT_GUI_FONT = 17;
inline constexpr UINT PS_SOLID = 0;
inline constexpr UINT PS_DASH = 1;
inline constexpr UINT PS_DOT = 2;
inline constexpr UINT PS_DASHDOT = 3;
inline constexpr UINT PS_DASHDOTDOT = 4;
inline constexpr UINT PS_NULL = 5;
inline constexpr UINT PS_INSIDEFRAME = 6;
inline constexpr UINT PS_STYLE_MASK = 0x0F;
inline constexpr UINT BS_SOLID = 0;
inline constexpr UINT BS_NULL = 1;
inline constexpr UINT BS_HOLLOW = 1;
inline constexpr UINT BS_HATCHED = 2;
inline constexpr UINT BS_PATTERN = 3;
inline constexpr int HS_HORIZONTAL = 0;
inline constexpr int HS_VERTICAL = 1;
inline constexpr int HS_FDIAGONAL = 2;
inline constexpr int HS_BDIAGONAL = 3;
inline constexpr int HS_CROSS = 4;
inline constexpr int HS_DIAGCROSS = 5;

struct LOGPEN { UINT lopnStyle; POINT lopnWidth; COLORREF lopnColor; };
struct LOGBRUSH { UINT lbStyle; COLORREF lbColor; ULONG_PTR lbHatch; };
struct BITMAP {
  LONG bmType, bmWidth, bmHeight, bmWidthBytes;
  WORD bmPlanes, bmBitsPixel;
  void* bmBits;
};

HGDIOBJ GetStockObject(int index);
BOOL DeleteObject(HGDIOBJ object);
int GetObject(HGDIOBJ object, int size, void* buffer);
DWORD GetObjectType(HGDIOBJ object);
HPEN CreatePen(int style, int width, COLORREF color);
HPEN CreatePenIndirect(const LOGPEN* pen);
HBRUSH CreateSolidBrush(COLORREF color);
HBRUSH CreateHatchBrush(int hatch, COLORREF color);
HBRUSH CreatePatternBrush(HBITMAP bitmap);
HBRUSH CreateBrushIndirect(const LOGBRUSH* brush);
HFONT CreateFontIndirect(const LOGFONT* font);
HFONT CreateFont(int height, int width, int escapement, int orientation, int weight, DWORD italic,
                 DWORD underline, DWORD strikeOut, DWORD charSet, DWORD outPrecision,
                 DWORD clipPrecision, DWORD quality, DWORD pitchAndFamily, const char* face);
// bits: rows padded to 16 bits; 1 bit a pixel (1 = white, most significant bit first),
// or 32 bits a pixel (blue, green, red, unused); null leaves the bitmap black.
HBITMAP CreateBitmap(int width, int height, UINT planes, UINT bitsPerPixel, const void* bits);

namespace platform {

struct PenData { UINT style = PS_SOLID; int width = 1; COLORREF color = 0; };
struct BrushData {
  UINT style = BS_SOLID;
  COLORREF color = 0;
  int hatch = 0;
  std::shared_ptr<Pixmap> pattern;  // 8x8 for hatches; the bitmap's copy for patterns
};
struct FontData { LOGFONT logfont{}; std::shared_ptr<FontFace> face; };
struct BitmapData { std::shared_ptr<Pixmap> pixmap; HDC selectedInto = nullptr; };

struct GdiObject {
  int kind = 0;  // OBJ_*
  bool stock = false;
  PenData pen;
  BrushData brush;
  FontData font;
  BitmapData bitmap;
  Region region;
};

HGDIOBJ AddGdiObject(std::unique_ptr<GdiObject> object);
// The live object of the handle when it is of that kind (0: any kind), else null.
GdiObject* FindGdiObject(HGDIOBJ handle, int kind = 0);
// Number of live objects that are not stock objects (for leak checks).
size_t GdiObjectCount();
// The 1x1 monochrome bitmap that a new memory DC holds.
HBITMAP DefaultBitmap();
// Pixels of a bitmap, shared with every DC it is selected into.
std::shared_ptr<Pixmap> BitmapPixels(HBITMAP bitmap);
HBITMAP CreateBitmapFromPixmap(std::shared_ptr<Pixmap> pixmap);

}  // namespace platform
