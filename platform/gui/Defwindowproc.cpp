#include "platform/gui/Defwindowproc.h"

#include <algorithm>
#include <cstring>

#include "platform/gui/Cursor.h"
#include "platform/gui/Display.h"
#include "platform/gui/Drawedge.h"
#include "platform/gui/Drawtext.h"
#include "platform/gui/Frametracking.h"
#include "platform/gui/Gdiobjects.h"
#include "platform/gui/Input.h"
#include "platform/gui/Messagequeue.h"
#include "platform/gui/Painting.h"
#include "platform/gui/Rects.h"
#include "platform/gui/Scrollbar.h"
#include "platform/gui/Shapes.h"
#include "platform/gui/Syscolors.h"
#include "platform/gui/Sysmetrics.h"
#include "platform/gui/Text.h"
#include "platform/gui/Windowdirectory.h"
#include "platform/gui/Windowmanager.h"

namespace platform {

namespace {

HFONT CaptionFont() {
  static HFONT font = [] {
    auto o = std::make_unique<GdiObject>();
    o->kind = OBJ_FONT;
    o->stock = true;
    LOGFONT& f = o->font.logfont;
    f.lfHeight = -11;
    f.lfWeight = FW_BOLD;
    std::strncpy(f.lfFaceName, "Sans Serif", LF_FACESIZE - 1);
    o->font.face = CurrentFontEngine().Realize(f);
    return static_cast<HFONT>(AddGdiObject(std::move(o)));
  }();
  return font;
}

// Fills the ring between two rectangles.
void FillRing(HDC dc, const RECT& outer, const RECT& inner, HBRUSH brush) {
  RECT parts[] = {{outer.left, outer.top, outer.right, inner.top},
                  {outer.left, inner.bottom, outer.right, outer.bottom},
                  {outer.left, inner.top, inner.left, inner.bottom},
                  {inner.right, inner.top, outer.right, inner.bottom}};
  for (RECT& r : parts)
    if (!Empty(r)) FillRect(dc, &r, brush);
}

HCURSOR CursorForHit(LRESULT hit) {
  switch (hit) {
    case HTLEFT: case HTRIGHT: return StockCursor(CursorShape::SizeWE);
    case HTTOP: case HTBOTTOM: return StockCursor(CursorShape::SizeNS);
    case HTTOPLEFT: case HTBOTTOMRIGHT: return StockCursor(CursorShape::SizeNWSE);
    case HTTOPRIGHT: case HTBOTTOMLEFT: return StockCursor(CursorShape::SizeNESW);
    default: return StockCursor(CursorShape::Arrow);
  }
}

LRESULT SetCursorMessage(Window* w, WPARAM wp, LPARAM lp) {
  LRESULT hit = static_cast<SHORT>(LOWORD(lp));
  // A parent may decide for its children first.
  if (w->IsChild() && SendMessage(w->parent->handle, WM_SETCURSOR, wp, lp)) return TRUE;
  if (!(w = FindWindowObject(w->handle))) return FALSE;
  if (hit == HTCLIENT) {
    if (w->cls->info.hCursor) {
      SetCursor(w->cls->info.hCursor);
      return TRUE;
    }
    return FALSE;
  }
  if (hit == HTERROR) return FALSE;
  SetCursor(CursorForHit(hit));
  return TRUE;
}

void WindowPosChanged(Window* w, const WINDOWPOS* wp) {
  HWND h = w->handle;
  if (!(wp->flags & SWP_NOMOVE))
    SendMessage(h, WM_MOVE, 0, MAKELPARAM(static_cast<unsigned>(w->rect.left + w->client.left),
                                          static_cast<unsigned>(w->rect.top + w->client.top)));
  if (!(wp->flags & SWP_NOSIZE) && (w = FindWindowObject(h))) {
    WPARAM kind = (w->style & WS_MINIMIZE) ? SIZE_MINIMIZED : (w->style & WS_MAXIMIZE) ? SIZE_MAXIMIZED : SIZE_RESTORED;
    SendMessage(h, WM_SIZE, kind, MAKELPARAM(static_cast<unsigned>(w->ClientWidth()), static_cast<unsigned>(w->ClientHeight())));
  }
}

}  // namespace

LRESULT NonClientHitTest(Window* w, POINT screen) {
  POINT o = ScreenOrigin(w);
  POINT p{screen.x - o.x, screen.y - o.y};
  int width = Width(w->rect), height = Height(w->rect);
  if (p.x < 0 || p.y < 0 || p.x >= width || p.y >= height) return HTNOWHERE;
  if (PtInRect(&w->client, p)) return HTCLIENT;
  RECT v = VerticalBarRect(w), h = HorizontalBarRect(w);
  if (PtInRect(&v, p)) return HTVSCROLL;
  if (PtInRect(&h, p)) return HTHSCROLL;
  if (!Empty(v) && !Empty(h) && p.x >= v.left && p.x < v.right && p.y >= h.top && p.y < h.bottom)
    return (w->style & WS_THICKFRAME) ? HTBOTTOMRIGHT : HTBORDER;
  RECT close = CloseButtonRect(w);
  if (PtInRect(&close, p)) return HTCLOSE;
  RECT caption = CaptionRect(w);
  if (PtInRect(&caption, p)) return HTCAPTION;
  if (w->style & WS_THICKFRAME) {
    int frame = GetSystemMetrics(SM_CXFRAME), corner = GetSystemMetrics(SM_CXSIZE);
    bool left = p.x < frame, right = p.x >= width - frame, top = p.y < frame, bottom = p.y >= height - frame;
    bool nearLeft = p.x < corner, nearRight = p.x >= width - corner;
    bool nearTop = p.y < corner, nearBottom = p.y >= height - corner;
    if ((top && nearLeft) || (left && nearTop)) return HTTOPLEFT;
    if ((top && nearRight) || (right && nearTop)) return HTTOPRIGHT;
    if ((bottom && nearLeft) || (left && nearBottom)) return HTBOTTOMLEFT;
    if ((bottom && nearRight) || (right && nearBottom)) return HTBOTTOMRIGHT;
    if (left) return HTLEFT;
    if (right) return HTRIGHT;
    if (top) return HTTOP;
    if (bottom) return HTBOTTOM;
  }
  return HTBORDER;
}

void PaintNonClient(Window* w) {
  HDC dc = GetWindowDC(w->handle);
  if (!dc) return;
  RECT r{0, 0, Width(w->rect), Height(w->rect)};
  HBRUSH face = GetSysColorBrush(COLOR_BTNFACE);
  if (w->style & (WS_THICKFRAME | WS_DLGFRAME) || (w->exStyle & WS_EX_DLGMODALFRAME)) {
    int frame = GetSystemMetrics((w->style & WS_THICKFRAME) ? SM_CXFRAME : SM_CXDLGFRAME);
    RECT inner = r;
    DrawEdge(dc, &inner, EDGE_RAISED, BF_RECT | BF_ADJUST);
    RECT content = r;
    InflateRect(&content, -frame, -frame);
    FillRing(dc, inner, content, face);
    r = content;
  } else if (w->style & WS_BORDER) {
    FrameRect(dc, &r, GetSysColorBrush(COLOR_WINDOWFRAME));
    InflateRect(&r, -1, -1);
  }
  RECT caption = CaptionRect(w);
  if (!Empty(caption)) {
    bool active = w->ncActive;
    FillRect(dc, &caption, GetSysColorBrush(active ? COLOR_ACTIVECAPTION : COLOR_INACTIVECAPTION));
    HGDIOBJ old = SelectObject(dc, CaptionFont());
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(active ? COLOR_CAPTIONTEXT : COLOR_INACTIVECAPTIONTEXT));
    RECT text = caption;
    text.left += 4;
    RECT close = CloseButtonRect(w);
    if (!Empty(close)) text.right = close.left - 2;
    DrawText(dc, w->text.c_str(), static_cast<int>(w->text.size()), &text,
             DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
    SelectObject(dc, old);
    if (!Empty(close)) DrawFrameControl(dc, &close, DFC_CAPTION, DFCS_CAPTIONCLOSE);
    RECT below{caption.left, caption.bottom, caption.right, caption.bottom + 1};
    FillRect(dc, &below, face);
    r.top = caption.bottom + 1;
  }
  if (w->exStyle & WS_EX_CLIENTEDGE) DrawEdge(dc, &r, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
  else if (w->exStyle & WS_EX_STATICEDGE) DrawEdge(dc, &r, BDR_SUNKENOUTER, BF_RECT | BF_ADJUST);
  PaintOwnScrollBars(w, dc);
  ReleaseDC(w->handle, dc);
}

}  // namespace platform

using namespace platform;

LRESULT DefWindowProc(HWND h, UINT message, WPARAM wp, LPARAM lp) {
  Window* w = FindWindowObject(h);
  if (!w) return 0;
  switch (message) {
    case WM_NCCREATE: {
      auto* cs = reinterpret_cast<const CREATESTRUCT*>(lp);
      if (cs && cs->lpszName) w->text = cs->lpszName;
      return TRUE;
    }
    case WM_NCCALCSIZE: {
      auto* r = reinterpret_cast<RECT*>(lp);
      if (!r) return 0;
      RECT insets = NonClientInsets(w->style, w->exStyle);
      r->left += insets.left;
      r->top += insets.top;
      r->right -= insets.right;
      r->bottom -= insets.bottom;
      return 0;
    }
    case WM_NCHITTEST: return NonClientHitTest(w, POINT{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)});
    case WM_NCPAINT: PaintNonClient(w); return 0;
    case WM_NCACTIVATE:
      w->ncActive = wp != 0;
      if ((w->style & WS_CAPTION) == WS_CAPTION) w->ncDirty = true;
      return TRUE;
    case WM_ERASEBKGND: {
      HBRUSH brush = w->cls->info.hbrBackground;
      if (!brush) return 0;
      RECT all{0, 0, w->ClientWidth(), w->ClientHeight()};
      FillRect(reinterpret_cast<HDC>(wp), &all, brush);
      return 1;
    }
    case WM_PAINT: {
      PAINTSTRUCT ps;
      BeginPaint(h, &ps);
      EndPaint(h, &ps);
      return 0;
    }
    case WM_SETTEXT:
      w->text = lp ? reinterpret_cast<const char*>(lp) : "";
      if ((w->style & WS_CAPTION) == WS_CAPTION) w->ncDirty = true;
      if (w->IsTopLevel()) {
        CurrentDisplay().TopLevelChanged(h);
        PublishWindow(h);
      }
      return TRUE;
    case WM_GETTEXT: {
      auto* buffer = reinterpret_cast<char*>(lp);
      if (!buffer || wp == 0) return 0;
      size_t n = std::min(w->text.size(), static_cast<size_t>(wp) - 1);
      std::memcpy(buffer, w->text.data(), n);
      buffer[n] = 0;
      return static_cast<LRESULT>(n);
    }
    case WM_GETTEXTLENGTH: return static_cast<LRESULT>(w->text.size());
    case WM_CLOSE: DestroyWindow(h); return 0;
    case WM_SYSCOMMAND:
      switch (wp & 0xFFF0) {
        case SC_CLOSE: SendMessage(TopLevelOf(w)->handle, WM_CLOSE, 0, 0); return 0;
        case SC_MINIMIZE: ShowWindow(h, SW_MINIMIZE); return 0;
        case SC_MAXIMIZE: ShowWindow(h, SW_SHOWMAXIMIZED); return 0;
        case SC_RESTORE: ShowWindow(h, SW_RESTORE); return 0;
        default: return 0;
      }
    case WM_SYSKEYDOWN:
      if (wp == VK_F4 && (lp & (LPARAM{1} << 29)))
        SendMessage(TopLevelOf(w)->handle, WM_SYSCOMMAND, SC_CLOSE, 0);
      return 0;
    case WM_SETCURSOR: return SetCursorMessage(w, wp, lp);
    case WM_MOUSEACTIVATE:
      if (w->IsChild()) {
        LRESULT r = SendMessage(w->parent->handle, WM_MOUSEACTIVATE, wp, lp);
        if (r) return r;
      }
      return MA_ACTIVATE;
    case WM_ACTIVATE:
      if (LOWORD(wp) != WA_INACTIVE && !HIWORD(wp)) SetFocus(h);
      return 0;
    case WM_WINDOWPOSCHANGED:
      if (lp) WindowPosChanged(w, reinterpret_cast<const WINDOWPOS*>(lp));
      return 0;
    case WM_GETMINMAXINFO: {
      auto* mmi = reinterpret_cast<MINMAXINFO*>(lp);
      if (!mmi) return 0;
      int cx = GetSystemMetrics(SM_CXSCREEN), cy = GetSystemMetrics(SM_CYSCREEN);
      mmi->ptMaxSize = POINT{cx, cy};
      mmi->ptMaxPosition = POINT{0, 0};
      mmi->ptMinTrackSize = POINT{GetSystemMetrics(SM_CXMINTRACK), GetSystemMetrics(SM_CYMINTRACK)};
      mmi->ptMaxTrackSize = POINT{cx + 2 * GetSystemMetrics(SM_CXFRAME), cy + 2 * GetSystemMetrics(SM_CYFRAME)};
      return 0;
    }
    case WM_NCLBUTTONDOWN: case WM_NCLBUTTONDBLCLK: {
      POINT p{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
      if (wp == HTVSCROLL) StartScrollTracking(w, SB_VERT, p);
      else if (wp == HTHSCROLL) StartScrollTracking(w, SB_HORZ, p);
      else if (message == WM_NCLBUTTONDBLCLK && wp == HTCAPTION && (w->style & WS_MAXIMIZEBOX))
        ShowWindow(h, (w->style & WS_MAXIMIZE) ? SW_RESTORE : SW_SHOWMAXIMIZED);
      else if (message == WM_NCLBUTTONDOWN)
        StartFrameTracking(w, static_cast<LRESULT>(wp), p);
      return 0;
    }
    case WM_NCLBUTTONUP:
      if (wp == HTCLOSE) SendMessage(h, WM_SYSCOMMAND, SC_CLOSE, lp);
      return 0;
    case WM_MOUSEWHEEL:
      if (w->IsChild()) return SendMessage(w->parent->handle, message, wp, lp);
      return 0;
    case WM_SETREDRAW:
      w->redraw = wp != 0;
      return 0;
    case WM_CANCELMODE:
      CancelScrollTracking();
      if (GetCapture() == h) ReleaseCapture();
      return 0;
    case WM_QUERYENDSESSION: return TRUE;
    default: return 0;
  }
}
