// Windows, messages and their order, destruction, search and enumeration.

#include "Guitestwindow.h"

namespace {

using guitest::Log;
using guitest::Messages;
using Messages_t = std::vector<UINT>;

class Windows : public guitest::Screen {};

TEST_F(Windows, CreationAndDestructionOrder) {
  HWND top = TopLevel(10, 10, 200, 100, WS_POPUP);
  EXPECT_EQ(Messages({WM_GETMINMAXINFO, WM_NCCREATE, WM_NCCALCSIZE, WM_CREATE, WM_SIZE, WM_MOVE}),
            (Messages_t{WM_GETMINMAXINFO, WM_NCCREATE, WM_NCCALCSIZE, WM_CREATE, WM_SIZE, WM_MOVE}));
  HWND child = Child(top, 5, 5, 50, 50);
  HWND grandChild = Child(child, 1, 1, 10, 10);
  Log().clear();
  ASSERT_TRUE(DestroyWindow(top));
  std::vector<std::pair<HWND, UINT>> order;
  for (const auto& m : Log())
    if (m.message == WM_DESTROY || m.message == WM_NCDESTROY) order.emplace_back(m.window, m.message);
  // WM_DESTROY from the top down, WM_NCDESTROY from the bottom up.
  std::vector<std::pair<HWND, UINT>> expected{{top, WM_DESTROY}, {child, WM_DESTROY}, {grandChild, WM_DESTROY},
                                              {grandChild, WM_NCDESTROY}, {child, WM_NCDESTROY}, {top, WM_NCDESTROY}};
  EXPECT_EQ(order, expected);
  EXPECT_FALSE(IsWindow(top));
  EXPECT_FALSE(IsWindow(grandChild));
  EXPECT_EQ(SendMessage(child, WM_USER, 0, 0), 0) << "a message to a destroyed window is dropped";
  EXPECT_FALSE(PostMessage(child, WM_USER, 0, 0));
}

TEST_F(Windows, GeometryStylesAndWords) {
  HWND top = TopLevel(100, 50, 300, 200, WS_OVERLAPPEDWINDOW | WS_VSCROLL, WS_EX_CLIENTEDGE);
  RECT wr, cr;
  GetWindowRect(top, &wr);
  GetClientRect(top, &cr);
  EXPECT_EQ(wr.left, 100);
  EXPECT_EQ(wr.bottom, 250);
  // Frame 4, client edge 2, caption 19, vertical bar 16.
  EXPECT_EQ(cr.right, 300 - 2 * 6 - 16);
  EXPECT_EQ(cr.bottom, 200 - 2 * 6 - 19);
  POINT p{0, 0};
  ClientToScreen(top, &p);
  EXPECT_EQ(p.x, 106);
  EXPECT_EQ(p.y, 50 + 6 + 19);
  ScreenToClient(top, &p);
  EXPECT_EQ(p.x, 0);
  // Hit tests of the frame.
  EXPECT_EQ(SendMessage(top, WM_NCHITTEST, 0, MAKELPARAM(200, 60)), HTCAPTION);
  EXPECT_EQ(SendMessage(top, WM_NCHITTEST, 0, MAKELPARAM(200, 150)), HTCLIENT);
  EXPECT_EQ(SendMessage(top, WM_NCHITTEST, 0, MAKELPARAM(100 + 300 - 6 - 8, 150)), HTVSCROLL);
  EXPECT_EQ(SendMessage(top, WM_NCHITTEST, 0, MAKELPARAM(101, 150)), HTLEFT);
  EXPECT_EQ(SendMessage(top, WM_NCHITTEST, 0, MAKELPARAM(5, 5)), HTNOWHERE);

  // Window words: user data, extra bytes, style, text.
  SetWindowLong(top, GWL_USERDATA, static_cast<LONG_PTR>(0x1234567890));
  EXPECT_EQ(GetWindowLong(top, GWL_USERDATA), static_cast<LONG_PTR>(0x1234567890));
  EXPECT_TRUE(GetWindowLong(top, GWL_STYLE) & WS_CAPTION);
  SetWindowText(top, "Заголовок");
  char text[64];
  EXPECT_EQ(GetWindowText(top, text, sizeof text), 9);
  EXPECT_STREQ(text, "Заголовок");
  EXPECT_EQ(GetWindowText(top, text, 4), 3) << "cut to the buffer";
  char cls[32];
  GetClassName(top, cls, sizeof cls);
  EXPECT_STREQ(cls, "TestWindow");

  // Sizes are clamped to sane ranges.
  MoveWindow(top, -5000000, 0, 100000000, -7, TRUE);
  GetWindowRect(top, &wr);
  EXPECT_GE(wr.left, -(1 << 24));
  EXPECT_EQ(wr.bottom - wr.top, 0);
  EXPECT_LE(wr.right - wr.left, platform::Pixmap::kMaxSide);
}

TEST_F(Windows, ShowMinimizeMaximizeRestore) {
  HWND top = TopLevel(10, 20, 200, 100, WS_OVERLAPPEDWINDOW);
  EXPECT_FALSE(IsWindowVisible(top));
  ShowWindow(top, SW_SHOW);
  EXPECT_TRUE(IsWindowVisible(top));
  EXPECT_EQ(GetActiveWindow(), top);
  EXPECT_EQ(GetFocus(), top);
  ShowWindow(top, SW_SHOWMAXIMIZED);
  EXPECT_TRUE(IsZoomed(top));
  RECT r;
  GetWindowRect(top, &r);
  EXPECT_EQ(r.right - r.left, 640);
  ShowWindow(top, SW_MINIMIZE);
  EXPECT_TRUE(IsIconic(top));
  ShowWindow(top, SW_RESTORE);
  EXPECT_FALSE(IsIconic(top));
  EXPECT_FALSE(IsZoomed(top));
  GetWindowRect(top, &r);
  EXPECT_EQ(r.left, 10);
  EXPECT_EQ(r.bottom, 120);
  WINDOWPLACEMENT wp{};
  wp.length = sizeof wp;
  GetWindowPlacement(top, &wp);
  EXPECT_EQ(wp.showCmd, static_cast<UINT>(SW_SHOWNORMAL));
  EXPECT_EQ(Messages({WM_SIZE}, top).size(), 4u);
  ShowWindow(top, SW_HIDE);
  EXPECT_EQ(GetActiveWindow(), nullptr);
}

TEST_F(Windows, DestructionInsideItsOwnHandlerWaits) {
  static HWND self;
  static bool validInside = false;
  struct Local {
    static LRESULT Proc(HWND h, UINT m, WPARAM w, LPARAM l) {
      if (m == WM_USER) {
        DestroyWindow(h);
        validInside = IsWindow(h) && GetWindowLong(h, GWL_USERDATA) == 7;
        return 5;
      }
      return guitest::LoggingProc(h, m, w, l);
    }
  };
  self = TopLevel(0, 0, 50, 50);
  SetWindowLong(self, GWL_USERDATA, 7);
  SetWindowLong(self, GWL_WNDPROC, reinterpret_cast<LONG_PTR>(&Local::Proc));
  PostMessage(self, WM_USER + 1, 0, 0);
  EXPECT_EQ(SendMessage(self, WM_USER, 0, 0), 5);
  EXPECT_TRUE(validInside);
  EXPECT_FALSE(IsWindow(self)) << "gone once the handler returned";
  EXPECT_EQ(Messages({WM_DESTROY, WM_NCDESTROY}), (Messages_t{WM_DESTROY, WM_NCDESTROY}));
  EXPECT_TRUE(person.Pump()) << "the posted message of the destroyed window is dropped";
  EXPECT_TRUE(Messages({WM_USER + 1}).empty());
}

TEST_F(Windows, AButtonRemovingItsFormOnItsOwnClick) {
  static bool childAlive = false;
  struct Local {
    static LRESULT Button(HWND h, UINT m, WPARAM w, LPARAM l) {
      if (m == WM_LBUTTONUP) {
        DestroyWindow(GetParent(h));  // the form goes, with the button inside
        childAlive = IsWindow(h) && IsWindowVisible(h);
        return 0;
      }
      return guitest::LoggingProc(h, m, w, l);
    }
  };
  HWND form = TopLevel(0, 0, 100, 100);
  HWND button = Child(form, 10, 10, 50, 20);
  SetWindowLong(button, GWL_WNDPROC, reinterpret_cast<LONG_PTR>(&Local::Button));
  person.Click(20, 20);
  person.Pump();
  EXPECT_TRUE(childAlive) << "still there while its handler runs";
  EXPECT_FALSE(IsWindow(button));
  EXPECT_FALSE(IsWindow(form));
}

TEST_F(Windows, SendMessageTimeoutGivesUpOnABusyThread) {
  HWND top = TopLevel(0, 0, 50, 50);
  ULONG_PTR result = 7;
  LRESULT answered = 1;
  // This thread does not look at its queue meanwhile, so the other one waits in vain.
  std::thread worker([&] { answered = SendMessageTimeout(top, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 50, &result); });
  worker.join();
  EXPECT_EQ(answered, 0);
  EXPECT_EQ(result, 0u);
  person.Pump();
  EXPECT_EQ(SendMessageTimeout(top, WM_GETTEXTLENGTH, 0, 0, SMTO_NORMAL, 10, &result), 1);
  EXPECT_EQ(result, 4u);
}

TEST_F(Windows, SubclassingChains) {
  static WNDPROC original, first;
  static std::vector<std::string> calls;
  struct Local {
    static LRESULT First(HWND h, UINT m, WPARAM w, LPARAM l) {
      if (m == WM_USER) calls.push_back("first");
      return CallWindowProc(original, h, m, w, l);
    }
    static LRESULT Second(HWND h, UINT m, WPARAM w, LPARAM l) {
      if (m == WM_USER) {
        calls.push_back("second");
        if (w == 1) return 99;  // handled here, the chain stops
      }
      return CallWindowProc(first, h, m, w, l);
    }
  };
  HWND top = TopLevel(0, 0, 50, 50);
  original = reinterpret_cast<WNDPROC>(SetWindowLong(top, GWL_WNDPROC, reinterpret_cast<LONG_PTR>(&Local::First)));
  EXPECT_EQ(original, &guitest::LoggingProc);
  first = reinterpret_cast<WNDPROC>(SetWindowLong(top, GWL_WNDPROC, reinterpret_cast<LONG_PTR>(&Local::Second)));
  Log().clear();
  SendMessage(top, WM_USER, 0, 0);
  EXPECT_EQ(calls, (std::vector<std::string>{"second", "first"}));
  EXPECT_EQ(Messages({WM_USER}).size(), 1u) << "the original procedure ran last";
  calls.clear();
  EXPECT_EQ(SendMessage(top, WM_USER, 1, 0), 99);
  EXPECT_EQ(calls, (std::vector<std::string>{"second"}));
  // Taking the subclass out restores the chain below it.
  SetWindowLong(top, GWL_WNDPROC, reinterpret_cast<LONG_PTR>(first));
  calls.clear();
  SendMessage(top, WM_USER, 0, 0);
  EXPECT_EQ(calls, (std::vector<std::string>{"first"}));
}

TEST_F(Windows, SearchEnumerationAndFamily) {
  HWND a = TopLevel(0, 0, 100, 100);
  HWND b = TopLevel(50, 50, 100, 100);
  SetWindowText(b, "Second window");
  HWND c1 = Child(a, 0, 0, 40, 40, WS_CHILD | WS_VISIBLE, 11);
  HWND c2 = Child(a, 50, 0, 40, 40, WS_CHILD | WS_VISIBLE, 12);
  HWND g = Child(c1, 0, 0, 10, 10);
  EXPECT_EQ(FindWindow("testwindow", "Second window"), b) << "class names compare without case";
  EXPECT_EQ(FindWindow(nullptr, "Nothing"), nullptr);
  EXPECT_EQ(GetDlgItem(a, 12), c2);
  EXPECT_EQ(GetDlgCtrlID(c1), 11);
  EXPECT_EQ(GetParent(g), c1);
  EXPECT_EQ(GetAncestor(g, GA_ROOT), a);
  EXPECT_TRUE(IsChild(a, g));
  EXPECT_FALSE(IsChild(b, g));
  std::vector<HWND> found;
  auto collect = [](HWND h, LPARAM l) -> BOOL {
    reinterpret_cast<std::vector<HWND>*>(l)->push_back(h);
    return TRUE;
  };
  EnumChildWindows(a, collect, reinterpret_cast<LPARAM>(&found));
  EXPECT_EQ(found, (std::vector<HWND>{c2, c1, g})) << "top of the z-order first, depth first";
  found.clear();
  EnumWindows(collect, reinterpret_cast<LPARAM>(&found));
  EXPECT_EQ(found, (std::vector<HWND>{b, a}));
  DWORD process = 0;
  EXPECT_NE(GetWindowThreadProcessId(a, &process), 0u);
  EXPECT_EQ(process, static_cast<DWORD>(getpid()));
  // The deepest enabled window under a point; a disabled child leaves it to its parent.
  EXPECT_EQ(WindowFromPoint(POINT{5, 5}), g);
  EXPECT_EQ(WindowFromPoint(POINT{60, 60}), b);
  EnableWindow(c1, FALSE);
  EXPECT_EQ(WindowFromPoint(POINT{5, 5}), a);
  EXPECT_EQ(WindowFromPoint(POINT{600, 400}), nullptr);
  // z-order changes.
  SetWindowPos(a, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  EXPECT_EQ(GetTopWindow(nullptr), a);
  EXPECT_EQ(GetWindow(a, GW_HWNDNEXT), b);
  SetWindowPos(b, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  SetWindowPos(a, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  EXPECT_EQ(GetTopWindow(nullptr), b) << "a topmost window stays above";
}

TEST_F(Windows, TimersOnTheVirtualClock) {
  static int procCalls = 0;
  HWND top = TopLevel(0, 0, 50, 50);
  SetTimer(top, 7, 300, nullptr);
  UINT_PTR id = SetTimer(nullptr, 0, 250, [](HWND, UINT, UINT_PTR, DWORD) { ++procCalls; });
  EXPECT_NE(id, 0u);
  person.Advance(299);
  EXPECT_TRUE(Messages({WM_TIMER}).empty());
  person.Advance(1);
  EXPECT_EQ(Messages({WM_TIMER}).size(), 1u);
  person.Advance(700);
  EXPECT_EQ(Messages({WM_TIMER}).size(), 3u);
  EXPECT_EQ(procCalls, 4);
  EXPECT_EQ(Log().back().w, 7u);
  KillTimer(top, 7);
  KillTimer(nullptr, id);
  person.Advance(2000);
  EXPECT_EQ(Messages({WM_TIMER}).size(), 3u);
  EXPECT_EQ(procCalls, 4);
}

TEST_F(Windows, PostedAndSentAcrossThreads) {
  HWND top = TopLevel(0, 0, 50, 50);
  LRESULT answer = 0;
  std::thread worker([&] {
    PostMessage(top, WM_USER + 2, 1, 2);
    answer = SendMessage(top, WM_GETTEXTLENGTH, 0, 0);
  });
  // The sent message runs on this thread while it looks for messages.
  while (answer == 0) person.Pump();
  worker.join();
  EXPECT_EQ(answer, 4);
  // Another thread reads the text as stored, without waiting for this one.
  std::thread reader([&] {
    char text[16];
    answer = GetWindowText(top, text, sizeof text);
  });
  reader.join();
  EXPECT_EQ(answer, 4);
  person.Pump();
  EXPECT_EQ(Messages({WM_USER + 2}).size(), 1u);
  UINT a = RegisterWindowMessage("Quillaran.Test");
  EXPECT_GE(a, 0xC000u);
  EXPECT_EQ(RegisterWindowMessage("QUILLARAN.TEST"), a);
  EXPECT_NE(RegisterWindowMessage("Other"), a);
}

}  // namespace
