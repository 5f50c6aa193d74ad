#pragma once
// Fonts behind one interface: a font engine realizes a logical font as a face that
// measures and rasterizes characters of the program's code page.

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/gui/Wintypes.h"

inline constexpr LONG FW_DONTCARE = 0;
inline constexpr LONG FW_THIN = 100;
inline constexpr LONG FW_LIGHT = 300;
inline constexpr LONG FW_NORMAL = 400;
inline constexpr LONG FW_MEDIUM = 500;
inline constexpr LONG FW_SEMIBOLD = 600;
inline constexpr LONG FW_BOLD = 700;
inline constexpr LONG FW_HEAVY = 900;
inline constexpr BYTE ANSI_CHARSET = 0;
inline constexpr BYTE DEFAULT_CHARSET = 1;
inline constexpr BYTE RUSSIAN_CHARSET = 204;
inline constexpr BYTE DEFAULT_PITCH = 0;
inline constexpr BYTE FIXED_PITCH = 1;
inline constexpr BYTE VARIABLE_PITCH = 2;
inline constexpr BYTE FF_DONTCARE = 0x00;
inline constexpr BYTE FF_ROMAN = 0x10;
inline constexpr BYTE FF_SWISS = 0x20;
inline constexpr BYTE FF_MODERN = 0x30;
inline constexpr int LF_FACESIZE = 32;

struct LOGFONT {
  LONG lfHeight;
  LONG lfWidth;
  LONG lfEscapement;
  LONG lfOrientation;
  LONG lfWeight;
  BYTE lfItalic;
  BYTE lfUnderline;
  BYTE lfStrikeOut;
  BYTE lfCharSet;
  BYTE lfOutPrecision;
  BYTE lfClipPrecision;
  BYTE lfQuality;
  BYTE lfPitchAndFamily;
  char lfFaceName[LF_FACESIZE];
};

struct TEXTMETRIC {
  LONG tmHeight;
  LONG tmAscent;
  LONG tmDescent;
  LONG tmInternalLeading;
  LONG tmExternalLeading;
  LONG tmAveCharWidth;
  LONG tmMaxCharWidth;
  LONG tmWeight;
  LONG tmOverhang;
  LONG tmDigitizedAspectX;
  LONG tmDigitizedAspectY;
  BYTE tmFirstChar;
  BYTE tmLastChar;
  BYTE tmDefaultChar;
  BYTE tmBreakChar;
  BYTE tmItalic;
  BYTE tmUnderlined;
  BYTE tmStruckOut;
  BYTE tmPitchAndFamily;
  BYTE tmCharSet;
};

namespace platform {

// Coverage of one character: alpha 0..255 per pixel; left/top relative to the pen
// position at the top of the character cell.
struct Glyph {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> alpha;
};

class FontFace {
 public:
  virtual ~FontFace() = default;
  virtual const TEXTMETRIC& Metrics() const = 0;
  virtual int Advance(unsigned char ch) const = 0;
  virtual const Glyph& GlyphOf(unsigned char ch) const = 0;
  // Underline and strike-out rows relative to the top of the cell, and their thickness.
  virtual int UnderlineRow() const = 0;
  virtual int StrikeOutRow() const = 0;
  virtual int LineThickness() const = 0;
};

class FontEngine {
 public:
  virtual ~FontEngine() = default;
  virtual std::shared_ptr<FontFace> Realize(const LOGFONT& font) = 0;
};

// The engine in use; the built-in test font until another one is installed.
FontEngine& CurrentFontEngine();
// Installs an engine (null goes back to the test font). Fonts realized before keep their faces.
void SetFontEngine(std::unique_ptr<FontEngine> engine);

}  // namespace platform
