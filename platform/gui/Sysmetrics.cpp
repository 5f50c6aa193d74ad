#include "platform/gui/Sysmetrics.h"

#include <atomic>

#include "platform/gui/Cursor.h"
#include "platform/gui/Display.h"

namespace {
std::atomic<bool> g_swapped{false};
std::atomic<UINT> g_doubleClickTime{500};
std::atomic<int> g_beeps{0};
}  // namespace

int GetSystemMetrics(int index) {
  SIZE s = platform::CurrentDisplay().ScreenSize();
  switch (index) {
    case SM_CXSCREEN: case SM_CXFULLSCREEN: case SM_CXMAXIMIZED: case SM_CXVIRTUALSCREEN: return s.cx;
    case SM_CYSCREEN: case SM_CYMAXIMIZED: case SM_CYVIRTUALSCREEN: return s.cy;
    case SM_CYFULLSCREEN: return s.cy - 19;
    case SM_CXVSCROLL: case SM_CYHSCROLL: case SM_CYVSCROLL: case SM_CXHSCROLL: return 16;
    case SM_CYVTHUMB: case SM_CXHTHUMB: return 16;
    case SM_CYCAPTION: return 19;
    case SM_CYSMCAPTION: return 15;
    case SM_CXBORDER: case SM_CYBORDER: return 1;
    case SM_CXDLGFRAME: case SM_CYDLGFRAME: return 3;
    case SM_CXFRAME: case SM_CYFRAME: return 4;
    case SM_CXEDGE: case SM_CYEDGE: return 2;
    case SM_CXICON: case SM_CYICON: case SM_CXCURSOR: case SM_CYCURSOR: return 32;
    case SM_CXSMICON: case SM_CYSMICON: return 16;
    case SM_CYMENU: return 19;
    case SM_CXSIZE: case SM_CYSIZE: return 18;
    case SM_CXMIN: case SM_CXMINTRACK: return 112;
    case SM_CYMIN: case SM_CYMINTRACK: return 27;
    case SM_CXDOUBLECLK: case SM_CYDOUBLECLK: case SM_CXDRAG: case SM_CYDRAG: return 4;
    case SM_MOUSEPRESENT: case SM_MOUSEWHEELPRESENT: case SM_CMONITORS: return 1;
    case SM_CMOUSEBUTTONS: return 3;
    case SM_SWAPBUTTON: return g_swapped ? 1 : 0;
    default: return 0;
  }
}

BOOL SystemParametersInfo(UINT action, UINT param, void* data, UINT) {
  switch (action) {
    case SPI_GETWORKAREA: {
      if (!data) return FALSE;
      *static_cast<RECT*>(data) = platform::CurrentDisplay().WorkArea();
      return TRUE;
    }
    case SPI_SETCURSORS: platform::RestoreSystemCursors(); return TRUE;
    case SPI_GETWHEELSCROLLLINES:
      if (!data) return FALSE;
      *static_cast<UINT*>(data) = 3;
      return TRUE;
    default: (void)param; return FALSE;
  }
}

BOOL SwapMouseButton(BOOL swap) { return g_swapped.exchange(swap != 0) ? TRUE : FALSE; }
UINT GetDoubleClickTime() { return g_doubleClickTime; }
BOOL SetDoubleClickTime(UINT ms) {
  g_doubleClickTime = ms == 0 ? 500 : ms;
  return TRUE;
}

BOOL MessageBeep(UINT type) {
  ++g_beeps;
  platform::CurrentDisplay().Beep(type);
  return TRUE;
}

int platform::BeepCount() { return g_beeps; }
