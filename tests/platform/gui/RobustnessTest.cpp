// Refusals: handles that are null, stale or of the wrong kind, and message filters.

#include "Guitestwindow.h"

namespace {

using guitest::Log;
using guitest::Messages;
using Messages_t = std::vector<UINT>;

class Refusals : public guitest::Screen {};

TEST_F(Refusals, StaleAndWrongHandlesAreRefusedWithoutHarm) {
  HWND gone = TopLevel(0, 0, 10, 10);
  DestroyWindow(gone);
  HWND garbage = reinterpret_cast<HWND>(0x7777);
  for (HWND h : {gone, garbage}) {
    RECT r{1, 2, 3, 4};
    POINT p{0, 0};
    char text[8] = "x";
    EXPECT_FALSE(IsWindow(h));
    EXPECT_FALSE(GetWindowRect(h, &r));
    EXPECT_FALSE(ClientToScreen(h, &p));
    EXPECT_EQ(GetWindowText(h, text, sizeof text), 0);
    EXPECT_EQ(text[0], 0);
    EXPECT_FALSE(ShowWindow(h, SW_SHOW));
    EXPECT_FALSE(SetWindowPos(h, nullptr, 0, 0, 1, 1, 0));
    EXPECT_FALSE(InvalidateRect(h, nullptr, TRUE));
    EXPECT_EQ(GetDC(h), nullptr);
    EXPECT_EQ(SetTimer(h, 1, 10, nullptr), 0u);
    EXPECT_EQ(SetFocus(h), nullptr);
    EXPECT_EQ(SetCapture(h), nullptr);
    EXPECT_FALSE(DestroyWindow(h));
    EXPECT_EQ(SetWindowLong(h, GWL_WNDPROC, 0), 0);
    EXPECT_EQ(ScrollWindowEx(h, 0, 1, nullptr, nullptr, nullptr, nullptr, 0), RGN_ERROR);
  }
  HDC badDc = reinterpret_cast<HDC>(0x5555);
  RECT r{0, 0, 5, 5};
  EXPECT_EQ(GetPixel(badDc, 0, 0), CLR_INVALID);
  EXPECT_FALSE(BitBlt(badDc, 0, 0, 1, 1, nullptr, 0, 0, SRCCOPY));
  EXPECT_FALSE(FillRect(badDc, &r, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH))));
  EXPECT_EQ(DrawText(badDc, "x", 1, &r, 0), 0);
  EXPECT_EQ(SelectObject(badDc, GetStockObject(BLACK_PEN)), nullptr);
  // An object of the wrong kind, or a source DC missing for a source operation.
  HDC mem = CreateCompatibleDC(nullptr);
  EXPECT_EQ(SelectObject(mem, reinterpret_cast<HGDIOBJ>(0x4444)), nullptr);
  EXPECT_FALSE(BitBlt(mem, 0, 0, 1, 1, nullptr, 0, 0, SRCCOPY));
  EXPECT_TRUE(PatBlt(mem, 0, 0, 1, 1, BLACKNESS));
  EXPECT_FALSE(PatBlt(mem, 0, 0, 1, 1, SRCCOPY));
  EXPECT_EQ(CreateBitmap(0, 5, 1, 32, nullptr), nullptr);
  EXPECT_EQ(CreateBitmap(100000, 5, 1, 32, nullptr), nullptr);
  EXPECT_EQ(CreateBitmap(5, 5, 1, 8, nullptr), nullptr);
  EXPECT_FALSE(RestoreDC(mem, 3)) << "nothing saved";
  // Shapes far beyond any surface: only what shows is drawn.
  HBITMAP bmp = CreateBitmap(8, 8, 1, 32, nullptr);
  HGDIOBJ old = SelectObject(mem, bmp);
  Ellipse(mem, -(1 << 24), -(1 << 24), 1 << 24, 1 << 24);
  RECT huge{-(1 << 24), -(1 << 24), 1 << 24, 1 << 24};
  DrawFocusRect(mem, &huge);
  MoveToEx(mem, -(1 << 24), -5, nullptr);
  LineTo(mem, 1 << 24, -5);
  EXPECT_EQ(GetPixel(mem, 4, 4), RGB(255, 255, 255)) << "inside the ellipse";
  SelectObject(mem, old);
  DeleteObject(bmp);
  DeleteDC(mem);
  EXPECT_FALSE(DeleteDC(mem));
  EXPECT_EQ(CreateWindowEx(0, "NoSuchClass", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr), nullptr);
  EXPECT_EQ(CreateWindowEx(0, "TestWindow", "", WS_CHILD, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr), nullptr)
      << "a child needs its parent";
}

TEST_F(Refusals, CreationRefusedByTheWindow) {
  struct Local {
    static LRESULT Refuse(HWND h, UINT m, WPARAM w, LPARAM l) {
      if (m == WM_CREATE) return -1;
      return guitest::LoggingProc(h, m, w, l);
    }
  };
  WNDCLASS c{};
  c.lpfnWndProc = &Local::Refuse;
  c.lpszClassName = "Refusing";
  RegisterClass(&c);
  EXPECT_EQ(RegisterClass(&c), 0) << "registered once";
  EXPECT_EQ(CreateWindowEx(0, "Refusing", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr), nullptr);
  EXPECT_EQ(Messages({WM_DESTROY, WM_NCDESTROY}), (Messages_t{WM_DESTROY, WM_NCDESTROY}));
  EXPECT_TRUE(UnregisterClass("Refusing", nullptr));
}

TEST_F(Refusals, TheSynchronizeHookRunsWhereLoopsLookForWork) {
  static int calls = 0;
  platform::SetSynchronizeHook([] { ++calls; });
  MSG msg;
  PeekMessage(&msg, nullptr, 0, 0, PM_NOREMOVE);
  person.Pump();
  platform::SetSynchronizeHook(nullptr);
  EXPECT_GE(calls, 2);
}

TEST_F(Refusals, MessageFiltersAndPeeking) {
  HWND a = TopLevel(0, 0, 10, 10);
  HWND b = TopLevel(20, 0, 10, 10);
  person.Pump();
  PostMessage(a, WM_USER + 1, 0, 0);
  PostMessage(b, WM_USER + 2, 0, 0);
  PostMessage(a, WM_USER + 3, 0, 0);
  PostThreadMessage(static_cast<DWORD>(GetWindowThreadProcessId(a, nullptr)), WM_USER + 4, 0, 0);
  MSG msg;
  ASSERT_TRUE(PeekMessage(&msg, b, 0, 0, PM_NOREMOVE));
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_USER + 2));
  ASSERT_TRUE(PeekMessage(&msg, nullptr, WM_USER + 3, WM_USER + 4, PM_REMOVE));
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_USER + 3));
  ASSERT_TRUE(PeekMessage(&msg, reinterpret_cast<HWND>(-1), 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_USER + 4));
  EXPECT_EQ(msg.hwnd, nullptr);
  ASSERT_TRUE(GetMessage(&msg, nullptr, 0, 0));
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_USER + 1));
  ASSERT_TRUE(GetMessage(&msg, nullptr, 0, 0));
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_USER + 2));
  EXPECT_FALSE(PeekMessage(&msg, nullptr, WM_USER, WM_USER + 10, PM_REMOVE));
  PostQuitMessage(3);
  EXPECT_FALSE(GetMessage(&msg, nullptr, 0, 0));
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT));
  EXPECT_EQ(msg.wParam, 3u);
}

}  // namespace
