#include "platform/forms/Menuloop.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "platform/forms/Tapplication.h"
#include "platform/forms/Tform.h"
#include "platform/forms/Tmenu.h"
#include "platform/forms/Tscreen.h"
#include "platform/forms/Ttoolbar.h"
#include "platform/gui/Gui.h"

namespace {

constexpr int kBorder = 3;
constexpr int kCheckSpace = 20;
constexpr int kArrowSpace = 20;

struct Level {
  TMenuItem* parent = nullptr;
  HWND window = nullptr;
  int selected = -1;
  RECT screen{};
  std::vector<RECT> items;  // client coordinates, by item index (empty: hidden)
};

struct Loop {
  std::vector<Level> levels;
  TMainMenu* bar = nullptr;
  TCustomForm* form = nullptr;
  int barIndex = -1;
  TMenuItem* chosen = nullptr;
  bool done = false;
  HWND captureWindow = nullptr;
  // Opened from the keyboard outside a menu bar: Left and Right at the top level end it
  // asking for the menu beside it.
  bool byKeyboard = false;
  int step = 0;
};

Loop* current = nullptr;
bool nextByKeyboard = false;  // the next popup menu is opened from the keyboard
int lastStep = 0;             // what the last one opened so asked for
std::function<void()> idleHook;

HFONT MenuFont() { return Screen->MenuFont()->Handle(); }

SIZE MeasureText(HDC dc, const std::string& text) {
  RECT r{0, 0, 0, 0};
  DrawText(dc, text.c_str(), static_cast<int>(text.size()), &r, DT_SINGLELINE | DT_CALCRECT);
  return SIZE{r.right - r.left, r.bottom - r.top};
}

int LineHeight(HDC dc) {
  TEXTMETRIC tm{};
  GetTextMetrics(dc, &tm);
  return tm.tmHeight + 8;
}

Level* FindLevel(HWND window) {
  if (!current) return nullptr;
  for (Level& l : current->levels)
    if (l.window == window) return &l;
  return nullptr;
}

void PaintItemText(HDC dc, RECT r, const std::string& text, UINT format, bool enabled, bool selected) {
  SetBkMode(dc, TRANSPARENT);
  if (!enabled && !selected) {
    RECT shadow = r;
    OffsetRect(&shadow, 1, 1);
    SetTextColor(dc, GetSysColor(COLOR_BTNHIGHLIGHT));
    DrawText(dc, text.c_str(), static_cast<int>(text.size()), &shadow, format);
  }
  SetTextColor(dc, !enabled ? GetSysColor(COLOR_GRAYTEXT)
                            : selected ? GetSysColor(COLOR_HIGHLIGHTTEXT) : GetSysColor(COLOR_MENUTEXT));
  DrawText(dc, text.c_str(), static_cast<int>(text.size()), &r, format);
}

void PaintLevel(Level& level, HDC dc) {
  RECT all{};
  GetClientRect(level.window, &all);
  FillRect(dc, &all, GetSysColorBrush(COLOR_MENU));
  RECT edge = all;
  DrawEdge(dc, &edge, EDGE_RAISED, BF_RECT);
  HGDIOBJ oldFont = SelectObject(dc, MenuFont());
  for (int i = 0; i < level.parent->Count(); ++i) {
    RECT r = level.items[i];
    if (platform::Empty(r)) continue;
    TMenuItem* item = level.parent->Items(i);
    if (item->IsLine()) {
      RECT line{r.left + 1, (r.top + r.bottom) / 2 - 1, r.right - 1, (r.top + r.bottom) / 2 + 1};
      DrawEdge(dc, &line, EDGE_ETCHED, BF_TOP);
      continue;
    }
    bool selected = i == level.selected;
    if (selected) FillRect(dc, &r, GetSysColorBrush(COLOR_HIGHLIGHT));
    COLORREF ink = selected ? GetSysColor(COLOR_HIGHLIGHTTEXT) : GetSysColor(COLOR_MENUTEXT);
    if (item->Checked()) {
      int cx = r.left + kCheckSpace / 2, cy = (r.top + r.bottom) / 2;
      HBRUSH b = CreateSolidBrush(ink);
      if (item->RadioItem()) {
        RECT dot{cx - 3, cy - 3, cx + 3, cy + 3};
        FillRect(dc, &dot, b);
      } else {
        for (int k = 0; k < 3; ++k) {
          RECT a{cx - 4 + k, cy - 1 + k, cx - 3 + k, cy + 2 + k};
          FillRect(dc, &a, b);
        }
        for (int k = 0; k < 5; ++k) {
          RECT a{cx - 1 + k, cy + 1 - k, cx + k, cy + 4 - k};
          FillRect(dc, &a, b);
        }
      }
      DeleteObject(b);
    }
    RECT text{r.left + kCheckSpace, r.top, r.right - kArrowSpace, r.bottom};
    PaintItemText(dc, text, item->Caption(), DT_SINGLELINE | DT_VCENTER | DT_LEFT, item->Enabled(), selected);
    if (item->ShortCut()) {
      std::string sc = ShortCutToText(item->ShortCut());
      PaintItemText(dc, text, sc, DT_SINGLELINE | DT_VCENTER | DT_RIGHT | DT_NOPREFIX, item->Enabled(), selected);
    }
    if (item->Count() > 0) {
      int cx = r.right - kArrowSpace / 2, cy = (r.top + r.bottom) / 2;
      HBRUSH b = CreateSolidBrush(ink);
      for (int k = 0; k < 4; ++k) {
        RECT a{cx - 2 + k, cy - 3 + k, cx - 1 + k, cy + 4 - k};
        FillRect(dc, &a, b);
      }
      DeleteObject(b);
    }
  }
  SelectObject(dc, oldFont);
}

LRESULT MenuWindowProc(HWND window, UINT message, WPARAM w, LPARAM l) {
  switch (message) {
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(window, &ps);
      if (Level* level = FindLevel(window)) PaintLevel(*level, dc);
      EndPaint(window, &ps);
      return 0;
    }
    case WM_ERASEBKGND: return 1;
    case WM_MOUSEACTIVATE: return MA_NOACTIVATE;
    default: return DefWindowProc(window, message, w, l);
  }
}

const char* MenuClass() {
  static bool registered = false;
  if (!registered) {
    WNDCLASS wc{};
    wc.lpfnWndProc = MenuWindowProc;
    wc.hCursor = LoadCursor(nullptr, MAKEINTRESOURCE(IDC_ARROW));
    wc.lpszClassName = "#MenuPopup";
    RegisterClass(&wc);
    registered = true;
  }
  return "#MenuPopup";
}

bool Selectable(TMenuItem* item) { return item->Visible() && !item->IsLine(); }

void Redraw(Level& level) { InvalidateRect(level.window, nullptr, TRUE); }

void CloseLevelsFrom(Loop& loop, size_t index) {
  while (loop.levels.size() > index) {
    DestroyWindow(loop.levels.back().window);
    loop.levels.pop_back();
  }
}

// Opens the items of parent as a new level near a screen point; alternative is where to
// go when it does not fit (the left edge of the level that opened it).
void OpenLevel(Loop& loop, TMenuItem* parent, int x, int y, int alternativeX, int alternativeBottom) {
  Level level;
  level.parent = parent;
  level.items.assign(parent->Count(), RECT{0, 0, 0, 0});
  HDC dc = GetDC(nullptr);
  HGDIOBJ oldFont = SelectObject(dc, MenuFont());
  int lineHeight = LineHeight(dc);
  int width = 80, top = kBorder;
  for (int i = 0; i < parent->Count(); ++i) {
    TMenuItem* item = parent->Items(i);
    if (!item->Visible()) continue;
    int h = item->IsLine() ? 8 : lineHeight;
    int wItem = kCheckSpace + MeasureText(dc, item->Caption()).cx + kArrowSpace;
    if (item->ShortCut()) wItem += 24 + MeasureText(dc, ShortCutToText(item->ShortCut())).cx;
    width = std::max(width, wItem);
    level.items[i] = RECT{kBorder, top, 0, top + h};
    top += h;
  }
  SelectObject(dc, oldFont);
  ReleaseDC(nullptr, dc);
  for (RECT& r : level.items)
    if (r.bottom > r.top) r.right = kBorder + width;
  int w = width + 2 * kBorder, h = top + kBorder;
  int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
  if (x + w > sw) x = std::max(0, alternativeX - w);
  if (y + h > sh) y = std::max(0, alternativeBottom - h);
  level.screen = RECT{x, y, x + w, y + h};
  level.window = CreateWindowEx(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, MenuClass(), "", WS_POPUP, x, y, w, h, nullptr,
                                nullptr, nullptr, nullptr);
  loop.levels.push_back(level);
  // Painted at once: the level's window finds its loop while it is shown, before the
  // loop runs (a first menu opens before its loop starts).
  Loop* outer = current;
  current = &loop;
  ShowWindow(level.window, SW_SHOWNA);
  UpdateWindow(level.window);
  current = outer;
}

void OpenSubmenu(Loop& loop, size_t index, bool selectFirst) {
  Level& level = loop.levels[index];
  if (level.selected < 0) return;
  TMenuItem* item = level.parent->Items(level.selected);
  CloseLevelsFrom(loop, index + 1);
  if (item->Count() == 0 || !item->Enabled()) return;
  // An item's OnClick runs before its submenu opens, so that it can fill the submenu.
  if (item->OnClick) item->OnClick(item);
  if (item->Count() == 0) return;
  RECT r = level.items[level.selected];
  OpenLevel(loop, item, level.screen.right - kBorder, level.screen.top + r.top - kBorder, level.screen.left,
            level.screen.top + r.bottom + kBorder);
  if (selectFirst) {
    Level& sub = loop.levels.back();
    for (int i = 0; i < item->Count(); ++i)
      if (Selectable(item->Items(i))) {
        sub.selected = i;
        break;
      }
    Redraw(sub);
  }
}

void Select(Loop& loop, size_t index, int item) {
  Level& level = loop.levels[index];
  if (level.selected == item) return;
  level.selected = item;
  Redraw(level);
  if (item >= 0 && level.parent->Items(item)->Hint().size()) Application->SetHint(level.parent->Items(item)->Hint());
}

void Step(Loop& loop, int direction) {
  Level& level = loop.levels.back();
  int n = level.parent->Count();
  if (n == 0) return;
  int i = level.selected;
  for (int k = 0; k < n; ++k) {
    i = i < 0 ? (direction > 0 ? 0 : n - 1) : (i + direction + n) % n;
    if (Selectable(level.parent->Items(i))) {
      Select(loop, loop.levels.size() - 1, i);
      return;
    }
  }
}

void Choose(Loop& loop, TMenuItem* item) {
  if (!item->Enabled() || item->IsLine()) return;
  loop.chosen = item;
  loop.done = true;
}

void OpenBarItem(Loop& loop, int index, bool selectFirst) {
  CloseLevelsFrom(loop, 0);
  loop.barIndex = index;
  platform::menus::RedrawBar(loop.form);
  TMenuItem* item = loop.bar->Items()->Items(index);
  if (item->OnClick) item->OnClick(item);
  if (item->Count() == 0) return;
  RECT r = loop.bar->ItemRect(loop.form, index);
  RECT wr{};
  GetWindowRect(loop.form->Handle(), &wr);
  OpenLevel(loop, item, wr.left + r.left, wr.top + r.bottom, wr.left + r.right, wr.top + r.top);
  if (selectFirst) {
    Step(loop, 1);
  }
  SetCapture(loop.captureWindow);
}

void StepBar(Loop& loop, int direction) {
  int n = loop.bar->Items()->Count();
  int i = loop.barIndex;
  for (int k = 0; k < n; ++k) {
    i = (i + direction + n) % n;
    if (loop.bar->Items()->Items(i)->Visible()) {
      OpenBarItem(loop, i, true);
      return;
    }
  }
}

void HandleKey(Loop& loop, const MSG& msg) {
  if (msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN) {
    switch (msg.wParam) {
      case VK_ESCAPE:
        if (loop.levels.size() > 1) CloseLevelsFrom(loop, loop.levels.size() - 1);
        else loop.done = true;
        return;
      case VK_UP:
        if (!loop.levels.empty()) Step(loop, -1);
        return;
      case VK_DOWN:
        if (loop.levels.empty() && loop.bar) OpenBarItem(loop, loop.barIndex, true);
        else if (!loop.levels.empty()) Step(loop, 1);
        return;
      case VK_RIGHT: {
        if (!loop.levels.empty()) {
          Level& top = loop.levels.back();
          if (top.selected >= 0 && top.parent->Items(top.selected)->Count() > 0) {
            OpenSubmenu(loop, loop.levels.size() - 1, true);
            return;
          }
        }
        if (loop.bar) StepBar(loop, 1);
        else if (loop.byKeyboard) loop.step = 1, loop.done = true;
        return;
      }
      case VK_LEFT:
        if (loop.levels.size() > 1) CloseLevelsFrom(loop, loop.levels.size() - 1);
        else if (loop.bar) StepBar(loop, -1);
        else if (loop.byKeyboard) loop.step = -1, loop.done = true;
        return;
      case VK_RETURN: {
        if (loop.levels.empty()) {
          if (loop.bar) OpenBarItem(loop, loop.barIndex, true);
          return;
        }
        Level& top = loop.levels.back();
        if (top.selected < 0) return;
        TMenuItem* item = top.parent->Items(top.selected);
        if (item->Count() > 0) OpenSubmenu(loop, loop.levels.size() - 1, true);
        else Choose(loop, item);
        return;
      }
      case VK_MENU:
      case VK_F10:
        loop.done = true;
        return;
      default:
        return;
    }
  }
  if (msg.message == WM_CHAR || msg.message == WM_SYSCHAR) {
    char want = GetHotkey(std::string("&") + static_cast<char>(msg.wParam));
    if (loop.levels.empty()) return;
    size_t index = loop.levels.size() - 1;
    Level& top = loop.levels[index];
    for (int i = 0; i < top.parent->Count(); ++i) {
      TMenuItem* item = top.parent->Items(i);
      if (!Selectable(item) || GetHotkey(item->Caption()) != want) continue;
      Select(loop, index, i);
      if (item->Count() > 0) OpenSubmenu(loop, index, true);
      else Choose(loop, item);
      return;
    }
  }
}

void HandleMouse(Loop& loop, const MSG& msg) {
  POINT p = msg.pt;
  for (size_t li = loop.levels.size(); li-- > 0;) {
    Level& level = loop.levels[li];
    if (!PtInRect(&level.screen, p)) continue;
    POINT c{p.x - level.screen.left, p.y - level.screen.top};
    int hit = -1;
    for (int i = 0; i < level.parent->Count(); ++i)
      if (PtInRect(&level.items[i], c) && Selectable(level.parent->Items(i))) hit = i;
    if (msg.message == WM_MOUSEMOVE) {
      if (hit >= 0 && hit != level.selected) {
        Select(loop, li, hit);
        OpenSubmenu(loop, li, false);
      }
    } else if ((msg.message == WM_LBUTTONUP || msg.message == WM_RBUTTONUP) && hit >= 0) {
      TMenuItem* item = level.parent->Items(hit);
      if (item->Count() == 0) Choose(loop, item);
    }
    return;
  }
  if (loop.bar) {
    RECT wr{};
    GetWindowRect(loop.form->Handle(), &wr);
    int index = loop.bar->ItemAt(loop.form, POINT{p.x - wr.left, p.y - wr.top});
    if (index >= 0) {
      if (msg.message == WM_MOUSEMOVE && index != loop.barIndex && !loop.levels.empty()) OpenBarItem(loop, index, false);
      if ((msg.message == WM_LBUTTONDOWN || msg.message == WM_NCLBUTTONDOWN) && index == loop.barIndex) loop.done = true;
      if ((msg.message == WM_LBUTTONDOWN || msg.message == WM_NCLBUTTONDOWN) && index != loop.barIndex)
        OpenBarItem(loop, index, false);
      return;
    }
  }
  if (msg.message != WM_MOUSEMOVE && msg.message != WM_NCMOUSEMOVE && msg.message != WM_LBUTTONUP &&
      msg.message != WM_RBUTTONUP)
    loop.done = true;  // a press outside the menu cancels it
}

bool IsMouse(UINT m) { return (m >= WM_MOUSEFIRST && m <= WM_MOUSELAST) || (m >= WM_NCMOUSEMOVE && m <= WM_NCMBUTTONDBLCLK); }
bool IsKey(UINT m) { return m >= WM_KEYFIRST && m <= WM_KEYLAST; }

void RunLoop(Loop& loop) {
  Loop* outer = current;
  current = &loop;
  SetCapture(loop.captureWindow);
  while (!loop.done) {
    MSG msg;
    if (!PeekMessage(&msg, nullptr, 0, 0, PM_NOREMOVE) && idleHook) idleHook();
    if (loop.done) break;
    if (!GetMessage(&msg, nullptr, 0, 0)) {
      PostQuitMessage(static_cast<int>(msg.wParam));
      break;
    }
    if (IsKey(msg.message)) {
      if (msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN) TranslateMessage(&msg);
      HandleKey(loop, msg);
      continue;
    }
    if (IsMouse(msg.message)) {
      HandleMouse(loop, msg);
      continue;
    }
    if (msg.message == WM_CAPTURECHANGED) continue;
    TranslateMessage(&msg);
    DispatchMessage(&msg);
    if (loop.form && !IsWindowVisible(loop.form->Handle())) loop.done = true;
  }
  CloseLevelsFrom(loop, 0);
  if (GetCapture() == loop.captureWindow) ReleaseCapture();
  current = outer;
  if (loop.form) platform::menus::RedrawBar(loop.form);
}

HWND CaptureOwner() {
  // The menu's own hidden window holds the mouse while it is open.
  static HWND window = nullptr;
  if (!window || !IsWindow(window))
    window = CreateWindowEx(WS_EX_TOOLWINDOW, MenuClass(), "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
  return window;
}

}  // namespace

namespace platform {

std::vector<HWND> OpenMenuWindows() {
  std::vector<HWND> list;
  if (current)
    for (Level& l : current->levels) list.push_back(l.window);
  return list;
}

void SetMenuLoopIdleHook(std::function<void()> Hook) { idleHook = std::move(Hook); }

}  // namespace platform

namespace platform::menus {

void TrackPopupMenu(TPopupMenu* Menu, int X, int Y) {
  Loop loop;
  loop.byKeyboard = std::exchange(nextByKeyboard, false);
  loop.captureWindow = CaptureOwner();
  TMenuItem* items = Menu->Items();
  bool any = false;
  for (int i = 0; i < items->Count(); ++i) any |= items->Items(i)->Visible();
  if (!any) return;
  if (Menu->Alignment() == paRight || Menu->Alignment() == paCenter) {
    OpenLevel(loop, items, X, Y, X, Y);
    Level& l = loop.levels.back();
    int w = l.screen.right - l.screen.left;
    int nx = Menu->Alignment() == paRight ? X - w : X - w / 2;
    CloseLevelsFrom(loop, 0);
    X = std::max(0, nx);
  }
  OpenLevel(loop, items, X, Y, X, Y);
  if (loop.byKeyboard) Step(loop, 1);
  // The tool button the menu drops from may be freed while the menu is open (its bar rebuilt).
  auto* button = dynamic_cast<TToolButton*>(Menu->PopupComponent());
  const TControlGuard buttonGuard(button);
  RunLoop(loop);
  DestroyWindow(loop.captureWindow);
  lastStep = loop.step;
  if (buttonGuard.Alive()) button->MenuClosed();
  if (loop.chosen) loop.chosen->Click();
}

int OpenPopupByKeyboard(const std::function<void()>& Open) {
  nextByKeyboard = true;
  lastStep = 0;
  Open();
  nextByKeyboard = false;
  return std::exchange(lastStep, 0);
}

void TrackMainMenu(TMainMenu* Menu, TCustomForm* Form, int Index, bool ByKeyboard) {
  Loop loop;
  loop.bar = Menu;
  loop.form = Form;
  loop.captureWindow = CaptureOwner();
  OpenBarItem(loop, Index, ByKeyboard);
  RunLoop(loop);
  DestroyWindow(loop.captureWindow);
  TMenuItem* chosen = loop.chosen;
  if (chosen) chosen->Click();
}

void RedrawBar(TCustomForm* Form) {
  TMainMenu* menu = Form->Menu();
  if (!menu || !Form->HandleAllocated()) return;
  HDC dc = GetWindowDC(Form->Handle());
  int selected = current && current->form == Form ? current->barIndex : -1;
  menu->PaintBar(Form, dc, selected);
  ReleaseDC(Form->Handle(), dc);
}

}  // namespace platform::menus

// ---- the bar of a main menu

int TMainMenu::Height() const { return GetSystemMetrics(SM_CYMENU); }

RECT TMainMenu::BarRect(TCustomForm* Form) const {
  HWND h = Form->Handle();
  RECT in = platform::NonClientInsets(static_cast<DWORD>(GetWindowLong(h, GWL_STYLE)),
                                      static_cast<DWORD>(GetWindowLong(h, GWL_EXSTYLE)));
  RECT wr{};
  GetWindowRect(h, &wr);
  return RECT{in.left, in.top, (wr.right - wr.left) - in.right, in.top + Height()};
}

RECT TMainMenu::ItemRect(TCustomForm* Form, int Index) const {
  RECT bar = BarRect(Form);
  HDC dc = GetDC(nullptr);
  HGDIOBJ old = SelectObject(dc, MenuFont());
  int x = bar.left;
  RECT result{0, 0, 0, 0};
  for (int i = 0; i < Items()->Count(); ++i) {
    TMenuItem* item = Items()->Items(i);
    if (!item->Visible()) continue;
    int w = MeasureText(dc, item->Caption()).cx + 14;
    if (i == Index) result = RECT{x, bar.top, x + w, bar.bottom};
    x += w;
  }
  SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
  return result;
}

int TMainMenu::ItemAt(TCustomForm* Form, POINT WindowPoint) const {
  for (int i = 0; i < Items()->Count(); ++i) {
    if (!Items()->Items(i)->Visible()) continue;
    RECT r = ItemRect(Form, i);
    if (PtInRect(&r, WindowPoint)) return i;
  }
  return -1;
}

void TMainMenu::PaintBar(TCustomForm* Form, HDC WindowDc, int Selected) const {
  RECT bar = BarRect(Form);
  FillRect(WindowDc, &bar, GetSysColorBrush(COLOR_MENU));
  HGDIOBJ old = SelectObject(WindowDc, MenuFont());
  for (int i = 0; i < Items()->Count(); ++i) {
    TMenuItem* item = Items()->Items(i);
    if (!item->Visible()) continue;
    RECT r = ItemRect(Form, i);
    if (i == Selected) {
      RECT e = r;
      DrawEdge(WindowDc, &e, BDR_SUNKENOUTER, BF_RECT);
    }
    PaintItemText(WindowDc, r, item->Caption(), DT_SINGLELINE | DT_VCENTER | DT_CENTER, item->Enabled(), false);
  }
  SelectObject(WindowDc, old);
}
