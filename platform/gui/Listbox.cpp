#include "platform/gui/Listbox.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "platform/gui/Defwindowproc.h"
#include "platform/gui/Drawedge.h"
#include "platform/gui/Fontengine.h"
#include "platform/gui/Gdiobjects.h"
#include "platform/gui/Input.h"
#include "platform/gui/Messagequeue.h"
#include "platform/gui/Painting.h"
#include "platform/gui/Rects.h"
#include "platform/gui/Scrollbar.h"
#include "platform/gui/Shapes.h"
#include "platform/gui/Syscolors.h"
#include "platform/gui/Tabbedtext.h"
#include "platform/gui/Text.h"
#include "platform/gui/Windowmanager.h"
#include "platform/kernel/Codepage.h"

namespace platform {

namespace {

constexpr const char* kStateProp = "#ListBoxState";

struct Item {
  std::string text;
  LONG_PTR data = 0;
  bool selected = false;
  int height = 0;  // variable owner drawing only
};

struct ListState {
  std::vector<Item> items;
  int current = -1;  // the selection of a single-selection box; the caret of the others
  int anchor = -1;
  int top = 0;
  int itemHeight = 0;
  bool heightKnown = false;  // fixed owner drawing asks its parent on first need
  int extent = 0;
  int scrollX = 0;
  int columnWidth = 0;
  std::vector<int> tabs;
  HFONT font = nullptr;
  bool tracking = false;
  bool inScrollUpdate = false;
  bool vertical = false, horizontal = false;  // bars asked for at creation; they come and go with the need
};

ListState* StateOf(HWND h) { return static_cast<ListState*>(GetProp(h, kStateProp)); }

DWORD StyleOf(HWND h) { return static_cast<DWORD>(GetWindowLong(h, GWL_STYLE)); }
bool OwnerDrawn(DWORD s) { return s & (LBS_OWNERDRAWFIXED | LBS_OWNERDRAWVARIABLE); }
bool Variable(DWORD s) { return (s & LBS_OWNERDRAWVARIABLE) && !(s & LBS_MULTICOLUMN); }
bool HasStrings(DWORD s) { return !OwnerDrawn(s) || (s & LBS_HASSTRINGS); }
bool Multi(DWORD s) { return s & (LBS_MULTIPLESEL | LBS_EXTENDEDSEL); }
bool Columns(DWORD s) { return s & LBS_MULTICOLUMN; }

RECT Client(HWND h) {
  RECT r{};
  GetClientRect(h, &r);
  return r;
}

int Count(const ListState& s) { return static_cast<int>(s.items.size()); }
bool Valid(const ListState& s, int i) { return i >= 0 && i < Count(s); }

// Sorting and searching ignore the case of the code page's letters.
int CompareTextNoCase(const std::string& a, const std::string& b) {
  return AnsiLowerCase(a).compare(AnsiLowerCase(b));
}

void Notify(HWND h, WORD code) {
  if (!(StyleOf(h) & LBS_NOTIFY)) return;
  HWND parent = GetParent(h);
  if (parent) SendMessage(parent, WM_COMMAND, MAKEWPARAM(static_cast<unsigned>(GetDlgCtrlID(h)), code), reinterpret_cast<LPARAM>(h));
}

// The metrics of the list's font.
TEXTMETRIC FontMetrics(HWND h, ListState& s) {
  HDC dc = GetDC(h);
  HGDIOBJ old = s.font ? SelectObject(dc, s.font) : nullptr;
  TEXTMETRIC tm{};
  GetTextMetrics(dc, &tm);
  if (old) SelectObject(dc, old);
  ReleaseDC(h, dc);
  return tm;
}

int FontHeight(HWND h, ListState& s) { return std::max<int>(1, FontMetrics(h, s).tmHeight); }

int Measure(HWND h, ListState& s, int index) {
  MEASUREITEMSTRUCT m{ODT_LISTBOX, static_cast<UINT>(GetDlgCtrlID(h)), static_cast<UINT>(index),
                      static_cast<UINT>(Client(h).right), static_cast<UINT>(s.itemHeight),
                      Valid(s, index) ? static_cast<ULONG_PTR>(s.items[index].data) : 0, h};
  if (HWND parent = GetParent(h)) SendMessage(parent, WM_MEASUREITEM, static_cast<WPARAM>(GetDlgCtrlID(h)), reinterpret_cast<LPARAM>(&m));
  return std::max<int>(1, static_cast<int>(m.itemHeight));
}

int ItemHeight(HWND h, ListState& s) {
  if (!s.heightKnown) {
    s.heightKnown = true;
    s.itemHeight = FontHeight(h, s);
    if (StyleOf(h) & LBS_OWNERDRAWFIXED) s.itemHeight = Measure(h, s, 0);
  }
  return s.itemHeight;
}

int HeightOf(HWND h, ListState& s, int index) {
  if (Variable(StyleOf(h)) && Valid(s, index)) return s.items[index].height;
  return ItemHeight(h, s);
}

int RowsPerColumn(HWND h, ListState& s) { return std::max(1, static_cast<int>(Client(h).bottom) / ItemHeight(h, s)); }

int ColumnWidth(HWND h, ListState& s) {
  return s.columnWidth > 0 ? s.columnWidth : std::max(1, static_cast<int>(Client(h).right));
}

// The item's rectangle in client coordinates; items above the top one lie above 0.
RECT ItemRect(HWND h, ListState& s, int index) {
  RECT c = Client(h);
  if (Columns(StyleOf(h))) {
    int rows = RowsPerColumn(h, s), cw = ColumnWidth(h, s), ih = ItemHeight(h, s);
    int col = index / rows - s.top / rows, row = index % rows;
    return RECT{col * cw, row * ih, col * cw + cw, row * ih + ih};
  }
  int y = 0;
  if (Variable(StyleOf(h))) {
    if (index >= s.top) {
      for (int i = s.top; i < index; ++i) y += HeightOf(h, s, i);
    } else {
      for (int i = index; i < s.top; ++i) y -= HeightOf(h, s, i);
    }
  } else {
    y = (index - s.top) * ItemHeight(h, s);
  }
  int width = std::max(static_cast<int>(c.right), s.extent);
  return RECT{-s.scrollX, y, width - s.scrollX, y + HeightOf(h, s, index)};
}

// Items that fit wholly into the client height from the top one (at least one).
int FullyVisible(HWND h, ListState& s, int from) {
  if (Columns(StyleOf(h))) {
    int cols = std::max(1, static_cast<int>(Client(h).right) / ColumnWidth(h, s));
    return cols * RowsPerColumn(h, s);
  }
  int height = Client(h).bottom, y = 0, n = 0;
  for (int i = from; i < Count(s); ++i) {
    y += HeightOf(h, s, i);
    if (y > height) break;
    ++n;
  }
  return std::max(1, n);
}

// The highest top index that still fills the box.
int MaxTop(HWND h, ListState& s) {
  if (Count(s) == 0) return 0;
  if (Columns(StyleOf(h))) {
    int rows = RowsPerColumn(h, s);
    int cols = std::max(1, static_cast<int>(Client(h).right) / ColumnWidth(h, s));
    int lastCol = (Count(s) - 1) / rows;
    return std::max(0, lastCol - cols + 1) * rows;
  }
  int height = Client(h).bottom, y = 0, i = Count(s) - 1;
  for (; i >= 0; --i) {
    y += HeightOf(h, s, i);
    if (y > height) break;
  }
  return std::min(Count(s) - 1, std::max(0, i + 1));
}

void UpdateScrollBars(HWND h, ListState& s) {
  if (s.inScrollUpdate) return;
  s.inScrollUpdate = true;
  DWORD style = StyleOf(h);
  UINT keep = (style & LBS_DISABLENOSCROLL) ? SIF_DISABLENOSCROLL : 0;
  // Twice: a bar that comes or goes changes the room of the other.
  for (int pass = 0; pass < 2; ++pass) {
    RECT c = Client(h);
    if (Columns(style)) {
      int rows = RowsPerColumn(h, s);
      int columns = Count(s) ? (Count(s) - 1) / rows + 1 : 0;
      int visible = std::max(1, static_cast<int>(c.right) / ColumnWidth(h, s));
      s.top = std::clamp(s.top / rows * rows, 0, MaxTop(h, s));
      if (s.horizontal) {
        SCROLLINFO si{sizeof si, SIF_RANGE | SIF_PAGE | SIF_POS | keep, 0, std::max(0, columns - 1),
                      static_cast<UINT>(visible), s.top / rows, 0};
        SetScrollInfo(h, SB_HORZ, &si, TRUE);
      }
      continue;
    }
    s.top = std::clamp(s.top, 0, MaxTop(h, s));
    if (s.vertical) {
      SCROLLINFO si{sizeof si, SIF_RANGE | SIF_PAGE | SIF_POS | keep, 0, std::max(0, Count(s) - 1),
                    static_cast<UINT>(FullyVisible(h, s, s.top)), s.top, 0};
      if (Count(s) == 0) si.nPage = 1;
      SetScrollInfo(h, SB_VERT, &si, TRUE);
    }
    c = Client(h);
    if (s.horizontal) {
      if (s.extent <= c.right) s.scrollX = 0;
      s.scrollX = std::clamp(s.scrollX, 0, std::max(0, s.extent - static_cast<int>(c.right)));
      SCROLLINFO si{sizeof si, SIF_RANGE | SIF_PAGE | SIF_POS | keep, 0, std::max(0, s.extent - 1),
                    static_cast<UINT>(std::max<LONG>(c.right, 0)), s.scrollX, 0};
      if (s.extent <= c.right) si.nMax = 0, si.nPage = 1;
      SetScrollInfo(h, SB_HORZ, &si, TRUE);
    }
  }
  s.inScrollUpdate = false;
}

void Changed(HWND h, ListState& s) {
  UpdateScrollBars(h, s);
  InvalidateRect(h, nullptr, TRUE);
}

void SetTop(HWND h, ListState& s, int top) {
  int old = s.top;
  s.top = top;
  UpdateScrollBars(h, s);
  if (s.top != old) InvalidateRect(h, nullptr, TRUE);
}

void MakeVisible(HWND h, ListState& s, int index) {
  if (!Valid(s, index)) return;
  if (Columns(StyleOf(h))) {
    int rows = RowsPerColumn(h, s);
    int cols = std::max(1, static_cast<int>(Client(h).right) / ColumnWidth(h, s));
    int col = index / rows, topCol = s.top / rows;
    if (col < topCol) SetTop(h, s, col * rows);
    else if (col >= topCol + cols) SetTop(h, s, (col - cols + 1) * rows);
    return;
  }
  if (index < s.top) {
    SetTop(h, s, index);
    return;
  }
  int top = s.top;
  int height = Client(h).bottom;
  while (top < index) {
    int y = 0;
    for (int i = top; i <= index; ++i) y += HeightOf(h, s, i);
    if (y <= height) break;
    ++top;
  }
  SetTop(h, s, top);
}

void RedrawItem(HWND h, ListState& s, int index) {
  if (!Valid(s, index)) return;
  RECT r = ItemRect(h, s, index);
  InvalidateRect(h, &r, TRUE);
}

int ItemAt(HWND h, ListState& s, POINT p, bool& outside) {
  RECT c = Client(h);
  outside = !PtInRect(&c, p);
  if (Columns(StyleOf(h))) {
    int rows = RowsPerColumn(h, s);
    int col = std::max<int>(0, p.x) / ColumnWidth(h, s);
    int row = std::clamp<int>(p.y / ItemHeight(h, s), 0, rows - 1);
    int i = s.top + col * rows + row;
    if (i >= Count(s)) {
      outside = true;
      i = std::max(0, Count(s) - 1);
    }
    return i;
  }
  int y = 0;
  for (int i = s.top; i < Count(s); ++i) {
    int hi = HeightOf(h, s, i);
    if (p.y < y + hi) {
      if (p.y < 0) {
        outside = true;
        return std::max(0, s.top - 1);
      }
      return i;
    }
    y += hi;
  }
  outside = true;
  return std::max(0, Count(s) - 1);
}

// Appends (index -1, in order when the box sorts) or inserts at a position.
int InsertAt(HWND h, ListState& s, int index, const char* text) {
  DWORD style = StyleOf(h);
  Item item;
  if (HasStrings(style)) item.text = text ? text : "";
  else item.data = reinterpret_cast<LONG_PTR>(text);
  if (index < 0 && (style & LBS_SORT) && HasStrings(style)) {
    index = 0;
    while (index < Count(s) && CompareTextNoCase(s.items[index].text, item.text) <= 0) ++index;
  }
  if (index < 0 || index > Count(s)) index = Count(s);
  s.items.insert(s.items.begin() + index, item);
  if (s.current >= index) ++s.current;
  if (s.anchor >= index) ++s.anchor;
  if (Variable(style)) s.items[index].height = Measure(h, s, index);
  Changed(h, s);
  return index;
}

void ClearSelection(ListState& s) {
  for (auto& i : s.items) i.selected = false;
}

// A selection the user made: single boxes move the selection, multiple ones toggle,
// extended ones select a range from the anchor or one item, or toggle with Ctrl.
void UserSelect(HWND h, ListState& s, int index, bool shift, bool ctrl, bool toggle) {
  if (!Valid(s, index)) return;
  DWORD style = StyleOf(h);
  if (style & LBS_NOSEL) return;
  std::vector<bool> before;
  for (auto& i : s.items) before.push_back(i.selected);
  int oldCurrent = s.current;
  if (!Multi(style)) {
    s.current = index;
  } else if (style & LBS_MULTIPLESEL) {
    if (toggle) s.items[index].selected = !s.items[index].selected;
    s.current = index;
  } else {
    if (shift && Valid(s, s.anchor)) {
      if (!ctrl) ClearSelection(s);
      for (int i = std::min(s.anchor, index); i <= std::max(s.anchor, index); ++i) s.items[i].selected = true;
    } else if (ctrl) {
      if (toggle) s.items[index].selected = !s.items[index].selected;
      s.anchor = index;
    } else {
      ClearSelection(s);
      s.items[index].selected = true;
      s.anchor = index;
    }
    s.current = index;
  }
  MakeVisible(h, s, index);
  bool changed = oldCurrent != s.current;
  for (int i = 0; i < Count(s); ++i) {
    if (s.items[i].selected != before[i]) {
      changed = true;
      RedrawItem(h, s, i);
    }
  }
  if (oldCurrent != s.current) {
    RedrawItem(h, s, oldCurrent);
    RedrawItem(h, s, s.current);
  }
  if (changed) Notify(h, LBN_SELCHANGE);
}

bool IsSelected(HWND h, const ListState& s, int index) {
  if (!Valid(s, index)) return false;
  return Multi(StyleOf(h)) ? s.items[index].selected : index == s.current;
}

void DrawOne(HWND h, ListState& s, HDC dc, int index, const RECT& r, HBRUSH background) {
  DWORD style = StyleOf(h);
  bool focused = GetFocus() == h;
  bool selected = IsSelected(h, s, index);
  if (OwnerDrawn(style)) {
    UINT state = (selected ? ODS_SELECTED : 0) | (focused && index == s.current ? ODS_FOCUS : 0) |
                 (IsWindowEnabled(h) ? 0 : ODS_DISABLED);
    DRAWITEMSTRUCT d{ODT_LISTBOX, static_cast<UINT>(GetDlgCtrlID(h)), static_cast<UINT>(index), ODA_DRAWENTIRE,
                     state, h, dc, r, static_cast<ULONG_PTR>(s.items[index].data)};
    int saved = SaveDC(dc);
    if (HWND parent = GetParent(h)) SendMessage(parent, WM_DRAWITEM, static_cast<WPARAM>(GetDlgCtrlID(h)), reinterpret_cast<LPARAM>(&d));
    RestoreDC(dc, saved);
    return;
  }
  COLORREF oldText = GetTextColor(dc);
  if (selected) {
    FillRect(dc, &r, GetSysColorBrush(COLOR_HIGHLIGHT));
    SetTextColor(dc, GetSysColor(COLOR_HIGHLIGHTTEXT));
  } else {
    FillRect(dc, &r, background);
    if (!IsWindowEnabled(h)) SetTextColor(dc, GetSysColor(COLOR_GRAYTEXT));
  }
  int old = SetBkMode(dc, TRANSPARENT);
  const std::string& text = s.items[index].text;
  if (style & LBS_USETABSTOPS)
    TabbedTextOut(dc, r.left + 2, r.top, text.c_str(), static_cast<int>(text.size()), static_cast<int>(s.tabs.size()),
                  s.tabs.empty() ? nullptr : s.tabs.data(), r.left + 2);
  else
    TextOut(dc, r.left + 2, r.top, text.c_str(), static_cast<int>(text.size()));
  SetBkMode(dc, old);
  SetTextColor(dc, oldText);
  if (focused && index == s.current) DrawFocusRect(dc, &r);
}

void Paint(HWND h, ListState& s, HDC dc) {
  RECT c = Client(h);
  HBRUSH background = GetSysColorBrush(COLOR_WINDOW);
  SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
  SetBkColor(dc, GetSysColor(COLOR_WINDOW));
  if (s.font) SelectObject(dc, s.font);
  if (HWND parent = GetParent(h)) {
    auto b = reinterpret_cast<HBRUSH>(SendMessage(parent, WM_CTLCOLORLISTBOX, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(h)));
    if (b) background = b;
  }
  FillRect(dc, &c, background);
  for (int i = s.top; i < Count(s); ++i) {
    RECT r = ItemRect(h, s, i);
    if (r.top >= c.bottom || r.left >= c.right) {
      if (!Columns(StyleOf(h)) || r.left >= c.right) break;
      continue;
    }
    DrawOne(h, s, dc, i, r, background);
    if (!IsWindow(h)) return;
  }
  if (Count(s) == 0 && GetFocus() == h && OwnerDrawn(StyleOf(h))) {
    // The focus of an empty owner-drawn box is its parent's to draw.
    RECT r{0, 0, c.right, ItemHeight(h, s)};
    DRAWITEMSTRUCT d{ODT_LISTBOX, static_cast<UINT>(GetDlgCtrlID(h)), static_cast<UINT>(-1), ODA_FOCUS, ODS_FOCUS, h, dc, r, 0};
    if (HWND parent = GetParent(h)) SendMessage(parent, WM_DRAWITEM, static_cast<WPARAM>(GetDlgCtrlID(h)), reinterpret_cast<LPARAM>(&d));
  }
}

void KeyDown(HWND h, ListState& s, WPARAM key) {
  if (Count(s) == 0) return;
  DWORD style = StyleOf(h);
  bool shift = GetKeyState(VK_SHIFT) < 0, ctrl = GetKeyState(VK_CONTROL) < 0;
  int page = FullyVisible(h, s, s.top);
  int i = Valid(s, s.current) ? s.current : -1;
  bool columns = Columns(style);
  int rows = columns ? RowsPerColumn(h, s) : 1;
  switch (key) {
    case VK_UP: i = std::max(0, i - 1); break;
    case VK_DOWN: i = std::min(Count(s) - 1, i + 1); break;
    case VK_LEFT:
      if (!columns) {
        SendMessage(h, WM_HSCROLL, SB_LINELEFT, 0);
        return;
      }
      i = std::max(0, i - rows);
      break;
    case VK_RIGHT:
      if (!columns) {
        SendMessage(h, WM_HSCROLL, SB_LINERIGHT, 0);
        return;
      }
      i = std::min(Count(s) - 1, i + rows);
      break;
    case VK_PRIOR: i = std::max(0, i - std::max(1, page - 1)); break;
    case VK_NEXT: i = std::min(Count(s) - 1, i + std::max(1, page - 1)); break;
    case VK_HOME: i = 0; break;
    case VK_END: i = Count(s) - 1; break;
    case VK_SPACE:
      if (Multi(style) && Valid(s, s.current)) UserSelect(h, s, s.current, false, true, true);
      return;
    default: return;
  }
  i = std::max(i, 0);
  if ((style & LBS_MULTIPLESEL) || ((style & LBS_EXTENDEDSEL) && ctrl && !shift)) {
    // In a multiple-selection list, and with Ctrl alone in an extended one, arrows move
    // the caret only; space selects.
    int old = s.current;
    s.current = i;
    MakeVisible(h, s, i);
    RedrawItem(h, s, old);
    RedrawItem(h, s, i);
    return;
  }
  UserSelect(h, s, i, shift, false, false);
}

void CharTyped(HWND h, ListState& s, char c) {
  if (!HasStrings(StyleOf(h)) || Count(s) == 0 || static_cast<unsigned char>(c) < ' ') return;
  char lower = AnsiLowerChar(c);
  int start = Valid(s, s.current) ? s.current : -1;
  for (int k = 1; k <= Count(s); ++k) {
    int i = (start + k) % Count(s);
    const std::string& t = s.items[i].text;
    if (!t.empty() && AnsiLowerChar(t[0]) == lower) {
      UserSelect(h, s, i, false, false, false);
      return;
    }
  }
}

void Scroll(HWND h, ListState& s, bool vertical, int code, int thumb) {
  DWORD style = StyleOf(h);
  if (!vertical && !Columns(style)) {
    int width = Client(h).right;
    int line = std::max(1, ItemHeight(h, s) / 2);
    int x = s.scrollX;
    switch (code) {
      case SB_LINELEFT: x -= line; break;
      case SB_LINERIGHT: x += line; break;
      case SB_PAGELEFT: x -= width; break;
      case SB_PAGERIGHT: x += width; break;
      case SB_THUMBTRACK: case SB_THUMBPOSITION: x = thumb; break;
      case SB_LEFT: x = 0; break;
      case SB_RIGHT: x = s.extent; break;
      default: return;
    }
    x = std::clamp(x, 0, std::max(0, s.extent - width));
    if (x == s.scrollX) return;
    s.scrollX = x;
    UpdateScrollBars(h, s);
    InvalidateRect(h, nullptr, TRUE);
    return;
  }
  int unit = Columns(style) ? RowsPerColumn(h, s) : 1;
  int page = Columns(style) ? std::max(1, static_cast<int>(Client(h).right) / ColumnWidth(h, s)) * unit
                            : std::max(1, FullyVisible(h, s, s.top) - 1);
  int top = s.top;
  switch (code) {
    case SB_LINEUP: top -= unit; break;
    case SB_LINEDOWN: top += unit; break;
    case SB_PAGEUP: top -= page; break;
    case SB_PAGEDOWN: top += page; break;
    case SB_THUMBTRACK: case SB_THUMBPOSITION: top = thumb * unit; break;
    case SB_TOP: top = 0; break;
    case SB_BOTTOM: top = Count(s); break;
    default: return;
  }
  SetTop(h, s, top);
}

// Without LBS_NOINTEGRALHEIGHT the box shows whole items only: it shortens itself
// (true when it did, and a new size follows).
bool FitIntegralHeight(HWND h, ListState& s) {
  DWORD style = StyleOf(h);
  if ((style & LBS_NOINTEGRALHEIGHT) || Variable(style) || Columns(style)) return false;
  RECT c = Client(h);
  int item = ItemHeight(h, s);
  if (c.bottom <= item || c.bottom % item == 0) return false;
  RECT w{};
  GetWindowRect(h, &w);
  SetWindowPos(h, nullptr, 0, 0, w.right - w.left, (w.bottom - w.top) - c.bottom % item,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  return true;
}

// The list of items: adding, inserting, deleting and reading them.
std::optional<LRESULT> ItemMessage(HWND h, ListState& s, UINT message, WPARAM wp, LPARAM lp) {
  DWORD style = StyleOf(h);
  switch (message) {
    case LB_ADDSTRING: return InsertAt(h, s, -1, reinterpret_cast<const char*>(lp));
    case LB_INSERTSTRING: {
      // An explicit position is kept even in a sorted box; -1 appends at the end.
      int i = static_cast<int>(wp);
      if (i > Count(s)) return LB_ERR;
      return InsertAt(h, s, i < 0 ? Count(s) : i, reinterpret_cast<const char*>(lp));
    }
    case LB_DELETESTRING: {
      int i = static_cast<int>(wp);
      if (!Valid(s, i)) return LB_ERR;
      s.items.erase(s.items.begin() + i);
      if (s.current == i) s.current = -1;
      else if (s.current > i) --s.current;
      if (s.anchor == i) s.anchor = -1;
      else if (s.anchor > i) --s.anchor;
      Changed(h, s);
      return Count(s);
    }
    case LB_RESETCONTENT:
      s.items.clear();
      s.current = s.anchor = -1;
      s.top = 0;
      Changed(h, s);
      return LB_OKAY;
    case LB_GETCOUNT: return Count(s);
    case LB_GETTEXT: {
      int i = static_cast<int>(wp);
      if (!Valid(s, i)) return LB_ERR;
      if (!HasStrings(style)) {
        if (lp) std::memcpy(reinterpret_cast<void*>(lp), &s.items[i].data, sizeof(LONG_PTR));
        return sizeof(LONG_PTR);
      }
      const std::string& t = s.items[i].text;
      if (lp) std::memcpy(reinterpret_cast<char*>(lp), t.c_str(), t.size() + 1);
      return static_cast<LRESULT>(t.size());
    }
    case LB_GETTEXTLEN:
      if (!Valid(s, static_cast<int>(wp))) return LB_ERR;
      return HasStrings(style) ? static_cast<LRESULT>(s.items[wp].text.size()) : static_cast<LRESULT>(sizeof(LONG_PTR));
    case LB_GETITEMDATA:
      if (!Valid(s, static_cast<int>(wp))) return LB_ERR;
      return s.items[wp].data;
    case LB_SETITEMDATA:
      if (!Valid(s, static_cast<int>(wp))) return LB_ERR;
      s.items[wp].data = lp;
      return LB_OKAY;
    default: return std::nullopt;
  }
}

// The current item, the selection, the caret and the anchor.
std::optional<LRESULT> SelectionMessage(HWND h, ListState& s, UINT message, WPARAM wp, LPARAM lp) {
  DWORD style = StyleOf(h);
  switch (message) {
    case LB_GETCURSEL:
      if (Multi(style)) return Valid(s, s.current) ? s.current : 0;
      return Valid(s, s.current) ? s.current : LB_ERR;
    case LB_SETCURSEL: {
      int i = static_cast<int>(wp);
      if (Multi(style)) return LB_ERR;
      int old = s.current;
      s.current = Valid(s, i) ? i : -1;
      RedrawItem(h, s, old);
      RedrawItem(h, s, s.current);
      MakeVisible(h, s, s.current);
      return Valid(s, i) ? i : LB_ERR;
    }
    case LB_GETSEL:
      if (!Valid(s, static_cast<int>(wp))) return LB_ERR;
      return IsSelected(h, s, static_cast<int>(wp)) ? 1 : 0;
    case LB_SETSEL: {
      if (!Multi(style)) return LB_ERR;
      int i = static_cast<int>(lp);
      if (i == -1) {
        for (auto& item : s.items) item.selected = wp != 0;
        InvalidateRect(h, nullptr, TRUE);
        return LB_OKAY;
      }
      if (!Valid(s, i)) return LB_ERR;
      s.items[i].selected = wp != 0;
      RedrawItem(h, s, i);
      return LB_OKAY;
    }
    case LB_SELITEMRANGE: {
      if (!Multi(style)) return LB_ERR;
      int a = LOWORD(static_cast<std::uintptr_t>(lp)), b = HIWORD(static_cast<std::uintptr_t>(lp));
      for (int i = std::min(a, b); i <= std::max(a, b) && i < Count(s); ++i) s.items[i].selected = wp != 0;
      InvalidateRect(h, nullptr, TRUE);
      return LB_OKAY;
    }
    case LB_GETSELCOUNT:
      if (!Multi(style)) return LB_ERR;
      return std::count_if(s.items.begin(), s.items.end(), [](const Item& i) { return i.selected; });
    case LB_GETSELITEMS: {
      if (!Multi(style)) return LB_ERR;
      int* out = reinterpret_cast<int*>(lp);
      int n = 0;
      for (int i = 0; i < Count(s) && n < static_cast<int>(wp); ++i)
        if (s.items[i].selected) out[n++] = i;
      return n;
    }
    case LB_GETCARETINDEX: return Valid(s, s.current) ? s.current : 0;
    case LB_SETCARETINDEX: {
      int i = static_cast<int>(wp);
      if (!Valid(s, i)) return LB_ERR;
      int old = s.current;
      s.current = i;
      RedrawItem(h, s, old);
      RedrawItem(h, s, i);
      MakeVisible(h, s, i);
      return LB_OKAY;
    }
    case LB_GETANCHORINDEX: return s.anchor;
    case LB_SETANCHORINDEX:
      if (!Valid(s, static_cast<int>(wp))) return LB_ERR;
      s.anchor = static_cast<int>(wp);
      return LB_OKAY;
    default: return std::nullopt;
  }
}

// What is shown: the top item, item places and heights, extents, columns and tab stops.
std::optional<LRESULT> LayoutMessage(HWND h, ListState& s, UINT message, WPARAM wp, LPARAM lp) {
  DWORD style = StyleOf(h);
  switch (message) {
    case LB_GETTOPINDEX: return s.top;
    case LB_SETTOPINDEX:
      if (Count(s) && !Valid(s, static_cast<int>(wp))) return LB_ERR;
      SetTop(h, s, static_cast<int>(wp));
      return LB_OKAY;
    case LB_GETITEMRECT: {
      int i = static_cast<int>(wp);
      if (!(i == 0 || Valid(s, i)) || !lp) return LB_ERR;
      *reinterpret_cast<RECT*>(lp) = ItemRect(h, s, i);
      return 1;
    }
    case LB_ITEMFROMPOINT: {
      bool outside = false;
      int i = ItemAt(h, s, POINT{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)}, outside);
      return MAKELRESULT(static_cast<unsigned>(i), outside ? 1u : 0u);
    }
    case LB_SETITEMHEIGHT: {
      int height = LOWORD(static_cast<std::uintptr_t>(lp));
      if (height <= 0 || height > 255) return LB_ERR;
      if (Variable(style)) {
        if (!Valid(s, static_cast<int>(wp))) return LB_ERR;
        s.items[wp].height = height;
      } else {
        s.itemHeight = height;
        s.heightKnown = true;
      }
      Changed(h, s);
      return LB_OKAY;
    }
    case LB_GETITEMHEIGHT:
      if (Variable(style) && Valid(s, static_cast<int>(wp))) return s.items[wp].height;
      return ItemHeight(h, s);
    case LB_SETHORIZONTALEXTENT:
      s.extent = std::max(0, static_cast<int>(wp));
      if (!Columns(style)) Changed(h, s);
      return 0;
    case LB_GETHORIZONTALEXTENT: return s.extent;
    case LB_SETCOLUMNWIDTH:
      s.columnWidth = std::max(0, static_cast<int>(wp));
      Changed(h, s);
      return 0;
    case LB_SETTABSTOPS: {
      s.tabs.clear();
      const int* stops = reinterpret_cast<const int*>(lp);
      // Stops come in dialog units, a quarter of the average character width.
      const int unit = std::max<int>(1, FontMetrics(h, s).tmAveCharWidth);
      if (wp == 0) s.tabs.push_back(32 * unit / 4);
      for (WPARAM i = 0; stops && i < wp; ++i) s.tabs.push_back(stops[i] * unit / 4);
      InvalidateRect(h, nullptr, TRUE);
      return TRUE;
    }
    default: return std::nullopt;
  }
}

// Finding an item by the start of its text or the whole of it.
std::optional<LRESULT> SearchMessage(HWND h, ListState& s, UINT message, WPARAM wp, LPARAM lp) {
  DWORD style = StyleOf(h);
  switch (message) {
    case LB_FINDSTRING:
    case LB_FINDSTRINGEXACT: {
      if (!lp || Count(s) == 0 || !HasStrings(style)) return LB_ERR;
      std::string want = reinterpret_cast<const char*>(lp);
      int start = static_cast<int>(wp);
      for (int k = 1; k <= Count(s); ++k) {
        int i = (start + k) % Count(s);
        if (i < 0) i += Count(s);
        const std::string& t = s.items[i].text;
        bool match = message == LB_FINDSTRINGEXACT
                         ? CompareTextNoCase(t, want) == 0
                         : t.size() >= want.size() && CompareTextNoCase(t.substr(0, want.size()), want) == 0;
        if (match) return i;
      }
      return LB_ERR;
    }
    default: return std::nullopt;
  }
}

// A list box message (LB_...): answered by the group it belongs to; LB_ERR for any other.
LRESULT Message(HWND h, ListState& s, UINT message, WPARAM wp, LPARAM lp) {
  for (auto group : {ItemMessage, SelectionMessage, LayoutMessage, SearchMessage})
    if (std::optional<LRESULT> answer = group(h, s, message, wp, lp)) return *answer;
  return LB_ERR;
}

}  // namespace

LRESULT ListBoxControlProc(HWND h, UINT message, WPARAM wp, LPARAM lp) {
  if (message == WM_NCCREATE) {
    auto* state = new ListState;
    state->vertical = StyleOf(h) & WS_VSCROLL;
    state->horizontal = StyleOf(h) & WS_HSCROLL;
    SetProp(h, kStateProp, state);
    return DefWindowProc(h, message, wp, lp);
  }
  ListState* s = StateOf(h);
  if (!s) return DefWindowProc(h, message, wp, lp);
  if (message >= LB_ADDSTRING && message <= LB_ITEMFROMPOINT) return Message(h, *s, message, wp, lp);
  switch (message) {
    case WM_NCDESTROY:
      RemoveProp(h, kStateProp);
      delete s;
      return DefWindowProc(h, message, wp, lp);
    case WM_CREATE:
      UpdateScrollBars(h, *s);
      return 0;
    case WM_SIZE:
      if (FitIntegralHeight(h, *s)) return 0;
      UpdateScrollBars(h, *s);
      InvalidateRect(h, nullptr, TRUE);
      return 0;
    case WM_SETFONT:
      s->font = reinterpret_cast<HFONT>(wp);
      if (!(StyleOf(h) & LBS_OWNERDRAWFIXED) && !Variable(StyleOf(h))) s->heightKnown = false;
      if (FitIntegralHeight(h, *s)) return 0;
      UpdateScrollBars(h, *s);
      if (lp) InvalidateRect(h, nullptr, TRUE);
      return 0;
    case WM_GETFONT: return reinterpret_cast<LRESULT>(s->font);
    case WM_ERASEBKGND: return 1;
    case WM_PAINT:
    case WM_PRINTCLIENT: {
      if (wp) {
        Paint(h, *s, reinterpret_cast<HDC>(wp));
        return 0;
      }
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(h, &ps);
      Paint(h, *s, dc);
      if (IsWindow(h)) EndPaint(h, &ps);
      return 0;
    }
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      RedrawItem(h, *s, s->current);
      if (s->items.empty()) InvalidateRect(h, nullptr, TRUE);
      Notify(h, message == WM_SETFOCUS ? LBN_SETFOCUS : LBN_KILLFOCUS);
      return 0;
    case WM_ENABLE:
      InvalidateRect(h, nullptr, TRUE);
      return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
      if (GetFocus() != h) SetFocus(h);
      if (!IsWindow(h) || !(s = StateOf(h))) return 0;
      bool outside = false;
      int i = ItemAt(h, *s, POINT{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)}, outside);
      if (outside || !Valid(*s, i)) return 0;
      SetCapture(h);
      s->tracking = true;
      UserSelect(h, *s, i, (wp & MK_SHIFT) != 0, (wp & MK_CONTROL) != 0, true);
      if (message == WM_LBUTTONDBLCLK && IsWindow(h)) Notify(h, LBN_DBLCLK);
      return 0;
    }
    case WM_MOUSEMOVE: {
      if (!s->tracking || GetCapture() != h) return 0;
      DWORD style = StyleOf(h);
      if (style & LBS_MULTIPLESEL) return 0;
      POINT p{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
      bool outside = false;
      int i = ItemAt(h, *s, p, outside);
      RECT c = Client(h);
      // Above or below the box the selection follows the scrolling.
      if (p.y < 0) i = std::max(0, s->top - 1);
      else if (p.y >= c.bottom && !Columns(style)) i = std::min(Count(*s) - 1, s->top + FullyVisible(h, *s, s->top));
      if (Valid(*s, i) && i != s->current)
        UserSelect(h, *s, i, (style & LBS_EXTENDEDSEL) != 0, (wp & MK_CONTROL) != 0, false);
      return 0;
    }
    case WM_LBUTTONUP:
      if (s->tracking) {
        s->tracking = false;
        if (GetCapture() == h) ReleaseCapture();
      }
      return 0;
    case WM_CAPTURECHANGED:
      s->tracking = false;
      return 0;
    case WM_MOUSEWHEEL: {
      int lines = GET_WHEEL_DELTA_WPARAM(wp) > 0 ? -3 : 3;
      if (Columns(StyleOf(h))) Scroll(h, *s, false, lines < 0 ? SB_LINEUP : SB_LINEDOWN, 0);
      else SetTop(h, *s, s->top + lines);
      return 1;
    }
    case WM_KEYDOWN:
      KeyDown(h, *s, wp);
      return 0;
    case WM_CHAR:
      CharTyped(h, *s, static_cast<char>(wp));
      return 0;
    case WM_VSCROLL:
    case WM_HSCROLL:
      Scroll(h, *s, message == WM_VSCROLL, LOWORD(wp), static_cast<SHORT>(HIWORD(wp)));
      return 0;
    default: return DefWindowProc(h, message, wp, lp);
  }
}

}  // namespace platform
