#pragma once
// Device contexts: the drawing state (objects, colours, modes, origins, clipping) over a
// surface of pixels, for memory bitmaps, windows and the screen.

#include <memory>
#include <vector>

#include "platform/gui/Gdiobjects.h"
#include "platform/gui/Pixmap.h"
#include "platform/gui/Region.h"
#include "platform/gui/Wintypes.h"

inline constexpr int TRANSPARENT = 1;
inline constexpr int OPAQUE = 2;
inline constexpr int R2_BLACK = 1;
inline constexpr int R2_NOTMERGEPEN = 2;
inline constexpr int R2_MASKNOTPEN = 3;
inline constexpr int R2_NOTCOPYPEN = 4;
inline constexpr int R2_MASKPENNOT = 5;
inline constexpr int R2_NOT = 6;
inline constexpr int R2_XORPEN = 7;
inline constexpr int R2_NOTMASKPEN = 8;
inline constexpr int R2_MASKPEN = 9;
inline constexpr int R2_NOTXORPEN = 10;
inline constexpr int R2_NOP = 11;
inline constexpr int R2_MERGENOTPEN = 12;
inline constexpr int R2_COPYPEN = 13;
inline constexpr int R2_MERGEPENNOT = 14;
inline constexpr int R2_MERGEPEN = 15;
inline constexpr int R2_WHITE = 16;
inline constexpr UINT TA_NOUPDATECP = 0;
inline constexpr UINT TA_UPDATECP = 1;
inline constexpr UINT TA_LEFT = 0;
inline constexpr UINT TA_RIGHT = 2;
inline constexpr UINT TA_CENTER = 6;
inline constexpr UINT TA_TOP = 0;
inline constexpr UINT TA_BOTTOM = 8;
inline constexpr UINT TA_BASELINE = 24;
inline constexpr int BLACKONWHITE = 1;
inline constexpr int WHITEONBLACK = 2;
inline constexpr int COLORONCOLOR = 3;
inline constexpr int HALFTONE = 4;
inline constexpr int ALTERNATE = 1;
inline constexpr int WINDING = 2;
inline constexpr int RGN_AND = 1;
inline constexpr int RGN_OR = 2;
inline constexpr int RGN_XOR = 3;
inline constexpr int RGN_DIFF = 4;
inline constexpr int RGN_COPY = 5;
inline constexpr int RGN_ERROR = 0;
inline constexpr int NULLREGION = 1;
inline constexpr int SIMPLEREGION = 2;
inline constexpr int COMPLEXREGION = 3;
inline constexpr int HORZRES = 8;
inline constexpr int VERTRES = 10;
inline constexpr int BITSPIXEL = 12;
inline constexpr int PLANES = 14;
inline constexpr int NUMCOLORS = 24;
inline constexpr int LOGPIXELSX = 88;
inline constexpr int LOGPIXELSY = 90;
inline constexpr int RASTERCAPS = 38;
inline constexpr COLORREF CLR_INVALID = 0xFFFFFFFF;

HDC CreateCompatibleDC(HDC dc);
BOOL DeleteDC(HDC dc);
HBITMAP CreateCompatibleBitmap(HDC dc, int width, int height);
HGDIOBJ SelectObject(HDC dc, HGDIOBJ object);
HGDIOBJ GetCurrentObject(HDC dc, UINT type);
int SaveDC(HDC dc);
BOOL RestoreDC(HDC dc, int saved);
COLORREF SetTextColor(HDC dc, COLORREF color);
COLORREF GetTextColor(HDC dc);
COLORREF SetBkColor(HDC dc, COLORREF color);
COLORREF GetBkColor(HDC dc);
int SetBkMode(HDC dc, int mode);
int GetBkMode(HDC dc);
int SetROP2(HDC dc, int mode);
int GetROP2(HDC dc);
UINT SetTextAlign(HDC dc, UINT align);
UINT GetTextAlign(HDC dc);
int SetStretchBltMode(HDC dc, int mode);
int SetPolyFillMode(HDC dc, int mode);
BOOL SetBrushOrgEx(HDC dc, int x, int y, POINT* previous);
BOOL SetWindowOrgEx(HDC dc, int x, int y, POINT* previous);
BOOL GetWindowOrgEx(HDC dc, POINT* origin);
BOOL OffsetWindowOrgEx(HDC dc, int dx, int dy, POINT* previous);
BOOL SetViewportOrgEx(HDC dc, int x, int y, POINT* previous);
BOOL GetViewportOrgEx(HDC dc, POINT* origin);
BOOL OffsetViewportOrgEx(HDC dc, int dx, int dy, POINT* previous);
BOOL MoveToEx(HDC dc, int x, int y, POINT* previous);
BOOL GetCurrentPositionEx(HDC dc, POINT* position);
BOOL LPtoDP(HDC dc, POINT* points, int count);
BOOL DPtoLP(HDC dc, POINT* points, int count);
int GetDeviceCaps(HDC dc, int index);
// Clipping; regions given in device coordinates, rectangles in logical ones.
int SelectClipRgn(HDC dc, HRGN region);
int ExtSelectClipRgn(HDC dc, HRGN region, int mode);
int IntersectClipRect(HDC dc, int left, int top, int right, int bottom);
int ExcludeClipRect(HDC dc, int left, int top, int right, int bottom);
int GetClipBox(HDC dc, RECT* box);
int GetClipRgn(HDC dc, HRGN region);
BOOL PtVisible(HDC dc, int x, int y);
BOOL RectVisible(HDC dc, const RECT* r);

namespace platform {

struct DcState {
  HPEN pen = nullptr;
  HBRUSH brush = nullptr;
  HFONT font = nullptr;
  COLORREF text = 0;
  COLORREF bk = RGB(255, 255, 255);
  int bkMode = OPAQUE;
  int rop2 = R2_COPYPEN;
  UINT textAlign = 0;
  int stretchMode = BLACKONWHITE;
  int polyFillMode = ALTERNATE;
  POINT brushOrg{0, 0};
  POINT windowOrg{0, 0};
  POINT viewportOrg{0, 0};
  POINT position{0, 0};
  bool hasClip = false;
  Region clip;  // device coordinates
};

class DeviceContext {
 public:
  int kind = OBJ_DC;            // OBJ_DC or OBJ_MEMDC
  HWND window = nullptr;        // window DCs: the window drawn on
  bool paintDc = false;         // made by BeginPaint (ended by EndPaint only)
  HBITMAP bitmap = nullptr;     // memory DCs: the selected bitmap
  std::shared_ptr<Pixmap> surface;
  POINT origin{0, 0};           // where device (0, 0) lies on the surface
  Region visible;               // surface coordinates
  DcState state;
  std::vector<DcState> saved;

  // Effective clipping area in surface coordinates.
  const Region& Clip();
  void ClipChanged() { clipValid_ = false; }
  POINT ToDevice(int x, int y) const {
    return POINT{x - state.windowOrg.x + state.viewportOrg.x, y - state.windowOrg.y + state.viewportOrg.y};
  }
  POINT ToSurface(int x, int y) const {
    POINT d = ToDevice(x, y);
    return POINT{d.x + origin.x, d.y + origin.y};
  }
  RECT ToSurface(const RECT& r) const;

  // Objects in use, falling back to the defaults when a handle was deleted meanwhile.
  const PenData& Pen() const;
  const BrushData& Brush() const;
  const FontData& Font() const;

 private:
  Region clip_;
  bool clipValid_ = false;
};

HDC AddDeviceContext(std::unique_ptr<DeviceContext> dc);
DeviceContext* FindDeviceContext(HDC dc);
void RemoveDeviceContext(HDC dc);
size_t DeviceContextCount();
// Releases every DC that draws on the window (the window is going away).
void RemoveWindowDeviceContexts(HWND window);

}  // namespace platform
