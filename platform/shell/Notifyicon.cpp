#include "platform/shell/Notifyicon.h"

#include <algorithm>
#include <cstring>
#include <mutex>

#include "platform/gui/Messagequeue.h"

namespace platform {

namespace {

struct Area {
  std::mutex mutex;
  std::vector<NotifyIconEntry> icons;
  bool available = true;
  std::function<void()> listener;
};

Area& TheArea() {
  static Area area;
  return area;
}

std::vector<NotifyIconEntry>::iterator Find(Area& a, HWND window, UINT id) {
  return std::find_if(a.icons.begin(), a.icons.end(),
                      [&](const NotifyIconEntry& e) { return e.window == window && e.id == id; });
}

void Apply(NotifyIconEntry& e, const NOTIFYICONDATA& d) {
  if (d.uFlags & NIF_MESSAGE) e.callbackMessage = d.uCallbackMessage;
  if (d.uFlags & NIF_ICON) e.icon = d.hIcon;
  if (d.uFlags & NIF_TIP) e.tip.assign(d.szTip, strnlen(d.szTip, sizeof d.szTip));
}

}  // namespace

std::vector<NotifyIconEntry> NotifyIcons() {
  Area& a = TheArea();
  std::lock_guard<std::mutex> lock(a.mutex);
  return a.icons;
}

bool NotifyIconMouse(HWND Window, UINT Id, UINT MouseMessage) {
  UINT message = 0;
  {
    Area& a = TheArea();
    std::lock_guard<std::mutex> lock(a.mutex);
    auto it = Find(a, Window, Id);
    if (it == a.icons.end() || !it->callbackMessage) return false;
    message = it->callbackMessage;
  }
  SendMessage(Window, message, Id, static_cast<LPARAM>(MouseMessage));
  return true;
}

void SetNotifyAreaListener(std::function<void()> Listener) {
  Area& a = TheArea();
  std::lock_guard<std::mutex> lock(a.mutex);
  a.listener = std::move(Listener);
}

void SetNotifyAreaAvailable(bool Available) {
  Area& a = TheArea();
  std::lock_guard<std::mutex> lock(a.mutex);
  a.available = Available;
}

}  // namespace platform

namespace {

BOOL ChangeArea(DWORD Message, const NOTIFYICONDATA* Data) {
  using namespace platform;
  if (!Data) return FALSE;
  Area& a = TheArea();
  std::lock_guard<std::mutex> lock(a.mutex);
  auto it = Find(a, Data->hWnd, Data->uID);
  switch (Message) {
    case NIM_ADD: {
      if (!a.available || it != a.icons.end() || !Data->hWnd) return FALSE;
      NotifyIconEntry e;
      e.window = Data->hWnd;
      e.id = Data->uID;
      Apply(e, *Data);
      a.icons.push_back(e);
      return TRUE;
    }
    case NIM_MODIFY:
      if (it == a.icons.end()) return FALSE;
      Apply(*it, *Data);
      return TRUE;
    case NIM_DELETE:
      if (it == a.icons.end()) return FALSE;
      a.icons.erase(it);
      return TRUE;
    default:
      return FALSE;
  }
}

}  // namespace

BOOL Shell_NotifyIcon(DWORD Message, const NOTIFYICONDATA* Data) {
  using namespace platform;
  if (!ChangeArea(Message, Data)) return FALSE;
  std::function<void()> listener;
  {
    Area& a = TheArea();
    std::lock_guard<std::mutex> lock(a.mutex);
    listener = a.listener;
  }
  if (listener) listener();
  return TRUE;
}
