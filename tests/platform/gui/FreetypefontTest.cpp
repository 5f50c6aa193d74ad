// Text in the system's fonts: the fallback chain to the fonts Debian ships, metrics,
// measuring and drawing Latin and Cyrillic text through a device context.

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/gui/Devicecontext.h"
#include "platform/gui/Freetypefont.h"
#include "platform/gui/Gdiobjects.h"
#include "platform/gui/Shapes.h"
#include "platform/gui/Text.h"

using platform::FreeTypeFontEngine;

namespace {

LOGFONT Font(const char* face, LONG height, LONG weight = FW_NORMAL, BYTE italic = 0) {
  LOGFONT f{};
  f.lfHeight = height;
  f.lfWeight = weight;
  f.lfItalic = italic;
  f.lfCharSet = DEFAULT_CHARSET;
  std::strncpy(f.lfFaceName, face, LF_FACESIZE - 1);
  return f;
}

std::string BaseName(const std::string& path) { return path.substr(path.find_last_of('/') + 1); }

int Width(const platform::FontFace& face, const std::string& text) { return platform::TextWidth(face, text); }

int Ink(const platform::Glyph& g) {
  int n = 0;
  for (auto a : g.alpha) n += a > 128;
  return n;
}

TEST(Freetypefont, FacesTheProgramNamesFallBackToDebianFonts) {
  FreeTypeFontEngine engine;
  ASSERT_TRUE(engine.Usable());
  EXPECT_EQ(BaseName(engine.FileOf(Font("Arial", -12))), "LiberationSans-Regular.ttf");
  EXPECT_EQ(BaseName(engine.FileOf(Font("MS Sans Serif", -12, FW_BOLD))), "LiberationSans-Bold.ttf");
  EXPECT_EQ(BaseName(engine.FileOf(Font("Times New Roman", -12, FW_NORMAL, 1))), "LiberationSerif-Italic.ttf");
  EXPECT_EQ(BaseName(engine.FileOf(Font("Courier New", -12))), "LiberationMono-Regular.ttf");
  EXPECT_EQ(BaseName(engine.FileOf(Font("Tahoma", -12))), "DejaVuSans.ttf");
  EXPECT_EQ(BaseName(engine.FileOf(Font("No Such Face At All", -12))), "LiberationSans-Regular.ttf");
  LOGFONT fixed = Font("", -12);
  fixed.lfPitchAndFamily = FIXED_PITCH | FF_MODERN;
  EXPECT_EQ(BaseName(engine.FileOf(fixed)), "LiberationMono-Regular.ttf");
  // A symbol face gets a face with symbols, never a failure.
  EXPECT_FALSE(engine.FileOf(Font("Wingdings", -12)).empty());
}

TEST(Freetypefont, MetricsFollowTheRequestedHeight) {
  FreeTypeFontEngine engine;
  auto em = engine.Realize(Font("Arial", -20));
  const TEXTMETRIC& tm = em->Metrics();
  EXPECT_EQ(tm.tmAscent + tm.tmDescent, tm.tmHeight);
  EXPECT_GT(tm.tmHeight, 20);
  EXPECT_LT(tm.tmHeight, 26);
  EXPECT_EQ(tm.tmInternalLeading, tm.tmHeight - 20);
  // A positive height is the cell height.
  auto cell = engine.Realize(Font("Arial", 20));
  EXPECT_NEAR(cell->Metrics().tmHeight, 20, 1);
  EXPECT_LT(cell->Metrics().tmHeight, tm.tmHeight);
  // Underline below the baseline, strike-out above it, both inside the cell.
  EXPECT_GT(em->UnderlineRow(), tm.tmAscent - 1);
  EXPECT_LT(em->UnderlineRow(), tm.tmHeight);
  EXPECT_LT(em->StrikeOutRow(), tm.tmAscent);
  EXPECT_GT(em->StrikeOutRow(), tm.tmInternalLeading);
  // Absurd heights are clamped instead of rendering giant glyphs.
  auto huge = engine.Realize(Font("Arial", -2000000000));
  EXPECT_LT(huge->Metrics().tmHeight, 1500);
  EXPECT_GT(engine.Realize(Font("Arial", 0))->Metrics().tmHeight, 10);
}

TEST(Freetypefont, WidthsGrowWithTextBoldIsWiderMonoIsEven) {
  FreeTypeFontEngine engine;
  auto regular = engine.Realize(Font("Arial", -14));
  auto bold = engine.Realize(Font("Arial", -14, FW_BOLD));
  EXPECT_LT(Width(*regular, "Hello"), Width(*regular, "Hello, world"));
  EXPECT_LT(Width(*regular, "iiii"), Width(*regular, "WWWW"));
  EXPECT_GT(Width(*bold, "Hello, world"), Width(*regular, "Hello, world"));
  const std::string cyrillic = "Привет, мир";
  EXPECT_GT(Width(*regular, cyrillic), Width(*regular, "Привет"));
  EXPECT_GT(Width(*bold, cyrillic), Width(*regular, cyrillic));
  auto mono = engine.Realize(Font("Courier New", -14));
  EXPECT_EQ(Width(*mono, "iiii"), Width(*mono, "WWWW"));
  EXPECT_EQ(Width(*mono, "ЖЖЖЖ"), Width(*mono, "iiii"));
  EXPECT_EQ(regular->Metrics().tmAveCharWidth, regular->Advance('x'));
  EXPECT_GE(regular->Metrics().tmMaxCharWidth, regular->Advance('W'));
}

TEST(Freetypefont, CyrillicGlyphsHaveTheirOwnShapesAndAreCached) {
  FreeTypeFontEngine engine;
  auto face = engine.Realize(Font("Arial", -16));
  const auto& zhe = face->GlyphOf(static_cast<unsigned char>('Ж'));
  const auto& question = face->GlyphOf('?');
  EXPECT_GT(Ink(zhe), 10);
  EXPECT_NE(zhe.alpha, question.alpha);
  EXPECT_NE(face->GlyphOf(static_cast<unsigned char>('я')).alpha, face->GlyphOf('R').alpha);
  // The glyph sits in the cell: on the baseline and inside the ascent.
  EXPECT_GE(zhe.top, 0);
  EXPECT_LE(zhe.top + zhe.height, face->Metrics().tmAscent + 1);
  EXPECT_EQ(&face->GlyphOf(static_cast<unsigned char>('Ж')), &zhe);
  // Realizing the same logical font again reuses the face and its glyphs.
  EXPECT_EQ(engine.Realize(Font("Arial", -16)).get(), face.get());
  // Blanks and control bytes have no ink; the unassigned byte is harmless.
  EXPECT_EQ(Ink(face->GlyphOf(' ')), 0);
  EXPECT_EQ(Ink(face->GlyphOf(0x01)), 0);
  EXPECT_EQ(Ink(face->GlyphOf(0x98)), 0);
  for (int c = 0; c < 256; ++c) EXPECT_GE(face->Advance(static_cast<unsigned char>(c)), 0);
  // Italic leans: the same letter's ink differs from the upright one.
  auto italic = engine.Realize(Font("Arial", -16, FW_NORMAL, 1));
  EXPECT_NE(italic->GlyphOf('l').alpha, face->GlyphOf('l').alpha);
}

TEST(Freetypefont, DrawsThroughADeviceContextWithUnderline) {
  platform::SetFontEngine(std::make_unique<FreeTypeFontEngine>());
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP bitmap = CreateBitmap(200, 40, 1, 32, nullptr);
  HGDIOBJ oldBitmap = SelectObject(dc, bitmap);
  RECT all{0, 0, 200, 40};
  FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  SetBkMode(dc, TRANSPARENT);
  HFONT font = CreateFont(-16, 0, 0, 0, FW_NORMAL, 0, TRUE, 0, DEFAULT_CHARSET, 0, 0, 0, 0, "Arial");
  HGDIOBJ oldFont = SelectObject(dc, font);
  TEXTMETRIC tm;
  ASSERT_TRUE(GetTextMetrics(dc, &tm));
  const char* text = "Abc Жук";
  SIZE size;
  GetTextExtentPoint32(dc, text, static_cast<int>(std::strlen(text)), &size);
  TextOut(dc, 5, 5, text, static_cast<int>(std::strlen(text)));
  int inked = 0, beyond = 0;
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 200; ++x) {
      if (GetPixel(dc, x, y) == RGB(255, 255, 255)) continue;
      ++inked;
      if (x >= 5 + size.cx + 2 || y >= 5 + tm.tmHeight) ++beyond;
    }
  EXPECT_GT(inked, 60);
  EXPECT_EQ(beyond, 0);
  // The underline is one unbroken row under the whole text.
  int row = -1;
  for (int y = 5 + tm.tmAscent; y < 5 + tm.tmHeight && row < 0; ++y)
    if (GetPixel(dc, 5 + size.cx / 2, y) != RGB(255, 255, 255) && GetPixel(dc, 6, y) != RGB(255, 255, 255)) row = y;
  EXPECT_GE(row, 0);
  SelectObject(dc, oldFont);
  SelectObject(dc, oldBitmap);
  DeleteObject(font);
  DeleteObject(bitmap);
  DeleteDC(dc);
  platform::SetFontEngine(nullptr);
}

}  // namespace
