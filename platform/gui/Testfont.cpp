#include "platform/gui/Testfont.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <string>

namespace platform {

namespace {

constexpr int kDefaultEm = 13;  // what a zero height asks for: a 10-point font at 96 dpi

bool FixedPitchFace(const LOGFONT& f) {
  if ((f.lfPitchAndFamily & 3) == FIXED_PITCH) return true;
  std::string name(f.lfFaceName, strnlen(f.lfFaceName, LF_FACESIZE));
  for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  for (const char* mark : {"courier", "mono", "fixed", "consol", "terminal", "lucida console"})
    if (name.find(mark) != std::string::npos) return true;
  return false;
}

bool Blank(unsigned char ch) { return ch <= 0x20 || ch == 0xA0 || ch == 0x7F; }

class TestFace : public FontFace {
 public:
  explicit TestFace(const LOGFONT& f) {
    int em, leading;
    if (f.lfHeight < 0) {
      em = std::min(-f.lfHeight, 2000);
      leading = (em + 3) / 4;
    } else if (f.lfHeight > 0) {
      int cell = std::min(f.lfHeight, 2500);
      leading = cell / 5;
      em = std::max(1, cell - leading);
    } else {
      em = kDefaultEm;
      leading = (em + 3) / 4;
    }
    bool bold = f.lfWeight >= FW_SEMIBOLD;
    int advance = f.lfWidth > 0 ? std::min<LONG>(f.lfWidth, 2000) : (em * (FixedPitchFace(f) ? 6 : 5) + 5) / 10;
    if (bold) advance += std::max(1, em / 8);
    advance_ = std::max(1, advance);

    int height = em + leading;
    tm_ = TEXTMETRIC{};
    tm_.tmHeight = height;
    tm_.tmAscent = leading + (em * 4 + 2) / 5;
    tm_.tmDescent = height - tm_.tmAscent;
    tm_.tmInternalLeading = leading;
    tm_.tmExternalLeading = 0;
    tm_.tmAveCharWidth = advance_;
    tm_.tmMaxCharWidth = advance_;
    tm_.tmWeight = f.lfWeight == 0 ? FW_NORMAL : f.lfWeight;
    tm_.tmDigitizedAspectX = tm_.tmDigitizedAspectY = 96;
    tm_.tmFirstChar = 0x20;
    tm_.tmLastChar = 0xFF;
    tm_.tmDefaultChar = '?';
    tm_.tmBreakChar = ' ';
    tm_.tmItalic = f.lfItalic ? 1 : 0;
    tm_.tmUnderlined = f.lfUnderline ? 1 : 0;
    tm_.tmStruckOut = f.lfStrikeOut ? 1 : 0;
    tm_.tmPitchAndFamily = f.lfPitchAndFamily;
    tm_.tmCharSet = f.lfCharSet;
    thickness_ = std::max(1, em / 12);
    underline_ = std::min(height - thickness_, static_cast<int>(tm_.tmAscent) + 1);
    strike_ = leading + (tm_.tmAscent - leading) / 2;

    // Ink: a solid block from the top of the em box to the baseline, one column of air on
    // the right; italic shifts the upper half of the block one pixel to the right.
    solid_.left = 0;
    solid_.top = leading;
    solid_.width = advance_ > 1 ? advance_ : 1;
    solid_.height = std::max(1, static_cast<int>(tm_.tmAscent) - leading);
    solid_.alpha.assign(static_cast<size_t>(solid_.width) * solid_.height, 0);
    int ink = advance_ > 1 ? advance_ - 1 : 1;
    for (int y = 0; y < solid_.height; ++y) {
      int shift = (f.lfItalic && y < solid_.height / 2 && advance_ > 2) ? 1 : 0;
      for (int x = shift; x < std::min(ink + shift, solid_.width); ++x)
        solid_.alpha[static_cast<size_t>(y) * solid_.width + x] = 255;
    }
  }

  const TEXTMETRIC& Metrics() const override { return tm_; }
  int Advance(unsigned char) const override { return advance_; }
  const Glyph& GlyphOf(unsigned char ch) const override { return Blank(ch) ? blank_ : solid_; }
  int UnderlineRow() const override { return underline_; }
  int StrikeOutRow() const override { return strike_; }
  int LineThickness() const override { return thickness_; }

 private:
  TEXTMETRIC tm_;
  int advance_;
  int underline_, strike_, thickness_;
  Glyph solid_;
  Glyph blank_;
};

}  // namespace

std::shared_ptr<FontFace> TestFontEngine::Realize(const LOGFONT& font) {
  return std::make_shared<TestFace>(font);
}

}  // namespace platform
