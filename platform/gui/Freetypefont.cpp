#include "platform/gui/Freetypefont.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SYNTHESIS_H
#include FT_TRUETYPE_TABLES_H
#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <cstring>
#include <list>
#include <map>
#include <mutex>
#include <optional>
#include <cstdio>
#include <cstdlib>

#include "platform/gui/Testfont.h"
#include "platform/kernel/Codepage.h"

namespace platform {

namespace {

constexpr BYTE kSymbolCharset = 2;
constexpr int kDefaultEm = 13;      // what a zero height asks for: a 10-point font at 96 dpi
constexpr int kLargestEm = 1000;    // larger requests are clamped, so a wild height costs nothing
constexpr size_t kCachedFaces = 64;

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

bool Has(const std::string& name, std::initializer_list<const char*> marks) {
  for (const char* m : marks)
    if (name.find(m) != std::string::npos) return true;
  return false;
}

// FreeType's library object is not thread-safe; every call into it holds this lock.
struct Library {
  FT_Library ft = nullptr;
  std::mutex lock;
  Library() {
    if (FT_Init_FreeType(&ft)) ft = nullptr;
  }
  ~Library() {
    if (ft) FT_Done_FreeType(ft);
  }
};

struct Match {
  std::string file;
  int index = 0;
  bool synthesizeBold = false;
  bool synthesizeItalic = false;
};

int FcWeightOf(LONG weight) {
  if (weight <= 0) weight = FW_NORMAL;
  return static_cast<int>(FcWeightFromOpenTypeDouble(std::clamp<LONG>(weight, 1, 1000)));
}

// A realized font: one FreeType face at one size, and its glyphs as they are asked for.
class FreeTypeFace : public FontFace {
 public:
  FreeTypeFace(std::shared_ptr<Library> library, FT_Face face, const LOGFONT& font, const Match& match)
      : library_(std::move(library)), face_(face), bold_(match.synthesizeBold), italic_(match.synthesizeItalic) {
    symbol_ = face_->charmap && face_->charmap->encoding == FT_ENCODING_MS_SYMBOL;
    if (!symbol_ && FT_Select_Charmap(face_, FT_ENCODING_UNICODE) != 0)
      symbol_ = FT_Select_Charmap(face_, FT_ENCODING_MS_SYMBOL) == 0;
    const int upem = face_->units_per_EM ? face_->units_per_EM : 2048;
    // The cell of the font as the system's metrics give it: win ascent and descent.
    int up = face_->ascender, down = -face_->descender;
    if (auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(face_, FT_SFNT_OS2)); os2 && os2->version != 0xFFFF &&
                                                                                  os2->usWinAscent + os2->usWinDescent > 0) {
      up = os2->usWinAscent;
      down = os2->usWinDescent;
    }
    if (up + down <= 0) up = upem, down = 0;
    double em;
    if (font.lfHeight < 0) em = std::min<LONG>(-font.lfHeight, kLargestEm);
    else if (font.lfHeight > 0) em = std::min<double>(font.lfHeight, kLargestEm) * upem / (up + down);
    else em = kDefaultEm;
    const int ppem = std::max(1, static_cast<int>(std::lround(em)));
    FT_Set_Pixel_Sizes(face_, 0, static_cast<FT_UInt>(ppem));
    if (font.lfWidth > 0) {
      // The width asks for an average character width: scale horizontally to it.
      int natural = std::max(1, RawAdvance('x'));
      int xppem = std::clamp<int>(static_cast<int>(std::lround(double(ppem) * std::min<LONG>(font.lfWidth, kLargestEm) / natural)), 1, 4 * kLargestEm);
      FT_Set_Pixel_Sizes(face_, static_cast<FT_UInt>(xppem), static_cast<FT_UInt>(ppem));
    }

    tm_ = TEXTMETRIC{};
    tm_.tmAscent = static_cast<LONG>(std::ceil(double(up) * ppem / upem));
    tm_.tmDescent = static_cast<LONG>(std::ceil(double(down) * ppem / upem));
    tm_.tmHeight = tm_.tmAscent + tm_.tmDescent;
    tm_.tmInternalLeading = std::max<LONG>(0, tm_.tmHeight - ppem);
    tm_.tmExternalLeading = 0;
    tm_.tmWeight = font.lfWeight == 0 ? FW_NORMAL : font.lfWeight;
    tm_.tmDigitizedAspectX = tm_.tmDigitizedAspectY = 96;
    tm_.tmFirstChar = 0x20;
    tm_.tmLastChar = 0xFF;
    tm_.tmDefaultChar = '?';
    tm_.tmBreakChar = ' ';
    tm_.tmItalic = font.lfItalic ? 1 : 0;
    tm_.tmUnderlined = font.lfUnderline ? 1 : 0;
    tm_.tmStruckOut = font.lfStrikeOut ? 1 : 0;
    tm_.tmPitchAndFamily = font.lfPitchAndFamily;
    tm_.tmCharSet = font.lfCharSet;
    tm_.tmAveCharWidth = Advance('x');
    int widest = 0;
    for (int c = 0x20; c <= 0xFF; ++c) widest = std::max(widest, Advance(static_cast<unsigned char>(c)));
    tm_.tmMaxCharWidth = widest;

    double scale = double(ppem) / upem;
    thickness_ = std::max(1, static_cast<int>(std::lround(face_->underline_thickness * scale)));
    if (bold_) thickness_ = std::max(thickness_, ppem / 12 + 1);
    underline_ = std::clamp(static_cast<int>(tm_.tmAscent) - static_cast<int>(std::lround(face_->underline_position * scale)),
                            0, std::max(0, static_cast<int>(tm_.tmHeight) - thickness_));
    int xHeight = ppem / 2;
    if (auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(face_, FT_SFNT_OS2)); os2 && os2->version >= 2 && os2->sxHeight > 0)
      xHeight = static_cast<int>(std::lround(os2->sxHeight * scale));
    strike_ = std::max(0, static_cast<int>(tm_.tmAscent) - xHeight / 2 - thickness_ / 2);
  }

  ~FreeTypeFace() override {
    std::lock_guard<std::mutex> lock(library_->lock);
    FT_Done_Face(face_);
  }

  const TEXTMETRIC& Metrics() const override { return tm_; }
  int Advance(unsigned char ch) const override { return Load(ch).advance; }
  const Glyph& GlyphOf(unsigned char ch) const override { return Load(ch).glyph; }
  int UnderlineRow() const override { return underline_; }
  int StrikeOutRow() const override { return strike_; }
  int LineThickness() const override { return thickness_; }

 private:
  struct Cached {
    bool ready = false;
    int advance = 0;
    Glyph glyph;
  };

  FT_UInt IndexOf(unsigned char ch) const {
    FT_UInt index = 0;
    if (symbol_) {
      index = FT_Get_Char_Index(face_, 0xF000 + ch);
      if (!index) index = FT_Get_Char_Index(face_, ch);
    } else {
      index = FT_Get_Char_Index(face_, AnsiCharToUnicode(ch));
    }
    // A character the font lacks shows as the default character; controls show nothing.
    if (!index && ch >= 0x20 && ch != 0x7F && ch != 0x98) index = FT_Get_Char_Index(face_, '?');
    return index;
  }

  // Must hold the library lock.
  bool LoadSlot(unsigned char ch) const {
    FT_UInt index = IndexOf(ch);
    if (FT_Load_Glyph(face_, index, FT_LOAD_DEFAULT | FT_LOAD_TARGET_LIGHT) != 0) return false;
    if (bold_) FT_GlyphSlot_Embolden(face_->glyph);
    if (italic_) FT_GlyphSlot_Oblique(face_->glyph);
    return true;
  }

  int RawAdvance(unsigned char ch) const {
    std::lock_guard<std::mutex> lock(library_->lock);
    if (!LoadSlot(ch)) return 0;
    return static_cast<int>((face_->glyph->advance.x + 32) >> 6);
  }

  const Cached& Load(unsigned char ch) const {
    std::lock_guard<std::mutex> lock(library_->lock);
    Cached& c = cache_[ch];
    if (c.ready) return c;
    c.ready = true;
    if (ch < 0x20 || ch == 0x7F || ch == 0x98 || !LoadSlot(ch)) return c;
    FT_GlyphSlot slot = face_->glyph;
    c.advance = static_cast<int>((slot->advance.x + 32) >> 6);
    if (FT_Render_Glyph(slot, FT_RENDER_MODE_NORMAL) != 0) return c;
    const FT_Bitmap& bm = slot->bitmap;
    if (bm.pixel_mode != FT_PIXEL_MODE_GRAY || bm.width == 0 || bm.rows == 0) return c;
    Glyph& g = c.glyph;
    g.left = slot->bitmap_left;
    g.top = static_cast<int>(tm_.tmAscent) - slot->bitmap_top;
    g.width = static_cast<int>(bm.width);
    g.height = static_cast<int>(bm.rows);
    g.alpha.resize(static_cast<size_t>(g.width) * g.height);
    for (int y = 0; y < g.height; ++y)
      std::memcpy(&g.alpha[static_cast<size_t>(y) * g.width], bm.buffer + static_cast<ptrdiff_t>(y) * bm.pitch, g.width);
    return c;
  }

  std::shared_ptr<Library> library_;
  FT_Face face_;
  bool bold_, italic_;
  bool symbol_ = false;
  TEXTMETRIC tm_;
  int underline_ = 0, strike_ = 0, thickness_ = 1;
  mutable std::array<Cached, 256> cache_;
};

// The part of a logical font that decides the face: same key, same face.
std::string KeyOf(const LOGFONT& f) {
  std::string key(f.lfFaceName, strnlen(f.lfFaceName, LF_FACESIZE));
  key = Lower(key);
  char numbers[96];
  std::snprintf(numbers, sizeof numbers, "|%ld|%ld|%ld|%d|%d|%d|%d|%d", static_cast<long>(f.lfHeight),
                static_cast<long>(f.lfWidth), static_cast<long>(f.lfWeight), f.lfItalic ? 1 : 0, f.lfUnderline ? 1 : 0,
                f.lfStrikeOut ? 1 : 0, f.lfCharSet, f.lfPitchAndFamily);
  return key + numbers;
}

}  // namespace

std::vector<std::string> FamilyChain(const LOGFONT& font) {
  std::string named = AnsiToUtf8(std::string_view(font.lfFaceName, strnlen(font.lfFaceName, LF_FACESIZE)));
  std::string name = Lower(named);
  std::vector<std::string> chain;
  if (!named.empty()) chain.push_back(named);
  const BYTE family = font.lfPitchAndFamily & 0xF0;
  if (font.lfCharSet == kSymbolCharset || Has(name, {"symbol", "wingding", "webding", "marlett"})) {
    chain.insert(chain.end(), {"OpenSymbol", "Symbola", "DejaVu Sans"});
  } else if ((font.lfPitchAndFamily & 3) == FIXED_PITCH || family == FF_MODERN ||
             Has(name, {"courier", "mono", "consol", "fixed", "terminal", "lucida console", "lucida sans typewriter"})) {
    chain.insert(chain.end(), {"Liberation Mono", "DejaVu Sans Mono"});
  } else if (family == FF_ROMAN || Has(name, {"times", "serif", "georgia", "garamond", "antiqua", "bookman", "cambria", "roman"})) {
    if (name.find("sans") == std::string::npos) chain.insert(chain.end(), {"Liberation Serif", "DejaVu Serif"});
    else chain.insert(chain.end(), {"Liberation Sans", "DejaVu Sans"});
  } else if (Has(name, {"narrow", "condensed"})) {
    chain.insert(chain.end(), {"Liberation Sans Narrow", "DejaVu Sans Condensed", "Liberation Sans"});
  } else if (Has(name, {"verdana", "tahoma", "segoe", "trebuchet", "lucida"})) {
    chain.insert(chain.end(), {"DejaVu Sans", "Liberation Sans"});
  } else {
    // Arial, Helvetica, MS Sans Serif, MS Shell Dlg, System and every unknown face.
    chain.insert(chain.end(), {"Liberation Sans", "DejaVu Sans"});
  }
  return chain;
}

struct FreeTypeFontEngine::Impl {
  std::shared_ptr<Library> library = std::make_shared<Library>();
  bool fontconfig = false;
  std::mutex lock;
  std::list<std::pair<std::string, std::shared_ptr<FontFace>>> faces;  // most recent first

  std::optional<Match> Find(const LOGFONT& font) {
    if (!fontconfig) return std::nullopt;
    FcPattern* pattern = FcPatternCreate();
    for (const std::string& family : FamilyChain(font))
      FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
    const int weight = FcWeightOf(font.lfWeight);
    FcPatternAddInteger(pattern, FC_WEIGHT, weight);
    FcPatternAddInteger(pattern, FC_SLANT, font.lfItalic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    if (font.lfCharSet != kSymbolCharset) {
      // Latin and Cyrillic letters must be there: a face without them loses to one with them.
      FcCharSet* letters = FcCharSetCreate();
      for (unsigned c = 'A'; c <= 'z'; ++c) FcCharSetAddChar(letters, c);
      for (unsigned c = 0x410; c <= 0x44F; ++c) FcCharSetAddChar(letters, c);
      FcPatternAddCharSet(pattern, FC_CHARSET, letters);
      FcCharSetDestroy(letters);
    }
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result;
    FcPattern* found = FcFontMatch(nullptr, pattern, &result);
    FcPatternDestroy(pattern);
    if (!found) return std::nullopt;
    Match m;
    FcChar8* file = nullptr;
    int index = 0, gotWeight = FC_WEIGHT_REGULAR, gotSlant = FC_SLANT_ROMAN;
    if (FcPatternGetString(found, FC_FILE, 0, &file) == FcResultMatch && file) m.file = reinterpret_cast<const char*>(file);
    FcPatternGetInteger(found, FC_INDEX, 0, &index);
    FcPatternGetInteger(found, FC_WEIGHT, 0, &gotWeight);
    FcPatternGetInteger(found, FC_SLANT, 0, &gotSlant);
    FcPatternDestroy(found);
    if (m.file.empty()) return std::nullopt;
    m.index = index;
    m.synthesizeBold = weight >= FC_WEIGHT_DEMIBOLD && gotWeight < FC_WEIGHT_DEMIBOLD;
    m.synthesizeItalic = font.lfItalic && gotSlant == FC_SLANT_ROMAN;
    return m;
  }
};

FreeTypeFontEngine::FreeTypeFontEngine() : impl_(std::make_unique<Impl>()) {
  // fontconfig's configuration is process-wide: loaded once, released at exit.
  static const bool loaded = [] {
    bool ok = FcInit() == FcTrue;
    if (ok) std::atexit([] { FcFini(); });
    return ok;
  }();
  impl_->fontconfig = loaded;
}

FreeTypeFontEngine::~FreeTypeFontEngine() = default;

bool FreeTypeFontEngine::Usable() const {
  if (!impl_->library->ft || !impl_->fontconfig) return false;
  LOGFONT plain{};
  return impl_->Find(plain).has_value();
}

std::string FreeTypeFontEngine::FileOf(const LOGFONT& font) {
  auto m = impl_->Find(font);
  return m ? m->file : std::string();
}

std::shared_ptr<FontFace> FreeTypeFontEngine::Realize(const LOGFONT& font) {
  std::string key = KeyOf(font);
  std::lock_guard<std::mutex> guard(impl_->lock);
  auto& faces = impl_->faces;
  for (auto it = faces.begin(); it != faces.end(); ++it) {
    if (it->first != key) continue;
    faces.splice(faces.begin(), faces, it);
    return faces.front().second;
  }
  std::shared_ptr<FontFace> face;
  if (auto m = impl_->Find(font)) {
    FT_Face ft = nullptr;
    bool opened;
    {
      std::lock_guard<std::mutex> lock(impl_->library->lock);
      opened = impl_->library->ft && FT_New_Face(impl_->library->ft, m->file.c_str(), m->index, &ft) == 0;
    }
    if (opened) face = std::make_shared<FreeTypeFace>(impl_->library, ft, font, *m);
  }
  // Without a usable font file the program still paints: the test font stands in.
  if (!face) return TestFontEngine().Realize(font);
  faces.emplace_front(key, face);
  if (faces.size() > kCachedFaces) faces.pop_back();
  return face;
}

}  // namespace platform
