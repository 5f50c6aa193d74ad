// Text in the system's fonts: realizing a font that is cached, measuring a line, and
// drawing 60 lines of Latin and Cyrillic text into a 1280 x 1024 bitmap with the glyph
// cache warm.

#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>
#include <string>

#include "platform/gui/Freetypefont.h"
#include "platform/gui/Gui.h"

namespace {

const std::string kLine =
    "Блок 17: посылка обсуждения, из которой следует вывод; the row of a list with a long text to fill the line";

LOGFONT Arial(LONG height) {
  LOGFONT f{};
  f.lfHeight = height;
  f.lfWeight = FW_NORMAL;
  std::strcpy(f.lfFaceName, "Arial");
  return f;
}

void BM_RealizeCachedFont(benchmark::State& state) {
  platform::FreeTypeFontEngine engine;
  LOGFONT f = Arial(-13);
  engine.Realize(f);
  for (auto _ : state) benchmark::DoNotOptimize(engine.Realize(f));
}
BENCHMARK(BM_RealizeCachedFont);

void BM_MeasureLine(benchmark::State& state) {
  platform::FreeTypeFontEngine engine;
  auto face = engine.Realize(Arial(-13));
  for (auto _ : state) benchmark::DoNotOptimize(platform::TextWidth(*face, kLine));
  state.SetItemsProcessed(state.iterations() * static_cast<long>(kLine.size()));
}
BENCHMARK(BM_MeasureLine);

void BM_DrawSixtyLines(benchmark::State& state) {
  platform::SetFontEngine(std::make_unique<platform::FreeTypeFontEngine>());
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP bitmap = CreateBitmap(1280, 1024, 1, 32, nullptr);
  HGDIOBJ oldBitmap = SelectObject(dc, bitmap);
  HFONT font = CreateFont(-13, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, "Arial");
  HGDIOBJ oldFont = SelectObject(dc, font);
  SetBkMode(dc, TRANSPARENT);
  for (auto _ : state)
    for (int i = 0; i < 60; ++i) TextOut(dc, 24, 4 + i * 16, kLine.c_str(), static_cast<int>(kLine.size()));
  SelectObject(dc, oldFont);
  SelectObject(dc, oldBitmap);
  DeleteObject(font);
  DeleteObject(bitmap);
  DeleteDC(dc);
  platform::SetFontEngine(nullptr);
}
BENCHMARK(BM_DrawSixtyLines)->Unit(benchmark::kMillisecond);

}  // namespace
