// Regions as lists of disjoint rectangles; brushes with patterns; text alignment.

#include <gtest/gtest.h>

#include "platform/gui/Gui.h"
#include "platform/gui/Region.h"

namespace {

using platform::Region;

long Area(const Region& r) {
  long a = 0;
  for (const RECT& x : r.Rects()) a += static_cast<long>(x.right - x.left) * (x.bottom - x.top);
  return a;
}

bool Disjoint(const Region& r) {
  const auto& v = r.Rects();
  for (size_t i = 0; i < v.size(); ++i)
    for (size_t j = i + 1; j < v.size(); ++j)
      if (!platform::Empty(platform::Intersect(v[i], v[j]))) return false;
  return true;
}

TEST(Regions, SetOperationsKeepRectanglesDisjoint) {
  Region a(RECT{0, 0, 10, 10});
  a.Unite(RECT{5, 5, 15, 15});
  EXPECT_EQ(Area(a), 100 + 100 - 25);
  EXPECT_TRUE(Disjoint(a));
  EXPECT_TRUE(a.Contains(12, 12));
  EXPECT_FALSE(a.Contains(12, 2));
  // A hole in the middle.
  Region b(RECT{0, 0, 30, 30});
  b.Subtract(RECT{10, 10, 20, 20});
  EXPECT_EQ(Area(b), 900 - 100);
  EXPECT_TRUE(Disjoint(b));
  EXPECT_FALSE(b.Contains(15, 15));
  EXPECT_EQ(b.Bounds().right, 30);
  // Filling the hole again gives one rectangle back.
  b.Unite(RECT{10, 10, 20, 20});
  EXPECT_EQ(b.Rects().size(), 1u);
  EXPECT_TRUE(b.SameArea(Region(RECT{0, 0, 30, 30})));
  // Exclusive or of two overlapping squares.
  Region x(RECT{0, 0, 10, 10});
  x.Xor(Region(RECT{5, 0, 15, 10}));
  EXPECT_EQ(Area(x), 100);
  EXPECT_TRUE(x.Contains(2, 2));
  EXPECT_FALSE(x.Contains(7, 2));
  EXPECT_TRUE(x.Contains(12, 2));
  // Intersections, offsets and empty rectangles.
  Region i(RECT{0, 0, 10, 10});
  i.Intersect(Region(RECT{20, 20, 30, 30}));
  EXPECT_TRUE(i.IsEmpty());
  Region o(RECT{0, 0, 2, 2});
  o.Offset(5, -5);
  EXPECT_TRUE(o.Contains(6, -4));
  o.Unite(RECT{3, 3, 3, 9});
  EXPECT_EQ(Area(o), 4);
  // Many cuts still cover exactly what remains.
  Region grid(RECT{0, 0, 100, 100});
  for (int k = 0; k < 10; ++k) grid.Subtract(RECT{k * 10, k * 10, k * 10 + 5, k * 10 + 5});
  EXPECT_EQ(Area(grid), 10000 - 10 * 25);
  EXPECT_TRUE(Disjoint(grid));
}

// A memory DC on a 32-bit bitmap, white.
struct Canvas {
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP bitmap;
  HGDIOBJ old;
  Canvas(int w, int h) : bitmap(CreateBitmap(w, h, 1, 32, nullptr)), old(SelectObject(dc, bitmap)) {
    PatBlt(dc, 0, 0, w, h, WHITENESS);
  }
  ~Canvas() {
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
  }
};

TEST(Brushes, PatternsHatchesAndTheBrushOrigin) {
  Canvas c(16, 16);
  // A monochrome pattern paints 0 in the text colour and 1 in the background colour.
  const unsigned char bits[] = {0x80, 0, 0x00, 0};  // 2x2: (0,0) white, others black
  HBITMAP pattern = CreateBitmap(2, 2, 1, 1, bits);
  HBRUSH brush = CreatePatternBrush(pattern);
  DeleteObject(pattern);  // the brush keeps its own copy
  SetTextColor(c.dc, RGB(255, 0, 0));
  SetBkColor(c.dc, RGB(0, 0, 255));
  RECT r{0, 0, 4, 4};
  FillRect(c.dc, &r, brush);
  EXPECT_EQ(GetPixel(c.dc, 0, 0), RGB(0, 0, 255));
  EXPECT_EQ(GetPixel(c.dc, 1, 0), RGB(255, 0, 0));
  EXPECT_EQ(GetPixel(c.dc, 2, 2), RGB(0, 0, 255));
  SetBrushOrgEx(c.dc, 1, 0, nullptr);
  RECT shifted{4, 0, 8, 2};
  FillRect(c.dc, &shifted, brush);
  EXPECT_EQ(GetPixel(c.dc, 5, 0), RGB(0, 0, 255)) << "the pattern moves with the brush origin";
  EXPECT_EQ(GetPixel(c.dc, 4, 0), RGB(255, 0, 0));
  DeleteObject(brush);
  // A hatch leaves its background alone when the mode is transparent.
  HBRUSH hatch = CreateHatchBrush(HS_HORIZONTAL, RGB(0, 128, 0));
  SetBkMode(c.dc, TRANSPARENT);
  RECT band{0, 8, 16, 16};
  FillRect(c.dc, &band, hatch);
  EXPECT_EQ(GetPixel(c.dc, 3, 12), RGB(0, 128, 0));
  EXPECT_EQ(GetPixel(c.dc, 3, 11), RGB(255, 255, 255));
  DeleteObject(hatch);
  // FillRect takes a system colour index + 1 as a brush.
  RECT sys{8, 0, 10, 2};
  FillRect(c.dc, &sys, reinterpret_cast<HBRUSH>(COLOR_HIGHLIGHT + 1));
  EXPECT_EQ(GetPixel(c.dc, 8, 0), GetSysColor(COLOR_HIGHLIGHT));
}

TEST(TextOutput, AlignmentCurrentPositionOpaqueAndAdvances) {
  Canvas c(200, 40);
  HFONT font = CreateFont(-10, 0, 0, 0, FW_NORMAL, 0, 1, 1, 0, 0, 0, 0, 0, "Sans");
  HGDIOBJ old = SelectObject(c.dc, font);
  SetTextColor(c.dc, RGB(255, 0, 0));
  SetBkColor(c.dc, RGB(0, 0, 255));
  // Right aligned at x 100: "ab" covers 90..99; baseline alignment puts the cell top 11 up.
  SetTextAlign(c.dc, TA_RIGHT | TA_BASELINE);
  SetBkMode(c.dc, TRANSPARENT);
  TextOut(c.dc, 100, 20, "ab", 2);
  EXPECT_EQ(GetPixel(c.dc, 90, 12), RGB(255, 0, 0));
  EXPECT_EQ(GetPixel(c.dc, 98, 12), RGB(255, 0, 0));
  EXPECT_EQ(GetPixel(c.dc, 100, 12), RGB(255, 255, 255));
  EXPECT_EQ(GetPixel(c.dc, 89, 12), RGB(255, 255, 255));
  // Underline under the baseline, strike-out through the middle of the ink.
  EXPECT_EQ(GetPixel(c.dc, 94, 9 + 12), RGB(255, 0, 0));
  // The current position moves along with TA_UPDATECP.
  SetTextAlign(c.dc, TA_UPDATECP);
  MoveToEx(c.dc, 10, 25, nullptr);
  TextOut(c.dc, 0, 0, "xyz", 3);
  POINT p;
  GetCurrentPositionEx(c.dc, &p);
  EXPECT_EQ(p.x, 25);
  EXPECT_EQ(p.y, 25);
  // An opaque rectangle and explicit advances.
  SetTextAlign(c.dc, TA_LEFT | TA_TOP);
  RECT box{120, 0, 200, 20};
  const int dx[] = {10, 10};
  ExtTextOut(c.dc, 120, 0, ETO_OPAQUE | ETO_CLIPPED, &box, "mn", 2, dx);
  EXPECT_EQ(GetPixel(c.dc, 190, 19), RGB(0, 0, 255));
  EXPECT_EQ(GetPixel(c.dc, 130, 5), RGB(255, 0, 0)) << "the second character starts 10 along";
  EXPECT_EQ(GetPixel(c.dc, 126, 5), RGB(0, 0, 255));
  SelectObject(c.dc, old);
  DeleteObject(font);
}

}  // namespace
