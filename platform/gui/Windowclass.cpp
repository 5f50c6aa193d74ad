#include "platform/gui/Windowclass.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/gui/Guilock.h"
#include "platform/gui/Listbox.h"
#include "platform/gui/Scrollbar.h"
#include "platform/gui/Windowdirectory.h"

namespace platform {

namespace {

std::vector<std::shared_ptr<WindowClass>>& Classes() {
  static std::vector<std::shared_ptr<WindowClass>> classes;
  return classes;
}

void AddSystemClasses() {
  static bool done = false;
  if (done) return;
  done = true;
  auto sb = std::make_shared<WindowClass>();
  sb->name = "SCROLLBAR";
  sb->system = true;
  sb->info.lpfnWndProc = ScrollBarControlProc;
  sb->info.style = 0x0008;  // double clicks, as the control repeats on them
  Classes().push_back(sb);
  auto lb = std::make_shared<WindowClass>();
  lb->name = "LISTBOX";
  lb->system = true;
  lb->info.lpfnWndProc = ListBoxControlProc;
  lb->info.style = 0x0008;  // double clicks
  Classes().push_back(lb);
}

}  // namespace

std::shared_ptr<WindowClass> FindWindowClass(const std::string& name) {
  GuiLock lock(GuiMutex());
  AddSystemClasses();
  for (const auto& c : Classes())
    if (SameName(c->name, name)) return c;
  return nullptr;
}

}  // namespace platform

using namespace platform;

ATOM RegisterClass(const WNDCLASS* info) {
  if (!info || !info->lpszClassName || !*info->lpszClassName || !info->lpfnWndProc) return 0;
  if (info->cbWndExtra < 0 || info->cbWndExtra > 4096) return 0;
  GuiLock lock(GuiMutex());
  if (auto existing = FindWindowClass(info->lpszClassName); existing && !existing->system) return 0;
  auto c = std::make_shared<WindowClass>();
  c->name = info->lpszClassName;
  c->info = *info;
  c->info.lpszClassName = nullptr;
  c->info.lpszMenuName = nullptr;
  auto& classes = Classes();
  // A class of the program hides a built-in class of the same name.
  classes.insert(classes.begin(), c);
  return static_cast<ATOM>(0xC000 + classes.size());
}

BOOL UnregisterClass(const char* name, HINSTANCE) {
  if (!name) return FALSE;
  GuiLock lock(GuiMutex());
  auto& classes = Classes();
  auto it = std::find_if(classes.begin(), classes.end(),
                         [&](const auto& c) { return !c->system && SameName(c->name, name); });
  if (it == classes.end()) return FALSE;
  // Windows of the class keep it alive through their own reference.
  classes.erase(it);
  return TRUE;
}

BOOL GetClassInfo(HINSTANCE, const char* name, WNDCLASS* out) {
  if (!name || !out) return FALSE;
  auto c = FindWindowClass(name);
  if (!c) return FALSE;
  *out = c->info;
  out->lpszClassName = name;
  return TRUE;
}

int GetClassName(HWND window, char* buffer, int size) {
  if (!buffer || size <= 0) return 0;
  std::string name;
  if (auto r = FindRemote(window)) name = r->className;
  else if (Window* w = FindWindowObject(window)) name = w->cls->name;
  else return 0;
  int n = std::min(static_cast<int>(name.size()), size - 1);
  std::memcpy(buffer, name.data(), n);
  buffer[n] = 0;
  return n;
}

ULONG_PTR GetClassLong(HWND window, int index) {
  Window* w = FindWindowObject(window);
  if (!w) return 0;
  const WNDCLASS& i = w->cls->info;
  switch (index) {
    case GCL_HBRBACKGROUND: return reinterpret_cast<ULONG_PTR>(i.hbrBackground);
    case GCL_HCURSOR: return reinterpret_cast<ULONG_PTR>(i.hCursor);
    case GCL_HICON: return reinterpret_cast<ULONG_PTR>(i.hIcon);
    case GCL_CBWNDEXTRA: return static_cast<ULONG_PTR>(i.cbWndExtra);
    case GCL_WNDPROC: return reinterpret_cast<ULONG_PTR>(i.lpfnWndProc);
    case GCL_STYLE: return i.style;
    default: return 0;
  }
}

ULONG_PTR SetClassLong(HWND window, int index, LONG_PTR value) {
  Window* w = FindWindowObject(window);
  if (!w || w->cls->system) return 0;
  ULONG_PTR old = GetClassLong(window, index);
  WNDCLASS& i = w->cls->info;
  switch (index) {
    case GCL_HBRBACKGROUND: i.hbrBackground = reinterpret_cast<HBRUSH>(value); break;
    case GCL_HCURSOR: i.hCursor = reinterpret_cast<HCURSOR>(value); break;
    case GCL_HICON: i.hIcon = reinterpret_cast<HICON>(value); break;
    case GCL_STYLE: i.style = static_cast<UINT>(value); break;
    default: return 0;
  }
  return old;
}
