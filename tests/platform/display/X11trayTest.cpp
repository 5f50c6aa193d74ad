// The notification area on a desktop's panel: a real tray panel from the distribution
// (trayer) on the test's Xvfb embeds the icon, sized by its hints, and the pointer
// resting on it shows its tip.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

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

// A real panel of the desktop (trayer) on the test's server, holding the system tray;
// stopped when the object goes.
class TTrayer {
 public:
  explicit TTrayer(const std::string& display) {
    pid = fork();
    if (pid == 0) {
      setenv("DISPLAY", display.c_str(), 1);
      const int null = open("/dev/null", O_WRONLY);
      dup2(null, STDOUT_FILENO);
      dup2(null, STDERR_FILENO);
      execlp("trayer", "trayer", "--edge", "top", "--align", "left", "--widthtype", "request", "--height", "32",
             "--SetDockType", "true", "--transparent", "false", static_cast<char*>(nullptr));
      _exit(127);
    }
  }
  ~TTrayer() {
    if (pid > 0) {
      kill(pid, SIGTERM);
      waitpid(pid, nullptr, 0);
    }
  }
  pid_t pid = -1;
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
  bool PumpUntil(const std::function<bool()>& Done) {  // the bound only ends a fault
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(60);
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

TEST_F(X11SystemTray, AnIconDocksInARealPanelAtItsSizeShowsItsPictureItsTipAndTakesClicks) {
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

  TTrayer trayer(server->Name());
  ASSERT_GT(trayer.pid, 0);
  ASSERT_TRUE(PumpUntil([&] { return Shell_NotifyIcon(NIM_ADD, &data) != FALSE; })) << "the panel was not noticed";
  const Window docked = display->TrayIconWindow(owner.Handle(), 1);
  ASSERT_NE(docked, 0u);
  XWindowAttributes a{};
  ASSERT_TRUE(PumpUntil([&] {
    Window root, parent = 0, *children = nullptr;
    unsigned count = 0;
    XQueryTree(peer, docked, &root, &parent, &children, &count);
    if (children) XFree(children);
    return parent != root && XGetWindowAttributes(peer, docked, &a) && a.map_state == IsViewable && a.width >= 16;
  })) << "not embedded at a visible size: " << a.width << "x" << a.height;
  EXPECT_GE(a.height, 16);
  EXPECT_LE(a.width, 64);
  XTextProperty text{};
  ASSERT_TRUE(XGetTextProperty(peer, docked, &text, XInternAtom(peer, "_NET_WM_NAME", False)));
  EXPECT_EQ(std::string(reinterpret_cast<char*>(text.value), text.nitems), platform::AnsiToUtf8("Курсор"));
  XFree(text.value);

  // The picture fills the slot: its opaque middle is red, its frame is not.
  auto pixel = [&](int x, int y) {
    XImage* image = XGetImage(peer, docked, x, y, 1, 1, AllPlanes, ZPixmap);
    if (!image) return 0xFFFFFFFFul;
    const unsigned long p = XGetPixel(image, 0, 0) & 0xFFFFFF;
    XDestroyImage(image);
    return p;
  };
  EXPECT_TRUE(PumpUntil([&] { return pixel(a.width / 2, a.height / 2) == 0xFF0000; }));
  EXPECT_NE(pixel(1, 1), 0xFF0000u);

  // The pointer comes to rest on it: the owner hears the move and the tip shows.
  int cx = 0, cy = 0;
  Window child;
  XTranslateCoordinates(peer, docked, DefaultRootWindow(peer), a.width / 2, a.height / 2, &cx, &cy, &child);
  XTestFakeMotionEvent(peer, -1, cx, cy, CurrentTime);
  XSync(peer, False);
  auto shownTip = [&] {
    Window root, parent, *children = nullptr;
    unsigned count = 0;
    std::string found;
    XQueryTree(peer, DefaultRootWindow(peer), &root, &parent, &children, &count);
    for (unsigned i = 0; i < count; ++i) {
      XWindowAttributes w{};
      XTextProperty name{};
      if (!XGetWindowAttributes(peer, children[i], &w) || w.map_state != IsViewable || !w.override_redirect) continue;
      if (XGetTextProperty(peer, children[i], &name, XInternAtom(peer, "_NET_WM_NAME", False)) && name.value) {
        found = std::string(reinterpret_cast<char*>(name.value), name.nitems);
        XFree(name.value);
      }
    }
    if (children) XFree(children);
    return found;
  };
  ASSERT_TRUE(PumpUntil([&] { return shownTip() == platform::AnsiToUtf8("Курсор"); })) << shownTip();
  ASSERT_TRUE(PumpUntil([&] { return !owner.mouse.empty(); }));
  EXPECT_EQ(owner.mouse.front(), WM_MOUSEMOVE);

  // A right click reaches the owner as its callback, down and up, and takes the tip away.
  owner.mouse.clear();
  XTestFakeButtonEvent(peer, 3, True, CurrentTime);
  XTestFakeButtonEvent(peer, 3, False, CurrentTime);
  XSync(peer, False);
  ASSERT_TRUE(PumpUntil([&] { return owner.mouse.size() >= 2; }));
  EXPECT_EQ(owner.mouse, (std::vector<LPARAM>{WM_RBUTTONDOWN, WM_RBUTTONUP}));
  EXPECT_TRUE(PumpUntil([&] { return shownTip().empty(); }));
  POINT p{};
  GetCursorPos(&p);
  EXPECT_EQ(p.x, cx);
  EXPECT_EQ(p.y, cy);

  // Removed from the area, it leaves the panel.
  EXPECT_TRUE(Shell_NotifyIcon(NIM_DELETE, &data));
  EXPECT_EQ(display->TrayIconWindow(owner.Handle(), 1), 0u);
  XSync(peer, False);
  EXPECT_FALSE(XGetWindowAttributes(peer, docked, &a));
  DestroyIcon(icon);
}

}  // namespace
