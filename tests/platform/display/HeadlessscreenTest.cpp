// The headless screen: composition of top-level windows, pixels and PNG snapshots
// checked by an independent decoder.

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "platform/display/Headlessscreen.h"
#include "platform/display/Screendriver.h"
#include "platform/gui/Clock.h"
#include "platform/gui/Gui.h"

namespace {

LRESULT PlainProc(HWND h, UINT m, WPARAM w, LPARAM l) { return DefWindowProc(h, m, w, l); }

// A window of a class of its own whose background is a system colour.
HWND Window(int x, int y, int w, int h, int colorIndex) {
  std::string name = "ScreenTest" + std::to_string(colorIndex);
  WNDCLASS c{};
  c.lpfnWndProc = PlainProc;
  c.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<std::intptr_t>(colorIndex + 1));
  c.lpszClassName = name.c_str();
  RegisterClass(&c);
  return CreateWindowEx(0, name.c_str(), "", WS_POPUP | WS_VISIBLE, x, y, w, h, nullptr, nullptr, nullptr, nullptr);
}

std::string Output(const std::string& command) {
  std::string out;
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
  std::array<char, 256> buffer;
  while (pipe && fgets(buffer.data(), buffer.size(), pipe.get())) out += buffer.data();
  return out;
}

std::string TempFolder(const std::string& name) {
  const char* root = std::getenv("QUILLARAN_TEST_TMP");
  std::filesystem::path p = std::filesystem::path(root ? root : "/tmp") / ("display-" + name);
  std::filesystem::create_directories(p);
  return p.string();
}

TEST(HeadlessScreen, ComposesWindowsInTheirOrder) {
  platform::HeadlessScreen screen(320, 200);
  platform::ScreenDriver person;
  EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 320);
  EXPECT_EQ(screen.Pixel(5, 5), GetSysColor(COLOR_DESKTOP));
  HWND below = Window(0, 0, 100, 100, COLOR_HIGHLIGHT);
  HWND above = Window(50, 50, 100, 100, COLOR_INFOBK);
  person.Pump();
  EXPECT_EQ(screen.Pixel(10, 10), GetSysColor(COLOR_HIGHLIGHT));
  EXPECT_EQ(screen.Pixel(75, 75), GetSysColor(COLOR_INFOBK));
  EXPECT_EQ(screen.WindowPixel(below, 75, 75), GetSysColor(COLOR_HIGHLIGHT)) << "a window keeps its own pixels";
  // Moving a window repaints nothing: the screen shows its pixels at the new place.
  SetWindowPos(above, nullptr, 200, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  EXPECT_EQ(screen.Pixel(75, 75), GetSysColor(COLOR_HIGHLIGHT));
  EXPECT_EQ(screen.Pixel(250, 50), GetSysColor(COLOR_INFOBK));
  EXPECT_EQ(screen.Pixel(400, 50), CLR_INVALID);
  DestroyWindow(below);
  DestroyWindow(above);
}

TEST(HeadlessScreen, PngSnapshotsOfTheScreenAndOfAWindow) {
  platform::HeadlessScreen screen(64, 48);
  platform::ScreenDriver person;
  HWND w = Window(10, 20, 30, 10, COLOR_HIGHLIGHT);
  person.Pump();
  HDC dc = GetDC(w);
  SetPixel(dc, 0, 0, RGB(0x12, 0x34, 0x56));
  ReleaseDC(w, dc);
  std::string folder = TempFolder("png");
  std::string whole = folder + "/screen.png", one = folder + "/window.png";
  ASSERT_TRUE(screen.SaveScreenPng(whole));
  ASSERT_TRUE(screen.SaveWindowPng(w, one));
  std::string decoder = std::string(QUILLARAN_SOURCE_DIR) + "/tests/platform/display/pngpixels.py";
  EXPECT_EQ(Output("python3 " + decoder + " " + whole + " 10,20 11,20 0,0"), "64x48\n123456\n0a246a\n3a6ea5\n");
  EXPECT_EQ(Output("python3 " + decoder + " " + one + " 0,0 29,9"), "30x10\n123456\n0a246a\n");
  EXPECT_FALSE(screen.SaveScreenPng(folder + "/missing/folder/x.png"));
  DestroyWindow(w);
}

TEST(HeadlessScreen, AWaitingLoopJumpsToTheNextTimer) {
  platform::HeadlessScreen screen(10, 10);
  std::uint64_t start = platform::GuiClockNow();
  UINT_PTR id = SetTimer(nullptr, 0, 5000, nullptr);
  MSG msg;
  ASSERT_TRUE(GetMessage(&msg, nullptr, 0, 0));
  EXPECT_EQ(msg.message, static_cast<UINT>(WM_TIMER));
  EXPECT_EQ(platform::GuiClockNow() - start, 5000u) << "no real time passed";
  KillTimer(nullptr, id);
}

TEST(HeadlessScreen, ALoopWaitingForeverFailsInsteadOfHanging) {
  EXPECT_DEATH(
      {
        platform::HeadlessScreen screen(10, 10);
        MSG msg;
        GetMessage(&msg, nullptr, 0, 0);
      },
      "can never come");
}

}  // namespace

// A screen held by a static made before the window system's own state, with a window still
// registered, is torn down after that state at exit: the process must end cleanly.
TEST(HeadlessScreen, AProgramEndingWithWindowsStillRegisteredEndsCleanly) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");  // a fresh process: no window made before
  EXPECT_EXIT(
      {
        static std::unique_ptr<platform::HeadlessScreen> screen;
        screen = std::make_unique<platform::HeadlessScreen>(320, 200);
        HWND w = Window(10, 10, 50, 40, COLOR_WINDOW);
        std::exit(w && screen->Pixel(20, 20) != CLR_INVALID ? 0 : 3);
      },
      ::testing::ExitedWithCode(0), "");
}
