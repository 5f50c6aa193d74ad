// The program's first window and its memory at rest on a 1280x1024 and a 3840x2160 screen
// (Xvfb with openbox, started here), beside xmessage's first window and xterm's memory in
// the same run, by turns. Each program starts in a fresh data root, so that the program's
// first window is the box of a first start; a window counts as shown when the window
// manager maps its frame. At rest: once the process used no processor for 300 ms, its
// resident memory (VmRSS).

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using TClock = std::chrono::steady_clock;

void Fail(const std::string& what) {
  std::fprintf(stderr, "first window benchmark: %s\n", what.c_str());
  std::exit(1);
}

pid_t Start(const std::vector<std::string>& argv, const std::vector<std::pair<std::string, std::string>>& env) {
  const pid_t pid = fork();
  if (pid == 0) {
    for (const auto& [name, value] : env) setenv(name.c_str(), value.c_str(), 1);
    const int null = ::open("/dev/null", O_RDWR);
    dup2(null, STDIN_FILENO);
    dup2(null, STDOUT_FILENO);
    dup2(null, STDERR_FILENO);
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    execvp(args[0], args.data());
    _exit(127);
  }
  return pid;
}

void End(pid_t pid) {
  kill(pid, SIGKILL);
  waitpid(pid, nullptr, 0);
}

// Xvfb of that screen with openbox managing it.
class TScreen {
 public:
  TScreen(int width, int height) {
    int fds[2];
    if (pipe(fds) != 0) Fail("no pipe");
    fServer = fork();
    if (fServer == 0) {
      close(fds[0]);
      const std::string screen = std::to_string(width) + "x" + std::to_string(height) + "x24";
      execlp("Xvfb", "Xvfb", "-displayfd", std::to_string(fds[1]).c_str(), "-screen", "0", screen.c_str(), "-nolisten",
             "tcp", "-noreset", static_cast<char*>(nullptr));
      _exit(127);
    }
    close(fds[1]);
    std::string number;
    pollfd p{fds[0], POLLIN, 0};
    while (poll(&p, 1, 10000) > 0) {
      char c;
      if (read(fds[0], &c, 1) != 1 || c == '\n') break;
      number += c;
    }
    close(fds[0]);
    if (number.empty()) Fail("Xvfb did not start");
    Name = ":" + number;
    fDisplay = XOpenDisplay(Name.c_str());
    if (!fDisplay) Fail("no connection to " + Name);
    fManager = Start({"openbox", "--sm-disable"}, {{"DISPLAY", Name}});
    const Atom check = XInternAtom(fDisplay, "_NET_SUPPORTING_WM_CHECK", False);
    const auto until = TClock::now() + std::chrono::seconds(20);
    for (;;) {
      Atom type;
      int format;
      unsigned long items = 0, after;
      unsigned char* data = nullptr;
      XGetWindowProperty(fDisplay, DefaultRootWindow(fDisplay), check, 0, 1, False, XA_WINDOW, &type, &format, &items,
                         &after, &data);
      if (data) XFree(data);
      if (items == 1) break;
      if (TClock::now() > until) Fail("openbox did not start");
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    XSelectInput(fDisplay, DefaultRootWindow(fDisplay), SubstructureNotifyMask);
    XSync(fDisplay, True);
  }
  ~TScreen() {
    End(fManager);
    XCloseDisplay(fDisplay);
    kill(fServer, SIGTERM);
    waitpid(fServer, nullptr, 0);
  }

  // Milliseconds from the start until the first window is mapped; -1 when none comes.
  double WaitForFirstWindow(TClock::time_point started) {
    const auto until = started + std::chrono::seconds(20);
    const int fd = ConnectionNumber(fDisplay);
    while (TClock::now() < until) {
      while (XPending(fDisplay)) {
        XEvent event;
        XNextEvent(fDisplay, &event);
        if (event.type == MapNotify) return std::chrono::duration<double, std::milli>(TClock::now() - started).count();
      }
      pollfd p{fd, POLLIN, 0};
      poll(&p, 1, 50);
    }
    return -1;
  }
  // Forgets what earlier windows did.
  void Drain() {
    XSync(fDisplay, False);
    while (XPending(fDisplay)) {
      XEvent event;
      XNextEvent(fDisplay, &event);
    }
  }

  std::string Name;

 private:
  pid_t fServer = -1, fManager = -1;
  Display* fDisplay = nullptr;
};

// The processor time the process used so far, in clock ticks.
long long CpuTicks(pid_t pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
  std::string stat((std::istreambuf_iterator<char>(in)), {});
  const size_t close = stat.rfind(')');
  if (close == std::string::npos) return -1;
  std::istringstream fields(stat.substr(close + 2));
  std::string field;
  long long utime = 0, stime = 0;
  for (int i = 3; i <= 15 && fields >> field; ++i) {
    if (i == 14) utime = std::stoll(field);
    if (i == 15) stime = std::stoll(field);
  }
  return utime + stime;
}

// The resident memory once the process used no processor for 300 ms, in MB.
double RssAtRest(pid_t pid) {
  long long before = CpuTicks(pid);
  for (int i = 0; i < 50; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    const long long now = CpuTicks(pid);
    if (now == before) break;
    before = now;
  }
  std::ifstream in("/proc/" + std::to_string(pid) + "/status");
  for (std::string line; std::getline(in, line);)
    if (line.rfind("VmRSS:", 0) == 0) return std::stod(line.substr(6)) / 1024;
  return -1;
}

struct TShown {
  double FirstWindowMs, RssMb;
};

TShown Show(TScreen& screen, const std::vector<std::string>& argv,
            std::vector<std::pair<std::string, std::string>> env) {
  screen.Drain();
  env.emplace_back("DISPLAY", screen.Name);
  const auto started = TClock::now();
  const pid_t pid = Start(argv, env);
  const double shown = screen.WaitForFirstWindow(started);
  if (shown < 0) Fail(argv[0] + " showed no window");
  const double rss = RssAtRest(pid);
  End(pid);
  return {shown, rss};
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values.empty() ? 0 : values[values.size() / 2];
}

std::string ProgramPath() {
  return (std::filesystem::canonical("/proc/self/exe").parent_path().parent_path() / "app" / "quillaran").string();
}

void BM_FirstWindowAndMemoryAtRest(benchmark::State& state) {
  TScreen screen(int(state.range(0)), int(state.range(1)));
  const std::string program = ProgramPath();
  const char* tmp = std::getenv("TMPDIR");
  const std::string work = std::string(tmp ? tmp : "/tmp") + "/quillaran-bench-firstwindow-" + std::to_string(getpid());
  std::vector<double> ours, xmessage, xterm, oursRss, xmessageRss, xtermRss, windowRatios, rssRatios;
  int round = 0;
  for (auto _ : state) {
    const std::string home = work + "/" + std::to_string(++round);
    std::filesystem::create_directories(home + "/data");
    const TShown a = Show(screen, {program},
                          {{"QUILLARAN_HOME", home + "/data"},
                           {"XDG_CONFIG_HOME", home + "/config"},
                           {"QUILLARAN_RUNTIME_DIR", home + "/runtime"}});
    const TShown b = Show(screen, {"xmessage", "There is no login yet. Please, create yours."}, {});
    const TShown c = Show(screen, {"xterm"}, {});
    std::filesystem::remove_all(home);
    ours.push_back(a.FirstWindowMs);
    xmessage.push_back(b.FirstWindowMs);
    xterm.push_back(c.FirstWindowMs);
    oursRss.push_back(a.RssMb);
    xmessageRss.push_back(b.RssMb);
    xtermRss.push_back(c.RssMb);
    windowRatios.push_back(a.FirstWindowMs / b.FirstWindowMs);
    rssRatios.push_back(a.RssMb / c.RssMb);
    state.SetIterationTime(a.FirstWindowMs / 1000);
  }
  std::filesystem::remove_all(work);
  state.counters["first_window_ms"] = Median(ours);
  state.counters["xmessage_ms"] = Median(xmessage);
  state.counters["xterm_ms"] = Median(xterm);
  state.counters["window_ratio"] = Median(windowRatios);
  state.counters["rss_mb"] = Median(oursRss);
  state.counters["xmessage_rss_mb"] = Median(xmessageRss);
  state.counters["xterm_rss_mb"] = Median(xtermRss);
  state.counters["rss_ratio"] = Median(rssRatios);
}
BENCHMARK(BM_FirstWindowAndMemoryAtRest)
    ->Args({1280, 1024})
    ->Args({3840, 2160})
    ->Iterations(9)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace
