#include "tests/support/Xvfbserver.h"

#include <errno.h>
#include <poll.h>
#include <signal.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

namespace xvfbtest {

namespace {

// Ends a server the test started. Under load a server has been seen to outlive its one
// terminate signal (likely taken just as it went back to sleep, with no event to come),
// and the test process waited for it until it was killed: the signal is repeated while
// the server runs, and one deaf to it is killed.
void EndChild(pid_t pid) {
  const int ended = static_cast<int>(syscall(SYS_pidfd_open, pid, 0));  // readable once it ends
  for (int attempt = 0; attempt < 20; ++attempt) {
    kill(pid, attempt < 10 ? SIGTERM : SIGKILL);
    pollfd p{ended, POLLIN, 0};
    if (ended < 0 || poll(&p, 1, 500) > 0) break;
  }
  if (ended >= 0) close(ended);
  int status;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
}

}  // namespace

XvfbServer::XvfbServer(const char* screen) {
  int pipeFds[2];
  if (pipe(pipeFds) != 0) return;
  pid_ = fork();
  if (pid_ == 0) {
    close(pipeFds[0]);
    std::string fd = std::to_string(pipeFds[1]);
    execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", screen, "-nolisten", "tcp", "-noreset",
           static_cast<char*>(nullptr));
    _exit(127);
  }
  close(pipeFds[1]);
  if (pid_ < 0) {
    close(pipeFds[0]);
    return;
  }
  // The server writes its display number once it accepts connections.
  std::string number;
  pollfd p{pipeFds[0], POLLIN, 0};
  while (poll(&p, 1, 10000) > 0) {
    char c;
    if (read(pipeFds[0], &c, 1) != 1 || c == '\n') break;
    number += c;
  }
  close(pipeFds[0]);
  if (!number.empty()) name_ = ":" + number;
}

XvfbServer::~XvfbServer() { Stop(); }

void XvfbServer::Stop() {
  if (pid_ <= 0) return;
  EndChild(pid_);
  pid_ = -1;
}

}  // namespace xvfbtest

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>

namespace xvfbtest {

namespace {

bool RootHas(::Display* dpy, const char* property) {
  Atom type = None;
  int format;
  unsigned long items = 0, after;
  unsigned char* data = nullptr;
  bool found = XGetWindowProperty(dpy, DefaultRootWindow(dpy), XInternAtom(dpy, property, False), 0, 1, False,
                                  AnyPropertyType, &type, &format, &items, &after, &data) == Success && type != None;
  if (data) XFree(data);
  return found;
}

// The manager names its check window early and lists the windows it manages once it has
// taken over the screen's windows.
bool ManagerAnswers(::Display* dpy) {
  return RootHas(dpy, "_NET_SUPPORTING_WM_CHECK") && RootHas(dpy, "_NET_CLIENT_LIST");
}

bool Viewable(::Display* dpy, ::Window w) {
  XWindowAttributes a;
  return XGetWindowAttributes(dpy, w, &a) && a.map_state == IsViewable;
}

// Even then openbox drops a map request that comes in its first moments: that window stays
// unmapped for good. A probe window is asked to be mapped, again after each quiet spell,
// until the manager shows it; only then does a test's window reach a manager that runs.
bool ManagesNewWindows(::Display* dpy, std::chrono::steady_clock::time_point end) {
  ::Window probe = XCreateSimpleWindow(dpy, DefaultRootWindow(dpy), 0, 0, 10, 10, 0, 0, 0);
  bool shown = false;
  while (!shown && std::chrono::steady_clock::now() < end) {
    XUnmapWindow(dpy, probe);
    XMapWindow(dpy, probe);
    XSync(dpy, False);
    const auto retry = std::min(end, std::chrono::steady_clock::now() + std::chrono::milliseconds(250));
    while (!(shown = Viewable(dpy, probe)) && std::chrono::steady_clock::now() < retry) poll(nullptr, 0, 5);
  }
  XDestroyWindow(dpy, probe);
  XSync(dpy, False);
  return shown;
}

}  // namespace

WindowManager::WindowManager(const std::string& display) {
  pid_ = fork();
  if (pid_ == 0) {
    setenv("DISPLAY", display.c_str(), 1);
    // Its own empty configuration home, so that no user's settings take part.
    std::string home = "/tmp/quillaran-wm-" + std::to_string(getpid());
    setenv("XDG_CONFIG_HOME", home.c_str(), 1);
    execlp("openbox", "openbox", "--sm-disable", static_cast<char*>(nullptr));
    _exit(127);
  }
  if (pid_ < 0) return;
  XInitThreads();  // before this process's first connection: its display back end uses threads
  ::Display* dpy = XOpenDisplay(display.c_str());
  if (!dpy) return;
  XSelectInput(dpy, DefaultRootWindow(dpy), PropertyChangeMask);
  XSync(dpy, False);
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (!(ready_ = ManagerAnswers(dpy)) && std::chrono::steady_clock::now() < end) {
    int status;
    if (waitpid(pid_, &status, WNOHANG) == pid_) {
      pid_ = -1;
      break;
    }
    pollfd p{ConnectionNumber(dpy), POLLIN, 0};
    if (!XPending(dpy)) poll(&p, 1, 200);
    while (XPending(dpy)) {
      XEvent e;
      XNextEvent(dpy, &e);
    }
  }
  ready_ = ready_ && ManagesNewWindows(dpy, end);
  XCloseDisplay(dpy);
}

WindowManager::~WindowManager() {
  if (pid_ > 0) EndChild(pid_);
}

}  // namespace xvfbtest
