// The X display under an Xvfb of the test's own: windows shown from their surfaces,
// input injected through XTest coming back as messages, another X client moving and
// closing our window, the clipboard with xclip, real fonts on screen, a lost server.

#include <gtest/gtest.h>

#include "platform/display/Pngfile.h"
#include "platform/display/Programdisplay.h"
#include "platform/display/X11display.h"
#include "platform/display/X11keys.h"
#include "platform/gui/Freetypefont.h"
#include "platform/gui/Gui.h"
#include "platform/gui/Windowdirectory.h"
#include "platform/kernel/Codepage.h"
#include "tests/support/Testsupport.h"
#include "tests/support/Xvfbserver.h"

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <future>
#include <thread>
#include <vector>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>

using platform::X11Display;
using xvfbtest::XvfbServer;

namespace {

struct Logged {
  UINT message;
  WPARAM w;
  LPARAM l;
};

std::vector<Logged> g_log;
HFONT g_font = nullptr;
const char* g_lines[2] = {"Latin text: The quick brown fox", "Кириллица: съешь же ещё этих булок"};

LRESULT TestProc(HWND h, UINT m, WPARAM w, LPARAM l) {
  g_log.push_back(Logged{m, w, l});
  if (m == WM_PAINT) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(h, &ps);
    RECT r;
    GetClientRect(h, &r);
    HBRUSH paper = CreateSolidBrush(RGB(255, 250, 230));
    FillRect(dc, &r, paper);
    DeleteObject(paper);
    HBRUSH mark = CreateSolidBrush(RGB(30, 90, 200));
    RECT corner{0, 0, 12, 12};
    FillRect(dc, &corner, mark);
    DeleteObject(mark);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(0, 0, 0));
    HGDIOBJ old = g_font ? SelectObject(dc, g_font) : nullptr;
    TEXTMETRIC tm;
    GetTextMetrics(dc, &tm);
    for (int i = 0; i < 2; ++i)
      TextOut(dc, 16, 14 + i * (tm.tmHeight + 6), g_lines[i], static_cast<int>(std::strlen(g_lines[i])));
    if (old) SelectObject(dc, old);
    EndPaint(h, &ps);
    return 0;
  }
  if (m == WM_CLOSE) return 0;
  return DefWindowProc(h, m, w, l);
}

bool Logs(UINT message) {
  for (const Logged& e : g_log)
    if (e.message == message) return true;
  return false;
}

const Logged* Find(UINT message, WPARAM w = ~WPARAM{0}) {
  for (const Logged& e : g_log)
    if (e.message == message && (w == ~WPARAM{0} || e.w == w)) return &e;
  return nullptr;
}

class X11Screen : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { server = new XvfbServer(); }
  static void TearDownTestSuite() {
    delete server;
    server = nullptr;
  }

  void SetUp() override {
    ASSERT_TRUE(server->Running()) << "Xvfb did not start";
    display = std::make_unique<X11Display>(server->Name());
    ASSERT_TRUE(display->Connected());
    display->Install();
    peer = XOpenDisplay(server->Name().c_str());
    ASSERT_NE(peer, nullptr);
    static bool registered = false;
    if (!registered) {
      WNDCLASS c{};
      c.lpfnWndProc = TestProc;
      c.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
      c.hCursor = LoadCursor(nullptr, MAKEINTRESOURCE(IDC_ARROW));
      c.lpszClassName = "X11Test";
      ASSERT_TRUE(RegisterClass(&c));
      registered = true;
    }
    g_log.clear();
  }

  void TearDown() override {
    for (HWND h : windows)
      if (IsWindow(h)) DestroyWindow(h);
    Pump();
    if (g_font) DeleteObject(g_font);
    g_font = nullptr;
    display.reset();
    if (peer) XCloseDisplay(peer);
    platform::SetFontEngine(nullptr);
  }

  HWND Open(int x, int y, int w, int h, const char* title = "Проба") {
    HWND window = CreateWindowEx(0, "X11Test", title, WS_POPUP | WS_VISIBLE, x, y, w, h, nullptr, nullptr, nullptr, nullptr);
    windows.push_back(window);
    UpdateWindow(window);
    return window;
  }

  void Pump() {
    MSG m;
    while (PeekMessage(&m, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&m);
      DispatchMessage(&m);
    }
    display->WaitForInput(5);
  }

  bool PumpUntil(const std::function<bool()>& done, int ms = 60000) {  // the bound only ends a fault
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (std::chrono::steady_clock::now() < end) {
      Pump();
      if (done()) return true;
    }
    return done();
  }

  bool Viewable(HWND h) {
    XWindowAttributes a;
    return XGetWindowAttributes(peer, display->XWindowOf(h), &a) && a.map_state == IsViewable;
  }

  // The window's pixels as the X server has them.
  platform::Pixmap ServerPixels(HWND h) {
    RECT r;
    GetWindowRect(h, &r);
    platform::Pixmap out(r.right - r.left, r.bottom - r.top);
    XImage* image = XGetImage(peer, display->XWindowOf(h), 0, 0, static_cast<unsigned>(out.Width()),
                              static_cast<unsigned>(out.Height()), AllPlanes, ZPixmap);
    if (!image) return out;
    for (int y = 0; y < out.Height(); ++y)
      for (int x = 0; x < out.Width(); ++x) out.Row(y)[x] = static_cast<std::uint32_t>(XGetPixel(image, x, y)) & 0xFFFFFF;
    XDestroyImage(image);
    return out;
  }

  int Mismatches(HWND h) {
    platform::Pixmap shown = ServerPixels(h);
    const platform::Pixmap& ours = *platform::FindWindowObject(h)->surface;
    int bad = 0;
    for (int y = 0; y < shown.Height(); ++y)
      for (int x = 0; x < shown.Width(); ++x) bad += shown.At(x, y) != (ours.At(x, y) & 0xFFFFFF);
    return bad;
  }

  static XvfbServer* server;
  std::unique_ptr<X11Display> display;
  Display* peer = nullptr;
  std::vector<HWND> windows;
};

XvfbServer* X11Screen::server = nullptr;

TEST_F(X11Screen, ShowsTheSurfaceAndTitle) {
  HWND h = Open(50, 60, 300, 120);
  ASSERT_TRUE(PumpUntil([&] { return Viewable(h); }));
  EXPECT_TRUE(PumpUntil([&] { return Mismatches(h) == 0; })) << Mismatches(h) << " pixels differ";
  platform::Pixmap shown = ServerPixels(h);
  EXPECT_EQ(shown.At(3, 3), 0x1E5AC8u);  // the blue corner, in the X server's pixels
  EXPECT_EQ(shown.At(290, 110), 0xFFFAE6u);
  // The title in UTF-8 for the window manager.
  auto title = [&] {
    Atom utf8 = XInternAtom(peer, "UTF8_STRING", False), name = XInternAtom(peer, "_NET_WM_NAME", False);
    Atom type;
    int format;
    unsigned long items, after;
    unsigned char* data = nullptr;
    std::string text;
    if (XGetWindowProperty(peer, display->XWindowOf(h), name, 0, 100, False, utf8, &type, &format, &items, &after,
                           &data) == Success && data)
      text.assign(reinterpret_cast<char*>(data), items);
    if (data) XFree(data);
    return text;
  };
  EXPECT_EQ(title(), platform::AnsiToUtf8("Проба"));
  SetWindowText(h, "Другое");
  EXPECT_TRUE(PumpUntil([&] { return title() == platform::AnsiToUtf8("Другое"); })) << title();
  // A caption laid out in columns reaches the window list without its padding.
  SetWindowText(h, "  1.2      Блок   (10%)       ");
  EXPECT_TRUE(PumpUntil([&] { return title() == platform::AnsiToUtf8("1.2 Блок (10%)"); })) << title();
  char kept[64] = {};
  GetWindowText(h, kept, sizeof kept);
  EXPECT_STREQ(kept, "  1.2      Блок   (10%)       ");
  // Hidden windows leave the screen; a changed surface reaches the server.
  ShowWindow(h, SW_HIDE);
  EXPECT_TRUE(PumpUntil([&] { return !Viewable(h); }));
  ShowWindow(h, SW_SHOWNA);
  EXPECT_TRUE(PumpUntil([&] { return Viewable(h); }));
  HDC dc = GetDC(h);
  RECT patch{100, 50, 140, 70};
  HBRUSH green = CreateSolidBrush(RGB(0, 160, 0));
  FillRect(dc, &patch, green);
  DeleteObject(green);
  ReleaseDC(h, dc);
  Pump();
  EXPECT_TRUE(PumpUntil([&] { return ServerPixels(h).At(120, 60) == 0x00A000u; }));
  DestroyWindow(h);
  Pump();
  EXPECT_EQ(display->XWindowOf(h), 0u);
}

// The screen's pixels are the X server's: the program keeps no surface of the screen's
// size, and the screen's context still measures the whole screen and draws harmlessly.
TEST_F(X11Screen, TheDesktopKeepsNoSurfaceOfTheScreensSize) {
  HWND h = Open(50, 60, 300, 120);
  ASSERT_TRUE(PumpUntil([&] { return Viewable(h); }));
  const platform::Window* desktop = platform::Desktop();
  ASSERT_TRUE(desktop->surface);
  EXPECT_LT(desktop->surface->Width(), 800);
  EXPECT_LT(desktop->surface->Height(), 600);
  EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 800);
  EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), 600);
  HDC screen = GetDC(nullptr);
  EXPECT_EQ(GetDeviceCaps(screen, HORZRES), 800);
  EXPECT_EQ(GetDeviceCaps(screen, VERTRES), 600);
  RECT frame{40, 50, 400, 200};  // a drag's frame over our window
  InvertRect(screen, &frame);
  ReleaseDC(nullptr, screen);
  EXPECT_TRUE(PumpUntil([&] { return Mismatches(h) == 0; })) << "the window's pixels changed";
}

TEST_F(X11Screen, InjectedClicksWheelAndKeysComeBackAsMessages) {
  HWND h = Open(50, 60, 300, 120);
  ASSERT_TRUE(PumpUntil([&] { return Viewable(h); }));
  SetCursorPos(70, 90);
  mouse_event(MOUSEEVENTF_LEFTDOWN, 0, 0, 0, 0);
  mouse_event(MOUSEEVENTF_LEFTUP, 0, 0, 0, 0);
  ASSERT_TRUE(PumpUntil([] { return Logs(WM_LBUTTONUP); }));
  const Logged* down = Find(WM_LBUTTONDOWN);
  ASSERT_NE(down, nullptr);
  EXPECT_EQ(LOWORD(down->l), 20);
  EXPECT_EQ(HIWORD(down->l), 30);
  POINT p;
  GetCursorPos(&p);
  EXPECT_EQ(p.x, 70);
  EXPECT_EQ(p.y, 90);
  EXPECT_EQ(GetActiveWindow(), h);
  // A relative move and the wheel.
  mouse_event(MOUSEEVENTF_MOVE, 10, 5, 0, 0);
  mouse_event(MOUSEEVENTF_WHEEL, 0, 0, static_cast<DWORD>(-120), 0);
  ASSERT_TRUE(PumpUntil([] { return Logs(WM_MOUSEWHEEL); }));
  EXPECT_EQ(static_cast<short>(HIWORD(Find(WM_MOUSEWHEEL)->w)), -120);
  GetCursorPos(&p);
  EXPECT_EQ(p.x, 80);
  EXPECT_EQ(p.y, 95);
  // Over no window of ours the position is still the real pointer's.
  SetCursorPos(700, 550);
  GetCursorPos(&p);
  EXPECT_EQ(p.x, 700);
  EXPECT_EQ(p.y, 550);
  mouse_event(MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE, 32768, 32768, 0, 0);
  GetCursorPos(&p);
  EXPECT_EQ(p.x, 400);
  EXPECT_EQ(p.y, 300);
  mouse_event(MOUSEEVENTF_LEFTDOWN, 0, 0, 0, 0);
  EXPECT_TRUE(GetAsyncKeyState(VK_LBUTTON) & 0x8000);
  mouse_event(MOUSEEVENTF_LEFTUP, 0, 0, 0, 0);
  EXPECT_FALSE(GetAsyncKeyState(VK_LBUTTON) & 0x8000);
  SetCursorPos(80, 95);

  // Keys through the server's keyboard: the real keyboard's state is what
  // GetAsyncKeyState reports.
  ASSERT_TRUE(PumpUntil([&] { return GetFocus() == h || GetActiveWindow() == h; }));
  SetFocus(h);
  keybd_event(VK_SHIFT, 0, 0, 0);
  EXPECT_TRUE(GetAsyncKeyState(VK_SHIFT) & 0x8000);
  EXPECT_TRUE(GetAsyncKeyState(VK_LSHIFT) & 0x8000);
  EXPECT_FALSE(GetAsyncKeyState(VK_RSHIFT) & 0x8000);
  keybd_event('A', 0, 0, 0);
  EXPECT_TRUE(GetAsyncKeyState('A') & 0x8000);
  keybd_event('A', 0, KEYEVENTF_KEYUP, 0);
  keybd_event(VK_SHIFT, 0, KEYEVENTF_KEYUP, 0);
  EXPECT_FALSE(GetAsyncKeyState(VK_SHIFT) & 0x8000);
  keybd_event('B', 0, 0, 0);
  keybd_event('B', 0, KEYEVENTF_KEYUP, 0);
  keybd_event(VK_RETURN, 0, 0, 0);
  keybd_event(VK_RETURN, 0, KEYEVENTF_KEYUP, 0);
  ASSERT_TRUE(PumpUntil([] { return Find(WM_KEYUP, VK_RETURN) != nullptr; }));
  // A character that no key of this keyboard types goes through a key lent to it, so
  // that it reaches other programs as well as ours.
  keybd_event(VK_PACKET, static_cast<BYTE>('ж'), KEYEVENTF_UNICODE, 0);
  keybd_event(VK_PACKET, static_cast<BYTE>('ж'), KEYEVENTF_UNICODE | KEYEVENTF_KEYUP, 0);
  ASSERT_TRUE(PumpUntil([] { return Find(WM_CHAR, static_cast<BYTE>('ж')) != nullptr; }));
  std::string typed;
  for (const Logged& e : g_log)
    if (e.message == WM_CHAR) typed += static_cast<char>(e.w);
  EXPECT_EQ(typed, "Ab\rж");
  Display* fresh = XOpenDisplay(server->Name().c_str());
  ASSERT_NE(fresh, nullptr);
  EXPECT_NE(XKeysymToKeycode(fresh, XK_Cyrillic_zhe), 0);
  XCloseDisplay(fresh);
  EXPECT_NE(Find(WM_KEYDOWN, 'A'), nullptr);
  EXPECT_NE(Find(WM_KEYUP, VK_SHIFT), nullptr);
  EXPECT_NE(Find(WM_KEYDOWN, VK_RETURN), nullptr);
}

TEST_F(X11Screen, AnotherClientMovesResizesAndClosesTheWindow) {
  HWND h = Open(50, 60, 300, 120);
  ASSERT_TRUE(PumpUntil([&] { return Viewable(h); }));
  XMoveResizeWindow(peer, display->XWindowOf(h), 120, 130, 200, 100);
  XSync(peer, False);
  RECT r{};
  EXPECT_TRUE(PumpUntil([&] {
    GetWindowRect(h, &r);
    return r.left == 120 && r.top == 130 && r.right == 320 && r.bottom == 230;
  })) << r.left << "," << r.top << "," << r.right << "," << r.bottom;
  EXPECT_TRUE(PumpUntil([&] { return Mismatches(h) == 0; }));
  // Our own move reaches the server.
  SetWindowPos(h, nullptr, 10, 20, 150, 80, SWP_NOZORDER);
  EXPECT_TRUE(PumpUntil([&] {
    XWindowAttributes a;
    XGetWindowAttributes(peer, display->XWindowOf(h), &a);
    return a.x == 10 && a.y == 20 && a.width == 150 && a.height == 80;
  }));
  // The window manager's close button.
  XEvent e{};
  e.xclient.type = ClientMessage;
  e.xclient.window = display->XWindowOf(h);
  e.xclient.message_type = XInternAtom(peer, "WM_PROTOCOLS", False);
  e.xclient.format = 32;
  e.xclient.data.l[0] = static_cast<long>(XInternAtom(peer, "WM_DELETE_WINDOW", False));
  XSendEvent(peer, e.xclient.window, False, NoEventMask, &e);
  XSync(peer, False);
  EXPECT_TRUE(PumpUntil([] { return Logs(WM_CLOSE); }));
}

TEST_F(X11Screen, WindowFromPointSeesWindowsOfOtherProcesses) {
  HWND h = Open(50, 60, 300, 120);
  ASSERT_TRUE(PumpUntil([&] { return Viewable(h); }));
  EXPECT_EQ(WindowFromPoint(POINT{100, 100}), h);
  // A window of another program of ours (its process id and handle as ours publish
  // them) and a window of some other program.
  auto other = [&](int x, int y, long pid, long tag) {
    ::Window w = XCreateSimpleWindow(peer, DefaultRootWindow(peer), x, y, 60, 40, 0, 0, 0);
    XSetWindowAttributes a{};
    a.override_redirect = True;
    XChangeWindowAttributes(peer, w, CWOverrideRedirect, &a);
    if (pid) {
      XChangeProperty(peer, w, XInternAtom(peer, "_NET_WM_PID", False), XA_CARDINAL, 32, PropModeReplace,
                      reinterpret_cast<unsigned char*>(&pid), 1);
      XChangeProperty(peer, w, XInternAtom(peer, "QUILLARAN_WINDOW", False), XA_CARDINAL, 32, PropModeReplace,
                      reinterpret_cast<unsigned char*>(&tag), 1);
    }
    XMapRaised(peer, w);
    XSync(peer, False);
    return w;
  };
  ::Window ours = other(500, 400, 4242, 0x1234);
  ::Window theirs = other(600, 400, 0, 0);
  EXPECT_EQ(WindowFromPoint(POINT{510, 410}), platform::RemoteHandle(4242, 0x1234));
  EXPECT_EQ(WindowFromPoint(POINT{610, 410}), nullptr);
  // Where another program's window covers ours, it is the one at the point.
  ::Window cover = other(60, 70, 0, 0);
  EXPECT_EQ(WindowFromPoint(POINT{70, 80}), nullptr);
  EXPECT_EQ(WindowFromPoint(POINT{200, 150}), h);
  for (::Window w : {ours, theirs, cover}) XDestroyWindow(peer, w);
  XSync(peer, False);
}

TEST_F(X11Screen, ClipboardTextTravelsBothWaysWithAnotherClient) {
  HWND h = Open(50, 60, 100, 50);
  ASSERT_TRUE(PumpUntil([&] { return Viewable(h); }));
  const std::string env = "DISPLAY=" + server->Name() + " ";
  ASSERT_TRUE(OpenClipboard(h));
  EmptyClipboard();
  ASSERT_TRUE(platform::SetClipboardText("Текст для xclip"));
  CloseClipboard();
  // xclip asks while our loop runs.
  auto pasted = std::async(std::launch::async, [&] { return testsupport::Run(env + "xclip -selection clipboard -o"); });
  ASSERT_TRUE(PumpUntil([&] { return pasted.wait_for(std::chrono::milliseconds(0)) == std::future_status::ready; }));
  EXPECT_EQ(pasted.get(), platform::AnsiToUtf8("Текст для xclip"));

  // Text another client owns arrives in the code page; what it lacks becomes '?'.
  const std::string utf8 = platform::AnsiToUtf8("Из xclip: ") + "a\xE2\x86\x92" "b";
  const Atom selection = XInternAtom(peer, "CLIPBOARD", False);
  const ::Window ours = XGetSelectionOwner(peer, selection);
  testsupport::RunPeer("printf '%s' '" + utf8 + "' | " + env + "xclip -selection clipboard -i >/dev/null 2>&1");
  auto clipboard = [&] {
    if (!OpenClipboard(h)) return std::string();
    std::string text = IsClipboardFormatAvailable(CF_TEXT) ? platform::GetClipboardText() : "";
    CloseClipboard();
    return text;
  };
  // Read the moment xclip owns it, without pumping: our loop has the loss of ownership
  // still queued when we take the clipboard back below.
  ASSERT_TRUE(testsupport::Eventually([&] { return XGetSelectionOwner(peer, selection) != ours; }));
  EXPECT_TRUE(testsupport::Eventually([&] { return clipboard() == "Из xclip: a?b"; })) << clipboard();

  // A text larger than one request travels whole, in pieces.
  std::string large;
  for (int i = 0; large.size() < 700000; ++i) large += "Строка " + std::to_string(i) + " of a long text\r\n";
  ASSERT_TRUE(OpenClipboard(h));
  EmptyClipboard();
  ASSERT_TRUE(platform::SetClipboardText(large));
  CloseClipboard();
  auto whole = std::async(std::launch::async, [&] { return testsupport::Run(env + "xclip -selection clipboard -o"); });
  ASSERT_TRUE(PumpUntil([&] { return whole.wait_for(std::chrono::milliseconds(0)) == std::future_status::ready; }, 20000));
  const std::string got = whole.get();
  EXPECT_EQ(got.size(), platform::AnsiToUtf8(large).size());
  EXPECT_TRUE(got == platform::AnsiToUtf8(large));
}

TEST_F(X11Screen, RealFontsOnScreenLatinAndCyrillic) {
  auto engine = std::make_unique<platform::FreeTypeFontEngine>();
  ASSERT_TRUE(engine->Usable());
  platform::SetFontEngine(std::move(engine));
  g_font = CreateFont(-16, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, "Arial");
  HWND h = Open(40, 40, 380, 80, "Шрифты");
  ASSERT_TRUE(PumpUntil([&] { return Viewable(h); }));
  ASSERT_TRUE(PumpUntil([&] { return Mismatches(h) == 0; }));
  platform::Pixmap shown = ServerPixels(h);
  // Ink on both lines, and none right of the longer one.
  HDC dc = GetDC(h);
  HGDIOBJ old = SelectObject(dc, g_font);
  SIZE second;
  GetTextExtentPoint32(dc, g_lines[1], static_cast<int>(std::strlen(g_lines[1])), &second);
  TEXTMETRIC tm;
  GetTextMetrics(dc, &tm);
  SelectObject(dc, old);
  ReleaseDC(h, dc);
  auto inkIn = [&](int top, int bottom, int left, int right) {
    int n = 0;
    for (int y = top; y < bottom; ++y)
      for (int x = left; x < right; ++x) n += (shown.At(x, y) & 0xFF) < 0x80;
    return n;
  };
  EXPECT_GT(inkIn(14, 14 + tm.tmHeight, 16, 370), 100);
  EXPECT_GT(inkIn(20 + tm.tmHeight, 20 + 2 * tm.tmHeight, 16, 370), 100);
  EXPECT_EQ(inkIn(14, 80, std::min<int>(16 + second.cx + 3, 379), 380), 0);
  if (const char* path = std::getenv("QUILLARAN_SCREENSHOT")) {
    EXPECT_TRUE(platform::WritePng(shown, shown.Bounds(), path));
  }
}

TEST_F(X11Screen, ASecondTopLevelWindowTakesTheKeysAfterTheFirstIsDestroyed) {
  // Xvfb has no window manager: nobody but us moves the X input focus.
  std::vector<std::pair<HWND, char>> typed;
  static std::vector<std::pair<HWND, char>>* sink = nullptr;
  sink = &typed;
  static bool registered = false;
  if (!registered) {
    WNDCLASS c{};
    c.lpfnWndProc = [](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
      if (m == WM_CHAR && sink) sink->emplace_back(h, static_cast<char>(w));
      if (m == WM_ACTIVATE && LOWORD(w) != WA_INACTIVE) SetFocus(h);
      return DefWindowProc(h, m, w, l);
    };
    c.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    c.lpszClassName = "X11TestDialog";
    ASSERT_TRUE(RegisterClass(&c));
    registered = true;
  }
  SetCursorPos(700, 550);  // the pointer over no window of ours
  auto open = [&](const char* title) {
    HWND h = CreateWindowEx(0, "X11TestDialog", title, WS_POPUP | WS_CAPTION | WS_VISIBLE, 100, 100, 300, 150, nullptr,
                            nullptr, nullptr, nullptr);
    windows.push_back(h);
    UpdateWindow(h);
    return h;
  };
  auto type = [&](char c) {
    keybd_event(static_cast<BYTE>(c), 0, 0, 0);
    keybd_event(static_cast<BYTE>(c), 0, KEYEVENTF_KEYUP, 0);
  };
  auto received = [&](HWND h, char c) {
    return std::find(typed.begin(), typed.end(), std::make_pair(h, c)) != typed.end();
  };
  // The program's main window, shown first and active again when a dialog closes.
  HWND main = Open(400, 300, 200, 100);
  ASSERT_TRUE(PumpUntil([&] { return Viewable(main); }));
  HWND first = open("Первый");
  ASSERT_TRUE(PumpUntil([&] { return Viewable(first); }));
  EXPECT_EQ(GetActiveWindow(), first);
  type('A');
  EXPECT_TRUE(PumpUntil([&] { return received(first, 'a'); }));
  // The dialog closes and gives the activation back; the next one opens before the
  // server's answer to that arrives.
  SetActiveWindow(main);
  DestroyWindow(first);
  HWND second = open("Второй");
  ASSERT_TRUE(PumpUntil([&] { return Viewable(second); }));
  type('B');
  EXPECT_TRUE(PumpUntil([&] { return received(second, 'b'); }));
  EXPECT_EQ(GetActiveWindow(), second);
  EXPECT_EQ(GetFocus(), second);
  // Hidden first and destroyed only after the next one is up, as a closed dialog often is.
  ShowWindow(second, SW_HIDE);
  Pump();
  HWND third = open("Третий");
  DestroyWindow(second);
  ASSERT_TRUE(PumpUntil([&] { return Viewable(third); }));
  type('C');
  EXPECT_TRUE(PumpUntil([&] { return received(third, 'c'); }));
  EXPECT_EQ(GetActiveWindow(), third);
  ::Window focus = 0;
  int revert = 0;
  XGetInputFocus(peer, &focus, &revert);
  EXPECT_EQ(focus, display->XWindowOf(third));
  sink = nullptr;
}

TEST(X11Keys, KeysymsAndVirtualKeys) {
  bool extended = true;
  EXPECT_EQ(platform::VirtualKeyOfKeysym(XK_a, &extended), 'A');
  EXPECT_FALSE(extended);
  EXPECT_EQ(platform::VirtualKeyOfKeysym(XK_Left, &extended), VK_LEFT);
  EXPECT_TRUE(extended);
  EXPECT_EQ(platform::VirtualKeyOfKeysym(XK_KP_Left, &extended), VK_LEFT);
  EXPECT_FALSE(extended);
  EXPECT_EQ(platform::VirtualKeyOfKeysym(XK_F12), VK_F12);
  EXPECT_EQ(platform::VirtualKeyOfKeysym(XK_KP_7), VK_NUMPAD0 + 7);
  EXPECT_EQ(platform::VirtualKeyOfKeysym(XK_bracketleft), VK_OEM_4);
  EXPECT_EQ(platform::VirtualKeyOfKeysym(0x1008FF13), 0);  // a media key: unknown, dropped
  for (int vk : std::initializer_list<int>{'A', 'Z', '0', VK_F1, VK_RETURN, VK_LEFT, VK_DELETE, VK_OEM_7, VK_NUMPAD9, VK_LSHIFT, VK_RCONTROL})
    EXPECT_EQ(platform::VirtualKeyOfKeysym(platform::KeysymOfVirtualKey(vk)), vk) << vk;
  EXPECT_EQ(platform::KeysymOfVirtualKey(VK_SHIFT), static_cast<unsigned long>(XK_Shift_L));
  EXPECT_EQ(platform::KeysymOfVirtualKey(0xFF), 0u);
  auto shifts = platform::KeysymsOfVirtualKey(VK_SHIFT);
  EXPECT_NE(std::find(shifts.begin(), shifts.end(), static_cast<unsigned long>(XK_Shift_R)), shifts.end());
  EXPECT_EQ(platform::KeysymsOfVirtualKey(VK_RSHIFT), std::vector<unsigned long>{XK_Shift_R});
  EXPECT_EQ(platform::KeysymsOfVirtualKey('Q'), std::vector<unsigned long>{XK_q});
  EXPECT_TRUE(platform::KeysymsOfVirtualKey(0xFF).empty());
  // Characters: Latin-1, Cyrillic and Unicode keysyms.
  EXPECT_EQ(platform::UnicodeOfKeysym(XK_Cyrillic_zhe), char32_t{0x436});
  EXPECT_EQ(platform::UnicodeOfKeysym(XK_Cyrillic_YA), char32_t{0x42F});
  EXPECT_EQ(platform::UnicodeOfKeysym(XK_Cyrillic_io), char32_t{0x451});
  EXPECT_EQ(platform::UnicodeOfKeysym(XK_eacute), char32_t{0xE9});
  EXPECT_EQ(platform::UnicodeOfKeysym(0x01002192), char32_t{0x2192});
  EXPECT_EQ(platform::UnicodeOfKeysym(XK_Left), 0u);
  for (char32_t u : std::initializer_list<char32_t>{char32_t{'a'}, char32_t{0x436}, char32_t{0x429}, char32_t{0x451}, char32_t{0x401}, char32_t{0xA7}, char32_t{0x2192}})
    EXPECT_EQ(platform::UnicodeOfKeysym(platform::KeysymOfUnicode(u)), u);
}

TEST(X11Connection, NoDisplayMeansNoX11AndALostServerEndsTheProgram) {
  const char* saved = std::getenv("DISPLAY");
  std::string keep = saved ? saved : "";
  unsetenv("DISPLAY");
  EXPECT_EQ(platform::OpenX11DisplayFromEnvironment(), nullptr);
  setenv("DISPLAY", ":4093", 1);  // no such server
  EXPECT_EQ(platform::OpenX11DisplayFromEnvironment(), nullptr);
  if (saved) {
    setenv("DISPLAY", keep.c_str(), 1);
  } else {
    unsetenv("DISPLAY");
  }

  XvfbServer doomed;
  ASSERT_TRUE(doomed.Running());
  const std::string errors = testsupport::ScratchFolder() + "/stderr.txt";
  int connected[2];
  ASSERT_EQ(pipe(connected), 0);
  pid_t child = fork();
  if (child == 0) {
    close(connected[0]);
    int fd = open(errors.c_str(), O_CREAT | O_WRONLY | O_TRUNC, 0600);
    dup2(fd, 2);
    X11Display display(doomed.Name());
    if (!display.Connected()) _exit(2);
    // Tells the test it is connected; the server goes only then.
    if (write(connected[1], "c", 1) != 1) _exit(4);
    // A program that outlives its server for two minutes fails the test (exit 3).
    for (int i = 0; i < 4800; ++i) display.WaitForInput(25);
    _exit(3);
  }
  close(connected[1]);
  char said = 0;
  EXPECT_EQ(read(connected[0], &said, 1), 1) << "the child did not connect";
  close(connected[0]);
  doomed.Stop();
  int status = 0;
  waitpid(child, &status, 0);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 1);
  EXPECT_NE(testsupport::ReadFile(errors).find("connection to the X display was lost"), std::string::npos)
      << testsupport::ReadFile(errors);
}

}  // namespace

namespace {

TEST(ProgramDisplay, X11AndRealFontsWhenDisplayIsSet) {
  const char* saved = std::getenv("DISPLAY");
  std::string keep = saved ? saved : "";
  unsetenv("DISPLAY");
  {
    platform::ProgramDisplay none;
    EXPECT_FALSE(none.OnX11());
    EXPECT_FALSE(none.RealFonts());
  }
  XvfbServer server;
  ASSERT_TRUE(server.Running());
  setenv("DISPLAY", server.Name().c_str(), 1);
  {
    platform::ProgramDisplay screen;
    EXPECT_TRUE(screen.OnX11());
    EXPECT_TRUE(screen.RealFonts());
    EXPECT_EQ(platform::CurrentDisplay().ScreenSize().cx, 800);
    EXPECT_EQ(platform::CurrentDisplay().ScreenSize().cy, 600);
  }
  // Back to the defaults: the test font and the plain screen.
  EXPECT_EQ(platform::CurrentDisplay().ScreenSize().cx, 1280);
  LOGFONT f{};
  f.lfHeight = -10;
  EXPECT_EQ(platform::CurrentFontEngine().Realize(f)->Metrics().tmHeight, 13);
  if (saved) {
    setenv("DISPLAY", keep.c_str(), 1);
  } else {
    unsetenv("DISPLAY");
  }
}

}  // namespace
