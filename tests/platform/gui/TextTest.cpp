// Text with the built-in test font: metrics, extents and DrawText layout.

#include <gtest/gtest.h>

#include "platform/gui/Devicecontext.h"
#include "platform/gui/Drawtext.h"
#include "platform/gui/Gdiobjects.h"
#include "platform/gui/Shapes.h"
#include "platform/gui/Text.h"

namespace {

// Test font of 10 pixels: cell 13 high (3 of leading), ascent 11, advance 5.
class TextCanvas : public ::testing::Test {
 protected:
  void SetUp() override {
    dc = CreateCompatibleDC(nullptr);
    bitmap = CreateBitmap(120, 60, 1, 32, nullptr);
    oldBitmap = SelectObject(dc, bitmap);
    font = CreateFont(-10, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, "Sans");
    oldFont = SelectObject(dc, font);
    RECT all{0, 0, 120, 60};
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    SetBkMode(dc, TRANSPARENT);
  }
  void TearDown() override {
    SelectObject(dc, oldFont);
    SelectObject(dc, oldBitmap);
    DeleteObject(font);
    DeleteObject(bitmap);
    DeleteDC(dc);
  }
  RECT Calc(const char* text, UINT format, int width = 1000) {
    RECT r{10, 20, 10 + width, 20};
    DrawText(dc, text, -1, &r, format | DT_CALCRECT);
    return r;
  }
  HDC dc;
  HBITMAP bitmap;
  HFONT font;
  HGDIOBJ oldBitmap, oldFont;
};

TEST_F(TextCanvas, MetricsAndExtents) {
  TEXTMETRIC tm;
  ASSERT_TRUE(GetTextMetrics(dc, &tm));
  EXPECT_EQ(tm.tmHeight, 13);
  EXPECT_EQ(tm.tmInternalLeading, 3);
  EXPECT_EQ(tm.tmAscent, 11);
  EXPECT_EQ(tm.tmAveCharWidth, 5);
  SIZE size;
  GetTextExtentPoint32(dc, "abc", 3, &size);
  EXPECT_EQ(size.cx, 15);
  EXPECT_EQ(size.cy, 13);
  // Bold is wider; a fixed-pitch face has a wider advance of its own.
  HFONT bold = CreateFont(-10, 0, 0, 0, FW_BOLD, 0, 0, 0, 0, 0, 0, 0, 0, "Sans");
  SelectObject(dc, bold);
  GetTextExtentPoint32(dc, "abc", 3, &size);
  EXPECT_EQ(size.cx, 18);
  HFONT fixed = CreateFont(-10, 0, 0, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, FIXED_PITCH, "Sans");
  SelectObject(dc, fixed);
  GetTextExtentPoint32(dc, "abc", 3, &size);
  EXPECT_EQ(size.cx, 18);
  SelectObject(dc, font);
  DeleteObject(bold);
  DeleteObject(fixed);
}

TEST_F(TextCanvas, DrawTextLayout) {
  RECT r = Calc("Hello", DT_SINGLELINE);
  EXPECT_EQ(r.right, 35);
  EXPECT_EQ(r.bottom, 33);
  // Word breaks at spaces; the line height is the cell height.
  r = Calc("aa bb cc", DT_WORDBREAK, 30);
  EXPECT_EQ(r.right - r.left, 25);
  EXPECT_EQ(r.bottom - r.top, 26);
  // A word longer than the line is not broken.
  r = Calc("abcdefghij", DT_WORDBREAK, 30);
  EXPECT_EQ(r.right - r.left, 50);
  EXPECT_EQ(r.bottom - r.top, 13);
  // Line breaks, prefixes and tabs.
  r = Calc("one\r\ntwo\nthree", 0);
  EXPECT_EQ(r.bottom - r.top, 39);
  EXPECT_EQ(r.right - r.left, 25);
  EXPECT_EQ(Calc("&File", DT_SINGLELINE).right - 10, 20);
  EXPECT_EQ(Calc("&File", DT_SINGLELINE | DT_NOPREFIX).right - 10, 25);
  EXPECT_EQ(Calc("a&&b", DT_SINGLELINE).right - 10, 15);
  EXPECT_EQ(Calc("a\tb", DT_SINGLELINE | DT_EXPANDTABS).right - 10, 45);
  // An ellipsis keeps what fits together with the three dots.
  EXPECT_EQ(Calc("abcdefgh", DT_SINGLELINE | DT_END_ELLIPSIS, 25).right - 10, 25);
  // An empty text has no height.
  RECT empty{0, 0, 50, 0};
  EXPECT_EQ(DrawText(dc, "", 0, &empty, DT_CALCRECT), 0);
}

TEST_F(TextCanvas, DrawTextPixelsCentredAndClipped) {
  SetTextColor(dc, RGB(255, 0, 0));
  RECT r{0, 0, 100, 33};
  int height = DrawText(dc, "ab", -1, &r, DT_SINGLELINE | DT_CENTER | DT_VCENTER);
  EXPECT_EQ(height, 23);
  // Text starts at x 45, the cell at y 10; ink from the top of the em box (y 13) to the
  // baseline (y 21), four columns of each five.
  EXPECT_EQ(GetPixel(dc, 45, 13), RGB(255, 0, 0));
  EXPECT_EQ(GetPixel(dc, 48, 20), RGB(255, 0, 0));
  EXPECT_EQ(GetPixel(dc, 49, 15), RGB(255, 255, 255)) << "air between characters";
  EXPECT_EQ(GetPixel(dc, 45, 12), RGB(255, 255, 255)) << "leading above the ink";
  EXPECT_EQ(GetPixel(dc, 45, 21), RGB(255, 255, 255)) << "descent below the baseline";
  EXPECT_EQ(GetPixel(dc, 44, 15), RGB(255, 255, 255));
  // Clipped to the rectangle unless DT_NOCLIP.
  RECT narrow{0, 40, 7, 53};
  DrawText(dc, "xy", -1, &narrow, DT_SINGLELINE);
  EXPECT_EQ(GetPixel(dc, 5, 45), RGB(255, 0, 0));
  EXPECT_EQ(GetPixel(dc, 7, 45), RGB(255, 255, 255));
  // An opaque background fills the cell; underline marks the prefixed character.
  SetBkMode(dc, OPAQUE);
  SetBkColor(dc, RGB(0, 0, 255));
  RECT line{60, 40, 120, 53};
  DrawText(dc, "&ab", -1, &line, DT_SINGLELINE);
  EXPECT_EQ(GetPixel(dc, 64, 42), RGB(0, 0, 255));
  EXPECT_EQ(GetPixel(dc, 62, 45), RGB(255, 0, 0));
  EXPECT_EQ(GetPixel(dc, 62, 40 + 12), RGB(255, 0, 0)) << "underline under the prefixed a";
  EXPECT_EQ(GetPixel(dc, 66, 40 + 12), RGB(0, 0, 255)) << "none under b";
  EXPECT_EQ(GetPixel(dc, 62, 40 + 11), RGB(0, 0, 255));
}

}  // namespace
