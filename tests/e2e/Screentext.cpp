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

bool TScreenText::Save(const std::string& path) {
  return fImpl->Grab() && platform::WritePng(*fImpl->Screen, fImpl->Screen->Bounds(), path);
}

}  // namespace screentext
