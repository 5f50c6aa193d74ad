#include "platform/display/X11tray.h"

#include <algorithm>
#include <string>

#include "platform/gui/Icons.h"
#include "platform/gui/Input.h"
#include "platform/gui/Messagequeue.h"
#include "platform/gui/Winmessages.h"
#include "platform/kernel/Codepage.h"
#include "platform/shell/Notifyicon.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace platform {

namespace {

constexpr long kRequestDock = 0;  // the tray's opcode for "embed this window"
constexpr long kXEmbedMapped = 1;

}  // namespace

X11Tray::X11Tray(_XDisplay* dpy, int screen) : dpy_(dpy), screen_(screen), root_(RootWindow(dpy, screen)) {
  selection_ = XInternAtom(dpy, ("_NET_SYSTEM_TRAY_S" + std::to_string(screen)).c_str(), False);
  opcode_ = XInternAtom(dpy, "_NET_SYSTEM_TRAY_OPCODE", False);
  manager_ = XInternAtom(dpy, "MANAGER", False);
  xembedInfo_ = XInternAtom(dpy, "_XEMBED_INFO", False);
  netWmName_ = XInternAtom(dpy, "_NET_WM_NAME", False);
  utf8_ = XInternAtom(dpy, "UTF8_STRING", False);
  // A panel that starts later announces itself to the root's structure listeners.
  XWindowAttributes a{};
  XGetWindowAttributes(dpy, root_, &a);
  XSelectInput(dpy, root_, a.your_event_mask | StructureNotifyMask);
}

X11Tray::~X11Tray() {
  for (const Icon& icon : icons_) XDestroyWindow(dpy_, icon.x);
}

unsigned long X11Tray::Manager() const { return XGetSelectionOwner(dpy_, selection_); }

bool X11Tray::PanelPresent() const { return Manager() != None; }

X11Tray::Icon* X11Tray::Find(unsigned long x) {
  for (Icon& icon : icons_)
    if (icon.x == x) return &icon;
  return nullptr;
}

unsigned long X11Tray::IconWindow(HWND window, UINT id) const {
  for (const Icon& icon : icons_)
    if (icon.area.window == window && icon.area.id == id) return icon.x;
  return 0;
}

void X11Tray::Sync() {
  const std::vector<NotifyIconEntry> entries = NotifyIcons();
  // Icons gone from the area leave the panel.
  for (auto it = icons_.begin(); it != icons_.end();) {
    const bool kept = std::any_of(entries.begin(), entries.end(),
                                  [&](const NotifyIconEntry& e) { return e.window == it->area.window && e.id == it->area.id; });
    if (kept) {
      ++it;
      continue;
    }
    XDestroyWindow(dpy_, it->x);
    it = icons_.erase(it);
    tip_.Hide();
  }
  for (const NotifyIconEntry& e : entries) {
    auto it = std::find_if(icons_.begin(), icons_.end(), [&](const Icon& i) { return i.area.window == e.window && i.area.id == e.id; });
    if (it == icons_.end()) {
      Icon icon;
      icon.area.window = e.window;
      icon.area.id = e.id;
      XSetWindowAttributes a{};
      a.background_pixmap = ParentRelative;
      a.event_mask = ExposureMask | ButtonPressMask | ButtonReleaseMask | StructureNotifyMask | EnterWindowMask |
                     LeaveWindowMask;
      icon.x = XCreateWindow(dpy_, root_, 0, 0, static_cast<unsigned>(icon.width), static_cast<unsigned>(icon.height), 0,
                             CopyFromParent, InputOutput, CopyFromParent, CWBackPixmap | CWEventMask, &a);
      long info[2] = {0, kXEmbedMapped};
      XChangeProperty(dpy_, icon.x, xembedInfo_, xembedInfo_, 32, PropModeReplace, reinterpret_cast<unsigned char*>(info), 2);
      XClassHint cls{const_cast<char*>("quillaran"), const_cast<char*>("Quillaran")};
      XSetClassHint(dpy_, icon.x, &cls);
      SetSizeHints(icon);
      icons_.push_back(icon);
      it = std::prev(icons_.end());
    }
    const bool repaint = it->area.icon != e.icon, retitle = it->area.tip != e.tip || e.tip.empty();
    it->area = e;
    if (retitle) SetTip(*it);
    if (!it->docked) Dock(*it);
    if (repaint) Paint(*it);
  }
  XFlush(dpy_);
}

void X11Tray::SetTip(const Icon& icon) {
  const std::string name = AnsiToUtf8(icon.area.tip);
  XChangeProperty(dpy_, icon.x, netWmName_, utf8_, 8, PropModeReplace, reinterpret_cast<const unsigned char*>(name.data()),
                  static_cast<int>(name.size()));
  XStoreName(dpy_, icon.x, name.c_str());
}

// A panel sizes an embedded window by its hints; without them it would get a sliver.
void X11Tray::SetSizeHints(const Icon& icon) {
  XSizeHints size{};
  size.flags = PMinSize | PBaseSize;
  size.min_width = size.base_width = icon.width;
  size.min_height = size.base_height = icon.height;
  XSetWMNormalHints(dpy_, icon.x, &size);
}

void X11Tray::Dock(Icon& icon) {
  const unsigned long manager = Manager();
  if (manager == None) return;
  XEvent e{};
  e.xclient.type = ClientMessage;
  e.xclient.window = manager;
  e.xclient.message_type = opcode_;
  e.xclient.format = 32;
  e.xclient.data.l[0] = CurrentTime;
  e.xclient.data.l[1] = kRequestDock;
  e.xclient.data.l[2] = static_cast<long>(icon.x);
  XSendEvent(dpy_, manager, False, NoEventMask, &e);
  icon.docked = true;
}

void X11Tray::Paint(const Icon& icon) {
  const std::shared_ptr<const Pixmap> pixels = IconPixels(icon.area.icon);
  XClearWindow(dpy_, icon.x);
  if (!pixels || pixels->Width() == 0 || pixels->Height() == 0) return;
  // The picture scaled to the slot the panel gave, centred, its transparent pixels left
  // to the panel's background.
  const int side = std::min(icon.width, icon.height);
  const int left = (icon.width - side) / 2, top = (icon.height - side) / 2;
  Visual* visual = DefaultVisual(dpy_, screen_);
  const int depth = DefaultDepth(dpy_, screen_);
  XImage* image = XCreateImage(dpy_, visual, static_cast<unsigned>(depth), ZPixmap, 0, nullptr, static_cast<unsigned>(side),
                               static_cast<unsigned>(side), 32, 0);
  if (!image) return;
  image->data = static_cast<char*>(calloc(static_cast<size_t>(image->bytes_per_line), static_cast<size_t>(side)));
  const int stride = (side + 7) / 8;
  std::string maskBits(static_cast<size_t>(stride * side), '\0');
  auto channel = [](unsigned long v, unsigned long mask) {
    if (!mask) return 0UL;
    const int shift = __builtin_ctzl(mask);
    return ((v * (mask >> shift) + 127) / 255) << shift;
  };
  for (int y = 0; y < side; ++y)
    for (int x = 0; x < side; ++x) {
      const std::uint32_t p = pixels->At(x * pixels->Width() / side, y * pixels->Height() / side);
      if (!(p >> 24)) continue;
      XPutPixel(image, x, y,
                channel((p >> 16) & 0xFF, visual->red_mask) | channel((p >> 8) & 0xFF, visual->green_mask) |
                    channel(p & 0xFF, visual->blue_mask));
      maskBits[static_cast<size_t>(y * stride + x / 8)] |= static_cast<char>(1 << (x % 8));
    }
  ::Pixmap mask = XCreateBitmapFromData(dpy_, icon.x, maskBits.data(), static_cast<unsigned>(side), static_cast<unsigned>(side));
  GC gc = XCreateGC(dpy_, icon.x, 0, nullptr);
  XSetClipMask(dpy_, gc, mask);
  XSetClipOrigin(dpy_, gc, left, top);
  XPutImage(dpy_, icon.x, gc, image, 0, 0, left, top, static_cast<unsigned>(side), static_cast<unsigned>(side));
  XFreeGC(dpy_, gc);
  XFreePixmap(dpy_, mask);
  XDestroyImage(image);
}

bool X11Tray::Handle(const _XEvent& e) {
  if (e.type == ClientMessage && e.xclient.window == root_ && e.xclient.message_type == manager_) {
    if (static_cast<Atom>(e.xclient.data.l[1]) != selection_) return true;
    // A panel came: the area takes icons again, and every icon asks it for a place.
    SetNotifyAreaAvailable(true);
    for (Icon& icon : icons_) Dock(icon);
    XFlush(dpy_);
    return true;
  }
  Icon* icon = Find(e.xany.window);
  if (!icon) return false;
  switch (e.type) {
    case Expose:
      if (e.xexpose.count == 0) Paint(*icon);
      break;
    case ConfigureNotify:
      if (e.xconfigure.width != icon->width || e.xconfigure.height != icon->height) {
        icon->width = e.xconfigure.width;
        icon->height = e.xconfigure.height;
        Paint(*icon);
      }
      break;
    case ReparentNotify:
      // Back on the root: the panel went away; the next one gets the icon again.
      if (e.xreparent.parent == root_) icon->docked = false;
      break;
    case EnterNotify:
      // The pointer rests on the icon: its owner hears the move, the tip shows.
      FeedCursorPos(e.xcrossing.x_root, e.xcrossing.y_root);
      if (icon->area.callbackMessage)
        PostMessage(icon->area.window, icon->area.callbackMessage, icon->area.id, static_cast<LPARAM>(WM_MOUSEMOVE));
      tip_.Show(icon->area.tip, POINT{e.xcrossing.x_root, e.xcrossing.y_root});
      break;
    case LeaveNotify:
      tip_.Hide();
      break;
    case ButtonPress:
    case ButtonRelease: {
      tip_.Hide();
      const bool up = e.type == ButtonRelease;
      UINT message = 0;
      if (e.xbutton.button == Button1) message = up ? WM_LBUTTONUP : WM_LBUTTONDOWN;
      if (e.xbutton.button == Button3) message = up ? WM_RBUTTONUP : WM_RBUTTONDOWN;
      if (!message || !icon->area.callbackMessage) break;
      FeedCursorPos(e.xbutton.x_root, e.xbutton.y_root);
      // Posted, not sent: a menu that the click opens runs its own loop outside this event.
      PostMessage(icon->area.window, icon->area.callbackMessage, icon->area.id, static_cast<LPARAM>(message));
      break;
    }
    default: break;
  }
  return true;
}

}  // namespace platform
