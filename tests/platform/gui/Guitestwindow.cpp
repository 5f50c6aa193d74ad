#include "Guitestwindow.h"

namespace guitest {

std::vector<Logged>& Log() {
  static std::vector<Logged> log;
  return log;
}

std::vector<UINT> Messages(std::initializer_list<UINT> wanted, HWND window) {
  std::vector<UINT> out;
  for (const Logged& m : Log())
    if ((!window || m.window == window) && std::find(wanted.begin(), wanted.end(), m.message) != wanted.end())
      out.push_back(m.message);
  return out;
}

LRESULT LoggingProc(HWND window, UINT message, WPARAM w, LPARAM l) {
  Log().push_back(Logged{window, message, w, l});
  return DefWindowProc(window, message, w, l);
}

void Screen::SetUp() {
  static bool registered = false;
  if (!registered) {
    WNDCLASS c{};
    c.style = CS_DBLCLKS;
    c.lpfnWndProc = LoggingProc;
    c.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    c.hCursor = LoadCursor(nullptr, MAKEINTRESOURCE(IDC_ARROW));
    c.lpszClassName = "TestWindow";
    ASSERT_TRUE(RegisterClass(&c));
    c.style = 0;
    c.lpszClassName = "TestPlain";
    ASSERT_TRUE(RegisterClass(&c));
    registered = true;
  }
  Log().clear();
  gdiObjects = platform::GdiObjectCount();
  deviceContexts = platform::DeviceContextCount();
}

void Screen::TearDown() {
  std::vector<HWND> tops;
  EnumWindows([](HWND h, LPARAM l) { reinterpret_cast<std::vector<HWND>*>(l)->push_back(h); return TRUE; },
              reinterpret_cast<LPARAM>(&tops));
  for (HWND h : tops) DestroyWindow(h);
  person.Pump();
  EXPECT_EQ(platform::WindowCount(), 0u);
  EXPECT_EQ(platform::GdiObjectCount(), gdiObjects) << "GDI objects left behind";
  EXPECT_EQ(platform::DeviceContextCount(), deviceContexts) << "device contexts left behind";
  // The next test starts from a quiet keyboard and mouse.
  for (int vk : {VK_LBUTTON, VK_RBUTTON, VK_SHIFT, VK_CONTROL, VK_MENU})
    if (GetAsyncKeyState(vk) < 0) ADD_FAILURE() << "key left down: " << vk;
  ReleaseCapture();
  Log().clear();
}

HWND Screen::TopLevel(int x, int y, int w, int h, DWORD style, DWORD ex) {
  return CreateWindowEx(ex, "TestWindow", "Test", style, x, y, w, h, nullptr, nullptr, nullptr, nullptr);
}

HWND Screen::Child(HWND parent, int x, int y, int w, int h, DWORD style, int id) {
  return CreateWindowEx(0, "TestWindow", "", style, x, y, w, h, parent,
                        reinterpret_cast<HMENU>(static_cast<std::intptr_t>(id)), nullptr, nullptr);
}

}  // namespace guitest
