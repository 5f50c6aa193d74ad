// The desktop's engine (the cursorwright program) scrolls a window of another program:
// a Tk list box, a real X client of its own, scrolls while Ctrl is held and the mouse
// moves over it, and back again; the pointer stays over the list.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <string>

#include "tests/support/Testsupport.h"
#include "tests/support/Xvfbserver.h"

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

namespace {

using Clock = std::chrono::steady_clock;

// A child process with its standard input and output on pipes; killed when it goes.
class TChild {
 public:
  TChild(const std::string& display, const std::vector<std::string>& argv, const std::string& home) {
    int in[2], out[2];
    if (pipe(in) != 0 || pipe(out) != 0) return;
    pid = fork();
    if (pid == 0) {
      setenv("DISPLAY", display.c_str(), 1);
      setenv("QUILLARAN_RUNTIME_DIR", home.c_str(), 1);
      dup2(in[0], STDIN_FILENO);
      dup2(out[1], STDOUT_FILENO);
      dup2(out[1], STDERR_FILENO);
      close(in[1]);
      close(out[0]);
      std::vector<char*> args;
      for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
      args.push_back(nullptr);
      execvp(args[0], args.data());
      _exit(127);
    }
    close(in[0]);
    close(out[1]);
    input = in[1];
    output = fdopen(out[0], "r");
  }
  ~TChild() {
    if (input >= 0) close(input);
    if (pid > 0) {
      kill(pid, SIGKILL);
      waitpid(pid, nullptr, 0);
    }
    if (output) fclose(output);
  }
  // The next line it writes ("" when it ended).
  std::string Line() {
    char buffer[256];
    if (!output || !fgets(buffer, sizeof buffer, output)) return std::string();
    std::string line = buffer;
    while (!line.empty() && line.back() == '\n') line.pop_back();
    return line;
  }
  void Say(const std::string& line) { (void)!write(input, (line + "\n").data(), line.size() + 1); }

  pid_t pid = -1;
  int input = -1;
  FILE* output = nullptr;
};

// A list box of 300 lines, 10 shown, at a known place; it answers "top" with the index of
// its first shown line.
const char* const kListBox = R"(
import sys, tkinter
root = tkinter.Tk()
root.geometry('+100+100')
box = tkinter.Listbox(root, height=10, width=30)
for i in range(300):
    box.insert('end', 'line %d' % i)
box.pack()
def answer(*_):
    line = sys.stdin.readline()
    if not line:
        root.destroy()
        return
    print(box.nearest(0), flush=True)
root.tk.createfilehandler(sys.stdin, tkinter.READABLE, answer)
root.wait_visibility(box)
root.update()
print('ready %d %d %d %d' % (box.winfo_rootx(), box.winfo_rooty(), box.winfo_width(), box.winfo_height()), flush=True)
root.mainloop()
)";

TEST(ForeignScroll, CtrlAndTheMouseScrollAnotherProgramsListBoxThroughItsWheel) {
  xvfbtest::XvfbServer server("800x600x24");
  ASSERT_TRUE(server.Running());
  const std::string scratch = testsupport::ScratchFolder();
  TChild list(server.Name(), {"/usr/bin/python3", "-c", kListBox}, scratch);
  int x = 0, y = 0, width = 0, height = 0;
  ASSERT_EQ(std::sscanf(list.Line().c_str(), "ready %d %d %d %d", &x, &y, &width, &height), 4);
  auto top = [&] {
    list.Say("top");
    return std::stoi("0" + list.Line());
  };
  ASSERT_EQ(top(), 0);

  // The pointer rests on the list from the start; the engine for every program says,
  // once it works, that this desktop has no tray.
  Display* peer = XOpenDisplay(server.Name().c_str());
  ASSERT_NE(peer, nullptr);
  const int cx = x + width / 2, cy = y + height / 2;
  XTestFakeMotionEvent(peer, -1, cx, cy, CurrentTime);
  XSync(peer, False);
  TChild engine(server.Name(), {std::string(QUILLARAN_BINARY_DIR) + "/app/cursorwright"}, scratch);
  ASSERT_NE(engine.Line().find("no system tray"), std::string::npos);
  auto pointerAt = [&](int px, int py) {
    Window root, child;
    int rx = -1, ry = -1, wx, wy;
    unsigned mask;
    XQueryPointer(peer, DefaultRootWindow(peer), &root, &child, &rx, &ry, &wx, &wy, &mask);
    return rx == px && ry == py;
  };
  // Moves by steps while Ctrl is held; after each step the engine puts the pointer back
  // over the list, which tells that it took the step.
  auto scroll = [&](int step, int count) {
    XTestFakeKeyEvent(peer, XKeysymToKeycode(peer, XK_Control_L), True, CurrentTime);
    XSync(peer, False);
    for (int i = 0; i < count; ++i) {
      XTestFakeMotionEvent(peer, -1, cx, cy + step, CurrentTime);
      XSync(peer, False);
      const auto until = Clock::now() + std::chrono::seconds(20);
      while (!pointerAt(cx, cy) && Clock::now() < until) XSync(peer, False);
      ASSERT_TRUE(pointerAt(cx, cy)) << "the engine did not take step " << i;
    }
    XTestFakeKeyEvent(peer, XKeysymToKeycode(peer, XK_Control_L), False, CurrentTime);
    XSync(peer, False);
  };
  scroll(30, 10);
  const int down = top();
  EXPECT_GT(down, 5) << "the list did not scroll down";
  scroll(-30, 5);
  const int back = top();
  EXPECT_LT(back, down) << "the list did not scroll back up";
  EXPECT_GT(back, 0);
  XCloseDisplay(peer);
}

}  // namespace
