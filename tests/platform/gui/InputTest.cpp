// Mouse and keyboard input routed to windows: message order, double clicks, keys and
// characters, keyboard state, capture, focus and activation, cursors.

#include "Guitestwindow.h"

namespace {

using guitest::Log;
using guitest::Messages;
using Messages_t = std::vector<UINT>;

class Input : public guitest::Screen {};

const std::initializer_list<UINT> kMouse = {WM_MOUSEACTIVATE, WM_SETCURSOR, WM_MOUSEMOVE, WM_LBUTTONDOWN,
                                            WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_RBUTTONDOWN, WM_RBUTTONUP};

TEST_F(Input, ClickMessageOrderAndCoordinates) {
  HWND back = TopLevel(0, 0, 100, 100);
  HWND front = TopLevel(100, 100, 200, 100, WS_POPUP | WS_VISIBLE | WS_BORDER);
  SetActiveWindow(back);
  EXPECT_EQ(GetActiveWindow(), back);
  Log().clear();
  person.Click(150, 130);
  person.Pump();
  EXPECT_EQ(Messages(kMouse, front), (Messages_t{WM_SETCURSOR, WM_MOUSEMOVE, WM_MOUSEACTIVATE, WM_SETCURSOR,
                                                 WM_LBUTTONDOWN, WM_SETCURSOR, WM_LBUTTONUP}));
  EXPECT_EQ(GetActiveWindow(), front) << "a press activates";
  const auto& down = *std::find_if(Log().begin(), Log().end(), [](const auto& m) { return m.message == WM_LBUTTONDOWN; });
  EXPECT_EQ(GET_X_LPARAM(down.l), 49) << "client coordinates inside the border";
  EXPECT_EQ(GET_Y_LPARAM(down.l), 29);
  EXPECT_EQ(down.w, MK_LBUTTON);
  EXPECT_EQ(GetCursor(), LoadCursor(nullptr, MAKEINTRESOURCE(IDC_ARROW))) << "the class cursor";
}

TEST_F(Input, DoubleClicks) {
  HWND dbl = TopLevel(0, 0, 100, 100);
  HWND plain = CreateWindowEx(0, "TestPlain", "", WS_POPUP | WS_VISIBLE, 200, 0, 100, 100, nullptr, nullptr, nullptr, nullptr);
  const std::initializer_list<UINT> buttons = {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK};
  person.DoubleClick(10, 10);
  person.Pump();
  EXPECT_EQ(Messages(buttons, dbl), (Messages_t{WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP}));
  person.DoubleClick(210, 10);
  person.Pump();
  EXPECT_EQ(Messages(buttons, plain), (Messages_t{WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDOWN, WM_LBUTTONUP}))
      << "only classes that ask get double clicks";
  // Too slow, or too far apart, is two clicks.
  Log().clear();
  person.Click(10, 10);
  person.Advance(GetDoubleClickTime() + 1);
  person.Click(10, 10);
  person.Click(30, 10);
  person.Pump();
  EXPECT_EQ(Messages({WM_LBUTTONDBLCLK}, dbl).size(), 0u);
}

TEST_F(Input, KeysCharactersAndKeyboardState) {
  HWND top = TopLevel(0, 0, 100, 100);
  SetFocus(top);
  Log().clear();
  person.PressKey('A');
  person.Pump();
  EXPECT_EQ(Messages({WM_KEYDOWN, WM_CHAR, WM_KEYUP}), (Messages_t{WM_KEYDOWN, WM_CHAR, WM_KEYUP}));
  EXPECT_EQ(Log()[1].w, static_cast<WPARAM>('a'));
  LPARAM downBits = Log()[0].l, upBits = Log()[2].l;
  EXPECT_EQ(downBits & 0xFFFF, 1) << "repeat count";
  EXPECT_EQ((downBits >> 16) & 0xFF, 0x1E) << "scan code";
  EXPECT_EQ(downBits >> 30, 0) << "was up, goes down";
  EXPECT_EQ((upBits >> 30) & 3, 3) << "was down, goes up";

  Log().clear();
  person.Type("B!");
  person.Pump();
  std::string typed;
  for (const auto& m : Log())
    if (m.message == WM_CHAR) typed += static_cast<char>(m.w);
  EXPECT_EQ(typed, "B!");

  // A character beyond the keyboard arrives as typed.
  Log().clear();
  person.Type("Ж");
  person.Pump();
  ASSERT_EQ(Messages({WM_CHAR}).size(), 1u);
  EXPECT_EQ(std::find_if(Log().begin(), Log().end(), [](const auto& m) { return m.message == WM_CHAR; })->w,
            static_cast<WPARAM>(static_cast<unsigned char>("Ж"[0])));

  // Alt makes system keys; Ctrl with a letter makes a control character.
  Log().clear();
  person.PressKey('X', false, false, true);
  person.PressKey('C', false, true, false);
  person.Pump();
  EXPECT_EQ(Messages({WM_SYSKEYDOWN, WM_SYSCHAR}), (Messages_t{WM_SYSKEYDOWN, WM_SYSKEYDOWN, WM_SYSCHAR}));
  bool ctrlC = false;
  for (const auto& m : Log()) ctrlC = ctrlC || (m.message == WM_CHAR && m.w == 3);
  EXPECT_TRUE(ctrlC);

  // Left and right modifiers, the Windows and Applications keys.
  keybd_event(VK_RCONTROL, 0, KEYEVENTF_EXTENDEDKEY, 0);
  keybd_event(VK_LWIN, 0, 0, 0);
  keybd_event(VK_APPS, 0, 0, 0);
  EXPECT_LT(GetAsyncKeyState(VK_RCONTROL), 0);
  EXPECT_LT(GetAsyncKeyState(VK_CONTROL), 0);
  EXPECT_EQ(GetAsyncKeyState(VK_LCONTROL), 0);
  EXPECT_LT(GetAsyncKeyState(VK_LWIN), 0);
  EXPECT_LT(GetAsyncKeyState(VK_APPS), 0);
  EXPECT_GE(GetKeyState(VK_CONTROL), 0) << "the thread's state follows the messages it took";
  Log().clear();
  person.Pump();
  EXPECT_LT(GetKeyState(VK_RCONTROL), 0);
  EXPECT_EQ(Log().front().l & (LPARAM{1} << 24), LPARAM{1} << 24) << "right Ctrl is an extended key";
  EXPECT_EQ(Log().front().w, static_cast<WPARAM>(VK_CONTROL));
  keybd_event(VK_RCONTROL, 0, KEYEVENTF_EXTENDEDKEY | KEYEVENTF_KEYUP, 0);
  keybd_event(VK_LWIN, 0, KEYEVENTF_KEYUP, 0);
  keybd_event(VK_APPS, 0, KEYEVENTF_KEYUP, 0);
  person.Pump();
  EXPECT_EQ(GetAsyncKeyState(VK_CONTROL), 0);
  EXPECT_GE(GetKeyState(VK_LWIN), 0);
  EXPECT_EQ(GetKeyState(VK_LWIN) & 1, 1) << "toggled by the press";
}

TEST_F(Input, WheelGoesToTheWindowUnderThePointerAndUpToTheParent) {
  HWND top = TopLevel(0, 0, 100, 100);
  HWND child = Child(top, 0, 0, 50, 50);
  HWND focused = Child(top, 50, 50, 50, 50);
  SetFocus(focused);
  person.MoveTo(10, 10);
  person.Pump();
  Log().clear();
  person.Wheel(-WHEEL_DELTA);
  person.Pump();
  std::vector<std::pair<HWND, int>> wheels;
  for (const auto& m : Log())
    if (m.message == WM_MOUSEWHEEL) wheels.emplace_back(m.window, GET_WHEEL_DELTA_WPARAM(m.w));
  std::vector<std::pair<HWND, int>> expected{{child, -WHEEL_DELTA}, {top, -WHEEL_DELTA}};
  EXPECT_EQ(wheels, expected) << "the default procedure hands it to the parent";
}

TEST_F(Input, CaptureMoves) {
  HWND a = TopLevel(0, 0, 100, 100);
  HWND b = TopLevel(200, 0, 100, 100);
  EXPECT_EQ(SetCapture(a), nullptr);
  Log().clear();
  person.MoveTo(250, 50);
  person.Pump();
  ASSERT_EQ(Messages({WM_MOUSEMOVE}, a).size(), 1u) << "the captured window gets the mouse everywhere";
  EXPECT_TRUE(Messages({WM_MOUSEMOVE}, b).empty());
  auto move = std::find_if(Log().begin(), Log().end(), [](const auto& m) { return m.message == WM_MOUSEMOVE; });
  EXPECT_EQ(GET_X_LPARAM(move->l), 250);
  EXPECT_EQ(SetCapture(b), a);
  EXPECT_EQ(Messages({WM_CAPTURECHANGED}, a).size(), 1u);
  ReleaseCapture();
  EXPECT_EQ(Messages({WM_CAPTURECHANGED}, b).size(), 1u);
  EXPECT_EQ(GetCapture(), nullptr);
  // Destroying the captured window lets the capture go.
  SetCapture(a);
  DestroyWindow(a);
  EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(Input, FocusAndActivationMoves) {
  HWND a = TopLevel(0, 0, 100, 100);
  HWND edit1 = Child(a, 0, 0, 40, 20);
  HWND edit2 = Child(a, 0, 30, 40, 20);
  HWND b = TopLevel(200, 0, 100, 100);
  SetFocus(edit1);
  EXPECT_EQ(GetActiveWindow(), a);
  Log().clear();
  SetFocus(edit2);
  ASSERT_EQ(Log().size(), 2u);
  EXPECT_EQ(Log()[0].window, edit1);
  EXPECT_EQ(Log()[0].message, static_cast<UINT>(WM_KILLFOCUS));
  EXPECT_EQ(Log()[0].w, reinterpret_cast<WPARAM>(edit2));
  EXPECT_EQ(Log()[1].window, edit2);
  EXPECT_EQ(Log()[1].message, static_cast<UINT>(WM_SETFOCUS));
  EXPECT_EQ(Log()[1].w, reinterpret_cast<WPARAM>(edit1));
  // A click on the other window moves activation and focus there.
  Log().clear();
  person.Click(250, 50);
  person.Pump();
  EXPECT_EQ(GetActiveWindow(), b);
  EXPECT_EQ(GetFocus(), b);
  std::vector<std::pair<HWND, UINT>> order;
  for (const auto& m : Log())
    if (m.message == WM_ACTIVATE || m.message == WM_KILLFOCUS || m.message == WM_SETFOCUS) order.emplace_back(m.window, m.message);
  std::vector<std::pair<HWND, UINT>> expected{{a, WM_ACTIVATE}, {b, WM_ACTIVATE}, {edit2, WM_KILLFOCUS}, {b, WM_SETFOCUS}};
  EXPECT_EQ(order, expected);
  auto activate = std::find_if(Log().begin(), Log().end(), [&](const auto& m) { return m.message == WM_ACTIVATE && m.window == b; });
  EXPECT_EQ(LOWORD(activate->w), static_cast<WORD>(WA_CLICKACTIVE));
  // A disabled window refuses the click with a beep.
  int beeps = screen.Beeps();
  EnableWindow(a, FALSE);
  person.Click(50, 50);
  person.Pump();
  EXPECT_EQ(GetActiveWindow(), b);
  EXPECT_EQ(screen.Beeps(), beeps + 1);
  // Keys go to the focus window.
  SetFocus(b);
  Log().clear();
  person.PressKey(VK_RETURN);
  person.Pump();
  EXPECT_EQ(Messages({WM_KEYDOWN}, b).size(), 1u);
}

TEST_F(Input, InjectedMouseEventsAndCursors) {
  HWND top = TopLevel(0, 0, 200, 200);
  SetCursorPos(20, 30);
  POINT p;
  GetCursorPos(&p);
  EXPECT_EQ(p.x, 20);
  mouse_event(MOUSEEVENTF_MOVE, static_cast<DWORD>(-5), 10, 0, 0);
  GetCursorPos(&p);
  EXPECT_EQ(p.x, 15);
  EXPECT_EQ(p.y, 40);
  mouse_event(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, 32768, 32768, 0, 0);
  GetCursorPos(&p);
  EXPECT_EQ(p.x, 320);
  EXPECT_EQ(p.y, 240);
  SetCursorPos(-50, 100000);
  GetCursorPos(&p);
  EXPECT_EQ(p.x, 0) << "kept on the screen";
  EXPECT_EQ(p.y, 479);
  // Swapped buttons: the physical left button is the logical right one.
  SetCursorPos(50, 50);
  SwapMouseButton(TRUE);
  Log().clear();
  mouse_event(MOUSEEVENTF_LEFTDOWN, 0, 0, 0, 0);
  mouse_event(MOUSEEVENTF_LEFTUP, 0, 0, 0, 0);
  person.Pump();
  SwapMouseButton(FALSE);
  EXPECT_EQ(Messages({WM_LBUTTONDOWN, WM_RBUTTONDOWN, WM_RBUTTONUP}, top), (Messages_t{WM_RBUTTONDOWN, WM_RBUTTONUP}));
  // Cursors: standard shapes, a blank one made from masks, system cursor replacement.
  HCURSOR hand = LoadCursor(nullptr, MAKEINTRESOURCE(IDC_HAND));
  SetCursor(hand);
  EXPECT_EQ(platform::ShownCursorShape(), platform::CursorShape::Hand);
  unsigned char andMask[32 * 4], xorMask[32 * 4];
  std::fill(std::begin(andMask), std::end(andMask), 0xFF);
  std::fill(std::begin(xorMask), std::end(xorMask), 0x00);
  HCURSOR blank = CreateCursor(nullptr, 0, 0, 32, 32, andMask, xorMask);
  EXPECT_EQ(platform::ShapeOf(blank), platform::CursorShape::Blank);
  SetCursor(LoadCursor(nullptr, MAKEINTRESOURCE(IDC_ARROW)));
  EXPECT_TRUE(SetSystemCursor(blank, OCR_NORMAL));
  EXPECT_EQ(platform::ShownCursorShape(), platform::CursorShape::Blank);
  SystemParametersInfo(SPI_SETCURSORS, 0, nullptr, 0);
  EXPECT_EQ(platform::ShownCursorShape(), platform::CursorShape::Arrow);
}

}  // namespace
