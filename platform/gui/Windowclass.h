#pragma once
// Window classes: registration and queries.

#include <memory>
#include <string>

#include "platform/gui/Window.h"

inline constexpr int GCL_MENUNAME = -8;
inline constexpr int GCL_HBRBACKGROUND = -10;
inline constexpr int GCL_HCURSOR = -12;
inline constexpr int GCL_HICON = -14;
inline constexpr int GCL_CBWNDEXTRA = -18;
inline constexpr int GCL_WNDPROC = -24;
inline constexpr int GCL_STYLE = -26;

ATOM RegisterClass(const WNDCLASS* cls);
BOOL UnregisterClass(const char* name, HINSTANCE instance);
BOOL GetClassInfo(HINSTANCE instance, const char* name, WNDCLASS* out);
int GetClassName(HWND window, char* buffer, int size);
ULONG_PTR GetClassLong(HWND window, int index);
ULONG_PTR SetClassLong(HWND window, int index, LONG_PTR value);

inline ATOM RegisterClassA(const WNDCLASS* cls) { return RegisterClass(cls); }
inline int GetClassNameA(HWND window, char* buffer, int size) { return GetClassName(window, buffer, size); }

namespace platform {
// The class of that name (the built-in classes included), or null.
std::shared_ptr<WindowClass> FindWindowClass(const std::string& name);
}  // namespace platform
