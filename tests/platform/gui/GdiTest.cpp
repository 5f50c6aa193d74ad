// Painting into memory bitmaps: raster operations, shapes, clipping and regions.

#include <gtest/gtest.h>

#include "platform/gui/Blit.h"
#include "platform/gui/Drawedge.h"
#include "platform/gui/Syscolors.h"
#include "platform/gui/Devicecontext.h"
#include "platform/gui/Gdiobjects.h"
#include "platform/gui/Regions.h"
#include "platform/gui/Shapes.h"

namespace {

// A memory DC with a colour bitmap of its own, freed at the end of the test.
struct Canvas {
  HDC dc;
  HBITMAP bitmap;
  HGDIOBJ previous;
  Canvas(int w, int h, bool mono = false) {
    dc = CreateCompatibleDC(nullptr);
    bitmap = CreateBitmap(w, h, 1, mono ? 1 : 32, nullptr);
    previous = SelectObject(dc, bitmap);
  }
  ~Canvas() {
    SelectObject(dc, previous);
    DeleteDC(dc);
    DeleteObject(bitmap);
  }
  void Fill(COLORREF c) {
    HBRUSH b = CreateSolidBrush(c);
    RECT r{0, 0, 1000, 1000};
    FillRect(dc, &r, b);
    DeleteObject(b);
  }
};

constexpr COLORREF kRed = RGB(255, 0, 0), kBlue = RGB(0, 0, 255), kWhite = RGB(255, 255, 255);

TEST(Gdi, EveryRasterOperationOnKnownPixels) {
  // Source and destination hold the four combinations of two colour values.
  const COLORREF s = RGB(0xF0, 0x0F, 0xAA), d = RGB(0xCC, 0x33, 0x55), p = RGB(0x12, 0x34, 0x56);
  struct Case { DWORD rop; COLORREF expected; };
  const Case cases[] = {
      {SRCCOPY, s},
      {SRCAND, s & d},
      {SRCPAINT, s | d},
      {SRCINVERT, s ^ d},
      {NOTSRCCOPY, ~s & 0xFFFFFF},
      {DSTINVERT, ~d & 0xFFFFFF},
      {BLACKNESS, 0},
      {WHITENESS, 0xFFFFFF},
      {SRCERASE, s & ~d & 0xFFFFFF},
      {NOTSRCERASE, ~(s | d) & 0xFFFFFF},
      {MERGEPAINT, (~s | d) & 0xFFFFFF},
      {PATCOPY, p},
      {PATINVERT, p ^ d},
      {MERGECOPY, p & s},
  };
  for (const Case& c : cases) {
    Canvas src(4, 4), dst(4, 4);
    src.Fill(s);
    dst.Fill(d);
    HBRUSH brush = CreateSolidBrush(p);
    HGDIOBJ old = SelectObject(dst.dc, brush);
    EXPECT_TRUE(BitBlt(dst.dc, 1, 1, 2, 2, src.dc, 0, 0, c.rop));
    EXPECT_EQ(GetPixel(dst.dc, 1, 1), c.expected) << std::hex << c.rop;
    EXPECT_EQ(GetPixel(dst.dc, 2, 2), c.expected) << std::hex << c.rop;
    EXPECT_EQ(GetPixel(dst.dc, 0, 0), d) << "outside the block " << std::hex << c.rop;
    EXPECT_EQ(GetPixel(dst.dc, 3, 3), d) << "outside the block " << std::hex << c.rop;
    SelectObject(dst.dc, old);
    DeleteObject(brush);
  }
}

TEST(Gdi, TransparentDrawingThroughAMonochromeMask) {
  // The classic mask technique: colour -> mono takes the source background as white;
  // mono -> colour paints 0 in the text colour and 1 in the background colour.
  Canvas image(3, 1), mask(3, 1, true), screen(3, 1);
  SetPixel(image.dc, 0, 0, kRed);
  SetPixel(image.dc, 1, 0, kWhite);  // the transparent colour
  SetPixel(image.dc, 2, 0, kBlue);
  SetBkColor(image.dc, kWhite);
  BitBlt(mask.dc, 0, 0, 3, 1, image.dc, 0, 0, SRCCOPY);
  EXPECT_EQ(GetPixel(mask.dc, 0, 0), 0u);
  EXPECT_EQ(GetPixel(mask.dc, 1, 0), kWhite);
  screen.Fill(RGB(0, 128, 0));
  SetTextColor(screen.dc, 0);
  SetBkColor(screen.dc, kWhite);
  BitBlt(screen.dc, 0, 0, 3, 1, mask.dc, 0, 0, SRCAND);
  // Image with its transparent pixels black, then OR-ed in.
  SetBkColor(image.dc, 0);
  SetTextColor(image.dc, kWhite);
  BitBlt(image.dc, 0, 0, 3, 1, mask.dc, 0, 0, SRCAND);
  BitBlt(screen.dc, 0, 0, 3, 1, image.dc, 0, 0, SRCPAINT);
  EXPECT_EQ(GetPixel(screen.dc, 0, 0), kRed);
  EXPECT_EQ(GetPixel(screen.dc, 1, 0), RGB(0, 128, 0));
  EXPECT_EQ(GetPixel(screen.dc, 2, 0), kBlue);
}

TEST(Gdi, StretchAndOverlappingCopies) {
  Canvas src(2, 1), dst(6, 2);
  SetPixel(src.dc, 0, 0, kRed);
  SetPixel(src.dc, 1, 0, kBlue);
  StretchBlt(dst.dc, 0, 0, 4, 2, src.dc, 0, 0, 2, 1, SRCCOPY);
  EXPECT_EQ(GetPixel(dst.dc, 1, 1), kRed);
  EXPECT_EQ(GetPixel(dst.dc, 2, 0), kBlue);
  // A negative width mirrors.
  StretchBlt(dst.dc, 4, 0, -4, 1, src.dc, 0, 0, 2, 1, SRCCOPY);
  EXPECT_EQ(GetPixel(dst.dc, 0, 0), kBlue);
  EXPECT_EQ(GetPixel(dst.dc, 3, 0), kRed);
  // Copying a bitmap onto itself shifted keeps the source intact while it moves.
  Canvas strip(5, 1);
  for (int x = 0; x < 5; ++x) SetPixel(strip.dc, x, 0, RGB(x, 0, 0));
  BitBlt(strip.dc, 1, 0, 4, 1, strip.dc, 0, 0, SRCCOPY);
  for (int x = 1; x < 5; ++x) EXPECT_EQ(GetPixel(strip.dc, x, 0), RGB(x - 1, 0, 0));
}

TEST(Gdi, Rop2PensAndShapes) {
  Canvas c(20, 20);
  c.Fill(kWhite);
  HPEN red = CreatePen(PS_SOLID, 1, kRed);
  HGDIOBJ oldPen = SelectObject(c.dc, red);
  MoveToEx(c.dc, 0, 0, nullptr);
  LineTo(c.dc, 5, 0);
  EXPECT_EQ(GetPixel(c.dc, 4, 0), kRed);
  EXPECT_EQ(GetPixel(c.dc, 5, 0), kWhite) << "the end point is not drawn";
  SetROP2(c.dc, R2_XORPEN);
  MoveToEx(c.dc, 0, 2, nullptr);
  LineTo(c.dc, 5, 2);
  EXPECT_EQ(GetPixel(c.dc, 2, 2), RGB(0, 255, 255));
  MoveToEx(c.dc, 0, 2, nullptr);
  LineTo(c.dc, 5, 2);
  EXPECT_EQ(GetPixel(c.dc, 2, 2), kWhite) << "xor twice restores";
  SetROP2(c.dc, R2_NOT);
  MoveToEx(c.dc, 0, 1, nullptr);
  LineTo(c.dc, 3, 1);
  EXPECT_EQ(GetPixel(c.dc, 1, 1), 0u);
  SetROP2(c.dc, R2_COPYPEN);

  // Rectangle: pen outline, brush inside; without a pen one pixel short.
  HBRUSH blue = CreateSolidBrush(kBlue);
  HGDIOBJ oldBrush = SelectObject(c.dc, blue);
  Rectangle(c.dc, 2, 2, 8, 8);
  EXPECT_EQ(GetPixel(c.dc, 2, 2), kRed);
  EXPECT_EQ(GetPixel(c.dc, 7, 7), kRed);
  EXPECT_EQ(GetPixel(c.dc, 8, 8), kWhite);
  EXPECT_EQ(GetPixel(c.dc, 4, 4), kBlue);
  SelectObject(c.dc, GetStockObject(NULL_PEN));
  Rectangle(c.dc, 10, 10, 14, 14);
  EXPECT_EQ(GetPixel(c.dc, 12, 12), kBlue);
  EXPECT_EQ(GetPixel(c.dc, 13, 12), kWhite);
  // Ellipse and polygon fill their inside.
  SelectObject(c.dc, red);
  Ellipse(c.dc, 10, 0, 20, 10);
  EXPECT_EQ(GetPixel(c.dc, 15, 5), kBlue);
  EXPECT_EQ(GetPixel(c.dc, 10, 0), kWhite);
  POINT tri[] = {{0, 19}, {8, 19}, {0, 11}};
  Polygon(c.dc, tri, 3);
  EXPECT_EQ(GetPixel(c.dc, 2, 17), kBlue);
  EXPECT_EQ(GetPixel(c.dc, 7, 12), kWhite);
  // A dotted pen leaves gaps in the background colour when opaque.
  HPEN dot = CreatePen(PS_DOT, 1, 0);
  SelectObject(c.dc, dot);
  SetBkColor(c.dc, kRed);
  MoveToEx(c.dc, 0, 9, nullptr);
  LineTo(c.dc, 9, 9);
  EXPECT_EQ(GetPixel(c.dc, 0, 9), 0u);
  EXPECT_EQ(GetPixel(c.dc, 3, 9), kRed);
  SelectObject(c.dc, oldPen);
  SelectObject(c.dc, oldBrush);
  DeleteObject(red);
  DeleteObject(dot);
  DeleteObject(blue);
}

TEST(Gdi, ClippingRegionsAndOrigins) {
  Canvas c(10, 10);
  c.Fill(kWhite);
  HRGN a = CreateRectRgn(0, 0, 6, 6);
  HRGN b = CreateRectRgn(3, 3, 10, 10);
  HRGN both = CreateRectRgn(0, 0, 0, 0);
  EXPECT_EQ(CombineRgn(both, a, b, RGN_AND), SIMPLEREGION);
  RECT box;
  GetRgnBox(both, &box);
  EXPECT_EQ(box.left, 3);
  EXPECT_EQ(box.right, 6);
  EXPECT_EQ(CombineRgn(both, a, b, RGN_XOR), COMPLEXREGION);
  EXPECT_FALSE(PtInRegion(both, 4, 4));
  EXPECT_TRUE(PtInRegion(both, 1, 1));
  EXPECT_TRUE(PtInRegion(both, 8, 8));

  SelectClipRgn(c.dc, both);
  HBRUSH red = CreateSolidBrush(kRed);
  RECT all{0, 0, 10, 10};
  FillRect(c.dc, &all, red);
  EXPECT_EQ(GetPixel(c.dc, 1, 1), kRed);
  EXPECT_EQ(GetPixel(c.dc, 4, 4), CLR_INVALID) << "outside the clip";
  SelectClipRgn(c.dc, nullptr);
  EXPECT_EQ(GetPixel(c.dc, 4, 4), kWhite);

  // Save, narrow, move the origin, restore.
  int saved = SaveDC(c.dc);
  IntersectClipRect(c.dc, 0, 0, 2, 2);
  SetWindowOrgEx(c.dc, -5, -5, nullptr);
  RECT clip;
  GetClipBox(c.dc, &clip);
  EXPECT_EQ(clip.left, -5);
  EXPECT_EQ(clip.right, -3);
  RestoreDC(c.dc, saved);
  SetPixel(c.dc, 9, 9, kBlue);
  EXPECT_EQ(GetPixel(c.dc, 9, 9), kBlue);
  DeleteObject(red);
  DeleteObject(a);
  DeleteObject(b);
  DeleteObject(both);
}

TEST(Gdi, ObjectsAreReleasedAndStockObjectsStay) {
  size_t before = platform::GdiObjectCount();
  HPEN pen = CreatePen(PS_SOLID, 2, kRed);
  HBITMAP bmp = CreateBitmap(2, 2, 1, 32, nullptr);
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, bmp);
  EXPECT_FALSE(DeleteObject(bmp)) << "a selected bitmap stays";
  EXPECT_EQ(GetObjectType(bmp), static_cast<DWORD>(OBJ_BITMAP));
  LOGPEN lp;
  EXPECT_EQ(GetObject(pen, sizeof lp, &lp), static_cast<int>(sizeof lp));
  EXPECT_EQ(lp.lopnWidth.x, 2);
  EXPECT_TRUE(DeleteObject(GetStockObject(BLACK_PEN)));
  EXPECT_NE(GetObjectType(GetStockObject(BLACK_PEN)), 0u);
  SelectObject(dc, old);
  DeleteDC(dc);
  EXPECT_TRUE(DeleteObject(bmp));
  EXPECT_TRUE(DeleteObject(pen));
  EXPECT_FALSE(DeleteObject(pen)) << "a deleted handle is refused";
  EXPECT_EQ(platform::GdiObjectCount(), before);
  // Bitmaps from bits: 1 bit a pixel, rows padded to 16 bits, 1 is white.
  const unsigned char bits[] = {0xA0, 0x00, 0x40, 0x00};
  HBITMAP mono = CreateBitmap(3, 2, 1, 1, bits);
  BITMAP info;
  GetObject(mono, sizeof info, &info);
  EXPECT_EQ(info.bmBitsPixel, 1);
  EXPECT_EQ(info.bmWidthBytes, 2);
  auto pixels = platform::BitmapPixels(mono);
  EXPECT_EQ(pixels->At(0, 0), 0xFFFFFFu);
  EXPECT_EQ(pixels->At(1, 0), 0u);
  EXPECT_EQ(pixels->At(1, 1), 0xFFFFFFu);
  DeleteObject(mono);
}

}  // namespace

namespace {

TEST(Gdi, EdgesFocusRectanglesAndFrameControls) {
  Canvas c(20, 20);
  c.Fill(RGB(0, 255, 0));
  RECT r{0, 0, 10, 10};
  DrawEdge(c.dc, &r, EDGE_RAISED, BF_RECT | BF_ADJUST);
  EXPECT_EQ(GetPixel(c.dc, 0, 0), GetSysColor(COLOR_3DLIGHT));
  EXPECT_EQ(GetPixel(c.dc, 9, 9), GetSysColor(COLOR_3DDKSHADOW));
  EXPECT_EQ(GetPixel(c.dc, 1, 1), GetSysColor(COLOR_BTNHIGHLIGHT));
  EXPECT_EQ(GetPixel(c.dc, 8, 8), GetSysColor(COLOR_BTNSHADOW));
  EXPECT_EQ(GetPixel(c.dc, 5, 5), RGB(0, 255, 0)) << "no middle asked";
  EXPECT_EQ(r.left, 2);
  EXPECT_EQ(r.right, 8);
  RECT sunken{10, 10, 20, 20};
  DrawEdge(c.dc, &sunken, EDGE_SUNKEN, BF_RECT | BF_MIDDLE);
  EXPECT_EQ(GetPixel(c.dc, 10, 10), GetSysColor(COLOR_BTNSHADOW));
  EXPECT_EQ(GetPixel(c.dc, 11, 11), GetSysColor(COLOR_3DDKSHADOW));
  EXPECT_EQ(GetPixel(c.dc, 15, 15), GetSysColor(COLOR_BTNFACE));
  // A focus rectangle drawn twice is gone.
  RECT focus{2, 12, 8, 18};
  DrawFocusRect(c.dc, &focus);
  EXPECT_EQ(GetPixel(c.dc, 2, 12), RGB(255, 0, 255));
  EXPECT_EQ(GetPixel(c.dc, 3, 12), RGB(0, 255, 0));
  DrawFocusRect(c.dc, &focus);
  EXPECT_EQ(GetPixel(c.dc, 2, 12), RGB(0, 255, 0));
  // A checked check box has its mark in the button text colour on the window colour.
  RECT box{0, 0, 13, 13};
  DrawFrameControl(c.dc, &box, DFC_BUTTON, DFCS_BUTTONCHECK | DFCS_CHECKED);
  EXPECT_EQ(GetPixel(c.dc, 6, 6), GetSysColor(COLOR_BTNTEXT));
  EXPECT_EQ(GetPixel(c.dc, 3, 9), GetSysColor(COLOR_WINDOW));
}

}  // namespace
