// Painting speed of the window system: a full repaint of a 1280 x 1024 window with 60
// lines of text, rectangles and lines, and scrolling that window by one line. The
// counter "of_frame" is the time of one operation as a share of a 60 Hz frame (16.7 ms).

#include <benchmark/benchmark.h>

#include <chrono>
#include <string>

#include "platform/display/Headlessscreen.h"
#include "platform/display/Screendriver.h"
#include "platform/gui/Gui.h"

namespace {

constexpr int kWidth = 1280, kHeight = 1024, kLines = 60;

HFONT g_font = nullptr;
int g_lineHeight = 0;

LRESULT PageProc(HWND h, UINT m, WPARAM w, LPARAM l) {
  if (m != WM_PAINT) return DefWindowProc(h, m, w, l);
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(h, &ps);
  HGDIOBJ oldFont = SelectObject(dc, g_font);
  HPEN pen = CreatePen(PS_SOLID, 1, RGB(0, 0, 128));
  HGDIOBJ oldPen = SelectObject(dc, pen);
  HBRUSH fill = CreateSolidBrush(RGB(230, 240, 255));
  HGDIOBJ oldBrush = SelectObject(dc, fill);
  SetBkMode(dc, TRANSPARENT);
  static const std::string text =
      "Блок 17: посылка обсуждения, из которой следует вывод; the row of a list with a long text to fill the line";
  for (int i = 0; i < kLines; ++i) {
    int y = 4 + i * g_lineHeight;
    Rectangle(dc, 2, y, 18, y + g_lineHeight - 2);
    SetTextColor(dc, i % 2 ? RGB(0, 0, 0) : RGB(128, 0, 0));
    TextOut(dc, 24, y, text.c_str(), static_cast<int>(text.size()));
    MoveToEx(dc, 24, y + g_lineHeight - 1, nullptr);
    LineTo(dc, kWidth - 4, y + g_lineHeight - 1);
  }
  SelectObject(dc, oldBrush);
  SelectObject(dc, oldPen);
  SelectObject(dc, oldFont);
  DeleteObject(fill);
  DeleteObject(pen);
  EndPaint(h, &ps);
  return 0;
}

struct Page {
  platform::HeadlessScreen screen{kWidth, kHeight};
  platform::ScreenDriver person;
  HWND window = nullptr;

  Page() {
    static bool registered = false;
    if (!registered) {
      WNDCLASS c{};
      c.lpfnWndProc = PageProc;
      c.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
      c.lpszClassName = "BenchPage";
      RegisterClass(&c);
      registered = true;
    }
    g_font = CreateFont(-13, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, "Sans Serif");
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, g_font);
    TEXTMETRIC tm;
    GetTextMetrics(dc, &tm);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    g_lineHeight = tm.tmHeight;
    window = CreateWindowEx(0, "BenchPage", "", WS_POPUP | WS_VISIBLE, 0, 0, kWidth, kHeight, nullptr, nullptr, nullptr, nullptr);
    person.Pump();
  }
  ~Page() {
    DestroyWindow(window);
    DeleteObject(g_font);
  }
};

template <typename Op>
void Measure(benchmark::State& state, Op op) {
  double total = 0;
  for (auto _ : state) {
    auto start = std::chrono::steady_clock::now();
    op();
    total += std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  }
  state.counters["of_frame"] = total / static_cast<double>(state.iterations()) / (1000.0 / 60.0);
}

void BM_FullRepaint(benchmark::State& state) {
  Page page;
  Measure(state, [&] {
    InvalidateRect(page.window, nullptr, TRUE);
    UpdateWindow(page.window);
  });
}
BENCHMARK(BM_FullRepaint)->Unit(benchmark::kMillisecond);

void BM_ScrollOneLine(benchmark::State& state) {
  Page page;
  Measure(state, [&] {
    ScrollWindow(page.window, 0, -g_lineHeight, nullptr, nullptr);
    UpdateWindow(page.window);
  });
}
BENCHMARK(BM_ScrollOneLine)->Unit(benchmark::kMillisecond);

}  // namespace
