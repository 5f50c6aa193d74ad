// Our windows under a real window manager (openbox on an Xvfb of the test's own), seen
// and driven from other X clients: the frame is the manager's, the protocols and types
// are declared, closing asks the form, minimise and maximise reach the window's state,
// panels shrink the work area and no window opens off it.

#include <gtest/gtest.h>
#include <poll.h>

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "platform/display/X11display.h"
#include "platform/forms/Forms.h"
#include "platform/gui/Gui.h"
#include "tests/support/Xvfbserver.h"

// Xlib after the window system's headers; its screen type would hide the forms' Screen.
#define Screen XlibScreen
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
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
    if (!peer) return;
    // The next test's connection gets the same window ids: the manager must have let go of
    // this test's windows first, or it takes the new windows for the old ones.
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!Atoms(DefaultRootWindow(peer), "_NET_CLIENT_LIST", XA_WINDOW).empty() &&
           std::chrono::steady_clock::now() < end)
      poll(nullptr, 0, 5);
    XCloseDisplay(peer);
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

  // Whether the manager has the window minimised, as the person sees it.
  bool Iconic(HWND h) {
    const Atom state = XInternAtom(peer, "WM_STATE", False);
    Atom type;
    int format;
    unsigned long items = 0, after;
    unsigned char* data = nullptr;
    XGetWindowProperty(peer, XOf(h), state, 0, 1, False, state, &type, &format, &items, &after, &data);
    const bool iconic = data && items == 1 && *reinterpret_cast<long*>(data) == IconicState;
    if (data) XFree(data);
    return iconic;
  }

  // Waits, taking no message, until the condition holds; the bound only ends a fault.
  static bool Seen(const std::function<bool()>& done) {
    for (const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(60);
         !done() && std::chrono::steady_clock::now() < end;)
      poll(nullptr, 0, 5);
    return done();
  }

  // A form that tells of work going on, as a waiting window does, shown with its first step
  // and then minimised by the person through the manager (our side hears of it only at the
  // next step). Each step repaints its text and shows it at once, taking no messages.
  void MinimisedFormOfWork(std::unique_ptr<TForm>& form, TLabel*& label, int patience) {
    form = std::make_unique<TForm>(nullptr);
    form->SetCaption("Please, wait");
    form->SetBounds(40, 50, 320, 80);
    label = new TLabel(form.get());
    label->SetParent(form.get());
    label->SetCaption("Step 0");
    form->Show();
    form->Update();
    const HWND h = form->Handle();
    display->ShowNow(h, patience);
    ASSERT_TRUE(PumpUntil([&] { return Viewable(h); }));
    const std::string minimise =
        "DISPLAY=" + server->Name() + " xdotool windowminimize --sync " + std::to_string(XOf(h));
    ASSERT_EQ(std::system(minimise.c_str()), 0);
    ASSERT_TRUE(Seen([&] { return !Viewable(h) && Iconic(h); }));
  }

  std::vector<Atom> Atoms(Window w, const char* property, Atom kind = XA_ATOM) {
    Atom type;
    int format;
    unsigned long items = 0, after;
    unsigned char* data = nullptr;
    std::vector<Atom> out;
    if (XGetWindowProperty(peer, w, XInternAtom(peer, property, False), 0, 32, False, kind, &type, &format, &items,
                           &after, &data) == Success &&
        data)
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

  // Where the client part of our window lies on the screen, as the server has it.
  POINT RootPosition(HWND h) {
    Window child;
    int rx = 0, ry = 0;
    XTranslateCoordinates(peer, XOf(h), DefaultRootWindow(peer), 0, 0, &rx, &ry, &child);
    return POINT{rx, ry};
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
  // The manager chose the place; the program's placement is where the server has it.
  POINT at = RootPosition(h);
  ASSERT_TRUE(PumpUntil([&] { return Rect(h).left + inset.left == at.x && Rect(h).top + inset.top == at.y; }));
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

TEST_F(X11Managed, TheManagerPlacesASecondMainWindowApartADialogOverItsOwnerAndKeepsARememberedPlace) {
  // Two main windows designed at the same spot, as two installations' browse windows are.
  std::unique_ptr<TForm> first(MakeForm("Первое", 0, 0, 300, 200));
  std::unique_ptr<TForm> second(MakeForm("Второе", 0, 0, 300, 200));
  first->Show();
  ASSERT_TRUE(PumpUntil([&] { return Viewable(first->Handle()); }));
  second->Show();
  HWND h = second->Handle();
  ASSERT_TRUE(PumpUntil([&] { return Viewable(h); }));
  const POINT one = RootPosition(first->Handle()), two = RootPosition(h);
  EXPECT_FALSE(one.x == two.x && one.y == two.y) << two.x << "," << two.y;
  const RECT inset = platform::NonClientInsets(GetWindowLong(h, GWL_STYLE) & ~(WS_VSCROLL | WS_HSCROLL), 0);
  ASSERT_TRUE(PumpUntil([&] { return Rect(h).left + inset.left == two.x && Rect(h).top + inset.top == two.y; }));

  // A question asked from the second window lies over it, wherever the manager put it.
  TForm dialog(nullptr);
  dialog.SetCaption("Вопрос");
  dialog.SetBorderStyle(bsDialog);
  dialog.SetPosition(poScreenCenter);
  dialog.SetBounds(0, 0, 160, 90);
  POINT shown{-1, -1};
  TTimer look(&dialog);
  look.SetInterval(20);
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(60);  // only so that a fault ends
  look.OnTimer = [&](TObject*) {
    if (Viewable(dialog.Handle())) {
      shown = RootPosition(dialog.Handle());
      dialog.SetModalResult(mrOk);
    } else if (std::chrono::steady_clock::now() > end) {
      dialog.SetModalResult(mrCancel);
    }
  };
  ASSERT_EQ(dialog.ShowModal(), mrOk);
  XWindowAttributes owner;
  ASSERT_TRUE(XGetWindowAttributes(peer, XOf(h), &owner));
  EXPECT_GT(shown.x, two.x);
  EXPECT_GT(shown.y, two.y);
  EXPECT_LT(shown.x + 160, two.x + owner.width + inset.left + inset.right);
  EXPECT_LT(shown.y + 90, two.y + owner.height + inset.top + inset.bottom);

  // A remembered place is kept, brought back onto a screen that shrank since.
  std::unique_ptr<TForm> third(MakeForm("Третье", 200, 200, 300, 200));
  WINDOWPLACEMENT wp{};
  wp.length = sizeof wp;
  wp.showCmd = SW_SHOWNORMAL;
  wp.rcNormalPosition = RECT{-250, 700, 50, 900};
  SetWindowPlacement(third->Handle(), &wp);
  third->Show();
  ASSERT_TRUE(PumpUntil([&] { return Viewable(third->Handle()); }));
  const POINT kept = RootPosition(third->Handle());
  EXPECT_EQ(kept.x, inset.left);
  EXPECT_EQ(kept.y, 600 - 200 + inset.top);
}

TEST_F(X11Managed, AMessageBoxTakesTheKeysAndTheClicksAndNeverLetsThemThroughToItsOwner) {
  std::unique_ptr<TForm> form(MakeForm("Окно за вопросом", 0, 0, 420, 300));
  int opened = 0;  // Enter on the window behind would press its default button
  auto* open = new TButton(form.get());
  open->SetParent(form.get());
  open->SetCaption("Open");
  open->SetDefault(true);
  open->SetBounds(10, 10, 80, 24);
  open->OnClick = [&](TObject*) { ++opened; };
  form->Show();
  HWND h = form->Handle();
  ASSERT_TRUE(PumpUntil([&] { return Viewable(h) && GetActiveWindow() == h; }));
  const std::string xdo = "DISPLAY=" + server->Name() + " xdotool ";
  auto xFocus = [&] {
    Window w = 0;
    int revert;
    XGetInputFocus(peer, &w, &revert);
    return w;
  };

  // Asked from the window: a person clicks the window behind, then presses Enter, then
  // asks again and presses Escape, then asks again and closes the box from its frame.
  enum Answer { kEnter, kEscape, kFrame };
  for (Answer answer : {kEnter, kEscape, kFrame}) {
    int step = 0;
    HWND box = nullptr;
    int boxWidth = 0;
    TTimer look(form.get());
    look.SetInterval(20);
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    look.OnTimer = [&](TObject*) {
      if (std::chrono::steady_clock::now() > end) {
        if (box && IsWindow(box)) PostMessage(box, WM_CLOSE, 0, 0);
        return;
      }
      box = GetActiveWindow();
      if (!box || box == h || !Viewable(box)) return;
      const Window shown = XOf(box);
      if (step == 0 && xFocus() == shown) {
        XWindowAttributes a;
        XGetWindowAttributes(peer, shown, &a);
        boxWidth = a.width;
        // A click on the owner, beside the box (each time elsewhere: the pointer must move).
        POINT at = RootPosition(h);
        (void)std::system((xdo + "mousemove --sync " + std::to_string(at.x + 380 + 10 * answer) + " " + std::to_string(at.y + 20) +
                           " click 1").c_str());
        step = 1;
      } else if (step == 1 && xFocus() == shown) {
        if (answer == kEnter) (void)std::system((xdo + "key Return").c_str());
        if (answer == kEscape) (void)std::system((xdo + "key Escape").c_str());
        if (answer == kFrame) AskManager(shown, "_NET_CLOSE_WINDOW", 0);
        step = 2;
      }
    };
    const int result = ShowMessageBox("Send?", "AUTO-HANDLING OF RECEIVED POST", MB_OKCANCEL);
    EXPECT_EQ(step, 2);
    EXPECT_EQ(result, answer == kEnter ? IDOK : IDCANCEL);
    // The frame shows the whole caption: wider than its letters at seven pixels each.
    EXPECT_GT(boxWidth, 7 * 30);
    Pump();
    EXPECT_EQ(opened, 0);
  }
  // The window behind takes Enter again once the box is gone.
  ASSERT_TRUE(PumpUntil([&] { return GetActiveWindow() == h && xFocus() == XOf(h); }));
  (void)std::system((xdo + "key Return").c_str());
  EXPECT_TRUE(PumpUntil([&] { return opened == 1; }));
}

TEST_F(X11Managed, TheToolBarsMenusAreReachedFromTheKeyboardAlone) {
  std::unique_ptr<TForm> form(MakeForm("Меню с клавиатуры", 0, 0, 400, 200));
  auto* bar = new TToolBar(form.get());
  bar->SetParent(form.get());
  bar->SetShowCaptions(true);
  std::vector<std::string> chosen;
  int opened = 0;
  auto menu = [&](const char* caption, std::vector<const char*> items) {
    auto* popup = new TPopupMenu(form.get());
    popup->OnPopup = [&opened](TObject*) { ++opened; };
    for (const char* text : items) {
      auto* item = new TMenuItem(popup);
      item->SetCaption(text);
      item->OnClick = [&chosen, text](TObject*) { chosen.push_back(text); };
      popup->Items()->Add(item);
    }
    auto* button = new TToolButton(bar);
    button->SetParent(bar);
    button->SetCaption(caption);
    button->SetDropdownMenu(popup);
  };
  menu("&File", {"Open", "Close"});
  auto* command = new TToolButton(bar);
  command->SetParent(bar);
  command->SetCaption("Send");
  command->OnClick = [&](TObject*) { chosen.push_back("Send"); };
  menu("&Post", {"Post", "Send post"});
  form->Show();
  HWND h = form->Handle();
  ASSERT_TRUE(PumpUntil([&] {
    Window focus = 0;
    int revert;
    XGetInputFocus(peer, &focus, &revert);
    return Viewable(h) && GetActiveWindow() == h && focus == XOf(h);
  }));
  auto keys = [&](std::vector<std::vector<KeySym>> chords) {
    for (const auto& chord : chords) {
      for (KeySym k : chord) XTestFakeKeyEvent(peer, XKeysymToKeycode(peer, k), True, CurrentTime);
      for (auto k = chord.rbegin(); k != chord.rend(); ++k) XTestFakeKeyEvent(peer, XKeysymToKeycode(peer, *k), False, CurrentTime);
    }
    XSync(peer, False);
  };
  // F10 opens the first menu, Right walks past the command to the next menu, Down and
  // Enter choose its second item.
  keys({{XK_F10}, {XK_Right}, {XK_Down}, {XK_Return}});
  ASSERT_TRUE(PumpUntil([&] { return chosen.size() == 1; }));
  EXPECT_EQ(chosen.back(), "Send post");
  // Alt and the underlined letter open that menu; Enter takes its first item.
  keys({{XK_Alt_L, XK_f}, {XK_Return}});
  ASSERT_TRUE(PumpUntil([&] { return chosen.size() == 2; }));
  EXPECT_EQ(chosen.back(), "Open");
  // Left from the first menu comes round to the last; Escape leaves without a choice.
  opened = 0;
  keys({{XK_F10}, {XK_Left}, {XK_Escape}, {XK_F10}, {XK_Escape}});
  ASSERT_TRUE(PumpUntil([&] { return opened == 3 && platform::OpenMenuWindows().empty(); })) << opened;
  Pump();
  EXPECT_EQ(chosen.size(), 2u);
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
  const RECT placed = Rect(h);  // where the manager put it
  // The manager minimises (as its button or a panel does) and restores on activation.
  std::string minimise = "DISPLAY=" + server->Name() + " xdotool windowminimize " + std::to_string(XOf(h));
  ASSERT_EQ(std::system(minimise.c_str()), 0);
  ASSERT_TRUE(PumpUntil([&] { return IsIconic(h) != 0; }));
  EXPECT_EQ(form->WindowState(), wsMinimized);
  AskManager(XOf(h), "_NET_ACTIVE_WINDOW", 2);
  ASSERT_TRUE(PumpUntil([&] { return !IsIconic(h) && Viewable(h); }));
  RECT r = Rect(h);
  EXPECT_EQ(r.left, placed.left);
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

// While a modal form is open the window it interrupts takes nothing: the person comes back
// from another program by that window, presses F10 and Alt with a menu's letter and clicks
// its tool bar; no menu opens, no command runs, and the modal form has the keyboard again.
TEST_F(X11Managed, AModalFormKeepsTheKeysAndClicksOfTheWindowItInterrupts) {
  std::unique_ptr<TForm> form(MakeForm("Окно под вопросом", 0, 0, 500, 300));
  auto* bar = new TToolBar(form.get());
  bar->SetParent(form.get());
  bar->SetShowCaptions(true);
  std::vector<std::string> ran;
  int opened = 0;
  auto* popup = new TPopupMenu(form.get());
  popup->OnPopup = [&](TObject*) { ++opened; };
  auto* item = new TMenuItem(popup);
  item->SetCaption("Open");
  item->OnClick = [&](TObject*) { ran.push_back("Open"); };
  popup->Items()->Add(item);
  auto* file = new TToolButton(bar);
  file->SetParent(bar);
  file->SetCaption("&File");
  file->SetDropdownMenu(popup);
  auto* send = new TToolButton(bar);
  send->SetParent(bar);
  send->SetCaption("Send");
  send->OnClick = [&](TObject*) { ran.push_back("Send"); };
  form->Show();
  const HWND h = form->Handle();
  auto xFocus = [&] {
    Window w = 0;
    int revert;
    XGetInputFocus(peer, &w, &revert);
    return w;
  };
  ASSERT_TRUE(PumpUntil([&] { return Viewable(h) && GetActiveWindow() == h && xFocus() == XOf(h); }));
  const std::string xdo = "DISPLAY=" + server->Name() + " xdotool ";
  auto keys = [&](std::vector<std::vector<KeySym>> chords) {
    for (const auto& chord : chords) {
      for (KeySym k : chord) XTestFakeKeyEvent(peer, XKeysymToKeycode(peer, k), True, CurrentTime);
      for (auto k = chord.rbegin(); k != chord.rend(); ++k)
        XTestFakeKeyEvent(peer, XKeysymToKeycode(peer, *k), False, CurrentTime);
    }
    XSync(peer, False);
  };

  // Another program's window (placed by itself: the window manager keeps out of the test).
  XSetWindowAttributes unmanaged{};
  unmanaged.override_redirect = True;
  const Window elsewhere = XCreateWindow(peer, DefaultRootWindow(peer), 600, 400, 100, 100, 0, CopyFromParent,
                                         InputOutput, CopyFromParent, CWOverrideRedirect, &unmanaged);
  XMapWindow(peer, elsewhere);
  XSync(peer, False);
  ASSERT_TRUE(PumpUntil([&] {
    XWindowAttributes a;
    return XGetWindowAttributes(peer, elsewhere, &a) && a.map_state == IsViewable;
  }));
  std::unique_ptr<TForm> office(MakeForm("post", 300, 150, 180, 100));
  office->SetBorderStyle(bsDialog);
  // F5 after the keys and after the click: once the modal form has it, what came before it
  // has been taken.
  int marks = 0;
  office->SetKeyPreview(true);
  office->OnKeyDown = [&](TObject*, WORD& key, TShiftState) { marks += key == VK_F5; };
  int step = 0;
  bool modalHadTheKeyboard = false, modalHadTheClick = false;
  auto* look = new TTimer(office.get());
  look->SetInterval(20);
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(60);  // only so that a fault ends
  const auto modalHasTheKeyboard = [&] {
    return GetActiveWindow() == office->Handle() && xFocus() == XOf(office->Handle());
  };
  look->OnTimer = [&](TObject*) {
    if (std::chrono::steady_clock::now() > end) office->SetModalResult(mrCancel);
    if (step == 0 && Viewable(office->Handle()) && modalHasTheKeyboard()) {
      // The person is in another program, then comes back by the window behind, whose
      // keys are pressed at once.
      XSetInputFocus(peer, elsewhere, RevertToParent, CurrentTime);
      XSync(peer, False);
      step = 1;
    } else if (step == 1 && xFocus() != elsewhere) {
      // The form just shown takes the focus once it learns it is mapped, which may come
      // after the manager gave it: the person clicks the other program again.
      XSetInputFocus(peer, elsewhere, RevertToParent, CurrentTime);
      XSync(peer, False);
    } else if (step == 1) {
      XSetInputFocus(peer, XOf(h), RevertToParent, CurrentTime);
      keys({{XK_F10}, {XK_Down}, {XK_Return}, {XK_Alt_L, XK_f}, {XK_Return}, {XK_F5}});
      step = 2;
    } else if (step == 2 && marks == 1 && modalHasTheKeyboard()) {
      modalHadTheKeyboard = true;
      const POINT at = RootPosition(h);
      const RECT button = send->BoundsRect();
      (void)std::system((xdo + "mousemove --sync " + std::to_string(at.x + (button.left + button.right) / 2) + " " +
                         std::to_string(at.y + bar->Top() + (button.top + button.bottom) / 2) + " click 1")
                            .c_str());
      keys({{XK_F5}});
      step = 3;
    } else if (step == 3 && marks == 2 && modalHasTheKeyboard()) {
      modalHadTheClick = true;
      office->SetModalResult(mrOk);
    }
  };
  EXPECT_EQ(office->ShowModal(), mrOk) << "step " << step;
  EXPECT_TRUE(modalHadTheKeyboard);
  EXPECT_TRUE(modalHadTheClick);
  Pump();
  EXPECT_EQ(opened, 0);
  EXPECT_TRUE(ran.empty()) << ran.front();
  EXPECT_TRUE(platform::OpenMenuWindows().empty());
  // Once the modal form is gone, the window takes its keys again.
  ASSERT_TRUE(PumpUntil([&] { return GetActiveWindow() == h && xFocus() == XOf(h); }));
  keys({{XK_Alt_L, XK_f}, {XK_Return}});
  EXPECT_TRUE(PumpUntil([&] { return ran.size() == 1; }));
  EXPECT_EQ(opened, 1);
  XDestroyWindow(peer, elsewhere);
}

// A form that tells of work going on, as a waiting window does: each step of the work
// repaints its text and shows it at once, taking no messages. Once the person has minimised
// it through the manager, no step waits for it to show.
TEST_F(X11Managed, StepsOfWorkDoNotWaitForAFormTheManagerMinimised) {
  constexpr int kPatience = 60000;  // how long a step would wait for the form: a fault, seen below
  std::unique_ptr<TForm> form;
  TLabel* label = nullptr;
  ASSERT_NO_FATAL_FAILURE(MinimisedFormOfWork(form, label, kPatience));
  const HWND h = form->Handle();

  // Should a step wait for the form, the person brings it back after a while, which ends
  // the wait; the steps tell whether that was needed.
  std::mutex lock;
  std::condition_variable ended;
  bool done = false, broughtBack = false;
  std::thread person([&, window = XOf(h), name = server->Name()] {
    std::unique_lock<std::mutex> hold(lock);
    if (ended.wait_for(hold, std::chrono::seconds(30), [&] { return done; })) return;
    broughtBack = true;
    if (::Display* other = XOpenDisplay(name.c_str())) {
      XMapWindow(other, window);
      XCloseDisplay(other);
    }
  });
  for (int step = 1; step <= 20; ++step) {
    label->SetCaption("Step " + std::to_string(step));
    form->Update();
    display->ShowNow(h, kPatience);
  }
  {
    std::lock_guard<std::mutex> hold(lock);
    done = true;
  }
  ended.notify_all();
  person.join();
  EXPECT_FALSE(broughtBack) << "a step waited for the minimised form";
  EXPECT_TRUE(PumpUntil([&] { return IsIconic(h) != 0; }));
}

// The pixels of a window's client part as it painted them, row by row.
std::vector<COLORREF> Painted(HWND h) {
  RECT client{};
  GetClientRect(h, &client);
  std::vector<COLORREF> pixels;
  HDC dc = GetDC(h);
  for (int y = 0; y < client.bottom; ++y)
    for (int x = 0; x < client.right; ++x) pixels.push_back(GetPixel(dc, x, y));
  ReleaseDC(h, dc);
  return pixels;
}

// The same form of work, minimised and then brought back by the person while the work goes
// on: the next step shows the step of now on the screen, with no message taken.
TEST_F(X11Managed, AFormOfWorkBroughtBackShowsTheStepOfNowAtTheNextStep) {
  constexpr int kPatience = 60000;
  std::unique_ptr<TForm> form;
  TLabel* label = nullptr;
  ASSERT_NO_FATAL_FAILURE(MinimisedFormOfWork(form, label, kPatience));
  const HWND h = form->Handle();
  int step = 0;
  const auto takeStep = [&] {
    label->SetCaption("Step " + std::to_string(++step));
    form->Update();
    display->ShowNow(h, kPatience);
  };
  for (int i = 0; i < 3; ++i) takeStep();
  XMapWindow(peer, XOf(h));  // the person brings it back
  XSync(peer, False);
  ASSERT_TRUE(Seen([&] { return Viewable(h) && !Iconic(h); }));
  takeStep();
  EXPECT_FALSE(IsIconic(h));
  // The screen shows what the form painted...
  const auto differing = [&] {
    XWindowAttributes a;
    if (!XGetWindowAttributes(peer, XOf(h), &a)) return -1;
    XImage* image = XGetImage(peer, XOf(h), 0, 0, static_cast<unsigned>(a.width), static_cast<unsigned>(a.height),
                              AllPlanes, ZPixmap);
    if (!image) return -1;
    const std::vector<COLORREF> painted = Painted(h);
    RECT client{};
    GetClientRect(h, &client);
    int count = 0;
    for (int y = 0; y < a.height; ++y)
      for (int x = 0; x < a.width; ++x) {
        const COLORREF ours = y < client.bottom && x < client.right ? painted[y * client.right + x] : CLR_INVALID;
        count += XGetPixel(image, x, y) !=
                 static_cast<unsigned long>((GetRValue(ours) << 16) | (GetGValue(ours) << 8) | GetBValue(ours));
      }
    XDestroyImage(image);
    return count;
  };
  EXPECT_TRUE(Seen([&] { return differing() == 0; })) << differing() << " pixels differ";
  // ...and that is the step of now: painted whole again, the form is the same.
  const std::vector<COLORREF> shown = Painted(h);
  RedrawWindow(h, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  EXPECT_TRUE(Painted(h) == shown) << "the screen shows an earlier step";
}

}  // namespace
