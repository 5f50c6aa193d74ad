#include "platform/gui/Windowmanager.h"

#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <functional>

#include "platform/gui/Caret.h"
#include "platform/gui/Devicecontext.h"
#include "platform/gui/Display.h"
#include "platform/gui/Guilock.h"
#include "platform/gui/Input.h"
#include "platform/gui/Messagequeue.h"
#include "platform/gui/Painting.h"
#include "platform/gui/Rects.h"
#include "platform/gui/Sysmetrics.h"
#include "platform/gui/Windowclass.h"
#include "platform/gui/Windowdirectory.h"

namespace platform {

namespace {

std::vector<HWND>& PendingDestroys() {
  static std::vector<HWND> pending;
  return pending;
}

bool Busy(const Window* w) {
  if (w->calls > 0) return true;
  for (const Window* c : w->children)
    if (Busy(c)) return true;
  if (w->IsTopLevel())
    for (const Window* o : Desktop()->children)
      if (o->owner == w && Busy(o)) return true;
  return false;
}

void NotifyTopLevel(Window* w) {
  if (w->IsTopLevel()) CurrentDisplay().TopLevelChanged(w->handle);
}

LRESULT Send(Window* w, UINT m, WPARAM wp = 0, LPARAM lp = 0) { return SendMessage(w->handle, m, wp, lp); }

void SendDestroyTree(Window* w) {
  Send(w, WM_DESTROY);
  std::vector<HWND> kids;
  for (Window* c : w->children) kids.push_back(c->handle);
  for (HWND k : kids)
    if (Window* c = FindWindowObject(k)) SendDestroyTree(c);
}

void SendNcDestroyTree(Window* w) {
  std::vector<HWND> kids;
  for (Window* c : w->children) kids.push_back(c->handle);
  for (HWND k : kids)
    if (Window* c = FindWindowObject(k)) SendNcDestroyTree(c);
  Send(w, WM_NCDESTROY);
}

void FreeTree(Window* w) {
  while (!w->children.empty()) FreeTree(w->children.front());
  KillWindowTimers(w->handle);
  RemoveWindowDeviceContexts(w->handle);
  ForgetCaretOf(w->handle);
  for (Window* o : Desktop()->children)
    if (o->owner == w) o->owner = nullptr;
  auto& siblings = w->parent->children;
  siblings.erase(std::remove(siblings.begin(), siblings.end(), w), siblings.end());
  bool top = w->IsTopLevel();
  HWND h = w->handle;
  if (top) WithdrawWindow(h);
  RemoveWindowObject(h);
  if (top) CurrentDisplay().TopLevelDestroyed(h);
}

void DestroyNow(Window* w) {
  if (w->destroying) return;
  w->destroying = true;
  HWND h = w->handle;
  if (w->IsTopLevel()) {
    std::vector<HWND> owned;
    for (Window* o : Desktop()->children)
      if (o->owner == w) owned.push_back(o->handle);
    for (HWND o : owned)
      if (Window* ow = FindWindowObject(o)) DestroyNow(ow);
  }
  if (w->style & WS_VISIBLE)
    SetWindowPos(h, nullptr, 0, 0, 0, 0, SWP_HIDEWINDOW | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  ForgetInputOf(w);
  SendDestroyTree(w);
  if (Window* again = FindWindowObject(h)) SendNcDestroyTree(again);
  if (Window* again = FindWindowObject(h)) FreeTree(again);
}

// Index in the parent's list where a window goes for an insert-after handle.
void Restack(Window* w, HWND after) {
  auto& list = w->parent->children;
  list.erase(std::remove(list.begin(), list.end(), w), list.end());
  bool topLevel = w->IsTopLevel();
  if (after == HWND_TOPMOST && topLevel) w->exStyle |= WS_EX_TOPMOST;
  if (after == HWND_NOTOPMOST && topLevel) w->exStyle &= ~WS_EX_TOPMOST;
  bool topmost = topLevel && (w->exStyle & WS_EX_TOPMOST);
  // Topmost windows stay above the others.
  size_t firstPlain = 0;
  while (firstPlain < list.size() && topLevel && (list[firstPlain]->exStyle & WS_EX_TOPMOST)) ++firstPlain;
  size_t at;
  if (after == HWND_BOTTOM) at = topmost ? firstPlain : list.size();
  else if (after == HWND_TOP || after == HWND_TOPMOST || after == HWND_NOTOPMOST) at = topmost ? 0 : firstPlain;
  else {
    auto it = std::find_if(list.begin(), list.end(), [&](Window* s) { return s->handle == after; });
    at = it == list.end() ? (topmost ? 0 : firstPlain) : static_cast<size_t>(it - list.begin()) + 1;
    at = topmost ? std::min(at, firstPlain) : std::max(at, firstPlain);
  }
  list.insert(list.begin() + static_cast<long>(at), w);
}

void RecalcClient(Window* w) {
  RECT r = w->rect;
  Send(w, WM_NCCALCSIZE, FALSE, reinterpret_cast<LPARAM>(&r));
  int width = w->rect.right - w->rect.left, height = w->rect.bottom - w->rect.top;
  RECT c{r.left - w->rect.left, r.top - w->rect.top, r.right - w->rect.left, r.bottom - w->rect.top};
  c.left = std::clamp<LONG>(c.left, 0, width);
  c.top = std::clamp<LONG>(c.top, 0, height);
  c.right = std::clamp<LONG>(c.right, c.left, width);
  c.bottom = std::clamp<LONG>(c.bottom, c.top, height);
  w->client = c;
}

RECT MaximizedRect(Window* w) {
  if (w->IsTopLevel()) {
    RECT area;
    SystemParametersInfo(SPI_GETWORKAREA, 0, &area, 0);
    return area;
  }
  return RECT{0, 0, w->parent->ClientWidth(), w->parent->ClientHeight()};
}

void CollectDescendants(Window* w, std::vector<HWND>& out) {
  for (Window* c : w->children) {
    out.push_back(c->handle);
    CollectDescendants(c, out);
  }
}

BOOL Enumerate(const std::vector<HWND>& handles, WNDENUMPROC proc, LPARAM l) {
  if (!proc) return FALSE;
  for (HWND h : handles)
    if ((IsRemoteHandle(h) || FindWindowObject(h)) && !proc(h, l)) return FALSE;
  return TRUE;
}

}  // namespace

void RunPendingDestroys() {
  auto& pending = PendingDestroys();
  if (pending.empty()) return;
  std::vector<HWND> now;
  for (auto it = pending.begin(); it != pending.end();) {
    Window* w = FindWindowObject(*it);
    if (!w) { it = pending.erase(it); continue; }
    if (!Busy(w)) { now.push_back(*it); it = pending.erase(it); continue; }
    ++it;
  }
  for (HWND h : now)
    if (Window* w = FindWindowObject(h)) DestroyNow(w);
}

size_t WindowCount() { return AllWindowHandles().size() - 1; }

void MirrorWindowState(HWND window, DWORD state) {
  Window* w = FindWindowObject(window);
  if (!w || !w->IsTopLevel() || (w->style & (WS_MINIMIZE | WS_MAXIMIZE)) == state) return;
  if (!(w->style & (WS_MINIMIZE | WS_MAXIMIZE))) w->normalRect = w->rect;
  w->style = (w->style & ~(WS_MINIMIZE | WS_MAXIMIZE)) | state;
  if (state & WS_MINIMIZE) WindowHidden(w);
  if (!(w = FindWindowObject(window))) return;
  WPARAM kind = (state & WS_MINIMIZE) ? SIZE_MINIMIZED : (state & WS_MAXIMIZE) ? SIZE_MAXIMIZED : SIZE_RESTORED;
  SendMessage(window, WM_SIZE, kind, MAKELPARAM(w->ClientWidth(), w->ClientHeight()));
}

}  // namespace platform

using namespace platform;

HWND CreateWindowEx(DWORD exStyle, const char* className, const char* title, DWORD style, int x, int y,
                    int width, int height, HWND parent, HMENU menuOrId, HINSTANCE instance, void* param) {
  auto cls = className ? FindWindowClass(className) : nullptr;
  if (!cls) return nullptr;
  Window* parentWindow = Desktop();
  Window* owner = nullptr;
  if (style & WS_CHILD) {
    parentWindow = FindWindowObject(parent);
    if (!parentWindow) return nullptr;
  } else if (parent) {
    owner = TopLevelOf(FindWindowObject(parent));
  }
  bool wantVisible = style & WS_VISIBLE;
  DWORD startState = style & (WS_MINIMIZE | WS_MAXIMIZE);
  if (x == CW_USEDEFAULT) { x = 32; y = 32; }
  if (width == CW_USEDEFAULT) {
    SIZE s = CurrentDisplay().ScreenSize();
    width = s.cx * 3 / 4;
    height = s.cy * 3 / 4;
  }
  width = std::clamp(width, 0, Pixmap::kMaxSide);
  height = std::clamp(height, 0, Pixmap::kMaxSide);
  x = ClampCoord(x);
  y = ClampCoord(y);

  auto w = std::make_unique<Window>();
  w->cls = cls;
  w->proc = cls->info.lpfnWndProc;
  w->style = style & ~(WS_VISIBLE | WS_MINIMIZE | WS_MAXIMIZE);
  w->exStyle = exStyle;
  w->parent = parentWindow;
  w->owner = owner && !owner->IsDesktop() ? owner : nullptr;
  w->rect = RECT{x, y, x + width, y + height};
  w->normalRect = w->rect;
  w->id = (style & WS_CHILD) ? reinterpret_cast<LONG_PTR>(menuOrId) : 0;
  w->instance = instance;
  w->extra.assign(static_cast<size_t>(cls->info.cbWndExtra), 0);
  w->thread = CurrentThread();
  w->queue = CurrentQueue();
  bool topLevel = parentWindow->IsDesktop();
  if (topLevel) w->surface = std::make_shared<Pixmap>(width, height, false, 0xFFFFFF);
  Window* raw = w.get();
  HWND h = AddWindowObject(std::move(w));
  {
    GuiLock lock(GuiMutex());
    parentWindow->children.insert(parentWindow->children.begin(), raw);
    Restack(raw, HWND_TOP);
  }

  CREATESTRUCT cs{param, instance, menuOrId, parent, height, width, y, x, static_cast<LONG>(style),
                  title, className, exStyle};
  if (topLevel) {
    MINMAXINFO mmi{};
    SendMessage(h, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&mmi));
  }
  if (!FindWindowObject(h)) return nullptr;
  if (!SendMessage(h, WM_NCCREATE, 0, reinterpret_cast<LPARAM>(&cs))) {
    if (Window* again = FindWindowObject(h)) DestroyNow(again);
    return nullptr;
  }
  if (Window* again = FindWindowObject(h)) RecalcClient(again);
  if (SendMessage(h, WM_CREATE, 0, reinterpret_cast<LPARAM>(&cs)) == -1) {
    DestroyWindow(h);
    return nullptr;
  }
  Window* created = FindWindowObject(h);
  if (!created) return nullptr;
  SendMessage(h, WM_SIZE, SIZE_RESTORED, MAKELPARAM(created->ClientWidth(), created->ClientHeight()));
  if ((created = FindWindowObject(h)))
    SendMessage(h, WM_MOVE, 0, MAKELPARAM(created->rect.left + created->client.left, created->rect.top + created->client.top));
  if (!(created = FindWindowObject(h))) return nullptr;
  NotifyTopLevel(created);
  PublishWindow(h);
  if (wantVisible) {
    int cmd = (startState & WS_MAXIMIZE) ? SW_SHOWMAXIMIZED : (startState & WS_MINIMIZE) ? SW_SHOWMINIMIZED : SW_SHOW;
    ShowWindow(h, cmd);
  }
  return FindWindowObject(h) ? h : nullptr;
}

BOOL DestroyWindow(HWND window) {
  Window* w = FindWindowObject(window);
  if (!w || w->IsDesktop()) return FALSE;
  if (w->destroying) return TRUE;
  if (Busy(w)) {
    if (!w->destroyPending) {
      w->destroyPending = true;
      PendingDestroys().push_back(window);
    }
    return TRUE;
  }
  DestroyNow(w);
  return TRUE;
}

BOOL IsWindow(HWND window) {
  if (IsRemoteHandle(window)) return FindRemote(window).has_value();
  return FindWindowObject(window) != nullptr;
}

BOOL IsWindowVisible(HWND window) {
  Window* w = FindWindowObject(window);
  return w && VisibleChain(w);
}

BOOL IsWindowEnabled(HWND window) {
  Window* w = FindWindowObject(window);
  return w && !(w->style & WS_DISABLED);
}

BOOL IsIconic(HWND window) {
  Window* w = FindWindowObject(window);
  return w && (w->style & WS_MINIMIZE);
}

BOOL IsZoomed(HWND window) {
  Window* w = FindWindowObject(window);
  return w && (w->style & WS_MAXIMIZE);
}

BOOL IsChild(HWND parent, HWND window) {
  Window* p = FindWindowObject(parent);
  Window* w = FindWindowObject(window);
  if (!p || !w) return FALSE;
  // Only the chain of child windows counts.
  for (Window* x = w; x && x->IsChild(); x = x->parent)
    if (x->parent == p) return TRUE;
  return FALSE;
}

BOOL EnableWindow(HWND window, BOOL enable) {
  Window* w = FindWindowObject(window);
  if (!w) return FALSE;
  bool wasDisabled = w->style & WS_DISABLED;
  if (wasDisabled == !enable) return wasDisabled;
  if (enable) w->style &= ~WS_DISABLED;
  else {
    w->style |= WS_DISABLED;
    WindowDisabled(w);
  }
  w->ncDirty = true;
  SendMessage(window, WM_ENABLE, enable ? TRUE : FALSE, 0);
  return wasDisabled;
}

BOOL SetWindowPos(HWND window, HWND insertAfter, int x, int y, int width, int height, UINT flags) {
  Window* w = FindWindowObject(window);
  if (!w || w->IsDesktop()) return FALSE;
  WINDOWPOS wp{window, insertAfter, ClampCoord(x), ClampCoord(y), std::clamp(width, 0, Pixmap::kMaxSide),
               std::clamp(height, 0, Pixmap::kMaxSide), flags};
  if (flags & SWP_NOMOVE) { wp.x = w->rect.left; wp.y = w->rect.top; }
  if (flags & SWP_NOSIZE) { wp.cx = w->rect.right - w->rect.left; wp.cy = w->rect.bottom - w->rect.top; }
  if (!(flags & SWP_NOSENDCHANGING)) {
    SendMessage(window, WM_WINDOWPOSCHANGING, 0, reinterpret_cast<LPARAM>(&wp));
    if (!(w = FindWindowObject(window))) return FALSE;
  }
  RECT old = w->rect;
  bool wasVisible = VisibleChain(w);
  RECT next{wp.x, wp.y, wp.x + std::max(0, wp.cx), wp.y + std::max(0, wp.cy)};
  bool moved = next.left != old.left || next.top != old.top;
  bool sized = Width(next) != Width(old) || Height(next) != Height(old);
  if (!moved) wp.flags |= SWP_NOMOVE;
  if (!sized) wp.flags |= SWP_NOSIZE;
  w->rect = next;
  if (sized || (flags & SWP_FRAMECHANGED)) RecalcClient(w);
  if (w->IsTopLevel() && sized) w->surface->Resize(Width(next), Height(next), 0xFFFFFF);
  if (!(flags & SWP_NOZORDER)) {
    GuiLock lock(GuiMutex());
    Restack(w, insertAfter);
  }
  if (flags & SWP_SHOWWINDOW) w->style |= WS_VISIBLE;
  if (flags & SWP_HIDEWINDOW) w->style &= ~WS_VISIBLE;
  bool nowVisible = VisibleChain(w);

  if (!(flags & SWP_NOREDRAW)) {
    bool changed = moved || sized || (flags & (SWP_SHOWWINDOW | SWP_HIDEWINDOW | SWP_FRAMECHANGED)) ||
                   !(flags & SWP_NOZORDER);
    if (changed && !w->IsTopLevel() && wasVisible) ExposeArea(w->parent, old, w);
    bool repaintSelf = nowVisible && (!wasVisible || sized || (flags & SWP_FRAMECHANGED) ||
                                      (!w->IsTopLevel() && (moved || !(flags & SWP_NOZORDER))));
    if (repaintSelf) InvalidateWhole(w);
  }
  if (!nowVisible) w->update.Clear();
  NotifyTopLevel(w);
  if ((flags & SWP_HIDEWINDOW) && wasVisible) WindowHidden(w);
  if ((flags & SWP_SHOWWINDOW) && !(flags & SWP_NOACTIVATE) && w->IsTopLevel() && !wasVisible)
    ActivateWindowObject(w, WA_ACTIVE);
  SendMessage(window, WM_WINDOWPOSCHANGED, 0, reinterpret_cast<LPARAM>(&wp));
  return TRUE;
}

BOOL MoveWindow(HWND window, int x, int y, int width, int height, BOOL repaint) {
  return SetWindowPos(window, nullptr, x, y, width, height,
                      SWP_NOZORDER | SWP_NOACTIVATE | (repaint ? 0 : SWP_NOREDRAW));
}

BOOL BringWindowToTop(HWND window) {
  return SetWindowPos(window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

BOOL ShowWindow(HWND window, int command) {
  Window* w = FindWindowObject(window);
  if (!w || w->IsDesktop()) return FALSE;
  bool wasVisible = w->style & WS_VISIBLE;
  bool activate = w->IsTopLevel() && command != SW_SHOWNA && command != SW_SHOWNOACTIVATE &&
                  command != SW_SHOWMINNOACTIVE && command != SW_HIDE && command != SW_MINIMIZE;
  UINT noActivate = activate ? 0 : SWP_NOACTIVATE;
  auto remember = [&] {
    if (!(w->style & (WS_MINIMIZE | WS_MAXIMIZE))) w->normalRect = w->rect;
  };
  // WM_SIZE comes from the placement, with the kind the new state gives.
  auto place = [&](const RECT& r, DWORD state) {
    w->style = (w->style & ~(WS_MINIMIZE | WS_MAXIMIZE)) | state;
    if (!wasVisible) SendMessage(window, WM_SHOWWINDOW, TRUE, 0);
    if (!(w = FindWindowObject(window))) return;
    SetWindowPos(window, HWND_TOP, r.left, r.top, Width(r), Height(r),
                 SWP_SHOWWINDOW | SWP_FRAMECHANGED | noActivate | (w->IsTopLevel() ? 0 : SWP_NOZORDER));
  };
  switch (command) {
    case SW_HIDE:
      if (!wasVisible) return FALSE;
      SendMessage(window, WM_SHOWWINDOW, FALSE, 0);
      SetWindowPos(window, nullptr, 0, 0, 0, 0, SWP_HIDEWINDOW | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
      return TRUE;
    case SW_SHOWMAXIMIZED:
      remember();
      place(MaximizedRect(w), WS_MAXIMIZE);
      return wasVisible;
    case SW_SHOWMINIMIZED: case SW_MINIMIZE: case SW_SHOWMINNOACTIVE:
      remember();
      // Iconic windows live far outside the screen, as the system keeps them.
      place(RECT{-32000, -32000, -31840, -31976}, WS_MINIMIZE);
      if ((w = FindWindowObject(window)) && w->IsTopLevel()) WindowHidden(w);
      return wasVisible;
    case SW_RESTORE: case SW_SHOWNORMAL: case SW_SHOWNOACTIVATE: case SW_SHOWDEFAULT:
      if (w->style & (WS_MINIMIZE | WS_MAXIMIZE)) {
        place(w->normalRect, 0);
        return wasVisible;
      }
      [[fallthrough]];
    default:
      if (!wasVisible) {
        SendMessage(window, WM_SHOWWINDOW, TRUE, 0);
        SetWindowPos(window, HWND_TOP, 0, 0, 0, 0,
                     SWP_SHOWWINDOW | SWP_NOMOVE | SWP_NOSIZE | noActivate | (activate ? 0 : SWP_NOZORDER));
      } else if (activate) {
        ActivateWindowObject(w, WA_ACTIVE);
      }
      return wasVisible;
  }
}

BOOL GetWindowPlacement(HWND window, WINDOWPLACEMENT* p) {
  Window* w = FindWindowObject(window);
  if (!w || !p) return FALSE;
  p->flags = 0;
  p->showCmd = (w->style & WS_MINIMIZE) ? SW_SHOWMINIMIZED : (w->style & WS_MAXIMIZE) ? SW_SHOWMAXIMIZED : SW_SHOWNORMAL;
  p->ptMinPosition = POINT{-1, -1};
  p->ptMaxPosition = POINT{-1, -1};
  p->rcNormalPosition = (w->style & (WS_MINIMIZE | WS_MAXIMIZE)) ? w->normalRect : w->rect;
  return TRUE;
}

BOOL SetWindowPlacement(HWND window, const WINDOWPLACEMENT* p) {
  Window* w = FindWindowObject(window);
  if (!w || !p) return FALSE;
  RECT r = p->rcNormalPosition;
  if (w->IsTopLevel() && (w->style & WS_CAPTION) == WS_CAPTION) {
    RECT area;
    SystemParametersInfo(SPI_GETWORKAREA, 0, &area, 0);
    const LONG width = std::min(Width(r), Width(area)), height = std::min(Height(r), Height(area));
    const LONG left = std::clamp(r.left, area.left, area.right - width);
    const LONG top = std::clamp(r.top, area.top, area.bottom - height);
    r = RECT{left, top, left + width, top + height};
    w->placement = Window::Placement::Remembered;
  }
  if (w->style & (WS_MINIMIZE | WS_MAXIMIZE)) w->normalRect = r;
  else SetWindowPos(window, nullptr, r.left, r.top, Width(r), Height(r), SWP_NOZORDER | SWP_NOACTIVATE);
  ShowWindow(window, static_cast<int>(p->showCmd));
  return TRUE;
}

namespace platform {
void SetPlacementKind(HWND window, Window::Placement kind) {
  if (Window* w = FindWindowObject(window)) w->placement = kind;
}
}  // namespace platform

BOOL GetWindowRect(HWND window, RECT* r) {
  Window* w = FindWindowObject(window);
  if (!w || !r) return FALSE;
  POINT o = ScreenOrigin(w);
  *r = RECT{o.x, o.y, o.x + Width(w->rect), o.y + Height(w->rect)};
  return TRUE;
}

BOOL GetClientRect(HWND window, RECT* r) {
  Window* w = FindWindowObject(window);
  if (!w || !r) return FALSE;
  *r = RECT{0, 0, w->ClientWidth(), w->ClientHeight()};
  return TRUE;
}

BOOL ClientToScreen(HWND window, POINT* p) {
  Window* w = FindWindowObject(window);
  if (!w || !p) return FALSE;
  POINT o = ClientScreenOrigin(w);
  p->x += o.x;
  p->y += o.y;
  return TRUE;
}

BOOL ScreenToClient(HWND window, POINT* p) {
  Window* w = FindWindowObject(window);
  if (!w || !p) return FALSE;
  POINT o = ClientScreenOrigin(w);
  p->x -= o.x;
  p->y -= o.y;
  return TRUE;
}

int MapWindowPoints(HWND from, HWND to, POINT* points, UINT count) {
  Window* f = from ? FindWindowObject(from) : Desktop();
  Window* t = to ? FindWindowObject(to) : Desktop();
  if (!f || !t) return 0;
  POINT a = ClientScreenOrigin(f), b = ClientScreenOrigin(t);
  int dx = a.x - b.x, dy = a.y - b.y;
  for (UINT i = 0; points && i < count; ++i) {
    points[i].x += dx;
    points[i].y += dy;
  }
  return MAKELONG(static_cast<unsigned>(dx), static_cast<unsigned>(dy));
}

LONG_PTR GetWindowLong(HWND window, int index) {
  Window* w = FindWindowObject(window);
  if (!w) return 0;
  switch (index) {
    case GWL_STYLE: return w->style;
    case GWL_EXSTYLE: return w->exStyle;
    case GWL_WNDPROC: return reinterpret_cast<LONG_PTR>(w->proc);
    case GWL_USERDATA: return w->userData;
    case GWL_ID: return w->id;
    case GWL_HINSTANCE: return reinterpret_cast<LONG_PTR>(w->instance);
    case GWL_HWNDPARENT:
      return reinterpret_cast<LONG_PTR>(w->IsChild() ? w->parent->handle : (w->owner ? w->owner->handle : nullptr));
    default: break;
  }
  if (index < 0) return 0;
  size_t at = static_cast<size_t>(index);
  LONG_PTR v = 0;
  if (at + sizeof v <= w->extra.size()) std::memcpy(&v, w->extra.data() + at, sizeof v);
  else if (at + sizeof(LONG) <= w->extra.size()) {
    LONG small;
    std::memcpy(&small, w->extra.data() + at, sizeof small);
    v = small;
  }
  return v;
}

LONG_PTR SetWindowLong(HWND window, int index, LONG_PTR value) {
  Window* w = FindWindowObject(window);
  if (!w) return 0;
  LONG_PTR old = GetWindowLong(window, index);
  switch (index) {
    case GWL_STYLE: w->style = static_cast<DWORD>(value); return old;
    case GWL_EXSTYLE: w->exStyle = static_cast<DWORD>(value); return old;
    case GWL_WNDPROC: if (value) w->proc = reinterpret_cast<WNDPROC>(value); return old;
    case GWL_USERDATA: w->userData = value; return old;
    case GWL_ID: w->id = value; return old;
    case GWL_HINSTANCE: w->instance = reinterpret_cast<HINSTANCE>(value); return old;
    case GWL_HWNDPARENT: {
      Window* o = FindWindowObject(reinterpret_cast<HWND>(value));
      if (!w->IsChild()) w->owner = o ? TopLevelOf(o) : nullptr;
      return old;
    }
    default: break;
  }
  if (index < 0) return 0;
  size_t at = static_cast<size_t>(index);
  if (at + sizeof value <= w->extra.size()) std::memcpy(w->extra.data() + at, &value, sizeof value);
  else if (at + sizeof(LONG) <= w->extra.size()) {
    LONG small = static_cast<LONG>(value);
    std::memcpy(w->extra.data() + at, &small, sizeof small);
  } else {
    return 0;
  }
  return old;
}

namespace {
// The text of a window of another thread is read as stored: asking that thread could
// wait for ever when it does not look at its queue.
bool StoredText(HWND window, std::string& text) {
  GuiLock lock(GuiMutex());
  Window* w = FindWindowObject(window);
  if (!w || w->thread == CurrentThread()) return false;
  text = w->text;
  return true;
}
}  // namespace

int GetWindowText(HWND window, char* buffer, int size) {
  if (!buffer || size <= 0) return 0;
  buffer[0] = 0;
  std::string stored;
  if (StoredText(window, stored)) {
    int n = std::min(static_cast<int>(stored.size()), size - 1);
    std::memcpy(buffer, stored.data(), n);
    buffer[n] = 0;
    return n;
  }
  return static_cast<int>(SendMessage(window, WM_GETTEXT, static_cast<WPARAM>(size), reinterpret_cast<LPARAM>(buffer)));
}

int GetWindowTextLength(HWND window) {
  std::string stored;
  if (StoredText(window, stored)) return static_cast<int>(stored.size());
  return static_cast<int>(SendMessage(window, WM_GETTEXTLENGTH, 0, 0));
}

BOOL SetWindowText(HWND window, const char* text) {
  return SendMessage(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text ? text : "")) ? TRUE : FALSE;
}

HWND GetParent(HWND window) {
  Window* w = FindWindowObject(window);
  if (!w || w->IsDesktop()) return nullptr;
  if (w->IsChild()) return w->parent->handle;
  return (w->style & WS_POPUP) && w->owner ? w->owner->handle : nullptr;
}

HWND SetParent(HWND window, HWND parent) {
  Window* w = FindWindowObject(window);
  Window* p = parent ? FindWindowObject(parent) : Desktop();
  if (!w || !p || w->IsDesktop() || p == w || IsAncestor(w, p)) return nullptr;
  Window* old = w->parent;
  bool visible = VisibleChain(w);
  if (visible && !w->IsTopLevel()) ExposeArea(old, w->rect, w);
  {
    GuiLock lock(GuiMutex());
    auto& list = old->children;
    list.erase(std::remove(list.begin(), list.end(), w), list.end());
    w->parent = p;
    p->children.insert(p->children.begin(), w);
  }
  bool topNow = w->IsTopLevel();
  if (topNow && !w->surface) w->surface = std::make_shared<Pixmap>(Width(w->rect), Height(w->rect), false, 0xFFFFFF);
  if (!topNow) w->surface.reset();
  if (old->IsDesktop()) {
    WithdrawWindow(window);
    CurrentDisplay().TopLevelDestroyed(window);
  }
  NotifyTopLevel(w);
  PublishWindow(window);
  if (VisibleChain(w)) InvalidateWhole(w);
  return old->handle;
}

HWND GetWindow(HWND window, UINT relation) {
  Window* w = FindWindowObject(window);
  if (!w) return nullptr;
  if (relation == GW_CHILD) return w->children.empty() ? nullptr : w->children.front()->handle;
  if (relation == GW_OWNER) return w->owner ? w->owner->handle : nullptr;
  if (w->IsDesktop()) return nullptr;
  const auto& list = w->parent->children;
  auto it = std::find(list.begin(), list.end(), w);
  switch (relation) {
    case GW_HWNDFIRST: return list.front()->handle;
    case GW_HWNDLAST: return list.back()->handle;
    case GW_HWNDNEXT: return it + 1 == list.end() ? nullptr : (*(it + 1))->handle;
    case GW_HWNDPREV: return it == list.begin() ? nullptr : (*(it - 1))->handle;
    default: return nullptr;
  }
}

HWND GetAncestor(HWND window, UINT flags) {
  Window* w = FindWindowObject(window);
  if (!w || w->IsDesktop()) return nullptr;
  switch (flags) {
    case GA_PARENT: return w->parent->handle;
    case GA_ROOT: return TopLevelOf(w)->handle;
    case GA_ROOTOWNER: {
      Window* r = TopLevelOf(w);
      while (r->owner) r = r->owner;
      return r->handle;
    }
    default: return nullptr;
  }
}

HWND GetTopWindow(HWND window) { return GetWindow(window ? window : Desktop()->handle, GW_CHILD); }
HWND GetDesktopWindow() { return Desktop()->handle; }

HWND GetDlgItem(HWND parent, int id) {
  Window* p = FindWindowObject(parent);
  if (!p) return nullptr;
  for (Window* c : p->children)
    if (c->id == id) return c->handle;
  return nullptr;
}

int GetDlgCtrlID(HWND window) {
  Window* w = FindWindowObject(window);
  return w && w->IsChild() ? static_cast<int>(w->id) : 0;
}

HWND FindWindowEx(HWND parent, HWND after, const char* className, const char* title) {
  Window* p = parent ? FindWindowObject(parent) : Desktop();
  if (!p) return nullptr;
  bool started = after == nullptr;
  for (Window* c : p->children) {
    if (!started) { started = c->handle == after; continue; }
    if (c->destroying) continue;
    if (className && !SameName(c->cls->name, className)) continue;
    if (title && c->text != title) continue;
    return c->handle;
  }
  // Then the windows that other processes published.
  if (!parent && !IsRemoteHandle(after))
    for (const RemoteWindow& r : RemoteWindows())
      if ((!className || SameName(r.className, className)) && (!title || r.title == title)) return r.handle;
  return nullptr;
}

HWND FindWindow(const char* className, const char* title) { return FindWindowEx(nullptr, nullptr, className, title); }

BOOL EnumWindows(WNDENUMPROC proc, LPARAM l) {
  std::vector<HWND> tops;
  for (Window* c : Desktop()->children) tops.push_back(c->handle);
  for (const RemoteWindow& r : RemoteWindows()) tops.push_back(r.handle);
  return Enumerate(tops, proc, l);
}

BOOL EnumChildWindows(HWND parent, WNDENUMPROC proc, LPARAM l) {
  Window* p = parent ? FindWindowObject(parent) : Desktop();
  if (!p) return FALSE;
  std::vector<HWND> all;
  CollectDescendants(p, all);
  return Enumerate(all, proc, l);
}

BOOL EnumThreadWindows(DWORD thread, WNDENUMPROC proc, LPARAM l) {
  std::vector<HWND> tops;
  for (Window* c : Desktop()->children)
    if (c->thread == static_cast<long>(thread)) tops.push_back(c->handle);
  return Enumerate(tops, proc, l);
}

DWORD GetWindowThreadProcessId(HWND window, DWORD* process) {
  if (auto r = FindRemote(window)) {
    if (process) *process = static_cast<DWORD>(r->process);
    return static_cast<DWORD>(r->thread);
  }
  Window* w = FindWindowObject(window);
  if (!w) return 0;
  if (process) *process = static_cast<DWORD>(::getpid());
  return static_cast<DWORD>(w->thread);
}

BOOL SetProp(HWND window, const char* name, HANDLE data) {
  Window* w = FindWindowObject(window);
  if (!w || !name) return FALSE;
  w->props[name] = data;
  return TRUE;
}

HANDLE GetProp(HWND window, const char* name) {
  Window* w = FindWindowObject(window);
  if (!w || !name) return nullptr;
  auto it = w->props.find(name);
  return it == w->props.end() ? nullptr : it->second;
}

HANDLE RemoveProp(HWND window, const char* name) {
  Window* w = FindWindowObject(window);
  if (!w || !name) return nullptr;
  auto it = w->props.find(name);
  if (it == w->props.end()) return nullptr;
  HANDLE h = it->second;
  w->props.erase(it);
  return h;
}
