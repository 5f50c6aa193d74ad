// Our windows under a real window manager (openbox on an Xvfb of the test's own), seen
// and driven from other X clients: the frame is the manager's, the protocols and types
// are declared, closing asks the form, minimise and maximise reach the window's state,
// panels shrink the work area and no window opens off it.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>

#include "platform/display/X11display.h"
#include "platform/forms/Forms.h"
#include "platform/gui/Gui.h"
#include "tests/support/Xvfbserver.h"

// Xlib after the window system's headers; its screen type would hide the forms' Screen.
#define Screen XlibScreen
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#undef Screen
#undef CursorShape

namespace {

using platform::X11Display;

class X11Managed : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    server = new xvfbtest::XvfbServer("800x600x24");
    if (server->Running()) manager = new xvfbtest::WindowManager(server->Name());
  }
  static void TearDownTestSuite() {
    delete manager;
    manager = nullptr;
    delete server;
    server = nullptr;
  }

  void SetUp() override {
    ASSERT_TRUE(server->Running()) << "Xvfb did not start";
    ASSERT_TRUE(manager && manager->Running()) << "openbox did not start";
    display = std::make_unique<X11Display>(server->Name());
    ASSERT_TRUE(display->Connected());
    display->Install();
    peer = XOpenDisplay(server->Name().c_str());
    ASSERT_NE(peer, nullptr);
  }

  void TearDown() override {
    if (!display) return;
    Pump();
    display.reset();
    if (peer) XCloseDisplay(peer);
  }

  void Pump() {
    Application->ProcessMessages();
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

  Window XOf(HWND h) { return display->XWindowOf(h); }

  bool Viewable(HWND h) {
    XWindowAttributes a;
    return XOf(h) && XGetWindowAttributes(peer, XOf(h), &a) && a.map_state == IsViewable;
  }

  std::vector<Atom> Atoms(Window w, const char* property) {
    Atom type;
    int format;
    unsigned long items = 0, after;
    unsigned char* data = nullptr;
    std::vector<Atom> out;
    if (XGetWindowProperty(peer, w, XInternAtom(peer, property, False), 0, 32, False, XA_ATOM, &type, &format, &items,
                           &after, &data) == Success && data)
      out.assign(reinterpret_cast<Atom*>(data), reinterpret_cast<Atom*>(data) + items);
    if (data) XFree(data);
    return out;
  }

  bool Has(Window w, const char* property, const char* atom) {
    for (Atom a : Atoms(w, property))
      if (a == XInternAtom(peer, atom, False)) return true;
    return false;
  }

  // A request to the window manager about one of our windows, as a pager or panel sends it.
  void AskManager(Window w, const char* message, long a0, long a1 = 0, long a2 = 0) {
    XEvent e{};
    e.xclient.type = ClientMessage;
    e.xclient.window = w;
    e.xclient.message_type = XInternAtom(peer, message, False);
    e.xclient.format = 32;
    e.xclient.data.l[0] = a0;
    e.xclient.data.l[1] = a1;
    e.xclient.data.l[2] = a2;
    e.xclient.data.l[3] = 2;
    XSendEvent(peer, DefaultRootWindow(peer), False, SubstructureRedirectMask | SubstructureNotifyMask, &e);
    XSync(peer, False);
  }

  RECT Rect(HWND h) {
    RECT r{};
    GetWindowRect(h, &r);
    return r;
  }

  static xvfbtest::XvfbServer* server;
  static xvfbtest::WindowManager* manager;
  std::unique_ptr<X11Display> display;
  ::Display* peer = nullptr;
};

xvfbtest::XvfbServer* X11Managed::server = nullptr;
xvfbtest::WindowManager* X11Managed::manager = nullptr;

TForm* MakeForm(const char* caption, int x, int y, int w, int h) {
  auto* form = new TForm(nullptr);
  form->SetCaption(caption);
  form->SetBounds(x, y, w, h);
  return form;
}

TEST_F(X11Managed, TheManagerFramesTheFormAndItsDialogIsTransient) {
  std::unique_ptr<TForm> form(MakeForm("Окно", 100, 120, 300, 200));
  form->Show();
  HWND h = form->Handle();
  ASSERT_TRUE(PumpUntil([&] { return Viewable(h); }));
  // Reparented into the manager's frame; the X window shows the client part only, and
  // the program's placement comes back unchanged.
  Window rootReturn, parent, *children = nullptr;
  unsigned count = 0;
  ASSERT_TRUE(XQueryTree(peer, XOf(h), &rootReturn, &parent, &children, &count));
  if (children) XFree(children);
  EXPECT_NE(parent, DefaultRootWindow(peer));
  RECT inset = platform::NonClientInsets(GetWindowLong(h, GWL_STYLE) & ~(WS_VSCROLL | WS_HSCROLL), 0);
  EXPECT_GT(inset.top, inset.left);  // the caption is among what the frame replaces
  XWindowAttributes a;
  ASSERT_TRUE(XGetWindowAttributes(peer, XOf(h), &a));
  EXPECT_EQ(a.width, 300 - inset.left - inset.right);
  EXPECT_EQ(a.height, 200 - inset.top - inset.bottom);
  Window child;
  int rx = 0, ry = 0;
  XTranslateCoordinates(peer, XOf(h), DefaultRootWindow(peer), 0, 0, &rx, &ry, &child);
  EXPECT_EQ(rx, 100 + inset.left);
  EXPECT_EQ(ry, 120 + inset.top);
  RECT r = Rect(h);
  EXPECT_EQ(r.left, 100);
  EXPECT_EQ(r.top, 120);
  EXPECT_TRUE(Has(XOf(h), "_NET_WM_WINDOW_TYPE", "_NET_WM_WINDOW_TYPE_NORMAL"));
  EXPECT_TRUE(Has(XOf(h), "WM_PROTOCOLS", "WM_DELETE_WINDOW"));
  XClassHint cls{};
  ASSERT_TRUE(XGetClassHint(peer, XOf(h), &cls));
  EXPECT_STREQ(cls.res_class, "Quillaran");
  XFree(cls.res_name);
  XFree(cls.res_class);
  // The manager offers to minimise and maximise a sizeable form.
  EXPECT_TRUE(Has(XOf(h), "_NET_WM_ALLOWED_ACTIONS", "_NET_WM_ACTION_MAXIMIZE_VERT"));
  EXPECT_TRUE(Has(XOf(h), "_NET_WM_ALLOWED_ACTIONS", "_NET_WM_ACTION_MINIMIZE"));

  // A dialog owned by the form: its type, transient for the form, and fixed in size.
  static const bool registered = [] {
    WNDCLASS c{};
    c.lpfnWndProc = DefWindowProc;
    c.lpszClassName = "ManagedDialog";
    return RegisterClass(&c) != 0;
  }();
  ASSERT_TRUE(registered);
  HWND dialog = CreateWindowEx(0, "ManagedDialog", "Диалог", WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_DLGFRAME, 150, 160,
                               200, 100, h, nullptr, nullptr, nullptr);
  ASSERT_NE(dialog, nullptr);
  ShowWindow(dialog, SW_SHOW);
  ASSERT_TRUE(PumpUntil([&] { return Viewable(dialog); }));
  EXPECT_TRUE(Has(XOf(dialog), "_NET_WM_WINDOW_TYPE", "_NET_WM_WINDOW_TYPE_DIALOG"));
  Window transientFor = 0;
  ASSERT_TRUE(XGetTransientForHint(peer, XOf(dialog), &transientFor));
  EXPECT_EQ(transientFor, XOf(h));
  EXPECT_FALSE(Has(XOf(dialog), "_NET_WM_ALLOWED_ACTIONS", "_NET_WM_ACTION_RESIZE"));
  DestroyWindow(dialog);
}

TEST_F(X11Managed, ClosingFromTheManagerAsksTheForm) {
  std::unique_ptr<TForm> form(MakeForm("Закрываемое", 60, 80, 260, 160));
  int asked = 0;
  bool allow = false;
  form->OnCloseQuery = [&](TObject*, bool& canClose) {
    ++asked;
    canClose = allow;
  };
  form->Show();
  HWND h = form->Handle();
  ASSERT_TRUE(PumpUntil([&] { return Viewable(h); }));
  AskManager(XOf(h), "_NET_CLOSE_WINDOW", 0);
  ASSERT_TRUE(PumpUntil([&] { return asked == 1; }));
  Pump();
  EXPECT_TRUE(form->Visible());
  allow = true;
  AskManager(XOf(h), "_NET_CLOSE_WINDOW", 0);
  EXPECT_TRUE(PumpUntil([&] { return !form->Visible() && !Viewable(h); }));
  EXPECT_EQ(asked, 2);
}

TEST_F(X11Managed, MinimiseAndMaximiseBothWaysAreTheWindowsState) {
  std::unique_ptr<TForm> form(MakeForm("Состояния", 40, 50, 320, 220));
  form->Show();
  HWND h = form->Handle();
  ASSERT_TRUE(PumpUntil([&] { return Viewable(h); }));
  // The manager minimises (as its button or a panel does) and restores on activation.
  std::string minimise = "DISPLAY=" + server->Name() + " xdotool windowminimize " + std::to_string(XOf(h));
  ASSERT_EQ(std::system(minimise.c_str()), 0);
  ASSERT_TRUE(PumpUntil([&] { return IsIconic(h) != 0; }));
  EXPECT_EQ(form->WindowState(), wsMinimized);
  AskManager(XOf(h), "_NET_ACTIVE_WINDOW", 2);
  ASSERT_TRUE(PumpUntil([&] { return !IsIconic(h) && Viewable(h); }));
  RECT r = Rect(h);
  EXPECT_EQ(r.left, 40);
  EXPECT_EQ(r.right - r.left, 320);

  // The manager maximises: the window is zoomed and fills the screen.
  AskManager(XOf(h), "_NET_WM_STATE", 1, static_cast<long>(XInternAtom(peer, "_NET_WM_STATE_MAXIMIZED_VERT", False)),
             static_cast<long>(XInternAtom(peer, "_NET_WM_STATE_MAXIMIZED_HORZ", False)));
  ASSERT_TRUE(PumpUntil([&] { return IsZoomed(h) && Rect(h).right - Rect(h).left > 700; }));
  EXPECT_EQ(form->WindowState(), wsMaximized);
  // The program restores: the manager is told, and the old placement returns.
  form->SetWindowState(wsNormal);
  EXPECT_TRUE(PumpUntil([&] {
    return !Has(XOf(h), "_NET_WM_STATE", "_NET_WM_STATE_MAXIMIZED_VERT") && Rect(h).right - Rect(h).left == 320;
  }));
  EXPECT_FALSE(IsZoomed(h));
  // And maximises: the manager learns it.
  form->SetWindowState(wsMaximized);
  EXPECT_TRUE(PumpUntil([&] { return Has(XOf(h), "_NET_WM_STATE", "_NET_WM_STATE_MAXIMIZED_HORZ"); }));
}

TEST_F(X11Managed, APanelShrinksTheWorkAreaAndNoFormOpensOffIt) {
  // A panel of 40 pixels along the top, as a desktop's panel reserves it.
  Window panel = XCreateSimpleWindow(peer, DefaultRootWindow(peer), 0, 0, 800, 40, 0, 0, 0);
  Atom dock = XInternAtom(peer, "_NET_WM_WINDOW_TYPE_DOCK", False);
  XChangeProperty(peer, panel, XInternAtom(peer, "_NET_WM_WINDOW_TYPE", False), XA_ATOM, 32, PropModeReplace,
                  reinterpret_cast<unsigned char*>(&dock), 1);
  long strut[12] = {0, 0, 40, 0, 0, 0, 0, 0, 0, 799, 0, 0};
  XChangeProperty(peer, panel, XInternAtom(peer, "_NET_WM_STRUT_PARTIAL", False), XA_CARDINAL, 32, PropModeReplace,
                  reinterpret_cast<unsigned char*>(strut), 12);
  XMapWindow(peer, panel);
  XSync(peer, False);
  RECT area{};
  ASSERT_TRUE(PumpUntil([&] {
    SystemParametersInfo(SPI_GETWORKAREA, 0, &area, 0);
    return area.top == 40;
  })) << area.top;
  EXPECT_EQ(area.bottom, 600);
  EXPECT_EQ(Screen->WorkAreaRect().top, 40);
  // Remembered placements from another screen: too large and far off.
  std::unique_ptr<TForm> form(MakeForm("Далеко", -500, 900, 2000, 300));
  form->Show();
  EXPECT_EQ(form->Left(), 0);
  EXPECT_EQ(form->Width(), 800);
  EXPECT_EQ(form->Top(), 600 - 300);
  std::unique_ptr<TForm> high(MakeForm("Под панелью", 100, 0, 200, 150));
  high->Show();
  EXPECT_EQ(high->Top(), 40);
  ASSERT_TRUE(PumpUntil([&] { return Viewable(high->Handle()); }));
  XDestroyWindow(peer, panel);
  XSync(peer, False);
}

TEST_F(X11Managed, APopupMenuIsPaintedAsSoonAsItShows) {
  std::unique_ptr<TForm> form(MakeForm("Меню", 60, 60, 300, 200));
  form->Show();
  ASSERT_TRUE(PumpUntil([&] { return Viewable(form->Handle()); }));
  TPopupMenu menu(nullptr);
  for (const char* caption : {"Первый пункт", "Второй пункт"}) {
    auto* item = new TMenuItem(&menu);
    item->SetCaption(caption);
    menu.Items()->Add(item);
  }
  // The pointer stays where it is: the menu's pixels must reach the screen by themselves.
  int inked = 0, differing = -1;
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(60);  // only so that a fault ends
  platform::SetMenuLoopIdleHook([&] {
    std::vector<HWND> open = platform::OpenMenuWindows();
    if (open.empty()) return;
    HWND m = open.back();
    bool done = std::chrono::steady_clock::now() > end;
    if (Viewable(m)) {
      const platform::Pixmap& ours = *platform::FindWindowObject(m)->surface;
      XImage* image = XGetImage(peer, XOf(m), 0, 0, static_cast<unsigned>(ours.Width()),
                                static_cast<unsigned>(ours.Height()), AllPlanes, ZPixmap);
      if (image) {
        differing = inked = 0;
        for (int y = 0; y < ours.Height(); ++y)
          for (int x = 0; x < ours.Width(); ++x) {
            std::uint32_t shown = static_cast<std::uint32_t>(XGetPixel(image, x, y)) & 0xFFFFFF;
            differing += shown != (ours.At(x, y) & 0xFFFFFF);
            inked += (shown & 0xFF) < 0x80;  // text and frame are dark
          }
        XDestroyImage(image);
        done = done || (differing == 0 && inked > 0);
      }
    }
    if (done) PostMessage(m, WM_KEYDOWN, VK_ESCAPE, 0);
  });
  // A ticking timer lets the menu's loop come back to the look above while it waits.
  SetTimer(form->Handle(), 1, 20, nullptr);
  menu.Popup(120, 120);
  KillTimer(form->Handle(), 1);
  platform::SetMenuLoopIdleHook(nullptr);
  EXPECT_EQ(differing, 0);
  EXPECT_GT(inked, 20);
}

TEST_F(X11Managed, AModalFormIsTransientForTheWindowItInterrupts) {
  std::unique_ptr<TForm> form(MakeForm("Главное", 80, 90, 300, 200));
  form->Show();
  ASSERT_TRUE(PumpUntil([&] { return Viewable(form->Handle()) && GetActiveWindow() == form->Handle(); }));
  std::unique_ptr<TForm> dialog(MakeForm("Вопрос", 120, 140, 200, 100));
  dialog->SetBorderStyle(bsDialog);
  Window owner = 0;
  bool dialogType = false;
  auto* look = new TTimer(dialog.get());
  look->SetInterval(20);
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(60);  // only so that a fault ends
  look->OnTimer = [&](TObject*) {
    Window shown = XOf(dialog->Handle());
    if (Viewable(dialog->Handle()) && XGetTransientForHint(peer, shown, &owner)) {
      dialogType = Has(shown, "_NET_WM_WINDOW_TYPE", "_NET_WM_WINDOW_TYPE_DIALOG");
      dialog->SetModalResult(mrOk);
    } else if (std::chrono::steady_clock::now() > end) {
      dialog->SetModalResult(mrCancel);
    }
  };
  EXPECT_EQ(dialog->ShowModal(), mrOk);
  EXPECT_EQ(owner, XOf(form->Handle()));
  EXPECT_TRUE(dialogType);
  // Afterwards it belongs to no window again (another client sees that once the server
  // has taken our requests).
  Window none = 0;
  EXPECT_TRUE(PumpUntil([&] { return !XGetTransientForHint(peer, XOf(dialog->Handle()), &none); }));
}

}  // namespace
