#include "platform/display/X11display.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <vector>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <atomic>
#include <condition_variable>
#include <map>
#include <mutex>
#include <thread>

#include "platform/display/X11keys.h"
#include "platform/display/X11tray.h"
#include "platform/gui/Cursor.h"
#include "platform/gui/Guilock.h"
#include "platform/gui/Input.h"
#include "platform/gui/Messagequeue.h"
#include "platform/gui/Painting.h"
#include "platform/gui/Rects.h"
#include "platform/gui/Sysmetrics.h"
#include "platform/gui/Window.h"
#include "platform/gui/Windowdirectory.h"
#include "platform/gui/Windowmanager.h"
#include "platform/gui/Winstyles.h"
#include "platform/kernel/Codepage.h"
#include "platform/shell/Notifyicon.h"

// Xlib after the window system's headers: its macros would clash with their names.
#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/cursorfont.h>
#include <X11/extensions/XTest.h>
#undef CursorShape

namespace platform {

namespace {

using XDisplay = ::Display;
using XWindow = ::Window;

// The connection is gone: nothing can be shown any more, so the program ends here.
int LostConnection(XDisplay*) {
  std::fprintf(stderr, "%s: the connection to the X display was lost\n", program_invocation_short_name);
  std::fflush(stderr);
  LeaveWindowDirectory();
  _exit(1);
}

// Errors of single requests (a window that another client destroyed meanwhile, a
// refused property) are not fatal: the request just had no effect.
int IgnoreError(XDisplay*, XErrorEvent*) { return 0; }

struct Shown {
  XWindow id = 0;
  RECT rect{};          // geometry the X server has (asked by us or reported to us)
  std::string title;
  bool mapped = false;  // asked to be shown
  bool viewable = false;
  bool overrideRedirect = false;
  // A window manager draws the frame: the X window shows the window without its own
  // caption and border, which lie these insets within the window rectangle.
  bool managed = false;
  RECT inset{};
  DWORD style = 0, exStyle = 0;  // as the hints were last set from
  bool maximized = false;        // as the window manager was last told or told us
  // The first place: until the window is first shown the window manager may choose it
  // (no position hint) or keep the program's (a program position); from then on it is
  // the place the user saw and left the window at.
  bool shownOnce = false;
  bool desktopPlaces = false;  // the window manager is placing it right now
  // What the server has shown: the size it reports, and whether a showing we asked for
  // (the window mapped, or a new size) has yet to come. Work that takes no messages waits
  // for that once, never for a window the desktop keeps out of sight.
  SIZE size{};
  bool awaited = false;
};

// Motif's window-manager hints: which parts of the frame and which functions it offers.
struct MotifHints {
  unsigned long flags, functions, decorations;
  long inputMode;
  unsigned long status;
};
constexpr unsigned long kMotifFunctions = 1, kMotifDecorations = 2;
constexpr unsigned long kFuncResize = 2, kFuncMove = 4, kFuncMinimize = 8, kFuncMaximize = 16, kFuncClose = 32;
constexpr unsigned long kDecorBorder = 2, kDecorResize = 4, kDecorTitle = 8, kDecorMenu = 16, kDecorMinimize = 32,
                        kDecorMaximize = 64;

RECT Deflated(const RECT& r, const RECT& inset) {
  return RECT{r.left + inset.left, r.top + inset.top, std::max(r.left + inset.left + 1, r.right - inset.right),
              std::max(r.top + inset.top + 1, r.bottom - inset.bottom)};
}

bool SameRect(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

unsigned int CursorGlyph(CursorShape shape) {
  switch (shape) {
    case CursorShape::IBeam: return XC_xterm;
    case CursorShape::Wait: return XC_watch;
    case CursorShape::AppStarting: return XC_watch;
    case CursorShape::Cross: return XC_crosshair;
    case CursorShape::UpArrow: return XC_sb_up_arrow;
    case CursorShape::SizeNWSE: return XC_bottom_right_corner;
    case CursorShape::SizeNESW: return XC_bottom_left_corner;
    case CursorShape::SizeWE: case CursorShape::HSplit: return XC_sb_h_double_arrow;
    case CursorShape::SizeNS: case CursorShape::VSplit: return XC_sb_v_double_arrow;
    case CursorShape::SizeAll: return XC_fleur;
    case CursorShape::No: case CursorShape::NoDrop: return XC_X_cursor;
    case CursorShape::Hand: return XC_hand2;
    case CursorShape::Help: return XC_question_arrow;
    default: return XC_left_ptr;
  }
}

}  // namespace

struct X11Display::Impl {
  XDisplay* dpy = nullptr;
  int screen = 0;
  XWindow root = 0;
  Visual* visual = nullptr;
  int depth = 0;
  GC gc = nullptr;
  XWindow helper = 0;  // owns the clipboard and receives its transfers
  bool installed = false;
  std::unique_ptr<X11Tray> tray;  // the notification area's icons on the desktop's panel
  std::recursive_mutex lock;
  std::map<HWND, Shown> shown;
  std::map<XWindow, HWND> byId;
  std::map<int, Cursor> cursors;
  HWND focused = nullptr;  // our window that has the X input focus
  // The window our side made active last, and the serial of the first request sent after
  // that: focus events the server made before it tell of a state we have since left.
  HWND wanted = nullptr;
  unsigned long wantedSerial = 0;
  bool owning = false;
  std::string clipboardUtf8;
  // Texts too large for one request go to their requestors in pieces (INCR): each piece
  // follows when the requestor has taken the last one by deleting the property.
  struct Transfer {
    XWindow requestor = 0;
    Atom property = None, type = None;
    std::string data;
    size_t sent = 0;
    bool done = false;  // the empty piece that ends the transfer is out
  };
  std::vector<Transfer> transfers;
  // Wakes the message loops as soon as the server sends something, instead of at their
  // next look; it waits for the events to be taken before it looks again.
  std::thread watcher;
  int stopPipe[2] = {-1, -1};
  std::mutex drainLock;
  std::condition_variable drained;
  bool signalled = false;
  bool stopping = false;  // under drainLock: the watcher ends even while its wake-up is untaken
  Atom netWmPid, windowTag;
  // Keycodes without keysyms, lent to characters no key types so that XTest can type them.
  std::vector<KeyCode> spareKeys;
  std::map<unsigned long, KeyCode> lent;
  size_t nextSpare = 0;
  bool sparesFound = false;
  Atom clipboard, targets, utf8, text, textPlain, incr, transfer, wmProtocols, wmDelete, motifHints, netWmName;
  Atom wmCheck, wmState, netWmState, stateModal, stateMaxV, stateMaxH, stateHidden, workArea, windowType, typeNormal, typeDialog,
      typeMenu, typeDropdown, typeTooltip, typeCombo;

  // A window manager runs when the root names a check window that names itself.
  bool WindowManagerRunning() {
    auto check = Cardinal(root, wmCheck, XA_WINDOW);
    if (!check || !*check) return false;
    auto self = Cardinal(static_cast<XWindow>(*check), wmCheck, XA_WINDOW);
    return self && *self == *check;
  }

  // The caption and border that the window manager's frame stands in for.
  static RECT FrameInsets(const Window* w) {
    return NonClientInsets(w->style & ~(WS_VSCROLL | WS_HSCROLL), w->exStyle & ~(WS_EX_CLIENTEDGE | WS_EX_STATICEDGE));
  }

  void SetFrameHints(const Window* w, Shown& s) {
    s.style = w->style;
    s.exStyle = w->exStyle;
    MotifHints hints{kMotifFunctions | kMotifDecorations, 0, 0, 0, 0};
    if (s.managed) {
      bool caption = (w->style & WS_CAPTION) == WS_CAPTION;
      bool sizeable = w->style & WS_THICKFRAME;
      hints.functions = kFuncMove | kFuncClose | (sizeable ? kFuncResize : 0) |
                        ((w->style & WS_MINIMIZEBOX) ? kFuncMinimize : 0) | ((w->style & WS_MAXIMIZEBOX) ? kFuncMaximize : 0);
      if (caption)
        hints.decorations = kDecorBorder | kDecorTitle | kDecorMenu | (sizeable ? kDecorResize : 0) |
                            ((w->style & WS_MINIMIZEBOX) ? kDecorMinimize : 0) | ((w->style & WS_MAXIMIZEBOX) ? kDecorMaximize : 0);
      else if (s.inset.left > 0)
        hints.decorations = kDecorBorder;
    }
    // Without a window manager nobody reads these; our own caption is drawn then.
    XChangeProperty(dpy, s.id, motifHints, motifHints, 32, PropModeReplace, reinterpret_cast<unsigned char*>(&hints), 5);
    SetSizeHints(w, s);
  }

  // The position is the client window's own (static gravity), so that the program's
  // placement comes back unchanged; windows without a sizing frame keep their size.
  void SetSizeHints(const Window* w, const Shown& s) {
    RECT shownRect = Deflated(w->rect, s.inset);
    XSizeHints size{};
    size.flags = USSize | PSize | PWinGravity | PMinSize | PositionHint(w, s);
    size.x = shownRect.left;
    size.y = shownRect.top;
    size.width = Width(shownRect);
    size.height = Height(shownRect);
    size.win_gravity = StaticGravity;
    if (s.managed && !(w->style & WS_THICKFRAME)) {
      size.flags |= PMaxSize;
      size.min_width = size.max_width = size.width;
      size.min_height = size.max_height = size.height;
    } else {
      size.min_width = std::max(1, GetSystemMetrics(SM_CXMINTRACK) - s.inset.left - s.inset.right);
      size.min_height = std::max(1, GetSystemMetrics(SM_CYMINTRACK) - s.inset.top - s.inset.bottom);
    }
    XSetWMNormalHints(dpy, s.id, &size);
  }

  // Windows without a caption (a start image, a thumb marker) lie exactly where the
  // program puts them; a framed window's first place is the window manager's unless the
  // program chose it on purpose or restores a remembered one.
  static long PositionHint(const Window* w, const Shown& s) {
    if (s.desktopPlaces) return 0;
    if (!s.managed || s.shownOnce || (w->style & WS_CAPTION) != WS_CAPTION) return USPosition | PPosition;
    switch (w->placement) {
      case Window::Placement::Desktop: return 0;
      case Window::Placement::Program: return PPosition;
      default: return USPosition | PPosition;
    }
  }

  Atom WindowTypeOf(const Window* w, const Shown& s) {
    if (s.overrideRedirect) {
      const std::string& name = w->cls->name;
      if (name == "#MenuPopup") return typeMenu;
      if (name == "#Hint" || name == "#TrayTip") return typeTooltip;
      if (name == "#ComboList") return typeCombo;
      return typeDropdown;
    }
    return w->owner && shown.count(w->owner->handle) ? typeDialog : typeNormal;
  }

  // Asks the window manager to add or take away the maximised state.
  void RequestMaximized(const Shown& s, bool on) {
    XEvent e{};
    e.xclient.type = ClientMessage;
    e.xclient.window = s.id;
    e.xclient.message_type = netWmState;
    e.xclient.format = 32;
    e.xclient.data.l[0] = on ? 1 : 0;
    e.xclient.data.l[1] = static_cast<long>(stateMaxV);
    e.xclient.data.l[2] = static_cast<long>(stateMaxH);
    e.xclient.data.l[3] = 1;
    XSendEvent(dpy, root, False, SubstructureRedirectMask | SubstructureNotifyMask, &e);
  }

  // The window manager changed the window's state: the window takes it over.
  void StateChanged(HWND h, Shown& s) {
    Window* w = FindWindowObject(h);
    if (!w || !(w->style & WS_VISIBLE)) return;
    auto iconic = Cardinal(s.id, wmState, wmState);
    bool minimized = iconic && *iconic == IconicState;
    bool maximized = false;
    Atom type;
    int format;
    unsigned long items = 0, after;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(dpy, s.id, netWmState, 0, 32, False, XA_ATOM, &type, &format, &items, &after, &data) ==
            Success && data && format == 32) {
      const auto* atoms = reinterpret_cast<const unsigned long*>(data);
      bool v = false, hz = false;
      for (unsigned long i = 0; i < items; ++i) {
        v = v || atoms[i] == stateMaxV;
        hz = hz || atoms[i] == stateMaxH;
        minimized = minimized || atoms[i] == stateHidden;
      }
      maximized = v && hz;
    }
    if (data) XFree(data);
    s.maximized = maximized;
    if (minimized) s.mapped = s.awaited = false;  // mapping it again is what restores it
    else if (!s.mapped && s.viewable) s.mapped = true;
    DWORD state = minimized ? WS_MINIMIZE : maximized ? WS_MAXIMIZE : 0;
    if ((w->style & (WS_MINIMIZE | WS_MAXIMIZE)) != state) MirrorWindowState(h, state);
  }

  HWND HandleOf(XWindow id) const {
    auto it = byId.find(id);
    return it == byId.end() ? nullptr : it->second;
  }

  void Put(HWND h, const Shown& s, RECT area) {
    GuiLock guard(GuiMutex());
    Window* w = FindWindowObject(h);
    if (!w || !w->surface || !s.viewable) return;
    const Pixmap& surface = *w->surface;
    area = Intersect(Intersect(area, surface.Bounds()), Deflated(RECT{0, 0, surface.Width(), surface.Height()}, s.inset));
    if (Empty(area)) return;
    const int dx = s.inset.left, dy = s.inset.top;  // window coordinates to the X window's
    if (depth >= 24 && visual->red_mask == 0xFF0000 && visual->green_mask == 0xFF00 && visual->blue_mask == 0xFF) {
      // The surface's pixels are the server's pixels: no copy.
      XImage* image = XCreateImage(dpy, visual, static_cast<unsigned>(depth), ZPixmap, 0,
                                   reinterpret_cast<char*>(const_cast<std::uint32_t*>(surface.Row(0))),
                                   static_cast<unsigned>(surface.Width()), static_cast<unsigned>(surface.Height()), 32,
                                   surface.Width() * 4);
      if (!image) return;
      XPutImage(dpy, s.id, gc, image, area.left, area.top, area.left - dx, area.top - dy, static_cast<unsigned>(Width(area)),
                static_cast<unsigned>(Height(area)));
      image->data = nullptr;
      XDestroyImage(image);
      return;
    }
    XImage* image = XCreateImage(dpy, visual, static_cast<unsigned>(depth), ZPixmap, 0, nullptr,
                                 static_cast<unsigned>(Width(area)), static_cast<unsigned>(Height(area)), 32, 0);
    if (!image) return;
    image->data = static_cast<char*>(std::calloc(static_cast<size_t>(image->bytes_per_line), static_cast<size_t>(Height(area))));
    for (int y = area.top; y < area.bottom; ++y)
      for (int x = area.left; x < area.right; ++x) {
        std::uint32_t p = surface.At(x, y);
        unsigned long r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
        auto channel = [](unsigned long v, unsigned long mask) {
          if (!mask) return 0UL;
          int shift = __builtin_ctzl(mask);
          unsigned long max = mask >> shift;
          return ((v * max + 127) / 255) << shift;
        };
        XPutPixel(image, x - area.left, y - area.top,
                  channel(r, visual->red_mask) | channel(g, visual->green_mask) | channel(b, visual->blue_mask));
      }
    XPutImage(dpy, s.id, gc, image, 0, 0, area.left - dx, area.top - dy, static_cast<unsigned>(Width(area)),
              static_cast<unsigned>(Height(area)));
    XDestroyImage(image);
  }

  void Create(HWND h, Window* w, Shown& s) {
    // Owned pop-ups without a caption (menus, lists, tips) are placed exactly where the
    // program puts them; other windows go through the window manager.
    s.overrideRedirect = (w->owner || (w->exStyle & (WS_EX_TOOLWINDOW | WS_EX_TOPMOST))) && (w->style & WS_POPUP) &&
                         (w->style & WS_CAPTION) != WS_CAPTION;
    s.managed = !s.overrideRedirect && WindowManagerRunning();
    s.inset = s.managed ? FrameInsets(w) : RECT{};
    XSetWindowAttributes a{};
    a.override_redirect = s.overrideRedirect ? True : False;
    a.background_pixmap = None;
    a.bit_gravity = NorthWestGravity;
    a.event_mask = ExposureMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask | KeyPressMask |
                   KeyReleaseMask | FocusChangeMask | KeymapStateMask | StructureNotifyMask | PropertyChangeMask;
    s.rect = Deflated(w->rect, s.inset);
    s.size = SIZE{Width(s.rect), Height(s.rect)};
    s.id = XCreateWindow(dpy, root, s.rect.left, s.rect.top, static_cast<unsigned>(Width(s.rect)),
                         static_cast<unsigned>(Height(s.rect)), 0, CopyFromParent, InputOutput,
                         CopyFromParent, CWOverrideRedirect | CWBackPixmap | CWBitGravity | CWEventMask, &a);
    byId[s.id] = h;
    XSetWMProtocols(dpy, s.id, &wmDelete, 1);
    // Other processes of ours tell our windows from the rest by these.
    long pid = static_cast<long>(getpid());
    long tag = static_cast<long>(reinterpret_cast<std::uintptr_t>(h) & 0xFFFFFFFFu);
    XChangeProperty(dpy, s.id, netWmPid, XA_CARDINAL, 32, PropModeReplace, reinterpret_cast<unsigned char*>(&pid), 1);
    XChangeProperty(dpy, s.id, windowTag, XA_CARDINAL, 32, PropModeReplace, reinterpret_cast<unsigned char*>(&tag), 1);
    SetFrameHints(w, s);
    Atom type = WindowTypeOf(w, s);
    XChangeProperty(dpy, s.id, windowType, XA_ATOM, 32, PropModeReplace, reinterpret_cast<unsigned char*>(&type), 1);
    XClassHint cls{const_cast<char*>("quillaran"), const_cast<char*>("Quillaran")};
    XSetClassHint(dpy, s.id, &cls);
    XWMHints wm{};
    wm.flags = InputHint;
    wm.input = True;
    XSetWMHints(dpy, s.id, &wm);
    if (w->owner)
      if (auto o = shown.find(w->owner->handle); o != shown.end()) XSetTransientForHint(dpy, s.id, o->second.id);
    XDefineCursor(dpy, s.id, CursorFor(ShownCursorShape()));
  }

  // The desktop's window list shows titles as they are: blanks that lay a caption out in
  // columns would only push apart what tells one window from another.
  static std::string Unpadded(const std::string& title) {
    std::string out;
    for (char c : title) {
      const bool blank = c == ' ' || c == '\t';
      if (blank && (out.empty() || out.back() == ' ')) continue;
      out += blank ? ' ' : c;
    }
    if (!out.empty() && out.back() == ' ') out.pop_back();
    return out;
  }

  void SetTitle(Shown& s, const std::string& caption) {
    s.title = caption;
    const std::string title = Unpadded(caption);
    std::string utf8Title = AnsiToUtf8(title);
    XChangeProperty(dpy, s.id, netWmName, utf8, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(utf8Title.data()), static_cast<int>(utf8Title.size()));
    std::string latin;
    for (unsigned char c : title) {
      char32_t u = AnsiCharToUnicode(c);
      latin += u < 0x100 ? static_cast<char>(u) : '?';
    }
    XStoreName(dpy, s.id, latin.c_str());
  }

  Cursor CursorFor(CursorShape shape) {
    int key = static_cast<int>(shape);
    if (auto it = cursors.find(key); it != cursors.end()) return it->second;
    Cursor c;
    if (shape == CursorShape::Blank) {
      char none = 0;
      ::Pixmap empty = XCreateBitmapFromData(dpy, root, &none, 1, 1);
      XColor black{};
      c = XCreatePixmapCursor(dpy, empty, empty, &black, &black, 0, 0);
      XFreePixmap(dpy, empty);
    } else {
      c = XCreateFontCursor(dpy, CursorGlyph(shape));
    }
    cursors[key] = c;
    return c;
  }

  // Our side activated the window: the X input focus follows it as soon as it can be
  // shown (without a window manager nobody else moves the focus).
  void Activated(HWND h, Shown& s) {
    if (wanted != h) {
      wanted = h;
      wantedSerial = NextRequest(dpy);
      XNoOp(dpy);  // events the server makes from now on carry this serial or a later one
    }
    Focus(h, s);
  }

  bool Stale(const XFocusChangeEvent& e) const {
    return static_cast<long>(e.serial - wantedSerial) < 0;
  }

  void Focus(HWND h, Shown& s) {
    if (focused == h || !s.viewable || s.overrideRedirect) return;
    XRaiseWindow(dpy, s.id);
    XSetInputFocus(dpy, s.id, RevertToParent, CurrentTime);
    focused = h;
  }

  // Keys and characters: a key the program knows becomes a key; a character it has no
  // key for (a Cyrillic letter) becomes a typed character of the code page; the rest
  // is dropped.
  void Key(XKeyEvent& e, bool up) {
    char buffer[32];
    KeySym typed = 0;
    XLookupString(&e, buffer, sizeof buffer, &typed, nullptr);
    bool extended = false;
    int vk = VirtualKeyOfKeysym(XkbKeycodeToKeysym(dpy, static_cast<KeyCode>(e.keycode), 0, 0), &extended);
    char32_t u = UnicodeOfKeysym(typed);
    bool command = e.state & (ControlMask | Mod1Mask);
    unsigned char ch = 0;
    if (vk && (command || u < 0x80)) {
      FeedKey(static_cast<BYTE>(vk), 0, (up ? KEYEVENTF_KEYUP : 0) | (extended ? KEYEVENTF_EXTENDEDKEY : 0));
    } else if (u && UnicodeToAnsiChar(u, ch)) {
      FeedKey(VK_PACKET, ch, KEYEVENTF_UNICODE | (up ? KEYEVENTF_KEYUP : 0));
    } else if (vk) {
      FeedKey(static_cast<BYTE>(vk), 0, (up ? KEYEVENTF_KEYUP : 0) | (extended ? KEYEVENTF_EXTENDEDKEY : 0));
    }
  }

  // The keys held as the server tells it when a window of ours gains the focus (each
  // FocusIn is followed by this): a modifier released while the keyboard was elsewhere,
  // as Alt after the window manager took Alt+F4, is let go.
  void KeysHeld(const char (&keys)[32]) {
    bool held[256] = {};
    for (int code = 8; code < 256; ++code)
      if (keys[code / 8] & (1 << (code % 8)))
        held[VirtualKeyOfKeysym(XkbKeycodeToKeysym(dpy, static_cast<KeyCode>(code), 0, 0)) & 0xFF] = true;
    ReleaseModifiersUp([](int vk, void* context) { return static_cast<bool*>(context)[vk & 0xFF]; }, held);
  }

  void Button(const XButtonEvent& e, bool up) {
    FeedCursorPos(e.x_root, e.y_root);
    switch (e.button) {
      case Button1: FeedMouse(up ? MOUSEEVENTF_LEFTUP : MOUSEEVENTF_LEFTDOWN, 0, 0, 0); break;
      case Button2: FeedMouse(up ? MOUSEEVENTF_MIDDLEUP : MOUSEEVENTF_MIDDLEDOWN, 0, 0, 0); break;
      case Button3: FeedMouse(up ? MOUSEEVENTF_RIGHTUP : MOUSEEVENTF_RIGHTDOWN, 0, 0, 0); break;
      case Button4: if (!up) FeedMouse(MOUSEEVENTF_WHEEL, 0, 0, 120); break;
      case Button5: if (!up) FeedMouse(MOUSEEVENTF_WHEEL, 0, 0, static_cast<DWORD>(-120)); break;
      default: break;  // sideways scrolling and extra buttons mean nothing to the program
    }
  }

  void Configured(const XConfigureEvent& e) {
    HWND h = HandleOf(e.window);
    auto it = shown.find(h);
    if (!h || it == shown.end()) return;
    int x = e.x, y = e.y;
    if (!e.send_event && !it->second.overrideRedirect) {
      // A reparenting window manager reports the position within its frame.
      XWindow child;
      XTranslateCoordinates(dpy, e.window, root, 0, 0, &x, &y, &child);
    }
    RECT now{x, y, x + e.width, y + e.height};
    it->second.size = SIZE{e.width, e.height};
    if (SameRect(now, it->second.rect)) return;
    it->second.rect = now;
    Window* w = FindWindowObject(h);
    const RECT& in = it->second.inset;
    RECT outer{now.left - in.left, now.top - in.top, now.right + in.right, now.bottom + in.bottom};
    // An iconic window keeps the placement it is restored to.
    if (w && !(w->style & WS_MINIMIZE) && !SameRect(w->rect, outer))
      SetWindowPos(h, nullptr, outer.left, outer.top, Width(outer), Height(outer), SWP_NOZORDER | SWP_NOACTIVATE);
  }

  void AnswerSelectionRequest(const XSelectionRequestEvent& r) {
    XSelectionEvent reply{};
    reply.type = SelectionNotify;
    reply.display = dpy;
    reply.requestor = r.requestor;
    reply.selection = r.selection;
    reply.target = r.target;
    reply.time = r.time;
    reply.property = None;
    Atom property = r.property != None ? r.property : r.target;
    const long limit = XMaxRequestSize(dpy) * 4 - 1024;
    if (owning && r.selection == clipboard) {
      if (r.target == targets) {
        Atom offered[] = {targets, utf8, textPlain, text, XA_STRING};
        XChangeProperty(dpy, r.requestor, property, XA_ATOM, 32, PropModeReplace,
                        reinterpret_cast<unsigned char*>(offered), 5);
        reply.property = property;
      } else if (r.target == utf8 || r.target == text || r.target == textPlain || r.target == XA_STRING) {
        std::string data = clipboardUtf8;
        Atom type = r.target == XA_STRING ? XA_STRING : utf8;
        if (r.target == XA_STRING) {
          std::string latin;
          for (unsigned char c : Utf8ToAnsi(clipboardUtf8)) {
            char32_t u = AnsiCharToUnicode(c);
            latin += u < 0x100 ? static_cast<char>(u) : '?';
          }
          data = latin;
        }
        if (static_cast<long>(data.size()) <= limit) {
          XChangeProperty(dpy, r.requestor, property, type, 8, PropModeReplace,
                          reinterpret_cast<const unsigned char*>(data.data()), static_cast<int>(data.size()));
        } else {
          // Too large for one request: the size first, then the pieces as they are taken.
          long size = static_cast<long>(data.size());
          XSelectInput(dpy, r.requestor, PropertyChangeMask);
          XChangeProperty(dpy, r.requestor, property, incr, 32, PropModeReplace, reinterpret_cast<unsigned char*>(&size), 1);
          std::erase_if(transfers, [&](const Transfer& t) { return t.requestor == r.requestor && t.property == property; });
          transfers.push_back(Transfer{r.requestor, property, type, std::move(data), 0, false});
        }
        reply.property = property;
      }
    }
    XSendEvent(dpy, r.requestor, False, NoEventMask, reinterpret_cast<XEvent*>(&reply));
  }

  // The requestor took a piece of a transfer: the next one, or the empty one that ends it.
  void ContinueTransfer(const XPropertyEvent& p) {
    if (p.state != PropertyDelete) return;
    auto it = std::find_if(transfers.begin(), transfers.end(),
                           [&](const Transfer& t) { return t.requestor == p.window && t.property == p.atom; });
    if (it == transfers.end()) return;
    if (it->done) {
      XSelectInput(dpy, it->requestor, NoEventMask);
      transfers.erase(it);
      return;
    }
    const size_t piece = std::min(it->data.size() - it->sent, static_cast<size_t>(XMaxRequestSize(dpy) * 4 - 1024));
    XChangeProperty(dpy, it->requestor, it->property, it->type, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(it->data.data() + it->sent), static_cast<int>(piece));
    it->sent += piece;
    it->done = piece == 0;
    XFlush(dpy);
  }

  void Handle(XEvent& e) {
    if (tray && tray->Handle(e)) return;
    switch (e.type) {
      case Expose: {
        HWND h = HandleOf(e.xexpose.window);
        if (auto it = shown.find(h); h && it != shown.end())
          Put(h, it->second, Offset(RECT{e.xexpose.x, e.xexpose.y, e.xexpose.x + e.xexpose.width, e.xexpose.y + e.xexpose.height},
                                    it->second.inset.left, it->second.inset.top));
        break;
      }
      case MapNotify: {
        HWND h = HandleOf(e.xmap.window);
        auto it = shown.find(h);
        if (!h || it == shown.end()) break;
        it->second.viewable = true;
        it->second.desktopPlaces = false;  // placed and framed by now
        // What was painted before the server showed the window appears now, without
        // waiting for an expose or for the next change.
        Put(h, it->second, RECT{0, 0, 1 << 15, 1 << 15});
        if (it->second.managed) StateChanged(h, it->second);
        if (GetActiveWindow() == h) Focus(h, it->second);
        break;
      }
      case UnmapNotify: {
        HWND h = HandleOf(e.xunmap.window);
        // Hidden by the desktop (minimised, another desktop): nothing to wait for.
        if (auto it = shown.find(h); h && it != shown.end()) it->second.viewable = it->second.awaited = false;
        if (focused == h) focused = nullptr;
        break;
      }
      case ConfigureNotify: Configured(e.xconfigure); break;
      case MotionNotify: {
        XEvent last = e;
        while (XCheckTypedWindowEvent(dpy, e.xmotion.window, MotionNotify, &last)) {}
        FeedCursorPos(last.xmotion.x_root, last.xmotion.y_root);
        break;
      }
      case ButtonPress: Button(e.xbutton, false); break;
      case ButtonRelease: Button(e.xbutton, true); break;
      case KeyPress: Key(e.xkey, false); break;
      case KeyRelease: Key(e.xkey, true); break;
      case KeymapNotify: KeysHeld(e.xkeymap.key_vector); break;
      case FocusIn: {
        if (e.xfocus.detail == NotifyInferior || e.xfocus.detail == NotifyPointer) break;
        // The answer to an earlier focus request must not take the activation back from
        // a window activated since (a closed dialog's owner against the next dialog).
        if (Stale(e.xfocus)) break;
        HWND h = HandleOf(e.xfocus.window);
        focused = h;
        Window* w = FindWindowObject(h);
        if (!w || GetActiveWindow() == h) break;
        // A window disabled under a modal one gives the focus back to that one: keys and
        // clicks belong to the question, never to the window behind it, also when the
        // program was not active (the person was in another program).
        if (w->style & WS_DISABLED) {
          HWND modal = GetActiveWindow();
          if (!modal || !IsWindowEnabled(modal))
            if (Window* front = FrontEnabledWindow()) modal = front->handle;
          if (modal && shown.count(modal)) {
            if (GetActiveWindow() != modal) ActivateWindowObject(FindWindowObject(modal), WA_ACTIVE);
            Focus(modal, shown[modal]);
          }
          break;
        }
        ActivateWindowObject(w, WA_ACTIVE);
        break;
      }
      case FocusOut: {
        if (e.xfocus.detail == NotifyInferior || e.xfocus.detail == NotifyPointer || e.xfocus.mode != NotifyNormal) break;
        HWND h = HandleOf(e.xfocus.window);
        // A destroyed window of ours is no longer known, and an old event does not undo
        // an activation made after it.
        if (!h || focused != h || Stale(e.xfocus)) break;
        focused = nullptr;
        // Focus went to another program: ours deactivate, unless a FocusIn of ours follows.
        XEvent next;
        if (XCheckTypedEvent(dpy, FocusIn, &next)) {
          Handle(next);
          break;
        }
        if (GetActiveWindow() == h) ActivateWindowObject(nullptr, WA_INACTIVE);
        break;
      }
      case ClientMessage:
        if (e.xclient.message_type == wmProtocols && static_cast<Atom>(e.xclient.data.l[0]) == wmDelete)
          if (HWND h = HandleOf(e.xclient.window)) PostMessage(h, WM_CLOSE, 0, 0);
        break;
      case MappingNotify: XRefreshKeyboardMapping(&e.xmapping); break;
      case SelectionRequest: AnswerSelectionRequest(e.xselectionrequest); break;
      case PropertyNotify:
        if (e.xproperty.atom == wmState || e.xproperty.atom == netWmState) {
          if (HWND h = HandleOf(e.xproperty.window); h && shown.count(h) && shown[h].managed) StateChanged(h, shown[h]);
          break;
        }
        ContinueTransfer(e.xproperty);
        break;
      case SelectionClear:
        // The loss may be old news: queued while another client owned the clipboard and
        // taken after we took it back. The server's owner of now decides.
        if (e.xselectionclear.selection == clipboard) owning = XGetSelectionOwner(dpy, clipboard) == helper;
        break;
      default: break;
    }
  }

  // The events that show or hide a window: mapped, placed, sized, uncovered, unmapped,
  // minimised.
  struct Showing {
    XWindow window;
    Atom wmState, netWmState;
  };
  static Bool ShowingOf(XDisplay*, XEvent* e, XPointer about) {
    const auto& showing = *reinterpret_cast<const Showing*>(about);
    const int type = e->type;
    if (e->xany.window != showing.window) return False;
    if (type == PropertyNotify) return e->xproperty.atom == showing.wmState || e->xproperty.atom == showing.netWmState;
    return type == MapNotify || type == UnmapNotify || type == ConfigureNotify || type == Expose;
  }

  bool Readable(int timeoutMs) {
    pollfd p{ConnectionNumber(dpy), POLLIN, 0};
    return poll(&p, 1, timeoutMs) > 0;
  }

  void Watch() {
    for (;;) {
      {
        std::unique_lock<std::mutex> wait(drainLock);
        drained.wait_for(wait, std::chrono::milliseconds(100), [&] { return !signalled || stopping; });
        if (stopping) return;
        if (signalled) continue;
      }
      pollfd p[2] = {{ConnectionNumber(dpy), POLLIN, 0}, {stopPipe[0], POLLIN, 0}};
      if (poll(p, 2, 1000) <= 0) continue;
      if (p[1].revents) return;
      {
        std::lock_guard<std::mutex> hold(drainLock);
        signalled = true;
      }
      WakeMessageLoops();
    }
  }

  void EventsTaken() {
    {
      std::lock_guard<std::mutex> hold(drainLock);
      signalled = false;
    }
    drained.notify_all();
  }

  std::optional<unsigned long> Cardinal(XWindow w, Atom property, Atom kind = XA_CARDINAL) {
    Atom type;
    int format;
    unsigned long items, after;
    unsigned char* data = nullptr;
    std::optional<unsigned long> value;
    if (XGetWindowProperty(dpy, w, property, 0, 1, False, kind, &type, &format, &items, &after, &data) == Success &&
        data && format == 32 && items == 1)
      value = *reinterpret_cast<unsigned long*>(data);
    if (data) XFree(data);
    return value;
  }

  // The window of the tree that carries our tag (a window manager's frame holds the
  // client window a level or two below it).
  XWindow Tagged(XWindow w, int levels) {
    if (Cardinal(w, windowTag)) return w;
    if (levels == 0) return 0;
    XWindow rootReturn, parent, *children = nullptr;
    unsigned count = 0;
    if (!XQueryTree(dpy, w, &rootReturn, &parent, &children, &count)) return 0;
    XWindow found = 0;
    for (unsigned i = count; i-- > 0 && !found;) found = Tagged(children[i], levels - 1);
    if (children) XFree(children);
    return found;
  }

  void FindSpareKeys() {
    sparesFound = true;
    int low = 0, high = 0, per = 0;
    XDisplayKeycodes(dpy, &low, &high);
    KeySym* map = XGetKeyboardMapping(dpy, static_cast<KeyCode>(low), high - low + 1, &per);
    if (!map) return;
    for (int code = high; code >= low && spareKeys.size() < 8; --code) {
      bool empty = true;
      for (int i = 0; i < per; ++i) empty = empty && map[(code - low) * per + i] == NoSymbol;
      if (empty) spareKeys.push_back(static_cast<KeyCode>(code));
    }
    XFree(map);
  }

  // A keycode that types the keysym: one of the keyboard's, or a spare one lent to it.
  // Lent keys keep their keysym until they are lent again, so that events still on
  // their way read right.
  KeyCode LendKey(unsigned long keysym) {
    if (auto it = lent.find(keysym); it != lent.end()) return it->second;
    if (!sparesFound) FindSpareKeys();
    if (spareKeys.empty()) return 0;
    KeyCode code = spareKeys[nextSpare++ % spareKeys.size()];
    for (auto it = lent.begin(); it != lent.end();)
      it = it->second == code ? lent.erase(it) : std::next(it);
    KeySym both[2] = {keysym, keysym};
    XChangeKeyboardMapping(dpy, code, 2, both, 1);
    XSync(dpy, False);
    lent[keysym] = code;
    return code;
  }

  void ReturnLentKeys() {
    for (auto& [sym, code] : lent) {
      KeySym none[2] = {NoSymbol, NoSymbol};
      XChangeKeyboardMapping(dpy, code, 2, none, 1);
    }
    lent.clear();
  }

  KeyCode KeycodeOf(unsigned long keysym, bool* shifted) {
    if (shifted) *shifted = false;
    if (!keysym) return 0;
    KeyCode code = XKeysymToKeycode(dpy, keysym);
    if (code && shifted) *shifted = XkbKeycodeToKeysym(dpy, code, 0, 0) != keysym && XkbKeycodeToKeysym(dpy, code, 0, 1) == keysym;
    return code;
  }
};

X11Display::X11Display(const std::string& name) : impl_(std::make_unique<Impl>()) {
  XInitThreads();
  Impl& x = *impl_;
  x.dpy = XOpenDisplay(name.empty() ? nullptr : name.c_str());
  if (!x.dpy) return;
  XSetIOErrorHandler(LostConnection);
  XSetErrorHandler(IgnoreError);
  x.screen = DefaultScreen(x.dpy);
  x.root = RootWindow(x.dpy, x.screen);
  x.visual = DefaultVisual(x.dpy, x.screen);
  x.depth = DefaultDepth(x.dpy, x.screen);
  x.gc = XCreateGC(x.dpy, x.root, 0, nullptr);
  x.helper = XCreateSimpleWindow(x.dpy, x.root, -10, -10, 1, 1, 0, 0, 0);
  XSelectInput(x.dpy, x.helper, PropertyChangeMask);
  x.clipboard = XInternAtom(x.dpy, "CLIPBOARD", False);
  x.targets = XInternAtom(x.dpy, "TARGETS", False);
  x.utf8 = XInternAtom(x.dpy, "UTF8_STRING", False);
  x.text = XInternAtom(x.dpy, "TEXT", False);
  x.textPlain = XInternAtom(x.dpy, "text/plain;charset=utf-8", False);
  x.incr = XInternAtom(x.dpy, "INCR", False);
  x.transfer = XInternAtom(x.dpy, "QUILLARAN_CLIPBOARD", False);
  x.wmProtocols = XInternAtom(x.dpy, "WM_PROTOCOLS", False);
  x.wmDelete = XInternAtom(x.dpy, "WM_DELETE_WINDOW", False);
  x.motifHints = XInternAtom(x.dpy, "_MOTIF_WM_HINTS", False);
  x.netWmName = XInternAtom(x.dpy, "_NET_WM_NAME", False);
  x.netWmPid = XInternAtom(x.dpy, "_NET_WM_PID", False);
  x.windowTag = XInternAtom(x.dpy, "QUILLARAN_WINDOW", False);
  x.wmCheck = XInternAtom(x.dpy, "_NET_SUPPORTING_WM_CHECK", False);
  x.wmState = XInternAtom(x.dpy, "WM_STATE", False);
  x.netWmState = XInternAtom(x.dpy, "_NET_WM_STATE", False);
  x.stateModal = XInternAtom(x.dpy, "_NET_WM_STATE_MODAL", False);
  x.stateMaxV = XInternAtom(x.dpy, "_NET_WM_STATE_MAXIMIZED_VERT", False);
  x.stateMaxH = XInternAtom(x.dpy, "_NET_WM_STATE_MAXIMIZED_HORZ", False);
  x.stateHidden = XInternAtom(x.dpy, "_NET_WM_STATE_HIDDEN", False);
  x.workArea = XInternAtom(x.dpy, "_NET_WORKAREA", False);
  x.windowType = XInternAtom(x.dpy, "_NET_WM_WINDOW_TYPE", False);
  x.typeNormal = XInternAtom(x.dpy, "_NET_WM_WINDOW_TYPE_NORMAL", False);
  x.typeDialog = XInternAtom(x.dpy, "_NET_WM_WINDOW_TYPE_DIALOG", False);
  x.typeMenu = XInternAtom(x.dpy, "_NET_WM_WINDOW_TYPE_POPUP_MENU", False);
  x.typeDropdown = XInternAtom(x.dpy, "_NET_WM_WINDOW_TYPE_DROPDOWN_MENU", False);
  x.typeTooltip = XInternAtom(x.dpy, "_NET_WM_WINDOW_TYPE_TOOLTIP", False);
  x.typeCombo = XInternAtom(x.dpy, "_NET_WM_WINDOW_TYPE_COMBO", False);
  // Held keys repeat as presses alone, as the program expects of a keyboard.
  XkbSetDetectableAutoRepeat(x.dpy, True, nullptr);
  x.tray = std::make_unique<X11Tray>(x.dpy, x.screen);
  XFlush(x.dpy);
  if (pipe2(x.stopPipe, O_CLOEXEC) == 0) x.watcher = std::thread([&x] { x.Watch(); });
}

X11Display::~X11Display() {
  Impl& x = *impl_;
  if (x.installed) {
    SetDisplay(nullptr);
    SetNotifyAreaListener(nullptr);
    SetNotifyAreaAvailable(true);
  }
  if (x.watcher.joinable()) {
    {
      std::lock_guard<std::mutex> hold(x.drainLock);
      x.stopping = true;
    }
    char stop = 1;
    (void)!write(x.stopPipe[1], &stop, 1);
    x.EventsTaken();
    x.watcher.join();
  }
  for (int fd : x.stopPipe)
    if (fd >= 0) close(fd);
  if (!x.dpy) return;
  x.ReturnLentKeys();
  for (auto& [h, s] : x.shown) XDestroyWindow(x.dpy, s.id);
  for (auto& [shape, c] : x.cursors) XFreeCursor(x.dpy, c);
  x.tray.reset();
  XDestroyWindow(x.dpy, x.helper);
  XFreeGC(x.dpy, x.gc);
  XCloseDisplay(x.dpy);
}

bool X11Display::Connected() const { return impl_->dpy != nullptr; }

void X11Display::Install() {
  if (!Connected()) return;
  impl_->installed = true;
  SetDisplay(this);
  // Without a panel the area refuses icons (their owners can tell), until one comes.
  Impl& x = *impl_;
  SetNotifyAreaAvailable(x.tray->PanelPresent());
  SetNotifyAreaListener([&x] {
    std::lock_guard<std::recursive_mutex> guard(x.lock);
    x.tray->Sync();
  });
  std::lock_guard<std::recursive_mutex> guard(x.lock);
  x.tray->Sync();
}

SIZE X11Display::ScreenSize() const {
  if (!impl_->dpy) return SIZE{1280, 1024};
  return SIZE{DisplayWidth(impl_->dpy, impl_->screen), DisplayHeight(impl_->dpy, impl_->screen)};
}

RECT X11Display::WorkArea() const {
  Impl& x = *impl_;
  SIZE screen = ScreenSize();
  RECT all{0, 0, screen.cx, screen.cy};
  if (!x.dpy) return all;
  std::lock_guard<std::recursive_mutex> guard(x.lock);
  Atom type;
  int format;
  unsigned long items = 0, after;
  unsigned char* data = nullptr;
  RECT area = all;
  // The first desktop's area; panels reserve the rest.
  if (XGetWindowProperty(x.dpy, x.root, x.workArea, 0, 4, False, XA_CARDINAL, &type, &format, &items, &after, &data) ==
          Success && data && format == 32 && items == 4) {
    const auto* v = reinterpret_cast<const long*>(data);
    RECT r{static_cast<LONG>(v[0]), static_cast<LONG>(v[1]), static_cast<LONG>(v[0] + v[2]), static_cast<LONG>(v[1] + v[3])};
    r = Intersect(r, all);
    if (Width(r) >= 100 && Height(r) >= 100) area = r;
  }
  if (data) XFree(data);
  return area;
}

void X11Display::TopLevelChanged(HWND h) {
  Impl& x = *impl_;
  if (!x.dpy) return;
  std::lock_guard<std::recursive_mutex> guard(x.lock);
  Window* w = FindWindowObject(h);
  if (!w || !w->IsTopLevel() || w->destroying) return;
  Shown& s = x.shown[h];
  if (!s.id) x.Create(h, w, s);
  if (s.title != w->text || s.title.empty()) x.SetTitle(s, w->text);
  constexpr DWORD kStateBits = WS_VISIBLE | WS_MINIMIZE | WS_MAXIMIZE | WS_DISABLED;
  if ((s.style & ~kStateBits) != (w->style & ~kStateBits) || s.exStyle != w->exStyle) {
    if (s.managed) s.inset = Impl::FrameInsets(w);
    x.SetFrameHints(w, s);
  }
  // An iconic window stays where the window manager keeps it.
  RECT shownRect = Deflated(w->rect, s.inset);
  if (!(w->style & WS_MINIMIZE) && !SameRect(s.rect, shownRect)) {
    // While the window manager places the window, a new size keeps the place it chooses.
    const bool keepPlace = s.desktopPlaces && shownRect.left == s.rect.left && shownRect.top == s.rect.top;
    if (s.viewable && (Width(shownRect) != Width(s.rect) || Height(shownRect) != Height(s.rect))) s.awaited = true;
    s.rect = shownRect;
    if (s.managed) x.SetSizeHints(w, s);
    if (keepPlace)
      XResizeWindow(x.dpy, s.id, static_cast<unsigned>(Width(shownRect)), static_cast<unsigned>(Height(shownRect)));
    else
      XMoveResizeWindow(x.dpy, s.id, shownRect.left, shownRect.top, static_cast<unsigned>(Width(shownRect)),
                        static_cast<unsigned>(Height(shownRect)));
  }
  bool maximized = w->style & WS_MAXIMIZE;
  if (s.managed && maximized != s.maximized && !(w->style & WS_MINIMIZE)) {
    s.maximized = maximized;
    if (s.mapped) {
      x.RequestMaximized(s, maximized);
    } else {
      Atom both[2] = {x.stateMaxV, x.stateMaxH};
      XChangeProperty(x.dpy, s.id, x.netWmState, XA_ATOM, 32, PropModeReplace, reinterpret_cast<unsigned char*>(both),
                      maximized ? 2 : 0);
    }
  }
  bool visible = (w->style & WS_VISIBLE) && !(w->style & WS_MINIMIZE);
  if (visible && !s.mapped) {
    if (s.managed && !s.shownOnce) {
      x.SetSizeHints(w, s);  // the first place's hint as it stands now
      s.desktopPlaces = Impl::PositionHint(w, s) == 0;
      s.shownOnce = true;
    }
    XMapRaised(x.dpy, s.id);
    s.mapped = s.awaited = true;
  } else if (!visible && s.mapped) {
    if ((w->style & WS_MINIMIZE) && !s.overrideRedirect) XIconifyWindow(x.dpy, s.id, x.screen);
    else XUnmapWindow(x.dpy, s.id);
    s.mapped = s.viewable = s.awaited = false;
  }
  if (GetActiveWindow() == h) x.Activated(h, s);
  XFlush(x.dpy);
}

void X11Display::ModalOver(HWND dialog, HWND over) {
  Impl& x = *impl_;
  if (!x.dpy) return;
  std::lock_guard<std::recursive_mutex> guard(x.lock);
  Window* w = FindWindowObject(dialog);
  auto it = x.shown.find(dialog);
  if (!w || w->owner || it == x.shown.end() || it->second.overrideRedirect) return;
  auto o = over ? x.shown.find(over) : x.shown.end();
  if (o != x.shown.end() && o->first != dialog) XSetTransientForHint(x.dpy, it->second.id, o->second.id);
  else XDeleteProperty(x.dpy, it->second.id, XA_WM_TRANSIENT_FOR);
  Atom type = o != x.shown.end() ? x.typeDialog : x.typeNormal;
  XChangeProperty(x.dpy, it->second.id, x.windowType, XA_ATOM, 32, PropModeReplace, reinterpret_cast<unsigned char*>(&type), 1);
  // Modal: the window manager gives the focus to it whenever its owner is chosen.
  if (!it->second.mapped && !it->second.maximized)
    XChangeProperty(x.dpy, it->second.id, x.netWmState, XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<unsigned char*>(&x.stateModal), o != x.shown.end() ? 1 : 0);
  XFlush(x.dpy);
}

void X11Display::TopLevelDestroyed(HWND h) {
  Impl& x = *impl_;
  if (!x.dpy) return;
  std::lock_guard<std::recursive_mutex> guard(x.lock);
  auto it = x.shown.find(h);
  if (it == x.shown.end()) return;
  x.byId.erase(it->second.id);
  XDestroyWindow(x.dpy, it->second.id);
  x.shown.erase(it);
  if (x.focused == h) x.focused = nullptr;
  XFlush(x.dpy);
}

void X11Display::SurfaceChanged(HWND h, const RECT& area) {
  Impl& x = *impl_;
  if (!x.dpy) return;
  std::lock_guard<std::recursive_mutex> guard(x.lock);
  auto it = x.shown.find(h);
  if (it == x.shown.end()) return;
  x.Put(h, it->second, area);
  XFlush(x.dpy);
}

void X11Display::ShowNow(HWND h, int timeoutMs) {
  Impl& x = *impl_;
  if (!x.dpy) return;
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  // What the server has told of this window so far, without asking it: only what has
  // arrived is read, so that a minimised window costs no round trip a step, and its coming
  // back is heard at the next step. Input waits for the message loop.
  const auto takeShowing = [&x](XWindow id) {
    XEvent e;
    Impl::Showing showing{id, x.wmState, x.netWmState};
    while (XCheckIfEvent(x.dpy, &e, &Impl::ShowingOf, reinterpret_cast<XPointer>(&showing))) x.Handle(e);
  };
  bool broughtBack = false;
  {
    std::lock_guard<std::recursive_mutex> guard(x.lock);
    auto it = x.shown.find(h);
    if (it == x.shown.end()) return;
    if (!it->second.mapped) {
      takeShowing(it->second.id);
      it = x.shown.find(h);
      if (it == x.shown.end() || !it->second.mapped) return;
      broughtBack = true;
    }
  }
  // The steps it missed painted nothing (a minimised window is not painted): the current
  // one is painted now, and goes to the screen as it is painted.
  if (broughtBack) ::UpdateWindow(h);
  std::lock_guard<std::recursive_mutex> guard(x.lock);
  for (;;) {
    auto it = x.shown.find(h);
    if (it == x.shown.end() || !it->second.mapped) return;
    takeShowing(it->second.id);
    it = x.shown.find(h);
    if (it == x.shown.end() || !it->second.mapped) return;  // minimised meanwhile
    Shown& s = it->second;
    // Shown as it stands: the painting went to the screen as it was made.
    if (!s.awaited) {
      XFlush(x.dpy);
      return;
    }
    if (s.viewable && s.size.cx == Width(s.rect) && s.size.cy == Height(s.rect)) {
      s.awaited = false;
      x.Put(h, s, RECT{0, 0, 1 << 15, 1 << 15});  // what the server could not show before
      XFlush(x.dpy);
      return;
    }
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - std::chrono::steady_clock::now());
    if (left.count() <= 0) {
      s.awaited = false;  // the patience is spent once, not at every step
      return;
    }
    x.Readable(static_cast<int>(std::min<long long>(left.count(), 20)));
  }
}

void X11Display::Drain() {
  Impl& x = *impl_;
  if (!x.dpy) return;
  std::lock_guard<std::recursive_mutex> guard(x.lock);
  while (XPending(x.dpy)) {
    XEvent e;
    XNextEvent(x.dpy, &e);
    x.Handle(e);
  }
  x.EventsTaken();
}

bool X11Display::WaitForInput(int timeoutMs) {
  Impl& x = *impl_;
  if (!x.dpy) return false;
  Drain();
  if (timeoutMs != 0 && !InputPending() && x.Readable(timeoutMs)) Drain();
  return true;
}

void X11Display::Beep(UINT) {
  if (!impl_->dpy) return;
  XBell(impl_->dpy, 0);
  XFlush(impl_->dpy);
}

void X11Display::CursorChanged(HCURSOR) {
  Impl& x = *impl_;
  if (!x.dpy) return;
  std::lock_guard<std::recursive_mutex> guard(x.lock);
  Cursor c = x.CursorFor(ShownCursorShape());
  for (auto& [h, s] : x.shown) XDefineCursor(x.dpy, s.id, c);
  XFlush(x.dpy);
}

void X11Display::ClipboardTextSet(const std::string& text) {
  Impl& x = *impl_;
  if (!x.dpy) return;
  std::lock_guard<std::recursive_mutex> guard(x.lock);
  x.clipboardUtf8 = AnsiToUtf8(text);
  XSetSelectionOwner(x.dpy, x.clipboard, x.helper, CurrentTime);
  x.owning = XGetSelectionOwner(x.dpy, x.clipboard) == x.helper;
  XFlush(x.dpy);
}

std::optional<std::string> X11Display::ClipboardText() {
  Impl& x = *impl_;
  if (!x.dpy) return std::nullopt;
  std::lock_guard<std::recursive_mutex> guard(x.lock);
  XWindow owner = XGetSelectionOwner(x.dpy, x.clipboard);
  // Our own text is the window system's; no owner means no text beyond this process.
  if (owner == None || owner == x.helper) return std::nullopt;
  XDeleteProperty(x.dpy, x.helper, x.transfer);
  XConvertSelection(x.dpy, x.clipboard, x.utf8, x.transfer, x.helper, CurrentTime);
  XFlush(x.dpy);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
  XEvent e;
  for (;;) {
    if (XCheckTypedWindowEvent(x.dpy, x.helper, SelectionNotify, &e)) break;
    if (XCheckTypedEvent(x.dpy, SelectionRequest, &e)) {
      x.AnswerSelectionRequest(e.xselectionrequest);
      continue;
    }
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count();
    if (left <= 0) return std::nullopt;  // the owner does not answer
    x.Readable(static_cast<int>(std::min<long long>(left, 20)));
  }
  if (e.xselection.property == None) return std::nullopt;
  Atom type = None;
  int format = 0;
  unsigned long items = 0, after = 0;
  unsigned char* data = nullptr;
  if (XGetWindowProperty(x.dpy, x.helper, x.transfer, 0, 1L << 24, True, AnyPropertyType, &type, &format, &items,
                         &after, &data) != Success)
    return std::nullopt;
  std::optional<std::string> result;
  // Transfers in pieces (text of megabytes) are not taken.
  if (data && format == 8 && type != x.incr) {
    std::string raw(reinterpret_cast<const char*>(data), items);
    if (type == XA_STRING) {
      std::string ansi;
      for (unsigned char c : raw) {
        unsigned char b;
        if (UnicodeToAnsiChar(c, b)) ansi += static_cast<char>(b);
        else ansi += '?';
      }
      result = ansi;
    } else {
      result = Utf8ToAnsi(raw);
    }
  }
  if (data) XFree(data);
  return result;
}

bool X11Display::InjectMouse(DWORD flags, LONG dx, LONG dy, DWORD data) {
  Impl& x = *impl_;
  if (!x.dpy) return false;
  std::lock_guard<std::recursive_mutex> guard(x.lock);
  if (flags & MOUSEEVENTF_MOVE) {
    SIZE screen = ScreenSize();
    int tx, ty;
    if (flags & MOUSEEVENTF_ABSOLUTE) {
      tx = static_cast<int>((static_cast<long long>(dx & 0xFFFF) * screen.cx) / 65536);
      ty = static_cast<int>((static_cast<long long>(dy & 0xFFFF) * screen.cy) / 65536);
    } else {
      XWindow r, c;
      int rx = 0, ry = 0, wx, wy;
      unsigned mask;
      XQueryPointer(x.dpy, x.root, &r, &c, &rx, &ry, &wx, &wy, &mask);
      tx = rx + dx;
      ty = ry + dy;
    }
    XTestFakeMotionEvent(x.dpy, x.screen, std::clamp(tx, 0, static_cast<int>(screen.cx) - 1),
                         std::clamp(ty, 0, static_cast<int>(screen.cy) - 1), CurrentTime);
  }
  struct { DWORD flag; unsigned button; bool down; } buttons[] = {
      {MOUSEEVENTF_LEFTDOWN, Button1, true}, {MOUSEEVENTF_LEFTUP, Button1, false},
      {MOUSEEVENTF_RIGHTDOWN, Button3, true}, {MOUSEEVENTF_RIGHTUP, Button3, false},
      {MOUSEEVENTF_MIDDLEDOWN, Button2, true}, {MOUSEEVENTF_MIDDLEUP, Button2, false}};
  for (const auto& b : buttons)
    if (flags & b.flag) XTestFakeButtonEvent(x.dpy, b.button, b.down ? True : False, CurrentTime);
  // Wheels are buttons on X: 4 and 5 up and down, 6 and 7 left and right.
  for (DWORD wheel : {MOUSEEVENTF_WHEEL, MOUSEEVENTF_HWHEEL}) {
    if (!(flags & wheel)) continue;
    int delta = static_cast<std::int16_t>(data & 0xFFFF);
    unsigned button = wheel == MOUSEEVENTF_WHEEL ? (delta > 0 ? Button4 : Button5) : (delta > 0 ? 7 : 6);
    for (int notches = std::min(std::abs(delta) / 120, 50); notches > 0; --notches) {
      XTestFakeButtonEvent(x.dpy, button, True, CurrentTime);
      XTestFakeButtonEvent(x.dpy, button, False, CurrentTime);
    }
  }
  XSync(x.dpy, False);
  return true;
}

bool X11Display::InjectKey(BYTE vk, BYTE scan, DWORD flags) {
  Impl& x = *impl_;
  if (!x.dpy) return false;
  std::lock_guard<std::recursive_mutex> guard(x.lock);
  bool up = flags & KEYEVENTF_KEYUP;
  bool shifted = false;
  KeyCode code;
  if (vk == VK_PACKET || vk == 0 || (flags & KEYEVENTF_UNICODE)) {
    // A character no key types goes through a spare key lent to it.
    unsigned long keysym = KeysymOfUnicode(AnsiCharToUnicode(scan));
    code = x.KeycodeOf(keysym, &shifted);
    if (!code) {
      code = x.LendKey(keysym);
      shifted = false;
    }
  } else {
    code = x.KeycodeOf(KeysymOfVirtualKey(vk), nullptr);
  }
  if (!code) return false;  // no key at all: left to this process's windows
  KeyCode shift = XKeysymToKeycode(x.dpy, XK_Shift_L);
  if (shifted && !up && shift) XTestFakeKeyEvent(x.dpy, shift, True, CurrentTime);
  XTestFakeKeyEvent(x.dpy, code, up ? False : True, CurrentTime);
  if (shifted && !up && shift) XTestFakeKeyEvent(x.dpy, shift, False, CurrentTime);
  XSync(x.dpy, False);
  return true;
}

bool X11Display::InjectCursorPos(int px, int py) {
  Impl& x = *impl_;
  if (!x.dpy) return false;
  std::lock_guard<std::recursive_mutex> guard(x.lock);
  SIZE screen = ScreenSize();
  XTestFakeMotionEvent(x.dpy, x.screen, std::clamp(px, 0, static_cast<int>(screen.cx) - 1),
                       std::clamp(py, 0, static_cast<int>(screen.cy) - 1), CurrentTime);
  XSync(x.dpy, False);
  return true;
}

std::optional<bool> X11Display::RealKeyDown(int vk) {
  Impl& x = *impl_;
  if (!x.dpy) return std::nullopt;
  std::lock_guard<std::recursive_mutex> guard(x.lock);
  if (vk == VK_LBUTTON || vk == VK_RBUTTON || vk == VK_MBUTTON) {
    XWindow r, c;
    int rx, ry, wx, wy;
    unsigned mask = 0;
    XQueryPointer(x.dpy, x.root, &r, &c, &rx, &ry, &wx, &wy, &mask);
    unsigned want = vk == VK_LBUTTON ? Button1Mask : vk == VK_RBUTTON ? Button3Mask : Button2Mask;
    return (mask & want) != 0;
  }
  std::vector<unsigned long> keysyms = KeysymsOfVirtualKey(vk);
  char keys[32];
  XQueryKeymap(x.dpy, keys);
  bool known = false;
  for (unsigned long sym : keysyms) {
    KeyCode code = x.KeycodeOf(sym, nullptr);
    if (!code) continue;
    known = true;
    if (keys[code / 8] & (1 << (code % 8))) return true;
  }
  if (!known) return std::nullopt;
  return false;
}

std::optional<POINT> X11Display::RealCursorPos() {
  Impl& x = *impl_;
  if (!x.dpy) return std::nullopt;
  std::lock_guard<std::recursive_mutex> guard(x.lock);
  XWindow r, c;
  int rx = 0, ry = 0, wx, wy;
  unsigned mask;
  if (!XQueryPointer(x.dpy, x.root, &r, &c, &rx, &ry, &wx, &wy, &mask)) return std::nullopt;
  return POINT{rx, ry};
}

std::optional<HWND> X11Display::ForeignWindowAt(POINT p) {
  Impl& x = *impl_;
  if (!x.dpy) return std::nullopt;
  std::lock_guard<std::recursive_mutex> guard(x.lock);
  int cx, cy;
  XWindow top = 0;
  if (!XTranslateCoordinates(x.dpy, x.root, x.root, p.x, p.y, &cx, &cy, &top) || !top) return std::nullopt;
  if (x.byId.count(top)) return std::nullopt;
  XWindow tagged = x.Tagged(top, 2);
  if (!tagged) return HWND{nullptr};  // a window of some other program
  if (x.byId.count(tagged)) return std::nullopt;
  auto pid = x.Cardinal(tagged, x.netWmPid);
  auto handle = x.Cardinal(tagged, x.windowTag);
  if (!pid || !handle) return HWND{nullptr};
  if (static_cast<long>(*pid) == static_cast<long>(getpid())) return std::nullopt;
  return RemoteHandle(static_cast<long>(*pid), *handle);
}

unsigned long X11Display::TrayIconWindow(HWND window, UINT id) const {
  if (!impl_->tray) return 0;
  std::lock_guard<std::recursive_mutex> guard(impl_->lock);
  return impl_->tray->IconWindow(window, id);
}

unsigned long X11Display::XWindowOf(HWND h) const {
  std::lock_guard<std::recursive_mutex> guard(impl_->lock);
  auto it = impl_->shown.find(h);
  return it == impl_->shown.end() ? 0 : it->second.id;
}

std::unique_ptr<X11Display> OpenX11DisplayFromEnvironment() {
  const char* name = std::getenv("DISPLAY");
  if (!name || !*name) return nullptr;
  auto display = std::make_unique<X11Display>(name);
  if (!display->Connected()) return nullptr;
  return display;
}

}  // namespace platform
