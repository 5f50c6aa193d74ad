#pragma once
// Fonts of the system: logical fonts realized through fontconfig and rasterized by
// FreeType. Faces the program names that the system lacks fall back to the closest of
// DejaVu and Liberation (symbol faces to a symbol font); weight and slant the file lacks
// are synthesized. Faces and their glyphs are cached, so painting text costs little.

#include <memory>
#include <string>
#include <vector>

#include "platform/gui/Fontengine.h"

namespace platform {

class FreeTypeFontEngine : public FontEngine {
 public:
  FreeTypeFontEngine();
  ~FreeTypeFontEngine() override;
  FreeTypeFontEngine(const FreeTypeFontEngine&) = delete;
  FreeTypeFontEngine& operator=(const FreeTypeFontEngine&) = delete;

  // False when FreeType or fontconfig could not start, or fontconfig knows no font:
  // the caller keeps the test font then.
  bool Usable() const;
  std::shared_ptr<FontFace> Realize(const LOGFONT& font) override;
  // The font file a logical font resolves to (for diagnostics and tests).
  std::string FileOf(const LOGFONT& font);

  struct Impl;

 private:
  std::unique_ptr<Impl> impl_;
};

// The families fontconfig is asked for, best first: the face the program names, then
// the closest of the fonts Debian ships.
std::vector<std::string> FamilyChain(const LOGFONT& font);

}  // namespace platform
