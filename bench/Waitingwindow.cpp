// The waiting window under a window manager (Xvfb with openbox, started here): 300 steps of
// work, each telling its status in the window, with the window shown (/0) and minimised by
// the manager as a person does while the work goes on (/1). Checked after every round: shown,
// the screen holds every pixel the window painted for the last step; minimised, the window
// stayed minimised, and brought back it shows the last step.

#include "dialogs/Tformprogress.h"
#include "platform/display/X11display.h"
#include "platform/forms/Forms.h"
#include "platform/gui/Gui.h"
#include "tests/support/Xvfbserver.h"

#include <benchmark/benchmark.h>
#include <poll.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

// Xlib after the window system's headers; its screen type would hide the forms' Screen.
#define Screen XlibScreen
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#undef Screen
#undef Status

namespace {

using TClock = std::chrono::steady_clock;
constexpr int kSteps = 300;

void Fail(const std::string& what) {
  std::fprintf(stderr, "waiting window benchmark: %s\n", what.c_str());
  std::exit(1);
}

// A desktop of the benchmark's own, with our display on it and a person's connection.
struct TDesktop {
  xvfbtest::XvfbServer server{"1280x1024x24"};
  xvfbtest::WindowManager manager{server.Name()};
  platform::X11Display display{server.Name()};
  ::Display* person = nullptr;

  TDesktop() {
    if (!server.Running() || !manager.Running() || !display.Connected()) Fail("no Xvfb with openbox");
    display.Install();
    person = XOpenDisplay(server.Name().c_str());
    if (!person) Fail("no connection for the person");
  }

  // Runs the program's messages until the condition holds (the bound only ends a fault).
  template <class Condition>
  void PumpUntil(Condition done, const char* what) {
    for (const auto until = TClock::now() + std::chrono::seconds(60); !done();) {
      if (TClock::now() > until) Fail(what);
      Application->ProcessMessages();
      display.WaitForInput(5);
    }
  }

  bool Viewable(Window w) {
    XWindowAttributes a;
    return XGetWindowAttributes(person, w, &a) && a.map_state == IsViewable;
  }

  bool Iconic(Window w) {
    Atom type;
    int format;
    unsigned long items = 0, after;
    unsigned char* data = nullptr;
    const Atom state = XInternAtom(person, "WM_STATE", False);
    XGetWindowProperty(person, w, state, 0, 1, False, state, &type, &format, &items, &after, &data);
    const bool iconic = data && items == 1 && *reinterpret_cast<long*>(data) == IconicState;
    if (data) XFree(data);
    return iconic;
  }

  // The pixels of the window on the screen that differ from what it painted.
  int Differing(HWND h, Window w) {
    XWindowAttributes a;
    if (!XGetWindowAttributes(person, w, &a)) return -1;
    XImage* image =
        XGetImage(person, w, 0, 0, static_cast<unsigned>(a.width), static_cast<unsigned>(a.height), AllPlanes, ZPixmap);
    if (!image) return -1;
    HDC dc = GetDC(h);
    int differing = 0;
    for (int y = 0; y < a.height; ++y)
      for (int x = 0; x < a.width; ++x) {
        const unsigned long shown = XGetPixel(image, x, y);
        const COLORREF painted = GetPixel(dc, x, y);
        differing += shown != static_cast<unsigned long>((GetRValue(painted) << 16) | (GetGValue(painted) << 8) |
                                                         GetBValue(painted));
      }
    ReleaseDC(h, dc);
    XDestroyImage(image);
    return differing;
  }
};

TDesktop& Desktop() {
  static TDesktop desktop;
  return desktop;
}

void BM_WaitingWindowSteps(benchmark::State& state) {
  const bool minimised = state.range(0) != 0;
  TDesktop& desktop = Desktop();
  double slowest = 0, untilShown = 0, working = 0;
  for (auto _ : state) {
    state.PauseTiming();
    TFormProgress form(nullptr);
    form.SetStatus("Connecting...");
    form.ShowCentered();
    const HWND h = form.Handle();
    const Window w = desktop.display.XWindowOf(h);
    desktop.PumpUntil([&] { return desktop.Viewable(w) && desktop.Differing(h, w) == 0; }, "the window did not show");
    if (minimised) {
      const std::string minimise =
          "DISPLAY=" + desktop.server.Name() + " xdotool windowminimize --sync " + std::to_string(w);
      if (std::system(minimise.c_str()) != 0) Fail("xdotool did not minimise the window");
      // Seen by the person; the program hears of it only as the work goes on.
      for (const auto until = TClock::now() + std::chrono::seconds(60); desktop.Viewable(w);) {
        if (TClock::now() > until) Fail("the manager did not minimise the window");
        poll(nullptr, 0, 5);
      }
    }
    state.ResumeTiming();
    const auto started = TClock::now();
    for (int step = 1; step <= kSteps; ++step) {
      const auto before = TClock::now();
      form.SetStatus("Receiving message " + std::to_string(step) + " of " + std::to_string(kSteps) + "...");
      slowest = std::max(slowest, std::chrono::duration<double, std::milli>(TClock::now() - before).count());
    }
    const auto worked = TClock::now();
    state.PauseTiming();
    if (form.Status() != "Receiving message 300 of 300...") Fail("the status is not the last step's");
    if (minimised) {
      if (!desktop.Iconic(w)) Fail("the steps brought the minimised window back");
      XMapWindow(desktop.person, w);  // the person brings it back
      XSync(desktop.person, False);
      desktop.PumpUntil([&] { return desktop.Viewable(w) && desktop.Differing(h, w) == 0; },
                        "brought back, the window does not show the last step");
    } else {
      // The screen shows the last step as the server takes what the steps sent.
      for (const auto until = TClock::now() + std::chrono::seconds(60); desktop.Differing(h, w) != 0;) {
        if (TClock::now() > until) Fail("the screen does not show the last step");
        poll(nullptr, 0, 1);
      }
      untilShown += std::chrono::duration<double, std::milli>(TClock::now() - started).count();
    }
    state.SetIterationTime(std::chrono::duration<double>(worked - started).count());
    working += std::chrono::duration<double, std::milli>(worked - started).count();
    form.Hide();
    state.ResumeTiming();
  }
  state.counters["ms_per_step"] = working / (static_cast<double>(state.iterations()) * kSteps);
  state.counters["slowest_step_ms"] = slowest;
  if (!minimised) state.counters["until_shown_ms"] = untilShown / static_cast<double>(state.iterations());
}
BENCHMARK(BM_WaitingWindowSteps)->Arg(0)->Arg(1)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace
