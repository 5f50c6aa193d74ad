// Invalid areas and WM_PAINT, clipping of children, ScrollWindow moving pixels, the
// caret, the clipboard, and scroll bars turning clicks and drags into scroll messages.

#include "Guitestwindow.h"

namespace {

using guitest::Log;
using guitest::Messages;
using Messages_t = std::vector<UINT>;

constexpr COLORREF kRed = RGB(255, 0, 0), kWhite = RGB(255, 255, 255);

class Painting : public guitest::Screen {
 protected:
  // Paints the whole client area in one colour with a paint DC, the way WM_PAINT does.
  static void PaintAll(HWND w, COLORREF color) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(w, &ps);
    HBRUSH b = CreateSolidBrush(color);
    RECT all;
    GetClientRect(w, &all);
    FillRect(dc, &all, b);
    DeleteObject(b);
    EndPaint(w, &ps);
  }
};

TEST_F(Painting, InvalidAreasBecomeOnePaint) {
  HWND top = TopLevel(0, 0, 100, 100);
  person.Pump();
  EXPECT_EQ(screen.Pixel(50, 50), kWhite) << "erased with the class brush";
  Log().clear();
  RECT a{10, 10, 20, 20}, b{50, 60, 70, 80};
  InvalidateRect(top, &a, FALSE);
  InvalidateRect(top, &b, TRUE);
  RECT box;
  EXPECT_TRUE(GetUpdateRect(top, &box, FALSE));
  EXPECT_EQ(box.left, 10);
  EXPECT_EQ(box.bottom, 80);
  // Paint everything red: only the invalid areas take it.
  PaintAll(top, kRed);
  EXPECT_FALSE(GetUpdateRect(top, &box, FALSE)) << "BeginPaint validates";
  EXPECT_EQ(screen.WindowPixel(top, 15, 15), kRed);
  EXPECT_EQ(screen.WindowPixel(top, 69, 79), kRed);
  EXPECT_EQ(screen.WindowPixel(top, 30, 30), kWhite);
  EXPECT_EQ(screen.WindowPixel(top, 70, 80), kWhite);
  // The queue makes WM_PAINT only when it is otherwise empty, and once per window.
  InvalidateRect(top, nullptr, FALSE);
  PostMessage(top, WM_USER, 0, 0);
  person.Pump();
  EXPECT_EQ(Messages({WM_USER, WM_PAINT}), (Messages_t{WM_USER, WM_PAINT}));
  ValidateRect(top, nullptr);
}

TEST_F(Painting, ChildrenClipAndExposeTheirParent) {
  HWND top = TopLevel(0, 0, 200, 100, WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN);
  HWND child = Child(top, 10, 10, 30, 30);
  person.Pump();
  // The parent's paint leaves the child alone.
  InvalidateRect(top, nullptr, FALSE);
  PaintAll(top, kRed);
  EXPECT_EQ(screen.WindowPixel(top, 5, 5), kRed);
  EXPECT_EQ(screen.WindowPixel(top, 20, 20), kWhite);
  // Moving the child uncovers the parent there, which repaints; the child paints anew.
  Log().clear();
  MoveWindow(child, 100, 10, 30, 30, TRUE);
  EXPECT_EQ(Messages({WM_MOVE}, child).size(), 1u);
  RECT box;
  EXPECT_TRUE(GetUpdateRect(top, &box, FALSE));
  EXPECT_EQ(box.left, 10);
  EXPECT_EQ(box.right, 40);
  person.Pump();
  EXPECT_EQ(screen.WindowPixel(top, 20, 20), kWhite) << "erased by the parent";
  EXPECT_EQ(screen.WindowPixel(child, 5, 5), kWhite);
  // Hiding a window exposes what was below it; a hidden window is not painted.
  InvalidateRect(top, nullptr, FALSE);
  PaintAll(top, kRed);
  ShowWindow(child, SW_HIDE);
  InvalidateRect(child, nullptr, TRUE);
  person.Pump();
  EXPECT_EQ(screen.WindowPixel(top, 110, 20), kWhite);
  EXPECT_TRUE(Messages({WM_PAINT}, child).size() <= 1u);
}

TEST_F(Painting, ScrollWindowMovesPixels) {
  HWND top = TopLevel(0, 0, 100, 100);
  person.Pump();
  // Rows in shades of red, one shade per row.
  HDC dc = GetDC(top);
  for (int y = 0; y < 100; ++y)
    for (int x = 0; x < 100; x += 10) SetPixel(dc, x, y, RGB(y, 0, 0));
  ReleaseDC(top, dc);
  ScrollWindow(top, 0, -10, nullptr, nullptr);
  EXPECT_EQ(screen.WindowPixel(top, 0, 0), RGB(10, 0, 0));
  EXPECT_EQ(screen.WindowPixel(top, 50, 89), RGB(99, 0, 0));
  RECT box;
  ASSERT_TRUE(GetUpdateRect(top, &box, FALSE));
  EXPECT_EQ(box.top, 90) << "what scrolled in is invalid";
  EXPECT_EQ(box.bottom, 100);
  EXPECT_EQ(box.left, 0);
  // Inside a rectangle that is both scroll and clip area, the rest stays.
  ValidateRect(top, nullptr);
  RECT part{0, 0, 50, 50};
  ScrollWindow(top, 20, 0, &part, &part);
  EXPECT_EQ(screen.WindowPixel(top, 20, 0), RGB(10, 0, 0));
  EXPECT_EQ(screen.WindowPixel(top, 60, 0), RGB(10, 0, 0)) << "outside the rectangle nothing moved";
  EXPECT_EQ(screen.WindowPixel(top, 75, 0), kWhite);
  ASSERT_TRUE(GetUpdateRect(top, &box, FALSE));
  EXPECT_EQ(box.left, 0);
  EXPECT_EQ(box.right, 20);
  EXPECT_EQ(box.bottom, 50);
  // Invalid areas travel with the pixels.
  ValidateRect(top, nullptr);
  RECT spot{0, 95, 10, 100};
  InvalidateRect(top, &spot, FALSE);
  ScrollWindow(top, 0, -20, nullptr, nullptr);
  HRGN rgn = CreateRectRgn(0, 0, 0, 0);
  GetUpdateRgn(top, rgn, FALSE);
  EXPECT_TRUE(PtInRegion(rgn, 5, 77));
  EXPECT_TRUE(PtInRegion(rgn, 50, 85));
  EXPECT_FALSE(PtInRegion(rgn, 50, 50));
  DeleteObject(rgn);
  ValidateRect(top, nullptr);
}

TEST_F(Painting, NonClientFrameAndCaption) {
  HWND top = TopLevel(10, 10, 200, 120, WS_OVERLAPPEDWINDOW | WS_VISIBLE);
  person.Pump();
  // The caption of the active window in the active caption colour, the frame in face colour.
  EXPECT_EQ(screen.Pixel(10 + 100, 10 + 4 + 2), GetSysColor(COLOR_ACTIVECAPTION));
  EXPECT_EQ(screen.Pixel(10 + 2, 10 + 60), GetSysColor(COLOR_BTNFACE));
  EXPECT_EQ(screen.Pixel(10, 10 + 60), GetSysColor(COLOR_3DLIGHT));
  HWND other = TopLevel(300, 10, 100, 100, WS_OVERLAPPEDWINDOW | WS_VISIBLE);
  person.Pump();
  EXPECT_EQ(screen.Pixel(10 + 100, 10 + 4 + 2), GetSysColor(COLOR_INACTIVECAPTION));
  // The close button closes the window.
  RECT wr;
  GetWindowRect(other, &wr);
  person.Click(wr.right - 4 - 2 - 7, wr.top + 4 + 9);
  person.Pump();
  EXPECT_FALSE(IsWindow(other));
  EXPECT_TRUE(IsWindow(top));
}

TEST_F(Painting, CaptionMovesAndFrameSizes) {
  HWND top = TopLevel(100, 100, 200, 150, WS_OVERLAPPEDWINDOW | WS_VISIBLE);
  person.Pump();
  Log().clear();
  person.Drag(150, 110, 180, 60, 3);
  person.Pump();
  RECT r;
  GetWindowRect(top, &r);
  EXPECT_EQ(r.left, 130);
  EXPECT_EQ(r.top, 50);
  EXPECT_EQ(r.right - r.left, 200);
  EXPECT_EQ(guitest::Messages({WM_ENTERSIZEMOVE, WM_EXITSIZEMOVE}), (Messages_t{WM_ENTERSIZEMOVE, WM_EXITSIZEMOVE}));
  // The right border sizes; the smallest tracking size holds.
  person.Drag(r.right - 2, 120, r.right + 40, 120, 2);
  person.Pump();
  GetWindowRect(top, &r);
  EXPECT_EQ(r.right - r.left, 242);
  EXPECT_EQ(r.left, 130);
  person.Drag(r.right - 2, 120, 0, 120, 2);
  person.Pump();
  GetWindowRect(top, &r);
  EXPECT_EQ(r.right - r.left, GetSystemMetrics(SM_CXMINTRACK));
  RECT client;
  GetClientRect(top, &client);
  EXPECT_EQ(client.right, GetSystemMetrics(SM_CXMINTRACK) - 8);
}

TEST_F(Painting, CaretClipboardAndObjectsOfPaintCycles) {
  HWND top = TopLevel(0, 0, 100, 100);
  person.Pump();
  CreateCaret(top, nullptr, 2, 10);
  SetCaretPos(20, 20);
  EXPECT_EQ(screen.WindowPixel(top, 20, 20), kWhite) << "created hidden";
  ShowCaret(top);
  EXPECT_EQ(screen.WindowPixel(top, 21, 29), RGB(0, 0, 0));
  // Painting takes the caret off and puts it back.
  InvalidateRect(top, nullptr, TRUE);
  person.Pump();
  EXPECT_EQ(screen.WindowPixel(top, 21, 29), RGB(0, 0, 0));
  EXPECT_EQ(screen.WindowPixel(top, 22, 29), kWhite);
  DestroyCaret();
  EXPECT_EQ(screen.WindowPixel(top, 21, 29), kWhite);

  EXPECT_FALSE(platform::SetClipboardText("x")) << "the clipboard must be open";
  ASSERT_TRUE(OpenClipboard(top));
  EmptyClipboard();
  EXPECT_TRUE(platform::SetClipboardText("Текст"));
  CloseClipboard();
  EXPECT_TRUE(IsClipboardFormatAvailable(CF_TEXT));
  OpenClipboard(nullptr);
  EXPECT_EQ(platform::GetClipboardText(), "Текст");
  CloseClipboard();
  EXPECT_EQ(GetClipboardOwner(), top);
}

// A window that scrolls its contents with its own vertical bar.
class ScrollBars : public guitest::Screen {
 protected:
  void SetUp() override {
    Screen::SetUp();
    window = TopLevel(0, 0, 200, 200, WS_POPUP | WS_VISIBLE | WS_VSCROLL);
    SCROLLINFO si{sizeof si, SIF_RANGE | SIF_PAGE | SIF_POS, 0, 99, 10, 0, 0};
    SetScrollInfo(window, SB_VERT, &si, TRUE);
    person.Pump();
    Log().clear();
  }
  std::vector<std::pair<int, int>> Scrolls(UINT message = WM_VSCROLL) {
    std::vector<std::pair<int, int>> out;
    for (const auto& m : Log())
      if (m.message == message) out.emplace_back(LOWORD(m.w), static_cast<short>(HIWORD(m.w)));
    return out;
  }
  HWND window = nullptr;
};

TEST_F(ScrollBars, ClicksOnArrowsAndTrack) {
  // Bar at x 184..200; arrows 16 high; track 16..184.
  person.Click(190, 195);
  person.Pump();
  EXPECT_EQ(Scrolls(), (std::vector<std::pair<int, int>>{{SB_LINEDOWN, 0}, {SB_ENDSCROLL, 0}}));
  Log().clear();
  person.Click(190, 5);
  person.Click(190, 150);
  person.Pump();
  EXPECT_EQ(Scrolls(), (std::vector<std::pair<int, int>>{{SB_LINEUP, 0}, {SB_ENDSCROLL, 0}, {SB_PAGEDOWN, 0}, {SB_ENDSCROLL, 0}}));
  // Holding an arrow repeats after a delay.
  Log().clear();
  person.MoveTo(190, 195);
  person.Press();
  person.Advance(400 + 50 * 3);
  person.Release();
  person.Pump();
  auto scrolls = Scrolls();
  EXPECT_EQ(scrolls.size(), 1u + 4u + 1u);
  EXPECT_EQ(scrolls.back().first, SB_ENDSCROLL);
  // The window's own handling of the messages is the program's: the position stays.
  EXPECT_EQ(GetScrollPos(window, SB_VERT), 0);
}

TEST_F(ScrollBars, ThumbDragsAndInfo) {
  SCROLLINFO si{sizeof si, SIF_ALL, 0, 0, 0, 0, 0};
  ASSERT_TRUE(GetScrollInfo(window, SB_VERT, &si));
  EXPECT_EQ(si.nMax, 99);
  EXPECT_EQ(si.nPage, 10u);
  EXPECT_FALSE(GetScrollInfo(window, SB_HORZ, &si)) << "no horizontal bar";
  // The thumb is 16 long (168 * 10 / 100) at the top of the track, with 152 pixels to
  // move for 90 positions; drag it halfway in two steps of 38 pixels.
  person.Drag(190, 20, 190, 20 + 76, 2);
  person.Pump();
  auto scrolls = Scrolls();
  ASSERT_EQ(scrolls.size(), 4u);
  EXPECT_EQ(scrolls[0], std::make_pair(static_cast<int>(SB_THUMBTRACK), 23));
  EXPECT_EQ(scrolls[1], std::make_pair(static_cast<int>(SB_THUMBTRACK), 45));
  EXPECT_EQ(scrolls[2].first, SB_THUMBPOSITION);
  EXPECT_EQ(scrolls[2].second, scrolls[1].second);
  EXPECT_EQ(scrolls[3].first, SB_ENDSCROLL);
  // Positions are kept inside the range; a range with nothing to scroll hides the bar.
  EXPECT_EQ(SetScrollPos(window, SB_VERT, 500, TRUE), 0);
  EXPECT_EQ(GetScrollPos(window, SB_VERT), 90);
  SetScrollRange(window, SB_VERT, 0, 0, TRUE);
  EXPECT_FALSE(GetWindowLong(window, GWL_STYLE) & WS_VSCROLL);
  RECT client;
  GetClientRect(window, &client);
  EXPECT_EQ(client.right, 200);
}

TEST_F(ScrollBars, ScrollBarControlNotifiesItsParent) {
  HWND bar = CreateWindowEx(0, "ScrollBar", "", WS_CHILD | WS_VISIBLE | SBS_VERT, 0, 0, 16, 100, window, nullptr, nullptr, nullptr);
  ASSERT_NE(bar, nullptr);
  SCROLLINFO si{sizeof si, SIF_RANGE | SIF_POS, 0, 50, 0, 25, 0};
  SetScrollInfo(bar, SB_CTL, &si, TRUE);
  EXPECT_EQ(GetScrollPos(bar, SB_CTL), 25);
  SCROLLINFO read{sizeof read, SIF_POS, 0, 0, 0, 0, 0};
  EXPECT_TRUE(GetScrollInfo(bar, SB_CTL, &read));
  EXPECT_EQ(read.nPos, 25);
  EXPECT_FALSE(GetScrollInfo(window, SB_CTL, &read)) << "not a scroll-bar control";
  person.Pump();
  Log().clear();
  person.Click(8, 95);
  person.Pump();
  ASSERT_FALSE(Scrolls().empty());
  EXPECT_EQ(Scrolls().front().first, SB_LINEDOWN);
  auto first = std::find_if(Log().begin(), Log().end(), [](const auto& m) { return m.message == WM_VSCROLL; });
  EXPECT_EQ(first->window, window);
  EXPECT_EQ(first->l, reinterpret_cast<LPARAM>(bar));
}

}  // namespace
