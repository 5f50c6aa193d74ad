// Owners and reparenting, redrawing switched off and on, the screen DC, keys the window
// system acts on itself.

#include "Guitestwindow.h"

namespace {

using guitest::Log;
using guitest::Messages;
using Messages_t = std::vector<UINT>;

class Family : public guitest::Screen {};

TEST_F(Family, OwnedWindowsGoWithTheirOwnerAndHandActivationBack) {
  HWND owner = TopLevel(0, 0, 100, 100);
  HWND popup = CreateWindowEx(0, "TestWindow", "Popup", WS_POPUP | WS_VISIBLE, 20, 20, 50, 50, owner, nullptr, nullptr, nullptr);
  EXPECT_EQ(GetWindow(popup, GW_OWNER), owner);
  EXPECT_EQ(GetParent(popup), owner) << "a popup's parent is its owner";
  EXPECT_EQ(GetActiveWindow(), popup);
  ShowWindow(popup, SW_HIDE);
  EXPECT_EQ(GetActiveWindow(), owner) << "the owner becomes active again";
  DestroyWindow(owner);
  EXPECT_FALSE(IsWindow(popup)) << "owned windows go first";
}

TEST_F(Family, ReparentingMovesAWindowBetweenParents) {
  HWND a = TopLevel(0, 0, 100, 100);
  HWND b = TopLevel(200, 0, 100, 100);
  HWND child = Child(a, 10, 10, 20, 20);
  EXPECT_EQ(SetParent(child, b), a);
  EXPECT_EQ(GetParent(child), b);
  EXPECT_TRUE(IsChild(b, child));
  EXPECT_FALSE(IsChild(a, child));
  RECT r;
  GetWindowRect(child, &r);
  EXPECT_EQ(r.left, 210);
  EXPECT_EQ(SetParent(b, child), nullptr) << "no window into its own descendant";
  DestroyWindow(b);
  EXPECT_FALSE(IsWindow(child));
}

TEST_F(Family, RedrawSwitchedOffPaintsNothingUntilOn) {
  HWND top = TopLevel(0, 0, 100, 100);
  person.Pump();
  SendMessage(top, WM_SETREDRAW, FALSE, 0);
  Log().clear();
  InvalidateRect(top, nullptr, TRUE);
  person.Pump();
  EXPECT_TRUE(Messages({WM_PAINT}).empty());
  SendMessage(top, WM_SETREDRAW, TRUE, 0);
  RedrawWindow(top, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
  // The background is erased from inside BeginPaint, so while WM_PAINT is handled.
  EXPECT_EQ(Messages({WM_NCPAINT, WM_ERASEBKGND, WM_PAINT}), (Messages_t{WM_NCPAINT, WM_PAINT, WM_ERASEBKGND}));
  // UpdateWindow paints a window and its children at once, parents first.
  HWND child = Child(top, 0, 0, 10, 10);
  InvalidateRect(top, nullptr, FALSE);
  InvalidateRect(child, nullptr, FALSE);
  Log().clear();
  UpdateWindow(top);
  std::vector<HWND> painted;
  for (const auto& m : Log())
    if (m.message == WM_PAINT) painted.push_back(m.window);
  EXPECT_EQ(painted, (std::vector<HWND>{top, child}));
}

TEST_F(Family, TheScreenDcDrawsBehindTheWindows) {
  HWND top = TopLevel(0, 0, 50, 50);
  person.Pump();
  HDC screenDc = GetDC(nullptr);
  RECT all{0, 0, 640, 480};
  FillRect(screenDc, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  ReleaseDC(nullptr, screenDc);
  EXPECT_EQ(screen.Pixel(100, 100), RGB(0, 0, 0));
  EXPECT_EQ(screen.Pixel(10, 10), RGB(255, 255, 255)) << "the window stays above";
  screenDc = GetDC(nullptr);
  FillRect(screenDc, &all, GetSysColorBrush(COLOR_DESKTOP));
  ReleaseDC(nullptr, screenDc);
  DestroyWindow(top);
}

TEST_F(Family, KeysTheWindowSystemActsOn) {
  HWND top = TopLevel(0, 0, 100, 100, WS_OVERLAPPEDWINDOW | WS_VISIBLE);
  SetFocus(top);
  Log().clear();
  person.PressKey(VK_F10);
  person.Pump();
  EXPECT_EQ(Messages({WM_SYSKEYDOWN, WM_KEYDOWN}), (Messages_t{WM_SYSKEYDOWN}));
  // Caps Lock turns letters upper case; Shift turns them back.
  person.PressKey(VK_CAPITAL);
  Log().clear();
  person.Type("a");
  person.PressKey('B', true);
  person.PressKey(VK_CAPITAL);
  person.Pump();
  std::string typed;
  for (const auto& m : Log())
    if (m.message == WM_CHAR) typed += static_cast<char>(m.w);
  EXPECT_EQ(typed, "Ab");
  // Alt+F4 closes the window.
  person.PressKey(VK_F4, false, false, true);
  person.Pump();
  EXPECT_FALSE(IsWindow(top));
}

}  // namespace
