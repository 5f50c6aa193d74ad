#include "platform/gui/Tabbedtext.h"

#include <string_view>

#include "platform/gui/Fontengine.h"
#include "platform/gui/Text.h"

namespace {

// The pen position after a tab at pen (relative to the origin).
int NextStop(int pen, int tabCount, const int* tabs, int average) {
  if (tabCount <= 1 || !tabs) {
    int step = tabCount == 1 && tabs && tabs[0] > 0 ? tabs[0] : 8 * average;
    if (step <= 0) return pen;
    return (pen / step + 1) * step;
  }
  for (int i = 0; i < tabCount; ++i)
    if (tabs[i] > pen) return tabs[i];
  return pen + average;
}

// Walks the runs between tabs; draw is called with each run's offset from x.
template <class Draw>
SIZE Walk(HDC dc, const char* text, int length, int tabCount, const int* tabs, int originOffset, Draw draw) {
  std::string_view all(text ? text : "", text && length > 0 ? static_cast<size_t>(length) : 0);
  TEXTMETRIC tm{};
  GetTextMetrics(dc, &tm);
  SIZE total{0, tm.tmHeight};
  int pen = 0;
  size_t start = 0;
  while (start <= all.size()) {
    size_t tab = all.find('\t', start);
    std::string_view run = all.substr(start, tab == std::string_view::npos ? std::string_view::npos : tab - start);
    SIZE s{};
    GetTextExtentPoint32(dc, run.data(), static_cast<int>(run.size()), &s);
    if (!run.empty()) draw(pen, run);
    pen += s.cx;
    if (tab == std::string_view::npos) break;
    pen = NextStop(pen + originOffset, tabCount, tabs, tm.tmAveCharWidth) - originOffset;
    start = tab + 1;
  }
  total.cx = pen;
  return total;
}

}  // namespace

LONG TabbedTextOut(HDC dc, int x, int y, const char* text, int length, int tabCount, const int* tabs, int tabOrigin) {
  SIZE s = Walk(dc, text, length, tabCount, tabs, x - tabOrigin, [&](int offset, std::string_view run) {
    TextOut(dc, x + offset, y, run.data(), static_cast<int>(run.size()));
  });
  return MAKELONG(static_cast<unsigned>(s.cx), static_cast<unsigned>(s.cy));
}

DWORD GetTabbedTextExtent(HDC dc, const char* text, int length, int tabCount, const int* tabs) {
  SIZE s = Walk(dc, text, length, tabCount, tabs, 0, [](int, std::string_view) {});
  return static_cast<DWORD>(MAKELONG(static_cast<unsigned>(s.cx), static_cast<unsigned>(s.cy)));
}
