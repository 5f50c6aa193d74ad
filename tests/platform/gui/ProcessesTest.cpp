// Windows of several processes find each other through the published folder, and
// messages posted to a window of another process reach it.

#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "Guitestwindow.h"
#include "platform/gui/Windowdirectory.h"

namespace {

class Processes : public guitest::Screen {
 protected:
  void SetUp() override {
    Screen::SetUp();
    const char* root = std::getenv("QUILLARAN_TEST_TMP");
    folder = std::string(root ? root : "/tmp") + "/gui-processes";
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    platform::SetWindowDirectory(folder);
  }
  void TearDown() override {
    Screen::TearDown();
    platform::SetWindowDirectory(std::string());
  }
  std::string folder;
};

TEST_F(Processes, FindEnumerateAndPostAcrossProcesses) {
  HWND own = TopLevel(0, 0, 10, 10, WS_POPUP);
  SetWindowText(own, "Parent instance");
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    // The other instance: publishes a hidden window and waits for a posted message.
    HWND mine = CreateWindowEx(0, "TestWindow", "Child instance", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    for (int i = 0; i < 500; ++i) {
      MSG msg;
      while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE))
        if (msg.message == WM_USER + 5 && msg.hwnd == mine) _exit(static_cast<int>(msg.wParam));
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    _exit(1);
  }
  HWND other = nullptr;
  for (int i = 0; i < 500 && !other; ++i) {
    other = FindWindow(nullptr, "Child instance");
    if (!other) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  ASSERT_NE(other, nullptr);
  EXPECT_TRUE(IsWindow(other));
  EXPECT_EQ(FindWindow("testwindow", "Child instance"), other);
  EXPECT_EQ(FindWindow("OtherClass", "Child instance"), nullptr);
  EXPECT_EQ(FindWindow(nullptr, "Parent instance"), own) << "own windows come first";
  DWORD process = 0;
  GetWindowThreadProcessId(other, &process);
  EXPECT_EQ(process, static_cast<DWORD>(child));
  char text[32], cls[32];
  EXPECT_EQ(GetWindowText(other, text, sizeof text), 14);
  EXPECT_STREQ(text, "Child instance");
  GetClassName(other, cls, sizeof cls);
  EXPECT_STREQ(cls, "TestWindow");
  std::vector<HWND> all;
  EnumWindows([](HWND h, LPARAM l) { reinterpret_cast<std::vector<HWND>*>(l)->push_back(h); return TRUE; },
              reinterpret_cast<LPARAM>(&all));
  EXPECT_NE(std::find(all.begin(), all.end(), other), all.end());
  EXPECT_TRUE(PostMessage(other, WM_USER + 5, 42, 0));
  int status = 0;
  waitpid(child, &status, 0);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 42);
  // A window whose process ended is gone.
  EXPECT_FALSE(IsWindow(other));
  EXPECT_EQ(FindWindow(nullptr, "Child instance"), nullptr);
  EXPECT_FALSE(PostMessage(other, WM_USER, 0, 0));
}

}  // namespace
