#include <string>
#include <vector>

#include "Guitestwindow.h"

using guitest::Log;

namespace {

class ListBoxes : public guitest::Screen {
 protected:
  void SetUp() override {
    Screen::SetUp();
    window = TopLevel(0, 0, 300, 300, WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN);
  }
  HWND Make(DWORD style, int x = 10, int y = 10, int w = 120, int h = 100) {
    HWND list = CreateWindowEx(0, "ListBox", "", WS_CHILD | WS_VISIBLE | LBS_NOTIFY | LBS_HASSTRINGS | style, x, y, w, h,
                               window, reinterpret_cast<HMENU>(static_cast<std::intptr_t>(7)), nullptr, nullptr);
    EXPECT_NE(list, nullptr);
    return list;
  }
  static int Add(HWND list, const char* text) {
    return static_cast<int>(SendMessage(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text)));
  }
  static std::string Text(HWND list, int i) {
    LRESULT n = SendMessage(list, LB_GETTEXTLEN, static_cast<WPARAM>(i), 0);
    if (n < 0) return "<error>";
    std::string s(static_cast<size_t>(n) + 1, '\0');
    SendMessage(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(s.data()));
    s.resize(static_cast<size_t>(n));
    return s;
  }
  // The notifications the parent received, with the control's identifier checked.
  std::vector<int> Notifications(HWND list) {
    std::vector<int> out;
    for (const auto& m : Log())
      if (m.window == window && m.message == WM_COMMAND && m.l == reinterpret_cast<LPARAM>(list)) {
        EXPECT_EQ(LOWORD(m.w), 7);
        out.push_back(HIWORD(m.w));
      }
    return out;
  }
  POINT ItemPoint(HWND list, int i) {
    RECT r{};
    SendMessage(list, LB_GETITEMRECT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&r));
    POINT p{r.left + 5, (r.top + r.bottom) / 2};
    ClientToScreen(list, &p);
    return p;
  }
  HWND window = nullptr;
};

TEST_F(ListBoxes, TextsDataSortingAndRefusals) {
  HWND list = Make(LBS_SORT);
  EXPECT_EQ(Add(list, "pear"), 0);
  EXPECT_EQ(Add(list, "Apple"), 0);
  EXPECT_EQ(Add(list, "плод"), 2) << "Cyrillic after Latin";
  EXPECT_EQ(Add(list, "banana"), 1) << "sorted without regard to case";
  EXPECT_EQ(SendMessage(list, LB_INSERTSTRING, 0, reinterpret_cast<LPARAM>("zzz")), 0) << "an explicit place is kept";
  EXPECT_EQ(SendMessage(list, LB_INSERTSTRING, 9, reinterpret_cast<LPARAM>("x")), LB_ERR);
  EXPECT_EQ(SendMessage(list, LB_GETCOUNT, 0, 0), 5);
  EXPECT_EQ(Text(list, 0), "zzz");
  EXPECT_EQ(Text(list, 1), "Apple");
  EXPECT_EQ(Text(list, 4), "плод");
  EXPECT_EQ(Text(list, 5), "<error>");
  EXPECT_EQ(SendMessage(list, LB_SETITEMDATA, 2, -5), LB_OKAY);
  EXPECT_EQ(SendMessage(list, LB_GETITEMDATA, 2, 0), -5);
  EXPECT_EQ(SendMessage(list, LB_GETITEMDATA, 7, 0), LB_ERR);
  EXPECT_EQ(SendMessage(list, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>("BANANA")), 2);
  EXPECT_EQ(SendMessage(list, LB_FINDSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>("ПЛ")), 4);
  EXPECT_EQ(SendMessage(list, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>("ban")), LB_ERR);
  // The selection follows deletions before it, and goes with its item.
  EXPECT_EQ(SendMessage(list, LB_SETCURSEL, 3, 0), 3);
  EXPECT_EQ(SendMessage(list, LB_DELETESTRING, 0, 0), 4);
  EXPECT_EQ(SendMessage(list, LB_GETCURSEL, 0, 0), 2);
  SendMessage(list, LB_DELETESTRING, 2, 0);
  EXPECT_EQ(SendMessage(list, LB_GETCURSEL, 0, 0), LB_ERR);
  EXPECT_EQ(SendMessage(list, LB_DELETESTRING, 3, 0), LB_ERR);
  EXPECT_EQ(SendMessage(list, LB_SETSEL, TRUE, 0), LB_ERR) << "no multiple selection";
  EXPECT_EQ(SendMessage(list, LB_GETSELCOUNT, 0, 0), LB_ERR);
  SendMessage(list, LB_RESETCONTENT, 0, 0);
  EXPECT_EQ(SendMessage(list, LB_GETCOUNT, 0, 0), 0);
  EXPECT_TRUE(Notifications(list).empty()) << "only the user's changes are told";
}

TEST_F(ListBoxes, MouseAndKeysSelectAndTellTheParent) {
  HWND list = Make(WS_VSCROLL);
  for (const char* s : {"one", "two", "three", "four", "five", "six", "seven", "eight", "nine", "ten", "eleven", "twelve"})
    Add(list, s);
  person.Pump();
  int height = static_cast<int>(SendMessage(list, LB_GETITEMHEIGHT, 0, 0));
  ASSERT_GT(height, 0);
  POINT p = ItemPoint(list, 2);
  person.Click(p.x, p.y);
  person.Pump();
  EXPECT_EQ(SendMessage(list, LB_GETCURSEL, 0, 0), 2);
  EXPECT_EQ(GetFocus(), list);
  EXPECT_EQ(Notifications(list), (std::vector<int>{LBN_SETFOCUS, LBN_SELCHANGE}));
  // The selected item is drawn in the highlight colours, the others on the window colour.
  EXPECT_EQ(screen.WindowPixel(list, 100, 2 * height + 1), GetSysColor(COLOR_HIGHLIGHT));
  EXPECT_EQ(screen.WindowPixel(list, 100, 1 * height + 1), GetSysColor(COLOR_WINDOW));
  Log().clear();
  person.Advance(1000);
  person.Click(p.x, p.y);
  person.Pump();
  EXPECT_TRUE(Notifications(list).empty()) << "no change, no notification";
  person.Advance(1000);
  person.DoubleClick(p.x, p.y);
  person.Pump();
  EXPECT_EQ(Notifications(list), (std::vector<int>{LBN_DBLCLK}));
  // Keys move the selection and scroll it into view.
  Log().clear();
  person.PressKey(VK_DOWN);
  person.PressKey(VK_END);
  person.Pump();
  EXPECT_EQ(SendMessage(list, LB_GETCURSEL, 0, 0), 11);
  EXPECT_EQ(Notifications(list), (std::vector<int>{LBN_SELCHANGE, LBN_SELCHANGE}));
  int top = static_cast<int>(SendMessage(list, LB_GETTOPINDEX, 0, 0));
  EXPECT_GT(top, 0);
  RECT last{};
  SendMessage(list, LB_GETITEMRECT, 11, reinterpret_cast<LPARAM>(&last));
  RECT client{};
  GetClientRect(list, &client);
  EXPECT_LE(last.bottom, client.bottom);
  EXPECT_TRUE(GetWindowLong(list, GWL_STYLE) & WS_VSCROLL) << "the bar comes with more items than room";
  // Typing a letter selects the next item that begins with it.
  person.PressKey('T');
  person.Pump();
  EXPECT_EQ(Text(list, static_cast<int>(SendMessage(list, LB_GETCURSEL, 0, 0))), "two");
  // A click below the last item changes nothing; dragging follows the mouse.
  SendMessage(list, LB_SETTOPINDEX, 0, 0);
  p = ItemPoint(list, 0);
  POINT q = ItemPoint(list, 3);
  person.Drag(p.x, p.y, q.x, q.y, 3);
  person.Pump();
  EXPECT_EQ(SendMessage(list, LB_GETCURSEL, 0, 0), 3);
  EXPECT_EQ(GetCapture(), nullptr);
  EXPECT_EQ(LOWORD(SendMessage(list, LB_ITEMFROMPOINT, 0, MAKELPARAM(5, static_cast<unsigned>(height + 1)))), 1);
}

TEST_F(ListBoxes, ExtendedAndMultipleSelection) {
  HWND list = Make(LBS_EXTENDEDSEL);
  for (const char* s : {"a", "b", "c", "d", "e"}) Add(list, s);
  person.Pump();
  POINT p1 = ItemPoint(list, 1), p3 = ItemPoint(list, 3), p4 = ItemPoint(list, 4);
  person.Click(p1.x, p1.y);
  person.KeyDown(VK_SHIFT);
  person.Click(p3.x, p3.y);
  person.KeyUp(VK_SHIFT);
  person.Pump();
  EXPECT_EQ(SendMessage(list, LB_GETSELCOUNT, 0, 0), 3);
  int items[8] = {};
  EXPECT_EQ(SendMessage(list, LB_GETSELITEMS, 8, reinterpret_cast<LPARAM>(items)), 3);
  EXPECT_EQ(items[0], 1);
  EXPECT_EQ(items[2], 3);
  EXPECT_EQ(SendMessage(list, LB_GETCARETINDEX, 0, 0), 3);
  EXPECT_EQ(SendMessage(list, LB_GETANCHORINDEX, 0, 0), 1);
  person.KeyDown(VK_CONTROL);
  person.Click(p4.x, p4.y);
  person.Click(p1.x, p1.y);
  person.KeyUp(VK_CONTROL);
  person.Pump();
  EXPECT_EQ(SendMessage(list, LB_GETSEL, 1, 0), 0) << "Ctrl toggles";
  EXPECT_EQ(SendMessage(list, LB_GETSEL, 4, 0), 1);
  EXPECT_EQ(SendMessage(list, LB_GETSELCOUNT, 0, 0), 3);
  person.Click(p1.x, p1.y);
  person.Pump();
  EXPECT_EQ(SendMessage(list, LB_GETSELCOUNT, 0, 0), 1) << "a plain click selects one";
  SendMessage(list, LB_SETSEL, TRUE, -1);
  EXPECT_EQ(SendMessage(list, LB_GETSELCOUNT, 0, 0), 5);
  EXPECT_EQ(SendMessage(list, LB_SETCURSEL, 1, 0), LB_ERR);

  HWND multi = Make(LBS_MULTIPLESEL, 140, 10);
  for (const char* s : {"a", "b", "c"}) Add(multi, s);
  person.Pump();
  POINT m0 = ItemPoint(multi, 0), m2 = ItemPoint(multi, 2);
  person.Click(m0.x, m0.y);
  person.Click(m2.x, m2.y);
  person.Pump();
  EXPECT_EQ(SendMessage(multi, LB_GETSELCOUNT, 0, 0), 2) << "each click toggles";
  person.PressKey(VK_UP);
  person.PressKey(VK_SPACE);
  person.Pump();
  EXPECT_EQ(SendMessage(multi, LB_GETSEL, 1, 0), 1) << "arrows move the caret, space selects";
  EXPECT_EQ(SendMessage(multi, LB_GETSELCOUNT, 0, 0), 3);
}

TEST_F(ListBoxes, IntegralHeightShowsWholeItems) {
  HWND list = CreateWindowEx(0, "ListBox", "", WS_CHILD | WS_VISIBLE | LBS_HASSTRINGS, 10, 10, 100, 100, window, nullptr,
                             nullptr, nullptr);
  int height = static_cast<int>(SendMessage(list, LB_GETITEMHEIGHT, 0, 0));
  RECT client{};
  GetClientRect(list, &client);
  EXPECT_EQ(client.bottom % height, 0);
  EXPECT_GT(client.bottom, 100 - height);
  MoveWindow(list, 10, 10, 100, 3 * height + 1, TRUE);
  GetClientRect(list, &client);
  EXPECT_EQ(client.bottom, 3 * height);
  HWND free = Make(LBS_NOINTEGRALHEIGHT, 140, 10, 100, 3 * height + 1);
  GetClientRect(free, &client);
  EXPECT_EQ(client.bottom, 3 * height + 1);
}

TEST_F(ListBoxes, HorizontalExtentTabsAndColumns) {
  HWND list = Make(WS_HSCROLL | LBS_USETABSTOPS);
  Add(list, "a\tb");
  person.Pump();
  EXPECT_FALSE(GetWindowLong(list, GWL_STYLE) & WS_HSCROLL) << "no extent, no bar";
  SendMessage(list, LB_SETHORIZONTALEXTENT, 400, 0);
  EXPECT_EQ(SendMessage(list, LB_GETHORIZONTALEXTENT, 0, 0), 400);
  EXPECT_TRUE(GetWindowLong(list, GWL_STYLE) & WS_HSCROLL);
  SendMessage(list, WM_HSCROLL, SB_PAGERIGHT, 0);
  RECT r{};
  SendMessage(list, LB_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&r));
  EXPECT_LT(r.left, 0) << "items move left as the box scrolls";
  EXPECT_EQ(GetScrollPos(list, SB_HORZ), -r.left);
  SendMessage(list, WM_HSCROLL, SB_LEFT, 0);
  SendMessage(list, LB_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&r));
  EXPECT_EQ(r.left, 0);
  SendMessage(list, LB_SETHORIZONTALEXTENT, 10, 0);
  EXPECT_FALSE(GetWindowLong(list, GWL_STYLE) & WS_HSCROLL);
  // A tab moves the second text to the stop: its ink starts further right than one blank would put it.
  int stops[] = {40};
  SendMessage(list, LB_SETTABSTOPS, 1, reinterpret_cast<LPARAM>(stops));
  UpdateWindow(list);
  person.Pump();
  HDC dc = GetDC(list);
  TEXTMETRIC tm{};
  GetTextMetrics(dc, &tm);
  DWORD extent = GetTabbedTextExtent(dc, "a\tb", 3, 1, std::vector<int>{static_cast<int>(40 * tm.tmAveCharWidth / 4)}.data());
  ReleaseDC(list, dc);
  EXPECT_EQ(LOWORD(extent), 40 * tm.tmAveCharWidth / 4 + tm.tmAveCharWidth);

  // Columns: items flow down, then into the next column.
  HWND columns = Make(LBS_MULTICOLUMN | WS_HSCROLL, 140, 10, 120, 100);
  SendMessage(columns, LB_SETCOLUMNWIDTH, 60, 0);
  int height = static_cast<int>(SendMessage(columns, LB_GETITEMHEIGHT, 0, 0));
  for (int i = 0; i < 3 * 100 / height; ++i) Add(columns, "x");
  GetClientRect(columns, &r);
  int rows = r.bottom / height;
  SendMessage(columns, LB_GETITEMRECT, static_cast<WPARAM>(rows), reinterpret_cast<LPARAM>(&r));
  EXPECT_EQ(r.left, 60);
  EXPECT_EQ(r.top, 0);
  EXPECT_TRUE(GetWindowLong(columns, GWL_STYLE) & WS_HSCROLL) << "a third column is out of sight";
}

// A parent that measures and draws the items of its owner-drawn lists.
LRESULT OwnerProc(HWND h, UINT message, WPARAM w, LPARAM l) {
  if (message == WM_MEASUREITEM) {
    auto* m = reinterpret_cast<MEASUREITEMSTRUCT*>(l);
    m->itemHeight = 10 + 5 * m->itemID;
    return TRUE;
  }
  if (message == WM_DRAWITEM) {
    auto* d = reinterpret_cast<DRAWITEMSTRUCT*>(l);
    HBRUSH b = CreateSolidBrush((d->itemState & ODS_SELECTED) ? RGB(0, 0, 255) : RGB(255, 0, 0));
    FillRect(d->hDC, &d->rcItem, b);
    DeleteObject(b);
    return TRUE;
  }
  return guitest::LoggingProc(h, message, w, l);
}

TEST_F(ListBoxes, OwnerDrawnItemsAreMeasuredAndDrawnByTheParent) {
  SetWindowLong(window, GWL_WNDPROC, reinterpret_cast<LONG_PTR>(OwnerProc));
  HWND list = Make(LBS_OWNERDRAWVARIABLE);
  for (const char* s : {"a", "b", "c"}) Add(list, s);
  EXPECT_EQ(SendMessage(list, LB_GETITEMHEIGHT, 2, 0), 20);
  RECT r{};
  SendMessage(list, LB_GETITEMRECT, 2, reinterpret_cast<LPARAM>(&r));
  EXPECT_EQ(r.top, 10 + 15);
  EXPECT_EQ(r.bottom, 10 + 15 + 20);
  SendMessage(list, LB_SETCURSEL, 1, 0);
  UpdateWindow(list);
  person.Pump();
  EXPECT_EQ(screen.WindowPixel(list, 50, 5), RGB(255, 0, 0));
  EXPECT_EQ(screen.WindowPixel(list, 50, 15), RGB(0, 0, 255));
  EXPECT_EQ(screen.WindowPixel(list, 50, 80), GetSysColor(COLOR_WINDOW)) << "below the items";
  SetWindowLong(window, GWL_WNDPROC, reinterpret_cast<LONG_PTR>(guitest::LoggingProc));
}

}  // namespace
