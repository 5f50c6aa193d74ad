#include "tests/e2e/Screentext.h"

#include "foundation/Browsefont.h"
#include "foundation/Tbrowsepars.h"
#include "platform/display/Pngfile.h"
#include "platform/forms/Tgraphicsobject.h"
#include "platform/gui/Freetypefont.h"
#include "platform/gui/Gui.h"
#include "platform/kernel/Codepage.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <cstdlib>
#include <memory>

namespace screentext {

namespace {

// A window that went away between two questions is no failure of the test.
int IgnoreXError(Display*, XErrorEvent*) { return 0; }

// The cells a kept picture is compared in: small enough that a caption left behind covers
// whole cells, large enough that new content rarely repeats one.
constexpr int kCellWidth = 16, kCellHeight = 8;
// The picture shows while one in this many of its telling cells is still there.
constexpr int kShownShare = 5;

int Luminance(uint32_t rgb) { return int((rgb >> 16) & 0xFF) * 3 + int((rgb >> 8) & 0xFF) * 6 + int(rgb & 0xFF); }

// A caption's shape: which pixels of its box are ink; a blank margin around.
struct TShape {
  int Width = 0, Height = 0;
  std::vector<bool> Ink;
  std::vector<std::pair<int, int>> InkAt;  // the ink pixels, for a quick first test
  std::pair<int, int> Paper{-1, -1};        // a pixel of the background
};

constexpr int kMargin = 2;
// A pixel is ink when it lies this many hundredths of the way from the background to the
// text's colour: smoothed edges then count alike here and on the screen.
constexpr int kInkShare = 80;

TShape Draw(const std::string& caption, TFace face) {
  TFont font;
  if (face != TFace::Form) {
    TBrowsePars settings;
    AssignBrowseFont(font, face == TFace::Menu ? settings.MenuFont : settings.BlockTextFont);
  }
  const std::string text = platform::Utf8ToAnsi(caption);
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ oldFont = SelectObject(dc, font.Handle());
  SIZE size{};
  GetTextExtentPoint32(dc, text.c_str(), int(text.size()), &size);
  TShape shape;
  shape.Width = size.cx + 2 * kMargin;
  shape.Height = size.cy + 2 * kMargin;
  HBITMAP bitmap = CreateBitmap(shape.Width, shape.Height, 1, 32, nullptr);  // in colour, smoothed as on a screen
  HGDIOBJ oldBitmap = SelectObject(dc, bitmap);
  const RECT all{0, 0, shape.Width, shape.Height};
  HBRUSH white = CreateSolidBrush(RGB(255, 255, 255));
  FillRect(dc, &all, white);
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, RGB(0, 0, 0));
  TextOut(dc, kMargin, kMargin, text.c_str(), int(text.size()));
  shape.Ink.resize(size_t(shape.Width) * shape.Height);
  for (int y = 0; y < shape.Height; ++y)
    for (int x = 0; x < shape.Width; ++x) {
      const COLORREF c = GetPixel(dc, x, y);
      const bool ink = GetRValue(c) * 3 + GetGValue(c) * 6 + GetBValue(c) < kInkShare * 10 * 255 / 100;
      shape.Ink[size_t(y) * shape.Width + x] = ink;
      if (ink) shape.InkAt.push_back({x, y});
    }
  // Only the glyphs' own box is compared: a frame or a line may run close beside a caption.
  if (!shape.InkAt.empty()) {
    int left = shape.Width, top = shape.Height, right = 0, bottom = 0;
    for (const auto& [x, y] : shape.InkAt) {
      left = std::min(left, x), top = std::min(top, y), right = std::max(right, x), bottom = std::max(bottom, y);
    }
    TShape tight;
    tight.Width = right - left + 1;
    tight.Height = bottom - top + 1;
    for (int y = top; y <= bottom; ++y)
      for (int x = left; x <= right; ++x) {
        const bool ink = shape.Ink[size_t(y) * shape.Width + x];
        tight.Ink.push_back(ink);
        if (ink) tight.InkAt.push_back({x - left, y - top});
        else if (tight.Paper.first < 0) tight.Paper = {x - left, y - top};
      }
    shape = std::move(tight);
  }
  SelectObject(dc, oldBitmap);
  SelectObject(dc, oldFont);
  DeleteObject(bitmap);
  DeleteObject(white);
  DeleteDC(dc);
  return shape;
}

}  // namespace

struct TScreenText::TImpl {
  Display* X = nullptr;
  std::unique_ptr<platform::Pixmap> Screen;

  // The screen as it is now.
  bool Grab() {
    if (!X) return false;
    const Window root = DefaultRootWindow(X);
    XWindowAttributes attributes;
    XGetWindowAttributes(X, root, &attributes);
    XImage* image = XGetImage(X, root, 0, 0, unsigned(attributes.width), unsigned(attributes.height), AllPlanes, ZPixmap);
    if (!image) return false;
    Screen = std::make_unique<platform::Pixmap>(attributes.width, attributes.height);
    for (int y = 0; y < attributes.height; ++y) {
      uint32_t* row = Screen->Row(y);
      for (int x = 0; x < attributes.width; ++x) row[x] = uint32_t(XGetPixel(image, x, y)) & 0xFFFFFF;
    }
    XDestroyImage(image);
    return true;
  }
};

TScreenText::TScreenText(const std::string& display) : fImpl(std::make_unique<TImpl>()) {
  fImpl->X = XOpenDisplay(display.c_str());
  XSetErrorHandler(IgnoreXError);
  // The program draws with the system's fonts on a real screen; so does the eye here.
  auto fonts = std::make_unique<platform::FreeTypeFontEngine>();
  if (fonts->Usable()) platform::SetFontEngine(std::move(fonts));
}

TScreenText::~TScreenText() {
  platform::SetFontEngine(nullptr);
  if (fImpl->X) XCloseDisplay(fImpl->X);
}

std::vector<TSpot> TScreenText::Find(const std::string& caption, TFace face) {
  std::vector<TSpot> spots;
  if (!fImpl->Grab()) return spots;
  const TShape shape = Draw(caption, face);
  if (shape.InkAt.empty() || shape.Paper.first < 0) return spots;
  const platform::Pixmap& screen = *fImpl->Screen;
  // On the screen, ink is what lies far enough from the paper's colour towards the darkest
  // (or brightest) pixel where the caption's ink should be; a few pixels may differ.
  const size_t allowed = shape.InkAt.size() / 12;
  for (int top = 0; top + shape.Height <= screen.Height(); ++top)
    for (int left = 0; left + shape.Width <= screen.Width(); ++left) {
      const int background = Luminance(screen.At(left + shape.Paper.first, top + shape.Paper.second));
      const auto difference = [&](int x, int y) { return std::abs(Luminance(screen.At(left + x, top + y)) - background); };
      if (difference(shape.InkAt[0].first, shape.InkAt[0].second) < 40 * 10) continue;
      int contrast = 0;
      for (const auto& [x, y] : shape.InkAt) contrast = std::max(contrast, difference(x, y));
      const int threshold = contrast * (100 - kInkShare) / 100;
      // Glyphs may sit a pixel apart here and there (where each lands depends on where the
      // text starts): ink counts as matched by ink a pixel to the left or right.
      const auto screenInk = [&](int x, int y) { return x >= 0 && x < shape.Width && difference(x, y) > threshold; };
      const auto shapeInk = [&](int x, int y) { return x >= 0 && x < shape.Width && shape.Ink[size_t(y) * shape.Width + x]; };
      size_t wrong = 0;
      for (int y = 0; y < shape.Height && wrong <= allowed; ++y)
        for (int x = 0; x < shape.Width && wrong <= allowed; ++x) {
          if (shapeInk(x, y) && !screenInk(x - 1, y) && !screenInk(x, y) && !screenInk(x + 1, y)) ++wrong;
          if (screenInk(x, y) && !shapeInk(x - 1, y) && !shapeInk(x, y) && !shapeInk(x + 1, y)) ++wrong;
        }
      // A whole caption, not a piece of a longer word: blank columns on both sides.
      for (int y = 0; y < shape.Height && wrong <= allowed; ++y)
        for (int x : {-2, -1, shape.Width, shape.Width + 1})
          if (left + x >= 0 && left + x < screen.Width() && difference(x, y) > threshold) wrong = allowed + 1;
      if (wrong <= allowed) {
        spots.push_back({left + shape.Width / 2, top + shape.Height / 2});
        left += shape.Width;  // the same caption is not found again one pixel on
      }
    }
  return spots;
}

TPicture TScreenText::Keep(int left, int top, int right, int bottom) {
  TPicture picture;
  if (!fImpl->Grab()) return picture;
  const platform::Pixmap& screen = *fImpl->Screen;
  picture.Left = std::max(left, 0);
  picture.Top = std::max(top, 0);
  picture.Width = std::max(std::min(right, screen.Width()) - picture.Left, 0);
  picture.Height = std::max(std::min(bottom, screen.Height()) - picture.Top, 0);
  for (int y = 0; y < picture.Height; ++y)
    for (int x = 0; x < picture.Width; ++x) picture.Pixels.push_back(screen.At(picture.Left + x, picture.Top + y));
  return picture;
}

bool TScreenText::Shows(const TPicture& picture) {
  if (picture.Pixels.empty() || !fImpl->Grab()) return false;
  const platform::Pixmap& screen = *fImpl->Screen;
  const auto kept = [&picture](int x, int y) { return picture.Pixels[size_t(y) * picture.Width + x]; };
  int telling = 0, unchanged = 0;
  for (int top = 0; top + kCellHeight <= picture.Height; top += kCellHeight)
    for (int left = 0; left + kCellWidth <= picture.Width; left += kCellWidth) {
      bool mixed = false, same = true;
      for (int y = top; y < top + kCellHeight; ++y)
        for (int x = left; x < left + kCellWidth; ++x) {
          mixed = mixed || kept(x, y) != kept(left, top);
          same = same && kept(x, y) == screen.At(picture.Left + x, picture.Top + y);
        }
      telling += mixed;
      unchanged += mixed && same;
    }
  // A window under it may repeat a few cells (a frame where the window's frame was); a
  // window that has not painted over it repeats many.
  return unchanged > 0 && unchanged * kShownShare >= telling;
}

bool TScreenText::Viewable(unsigned long window) {
  XWindowAttributes attributes;
  return fImpl->X && window != 0 && XGetWindowAttributes(fImpl->X, Window(window), &attributes) &&
         attributes.map_state == IsViewable;
}

bool TScreenText::Save(const std::string& path) {
  return fImpl->Grab() && platform::WritePng(*fImpl->Screen, fImpl->Screen->Bounds(), path);
}

}  // namespace screentext
