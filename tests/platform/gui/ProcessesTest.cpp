// Windows of several processes find each other through the published folder, and
// messages posted to a window of another process reach it.

#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "Guitestwindow.h"
#include "platform/gui/Windowdirectory.h"
#include "tests/support/Testsupport.h"

namespace {

class Processes : public guitest::Screen {
 protected:
  void SetUp() override {
    Screen::SetUp();
    const char* root = std::getenv("QUILLARAN_TEST_TMP");
    // A folder of each test's own (ctest runs them side by side), deeper than a socket's
    // address can name, as a runtime folder inside a deep home or build folder is.
    const std::string own = std::string(root ? root : "/tmp") + "/gp" + std::to_string(getpid());
    folder = own + "/" + std::string(120, 'd');
    std::filesystem::remove_all(own);
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
    platform::AcceptRemoteMessage(WM_USER + 5);
    HWND mine = CreateWindowEx(0, "TestWindow", "Child instance", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    int code = 1;
    testsupport::Eventually([&] {
      MSG msg;
      while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE))
        if (msg.message == WM_USER + 5 && msg.hwnd == mine) {
          code = static_cast<int>(msg.wParam);
          return true;
        }
      return false;
    });
    _exit(code);
  }
  HWND other = nullptr;
  testsupport::Eventually([&] { return (other = FindWindow(nullptr, "Child instance")) != nullptr; });
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

TEST_F(Processes, MessagesWhoseWordsWouldBeAddressesHereAreDroppedFromOtherProcesses) {
  HWND own = TopLevel(0, 0, 10, 10, WS_POPUP);
  SetWindowText(own, "Receiving instance");
  constexpr UINT kDone = WM_USER + 7;
  platform::AcceptRemoteMessage(kDone);
  const UINT kCopyData = 0x004A;
  const UINT refused[] = {WM_SETTEXT, WM_GETTEXT, kCopyData, WM_SETFONT, WM_NOTIFY, WM_TIMER, WM_USER + 8};
  pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    // Another local program: posts each kind with a word that is no address here.
    for (const platform::RemoteWindow& r : platform::RemoteWindows()) {
      if (r.process != getppid() || r.title != "Receiving instance") continue;
      for (UINT m : refused) PostMessage(r.handle, m, 64, 0x10);
      _exit(PostMessage(r.handle, kDone, 99, 0) ? 0 : 2);
    }
    _exit(1);
  }
  int status = 0;
  waitpid(child, &status, 0);
  ASSERT_TRUE(WIFEXITED(status));
  ASSERT_EQ(WEXITSTATUS(status), 0);
  guitest::Log().clear();
  bool done = false;
  for (auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
       !done && std::chrono::steady_clock::now() < until;) {
    MSG msg;
    while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
      DispatchMessage(&msg);
      done = done || msg.message == kDone;
    }
    if (!done) std::this_thread::yield();
  }
  ASSERT_TRUE(done);
  for (const guitest::Logged& l : guitest::Log())
    for (UINT m : refused) EXPECT_NE(l.message, m) << "a refused message was delivered";
  std::vector<guitest::Logged> got = guitest::Log();
  ASSERT_FALSE(got.empty());
  EXPECT_EQ(got.back().message, kDone);
  EXPECT_EQ(got.back().w, 99u);
  char text[32];
  GetWindowText(own, text, sizeof text);
  EXPECT_STREQ(text, "Receiving instance");
}

}  // namespace
