// The notification area on a desktop's panel: a small panel written here owns the system
// tray selection on the test's Xvfb and embeds what it is asked to dock, as a real one does.

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/display/X11display.h"
#include "platform/forms/Forms.h"
#include "platform/gui/Gdiobjects.h"
#include "platform/gui/Gui.h"
#include "platform/kernel/Codepage.h"
#include "platform/shell/Notifyicon.h"
#include "tests/support/Xvfbserver.h"

#define Screen XlibScreen
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#undef Screen
#undef CursorShape

namespace {

constexpr UINT kCallback = WM_USER + 100;

// A window that keeps the mouse messages its icon's callback brings.
class TIconOwner : public TForm {
 public:
  TIconOwner() : TForm(nullptr) { HandleNeeded(); }
  std::vector<LPARAM> mouse;

 protected:
  void WndProc(TMessage& Message) override {
    if (Message.Msg == kCallback) {
      mouse.push_back(Message.LParam);
      return;
    }
    TForm::WndProc(Message);
  }
};

// The panel: a window that owns the tray selection, announces itself, and embeds the
// windows that ask to dock, 24 x 24 pixels each.
class TTrayPanel {
 public:
  explicit TTrayPanel(::Display* Peer) : peer(Peer) {
    XSetWindowAttributes a{};
    a.background_pixel = 0x000080;  // dark blue: what a transparent pixel shows
    window = XCreateWindow(peer, DefaultRootWindow(peer), 0, 0, 200, 40, 0, CopyFromParent, InputOutput, CopyFromParent,
                           CWBackPixel, &a);
    XSelectInput(peer, window, SubstructureNotifyMask);
    XMapWindow(peer, window);
    const Atom selection = XInternAtom(peer, "_NET_SYSTEM_TRAY_S0", False);
    XSetSelectionOwner(peer, selection, window, CurrentTime);
    XEvent e{};
    e.xclient.type = ClientMessage;
    e.xclient.window = DefaultRootWindow(peer);
    e.xclient.message_type = XInternAtom(peer, "MANAGER", False);
    e.xclient.format = 32;
    e.xclient.data.l[0] = CurrentTime;
    e.xclient.data.l[1] = static_cast<long>(selection);
    e.xclient.data.l[2] = static_cast<long>(window);
    XSendEvent(peer, DefaultRootWindow(peer), False, StructureNotifyMask, &e);
    XSync(peer, False);
  }
  ~TTrayPanel() { XDestroyWindow(peer, window); XSync(peer, False); }

  // Embeds every window that asked to dock since the last look; the docked ones.
  std::vector<Window> Serve() {
    const Atom opcode = XInternAtom(peer, "_NET_SYSTEM_TRAY_OPCODE", False);
    while (XPending(peer)) {
      XEvent e;
      XNextEvent(peer, &e);
      if (e.type != ClientMessage || e.xclient.message_type != opcode || e.xclient.data.l[1] != 0) continue;
      const Window icon = static_cast<Window>(e.xclient.data.l[2]);
      XReparentWindow(peer, icon, window, 10 + 30 * static_cast<int>(docked.size()), 8);
      XResizeWindow(peer, icon, 24, 24);
      XMapWindow(peer, icon);
      XSync(peer, False);
      docked.push_back(icon);
    }
    return docked;
  }

  unsigned long Pixel(int x, int y) {
    XImage* image = XGetImage(peer, window, x, y, 1, 1, AllPlanes, ZPixmap);
    if (!image) return 0xFFFFFFFF;
    const unsigned long p = XGetPixel(image, 0, 0) & 0xFFFFFF;
    XDestroyImage(image);
    return p;
  }

  ::Display* peer;
  Window window;
  std::vector<Window> docked;
};

class X11SystemTray : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { server = new xvfbtest::XvfbServer("800x600x24"); }
  static void TearDownTestSuite() {
    delete server;
    server = nullptr;
  }
  void SetUp() override {
    ASSERT_TRUE(server->Running()) << "Xvfb did not start";
    display = std::make_unique<platform::X11Display>(server->Name());
    ASSERT_TRUE(display->Connected());
    display->Install();
    peer = XOpenDisplay(server->Name().c_str());
    ASSERT_NE(peer, nullptr);
  }
  void TearDown() override {
    display.reset();
    if (peer) XCloseDisplay(peer);
  }
  bool PumpUntil(const std::function<bool()>& Done) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < end) {
      Application->ProcessMessages();
      display->WaitForInput(5);
      if (Done()) return true;
    }
    return Done();
  }
  // A 16 x 16 red square with a transparent frame of 4 pixels.
  static HICON RedIcon() {
    auto color = std::make_shared<platform::Pixmap>(16, 16, false, 0xFF0000);
    auto mask = std::make_shared<platform::Pixmap>(16, 16, true, 0xFFFFFF);
    for (int y = 4; y < 12; ++y)
      for (int x = 4; x < 12; ++x) mask->Row(y)[x] = 0;
    HBITMAP c = platform::CreateBitmapFromPixmap(color), m = platform::CreateBitmapFromPixmap(mask);
    ICONINFO info{TRUE, 0, 0, m, c};
    HICON icon = CreateIconIndirect(&info);
    DeleteObject(c);
    DeleteObject(m);
    return icon;
  }

  static xvfbtest::XvfbServer* server;
  std::unique_ptr<platform::X11Display> display;
  ::Display* peer = nullptr;
};

xvfbtest::XvfbServer* X11SystemTray::server = nullptr;

TEST_F(X11SystemTray, AnIconDocksWhenAPanelComesShowsItsPictureAndTakesClicks) {
  TIconOwner owner;
  HICON icon = RedIcon();
  ASSERT_NE(icon, nullptr);
  NOTIFYICONDATA data{};
  data.cbSize = sizeof data;
  data.hWnd = owner.Handle();
  data.uID = 1;
  data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  data.uCallbackMessage = kCallback;
  data.hIcon = icon;
  std::snprintf(data.szTip, sizeof data.szTip, "%s", "Курсор");
  // No panel on this desktop: the area refuses the icon, so its owner can tell.
  EXPECT_FALSE(Shell_NotifyIcon(NIM_ADD, &data));

  TTrayPanel panel(peer);
  ASSERT_TRUE(PumpUntil([&] { return Shell_NotifyIcon(NIM_ADD, &data) != FALSE; })) << "the panel was not noticed";
  ASSERT_TRUE(PumpUntil([&] { return !panel.Serve().empty(); })) << "no request to dock";
  const Window docked = panel.docked.at(0);
  EXPECT_EQ(docked, display->TrayIconWindow(owner.Handle(), 1));
  char* name = nullptr;
  XTextProperty text{};
  ASSERT_TRUE(XGetTextProperty(peer, docked, &text, XInternAtom(peer, "_NET_WM_NAME", False)));
  name = reinterpret_cast<char*>(text.value);
  EXPECT_EQ(std::string(name, text.nitems), platform::AnsiToUtf8("Курсор")) << "the tip, in UTF-8";
  XFree(text.value);
  long* info = nullptr;
  Atom type;
  int format;
  unsigned long items = 0, after;
  const Atom xembedInfo = XInternAtom(peer, "_XEMBED_INFO", False);
  ASSERT_EQ(XGetWindowProperty(peer, docked, xembedInfo, 0, 2, False, xembedInfo, &type, &format, &items, &after,
                               reinterpret_cast<unsigned char**>(&info)), Success);
  ASSERT_EQ(items, 2u);
  EXPECT_EQ(info[1], 1) << "mapped by its embedder";
  XFree(info);

  // The picture fills the slot of 24: its opaque middle is red, its frame shows the panel.
  EXPECT_TRUE(PumpUntil([&] { return panel.Pixel(10 + 12, 8 + 12) == 0xFF0000; }));
  EXPECT_EQ(panel.Pixel(10 + 2, 8 + 2), 0x000080u);

  // A right click on it reaches the owner as its callback, down and up.
  XTestFakeMotionEvent(peer, -1, 10 + 12, 8 + 12, CurrentTime);
  XTestFakeButtonEvent(peer, 3, True, CurrentTime);
  XTestFakeButtonEvent(peer, 3, False, CurrentTime);
  XSync(peer, False);
  ASSERT_TRUE(PumpUntil([&] { return owner.mouse.size() >= 2; }));
  EXPECT_EQ(owner.mouse, (std::vector<LPARAM>{WM_RBUTTONDOWN, WM_RBUTTONUP}));
  POINT p{};
  GetCursorPos(&p);
  EXPECT_EQ(p.x, 22);
  EXPECT_EQ(p.y, 20);

  // Removed from the area, it leaves the panel.
  EXPECT_TRUE(Shell_NotifyIcon(NIM_DELETE, &data));
  EXPECT_EQ(display->TrayIconWindow(owner.Handle(), 1), 0u);
  EXPECT_TRUE(PumpUntil([&] {
    Window root, parent, *children = nullptr;
    unsigned count = 0;
    XQueryTree(peer, panel.window, &root, &parent, &children, &count);
    if (children) XFree(children);
    return count == 0;
  }));
  DestroyIcon(icon);
}

}  // namespace
