#include "platform/forms/Tasklist.h"

#include <memory>
#include <vector>

#include "platform/forms/Tmenu.h"
#include "platform/gui/Gui.h"

namespace {

// Shown top-level windows with a title, in z-order.
BOOL CollectListed(HWND window, LPARAM l) {
  auto* found = reinterpret_cast<std::vector<HWND>*>(l);
  if (IsWindowVisible(window) && GetWindowTextLength(window) > 0 && !GetParent(window)) found->push_back(window);
  return TRUE;
}

}  // namespace

bool ShowTaskList() {
  std::vector<HWND> windows;
  EnumThreadWindows(GetCurrentThreadId(), CollectListed, reinterpret_cast<LPARAM>(&windows));
  if (windows.empty()) return false;
  TPopupMenu menu(nullptr);
  for (HWND window : windows) {
    char title[256];
    GetWindowText(window, title, sizeof title);
    auto* item = new TMenuItem(&menu);
    item->SetCaption(title);
    item->OnClick = [window](TObject*) {
      if (!IsWindow(window)) return;
      if (IsIconic(window)) ShowWindow(window, SW_RESTORE);
      SetForegroundWindow(window);
    };
    menu.Items()->Add(item);
  }
  POINT at{};
  GetCursorPos(&at);
  menu.Popup(at.x, at.y);
  return true;
}
