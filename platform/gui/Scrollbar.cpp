#include "platform/gui/Scrollbar.h"

#include <algorithm>
#include <memory>

#include "platform/gui/Defwindowproc.h"
#include "platform/gui/Drawedge.h"
#include "platform/gui/Gdiobjects.h"
#include "platform/gui/Input.h"
#include "platform/gui/Messagequeue.h"
#include "platform/gui/Painting.h"
#include "platform/gui/Rects.h"
#include "platform/gui/Shapes.h"
#include "platform/gui/Syscolors.h"
#include "platform/gui/Sysmetrics.h"
#include "platform/gui/Windowmanager.h"

namespace platform {

namespace {

constexpr UINT_PTR kRepeatTimer = 0xFFFE;
enum Part { kNone = -1, kLineUp = SB_LINEUP, kLineDown = SB_LINEDOWN, kPageUp = SB_PAGEUP, kPageDown = SB_PAGEDOWN, kThumb = 100 };

// Lengths along the bar's axis, from its start.
struct Geometry {
  int length = 0, arrow = 0, trackStart = 0, trackEnd = 0, thumbStart = 0, thumbLength = 0;
  bool thumb = false;
};

int MaxPos(const ScrollBarState& s) { return s.max - std::max(s.page - 1, 0); }

bool Scrollable(const ScrollBarState& s) {
  int range = s.max - s.min + 1;
  return s.max > s.min && (s.page == 0 || s.page < range);
}

Geometry Measure(int length, int thickness, const ScrollBarState& s, int pos) {
  Geometry g;
  g.length = length;
  g.arrow = std::min(thickness, length / 2);
  g.trackStart = g.arrow;
  g.trackEnd = length - g.arrow;
  int track = g.trackEnd - g.trackStart;
  if (s.disabled || !Scrollable(s) || track < 8) return g;
  int range = s.max - s.min + 1;
  g.thumbLength = s.page ? std::max(static_cast<int>(static_cast<long long>(track) * s.page / range), 8)
                         : GetSystemMetrics(SM_CXHTHUMB);
  g.thumbLength = std::min(g.thumbLength, track);
  int span = MaxPos(s) - s.min;
  g.thumbStart = g.trackStart + (span > 0 ? static_cast<int>(static_cast<long long>(pos - s.min) * (track - g.thumbLength) / span) : 0);
  g.thumb = true;
  return g;
}

int PartAt(const Geometry& g, int a) {
  if (a < 0 || a >= g.length) return kNone;
  if (a < g.arrow) return kLineUp;
  if (a >= g.length - g.arrow) return kLineDown;
  if (!g.thumb) return kNone;
  if (a >= g.thumbStart && a < g.thumbStart + g.thumbLength) return kThumb;
  return a < g.thumbStart ? kPageUp : kPageDown;
}

ScrollBarState* StateOf(Window* w, int bar) {
  if (!w) return nullptr;
  if (bar == SB_VERT) return (w->style & WS_VSCROLL) ? &w->vbar : nullptr;
  if (bar == SB_HORZ) return (w->style & WS_HSCROLL) ? &w->hbar : nullptr;
  if (bar == SB_CTL) return w->scrollBarControl ? &w->vbar : nullptr;
  return nullptr;
}

// The bar's rectangle on the screen and its direction.
RECT ScreenRect(Window* w, int bar, bool& vertical) {
  if (bar == SB_CTL) {
    vertical = w->style & SBS_VERT;
    POINT o = ClientScreenOrigin(w);
    return RECT{o.x, o.y, o.x + w->ClientWidth(), o.y + w->ClientHeight()};
  }
  vertical = bar == SB_VERT;
  POINT o = ScreenOrigin(w);
  return Offset(vertical ? VerticalBarRect(w) : HorizontalBarRect(w), o.x, o.y);
}

HBRUSH TrackBrush() {
  static HBRUSH brush = [] {
    auto o = std::make_unique<GdiObject>();
    o->kind = OBJ_BRUSH;
    o->stock = true;
    o->brush.style = BS_PATTERN;
    auto p = std::make_shared<Pixmap>(8, 8, false, 0);
    for (int y = 0; y < 8; ++y)
      for (int x = 0; x < 8; ++x)
        p->Row(y)[x] = PixelFromColor(GetSysColor((x + y) % 2 ? COLOR_BTNFACE : COLOR_BTNHIGHLIGHT));
    o->brush.pattern = p;
    return static_cast<HBRUSH>(AddGdiObject(std::move(o)));
  }();
  return brush;
}

void PaintBar(HDC dc, const RECT& r, bool vertical, const ScrollBarState& s, int pressed) {
  int length = vertical ? Height(r) : Width(r), thickness = vertical ? Width(r) : Height(r);
  if (length <= 0 || thickness <= 0) return;
  Geometry g = Measure(length, thickness, s, s.tracking ? s.trackPos : s.pos);
  auto span = [&](int a, int b) {
    return vertical ? RECT{r.left, r.top + a, r.right, r.top + b} : RECT{r.left + a, r.top, r.left + b, r.bottom};
  };
  UINT inactive = g.thumb ? 0 : DFCS_INACTIVE;
  RECT first = span(0, g.arrow), last = span(g.length - g.arrow, g.length);
  DrawFrameControl(dc, &first, DFC_SCROLL, (vertical ? DFCS_SCROLLUP : DFCS_SCROLLLEFT) | inactive | (pressed == kLineUp ? DFCS_PUSHED : 0));
  DrawFrameControl(dc, &last, DFC_SCROLL, (vertical ? DFCS_SCROLLDOWN : DFCS_SCROLLRIGHT) | inactive | (pressed == kLineDown ? DFCS_PUSHED : 0));
  RECT track = span(g.trackStart, g.trackEnd);
  FillRect(dc, &track, TrackBrush());
  if (g.thumb) {
    RECT thumb = span(g.thumbStart, g.thumbStart + g.thumbLength);
    DrawEdge(dc, &thumb, EDGE_RAISED, BF_RECT | BF_MIDDLE);
  }
}

struct Tracker {
  bool active = false;
  HWND window = nullptr;
  int bar = SB_VERT;
  int part = kNone;
  int grab = 0;
  POINT last{};
};

Tracker& Track() {
  static Tracker tracker;
  return tracker;
}

void Notify(Window* w, int bar, int code, int pos) {
  HWND target = bar == SB_CTL ? GetParent(w->handle) : w->handle;
  bool vertical = bar == SB_CTL ? (w->style & SBS_VERT) : bar == SB_VERT;
  LPARAM control = bar == SB_CTL ? reinterpret_cast<LPARAM>(w->handle) : 0;
  SendMessage(target, vertical ? WM_VSCROLL : WM_HSCROLL, MAKEWPARAM(static_cast<unsigned>(code), static_cast<unsigned>(pos)), control);
}

void Redraw(Window* w, int bar) {
  if (bar == SB_CTL) {
    InvalidateRect(w->handle, nullptr, FALSE);
    return;
  }
  HDC dc = GetWindowDC(w->handle);
  PaintOwnScrollBars(w, dc);
  ReleaseDC(w->handle, dc);
}

// Where the mouse is along the bar, and the bar's geometry now.
bool Locate(Window* w, int bar, POINT screen, Geometry& g, int& along) {
  ScrollBarState* s = StateOf(w, bar);
  if (!s) return false;
  bool vertical;
  RECT r = ScreenRect(w, bar, vertical);
  int length = vertical ? Height(r) : Width(r), thickness = vertical ? Width(r) : Height(r);
  g = Measure(length, thickness, *s, s->tracking ? s->trackPos : s->pos);
  along = vertical ? screen.y - r.top : screen.x - r.left;
  return true;
}

void EndTracking() {
  Tracker& t = Track();
  if (!t.active) return;
  t.active = false;
  SetMouseInterceptor(nullptr);
  if (Window* w = FindWindowObject(t.window)) {
    KillTimer(t.window, kRepeatTimer);
    if (ScrollBarState* s = StateOf(w, t.bar)) s->tracking = false;
  }
}

void RepeatStep(HWND, UINT, UINT_PTR, DWORD) {
  Tracker& t = Track();
  Window* w = FindWindowObject(t.window);
  if (!t.active || !w) return;
  SetTimer(t.window, kRepeatTimer, 50, RepeatStep);
  Geometry g;
  int along;
  // Repeats only while the mouse stays over the part pressed.
  if (Locate(w, t.bar, t.last, g, along) && PartAt(g, along) == t.part) {
    Notify(w, t.bar, t.part, 0);
    if ((w = FindWindowObject(t.window))) Redraw(w, t.bar);
  }
}

bool Intercept(UINT message, POINT screen) {
  Tracker& t = Track();
  Window* w = FindWindowObject(t.window);
  if (!t.active || !w) {
    EndTracking();
    return false;
  }
  t.last = screen;
  ScrollBarState* s = StateOf(w, t.bar);
  if (!s) { EndTracking(); return true; }
  if (message == WM_MOUSEMOVE && t.part == kThumb) {
    Geometry g;
    int along;
    Locate(w, t.bar, screen, g, along);
    int track = g.trackEnd - g.trackStart - g.thumbLength;
    int start = std::clamp(along - t.grab, g.trackStart, g.trackStart + std::max(track, 0));
    int span = MaxPos(*s) - s->min;
    int pos = track > 0 ? s->min + static_cast<int>((static_cast<long long>(start - g.trackStart) * span * 2 + track) / (2LL * track)) : s->min;
    if (pos != s->trackPos) {
      s->trackPos = pos;
      Notify(w, t.bar, SB_THUMBTRACK, pos);
      if ((w = FindWindowObject(t.window))) Redraw(w, t.bar);
    }
  } else if (message == WM_LBUTTONUP) {
    int bar = t.bar, part = t.part, pos = s->trackPos;
    HWND h = t.window;
    EndTracking();
    if (part == kThumb) Notify(w, bar, SB_THUMBPOSITION, pos);
    if ((w = FindWindowObject(h))) Notify(w, bar, SB_ENDSCROLL, 0);
    if ((w = FindWindowObject(h))) Redraw(w, bar);
  }
  return true;
}

void ShowOwnBar(Window* w, int bar, bool show) {
  DWORD bit = bar == SB_VERT ? WS_VSCROLL : WS_HSCROLL;
  if (static_cast<bool>(w->style & bit) == show) return;
  if (show) w->style |= bit;
  else w->style &= ~bit;
  SetWindowPos(w->handle, nullptr, 0, 0, 0, 0, SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

ScrollBarState* WritableState(Window* w, int bar) {
  if (!w) return nullptr;
  if (bar == SB_VERT) return &w->vbar;
  if (bar == SB_HORZ) return &w->hbar;
  return StateOf(w, bar);
}

}  // namespace

void PaintOwnScrollBars(Window* w, HDC dc) {
  Tracker& t = Track();
  int pressed = t.active && t.window == w->handle ? t.part : kNone;
  if (w->style & WS_VSCROLL) PaintBar(dc, VerticalBarRect(w), true, w->vbar, t.bar == SB_VERT ? pressed : kNone);
  if (w->style & WS_HSCROLL) PaintBar(dc, HorizontalBarRect(w), false, w->hbar, t.bar == SB_HORZ ? pressed : kNone);
  if ((w->style & WS_VSCROLL) && (w->style & WS_HSCROLL)) {
    RECT v = VerticalBarRect(w), h = HorizontalBarRect(w);
    RECT grip{v.left, h.top, v.right, h.bottom};
    FillRect(dc, &grip, GetSysColorBrush(COLOR_BTNFACE));
  }
}

bool StartScrollTracking(Window* w, int bar, POINT screen) {
  CancelScrollTracking();
  Geometry g;
  int along;
  if (!Locate(w, bar, screen, g, along)) return false;
  int part = PartAt(g, along);
  if (part == kNone) return false;
  Tracker& t = Track();
  t = Tracker{true, w->handle, bar, part, along - g.thumbStart, screen};
  SetMouseInterceptor(Intercept);
  ScrollBarState* s = StateOf(w, bar);
  if (part == kThumb) {
    s->tracking = true;
    s->trackPos = s->pos;
  } else {
    Notify(w, bar, part, 0);
    if (FindWindowObject(t.window)) SetTimer(t.window, kRepeatTimer, 400, RepeatStep);
  }
  if ((w = FindWindowObject(t.window))) Redraw(w, bar);
  return true;
}

void CancelScrollTracking() { EndTracking(); }

LRESULT ScrollBarControlProc(HWND h, UINT message, WPARAM wp, LPARAM lp) {
  Window* w = FindWindowObject(h);
  if (!w) return 0;
  switch (message) {
    case WM_NCCREATE:
      // Classes built on this one are scroll-bar controls too.
      w->scrollBarControl = true;
      w->vbar = ScrollBarState{0, 0, 0, 0, 0, false, false};
      return DefWindowProc(h, message, wp, lp);
    case WM_ERASEBKGND: return 1;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(h, &ps);
      RECT all{0, 0, w->ClientWidth(), w->ClientHeight()};
      Tracker& t = Track();
      PaintBar(dc, all, w->style & SBS_VERT, w->vbar, t.active && t.window == h ? t.part : kNone);
      EndPaint(h, &ps);
      return 0;
    }
    case WM_LBUTTONDOWN: case WM_LBUTTONDBLCLK: {
      POINT p{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
      ClientToScreen(h, &p);
      StartScrollTracking(w, SB_CTL, p);
      return 0;
    }
    case SBM_SETSCROLLINFO: return SetScrollInfo(h, SB_CTL, reinterpret_cast<const SCROLLINFO*>(lp), static_cast<BOOL>(wp));
    case SBM_GETSCROLLINFO: return GetScrollInfo(h, SB_CTL, reinterpret_cast<SCROLLINFO*>(lp));
    case SBM_SETPOS: return SetScrollPos(h, SB_CTL, static_cast<int>(wp), static_cast<BOOL>(lp));
    case SBM_GETPOS: return GetScrollPos(h, SB_CTL);
    case SBM_SETRANGE: return SetScrollRange(h, SB_CTL, static_cast<int>(wp), static_cast<int>(lp), FALSE);
    case SBM_GETRANGE: return GetScrollRange(h, SB_CTL, reinterpret_cast<int*>(wp), reinterpret_cast<int*>(lp));
    default: return DefWindowProc(h, message, wp, lp);
  }
}

}  // namespace platform

using namespace platform;

int SetScrollInfo(HWND window, int bar, const SCROLLINFO* info, BOOL redraw) {
  Window* w = FindWindowObject(window);
  ScrollBarState* s = WritableState(w, bar);
  if (!s || !info) return 0;
  if (info->fMask & SIF_RANGE) {
    s->min = info->nMin;
    s->max = std::max(info->nMin, info->nMax);
  }
  int range = s->max - s->min + 1;
  if (info->fMask & SIF_PAGE) s->page = static_cast<int>(std::min<UINT>(info->nPage, static_cast<UINT>(std::max(range, 0))));
  else s->page = std::min(s->page, range);
  if (info->fMask & SIF_POS) s->pos = info->nPos;
  s->pos = std::clamp(s->pos, s->min, std::max(s->min, MaxPos(*s)));
  if (bar != SB_CTL) {
    // The window's own bars come and go with the need to scroll.
    bool keep = info->fMask & SIF_DISABLENOSCROLL;
    s->disabled = keep && !Scrollable(*s);
    ShowOwnBar(w, bar, Scrollable(*s) || keep);
    if (!(w = FindWindowObject(window))) return 0;
  }
  if (redraw) Redraw(w, bar);
  return s->pos;
}

BOOL GetScrollInfo(HWND window, int bar, SCROLLINFO* info) {
  Window* w = FindWindowObject(window);
  ScrollBarState* s = StateOf(w, bar);
  if (!s || !info) return FALSE;
  if (info->fMask & SIF_RANGE) { info->nMin = s->min; info->nMax = s->max; }
  if (info->fMask & SIF_PAGE) info->nPage = static_cast<UINT>(s->page);
  if (info->fMask & SIF_POS) info->nPos = s->pos;
  if (info->fMask & SIF_TRACKPOS) info->nTrackPos = s->tracking ? s->trackPos : s->pos;
  return TRUE;
}

int SetScrollPos(HWND window, int bar, int pos, BOOL redraw) {
  Window* w = FindWindowObject(window);
  ScrollBarState* s = WritableState(w, bar);
  if (!s) return 0;
  int old = s->pos;
  SCROLLINFO si{sizeof si, SIF_POS, 0, 0, 0, pos, 0};
  SetScrollInfo(window, bar, &si, redraw);
  return old;
}

int GetScrollPos(HWND window, int bar) {
  Window* w = FindWindowObject(window);
  ScrollBarState* s = WritableState(w, bar);
  return s ? s->pos : 0;
}

BOOL SetScrollRange(HWND window, int bar, int min, int max, BOOL redraw) {
  SCROLLINFO si{sizeof si, SIF_RANGE, min, max, 0, 0, 0};
  Window* w = FindWindowObject(window);
  if (!WritableState(w, bar)) return FALSE;
  SetScrollInfo(window, bar, &si, redraw);
  return TRUE;
}

BOOL GetScrollRange(HWND window, int bar, int* min, int* max) {
  Window* w = FindWindowObject(window);
  ScrollBarState* s = WritableState(w, bar);
  if (!s) return FALSE;
  if (min) *min = s->min;
  if (max) *max = s->max;
  return TRUE;
}

BOOL ShowScrollBar(HWND window, int bar, BOOL show) {
  Window* w = FindWindowObject(window);
  if (!w) return FALSE;
  if (bar == SB_CTL) return ShowWindow(window, show ? SW_SHOW : SW_HIDE), TRUE;
  if (bar == SB_VERT || bar == SB_BOTH) ShowOwnBar(w, SB_VERT, show);
  if ((w = FindWindowObject(window)) && (bar == SB_HORZ || bar == SB_BOTH)) ShowOwnBar(w, SB_HORZ, show);
  return TRUE;
}

BOOL EnableScrollBar(HWND window, UINT bar, UINT arrows) {
  Window* w = FindWindowObject(window);
  if (!w) return FALSE;
  bool disable = arrows == ESB_DISABLE_BOTH;
  for (int b : {SB_HORZ, SB_VERT, SB_CTL}) {
    bool wanted = static_cast<int>(bar) == b || (bar == SB_BOTH && b != SB_CTL);
    if (ScrollBarState* s = wanted ? WritableState(w, b) : nullptr) {
      s->disabled = disable;
      if (b != SB_CTL && (w->style & (b == SB_VERT ? WS_VSCROLL : WS_HSCROLL))) Redraw(w, b);
      else if (b == SB_CTL) Redraw(w, b);
    }
  }
  return TRUE;
}
